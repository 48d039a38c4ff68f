// The checksum list "_<base>.sfv" beside a set: the CRC-32 of every piece in
// the widely read SFV format, so that a damaged piece can be named (by our
// joiners, by "portelan-cli verify" and by other tools such as cksfv).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/SplitSet.h"

namespace portelan {

// "<T>_<B>.sfv"
std::string ChecksumListFileName(const std::string& targetDir, const std::string& baseName);

struct PieceChecksum {
    std::string name; // the piece's file name without directory
    std::uint32_t crc = 0;
};

// The list's text: a comment line naming the program, then "<name> <CRC>"
// per piece with eight upper-case hexadecimal digits; CRLF line ends.
std::string FormatChecksumList(const std::string& program, const std::vector<PieceChecksum>& pieces);

// A list names a piece by its three-digit suffix, so it can give sums for
// pieces 1 ... 999 only, however many pieces a record claims.
inline constexpr int kMaxListedPieces = kMaxPieces;

// Folds the text of a list, fed in blocks of any size, into the sums of
// pieces 1 ... min(count, kMaxListedPieces) of baseName (index 0 for the
// first), by the rules of ReadChecksumList below.
class ChecksumListReader {
  public:
    ChecksumListReader(const std::string& baseName, int count);
    void Feed(const char* data, std::size_t n);
    std::vector<std::optional<std::uint32_t>> Finish();

  private:
    std::optional<std::size_t> PieceOf(const std::string& name) const;
    void Line(std::string line);

    std::string m_prefix;
    std::vector<std::optional<std::uint32_t>> m_results;
    std::vector<bool> m_conflict;
    std::string m_line;
    bool m_bOverlong = false;
};

// The CRC-32 of pieces 1 ... min(count, kMaxListedPieces) of baseName
// (index 0 for the first), as the list at path gives them; nullopt for the
// whole when the list cannot be opened. A list is outside input: it is read
// in blocks and only its first kMaxChecksumListBytes, lines longer than a
// name can be are skipped, and comment lines, malformed lines and lines that
// name no piece of the set are ignored. A piece listed twice with different values counts as not listed.
inline constexpr std::int64_t kMaxChecksumListBytes = 4 << 20;
std::optional<std::vector<std::optional<std::uint32_t>>>
ReadChecksumList(const std::string& path, const std::string& baseName, int count);

} // namespace portelan
