#include "splitter/ui/cli/SizeArgument.h"

#include "splitter/engine/SplitEngine.h"
#include "splitter/ui/PieceSize.h"

namespace portelan {

std::optional<std::int64_t> ParsePieceSize(const std::string& text)
{
    if (text == "disk")
        return kDiskPieceSize;
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
    int unit = UNIT_BYTES;
    if (pos < text.size()) {
        char letter = text[pos++];
        if (letter == 'K' || letter == 'k')
            unit = UNIT_KB;
        else if (letter == 'M' || letter == 'm')
            unit = UNIT_MB;
        else
            return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;
    if (negative)
        value = -value;
    return PieceSizeFromWindow(CapPieceValue(value, unit), unit).value;
}

} // namespace portelan
