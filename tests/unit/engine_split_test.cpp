// The split engine end to end on real files: starting, planning, the worker
// with its real faults, and the hand-over to the front end's thread.
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "common/ChecksumList.h"
#include "engine_frontend.h"

namespace portelan::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using Texts = std::vector<std::string>;

std::string Slice(const std::string& bytes, std::size_t index, std::size_t piece)
{
    return bytes.substr((index - 1) * piece, piece);
}

bool IsPrefix(const std::string& part, const std::string& whole)
{
    return part.size() <= whole.size() && whole.compare(0, part.size(), part) == 0;
}

// InitProgress(0, count, 1) once and before any step, `steps` steps, and a
// reset as the last progress call.
void ExpectProgress(const RecordingFrontEnd& ui, int count, long steps)
{
    Texts calls = ui.Progress();
    const std::string init = "init:0," + std::to_string(count) + ",1";
    auto at = std::find(calls.begin(), calls.end(), init);
    ASSERT_NE(at, calls.end()) << "no " << init;
    EXPECT_EQ(
        std::count_if(calls.begin(), calls.end(), [](const std::string& c) { return c.starts_with("init"); }),
        1);
    EXPECT_EQ(std::count(calls.begin(), at, "step"), 0);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "step"), steps);
    EXPECT_EQ(calls.back(), "reset");
}

// One error window with the message; the status line says so just before;
// no success status; the set is incomplete; "&Starten" is enabled again.
void ExpectWorkerFailure(const SplitHarness& h, const std::string& message)
{
    std::vector<RecordingFrontEnd::Event> events = h.ui.Events();
    auto window = std::find_if(events.begin(), events.end(), [](const auto& e) { return e.what == "error"; });
    ASSERT_NE(window, events.end()) << "no error window";
    EXPECT_EQ(test::WithoutReason(window->text), message);
    EXPECT_EQ(window->detail, "Fehlermeldung");
    EXPECT_FALSE(window->onWorker);
    ASSERT_NE(window, events.begin());
    EXPECT_EQ(std::prev(window)->what, "status");
    EXPECT_EQ(std::prev(window)->text, "Ein Fehler ist aufgetreten.");
    EXPECT_EQ(h.ui.Of("error").size(), 1u);
    EXPECT_EQ(h.ui.Statuses(), (Texts{"Bitte warten...", "Ein Fehler ist aufgetreten."}));
    EXPECT_EQ(h.ui.Of("enable").back().text, "1");
    EXPECT_FALSE(h.engine->IsRunning());
    EXPECT_FALSE(h.engine->LastSplitComplete());
}

