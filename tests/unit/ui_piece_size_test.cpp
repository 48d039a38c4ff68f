// The piece-size window's arithmetic, without a window.
#include <gtest/gtest.h>

#include "splitter/ui/PieceSize.h"

namespace portelan {
namespace {

TEST(PieceSize, RoundTripsThroughTheWindow)
{
    struct Row {
        std::int64_t typed;
        PieceUnit unit;
        std::int64_t storedBytes;
        PieceUnit storedUnit;
        std::int64_t reopenedValue;
        PieceUnit reopenedUnit;
    };
    const Row rows[] = {
        {700, PieceUnit::Mb, 734003200, PieceUnit::Bytes, 700, PieceUnit::Mb},
        {5000, PieceUnit::Mb, 1073741824, PieceUnit::Bytes, 1024, PieceUnit::Mb},
        {1500, PieceUnit::Kb, 1536000, PieceUnit::Bytes, 1, PieceUnit::Mb},
        {1023, PieceUnit::Bytes, 1023, PieceUnit::Bytes, 1023, PieceUnit::Bytes},
        {2000000000, PieceUnit::Bytes, 1073741824, PieceUnit::Bytes, 1024, PieceUnit::Mb},
        {1024, PieceUnit::Bytes, 1024, PieceUnit::Bytes, 1, PieceUnit::Kb},
        {2000000, PieceUnit::Kb, 1073741824, PieceUnit::Bytes, 1024, PieceUnit::Mb},
        {0, PieceUnit::Mb, 0, PieceUnit::Bytes, 0, PieceUnit::Bytes},
        {-5, PieceUnit::Kb, -5120, PieceUnit::Bytes, -5120, PieceUnit::Bytes},
        {12345, PieceUnit::Disk, 1457664, PieceUnit::Disk, 1457664, PieceUnit::Disk},
        // Presets are not held to the cap of typed sizes; a count is kept as typed.
        {1, PieceUnit::Fat32, 4294967295, PieceUnit::Fat32, 4294967295, PieceUnit::Fat32},
        {5000, PieceUnit::Count, 5000, PieceUnit::Count, 5000, PieceUnit::Count},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.typed << " unit " << static_cast<int>(row.unit));
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
    EXPECT_EQ(PieceSizeText({1457664, PieceUnit::Disk}), "1457664 [1.4 MB]");
    EXPECT_EQ(PieceSizeText({734003200, PieceUnit::Bytes}), "734003200 [700.0 MB]");
    EXPECT_EQ(PieceSizeText({4294967295, PieceUnit::Fat32}), "4294967295 [4.0 GB]");
    EXPECT_EQ(PieceSizeText({0, PieceUnit::Bytes}), "0 [0 Bytes]");
    EXPECT_EQ(PieceSizeText({3, PieceUnit::Count}), "Anzahl der Teilstücke: 3");
    // As the Windows C runtime's atoi reads them: beyond a 32-bit int they
    // saturate (glibc's atoi makes "4294967297" 1).
    const struct {
        const char* text;
        std::int64_t value;
    } typed[] = {
        {"  42abc", 42},
        {"-7", -7},
        {"+7", 7},
        {"abc", 0},
        {"", 0},
        {"- 7", 0},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"4294967297", 2147483647},
        {"99999999999999999999999", 2147483647},
        {"-2147483648", -2147483648LL},
        {"-4294967297", -2147483648LL},
    };
    for (const auto& t : typed)
        EXPECT_EQ(ParseTypedNumber(t.text), t.value) << t.text;
    // The overflowing number through OK: 1 GiB pieces.
    EXPECT_EQ(
        PieceSizeFromWindow(CapPieceValue(ParseTypedNumber("4294967297"), PieceUnit::Bytes), PieceUnit::Bytes)
            .value,
        std::int64_t{1} << 30);
}

} // namespace
} // namespace portelan
