#include "SuggestionDlg.h"

#include "ColorPanelDlg.h"
#include "library/CombinationLibrary.h"
#include "library/SchemeContrast.h"
#include "library/TextureExtraction.h"
#include "library/TextureLuminance.h"
#include "model/SurfaceMaterialStore.h"
#include "res/resource.h"
#include "text/TextEncoding.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <fstream>

int CSuggestionDlg::requestedCount = 12;

const char* const CSuggestionDlg::kCaption = "配色建议";
const char* const CSuggestionDlg::kNothingPickedNote = "请先在三维视图中点选一个表面：配色建议以它的颜色为准。";
const char* const CSuggestionDlg::kNoSchemesNote = "这个颜色找不到合乎对比要求的配色。";
const char* const CSuggestionDlg::kAnchorFormat = "依据：%1";
const char* const CSuggestionDlg::kFloorKeptFormat = "；前 %1 种保留地面原有贴图";
const char* const CSuggestionDlg::kSuggestionDescriptionFormat = "配色建议：%1";
const char* const CSuggestionDlg::kSurfaceNames[3] = {"顶棚", "地面", "墙面"};

namespace {

constexpr UINT_PTR kSuggestionCaptureTimer = 3;
constexpr int kRowHeight = 22;
constexpr int kButtonWidth = 96;
constexpr int kAddWidth = 72;
constexpr int kSuggestionMinimumWidth = 480;
constexpr int kSuggestionMinimumHeight = 260;

SchemeSurface SurfaceOfClass(int surfaceClass)
{
    switch (surfaceClass) {
    case Ceiling: return SchemeSurface::Ceiling;
    case Floor: return SchemeSurface::Floor;
    default: return SchemeSurface::Wall;
    }
}

}  // namespace

CSuggestionDlg::CSuggestionDlg(SuggestionOwner& panel)
    : CPanelToolWindow(IDD_SCHEME_SUGGESTIONS, panel, {ID_SCHEME_SUGGESTIONS},
                       {kSuggestionMinimumWidth, kSuggestionMinimumHeight}),
      panel_(panel),
      // The note makes room for the progress bar while captures run.
      captures_(*this, IDC_SUGGESTION_PROGRESS, kSuggestionCaptureTimer, [this] {
          const RECT area = GetClientRect();
          Layout(area.right, area.bottom);
      })
{
}

CSuggestionDlg::~CSuggestionDlg() = default;

bool CSuggestionDlg::Open(const RECT* placement)
{
    // The first time beside the panel, on its screen.
    return OpenBeside(placement, Side::Right);
}

const MessageMap& CSuggestionDlg::GetMessageMap() const
{
    using Self = CSuggestionDlg;
    static const MessageMap map(CDialog::GetMessageMap(), {
        on::Notify(IDC_SUGGESTION_LIST, LVN_GETDISPINFOW, &Self::OnGetDispInfo),
        on::Notify(IDC_SUGGESTION_LIST, NM_CUSTOMDRAW, &Self::OnCustomDraw),
        on::Notify(IDC_SUGGESTION_LIST, LVN_ITEMCHANGED, &Self::OnItemChanged),
        on::Command(IDC_SUGGESTION_ROOM_VIEWS, &Self::OnRoomViewsClicked),
        on::Command(IDC_SUGGESTION_SNAP, &Self::OnSnapClicked),
        on::Command(IDC_SUGGESTION_DECK, CBN_SELCHANGE, &Self::OnDeckChanged),
        on::Command(IDC_SUGGESTION_ADD, &Self::OnAdd),
        on::Command(IDC_SUGGESTION_EXPORT, &Self::OnExport),
        on::Timer(&Self::OnCaptureTick),
        on::Size(&Self::OnSize),
        on::Message(WM_GETMINMAXINFO, &Self::OnGetMinMaxInfo),
        on::Destroy(&Self::OnDestroy),
    });
    return map;
}

// ---- Life ----------------------------------------------------------------

