#include "texts/JoinerTexts.h"

#include "texts/CatalogueTable.h"

namespace portelan {

namespace {

#define TEXT(id, ...)
#define JOINER(id, ...) {__VA_ARGS__},
constexpr TextEntry kGerman[] = {
#include "texts/de.inc"
};
constexpr TextEntry kEnglish[] = {
#include "texts/en.inc"
};
#undef JOINER

#define JOINER(id, ...) JoinerText::id,
constexpr JoinerText kEnglishIds[] = {
#include "texts/en.inc"
};
#undef JOINER
#undef TEXT
static_assert(catalogue::InOrder(kEnglishIds), "en.inc lists the joiner's texts as de.inc does");

constexpr const TextEntry* kTables[kLanguageCount] = {kGerman, kEnglish};

} // namespace

const TextEntry& Entry(JoinerText id, Language language)
{
    return kTables[static_cast<int>(language)][static_cast<int>(id)];
}

} // namespace portelan
