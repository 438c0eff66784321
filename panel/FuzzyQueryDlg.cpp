#include "FuzzyQueryDlg.h"

#include "res/resource.h"

const char* const CFuzzyQueryDlg::kEmptyConditionMessage = "如果您需要用某个条件进行查询，该条件就不能为空！";

CFuzzyQueryDlg::CFuzzyQueryDlg(int nameOnlyMode, HWND parent)
    : CDialog(IDD_FUZZY_QUERY, parent), nameOnly(nameOnlyMode)
{
}

const MessageMap& CFuzzyQueryDlg::GetMessageMap() const
{
    // OK and Cancel are the dialog's own (OnOK below, the default cancel).
    static const MessageMap map(CDialog::GetMessageMap(), {});
    return map;
}

void CFuzzyQueryDlg::DoDataExchange(CDataExchange& dx)
{
    DDX_Text(dx, IDC_QUERY_NAME, nameText);
    DDX_Text(dx, IDC_QUERY_DESCRIPTION, descriptionText);
    DDX_Check(dx, IDC_QUERY_USE_DESCRIPTION, useDescription);
    DDX_Check(dx, IDC_QUERY_USE_NAME, useName);
}

bool CFuzzyQueryDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CenterWindow();
    if (nameOnly != 0) {
        // Only the name can be used, and it must be.
        useName = 1;
        useDescription = 0;
        UpdateData(false);
        for (int id : {IDC_QUERY_USE_NAME, IDC_QUERY_USE_DESCRIPTION, IDC_QUERY_DESCRIPTION})
            ::EnableWindow(GetDlgItem(id), FALSE);
    }
    return true;
}

void CFuzzyQueryDlg::OnOK()
{
    if (!UpdateData(true))
        return;
    if ((useName != 0 && nameText.empty()) || (useDescription != 0 && descriptionText.empty())) {
        fw::ShowMessageBox(kEmptyConditionMessage, MB_OK, std::string(), m_hWnd);
        return;
    }
    EndDialog(IDOK);
}
