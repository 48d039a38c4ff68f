// The texts of the joiners and of the code both sides share. Their German
// and English entries are in de.inc and en.inc under JOINER.
#pragma once

#include "texts/Language.h"

namespace portelan {

enum class JoinerText : unsigned short {
// Windows' own TEXT macro (winnt.h) is set aside while the list is read.
#pragma push_macro("TEXT")
#undef TEXT
#define JOINER(id, ...) id,
#define TEXT(id, ...)
#include "texts/de.inc"
#undef JOINER
#undef TEXT
#pragma pop_macro("TEXT")
    Count
};

// The entry in the current language, or in the one given.
TextEntry Entry(JoinerText id, Language language = CurrentLanguage());

inline const char* Tr(JoinerText id) { return Entry(id).text; }
inline const char* Tr(JoinerText id, unsigned long long count) { return PluralForm(Entry(id), count); }

} // namespace portelan
