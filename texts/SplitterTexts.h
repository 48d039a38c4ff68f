// The texts of the splitters (engine, windows, command line, update check).
// Their German and English entries are in de.inc and en.inc under TEXT.
#pragma once

#include "texts/JoinerTexts.h"

namespace portelan {

enum class Text : unsigned short {
// Windows' own TEXT macro (winnt.h) is set aside while the list is read.
#pragma push_macro("TEXT")
#undef TEXT
#define JOINER(id, ...)
#define TEXT(id, ...) id,
#include "texts/de.inc"
#undef JOINER
#undef TEXT
#pragma pop_macro("TEXT")
    Count
};

const TextEntry& Entry(Text id, Language language = CurrentLanguage());

inline const char* Tr(Text id) { return Entry(id).text; }
inline const char* Tr(Text id, unsigned long long count) { return PluralForm(Entry(id), count); }

} // namespace portelan