TEST(EngineSplitTest, SplitWritesPiecesConfigAndJoiner)
{
    SplitHarness h(FakeJoinerImage(RandomBytes(3000, 7), RandomBytes(2000, 8)));
    const std::size_t piece = 65536 + 3; // not a multiple of any copy unit
    const std::string source = RandomBytes(2 * piece + 1000, 11);
    h.SetSource("data.bin", source);
    h.SetPieceSize(piece);

    ASSERT_TRUE(h.Run());

    EXPECT_EQ(ListNames(h.TargetDir()),
              (Names{"_data", "_data.cfg", "_data.exe", "_data.sfv", "data.001", "data.002", "data.003"}));
    for (std::size_t k = 1; k <= 3; ++k)
        EXPECT_EQ(ReadFile(h.TargetDir() + "data.00" + std::to_string(k)), Slice(source, k, piece)) << k;

    ConfigBytes cfg(ReadFile(h.TargetDir() + "_data.cfg"));
    ASSERT_EQ(cfg.size, 536u);
    EXPECT_EQ(cfg.typeWord, 0x0040A444u);
    EXPECT_EQ(cfg.marker, "PC32");
    EXPECT_EQ(cfg.sourceSize, static_cast<std::int64_t>(source.size()));
    EXPECT_EQ(cfg.extension, TextField("bin"));
    EXPECT_EQ(cfg.baseName, TextField("data"));
    EXPECT_EQ(cfg.count, 3);
    EXPECT_EQ(cfg.crc, Crc32(source));

    EXPECT_EQ(ReadFile(h.TargetDir() + "_data.exe"), h.joiner.Bytes(JoinerKind::Windows));
    std::vector<PieceChecksum> sums;
    for (std::size_t k = 1; k <= 3; ++k)
        sums.push_back({"data.00" + std::to_string(k), Crc32(Slice(source, k, piece))});
    EXPECT_EQ(ReadFile(h.TargetDir() + "_data.sfv"),
              FormatChecksumList("Portelan " PORTELAN_VERSION_TEXT, sums));
    const std::string linuxJoiner = h.TargetDir() + "_data";
    EXPECT_EQ(ReadFile(linuxJoiner), h.joiner.Bytes(JoinerKind::Linux));
    struct stat st {};
    ASSERT_EQ(::stat(linuxJoiner.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IXUSR, 0u);
    // Whoever may read the Linux joiner may run it.
    EXPECT_EQ(st.st_mode & 0111, (st.st_mode & 0444) >> 2);

    auto confirms = h.ui.Of("confirm");
    ASSERT_EQ(confirms.size(), 1u);
    EXPECT_EQ(confirms[0].text, "3");
    EXPECT_EQ(confirms[0].detail, "Sie erzeugen 2 Dateien je 64.0 KB\r\nund eine Datei mit 1000 Bytes.");
    EXPECT_EQ(h.ui.confirmedSourceSize, static_cast<std::int64_t>(source.size()));

    EXPECT_EQ(h.ui.Statuses(), (Texts{"Bitte warten...", "Die Datei wurde erfolgreich aufgeteilt..."}));
    EXPECT_TRUE(h.ui.Of("error").empty());
    ExpectProgress(h.ui, 3, 3);
    for (const auto& e : h.ui.Events()) {
        if (e.what == "init" || e.what == "step") {
            EXPECT_TRUE(e.onWorker) << e.what;
        }
    }
    auto enables = h.ui.Of("enable");
    ASSERT_GE(enables.size(), 2u);
    EXPECT_EQ(enables.front().text, "0");
    EXPECT_EQ(enables.back().text, "1");
    EXPECT_EQ(h.ui.HandOvers(), 1);
    EXPECT_TRUE(h.engine->LastSplitComplete());
    EXPECT_FALSE(h.engine->IsRunning());
    // The source is only read.
    EXPECT_EQ(ReadFile(h.SourcePath()), source);
}

TEST(EngineSplitTest, SetMembersAreNamedAfterTheSourceName)
{
    struct Case {
        const char* name;
        const char* base;
        const char* extension;
    };
    const Case cases[] = {
        {"archive.tar.gz", "archive.tar", "gz"},
        {"README", "README", "xxx"},
        {"Film Clip.AVI", "Film Clip", "AVI"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SplitHarness h;
        const std::string source = RandomBytes(10, 3);
        h.SetSource(c.name, source);
        h.SetPieceSize(4);
        ASSERT_TRUE(h.Run());

        const std::string b = c.base;
        Names expected{"_" + b,    "_" + b + ".cfg", "_" + b + ".exe", "_" + b + ".sfv",
                       b + ".001", b + ".002",       b + ".003"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(ListNames(h.TargetDir()), expected);
        EXPECT_EQ(ReadFile(h.TargetDir() + b + ".003"), source.substr(8));
        ConfigBytes cfg(ReadFile(h.TargetDir() + "_" + b + ".cfg"));
        EXPECT_EQ(cfg.baseName, TextField(c.base));
        EXPECT_EQ(cfg.extension, TextField(c.extension));
        EXPECT_TRUE(h.engine->LastSplitComplete());
    }
}

// The files are named in UTF-8; the record holds the names in Windows-1252
// where it can, as every joiner reads them, and otherwise in UTF-8 under "PU32".
TEST(EngineSplitTest, RecordStoresNamesInWindows1252OrElseInUtf8)
{
    struct Case {
        const char* name;
        const char* base; // on disk
        std::string storedBase, storedExt;
        const char* marker;
    };
    const Case cases[] = {
        {"Südtirol.avi", "Südtirol", "S\374dtirol", "avi", "PC32"}, // ü is 0xFC (octal 374)
        {"Łódź.avi", "Łódź", "Łódź", "avi", "PU32"},
        {"東京.mp4", "東京", "東京", "mp4", "PU32"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SplitHarness h;
        const std::string source = RandomBytes(10, 5);
        h.SetSource(c.name, source);
        h.SetPieceSize(4);
        ASSERT_TRUE(h.Run());
        ASSERT_TRUE(h.engine->LastSplitComplete());

        const std::string b = c.base;
        EXPECT_EQ(ReadFile(h.TargetDir() + b + ".003"), source.substr(8));
        ConfigBytes cfg(ReadFile(h.TargetDir() + "_" + b + ".cfg"));
        ASSERT_EQ(cfg.size, 536u);
        EXPECT_EQ(cfg.marker, c.marker);
        EXPECT_EQ(cfg.baseName, TextField(c.storedBase));
        EXPECT_EQ(cfg.extension, TextField(c.storedExt));
        EXPECT_EQ(cfg.crc, Crc32(source));
    }
}

TEST(EngineSplitTest, PieceThatCannotBeCreatedStopsTheSplit)
{
    struct Case {
        const char* what;
        std::function<void(SplitHarness&)> prepare; // before "&Starten"
        // After the plan passed its checks, just before the worker starts.
        std::function<void(SplitHarness&)> beforeWorker;
        int failing;
        long steps;
    };
    const Case cases[] = {
        {"target directory removed after planning", nullptr,
         [](SplitHarness& h) { fs::remove_all(h.tmp / "out"); }, 1, 1},
        {"target directory replaced by a file", nullptr,
         [](SplitHarness& h) {
             fs::remove_all(h.tmp / "out");
             WriteFile(h.tmp / "out", "not a directory");
         },
         1, 1},
        {"a directory where piece 2 goes",
         [](SplitHarness& h) { fs::create_directory(h.TargetDir() + "data.002"); }, nullptr, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SplitHarness h;
        const std::string source = RandomBytes(10, 5);
        h.SetSource("data.bin", source);
        h.SetPieceSize(4);
        if (c.prepare)
            c.prepare(h);
        if (c.beforeWorker)
            h.ui.onEnable = [&](bool enable) {
                if (!enable)
                    c.beforeWorker(h);
            };
        ASSERT_TRUE(h.Run());

        const std::string failing = h.TargetDir() + "data.00" + std::to_string(c.failing);
        ExpectWorkerFailure(h, "Die Datei \"" + failing + "\" konnte nicht geöffnet werden.");
        ExpectProgress(h.ui, 3, c.steps);
        if (c.failing == 2) {
            EXPECT_EQ(ListNames(h.TargetDir()), (Names{"data.001", "data.002"}));
            EXPECT_EQ(ReadFile(h.TargetDir() + "data.001"), Slice(source, 1, 4));
        } else {
            EXPECT_FALSE(fs::is_directory(h.tmp / "out"));
        }
    }
}

TEST(EngineSplitTest, SourceShortenedAfterPlanningLeavesTheFailingPieceEmpty)
{
    struct Case {
        std::uintmax_t length; // of the source once the plan is confirmed
        int failing;
        Texts pieces; // what the pieces hold afterwards
    };
    const std::string source = RandomBytes(10, 9);
    // Planned: 10 bytes in pieces of 4 → 3 pieces.
    const Case cases[] = {
        {0, 1, {""}},
        {2, 2, {source.substr(0, 2), ""}},
        {4, 2, {source.substr(0, 4), ""}},
        {5, 3, {source.substr(0, 4), source.substr(4, 1), ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("shortened to " + std::to_string(c.length));
        SplitHarness h;
        h.SetSource("data.bin", source);
        h.SetPieceSize(4);
        h.ui.onConfirm = [&](const SplitPlan&) {
            fs::resize_file(h.SourcePath(), c.length);
            return true;
        };
        ASSERT_TRUE(h.Run());

        const std::string failing = h.TargetDir() + "data.00" + std::to_string(c.failing);
        ExpectWorkerFailure(h, "Die Datei \"" + failing + "\" konnte nicht gelesen werden.");
        ExpectProgress(h.ui, 3, c.failing);
        Names expected;
        for (std::size_t k = 1; k <= c.pieces.size(); ++k) {
            expected.push_back("data.00" + std::to_string(k));
            EXPECT_EQ(ReadFile(h.TargetDir() + expected.back()), c.pieces[k - 1]) << k;
        }
        EXPECT_EQ(ListNames(h.TargetDir()), expected);
    }
}

TEST(EngineSplitTest, WriteFailureKeepsWhatWasWrittenOfTheFirstPiece)
{
    SplitHarness h;
    const std::size_t piece = 65536;
    const std::string source = RandomBytes(3 * piece - 100, 13);
    h.SetSource("data.bin", source);
    h.SetPieceSize(piece);
    {
        FileSizeLimit limit(10000);
        ASSERT_TRUE(h.Run());
    }
    const std::string first = h.TargetDir() + "data.001";
    ExpectWorkerFailure(h, "In die Datei \"" + first + "\" konnte nicht geschrieben werden.");
    ExpectProgress(h.ui, 3, 1);
    EXPECT_EQ(ListNames(h.TargetDir()), (Names{"data.001"}));
    const std::string written = ReadFile(first);
    EXPECT_LE(written.size(), 10000u);
    EXPECT_TRUE(IsPrefix(written, Slice(source, 1, piece)));
}

TEST(EngineSplitTest, WriteFailureInTheSecondPieceKeepsTheFirstComplete)
{
    std::optional<FileSizeLimit> limit;
    SplitHarness h;
    const std::size_t piece = 65536;
    const std::string source = RandomBytes(3 * piece - 100, 17);
    h.SetSource("data.bin", source);
    h.SetPieceSize(piece);
    // The volume "fills up" once the first piece is done.
    h.ui.onStep = [&](int n) {
        if (n == 1)
            limit.emplace(10000);
    };
    ASSERT_TRUE(h.Run());
    limit.reset();

    const std::string second = h.TargetDir() + "data.002";
    ExpectWorkerFailure(h, "In die Datei \"" + second + "\" konnte nicht geschrieben werden.");
    ExpectProgress(h.ui, 3, 2);
    EXPECT_EQ(ListNames(h.TargetDir()), (Names{"data.001", "data.002"}));
    EXPECT_EQ(ReadFile(h.TargetDir() + "data.001"), Slice(source, 1, piece));
    const std::string written = ReadFile(second);
    EXPECT_LE(written.size(), 10000u);
    EXPECT_TRUE(IsPrefix(written, Slice(source, 2, piece)));
}

// A source named like one of its pieces is refused wherever its pieces would
// go: in its own directory it would be overwritten, elsewhere its own joiner
// would refuse the set. Nothing is written, not even after the target comes to
// lead to the source's directory.
TEST(EngineSplitTest, SourceNamedLikeAPieceIsNeverWritten)
{
    SplitHarness h;
    const std::string source = RandomBytes(10, 67);
    h.SetSource("x.002", source);
    h.SetPieceSize(4);
    h.ui.onConfirm = [&](const SplitPlan&) {
        fs::remove_all(h.tmp / "out");
        fs::create_directory_symlink(h.tmp / "src", h.tmp / "out");
        return true;
    };
    ASSERT_TRUE(h.Run());

    ASSERT_EQ(h.ui.Of("confirm").size(), 1u);
    EXPECT_EQ(h.ui.Of("confirm")[0].detail, "Fehler: Die Quelldatei heisst wie ihr eigenes Teilstück 2.\r\n"
                                            "Die Teilstücke liessen sich nicht wieder zusammensetzen.");
    EXPECT_EQ(h.ui.HandOvers(), 0);
    EXPECT_EQ(ReadFile(h.SourcePath()), source);
    EXPECT_EQ(ListNames(h.SourceDir()), (Names{"x.002"}));
}

TEST(EngineSplitTest, SourceDeletedAfterPlanningLeavesTheProgressBarAlone)
{
    SplitHarness h;
    h.SetSource("data.bin", RandomBytes(10, 19));
    h.SetPieceSize(4);
    h.ui.onConfirm = [&](const SplitPlan&) {
        fs::remove(h.SourcePath());
        return true;
    };
    ASSERT_TRUE(h.Run());

    ExpectWorkerFailure(h, "Die Datei \"" + h.SourceDir() + "data.bin\" konnte nicht geöffnet werden.");
    EXPECT_TRUE(ListNames(h.TargetDir()).empty());
    EXPECT_EQ(h.ui.Steps(), 0);
    EXPECT_TRUE(h.ui.Of("init").empty());
    for (const auto& e : h.ui.Events()) {
        EXPECT_FALSE(e.onWorker) << e.what << " from the worker";
    }
}

TEST(EngineSplitTest, SourceGrownAfterPlanningIsCutIntoThePlannedCount)
{
    SplitHarness h;
    const std::string planned = RandomBytes(10, 23);
    const std::string grown = planned + RandomBytes(5, 29);
    h.SetSource("data.bin", planned);
    h.SetPieceSize(4);
    h.ui.onConfirm = [&](const SplitPlan&) {
        WriteFile(h.SourcePath(), grown);
        return true;
    };
    ASSERT_TRUE(h.Run());

    EXPECT_TRUE(h.ui.Of("error").empty());
    EXPECT_EQ(h.ui.Statuses(), (Texts{"Bitte warten...", "Die Datei wurde erfolgreich aufgeteilt..."}));
    ExpectProgress(h.ui, 3, 3);
    EXPECT_EQ(ListNames(h.TargetDir()),
              (Names{"_data", "_data.cfg", "_data.exe", "_data.sfv", "data.001", "data.002", "data.003"}));
    EXPECT_EQ(ReadFile(h.TargetDir() + "data.001"), grown.substr(0, 4));
    EXPECT_EQ(ReadFile(h.TargetDir() + "data.002"), grown.substr(4, 4));
    // The last piece is cut by the piece size too: longer than planned.
    EXPECT_EQ(ReadFile(h.TargetDir() + "data.003"), grown.substr(8, 4));
    ConfigBytes cfg(ReadFile(h.TargetDir() + "_data.cfg"));
    EXPECT_EQ(cfg.sourceSize, 10);
    EXPECT_EQ(cfg.count, 3);
    EXPECT_EQ(cfg.crc, Crc32(grown.substr(0, 12)));
    EXPECT_TRUE(h.engine->LastSplitComplete());
}

TEST(EngineSplitTest, PiecesOfAnEarlierSplitAreReplacedOrLeftAlone)
{
    SplitHarness h;
    const std::string source = RandomBytes(10, 31);
    h.SetSource("data.bin", source);
    h.SetPieceSize(4);
    const std::string older(100, 'o');
    WriteFile(h.TargetDir() + "data.002", older);
    WriteFile(h.TargetDir() + "data.004", older);
    ASSERT_TRUE(h.Run());

    EXPECT_EQ(ListNames(h.TargetDir()), (Names{"_data", "_data.cfg", "_data.exe", "_data.sfv", "data.001",
                                               "data.002", "data.003", "data.004"}));
    EXPECT_EQ(ReadFile(h.TargetDir() + "data.002"), Slice(source, 2, 4));
    EXPECT_EQ(ReadFile(h.TargetDir() + "data.004"), older);
    EXPECT_EQ(ConfigBytes(ReadFile(h.TargetDir() + "_data.cfg")).count, 3);
    EXPECT_TRUE(h.engine->LastSplitComplete());
}

TEST(EngineSplitTest, StartWithMissingInputsNamesThemSourceLast)
{
    struct Case {
        bool source;
        bool target;
        bool pieceSize;
        Texts statuses;
    };
    const Case cases[] = {
        {false, false, false, {"Keine Stückgrösse.", "Kein Zielverzeichnis.", "Keine Quelldatei."}},
        {false, false, true, {"Kein Zielverzeichnis.", "Keine Quelldatei."}},
        {false, true, false, {"Keine Stückgrösse.", "Keine Quelldatei."}},
        {true, false, false, {"Keine Stückgrösse.", "Kein Zielverzeichnis."}},
        {false, true, true, {"Keine Quelldatei."}},
        {true, false, true, {"Kein Zielverzeichnis."}},
        {true, true, false, {"Keine Stückgrösse."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.source << c.target << c.pieceSize);
        SplitHarness h;
        h.SetSource("data.bin", RandomBytes(10, 37));
        h.SetPieceSize(4);
        h.engine->StartCommand(
            h.inputs, {.haveSource = c.source, .haveTarget = c.target, .havePieceSize = c.pieceSize});
        EXPECT_EQ(h.ui.Statuses(), c.statuses);
        EXPECT_TRUE(h.ui.Of("confirm").empty());
        EXPECT_FALSE(h.engine->IsRunning());
        EXPECT_TRUE(ListNames(h.TargetDir()).empty());
    }
}

TEST(EngineSplitTest, MissingSourceEndsBeforeThePlanIsShown)
{
    SplitHarness h;
    h.inputs.sourceName = "absent.bin";
    h.SetPieceSize(4);
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.ui.Statuses(), (Texts{"Die Dateigrösse konnte nicht bestimmt werden."}));
    EXPECT_TRUE(h.ui.Of("confirm").empty());
    EXPECT_TRUE(h.ui.Of("error").empty());
    EXPECT_EQ(h.ui.HandOvers(), 0);
    EXPECT_TRUE(ListNames(h.TargetDir()).empty());
}

TEST(EngineSplitTest, PlanNotConfirmedOrNotValidIsCancelled)
{
    struct Case {
        const char* what;
        std::size_t size;
        std::int64_t piece;
        bool answer;
        bool directory = false; // the source name names a directory
    };
    const Case cases[] = {
        {"declined", 10, 4, false},
        // The engine checks the plan itself instead of trusting the window.
        {"single piece confirmed anyway", 3, 4, true},
        {"no piece size confirmed anyway", 10, 0, true},
        {"directory as source confirmed anyway", 0, 4, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SplitHarness h;
        if (c.directory) {
            h.inputs.sourceName = "folder";
            fs::create_directory(h.SourcePath());
        } else {
            h.SetSource("data.bin", RandomBytes(c.size, 41));
        }
        h.SetPieceSize(c.piece);
        h.ui.onConfirm = [&](const SplitPlan&) { return c.answer; };
        ASSERT_TRUE(h.Run());
        EXPECT_EQ(h.ui.Of("confirm").size(), 1u);
        EXPECT_EQ(h.ui.Statuses(), (Texts{"Der Vorgang wurde abgebrochen."}));
        EXPECT_TRUE(h.ui.Of("error").empty());
        EXPECT_EQ(h.ui.HandOvers(), 0);
        EXPECT_FALSE(h.engine->IsRunning());
        EXPECT_TRUE(ListNames(h.TargetDir()).empty());
    }
}

TEST(EngineSplitTest, NextSplitAfterAFailureStartsAfresh)
{
    SplitHarness h;
    const std::string source = RandomBytes(10, 43);
    h.SetSource("data.bin", source);
    h.SetPieceSize(4);
    fs::create_directory(h.TargetDir() + "data.003");
    ASSERT_TRUE(h.Run());
    EXPECT_FALSE(h.engine->LastSplitComplete());
    ASSERT_EQ(h.ui.Of("error").size(), 1u);

    fs::remove(h.TargetDir() + "data.003");
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.ui.Of("error").size(), 1u);
    EXPECT_EQ(h.ui.Statuses().back(), "Die Datei wurde erfolgreich aufgeteilt...");
    EXPECT_EQ(ReadFile(h.TargetDir() + "data.003"), Slice(source, 3, 4));
    EXPECT_EQ(ConfigBytes(ReadFile(h.TargetDir() + "_data.cfg")).crc, Crc32(source));
    EXPECT_TRUE(h.engine->LastSplitComplete());
    EXPECT_EQ(h.ui.HandOvers(), 2);
}

// The engine goes away while its worker runs. The worker is held inside its
// first StepProgress until the destructor has asked it to stop, so the stop
// always arrives mid-split; the front end is abandoned first, so that a
// completion delivered against the rules is counted instead of deadlocking
// the destructor's join.
TEST(EngineSplitTest, DestroyingTheEngineStopsTheWorkerWithoutCompletion)
{
    SplitHarness h;
    const std::size_t piece = 65536;
    const std::string head = RandomBytes(piece, 47);
    h.SetSource("data.bin", head);
    fs::resize_file(h.SourcePath(), 900 * piece); // the rest reads as zeros
    h.SetPieceSize(piece);

    std::atomic<CSplitJob*> running{nullptr};
    std::atomic<bool> stopSeen{false};
    h.ui.onStep = [&](int n) {
        if (n != 1)
            return;
        const auto deadline = std::chrono::steady_clock::now() + kHandOverTimeout;
        while (std::chrono::steady_clock::now() < deadline) {
            CSplitJob* job = running.load();
            if (job && job->m_bStopRequested) {
                stopSeen = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    h.engine->StartCommand(h.inputs, {.haveSource = true, .haveTarget = true, .havePieceSize = true});
    ASSERT_TRUE(h.engine->IsRunning());
    running = h.engine->m_pJob.get();
    ASSERT_TRUE(h.ui.WaitForSteps(1));

    h.ui.Abandon();
    h.engine.reset();

    EXPECT_TRUE(stopSeen);
    EXPECT_EQ(h.ui.HandOvers(), 0);
    EXPECT_EQ(h.ui.Steps(), 1);
    EXPECT_TRUE(h.ui.Of("error").empty());
    EXPECT_EQ(h.ui.Statuses(), (Texts{"Bitte warten..."}));
    // The piece written before the stop stays; nothing after it is begun.
    EXPECT_EQ(ListNames(h.TargetDir()), (Names{"data.001"}));
    EXPECT_EQ(ReadFile(h.TargetDir() + "data.001"), head);
}

} // namespace
} // namespace portelan::test
