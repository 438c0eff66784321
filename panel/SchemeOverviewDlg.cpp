#include "SchemeOverviewDlg.h"

#include "ColorPanelDlg.h"
#include "engine/RoomClassification.h"
#include "library/CombinationLibrary.h"
#include "library/TextureExtraction.h"
#include "library/TextureLuminance.h"
#include "model/SurfaceMaterialStore.h"
#include "res/resource.h"

#include "text/TextEncoding.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

const char* const CSchemeOverviewDlg::kCaption = "配色一览";
const char* const CSchemeOverviewDlg::kRoomViewsText = "实景";
const char* const CSchemeOverviewDlg::kCycleModeNote = "颜色循环方式没有可以一览的配色或贴图，请切换到专家配色或选择贴图。";
const char* const CSchemeOverviewDlg::kEmptyExpertNote = "当前空间类型中没有配色方案。";
const char* const CSchemeOverviewDlg::kEmptyTextureNote = "贴图路径中没有贴图文件。";
const char* const CSchemeOverviewDlg::kRoomViewsNeedClassesNote = "实景需要先在三维视图中点选并分类顶棚、地面和墙面。";
const char* const CSchemeOverviewDlg::kRoomViewsNeedViewNote = "找不到三维视图窗口，请先在三维视图中点选表面。";
const char* const CSchemeOverviewDlg::kExportFailedFormat = "方案展示文件“%1”不能写入。";

namespace {

constexpr UINT_PTR kCaptureTimer = 2;
constexpr UINT_PTR kWheelSubclass = 1;
// Room views are kept at the largest size a card picture can have.
constexpr int kKeptViewWidth = CSchemeOverviewDlg::kPictureWidths[std::size(CSchemeOverviewDlg::kPictureWidths) - 1] * 6 / 5;
constexpr int kToolbarHeight = 22;
constexpr int kMinimumWidth = 420;
constexpr int kMinimumHeight = 240;
constexpr int kTextLine = CSchemeOverviewDlg::kCardTextLine;
constexpr int kExportWidth = 96;
constexpr COLORREF kMarkColour = RGB(220, 0, 0);
constexpr COLORREF kLowContrastColour = RGB(200, 0, 0);

POINT hostViewPoint{0, 0};
HWND hostView = nullptr;

// A card's pictures and values depend only on the combination's three
// material slots: they are cached under a hash of those bytes, so a record
// that changes, moves or is deleted in the library never shows an old card.
std::string MaterialsKey(const CombinationRecord& record)
{
    uint64_t hash = 1469598103934665603ull;  // FNV-1a
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record.materials);
    for (std::size_t i = 0; i < sizeof record.materials; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return "r" + std::to_string(hash);
}

std::string WithoutTrailingBackslash(std::string folder)
{
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

}  // namespace

void CSchemeOverviewDlg::NoteHostView(int x, int y)
{
    hostViewPoint = POINT{x, y};
    const HWND under = ::WindowFromPoint(hostViewPoint);
    // One of the plug-in's own windows over the point is not the view.
    if (under != nullptr && CWnd::FromHandle(::GetAncestor(under, GA_ROOT)) == nullptr)
        hostView = under;
}

HWND CSchemeOverviewDlg::HostView()
{
    return hostView != nullptr && ::IsWindow(hostView) ? hostView : nullptr;
}

CSchemeOverviewDlg::CSchemeOverviewDlg(OverviewOwner& panel)
    : CPanelToolWindow(IDD_SCHEME_OVERVIEW, panel, {ID_SCHEME_OVERVIEW}, {kMinimumWidth, kMinimumHeight}), panel_(panel),
      captures_(*this, IDC_CAPTURE_PROGRESS, kCaptureTimer)
{
}

CSchemeOverviewDlg::~CSchemeOverviewDlg() = default;

bool CSchemeOverviewDlg::Open(const RECT* placement)
{
    // The first time beside the panel, on the screen the panel is on.
    return OpenBeside(placement, Side::Right);
}

// ---- Message table -------------------------------------------------------

const MessageMap& CSchemeOverviewDlg::GetMessageMap() const
{
    using Self = CSchemeOverviewDlg;
    static const MessageMap map(CDialog::GetMessageMap(), {
        on::Notify(IDC_OVERVIEW_LIST, LVN_GETDISPINFOW, &Self::OnGetDispInfo),
        on::Notify(IDC_OVERVIEW_LIST, NM_CUSTOMDRAW, &Self::OnCustomDraw),
        on::Notify(IDC_OVERVIEW_LIST, LVN_ITEMCHANGED, &Self::OnItemChanged),
        on::Command(IDC_ROOM_VIEWS, &Self::OnRoomViewsClicked),
        on::Command(IDC_OVERVIEW_DECK, CBN_SELCHANGE, &Self::OnDeckChanged),
        on::Command(IDC_OVERVIEW_EXPORT, &Self::OnExport),
        on::Timer(&Self::OnCaptureTick),
        on::Size(&Self::OnSize),
        on::Message(WM_GETMINMAXINFO, &Self::OnGetMinMaxInfo),
        on::Destroy(&Self::OnDestroy),
        on::Message(WM_MOUSEWHEEL, &Self::OnMouseWheel),
    });
    return map;
}

// ---- Life ----------------------------------------------------------------

bool CSchemeOverviewDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    noteTip_.Attach(m_hWnd, {IDC_OVERVIEW_NOTE});
    list_.Attach(GetDlgItem(IDC_OVERVIEW_LIST));
    textFont_.CreatePointFont(90, "宋体");
    ListView_SetExtendedListViewStyle(list_.m_hWnd, LVS_EX_DOUBLEBUFFER);
    ::SetWindowSubclass(list_.m_hWnd, ListProc, kWheelSubclass, reinterpret_cast<DWORD_PTR>(this));
    pictureWidth_ = 0;  // the first layout sizes the cards
    ::ShowWindow(GetDlgItem(IDC_CAPTURE_PROGRESS), SW_HIDE);
    decks_ = ReadPanelPaintDecks();
    FillDeckBox(GetDlgItem(IDC_OVERVIEW_DECK), *decks_);

