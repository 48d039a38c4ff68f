// The error window "Fehlermeldung" during real splits: a set file that
// cannot be made, then a piece that cannot be made, in the same main window.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "SplitterWindow.h"
#include "platform/Platform.h"
#include "splitter/ui/win32/Resource.h"

namespace portelan::test {
namespace {

bool IsDirectory(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

TEST(ErrorWindow, ShowsTheFailureAndClosesAloneWithTheSplitGoingOnAsFarAsItCan)
{
    TempDir dir;
    const std::string source = dir / "daten.bin";
    const std::string bytes = RandomBytes(10000, 5);
    WriteBytes(source, bytes);
    // A directory in the configuration file's place.
    const std::string first = dir / "eins\\";
    ASSERT_TRUE(CreateDirectoryA(first.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((first + "_daten.cfg").c_str(), nullptr));
    // A directory in the second piece's place.
    const std::string second = dir / "zwei\\";
    ASSERT_TRUE(CreateDirectoryA(second.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((second + "daten.002").c_str(), nullptr));

    SplitterWindow w;
    w.ChooseInputs(source, first);
    ASSERT_TRUE(w.ChoosePieceSize("4000", IDC_UNIT_BYTES)); // three pieces

    HWND info = w.OpenModal(IDC_START, "Information");
    ASSERT_NE(info, nullptr);
    ASSERT_TRUE(w.CloseModal(info, IDOK));
    HWND error = WaitForWindow(w.ThreadId(), "Fehlermeldung");
    ASSERT_NE(error, nullptr);
    // Each message with the system's reason below it, in the system's words.
    const std::string denied = "\r\n" + platform::ErrorText(platform::Error{ERROR_ACCESS_DENIED});
    EXPECT_EQ(ItemText(error, IDC_ERROR_TEXT),
              "Die Konfigurationsdatei (*.cfg) konnte nicht erzeugt werden." + denied);
    EXPECT_EQ(w.Text(IDC_STATUS), "Ein Fehler ist aufgetreten.");
    EXPECT_EQ(ItemText(error, IDCANCEL), "Be&enden");
    EXPECT_TRUE(ItemEnabled(error, IDCANCEL));
    EXPECT_EQ(GetWindow(error, GW_OWNER), w.Hwnd());
    // The split waits for the error window: not finished meanwhile.
    EXPECT_FALSE(w.Enabled(IDC_START));
    ASSERT_TRUE(w.CloseModal(error, IDCANCEL));
    ASSERT_TRUE(IsWindow(w.Hwnd())) << "Be&enden closed the main window too";
    EXPECT_TRUE(IsWindowVisible(w.Hwnd()));
    // The pieces are all there; the set-file error does not undo the split.
    EXPECT_EQ(w.Text(IDC_STATUS), "Die Datei wurde erfolgreich aufgeteilt...");
    EXPECT_TRUE(w.Enabled(IDC_START));
    EXPECT_TRUE(ReadBytes(first + "daten.001") + ReadBytes(first + "daten.002") +
                    ReadBytes(first + "daten.003") ==
                bytes);
    EXPECT_TRUE(IsDirectory(first + "_daten.cfg"));
    EXPECT_FALSE(FileExists(first + "_daten.exe")) << "no joiner without its configuration file";

    // The same window splits again, into a target where the second piece
    // cannot be created.
    w.Choosers().AnswerFolder(second);
    w.Click(IDC_HAVE_TARGET);
    ASSERT_EQ(w.Text(IDC_TARGET), second);
    info = w.OpenModal(IDC_START, "Information");
    ASSERT_NE(info, nullptr);
    ASSERT_TRUE(w.CloseModal(info, IDOK));
    error = WaitForWindow(w.ThreadId(), "Fehlermeldung");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(ItemText(error, IDC_ERROR_TEXT),
              "Die Datei \"" + second + "daten.002\" konnte nicht geöffnet werden." + denied);
    EXPECT_EQ(w.Text(IDC_STATUS), "Ein Fehler ist aufgetreten.");
    ASSERT_TRUE(w.CloseModal(error, IDCANCEL));
    ASSERT_TRUE(IsWindow(w.Hwnd()));
    // No success after a failed piece, but ready for another try.
    EXPECT_EQ(w.Text(IDC_STATUS), "Ein Fehler ist aufgetreten.");
    EXPECT_TRUE(w.Enabled(IDC_START));
    EXPECT_EQ(SendMessageA(w.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);
    EXPECT_TRUE(ReadBytes(second + "daten.001") == bytes.substr(0, 4000));
    EXPECT_TRUE(IsDirectory(second + "daten.002"));
    EXPECT_FALSE(FileExists(second + "daten.003"));
    EXPECT_FALSE(FileExists(second + "_daten.cfg"));
    EXPECT_FALSE(FileExists(second + "_daten.exe"));
    EXPECT_EQ(WaitForWindow(w.ThreadId(), "Fehlermeldung", 0), nullptr);
}

TEST(ErrorWindow, AClosingRequestWhileItIsOpenWaitsForItThenClosesTheMainWindow)
{
    TempDir dir;
    const std::string source = dir / "daten.bin";
    WriteBytes(source, RandomBytes(10000, 6));
    const std::string target = dir / "ziel\\";
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((target + "_daten.cfg").c_str(), nullptr));

    SplitterWindow w;
    w.ChooseInputs(source, target);
    ASSERT_TRUE(w.ChoosePieceSize("4000", IDC_UNIT_BYTES));
    HWND info = w.OpenModal(IDC_START, "Information");
    ASSERT_NE(info, nullptr);
    ASSERT_TRUE(w.CloseModal(info, IDOK));
    HWND error = WaitForWindow(w.ThreadId(), "Fehlermeldung");
    ASSERT_NE(error, nullptr);

    // Both ways a user closes: the close box, then Esc.
    PostMessageA(w.Hwnd(), WM_CLOSE, 0, 0);
    PostMessageA(w.Hwnd(), WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(w.FlushPosted());
    EXPECT_TRUE(IsWindow(error)) << "the error window went without its button";
    ASSERT_TRUE(IsWindow(w.Hwnd())) << "the main window closed under its error window";
    ClickItemLater(error, IDCANCEL);
    EXPECT_TRUE(WaitUntilGone(error)) << "the error window's button no longer works";
    EXPECT_TRUE(WaitUntilTrue([&] { return !IsWindow(w.Hwnd()); }, 20000))
        << "the deferred close did not happen";
    EXPECT_EQ(ReadBytes(target + "daten.003").size(), 2000u);
}

} // namespace
} // namespace portelan::test
