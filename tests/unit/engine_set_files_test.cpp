// Completing a set after all pieces: the configuration file and the joiner
// copy, and what a failure of either leaves behind.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "engine_frontend.h"

namespace portelan::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using Texts = std::vector<std::string>;

const char* const kSuccess = "Die Datei wurde erfolgreich aufgeteilt...";

// Ten bytes in pieces of four, all three written before the set files.
void PrepareSource(SplitHarness& h, std::string& source)
{
    source = RandomBytes(10, 53);
    h.SetSource("data.bin", source);
    h.SetPieceSize(4);
}

void ExpectPiecesComplete(const SplitHarness& h, const std::string& source)
{
    EXPECT_EQ(ReadFile(h.TargetDir() + "data.001"), source.substr(0, 4));
    EXPECT_EQ(ReadFile(h.TargetDir() + "data.002"), source.substr(4, 4));
    EXPECT_EQ(ReadFile(h.TargetDir() + "data.003"), source.substr(8));
}

// One error window with the message, the error status just before it, and
// the success status after all (the pieces are complete).
void ExpectSetFileFailure(const SplitHarness& h, const std::string& message, const Texts& statuses)
{
    std::vector<RecordingFrontEnd::Event> events = h.ui.Events();
    auto window = std::find_if(events.begin(), events.end(), [](const auto& e) { return e.what == "error"; });
    ASSERT_NE(window, events.end()) << "no error window";
    EXPECT_EQ(test::WithoutReason(window->text), message);
    EXPECT_EQ(window->detail, "Fehlermeldung");
    ASSERT_NE(window, events.begin());
    EXPECT_EQ(std::prev(window)->what, "status");
    EXPECT_EQ(std::prev(window)->text, "Ein Fehler ist aufgetreten.");
    EXPECT_EQ(h.ui.Of("error").size(), 1u);
    EXPECT_EQ(h.ui.Statuses(), statuses);
    EXPECT_EQ(h.ui.Of("enable").back().text, "1");
    EXPECT_FALSE(h.engine->LastSplitComplete());
    EXPECT_FALSE(h.engine->IsRunning());
}

const Texts kFailedThenDone{"Bitte warten...", "Ein Fehler ist aufgetreten.", kSuccess};

TEST(EngineSetFilesTest, ConfigThatCannotBeCreatedLeavesNoJoiner)
{
    SplitHarness h;
    std::string source;
    PrepareSource(h, source);
    fs::create_directory(h.TargetDir() + "_data.cfg");
    ASSERT_TRUE(h.Run());

    ExpectSetFileFailure(h, "Die Konfigurationsdatei (*.cfg) konnte nicht erzeugt werden.", kFailedThenDone);
    EXPECT_EQ(ListNames(h.TargetDir()), (Names{"_data.cfg", "data.001", "data.002", "data.003"}));
    EXPECT_TRUE(fs::is_directory(h.TargetDir() + "_data.cfg"));
    ExpectPiecesComplete(h, source);
}

TEST(EngineSetFilesTest, ConfigThatCannotBeWrittenIsDeleted)
{
    SplitHarness h;
    std::string source;
    PrepareSource(h, source);
    {
        // Room for the four-byte pieces, not for the 536-byte record.
        FileSizeLimit limit(100);
        ASSERT_TRUE(h.Run());
    }
    ExpectSetFileFailure(
        h, "Fehler beim Schreiben in die Datei \"" + h.TargetDir() + "_data.cfg\".",
        {"Bitte warten...", "Ein Fehler ist aufgetreten.", "CFG-Datei wurde gelöscht.", kSuccess});
    EXPECT_EQ(ListNames(h.TargetDir()), (Names{"data.001", "data.002", "data.003"}));
    ExpectPiecesComplete(h, source);
}

// The checksum of the pieces is read back while the worker goes on; a target
// directory moved away once the last piece is done must not make that read
// fail (it once reopened pieces by name), so the failure is the config's.
TEST(EngineSetFilesTest, TargetMovedAwayAfterTheLastPieceFailsAtTheConfig)
{
    for (int run = 0; run < 10; ++run) {
        SCOPED_TRACE(run);
        SplitHarness h;
        const std::size_t piece = 65536;
        const std::string source = RandomBytes(3 * piece - 5, 61);
        h.SetSource("data.bin", source);
        h.SetPieceSize(piece);
        h.ui.onStep = [&](int n) {
            if (n == 3)
                fs::rename(h.tmp / "out", h.tmp / "moved");
        };
        ASSERT_TRUE(h.Run());

        ExpectSetFileFailure(h, "Die Konfigurationsdatei (*.cfg) konnte nicht erzeugt werden.",
                             kFailedThenDone);
        const std::string moved = h.tmp / "moved/";
        EXPECT_EQ(ListNames(moved), (Names{"data.001", "data.002", "data.003"}));
        EXPECT_EQ(ReadFile(moved + "data.003"), source.substr(2 * piece));
    }
}

