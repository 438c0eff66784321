// The suggestion window "配色建议": colour schemes proposed around the colour
// of the picked surface, on the surface its class names (a wall when it has
// none), as cards in a list view (control 1070) drawn as the scheme
// overview draws its combinations: three bands, the LRV line, the harmony
// and, with a paint deck chosen, the nearest paints. Choosing a card puts
// the scheme on the classified room as the overview puts a combination
// (the panel's 0 restores the room); "加入图库…" stores the room as it is
// then through the library's add dialog. "贴近色卡" makes every colour a
// paint of the chosen deck. "实景" captures the host's view of each scheme
// into its card as the overview does, and puts the room back afterwards.
// A textured floor: the schemes that keep it come first, made around it,
// then schemes that paint it.
//
// Owned by the panel: created on its command, modeless, closed with it.
#pragma once

#include "engine/SchemeCards.h"
#include "framework/Framework.h"
#include "library/CombinationRecord.h"
#include "panel/CardList.h"
#include "panel/PanelToolWindow.h"
#include "panel/SchemeOverviewDlg.h"
#include "panel/SchemeThumbnails.h"

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CSuggestionDlg;

// What the suggestion window needs of the panel that owns it.
class SuggestionOwner : public PanelWindowOwner {
public:
    // The picked surface's colour as it was picked and its class (-1 when
    // unclassified); false when nothing is picked.
    virtual bool PickedColour(Rgb& colour, int& surfaceClass) const = 0;
    // The classified room's materials as they were picked, one per class
    // (ceiling, floor, wall); false unless all three classes are there.
    virtual bool RoomSlots(MaterialSlot (&slots)[3]) const = 0;
    // Puts a combination on the classified room as the panel applies one.
    virtual void ApplySuggestion(const CombinationRecord& record) = 0;
    // Dialog 130 for the room as the host holds it.
    virtual void AddRoomToLibrary() = 0;
    virtual void SuggestionsClosing(const RECT& placement) = 0;
    virtual void SuggestionsGone(const CSuggestionDlg* window) = 0;

protected:
    ~SuggestionOwner() = default;
};

class CSuggestionDlg : public CPanelToolWindow {
public:
    explicit CSuggestionDlg(SuggestionOwner& panel);
    ~CSuggestionDlg() override;

    bool Open(const RECT* placement);

    // The picked surface or the classes changed: the schemes are made afresh.
    void AnchorChanged();
    // Stops running captures, putting the room back; true when they ran.
    bool StopRoomViews() { return captures_.StopRunning(); }

    int Count() const { return static_cast<int>(suggestions_.size()); }
    const Suggestion& At(int number) const { return suggestions_[static_cast<std::size_t>(number - 1)]; }
    CSchemeOverviewDlg::Card CardAt(int number);
    // The combination card number puts on the room.
    CombinationRecord RecordAt(int number) const;
    int Applied() const { return applied_; }
    // Card number keeps the floor's texture.
    bool KeepsFloor(int number) const { return number <= keptFloors_; }
    bool Capturing() const { return captures_.Running(); }
    // Card number's picture: its room view when room views are on and it
    // was captured, else its bands.
    const Picture& ThumbnailAt(int number);
    std::string NoteText() const { return note_; }
    bool ExportClientPage(const std::string& path);

    // How many schemes are asked for.
    static int requestedCount;

    static const char* const kCaption;
    static const char* const kNothingPickedNote;
    static const char* const kNoSchemesNote;
    static const char* const kAnchorFormat;  // %1: surface, %2: #RRGGBB, %3: LRV
    static const char* const kFloorKeptFormat;  // %1: how many of the first cards keep it
    static const char* const kSuggestionDescriptionFormat;  // %1: the harmony
    static const char* const kSurfaceNames[3];              // by SurfaceClass

    static constexpr int kPictureWidth = 190;

protected:
    bool OnInitDialog() override;
    const MessageMap& GetMessageMap() const override;
    void OnOK() override;
    void OnCancel() override;
    void ReportGone() override;

private:
    LRESULT OnGetDispInfo(NMHDR* header);
    LRESULT OnCustomDraw(NMHDR* header);
    LRESULT OnItemChanged(NMHDR* header);
    void OnRoomViewsClicked();
    void OnSnapClicked();
    void OnDeckChanged();
    void OnAdd();
    void OnExport();
    void OnCaptureTick(UINT_PTR id);
    void OnDestroy();

    void Layout(int width, int height) override;
    void SizeCards();
    // The schemes made afresh for the anchor, the deck and the snapping.
    void Suggest();
    void FillList();
    std::array<std::optional<engine::CardPaint>, 3> PaintsAt(int number);
    void StartCaptures();
    void UpdateButtons();

    SuggestionOwner& panel_;
    CWnd list_;
    CFont textFont_;
    CImageList cardImages_;
    bool quiet_ = false;

    std::vector<Suggestion> suggestions_;
    MaterialSlot base_[3] = {};
    bool haveRoom_ = false;
    int keptFloors_ = 0;  // the first cards keep the floor's texture
    int applied_ = 0;
    std::string note_;

    CThumbnailPainter painter_;
    std::vector<std::string> searchFolders_;
    std::map<int, Picture> thumbnails_;  // by card number
    std::map<int, Picture> roomViews_;   // captured, at the cards' size
    std::map<int, std::array<std::optional<engine::CardPaint>, 3>> paints_;
    // The paint decks read as the window opened.
    std::shared_ptr<const engine::DeckShelf> decks_ = std::make_shared<engine::DeckShelf>();
    std::unique_ptr<PaintFinder> finder_;
    const PaintDeck* finderDeck_ = nullptr;

    CRoomViewQueue captures_;
};
