#include "LibraryMaintenanceDlg.h"

#include "LibraryDialogIds.h"
#include "LibraryDlgSupport.h"

using namespace librarydlg;

namespace {

constexpr int kShortDescriptionMaxChars = 250;
constexpr int kLongDescriptionMaxChars = 2000;

}  // namespace

CLibraryMaintenanceDlg::CLibraryMaintenanceDlg(CombinationLibrary& lib, HWND parent)
    : CDialog(IDD_LIBRARY_MAINTENANCE, parent), library(lib)
{
}

const MessageMap& CLibraryMaintenanceDlg::GetMessageMap() const
{
    static const MessageMap map(CDialog::GetMessageMap(), {
        on::Command(IDC_MAINT_DELETE, &CLibraryMaintenanceDlg::OnDelete),
        on::Command(IDC_MAINT_MODIFY, &CLibraryMaintenanceDlg::OnModify),
        on::Command(IDC_MAINT_EXPORT_SELECTED, &CLibraryMaintenanceDlg::OnExportSelected),
        on::Command(IDC_MAINT_EXPORT_ALL, &CLibraryMaintenanceDlg::OnExportAll),
        on::Command(IDC_MAINT_IMPORT, &CLibraryMaintenanceDlg::OnImport),
        on::Command(IDC_MAINT_EXTRACT, &CLibraryMaintenanceDlg::OnExtractTextures),
        on::Message(WM_TREECOMBO_SELECT, &CLibraryMaintenanceDlg::OnTreeComboSelect),
    });
    return map;
}

void CLibraryMaintenanceDlg::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_MAINT_SELECTOR, selector);
    DDX_Text(dx, IDC_MAINT_SHORT_DESCRIPTION, shortDescription);
    DDV_MaxChars(dx, shortDescription, kShortDescriptionMaxChars);
    DDX_Text(dx, IDC_MAINT_LONG_DESCRIPTION, longDescription);
    DDV_MaxChars(dx, longDescription, kLongDescriptionMaxChars);
    DDX_Text(dx, IDC_MAINT_SELECTOR, selectionPath);
}

bool CLibraryMaintenanceDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    statusTip.Attach(m_hWnd, {IDC_MAINT_STATUS});
    CenterWindow();
    selector.CreateTree(0, kCategoryDropDownHeight);
    FillSelector();
    return true;
}

void CLibraryMaintenanceDlg::FillSelector()
{
    selector.Empty();
    selector.SetWindowText("");
    HTREEITEM first = nullptr;
    for (const CombinationRecord& record : library) {
        HTREEITEM item = selector.AddPath(FieldString(record.roomCategory) + FieldString(record.name));
        if (!first)
            first = item;
    }
    if (first) {
        selector.Tree().SelectItem(first);
        SendMessage(WM_TREECOMBO_SELECT, reinterpret_cast<WPARAM>(first), 0);
    }
    selector.SetFocus();
}

LRESULT CLibraryMaintenanceDlg::OnTreeComboSelect(WPARAM, LPARAM)
{
    selectionPath = selector.GetSelectedPath();
    SplitRecordPath(selectionPath, currentCategory, currentName);
    const int index = FindCombination(library, currentName, currentCategory);
    if (index < 0) {
        UpdateData(true);
        return 0;
    }
    const CombinationRecord& record = library[index];
    shortDescription = FieldString(record.shortDescription);
    longDescription = FieldString(record.longDescription);
    extraText1 = FieldString(record.extraText1);
    extraText2 = FieldString(record.extraText2);
    UpdateData(false);
    return 0;
}

void CLibraryMaintenanceDlg::OnModify()
{
    const std::string oldName = currentName;
    const std::string oldCategory = currentCategory;
    if (!UpdateData(true))
        return;
    std::string newCategory;
    std::string newName;
    SplitRecordPath(selectionPath, newCategory, newName);
    const int index = FindCombination(library, oldName, oldCategory);
    if (index < 0) {
        fw::ShowMessageBox(kRecordNotFoundMessage, MB_OK, std::string(), m_hWnd);
        return;
    }
    CombinationRecord& record = library[index];
    const std::string tooLong = CheckFieldsFit({
        {newName, sizeof record.name, kNameLabel},
        {shortDescription, sizeof record.shortDescription, kShortDescriptionLabel},
        {longDescription, sizeof record.longDescription, kLongDescriptionLabel},
        {newCategory, sizeof record.roomCategory, kCategoryLabel},
    });
    if (!tooLong.empty()) {
        fw::ShowMessageBox(tooLong, MB_OK, std::string(), m_hWnd);
        return;
    }
    currentCategory = newCategory;
    currentName = newName;
    const CombinationRecord before = record;
    SetField(record.name, currentName);
    SetField(record.shortDescription, shortDescription);
    SetField(record.longDescription, longDescription);
    SetField(record.roomCategory, currentCategory);
    if (changes)
        changes->Changed(before, record);
    SetStatus(kModifyDoneStatus);
    libraryChanged = 1;
}

void CLibraryMaintenanceDlg::OnDelete()
{
    if (fw::ShowMessageBox(kDeleteQuestion, MB_YESNO, kConfirmCaption, m_hWnd) != IDYES)
        return;
    const int index = FindCombination(library, currentName, currentCategory);
    if (index < 0) {
        fw::ShowMessageBox(kRecordNotFoundMessage, MB_OK, std::string(), m_hWnd);
        return;
    }
    if (changes)
        changes->Deleted(library[index]);
    library.RemoveAt(index);
    longDescription.clear();
    shortDescription.clear();
    currentCategory.clear();
    currentName.clear();
    UpdateData(false);
    FillSelector();
    libraryChanged = 1;
}

void CLibraryMaintenanceDlg::SetStatus(const std::string& text)
{
    SetDlgItemText(IDC_MAINT_STATUS, text);
}
