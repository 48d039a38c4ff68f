// Planning a split: piece count, the verdict and its precedence, and the
// texts the confirmation window shows.
#include <climits>
#include <cstdint>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "common/SizeText.h"
#include "platform/Platform.h"
#include "splitter/engine/SplitEngine.h"

namespace portelan::test {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t k4G = std::int64_t{1} << 32;
constexpr std::int64_t kTB = std::int64_t{1} << 40;

const char* const kEmptySource = "Fehler: Grösse der Quelldatei darf nicht Null sein.";
const char* const kNoPieceSize = "Fehler: Grösse der Zieldatei darf nicht Null sein.";
const char* const kNoCount = "Fehler: Anzahl der Zieldateien darf nicht Null sein.";
const char* const kTooMany = "Fehler: Zu viele Zieldateien (>999).";
const char* const kTooBig = "Fehler: Die Zieldateien sind zu gross.";
const char* const kSinglePiece = "Die Quelldatei ist nicht grösser als ein Einzelstück.\r\n"
                                 "Es würde nur eine einzelne Datei erzeugt.";
const char* const kNameTooLong = "Fehler: Der Name der Quelldatei ist zu lang für die Konfigurationsdatei.";
const char* const kNameUnreadable =
    "Fehler: Der Name der Quelldatei ist weder in UTF-8 noch in Windows-1252 kodiert.";

// A plan as MakePlan would make it, but with any size and count: the free
// space is the target's own.
void FillPlan(SplitPlan& plan, std::int64_t source, std::int64_t piece, int count, const std::string& target)
{
    plan.sourceSize = source;
    plan.choice = {piece, PieceUnit::Bytes};
    plan.pieceSize = piece;
    plan.count = count;
    plan.targetDir = target;
    plan.freeBytes = platform::QueryFreeSpace(target);
    plan.sourceDir = "/data/";
    plan.sourceName = "film.avi";
    plan.recoveryPieces = 0;
}

std::string FreeSpaceWarning(std::int64_t shown, const std::string& target, std::int64_t source)
{
    return "Warnung: Es sind nur noch " + FormatSize(shown) + " auf \"" + target +
           "\" frei.\r\nSie benötigen aber ca. " + FormatSize(source + kFreeSpaceReserve) + ".";
}

struct CountCase {
    std::int64_t source;
    std::int64_t piece;
    int expected;
};

TEST(EnginePlanTest, CountPiecesIsTheSmallestCountThatHoldsTheSource)
{
    const CountCase cases[] = {
        {10, 4, 3},
        {8, 4, 2},
        {5, 4, 2},
        {4, 4, 1},
        {3, 4, 1},
        {1, 1, 1},
        {2, 1, 2},
        {999 * 4, 4, 999},
        {999 * 4 + 1, 4, 1000},
        {3 * kTB, k4G - 1, 769},
        {k4G, k4G - 1, 2},
        // Empty source or no piece size: one piece, whatever the other value.
        {0, 4, 1},
        {-7, 4, 1},
        {10, 0, 1},
        {10, -4, 1},
        {0, 0, 1},
        // Far beyond 999 the count saturates instead of wrapping.
        {kTB, 1, INT_MAX},
        {INT64_MAX, 1, INT_MAX},
        {INT64_MAX, k4G - 1, INT_MAX},
        {INT64_MAX, INT64_MAX, 1},
    };
    for (const CountCase& c : cases)
        EXPECT_EQ(CountPieces(c.source, c.piece), c.expected)
            << "source " << c.source << ", piece " << c.piece;
}

struct VerdictCase {
    const char* what;
    std::int64_t source;
    std::int64_t piece;
    int count;
    std::string text;
    bool canConfirm;
};

TEST(EnginePlanTest, CheckPlanGivesTheFirstVerdictThatHolds)
{
    TempDir target; // plenty of room for the small sizes below
    const VerdictCase cases[] = {
        {"all zero", 0, 0, 0, kEmptySource, false},
        {"empty source, valid piece", 0, 4, 1, kEmptySource, false},
        {"negative source", -1, 4, 3, kEmptySource, false},
        {"no piece size, no count", 10, 0, 0, kNoPieceSize, false},
        {"negative piece size", 10, -4, 1, kNoPieceSize, false},
        {"no count", 10, 4, 0, kNoCount, false},
        {"negative count", 10, 4, -3, kNoCount, false},
        {"1000 pieces", 999 * 4 + 1, 4, 1000, kTooMany, false},
        {"too many before too big", 1, k4G, 1000, kTooMany, false},
        {"piece of 2^32", 1, k4G, 1, kTooBig, false},
        {"piece of 2^32, 999 pieces", 3 * kTB, k4G, 999, kTooBig, false},
        {"piece of 2^32-1 passes", 1, k4G - 1, 1, kSinglePiece, false},
        {"source equals piece", 4, 4, 1, kSinglePiece, false},
        {"source below piece", 3, 4, 1, kSinglePiece, false},
        {"999 pieces", 999 * 4, 4, 999, "Sie erzeugen 999 Dateien je 4 Bytes.", true},
        {"S10/P4", 10, 4, 3, "Sie erzeugen 2 Dateien je 4 Bytes\r\nund eine Datei mit 2 Bytes.", true},
        {"S8/P4", 8, 4, 2, "Sie erzeugen 2 Dateien je 4 Bytes.", true},
        {"S5/P4", 5, 4, 2, "Sie erzeugen 1 Datei je 4 Bytes\r\nund eine Datei mit 1 Byte.", true},
        {"S4/P2", 4, 2, 2, "Sie erzeugen 2 Dateien je 2 Bytes.", true},
        {"S1025/P1024", 1025, 1024, 2, "Sie erzeugen 1 Datei je 1.0 KB\r\nund eine Datei mit 1 Byte.", true},
        {"diskettes", 2 * kDiskPieceSize + 512, kDiskPieceSize, 3,
         "Sie erzeugen 2 Dateien je 1.4 MB\r\nund eine Datei mit 512 Bytes.", true},
    };
    for (const VerdictCase& c : cases) {
        SplitPlan plan;
        FillPlan(plan, c.source, c.piece, c.count, target.Dir());
        PlanVerdict verdict = CheckPlan(plan);
        EXPECT_EQ(verdict.text, c.text) << c.what;
        EXPECT_EQ(verdict.canConfirm, c.canConfirm) << c.what;
    }
}

// The plan made from a count: the smallest piece size with at most that many
// pieces, held to the plan's rules on the count asked for and on the result.
TEST(EnginePlanTest, ACountGivesTheSmallestPieceSizeWithAtMostThatManyPieces)
{
    TempDir dir;
    struct Case {
        std::int64_t source, asked, piece;
        int count;
        std::string text;
    };
    const Case cases[] = {
        {10485760, 3, 3495254, 3, "Sie erzeugen 2 Dateien je 3.3 MB\r\nund eine Datei mit 3.3 MB."},
        {10, 4, 3, 4, "Sie erzeugen 3 Dateien je 3 Bytes\r\nund eine Datei mit 1 Byte."},
        {10, 10, 1, 10, "Sie erzeugen 10 Dateien je 1 Byte."},
        {5, 10, 1, 5, "Sie erzeugen 5 Dateien je 1 Byte."},
        {999, 999, 1, 999, "Sie erzeugen 999 Dateien je 1 Byte."},
        {1000, 1, 1000, 1, kSinglePiece},
        {1000, 1000, 1, 1000, kTooMany},
        {10, 1000, 1, 10, kTooMany},
        {10, 0, 0, 1, kNoCount},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.source << " in " << c.asked);
        WriteFile(dir / "film.avi", "");
        fs::resize_file(dir / "film.avi", static_cast<std::uintmax_t>(c.source));
        SplitPlan inputs;
        inputs.sourceDir = dir.Dir();
        inputs.sourceName = "film.avi";
        inputs.targetDir = dir.Dir();
        inputs.choice = {c.asked, PieceUnit::Count};
        inputs.recoveryPieces = 0;
        const std::optional<SplitPlan> plan = MakePlan(inputs);
        ASSERT_TRUE(plan);
        EXPECT_EQ(plan->pieceSize, c.piece);
        EXPECT_EQ(plan->count, c.count);
        const PlanVerdict verdict = CheckPlan(*plan);
        EXPECT_EQ(verdict.text, c.text);
        EXPECT_EQ(verdict.canConfirm, c.text.starts_with("Sie erzeugen"));
    }
}

