// The resources both programs carry: the version record and, in the
// splitter, the joiner as "CONCAT" 139.
#include <windows.h>

#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "SplitterWindow.h"
#include "platform/win32/WideText.h"
#include "splitter/ui/VersionRecord.h"
#include "splitter/ui/win32/Resource.h"
#include "splitter/ui/win32/ResourceJoiner.h"

namespace portelan::test {
namespace {

// The Windows form of a Linux path handed in by ctest.
std::string BinFile(const std::string& name)
{
    const char* dir = std::getenv("PORTELAN_BIN_DIR");
    std::string path = std::string("Z:") + (dir ? dir : "") + "/" + name;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

class VersionRecord {
  public:
    explicit VersionRecord(const std::string& file)
    {
        const std::wstring path = platform::ToWide(file);
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        m_data.resize(size);
        m_ok = size > 0 && GetFileVersionInfoW(path.c_str(), 0, size, m_data.data());
    }
    bool Ok() const { return m_ok; }
    std::string Fixed(bool product) const
    {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(m_data.data(), L"\\", &value, &length))
            return {};
        auto* fixed = static_cast<VS_FIXEDFILEINFO*>(value);
        DWORD ms = product ? fixed->dwProductVersionMS : fixed->dwFileVersionMS;
        DWORD ls = product ? fixed->dwProductVersionLS : fixed->dwFileVersionLS;
        return std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." +
               std::to_string(HIWORD(ls)) + "." + std::to_string(LOWORD(ls));
    }
    std::string String(const std::string& key) const
    {
        void* value = nullptr;
        UINT length = 0;
        std::wstring path = platform::ToWide("\\StringFileInfo\\040704B0\\" + key);
        if (!VerQueryValueW(m_data.data(), path.c_str(), &value, &length))
            return "<missing>";
        return platform::ToUtf8(static_cast<const wchar_t*>(value));
    }

  private:
    std::vector<char> m_data;
    bool m_ok = false;
};

void ExpectCommonVersion(const VersionRecord& record)
{
    ASSERT_TRUE(record.Ok());
    EXPECT_EQ(record.Fixed(false), "2.0.0.6");
    EXPECT_EQ(record.Fixed(true), "1.0.0.1");
    EXPECT_EQ(record.String("Comments"), "Release 06.09.2008");
    EXPECT_EQ(record.String("FileVersion"), "2, 0, 0, 6");
    EXPECT_EQ(record.String("ProductVersion"), "1, 0, 0, 1");
    EXPECT_EQ(record.String("ProductName"), "Anwendung Portelan");
    EXPECT_EQ(record.String("PrivateBuild"), "Dateien unterteilen");
    EXPECT_EQ(record.String("SpecialBuild"), "Getestet auf Win 9x, Win NT4.0, Win2000, WinXP");
    EXPECT_EQ(record.String("LegalTrademarks"), " ");
    EXPECT_NE(record.String("LegalCopyright"), "<missing>");
    EXPECT_NE(record.String("CompanyName"), "<missing>");
}

TEST(Resources, BothProgramsCarryTheVersionRecord)
{
    {
        SCOPED_TRACE("Portelan.exe");
        VersionRecord splitter(BinFile("Portelan.exe"));
        ExpectCommonVersion(splitter);
        EXPECT_EQ(splitter.String("FileDescription"), "MFC-Anwendung Portelan");
        EXPECT_EQ(splitter.String("InternalName"), "Portelan");
        EXPECT_EQ(splitter.String("OriginalFilename"), "Portelan.EXE");
    }
    {
        SCOPED_TRACE("PortelanConcat.exe");
        VersionRecord joiner(BinFile("PortelanConcat.exe"));
        ExpectCommonVersion(joiner);
        EXPECT_EQ(joiner.String("InternalName"), "PortelanConcat");
    }
}

TEST(Resources, TheJoinersAreCarriedInGermanAsConcat139And140)
{
    struct Case {
        JoinerKind kind;
        int id;
        const char* built; // below the programs' directory
    };
    for (const Case& c : {Case{JoinerKind::Windows, IDR_CONCAT, "PortelanConcat.exe"},
                          Case{JoinerKind::Linux, IDR_CONCAT_LINUX, "../other-joiner/bin/portelanconcat"}}) {
        SCOPED_TRACE(c.built);
        // The German resource exists under its type name and number.
        HRSRC german = FindResourceExA(nullptr, "CONCAT", MAKEINTRESOURCEA(c.id),
                                       MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
        ASSERT_NE(german, nullptr);

        CResourceJoiner joiner;
        ASSERT_TRUE(joiner.Carries(c.kind));
        ASSERT_TRUE(joiner.Find(c.kind));
        std::optional<std::span<const unsigned char>> bytes = joiner.Load(c.kind);
        ASSERT_TRUE(bytes.has_value());
        std::string expected = ReadBytes(BinFile(c.built));
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size()), expected);
    }
}

TEST(Resources, TheWindowsHaveTheirIconAndClip)
{
    EXPECT_NE(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)), nullptr);
    HRSRC clip = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_CLIP_ERROR), "AVI");
    ASSERT_NE(clip, nullptr);
    const char* data = static_cast<const char*>(LockResource(LoadResource(nullptr, clip)));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(data, 4), "RIFF");
    EXPECT_EQ(std::string(data + 8, 4), "AVI ");
}

TEST(Resources, TheTemplatesAreCompiledAsDrawn)
{
    const DialogTemplate main = ReadDialogTemplate(IDD_MAIN);
    EXPECT_EQ(main.style & (WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
              WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    EXPECT_EQ(main.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);

    const DialogTemplate about = ReadDialogTemplate(IDD_ABOUTBOX);
    ASSERT_NE(about.Item(IDC_ABOUT_LEGAL), nullptr);
    EXPECT_EQ(about.Item(IDC_ABOUT_LEGAL)->text, "%s");
    ASSERT_NE(about.Item(IDC_ABOUT_MAIL), nullptr);
    EXPECT_EQ(about.Item(IDC_ABOUT_MAIL)->text, version_record::kFeedbackAddress);
    const TemplateItem* icon = about.Item(IDC_ABOUT_ICON);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->style & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
    EXPECT_EQ(icon->text, "#" + std::to_string(IDR_MAINFRAME));
    const RECT place{112, 55, 20, 20};
    EXPECT_TRUE(EqualRect(&icon->place, &place)) << icon->place.right << " x " << icon->place.bottom;
}

} // namespace
} // namespace portelan::test
