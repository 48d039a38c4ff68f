// The whole joiner with its real windows: CConcatApp on a hand-made set in a
// temporary directory, as if the joiner lay there. The test answers the
// windows as a user would and records what reaches the notification area.
#include <windows.h>

#include <zlib.h>

#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "JoinerHarness.h"
#include "common/ChecksumList.h"
#include "common/Crc32.h"
#include "joiner/win32/JoinerResource.h"
#include "par2/RecoveryEncoder.h"
#include "platform/Platform.h"
#include "platform/win32/WideText.h"
#include "texts/JoinerTexts.h"

namespace portelan::test {
namespace {

const char* const kSearchTitle = "Achtung: Folgende Datei wurde nicht gefunden:";
const char* const kSuccessTitle = "Zusammenführung erfolgreich";
constexpr DWORD kFirstVersionSize = sizeof(void*) == 8 ? 104 : 88;

// The 536-byte configuration record, little-endian, with our checksum;
// "PC32" for names in Windows-1252, "PU32" for names in UTF-8.
std::string ConfigRecord(std::int64_t size, const std::string& ext, const std::string& base,
                         std::int32_t count, std::uint32_t crc, const char* marker = "PC32")
{
    std::string record(536, '\0');
    auto put = [&record](std::size_t offset, std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            record[offset + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put(0, 0x0040A444, 4);
    record.replace(4, 4, marker);
    put(8, static_cast<std::uint64_t>(size), 8);
    record.replace(16, ext.size(), ext);
    record.replace(272, base.size(), base);
    put(528, static_cast<std::uint32_t>(count), 4);
    put(532, crc, 4);
    return record;
}

// "film.avi" (or another name, given in UTF-8, with the record's spelling
// of it) cut into three pieces with its configuration file, all in dir.
struct HandMadeSet {
    explicit HandMadeSet(const std::string& dir, const std::string& base = "film",
                         const std::string& ext = "avi", const std::string& recordBase = "film",
                         const char* marker = "PC32")
        : source(RandomBytes(10000, 11))
    {
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(source.data()), static_cast<uInt>(source.size())));
        WriteBytes(dir + "_" + base + ".cfg", ConfigRecord(10000, ext, recordBase, 3, crc, marker));
        WriteBytes(dir + base + ".001", source.substr(0, 4000));
        WriteBytes(dir + base + ".002", source.substr(4000, 4000));
        WriteBytes(dir + base + ".003", source.substr(8000));
    }
    std::string source;
};

bool LeftoverTemporaryFile(const std::string& dir)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + ".~portelan*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

// The calls a join of `count` pieces makes, from adding the icon to taking it down.
void ExpectTrayCallsOfAJoin(const std::vector<TrayCall>& calls, int count, int reached)
{
    ASSERT_EQ(calls.size(), static_cast<std::size_t>(reached + 3));
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(calls[0].flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(calls[0].tip, "");
    EXPECT_TRUE(calls[0].hasIcon);
    EXPECT_EQ(calls[1].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(calls[1].tip, "Bitte warten...");
    for (int i = 1; i <= reached; ++i) {
        const TrayCall& call = calls[static_cast<std::size_t>(i + 1)];
        EXPECT_EQ(call.message, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_EQ(call.flags, static_cast<UINT>(NIF_TIP));
        EXPECT_EQ(call.tip, "Datei " + std::to_string(i) + " von " + std::to_string(count) + "...");
    }
    EXPECT_EQ(calls.back().message, static_cast<DWORD>(NIM_DELETE));
    for (const TrayCall& call : calls) {
        EXPECT_EQ(call.size, kFirstVersionSize);
        EXPECT_EQ(call.id, 1u);
        EXPECT_NE(call.owner, nullptr);
        EXPECT_EQ(call.owner, calls[0].owner);
    }
}

TEST(JoinFlow, JoinsWithTheTrayIconAndEndsWithTheSuccessWindow)
{
    TempDir dir;
    HandMadeSet set(dir.Dir());
    TrayRecorder tray;
    JoinerRun run(dir / "_film.exe");

    HWND success = WaitForWindow(run.ThreadId(), kSuccessTitle);
    ASSERT_NE(success, nullptr);
    EXPECT_EQ(ItemText(success, IDC_TEXT), "Die Datei \"" + (dir / "film.avi") + "\" wurde erstellt.");
    EXPECT_FALSE(ItemVisible(success, IDC_SEARCH));
    EXPECT_EQ(VisibleWindows(run.ThreadId()), std::vector<std::string>{kSuccessTitle})
        << "the progress window is still there";
    EXPECT_TRUE(ReadBytes(dir / "film.avi") == set.source);
    EXPECT_FALSE(LeftoverTemporaryFile(dir.Dir()));
    ExpectTrayCallsOfAJoin(tray.Calls(), 3, 3);

    ClickItemLater(success, IDCANCEL);
    ASSERT_TRUE(run.WaitFinished());
    EXPECT_TRUE(run.Joined());
    EXPECT_EQ(run.Messages().size(), 1u);
}

TEST(JoinFlow, ATargetThatCannotBeWrittenStopsBeforeTheTrayIcon)
{
    TempDir dir;
    HandMadeSet set(dir.Dir());
    ASSERT_TRUE(CreateDirectoryA((dir / "film.avi").c_str(), nullptr));
    TrayRecorder tray;
    JoinerRun run(dir / "_film.exe");

    HWND error = WaitForWindow(run.ThreadId(), "Fehlermeldung");
    ASSERT_NE(error, nullptr);
    // The system's reason below the message, in the system's words.
    const std::string reason = platform::ErrorText(platform::Error{ERROR_ACCESS_DENIED});
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(ItemText(error, IDC_TEXT),
              "Die Zieldatei \"" + (dir / "film.avi") + "\" konnte nicht geschrieben werden.\r\n" + reason);
    EXPECT_FALSE(ItemVisible(error, IDC_SEARCH));
    ClickItemLater(error, IDCANCEL);
    ASSERT_TRUE(run.WaitFinished());
    EXPECT_FALSE(run.Joined());
    EXPECT_EQ(run.Messages().size(), 1u);
    EXPECT_TRUE(tray.Calls().empty());
    EXPECT_FALSE(LeftoverTemporaryFile(dir.Dir()));
}

TEST(JoinFlow, AMissingPieceIsLookedForAndTheFoundDirectoryServesTheRest)
{
    TempDir dir;
    HandMadeSet set(dir.Dir());
    // Pieces 2 and 3 lie elsewhere.
    const std::string elsewhere = dir / "Zweiter Stick\\";
    ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
    ASSERT_TRUE(MoveFileA((dir / "film.002").c_str(), (elsewhere + "film.002").c_str()));
    ASSERT_TRUE(MoveFileA((dir / "film.003").c_str(), (elsewhere + "film.003").c_str()));
    TrayRecorder tray;
    JoinerRun run(dir / "_film.exe");

    HWND search = WaitForWindow(run.ThreadId(), kSearchTitle);
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(ItemText(search, IDC_TEXT), dir / "film.002");
    EXPECT_TRUE(ItemVisible(search, IDC_SEARCH));
    run.Chooser().Answer(elsewhere + "film.002");
    ClickItemLater(search, IDC_SEARCH);

    HWND success = WaitForWindow(run.ThreadId(), kSuccessTitle);
    ASSERT_NE(success, nullptr);
    EXPECT_EQ(ItemText(success, IDC_TEXT), "Die Datei \"" + (dir / "film.avi") + "\" wurde erstellt.");
    ClickItemLater(success, IDCANCEL);
    ASSERT_TRUE(run.WaitFinished());
    EXPECT_TRUE(run.Joined());

    // The file lands beside the joiner, not where the pieces were found.
    EXPECT_TRUE(ReadBytes(dir / "film.avi") == set.source);
    EXPECT_FALSE(FileExists(elsewhere + "film.avi"));
    std::vector<FileRequest> requests = run.Chooser().Requests();
    ASSERT_EQ(requests.size(), 1u) << "piece 3 was looked for again";
    EXPECT_EQ(requests[0].initialFile, dir / "film.002");
    EXPECT_EQ(requests[0].defaultExtension, "002");
    EXPECT_EQ(requests[0].filter, std::string("002 Datei (*.002)\0*.002\0\0", 25));
    EXPECT_EQ(requests[0].title, "Bitte das Verzeichnis auswählen");
    ExpectTrayCallsOfAJoin(tray.Calls(), 3, 3);
    EXPECT_EQ(run.Messages().size(), 1u);
}

// One piece's worth of PAR2 recovery data over the hand-made set, written
// beside it by our encoder.
void WriteRecoveryFiles(const std::string& dir, const std::string& source)
{
    using namespace par2;
    const std::vector<PieceSpec> specs{{"film.001", 4000}, {"film.002", 4000}, {"film.003", 2000}};
    const std::optional<RecoveryLayout> layout = PlanRecovery("_film", specs, 1, "Portelan test");
    ASSERT_TRUE(layout);
    std::vector<Md5Digest> heads;
    for (std::size_t j = 0; j < specs.size(); ++j)
        heads.push_back(Md5::Of(source.data() + 4000 * j, static_cast<std::size_t>(specs[j].length)));
    CRecoveryEncoder encoder(*layout, specs, heads, "Portelan test");
    ASSERT_EQ(encoder.Start(), CRecoveryEncoder::Status::Ok);
    for (std::size_t j = 0; j < specs.size(); ++j)
        encoder.Feed(static_cast<int>(j), source.data() + 4000 * j,
                     static_cast<std::size_t>(specs[j].length));
    ASSERT_EQ(encoder.Finish(), CRecoveryEncoder::Status::Ok);
    ASSERT_EQ(encoder.WriteFiles(dir).status, CRecoveryEncoder::Status::Ok);
}

TEST(JoinFlow, ADeletedPieceIsRebuiltFromTheRecoveryFilesAndTheJoinGoesOn)
{
    TempDir dir;
    HandMadeSet set(dir.Dir());
    WriteRecoveryFiles(dir.Dir(), set.source);
    ASSERT_TRUE(DeleteFileA((dir / "film.002").c_str()));
    TrayRecorder tray;
    JoinerRun run(dir / "_film.exe");

    HWND rebuilt = WaitForWindow(run.ThreadId(), "Wiederherstellung");
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_EQ(ItemText(rebuilt, IDC_TEXT), "Das Teilstück \"" + (dir / "film.002") +
                                               "\" wurde aus den Wiederherstellungsdaten neu erstellt.");
    ClickItemLater(rebuilt, IDCANCEL);
    HWND success = WaitForWindow(run.ThreadId(), kSuccessTitle);
    ASSERT_NE(success, nullptr);
    ClickItemLater(success, IDCANCEL);
    ASSERT_TRUE(run.WaitFinished());
    EXPECT_TRUE(run.Joined());
    EXPECT_TRUE(ReadBytes(dir / "film.avi") == set.source);
    EXPECT_TRUE(ReadBytes(dir / "film.002") == set.source.substr(4000, 4000));
    EXPECT_TRUE(run.Chooser().Requests().empty());
    EXPECT_FALSE(LeftoverTemporaryFile(dir.Dir()));
}

TEST(JoinFlow, GivingUpOnAMissingPieceGivesOneMessageAndNoFile)
{
    TempDir dir;
    HandMadeSet set(dir.Dir());
    ASSERT_TRUE(DeleteFileA((dir / "film.002").c_str()));
    TrayRecorder tray;
    JoinerRun run(dir / "_film.exe");

    HWND search = WaitForWindow(run.ThreadId(), kSearchTitle);
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(ItemText(search, IDC_TEXT), dir / "film.002");
    ClickItemLater(search, IDCANCEL);

    HWND error = WaitForWindow(run.ThreadId(), "Fehlermeldung");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(ItemText(error, IDC_TEXT),
              "Die Zieldatei \"" + (dir / "film.avi") + "\" konnte nicht erstellt werden.");
    ClickItemLater(error, IDCANCEL);
    ASSERT_TRUE(run.WaitFinished());
    EXPECT_FALSE(run.Joined());
    EXPECT_EQ(run.Messages(), std::vector<std::string>{"|Die Zieldatei \"" + (dir / "film.avi") +
                                                       "\" konnte nicht erstellt werden."});
    EXPECT_TRUE(run.Chooser().Requests().empty());
    EXPECT_FALSE(FileExists(dir / "film.avi"));
    EXPECT_FALSE(LeftoverTemporaryFile(dir.Dir()));
    ExpectTrayCallsOfAJoin(tray.Calls(), 3, 2);
}

TEST(JoinFlow, ALogOffAtTheSearchPromptTakesTheTemporaryFileAlong)
{
    // The real joiner in a process of its own, ended as Windows ends it: its
    // windows hear of the session's end, then the process is terminated.
    TempDir dir;
    HandMadeSet set(dir.Dir());
    ASSERT_TRUE(DeleteFileA((dir / "film.002").c_str()));
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string joiner = self;
    joiner = joiner.substr(0, joiner.find_last_of('\\') + 1) + "PortelanConcat.exe";
    ASSERT_TRUE(CopyFileA(joiner.c_str(), (dir / "_film.exe").c_str(), FALSE));
    std::string command = "\"" + (dir / "_film.exe") + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    // The joiner of its own speaks the language of the system it runs on.
    const Language language = LanguageForTag(platform::UserInterfaceLanguage());
    ASSERT_NE(WaitForWindow(process.dwThreadId, Entry(JoinerText::FileNotFound, language).text), nullptr);
    EXPECT_TRUE(LeftoverTemporaryFile(dir.Dir()));

    EnumThreadWindows(
        process.dwThreadId,
        [](HWND window, LPARAM) -> BOOL {
            SendMessageA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
            return TRUE;
        },
        0);
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_FALSE(LeftoverTemporaryFile(dir.Dir()));
}

TEST(JoinFlow, AMissingConfigurationIsLookedForAndThePiecesAreTakenFromThere)
{
    TempDir dir;
    const std::string stick = dir / "Stick\\";
    ASSERT_TRUE(CreateDirectoryA(stick.c_str(), nullptr));
    HandMadeSet set(stick);
    const std::string joinerDir = dir / "Programm\\";
    ASSERT_TRUE(CreateDirectoryA(joinerDir.c_str(), nullptr));
    TrayRecorder tray;
    JoinerRun run(joinerDir + "_Film.exe");

    // The name looked for is the joiner's own, lower-cased.
    HWND search = WaitForWindow(run.ThreadId(), kSearchTitle);
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(ItemText(search, IDC_TEXT), joinerDir + "_film.cfg");
    run.Chooser().Answer(stick + "_film.cfg");
    ClickItemLater(search, IDC_SEARCH);

    HWND success = WaitForWindow(run.ThreadId(), kSuccessTitle);
    ASSERT_NE(success, nullptr);
    ClickItemLater(success, IDCANCEL);
    ASSERT_TRUE(run.WaitFinished());
    EXPECT_TRUE(run.Joined());
    EXPECT_TRUE(ReadBytes(joinerDir + "film.avi") == set.source);
    EXPECT_FALSE(FileExists(stick + "film.avi"));
    std::vector<FileRequest> requests = run.Chooser().Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].filter, std::string("cfg Datei (*.cfg)\0*.cfg\0\0", 25));
    EXPECT_EQ(requests[0].defaultExtension, "cfg");
    ExpectTrayCallsOfAJoin(tray.Calls(), 3, 3);
}

TEST(JoinFlow, ARejectedConfigurationIsReportedInTheMessageWindow)
{
    TempDir dir;
    HandMadeSet set(dir.Dir());
    WriteBytes(dir / "_film.cfg", ConfigRecord(10000, "avi", "film", 0, 0));
    TrayRecorder tray;
    JoinerRun run(dir / "_film.exe");

    HWND error = WaitForWindow(run.ThreadId(), "Fehlermeldung");
    ASSERT_NE(error, nullptr);
    const std::string text = ItemText(error, IDC_TEXT);
    EXPECT_EQ(text.rfind("Die Konfigurationsdatei \"" + (dir / "_film.cfg") + "\" ist ungültig:\r\n", 0), 0u)
        << text;
    EXPECT_EQ(SendMessageA(GetDlgItem(error, IDC_TEXT), EM_GETLINECOUNT, 0, 0), 2);
    ClickItemLater(error, IDCANCEL);
    ASSERT_TRUE(run.WaitFinished());
    EXPECT_FALSE(run.Joined());
    EXPECT_EQ(run.Messages().size(), 1u);
    EXPECT_TRUE(tray.Calls().empty());
    EXPECT_FALSE(FileExists(dir / "film.avi"));
}

// Sets whose record spells the name in UTF-8 ("PU32") or, as earlier
// splitters did, in Windows-1252 ("PC32"), joined as if the joiner lay
// beside the pieces as _<base>.exe: the file comes back under its own name,
// compared in UTF-16 as the compiler spells it.
TEST(JoinFlow, NamesBeyondAsciiAreRebuiltUnderTheirOwnName)
{
    struct Case {
        std::string base;
        std::wstring wideName;
        const char* marker;
        std::string recordBase;
    };
    const Case cases[] = {
        {"Łódź", L"Łódź.avi", "PU32", "Łódź"},
        {"Größe", L"Größe.avi", "PC32",
         "Gr\xF6\xDF"
         "e"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base);
        TempDir dir;
        HandMadeSet set(dir.Dir(), c.base, "avi", c.recordBase, c.marker);
        TrayRecorder tray;
        JoinerRun run(dir / ("_" + c.base + ".exe"));

        HWND success = WaitForWindow(run.ThreadId(), kSuccessTitle);
        ASSERT_NE(success, nullptr) << testing::PrintToString(VisibleWindows(run.ThreadId()));
        const std::string target = dir / (c.base + ".avi");
        EXPECT_EQ(ItemText(success, IDC_TEXT), "Die Datei \"" + target + "\" wurde erstellt.");
        // An ANSI window would pass the name through the ANSI code page.
        EXPECT_TRUE(IsWindowUnicode(success));
        EXPECT_TRUE(IsWindowUnicode(GetDlgItem(success, IDC_TEXT)));
        ClickItemLater(success, IDCANCEL);
        ASSERT_TRUE(run.WaitFinished());
        EXPECT_TRUE(run.Joined());
        EXPECT_NE(GetFileAttributesW((platform::ToWide(dir.Dir()) + c.wideName).c_str()),
                  INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(ReadBytes(target) == set.source);
        ExpectTrayCallsOfAJoin(tray.Calls(), 3, 3);
    }
}

// The names the Windows joiner takes and those it refuses, as the splitter's
// plan refuses them: sets whose record names "NUL", a stream or a final
// blank would be written as another file here.
TEST(JoinFlow, SetNamesAreTakenOrRefusedByWindowsRules)
{
    const char* const kWindowsRefusal = "Der Dateiname ist unter Windows nicht erlaubt.";
    const char* const kCharacterRefusal =
        "Der Dateiname darf weder Pfadtrenner noch Steuerzeichen enthalten und nicht \".\" oder \"..\" sein.";
    struct Case {
        std::string base, ext, recordBase;
        const char* marker;
        const char* refusal; // null: the set joins
    };
    const Case cases[] = {
        {".", "txt", ".", "PC32", nullptr},
        {"setup.exe", "zip", "setup.exe", "PC32", nullptr},
        {"film", "txt", "NUL", "PC32", kWindowsRefusal},
        {"film", "txt", "com1", "PC32", kWindowsRefusal},
        {"film", "txt", "a:b", "PC32", kWindowsRefusal},
        {"film", "avi ", "film", "PC32", kWindowsRefusal},
        {"film", "avi", "fi\xC2\x85lm", "PU32", kCharacterRefusal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.recordBase + "." + c.ext);
        TempDir dir;
        HandMadeSet set(dir.Dir(), c.base, c.ext, c.recordBase, c.marker);
        JoinerRun run(dir / ("_" + c.base + ".exe"));
        HWND box = WaitForWindow(run.ThreadId(), c.refusal ? "Fehlermeldung" : kSuccessTitle);
        ASSERT_NE(box, nullptr) << testing::PrintToString(VisibleWindows(run.ThreadId()));
        if (c.refusal) {
            EXPECT_EQ(ItemText(box, IDC_TEXT), "Die Konfigurationsdatei \"" +
                                                   (dir / ("_" + c.base + ".cfg")) + "\" ist ungültig:\r\n" +
                                                   c.refusal);
        }
        ClickItemLater(box, IDCANCEL);
        ASSERT_TRUE(run.WaitFinished());
        EXPECT_EQ(run.Joined(), c.refusal == nullptr);
        if (!c.refusal) {
            EXPECT_TRUE(ReadBytes(dir / (c.base + "." + c.ext)) == set.source);
        }
        EXPECT_FALSE(LeftoverTemporaryFile(dir.Dir()));
    }
}

// "_film.sfv" lists the intact pieces; then one of them changes in a single
// byte. The joiner names it in the message window, looks for it like a
// missing piece and either gives up or takes it, with the rest, from an
// intact copy of the set elsewhere.
TEST(JoinFlow, ADamagedPieceIsNamedAndLookedForAgain)
{
    struct Case {
        int piece;
        bool pickCopy;
    };
    const Case cases[] = {{1, false}, {1, true}, {3, false}, {3, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "piece " << c.piece << (c.pickCopy ? ", copy picked" : ", given up"));
        TempDir dir;
        HandMadeSet set(dir.Dir());
        std::vector<PieceChecksum> sums;
        for (int i = 1; i <= 3; ++i) {
            const std::string name = "film.00" + std::to_string(i);
            const std::string bytes = ReadBytes(dir / name);
            sums.push_back({name, Crc32Update(0, bytes.data(), bytes.size())});
        }
        WriteBytes(dir / "_film.sfv", FormatChecksumList("Portelan test", sums));
        const std::string copy = dir / "Kopie\\";
        ASSERT_TRUE(CreateDirectoryA(copy.c_str(), nullptr));
        for (const PieceChecksum& sum : sums)
            ASSERT_TRUE(CopyFileA((dir / sum.name).c_str(), (copy + sum.name).c_str(), TRUE));
        const std::string damaged = dir / sums[static_cast<std::size_t>(c.piece - 1)].name;
        std::string bytes = ReadBytes(damaged);
        bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x01);
        WriteBytes(damaged, bytes);
        JoinerRun run(dir / "_film.exe");

        const std::string damagedText = "Das Teilstück \"" + damaged + "\" ist beschädigt.";
        HWND error = WaitForWindow(run.ThreadId(), "Fehlermeldung");
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(ItemText(error, IDC_TEXT), damagedText);
        EXPECT_FALSE(ItemVisible(error, IDC_SEARCH));
        ClickItemLater(error, IDCANCEL);

        HWND search = WaitForWindow(run.ThreadId(), kSearchTitle);
        ASSERT_NE(search, nullptr);
        EXPECT_EQ(ItemText(search, IDC_TEXT), damaged);
        EXPECT_TRUE(ItemVisible(search, IDC_SEARCH));
        const std::string target = dir / "film.avi";
        std::string lastMessage;
        if (c.pickCopy) {
            run.Chooser().Answer(copy + sums[static_cast<std::size_t>(c.piece - 1)].name);
            ClickItemLater(search, IDC_SEARCH);
            HWND success = WaitForWindow(run.ThreadId(), kSuccessTitle);
            ASSERT_NE(success, nullptr) << testing::PrintToString(run.Messages());
            lastMessage = std::string(kSuccessTitle) + "|Die Datei \"" + target + "\" wurde erstellt.";
            ClickItemLater(success, IDCANCEL);
        } else {
            ClickItemLater(search, IDCANCEL);
            error = WaitForWindow(run.ThreadId(), "Fehlermeldung");
            ASSERT_NE(error, nullptr);
            lastMessage = "|Die Zieldatei \"" + target + "\" konnte nicht erstellt werden.";
            EXPECT_EQ(ItemText(error, IDC_TEXT), lastMessage.substr(1));
            ClickItemLater(error, IDCANCEL);
        }
        ASSERT_TRUE(run.WaitFinished());
        EXPECT_EQ(run.Joined(), c.pickCopy);
        EXPECT_EQ(run.Messages(), (std::vector<std::string>{"|" + damagedText, lastMessage}));
        const std::vector<FileRequest> requests = run.Chooser().Requests();
        ASSERT_EQ(requests.size(), c.pickCopy ? 1u : 0u);
        if (c.pickCopy) {
            EXPECT_EQ(requests[0].initialFile, damaged);
            EXPECT_TRUE(ReadBytes(target) == set.source);
        } else {
            EXPECT_FALSE(FileExists(target));
        }
        EXPECT_FALSE(LeftoverTemporaryFile(dir.Dir()));
    }
}

} // namespace
} // namespace portelan::test
