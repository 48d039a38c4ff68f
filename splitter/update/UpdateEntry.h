// The update manifest: one line per downloadable program, parsed into entries.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace portelan {

// Four version numbers, most significant first.
using VersionNumbers = std::array<std::int32_t, 4>;

struct UpdateDate {
    int year = 0;
    int month = 0;
    int day = 0;
    bool operator==(const UpdateDate&) const = default;
};

// One manifest line. Every field starts zero or empty; the manifest's
// fields are "name;v1;v2;v3;v4;date;unit;size;directory;fileName;".
struct UpdateEntry {
    std::optional<std::string> name;
    VersionNumbers version{};
    std::optional<UpdateDate> releaseDate; // kept, not used by the check
    std::int32_t sizeUnit = 0;             // 0 bytes, 1 KB, 2 MB, 3 GB
    std::int32_t size = 0;
    std::optional<std::string> directory; // below the base URL, ends in '/'
    std::optional<std::string> fileName;  // in the URL and as the local name
    // The archive's SHA-256 as 64 lower-case hexadecimal digits, from an
    // eleventh field that readers of ten fields never see.
    std::optional<std::string> sha256;
};

// The manifest in the order of its lines; owns its entries.
using UpdateList = std::vector<UpdateEntry>;

// The longest line the manifest reader takes at once; a longer one is read,
// and parsed, in pieces of this many characters.
constexpr std::size_t kManifestLineMax = 1024;
// More entries than this are dropped: the first match wins anyway, and a
// hostile manifest must not eat the memory.
constexpr std::size_t kManifestEntryMax = 10000;

// Fields are cut at ';'. A field with no ';' left after it keeps its start
// value, except numbers, which become -1. Numbers take the leading decimal
// integer (blanks skipped, optional sign, 0 without digits, clamped to the
// 32-bit range). The date is set only when year, month and day, written
// "Y.M.D", are all above 0. After the tenth ';' only an eleventh field of
// exactly 64 hexadecimal digits (ended by ';', the line end or nothing)
// counts, as the SHA-256; anything else there is ignored.
UpdateEntry ParseManifestLine(std::string_view line);

// Adds the entry at the end of the list.
void AppendEntry(UpdateEntry entry, UpdateList& list);

// The first entry whose name equals name byte for byte; entries without a
// name never match. Null when none does.
const UpdateEntry* FindEntry(const std::string& name, const UpdateList& list);

// Parses manifest text: lines end at '\n' (kept with the line) or after
// kManifestLineMax characters; lines starting with '#' are skipped; every
// other line, an empty one too, gives an entry.
UpdateList ParseManifest(std::string_view text);
// The same for text that arrives in blocks: parses the complete lines of
// text into list and returns how many characters it took; a line without
// its end stays for the next call unless atEnd is set.
std::size_t ConsumeManifestLines(std::string_view text, bool atEnd, UpdateList& list);

// The reader of the downloaded copy: takes the text in blocks of any size
// and gives, at the end, the entries ParseManifest gives for the whole.
class ManifestReader {
  public:
    void Feed(std::string_view block);
    UpdateList Finish();

  private:
    std::string m_pending; // the start of a line whose end is still to come
    UpdateList m_list;
};

// True when the entry's version is greater than local, compared number by
// number, most significant first, as signed integers.
bool IsNewerVersion(const UpdateEntry& entry, const VersionNumbers& local);

// "Byte" (in the current language), "KB", "MB", "GB" for units 0 to 3,
// "???" for any other.
const char* SizeUnitName(std::int32_t unit);

// True when the entry's fileName may be written in the program's directory
// and its directory may be put into the download URL: a name CheckFileName
// takes by Windows' rules (no separator, not "." or "..", no control
// character, no ':', device name, final dot or blank) and a directory
// without "..", backslash or control character.
bool IsDownloadable(const UpdateEntry& entry);

// "%d.%d.%d.%d".
std::string FormatVersion(const VersionNumbers& version);

} // namespace portelan