bool CSuggestionDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    list_.Attach(GetDlgItem(IDC_SUGGESTION_LIST));
    textFont_.CreatePointFont(90, "宋体");
    ListView_SetExtendedListViewStyle(list_.m_hWnd, LVS_EX_DOUBLEBUFFER);
    CImageList images;
    images.Create(kPictureWidth, CThumbnailPainter::HeightFor(kPictureWidth), ILC_COLOR32, 0, 1);
    ListView_SetImageList(list_.m_hWnd, images.GetSafeHandle(), LVSIL_NORMAL);
    cardImages_ = std::move(images);
    decks_ = ReadPanelPaintDecks();
    FillDeckBox(GetDlgItem(IDC_SUGGESTION_DECK), *decks_);

    GetAutoCadMapFolders(searchFolders_);
    searchFolders_.push_back(CColorPanelDlg::DefaultTextureFolder());
    if (!searchFolders_.back().empty() && searchFolders_.back().back() == '\\')
        searchFolders_.back().pop_back();

    const RECT client = GetClientRect();
    Layout(client.right, client.bottom);
    Suggest();
    ::SetFocus(list_.m_hWnd);
    return false;
}

void CSuggestionDlg::OnDestroy()
{
    captures_.Stop(true);
    if (!Orphaned())
        panel_.SuggestionsClosing(GetWindowRect());
    ListView_SetImageList(list_.m_hWnd, nullptr, LVSIL_NORMAL);
    list_.Detach();
}

void CSuggestionDlg::ReportGone()
{
    panel_.SuggestionsGone(this);
}

// Enter puts the selected card on the room again; Escape stops running
// captures, or else closes the window.
void CSuggestionDlg::OnOK()
{
    const int selected = ListView_GetNextItem(list_.m_hWnd, -1, LVNI_SELECTED);
    if (selected >= 0) {
        applied_ = selected + 1;
        panel_.ApplySuggestion(RecordAt(applied_));
        UpdateButtons();
    }
}

void CSuggestionDlg::OnCancel()
{
    if (!StopRoomViews())
        CPanelToolWindow::OnCancel();
}

// ---- Size ------------------------------------------------------------------

void CSuggestionDlg::Layout(int width, int height)
{
    // First row: the check boxes and the deck box at the left, the buttons
    // at the right; second row: the progress of the captures and the note.
    int left = kMargin;
    for (int id : {IDC_SUGGESTION_ROOM_VIEWS, IDC_SUGGESTION_SNAP}) {
        RECT box{};
        ::GetWindowRect(GetDlgItem(id), &box);
        ::MoveWindow(GetDlgItem(id), left, kMargin, box.right - box.left, kRowHeight - 4, TRUE);
        left += box.right - box.left + kMargin;
    }
    ::MoveWindow(GetDlgItem(IDC_SUGGESTION_DECK), left, kMargin - 2, kDeckBoxWidth, kDeckBoxDrop, TRUE);
    int right = width - kMargin;
    ::MoveWindow(GetDlgItem(IDC_SUGGESTION_EXPORT), right - kButtonWidth, kMargin - 2, kButtonWidth, kRowHeight, TRUE);
    right -= kButtonWidth + kMargin;
    ::MoveWindow(GetDlgItem(IDC_SUGGESTION_ADD), right - kAddWidth, kMargin - 2, kAddWidth, kRowHeight, TRUE);

    const int second = kMargin + kRowHeight + 2;
    const bool progress = captures_.Running();
    const int progressWidth = progress ? std::min(160, width / 3) : 0;
    ::MoveWindow(GetDlgItem(IDC_SUGGESTION_PROGRESS), kMargin, second + 2, progressWidth, kRowHeight - 8, TRUE);
    const int noteLeft = kMargin + (progress ? progressWidth + kMargin : 0);
    ::MoveWindow(GetDlgItem(IDC_SUGGESTION_NOTE), noteLeft, second + 3, std::max(0, width - noteLeft - kMargin),
                 kRowHeight - 6, TRUE);
    const int listTop = second + kRowHeight;
    ::MoveWindow(list_.m_hWnd, kMargin, listTop, std::max(0, width - 2 * kMargin), std::max(0, height - listTop - kMargin),
                 TRUE);
    SizeCards();
}

