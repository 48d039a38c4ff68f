// The joiner before the join: its own name, finding and checking the
// configuration file, and the free space beside it.
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "joiner/ConcatApp.h"
#include "joiner_frontend.h"

namespace portelan {
namespace {

using test::CRecordingFrontEnd;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(JoinerModule, DirectoryAndLowerCaseBaseNameOfTheOwnFile)
{
    struct Case {
        std::string modulePath, dir, baseName;
    };
    const std::vector<Case> cases = {
        {"/x/y/_Film.EXE", "/x/y/", "_film"},
        {"/x/y/_film.exe", "/x/y/", "_film"},
        {"/x/_Archive.Tar.exe", "/x/", "_archive.tar"},
        {"/x/_film", "/x/", "_film"},
        // The Linux joiner has no extension to cut: its whole name names the set.
        {"/x/_Archive.Tar", "/x/", "_archive.tar"},
        {"/x/_my film.v2", "/x/", "_my film.v2"},
        {"/_README.exe", "/", "_readme"},
    };
    for (const Case& c : cases) {
        CRecordingFrontEnd ui;
        CConcatApp app(ui, c.modulePath);
        EXPECT_EQ(app.GetModuleDir(), c.dir) << c.modulePath;
        EXPECT_EQ(app.GetModuleBaseName(), c.baseName) << c.modulePath;
    }
}

// Joins a three-piece set whose cfg has a given spelling, started under a
// given joiner name.
TEST(JoinerConfigLookup, FindsTheCfgWhateverItsCase)
{
    struct Case {
        std::string joinerName, cfgName;
    };
    const std::vector<Case> cases = {
        {"_Film.EXE", "_film.cfg"}, // lower-cased name
        {"_Film.exe", "_Film.cfg"}, // the name as it is
        {"_FILM.exe", "_fIlM.cfg"}, // any spelling in the directory
        {"_film.exe", "_FILM.CFG"},
    };
    const std::vector<std::string> parts = test::RandomParts({3000, 3000, 17});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.joinerName + " with " + c.cfgName);
        TempDir dir;
        test::WritePieces(dir.Dir(), "film", parts);
        test::WriteConfig(dir / c.cfgName, test::RecordFor("film", "avi", parts, true));

        CRecordingFrontEnd ui;
        CConcatApp app(ui, dir / c.joinerName);
        EXPECT_TRUE(app.InitInstance());
        EXPECT_TRUE(ui.questions.empty());
        EXPECT_TRUE(ui.errors.empty());
        EXPECT_TRUE(ReadFile(dir / "film.avi") == test::Concat(parts));
    }
}

TEST(JoinerConfigLookup, NameAsItIsComesBeforeTheLowerCasedOne)
{
    // On a file system that tells cases apart both may exist; the exact
    // spelling names the set, the other one points at pieces that are not there.
    const std::vector<std::string> parts = test::RandomParts({100, 50});
    TempDir dir;
    test::WritePieces(dir.Dir(), "film", parts);
    test::WriteConfig(dir / "_Film.cfg", test::RecordFor("film", "avi", parts, false));
    test::WriteConfig(dir / "_film.cfg", test::RecordFor("decoy", "bin", parts, false));

    CRecordingFrontEnd ui;
    CConcatApp app(ui, dir / "_Film.exe");
    EXPECT_TRUE(app.InitInstance());
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_TRUE(ReadFile(dir / "film.avi") == test::Concat(parts));
    EXPECT_FALSE(test::FileExists(dir / "decoy.bin"));
}

TEST(JoinerConfigLookup, NoCfgAsksForItsDirectoryAndGivingUpEndsQuietly)
{
    struct Case {
        std::string joinerName, asked;
    };
    const std::vector<Case> cases = {{"kopie.exe", "kopie.cfg"}, {"_Kopie.EXE", "_kopie.cfg"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.joinerName);
        TempDir dir;
        // Another set beside it is none of this joiner's business.
        test::WriteSet(dir.Dir(), "film", "avi", test::RandomParts({10, 10}), false);
        const auto before = test::Snapshot(dir.Dir());

        CRecordingFrontEnd ui;
        CConcatApp app(ui, dir / c.joinerName);
        EXPECT_FALSE(app.InitInstance());
        ASSERT_EQ(ui.questions.size(), 1u);
        EXPECT_EQ(ui.questions[0].dir, dir.Dir());
        EXPECT_EQ(ui.questions[0].fileName, c.asked);
        EXPECT_TRUE(ui.errors.empty());
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_TRUE(ui.progress.empty());
        EXPECT_EQ(test::Snapshot(dir.Dir()), before);
    }
}

