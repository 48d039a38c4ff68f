// The whole update manifest as the update check reads its downloaded copy:
// in blocks of any size it must give the entries of the whole text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <fuzzer/FuzzedDataProvider.h>

#include "splitter/update/UpdateCheck.h"
#include "splitter/update/UpdateEntry.h"

namespace {

bool SameEntries(const portelan::UpdateList& a, const portelan::UpdateList& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].version != b[i].version || a[i].releaseDate != b[i].releaseDate ||
            a[i].sizeUnit != b[i].sizeUnit || a[i].size != b[i].size || a[i].directory != b[i].directory ||
            a[i].fileName != b[i].fileName)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace portelan;
    FuzzedDataProvider provider(data, size);
    const std::size_t block = provider.ConsumeIntegralInRange<std::size_t>(1, 3000);
    const std::string text = provider.ConsumeRemainingBytesAsString();

    ManifestReader reader;
    for (std::size_t at = 0; at < text.size(); at += block)
        reader.Feed(std::string_view(text).substr(at, block));
    const UpdateList list = reader.Finish();
    if (list.size() > kManifestEntryMax || !SameEntries(list, ParseManifest(text)))
        __builtin_trap();
    FindEntry(kUpdateName, list);
    return 0;
}
