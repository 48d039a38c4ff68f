// The piece-size window "Groesse der Einzeldateien" opened from the main
// window: what it opens with, what OK stores, what Cancel leaves.
#include <gtest/gtest.h>

#include "SplitterWindow.h"
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

} // namespace
} // namespace portelan::test
