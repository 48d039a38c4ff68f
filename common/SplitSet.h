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

// A set holds at most this many pieces: their numbers have three digits.
inline constexpr int kMaxPieces = 999;

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

// How a record stores its names. Without a marker of ours they are
// Windows-1252, as the format always had them; "PU32" declares UTF-8.
enum class NameEncoding { Windows1252, Utf8 };

// The bytes a record stores for a base name and an extension given as the
// programs hold names (UTF-8; on Linux whatever bytes the file system has).
struct StoredNames {
    std::string baseName;
    std::string extension;
    NameEncoding encoding = NameEncoding::Windows1252;

    // Both fit their 256-byte fields: Windows-1252 may fill a field, as the
    // format always allowed; UTF-8 keeps a NUL behind at most 255 bytes, so
    // that no reader cuts a character.
    bool Fit() const;
    // Both decode in their encoding, as a joiner will read them.
    bool Readable() const;
};
// Windows-1252 when it represents both names, so that joiners of other
// makes keep reading our sets; otherwise UTF-8. Names that are no UTF-8 are
// kept as the bytes they are (see the definition for why).
StoredNames EncodeNames(const std::string& baseName, const std::string& extension);
// The UTF-8 form of a stored text; nullopt when it is not valid in its encoding.
std::optional<std::string> DecodeName(const std::string& stored, NameEncoding encoding);

// The 536-byte configuration record. Its image is little-endian with fixed
// offsets, written and read field by field so that it never depends on the
// compiler's struct layout:
//   0 type word, 4 reserved, 8 source size, 16 extension[256],
//   272 base name[256], 528 piece count, 532 reserved.
// Our writer puts a marker into the first reserved field and the CRC-32 of
// all piece bytes into the second: "PC32" (names in Windows-1252) or "PU32"
// (names in UTF-8). Readers of other makes ignore both.
class CSplitConfig {
  public:
    static constexpr std::size_t kSize = 536;
    static constexpr std::size_t kTextSize = 256;
    static constexpr std::uint32_t kTypeWord = 0x0040A444;
    using Image = std::array<unsigned char, kSize>;

    CSplitConfig() = default;
    // Stores the names' bytes as they are given, each cut to its field.
    CSplitConfig(std::int32_t count, const std::string& baseName, const std::string& extension,
                 std::int64_t sourceSize);
    // The record our splitter writes: the names as the programs hold them,
    // stored as EncodeNames says, with the checksum and the marker of their
    // encoding. A UTF-8 name too long for its field is cut at a character
    // boundary; the plan refuses such names before a split.
    static CSplitConfig ForSet(std::int32_t count, const std::string& baseName, const std::string& extension,
                               std::int64_t sourceSize, std::uint32_t crc);
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

    // Text of a field: its stored bytes up to the first NUL or the end of
    // the field, in the record's encoding.
    std::string BaseName() const;
    std::string Extension() const;

    // UTF-8 under "PU32", otherwise Windows-1252.
    NameEncoding StoredNameEncoding() const;
    // The texts in UTF-8, decoded as StoredNameEncoding says; nullopt when
    // the stored bytes are not valid in that encoding.
    std::optional<std::string> DecodedBaseName() const;
    std::optional<std::string> DecodedExtension() const;

    // Marks the record as carrying the CRC-32 of the pieces: "PC32", or
    // "PU32" when the record declares UTF-8 names already.
    void SetChecksum(std::uint32_t crc);
    // True under either marker.
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
