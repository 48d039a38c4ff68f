#include "par2/Packets.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace portelan::par2 {

namespace {

const unsigned char kMagic[8] = {'P', 'A', 'R', '2', 0, 'P', 'K', 'T'};
const unsigned char kTypes[5][16] = {
    {'P', 'A', 'R', ' ', '2', '.', '0', 0, 'M', 'a', 'i', 'n', 0, 0, 0, 0},
    {'P', 'A', 'R', ' ', '2', '.', '0', 0, 'F', 'i', 'l', 'e', 'D', 'e', 's', 'c'},
    {'P', 'A', 'R', ' ', '2', '.', '0', 0, 'I', 'F', 'S', 'C', 0, 0, 0, 0},
    {'P', 'A', 'R', ' ', '2', '.', '0', 0, 'R', 'e', 'c', 'v', 'S', 'l', 'i', 'c'},
    {'P', 'A', 'R', ' ', '2', '.', '0', 0, 'C', 'r', 'e', 'a', 't', 'o', 'r', 0},
};

void Append(std::string& out, const void* data, std::size_t n)
{
    out.append(static_cast<const char*>(data), n);
}

std::string Padded(const std::string& text)
{
    std::string out = text;
    out.resize((text.size() + 3) / 4 * 4, '\0');
    return out;
}

PacketType TypeOf(const unsigned char* field)
{
    for (int t = 0; t < 5; ++t)
        if (std::memcmp(field, kTypes[t], 16) == 0)
            return static_cast<PacketType>(t);
    return PacketType::Other;
}

// Whether a body of this length can be one of this type.
bool LengthFits(PacketType type, std::uint64_t length)
{
    const std::uint64_t body = length - kHeaderSize;
    switch (type) {
    case PacketType::Main:
        return length <= kMaxSmallPacket && body >= 12 && (body - 12) % 16 == 0;
    case PacketType::FileDesc:
        return length <= kMaxSmallPacket && body >= 56;
    case PacketType::Ifsc:
        return length <= kMaxSmallPacket && body >= 16 && (body - 16) % 20 == 0;
    case PacketType::RecvSlic:
        return body >= 4;
    case PacketType::Creator:
        return length <= kMaxSmallPacket;
    case PacketType::Other:
        break;
    }
    return false;
}

} // namespace

const unsigned char* TypeField(PacketType type)
{
    return type == PacketType::Other ? nullptr : kTypes[static_cast<int>(type)];
}

bool IdLess(const Id& a, const Id& b)
{
    for (int i = 15; i >= 0; --i)
        if (a[i] != b[i])
            return a[i] < b[i];
    return false;
}

void Put32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

void Put64(std::string& out, std::uint64_t v)
{
    Put32(out, static_cast<std::uint32_t>(v));
    Put32(out, static_cast<std::uint32_t>(v >> 32));
}

std::string MakePacket(const Id& setId, PacketType type, const std::string& body)
{
    std::string packet(reinterpret_cast<const char*>(kMagic), 8);
    Put64(packet, kHeaderSize + body.size());
    packet.append(16, '\0');
    Append(packet, setId.data(), 16);
    Append(packet, TypeField(type), 16);
    packet += body;
    const Md5Digest md5 = Md5::Of(packet.data() + 32, packet.size() - 32);
    std::memcpy(packet.data() + 16, md5.data(), 16);
    return packet;
}

std::string OpenRecoveryPacketHead(const Id& setId, std::uint32_t exponent, std::size_t sliceSize, Md5& md5)
{
    std::string head(reinterpret_cast<const char*>(kMagic), 8);
    Put64(head, kRecvSlicHead + sliceSize);
    head.append(16, '\0');
    Append(head, setId.data(), 16);
    Append(head, TypeField(PacketType::RecvSlic), 16);
    Put32(head, exponent);
    md5.Reset();
    md5.Update(head.data() + 32, head.size() - 32);
    return head;
}

void SealPacketHead(std::string& head, Md5& md5)
{
    const Md5Digest digest = md5.Final();
    std::memcpy(head.data() + 16, digest.data(), 16);
}

std::string RecoveryPacketHead(const Id& setId, std::uint32_t exponent, const unsigned char* slice,
                               std::size_t sliceSize)
{
    Md5 md5;
    std::string head = OpenRecoveryPacketHead(setId, exponent, sliceSize, md5);
    md5.Update(slice, sliceSize);
    SealPacketHead(head, md5);
    return head;
}

std::string MainBody(std::uint64_t sliceSize, std::vector<Id> fileIds)
{
    std::sort(fileIds.begin(), fileIds.end(), IdLess);
    std::string body;
    Put64(body, sliceSize);
    Put32(body, static_cast<std::uint32_t>(fileIds.size()));
    for (const Id& id : fileIds)
        Append(body, id.data(), 16);
    return body;
}

std::string FileDescBody(const Id& fileId, const Md5Digest& md5, const Md5Digest& head16k,
                         std::uint64_t length, const std::string& name)
{
    std::string body;
    Append(body, fileId.data(), 16);
    Append(body, md5.data(), 16);
    Append(body, head16k.data(), 16);
    Put64(body, length);
    return body + Padded(name);
}

