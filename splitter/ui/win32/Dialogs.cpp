#include "splitter/ui/win32/Dialogs.h"

#include "splitter/engine/SplitEngine.h"
#include "splitter/ui/PieceSize.h"
#include "splitter/ui/win32/Resource.h"

namespace portelan {

CInfoDlg::CInfoDlg() : CDialog(IDD_INFO) {}

BOOL CInfoDlg::OnInitDialog()
{
    PlanView view = DescribePlan(m_plan);
    SetItemText(IDC_INFO_NAME, view.sourceName);
    SetItemText(IDC_INFO_SOURCE_DIR, view.sourceDir);
    SetItemText(IDC_INFO_SOURCE_SIZE, view.sourceSize);
    SetItemText(IDC_INFO_TARGET, view.targetPath);
    SetItemText(IDC_INFO_COUNT, view.count);
    SetItemText(IDC_INFO_PIECE_SIZE, view.pieceSize);
    CheckPlan();
    // The focus goes to the button that is there to be pressed.
    SetFocus(Item(IsWindowEnabled(Item(IDOK)) ? IDOK : IDCANCEL));
    return FALSE;
}

void CInfoDlg::CheckPlan()
{
    PlanVerdict verdict = portelan::CheckPlan(m_plan);
    SetItemText(IDC_INFO_VERDICT, verdict.text);
    EnableItem(IDOK, verdict.canConfirm);
}

CPieceSizeDlg::CPieceSizeDlg() : CDialog(IDD_PIECE_SIZE) {}

void CPieceSizeDlg::SetValues(std::int64_t value, int unit)
{
    m_nValue = value;
    m_nUnit = unit;
    m_bDiskPreset = unit == UNIT_DISK;
}

void CPieceSizeDlg::GetValues(std::int64_t& value, int& unit) const
{
    value = m_nValue;
    unit = m_nUnit;
}

BOOL CPieceSizeDlg::OnInitDialog()
{
    Refresh();
    return TRUE;
}

void CPieceSizeDlg::Refresh()
{
    const bool free = !m_bDiskPreset;
    SetCheck(IDC_PRESET, !free);
    SetCheck(IDC_FREE, free);
    for (int id : {IDC_VALUE, IDC_UNIT_BYTES, IDC_UNIT_KB, IDC_UNIT_MB})
        EnableItem(id, free);
    // Setting the text fires EN_CHANGE, which reads the same number back.
    SetItemText(IDC_VALUE, std::to_string(m_nValue));
    if (m_nUnit == UNIT_BYTES)
        SetCheck(IDC_UNIT_BYTES, true);
    else if (m_nUnit == UNIT_KB)
        SetCheck(IDC_UNIT_KB, true);
    else if (m_nUnit == UNIT_MB)
        SetCheck(IDC_UNIT_MB, true);
}

void CPieceSizeDlg::ReadUnit()
{
    if (IsChecked(IDC_PRESET)) {
        m_nUnit = UNIT_DISK;
    } else {
        m_nUnit = UNIT_BYTES;
        if (IsChecked(IDC_UNIT_BYTES))
            m_nUnit = UNIT_BYTES;
        if (IsChecked(IDC_UNIT_KB))
            m_nUnit = UNIT_KB;
        if (IsChecked(IDC_UNIT_MB))
            m_nUnit = UNIT_MB;
    }
    m_bDiskPreset = m_nUnit == UNIT_DISK;
}

bool CPieceSizeDlg::OnCommand(int id, int code, HWND)
{
    if ((id == IDC_PRESET || id == IDC_FREE) && code == BN_CLICKED) {
        ReadUnit();
        Refresh();
        return true;
    }
    if (id == IDC_VALUE && code == EN_CHANGE) {
        m_nValue = ParseTypedNumber(GetItemText(IDC_VALUE));
        return true;
    }
    return false;
}

void CPieceSizeDlg::OnOK()
{
    ReadUnit();
    m_nValue = CapPieceValue(m_nValue, m_nUnit);
    CDialog::OnOK();
}

CErrorDlg::CErrorDlg() : CDialog(IDD_ERROR) {}

void CErrorDlg::SetTexts(const std::string& message, const std::string& title)
{
    m_strMessage = message;
    m_strTitle = title;
}

BOOL CErrorDlg::OnInitDialog()
{
    win::SetText(Hwnd(), m_strTitle.empty() ? "Fehlermeldung" : m_strTitle);
    SetItemText(IDC_ERROR_TEXT, m_strMessage);
    win::PlayClip(Item(IDC_ERROR_CLIP), IDC_ERROR_CLIP, IDR_CLIP_ERROR);
    return TRUE;
}

} // namespace portelan
