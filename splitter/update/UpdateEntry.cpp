#include "splitter/update/UpdateEntry.h"

#include <limits>
#include <utility>

#include "common/FileNames.h"
#include "common/PathText.h"
#include "common/StrFormat.h"
#include "texts/SplitterTexts.h"

namespace portelan {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The leading decimal integer, as atoi reads it but clamped instead of
// overflowing.
std::int32_t LeadingInteger(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit)
            value = kLimit;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<std::int32_t>::max())
        value = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}

// Walks a line field by field. Once no ';' is left, every later field is
// missing too.
class FieldCursor {
  public:
    explicit FieldCursor(std::string_view line) : m_rest(line) {}

    // What follows the last field taken, and how many were taken.
    std::string_view Rest() const { return m_rest; }
    int Taken() const { return m_nTaken; }

    std::optional<std::string_view> Next()
    {
        std::size_t end = m_rest.find(';');
        if (end == std::string_view::npos)
            return std::nullopt;
        std::string_view field = m_rest.substr(0, end);
        m_rest.remove_prefix(end + 1);
        ++m_nTaken;
        return field;
    }

  private:
    std::string_view m_rest;
    int m_nTaken = 0;
};

void TakeText(FieldCursor& cursor, std::optional<std::string>& out)
{
    if (auto field = cursor.Next(); field && !field->empty())
        out = std::string(*field);
}

void TakeNumber(FieldCursor& cursor, std::int32_t& out)
{
    auto field = cursor.Next();
    out = field ? LeadingInteger(*field) : -1;
}

// "Y.M.D" with all three parts above 0; each part needs at least one
// character after its '.'.
std::optional<UpdateDate> ParseDate(std::string_view field)
{
    if (field.empty())
        return std::nullopt;
    UpdateDate date;
    date.year = LeadingInteger(field);
    if (date.year <= 0)
        return std::nullopt;
    std::size_t dot = field.find('.');
    if (dot == std::string_view::npos || dot + 1 >= field.size())
        return std::nullopt;
    std::string_view afterMonth = field.substr(dot + 1);
    date.month = LeadingInteger(afterMonth);
    if (date.month <= 0)
        return std::nullopt;
    dot = afterMonth.find('.');
    if (dot == std::string_view::npos || dot + 1 >= afterMonth.size())
        return std::nullopt;
    date.day = LeadingInteger(afterMonth.substr(dot + 1));
    if (date.day <= 0)
        return std::nullopt;
    return date;
}

bool HasControlCharacter(const std::string& text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    return false;
}

// 64 hexadecimal digits up to ';', the line end or the end of the text, in
// lower case; nullopt for anything else.
std::optional<std::string> ParseSha256(std::string_view rest)
{
    const std::string digits = ToLowerAscii(std::string(rest.substr(0, rest.find_first_of(";\r\n"))));
    if (digits.size() != 64 || digits.find_first_not_of("0123456789abcdef") != std::string::npos)
        return std::nullopt;
    return digits;
}

} // namespace

UpdateEntry ParseManifestLine(std::string_view line)
{
    UpdateEntry entry;
    FieldCursor cursor(line);
    TakeText(cursor, entry.name);
    for (std::int32_t& number : entry.version)
        TakeNumber(cursor, number);
    if (auto field = cursor.Next())
        entry.releaseDate = ParseDate(*field);
    TakeNumber(cursor, entry.sizeUnit);
    TakeNumber(cursor, entry.size);
    TakeText(cursor, entry.directory);
    TakeText(cursor, entry.fileName);
    // Only after a tenth ';': a shorter line has no eleventh field.
    constexpr int kFields = 10;
    if (cursor.Taken() == kFields)
        entry.sha256 = ParseSha256(cursor.Rest());
    return entry;
}

void AppendEntry(UpdateEntry entry, UpdateList& list) { list.push_back(std::move(entry)); }

const UpdateEntry* FindEntry(const std::string& name, const UpdateList& list)
{
    for (const UpdateEntry& entry : list)
        if (entry.name && *entry.name == name)
            return &entry;
    return nullptr;
}

std::size_t ConsumeManifestLines(std::string_view text, bool atEnd, UpdateList& list)
{
    std::size_t consumed = 0;
    while (consumed < text.size()) {
        std::string_view rest = text.substr(consumed);
        std::size_t end = rest.find('\n');
        std::size_t length = end == std::string_view::npos ? rest.size() : end + 1;
        if (length > kManifestLineMax)
            length = kManifestLineMax;
        else if (end == std::string_view::npos && !atEnd)
            break; // the rest of this line is still to come
        std::string_view line = rest.substr(0, length);
        consumed += length;
        if (line.front() != '#' && list.size() < kManifestEntryMax)
            AppendEntry(ParseManifestLine(line), list);
    }
    return consumed;
}

void ManifestReader::Feed(std::string_view block)
{
    m_pending.append(block);
    m_pending.erase(0, ConsumeManifestLines(m_pending, false, m_list));
}

UpdateList ManifestReader::Finish()
{
    ConsumeManifestLines(m_pending, true, m_list);
    m_pending.clear();
    return std::move(m_list);
}

UpdateList ParseManifest(std::string_view text)
{
    UpdateList list;
    ConsumeManifestLines(text, true, list);
    return list;
}

bool IsNewerVersion(const UpdateEntry& entry, const VersionNumbers& local)
{
    for (std::size_t i = 0; i < local.size(); ++i)
        if (entry.version[i] != local[i])
            return entry.version[i] > local[i];
    return false;
}

const char* SizeUnitName(std::int32_t unit)
{
    switch (unit) {
    case 0:
        return Tr(Text::UpdateUnitBytes);
    case 1:
        return "KB";
    case 2:
        return "MB";
    case 3:
        return "GB";
    default:
        return "???";
    }
}

bool IsDownloadable(const UpdateEntry& entry)
{
    if (!entry.fileName || entry.fileName->empty())
        return false;
    // Windows' rules everywhere: a manifest serves both systems.
    if (CheckFileName(*entry.fileName, true) != FileNameFault::None)
        return false;
    if (entry.directory) {
        const std::string& dir = *entry.directory;
        if (dir.find("..") != std::string::npos || dir.find('\\') != std::string::npos ||
            HasControlCharacter(dir))
            return false;
    }
    return true;
}

std::string FormatVersion(const VersionNumbers& version)
{
    return StrFormat("%d.%d.%d.%d", version[0], version[1], version[2], version[3]);
}

} // namespace portelan
