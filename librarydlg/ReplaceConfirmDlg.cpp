#include "ReplaceConfirmDlg.h"

#include "Colour.h"
#include "CombinationRecord.h"
#include "LibraryDialogIds.h"
#include "LibraryDlgSupport.h"
#include "model/SurfaceMaterialStore.h"

using namespace librarydlg;

namespace {

CReplaceConfirmDlg::MaterialView ViewOf(const MaterialSlot& slot)
{
    CReplaceConfirmDlg::MaterialView view;
    view.colour = PackColour(slot.color[0], slot.color[1], slot.color[2]);
    const std::string path = FieldString(slot.mapFile[0]);
    view.texture = path.substr(FolderOf(path).size());
    return view;
}

bool SameMaterial(const CReplaceConfirmDlg::MaterialView& a, const CReplaceConfirmDlg::MaterialView& b)
{
    return a.colour == b.colour && a.texture == b.texture;
}

// The swatch column of a control of the material rows, or -1.
int MaterialColumn(int id)
{
    for (int first : {IDC_REPLACE_IN_SWATCH_FIRST, IDC_REPLACE_OLD_SWATCH_FIRST, IDC_REPLACE_IN_TEXTURE_FIRST,
                      IDC_REPLACE_OLD_TEXTURE_FIRST, IDC_REPLACE_IN_SURFACE_FIRST, IDC_REPLACE_OLD_SURFACE_FIRST})
        if (id >= first && id < first + 3)
            return id - first;
    return -1;
}

}  // namespace

CReplaceConfirmDlg::CReplaceConfirmDlg(HWND parent) : CDialog(IDD_REPLACE_CONFIRM, parent) {}

const MessageMap& CReplaceConfirmDlg::GetMessageMap() const
{
    static const MessageMap map(CDialog::GetMessageMap(), {
        on::Command(IDC_REPLACE_NO, &CReplaceConfirmDlg::OnNo),
        on::Command(IDC_REPLACE_ALL, &CReplaceConfirmDlg::OnAll),
        on::Command(IDC_REPLACE_NONE, &CReplaceConfirmDlg::OnNone),
        on::Message(WM_CTLCOLORSTATIC, &CReplaceConfirmDlg::OnCtlColorStatic),
    });
    return map;
}

int CReplaceConfirmDlg::ColumnClass(int column)
{
    static const int classes[3] = {Ceiling, Wall, Floor};
    return column >= 0 && column < 3 ? classes[column] : Ceiling;
}

void CReplaceConfirmDlg::SetRecords(const CombinationRecord& incoming, const CombinationRecord& existing)
{
    incomingName = FieldString(incoming.name);
    incomingCategory = FieldString(incoming.roomCategory);
    incomingDescription = FieldString(incoming.shortDescription);
    existingName = FieldString(existing.name);
    existingCategory = FieldString(existing.roomCategory);
    existingDescription = FieldString(existing.shortDescription);
    for (int slot = 0; slot < 3; ++slot) {
        incomingMaterials[slot] = ViewOf(incoming.materials[slot]);
        existingMaterials[slot] = ViewOf(existing.materials[slot]);
    }
}

bool CReplaceConfirmDlg::Differs(int id) const
{
    switch (id) {
    case IDC_REPLACE_IN_NAME:
    case IDC_REPLACE_OLD_NAME:
        return incomingName != existingName;
    case IDC_REPLACE_IN_CATEGORY:
    case IDC_REPLACE_OLD_CATEGORY:
        return incomingCategory != existingCategory;
    case IDC_REPLACE_IN_DESCRIPTION:
    case IDC_REPLACE_OLD_DESCRIPTION:
        return incomingDescription != existingDescription;
    default:
        break;
    }
    const int column = MaterialColumn(id);
    if (column < 0)
        return false;
    const int surfaceClass = ColumnClass(column);
    return !SameMaterial(incomingMaterials[surfaceClass], existingMaterials[surfaceClass]);
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
    labelTips.Attach(m_hWnd, {IDC_REPLACE_IN_NAME, IDC_REPLACE_OLD_NAME, IDC_REPLACE_IN_CATEGORY,
                              IDC_REPLACE_OLD_CATEGORY, IDC_REPLACE_IN_DESCRIPTION, IDC_REPLACE_OLD_DESCRIPTION});
    for (int column = 0; column < 3; ++column)
        labelTips.Attach(m_hWnd, {IDC_REPLACE_IN_TEXTURE_FIRST + column, IDC_REPLACE_OLD_TEXTURE_FIRST + column});
    CenterWindow();
    incomingDescriptionLabel.SetText(incomingDescription);
    existingDescriptionLabel.SetText(existingDescription);
    if (Differs(IDC_REPLACE_IN_DESCRIPTION)) {
        incomingDescriptionLabel.SetTextColour(kDifferenceColour);
        existingDescriptionLabel.SetTextColour(kDifferenceColour);
    }

    for (int column = 0; column < 3; ++column) {
        const int surfaceClass = ColumnClass(column);
        swatchBrushes[0][column].CreateSolidBrush(incomingMaterials[surfaceClass].colour);
        swatchBrushes[1][column].CreateSolidBrush(existingMaterials[surfaceClass].colour);
        SetDlgItemText(IDC_REPLACE_IN_TEXTURE_FIRST + column, incomingMaterials[surfaceClass].texture);
        SetDlgItemText(IDC_REPLACE_OLD_TEXTURE_FIRST + column, existingMaterials[surfaceClass].texture);
    }
    return true;
}

LRESULT CReplaceConfirmDlg::OnCtlColorStatic(WPARAM dcParam, LPARAM controlParam)
{
    const HDC dc = reinterpret_cast<HDC>(dcParam);
    const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(controlParam));
    for (int side = 0; side < 2; ++side) {
        const int first = side == 0 ? IDC_REPLACE_IN_SWATCH_FIRST : IDC_REPLACE_OLD_SWATCH_FIRST;
        if (id >= first && id < first + 3 && swatchBrushes[side][id - first])
            return reinterpret_cast<LRESULT>(static_cast<HBRUSH>(swatchBrushes[side][id - first]));
    }
    const LRESULT brush = Default();
    if (Differs(id))
        ::SetTextColor(dc, kDifferenceColour);
    return brush;
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
