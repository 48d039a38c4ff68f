// "Update suchen" from the main window's system menu, through the real
// WinInet client, against the test server that test_update_wine.sh starts.
// PORTELAN_UPDATE_URL points at the server, PORTELAN_UPDATE_SITE names the
// directory it serves, PORTELAN_UPDATE_LOG the file it logs requests to and
// PORTELAN_UPDATE_CLOSED_URL a port on which nobody listens and
// PORTELAN_UPDATE_UNTRUSTED_URL the same site over HTTPS with a certificate
// nobody trusts; without them these tests are skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "SplitterWindow.h"
#include "platform/win32/WideText.h"
#include "splitter/ui/win32/Resource.h"
#include "texts/Language.h"

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
    wchar_t module[MAX_PATH] = L"";
    DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::string path = platform::ToUtf8(std::wstring_view(module, n));
    return path.substr(0, path.find_last_of('\\') + 1);
}

std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return "(clipboard not opened)";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = platform::ToUtf8(chars);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// The files in a directory (ending in a backslash), sorted.
std::vector<std::string> FilesIn(const std::string& dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(platform::ToWide(dir + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(platform::ToUtf8(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// Sets an environment variable of this process (the window reads the
// update URL from it at each check) and restores it at the end.
class ScopedEnvironment {
  public:
    ScopedEnvironment(std::string name, const std::string& value) : m_name(std::move(name))
    {
        const char* old = std::getenv(m_name.c_str());
        m_old = old ? old : "";
        _putenv((m_name + "=" + value).c_str());
    }
    ~ScopedEnvironment() { _putenv((m_name + "=" + m_old).c_str()); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    std::string m_name;
    std::string m_old;
};

// Every visible window of a thread with its title and message, for the
// failure messages.
std::string DescribeWindows(DWORD threadId)
{
    std::ostringstream out;
    FindThreadWindow(
        threadId,
        [&](HWND hwnd) {
            out << "\n  \"" << WindowText(hwnd) << "\": \"" << ItemText(hwnd, 0xFFFF) << "\"";
            return false;
        },
        0);
    return out.str();
}

// The main window with whatever message boxes a failed test left open
// dismissed before it closes: a box still open would keep the window's
// thread in its modal loop, and closing the window would wait for ever.
class UpdateWindow : public SplitterWindow {
  public:
    ~UpdateWindow()
    {
        for (int round = 0; round < 10; ++round) {
            Sync(); // the thread is in a message loop again (a box's or its own)
            HWND box = FindThreadWindow(
                ThreadId(), [&](HWND hwnd) { return hwnd != Hwnd(); },
                ::testing::Test::HasFailure() ? 1000 : 0);
            if (!box)
                break;
            ADD_FAILURE() << "left open: \"" << WindowText(box) << "\": \"" << ItemText(box, 0xFFFF) << "\"";
            int button = GetDlgItem(box, IDNO) ? IDNO : GetDlgItem(box, IDOK) ? IDOK : IDCANCEL;
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
            WaitUntilGone(box, 5000);
        }
    }
};

// Points the system's proxy settings (those of the Internet options) at
// a proxy for as long as it lives, then puts back what was there.
class ScopedSystemProxy {
  public:
    explicit ScopedSystemProxy(const std::string& server)
    {
        RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
        for (Value& v : m_values) {
            DWORD size = sizeof v.data;
            v.existed = RegQueryValueExW(m_key, v.name, nullptr, &v.type, v.data, &size) == ERROR_SUCCESS;
            v.size = size;
        }
        DWORD enable = 1;
        const std::wstring wide = platform::ToWide(server);
        RegSetValueExW(m_key, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                       sizeof enable);
        RegSetValueExW(m_key, L"ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                       static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
        RegDeleteValueW(m_key, L"ProxyOverride");
    }
    ~ScopedSystemProxy()
    {
        for (const Value& v : m_values) {
            if (v.existed)
                RegSetValueExW(m_key, v.name, 0, v.type, v.data, v.size);
            else
                RegDeleteValueW(m_key, v.name);
        }
        RegCloseKey(m_key);
    }
    ScopedSystemProxy(const ScopedSystemProxy&) = delete;
    ScopedSystemProxy& operator=(const ScopedSystemProxy&) = delete;

  private:
    static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    struct Value {
        const wchar_t* name;
        bool existed = false;
        DWORD type = 0;
        BYTE data[1024] = {};
        DWORD size = 0;
    };
    HKEY m_key = nullptr;
    Value m_values[3] = {{L"ProxyEnable"}, {L"ProxyServer"}, {L"ProxyOverride"}};
};

// The windows' language for as long as it lives; German again afterwards.
// Set before a window's thread starts, read back after it has ended.
class ScopedLanguage {
  public:
    explicit ScopedLanguage(Language language) { SetLanguage(language); }
    ~ScopedLanguage() { SetLanguage(Language::German); }
    ScopedLanguage(const ScopedLanguage&) = delete;
    ScopedLanguage& operator=(const ScopedLanguage&) = delete;
};

void SetClipboardText(const std::string& text)
{
    const std::wstring wide = platform::ToWide(text);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(block), wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(block);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
}

class WindowsUpdate : public ::testing::Test {
  protected:
    void SetUp() override
    {
        site = Environment("PORTELAN_UPDATE_SITE");
        baseUrl = Environment("PORTELAN_UPDATE_URL");
        requestLog = Environment("PORTELAN_UPDATE_LOG");
        closedUrl = Environment("PORTELAN_UPDATE_CLOSED_URL");
        if (site.empty() || baseUrl.empty() || requestLog.empty() || closedUrl.empty())
            GTEST_SKIP() << "needs the test server (tests/win32/test_update_wine.sh)";
        CreateDirectoryA((site + "\\Updates").c_str(), nullptr);
        archive = RandomBytes(70000, 11);
        WriteBytes(site + "\\Updates\\portelan.zip", archive);
        local = ProgramDir() + "portelan.zip";
        DeleteFileA(local.c_str());
        SetClipboardText("before");
        before = FilesIn(ProgramDir());
    }
    void TearDown() override
    {
        if (!local.empty())
            DeleteFileA(local.c_str());
    }

    void Manifest(const std::string& text) { WriteBytes(site + "\\Updates\\_updates.txt", text); }

    // The paths the server was asked for since the last call.
    std::vector<std::string> Requests()
    {
        std::vector<std::string> lines;
        std::istringstream in(ReadBytes(requestLog));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        WriteBytes(requestLog, "");
        return lines;
    }

    // Waits for a message box of the window's thread with this caption.
    static HWND Box(const SplitterWindow& w, const std::string& caption)
    {
        HWND box = WaitForWindow(w.ThreadId(), caption, 20000);
        if (!box)
            ADD_FAILURE() << "no box \"" << caption << "\"; visible:" << DescribeWindows(w.ThreadId());
        return box;
    }
    // Waits for the next message box, whatever its caption, checks caption
    // and text, and presses OK. The client's own failure boxes may add the
    // system's error number: for them only the start of the text counts.
    enum class Text { Whole, Start };
    static void ExpectBox(const SplitterWindow& w, const std::string& caption, const std::string& text,
                          Text match = Text::Whole)
    {
        HWND box = FindThreadWindow(
            w.ThreadId(), [&](HWND hwnd) { return hwnd != w.Hwnd(); }, 20000);
        ASSERT_NE(box, nullptr) << "no box \"" << caption << "\"; visible:" << DescribeWindows(w.ThreadId());
        EXPECT_EQ(WindowText(box), caption);
        if (match == Text::Whole)
            EXPECT_EQ(ItemText(box, 0xFFFF), text);
        else
            EXPECT_TRUE(ItemText(box, 0xFFFF).starts_with(text))
                << "text: \"" << ItemText(box, 0xFFFF) << "\", expected to start with \"" << text << "\"";
        EXPECT_EQ(GetDlgItem(box, IDNO), nullptr); // OK only
        ASSERT_TRUE(Press(box, IDOK));
    }
    // Once the window's thread is back in its own loop, the check has ended:
    // nothing but the main window may be open then.
    static void ExpectCheckEnded(const SplitterWindow& w)
    {
        w.Sync();
        EXPECT_EQ(VisibleWindows(w.ThreadId()), std::vector<std::string>{"Portelan"})
            << DescribeWindows(w.ThreadId());
    }
    static bool Press(HWND box, int button)
    {
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
        return WaitUntilGone(box);
    }
    // Opens the command and says yes to its question.
    static void StartCheck(const SplitterWindow& w, const std::string& caption = "Update suchen...")
    {
        PostMessageA(w.Hwnd(), WM_SYSCOMMAND, kUpdateCommand, 0);
        HWND ask = Box(w, caption);
        ASSERT_NE(ask, nullptr);
        ASSERT_TRUE(Press(ask, IDYES));
    }
    // Opens the command and says yes to the question and to the offer.
    static void StartDownload(const SplitterWindow& w)
    {
        ASSERT_NO_FATAL_FAILURE(StartCheck(w));
        HWND offer = Box(w, "Suche nach Updates...");
        ASSERT_NE(offer, nullptr);
        ASSERT_TRUE(Press(offer, IDYES));
    }

    std::string site;
    std::string baseUrl;    // ends in '/'
    std::string requestLog; // one requested path a line
    std::string closedUrl;  // nobody listens there
    std::string archive;
    std::string local;
    std::vector<std::string> before; // the program's directory before the test
};

TEST_F(WindowsUpdate, NewerVersionIsDownloadedByteExactAndItsPathCopied)
{
    Manifest("# Portelan\nportelan;2;0;1;0;2008.9.6;0;500;Updates/;portelan.zip;\n");
    UpdateWindow w;
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

TEST_F(WindowsUpdate, SameOrOlderVersionOrADeclinedOfferDownloadsNothing)
{
    for (const char* version : {"2;0;0;6", "1;9;9;9"}) {
        SCOPED_TRACE(version);
        Manifest("portelan;" + std::string(version) + ";;2;1;Updates/;portelan.zip;\n");
        UpdateWindow w;
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
        UpdateWindow w;
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

// A manifest that is missing, names no "portelan", or offers a file name
// that would leave the program's directory or that names a program or a
// library: the check ends without a box of its own and writes nothing.
TEST_F(WindowsUpdate, UnusableManifestsEndSilently)
{
    const char* manifests[] = {
        nullptr, // no manifest at all: the server answers 404
        "# only a comment\n\nanderes;3;0;0;0;;2;1;Updates/;portelan.zip;\n",
        "portelan;9;0;0;0;;2;1;Updates/;..\\evil.zip;\n",
        "portelan;9;0;0;0;;2;1;../;portelan.zip;\n",
        // New programs and libraries: Portelan.exe would load a version.dll.
        "portelan;9;0;0;0;;2;1;Updates/;version.dll;\n",
        "portelan;9;0;0;0;;2;1;Updates/;Setup.EXE;\n",
    };
    for (const char* text : manifests) {
        SCOPED_TRACE(text ? text : "(404)");
        DeleteFileA((site + "\\Updates\\_updates.txt").c_str());
        if (text)
            Manifest(text);
        UpdateWindow w;
        ASSERT_NO_FATAL_FAILURE(StartCheck(w));
        // Back in its own message loop, the window has ended the check.
        w.Sync();
        EXPECT_EQ(VisibleWindows(w.ThreadId()), std::vector<std::string>{"Portelan"});
        EXPECT_FALSE(FileExists(local));
        EXPECT_FALSE(FileExists(ProgramDir() + "..\\evil.zip"));
        EXPECT_EQ(FilesIn(ProgramDir()), before);
    }
    EXPECT_EQ(ClipboardText(), "before");
}

// The server answers /redirect/PATH with 302 to /PATH: a redirected base
// URL (manifest and archive) and a redirected archive directory both end
// with the archive, byte-exact, in the program's directory.
TEST_F(WindowsUpdate, RedirectionsAreFollowed)
{
    struct Case {
        const char* base;      // appended to the server's URL
        const char* directory; // of the archive, in the manifest
        std::vector<std::string> requests;
    } cases[] = {
        {"redirect/",
         "Updates/",
         {"/redirect/Updates/_updates.txt", "/Updates/_updates.txt", "/redirect/Updates/portelan.zip",
          "/Updates/portelan.zip"}},
        {"",
         "redirect/Updates/",
         {"/Updates/_updates.txt", "/redirect/Updates/portelan.zip", "/Updates/portelan.zip"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("base ") + c.base + ", directory " + c.directory);
        DeleteFileA(local.c_str());
        ScopedEnvironment url("PORTELAN_UPDATE_URL", baseUrl + c.base);
        Manifest(std::string("portelan;2;0;1;0;;2;1;") + c.directory + ";portelan.zip;\n");
        Requests();
        UpdateWindow w;
        ASSERT_NO_FATAL_FAILURE(StartCheck(w));
        HWND offer = Box(w, "Suche nach Updates...");
        ASSERT_NE(offer, nullptr);
        ASSERT_TRUE(Press(offer, IDYES));
        ASSERT_NO_FATAL_FAILURE(ExpectBox(w, "Herunterladen erfolgreich",
                                          "Die neue Version (2.0.1.0) steht nun unter dem Pfad\n\"" + local +
                                              "\"\nzur Verfügung."));
        ExpectCheckEnded(w);
        EXPECT_EQ(Requests(), c.requests);
        EXPECT_EQ(ReadBytes(local), archive);
        std::vector<std::string> expected = before;
        expected.push_back("portelan.zip");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(FilesIn(ProgramDir()), expected);
    }
}

// The server announces the archive's full length, sends part of it and
// closes. The client reports the broken transfer in its own box, then the
// download's error box follows with an empty error code; neither the archive
// nor its temporary file stays.
TEST_F(WindowsUpdate, ACutTransferLeavesNothing)
{
    for (const char* cut : {"0", "1024", "69999"}) {
        SCOPED_TRACE(std::string("cut after ") + cut);
        Manifest(std::string("portelan;2;0;1;0;;2;1;cut/") + cut + "/Updates/;portelan.zip;\n");
        Requests();
        UpdateWindow w;
        ASSERT_NO_FATAL_FAILURE(StartCheck(w));
        HWND offer = Box(w, "Suche nach Updates...");
        ASSERT_NE(offer, nullptr);
        ASSERT_TRUE(Press(offer, IDYES));
        ASSERT_NO_FATAL_FAILURE(ExpectBox(w, "Portelan", "Die Übertragung wurde unterbrochen.", Text::Start));
        ASSERT_NO_FATAL_FAILURE(ExpectBox(w, "Fehler beim Herunterladen",
                                          "Die Datei konnte nicht herunter geladen werden.\nErrorcode: "));
        ExpectCheckEnded(w);
        EXPECT_EQ(Requests(),
                  (std::vector<std::string>{"/Updates/_updates.txt",
                                            std::string("/cut/") + cut + "/Updates/portelan.zip"}));
        EXPECT_EQ(FilesIn(ProgramDir()), before);
    }
    // A manifest cut inside its line is not parsed: the broken transfer is
    // reported and the check ends there, without its copy.
    {
        Manifest("portelan;2;0;1;0;;2;1;Updates/;portelan.zip;\n");
        ScopedEnvironment url("PORTELAN_UPDATE_URL", baseUrl + "cut/30/");
        UpdateWindow w;
        ASSERT_NO_FATAL_FAILURE(StartCheck(w));
        ASSERT_NO_FATAL_FAILURE(ExpectBox(w, "Portelan", "Die Übertragung wurde unterbrochen.", Text::Start));
        ExpectCheckEnded(w);
        EXPECT_EQ(FilesIn(ProgramDir()), before);
    }
    EXPECT_EQ(ClipboardText(), "before");
}

// The manifest offers an archive the server does not have (404): the error
// box names the HTTP error, and nothing is written.
TEST_F(WindowsUpdate, AMissingArchiveIsAnHttpError)
{
    Manifest("portelan;2;0;1;0;;2;1;Updates/;fehlt.zip;\n");
    Requests();
    UpdateWindow w;
    ASSERT_NO_FATAL_FAILURE(StartCheck(w));
    HWND offer = Box(w, "Suche nach Updates...");
    ASSERT_NE(offer, nullptr);
    ASSERT_TRUE(Press(offer, IDYES));
    HWND error = Box(w, "Fehler beim Herunterladen");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(ItemText(error, 0xFFFF),
              "Die Datei konnte nicht herunter geladen werden.\nErrorcode: Error: HTTP");
    EXPECT_EQ(GetDlgItem(error, IDNO), nullptr);
    ASSERT_TRUE(Press(error, IDOK));
    ExpectCheckEnded(w);
    EXPECT_EQ(Requests(), (std::vector<std::string>{"/Updates/_updates.txt", "/Updates/fehlt.zip"}));
    EXPECT_EQ(FilesIn(ProgramDir()), before);
    EXPECT_EQ(ClipboardText(), "before");
}

// In English: the menu entry, the question, the offer, the download's error
// box and the client's own message, all in English.
TEST_F(WindowsUpdate, EnglishWindowsCheckInEnglish)
{
    ScopedLanguage english(Language::English);
    Manifest("portelan;2;0;1;0;;2;1;Updates/;fehlt.zip;\n");
    {
        UpdateWindow w;
        wchar_t item[64] = L"";
        GetMenuStringW(GetSystemMenu(w.Hwnd(), FALSE), IDM_UPDATE, item, 64, MF_BYCOMMAND);
        EXPECT_EQ(platform::ToUtf8(item), "Check for &updates");
        ASSERT_NO_FATAL_FAILURE(StartCheck(w, "Check for updates..."));
        HWND offer = Box(w, "Checking for updates...");
        ASSERT_NE(offer, nullptr);
        EXPECT_EQ(ItemText(offer, 0xFFFF), "A newer version of the program is available:\n"
                                           "Installed version: 2.0.0.6\nLatest version:    2.0.1.0\n"
                                           "Size: 1 MB\nDownload it?");
        ASSERT_TRUE(Press(offer, IDYES));
        ASSERT_NO_FATAL_FAILURE(
            ExpectBox(w, "Download failed", "The file could not be downloaded.\nError code: HTTP error"));
        ExpectCheckEnded(w);
    }
    ScopedEnvironment url("PORTELAN_UPDATE_URL", closedUrl);
    UpdateWindow w;
    ASSERT_NO_FATAL_FAILURE(StartCheck(w, "Check for updates..."));
    ASSERT_NO_FATAL_FAILURE(ExpectBox(w, "Portelan", "The request could not be sent. (error ", Text::Start));
    ExpectCheckEnded(w);
    EXPECT_EQ(FilesIn(ProgramDir()), before);
}

// Nobody listens on the server's port: the client's own box says the request
// could not be sent, and the check ends there, writing nothing.
TEST_F(WindowsUpdate, AnUnreachableServerIsReportedOnce)
{
    ScopedEnvironment url("PORTELAN_UPDATE_URL", closedUrl);
    UpdateWindow w;
    ASSERT_NO_FATAL_FAILURE(StartCheck(w));
    ASSERT_NO_FATAL_FAILURE(
        ExpectBox(w, "Portelan", "Die Anfrage konnte nicht gesendet werden.", Text::Start));
    ExpectCheckEnded(w);
    EXPECT_EQ(FilesIn(ProgramDir()), before);
    EXPECT_EQ(ClipboardText(), "before");
}

// The session takes the system's proxy settings: with the test server set
// as the proxy, a server name that does not resolve is reached through it,
// which the absolute URLs in its request log show.
TEST_F(WindowsUpdate, TheSystemsProxyIsUsed)
{
    const std::string hostPort = baseUrl.substr(7, baseUrl.size() - 8); // "127.0.0.1:port"
    ScopedSystemProxy proxy(hostPort);
    ScopedEnvironment url("PORTELAN_UPDATE_URL", "http://portelan.invalid/");
    Manifest("portelan;2;0;1;0;;2;1;Updates/;portelan.zip;\n");
    Requests();
    UpdateWindow w;
    ASSERT_NO_FATAL_FAILURE(StartDownload(w));
    ASSERT_NO_FATAL_FAILURE(
        ExpectBox(w, "Herunterladen erfolgreich",
                  "Die neue Version (2.0.1.0) steht nun unter dem Pfad\n\"" + local + "\"\nzur Verfügung."));
    ExpectCheckEnded(w);
    // Wine names the default port in the proxy request, Windows does not.
    std::vector<std::string> requests = Requests();
    for (std::string& request : requests)
        if (request.starts_with("http://portelan.invalid:80/"))
            request.erase(23, 3);
    EXPECT_EQ(requests, (std::vector<std::string>{"http://portelan.invalid/Updates/_updates.txt",
                                                  "http://portelan.invalid/Updates/portelan.zip"}));
    EXPECT_EQ(ReadBytes(local), archive);
}

// An archive whose SHA-256 does not match the manifest's eleventh field is
// removed before it takes its name: only the error box, nothing on the
// clipboard, nothing left in the program's directory.
TEST_F(WindowsUpdate, AMismatchingSha256RemovesTheDownload)
{
    Manifest("portelan;2;0;1;0;;2;1;Updates/;portelan.zip;" + std::string(64, 'a') + ";\n");
    UpdateWindow w;
    ASSERT_NO_FATAL_FAILURE(StartDownload(w));
    ASSERT_NO_FATAL_FAILURE(
        ExpectBox(w, "Fehler beim Herunterladen",
                  "Die heruntergeladene Datei \"" + local + "\" ist beschädigt und wurde gelöscht."));
    ExpectCheckEnded(w);
    EXPECT_EQ(FilesIn(ProgramDir()), before);
    EXPECT_EQ(ClipboardText(), "before");
}

// HTTPS with a certificate of an authority the system does not trust: the
// connection is refused in a box of its own and nothing is written. (Wine
// gives a failed revocation check as the reason, whatever the authority.)
TEST_F(WindowsUpdate, AnUntrustedCertificateIsRefused)
{
    const std::string untrusted = Environment("PORTELAN_UPDATE_UNTRUSTED_URL");
    ASSERT_FALSE(untrusted.empty()) << "needs PORTELAN_UPDATE_UNTRUSTED_URL";
    Manifest("portelan;2;0;1;0;;2;1;Updates/;portelan.zip;\n");
    ScopedEnvironment url("PORTELAN_UPDATE_URL", untrusted);
    UpdateWindow w;
    ASSERT_NO_FATAL_FAILURE(StartCheck(w));
    ASSERT_NO_FATAL_FAILURE(ExpectBox(w, "Portelan",
                                      "Die Verbindung zu \"" + untrusted +
                                          "Updates/_updates.txt\" konnte nicht gesichert werden.\nDas "
                                          "Zertifikat des Servers ist nicht vertrauenswürdig oder gilt nicht "
                                          "für diesen Server.\n",
                                      Text::Start));
    ExpectCheckEnded(w);
    EXPECT_EQ(FilesIn(ProgramDir()), before);
    EXPECT_EQ(ClipboardText(), "before");
}

} // namespace
} // namespace portelan::test
