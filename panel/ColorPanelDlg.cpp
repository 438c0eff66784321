#include "ColorPanelDlg.h"

#include "controls/HelpLauncher.h"
#include "librarydlg/AddCombinationDlg.h"
#include "library/CombinationFile.h"
#include "text/UserPrompt.h"
#include "model/SurfaceMaterialStore.h"
#include "panel/SchemeOverviewDlg.h"
#include "res/resource.h"

#include <cstdio>
#include <exception>

CColorPanelDlg* CColorPanelDlg::current_ = nullptr;

const char* const CColorPanelDlg::kModeNames[3] = {"专家配色", "颜色循环", "选择贴图"};
const char* const CColorPanelDlg::kSpaceTypePrompt = "空间类型：";
const char* const CColorPanelDlg::kChooseSpaceTypePrompt = "请选择空间类型：";
const char* const CColorPanelDlg::kCyclePrompts[3] = {"进行颜色循环：", "进行纯度循环：", "进行亮度循环："};
const char* const CColorPanelDlg::kTexturePrompt = "进行材质贴图更换的贴图路径：";
const char* const CColorPanelDlg::kAddToLibraryText = "加入图库";
const char* const CColorPanelDlg::kClearTextureText = "清除贴图";
const char* const CColorPanelDlg::kLibraryFileName = "Tintgrove.tgv";
const char* const CColorPanelDlg::kHelpFileName = "tintgrove.chm";
const char* const CColorPanelDlg::kLibraryBackupFormat =
    "原图库文件不能读取，已改名保存为“%1”，新的图库另行保存。";
const char* const CColorPanelDlg::kLibraryBackupFailedFormat =
    "图库文件“%1”不能读取，也不能改名保存，为免覆盖，修改后的图库没有保存。";

