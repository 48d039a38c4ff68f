#include "WinTestSupport.h"

#include <shellapi.h>
#include <shlobj.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "common/SystemLanguage.h"
#include "platform/win32/WideText.h"
#include "texts/Language.h"

namespace portelan::test {

bool WaitUntilTrue(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        Sleep(10);
    }
    return true;
}

// The first visible window of a thread that the test accepts.
HWND FindThreadWindow(DWORD threadId, const std::function<bool(HWND)>& accept, DWORD timeoutMs)
{
    struct Search {
        const std::function<bool(HWND)>* accept;
        HWND found;
    } search{&accept, nullptr};
    WaitUntilTrue(
        [&] {
            EnumThreadWindows(
                threadId,
                [](HWND hwnd, LPARAM data) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(data);
                    if (IsWindowVisible(hwnd) && (*s->accept)(hwnd)) {
                        s->found = hwnd;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

bool ItemVisible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != 0; }

std::vector<std::string> VisibleWindows(DWORD threadId)
{
    std::vector<std::string> titles;
    EnumThreadWindows(
        threadId,
        [](HWND hwnd, LPARAM data) -> BOOL {
            if (IsWindowVisible(hwnd))
                reinterpret_cast<std::vector<std::string>*>(data)->push_back(WindowText(hwnd));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&titles));
    return titles;
}

std::string WindowText(HWND hwnd)
{
    wchar_t text[4096] = L"";
    SendMessageW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text));
    return platform::ToUtf8(text);
}

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

bool ItemChecked(HWND dialog, int id)
{
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool ItemEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }

void SetItemText(HWND dialog, int id, const std::string& text)
{
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(platform::ToWide(text).c_str()));
}

void ClickItem(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void ClickItemLater(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

bool WaitUntilGone(HWND hwnd, DWORD timeoutMs)
{
    return WaitUntilTrue([hwnd] { return !IsWindow(hwnd); }, timeoutMs);
}

HWND WaitForWindow(DWORD threadId, const std::string& title, DWORD timeoutMs)
{
    return FindThreadWindow(
        threadId, [&](HWND hwnd) { return WindowText(hwnd) == title; }, timeoutMs);
}

HWND WaitForWindowStartingWith(DWORD threadId, const std::string& prefix, DWORD timeoutMs)
{
    return FindThreadWindow(
        threadId, [&](HWND hwnd) { return WindowText(hwnd).starts_with(prefix); }, timeoutMs);
}

int CountVisibleWindows(const std::string& title)
{
    struct Count {
        const std::string* title;
        int count;
    } count{&title, 0};
    EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* c = reinterpret_cast<Count*>(data);
            DWORD process = 0;
            GetWindowThreadProcessId(hwnd, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(hwnd) && WindowText(hwnd) == *c->title)
                ++c->count;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.count;
}

TempDir::TempDir()
{
    wchar_t base[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, base);
    static int serial = 0;
    for (;;) {
        m_dir = platform::ToUtf8(base) + "portelan-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++serial) + "\\";
        if (CreateDirectoryW(platform::ToWide(m_dir).c_str(), nullptr))
            break;
    }
}

TempDir::~TempDir()
{
    // SHFileOperation wants a double NUL at the end of the path list.
    std::wstring from = platform::ToWide(m_dir.substr(0, m_dir.size() - 1)) + L'\0' + L'\0';
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&op);
}

bool ShowsItsWholeText(HWND window, int id)
{
    HWND control = GetDlgItem(window, id);
    RECT shown{};
    GetClientRect(control, &shown);
    const std::wstring text = platform::ToWide(ItemText(window, id));
    RECT needed{0, 0, shown.right, 0};
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    // A check box or radio button draws its box beside the text.
    const LONG style = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    const bool boxed = style == BS_AUTOCHECKBOX || style == BS_AUTORADIOBUTTON || style == BS_CHECKBOX ||
                       style == BS_RADIOBUTTON;
    wchar_t kind[16] = L"";
    GetClassNameW(control, kind, 16);
    if (boxed && lstrcmpiW(kind, L"Button") == 0)
        shown.right -= GetSystemMetrics(SM_CXMENUCHECK) + 4;
    return !text.empty() && needed.right <= shown.right && needed.bottom <= shown.bottom;
}

std::vector<std::string> ClippedTexts(HWND window)
{
    std::vector<std::string> clipped;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[16] = L"";
        GetClassNameW(child, kind, 16);
        const bool labelled = lstrcmpiW(kind, L"Button") == 0 || lstrcmpiW(kind, L"Static") == 0;
        const int id = GetDlgCtrlID(child);
        if (!labelled || !IsWindowVisible(child) || ItemText(window, id).empty())
            continue;
        if (!ShowsItsWholeText(window, id))
            clipped.push_back(ItemText(window, id));
    }
    return clipped;
}

Pictures::Pictures()
{
    if (const char* dir = std::getenv("PORTELAN_SCREENSHOT_DIR"))
        m_dir = dir;
    ChooseLanguageFromSystem();
}

Pictures::~Pictures() { SetLanguage(Language::German); }

std::string Pictures::Path(const std::string& name) const
{
    return m_dir + name + (CurrentLanguage() == Language::German ? ".bmp" : "-en.bmp");
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    // A wide path: the runtime opens it with the "W" function.
    std::ofstream out(std::filesystem::path(platform::ToWide(path)), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(std::filesystem::path(platform::ToWide(path)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesW(platform::ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng() & 0xFF);
    return bytes;
}

// The window as it is on the screen, frame included, as a 24-bit BMP file.
bool SaveWindowBitmap(HWND hwnd, const std::string& path)
{
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    Sleep(300); // let the animation show a frame
    RECT r{};
    GetWindowRect(hwnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    const int stride = (w * 3 + 3) & ~3;
    std::vector<char> pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(h));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(h), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    std::ofstream out(std::filesystem::path(platform::ToWide(path)), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return out.good();
}

namespace {

// Reads the template's words in order; strings and resource numbers as the
// template format writes them.
class TemplateReader {
  public:
    explicit TemplateReader(const BYTE* at) : m_at(at) {}
    template <typename T> T Next()
    {
        T value;
        std::memcpy(&value, m_at, sizeof value);
        m_at += sizeof value;
        return value;
    }
    std::string NameOrNumber()
    {
        const WORD first = Next<WORD>();
        if (first == 0xFFFF)
            return "#" + std::to_string(Next<WORD>());
        std::wstring text;
        for (WORD c = first; c != 0; c = Next<WORD>())
            text.push_back(static_cast<wchar_t>(c));
        return platform::ToUtf8(text);
    }
    void AlignTo(std::uintptr_t boundary, const BYTE* base)
    {
        m_at = base + ((m_at - base + boundary - 1) / boundary) * boundary;
    }

  private:
    const BYTE* m_at;
};

} // namespace

const TemplateItem* DialogTemplate::Item(int id) const
{
    for (const TemplateItem& item : items)
        if (item.id == id)
            return &item;
    return nullptr;
}

DialogTemplate ReadDialogTemplate(int templateId)
{
    DialogTemplate result;
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    if (!found)
        return result;
    const auto* base = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    TemplateReader in(base);
    if (in.Next<WORD>() != 1 || in.Next<WORD>() != 0xFFFF)
        return result; // only the extended form, which windres writes for DIALOGEX
    in.Next<DWORD>();  // help id
    in.Next<DWORD>();  // extended style
    result.style = in.Next<DWORD>();
    const WORD count = in.Next<WORD>();
    for (int i = 0; i < 4; ++i)
        in.Next<short>();
    in.NameOrNumber(); // menu
    in.NameOrNumber(); // class
    in.NameOrNumber(); // title
    if (result.style & (DS_SETFONT | DS_SHELLFONT)) {
        in.Next<DWORD>(); // size and weight
        in.Next<WORD>();  // italic and character set
        in.NameOrNumber();
    }
    for (WORD i = 0; i < count; ++i) {
        in.AlignTo(4, base);
        TemplateItem item;
        in.Next<DWORD>(); // help id
        in.Next<DWORD>(); // extended style
        item.style = in.Next<DWORD>();
        item.place.left = in.Next<short>();
        item.place.top = in.Next<short>();
        item.place.right = in.Next<short>();
        item.place.bottom = in.Next<short>();
        item.id = static_cast<int>(in.Next<DWORD>());
        in.NameOrNumber(); // class
        item.text = in.NameOrNumber();
        const WORD extra = in.Next<WORD>();
        for (WORD b = 0; b < extra; ++b)
            in.Next<BYTE>();
        result.items.push_back(item);
    }
    return result;
}

} // namespace portelan::test