TEST(EnginePlanTest, TooLittleFreeSpaceNamesTheRealFreeSpaceAndTheTarget)
{
    TempDir target;
    // The largest source the other checks let through: 999 pieces just
    // below 2^32, about 3.9 TB. Only the free space stops it.
    const std::int64_t source = 999 * (k4G - 1);
    const FreeSpace before = CheckFreeSpace(target.Dir(), source + kFreeSpaceReserve);
    ASSERT_FALSE(before.enough) << "this volume has room for 3.9 TB";
    ASSERT_GT(before.bytes, 0);

    SplitPlan plan;
    FillPlan(plan, source, k4G - 1, CountPieces(source, k4G - 1), target.Dir());
    ASSERT_EQ(plan.count, 999);
    PlanVerdict verdict = CheckPlan(plan);

    const FreeSpace after = CheckFreeSpace(target.Dir(), source + kFreeSpaceReserve);
    EXPECT_FALSE(after.enough);
    // Other processes write to the same volume; the text must match the
    // free space at one of the two moments.
    EXPECT_TRUE(verdict.text == FreeSpaceWarning(before.bytes, target.Dir(), source) ||
                verdict.text == FreeSpaceWarning(after.bytes, target.Dir(), source))
        << verdict.text;
    EXPECT_NE(verdict.text.find("\r\nSie benötigen aber ca. 3.9 TB."), std::string::npos) << verdict.text;
    EXPECT_FALSE(verdict.canConfirm);
}