namespace {

constexpr int kTreeDropHeight = 300;
constexpr int kMenuGlyphWidth = 15;
constexpr COLORREF kMenuGlyphMask = RGB(255, 0, 255);
constexpr COLORREF kPureRed = 0x0000FF;
constexpr UINT kHelpDisplayTopic = 0;  // HH_DISPLAY_TOPIC
// The panel grows back only when it is clearly shorter than its full height.
constexpr int kCollapsedMargin = -10;

bool FileExists(const std::string& path)
{
    return GetFileAttributesW(fw::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

CColorPanelDlg::CColorPanelDlg()
    : CDialog(IDD_COLOR_PANEL), promptText_(kSpaceTypePrompt)
{
    current_ = this;
}

CColorPanelDlg::~CColorPanelDlg()
{
    if (current_ == this)
        current_ = nullptr;
    if (overview_ != nullptr)
        overview_->Orphan();
    if (classification_ != nullptr)
        classification_->Orphan();
    if (suggestions_ != nullptr)
        suggestions_->Orphan();
}

std::string CColorPanelDlg::ModuleFolder()
{
    return fw::FolderOfPath(fw::ModuleFileName(fw::ThisModule()));
}

// ---- Message table -------------------------------------------------------

const MessageMap& CColorPanelDlg::GetMessageMap() const
{
    using Self = CColorPanelDlg;
    static const MessageMap map(CDialog::GetMessageMap(), {
        on::Command(IDC_LIBRARY_BUTTON, &Self::OnLibraryButton),
        on::Command(IDC_AUTO_CHANGE, &Self::ToggleAutoChange),
        on::Command(IDC_MODE_LIST, CBN_SELCHANGE, &Self::OnModeChanged),
        on::Command(IDC_PREVIOUS_ITEM, &Self::OnPreviousItem),
        on::Command(IDC_NEXT_ITEM, &Self::OnNextItem),
        on::Command(IDC_ITEM_INDEX, EN_CHANGE, &Self::OnIndexChanged),
        on::Timer(&Self::OnCycleTick),
        on::Command(ID_CLASSIFY_CEILING, &Self::OnClassifyCeiling),
        on::Command(ID_CLASSIFY_FLOOR, &Self::OnClassifyFloor),
        on::Command(ID_CLASSIFY_WALL, &Self::OnClassifyWall),
        on::Command(ID_CHOOSE_TEXTURE, &Self::OnChooseTextureMode),
        on::Command(ID_COLOR_CHANGE, &Self::OnColorChangeMode),
        on::Command(ID_RESTORE_MATERIAL, &Self::OnRestoreMaterial),
        on::Command(ID_REMOVE_TEXTURE, &Self::OnRemoveTexture),
        on::Command(IDC_CHOOSE_FOLDER, &Self::ChooseTextureFolder),
        on::Command(IDC_ITEM_MENU, &Self::ShowItemMenu),
        on::CommandRange(ID_ITEM_FIRST, ID_ITEM_LAST, &Self::OnItemEntry),
        on::Command(ID_ITEM_QUERY, &Self::OnItemQuery),
        on::Command(ID_ITEM_PREVIOUS_PAGE, &Self::OnPreviousPage),
        on::Command(ID_ITEM_NEXT_PAGE, &Self::OnNextPage),
        on::Command(IDC_HELP_BUTTON, &Self::OnHelp),
        on::Command(IDC_CYCLE_HUE, &Self::OnCycleChannelClicked),
        on::Command(IDC_CYCLE_SATURATION, &Self::OnCycleChannelClicked),
        on::Command(IDC_CYCLE_BRIGHTNESS, &Self::OnCycleChannelClicked),
        on::Message(WM_TREECOMBO_SELECT, &Self::OnTreeComboSelect),
        on::Notify(IDC_HUE_SLIDER, NM_CLRSLIDER_CHANGED, &Self::OnSliderChanged),
        on::Notify(IDC_SATURATION_SLIDER, NM_CLRSLIDER_CHANGED, &Self::OnSliderChanged),
        on::Notify(IDC_BRIGHTNESS_SLIDER, NM_CLRSLIDER_CHANGED, &Self::OnSliderChanged),
        on::Close(&Self::OnClose),
        on::Destroy(&Self::OnDestroy),
        on::Message(WM_QUERYENDSESSION, &Self::OnQueryEndSession),
        on::Message(WM_ENDSESSION, &Self::OnEndSession),
        on::Command(ID_LIBRARY_MAINTENANCE, &Self::OnLibraryMaintenance),
        on::Command(ID_SCHEME_OVERVIEW, &Self::OpenOverview),
        on::Command(ID_CLASSIFICATION_OVERVIEW, &Self::OpenClassificationOverview),
        on::Command(ID_SCHEME_SUGGESTIONS, &Self::OpenSuggestions),
        on::Command(kReloadLibraryCommand, &Self::ReloadLibrary),
        on::Message(WM_SYSCOMMAND, &Self::OnSysCommand),
    });
    return map;
}

// ---- Data exchange -------------------------------------------------------

void CColorPanelDlg::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_SPACE_TYPE, spaceTypeBox_);
    DDX_Control(dx, IDC_ITEM_MENU, itemMenuButton_);
    DDX_Control(dx, IDC_ITEM_COUNT, itemCountLabel_);
    DDX_Control(dx, IDC_MODE_LIST, modeList_);
    DDX_Control(dx, IDC_TEXTURE_FOLDER, textureFolderEdit_);
    DDX_CBIndex(dx, IDC_MODE_LIST, items_.mode);
    DDX_Text(dx, IDC_DESCRIPTION, painter_.description);
    DDX_Text(dx, IDC_TEXTURE_FOLDER, items_.textureFolder);
    DDX_Text(dx, IDC_PROMPT_LABEL, promptText_);
    DDX_Text(dx, IDC_ITEM_INDEX, items_.itemIndex);
    DDX_Control(dx, IDC_HUE_SLIDER, hueSlider_);
    DDX_Control(dx, IDC_SATURATION_SLIDER, saturationSlider_);
    DDX_Control(dx, IDC_BRIGHTNESS_SLIDER, brightnessSlider_);
    DDX_CBString(dx, IDC_SPACE_TYPE, items_.spaceType);
    DDX_Radio(dx, IDC_CYCLE_HUE, cycle_.cycleChannel);
    DDX_Control(dx, IDC_ITEM_NUMBER, itemNumberLabel_);
}

void CColorPanelDlg::WriteFields()
{
    writingFields = true;
    UpdateData(false);
    writingFields = false;
}

// ---- Initialisation ------------------------------------------------------

bool CColorPanelDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    labelTips_.Attach(m_hWnd, {IDC_PROMPT_LABEL, IDC_DESCRIPTION});

