#include "texts/Language.h"

namespace portelan {

namespace {

// Written at start only; German until then, as for every test.
Language g_language = Language::German;

} // namespace

Language LanguageForTag(std::string_view tag)
{
    if (tag.empty() || tag == "C" || tag == "POSIX" || tag.starts_with("C.") || tag.starts_with("POSIX."))
        return Language::German;
    if (tag.starts_with("de") &&
        (tag.size() == 2 || tag[2] == '_' || tag[2] == '-' || tag[2] == '.' || tag[2] == '@'))
        return Language::German;
    return Language::English;
}

void SetLanguage(Language language) { g_language = language; }

Language CurrentLanguage() { return g_language; }

const char* PluralForm(const TextEntry& entry, unsigned long long count)
{
    // Both languages: the singular for exactly one, the plural otherwise.
    return count == 1 || entry.plural == nullptr ? entry.text : entry.plural;
}

} // namespace portelan
