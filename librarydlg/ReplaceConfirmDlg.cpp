#include "ReplaceConfirmDlg.h"

#include "CombinationRecord.h"
#include "LibraryDialogIds.h"

CReplaceConfirmDlg::CReplaceConfirmDlg(HWND parent) : CDialog(IDD_REPLACE_CONFIRM, parent) {}

const MessageMap& CReplaceConfirmDlg::GetMessageMap() const
{
    static const MessageMap map(CDialog::GetMessageMap(), {
        on::Command(IDC_REPLACE_NO, &CReplaceConfirmDlg::OnNo),
        on::Command(IDC_REPLACE_ALL, &CReplaceConfirmDlg::OnAll),
        on::Command(IDC_REPLACE_NONE, &CReplaceConfirmDlg::OnNone),
    });
    return map;
}

void CReplaceConfirmDlg::SetRecords(const CombinationRecord& incoming, const CombinationRecord& existing)
{
    incomingName = FieldString(incoming.name);
    incomingCategory = FieldString(incoming.roomCategory);
    incomingDescription = FieldString(incoming.shortDescription);
    existingName = FieldString(existing.name);
    existingCategory = FieldString(existing.roomCategory);
    existingDescription = FieldString(existing.shortDescription);
}

void CReplaceConfirmDlg::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_REPLACE_OLD_DESCRIPTION, existingDescriptionLabel);
    DDX_Control(dx, IDC_REPLACE_IN_DESCRIPTION, incomingDescriptionLabel);
    DDX_Text(dx, IDC_REPLACE_IN_NAME, incomingName);
    DDX_Text(dx, IDC_REPLACE_OLD_NAME, existingName);
    DDX_Text(dx, IDC_REPLACE_IN_CATEGORY, incomingCategory);
    DDX_Text(dx, IDC_REPLACE_OLD_CATEGORY, existingCategory);
}

bool CReplaceConfirmDlg::OnInitDialog()
{
    // The labels are attached through their own subclassing, which runs
    // their set-up at once; the data exchange then finds them attached.
    existingDescriptionLabel.SubclassDlgItem(IDC_REPLACE_OLD_DESCRIPTION, m_hWnd);
    incomingDescriptionLabel.SubclassDlgItem(IDC_REPLACE_IN_DESCRIPTION, m_hWnd);
    CDialog::OnInitDialog();
    CenterWindow();
    incomingDescriptionLabel.SetText(incomingDescription);
    existingDescriptionLabel.SetText(existingDescription);
    return true;
}

void CReplaceConfirmDlg::OnOK()
{
    EndDialog(IDOK);
}

void CReplaceConfirmDlg::OnNo()
{
    EndDialog(IDC_REPLACE_NO);
}

void CReplaceConfirmDlg::OnAll()
{
    EndDialog(IDC_REPLACE_ALL);
}

void CReplaceConfirmDlg::OnNone()
{
    EndDialog(IDC_REPLACE_NONE);
}