    const RECT box = spaceTypeBox_.GetClientRect();
    spaceTypeBox_.CreateTree(box.right - box.left, kTreeDropHeight);

    session_.libraryPath = ModuleFolder() + kLibraryFileName;

    for (const char* name : kModeNames)
        modeList_.AddString(name);
    items_.mode = ModeExpert;

    LoadSpaceTypes();

    hueSlider_.channel = 0;
    hueSlider_.SetColor(kPureRed);
    hueSlider_.SetMaxValue(360.0);
    saturationSlider_.channel = 1;
    saturationSlider_.SetMaxValue(1.0);
    saturationSlider_.values[1] = 0.1;
    brightnessSlider_.values[2] = 0.9;
    brightnessSlider_.channel = 2;
    brightnessSlider_.SetMaxValue(1.0);

    // The colour starts defined: from a current material that survives from
    // an earlier panel, as a pick would set it, else hue 0 and the floors.
    if (!currentMaterials.empty()) {
        const float* color = currentMaterials[0].material.color;
        double hue = 0.0, saturation = 0.0, brightness = 0.0;
        HV_RgbToHsv(color[0], color[1], color[2], &hue, &saturation, &brightness);
        cycle_.StartFrom(hue, saturation, brightness);
    }

    indexEdited_ = false;
    WriteFields();

    LoadCombinations();
    UpdateLibraryButton();
    AddReloadMenuEntry();

    const RECT window = GetWindowRect();
    RECT help = {};
    ::GetWindowRect(GetDlgItem(IDC_HELP_BUTTON), &help);
    collapseHeight_ = window.bottom - help.top - 2;

    BuildMenuIcon();
    AppendMaintenanceMenuEntry();
    PlaceOnOpen();
    AddOverviewMenuEntry();
    AddClassificationMenuEntry();
    AddSuggestionsMenuEntry();
    return true;
}

void CColorPanelDlg::LoadSpaceTypes()
{
    if (!session_.Load())
        NoteUnreadLibrary();
    FillSpaceTypes(std::string());
}

void CColorPanelDlg::FillSpaceTypes(const std::string& keep)
{
    spaceTypeBox_.Empty();
    firstCategoryItem_ = nullptr;
    HTREEITEM kept = nullptr;
    std::vector<std::string> categories;
    ListRoomCategories(session_.library, categories);
    for (const std::string& category : categories) {
        HTREEITEM item = spaceTypeBox_.AddPath(category);
        if (firstCategoryItem_ == nullptr)
            firstCategoryItem_ = item;
        if (!keep.empty() && kept == nullptr && TreeItemPath(item) == keep)
            kept = item;
    }
    if (kept != nullptr)
        spaceTypeBox_.Tree().SelectItem(kept);
    else if (firstCategoryItem_ != nullptr)
        spaceTypeBox_.Tree().SelectItem(firstCategoryItem_);
}

void CColorPanelDlg::BuildMenuIcon()
{
    if (menuImages.Create(IDB_MENU_GLYPH, kMenuGlyphWidth, 0, kMenuGlyphMask))
        menuIcon_ = menuImages.MakeIcon(0);
    itemMenuButton_.SetIcon(menuIcon_);
}

