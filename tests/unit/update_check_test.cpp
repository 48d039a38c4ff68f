// The update check against a real HTTP server on 127.0.0.1 through libcurl.
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "splitter/update/posix/CurlHttpClient.h"
#include "update_support.h"

namespace portelan {
namespace {

using test::FileExists;
using test::ReadFile;
using test::ScriptedUi;
using test::TempDir;
using test::UpdateServer;
using test::WriteFile;

constexpr BoxAnswer kYes = BoxAnswer::Yes;

class UpdateCheck : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ::mkdir((site / "Updates").c_str(), 0755);
        archive = test::RandomBytes(70000, 5);
        WriteFile(site / "Updates/portelan.zip", archive);
    }

    void Manifest(const std::string& text) { WriteFile(site / "Updates/_updates.txt", text); }

    UpdateSettings Settings(const std::string& baseUrl)
    {
        UpdateSettings s;
        s.baseUrl = baseUrl;
        s.programDir = program.Dir();
        s.appName = "Portelan";
        s.localVersion = [] { return std::optional<VersionNumbers>(VersionNumbers{2, 0, 0, 6}); };
        return s;
    }

    std::size_t ProgramDirEntries()
    {
        std::size_t n = 0;
        for (auto it = std::filesystem::directory_iterator(program.Dir());
             it != std::filesystem::directory_iterator(); ++it)
            ++n;
        return n;
    }

    TempDir site;
    TempDir program;
    std::string archive;
    CCurlHttpClient http{"portelan-test"};
};

TEST_F(UpdateCheck, NewerVersionIsOfferedAndLandsByteExactInTheProgramDirectory)
{
    Manifest("# Portelan\nportelan;2;0;1;0;2008.9.6;0;500;Updates/;portelan.zip;\n");
    UpdateServer server(site.Dir());
    ScriptedUi ui({kYes});
    EXPECT_TRUE(CheckForUpdate("portelan", http, ui, Settings(server.Url())));

    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].caption, "Suche nach Updates...");
    EXPECT_EQ(ui.boxes[0].style, IUpdateUi::kYesNoQuestion);
    EXPECT_EQ(ui.boxes[0].text, "Es existiert eine neuere Programm-Version:\nLokale Version:   2.0.0.6\n"
                                "Aktuelle Version: 2.0.1.0\nGröße: 500 Byte\nHerunterladen ?");
    const std::string local = program / "portelan.zip";
    EXPECT_EQ(ui.boxes[1].caption, "Herunterladen erfolgreich");
    EXPECT_EQ(ui.boxes[1].style, IUpdateUi::kOkInformation);
    EXPECT_EQ(ui.boxes[1].text,
              "Die neue Version (2.0.1.0) steht nun unter dem Pfad\n\"" + local + "\"\nzur Verfügung.");
    EXPECT_EQ(ReadFile(local), archive);
    EXPECT_EQ(ui.clipboard, std::vector<std::string>{local});
    // The manifest copy is gone again, and no temporary file is left.
    EXPECT_EQ(ProgramDirEntries(), 1u);
}

TEST_F(UpdateCheck, EqualOrOlderVersionSaysSoAndDownloadsNothing)
{
    // Also when the line is cut short or its file name could not be offered.
    for (const char* line :
         {"portelan;2;0;0;6;;2;1;Updates/;portelan.zip;\n", "portelan;1;9;9;9;;2;1;Updates/;portelan.zip;\n",
          "portelan;2;0;\n", "portelan;1;0;0;0;;2;1;Updates/;../escaped.zip;\n"}) {
        SCOPED_TRACE(line);
        Manifest(line);
        UpdateServer server(site.Dir());
        ScriptedUi ui({kYes});
        EXPECT_FALSE(CheckForUpdate("portelan", http, ui, Settings(server.Url())));
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].text, "Keine neuere Version vorhanden");
        EXPECT_EQ(ui.boxes[0].caption, "Suche nach Updates...");
        EXPECT_EQ(ui.boxes[0].style, IUpdateUi::kOk);
        EXPECT_EQ(ProgramDirEntries(), 0u);
    }
}

TEST_F(UpdateCheck, UnreadableOwnVersionCountsAsNotNewer)
{
    Manifest("portelan;9;0;0;0;;2;1;Updates/;portelan.zip;\n");
    UpdateServer server(site.Dir());
    ScriptedUi ui({kYes});
    UpdateSettings settings = Settings(server.Url());
    settings.localVersion = [] { return std::optional<VersionNumbers>(); };
    EXPECT_FALSE(CheckForUpdate("portelan", http, ui, settings));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Keine neuere Version vorhanden");
}

