// "Update suchen" from the main window's system menu, through the real
// WinInet client, against the test server that test_update_wine.sh starts.
// PORTELAN_UPDATE_URL points at the server, PORTELAN_UPDATE_SITE names the
// directory it serves; without them these tests are skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "SplitterWindow.h"
#include "splitter/ui/win32/Resource.h"

namespace portelan::test {
namespace {

constexpr UINT kUpdateCommand = 1049;

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Where the program under test (this executable) keeps its downloads.
std::string ProgramDir()
{
    char module[MAX_PATH] = "";
    DWORD n = GetModuleFileNameA(nullptr, module, sizeof module);
    std::string path(module, n);
    return path.substr(0, path.find_last_of('\\') + 1);
}

std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return "(clipboard not opened)";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            text = bytes;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(const std::string& text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

class WindowsUpdate : public ::testing::Test {
  protected:
    void SetUp() override
    {
        site = Environment("PORTELAN_UPDATE_SITE");
        if (site.empty() || Environment("PORTELAN_UPDATE_URL").empty())
            GTEST_SKIP() << "needs the test server (tests/win32/test_update_wine.sh)";
        CreateDirectoryA((site + "\\Updates").c_str(), nullptr);
        archive = RandomBytes(70000, 11);
        WriteBytes(site + "\\Updates\\portelan.zip", archive);
        local = ProgramDir() + "portelan.zip";
        DeleteFileA(local.c_str());
        SetClipboardText("before");
    }
    void TearDown() override
    {
        if (!local.empty())
            DeleteFileA(local.c_str());
    }

    void Manifest(const std::string& text) { WriteBytes(site + "\\Updates\\_updates.txt", text); }

    // Waits for a message box of the window's thread and returns its text.
    static HWND Box(const SplitterWindow& w, const std::string& caption)
    {
        return WaitForWindow(w.ThreadId(), caption, 20000);
    }
    static bool Press(HWND box, int button)
    {
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
        return WaitUntilGone(box);
    }
    // Opens the command and says yes to its question.
    static void StartCheck(const SplitterWindow& w)
    {
        PostMessageA(w.Hwnd(), WM_SYSCOMMAND, kUpdateCommand, 0);
        HWND ask = Box(w, "Update suchen...");
        ASSERT_NE(ask, nullptr);
        ASSERT_TRUE(Press(ask, IDYES));
    }

    std::string site;
    std::string archive;
    std::string local;
};

TEST_F(WindowsUpdate, NewerVersionIsDownloadedByteExactAndItsPathCopied)
{
    Manifest("# Portelan\nportelan;2;0;1;0;2008.9.6;0;500;Updates/;portelan.zip;\n");
    SplitterWindow w;
    ASSERT_NO_FATAL_FAILURE(StartCheck(w));

    HWND offer = Box(w, "Suche nach Updates...");
    ASSERT_NE(offer, nullptr);
    EXPECT_EQ(ItemText(offer, 0xFFFF),
              "Es existiert eine neuere Programm-Version:\nLokale Version:   2.0.0.6\n"
              "Aktuelle Version: 2.0.1.0\nGröße: 500 Byte\nHerunterladen ?");
    EXPECT_NE(GetDlgItem(offer, IDYES), nullptr);
    EXPECT_NE(GetDlgItem(offer, IDNO), nullptr);
    ASSERT_TRUE(Press(offer, IDYES));

    HWND done = Box(w, "Herunterladen erfolgreich");
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(ItemText(done, 0xFFFF),
              "Die neue Version (2.0.1.0) steht nun unter dem Pfad\n\"" + local + "\"\nzur Verfügung.");
    ASSERT_TRUE(Press(done, IDOK));
    w.Sync();

    EXPECT_EQ(ReadBytes(local), archive);
    EXPECT_EQ(ClipboardText(), local);
    // The manifest copy does not stay in the program's directory.
    EXPECT_FALSE(FileExists(ProgramDir() + "_updates.txt"));
}

TEST_F(WindowsUpdate, SameVersionOrADeclinedOfferDownloadsNothing)
{
    {
        Manifest("portelan;2;0;0;6;;2;1;Updates/;portelan.zip;\n");
        SplitterWindow w;
        ASSERT_NO_FATAL_FAILURE(StartCheck(w));
        HWND none = Box(w, "Suche nach Updates...");
        ASSERT_NE(none, nullptr);
        EXPECT_EQ(ItemText(none, 0xFFFF), "Keine neuere Version vorhanden");
        ASSERT_TRUE(Press(none, IDOK));
        w.Sync();
        EXPECT_FALSE(FileExists(local));
    }
    {
        Manifest("portelan;2;0;1;0;;2;1;Updates/;portelan.zip;\n");
        SplitterWindow w;
        ASSERT_NO_FATAL_FAILURE(StartCheck(w));
        HWND offer = Box(w, "Suche nach Updates...");
        ASSERT_NE(offer, nullptr);
        ASSERT_TRUE(Press(offer, IDNO));
        w.Sync();
        EXPECT_EQ(WaitForWindow(w.ThreadId(), "Herunterladen erfolgreich", 0), nullptr);
        EXPECT_FALSE(FileExists(local));
    }
    EXPECT_EQ(ClipboardText(), "before");
}

TEST_F(WindowsUpdate, OlderVersionIsNotOffered)
{
    Manifest("portelan;1;9;9;9;;2;1;Updates/;portelan.zip;\n");
    SplitterWindow w;
    ASSERT_NO_FATAL_FAILURE(StartCheck(w));
    HWND none = Box(w, "Suche nach Updates...");
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(ItemText(none, 0xFFFF), "Keine neuere Version vorhanden");
    ASSERT_TRUE(Press(none, IDOK));
    w.Sync();
    EXPECT_FALSE(FileExists(local));
}

// A manifest that is missing, names no "portelan", or offers a file name
// that would leave the program's directory: the check ends without a box of
// its own and writes nothing.
TEST_F(WindowsUpdate, UnusableManifestsEndSilently)
{
    const char* manifests[] = {
        nullptr, // no manifest at all: the server answers 404
        "# only a comment\n\nanderes;3;0;0;0;;2;1;Updates/;portelan.zip;\n",
        "portelan;9;0;0;0;;2;1;Updates/;..\\evil.zip;\n",
        "portelan;9;0;0;0;;2;1;../;portelan.zip;\n",
    };
    for (const char* text : manifests) {
        SCOPED_TRACE(text ? text : "(404)");
        DeleteFileA((site + "\\Updates\\_updates.txt").c_str());
        if (text)
            Manifest(text);
        SplitterWindow w;
        ASSERT_NO_FATAL_FAILURE(StartCheck(w));
        // Back in its own message loop, the window has ended the check.
        w.Sync();
        EXPECT_EQ(VisibleWindows(w.ThreadId()), std::vector<std::string>{"Portelan"});
        EXPECT_FALSE(FileExists(local));
        EXPECT_FALSE(FileExists(ProgramDir() + "..\\evil.zip"));
    }
    EXPECT_EQ(ClipboardText(), "before");
}

} // namespace
} // namespace portelan::test
