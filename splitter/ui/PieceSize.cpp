#include "splitter/ui/PieceSize.h"

#include <cstdlib>

#include "common/Helpers.h"
#include "common/StrFormat.h"
#include "splitter/engine/SplitEngine.h"

namespace portelan {

PieceSizeValue PieceSizeForWindow(std::int64_t pieceSize, int sizeUnit)
{
    if (sizeUnit == UNIT_DISK)
        return {pieceSize, UNIT_DISK};
    PieceSizeValue shown{pieceSize, UNIT_BYTES};
    while (shown.value >= 1024 && shown.unit < UNIT_MB) {
        shown.value /= 1024;
        ++shown.unit;
    }
    return shown;
}

std::int64_t CapPieceValue(std::int64_t value, int unit)
{
    std::int64_t cap = 0;
    switch (unit) {
    case UNIT_BYTES:
        cap = std::int64_t{1} << 30;
        break;
    case UNIT_KB:
        cap = std::int64_t{1} << 20;
        break;
    case UNIT_MB:
        cap = 1024;
        break;
    default:
        return value;
    }
    return value > cap ? cap : value;
}

PieceSizeValue PieceSizeFromWindow(std::int64_t value, int unit)
{
    if (unit == UNIT_DISK)
        return {kDiskPieceSize, UNIT_DISK};
    while (unit > UNIT_BYTES) {
        value *= 1024;
        --unit;
    }
    return {value, UNIT_BYTES};
}

std::string PieceSizeText(std::int64_t pieceSize)
{
    return StrFormat("%d [%s]", static_cast<int>(pieceSize), FormatSize(pieceSize).c_str());
}

std::int64_t ParseTypedNumber(const std::string& text) { return std::atoi(text.c_str()); }

} // namespace portelan