// Each joiner fails the same way; a failing Linux joiner leaves the Windows
// one whole, and a build without a joiner writes the others only.
TEST(EngineSetFilesTest, JoinerImageMissingOrUnloadableKeepsTheConfig)
{
    struct Case {
        JoinerKind kind;
        bool found;
        bool loadable;
        const char* message;
        Names joiners;
    };
    const Case cases[] = {
        {JoinerKind::Windows, false, true, "Interner Fehler [CONCAT-01]", {}},
        {JoinerKind::Windows, false, false, "Interner Fehler [CONCAT-01]", {}},
        {JoinerKind::Windows, true, false, "Interner Fehler [CONCAT-02]", {}},
        {JoinerKind::Linux, false, true, "Interner Fehler [CONCAT-01]", {"_data.exe"}},
        {JoinerKind::Linux, true, false, "Interner Fehler [CONCAT-02]", {"_data.exe"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message + std::string(c.kind == JoinerKind::Linux ? " (Linux)" : " (Windows)"));
        SplitHarness h;
        h.joiner.found[FakeJoinerImage::Slot(c.kind)] = c.found;
        h.joiner.loadable[FakeJoinerImage::Slot(c.kind)] = c.loadable;
        std::string source;
        PrepareSource(h, source);
        ASSERT_TRUE(h.Run());

        ExpectSetFileFailure(h, c.message, kFailedThenDone);
        Names expected = {"_data.cfg"};
        expected.insert(expected.end(), c.joiners.begin(), c.joiners.end());
        expected.insert(expected.end(), {"data.001", "data.002", "data.003"});
        EXPECT_EQ(ListNames(h.TargetDir()), expected);
        if (!c.joiners.empty()) {
            EXPECT_EQ(ReadFile(h.TargetDir() + "_data.exe"), h.joiner.Bytes(JoinerKind::Windows));
        }
        ExpectPiecesComplete(h, source);
        ConfigBytes cfg(ReadFile(h.TargetDir() + "_data.cfg"));
        EXPECT_EQ(cfg.size, 536u);
        EXPECT_EQ(cfg.crc, Crc32(source));
    }
    for (JoinerKind leftOut : kJoinerKinds) {
        SplitHarness h;
        h.joiner.carried[FakeJoinerImage::Slot(leftOut)] = false;
        std::string source;
        PrepareSource(h, source);
        ASSERT_TRUE(h.Run());
        EXPECT_TRUE(h.ui.Of("error").empty());
        EXPECT_TRUE(h.engine->LastSplitComplete());
        Names expected = {"_data.cfg", "_data.sfv", "data.001", "data.002", "data.003"};
        expected.insert(leftOut == JoinerKind::Linux ? expected.begin() + 1 : expected.begin(),
                        leftOut == JoinerKind::Linux ? "_data.exe" : "_data");
        EXPECT_EQ(ListNames(h.TargetDir()), expected);
    }
}

// A directory in the way of each set file after the configuration file: the
// files before it stay, the ones after it are not tried.
TEST(EngineSetFilesTest, SetFileThatCannotBeCreatedKeepsTheOnesBefore)
{
    struct Case {
        std::string blocked;
        std::string message; // "%s" for the blocked path
        Names names;
    };
    const Case cases[] = {
        {"_data.exe", "Interner Fehler [CONCAT-03]", {"_data.cfg", "_data.exe"}},
        {"_data", "Interner Fehler [CONCAT-03]", {"_data", "_data.cfg", "_data.exe"}},
        {"_data.sfv",
         "Die Prüfsummenliste \"%s\" konnte nicht geschrieben werden.",
         {"_data", "_data.cfg", "_data.exe", "_data.sfv"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.blocked);
        SplitHarness h;
        std::string source;
        PrepareSource(h, source);
        fs::create_directory(h.TargetDir() + c.blocked);
        ASSERT_TRUE(h.Run());

        std::string message = c.message;
        if (auto at = message.find("%s"); at != std::string::npos)
            message.replace(at, 2, h.TargetDir() + c.blocked);
        ExpectSetFileFailure(h, message, kFailedThenDone);
        Names names = c.names;
        names.insert(names.end(), {"data.001", "data.002", "data.003"});
        EXPECT_EQ(ListNames(h.TargetDir()), names);
        EXPECT_TRUE(fs::is_directory(h.TargetDir() + c.blocked));
        EXPECT_EQ(ConfigBytes(ReadFile(h.TargetDir() + "_data.cfg")).count, 3);
        ExpectPiecesComplete(h, source);
    }
}

// The recovery files come last; one that cannot be created is named, and
// the ones before it stay. The worker writes them all before it first asks
// for the window's thread; the error window is shown there.
TEST(EngineSetFilesTest, RecoveryFileThatCannotBeCreatedIsNamed)
{
    const Names before = {"_data", "_data.cfg", "_data.exe", "_data.sfv"};
    struct Case {
        const char* blocked; // nullptr: nothing in the way
        Names recovery;      // the recovery files there afterwards
    };
    const Case cases[] = {
        {nullptr, {"_data.par2", "_data.vol0+1.par2", "_data.vol1+1.par2"}},
        {"_data.par2", {"_data.par2"}},
        {"_data.vol1+1.par2", {"_data.par2", "_data.vol0+1.par2", "_data.vol1+1.par2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.blocked ? c.blocked : "none");
        SplitHarness h;
        const std::size_t piece = 65536;
        h.SetSource("data.bin", RandomBytes(3 * piece - 5, 67));
        h.SetPieceSize(piece);
        h.inputs.recoveryPieces = 1;
        if (c.blocked)
            fs::create_directory(h.TargetDir() + c.blocked);
        std::optional<Names> atFirstHandOver;
        h.ui.onHandOver = [&] {
            if (!atFirstHandOver)
                atFirstHandOver = ListNames(h.TargetDir());
        };
        ASSERT_TRUE(h.Run());

        if (c.blocked) {
            ExpectSetFileFailure(h,
                                 "Die Wiederherstellungsdatei \"" + h.TargetDir() + c.blocked +
                                     "\" konnte nicht geschrieben werden.",
                                 kFailedThenDone);
        } else {
            EXPECT_TRUE(h.ui.Of("error").empty());
            EXPECT_TRUE(h.engine->LastSplitComplete());
        }
        Names names = before;
        names.insert(names.end(), c.recovery.begin(), c.recovery.end());
        names.insert(names.end(), {"data.001", "data.002", "data.003"});
        std::sort(names.begin(), names.end());
        EXPECT_EQ(ListNames(h.TargetDir()), names);
        EXPECT_EQ(atFirstHandOver, names);
        for (const auto& window : h.ui.Of("error"))
            EXPECT_FALSE(window.onWorker);
    }
}

TEST(EngineSetFilesTest, JoinerThatCannotBeWrittenWholeIsReported)
{
    SplitHarness h(FakeJoinerImage(RandomBytes(65536, 59)));
    std::string source;
    PrepareSource(h, source);
    {
        // Room for the pieces and the record, not for the joiner.
        FileSizeLimit limit(4096);
        ASSERT_TRUE(h.Run());
    }
    ExpectSetFileFailure(h, "Interner Fehler [CONCAT-04]", kFailedThenDone);
    EXPECT_EQ(ListNames(h.TargetDir()),
              (Names{"_data.cfg", "_data.exe", "data.001", "data.002", "data.003"}));
    ExpectPiecesComplete(h, source);
    EXPECT_EQ(ConfigBytes(ReadFile(h.TargetDir() + "_data.cfg")).crc, Crc32(source));
    const std::string exe = ReadFile(h.TargetDir() + "_data.exe");
    EXPECT_LE(exe.size(), 4096u);
    EXPECT_EQ(exe, h.joiner.Bytes().substr(0, exe.size()));
}

TEST(EngineSetFilesTest, FailedSetFilesAfterACompleteSplitClearTheCompleteFlag)
{
    SplitHarness h;
    std::string source;
    PrepareSource(h, source);
    ASSERT_TRUE(h.Run());
    ASSERT_TRUE(h.engine->LastSplitComplete());

    h.joiner.found[FakeJoinerImage::Slot(JoinerKind::Windows)] = false;
    ASSERT_TRUE(h.Run());
    EXPECT_FALSE(h.engine->LastSplitComplete());
    ASSERT_EQ(h.ui.Of("error").size(), 1u);
    EXPECT_EQ(h.ui.Of("error")[0].text, "Interner Fehler [CONCAT-01]");
    EXPECT_EQ(h.ui.Statuses().back(), kSuccess);
}

} // namespace
} // namespace portelan::test