void CColorPanelDlg::PrepareSliders()
{
    hueSlider_.PrepareBuffer();
    saturationSlider_.PrepareBuffer();
    brightnessSlider_.PrepareBuffer();
}

// ---- The expert list -----------------------------------------------------

std::string CColorPanelDlg::TreeItemPath(HTREEITEM item)
{
    CComboTree& tree = spaceTypeBox_.Tree();
    std::string path;
    for (; item != nullptr; item = tree.GetParentItem(item))
        path = tree.GetItemText(item) + (path.empty() ? "" : "/") + path;
    return path;
}

void CColorPanelDlg::SetItemCountLabel()
{
    itemCountLabel_.SetWindowText(std::to_string(items_.itemCount));
}

LRESULT CColorPanelDlg::OnTreeComboSelect(WPARAM, LPARAM)
{
    LoadCombinations();
    return 0;
}

// ---- Buttons and their states --------------------------------------------

void CColorPanelDlg::UpdateLibraryButton()
{
    if (items_.mode == ModeCycle)
        return;
    CWnd button;
    button.Attach(GetDlgItem(IDC_LIBRARY_BUTTON));
    if (items_.mode == ModeExpert) {
        button.SetWindowText(kAddToLibraryText);
        button.EnableWindow(HasAllSurfaceClasses());
    } else if (items_.mode == ModeTexture) {
        button.SetWindowText(kClearTextureText);
        button.EnableWindow(true);
    }
    button.Detach();
    UpdateStepButtons();
}

void CColorPanelDlg::UpdateStepButtons()
{
    const bool enable = items_.StepsEnabled();
    for (int id : {IDC_PREVIOUS_ITEM, IDC_NEXT_ITEM, IDC_AUTO_CHANGE, IDC_ITEM_MENU})
        ::EnableWindow(GetDlgItem(id), enable ? TRUE : FALSE);
    // The item menu stays off while the automatic change runs.
    if (timerId_ != 0)
        ::EnableWindow(GetDlgItem(IDC_ITEM_MENU), FALSE);
}

void CColorPanelDlg::ShowStepControls(bool show)
{
    const int stepShow = show ? SW_SHOW : SW_HIDE;
    const int sliderShow = show ? SW_HIDE : SW_SHOW;
    for (int id : {IDC_ITEM_INDEX, IDC_ITEM_COUNT, IDC_ITEM_MENU, IDC_LIBRARY_BUTTON, IDC_PREVIOUS_ITEM, IDC_NEXT_ITEM})
        ::ShowWindow(GetDlgItem(id), stepShow);
    for (int id : {IDC_HUE_SLIDER, IDC_SATURATION_SLIDER, IDC_BRIGHTNESS_SLIDER, IDC_CYCLE_HUE, IDC_CYCLE_SATURATION,
                   IDC_CYCLE_BRIGHTNESS})
        ::ShowWindow(GetDlgItem(id), sliderShow);
}