void CSuggestionDlg::SizeCards()
{
    if (list_.m_hWnd == nullptr)
        return;
    const int height = CThumbnailPainter::HeightFor(kPictureWidth) + CSchemeOverviewDlg::kCardMarginY +
                       (ChosenDeck(*decks_) != nullptr ? CSchemeOverviewDlg::kCardTextLine : 0);
    ListView_SetIconSpacing(list_.m_hWnd, kPictureWidth + CSchemeOverviewDlg::kCardMarginX, height);
    ListView_Arrange(list_.m_hWnd, LVA_DEFAULT);
    list_.Invalidate(false);
}

// ---- The schemes ---------------------------------------------------------------

void CSuggestionDlg::AnchorChanged()
{
    captures_.Stop(true);
    Suggest();
}

void CSuggestionDlg::Suggest()
{
    suggestions_.clear();
    thumbnails_.clear();
    roomViews_.clear();
    paints_.clear();
    applied_ = 0;
    keptFloors_ = 0;
    haveRoom_ = panel_.RoomSlots(base_);
    Rgb anchor{};
    int surfaceClass = -1;
    if (!panel_.PickedColour(anchor, surfaceClass)) {
        note_ = kNothingPickedNote;
        FillList();
        return;
    }
    SuggestionRequest request;
    request.anchor = RoundToBytes(anchor);
    request.surface = SurfaceOfClass(surfaceClass);
    request.count = static_cast<std::size_t>(std::max(1, requestedCount));
    if (IsDlgButtonChecked(IDC_SUGGESTION_SNAP) == BST_CHECKED)
        request.deck = ChosenDeck(*decks_);
    // A textured floor stays: the schemes are made around its colour and
    // the light its texture reflects.
    const MaterialSlot& floor = base_[Floor];
    if (haveRoom_ && request.surface != SchemeSurface::Floor && floor.mapFile[0][0] != '\0') {
        FixedFloor fixed;
        fixed.rgb = engine::SlotColour(floor);
        fixed.lrv = LightReflectance(fixed.rgb);
        const std::string path = FindMapFile(FieldString(floor.mapFile[0]), searchFolders_);
        if (!path.empty())
            if (const auto lrv = TextureLightReflectance(path))
                fixed.lrv = *lrv;
        request.fixedFloor = fixed;
    }
    // With the floor kept few schemes keep to the rules: those come first,
    // then the schemes that paint the floor too.
    suggestions_ = SuggestSchemes(request);
    keptFloors_ = request.fixedFloor ? static_cast<int>(suggestions_.size()) : 0;
    if (request.fixedFloor && static_cast<int>(suggestions_.size()) < requestedCount) {
        request.fixedFloor.reset();
        request.count = static_cast<std::size_t>(requestedCount) - suggestions_.size();
        for (const Suggestion& more : SuggestSchemes(request))
            suggestions_.push_back(more);
    }

    const int shownClass = surfaceClass == Ceiling || surfaceClass == Floor ? surfaceClass : Wall;
    note_ = fw::ReplacePlaceholder(kAnchorFormat, std::string(kSurfaceNames[shownClass]) + " " + HexColour(request.anchor) +
                                                      "（LRV " + std::to_string(RoundedLrv(LightReflectance(request.anchor))) + "）");
    if (keptFloors_ > 0)
        note_ += fw::ReplacePlaceholder(kFloorKeptFormat, std::to_string(keptFloors_));
    if (suggestions_.empty())
        note_ += std::string("。") + kNoSchemesNote;
    FillList();
}

void CSuggestionDlg::FillList()
{
    SetDlgItemText(IDC_SUGGESTION_NOTE, note_);
    quiet_ = true;
    FillCardList(list_.m_hWnd, Count());
    quiet_ = false;
    SizeCards();
    UpdateButtons();
}

void CSuggestionDlg::UpdateButtons()
{
    ::EnableWindow(GetDlgItem(IDC_SUGGESTION_ADD), applied_ > 0 && HasAllSurfaceClasses() ? TRUE : FALSE);
    ::EnableWindow(GetDlgItem(IDC_SUGGESTION_EXPORT), Count() > 0 ? TRUE : FALSE);
    ::EnableWindow(GetDlgItem(IDC_SUGGESTION_ROOM_VIEWS), haveRoom_ ? TRUE : FALSE);
}