TEST(EnginePlanTest, UnqueryableTargetShowsTheNeededSizeAsFreeSpace)
{
    TempDir tmp;
    WriteFile(tmp / "file", "x");
    const std::string targets[] = {tmp / "missing/", tmp / "file/sub/"};
    for (const std::string& target : targets) {
        SplitPlan plan;
        FillPlan(plan, 10, 4, 3, target);
        PlanVerdict verdict = CheckPlan(plan);
        EXPECT_EQ(verdict.text, "Warnung: Es sind nur noch 100.0 KB auf \"" + target +
                                    "\" frei.\r\nSie benötigen aber ca. 100.0 KB.");
        EXPECT_FALSE(verdict.canConfirm);
    }
}

TEST(EnginePlanTest, FreeSpaceIsCheckedBeforeTheSinglePieceNote)
{
    // /proc reports no free bytes at all, on every machine.
    for (std::int64_t piece : {std::int64_t{1}, std::int64_t{4}, k4G - 1}) {
        SplitPlan plan;
        FillPlan(plan, 1, piece, 1, "/proc/");
        PlanVerdict verdict = CheckPlan(plan);
        EXPECT_EQ(
            verdict.text,
            "Warnung: Es sind nur noch 0 Bytes auf \"/proc/\" frei.\r\nSie benötigen aber ca. 100.0 KB.");
        EXPECT_FALSE(verdict.canConfirm);
    }
}