TEST_F(UpdateCheck, TheFirstOfTwoEntriesCountsAmidCommentsEmptyAndLongLines)
{
    std::string longLine = "portelan;9;9;9;9;;0;1;Updates/;wrong.zip;";
    longLine.resize(1500, 'x');
    Manifest("#portelan;9;9;9;9;;0;1;Updates/;comment.zip;\n\nother;1;\n" + longLine +
             "\nportelan;3;0;0;0;;1;69;Updates/;portelan.zip;\nportelan;4;0;0;0;;1;1;Updates/;later.zip;\n");
    // The long line's first piece is the first "portelan" entry; make its file exist.
    WriteFile(site / "Updates/wrong.zip", "w");
    UpdateServer server(site.Dir());
    ScriptedUi ui({kYes});
    EXPECT_TRUE(CheckForUpdate("portelan", http, ui, Settings(server.Url())));
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_NE(ui.boxes[0].text.find("Aktuelle Version: 9.9.9.9\n"), std::string::npos);
    EXPECT_EQ(ReadFile(program / "wrong.zip"), "w");
}

TEST_F(UpdateCheck, NoToTheOfferDownloadsNothing)
{
    Manifest("portelan;2;0;1;0;;7;3;Updates/;portelan.zip;\n");
    UpdateServer server(site.Dir());
    ScriptedUi ui({BoxAnswer::No});
    EXPECT_FALSE(CheckForUpdate("portelan", http, ui, Settings(server.Url())));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find("Größe: 3 ???\n"), std::string::npos);
    EXPECT_EQ(ProgramDirEntries(), 0u);
}

TEST_F(UpdateCheck, NoManifestNoEntryOrEmptyManifestEndSilently)
{
    UpdateServer server(site.Dir());
    for (const char* manifest : std::initializer_list<const char*>{
             "", "# only a comment\n", "other;9;9;9;9;;0;1;Updates/;portelan.zip;\n",
             "Portelan;9;9;9;9;;0;1;Updates/;portelan.zip;\n", nullptr}) {
        SCOPED_TRACE(manifest ? manifest : "(404)");
        if (manifest)
            Manifest(manifest);
        else
            ::unlink((site / "Updates/_updates.txt").c_str());
        ScriptedUi ui({kYes, kYes});
        EXPECT_FALSE(RunUpdateCommand("portelan", http, ui, Settings(server.Url())));
        EXPECT_EQ(ui.boxes.size(), 1u); // only the first question
        EXPECT_EQ(ui.waitShown, 1);
        EXPECT_EQ(ui.waitDepth, 0);
        EXPECT_EQ(ProgramDirEntries(), 0u);
    }
}

TEST_F(UpdateCheck, FirstQuestionAnsweredNoTouchesNoNetwork)
{
    Manifest("portelan;9;0;0;0;;2;1;Updates/;portelan.zip;\n");
    std::string log = site / "requests.log";
    UpdateServer server(site.Dir(), log);
    ScriptedUi ui;
    EXPECT_FALSE(RunUpdateCommand("portelan", http, ui, Settings(server.Url())));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "Update suchen...");
    EXPECT_EQ(ui.boxes[0].style, IUpdateUi::kYesNoInformation);
    EXPECT_EQ(ui.waitShown, 0);
    EXPECT_FALSE(FileExists(log));
}

TEST_F(UpdateCheck, HostileFileNamesAreNeverOfferedNorWritten)
{
    for (const char* name : {"../escaped.zip", "sub/escaped.zip", "..", "a\\b.zip", ""}) {
        SCOPED_TRACE(name);
        Manifest(std::string("portelan;9;0;0;0;;2;1;Updates/;") + name + ";\n");
        UpdateServer server(site.Dir());
        ScriptedUi ui({kYes});
        EXPECT_FALSE(CheckForUpdate("portelan", http, ui, Settings(server.Url())));
        EXPECT_TRUE(ui.boxes.empty());
        EXPECT_EQ(ProgramDirEntries(), 0u);
        EXPECT_FALSE(FileExists(program.Dir() + "../escaped.zip"));
    }
}

