// The packets of the PAR2 format: building them, and finding the sound ones
// in a file that may be truncated, damaged or hostile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "par2/Md5.h"
#include "platform/Platform.h"

namespace portelan::par2 {

using Id = Md5Digest; // recovery set IDs and file IDs

enum class PacketType { Main, FileDesc, Ifsc, RecvSlic, Creator, Other };

constexpr std::size_t kHeaderSize = 64;
constexpr std::size_t kRecvSlicHead = kHeaderSize + 4; // header and exponent, then the slice
constexpr std::uint32_t kMaxInputSlices = 32768;
// No packet but a recovery slice is this long in any set we can read: a
// Main packet of 32768 files is 512 KiB, an IFSC packet of 32768 slices 640 KiB.
constexpr std::uint64_t kMaxSmallPacket = 4u << 20;

// The 16-byte type field of a packet type (Other has none).
const unsigned char* TypeField(PacketType type);

// IDs sorted as the format orders them: as 128-bit little-endian numbers.
bool IdLess(const Id& a, const Id& b);

// A whole packet: header (with its MD5) then body, which must be a
// multiple of 4 bytes long.
std::string MakePacket(const Id& setId, PacketType type, const std::string& body);
// Header and exponent of a recovery slice packet whose slice follows them.
std::string RecoveryPacketHead(const Id& setId, std::uint32_t exponent, const unsigned char* slice,
                               std::size_t sliceSize);
// The same for a slice that is not at hand whole: the header with its MD5
// field empty, and md5 started over the part of it the MD5 covers. Feed md5
// the slice in order, then SealPacketHead puts its digest in.
std::string OpenRecoveryPacketHead(const Id& setId, std::uint32_t exponent, std::size_t sliceSize, Md5& md5);
void SealPacketHead(std::string& head, Md5& md5);

struct SliceSum {
    Md5Digest md5;
    std::uint32_t crc = 0;
};

std::string MainBody(std::uint64_t sliceSize, std::vector<Id> fileIds);
std::string FileDescBody(const Id& fileId, const Md5Digest& md5, const Md5Digest& head16k,
                         std::uint64_t length, const std::string& name);
std::string IfscBody(const Id& fileId, const std::vector<SliceSum>& sums);
std::string CreatorBody(const std::string& text);
Id FileIdOf(const Md5Digest& head16k, std::uint64_t length, const std::string& name);
// The packet lengths these bodies make, for planning.
std::uint64_t FileDescPacketSize(const std::string& name);
inline std::uint64_t IfscPacketSize(std::uint64_t slices) { return kHeaderSize + 16 + 20 * slices; }
inline std::uint64_t MainPacketSize(std::uint64_t files) { return kHeaderSize + 12 + 16 * files; }
std::uint64_t CreatorPacketSize(const std::string& text);

// Where the packets are read from: a file, or bytes in memory (fuzzing).
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::int64_t Length() = 0;
    // Reads up to n bytes at offset; the count read, -1 on an error.
    virtual std::int64_t ReadAt(void* buffer, std::size_t n, std::int64_t offset) = 0;
    // Why the last read failed, where the system said.
    virtual platform::Error LastError() const { return {}; }
};

class MemorySource : public ByteSource {
  public:
    MemorySource(const void* data, std::size_t n) : m_data(static_cast<const unsigned char*>(data)), m_size(n)
    {
    }
    std::int64_t Length() override { return static_cast<std::int64_t>(m_size); }
    std::int64_t ReadAt(void* buffer, std::size_t n, std::int64_t offset) override;

  private:
    const unsigned char* m_data;
    std::size_t m_size;
};

class FileSource : public ByteSource {
  public:
    bool Open(const std::string& path) { return m_file.Open(path, platform::File::Mode::Read); }
    std::int64_t Length() override { return m_file.Length(); }
    std::int64_t ReadAt(void* buffer, std::size_t n, std::int64_t offset) override
    {
        return m_file.ReadAt(buffer, n, offset);
    }
    platform::Error LastError() const override { return m_file.LastError(); }

  private:
    platform::File m_file;
};

// A packet whose length fits its file and type and whose MD5 is right.
struct Packet {
    PacketType type = PacketType::Other;
    Id setId{};
    std::int64_t offset = 0;    // of the header in its source
    std::uint64_t length = 0;   // of the whole packet
    std::string body;           // bytes from 64 on; empty for recovery slices (too big to hold)
    std::uint32_t exponent = 0; // recovery slices only
};

// Scans source for packets: searches the magic, checks each candidate's
// length (a multiple of 4, at least 64, within the file, fitting its type)
// and its MD5, and goes on after a bad candidate from the next byte. Packets
// of unknown types are passed over unchecked. Calls accept for each sound
// packet; returns false when reading failed or memory ran out.
template <typename Accept> bool ScanPackets(ByteSource& source, Accept&& accept);

// The same, without the template: accept(context, packet).
bool ScanPacketsWith(ByteSource& source, void (*accept)(void* context, Packet&& packet), void* context);

template <typename Accept> bool ScanPackets(ByteSource& source, Accept&& accept)
{
    return ScanPacketsWith(
        source, [](void* context, Packet&& packet) { (*static_cast<Accept*>(context))(std::move(packet)); },
        &accept);
}

// Little-endian fields.
inline std::uint32_t Get32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
inline std::uint64_t Get64(const unsigned char* p) { return Get32(p) | std::uint64_t(Get32(p + 4)) << 32; }
void Put32(std::string& out, std::uint32_t v);
void Put64(std::string& out, std::uint64_t v);

} // namespace portelan::par2
