// Names beyond the ANSI code page: a source named Łódź.avi or 東京.mp4 is
// split through the real main window into pieces of its own name, and the
// set's own joiner copy, run as a program of its own, rebuilds it. Names on
// disk are compared in UTF-16 as the compiler spells them, not through the
// programs' own conversion.
#include <windows.h>

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "SplitterWindow.h"
#include "common/StrFormat.h"
#include "platform/Platform.h"
#include "platform/win32/WideText.h"
#include "splitter/ui/win32/Resource.h"
#include "splitter/ui/win32/ResourceJoiner.h"
#include "texts/JoinerTexts.h"

namespace portelan::test {
namespace {

std::wstring Wide(const std::string& text) { return platform::ToWide(text); }

// The files in a directory (ending in a backslash) as the system spells them.
std::set<std::wstring> NamesOnDisk(const std::string& dir)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(dir + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.insert(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// A program started in its own directory, ended by force if it is still
// running when the test is done with it.
class Process {
  public:
    explicit Process(const std::string& exe)
    {
        const std::wstring path = Wide(exe);
        std::wstring commandLine = L"\"" + path + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        m_started = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   path.substr(0, path.rfind(L'\\')).c_str(), &startup, &m_info) != 0;
    }
    ~Process()
    {
        if (!m_started)
            return;
        if (WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_info.hProcess, 99);
        CloseHandle(m_info.hThread);
        CloseHandle(m_info.hProcess);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return m_started; }
    DWORD ThreadId() const { return m_info.dwThreadId; }
    // The exit code once the program has ended; -1 on time-out.
    long WaitForExit(DWORD timeoutMs) const
    {
        DWORD code = 0;
        if (WaitForSingleObject(m_info.hProcess, timeoutMs) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(m_info.hProcess, &code))
            return -1;
        return static_cast<long>(code);
    }

  private:
    bool m_started = false;
    PROCESS_INFORMATION m_info{};
};

// Each name is split into three pieces of 64 KB, the source chosen or
// dropped as a user would, then rebuilt by the set's joiner copy. The record
// keeps a name that Windows-1252 can spell in Windows-1252 under "PC32", as
// every earlier joiner reads it, and any other in UTF-8 under "PU32".
TEST(UnicodeNames, SplitIntoPiecesOfTheirOwnNameAndRebuiltByTheSetsJoiner)
{
    struct Case {
        std::string base;
        std::wstring wideBase; // the same name, UTF-16
        std::string ext;
        bool dropped;
        const char* marker;
        std::string baseField; // the bytes of the record's base-name field
    };
    const Case cases[] = {
        {"Łódź", L"Łódź", "avi", false, "PU32", "Łódź"},
        {"東京", L"東京", "mp4", true, "PU32", "東京"},
        {"Größe", L"Größe", "avi", false, "PC32",
         "Gr\xF6\xDF"
         "e"},
    };
    const bool carriesLinuxJoiner = CResourceJoiner().Carries(JoinerKind::Linux);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base);
        TempDir dir;
        const std::string fileName = c.base + "." + c.ext;
        const std::string source = dir / ("Quelle\\" + fileName);
        const std::string setDir = dir / "Satz\\";
        ASSERT_TRUE(CreateDirectoryW(Wide(dir / "Quelle").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(Wide(setDir).c_str(), nullptr));
        const std::string bytes = RandomBytes(150000, 5);
        WriteBytes(source, bytes);
        ASSERT_EQ(NamesOnDisk(dir / "Quelle\\"), std::set<std::wstring>{c.wideBase + L"." + Wide(c.ext)});

        {
            SplitterWindow w;
            if (c.dropped) {
                w.Drop(IDC_SOURCE, {source});
                w.Drop(IDC_TARGET, {dir / "Satz"});
            } else {
                w.ChooseInputs(source, dir / "Satz");
            }
            EXPECT_EQ(w.Text(IDC_SOURCE), source);
            // An ANSI window would pass the name through the ANSI code page
            // (Wine keeps it whole even then, Windows does not).
            EXPECT_TRUE(IsWindowUnicode(w.Hwnd()));
            EXPECT_TRUE(IsWindowUnicode(w.Item(IDC_SOURCE)));
            ASSERT_TRUE(w.ChoosePieceSize("64", IDC_UNIT_KB));
            HWND info = w.OpenModal(IDC_START, "Information");
            ASSERT_NE(info, nullptr) << "status: " << w.Text(IDC_STATUS);
            EXPECT_EQ(ItemText(info, IDC_INFO_NAME), fileName);
            EXPECT_TRUE(IsWindowUnicode(GetDlgItem(info, IDC_INFO_NAME)));
            EXPECT_EQ(ItemText(info, IDC_INFO_COUNT), "3");
            ASSERT_TRUE(w.CloseModal(info, IDOK));
            ASSERT_TRUE(w.WaitForStatus("Die Datei wurde erfolgreich aufgeteilt..."))
                << "status: " << w.Text(IDC_STATUS);
        }

        // Every member of the set carries the name, none a stand-in for it.
        const std::wstring& base = c.wideBase;
        std::set<std::wstring> onDisk = NamesOnDisk(setDir);
        for (const std::wstring& member :
             {base + L".001", base + L".002", base + L".003", L"_" + base + L".cfg", L"_" + base + L".exe"})
            EXPECT_EQ(onDisk.count(member), 1u) << platform::ToUtf8(member) << " is missing";
        EXPECT_EQ(onDisk.count(L"_" + base), carriesLinuxJoiner ? 1u : 0u);
        for (const std::wstring& file : onDisk)
            EXPECT_TRUE(file.starts_with(base + L".") || file.starts_with(L"_" + base))
                << platform::ToUtf8(file) << " does not carry the name";
        const std::string cfg = ReadBytes(setDir + "_" + c.base + ".cfg");
        ASSERT_GE(cfg.size(), 536u);
        EXPECT_EQ(cfg.substr(4, 4), c.marker);
        EXPECT_EQ(cfg.substr(16, c.ext.size() + 1), c.ext + '\0');
        EXPECT_EQ(cfg.substr(272, c.baseField.size() + 1), c.baseField + '\0');

        // The recipient runs the joiner copy; it finds the set by its own name.
        Process joiner(setDir + "_" + c.base + ".exe");
        ASSERT_TRUE(joiner.Started()) << GetLastError();
        // It speaks the language of the system it runs on, whatever the set's.
        const Language language = LanguageForTag(platform::UserInterfaceLanguage());
        HWND success =
            WaitForWindow(joiner.ThreadId(), Entry(JoinerText::JoinDoneCaption, language).text, 60000);
        ASSERT_NE(success, nullptr) << "the joiner shows no success";
        const std::string rebuilt = setDir + fileName;
        EXPECT_EQ(ItemText(success, 1002),
                  StrFormat(Entry(JoinerText::JoinDone, language).text, rebuilt.c_str()));
        PostMessageW(success, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(joiner.WaitForExit(20000), 0);
        onDisk.insert(base + L"." + Wide(c.ext));
        EXPECT_EQ(NamesOnDisk(setDir), onDisk) << "the joiner wrote the file under another name";
        EXPECT_TRUE(ReadBytes(rebuilt) == bytes) << "the rebuilt file differs from the source";
    }
}

} // namespace
} // namespace portelan::test
