// The join itself: pieces appended under a temporary name, renamed into
// place only when complete, and every way that can go wrong.
#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "joiner/ConcatApp.h"
#include "joiner_frontend.h"

namespace portelan {
namespace {

namespace fs = std::filesystem;
using test::Concat;
using test::CRecordingFrontEnd;
using test::FileExists;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::string NotCreated(const std::string& target)
{
    return "Die Zieldatei \"" + target + "\" konnte nicht erstellt werden.";
}

// The progress window, once begun, is taken down again.
void ExpectProgressClosed(const CRecordingFrontEnd& ui)
{
    ASSERT_FALSE(ui.progress.empty());
    EXPECT_EQ(ui.progress.front(), "create:Bitte warten...");
    EXPECT_EQ(ui.progress.back(), "destroy");
    EXPECT_EQ(std::count(ui.progress.begin(), ui.progress.end(), "destroy"), 1);
    EXPECT_EQ(std::count(ui.progress.begin(), ui.progress.end(), "hide"), 1);
}

bool RunJoiner(CRecordingFrontEnd& ui, const std::string& modulePath)
{
    CConcatApp app(ui, modulePath);
    return app.InitInstance();
}

TEST(JoinerJoin, RebuildsTheFileAndReportsProgressAndSuccess)
{
    for (bool withChecksum : {false, true}) {
        SCOPED_TRACE(withChecksum ? "with checksum" : "without checksum");
        TempDir dir;
        const std::vector<std::string> parts = test::RandomParts({4000, 4000, 2000}, 30);
        test::WriteSet(dir.Dir(), "film", "avi", parts, withChecksum);
        const auto before = test::Snapshot(dir.Dir());

        CRecordingFrontEnd ui;
        EXPECT_TRUE(RunJoiner(ui, dir / "_film.exe"));
        EXPECT_TRUE(ReadFile(dir / "film.avi") == Concat(parts));
        EXPECT_TRUE(ui.errors.empty());
        EXPECT_TRUE(ui.questions.empty());
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, "Die Datei \"" + dir / "film.avi" + "\" wurde erstellt.");
        EXPECT_EQ(ui.messages[0].title, "Zusammenführung erfolgreich");
        const std::vector<std::string> progress = {"create:Bitte warten...",
                                                   "show",
                                                   "tip:Datei 1 von 3...",
                                                   "tip:Datei 2 von 3...",
                                                   "tip:Datei 3 von 3...",
                                                   "hide",
                                                   "destroy"};
        EXPECT_EQ(ui.progress, progress);

        // Apart from the rebuilt file the directory is as it was: no temporary file.
        EXPECT_TRUE(fs::remove(dir / "film.avi"));
        EXPECT_EQ(test::Snapshot(dir.Dir()), before);
    }
}

TEST(JoinerJoin, ReplacesAnOlderLongerFileCompletely)
{
    TempDir dir;
    const std::vector<std::string> parts = test::RandomParts({700, 300}, 31);
    test::WriteSet(dir.Dir(), "film", "avi", parts, true);
    WriteFile(dir / "film.avi", test::RandomBytes(5000, 99));

    CRecordingFrontEnd ui;
    EXPECT_TRUE(RunJoiner(ui, dir / "_film.exe"));
    EXPECT_TRUE(ReadFile(dir / "film.avi") == Concat(parts));
    EXPECT_TRUE(ui.errors.empty());
}

TEST(JoinerJoin, JoinsOnlyTheCountedPiecesAndPiecesOfAnySize)
{
    struct Case {
        std::vector<std::size_t> sizes;
        int count;
    };
    const std::vector<Case> cases = {
        {{1000, 1000, 1000, 1000, 1000}, 3}, // more pieces on disk than the set has
        {{1, 70000, 5, 3000, 2}, 5},         // unequal sizes
        {{123}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("count " + std::to_string(c.count) + " of " + std::to_string(c.sizes.size()));
        TempDir dir;
        const std::vector<std::string> parts = test::RandomParts(c.sizes, 40);
        test::WritePieces(dir.Dir(), "film", parts);
        const std::vector<std::string> counted(parts.begin(), parts.begin() + c.count);
        test::WriteConfig(dir / "_film.cfg", test::RecordFor("film", "avi", counted, true));

        CRecordingFrontEnd ui;
        EXPECT_TRUE(RunJoiner(ui, dir / "_film.exe"));
        EXPECT_TRUE(ReadFile(dir / "film.avi") == Concat(counted));
        EXPECT_TRUE(ui.errors.empty());
        const std::string lastTip =
            "tip:Datei " + std::to_string(c.count) + " von " + std::to_string(c.count) + "...";
        EXPECT_EQ(std::count(ui.progress.begin(), ui.progress.end(), lastTip), 1);
        EXPECT_EQ(std::count_if(ui.progress.begin(), ui.progress.end(),
                                [](const std::string& e) { return e.rfind("tip:", 0) == 0; }),
                  c.count);
    }
}

TEST(JoinerJoin, GivingUpOnAMissingPieceLeavesNothingButOneMessage)
{
    struct Case {
        std::string label;
        bool older;
        bool askAgain; // the first answer is a directory without the piece
    };
    const std::vector<Case> cases = {
        {"no older file", false, false},
        {"older file at the target", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir root;
        const std::string dir = root / "j/";
        const std::string empty = root / "empty/";
        fs::create_directories(dir);
        fs::create_directories(empty);
        const std::vector<std::string> parts = test::RandomParts({500, 500, 500, 500}, 50);
        test::WriteSet(dir, "film", "avi", parts, true);
        ASSERT_TRUE(fs::remove(dir + "film.002"));
        if (c.older)
            WriteFile(dir + "film.avi", test::RandomBytes(3000, 51));
        const auto before = test::Snapshot(root.Dir());

        CRecordingFrontEnd ui;
        if (c.askAgain)
            ui.answers = {empty};
        EXPECT_FALSE(RunJoiner(ui, dir + "_film.exe"));
        ASSERT_EQ(ui.questions.size(), c.askAgain ? 2u : 1u);
        EXPECT_EQ(ui.questions[0].dir, dir);
        EXPECT_EQ(ui.questions[0].fileName, "film.002");
        if (c.askAgain) {
            EXPECT_EQ(ui.questions[1].dir, empty);
            EXPECT_EQ(ui.questions[1].fileName, "film.002");
        }
        EXPECT_EQ(test::WithoutReasons(ui.errors), std::vector<std::string>{NotCreated(dir + "film.avi")});
        EXPECT_TRUE(ui.messages.empty());
        ExpectProgressClosed(ui);
        // No target, no temporary file; an older file unchanged.
        EXPECT_EQ(test::Snapshot(root.Dir()), before);
    }
}

TEST(JoinerJoin, MissingPieceFoundElsewhereAndLaterPiecesReadFromThere)
{
    TempDir root;
    const std::string dir = root / "j/";
    const std::string other = root / "other/";
    fs::create_directories(dir);
    fs::create_directories(other);
    const std::vector<std::string> parts = test::RandomParts({800, 800, 800, 800}, 60);
    test::WriteConfig(dir + "_film.cfg", test::RecordFor("film", "avi", parts, true));
    WriteFile(dir + "film.001", parts[0]);
    for (int i = 2; i <= 4; ++i)
        WriteFile(PieceFileName(other, "film", i), parts[static_cast<std::size_t>(i - 1)]);
    // Stale pieces in the first directory must not be taken once another one was chosen.
    WriteFile(dir + "film.003", test::RandomBytes(800, 61));
    WriteFile(dir + "film.004", test::RandomBytes(800, 62));

    CRecordingFrontEnd ui;
    ui.answers = {other};
    EXPECT_TRUE(RunJoiner(ui, dir + "_film.exe"));
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0].dir, dir);
    EXPECT_EQ(ui.questions[0].fileName, "film.002");
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_TRUE(ReadFile(dir + "film.avi") == Concat(parts));
    EXPECT_FALSE(FileExists(other + "film.avi"));
}

TEST(JoinerJoin, EmptyPieceGivesTwoMessagesInOrder)
{
    TempDir dir;
    const std::vector<std::string> parts = {test::RandomBytes(100, 70), "", test::RandomBytes(100, 71)};
    test::WriteSet(dir.Dir(), "film", "avi", parts, false);
    const auto before = test::Snapshot(dir.Dir());

    CRecordingFrontEnd ui;
    EXPECT_FALSE(RunJoiner(ui, dir / "_film.exe"));
    const std::vector<std::string> errors = {"\"" + dir / "film.002" + "\" hat eine Länge von Null.",
                                             NotCreated(dir / "film.avi")};
    EXPECT_EQ(ui.errors, errors);
    EXPECT_TRUE(ui.messages.empty());
    ExpectProgressClosed(ui);
    EXPECT_EQ(test::Snapshot(dir.Dir()), before);
}

TEST(JoinerJoin, TargetThatIsADirectoryIsNotWritten)
{
    TempDir dir;
    test::WriteSet(dir.Dir(), "film", "avi", test::RandomParts({100, 100}, 80), false);
    fs::create_directories(dir / "film.avi");
    WriteFile(dir / "film.avi/inside", "keep");
    const auto before = test::Snapshot(dir.Dir());

    CRecordingFrontEnd ui;
    EXPECT_FALSE(RunJoiner(ui, dir / "_film.exe"));
    EXPECT_EQ(test::WithoutReasons(ui.errors),
              std::vector<std::string>{"Die Zieldatei \"" + dir / "film.avi" +
                                       "\" konnte nicht geschrieben werden."});
    EXPECT_TRUE(ui.progress.empty());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(test::Snapshot(dir.Dir()), before);
}

TEST(JoinerJoin, TargetNamedLikeOneOfItsPiecesIsRefusedUpFront)
{
    for (const std::string ext : {"001", "003"}) {
        SCOPED_TRACE("x." + ext);
        TempDir dir;
        test::WriteSet(dir.Dir(), "x", ext, test::RandomParts({100, 100, 100}, 90), true);
        const auto before = test::Snapshot(dir.Dir());

        CRecordingFrontEnd ui;
        EXPECT_FALSE(RunJoiner(ui, dir / "_x.exe"));
        EXPECT_EQ(ui.errors, std::vector<std::string>{"Die Zieldatei \"" + dir / ("x." + ext) +
                                                      "\" ist zugleich eines der Teilstücke und wird nicht "
                                                      "überschrieben."});
        EXPECT_TRUE(ui.progress.empty());
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(test::Snapshot(dir.Dir()), before);
    }
}

TEST(JoinerJoin, TargetNamedLikeAPieceJoinsWhenThePiecesLieElsewhere)
{
    TempDir root;
    const std::string own = root / "own/";
    const std::string set = root / "set/";
    fs::create_directories(own);
    fs::create_directories(set);
    const std::vector<std::string> parts = test::RandomParts({100, 100, 100}, 91);
    test::WriteSet(set, "x", "001", parts, true);

    CRecordingFrontEnd ui;
    ui.answers = {set};
    EXPECT_TRUE(RunJoiner(ui, own + "_x.exe"));
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_TRUE(ReadFile(own + "x.001") == Concat(parts));
    EXPECT_TRUE(ReadFile(set + "x.001") == parts[0]);
}

TEST(JoinerJoin, ChecksumMismatchRemovesTheResult)
{
    for (bool older : {false, true}) {
        SCOPED_TRACE(older ? "older file at the target" : "no older file");
        TempDir dir;
        const std::vector<std::string> parts = test::RandomParts({3000, 3000, 3000}, 100);
        test::WriteSet(dir.Dir(), "film", "avi", parts, true);
        std::string corrupt = parts[1];
        corrupt[1234] = static_cast<char>(corrupt[1234] ^ 0x01);
        WriteFile(dir / "film.002", corrupt);
        if (older)
            WriteFile(dir / "film.avi", "older contents");
        const auto before = test::Snapshot(dir.Dir());

        CRecordingFrontEnd ui;
        EXPECT_FALSE(RunJoiner(ui, dir / "_film.exe"));
        const std::vector<std::string> errors = {"Die Prüfsumme der zusammengeführten Datei \"" +
                                                     dir / "film.avi" + "\" stimmt nicht.",
                                                 NotCreated(dir / "film.avi")};
        EXPECT_EQ(ui.errors, errors);
        EXPECT_TRUE(ui.messages.empty());
        ExpectProgressClosed(ui);
        EXPECT_EQ(test::Snapshot(dir.Dir()), before);
    }
}

TEST(JoinerJoin, WithoutTheMarkerNoChecksumIsCompared)
{
    const std::vector<std::array<unsigned char, 4>> markers = {
        {0, 0, 0, 0}, {'A', 'B', 'C', 'D'}, {'p', 'c', '3', '2'}};
    for (const auto& marker : markers) {
        SCOPED_TRACE(std::string(marker.begin(), marker.end()));
        TempDir dir;
        std::vector<std::string> parts = test::RandomParts({3000, 3000}, 110);
        CSplitConfig record = test::RecordFor("film", "avi", parts, true);
        record.m_reserved1 = marker; // the CRC of the intact pieces stays at 532
        test::WriteConfig(dir / "_film.cfg", record);
        parts[0][10] = static_cast<char>(parts[0][10] ^ 0x80);
        test::WritePieces(dir.Dir(), "film", parts);

        CRecordingFrontEnd ui;
        EXPECT_TRUE(RunJoiner(ui, dir / "_film.exe"));
        EXPECT_TRUE(ui.errors.empty());
        EXPECT_TRUE(ReadFile(dir / "film.avi") == Concat(parts));
    }
}

// The record's names are decoded as its marker says; the file is rebuilt
// under the UTF-8 name. The pieces may carry that name or, on a file system
// that is not UTF-8, the record's own bytes.
TEST(JoinerJoin, NamesAreDecodedAndPiecesFoundUnderEitherSpelling)
{
    const std::string suedtirol = "Südtirol";
    const std::string suedtirol1252 = "S\374dtirol"; // ü is 0xFC
    const std::string tokyo = "東京";
    struct Case {
        const char* what;
        std::array<unsigned char, 4> marker;
        std::string storedBase, ext;
        std::string piecesAs;  // the base name of the pieces on disk
        std::string staleAs;   // "": none; else pieces of other bytes under this name
        std::string rebuiltAs; // the base name of the rebuilt file
    };
    const std::array<unsigned char, 4> none{}, pc32{'P', 'C', '3', '2'}, pu32{'P', 'U', '3', '2'};
    const std::vector<Case> cases = {
        {"Windows-1252 without marker, pieces in UTF-8", none, suedtirol1252, "avi", suedtirol, "",
         suedtirol},
        {"Windows-1252 without marker, pieces in its bytes", none, suedtirol1252, "avi", suedtirol1252, "",
         suedtirol},
        {"PC32, pieces in its bytes", pc32, suedtirol1252, "avi", suedtirol1252, "", suedtirol},
        {"PU32", pu32, tokyo, "mp4", tokyo, "", tokyo},
        {"both spellings on disk: UTF-8 first", pc32, suedtirol1252, "avi", suedtirol, suedtirol1252,
         suedtirol},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::vector<std::string> parts = test::RandomParts({700, 700, 300}, 130);
        CSplitConfig record = test::RecordFor(c.storedBase, c.ext, parts, true);
        record.m_reserved1 = c.marker;
        test::WriteConfig(dir / "_x.cfg", record);
        test::WritePieces(dir.Dir(), c.piecesAs, parts);
        if (!c.staleAs.empty())
            test::WritePieces(dir.Dir(), c.staleAs, test::RandomParts({700, 700, 300}, 140));

        CRecordingFrontEnd ui;
        EXPECT_TRUE(RunJoiner(ui, dir / "_x"));
        EXPECT_TRUE(ui.errors.empty());
        EXPECT_TRUE(ui.questions.empty());
        const std::string target = dir / (c.rebuiltAs + "." + c.ext);
        EXPECT_TRUE(ReadFile(target) == Concat(parts));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, "Die Datei \"" + target + "\" wurde erstellt.");
        if (c.rebuiltAs != c.storedBase) {
            EXPECT_FALSE(FileExists(dir / (c.storedBase + "." + c.ext)));
        }
    }
}