TEST(EnginePlanTest, RecoveryFilesAreShownCountedAndRefusedWhenTheyCannotBeLaidOut)
{
    TempDir roomy;
    const std::string kNoLayout = "Fehler: Für diese Teilstücke lassen sich keine Wiederherstellungsdaten "
                                  "anlegen.\r\nWählen Sie grössere Teilstücke oder keine Wiederherstellung.";
    struct Case {
        const char* what;
        std::int64_t source, piece;
        int recovery;
        bool laidOut;        // recovery files are planned
        const char* verdict; // on a roomy target; nullptr: the plan's usual text
    };
    const Case cases[] = {
        {"none asked for", 300000, 65536, 0, false, nullptr},
        {"one piece's worth", 300000, 65536, 1, true, nullptr},
        {"two pieces' worth, diskettes", 3 * kDiskPieceSize + 5, kDiskPieceSize, 2, true, nullptr},
        {"a single piece has none", 10, 40, 1, false, kSinglePiece},
        {"tiny pieces cannot hold the descriptions", 9000, 10, 1, false, kNoLayout.c_str()},
    };
    for (const Case& c : cases) {
        SplitPlan plan;
        FillPlan(plan, c.source, c.piece, CountPieces(c.source, c.piece), roomy.Dir());
        plan.recoveryPieces = c.recovery;
        const auto layout = par2::PlanRecovery("_film", PlannedPieces(plan),
                                               static_cast<std::uint32_t>(c.recovery), RecoveryCreator());
        ASSERT_EQ(PlanRecoveryFiles(plan).has_value(), c.laidOut) << c.what;
        const PlanView view = DescribePlan(plan);
        if (c.laidOut) {
            ASSERT_TRUE(layout) << c.what;
            EXPECT_EQ(view.recovery, std::to_string(layout->files.size()) + " Dateien, zusammen " +
                                         FormatSize(layout->totalBytes))
                << c.what;
        } else {
            EXPECT_EQ(view.recovery, "keine") << c.what;
        }
        if (c.verdict) {
            EXPECT_EQ(view.verdict.text, c.verdict) << c.what;
        }
        EXPECT_EQ(view.verdict.canConfirm, c.verdict == nullptr) << c.what;

        // Where nothing is free, the room asked for includes the recovery files.
        plan.targetDir = "/proc/";
        plan.freeBytes = 0;
        const std::int64_t needed = c.source + kFreeSpaceReserve + (c.laidOut ? layout->totalBytes : 0);
        if (c.verdict != kNoLayout.c_str()) {
            EXPECT_EQ(CheckPlan(plan).text, "Warnung: Es sind nur noch 0 Bytes auf \"/proc/\" frei.\r\n"
                                            "Sie benötigen aber ca. " +
                                                FormatSize(needed) + ".")
                << c.what;
        }
    }
}

TEST(EnginePlanTest, PlanWhosePieceWouldBeTheSourceIsRefused)
{
    TempDir dir;
    fs::create_directory(dir / "sub");
    for (const char* name : {"x.002", "x.004", "x.2", "x.0002", "x.001"})
        WriteFile(dir / name, "0123456789");
    struct Case {
        const char* name;
        std::string target;
        std::int64_t piece;
        int count;
        std::string text;
    };
    const std::string planText = "Sie erzeugen 2 Dateien je 4 Bytes\r\nund eine Datei mit 2 Bytes.";
    const Case cases[] = {
        {"x.002", dir.Dir(), 4, 3,
         "Fehler: Die Quelldatei wäre zugleich das Teilstück \"" + dir.Dir() +
             "x.002\" und würde überschrieben."},
        // The same directory under another spelling.
        {"x.002", dir / "sub/../", 4, 3,
         "Fehler: Die Quelldatei wäre zugleich das Teilstück \"" + dir.Dir() +
             "sub/../x.002\" und würde überschrieben."},
        // A single piece is refused for that first.
        {"x.001", dir.Dir(), 16, 1, kSinglePiece},
        // Not among the pieces this plan writes, or not their exact name.
        {"x.004", dir.Dir(), 4, 3, planText},
        {"x.2", dir.Dir(), 4, 3, planText},
        {"x.0002", dir.Dir(), 4, 3, planText},
        // Elsewhere the set's own joiner would refuse it.
        {"x.002", dir / "sub/", 4, 3,
         "Fehler: Die Quelldatei heisst wie ihr eigenes Teilstück 2.\r\n"
         "Die Teilstücke liessen sich nicht wieder zusammensetzen."},
    };
    for (const Case& c : cases) {
        SplitPlan inputs;
        inputs.sourceDir = dir.Dir();
        inputs.sourceName = c.name;
        inputs.targetDir = c.target;
        inputs.choice = {c.piece, PieceUnit::Bytes};
        inputs.recoveryPieces = 0;
        const std::optional<SplitPlan> plan = MakePlan(inputs);
        ASSERT_TRUE(plan);
        ASSERT_EQ(plan->count, c.count);
        PlanVerdict verdict = CheckPlan(*plan);
        EXPECT_EQ(verdict.text, c.text) << c.name << " into " << c.target;
        EXPECT_EQ(verdict.canConfirm, c.text == planText) << c.name << " into " << c.target;
    }
}

