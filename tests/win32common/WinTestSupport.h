// What the tests of the Windows programs share: waiting, reading and
// clicking real windows, temporary files, and pictures of windows. Texts and
// paths are UTF-8, as inside the programs.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace portelan::test {

// The first visible window of a thread that `accept` takes; waits up to
// timeoutMs. nullptr when none appears.
HWND FindThreadWindow(DWORD threadId, const std::function<bool(HWND)>& accept, DWORD timeoutMs);
// Titles of the visible windows of a thread.
std::vector<std::string> VisibleWindows(DWORD threadId);
bool ItemVisible(HWND dialog, int id);
// True when a control has the room to show the whole of its text, as it
// draws it: a language with longer words must not cut any off.
bool ShowsItsWholeText(HWND window, int id);
// The texts of a window's labels and buttons that do not fit; the edits hold
// names and numbers and scroll.
std::vector<std::string> ClippedTexts(HWND window);
// The window as it is on the screen, frame included, as a 24-bit BMP file.
bool SaveWindowBitmap(HWND hwnd, const std::string& path);

// A dialog template of this program as compiled: the dialog's style and,
// per control, its id, place in dialog units, style and text (or "#<n>"
// for a resource number, as an icon control has).
struct TemplateItem {
    int id = 0;
    RECT place{}; // left, top, width, height
    DWORD style = 0;
    std::string text;
};
struct DialogTemplate {
    DWORD style = 0;
    std::vector<TemplateItem> items;
    const TemplateItem* Item(int id) const;
};
DialogTemplate ReadDialogTemplate(int templateId);

// A visible window of a thread whose title is exactly `title`; waits up to
// timeoutMs. nullptr when none appears.
HWND WaitForWindow(DWORD threadId, const std::string& title, DWORD timeoutMs = 10000);
// The visible top-level windows of this process titled exactly `title`
// (other programs under the same Wine server share the desktop).
int CountVisibleWindows(const std::string& title);
// The first visible window of a thread whose title starts with `prefix`;
// waits up to timeoutMs. nullptr when none appears.
HWND WaitForWindowStartingWith(DWORD threadId, const std::string& prefix, DWORD timeoutMs = 10000);
// Waits until the condition holds; false on time-out.
bool WaitUntilTrue(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
// The text of a window or of a dialog control.
std::string WindowText(HWND hwnd);
std::string ItemText(HWND dialog, int id);
// Controls of any dialog, such as a modal window of the splitter.
bool ItemChecked(HWND dialog, int id);
bool ItemEnabled(HWND dialog, int id);
// Sets a control's text as typing would end up; an edit reports EN_CHANGE.
void SetItemText(HWND dialog, int id, const std::string& text);
// Clicks a button of a dialog: returns when handled, or at once (Later) for
// one that ends or opens a modal window.
void ClickItem(HWND dialog, int id);
void ClickItemLater(HWND dialog, int id);
// Waits until a window has been destroyed; false on time-out.
bool WaitUntilGone(HWND hwnd, DWORD timeoutMs = 20000);

// Where the pictures for the documentation go (PORTELAN_SCREENSHOT_DIR, a
// Windows path ending in a backslash), taken in the language of the system
// the tests run on while it lives: "NAME.bmp" in German, "NAME-en.bmp" in
// English. German again after it, as the other tests expect.
class Pictures {
  public:
    Pictures();
    ~Pictures();
    Pictures(const Pictures&) = delete;
    Pictures& operator=(const Pictures&) = delete;
    bool Wanted() const { return !m_dir.empty(); }
    std::string Path(const std::string& name) const;

  private:
    std::string m_dir;
};

// A directory of its own under the temporary directory, removed at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // Ends in a backslash.
    const std::string& Dir() const { return m_dir; }
    std::string operator/(const std::string& name) const { return m_dir + name; }

  private:
    std::string m_dir;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
std::string RandomBytes(std::size_t n, unsigned seed);

} // namespace portelan::test