TEST_F(UpdateCheck, DownloadFileReportsHttpErrorsAndBadUrls)
{
    UpdateServer server(site.Dir());
    ScriptedUi ui;
    const std::string local = program / "out.bin";

    std::string error;
    EXPECT_FALSE(DownloadFile(http, ui, "Portelan", server.Url("missing.zip"), local, error));
    EXPECT_EQ(error, "Error: HTTP");
    EXPECT_FALSE(FileExists(local));

    for (const char* url : {"ftp://127.0.0.1/x", "not a url", "http://", "https://", "file:///etc/passwd"}) {
        error.clear();
        EXPECT_FALSE(DownloadFile(http, ui, "Portelan", url, local, error)) << url;
        EXPECT_EQ(error, "Parse-Error: URL") << url;
    }
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ProgramDirEntries(), 0u);
}

TEST_F(UpdateCheck, DownloadFileFollowsRedirectsAndKeepsEmptyBodies)
{
    WriteFile(site / "empty.bin", "");
    UpdateServer server(site.Dir());
    ScriptedUi ui;
    std::string error = "untouched";
    EXPECT_TRUE(DownloadFile(http, ui, "Portelan", server.Url("redirect/Updates/portelan.zip"),
                             program / "r.zip", error));
    EXPECT_EQ(error, "untouched");
    EXPECT_EQ(ReadFile(program / "r.zip"), archive);

    EXPECT_TRUE(DownloadFile(http, ui, "Portelan", server.Url("empty.bin"), program / "e.bin", error));
    EXPECT_TRUE(FileExists(program / "e.bin"));
    EXPECT_EQ(ReadFile(program / "e.bin"), "");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(UpdateCheck, UnreachableServerShowsTheNetworkErrorOnlyAndWritesNothing)
{
    ScriptedUi ui({kYes});
    std::string base = "http://127.0.0.1:" + std::to_string(test::UnusedPort()) + "/";
    EXPECT_FALSE(RunUpdateCommand("portelan", http, ui, Settings(base)));
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].caption, "Portelan");
    EXPECT_FALSE(ui.boxes[1].text.empty());
    EXPECT_EQ(ui.waitDepth, 0);
    EXPECT_EQ(ProgramDirEntries(), 0u);
}

TEST_F(UpdateCheck, DownloadCutMidwayLeavesNothingUnderTheFinalName)
{
    Manifest("portelan;9;0;0;0;;2;1;cut/30000/Updates/;portelan.zip;\n");
    WriteFile(program / "portelan.zip", "older download");
    UpdateServer server(site.Dir());
    ScriptedUi ui({kYes});
    EXPECT_FALSE(CheckForUpdate("portelan", http, ui, Settings(server.Url())));
    ASSERT_EQ(ui.boxes.size(), 3u);
    EXPECT_EQ(ui.boxes[1].caption, "Portelan"); // the network failure's own box
    EXPECT_EQ(ui.boxes[2].caption, "Fehler beim Herunterladen");
    EXPECT_EQ(ui.boxes[2].style, IUpdateUi::kOkStop);
    EXPECT_EQ(ui.boxes[2].text, "Die Datei konnte nicht herunter geladen werden.\nErrorcode: ");
    // The earlier file stays as it was; nothing else is left behind.
    EXPECT_EQ(ReadFile(program / "portelan.zip"), "older download");
    EXPECT_EQ(ProgramDirEntries(), 1u);
}

TEST_F(UpdateCheck, MissingArchiveGivesTheHttpErrorCode)
{
    Manifest("portelan;9;0;0;0;;2;1;Updates/;gone.zip;\n");
    UpdateServer server(site.Dir());
    ScriptedUi ui({kYes});
    EXPECT_FALSE(CheckForUpdate("portelan", http, ui, Settings(server.Url())));
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].text, "Die Datei konnte nicht herunter geladen werden.\nErrorcode: Error: HTTP");
    EXPECT_EQ(ProgramDirEntries(), 0u);
}

TEST_F(UpdateCheck, UnwritableProgramDirectoryGivesTheOpenText)
{
    UpdateServer server(site.Dir());
    ScriptedUi ui;
    // A path under a regular file cannot be created, not even by root.
    WriteFile(program / "plain", "x");
    const std::string local = program / "plain/out.zip";
    std::string error;
    EXPECT_FALSE(DownloadFile(http, ui, "Portelan", server.Url("Updates/portelan.zip"), local, error));
    EXPECT_EQ(error, "Die Datei '" + local + "' konnte nicht zum Schreiben geöffnet werden.");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(UpdateCheck, WriteFailureMidwayRemovesTheTemporaryFile)
{
    UpdateServer server(site.Dir());
    ScriptedUi ui;
    std::string error;
    {
        test::FileSizeLimit limit(10000);
        EXPECT_FALSE(
            DownloadFile(http, ui, "Portelan", server.Url("Updates/portelan.zip"), program / "p.zip", error));
    }
    EXPECT_EQ(error, "");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text,
              "In die Datei \"" + (program / "p.zip") + "\" konnte nicht geschrieben werden.");
    EXPECT_EQ(ProgramDirEntries(), 0u);
}