    const RECT client = GetClientRect();
    Layout(client.right, client.bottom);
    ListChanged();
    // The arrow keys move through the cards from the start.
    ::SetFocus(list_.m_hWnd);
    return false;
}

void CSchemeOverviewDlg::OnDestroy()
{
    captures_.Stop(true);
    if (!Orphaned())
        panel_.OverviewClosing(GetWindowRect());
    ::RemoveWindowSubclass(list_.m_hWnd, ListProc, kWheelSubclass);
    ListView_SetImageList(list_.m_hWnd, nullptr, LVSIL_NORMAL);
    list_.Detach();
}

void CSchemeOverviewDlg::ReportGone()
{
    panel_.OverviewGone(this);
}

// Enter applies the selected card again; Escape stops running captures, or
// else closes the window, as its close box does.
void CSchemeOverviewDlg::OnOK()
{
    const int selected = ListView_GetNextItem(list_.m_hWnd, -1, LVNI_SELECTED);
    if (selected >= 0)
        panel_.ApplyListItem(selected + 1);
}

void CSchemeOverviewDlg::OnCancel()
{
    if (!StopRoomViews())
        CPanelToolWindow::OnCancel();
}

// ---- Size ------------------------------------------------------------------

void CSchemeOverviewDlg::Layout(int width, int height)
{
    RECT check{};
    HWND box = GetDlgItem(IDC_ROOM_VIEWS);
    ::GetWindowRect(box, &check);
    const int checkWidth = check.right - check.left;
    ::MoveWindow(box, kMargin, kMargin, checkWidth, kToolbarHeight - 4, TRUE);
    const int progressLeft = kMargin * 2 + checkWidth;
    const int progressWidth = std::max(0, std::min(160, width - progressLeft - kMargin));
    ::MoveWindow(GetDlgItem(IDC_CAPTURE_PROGRESS), progressLeft, kMargin + 2, progressWidth, kToolbarHeight - 8, TRUE);
    const int noteLeft = progressLeft + progressWidth + kMargin;
    // The deck box and the export button at the right end.
    int right = width - kMargin;
    ::MoveWindow(GetDlgItem(IDC_OVERVIEW_EXPORT), right - kExportWidth, kMargin - 2, kExportWidth, kToolbarHeight, TRUE);
    right -= kExportWidth + kMargin;
    ::MoveWindow(GetDlgItem(IDC_OVERVIEW_DECK), right - kDeckBoxWidth, kMargin - 2, kDeckBoxWidth, kDeckBoxDrop, TRUE);
    right -= kDeckBoxWidth + kMargin;
    ::MoveWindow(GetDlgItem(IDC_OVERVIEW_NOTE), noteLeft, kMargin + 3, std::max(0, right - noteLeft),
                 kToolbarHeight - 6, TRUE);
    const int listTop = kMargin * 2 + kToolbarHeight - 4;
    ::MoveWindow(list_.m_hWnd, kMargin, listTop, std::max(0, width - 2 * kMargin),
                 std::max(0, height - listTop - kMargin), TRUE);
    SizeCards();
}

