#include "texts/JoinerTexts.h"

#include <cstddef>
#include <cstdint>

#include "texts/CatalogueTable.h"

namespace portelan {

namespace {

// Read at compile time only; the joiners carry the texts packed (below).
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

// One language's texts in one array of characters, each found by its
// offset. The joiners travel in every set: a table of pointers would cost
// them a relocation per text besides the pointer (a position-independent
// program fixes each up at load time), offsets cost two bytes.
constexpr std::uint16_t kNoPlural = 0xFFFF;

constexpr std::size_t Length(const char* text)
{
    std::size_t n = 0;
    while (text[n] != '\0')
        ++n;
    return n;
}

template <std::size_t N> constexpr std::size_t PackedSize(const TextEntry (&entries)[N])
{
    std::size_t size = 0;
    for (const TextEntry& entry : entries)
        size += Length(entry.text) + 1 + (entry.plural ? Length(entry.plural) + 1 : 0);
    return size;
}

template <std::size_t Size, std::size_t N> struct Packed {
    static_assert(Size < kNoPlural, "the offsets fit in 16 bits");
    char chars[Size];
    std::uint16_t text[N];
    std::uint16_t plural[N];
};

template <std::size_t Size, std::size_t N> constexpr Packed<Size, N> Pack(const TextEntry (&entries)[N])
{
    Packed<Size, N> packed{};
    std::size_t at = 0;
    auto put = [&](const char* text) {
        const auto start = static_cast<std::uint16_t>(at);
        for (std::size_t i = 0; text[i] != '\0'; ++i)
            packed.chars[at++] = text[i];
        packed.chars[at++] = '\0';
        return start;
    };
    for (std::size_t i = 0; i < N; ++i) {
        packed.text[i] = put(entries[i].text);
        packed.plural[i] = entries[i].plural ? put(entries[i].plural) : kNoPlural;
    }
    return packed;
}

constexpr auto kGermanPacked = Pack<PackedSize(kGerman)>(kGerman);
constexpr auto kEnglishPacked = Pack<PackedSize(kEnglish)>(kEnglish);

struct PackedView {
    const char* chars;
    const std::uint16_t* text;
    const std::uint16_t* plural;
};
constexpr PackedView kTables[kLanguageCount] = {
    {kGermanPacked.chars, kGermanPacked.text, kGermanPacked.plural},
    {kEnglishPacked.chars, kEnglishPacked.text, kEnglishPacked.plural},
};

} // namespace

TextEntry Entry(JoinerText id, Language language)
{
    const PackedView& table = kTables[static_cast<int>(language)];
    const auto i = static_cast<std::size_t>(id);
    return {table.chars + table.text[i],
            table.plural[i] == kNoPlural ? nullptr : table.chars + table.plural[i]};
}

} // namespace portelan