TEST(JoinerJoin, AMissingPieceIsAskedForUnderItsUtf8Name)
{
    TempDir root;
    const std::string dir = root / "j/";
    const std::string other = root / "other/";
    fs::create_directories(dir);
    fs::create_directories(other);
    const std::vector<std::string> parts = test::RandomParts({500, 500}, 150);
    test::WriteConfig(dir + "_x.cfg", test::RecordFor("S\374d", "avi", parts, true)); // "Süd"
    WriteFile(dir + "S\374d.001", parts[0]);
    WriteFile(other + "S\374d.002", parts[1]);

    CRecordingFrontEnd ui;
    ui.answers = {other};
    EXPECT_TRUE(RunJoiner(ui, dir + "_x"));
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0].dir, dir);
    EXPECT_EQ(ui.questions[0].fileName, "Süd.002");
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_TRUE(ReadFile(dir + "Süd.avi") == Concat(parts));
}

TEST(JoinerJoin, WriteFailureUnderAFileSizeLimitKeepsTheOlderFile)
{
    for (bool withChecksum : {false, true}) {
        SCOPED_TRACE(withChecksum ? "with checksum" : "without checksum");
        TempDir dir;
        test::WriteSet(dir.Dir(), "film", "avi", test::RandomParts({40000, 40000, 40000}, 120), withChecksum);
        WriteFile(dir / "film.avi", test::RandomBytes(1000, 121));
        const auto before = test::Snapshot(dir.Dir());

        CRecordingFrontEnd ui;
        bool joined = true;
        {
            test::FileSizeLimit limit(50000);
            joined = RunJoiner(ui, dir / "_film.exe");
        }
        EXPECT_FALSE(joined);
        EXPECT_EQ(test::WithoutReasons(ui.errors), std::vector<std::string>{NotCreated(dir / "film.avi")});
        EXPECT_TRUE(ui.messages.empty());
        ExpectProgressClosed(ui);
        EXPECT_EQ(test::Snapshot(dir.Dir()), before);
    }
}

} // namespace
} // namespace portelan