TEST(JoinerConfigLookup, CfgFoundElsewhereReadsThePiecesThereAndRebuildsHere)
{
    TempDir root;
    const std::string own = root / "own/";
    const std::string empty = root / "empty/";
    const std::string set = root / "set/";
    std::filesystem::create_directories(own);
    std::filesystem::create_directories(empty);
    std::filesystem::create_directories(set);
    const std::vector<std::string> parts = test::RandomParts({4096, 4096, 100}, 20);
    test::WriteSet(set, "film", "avi", parts, true);

    CRecordingFrontEnd ui;
    ui.answers = {empty, set};
    CConcatApp app(ui, own + "_film.exe");
    EXPECT_TRUE(app.InitInstance());

    ASSERT_EQ(ui.questions.size(), 2u);
    EXPECT_EQ(ui.questions[0].dir, own);
    EXPECT_EQ(ui.questions[0].fileName, "_film.cfg");
    EXPECT_EQ(ui.questions[1].dir, empty);
    EXPECT_EQ(ui.questions[1].fileName, "_film.cfg");
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(app.m_strDir, set);

    EXPECT_TRUE(ReadFile(own + "film.avi") == test::Concat(parts));
    EXPECT_FALSE(test::FileExists(set + "film.avi"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Die Datei \"" + own + "film.avi\" wurde erstellt.");
}

// A record that no join may follow; the pieces its names point at exist
// wherever a file of that name can, so only the refusal keeps them apart.
struct BadRecord {
    std::string label;
    std::int32_t count;
    std::string base, ext;
};

TEST(JoinerConfigCheck, RefusesUnusableRecordsNamingTheCfg)
{
    const std::vector<BadRecord> cases = {
        {"count 0", 0, "film", "avi"},
        {"count -1", -1, "film", "avi"},
        {"lowest count", std::numeric_limits<std::int32_t>::min(), "film", "avi"},
        {"count 1000", 1000, "film", "avi"},
        {"highest count", std::numeric_limits<std::int32_t>::max(), "film", "avi"},
        {"empty base", 2, "", "profile"},
        {"empty extension", 2, "film", ""},
        {"slash in base", 2, "sub/film", "avi"},
        {"slash in extension", 2, "film", "a/vi"},
        {"backslash in base", 2, "..\\x", "avi"},
        {"backslash in extension", 2, "film", "\\avi"},
        {"control character in base", 2, "fi\x01lm", "avi"},
        {"tab in extension", 2, "film", "a\tvi"},
        {"newline in base", 2, "film\n", "avi"},
        {"DEL in extension", 2, "film", "avi\x7F"},
    };
    const std::vector<std::string> parts = test::RandomParts({64, 64});
    for (const BadRecord& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir root;
        const std::string dir = root / "j/";
        std::filesystem::create_directories(dir + "sub");
        if (c.base.find('/') == std::string::npos)
            test::WritePieces(dir, c.base, parts);
        test::WritePieces(dir + "sub/", "film", parts);
        CSplitConfig record(c.count, c.base, c.ext, 128);
        test::WriteConfig(dir + "_film.cfg", record);
        const auto before = test::Snapshot(root.Dir());

        CRecordingFrontEnd ui;
        CConcatApp app(ui, dir + "_film.exe");
        EXPECT_FALSE(app.InitInstance());
        ASSERT_EQ(ui.errors.size(), 1u);
        EXPECT_NE(ui.errors[0].find("\"" + dir + "_film.cfg\""), std::string::npos) << ui.errors[0];
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_TRUE(ui.progress.empty());
        EXPECT_TRUE(ui.questions.empty());
        EXPECT_EQ(test::Snapshot(root.Dir()), before);
    }
}

// "." and ".." never name a file alone here: an extension "." gives
// "film..", a file like any other on Linux (on Windows a final dot is
// refused), so records of other makers that carry one join.
TEST(JoinerConfigCheck, DotExtensionsJoinIntoTheirOwnDirectory)
{
    const std::pair<std::string, std::string> names[] = {{"film", "."}, {"film", ".."}};
    const std::vector<std::string> parts = test::RandomParts({64, 64});
    for (const auto& [base, ext] : names) {
        SCOPED_TRACE(base + " / " + ext);
        TempDir root;
        const std::string dir = root / "j/";
        std::filesystem::create_directories(dir);
        test::WritePieces(dir, base, parts);
        test::WriteConfig(dir + "_film.cfg", test::RecordFor(base, ext, parts, true));
        CRecordingFrontEnd ui;
        CConcatApp app(ui, dir + "_film");
        EXPECT_TRUE(app.InitInstance());
        EXPECT_TRUE(ui.errors.empty());
        EXPECT_TRUE(ReadFile(dir + base + "." + ext) == test::Concat(parts));
        EXPECT_EQ(test::Snapshot(root.Dir()).size(), 2u + parts.size() + 1);
    }
}

TEST(JoinerConfigCheck, NamesNotValidInTheirEncodingAreRefused)
{
    struct Case {
        const char* what;
        const char* marker; // four bytes, or "" for none
        std::string base, ext;
    };
    const std::vector<Case> cases = {
        {"Windows-1252 bytes after PU32", "PU32", "S\374dtirol", "avi"},
        {"cut UTF-8 extension after PU32", "PU32", "film", "av\xC3"},
        {"overlong UTF-8 after PU32", "PU32", "\xC0\xAE\xC0\xAE", "avi"},
        {"byte for nothing, no marker", "", "fi\x81lm", "avi"},
        {"byte for nothing after PC32", "PC32", "film", "av\x9D"},
    };
    const std::vector<std::string> parts = test::RandomParts({64, 64});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir root;
        const std::string dir = root / "j/";
        std::filesystem::create_directories(dir);
        // Pieces under the stored bytes: only the refusal keeps them apart.
        test::WritePieces(dir, c.base, parts);
        CSplitConfig::Image image = CSplitConfig(2, c.base, c.ext, 128).Serialize();
        std::copy(c.marker, c.marker + std::char_traits<char>::length(c.marker), image.begin() + 4);
        WriteFile(dir + "_film.cfg", std::string(image.begin(), image.end()));
        const auto before = test::Snapshot(root.Dir());

        CRecordingFrontEnd ui;
        CConcatApp app(ui, dir + "_film");
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(ui.errors,
                  std::vector<std::string>{"Die Konfigurationsdatei \"" + dir +
                                           "_film.cfg\" ist ungültig:\r\nDer Dateiname ist in "
                                           "seiner Kodierung (Windows-1252 oder UTF-8) ungültig."});
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_TRUE(ui.progress.empty());
        EXPECT_TRUE(ui.questions.empty());
        EXPECT_EQ(test::Snapshot(root.Dir()), before);
    }
}

