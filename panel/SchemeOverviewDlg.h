// The scheme overview "配色一览": every item of the panel's current list at
// once, as cards in a list view (control 1050, icon view, texts asked for
// when shown, cards drawn by the window itself). The cards fill the list's
// width in whole columns and grow with the window; Ctrl+wheel over the list
// makes them larger or smaller in steps. Expert mode shows each combination as a room in
// three bands with its light-reflectance values; texture mode shows each
// texture file. Choosing a card applies that item as the panel's item menu
// does. With "实景" checked, the visible combinations are put on the host's
// model one after another and its view is captured into their cards; the
// model is put back as it was afterwards. The captures write only to the
// model they started on: when its materials no longer hold what the last
// capture set (another model was opened, the scene closed), they stop and
// write nothing more.
//
// Owned by the panel: created on its command, modeless, closed with it.
#pragma once

#include "controls/LabelTips.h"
#include "engine/ItemList.h"
#include "engine/SchemeCards.h"
#include "framework/Framework.h"
#include "library/SchemeContrast.h"
#include "panel/CardList.h"
#include "panel/PanelToolWindow.h"
#include "panel/SchemeThumbnails.h"
#include "plugin/HostInterface.h"

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CSchemeOverviewDlg;

// What the overview needs of the panel that owns it: the list and library
// it shows cards of, applying one of them, and where the window stood.
class OverviewOwner : public PanelWindowOwner {
public:
    virtual const engine::ItemList& ShownList() const = 0;
    virtual const CombinationLibrary& ShownLibrary() const = 0;
    // The item last put on the model, 0 when none since the list changed.
    virtual int ShownItem() const = 0;
    virtual void ApplyListItem(int number) = 0;
    // The window is being destroyed where placement says.
    virtual void OverviewClosing(const RECT& placement) = 0;
    // The window object is gone.
    virtual void OverviewGone(const CSchemeOverviewDlg* window) = 0;

protected:
    ~OverviewOwner() = default;
};

class CSchemeOverviewDlg : public CPanelToolWindow {
public:
    explicit CSchemeOverviewDlg(OverviewOwner& panel);
    ~CSchemeOverviewDlg() override;

    // Creates the window owned by the panel, at placement when one is given.
    bool Open(const RECT* placement);

    // The panel's list was rebuilt or narrowed, or its mode changed.
    void ListChanged();
    // The library changed: every card is drawn afresh (cards are cached by
    // their combination's materials, so this frees memory more than it
    // corrects anything).
    void LibraryChanged();
    // The panel shows item number (1-based) as its current one: the card
    // is marked and selected, nothing is applied.
    void MarkCurrent(int number);

    // What a card shows, for drawing and for tests.
    struct Card {
        std::string title;        // "number name"
        bool combination = false;
        SurfaceLrvs lrv;
        ContrastMarks marks;
        std::string lrvLine;      // "LRV c/w/f"
        std::string paintLine;    // nearest paints of the chosen deck, c/w/f; empty without one
    };
    // Draws a card: its picture centred at the top (framed thickly in red
    // when marked), the title, and for a combination the LRV line with its
    // low-contrast marks and the paint line. The suggestion window draws its
    // cards with it too.
    static void DrawCardFace(HDC dc, const RECT& bounds, const Picture& picture, SIZE pictureSize, const Card& card,
                             bool selected, bool marked, HFONT font);
    Card CardAt(int number);
    // The thumbnail of a card (room view, bands or texture).
    const Picture& ThumbnailAt(int number);
    bool HasRoomView(int number) const;
    // The nearest paints of the chosen deck to a combination card's colours
    // (ceiling, wall, floor); none without a deck.
    std::array<std::optional<engine::CardPaint>, 3> PaintsAt(int number);
    int Count() const { return count_; }
    int Marked() const { return marked_; }
    bool Capturing() const { return captures_.Running(); }
    // Stops running captures and puts back what they changed, if the host
    // still holds the model they changed; true when captures were running.
    // Called before anything that reads or replaces the model's materials
    // (a classification, another model, the host's model events).
    bool StopRoomViews() { return captures_.StopRunning(); }
    std::string NoteText() const;

    // The host's 3D view: the window under the point of the last pick, noted
    // by the picking code at that moment (screen coordinates).
    static void NoteHostView(int x, int y);
    static HWND HostView();

    // Texts the window shows (code page 936).
    static const char* const kCaption;
    static const char* const kRoomViewsText;
    static const char* const kCycleModeNote;
    static const char* const kEmptyExpertNote;
    static const char* const kEmptyTextureNote;
    static const char* const kRoomViewsNeedClassesNote;
    static const char* const kRoomViewsNeedViewNote;

