// The piece-size window's arithmetic, without a window.
#include <gtest/gtest.h>

#include "splitter/ui/PieceSize.h"

namespace portelan {
namespace {

TEST(PieceSize, RoundTripsThroughTheWindow)
{
    struct Row {
        std::int64_t typed;
        int unit;
        std::int64_t storedBytes;
        int storedUnit;
        std::int64_t reopenedValue;
        int reopenedUnit;
    };
    const Row rows[] = {
        {700, UNIT_MB, 734003200, UNIT_BYTES, 700, UNIT_MB},
        {5000, UNIT_MB, 1073741824, UNIT_BYTES, 1024, UNIT_MB},
        {1500, UNIT_KB, 1536000, UNIT_BYTES, 1, UNIT_MB},
        {1023, UNIT_BYTES, 1023, UNIT_BYTES, 1023, UNIT_BYTES},
        {2000000000, UNIT_BYTES, 1073741824, UNIT_BYTES, 1024, UNIT_MB},
        {1024, UNIT_BYTES, 1024, UNIT_BYTES, 1, UNIT_KB},
        {2000000, UNIT_KB, 1073741824, UNIT_BYTES, 1024, UNIT_MB},
        {0, UNIT_MB, 0, UNIT_BYTES, 0, UNIT_BYTES},
        {-5, UNIT_KB, -5120, UNIT_BYTES, -5120, UNIT_BYTES},
        {12345, UNIT_DISK, 1457664, UNIT_DISK, 1457664, UNIT_DISK},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.typed << " unit " << row.unit);
        PieceSizeValue stored = PieceSizeFromWindow(CapPieceValue(row.typed, row.unit), row.unit);
        EXPECT_EQ(stored.value, row.storedBytes);
        EXPECT_EQ(stored.unit, row.storedUnit);
        PieceSizeValue shown = PieceSizeForWindow(stored.value, stored.unit);
        EXPECT_EQ(shown.value, row.reopenedValue);
        EXPECT_EQ(shown.unit, row.reopenedUnit);
    }
}

TEST(PieceSize, MainWindowTextAndTypedNumbers)
{
    EXPECT_EQ(PieceSizeText(1457664), "1457664 [1.4 MB]");
    EXPECT_EQ(PieceSizeText(734003200), "734003200 [700.0 MB]");
    EXPECT_EQ(PieceSizeText(0), "0 [0 Bytes]");
    EXPECT_EQ(ParseTypedNumber("  42abc"), 42);
    EXPECT_EQ(ParseTypedNumber("-7"), -7);
    EXPECT_EQ(ParseTypedNumber("abc"), 0);
    EXPECT_EQ(ParseTypedNumber(""), 0);
}

} // namespace
} // namespace portelan
