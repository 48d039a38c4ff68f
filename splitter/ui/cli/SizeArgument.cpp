#include "splitter/ui/cli/SizeArgument.h"

#include <algorithm>

#include "splitter/ui/PieceSize.h"

namespace portelan {

std::optional<PieceSizeValue> ParsePieceSize(const std::string& text)
{
    if (const PiecePreset* preset = FindPiecePreset(text))
        return PieceSizeValue{preset->bytes, preset->code};
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        negative = text[pos++] == '-';
    std::size_t digitsStart = pos;
    // Saturate: anything this large is far above every cap anyway.
    constexpr std::int64_t kSaturated = std::int64_t{1} << 40;
    std::int64_t value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos++] - '0');
        if (value > kSaturated)
            value = kSaturated;
    }
    if (pos == digitsStart)
        return std::nullopt;
    PieceUnit unit = PieceUnit::Bytes;
    if (pos < text.size()) {
        char letter = text[pos++];
        if (letter == 'K' || letter == 'k')
            unit = PieceUnit::Kb;
        else if (letter == 'M' || letter == 'm')
            unit = PieceUnit::Mb;
        else
            return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;
    if (negative)
        value = -value;
    return PieceSizeFromWindow(CapPieceValue(value, unit), unit);
}

std::optional<std::int64_t> ParsePieceCount(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text)
        value = std::min<std::int64_t>(value * 10 + (c - '0'), std::int64_t{1} << 40);
    return value;
}

} // namespace portelan
