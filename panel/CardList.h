// What the scheme overview and the suggestion window share of their card
// lists (list views in icon view, one item per card, cards numbered from 1,
// texts asked for when shown, cards drawn by the window) and of their room
// views ("实景"): the cards in view put on the classified room one a timer
// tick, the host's view captured into each, a progress bar while that runs.
// The windows keep their own message tables; their handlers call these.
#pragma once

#include "framework/Framework.h"
#include "panel/SchemeThumbnails.h"

#include <functional>
#include <string>
#include <vector>

// One item per card, texts and images asked for when shown.
void FillCardList(HWND list, int count);
// LVN_GETDISPINFOW: the card's title (code page 936), and no image (the
// window draws the picture).
LRESULT AnswerCardDispInfo(NMHDR* header, const std::function<std::string(int number)>& title);
// LVN_ITEMCHANGED: the card the change selected, 0 when it selected none.
int CardSelectedBy(const NMHDR* header);
// NM_CUSTOMDRAW: every card drawn by draw over its bounds, nothing by the
// list itself.
LRESULT DrawCardItems(NMHDR* header,
                      const std::function<void(HDC dc, int number, const RECT& bounds, bool selected)>& draw);
// The cards whose bounds meet the list's client area, in list order.
std::vector<int> CardsInView(HWND list, int count);
// Card number is drawn afresh.
void InvalidateCard(HWND list, int number);

// The room views of a window: its progress bar and timer, the cards still
// to capture, and the room's materials as they were before the first.
class CRoomViewQueue {
public:
    // progressId: the window's progress bar, shown while captures run;
    // timerId: the timer of the ticks; relayout: called when the progress
    // bar shows or hides, for a window that makes room for it (may be empty).
    CRoomViewQueue(CWnd& window, int progressId, UINT_PTR timerId, std::function<void()> relayout = {});

    bool Running() const { return running_; }
    // Starts capturing cards of list (numbers, in order), one a tick; false
    // when there is none or the room's materials could not be read.
    bool Start(HWND list, std::vector<int> cards);

    // What a tick asks of the window: the scheme of a card (false: the
    // card is passed over) and where a capture that drew something goes.
    using SlotsOf = std::function<bool(int number, MaterialSlot (&slots)[3])>;
    using Keep = std::function<void(int number, const Picture& shot)>;
    // A timer tick (other timers are left alone): the next card captured and
    // drawn afresh. The captures stop, writing nothing more, as soon as the
    // room no longer holds what the last one set (the host replaced its
    // model, perhaps in a modal loop of its own while a tick came).
    void Tick(UINT_PTR id, const SlotsOf& slotsOf, const Keep& keep);

    // Stops; restore puts the room's materials back as they were before the
    // first capture, unless the model under the captures changed.
    void Stop(bool restore);
    // Stops running captures, putting the room back; true when they ran.
    bool StopRunning();

private:
    CWnd& window_;
    int progressId_;
    UINT_PTR timerId_;
    std::function<void()> relayout_;
    HWND list_ = nullptr;
    RoomViewCapture capture_;
    std::vector<int> queue_;  // card numbers still to capture
    int total_ = 0;
    bool running_ = false;
};