    // A card is its picture with a margin around it and two text lines
    // below; the chosen picture widths Ctrl+wheel steps through. The cards
    // share the list's width in whole columns, each picture growing up to a
    // fifth above the chosen width to fill it.
    static constexpr int kCardMarginX = 36;
    static constexpr int kCardMarginY = 46;
    static constexpr int kPictureWidths[] = {120, 150, 190, 240, 290, 360};
    static constexpr int kDefaultStep = 3;
    SIZE PictureSize() const { return {pictureWidth_, CThumbnailPainter::HeightFor(pictureWidth_)}; }
    SIZE CardSpacing() const
    {
        return {cellWidth_, CThumbnailPainter::HeightFor(pictureWidth_) + kCardMarginY + (ChosenDeck(*decks_) != nullptr ? kCardTextLine : 0)};
    }
    static constexpr int kCardTextLine = 15;
    // Writes the listed combinations as the page for the client to path.
    bool ExportClientPage(const std::string& path);
    static const char* const kExportFailedFormat;  // %1: the file
    // Steps of Ctrl+wheel: positive larger, negative smaller.
    void Zoom(int steps);

    // The red underlines of the LRV line, [left, right) each: the
    // ceiling/wall one from the ceiling figure to the middle of the wall
    // figure, the wall/floor one from there to the end of the floor figure,
    // a gap between them, so that both can show at once. widths are those
    // of "LRV ", c, "/", w, "/", f drawn from x on.
    struct Span {
        int left = 0, right = 0;
    };
    struct MarkSpans {
        Span ceilingWall, wallFloor;
    };
    static MarkSpans LrvMarkSpans(int x, const int (&widths)[6]);

protected:
    bool OnInitDialog() override;
    const MessageMap& GetMessageMap() const override;
    void OnOK() override;
    void OnCancel() override;
    void ReportGone() override;

private:
    // The message table's handlers, in the table's order.
    LRESULT OnGetDispInfo(NMHDR* header);
    LRESULT OnCustomDraw(NMHDR* header);
    LRESULT OnItemChanged(NMHDR* header);
    void OnRoomViewsClicked();
    void OnDeckChanged();
    void OnExport();
    void OnCaptureTick(UINT_PTR id);
    void OnDestroy();
    LRESULT OnMouseWheel(WPARAM wParam, LPARAM lParam);
    // Ctrl+wheel over the list: the list's own handling would scroll.
    static LRESULT CALLBACK ListProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);
    void CtrlWheel(int delta);

    void Layout(int width, int height) override;
    // Picture and column widths for the list's width; the list's spacing,
    // and the pictures drawn afresh when their size changed.
    void SizeCards();
    void UpdateNote();
    // The library index of combination card number, or -1.
    int RecordOf(int number) const;
    std::string CardKey(int number) const;
    std::string FindTexture(const std::string& storedName);
    std::optional<double> TextureLrv(const std::string& storedName);
    void SelectQuietly(int number);

    void StartCaptures();

    OverviewOwner& panel_;
    CWnd list_;
    CLabelTips noteTip_;  // the whole note when it is cut
    int count_ = 0;
    int marked_ = 0;
    bool quiet_ = false;  // selection changes made by the window itself
    int mode_ = -1;

    CThumbnailPainter painter_;
    int step_ = kDefaultStep;           // into kPictureWidths
    int pictureWidth_ = kPictureWidths[kDefaultStep];
    int cellWidth_ = kPictureWidths[kDefaultStep] + kCardMarginX;
    int wheelDelta_ = 0;                // Ctrl+wheel turns not yet a step
    std::map<std::string, Picture> thumbnails_;  // by CardKey, at the cards' size
    // Captures by CardKey, kept at the largest card size; shown scaled to
    // the cards' size (roomShown_).
    std::map<std::string, Picture> roomViews_;
    std::map<std::string, Picture> roomShown_;
    std::vector<std::string> searchFolders_;
    std::map<std::string, std::string> foundMaps_;  // stored map name -> found path
    std::map<std::string, Card> cards_;             // LRV values by CardKey
    std::string roomNote_;
    CFont textFont_;
    CImageList cardImages_;

    CRoomViewQueue captures_;
    // The paint decks read as the window opened.
    std::shared_ptr<const engine::DeckShelf> decks_ = std::make_shared<engine::DeckShelf>();
    std::unique_ptr<PaintFinder> finder_;
    const PaintDeck* finderDeck_ = nullptr;
    // The nearest paints of the chosen deck by CardKey.
    std::map<std::string, std::array<std::optional<engine::CardPaint>, 3>> paints_;
};

// Asks where the page for the client goes (the framework's file dialog,
// "*.htm") and calls write with the path; a failed write is reported with
// the file's name. True when written.
bool SaveClientPage(HWND owner, const std::string& initialName, const std::function<bool(const std::string&)>& write);
