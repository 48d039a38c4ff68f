// One line of the update manifest, parsed and then used as the update check
// uses an entry: found by name, judged downloadable, compared and shown.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "splitter/update/UpdateCheck.h"
#include "splitter/update/UpdateEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace portelan;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    UpdateList list;
    AppendEntry(ParseManifestLine(line), list);
    const UpdateEntry* entry = FindEntry(kUpdateName, list);
    if (entry && (!entry->name || *entry->name != kUpdateName))
        __builtin_trap();
    const UpdateEntry& parsed = list.front();
    // Texts are taken whole from the line and never empty.
    for (const auto* text : {&parsed.name, &parsed.directory, &parsed.fileName})
        if (*text && ((*text)->empty() || line.find(**text) == std::string_view::npos))
            __builtin_trap();
    if (parsed.releaseDate &&
        (parsed.releaseDate->year <= 0 || parsed.releaseDate->month <= 0 || parsed.releaseDate->day <= 0))
        __builtin_trap();
    if (IsDownloadable(parsed) && parsed.fileName->find('/') != std::string::npos)
        __builtin_trap();
    IsNewerVersion(parsed, VersionNumbers{2, 0, 0, 6});
    const std::string shown = FormatVersion(parsed.version) + SizeUnitName(parsed.sizeUnit);
    return shown.empty() ? 1 : 0;
}
