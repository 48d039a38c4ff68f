// The piece-size window "Groesse der Einzeldateien" opened from the main
// window: what it opens with, what OK stores, what Cancel leaves.
#include <gtest/gtest.h>

#include <iterator>

#include "SplitterWindow.h"
#include "platform/win32/WideText.h"
#include "splitter/ui/PieceSize.h"
#include "splitter/ui/win32/Resource.h"

namespace portelan::test {
namespace {

const char* const kTitle = "Groesse der Einzeldateien";

// Which unit buttons are set, as "BKM" letters (Bytes, KB, MB).
std::string UnitsSet(HWND dialog)
{
    std::string units;
    if (ItemChecked(dialog, IDC_UNIT_BYTES))
        units += 'B';
    if (ItemChecked(dialog, IDC_UNIT_KB))
        units += 'K';
    if (ItemChecked(dialog, IDC_UNIT_MB))
        units += 'M';
    return units;
}

// Whether the number and its unit buttons can be used.
bool FreeInputEnabled(HWND dialog)
{
    bool all = true;
    bool any = false;
    for (int id : {IDC_VALUE, IDC_UNIT_BYTES, IDC_UNIT_KB, IDC_UNIT_MB}) {
        all = all && ItemEnabled(dialog, id);
        any = any || ItemEnabled(dialog, id);
    }
    EXPECT_EQ(all, any) << "the number and its units are enabled together";
    return all;
}

TEST(PieceSizeWindow, StoresTheChosenSizeAndReopensWithTheLargestWholeUnit)
{
    SplitterWindow w;

    // First opening: the diskette preset, nothing free to edit.
    HWND dialog = w.OpenModal(IDC_HAVE_SIZE, kTitle);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(ItemChecked(dialog, IDC_PRESET));
    EXPECT_FALSE(ItemChecked(dialog, IDC_FREE));
    EXPECT_EQ(ItemText(dialog, IDC_VALUE), "1457664");
    EXPECT_FALSE(FreeInputEnabled(dialog));
    EXPECT_EQ(UnitsSet(dialog), "");

    // A free size starts in bytes from the number shown.
    ClickItem(dialog, IDC_FREE);
    EXPECT_TRUE(ItemChecked(dialog, IDC_FREE));
    EXPECT_FALSE(ItemChecked(dialog, IDC_PRESET));
    EXPECT_TRUE(FreeInputEnabled(dialog));
    EXPECT_EQ(UnitsSet(dialog), "B");
    EXPECT_EQ(ItemText(dialog, IDC_VALUE), "1457664");

    SetItemText(dialog, IDC_VALUE, "700");
    ClickItem(dialog, IDC_UNIT_MB);
    EXPECT_EQ(UnitsSet(dialog), "M");
    ASSERT_TRUE(w.CloseModal(dialog, IDOK));
    EXPECT_EQ(w.Text(IDC_SIZE_TEXT), "734003200 [700.0 MB]");
    EXPECT_TRUE(w.Checked(IDC_HAVE_SIZE));

    // Reopening shows the stored bytes in the unit the window model chooses;
    // its arithmetic is tested without a window (ui_piece_size_test.cpp).
    dialog = w.OpenModal(IDC_HAVE_SIZE, kTitle);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(ItemChecked(dialog, IDC_FREE));
    EXPECT_FALSE(ItemChecked(dialog, IDC_PRESET));
    EXPECT_TRUE(FreeInputEnabled(dialog));
    EXPECT_EQ(ItemText(dialog, IDC_VALUE), "700");
    EXPECT_EQ(UnitsSet(dialog), "M");
    // Above the cap of 2^30 bytes.
    SetItemText(dialog, IDC_VALUE, "5000");
    ASSERT_TRUE(w.CloseModal(dialog, IDOK));
    EXPECT_EQ(w.Text(IDC_SIZE_TEXT), "1073741824 [1.0 GB]");

    // Back to the preset.
    dialog = w.OpenModal(IDC_HAVE_SIZE, kTitle);
    ASSERT_NE(dialog, nullptr);
    ClickItem(dialog, IDC_PRESET);
    EXPECT_TRUE(ItemChecked(dialog, IDC_PRESET));
    EXPECT_FALSE(FreeInputEnabled(dialog));
    ASSERT_TRUE(w.CloseModal(dialog, IDOK));
    EXPECT_EQ(w.Text(IDC_SIZE_TEXT), "1457664 [1.4 MB]");
    EXPECT_TRUE(w.Checked(IDC_HAVE_SIZE));

    dialog = w.OpenModal(IDC_HAVE_SIZE, kTitle);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(ItemChecked(dialog, IDC_PRESET));
    EXPECT_EQ(ItemText(dialog, IDC_VALUE), "1457664");
    EXPECT_FALSE(FreeInputEnabled(dialog));
    EXPECT_EQ(UnitsSet(dialog), "");
    // Cancel after a change: the change is dropped, the size counts as not given.
    ClickItem(dialog, IDC_FREE);
    SetItemText(dialog, IDC_VALUE, "3");
    ASSERT_TRUE(w.CloseModal(dialog, IDCANCEL));
    EXPECT_EQ(w.Text(IDC_SIZE_TEXT), "1457664 [1.4 MB]");
    EXPECT_FALSE(w.Checked(IDC_HAVE_SIZE));

    w.ChooseInputs(std::string("C:\\Daten\\film.avi"), std::string("C:\\Archiv"));
    EXPECT_EQ(w.Text(IDC_STATUS), "Auf Eingaben warten...");
    w.Click(IDC_START);
    EXPECT_EQ(w.Text(IDC_STATUS), "Keine Stückgrösse.");

    // An empty number is a size of 0 bytes, and it counts as given.
    dialog = w.OpenModal(IDC_HAVE_SIZE, kTitle);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(ItemChecked(dialog, IDC_PRESET)); // the cancelled change left no trace
    ClickItem(dialog, IDC_FREE);
    SetItemText(dialog, IDC_VALUE, "");
    ASSERT_TRUE(w.CloseModal(dialog, IDOK));
    EXPECT_EQ(w.Text(IDC_SIZE_TEXT), "0 [0 Bytes]");
    EXPECT_TRUE(w.Checked(IDC_HAVE_SIZE));
    EXPECT_EQ(w.Text(IDC_STATUS), "Alle Informationen vorhanden.");
}

// A control's rectangle in its dialog's client coordinates.
RECT ClientRect(HWND dialog, int id)
{
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Whether a radio button's text fits beside its circle, in the window's font.
bool TextFits(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    const std::wstring text = platform::ToWide(ItemText(dialog, id));
    HDC dc = GetDC(button);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(button, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(button, dc);
    RECT rect;
    GetClientRect(button, &rect);
    return size.cx + GetSystemMetrics(SM_CXMENUCHECK) + 4 <= rect.right;
}

// One radio button per row of the preset table, in its order, then the free
// size and the count: each inside the window, none over another, no text cut.
TEST(PieceSizeWindow, ListsEveryPresetAndACountThatReachThePlan)
{
    TempDir dir;
    const std::string source = dir / "film.avi";
    WriteBytes(source, "");
    {
        HANDLE file = CreateFileA(source.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        LARGE_INTEGER size{};
        size.QuadPart = 2000000000; // the sizes matter, not the bytes
        EXPECT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file));
        CloseHandle(file);
    }
    SplitterWindow w;
    w.ChooseInputs(source, dir.Dir());
    w.Type(IDC_RECOVERY, "0");

    HWND dialog = w.OpenModal(IDC_HAVE_SIZE, kTitle);
    ASSERT_NE(dialog, nullptr);
    RECT client;
    GetClientRect(dialog, &client);
    std::vector<int> ids;
    for (int i = 0; i < static_cast<int>(std::size(kPiecePresets)); ++i) {
        EXPECT_EQ(ItemText(dialog, IDC_PRESET + i), Tr(kPiecePresets[i].label));
        ids.push_back(IDC_PRESET + i);
    }
    EXPECT_EQ(ItemText(dialog, IDC_BY_COUNT), "Anzahl der Teilstücke");
    ids.insert(ids.end(), {IDC_FREE, IDC_VALUE, IDC_BY_COUNT, IDOK});
    int lastBottom = 0;
    for (int id : ids) {
        const RECT rect = ClientRect(dialog, id);
        EXPECT_GE(rect.top, lastBottom) << id;
        EXPECT_LE(rect.bottom, client.bottom) << id;
        EXPECT_LE(rect.right, client.right) << id;
        lastBottom = rect.bottom;
        if (id >= IDC_PRESET || id == IDC_FREE || id == IDC_BY_COUNT) {
            EXPECT_TRUE(TextFits(dialog, id)) << ItemText(dialog, id);
        }
    }
    // The count's number beside its button.
    const RECT count = ClientRect(dialog, IDC_COUNT);
    EXPECT_GE(count.left, ClientRect(dialog, IDC_BY_COUNT).right);
    EXPECT_LE(count.right, client.right);
    EXPECT_LE(count.bottom, ClientRect(dialog, IDOK).top);
    EXPECT_FALSE(ItemEnabled(dialog, IDC_COUNT));
    ClickItem(dialog, IDC_PRESET + 2); // cd700
    ASSERT_TRUE(w.CloseModal(dialog, IDOK));
    EXPECT_EQ(w.Text(IDC_SIZE_TEXT), "737280000 [703.1 MB]");
    HWND info = w.OpenModal(IDC_START, "Information");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(ItemText(info, IDC_INFO_COUNT), "3");
    EXPECT_EQ(ItemText(info, IDC_INFO_PIECE_SIZE), "703.1 MB");
    ASSERT_TRUE(w.CloseModal(info, IDCANCEL));

    dialog = w.OpenModal(IDC_HAVE_SIZE, kTitle);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(ItemChecked(dialog, IDC_PRESET + 2));
    ClickItem(dialog, IDC_BY_COUNT);
    EXPECT_FALSE(ItemChecked(dialog, IDC_PRESET + 2));
    EXPECT_TRUE(ItemEnabled(dialog, IDC_COUNT));
    EXPECT_FALSE(FreeInputEnabled(dialog));
    SetItemText(dialog, IDC_COUNT, "7");
    ASSERT_TRUE(w.CloseModal(dialog, IDOK));
    EXPECT_EQ(w.Text(IDC_SIZE_TEXT), "Anzahl der Teilstücke: 7");
    info = w.OpenModal(IDC_START, "Information");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(ItemText(info, IDC_INFO_COUNT), "7");
    EXPECT_EQ(ItemText(info, IDC_INFO_PIECE_SIZE), "272.5 MB");
    ASSERT_TRUE(w.CloseModal(info, IDCANCEL));

    // A number beyond a 32-bit int, as the Windows runtime reads it, capped.
    ASSERT_TRUE(w.ChoosePieceSize("4294967297", IDC_UNIT_BYTES));
    EXPECT_EQ(w.Text(IDC_SIZE_TEXT), "1073741824 [1.0 GB]");
}

} // namespace
} // namespace portelan::test
