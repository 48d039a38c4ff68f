// Closing the main window while the worker is still writing pieces.
#include <cstdio>

#include <gtest/gtest.h>

#include "SplitterWindow.h"
#include "splitter/ui/win32/Resource.h"

namespace portelan::test {
namespace {

std::string PieceName(int k)
{
    char name[16];
    std::snprintf(name, sizeof name, "gross.%.3d", k);
    return name;
}

TEST(CloseWhileSplitting, StopsTheWorkerAndLeavesOnlyWholePiecesBehind)
{
    TempDir dir;
    const std::string source = dir / "gross.dat";
    const std::string target = dir / "ziel\\";
    const std::size_t pieceSize = 65536;
    const int count = 960; // 60 MB: long enough to be interrupted
    const std::string bytes = RandomBytes(pieceSize * count, 3);
    WriteBytes(source, bytes);
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));

    SplitterWindow w;
    w.ChooseInputs(source, target);
    ASSERT_TRUE(w.ChoosePieceSize("64", IDC_UNIT_KB));
    // Only the pieces are at stake here.
    w.Type(IDC_RECOVERY, "0");
    HWND info = w.OpenModal(IDC_START, "Information");
    ASSERT_NE(info, nullptr);
    ASSERT_EQ(ItemText(info, IDC_INFO_COUNT), std::to_string(count));
    ASSERT_TRUE(w.CloseModal(info, IDOK));

    // Close as soon as the worker has begun, as "Be&enden" does, watching
    // for an error window until the main window has gone.
    const ULONGLONG deadline = GetTickCount64() + 20000;
    while (!FileExists(target + PieceName(2)) && GetTickCount64() < deadline)
        Sleep(1);
    ASSERT_TRUE(FileExists(target + PieceName(2))) << "the split does not begin";
    PostMessageA(w.Hwnd(), WM_COMMAND, IDCANCEL, 0);
    bool errorShown = false;
    while (IsWindow(w.Hwnd()) && !errorShown && GetTickCount64() < deadline)
        errorShown = WaitForWindow(w.ThreadId(), "Fehlermeldung", 0) != nullptr;
    EXPECT_FALSE(errorShown) << "closing showed an error window";
    ASSERT_TRUE(w.Close());

    int written = 0;
    while (written < count && FileExists(target + PieceName(written + 1)))
        ++written;
    EXPECT_GE(written, 2);
    EXPECT_LT(written, count) << "the split ended before the window was closed";
    for (int k = 1; k <= written; ++k) {
        const std::string piece = ReadBytes(target + PieceName(k));
        const std::string expected = bytes.substr(static_cast<std::size_t>(k - 1) * pieceSize, pieceSize);
        if (k < written)
            EXPECT_TRUE(piece == expected) << "piece " << k << " is not whole";
        else
            EXPECT_TRUE(piece == expected.substr(0, piece.size()))
                << "the last piece is not a start of its part";
    }
    for (int k = written + 2; k <= count; ++k)
        EXPECT_FALSE(FileExists(target + PieceName(k))) << "piece " << k << " after a gap";
    EXPECT_FALSE(FileExists(target + "_gross.cfg"));
    EXPECT_FALSE(FileExists(target + "_gross.exe"));
    EXPECT_TRUE(ReadBytes(source) == bytes) << "the source was changed";
}

} // namespace
} // namespace portelan::test
