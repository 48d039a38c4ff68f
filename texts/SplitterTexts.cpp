#include "texts/SplitterTexts.h"

#include "texts/CatalogueTable.h"

namespace portelan {

namespace {

#define JOINER(id, ...)
#define TEXT(id, ...) {__VA_ARGS__},
constexpr TextEntry kGerman[] = {
#include "texts/de.inc"
};
constexpr TextEntry kEnglish[] = {
#include "texts/en.inc"
};
#undef TEXT

#define TEXT(id, ...) Text::id,
constexpr Text kEnglishIds[] = {
#include "texts/en.inc"
};
#undef JOINER
#undef TEXT
static_assert(catalogue::InOrder(kEnglishIds), "en.inc lists the splitter's texts as de.inc does");

constexpr const TextEntry* kTables[kLanguageCount] = {kGerman, kEnglish};

} // namespace

const TextEntry& Entry(Text id, Language language)
{
    return kTables[static_cast<int>(language)][static_cast<int>(id)];
}

} // namespace portelan
