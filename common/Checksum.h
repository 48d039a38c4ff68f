// CRC-32 of the bytes that went into a file, computed beside the copy.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace portelan {

// Reads back, on a thread of its own, the ranges that the copy has just
// written and folds them into a CRC-32 (zlib's, see Crc32.h) per piece, and
// the pieces into one for all. The copy lets the kernel
// move the bytes, so they never pass through our memory; reading them back
// while they are still cached costs one pass on the second core. It reads
// through handles of the written files themselves, so the sum covers exactly
// the bytes written, whatever happens to their names meanwhile. The reader
// trails the writer by a bounded amount.
class CChecksumTrailer {
  public:
    struct Result {
        bool ok = true;                      // false when a range could not be read back
        std::uint32_t crc = 0;               // CRC-32 of all pieces, in the order of their numbers
        std::vector<std::uint32_t> pieceCrc; // CRC-32 of each piece (index 0 for the first)
        std::string failedPath;              // the file that could not be read back
    };

    CChecksumTrailer();
    ~CChecksumTrailer();
    CChecksumTrailer(const CChecksumTrailer&) = delete;
    CChecksumTrailer& operator=(const CChecksumTrailer&) = delete;

    // Queues length bytes of file from offset as the next bytes of piece
    // (0 for the first); path names the file should it not read back. Blocks
    // while the reader is far behind.
    void Add(std::shared_ptr<platform::File> file, const std::string& path, std::int64_t offset,
             std::int64_t length, int piece = 0);
    // Waits until every range queued so far has been read; the CRC-32 of the
    // piece, or nullopt when a range could not be read back.
    std::optional<std::uint32_t> WaitForPiece(int piece);
    // Drops what was read of piece, whose bytes were taken back out: the
    // piece starts afresh. Only after WaitForPiece.
    void ForgetPiece(int piece);
    // Waits until every queued range has been read; the thread ends.
    Result Finish();

  private:
    struct Range {
        std::shared_ptr<platform::File> file;
        std::string path;
        std::int64_t offset;
        std::int64_t length;
        int piece;
    };
    struct Piece {
        std::uint32_t crc = 0;
        std::int64_t length = 0;
    };

    void Run();
    bool Fold(const Range& range, unsigned char* buffer, std::uint32_t& crc);

    platform::Monitor m_monitor; // guards everything below but m_thread
    std::deque<Range> m_queue;
    std::int64_t m_queuedBytes = 0;
    bool m_closing = false;
    bool m_ok = true;
    std::string m_failedPath;
    std::vector<Piece> m_pieces;
    platform::Thread m_thread;
};

// Where a copy hands what it wrote for reading back.
struct ReadBack {
    CChecksumTrailer& trailer;
    std::shared_ptr<platform::File> file; // a handle of its own on the output
    std::string path;                     // the output's name, for messages
    std::int64_t offset = 0;              // where the copy starts in the output
    int piece = 0;                        // the piece the bytes belong to
};

// Told after every chunk of a copy how many bytes it has copied so far.
class ICopyProgress {
  public:
    virtual void Copied(std::int64_t bytes) = 0;

  protected:
    ~ICopyProgress() = default;
};

// Copies up to n bytes from the position of in to the position of out, in
// chunks, and hands every chunk written to readBack (when given). Stops early
// at the end of in, or when stop becomes true (status Ok, fewer bytes).
platform::CopyResult CopyChunked(platform::File& in, platform::File& out, std::int64_t n,
                                 const ReadBack* readBack = nullptr, const std::atomic<bool>* stop = nullptr,
                                 ICopyProgress* progress = nullptr);

} // namespace portelan
