#include "CardList.h"

#include "panel/PanelToolWindow.h"
#include "panel/SchemeOverviewDlg.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

namespace {

bool CardBounds(HWND list, int item, RECT& bounds)
{
    bounds = RECT{};
    bounds.left = LVIR_BOUNDS;
    return ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&bounds)) != 0;
}

}  // namespace

void FillCardList(HWND list, int count)
{
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    ListView_SetItemCount(list, count);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.pszText = LPSTR_TEXTCALLBACKW;
    item.iImage = I_IMAGECALLBACK;
    for (int i = 0; i < count; ++i) {
        item.iItem = i;
        ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

LRESULT AnswerCardDispInfo(NMHDR* header, const std::function<std::string(int number)>& title)
{
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
    if ((info->item.mask & LVIF_TEXT) != 0 && info->item.pszText != nullptr && info->item.cchTextMax > 0) {
        const std::wstring text = fw::Widen(title(info->item.iItem + 1));
        const std::size_t length = std::min(text.size(), static_cast<std::size_t>(info->item.cchTextMax - 1));
        std::copy_n(text.begin(), length, info->item.pszText);
        info->item.pszText[length] = L'\0';
    }
    if ((info->item.mask & LVIF_IMAGE) != 0)
        info->item.iImage = -1;
    return 0;
}

int CardSelectedBy(const NMHDR* header)
{
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (change->iItem < 0 || (change->uChanged & LVIF_STATE) == 0)
        return 0;
    if ((change->uNewState & LVIS_SELECTED) != 0 && (change->uOldState & LVIS_SELECTED) == 0)
        return change->iItem + 1;
    return 0;
}

LRESULT DrawCardItems(NMHDR* header,
                      const std::function<void(HDC dc, int number, const RECT& bounds, bool selected)>& draw)
{
    auto* custom = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    switch (custom->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const HWND list = header->hwndFrom;
        const int item = static_cast<int>(custom->nmcd.dwItemSpec);
        RECT bounds{};
        if (!CardBounds(list, item, bounds))
            return CDRF_DODEFAULT;
        const bool selected = ListView_GetItemState(list, item, LVIS_SELECTED) != 0;
        draw(custom->nmcd.hdc, item + 1, bounds, selected);
        return CDRF_SKIPDEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

std::vector<int> CardsInView(HWND list, int count)
{
    RECT client{};
    ::GetClientRect(list, &client);
    std::vector<int> cards;
    for (int item = 0; item < count; ++item) {
        RECT bounds{}, visible{};
        if (CardBounds(list, item, bounds) && ::IntersectRect(&visible, &bounds, &client))
            cards.push_back(item + 1);
    }
    return cards;
}

void InvalidateCard(HWND list, int number)
{
    RECT bounds{};
    if (CardBounds(list, number - 1, bounds))
        ::InvalidateRect(list, &bounds, FALSE);
}

// ---- Room views --------------------------------------------------------------

CRoomViewQueue::CRoomViewQueue(CWnd& window, int progressId, UINT_PTR timerId, std::function<void()> relayout)
    : window_(window), progressId_(progressId), timerId_(timerId), relayout_(std::move(relayout))
{
}

bool CRoomViewQueue::Start(HWND list, std::vector<int> cards)
{
    if (cards.empty() || !capture_.Begin())
        return false;
    list_ = list;
    queue_ = std::move(cards);
    total_ = static_cast<int>(queue_.size());
    running_ = true;
    const HWND progress = window_.GetDlgItem(progressId_);
    ::SendMessageW(progress, PBM_SETRANGE32, 0, total_);
    ::SendMessageW(progress, PBM_SETPOS, 0, 0);
    ::ShowWindow(progress, SW_SHOW);
    if (relayout_)
        relayout_();
    window_.SetTimer(timerId_, CPanelToolWindow::kCaptureInterval);
    return true;
}

void CRoomViewQueue::Tick(UINT_PTR id, const SlotsOf& slotsOf, const Keep& keep)
{
    if (id != timerId_)
        return;
    if (!running_ || !capture_.ModelUnchanged()) {
        Stop(false);
        return;
    }
    if (queue_.empty()) {
        Stop(true);
        return;
    }
    const int number = queue_.front();
    queue_.erase(queue_.begin());
    const HWND view = CSchemeOverviewDlg::HostView();
    MaterialSlot slots[3] = {};
    if (view != nullptr && slotsOf(number, slots)) {
        Picture shot;
        capture_.Capture(slots, view, shot);
        // A blank capture keeps the card's bands.
        if (!shot.Empty())
            keep(number, shot);
        InvalidateCard(list_, number);
    }
    const int done = total_ - static_cast<int>(queue_.size());
    ::SendMessageW(window_.GetDlgItem(progressId_), PBM_SETPOS, static_cast<WPARAM>(done), 0);
    if (queue_.empty())
        Stop(true);
}

void CRoomViewQueue::Stop(bool restore)
{
    const bool windowAlive = window_.m_hWnd != nullptr;
    if (windowAlive)
        window_.KillTimer(timerId_);
    queue_.clear();
    capture_.End(running_ && restore);
    const bool wasRunning = running_;
    running_ = false;
    if (windowAlive && wasRunning) {
        ::ShowWindow(window_.GetDlgItem(progressId_), SW_HIDE);
        if (relayout_)
            relayout_();
    }
}

bool CRoomViewQueue::StopRunning()
{
    if (!running_)
        return false;
    Stop(true);
    return true;
}