void CColorPanelDlg::RefreshSliders()
{
    for (CClrSlider* slider : {&hueSlider_, &saturationSlider_, &brightnessSlider_}) {
        slider->BuildGradient();
        ::RedrawWindow(slider->m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
    }
}

void CColorPanelDlg::ShowPickedColor(double pickedHue, double pickedSaturation, double pickedBrightness,
                                     uint32_t packedColor)
{
    // The floors are already applied by the pick.
    cycle_.hue = pickedHue;
    cycle_.saturation = pickedSaturation;
    cycle_.brightness = pickedBrightness;
    hueSlider_.SetColor(packedColor);
    saturationSlider_.SetColor(packedColor);
    brightnessSlider_.SetColor(packedColor);
    RefreshSliders();
    SuggestionsAnchorChanged();
}

// ---- Mode switch ---------------------------------------------------------

void CColorPanelDlg::OnModeChanged()
{
    ReadFields();
    if (timerId_ != 0)
        ToggleAutoChange();

    auto show = [this](int id, bool visible) { ::ShowWindow(GetDlgItem(id), visible ? SW_SHOW : SW_HIDE); };
    switch (items_.mode) {
    case ModeExpert:
        show(IDC_SPACE_TYPE, true);
        show(IDC_TEXTURE_FOLDER, false);
        show(IDC_CHOOSE_FOLDER, false);
        ShowStepControls(true);
        promptText_ = kChooseSpaceTypePrompt;
        SetDlgItemText(IDC_PROMPT_LABEL, promptText_);
        items_.itemCount = 0;
        SetItemCountLabel();
        LoadCombinations();
        UpdateLibraryButton();
        break;
    case ModeCycle:
        show(IDC_SPACE_TYPE, false);
        show(IDC_TEXTURE_FOLDER, false);
        show(IDC_CHOOSE_FOLDER, false);
        ShowStepControls(false);
        painter_.description.clear();
        SetDlgItemText(IDC_DESCRIPTION, painter_.description);
        if (cycle_.cycleChannel >= CycleHue && cycle_.cycleChannel <= CycleBrightness)
            promptText_ = kCyclePrompts[cycle_.cycleChannel];
        SetDlgItemText(IDC_PROMPT_LABEL, promptText_);
        ::EnableWindow(GetDlgItem(IDC_AUTO_CHANGE), TRUE);
        break;
    case ModeTexture:
        show(IDC_SPACE_TYPE, false);
        show(IDC_TEXTURE_FOLDER, true);
        show(IDC_CHOOSE_FOLDER, true);
        ShowStepControls(true);
        promptText_ = kTexturePrompt;
        SetDlgItemText(IDC_PROMPT_LABEL, promptText_);
        items_.itemCount = 0;
        SetItemCountLabel();
        ChooseTextureFolder();
        break;
    default:
        break;
    }

    WriteFields();
    OverviewListChanged();

    const RECT window = GetWindowRect();
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    if (items_.mode == ModeExpert || items_.mode == ModeTexture) {
        if (!expanded_) {
            RECT number = {};
            ::GetWindowRect(GetDlgItem(IDC_ITEM_NUMBER), &number);
            if (window.bottom - number.bottom < kCollapsedMargin)
                MoveWindow(window.left, window.top, width, height + collapseHeight_, true);
            expanded_ = true;
        }
    } else if (items_.mode == ModeCycle && expanded_) {
        expanded_ = false;
        MoveWindow(window.left, window.top, width, height - collapseHeight_, true);
    }
}

void CColorPanelDlg::SwitchMode(PanelMode newMode)
{
    if (currentMaterials.empty())
        return;
    items_.mode = newMode;
    WriteFields();
    OnModeChanged();
}

void CColorPanelDlg::OnChooseTextureMode() { SwitchMode(ModeTexture); }
void CColorPanelDlg::OnColorChangeMode() { SwitchMode(ModeCycle); }

// ---- Commands ------------------------------------------------------------

void CColorPanelDlg::Classify(SurfaceClass surfaceClass)
{
    // Room views put back what they changed first, and the picked materials
    // are read again: the class goes to the material as it was before them.
    const bool suggestionViews = suggestions_ != nullptr && suggestions_->StopRoomViews();
    if ((overview_ != nullptr && overview_->StopRoomViews()) || suggestionViews)
        RefreshSelectionMaterials(this);
    if (!currentMaterials.empty())
        SetSurfaceClass(currentMaterials[0].materialHandle, surfaceClass);
    UpdateLibraryButton();
    if (overview_ != nullptr)
        ::InvalidateRect(::GetDlgItem(overview_->m_hWnd, IDC_OVERVIEW_LIST), nullptr, FALSE);
    if (classification_ != nullptr)
        classification_->ClassesChanged();
    SuggestionsAnchorChanged();
}

void CColorPanelDlg::OnClassifyCeiling() { Classify(Ceiling); }
void CColorPanelDlg::OnClassifyFloor() { Classify(Floor); }
void CColorPanelDlg::OnClassifyWall() { Classify(Wall); }

void CColorPanelDlg::OnRemoveTexture() { ClearCurrentTexture(); }

// Menu "恢复原有材质": the current material; a typed 0 in the index box: the
// whole classified room in expert mode, else the current material.
void CColorPanelDlg::OnRestoreMaterial() { painter_.RestoreCurrent(); }
void CColorPanelDlg::RestoreAll() { painter_.RestoreAll(items_.mode == ModeExpert); }

void CColorPanelDlg::OnLibraryButton()
{
    if (items_.mode != ModeExpert) {
        ClearCurrentTexture();
        return;
    }
    AddRoomToLibrary();
}

void CColorPanelDlg::AddRoomToLibrary()
{
    bool saveTried = false;
    RunAddCombination(
        m_hWnd, session_.library,
        [this, &saveTried] {
            saveTried = true;
            return SaveLibrary();
        },
        &session_.libraryModified, &session_.sharedLibrary.changes);
    // The dialog's "库维护..." may have changed the library without an add
    // to save it: its changes are saved when the add dialog closes.
    if (!saveTried && session_.sharedLibrary.HasPendingChanges())
        SaveLibrary();
    OverviewLibraryChanged();
}

void CColorPanelDlg::OnIndexChanged()
{
    if (!writingFields)
        indexEdited_ = true;
}

void CColorPanelDlg::OnCycleChannelClicked()
{
    ReadFields();
}

void CColorPanelDlg::OnHelp()
{
    const std::string path = ModuleFolder() + kHelpFileName + painter_.helpTopic;
    help::ShowHelp(m_hWnd, path.c_str(), kHelpDisplayTopic, 0);
}

// Enter does not end the floating panel; Escape (IDCANCEL) closes it as its
// close box does, through the close path below.
void CColorPanelDlg::OnOK() {}
void CColorPanelDlg::OnCancel() { OnClose(); }

// ---- Close ---------------------------------------------------------------

bool CColorPanelDlg::SaveLibrary()
{
    if (session_.NeedsBackup(FileExists)) {
        const std::string backup = session_.BackupPath(FileExists);
        if (backup.empty() || !MoveFileExW(fw::Widen(session_.libraryPath).c_str(), fw::Widen(backup).c_str(),
                                           MOVEFILE_WRITE_THROUGH)) {
            Prompt(fw::ReplacePlaceholder(kLibraryBackupFailedFormat, session_.libraryPath));
            return false;
        }
        session_.libraryUnreadable = false;
        Prompt(fw::ReplacePlaceholder(kLibraryBackupFormat, backup));
    }
    return SaveSharedLibrary();
}

void CColorPanelDlg::OnClose()
{
    // This close saves and offers the exchange file itself; the host's
    // ending meanwhile adds nothing.
    closingByPanel = true;
    if (timerId_ != 0) {
        KillTimer(1);
        timerId_ = 0;
    }
    if (session_.libraryModified && !SaveLibrary())
        OfferExchangeFile();
    if (overview_ != nullptr) {
        CSchemeOverviewDlg* closing = overview_;
        overview_ = nullptr;
        closing->CloseWithPanel();
    }
    if (classification_ != nullptr) {
        CClassificationOverviewDlg* closing = classification_;
        classification_ = nullptr;
        closing->CloseWithPanel();
    }
    if (suggestions_ != nullptr) {
        CSuggestionDlg* closing = suggestions_;
        suggestions_ = nullptr;
        closing->CloseWithPanel();
    }
    menuIcon_.Destroy();
    OriginalMaterialList().swap(painter_.originalMaterials);
    HV_pluginFinished();
    HV_ClearSelection();
    HV_Redraw();
    RememberPlacement();
    DestroyWindow();
}

void CColorPanelDlg::PostNcDestroy()
{
    delete this;
}