// The eleventh field: a matching SHA-256 lets the archive in, a mismatching
// one removes it before it replaces the older file and says so; an empty
// or malformed field is ignored, as readers of ten fields ignore it.
TEST_F(UpdateCheck, AnEleventhFieldChecksTheArchivesSha256)
{
    WriteFile(site / "Updates/abc.zip", "abc");
    const std::string abc = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
    const std::string other(64, '0');
    struct Case {
        std::string field;
        bool accepted;
    } cases[] = {{abc + ";", true},
                 {other + ";", false},
                 {"", true},
                 {abc.substr(1) + ";", true},
                 {"x" + abc.substr(1), true}};
    UpdateServer server(site.Dir());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        WriteFile(program / "abc.zip", "older download");
        Manifest("portelan;9;0;0;0;;0;3;Updates/;abc.zip;" + c.field + "\n");
        ScriptedUi ui({kYes});
        EXPECT_EQ(CheckForUpdate("portelan", http, ui, Settings(server.Url())), c.accepted);
        ASSERT_EQ(ui.boxes.size(), 2u);
        if (c.accepted) {
            EXPECT_EQ(ui.boxes[1].caption, "Herunterladen erfolgreich");
            EXPECT_EQ(ReadFile(program / "abc.zip"), "abc");
        } else {
            EXPECT_EQ(ui.boxes[1].caption, "Fehler beim Herunterladen");
            EXPECT_EQ(ui.boxes[1].style, IUpdateUi::kOkStop);
            EXPECT_EQ(ui.boxes[1].text, "Die heruntergeladene Datei \"" + (program / "abc.zip") +
                                            "\" ist beschädigt und wurde gelöscht.");
            EXPECT_EQ(ReadFile(program / "abc.zip"), "older download");
            EXPECT_TRUE(ui.clipboard.empty());
        }
        EXPECT_EQ(ProgramDirEntries(), 1u); // no part file
    }
}

// HTTPS against a server with certificates made for this test: trusted
// through CURL_CA_BUNDLE it downloads byte-exact; a certificate of an
// unknown authority or for another host name is refused with a box of its
// own, and nothing in the program's directory changes.
TEST_F(UpdateCheck, HttpsVerifiesTheCertificateAndTheHostName)
{
    TempDir certificates;
    ASSERT_EQ(std::system(("bash '" PORTELAN_TEST_MAKE_CERTS "' '" + certificates.Dir() + "'").c_str()), 0);
    test::ScopedEnv bundle("CURL_CA_BUNDLE", certificates / "ca.pem");
    Manifest("portelan;9;0;0;0;;2;1;Updates/;portelan.zip;\n");
    WriteFile(program / "portelan.zip", "older download");
    for (const char* name : {"untrusted", "other", "good"}) {
        SCOPED_TRACE(name);
        UpdateServer server(site.Dir(), "",
                            test::TlsFiles{certificates / (name + std::string(".pem")),
                                           certificates / (name + std::string(".key"))});
        ScriptedUi ui({kYes, kYes});
        const bool good = std::string(name) == "good";
        EXPECT_EQ(RunUpdateCommand("portelan", http, ui, Settings(server.Url())), good);
        if (good) {
            EXPECT_EQ(ReadFile(program / "portelan.zip"), archive);
            EXPECT_EQ(ui.boxes.back().caption, "Herunterladen erfolgreich");
            continue;
        }
        ASSERT_EQ(ui.boxes.size(), 2u);
        EXPECT_EQ(ui.boxes[1].caption, "Portelan");
        EXPECT_TRUE(ui.boxes[1].text.starts_with("Die Verbindung zu \"" + server.Url("Updates/_updates.txt") +
                                                 "\" konnte nicht gesichert werden.\n"))
            << ui.boxes[1].text;
        EXPECT_EQ(ReadFile(program / "portelan.zip"), "older download");
        EXPECT_EQ(ProgramDirEntries(), 1u);
    }
}

} // namespace
} // namespace portelan