CombinationRecord CSuggestionDlg::RecordAt(int number) const
{
    const Suggestion& suggestion = At(number);
    const std::string name = std::to_string(number) + " " + HarmonyName(suggestion.harmony);
    return engine::SuggestionRecord(suggestion, base_, KeepsFloor(number), name,
                                    fw::ReplacePlaceholder(kSuggestionDescriptionFormat, HarmonyName(suggestion.harmony)));
}

std::array<std::optional<engine::CardPaint>, 3> CSuggestionDlg::PaintsAt(int number)
{
    const PaintDeck* deck = ChosenDeck(*decks_);
    if (deck == nullptr || number < 1 || number > Count())
        return {};
    auto found = paints_.find(number);
    if (found != paints_.end())
        return found->second;
    const Suggestion& suggestion = At(number);
    std::array<std::optional<engine::CardPaint>, 3> paints;
    const bool snapped = IsDlgButtonChecked(IDC_SUGGESTION_SNAP) == BST_CHECKED;
    for (int k = 0; k < 3; ++k) {
        const SchemeColour& colour = suggestion.colours[static_cast<std::size_t>(k)];
        if (KeepsFloor(number) && k == engine::CardFloor)
            continue;  // the floor keeps its texture, no paint
        if (snapped && colour.paint) {
            paints[static_cast<std::size_t>(k)] = engine::CardPaint{*colour.paint, colour.paintDeltaE};
            continue;
        }
        if (!finder_ || finderDeck_ != deck) {
            finder_ = std::make_unique<PaintFinder>(*deck);
            finderDeck_ = deck;
        }
        paints[static_cast<std::size_t>(k)] = engine::NearestPaint(*finder_, colour.rgb);
    }
    return paints_.emplace(number, paints).first->second;
}

CSchemeOverviewDlg::Card CSuggestionDlg::CardAt(int number)
{
    CSchemeOverviewDlg::Card card;
    if (number < 1 || number > Count())
        return card;
    const Suggestion& suggestion = At(number);
    card.title = std::to_string(number) + " " + HarmonyName(suggestion.harmony);
    card.combination = true;
    card.lrv.ceiling = suggestion.At(SchemeSurface::Ceiling).lrv;
    card.lrv.wall = suggestion.At(SchemeSurface::Wall).lrv;
    card.lrv.floor = suggestion.At(SchemeSurface::Floor).lrv;
    card.marks = LowContrastPairs(card.lrv);
    card.lrvLine = LrvLine(card.lrv);
    if (const PaintDeck* deck = ChosenDeck(*decks_)) {
        if (!Utf8ToCp936(engine::PaintLine(*deck, PaintsAt(number)), card.paintLine))
            card.paintLine.clear();
    }
    return card;
}

const Picture& CSuggestionDlg::ThumbnailAt(int number)
{
    const int height = CThumbnailPainter::HeightFor(kPictureWidth);
    if (IsDlgButtonChecked(IDC_SUGGESTION_ROOM_VIEWS) == BST_CHECKED) {
        auto view = roomViews_.find(number);
        if (view != roomViews_.end())
            return view->second;
    }
    auto cached = thumbnails_.find(number);
    if (cached != thumbnails_.end())
        return cached->second;
    const CombinationRecord record = RecordAt(number);
    std::string found[3];
    if (KeepsFloor(number))
        found[Floor] = FindMapFile(FieldString(record.materials[Floor].mapFile[0]), searchFolders_);
    return thumbnails_.emplace(number, painter_.Bands(record.materials, found, kPictureWidth, height)).first->second;
}

// ---- The list ------------------------------------------------------------------

LRESULT CSuggestionDlg::OnGetDispInfo(NMHDR* header)
{
    return AnswerCardDispInfo(header, [this](int number) { return CardAt(number).title; });
}

LRESULT CSuggestionDlg::OnItemChanged(NMHDR* header)
{
    const int number = quiet_ ? 0 : CardSelectedBy(header);
    if (number > 0) {
        // Room views put the room back before a scheme goes on it.
        captures_.Stop(true);
        applied_ = number;
        panel_.ApplySuggestion(RecordAt(applied_));
        UpdateButtons();
        list_.Invalidate(false);
    }
    return 0;
}

