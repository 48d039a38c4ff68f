// A thin window layer of our own for the two Windows programs: an
// application object and modal dialogs made from dialog templates. Its
// windows are Unicode windows and its texts UTF-8, converted at the calls.
#pragma once

#include <windows.h>

#include <span>
#include <string>

namespace portelan::win {

// The text of any window or control, UTF-8.
void SetText(HWND window, const std::string& text);
std::string GetText(HWND window);
// MessageBox with UTF-8 texts; the button pressed.
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style);

// One row of a dialog's table of texts: a control's id and its UTF-8 text.
struct ControlText {
    int control;
    const char* text;
};
// Gives a dialog its texts when it opens (at WM_INITDIALOG): the caption,
// unless null, and each control of the table. The template keeps only the
// geometry, so that one template serves every language; a control the
// dialog lacks is passed over.
void SetDialogTexts(HWND dialog, const char* caption, std::span<const ControlText> controls);

// The program's application object. Start-up runs the program (usually a
// modal dialog); its result decides whether a message loop follows.
class CApplikation {
  public:
    static constexpr const char* kClassName = "CApplikation";

    CApplikation();
    virtual ~CApplikation();
    CApplikation(const CApplikation&) = delete;
    CApplikation& operator=(const CApplikation&) = delete;

    // Run-time class information: the name, and creation by that name.
    virtual const char* GetRuntimeClassName() const { return kClassName; }
    static CApplikation* CreateObject() { return new CApplikation; }

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
    // Runs start-up, the message loop when start-up asked for one, and shut-down.
    int Run();

    static CApplikation* Current() { return s_pCurrent; }
    HINSTANCE Instance() const { return m_hInstance; }

  private:
    static CApplikation* s_pCurrent;
    HINSTANCE m_hInstance;
};

// A modal dialog on a dialog template.
class CDialog {
  public:
    explicit CDialog(int templateId) : m_nTemplate(templateId) {}
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally; IDOK, IDCANCEL or what EndDialog was given.
    INT_PTR DoModal(HWND owner = nullptr);
    HWND Hwnd() const { return m_hWnd; }

    // Control helpers.
    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
    void SetItemText(int id, const std::string& text) const { SetText(Item(id), text); }
    std::string GetItemText(int id) const { return GetText(Item(id)); }
    void EnableItem(int id, bool enable) const { EnableWindow(Item(id), enable); }
    void ShowItem(int id, bool show) const { ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE); }
    bool IsChecked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void SetCheck(int id, bool checked) const
    {
        SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }

  protected:
    // Returns TRUE to let the system set the focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    // A WM_COMMAND; true when handled. Unhandled IDOK and IDCANCEL end the dialog.
    virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    // Any other message; set handled to give the result.
    virtual INT_PTR OnMessage(UINT /*message*/, WPARAM, LPARAM, bool& handled)
    {
        handled = false;
        return 0;
    }
    virtual void OnOK() { EndDialog(m_hWnd, IDOK); }
    virtual void OnCancel() { EndDialog(m_hWnd, IDCANCEL); }

  private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    int m_nTemplate;
    HWND m_hWnd = nullptr;
};

// Plays an AVI resource of the program, looping, over the client area of a
// static control (the control becomes its parent).
HWND PlayClip(HWND staticControl, int controlId, int clipId, DWORD extraStyle = 0);

} // namespace portelan::win