void CSchemeOverviewDlg::SizeCards()
{
    if (list_.m_hWnd == nullptr)
        return;
    // The width the cards share, the vertical scroll bar's always set aside
    // so that its coming and going does not move them.
    const RECT client = list_.GetClientRect();
    const bool scrollBar = (::GetWindowLongW(list_.m_hWnd, GWL_STYLE) & WS_VSCROLL) != 0;
    const int width = std::max(1, static_cast<int>(client.right) - (scrollBar ? 0 : ::GetSystemMetrics(SM_CXVSCROLL)) - 2);
    const int chosen = kPictureWidths[step_];
    const int columns = std::max(1, width / (chosen + kCardMarginX));
    const int cell = width / columns;
    const int picture = std::max(kPictureWidths[0] / 2, std::min(cell - kCardMarginX, chosen + chosen / 5));
    const int cellWidth = std::max(cell, picture + kCardMarginX);
    if (picture != pictureWidth_) {
        pictureWidth_ = picture;
        thumbnails_.clear();
        roomShown_.clear();
        // An empty image list of the picture's size makes room for it above
        // the text; the cards are drawn by the window itself.
        CImageList images;
        images.Create(PictureSize().cx, PictureSize().cy, ILC_COLOR32, 0, 1);
        ListView_SetImageList(list_.m_hWnd, images.GetSafeHandle(), LVSIL_NORMAL);
        cardImages_ = std::move(images);
    }
    cellWidth_ = cellWidth;
    ListView_SetIconSpacing(list_.m_hWnd, CardSpacing().cx, CardSpacing().cy);
    // Icon view places the cards afresh for their size and the new width,
    // the selected one still in view.
    ListView_Arrange(list_.m_hWnd, LVA_DEFAULT);
    const int selected = ListView_GetNextItem(list_.m_hWnd, -1, LVNI_SELECTED);
    if (selected >= 0)
        ListView_EnsureVisible(list_.m_hWnd, selected, FALSE);
    list_.Invalidate(false);
}

void CSchemeOverviewDlg::Zoom(int steps)
{
    const int last = static_cast<int>(std::size(kPictureWidths)) - 1;
    const int step = std::clamp(step_ + steps, 0, last);
    if (step == step_)
        return;
    step_ = step;
    SizeCards();
}

