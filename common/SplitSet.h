// The split set on disk: the names of its members and the configuration record.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace portelan {

namespace platform {
class File;
}

// Base name B and extension E of a source file name: split at the last dot;
// a name without a dot keeps its whole text as B and gets the extension "xxx".
struct SourceNameParts {
    std::string baseName;
    std::string extension;
};
SourceNameParts SplitSourceName(const std::string& fileName);

// "<T><B>.<k>" with k written with at least three digits (001 ... 999).
std::string PieceFileName(const std::string& targetDir, const std::string& baseName, int index);
// The piece number an extension spells ("001" gives 1), or nullopt when it is
// no plain number. A file named like this would share its name with a piece.
std::optional<int> PieceNumberOfExtension(const std::string& extension);
// "<T>_<B>.cfg"
std::string ConfigFileName(const std::string& targetDir, const std::string& baseName);
// "<T>_<B>.exe"
std::string JoinerFileName(const std::string& targetDir, const std::string& baseName);
// "<targetDir>_<baseName>": the Linux joiner beside the Windows one. Like
// every joiner it finds its configuration file from its own name.
std::string LinuxJoinerFileName(const std::string& targetDir, const std::string& baseName);

// The 536-byte configuration record. Its image is little-endian with fixed
// offsets, written and read field by field so that it never depends on the
// compiler's struct layout:
//   0 type word, 4 reserved, 8 source size, 16 extension[256],
//   272 base name[256], 528 piece count, 532 reserved.
// Our writer puts "PC32" into the first reserved field and the CRC-32 of all
// piece bytes into the second; readers of other makes ignore both.
class CSplitConfig {
  public:
    static constexpr std::size_t kSize = 536;
    static constexpr std::size_t kTextSize = 256;
    static constexpr std::uint32_t kTypeWord = 0x0040A444;
    using Image = std::array<unsigned char, kSize>;

    CSplitConfig() = default;
    CSplitConfig(std::int32_t count, const std::string& baseName, const std::string& extension,
                 std::int64_t sourceSize);
    CSplitConfig(const CSplitConfig&) = default;
    CSplitConfig& operator=(const CSplitConfig&) = default;
    virtual ~CSplitConfig() = default;

    Image Serialize() const;
    // Fills the record from the first bytes of an image; fields beyond
    // `length` get the defaults of an empty record (count 0, size 0, NUL
    // texts), bytes beyond 536 are ignored.
    void Deserialize(const unsigned char* data, std::size_t length);

    // Writes the 536 bytes; false when the write fails.
    bool Write(platform::File& file) const;
    // Reads up to 536 bytes from the start position; false on a read error.
    bool Read(platform::File& file);

    // Text of a field: its bytes up to the first NUL or the end of the field.
    std::string BaseName() const;
    std::string Extension() const;

    // Marks the record as carrying the CRC-32 of the pieces.
    void SetChecksum(std::uint32_t crc);
    bool HasChecksum() const;
    std::uint32_t Checksum() const { return m_nReserved2; }

    std::uint32_t m_nTypeWord = 0;
    std::array<unsigned char, 4> m_reserved1{};
    std::int64_t m_nSourceSize = 0;
    std::array<char, kTextSize> m_szExtension{};
    std::array<char, kTextSize> m_szBaseName{};
    std::int32_t m_nCount = 0;
    std::uint32_t m_nReserved2 = 0;
};

} // namespace portelan
