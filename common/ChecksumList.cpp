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

bool IsPlainName(const std::string& name)
{
    return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
}

// Folds the entries of a list into the results for the wanted names.
class ListReader {
  public:
    explicit ListReader(const std::vector<std::string>& wanted) : m_results(wanted.size())
    {
        for (std::size_t i = 0; i < wanted.size(); ++i)
            m_index.emplace_back(wanted[i], i);
        std::sort(m_index.begin(), m_index.end());
        m_conflict.assign(wanted.size(), false);
    }

    void Feed(const char* data, std::size_t n)
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

    std::vector<std::optional<std::uint32_t>> Finish()
    {
        if (!m_bOverlong)
            Line(m_line);
        for (std::size_t i = 0; i < m_results.size(); ++i)
            if (m_conflict[i])
                m_results[i].reset();
        return std::move(m_results);
    }

  private:
    void Line(std::string line)
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
        std::string name = line.substr(0, blank);
        if (!crc || !IsPlainName(name))
            return;
        auto at = std::lower_bound(m_index.begin(), m_index.end(), std::make_pair(name, std::size_t{0}));
        for (; at != m_index.end() && at->first == name; ++at) {
            std::optional<std::uint32_t>& result = m_results[at->second];
            if (result && *result != *crc)
                m_conflict[at->second] = true;
            result = crc;
        }
    }

    std::vector<std::pair<std::string, std::size_t>> m_index; // sorted by name
    std::vector<std::optional<std::uint32_t>> m_results;
    std::vector<bool> m_conflict;
    std::string m_line;
    bool m_bOverlong = false;
};

} // namespace

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
ReadChecksumList(const std::string& path, const std::vector<std::string>& wanted)
{
    platform::File file;
    if (!file.Open(path, platform::File::Mode::Read))
        return std::nullopt;
    std::unique_ptr<char[]> block(new (std::nothrow) char[kReadBlock]);
    if (!block)
        return std::nullopt;
    ListReader reader(wanted);
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
