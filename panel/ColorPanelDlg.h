// The floating tool panel "染界": a modeless dialog (template 1001) that the
// host's "go" event opens. It works in three modes (expert colour schemes,
// colour cycling, texture choice), receives the commands of the surface
// classification menu, and owns the expert library, the remembered original
// materials and the three colour sliders.
//
// The dialog is a view: the state and rules live in the engine objects it
// holds (engine/: the item list, the colour cycle, what goes on the host's
// materials, the library session); the dialog moves values between them and
// the controls. ColorPanelDlg.cpp holds the window's life (initialisation,
// data exchange, the message table, the mode switch, close); each other file
// holds the window glue of one feature.
#pragma once

#include "controls/LabelTips.h"
#include "controls/TreeCombo.h"
#include "engine/ColorCycle.h"
#include "engine/ItemList.h"
#include "engine/LibrarySession.h"
#include "engine/RoomPainter.h"
#include "framework/Framework.h"
#include "model/SelectionRefresh.h"
#include "panel/ClassificationOverviewDlg.h"
#include "panel/ClrSlider.h"
#include "panel/HostMaterialCalls.h"
#include "panel/ItemNumberLabel.h"
#include "panel/SchemeOverviewDlg.h"
#include "panel/SuggestionDlg.h"

#include <optional>
#include <string>
#include <vector>

