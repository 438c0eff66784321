// Messages recorded in order and compared with an expected table: the
// thread's WH_CALLWNDPROC and WH_CALLWNDPROCRET hooks note the chosen
// messages of the watched windows (and, if asked, their return); a test adds
// marks of its own. Compare lists expected beside recorded, '!' where they differ.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

enum SequenceFlags : unsigned {
    kWParam = 1,     // wParam equals value
    kReturned = 2,   // the window procedure returned
    kMsgResult = 4,  // with kReturned: DWLP_MSGRESULT equals value
};

// A test's own event, named by the entry's window field.
constexpr UINT kMark = 0x10000;

struct ExpectedMessage {
    const char* window;
    UINT message;
    unsigned flags;
    LONG_PTR value;
};

class MessageSequence {
public:
    MessageSequence()
    {
        Current() = this;
        hooks_[0] = SetWindowsHookExW(WH_CALLWNDPROC, &Hook<false>, nullptr, GetCurrentThreadId());
        hooks_[1] = SetWindowsHookExW(WH_CALLWNDPROCRET, &Hook<true>, nullptr, GetCurrentThreadId());
    }
    ~MessageSequence()
    {
        for (HHOOK hook : hooks_) UnhookWindowsHookEx(hook);
        Current() = nullptr;
    }

    void Watch(HWND wnd, const char* name, std::vector<UINT> messages, bool returns = false)
    {
        watched_.push_back({wnd, name, std::move(messages), returns});
    }
    void Mark(const char* event)
    {
        recorded_.push_back({event, kMark, 0, 0});
        results_.push_back(0);
    }

    std::string Compare(const std::vector<ExpectedMessage>& expected) const
    {
        std::string table;
        bool differs = false;
        for (std::size_t i = 0; i < std::max(expected.size(), recorded_.size()); ++i) {
            const std::string want = i < expected.size() ? Describe(expected[i]) : std::string();
            // Recorded with the expected entry's flags, so wParam and results show where asked.
            std::string got;
            if (i < recorded_.size()) {
                ExpectedMessage r = recorded_[i];
                r.flags = (r.flags & kReturned) | (i < expected.size() ? expected[i].flags & ~kReturned : 0);
                if (r.flags & kMsgResult) r.value = results_[i];
                got = Describe(r);
            }
            differs = differs || want != got;
            table += (want == got ? "  " : "! ") + want + std::string(want.size() < 46 ? 46 - want.size() : 1, ' ') +
                     "| " + got + "\n";
        }
        return differs ? "expected | recorded\n" + table : std::string();
    }

private:
    struct Watched {
        HWND wnd;
        const char* name;
        std::vector<UINT> messages;
        bool returns;
    };
    static MessageSequence*& Current()
    {
        static thread_local MessageSequence* current = nullptr;
        return current;
    }
    template <bool returned>
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        MessageSequence* self = Current();
        if (code == HC_ACTION && self) {
            const auto* call = reinterpret_cast<const std::conditional_t<returned, CWPRETSTRUCT, CWPSTRUCT>*>(lParam);
            for (const Watched& w : self->watched_) {
                if (w.wnd != call->hwnd || (returned && !w.returns) ||
                    std::find(w.messages.begin(), w.messages.end(), call->message) == w.messages.end())
                    continue;
                self->recorded_.push_back({w.name, call->message, returned ? kReturned : 0u,
                                           static_cast<LONG_PTR>(call->wParam)});
                self->results_.resize(self->recorded_.size());
                if (returned && IsWindow(call->hwnd)) self->results_.back() = GetWindowLongPtrW(call->hwnd, DWLP_MSGRESULT);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static std::string Describe(const ExpectedMessage& m)
    {
        static const std::pair<UINT, const char*> names[] = {
            {WM_ENABLE, "WM_ENABLE"}, {WM_DESTROY, "WM_DESTROY"}, {WM_NCDESTROY, "WM_NCDESTROY"},
            {WM_NOTIFY, "WM_NOTIFY"}, {WM_APP, "WM_APP"}};
        if (m.message == kMark) return m.window;
        std::string text = std::string(m.window) + " " + std::to_string(m.message);
        for (const auto& [message, name] : names)
            if (message == m.message) text = std::string(m.window) + " " + name;
        if (m.flags & kReturned) text += " returned";
        if (m.flags & (kWParam | kMsgResult)) text += (m.flags & kWParam ? " wParam " : " DWLP_MSGRESULT ") + std::to_string(m.value);
        return text;
    }

    std::vector<Watched> watched_;
    std::vector<ExpectedMessage> recorded_;  // value: wParam
    std::vector<LONG_PTR> results_;          // DWLP_MSGRESULT at each return
    HHOOK hooks_[2] = {};
};
