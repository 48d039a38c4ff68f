// MD5 (RFC 1321): the PAR2 format names files, slices and packets by it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace portelan::par2 {

using Md5Digest = std::array<unsigned char, 16>;

class Md5 {
  public:
    Md5() { Reset(); }
    void Reset();
    void Update(const void* data, std::size_t n);
    // n bytes into each of two digests (the same bytes or others), in about
    // the time of one where their lengths so far agree modulo 64 (a piece's
    // and its slice's when the slice size is a multiple of 64; two recovery
    // slices').
    static void UpdateBoth(Md5& one, const void* data, Md5& two, const void* other, std::size_t n);
    static void UpdateBoth(Md5& one, Md5& two, const void* data, std::size_t n)
    {
        UpdateBoth(one, data, two, data, n);
    }
    // The digest of everything fed since the last Reset; starts afresh.
    Md5Digest Final();

    static Md5Digest Of(const void* data, std::size_t n)
    {
        Md5 md5;
        md5.Update(data, n);
        return md5.Final();
    }

  private:
    void Blocks(const unsigned char* p, std::size_t blocks);
    static void BlocksBoth(Md5& one, const unsigned char* p, Md5& two, const unsigned char* q,
                           std::size_t blocks);

    std::uint32_t m_state[4];
    std::uint64_t m_length;
    unsigned char m_buffer[64];
};

} // namespace portelan::par2
