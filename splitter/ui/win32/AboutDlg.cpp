#include "splitter/ui/win32/AboutDlg.h"

#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "common/StrFormat.h"
#include "platform/Platform.h"
#include "platform/win32/WideText.h"
#include "splitter/ui/VersionRecord.h"
#include "splitter/ui/win32/Resource.h"
#include "texts/SplitterTexts.h"

namespace portelan {

const char* const kFeedbackAddress = version_record::kFeedbackAddress;

namespace {

// A text of the German string block; empty when the record has none. The
// record keeps its texts in UTF-16; the legal notice's "©" needs more than ASCII.
std::string QueryString(const std::vector<char>& record, const wchar_t* key)
{
    void* value = nullptr;
    UINT length = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\040704B0\\") + key;
    if (!VerQueryValueW(record.data(), path.c_str(), &value, &length) || !value)
        return {};
    return platform::ToUtf8(static_cast<const wchar_t*>(value));
}

} // namespace

std::optional<VersionRecord> ReadVersionRecordOf(const std::string& file)
{
    const std::wstring path = platform::ToWide(file);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return std::nullopt;
    std::vector<char> record(static_cast<std::size_t>(size) + 1, '\0');
    if (!GetFileVersionInfoW(path.c_str(), 0, size, record.data()))
        return std::nullopt;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(record.data(), L"\\", &value, &length) || !value || length < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    VersionRecord read;
    read.fileNumbers = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                        HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
    read.productVersion =
        StrFormat("%d.%d.%d.%d", HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
                  HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS));
    read.releaseNote = QueryString(record, L"Comments");
    read.legalNotice = QueryString(record, L"LegalCopyright");
    return read;
}

std::optional<VersionRecord> ReadOwnVersionRecord()
{
    const std::string path = platform::ModulePath();
    return path.empty() ? std::nullopt : ReadVersionRecordOf(path);
}

// --- CDedicationDlg -----------------------------------------------------------

CDedicationDlg::CDedicationDlg() : CDialog(IDD_DEDICATION) {}

BOOL CDedicationDlg::OnInitDialog()
{
    const win::ControlText texts[] = {{IDC_DEDICATION_TEXT, Tr(Text::DedicationLine)}, {IDOK, Tr(Text::Ok)}};
    win::SetDialogTexts(Hwnd(), Tr(Text::DedicationCaption), texts);
    win::PlayClip(Item(IDC_DEDICATION_CLIP), IDC_DEDICATION_CLIP, IDR_CLIP_DEDICATION, ACS_TRANSPARENT);
    return TRUE;
}

// --- CAboutDlg ----------------------------------------------------------------

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog()
{
    const std::optional<VersionRecord> record = ReadOwnVersionRecord();
    const std::string version = record ? record->FileVersion() : "";
    const win::ControlText texts[] = {{IDOK, Tr(Text::Ok)}};
    win::SetDialogTexts(Hwnd(), Tr(Text::AboutCaption), texts);
    SetItemText(IDC_ABOUT_VERSION, StrFormat(Tr(Text::AboutVersion), version.c_str()));
    SetItemText(IDC_ABOUT_LEGAL, record ? record->legalNotice : "");
    SetItemText(IDC_ABOUT_NOTE, record ? record->releaseNote : "");
    SetItemText(IDC_ABOUT_MAIL, kFeedbackAddress);
    win::PlayClip(Item(IDC_ABOUT_CLIP), IDC_ABOUT_CLIP, IDR_CLIP_ABOUT);
    return TRUE;
}

INT_PTR CAboutDlg::OnMessage(UINT message, WPARAM, LPARAM, bool& handled)
{
    // A right-button double click on the box itself (not on a control)
    // shows the dedication; the dialog class receives double clicks.
    if (message == WM_RBUTTONDBLCLK) {
        CDedicationDlg dedication;
        dedication.DoModal(Hwnd());
        handled = true;
        return 0;
    }
    handled = false;
    return 0;
}

} // namespace portelan
