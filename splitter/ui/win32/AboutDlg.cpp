#include "splitter/ui/win32/AboutDlg.h"

#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "common/StrFormat.h"
#include "platform/Platform.h"
#include "platform/win32/WideText.h"
#include "splitter/ui/VersionRecord.h"
#include "splitter/ui/win32/Resource.h"

namespace portelan {

const char* const kFeedbackAddress = version_record::kFeedbackAddress;

namespace {

// A text of the German string block, when the record has it. The record
// keeps its texts in UTF-16; the legal notice's "©" needs more than ASCII.
bool QueryString(const std::vector<char>& record, const wchar_t* key, std::string& text)
{
    void* value = nullptr;
    UINT length = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\040704B0\\") + key;
    if (!VerQueryValueW(record.data(), path.c_str(), &value, &length) || !value)
        return false;
    text = platform::ToUtf8(static_cast<const wchar_t*>(value));
    return true;
}

std::string VersionText(DWORD ms, DWORD ls)
{
    return StrFormat("%d.%d.%d.%d", HIWORD(ms), LOWORD(ms), HIWORD(ls), LOWORD(ls));
}

} // namespace

bool ReadVersionInfoOf(const std::string& file, std::string& fileVersion, std::string& productVersion,
                       std::string& releaseNote, std::string& legalNotice, int* numbers)
{
    const std::wstring path = platform::ToWide(file);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return false;
    std::vector<char> record(static_cast<std::size_t>(size) + 1, '\0');
    if (!GetFileVersionInfoW(path.c_str(), 0, size, record.data()))
        return false;

    bool fixedRead = false;
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(record.data(), L"\\", &value, &length) && value &&
        length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        fileVersion = VersionText(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
        productVersion = VersionText(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
        if (numbers) {
            numbers[0] = HIWORD(fixed->dwFileVersionMS);
            numbers[1] = LOWORD(fixed->dwFileVersionMS);
            numbers[2] = HIWORD(fixed->dwFileVersionLS);
            numbers[3] = LOWORD(fixed->dwFileVersionLS);
        }
        fixedRead = true;
    }
    QueryString(record, L"Comments", releaseNote);
    QueryString(record, L"LegalCopyright", legalNotice);
    return fixedRead;
}

bool ReadVersionInfo(std::string& fileVersion, std::string& productVersion, std::string& releaseNote,
                     std::string& legalNotice, int* numbers)
{
    const std::string path = platform::ModulePath();
    if (path.empty())
        return false;
    return ReadVersionInfoOf(path, fileVersion, productVersion, releaseNote, legalNotice, numbers);
}

// --- CDedicationDlg -----------------------------------------------------------

CDedicationDlg::CDedicationDlg() : CDialog(IDD_DEDICATION) {}

BOOL CDedicationDlg::OnInitDialog()
{
    win::PlayClip(Item(IDC_DEDICATION_CLIP), IDC_DEDICATION_CLIP, IDR_CLIP_DEDICATION, ACS_TRANSPARENT);
    return TRUE;
}

// --- CAboutDlg ----------------------------------------------------------------

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog()
{
    std::string fileVersion, productVersion, releaseNote, legalNotice;
    ReadVersionInfo(fileVersion, productVersion, releaseNote, legalNotice);
    SetItemText(IDC_ABOUT_VERSION, StrFormat("Portelan Version (%s)", fileVersion.c_str()));
    SetItemText(IDC_ABOUT_LEGAL, legalNotice);
    SetItemText(IDC_ABOUT_NOTE, releaseNote);
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