LRESULT CSuggestionDlg::OnCustomDraw(NMHDR* header)
{
    return DrawCardItems(header, [this](HDC dc, int number, const RECT& bounds, bool selected) {
        const SIZE size{kPictureWidth, CThumbnailPainter::HeightFor(kPictureWidth)};
        CSchemeOverviewDlg::DrawCardFace(dc, bounds, ThumbnailAt(number), size, CardAt(number), selected,
                                         number == applied_, textFont_);
    });
}

// ---- Decks, buttons and the page for the client -----------------------------------

void CSuggestionDlg::OnDeckChanged()
{
    TakeDeckBoxChoice(GetDlgItem(IDC_SUGGESTION_DECK), *decks_);
    paints_.clear();
    if (IsDlgButtonChecked(IDC_SUGGESTION_SNAP) == BST_CHECKED)
        AnchorChanged();
    else
        SizeCards();
}

void CSuggestionDlg::OnSnapClicked()
{
    AnchorChanged();
}

void CSuggestionDlg::OnAdd()
{
    captures_.Stop(true);
    panel_.AddRoomToLibrary();
}

bool CSuggestionDlg::ExportClientPage(const std::string& path)
{
    std::vector<ClientCard> cards;
    const PaintDeck* deck = ChosenDeck(*decks_);
    for (int number = 1; number <= Count(); ++number) {
        const Suggestion& suggestion = At(number);
        const CSchemeOverviewDlg::Card card = CardAt(number);
        std::array<Rgb, 3> colours = {suggestion.At(SchemeSurface::Ceiling).rgb, suggestion.At(SchemeSurface::Wall).rgb,
                                      suggestion.At(SchemeSurface::Floor).rgb};
        const auto view = roomViews_.find(number);
        cards.push_back(engine::ClientCardOf(Cp936ToUtf8OrAsIs(card.title), Cp936ToUtf8OrAsIs(note_), colours,
                                             {card.lrv.ceiling, card.lrv.wall, card.lrv.floor}, deck, PaintsAt(number),
                                             view != roomViews_.end() ? PicturePng(view->second) : std::string()));
    }
    std::ofstream out(fw::Widen(path).c_str(), std::ios::binary | std::ios::trunc);
    out << WriteClientPage(Cp936ToUtf8OrAsIs(kCaption), cards);
    out.close();
    return !out.fail();
}

void CSuggestionDlg::OnExport()
{
    SaveClientPage(m_hWnd, "配色建议.htm", [this](const std::string& path) { return ExportClientPage(path); });
}

// ---- Room views --------------------------------------------------------------

void CSuggestionDlg::OnRoomViewsClicked()
{
    if (IsDlgButtonChecked(IDC_SUGGESTION_ROOM_VIEWS) == BST_CHECKED) {
        StartCaptures();
    } else {
        captures_.Stop(true);
        roomViews_.clear();
        list_.Invalidate(false);
    }
}

void CSuggestionDlg::StartCaptures()
{
    captures_.Stop(true);
    const HWND view = CSchemeOverviewDlg::HostView();
    if (!haveRoom_ || view == nullptr) {
        SetDlgItemText(IDC_SUGGESTION_NOTE, haveRoom_ ? CSchemeOverviewDlg::kRoomViewsNeedViewNote
                                                      : CSchemeOverviewDlg::kRoomViewsNeedClassesNote);
        return;
    }
    captures_.Start(list_.m_hWnd, CardsInView(list_.m_hWnd, Count()));
}

// Room views are kept by card number at the cards' size.
void CSuggestionDlg::OnCaptureTick(UINT_PTR id)
{
    captures_.Tick(
        id,
        [this](int number, MaterialSlot (&slots)[3]) {
            if (number > Count())
                return false;
            std::copy_n(RecordAt(number).materials, 3, slots);
            return true;
        },
        [this](int number, const Picture& shot) {
            roomViews_[number] =
                CThumbnailPainter::Scaled(shot, kPictureWidth, CThumbnailPainter::HeightFor(kPictureWidth));
        });
}