// The record holds each name in 256 bytes: Windows-1252 may fill them, a
// UTF-8 name needs its NUL, so that no character is cut.
TEST(EnginePlanTest, NamesThatTheRecordCannotHoldAreRefused)
{
    TempDir target;
    const std::string planText = "Sie erzeugen 2 Dateien je 4 Bytes\r\nund eine Datei mit 2 Bytes.";
    struct Case {
        const char* what;
        std::string name, target;
        std::int64_t source;
        int count;
        std::string text;
    };
    const std::string dir = target.Dir();
    const std::string tooLong = "Ł" + std::string(254, 'a') + ".avi"; // 256 bytes of UTF-8
    const Case cases[] = {
        {"Windows-1252 letters", "Südtirol.avi", dir, 10, 3, planText},
        {"255 bytes of UTF-8", "Ł" + std::string(253, 'a') + ".avi", dir, 10, 3, planText},
        {"256 bytes of UTF-8", tooLong, dir, 10, 3, kNameTooLong},
        {"bytes Windows-1252 lacks", "\x81x.avi", dir, 10, 3, kNameUnreadable},
        // Its place among the other checks.
        {"too many pieces first", tooLong, dir, 999 * 4 + 1, 1000, kTooMany},
        {"before the free space", tooLong, "/proc/", 10, 3, kNameTooLong},
        {"before the single piece", "\x81x.avi", dir, 3, 1, kNameUnreadable},
    };
    for (const Case& c : cases) {
        SplitPlan plan;
        FillPlan(plan, c.source, 4, c.count, c.target);
        plan.sourceName = c.name;
        PlanVerdict verdict = CheckPlan(plan);
        EXPECT_EQ(verdict.text, c.text) << c.what;
        EXPECT_EQ(verdict.canConfirm, c.text == planText) << c.what;
    }
}

TEST(EnginePlanTest, DescribePlanFillsEveryFieldOfTheWindow)
{
    TempDir target;
    SplitPlan plan;
    FillPlan(plan, 5000000, kDiskPieceSize, 4, target.Dir());
    PlanView view = DescribePlan(plan);
    EXPECT_EQ(view.sourceName, "film.avi");
    EXPECT_EQ(view.sourceDir, "/data/");
    EXPECT_EQ(view.sourceSize, "4.8 MB");
    EXPECT_EQ(view.targetPath, target.Dir());
    EXPECT_EQ(view.count, "4");
    EXPECT_EQ(view.pieceSize, "1.4 MB");
    EXPECT_EQ(view.verdict.text, "Sie erzeugen 3 Dateien je 1.4 MB\r\nund eine Datei mit 612.3 KB.");
    EXPECT_TRUE(view.verdict.canConfirm);
}

TEST(EnginePlanTest, DescribePlanShowsRefusedPlansWithTheirVerdict)
{
    struct Case {
        std::int64_t source;
        std::int64_t piece;
        int count;
        const char* countText;
        const char* sourceSize;
        const char* pieceSize;
        const char* verdict;
    };
    // The count is printed with "%lu" from its 32-bit value.
    const Case cases[] = {
        {0, 0, 0, "0", "0 Bytes", "0 Bytes", kEmptySource},
        {999 * 4 + 1, 4, 1000, "1000", "3.9 KB", "4 Bytes", kTooMany},
        {10, 4, -1, "4294967295", "10 Bytes", "4 Bytes", kNoCount},
        {1, k4G, 1, "1", "1 Byte", "4.0 GB", kTooBig},
    };
    for (const Case& c : cases) {
        SplitPlan plan;
        FillPlan(plan, c.source, c.piece, c.count, "/nowhere/");
        PlanView view = DescribePlan(plan);
        EXPECT_EQ(view.count, c.countText) << c.count;
        EXPECT_EQ(view.sourceSize, c.sourceSize) << c.count;
        EXPECT_EQ(view.pieceSize, c.pieceSize) << c.count;
        EXPECT_EQ(view.targetPath, "/nowhere/");
        EXPECT_EQ(view.verdict.text, c.verdict) << c.count;
        EXPECT_FALSE(view.verdict.canConfirm);
    }
}

} // namespace
} // namespace portelan::test