void CSchemeOverviewDlg::CtrlWheel(int delta)
{
    wheelDelta_ += delta;
    const int steps = wheelDelta_ / WHEEL_DELTA;
    wheelDelta_ -= steps * WHEEL_DELTA;
    Zoom(steps);
}

LRESULT CALLBACK CSchemeOverviewDlg::ListProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR self)
{
    if (message == WM_MOUSEWHEEL && (GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) != 0) {
        reinterpret_cast<CSchemeOverviewDlg*>(self)->CtrlWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    }
    return ::DefSubclassProc(wnd, message, wParam, lParam);
}

// A wheel turned while another control has the focus comes here: Ctrl+wheel
// with the pointer over the list sizes the cards all the same.
LRESULT CSchemeOverviewDlg::OnMouseWheel(WPARAM wParam, LPARAM lParam)
{
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    const RECT list = list_.GetWindowRect();
    if ((GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) != 0 && ::PtInRect(&list, point))
        CtrlWheel(GET_WHEEL_DELTA_WPARAM(wParam));
    return 0;
}

// ---- Following the panel ---------------------------------------------------

void CSchemeOverviewDlg::ListChanged()
{
    captures_.StopRunning();
    mode_ = panel_.ShownList().mode;
    if (mode_ == ModeExpert)
        count_ = static_cast<int>(panel_.ShownList().matchIndices.size());
    else if (mode_ == ModeTexture)
        count_ = static_cast<int>(panel_.ShownList().textureNames.size());
    else
        count_ = 0;

    // Texture files are looked for as extraction finds them, then in the
    // panel's texture folder and the "map" folder beside the plug-in.
    GetAutoCadMapFolders(searchFolders_);
    if (!panel_.ShownList().textureFolder.empty())
        searchFolders_.push_back(WithoutTrailingBackslash(panel_.ShownList().textureFolder));
    searchFolders_.push_back(WithoutTrailingBackslash(CColorPanelDlg::DefaultTextureFolder()));
    foundMaps_.clear();

    // One item per card, its text asked for when shown; the list view
    // places them in rows for the window's width.
    quiet_ = true;
    FillCardList(list_.m_hWnd, count_);
    quiet_ = false;
    // The item on the model, or before anything was applied the index box's.
    if (panel_.ShownItem() >= 1 && panel_.ShownItem() <= count_)
        marked_ = panel_.ShownItem();
    else
        marked_ = count_ > 0 ? std::clamp(panel_.ShownList().itemIndex, 1, count_) : 0;
    roomNote_.clear();
    UpdateNote();
    list_.Invalidate();
}

void CSchemeOverviewDlg::LibraryChanged()
{
    thumbnails_.clear();
    roomViews_.clear();
    roomShown_.clear();
    cards_.clear();
    paints_.clear();
    painter_.Forget();
    ListChanged();
}

void CSchemeOverviewDlg::MarkCurrent(int number)
{
    // The panel has just put its own item on the model: that is what is
    // shown now, so captures stop without putting anything back.
    if (Capturing())
        captures_.Stop(false);
    marked_ = number >= 1 && number <= count_ ? number : 0;
    SelectQuietly(marked_);
    list_.Invalidate(false);
}