TEST(JoinerConfigCheck, EmptyCfgIsRefused)
{
    TempDir dir;
    test::WritePieces(dir.Dir(), "film", test::RandomParts({10}));
    WriteFile(dir / "_film.cfg", "");
    const auto before = test::Snapshot(dir.Dir());

    CRecordingFrontEnd ui;
    CConcatApp app(ui, dir / "_film.exe");
    EXPECT_FALSE(app.InitInstance());
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find("\"" + dir / "_film.cfg\""), std::string::npos) << ui.errors[0];
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_TRUE(ui.progress.empty());
    EXPECT_EQ(test::Snapshot(dir.Dir()), before);
}

TEST(JoinerFreeSpace, OwnDirectoryThatCannotBeQueriedRefusesWithTheNeededSize)
{
    TempDir root;
    const std::string set = root / "set/";
    std::filesystem::create_directories(set);
    // 10000 bytes: "9.8 KB".
    test::WriteSet(set, "film", "avi", test::RandomParts({4000, 4000, 2000}), false);
    const auto before = test::Snapshot(root.Dir());

    CRecordingFrontEnd ui;
    ui.answers = {set};
    const std::string own = root / "missing/";
    CConcatApp app(ui, own + "_film.exe");
    EXPECT_FALSE(app.InitInstance());
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0].dir, own);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Fehler: Zu wenig Speicherplatz (9.8 KB) auf \"" + own +
                                "\".\r\nSie benötigen mindestens 9.8 KB.");
    EXPECT_TRUE(ui.progress.empty());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(test::Snapshot(root.Dir()), before);
}

TEST(JoinerFreeSpace, FullVolumeRefusesWithTheFreeAndTheNeededSize)
{
    // /proc is a real volume with no free bytes.
    TempDir root;
    test::WriteSet(root.Dir(), "film", "avi", test::RandomParts({1024, 512}), false);
    const auto before = test::Snapshot(root.Dir());

    CRecordingFrontEnd ui;
    ui.answers = {root.Dir()};
    CConcatApp app(ui, "/proc/_film.exe");
    EXPECT_FALSE(app.InitInstance());
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0],
              "Fehler: Zu wenig Speicherplatz (0 Bytes) auf \"/proc/\".\r\nSie benötigen mindestens 1.5 KB.");
    EXPECT_TRUE(ui.progress.empty());
    EXPECT_EQ(test::Snapshot(root.Dir()), before);
}

} // namespace
} // namespace portelan
