#include "common/SplitSet.h"

#include <algorithm>
#include <cstring>

#include "common/StrFormat.h"
#include "common/TextEncoding.h"
#include "platform/Platform.h"

namespace portelan {

namespace {

constexpr std::size_t kOffType = 0;
constexpr std::size_t kOffReserved1 = 4;
constexpr std::size_t kOffSourceSize = 8;
constexpr std::size_t kOffExtension = 16;
constexpr std::size_t kOffBaseName = 272;
constexpr std::size_t kOffCount = 528;
constexpr std::size_t kOffReserved2 = 532;

constexpr std::array<unsigned char, 4> kChecksumMarker{'P', 'C', '3', '2'};
constexpr std::array<unsigned char, 4> kUtf8ChecksumMarker{'P', 'U', '3', '2'};

void PutLE(unsigned char* at, std::uint64_t value, std::size_t bytes)
{
    for (std::size_t i = 0; i < bytes; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint64_t GetLE(const unsigned char* at, std::size_t bytes)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i)
        value |= static_cast<std::uint64_t>(at[i]) << (8 * i);
    return value;
}

// Bounded copy: the text's bytes, NUL up to the end; no NUL when it fills the field.
void FillText(std::array<char, CSplitConfig::kTextSize>& field, const std::string& text)
{
    field.fill('\0');
    std::memcpy(field.data(), text.data(), std::min(text.size(), field.size()));
}

std::string FieldText(const std::array<char, CSplitConfig::kTextSize>& field)
{
    const char* end = static_cast<const char*>(std::memchr(field.data(), '\0', field.size()));
    return std::string(field.data(), end ? end : field.data() + field.size());
}

} // namespace

SourceNameParts SplitSourceName(const std::string& fileName)
{
    std::string::size_type dot = fileName.rfind('.');
    if (dot == std::string::npos)
        return {fileName, "xxx"};
    return {fileName.substr(0, dot), fileName.substr(dot + 1)};
}

std::string PieceFileName(const std::string& targetDir, const std::string& baseName, int index)
{
    return targetDir + baseName + StrFormat(".%.3d", index);
}

std::optional<int> PieceNumberOfExtension(const std::string& extension)
{
    if (extension.empty() || extension.size() > 9)
        return std::nullopt;
    int number = 0;
    for (char c : extension) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

std::string ConfigFileName(const std::string& targetDir, const std::string& baseName)
{
    return targetDir + "_" + baseName + ".cfg";
}

std::string JoinerFileName(const std::string& targetDir, const std::string& baseName)
{
    return LinuxJoinerFileName(targetDir, baseName) + ".exe";
}

std::string LinuxJoinerFileName(const std::string& targetDir, const std::string& baseName)
{
    return targetDir + "_" + baseName;
}

StoredNames EncodeNames(const std::string& baseName, const std::string& extension)
{
    if (!IsValidUtf8(baseName) || !IsValidUtf8(extension)) {
        // Bytes that are no UTF-8 come from a Linux file system that names
        // its files otherwise. They go in as they are, without "PU32", which
        // would claim UTF-8 falsely: our joiner on such a system finds the
        // pieces by these very bytes, and other joiners read Windows-1252.
        return {baseName, extension, NameEncoding::Windows1252};
    }
    std::optional<std::string> base = Utf8ToWindows1252(baseName);
    std::optional<std::string> ext = Utf8ToWindows1252(extension);
    if (base && ext)
        return {std::move(*base), std::move(*ext), NameEncoding::Windows1252};
    return {baseName, extension, NameEncoding::Utf8};
}

std::optional<std::string> DecodeName(const std::string& stored, NameEncoding encoding)
{
    if (encoding == NameEncoding::Windows1252)
        return Windows1252ToUtf8(stored);
    if (!IsValidUtf8(stored))
        return std::nullopt;
    return stored;
}

bool StoredNames::Fit() const
{
    const std::size_t limit =
        encoding == NameEncoding::Utf8 ? CSplitConfig::kTextSize - 1 : CSplitConfig::kTextSize;
    return baseName.size() <= limit && extension.size() <= limit;
}

bool StoredNames::Readable() const
{
    return DecodeName(baseName, encoding) && DecodeName(extension, encoding);
}

CSplitConfig::CSplitConfig(std::int32_t count, const std::string& baseName, const std::string& extension,
                           std::int64_t sourceSize)
    : m_nTypeWord(kTypeWord), m_nSourceSize(sourceSize), m_nCount(count)
{
    FillText(m_szExtension, extension);
    FillText(m_szBaseName, baseName);
}

CSplitConfig CSplitConfig::ForSet(std::int32_t count, const std::string& baseName,
                                  const std::string& extension, std::int64_t sourceSize, std::uint32_t crc)
{
    StoredNames names = EncodeNames(baseName, extension);
    if (names.encoding == NameEncoding::Utf8) {
        names.baseName.resize(Utf8PrefixLength(names.baseName, kTextSize - 1));
        names.extension.resize(Utf8PrefixLength(names.extension, kTextSize - 1));
    }
    CSplitConfig record(count, names.baseName, names.extension, sourceSize);
    record.m_reserved1 = names.encoding == NameEncoding::Utf8 ? kUtf8ChecksumMarker : kChecksumMarker;
    record.m_nReserved2 = crc;
    return record;
}

CSplitConfig::Image CSplitConfig::Serialize() const
{
    Image image{};
    PutLE(&image[kOffType], m_nTypeWord, 4);
    std::memcpy(&image[kOffReserved1], m_reserved1.data(), 4);
    PutLE(&image[kOffSourceSize], static_cast<std::uint64_t>(m_nSourceSize), 8);
    std::memcpy(&image[kOffExtension], m_szExtension.data(), kTextSize);
    std::memcpy(&image[kOffBaseName], m_szBaseName.data(), kTextSize);
    PutLE(&image[kOffCount], static_cast<std::uint32_t>(m_nCount), 4);
    PutLE(&image[kOffReserved2], m_nReserved2, 4);
    return image;
}

void CSplitConfig::Deserialize(const unsigned char* data, std::size_t length)
{
    // Bytes missing from a short image read as those of an empty record.
    Image image = CSplitConfig().Serialize();
    std::memcpy(image.data(), data, std::min(length, kSize));
    m_nTypeWord = static_cast<std::uint32_t>(GetLE(&image[kOffType], 4));
    std::memcpy(m_reserved1.data(), &image[kOffReserved1], 4);
    m_nSourceSize = static_cast<std::int64_t>(GetLE(&image[kOffSourceSize], 8));
    std::memcpy(m_szExtension.data(), &image[kOffExtension], kTextSize);
    std::memcpy(m_szBaseName.data(), &image[kOffBaseName], kTextSize);
    m_nCount = static_cast<std::int32_t>(static_cast<std::uint32_t>(GetLE(&image[kOffCount], 4)));
    m_nReserved2 = static_cast<std::uint32_t>(GetLE(&image[kOffReserved2], 4));
}

bool CSplitConfig::Write(platform::File& file) const
{
    Image image = Serialize();
    return file.Write(image.data(), image.size());
}

bool CSplitConfig::Read(platform::File& file)
{
    Image image{};
    std::size_t have = 0;
    while (have < kSize) {
        std::int64_t got = file.Read(image.data() + have, kSize - have);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    Deserialize(image.data(), have);
    return true;
}

std::string CSplitConfig::BaseName() const { return FieldText(m_szBaseName); }

std::string CSplitConfig::Extension() const { return FieldText(m_szExtension); }

NameEncoding CSplitConfig::StoredNameEncoding() const
{
    return m_reserved1 == kUtf8ChecksumMarker ? NameEncoding::Utf8 : NameEncoding::Windows1252;
}

std::optional<std::string> CSplitConfig::DecodedBaseName() const
{
    return DecodeName(BaseName(), StoredNameEncoding());
}

std::optional<std::string> CSplitConfig::DecodedExtension() const
{
    return DecodeName(Extension(), StoredNameEncoding());
}

void CSplitConfig::SetChecksum(std::uint32_t crc)
{
    if (m_reserved1 != kUtf8ChecksumMarker)
        m_reserved1 = kChecksumMarker;
    m_nReserved2 = crc;
}

bool CSplitConfig::HasChecksum() const
{
    return m_reserved1 == kChecksumMarker || m_reserved1 == kUtf8ChecksumMarker;
}

} // namespace portelan