std::string IfscBody(const Id& fileId, const std::vector<SliceSum>& sums)
{
    std::string body;
    Append(body, fileId.data(), 16);
    for (const SliceSum& sum : sums) {
        Append(body, sum.md5.data(), 16);
        Put32(body, sum.crc);
    }
    return body;
}

std::string CreatorBody(const std::string& text) { return Padded(text); }

Id FileIdOf(const Md5Digest& head16k, std::uint64_t length, const std::string& name)
{
    std::string bytes(reinterpret_cast<const char*>(head16k.data()), 16);
    Put64(bytes, length);
    bytes += name;
    return Md5::Of(bytes.data(), bytes.size());
}

std::uint64_t FileDescPacketSize(const std::string& name)
{
    return kHeaderSize + 56 + (name.size() + 3) / 4 * 4;
}
std::uint64_t CreatorPacketSize(const std::string& text) { return kHeaderSize + (text.size() + 3) / 4 * 4; }

std::int64_t MemorySource::ReadAt(void* buffer, std::size_t n, std::int64_t offset)
{
    if (offset < 0 || static_cast<std::uint64_t>(offset) >= m_size)
        return 0;
    const std::size_t take = std::min(n, m_size - static_cast<std::size_t>(offset));
    std::memcpy(buffer, m_data + offset, take);
    return static_cast<std::int64_t>(take);
}

namespace {

// Reads exactly n bytes at offset.
bool ReadFully(ByteSource& source, void* buffer, std::size_t n, std::int64_t offset)
{
    auto p = static_cast<unsigned char*>(buffer);
    while (n) {
        const std::int64_t got = source.ReadAt(p, n, offset);
        if (got <= 0)
            return false;
        p += got;
        n -= static_cast<std::size_t>(got);
        offset += got;
    }
    return true;
}

} // namespace

bool ScanPacketsWith(ByteSource& source, void (*accept)(void* context, Packet&& packet), void* context)
{
    const std::int64_t fileLength = source.Length();
    if (fileLength < 0)
        return false;
    constexpr std::size_t kWindow = 1 << 20;
    std::unique_ptr<unsigned char[]> window(new (std::nothrow) unsigned char[kWindow]);
    if (!window)
        return false;
    std::int64_t at = 0; // the next offset a packet may start at
    while (at + static_cast<std::int64_t>(kHeaderSize) <= fileLength) {
        // Find the magic in the window starting at at.
        const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(kWindow, fileLength - at));
        if (!ReadFully(source, window.get(), want, at))
            return false;
        const unsigned char* found = nullptr;
        for (std::size_t i = 0; i + 8 <= want; ++i) {
            const auto* hit =
                static_cast<const unsigned char*>(std::memchr(window.get() + i, 'P', want - 7 - i));
            if (!hit)
                break;
            i = static_cast<std::size_t>(hit - window.get());
            if (std::memcmp(hit, kMagic, 8) == 0) {
                found = hit;
                break;
            }
        }
        if (!found) {
            at += static_cast<std::int64_t>(want > 7 ? want - 7 : 1);
            continue;
        }
        const std::int64_t start = at + (found - window.get());
        if (start + static_cast<std::int64_t>(kHeaderSize) > fileLength)
            break; // a magic too near the end to start a packet
        unsigned char header[kRecvSlicHead];
        const std::size_t headLength =
            start + static_cast<std::int64_t>(kRecvSlicHead) <= fileLength ? kRecvSlicHead : kHeaderSize;
        if (!ReadFully(source, header, headLength, start))
            return false;
        const std::uint64_t length = Get64(header + 8);
        const PacketType type = TypeOf(header + 48);
        at = start + 8; // where the search goes on should this candidate fail
        if (type == PacketType::Other || length % 4 || length < kHeaderSize ||
            length > static_cast<std::uint64_t>(fileLength - start) || !LengthFits(type, length) ||
            (type == PacketType::RecvSlic && headLength < kRecvSlicHead))
            continue;
        Packet packet;
        packet.type = type;
        std::memcpy(packet.setId.data(), header + 32, 16);
        packet.offset = start;
        packet.length = length;
        Md5 md5;
        if (type == PacketType::RecvSlic) {
            packet.exponent = Get32(header + 64);
            for (std::uint64_t done = 32; done < length;) {
                const std::size_t n =
                    static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, length - done));
                if (!ReadFully(source, window.get(), n, start + static_cast<std::int64_t>(done)))
                    return false;
                md5.Update(window.get(), n);
                done += n;
            }
        } else {
            packet.body.resize(length - kHeaderSize);
            if (!ReadFully(source, packet.body.data(), packet.body.size(), start + kHeaderSize))
                return false;
            md5.Update(header + 32, 32);
            md5.Update(packet.body.data(), packet.body.size());
        }
        const Md5Digest digest = md5.Final();
        if (std::memcmp(digest.data(), header + 16, 16) != 0)
            continue;
        at = start + static_cast<std::int64_t>(length);
        accept(context, std::move(packet));
    }
    return true;
}

} // namespace portelan::par2
