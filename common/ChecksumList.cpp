#include "common/ChecksumList.h"

#include <algorithm>
#include <memory>
#include <new>

#include "common/StrFormat.h"
#include "platform/Platform.h"

namespace portelan {

namespace {

// A file name of 255 bytes, a blank and eight digits fit with room to spare.
constexpr std::size_t kMaxLine = 1024;
constexpr std::size_t kReadBlock = 64 << 10;

std::optional<std::uint32_t> ParseHex8(const std::string& text)
{
    if (text.size() != 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// Not one slot per piece a hostile record claims: a count of two billion
// would ask for gigabytes.
std::size_t ListedPieces(int count)
{
    return static_cast<std::size_t>(std::clamp(count, 0, kMaxListedPieces));
}

} // namespace

ChecksumListReader::ChecksumListReader(const std::string& baseName, int count)
    : m_prefix(baseName + "."), m_results(ListedPieces(count)), m_conflict(ListedPieces(count), false)
{
}

void ChecksumListReader::Feed(const char* data, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        if (data[i] == '\n') {
            if (!m_bOverlong)
                Line(m_line);
            m_line.clear();
            m_bOverlong = false;
        } else if (m_line.size() < kMaxLine) {
            m_line += data[i];
        } else {
            m_bOverlong = true;
        }
    }
}

std::vector<std::optional<std::uint32_t>> ChecksumListReader::Finish()
{
    if (!m_bOverlong)
        Line(m_line);
    for (std::size_t i = 0; i < m_results.size(); ++i)
        if (m_conflict[i])
            m_results[i].reset();
    return std::move(m_results);
}

// The piece a name stands for: "<base>." and three digits, 1 ... count.
std::optional<std::size_t> ChecksumListReader::PieceOf(const std::string& name) const
{
    if (name.size() != m_prefix.size() + 3 || name.compare(0, m_prefix.size(), m_prefix) != 0)
        return std::nullopt;
    std::size_t k = 0;
    for (std::size_t i = m_prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return std::nullopt;
        k = k * 10 + static_cast<std::size_t>(name[i] - '0');
    }
    if (k < 1 || k > m_results.size())
        return std::nullopt;
    return k - 1;
}

void ChecksumListReader::Line(std::string line)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.empty() || line.front() == ';')
        return;
    // The name may hold blanks: the value follows the last one.
    const std::string::size_type blank = line.rfind(' ');
    if (blank == std::string::npos)
        return;
    std::optional<std::uint32_t> crc = ParseHex8(line.substr(blank + 1));
    std::optional<std::size_t> piece = PieceOf(line.substr(0, blank));
    if (!crc || !piece)
        return;
    std::optional<std::uint32_t>& result = m_results[*piece];
    if (result && *result != *crc)
        m_conflict[*piece] = true;
    result = crc;
}

std::string ChecksumListFileName(const std::string& targetDir, const std::string& baseName)
{
    return targetDir + "_" + baseName + ".sfv";
}

std::string FormatChecksumList(const std::string& program, const std::vector<PieceChecksum>& pieces)
{
    std::string text = "; " + program + "\r\n";
    for (const PieceChecksum& piece : pieces)
        text += piece.name + StrFormat(" %08X", static_cast<unsigned>(piece.crc)) + "\r\n";
    return text;
}

std::optional<std::vector<std::optional<std::uint32_t>>>
ReadChecksumList(const std::string& path, const std::string& baseName, int count)
{
    platform::File file;
    if (!file.Open(path, platform::File::Mode::Read))
        return std::nullopt;
    std::unique_ptr<char[]> block(new (std::nothrow) char[kReadBlock]);
    if (!block)
        return std::nullopt;
    ChecksumListReader reader(baseName, count);
    for (std::int64_t total = 0; total < kMaxChecksumListBytes;) {
        std::int64_t got = file.Read(block.get(), kReadBlock);
        if (got <= 0)
            break;
        got = std::min(got, kMaxChecksumListBytes - total);
        reader.Feed(block.get(), static_cast<std::size_t>(got));
        total += got;
    }
    return reader.Finish();
}

} // namespace portelan
