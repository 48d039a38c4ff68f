// A whole split through the main window, with real files: the pieces, the
// configuration file, the joiner copy and the state the window is left in.
#include <zlib.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "SplitterWindow.h"
#include "splitter/ui/win32/Resource.h"

namespace portelan::test {
namespace {

std::uint32_t U32At(const std::string& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
    return value;
}

std::uint64_t U64At(const std::string& bytes, std::size_t offset)
{
    return U32At(bytes, offset) | (std::uint64_t{U32At(bytes, offset + 4)} << 32);
}

// A text field of the configuration file: its bytes, then only NULs.
void ExpectTextField(const std::string& cfg, std::size_t offset, const std::string& text)
{
    EXPECT_EQ(cfg.substr(offset, text.size()), text);
    EXPECT_EQ(cfg.substr(offset + text.size(), 256 - text.size()), std::string(256 - text.size(), '\0'))
        << "field at " << offset;
}

// The built joiner, as a Windows path (PORTELAN_BIN_DIR holds the Linux path).
std::string BuiltJoinerPath()
{
    const char* dir = std::getenv("PORTELAN_BIN_DIR");
    if (!dir || !*dir)
        return "";
    std::string path = std::string("Z:") + dir + "/PortelanConcat.exe";
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

TEST(SplitThroughTheMainWindow, WritesACompleteSetAndResetsTheWindow)
{
    TempDir dir;
    const std::string source = dir / "daten.bin";
    const std::string target = dir / "satz\\";
    const std::size_t sourceSize = 300000; // four pieces of 64 KB and one of 37856 bytes
    const std::string bytes = RandomBytes(sourceSize, 11);
    WriteBytes(source, bytes);
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));

    SplitterWindow w;
    w.ChooseInputs(source, target);
    ASSERT_TRUE(w.ChoosePieceSize("64", IDC_UNIT_KB));
    ASSERT_EQ(w.Text(IDC_SIZE_TEXT), "65536 [64.0 KB]");
    ASSERT_EQ(w.Text(IDC_STATUS), "Alle Informationen vorhanden.");
    // Typed key by key: the field takes digits only, and the engine the number.
    w.Type(IDC_RECOVERY, "x2");
    EXPECT_EQ(w.Text(IDC_RECOVERY), "2");
    EXPECT_EQ(w.Inputs().recoveryPieces, 2);
    ASSERT_EQ(w.Text(IDC_STATUS), "Alle Informationen vorhanden.");

    HWND info = w.OpenModal(IDC_START, "Information");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(ItemText(info, IDC_INFO_COUNT), "5");
    EXPECT_FALSE(ItemText(info, IDC_INFO_RECOVERY).empty());
    EXPECT_EQ(ItemText(info, IDC_INFO_VERDICT),
              "Sie erzeugen 4 Dateien je 64.0 KB\r\nund eine Datei mit 37.0 KB.");
    ASSERT_TRUE(ItemEnabled(info, IDOK));
    ASSERT_TRUE(w.CloseModal(info, IDOK));
    ASSERT_TRUE(w.WaitForStatus("Die Datei wurde erfolgreich aufgeteilt..."))
        << "status: " << w.Text(IDC_STATUS);
    EXPECT_EQ(WaitForWindow(w.ThreadId(), "Fehlermeldung", 0), nullptr);

    // Ready for the next split, the progress bar back at its start.
    EXPECT_TRUE(w.Enabled(IDC_START));
    EXPECT_EQ(SendMessageA(w.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);
    PBRANGE range{};
    SendMessageA(w.Item(IDC_PROGRESS), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 5);

    // The pieces, together exactly the source.
    std::string joined;
    for (int k = 1; k <= 5; ++k) {
        const std::string piece = ReadBytes(target + "daten.00" + std::to_string(k));
        EXPECT_EQ(piece.size(), k < 5 ? 65536u : 37856u) << "piece " << k;
        joined += piece;
    }
    EXPECT_TRUE(joined == bytes) << "the pieces do not make up the source";
    EXPECT_FALSE(FileExists(target + "daten.006"));
    EXPECT_FALSE(FileExists(dir / "daten.001")) << "pieces belong into the target only";

    const std::string cfg = ReadBytes(target + "_daten.cfg");
    ASSERT_EQ(cfg.size(), 536u);
    EXPECT_EQ(U32At(cfg, 0), 0x0040A444u);
    EXPECT_EQ(cfg.substr(4, 4), "PC32");
    EXPECT_EQ(U64At(cfg, 8), sourceSize);
    ExpectTextField(cfg, 16, "bin");
    ExpectTextField(cfg, 272, "daten");
    EXPECT_EQ(U32At(cfg, 528), 5u);
    const auto crc = static_cast<std::uint32_t>(crc32(
        crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
    EXPECT_EQ(U32At(cfg, 532), crc);

    const std::string joinerPath = BuiltJoinerPath();
    ASSERT_FALSE(joinerPath.empty()) << "PORTELAN_BIN_DIR is not set";
    const std::string builtJoiner = ReadBytes(joinerPath);
    ASSERT_GT(builtJoiner.size(), 0u) << joinerPath;
    const std::string joinerCopy = ReadBytes(target + "_daten.exe");
    EXPECT_EQ(joinerCopy.size(), builtJoiner.size());
    EXPECT_TRUE(joinerCopy == builtJoiner) << "_daten.exe differs from " << joinerPath;
    EXPECT_TRUE(FileExists(source));
    EXPECT_TRUE(ReadBytes(source) == bytes) << "the source was changed";
}

} // namespace
} // namespace portelan::test