void CSchemeOverviewDlg::SelectQuietly(int number)
{
    quiet_ = true;
    ListView_SetItemState(list_.m_hWnd, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (number >= 1 && number <= count_) {
        ListView_SetItemState(list_.m_hWnd, number - 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list_.m_hWnd, number - 1, FALSE);
    }
    quiet_ = false;
}

std::string CSchemeOverviewDlg::NoteText() const
{
    if (count_ == 0) {
        if (mode_ == ModeCycle)
            return kCycleModeNote;
        return mode_ == ModeTexture ? kEmptyTextureNote : kEmptyExpertNote;
    }
    return roomNote_;
}

void CSchemeOverviewDlg::UpdateNote()
{
    const std::string note = NoteText();
    ::EnableWindow(GetDlgItem(IDC_OVERVIEW_EXPORT), mode_ == ModeExpert && count_ > 0 ? TRUE : FALSE);
    SetDlgItemText(IDC_OVERVIEW_NOTE, note);
    ::ShowWindow(GetDlgItem(IDC_OVERVIEW_NOTE), note.empty() ? SW_HIDE : SW_SHOW);
}

// ---- Cards -----------------------------------------------------------------

int CSchemeOverviewDlg::RecordOf(int number) const
{
    if (mode_ != ModeExpert || number < 1 || number > static_cast<int>(panel_.ShownList().matchIndices.size()))
        return -1;
    const int index = panel_.ShownList().matchIndices[static_cast<std::size_t>(number - 1)];
    return index >= 0 && index < panel_.ShownLibrary().GetCount() ? index : -1;
}

std::string CSchemeOverviewDlg::CardKey(int number) const
{
    if (mode_ == ModeExpert) {
        const int record = RecordOf(number);
        return record >= 0 ? MaterialsKey(panel_.ShownLibrary()[record]) : std::string();
    }
    if (mode_ == ModeTexture && number >= 1 && number <= static_cast<int>(panel_.ShownList().textureNames.size()))
        return "t" + panel_.ShownList().textureFolder + panel_.ShownList().textureNames[static_cast<std::size_t>(number - 1)];
    return std::string();
}

std::string CSchemeOverviewDlg::FindTexture(const std::string& storedName)
{
    auto found = foundMaps_.find(storedName);
    if (found == foundMaps_.end())
        found = foundMaps_.emplace(storedName, FindMapFile(storedName, searchFolders_)).first;
    return found->second;
}

std::optional<double> CSchemeOverviewDlg::TextureLrv(const std::string& storedName)
{
    const std::string path = FindTexture(storedName);
    if (path.empty())
        return std::nullopt;
    return TextureLightReflectance(path);
}

CSchemeOverviewDlg::Card CSchemeOverviewDlg::CardAt(int number)
{
    Card card;
    if (number < 1 || number > count_)
        return card;
    const int record = RecordOf(number);
    if (record >= 0) {
        const std::string key = CardKey(number);
        auto cached = cards_.find(key);
        if (cached == cards_.end()) {
            Card values;
            values.combination = true;
            values.lrv = CombinationLrvs(panel_.ShownLibrary()[record],
                                         [this](const std::string& name) { return TextureLrv(name); });
            cached = cards_.emplace(key, values).first;
        }
        card = cached->second;
        // Contrast only between the classes the room has: "—" for the others.
        const engine::RoomLrvs room = engine::WhereRoomHas(card.lrv, surfaceClasses);
        card.marks = engine::RoomContrastPairs(room);
        card.lrvLine = engine::RoomLrvLine(room);
        card.title = std::to_string(number) + " " + FieldString(panel_.ShownLibrary()[record].name);
        if (const PaintDeck* deck = ChosenDeck(*decks_)) {
            std::string line;
            if (!Utf8ToCp936(engine::PaintLine(*deck, PaintsAt(number)), line))
                line.clear();
            card.paintLine = line;
        }
    } else if (mode_ == ModeTexture) {
        card.title = std::to_string(number) + " " + panel_.ShownList().textureNames[static_cast<std::size_t>(number - 1)];
    }
    return card;
}

std::array<std::optional<engine::CardPaint>, 3> CSchemeOverviewDlg::PaintsAt(int number)
{
    const PaintDeck* deck = ChosenDeck(*decks_);
    const int record = RecordOf(number);
    if (deck == nullptr || record < 0)
        return {};
    const std::string key = CardKey(number);
    auto found = paints_.find(key);
    if (found != paints_.end())
        return found->second;
    if (!finder_ || finderDeck_ != deck) {
        finder_ = std::make_unique<PaintFinder>(*deck);
        finderDeck_ = deck;
    }
    const MaterialSlot (&slots)[3] = panel_.ShownLibrary()[record].materials;
    std::array<std::optional<engine::CardPaint>, 3> paints;
    paints[engine::CardCeiling] = engine::NearestPaint(*finder_, engine::SlotColour(slots[Ceiling]));
    paints[engine::CardWall] = engine::NearestPaint(*finder_, engine::SlotColour(slots[Wall]));
    paints[engine::CardFloor] = engine::NearestPaint(*finder_, engine::SlotColour(slots[Floor]));
    return paints_.emplace(key, paints).first->second;
}

bool CSchemeOverviewDlg::HasRoomView(int number) const
{
    const std::string key = CardKey(number);
    return RecordOf(number) >= 0 && roomViews_.count(key) != 0;
}

const Picture& CSchemeOverviewDlg::ThumbnailAt(int number)
{
    static const Picture none;
    const int record = RecordOf(number);
    const std::string key = CardKey(number);
    const SIZE size = PictureSize();
    if (record >= 0 && IsDlgButtonChecked(IDC_ROOM_VIEWS) == BST_CHECKED) {
        auto shown = roomShown_.find(key);
        if (shown != roomShown_.end())
            return shown->second;
        auto view = roomViews_.find(key);
        if (view != roomViews_.end())
            return roomShown_.emplace(key, CThumbnailPainter::Scaled(view->second, size.cx, size.cy)).first->second;
    }
    if (key.empty())
        return none;
    auto cached = thumbnails_.find(key);
    if (cached != thumbnails_.end())
        return cached->second;
    Picture picture;
    if (record >= 0) {
        const CombinationRecord& combination = panel_.ShownLibrary()[record];
        std::string found[3];
        for (int slot = 0; slot < 3; ++slot) {
            const std::string map = FieldString(combination.materials[slot].mapFile[0]);
            if (!map.empty())
                found[slot] = FindTexture(map);
        }
        picture = painter_.Bands(combination.materials, found, size.cx, size.cy);
    } else {
        picture = painter_.TextureCard(panel_.ShownList().textureFolder + panel_.ShownList().textureNames[static_cast<std::size_t>(number - 1)],
                                       size.cx, size.cy);
    }
    return thumbnails_.emplace(key, std::move(picture)).first->second;
}

LRESULT CSchemeOverviewDlg::OnGetDispInfo(NMHDR* header)
{
    return AnswerCardDispInfo(header, [this](int number) { return CardAt(number).title; });
}

LRESULT CSchemeOverviewDlg::OnItemChanged(NMHDR* header)
{
    const int number = quiet_ ? 0 : CardSelectedBy(header);
    if (number > 0)
        panel_.ApplyListItem(number);
    return 0;
}

LRESULT CSchemeOverviewDlg::OnCustomDraw(NMHDR* header)
{
    return DrawCardItems(header, [this](HDC dc, int number, const RECT& bounds, bool selected) {
        DrawCardFace(dc, bounds, ThumbnailAt(number), PictureSize(), CardAt(number), selected, number == marked_,
                     textFont_);
    });
}

void CSchemeOverviewDlg::DrawCardFace(HDC dc, const RECT& bounds, const Picture& thumbnail, SIZE size,
                                      const Card& card, bool selected, bool marked, HFONT textFont)
{
    CDC out(dc);
    out.FillSolidRect(bounds, ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const int x = bounds.left + (bounds.right - bounds.left - size.cx) / 2;
    const int y = bounds.top + 5;
    DrawPicture(dc, x, y, thumbnail);
    const RECT picture{x, y, x + size.cx, y + size.cy};
    if (marked) {
        for (int ring = 1; ring <= 3; ++ring) {
            const RECT frame{picture.left - ring, picture.top - ring, picture.right + ring, picture.bottom + ring};
            out.Draw3dRect(frame, kMarkColour, kMarkColour);
        }
    } else {
        const RECT frame{picture.left - 1, picture.top - 1, picture.right + 1, picture.bottom + 1};
        out.Draw3dRect(frame, ::GetSysColor(COLOR_3DSHADOW), ::GetSysColor(COLOR_3DSHADOW));
    }

    CSelectGuard font(dc, textFont);
    out.SetBkMode(TRANSPARENT);
    const COLORREF text = ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    out.SetTextColor(text);
    RECT title{bounds.left + 2, picture.bottom + 4, bounds.right - 2, picture.bottom + 4 + kTextLine};
    out.DrawText(card.title, title, DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    if (!card.combination)
        return;

    // "LRV c/w/f": the values of a pair closer than the guidance are red and
    // underlined, each pair by its own mark.
    const engine::RoomLrvs room = engine::WhereRoomHas(card.lrv, surfaceClasses);
    const std::string values[3] = {engine::RoomLrvText(room.ceiling), engine::RoomLrvText(room.wall),
                                   engine::RoomLrvText(room.floor)};
    const std::string pieces[6] = {"LRV ", values[0], "/", values[1], "/", values[2]};
    int width = 0;
    int widths[6];
    for (int i = 0; i < 6; ++i) {
        widths[i] = out.GetTextExtent(pieces[i]).cx;
        width += widths[i];
    }
    int left = bounds.left + (bounds.right - bounds.left - width) / 2;
    const int top = title.bottom;
    const MarkSpans spans = LrvMarkSpans(left, widths);
    for (int i = 0; i < 6; ++i) {
        const bool low = (i == 1 && card.marks.ceilingWall) || (i == 3 && (card.marks.ceilingWall || card.marks.wallFloor)) ||
                         (i == 5 && card.marks.wallFloor);
        out.SetTextColor(low ? kLowContrastColour : text);
        out.TextOut(left, top, pieces[i]);
        left += widths[i];
    }
    const int underline = top + kTextLine - 1;
    if (card.marks.ceilingWall)
        out.FillSolidRect(RECT{spans.ceilingWall.left, underline, spans.ceilingWall.right, underline + 2},
                          kLowContrastColour);
    if (card.marks.wallFloor)
        out.FillSolidRect(RECT{spans.wallFloor.left, underline, spans.wallFloor.right, underline + 2},
                          kLowContrastColour);
    if (!card.paintLine.empty()) {
        out.SetTextColor(text);
        RECT paints{bounds.left + 2, top + kTextLine, bounds.right - 2, top + 2 * kTextLine};
        out.DrawText(card.paintLine, paints, DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
}

CSchemeOverviewDlg::MarkSpans CSchemeOverviewDlg::LrvMarkSpans(int x, const int (&widths)[6])
{
    int starts[6];
    for (int i = 0; i < 6; ++i) {
        starts[i] = x;
        x += widths[i];
    }
    // The wall figure is shared: split at its middle, a pixel of gap on each
    // side, so the two marks never meet however narrow the figure.
    const int middle = starts[3] + widths[3] / 2;
    MarkSpans spans;
    spans.ceilingWall = {starts[1], std::max(starts[1] + 1, middle - 1)};
    spans.wallFloor = {std::max(spans.ceilingWall.right + 2, middle + 1), std::max(x, middle + 2)};
    return spans;
}

// ---- Paint decks and the page for the client ------------------------------------

void CSchemeOverviewDlg::OnDeckChanged()
{
    TakeDeckBoxChoice(GetDlgItem(IDC_OVERVIEW_DECK), *decks_);
    paints_.clear();
    SizeCards();
}

bool CSchemeOverviewDlg::ExportClientPage(const std::string& path)
{
    std::vector<ClientCard> cards;
    const PaintDeck* deck = ChosenDeck(*decks_);
    const std::string group = Cp936ToUtf8OrAsIs(panel_.ShownList().spaceType);
    for (int number = 1; number <= count_; ++number) {
        const int record = RecordOf(number);
        if (record < 0)
            continue;
        const CombinationRecord& combination = panel_.ShownLibrary()[record];
        const Card card = CardAt(number);
        const std::array<Rgb, 3> colours = {engine::SlotColour(combination.materials[Ceiling]),
                                            engine::SlotColour(combination.materials[Wall]),
                                            engine::SlotColour(combination.materials[Floor])};
        const auto view = roomViews_.find(CardKey(number));
        ClientCard page = engine::ClientCardOf(
            Cp936ToUtf8OrAsIs(FieldString(combination.name)),
            Cp936ToUtf8OrAsIs(FieldString(combination.shortDescription)), colours,
            {card.lrv.ceiling, card.lrv.wall, card.lrv.floor}, deck, PaintsAt(number),
            view != roomViews_.end() ? PicturePng(view->second) : std::string());
        page.group = group;
        cards.push_back(std::move(page));
    }
    std::ofstream out(fw::Widen(path).c_str(), std::ios::binary | std::ios::trunc);
    out << WriteClientPage(Cp936ToUtf8OrAsIs(kCaption), cards);
    out.close();
    return !out.fail();
}

// Asks where the page goes (the framework's file dialog) and writes it.
bool SaveClientPage(HWND owner, const std::string& initialName, const std::function<bool(const std::string&)>& write)
{
    fw::FileDialogRequest request;
    request.save = true;
    request.owner = owner;
    request.filter = "网页 (*.htm)|*.htm|";
    request.defaultExtension = "htm";
    request.initialFile = initialName;
    request.flags = OFN_OVERWRITEPROMPT;
    std::string path;
    if (!fw::ShowFileDialog(request, path))
        return false;
    if (write(path))
        return true;
    fw::ShowMessageBox(fw::ReplacePlaceholder(CSchemeOverviewDlg::kExportFailedFormat, path), MB_OK | MB_ICONWARNING,
                       std::string(), owner);
    return false;
}

void CSchemeOverviewDlg::OnExport()
{
    SaveClientPage(m_hWnd, "方案展示.htm", [this](const std::string& path) { return ExportClientPage(path); });
}

// ---- Room views --------------------------------------------------------------

void CSchemeOverviewDlg::OnRoomViewsClicked()
{
    if (IsDlgButtonChecked(IDC_ROOM_VIEWS) == BST_CHECKED) {
        StartCaptures();
    } else {
        captures_.Stop(true);
        roomViews_.clear();
        roomShown_.clear();
        roomNote_.clear();
        UpdateNote();
        list_.Invalidate(false);
    }
}

void CSchemeOverviewDlg::StartCaptures()
{
    captures_.Stop(true);
    roomNote_.clear();
    if (mode_ != ModeExpert || count_ == 0) {
        UpdateNote();
        return;
    }
    const HWND view = HostView();
    if (surfaceClasses.empty())
        roomNote_ = kRoomViewsNeedClassesNote;
    else if (view == nullptr)
        roomNote_ = kRoomViewsNeedViewNote;
    UpdateNote();
    if (roomNote_.empty())
        captures_.Start(list_.m_hWnd, CardsInView(list_.m_hWnd, count_));
}

// Room views are kept by the card's key at the largest card size.
void CSchemeOverviewDlg::OnCaptureTick(UINT_PTR id)
{
    captures_.Tick(
        id,
        [this](int number, MaterialSlot (&slots)[3]) {
            const int record = RecordOf(number);
            if (record < 0)
                return false;
            std::copy_n(panel_.ShownLibrary()[record].materials, 3, slots);
            return true;
        },
        [this](int number, const Picture& shot) {
            const std::string key = CardKey(number);
            const int width = std::min(shot.width, kKeptViewWidth);
            roomViews_[key] = CThumbnailPainter::Scaled(shot, width, CThumbnailPainter::HeightFor(width));
            roomShown_.erase(key);
        });
}
