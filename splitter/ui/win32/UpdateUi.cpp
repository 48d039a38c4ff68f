#include "splitter/ui/win32/UpdateUi.h"

#include "platform/win32/WideText.h"
#include "platform/win32/Window.h"
#include "splitter/ui/VersionRecord.h"
#include "splitter/ui/win32/AboutDlg.h"
#include "splitter/update/win32/WinInetHttpClient.h"

namespace portelan {

BoxAnswer CWindowUpdateUi::ShowMessageBox(const std::string& text, const std::string& caption, BoxStyle style)
{
    static constexpr UINT kIcons[] = {0, MB_ICONSTOP, MB_ICONQUESTION, MB_ICONINFORMATION}; // by BoxIcon
    const bool yesNo = style.buttons == BoxButtons::YesNo;
    const int pressed = win::ShowMessageBox(
        m_owner, text, caption, (yesNo ? MB_YESNO : MB_OK) | kIcons[static_cast<int>(style.icon)]);
    return !yesNo ? BoxAnswer::Ok : pressed == IDYES ? BoxAnswer::Yes : BoxAnswer::No;
}

void CWindowUpdateUi::BeginWaitCursor() { m_previous = SetCursor(LoadCursor(nullptr, IDC_WAIT)); }

void CWindowUpdateUi::EndWaitCursor()
{
    SetCursor(m_previous ? m_previous : LoadCursor(nullptr, IDC_ARROW));
    m_previous = nullptr;
}

bool CWindowUpdateUi::CopyTextToClipboard(const std::string& text)
{
    // As Unicode text: the path may hold any name. The system offers it
    // as CF_TEXT too, to whoever asks for that.
    const std::wstring wide = platform::ToWide(text);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (wide.size() + 1) * sizeof(wchar_t));
    if (!block)
        return false;
    auto* chars = static_cast<wchar_t*>(GlobalLock(block));
    if (!chars) {
        GlobalFree(block);
        return false;
    }
    wide.copy(chars, wide.size());
    GlobalUnlock(block);
    bool handedOver = false;
    if (OpenClipboard(m_owner)) {
        // Once SetClipboardData succeeds the block belongs to the clipboard.
        handedOver = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, block) != nullptr;
        CloseClipboard();
    }
    if (!handedOver)
        GlobalFree(block);
    return handedOver;
}

bool RunUpdateCheck(HWND owner, const UpdateClientFactory& client)
{
    std::unique_ptr<IHttpClient> http = client ? client() : std::make_unique<CWinInetHttpClient>("Portelan");
    CWindowUpdateUi ui(owner);
    return RunUpdateCommand(kUpdateName, *http, ui, WindowUpdateSettings(OwnFileVersion));
}

} // namespace portelan
