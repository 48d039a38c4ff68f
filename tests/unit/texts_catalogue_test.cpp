// The catalogue: every language fills every entry, keeps the German
// entry's printf directives in number, order and kind, and has a plural
// exactly where German has one; and the language chosen from a tag.
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "texts/SplitterTexts.h"

namespace portelan {
namespace {

// The directives of a format, each reduced to its conversion and length
// ("s", "d", "llu", "%"): flags, width and precision may differ by language.
std::vector<std::string> Directives(std::string_view format)
{
    std::vector<std::string> found;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        std::size_t j = i + 1;
        while (j < format.size() &&
               std::string_view("-+ #0123456789.*").find(format[j]) != std::string_view::npos)
            ++j;
        std::size_t start = j;
        while (j < format.size() && std::string_view("hlzjt").find(format[j]) != std::string_view::npos)
            ++j;
        if (j < format.size())
            found.emplace_back(format.substr(start, j + 1 - start));
        i = j;
    }
    return found;
}

template <typename Id> void ExpectEveryLanguageMatchesGerman(const char* part)
{
    for (int i = 0; i < static_cast<int>(Id::Count); ++i) {
        const TextEntry& german = Entry(static_cast<Id>(i), Language::German);
        ASSERT_NE(german.text, nullptr) << part << " entry " << i;
        for (Language language : {Language::English}) {
            const TextEntry& other = Entry(static_cast<Id>(i), language);
            SCOPED_TRACE(std::string(part) + " entry " + std::to_string(i) + ": " + german.text);
            ASSERT_NE(other.text, nullptr);
            EXPECT_EQ(*other.text == '\0', *german.text == '\0');
            EXPECT_EQ(Directives(other.text), Directives(german.text));
            EXPECT_EQ(other.plural != nullptr, german.plural != nullptr);
            if (german.plural != nullptr && other.plural != nullptr) {
                EXPECT_EQ(Directives(german.plural), Directives(german.text));
                EXPECT_EQ(Directives(other.plural), Directives(german.text));
            }
        }
    }
}

TEST(Catalogue, EveryLanguageHasEveryTextWithTheGermanDirectives)
{
    ExpectEveryLanguageMatchesGerman<JoinerText>("joiner");
    ExpectEveryLanguageMatchesGerman<Text>("splitter");
}

TEST(Catalogue, DirectivesAreReadWithTheirLengths)
{
    EXPECT_EQ(Directives("%s von %5.1f%% (%llu) %-3d"),
              (std::vector<std::string>{"s", "f", "%", "llu", "d"}));
}

TEST(Catalogue, LanguageComesFromTheTag)
{
    const struct {
        const char* tag;
        Language language;
    } cases[] = {
        {"", Language::German},           {"C", Language::German},      {"POSIX", Language::German},
        {"C.UTF-8", Language::German},    {"de", Language::German},     {"de_DE.UTF-8", Language::German},
        {"de_AT@euro", Language::German}, {"de-CH", Language::German},  {"en_US.UTF-8", Language::English},
        {"fr_FR", Language::English},     {"dz_BT", Language::English}, {"den", Language::English},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LanguageForTag(c.tag), c.language) << c.tag;
}

TEST(Catalogue, PluralFollowsTheCountAndTheLanguage)
{
    SetLanguage(Language::English);
    EXPECT_STREQ(Tr(Text::PieceCount, 1), "%d piece");
    EXPECT_STREQ(Tr(Text::PieceCount, 0), "%d pieces");
    SetLanguage(Language::German);
    EXPECT_STREQ(Tr(Text::PieceCount, 1), "%d Teilstück");
    EXPECT_STREQ(Tr(Text::PieceCount, 3), "%d Teilstücke");
    EXPECT_STREQ(Tr(JoinerText::ErrorCaption), "Fehlermeldung");
}

} // namespace
} // namespace portelan
