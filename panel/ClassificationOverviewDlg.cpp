#include "ClassificationOverviewDlg.h"

#include "ColorPanelDlg.h"
#include "library/TextureExtraction.h"
#include "panel/SchemeOverviewDlg.h"
#include "res/resource.h"
#include "text/UserPrompt.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

const char* const CClassificationOverviewDlg::kCaption = "表面分类一览";
const char* const CClassificationOverviewDlg::kNeedViewNote = "找不到三维视图窗口，请先在三维视图中点选表面，再按“刷新”。";
const char* const CClassificationOverviewDlg::kNoSimilarMessage = "视图中没有与所选材质颜色相近的其他材质。";
const char* const CClassificationOverviewDlg::kUnclassifiedText = "未分类";

namespace {

enum Column { kSwatchColumn, kClassColumn, kColourColumn, kLrvColumn, kCountColumn, kWarningColumn, kColumnCount };
const char* const kColumnNames[kColumnCount] = {"", "分类", "颜色", "LRV", "表面数", "提示"};
constexpr int kColumnWidths[kColumnCount] = {48, 44, 70, 36, 48, 140};
constexpr int kRowHeight = 24;
constexpr int kButtonHeight = 22;
constexpr COLORREF kWarningColour = RGB(200, 0, 0);

uint32_t PackPixel(const Rgb& colour)
{
    auto byte = [](double c) { return static_cast<uint32_t>(std::clamp(c, 0.0, 1.0) * 255.0 + 0.5); };
    return (byte(colour[0]) << 16) | (byte(colour[1]) << 8) | byte(colour[2]);
}

Rgb ColourOf(const OriginalMaterial& material)
{
    return {material.color[0], material.color[1], material.color[2]};
}

void InsertColumns(HWND list, const char* const* names, const int* widths, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::wstring name = fw::Widen(names[i]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(name.c_str());
        column.cx = widths[i];
        column.iSubItem = i;
        ::SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
}

void SetRow(HWND list, int row, const std::vector<std::string>& texts, bool insert)
{
    for (int column = 0; column < static_cast<int>(texts.size()); ++column) {
        const std::wstring text = fw::Widen(texts[static_cast<std::size_t>(column)]);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = column;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        ::SendMessageW(list, column == 0 && insert ? LVM_INSERTITEMW : LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

// The modal list "相近材质": the similar materials with check boxes; the
// ticked ones are read after IDOK.
class CSimilarMaterialsDlg : public CDialog {
public:
    CSimilarMaterialsDlg(std::vector<std::vector<std::string>> rows, HWND parent)
        : CDialog(IDD_SIMILAR_MATERIALS, parent), rows_(std::move(rows))
    {
    }
    std::vector<int> ticked;

protected:
    bool OnInitDialog() override
    {
        CDialog::OnInitDialog();
        HWND list = GetDlgItem(IDC_SIMILAR_LIST);
        ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
        static const char* const names[] = {"颜色", "ΔE", "分类", "表面数"};
        static const int widths[] = {110, 40, 50, 50};
        InsertColumns(list, names, widths, 4);
        for (std::size_t i = 0; i < rows_.size(); ++i)
            SetRow(list, static_cast<int>(i), rows_[i], true);
        return true;
    }
    void OnOK() override
    {
        HWND list = GetDlgItem(IDC_SIMILAR_LIST);
        ticked.clear();
        for (int i = 0; i < static_cast<int>(rows_.size()); ++i)
            if (ListView_GetCheckState(list, i))
                ticked.push_back(i);
        CDialog::OnOK();
    }

private:
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace

CClassificationOverviewDlg::CClassificationOverviewDlg(ClassificationOwner& panel)
    : CPanelToolWindow(IDD_CLASSIFICATION_OVERVIEW, panel, {ID_SCHEME_OVERVIEW, ID_CLASSIFICATION_OVERVIEW}), panel_(panel)
{
}

CClassificationOverviewDlg::~CClassificationOverviewDlg() = default;

bool CClassificationOverviewDlg::Open()
{
    // Beside the panel, on the side of its screen with room for it.
    return OpenBeside(nullptr, Side::Left);
}

// ---- Message table -------------------------------------------------------

const MessageMap& CClassificationOverviewDlg::GetMessageMap() const
{
    using Self = CClassificationOverviewDlg;
    static const MessageMap map(CDialog::GetMessageMap(), {
        on::Command(IDC_CLASSIFIED_REFRESH, &Self::OnRefresh),
        on::Command(IDC_UNCLASSIFY, &Self::OnUnclassify),
        on::Command(IDC_SIMILAR_MATERIALS, &Self::OnSimilar),
        on::Notify(IDC_CLASSIFIED_LIST, LVN_ITEMCHANGED, &Self::OnItemChanged),
        on::Notify(IDC_CLASSIFIED_LIST, NM_CUSTOMDRAW, &Self::OnCustomDraw),
        on::Size(&Self::OnSize),
        on::Destroy(&Self::OnDestroy),
    });
    return map;
}

// ---- Life ----------------------------------------------------------------

bool CClassificationOverviewDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    list_.Attach(GetDlgItem(IDC_CLASSIFIED_LIST));
    ListView_SetExtendedListViewStyle(list_.m_hWnd, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    // An empty image list of one pixel's width sets the rows' height.
    rowHeight_.Create(1, kRowHeight, ILC_COLOR32, 0, 1);
    ListView_SetImageList(list_.m_hWnd, rowHeight_.GetSafeHandle(), LVSIL_SMALL);
    InsertColumns(list_.m_hWnd, kColumnNames, kColumnWidths, kColumnCount);

    GetAutoCadMapFolders(searchFolders_);
    std::string folder = CColorPanelDlg::DefaultTextureFolder();
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    searchFolders_.push_back(folder);

    const RECT client = GetClientRect();
    Layout(client.right, client.bottom);
    Refresh();
    ::SetFocus(list_.m_hWnd);
    return false;
}

void CClassificationOverviewDlg::OnDestroy()
{
    ListView_SetImageList(list_.m_hWnd, nullptr, LVSIL_SMALL);
    list_.Detach();
}

void CClassificationOverviewDlg::ReportGone()
{
    panel_.ClassificationOverviewGone(this);
}

// Enter does nothing; Escape closes the window, as its close box does.
void CClassificationOverviewDlg::OnOK() {}

void CClassificationOverviewDlg::Layout(int width, int height)
{
    if (list_.m_hWnd == nullptr)
        return;
    int x = kMargin;
    for (int id : {IDC_CLASSIFIED_REFRESH, IDC_UNCLASSIFY, IDC_SIMILAR_MATERIALS}) {
        RECT button{};
        ::GetWindowRect(GetDlgItem(id), &button);
        ::MoveWindow(GetDlgItem(id), x, kMargin, button.right - button.left, kButtonHeight, TRUE);
        x += button.right - button.left + kMargin;
    }
    ::MoveWindow(GetDlgItem(IDC_ROOM_LRV), x, kMargin + 4, std::max(0, width - x - kMargin), kButtonHeight - 6, TRUE);
    const int top = kMargin * 2 + kButtonHeight;
    const int noteHeight = 16;
    ::MoveWindow(list_.m_hWnd, kMargin, top, std::max(0, width - 2 * kMargin),
                 std::max(0, height - top - noteHeight - 2 * kMargin), TRUE);
    ::MoveWindow(GetDlgItem(IDC_CLASSIFIED_NOTE), kMargin, height - kMargin - noteHeight, std::max(0, width - 2 * kMargin),
                 noteHeight, TRUE);
}

// ---- Sampling and rows -----------------------------------------------------

void CClassificationOverviewDlg::Refresh()
{
    TakeCensus();
    BuildRows();
    FillList();
}

void CClassificationOverviewDlg::ClassesChanged()
{
    // No host call here: a classification from the panel's menu asks the
    // host nothing more with this window open. A material new to the rows
    // takes its colour from the panel's working copy.
    for (const CurrentMaterial& current : currentMaterials) {
        if (visibleColours_.count(current.materialHandle) == 0) {
            visibleColours_[current.materialHandle] = ColourOf(current.material);
            mapNames_[current.materialHandle] = current.material.mapFile[0].Text();
        }
    }
    BuildRows();
    FillList();
}

void CClassificationOverviewDlg::TakeCensus()
{
    census_ = engine::ViewCensus();
    visibleColours_.clear();
    const HWND view = CSchemeOverviewDlg::HostView();
    viewFound_ = view != nullptr;
    if (view != nullptr) {
        RECT client{};
        ::GetClientRect(view, &client);
        POINT origin{0, 0};
        ::ClientToScreen(view, &origin);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBudgetMs);
        census_ = engine::TakeCensus(
            client.right, client.bottom,
            [origin](int x, int y) { return HV_SelectSurfaceAtPoint(origin.x + x, origin.y + y); },
            [](unsigned surface) { return HV_GetMaterialHandle(surface); },
            [deadline] { return std::chrono::steady_clock::now() < deadline; });
    }
    // The colours of the materials in view and of the classified ones.
    std::vector<unsigned> materials;
    for (const auto& seen : census_.surfacesByMaterial)
        materials.push_back(seen.first);
    for (const SurfaceClassEntry& entry : surfaceClasses)
        materials.push_back(entry.materialHandle);
    for (unsigned handle : materials) {
        if (visibleColours_.count(handle) != 0)
            continue;
        OriginalMaterial material;
        HV_GetMaterial(handle, &material);
        visibleColours_[handle] = ColourOf(material);
        mapNames_[handle] = material.mapFile[0].Text();
    }
}

void CClassificationOverviewDlg::BuildRows()
{
    rows_.clear();
    for (const engine::ClassifiedMaterial& counts : engine::ClassifiedMaterials(surfaceClasses, census_)) {
        Row row;
        row.counts = counts;
        const auto colour = visibleColours_.find(counts.materialHandle);
        if (colour != visibleColours_.end())
            row.colour = colour->second;
        const auto map = mapNames_.find(counts.materialHandle);
        if (map != mapNames_.end() && !map->second.empty()) {
            row.map = map->second;
            row.foundMap = FindMapFile(row.map, searchFolders_);
        }
        row.lrv = LightReflectance(row.colour);
        rows_.push_back(row);
    }
}

std::vector<std::string> CClassificationOverviewDlg::RowTexts(int index) const
{
    const Row& row = rows_.at(static_cast<std::size_t>(index));
    return {"", engine::SurfaceClassName(row.counts.surfaceClass), HexColour(row.colour),
            std::to_string(RoundedLrv(row.lrv)), viewFound_ ? std::to_string(row.counts.surfacesInView) : "—",
            engine::SharedMaterialWarning(row.counts.otherSurfaces)};
}

std::vector<unsigned> CClassificationOverviewDlg::SurfacesOf(int row) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return {};
    const auto found = census_.surfacesByMaterial.find(rows_[static_cast<std::size_t>(row)].counts.materialHandle);
    return found == census_.surfacesByMaterial.end() ? std::vector<unsigned>() : found->second;
}

std::string CClassificationOverviewDlg::RoomLrvText() const
{
    engine::RoomLrvs room;
    for (const Row& row : rows_) {
        std::optional<double>& slot = row.counts.surfaceClass == Ceiling ? room.ceiling
                                      : row.counts.surfaceClass == Wall  ? room.wall
                                                                         : room.floor;
        if (!slot)
            slot = row.lrv;
    }
    const ContrastMarks marks = engine::RoomContrastPairs(room);
    std::string text = engine::RoomLrvLine(room);
    if (marks.ceilingWall)
        text += "  顶棚/墙面对比不足";
    if (marks.wallFloor)
        text += "  墙面/地面对比不足";
    return text;
}

void CClassificationOverviewDlg::FillList()
{
    quiet_ = true;
    list_.SendMessage(WM_SETREDRAW, FALSE);
    ListView_DeleteAllItems(list_.m_hWnd);
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i)
        SetRow(list_.m_hWnd, i, RowTexts(i), true);
    list_.SendMessage(WM_SETREDRAW, TRUE);
    quiet_ = false;
    list_.Invalidate();
    SetDlgItemText(IDC_ROOM_LRV, RoomLrvText());
    ShowNote();
}

int CClassificationOverviewDlg::SelectedRow() const
{
    if (list_.m_hWnd == nullptr)
        return -1;
    return static_cast<int>(ListView_GetNextItem(list_.m_hWnd, -1, LVNI_SELECTED));
}

void CClassificationOverviewDlg::ShowNote()
{
    const int row = SelectedRow();
    std::string note;
    if (!viewFound_)
        note = kNeedViewNote;
    else if (row >= 0 && row < static_cast<int>(rows_.size()))
        note = engine::SharedMaterialWarning(rows_[static_cast<std::size_t>(row)].counts.otherSurfaces);
    SetDlgItemText(IDC_CLASSIFIED_NOTE, note);
    const bool chosen = row >= 0;
    ::EnableWindow(GetDlgItem(IDC_UNCLASSIFY), chosen ? TRUE : FALSE);
    ::EnableWindow(GetDlgItem(IDC_SIMILAR_MATERIALS), chosen && viewFound_ ? TRUE : FALSE);
}

std::vector<engine::MaterialColour> CClassificationOverviewDlg::VisibleColours() const
{
    std::vector<engine::MaterialColour> visible;
    for (const auto& seen : census_.surfacesByMaterial) {
        const auto colour = visibleColours_.find(seen.first);
        if (colour != visibleColours_.end())
            visible.push_back({seen.first, colour->second});
    }
    return visible;
}

// ---- Commands --------------------------------------------------------------

void CClassificationOverviewDlg::OnRefresh()
{
    Refresh();
}

LRESULT CClassificationOverviewDlg::OnItemChanged(NMHDR* header)
{
    const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
    if (quiet_ || change->iItem < 0 || (change->uChanged & LVIF_STATE) == 0)
        return 0;
    if ((change->uNewState & LVIS_SELECTED) != 0 && (change->uOldState & LVIS_SELECTED) == 0) {
        std::vector<unsigned> surfaces = SurfacesOf(change->iItem);
        HV_SetSelection(0, surfaces.data(), static_cast<int>(surfaces.size()));
        HV_Redraw();
    }
    ShowNote();
    return 0;
}

void CClassificationOverviewDlg::OnUnclassify()
{
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return;
    const unsigned handle = rows_[static_cast<std::size_t>(row)].counts.materialHandle;
    RestoreOriginalMaterial(panel_.RememberedMaterials(), handle);
    engine::RemoveSurfaceClass(handle);
    panel_.ClassesChanged();
    BuildRows();
    FillList();
}

void CClassificationOverviewDlg::OnSimilar()
{
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return;
    const Row chosen = rows_[static_cast<std::size_t>(row)];
    const std::vector<engine::SimilarMaterial> similar =
        engine::SimilarMaterials(chosen.colour, chosen.counts.materialHandle, VisibleColours());
    if (similar.empty()) {
        Prompt(kNoSimilarMessage);
        return;
    }
    std::vector<std::vector<std::string>> texts;
    for (const engine::SimilarMaterial& material : similar) {
        const char* className = kUnclassifiedText;
        for (const SurfaceClassEntry& entry : surfaceClasses)
            if (entry.materialHandle == material.materialHandle)
                className = engine::SurfaceClassName(entry.surfaceClass);
        char deltaE[16];
        std::snprintf(deltaE, sizeof deltaE, "%.1f", material.deltaE);
        texts.push_back({HexColour(visibleColours_[material.materialHandle]), deltaE, className,
                         std::to_string(census_.SurfacesOf(material.materialHandle))});
    }
    CSimilarMaterialsDlg dialog(std::move(texts), m_hWnd);
    if (dialog.DoModal() != IDOK || dialog.ticked.empty())
        return;
    for (int index : dialog.ticked) {
        const unsigned handle = similar[static_cast<std::size_t>(index)].materialHandle;
        // Its state now is what a room restore brings back.
        RememberOriginalMaterial(panel_.RememberedMaterials(), handle);
        SetSurfaceClass(handle, chosen.counts.surfaceClass);
    }
    panel_.ClassesChanged();
    BuildRows();
    FillList();
}

// ---- Drawing ---------------------------------------------------------------

const Picture& CClassificationOverviewDlg::Swatch(int index, int width, int height)
{
    const Row& row = rows_.at(static_cast<std::size_t>(index));
    const std::string key = (row.foundMap.empty() ? HexColour(row.colour) : row.foundMap) + "@" +
                            std::to_string(width) + "x" + std::to_string(height);
    auto cached = swatches_.find(key);
    if (cached != swatches_.end())
        return cached->second;
    Picture picture;
    if (!row.foundMap.empty()) {
        picture = painter_.TextureCard(row.foundMap, width, height);
    } else {
        picture.width = width;
        picture.height = height;
        picture.pixels.assign(static_cast<std::size_t>(width) * height, PackPixel(row.colour));
    }
    return swatches_.emplace(key, std::move(picture)).first->second;
}

LRESULT CClassificationOverviewDlg::OnCustomDraw(NMHDR* header)
{
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    const int item = static_cast<int>(draw->nmcd.dwItemSpec);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        // The warning in red: the mark of a material a scheme changes elsewhere too.
        draw->clrText = draw->iSubItem == kWarningColumn ? kWarningColour : ::GetSysColor(COLOR_WINDOWTEXT);
        return CDRF_NEWFONT;
    case CDDS_ITEMPOSTPAINT: {
        if (item < 0 || item >= static_cast<int>(rows_.size()))
            return CDRF_DODEFAULT;
        RECT bounds{};
        bounds.left = LVIR_BOUNDS;
        if (!::SendMessageW(list_.m_hWnd, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&bounds)))
            return CDRF_DODEFAULT;
        const int columnWidth = ListView_GetColumnWidth(list_.m_hWnd, kSwatchColumn);
        const int width = std::max(1, columnWidth - 8);
        const int height = std::max(1, static_cast<int>(bounds.bottom - bounds.top) - 6);
        const int x = bounds.left + 4, y = bounds.top + 3;
        DrawPicture(draw->nmcd.hdc, x, y, Swatch(item, width, height));
        CDC out(draw->nmcd.hdc);
        const RECT frame{x - 1, y - 1, x + width + 1, y + height + 1};
        out.Draw3dRect(frame, ::GetSysColor(COLOR_3DSHADOW), ::GetSysColor(COLOR_3DSHADOW));
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

// ---- The panel's side --------------------------------------------------------

const char* const CColorPanelDlg::kClassificationMenuText = "表面分类一览...\tCtrl+K";

void CColorPanelDlg::OpenClassificationOverview()
{
    OpenPanelWindow<CClassificationOverviewDlg, ClassificationOwner>(classification_, *this);
}

void CColorPanelDlg::ClassesChanged()
{
    UpdateLibraryButton();
    // The overview's cards count contrast only between classes the room has.
    if (overview_ != nullptr)
        ::InvalidateRect(::GetDlgItem(overview_->m_hWnd, IDC_OVERVIEW_LIST), nullptr, FALSE);
}

void CColorPanelDlg::ClassificationOverviewGone(const CClassificationOverviewDlg* window)
{
    if (classification_ == window)
        classification_ = nullptr;
}

// The entry goes with the panel's other added entries, just before the
// scheme overview's (at the end when that is not there yet).
void CColorPanelDlg::AddClassificationMenuEntry()
{
    const HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
    if (menu == nullptr || ::GetMenuState(menu, ID_CLASSIFICATION_OVERVIEW, MF_BYCOMMAND) != static_cast<UINT>(-1))
        return;
    const std::wstring text = fw::Widen(kClassificationMenuText);
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (::GetMenuItemID(menu, i) == ID_SCHEME_OVERVIEW) {
            ::InsertMenuW(menu, static_cast<UINT>(i), MF_BYPOSITION | MF_STRING, ID_CLASSIFICATION_OVERVIEW, text.c_str());
            return;
        }
    }
    ::AppendMenuW(menu, MF_STRING, ID_CLASSIFICATION_OVERVIEW, text.c_str());
}
