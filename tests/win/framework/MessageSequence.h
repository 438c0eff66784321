// A recorder of window messages checked against expected sequences: the
// thread's WH_CALLWNDPROC and WH_CALLWNDPROCRET hooks note the chosen
// messages of the watched windows (and their return), tests add marks of
// their own, and Compare lists expected beside recorded where they differ.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum SequenceFlags : unsigned {
    kWParam = 1,     // wParam must equal value
    kReturned = 2,   // the window procedure returned (WH_CALLWNDPROCRET)
    kMsgResult = 4,  // with kReturned: DWLP_MSGRESULT must equal value then
    kOptional = 8,   // may be missing
};

struct ExpectedMessage {
    const char* window;
    UINT message;  // a window message or a test's mark
    unsigned flags;
    LONG_PTR value;
};

class MessageSequence {
public:
    MessageSequence();
    ~MessageSequence();
    MessageSequence(const MessageSequence&) = delete;
    MessageSequence& operator=(const MessageSequence&) = delete;

    // Records messages to wnd, under name; with returns, their return too.
    void Watch(HWND wnd, const char* name, std::vector<UINT> messages, bool returns = false);
    // Records an event of the test's own (a mark number above 0xFFFF, named).
    void Mark(const char* window, UINT mark);
    static void NameMark(UINT mark, const char* name);

    // Empty when the recorded sequence is the expected one; otherwise the
    // two, side by side, differences marked with '!'.
    std::string Compare(const std::vector<ExpectedMessage>& expected) const;

private:
    struct Watched {
        HWND wnd;
        std::string name;
        std::vector<UINT> messages;
        bool returns;
    };
    struct Recorded {
        std::string window;
        UINT message;
        bool returned;
        WPARAM wParam;
        LONG_PTR msgResult;
    };
    static LRESULT CALLBACK CallHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ReturnHook(int code, WPARAM wParam, LPARAM lParam);
    void Note(HWND wnd, UINT message, WPARAM wParam, bool returned);

    std::vector<Watched> watched_;
    std::vector<Recorded> recorded_;
    HHOOK callHook_ = nullptr;
    HHOOK returnHook_ = nullptr;
    MessageSequence* previous_ = nullptr;
};
