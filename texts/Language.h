// The language of the user interface: chosen once at start, before any
// thread runs, from the system's user-interface language.
#pragma once

#include <string_view>

namespace portelan {

enum class Language : unsigned char { German, English };
inline constexpr int kLanguageCount = 2;

// German for any German tag ("de", "de_AT.UTF-8", "de-CH"), and where none
// is set or it is C/POSIX, so that scripts keep the texts they know;
// English for any other language.
Language LanguageForTag(std::string_view tag);

void SetLanguage(Language language);
Language CurrentLanguage();

// One entry of a catalogue: its text, and for a text about a number the
// form for any count other than one (German and English need no more).
struct TextEntry {
    const char* text;
    const char* plural = nullptr;
};

// The form of entry for count, by the rule of the current language.
const char* PluralForm(const TextEntry& entry, unsigned long long count);

} // namespace portelan
