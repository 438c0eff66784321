#include "AddCombinationDlg.h"

#include "CombinationFile.h"
#include "LibraryDialogIds.h"
#include "LibraryDlgSupport.h"
#include "LibraryMaintenanceDlg.h"
#include "model/SurfaceMaterialStore.h"

using namespace librarydlg;

namespace {

constexpr int kCategoryMaxChars = 50;

}  // namespace

CAddCombinationDlg::CAddCombinationDlg(CombinationLibrary& lib, HWND parent)
    : CDialog(IDD_ADD_COMBINATION, parent), library(lib)
{
}

const MessageMap& CAddCombinationDlg::GetMessageMap() const
{
    static const MessageMap map(CDialog::GetMessageMap(), {
        on::Command(IDC_ADD_MAINTENANCE, &CAddCombinationDlg::OnLibraryMaintenance),
        on::Message(WM_TREECOMBO_SELECT, &CAddCombinationDlg::OnTreeComboSelect),
    });
    return map;
}

void CAddCombinationDlg::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_ADD_CATEGORY, categoryBox);
    DDX_Text(dx, IDC_ADD_CATEGORY, category);
    DDV_MaxChars(dx, category, kCategoryMaxChars);
    DDX_Text(dx, IDC_ADD_DESCRIPTION, description);
    DDX_Text(dx, IDC_ADD_NAME, name);
}

bool CAddCombinationDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CenterWindow();
    categoryBox.CreateTree(0, kCategoryDropDownHeight);
    std::vector<std::string> categories;
    ListRoomCategories(library, categories);
    for (const std::string& path : categories)
        categoryBox.AddPath(path);
    ::SetFocus(GetDlgItem(IDC_ADD_NAME));
    return false;  // the focus is set
}

bool CAddCombinationDlg::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
        return true;
    return CDialog::PreTranslateMessage(msg);
}

LRESULT CAddCombinationDlg::OnTreeComboSelect(WPARAM, LPARAM)
{
    category = categoryBox.GetSelectedPath();
    categoryBox.SetWindowText(category);
    return 0;
}

void CAddCombinationDlg::OnOK()
{
    if (!UpdateData(true))
        return;
    if (description.empty() || category.empty() || name.empty()) {
        fw::ShowMessageBox(kEmptyFieldsMessage, MB_OK, std::string(), m_hWnd);
        return;
    }
    std::string stored = category;
    if (stored.back() != '/')  // 0x2F is never the trail byte of a character
        stored.push_back('/');
    const std::string tooLong = CheckFieldsFit({
        {name, sizeof CombinationRecord::name, kNameLabel},
        {description, sizeof CombinationRecord::shortDescription, kDescriptionLabel},
        {stored, sizeof CombinationRecord::roomCategory, kCategoryLabel},
    });
    if (!tooLong.empty()) {
        fw::ShowMessageBox(tooLong, MB_OK, std::string(), m_hWnd);
        return;
    }
    category = stored;
    EndDialog(IDOK);
}

void CAddCombinationDlg::OnLibraryMaintenance()
{
    CLibraryMaintenanceDlg maintenance(library, nullptr);
    maintenance.changes = changes;
    maintenance.DoModal();
    if (maintenance.libraryChanged)
        libraryChanged = 1;
}

bool RunAddCombination(HWND owner, CombinationLibrary& library, const std::function<bool()>& saveLibrary,
                       bool* libraryModified, LibraryChanges* changes)
{
    OriginalMaterial materials[3];
    for (int surfaceClass = Ceiling; surfaceClass <= Wall; ++surfaceClass) {
        unsigned handle = 0;
        if (!FirstMaterialOfClass(static_cast<SurfaceClass>(surfaceClass), &handle)) {
            fw::ShowMessageBox(Format(kMissingMaterialFormat, SurfaceClassWord(surfaceClass)), MB_OK,
                               std::string(), owner);
            return false;
        }
        HV_GetMaterial(handle, &materials[surfaceClass]);
    }

    CAddCombinationDlg dialog(library, nullptr);
    dialog.changes = changes;
    const INT_PTR answer = dialog.DoModal();
    if (dialog.libraryChanged && libraryModified)
        *libraryModified = true;
    if (answer != IDOK)
        return false;

    const int found = FindCombination(library, dialog.name, dialog.category);
    CombinationRecord record;
    MakeCombinationRecord(record, dialog.name, dialog.category, dialog.description, materials);
    if (found >= 0) {
        if (fw::ShowMessageBox(kReplaceQuestion, MB_YESNO, kConfirmCaption, owner) != IDYES)
            return false;
        if (changes)
            changes->Changed(library[found], record);
        library.ReplaceAt(found, record);
    } else {
        library.Append(record);
        if (changes)
            changes->Added(record);
    }
    if (libraryModified)
        *libraryModified = true;
    // A failed save leaves the library modified, so the panel saves it again at close.
    saveLibrary();
    return true;
}
