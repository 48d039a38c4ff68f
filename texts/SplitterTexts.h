// The texts of the splitters (engine, windows, command line, update check).
// Their German and English entries are in de.inc and en.inc under TEXT.
#pragma once

#include "texts/JoinerTexts.h"

namespace portelan {

enum class Text : unsigned short {
#define JOINER(id, ...)
#define TEXT(id, ...) id,
#include "texts/de.inc"
#undef JOINER
#undef TEXT
    Count
};

const TextEntry& Entry(Text id, Language language = CurrentLanguage());

inline const char* Tr(Text id) { return Entry(id).text; }
inline const char* Tr(Text id, unsigned long long count) { return PluralForm(Entry(id), count); }

} // namespace portelan