class CColorPanelDlg : public CDialog, public SelectionPanel, public OverviewOwner, public ClassificationOwner,
                       public SuggestionOwner {
public:
    // The new panel is the one tool panel until it is destroyed.
    CColorPanelDlg();
    ~CColorPanelDlg() override;

    // The one tool panel, or null when none is open.
    static CColorPanelDlg* Current() { return current_; }

    // The engine objects the panel shows.
    engine::ItemList& Items() { return items_; }
    engine::ColorCycle& Cycle() { return cycle_; }
    engine::LibrarySession& Session() { return session_; }
    engine::RoomPainter& Painter() { return painter_; }

    // The view's own state.
    CSchemeOverviewDlg* Overview() const { return overview_; }
    CClassificationOverviewDlg* ClassificationOverview() const { return classification_; }
    CSuggestionDlg* Suggestions() const { return suggestions_; }
    UINT_PTR TimerId() const { return timerId_; }
    bool IndexEdited() const { return indexEdited_; }
    bool Expanded() const { return expanded_; }
    int CollapseHeight() const { return collapseHeight_; }
    CClrSlider& HueSlider() { return hueSlider_; }
    CClrSlider& SaturationSlider() { return saturationSlider_; }
    CClrSlider& BrightnessSlider() { return brightnessSlider_; }
    CTreeCombo& SpaceTypeBox() { return spaceTypeBox_; }
    CItemNumberLabel& NumberLabel() { return itemNumberLabel_; }
    CComboBox& ModeList() { return modeList_; }

    // OverviewOwner, ClassificationOwner.
    HWND OwnerWindow() const override { return m_hWnd; }
    const engine::ItemList& ShownList() const override { return items_; }
    const CombinationLibrary& ShownLibrary() const override { return session_.library; }
    int ShownItem() const override { return shownItem_; }
    void OverviewClosing(const RECT& placement) override;
    void OverviewGone(const CSchemeOverviewDlg* window) override;

    // Prepares the hue, saturation and brightness sliders for drawing, in
    // that order; called once the window exists.
    void PrepareSliders();

    // SelectionPanel: a pick shows the picked material's colour.
    void ShowPickedColor(double hue, double saturation, double brightness, uint32_t packedColor) override;
    OriginalMaterialList& RememberedMaterials() override { return painter_.originalMaterials; }

    // Button 1002: "加入图库" enabled when ceiling, floor and wall are all
    // classified (expert mode), "清除贴图" (texture mode); untouched in
    // colour cycling. Then UpdateStepButtons.
    void UpdateLibraryButton();
    // "<<", ">>", "自动换色" and the item menu are enabled unless a list mode
    // has an empty list.
    void UpdateStepButtons();
    // Shows the stepping controls and hides the sliders and radio buttons,
    // or the opposite.
    void ShowStepControls(bool show);
    // Rebuilds each slider's gradient and repaints it at once.
    void RefreshSliders();

    // Writes the fields to the controls. The panel's own updates of the
    // index box do not count as the user's typing.
    void WriteFields();
    // Reads the controls into the fields; false when a value was refused
    // (the user has been told).
    bool ReadFields() { return UpdateData(true); }

    // Texts the panel shows (code page 936).
    static const char* const kModeNames[3];
    static const char* const kSpaceTypePrompt;       // at construction
    static const char* const kChooseSpaceTypePrompt;  // in expert mode
    static const char* const kCyclePrompts[3];       // by cycle channel
    static const char* const kTexturePrompt;
    static const char* const kAddToLibraryText;
    static const char* const kClearTextureText;
    static const char* const kLibraryFileName;  // "Tintgrove.tgv"
    static const char* const kHelpFileName;     // "tintgrove.chm"
    static const char* const kLibraryBackupFormat;    // %1: the backup file
    static const char* const kLibraryBackupFailedFormat;  // %1: the library file

    // The module folder: the full path of the module's own file up to and
    // including its last backslash.
    static std::string ModuleFolder();

    // ---- Colour cycling (ColorCycling.cpp) ----------------------------------
    // One step of the component cycleChannel of the current colour, written
    // to the current material and shown on the sliders.
    void CycleColorStep();

    // ---- Restore ---------------------------------------------------------------
    // Expert mode: every classified material back to its remembered state;
    // the other modes: the current material. Sets the description.
    void RestoreAll();

    // ---- Automatic change (AutoChange.cpp) -----------------------------------
    // Starts the timer that steps the current mode, or stops it.
    void ToggleAutoChange();
    static const char* const kAutoChangeText;
    static const char* const kStopText;
    static constexpr UINT_PTR kCycleTimerId = 1;
    static constexpr UINT kExpertInterval = 2000;
    static constexpr UINT kCycleInterval = 500;
    static constexpr UINT kTextureInterval = 1500;

    // ---- Expert schemes (ExpertScheme.cpp) -----------------------------------
    // Lists the combinations of the chosen space type.
    void LoadCombinations();
    // Combination itemIndex onto every classified material of its class.
    void ApplyCombination();
    static const char* const kQueryFailedFormat;
    static const char* const kQueryNameFormat;
    static const char* const kQueryDescriptionFormat;

    // ---- Textures (TextureReplacement.cpp) -----------------------------------
    // The "map" folder the texture list starts from when none was chosen.
    static std::string DefaultTextureFolder();
    // Asks for the texture folder (starting at the present one) and lists it.
    void ChooseTextureFolder();
    // Lists the "*.jpg" then the "*.bmp" files of textureFolder.
    void ListTextureFolder();
    // Texture itemIndex onto the current material.
    void ApplyTexture();
    // Takes the texture map off the current material.
    void ClearCurrentTexture();
    static const char* const kTextureQueryFailedFormat;

    // ---- Item stepping (ItemStepping.cpp) ------------------------------------
    void StepIndexBack();
    void StepIndexForward();
    // Applies item itemIndex of the current list, shows its number, steps.
    void ApplyCurrentItem(bool backward);
    // itemIndex in large red digits on label 1020.
    void DrawItemNumber();
    void ShowItemMenu();
    static const char* const kOutOfRangeMessage;
    static const char* const kQueryMenuText;
    static const char* const kPreviousPageText;
    static const char* const kNextPageText;
    static const char* const kCombinationEntryFormat;
    static const char* const kTextureEntryFormat;
    static const char* const kChooseCombinationText;
    static const char* const kChooseTextureText;

    // ---- Library maintenance from the system menu (PanelLibraryMaintenance.cpp)
    // Adds "图库维护..." (ID_LIBRARY_MAINTENANCE) to the panel's system menu,
    // among the panel's own entries after one separator.
    void AppendMaintenanceMenuEntry();
    // Dialog 131 on the panel's library; a reported change sets libraryModified
    // and is saved as the dialog closes.
    void OnLibraryMaintenance();
    static const char* const kMaintenanceMenuText;

    // ---- Placement (PanelPlacement.cpp) --------------------------------------
    // The first panel of the session opens beside the host's 3D view; later
    // ones where the last one was closed.
    void PlaceOnOpen();
    void RememberPlacement();
    // The session forgets where the panel stood (the next opens beside the host).
    static void ForgetPlacement();
    // The host's main window: the largest visible, unowned, captioned
    // top-level window of this thread other than the panel; null if none.
    HWND FindHostWindow() const;
    // Top-left corner for a panel of the given size beside a host window
    // whose view (client area) is given, all in screen coordinates.
    static POINT PlaceBeside(const RECT& hostWindow, const RECT& hostView, SIZE panel, const RECT& workArea);

    // ---- Scheme overview (SchemeOverviewDlg.cpp, ColorPanelDlg.cpp) ---------
    // Opens the overview window, or brings it forward when it is open.
    void OpenOverview();
    // Item number of the current list applied exactly as the item menu's
    // entry for it does.
    void ApplyListItem(int number) override;
    // Tell an open overview that the list, the library or the current item
    // changed.
    void OverviewListChanged();
    void OverviewLibraryChanged();
    void OverviewMarkCurrent(int number);
    // The command of the panel's window keys (Ctrl+G the overview, Ctrl+K
    // the classification overview, Ctrl+J the suggestions), 0 for any other
    // message; in the panel and in those windows.
    static UINT PanelKeyCommand(const MSG& msg);
    static const char* const kOverviewMenuText;

    // ---- Classification overview (ClassificationOverviewDlg.cpp) ------------
    // Opens "表面分类一览", or brings it forward when it is open.
    void OpenClassificationOverview();
    // ClassificationOwner: the library button and the overview's cards follow.
    void ClassesChanged() override;
    void ClassificationOverviewGone(const CClassificationOverviewDlg* window) override;
    static const char* const kClassificationMenuText;
    // ---- Suggestion window (SuggestionCommands.cpp) ---------------------------
    // Opens "配色建议", or brings it forward when it is open.
    void OpenSuggestions();
    // SuggestionOwner.
    bool PickedColour(Rgb& colour, int& surfaceClass) const override;
    bool RoomSlots(MaterialSlot (&slots)[3]) const override;
    void ApplySuggestion(const CombinationRecord& record) override;
    void AddRoomToLibrary() override;
    void SuggestionsClosing(const RECT& placement) override;
    void SuggestionsGone(const CSuggestionDlg* window) override;
    // The picked surface or the classes changed.
    void SuggestionsAnchorChanged();
    static const char* const kSuggestionsMenuText;

    // Saves the library to libraryPath. An existing file that could not be
    // read at load is first kept under a backup name (and the user is told),
    // so it is never overwritten; a failed write is reported with the file's
    // name. True when the library was written.
    bool SaveLibrary();

    // ---- The end of the panel other than by its own close (PanelHostEnd.cpp)
    // Saves what is still unsaved when the host ends the panel: its main
    // window closed or destroyed, the end of the Windows session, the panel
    // destroyed by the host or by the unloading plug-in, the process exiting.
    // When windows may be shown, a failed save is reported and the exchange
    // file offered as at the panel's own close (once for one ending);
    // otherwise the save is attempted without a word.
    void SaveAtEnd(bool mayShowWindows);
    // From here on no window is shown and the library's lock is waited for
    // only briefly: the plug-in is being unloaded or the process ends.
    void EndWithoutWindows();
    static constexpr int kEndLockWaitMs = 1000;
    // Follows the host's main window (found as placement finds it) through a
    // hook on this thread: its WM_CLOSE and WM_DESTROY save the library. The
    // hook goes with the panel's window.
    void WatchHost();
    void StopWatchingHost();
    HWND WatchedHostWindow() const { return watchedHostWindow_; }

    // ---- The shared library (LibrarySharing.cpp) -------------------------------
    // Saves the changes recorded since the last save under the library's
    // lock, on top of the file as it is now; shows the saved library and tells
    // the user of records another designer changed meanwhile, and, once, of a
    // failure. True when nothing is left unsaved.
    bool SaveSharedLibrary();
    // System menu "重新读取图库": saves, then reads the file again.
    void ReloadLibrary();
    // After a failed save at close: offers to keep this panel's changes in an
    // exchange file, saying what it cannot keep.
    void OfferExchangeFile();
    // After a read of the library that did not give it: marks a file that is
    // not a library for moving aside, or tells that it could not be read.
    void NoteUnreadLibrary();
    void TellLibraryUnavailable();
    // Puts "重新读取图库" into the system menu, after one separator.
    void AddReloadMenuEntry();
    // Refills the space-type tree from the library in memory, keeping the
    // chosen space type where it still exists, and the expert list.
    void ShowLibrary();
    static const char* const kReloadLibraryText;
    static const char* const kSaveFailedReasonFormat;  // %1: the file, %2: the reason
    static const char* const kConflictsFormat;         // %1: the records, one a line
    static const char* const kOfferExchangeFormat;     // %1: the library file
    static const char* const kExchangeOmitsText;       // added to it when deletions or renames are pending
    static const char* const kDeletionsLostFormat;     // %1: the library file
    static const char* const kLockBusyMessage;
    static const char* const kLibraryUnavailableFormat;  // %1: the file, %2: the reason
    static constexpr UINT kReloadLibraryCommand = 32848;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    const MessageMap& GetMessageMap() const override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    bool PreTranslateMessage(MSG* msg) override;

private:
    // The message table's handlers, in the table's order.
    void OnLibraryButton();
    void OnModeChanged();
    void OnIndexChanged();
    void OnClassifyCeiling();
    void OnClassifyFloor();
    void OnClassifyWall();
    void OnChooseTextureMode();
    void OnColorChangeMode();
    void OnRestoreMaterial();
    void OnRemoveTexture();
    void OnHelp();
    void OnCycleChannelClicked();
    LRESULT OnTreeComboSelect(WPARAM, LPARAM);
    void OnClose();
    void OnDestroy();
    LRESULT OnQueryEndSession(WPARAM, LPARAM);
    LRESULT OnEndSession(WPARAM, LPARAM);
    // The colour engine's handlers, in the table's order.
    void OnPreviousItem();
    void OnNextItem();
    void OnCycleTick(UINT_PTR id);
    void OnItemEntry(UINT id);
    void OnItemQuery();
    void OnPreviousPage();
    void OnNextPage();
    void OnSliderChanged(NMHDR* header);

    void Classify(SurfaceClass surfaceClass);
    void SwitchMode(PanelMode newMode);
    void LoadSpaceTypes();
    // Fills the space-type tree from the library's categories and chooses
    // the category keep (a tree path) when it is still there, else the first.
    void FillSpaceTypes(const std::string& keep);
    // A panel command chosen in the system menu reaches the panel as WM_COMMAND.
    LRESULT OnSysCommand(WPARAM, LPARAM);
    // The stepping of "<<" (backward) and ">>".
    void StepButton(bool backward);
    // Item menu query: expert combinations or texture names; true when the
    // list was replaced.
    bool QueryCombinations();
    bool QueryTextures();
    void BuildMenuIcon();
    // Path of a tree item of the space-type box, components joined by "/".
    std::string TreeItemPath(HTREEITEM item);
    void SetItemCountLabel();
    // The overview's entry at the end of the system menu.
    void AddOverviewMenuEntry();
    // The classification overview's entry, before the overview's.
    void AddClassificationMenuEntry();

    CImageList menuImages;
    bool writingFields = false;
    // The panel's own close has saved and is destroying the window.
    bool closingByPanel = false;
    bool endWithoutWindows = false;
    bool savingAtEnd = false;
    // The exchange file was offered at this ending; a later attempt is silent.
    bool endOfferMade = false;

    static CColorPanelDlg* current_;

    engine::ItemList items_;
    engine::ColorCycle cycle_;
    engine::LibrarySession session_;
    HostMaterialCalls hostCalls_;
    engine::RoomPainter painter_{hostCalls_};

    std::string promptText_;
    UINT_PTR timerId_ = 0;
    int collapseHeight_ = 0;
    bool indexEdited_ = false;
    bool expanded_ = true;
    CIcon menuIcon_;
    HTREEITEM firstCategoryItem_ = nullptr;
    HWND watchedHostWindow_ = nullptr;

    CSchemeOverviewDlg* overview_ = nullptr;
    // The item of the current list last put on the model, 0 when none since
    // the list changed: the card an overview opened later marks.
    int shownItem_ = 0;
    CClassificationOverviewDlg* classification_ = nullptr;
    std::optional<RECT> overviewPlacement_;

    CSuggestionDlg* suggestions_ = nullptr;
    std::optional<RECT> suggestionsPlacement_;
    // The suggestion window's entry after the overview's.
    void AddSuggestionsMenuEntry();

    CTreeCombo spaceTypeBox_;  // 1007
    CButton itemMenuButton_;   // 1006
    CStatic itemCountLabel_;   // 1019
    CComboBox modeList_;       // 1003
    CEdit textureFolderEdit_;  // 1012
    CClrSlider hueSlider_;         // 1009
    CClrSlider saturationSlider_;  // 1011
    CClrSlider brightnessSlider_;  // 1014
    CItemNumberLabel itemNumberLabel_;  // 1020
    CLabelTips labelTips_;  // whole texts of the prompt and the description when cut
};
