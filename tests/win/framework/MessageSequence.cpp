#include "MessageSequence.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

thread_local MessageSequence* t_recorder = nullptr;

std::map<UINT, std::string>& Names()
{
    static std::map<UINT, std::string> names{
        {WM_ENABLE, "WM_ENABLE"},     {WM_DESTROY, "WM_DESTROY"}, {WM_NCDESTROY, "WM_NCDESTROY"},
        {WM_NOTIFY, "WM_NOTIFY"},     {WM_COMMAND, "WM_COMMAND"}, {WM_CLOSE, "WM_CLOSE"},
        {WM_APP, "WM_APP"},           {WM_APP + 1, "WM_APP+1"},
    };
    return names;
}

std::string Describe(const char* window, UINT message, bool returned, bool showWParam, WPARAM wParam,
                     bool showResult, LONG_PTR msgResult)
{
    const auto found = Names().find(message);
    char number[16];
    std::snprintf(number, sizeof number, "0x%04X", message);
    std::string text = std::string(window) + " " + (found != Names().end() ? found->second : number);
    if (returned) text += " returned";
    if (showWParam) text += " wParam " + std::to_string(wParam);
    if (showResult) text += " DWLP_MSGRESULT " + std::to_string(msgResult);
    return text;
}

}  // namespace

MessageSequence::MessageSequence() : previous_(t_recorder)
{
    t_recorder = this;
    callHook_ = SetWindowsHookExW(WH_CALLWNDPROC, CallHook, nullptr, GetCurrentThreadId());
    returnHook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, ReturnHook, nullptr, GetCurrentThreadId());
}

MessageSequence::~MessageSequence()
{
    UnhookWindowsHookEx(callHook_);
    UnhookWindowsHookEx(returnHook_);
    t_recorder = previous_;
}

void MessageSequence::Watch(HWND wnd, const char* name, std::vector<UINT> messages, bool returns)
{
    watched_.push_back({wnd, name, std::move(messages), returns});
}

void MessageSequence::Mark(const char* window, UINT mark)
{
    recorded_.push_back({window, mark, false, 0, 0});
}

void MessageSequence::NameMark(UINT mark, const char* name)
{
    Names()[mark] = name;
}

LRESULT CALLBACK MessageSequence::CallHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && t_recorder) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        t_recorder->Note(call->hwnd, call->message, call->wParam, false);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK MessageSequence::ReturnHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && t_recorder) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        t_recorder->Note(call->hwnd, call->message, call->wParam, true);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageSequence::Note(HWND wnd, UINT message, WPARAM wParam, bool returned)
{
    for (const Watched& w : watched_) {
        if (w.wnd != wnd || (returned && !w.returns)) continue;
        if (std::find(w.messages.begin(), w.messages.end(), message) == w.messages.end()) continue;
        const LONG_PTR msgResult = returned && IsWindow(wnd) ? GetWindowLongPtrW(wnd, DWLP_MSGRESULT) : 0;
        recorded_.push_back({w.name, message, returned, wParam, msgResult});
    }
}

std::string MessageSequence::Compare(const std::vector<ExpectedMessage>& expected) const
{
    std::vector<std::pair<std::string, std::string>> rows;
    bool differs = false;
    std::size_t e = 0, r = 0;
    while (e < expected.size() || r < recorded_.size()) {
        const ExpectedMessage* want = e < expected.size() ? &expected[e] : nullptr;
        const Recorded* got = r < recorded_.size() ? &recorded_[r] : nullptr;
        const bool matches = want && got && got->window == want->window && got->message == want->message &&
                             got->returned == ((want->flags & kReturned) != 0) &&
                             (!(want->flags & kWParam) || got->wParam == static_cast<WPARAM>(want->value)) &&
                             (!(want->flags & kMsgResult) || got->msgResult == want->value);
        if (!matches && want && (want->flags & kOptional)) {
            ++e;
            continue;
        }
        std::string left, right;
        if (want)
            left = Describe(want->window, want->message, want->flags & kReturned, want->flags & kWParam,
                            static_cast<WPARAM>(want->value), want->flags & kMsgResult, want->value);
        if (got)
            right = Describe(got->window.c_str(), got->message, got->returned,
                             want && (want->flags & kWParam) && got->message == want->message, got->wParam,
                             want && (want->flags & kMsgResult) && got->message == want->message, got->msgResult);
        rows.emplace_back((matches ? "  " : "! ") + left, right);
        differs = differs || !matches;
        if (want) ++e;
        if (got) ++r;
    }
    if (!differs) return std::string();
    std::string text = "expected | recorded\n";
    for (const auto& [left, right] : rows)
        text += left + std::string(left.size() < 48 ? 48 - left.size() : 1, ' ') + "| " + right + "\n";
    return text;
}
