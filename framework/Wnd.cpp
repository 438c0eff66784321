#include "Wnd.h"

#include "Guard.h"
#include "Text.h"
#include "WinApp.h"

#include <commctrl.h>

#include <utility>

namespace {

// Identifies this framework's subclass among others on the same window. The
// subclass procedure's address differs between two copies of the framework
// in one process (say two plug-ins), so each finds only its own objects.
constexpr UINT_PTR kSubclassId = 0x54470001;

// Per thread: the message hook that gives framework windows pre-translation
// when someone else (the host) runs the message loop.
struct ThreadState {
    HHOOK hook = nullptr;
    int windows = 0;        // bound windows on this thread
    bool ownLoop = false;   // a framework loop is fetching the message and pre-translates itself
    int frames = 0;         // framework window procedures running (nested) on this thread
};
thread_local ThreadState t_state;
// Objects unbound by WM_NCDESTROY whose PostNcDestroy is still to run,
// linked through CWnd::nextFinished_ (plain pointers: nothing to destroy at
// thread exit).
thread_local CWnd* t_finished = nullptr;

// Whether a menu (the system menu, a context menu) is tracking on this
// thread. Its loop handles a key first and removes it afterwards: given to
// pre-translation as well, the Escape that closed the menu would close the
// dialog too.
bool InMenuLoop()
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetCurrentThreadId(), &info) && (info.flags & GUI_INMENUMODE) != 0;
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == PM_REMOVE && !t_state.ownLoop && !InMenuLoop()) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        // Nothing may escape into the host's message loop.
        fw::GuardedQuietly("message hook, pre-translation", [msg] {
            if (fw::PreTranslate(msg)) {
                // Swallowed: the host's loop dispatches a harmless WM_NULL instead.
                msg->message = WM_NULL;
                msg->wParam = 0;
                msg->lParam = 0;
            }
        });
    }
    return CallNextHookEx(t_state.hook, code, wParam, lParam);
}

void WindowBound()
{
    ++t_state.windows;
    if (!t_state.hook)
        t_state.hook = SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId());
}

void WindowUnbound()
{
    if (--t_state.windows == 0 && t_state.hook) {
        UnhookWindowsHookEx(t_state.hook);
        t_state.hook = nullptr;
    }
}

// PeekMessage with the hook stepping aside: the caller pre-translates.
bool PeekOwn(MSG& msg)
{
    t_state.ownLoop = true;
    const BOOL got = PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
    t_state.ownLoop = false;
    return got != FALSE;
}

}  // namespace

CWnd::~CWnd()
{
    // Gone before its PostNcDestroy was due (a dialog on the stack of a handler).
    if (finishing_) {
        for (CWnd** link = &t_finished; *link; link = &(*link)->nextFinished_) {
            if (*link == this) {
                *link = nextFinished_;
                break;
            }
        }
    }
    if (bound_) {
        const HWND wnd = m_hWnd;
        const bool destroy = createdHere_;
        Unbind();
        if (destroy && IsWindow(wnd)) ::DestroyWindow(wnd);
    }
}

// The import address table's slot of SetWindowSubclass: the loader put
// there the address of the comctl32 our imports were bound to.
extern "C" FARPROC __imp_SetWindowSubclass;

namespace {
// comctl32 exports GetWindowSubclass by ordinal only (411), so the import
// libraries do not know it by name. It is taken from the comctl32 that
// SetWindowSubclass came from, which holds our subclasses: the DLL's
// manifest binds its imports to version 6, and GetModuleHandle would look
// the name up through the caller's activation context, the host's, which
// may name another comctl32 or one not loaded (in walkhost it found none,
// so no window was ever found from its handle there).
using GetWindowSubclassFunction = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR*);
GetWindowSubclassFunction GetWindowSubclassEntry()
{
    static const GetWindowSubclassFunction entry = [] {
        HMODULE comctl = nullptr;
        if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                reinterpret_cast<LPCWSTR>(__imp_SetWindowSubclass), &comctl))
            comctl = nullptr;
        const FARPROC proc = comctl ? GetProcAddress(comctl, MAKEINTRESOURCEA(411)) : nullptr;
        return reinterpret_cast<GetWindowSubclassFunction>(reinterpret_cast<void (*)()>(proc));
    }();
    return entry;
}
}  // namespace

CWnd* CWnd::FromHandle(HWND wnd)
{
    DWORD_PTR refData = 0;
    const GetWindowSubclassFunction getSubclass = GetWindowSubclassEntry();
    if (wnd && getSubclass && getSubclass(wnd, SubclassProc, kSubclassId, &refData))
        return reinterpret_cast<CWnd*>(refData);
    return nullptr;
}

bool CWnd::Attach(HWND wnd)
{
    if (m_hWnd || !wnd) return false;
    m_hWnd = wnd;
    return true;
}

HWND CWnd::Detach()
{
    if (bound_) return UnsubclassWindow();
    const HWND wnd = m_hWnd;
    m_hWnd = nullptr;
    return wnd;
}

bool CWnd::Bind(HWND wnd)
{
    if (!wnd || bound_ || (m_hWnd && m_hWnd != wnd) || FromHandle(wnd)) return false;
    if (!SetWindowSubclass(wnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    m_hWnd = wnd;
    bound_ = true;
    WindowBound();
    return true;
}

void CWnd::Unbind()
{
    if (!bound_) return;
    RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
    bound_ = false;
    createdHere_ = false;
    m_hWnd = nullptr;
    WindowUnbound();
}

bool CWnd::Subclass(HWND wnd)
{
    return Bind(wnd);
}

bool CWnd::SubclassDlgItem(int id, HWND parent)
{
    return Bind(::GetDlgItem(parent, id));
}

HWND CWnd::UnsubclassWindow()
{
    const HWND wnd = m_hWnd;
    Unbind();
    return wnd;
}

bool CWnd::CreateEx(DWORD exStyle, std::string_view className, std::string_view text, DWORD style,
                    const RECT& rect, HWND parent, UINT id, void* param)
{
    if (m_hWnd) return false;
    const HMENU menuOrId = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    const HWND wnd = CreateWindowExW(exStyle, fw::Widen(className).c_str(), fw::Widen(text).c_str(), style, rect.left,
                                     rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, menuOrId,
                                     fw::ModuleInstance(), param);
    if (!wnd) return false;
    if (!Bind(wnd)) {
        ::DestroyWindow(wnd);
        return false;
    }
    createdHere_ = true;
    return true;
}

bool CWnd::DestroyWindow()
{
    if (!m_hWnd) return false;
    if (!bound_) {
        const HWND wnd = m_hWnd;
        m_hWnd = nullptr;
        return ::DestroyWindow(wnd) != FALSE;
    }
    // WM_NCDESTROY unbinds the object (and may end its life in PostNcDestroy).
    return ::DestroyWindow(m_hWnd) != FALSE;
}

bool CWnd::RegisterWindowClass(std::string_view className, UINT style, HCURSOR cursor, HBRUSH background)
{
    const std::wstring name = fw::Widen(className);
    const HINSTANCE instance = fw::ModuleInstance();
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, name.c_str(), &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = name.c_str();
    return RegisterClassExW(&wc) != 0;
}

std::string CWnd::GetWindowText() const
{
    return fw::GetText(m_hWnd);
}

void CWnd::SetWindowText(std::string_view text)
{
    fw::SetText(m_hWnd, text);
}

std::string CWnd::GetDlgItemText(int id) const
{
    return fw::GetText(::GetDlgItem(m_hWnd, id));
}

void CWnd::SetDlgItemText(int id, std::string_view text)
{
    fw::SetText(::GetDlgItem(m_hWnd, id), text);
}

RECT CWnd::GetClientRect() const
{
    RECT rect{};
    ::GetClientRect(m_hWnd, &rect);
    return rect;
}

RECT CWnd::GetWindowRect() const
{
    RECT rect{};
    ::GetWindowRect(m_hWnd, &rect);
    return rect;
}

bool CWnd::MoveWindow(int x, int y, int width, int height, bool repaint)
{
    return ::MoveWindow(m_hWnd, x, y, width, height, repaint ? TRUE : FALSE) != FALSE;
}

bool CWnd::SetWindowPos(HWND insertAfter, int x, int y, int width, int height, UINT flags)
{
    return ::SetWindowPos(m_hWnd, insertAfter, x, y, width, height, flags) != FALSE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

bool CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessageW(m_hWnd, message, wParam, lParam) != FALSE;
}

LRESULT CWnd::SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendDlgItemMessageW(m_hWnd, id, message, wParam, lParam);
}

void CWnd::CenterWindow()
{
    RECT area;
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
        ::GetWindowRect(owner, &area);
    } else {
        HWND active = ::GetForegroundWindow();
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (!::GetMonitorInfoW(::MonitorFromWindow(active ? active : m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor))
            return;
        area = monitor.rcWork;
    }
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    // Never off the top-left of the area: the caption stays reachable.
    if (x < area.left)
        x = area.left;
    if (y < area.top)
        y = area.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWnd::Default()
{
    if (!current_ || !m_hWnd) return 0;
    return DefSubclassProc(m_hWnd, current_->message, current_->wParam, current_->lParam);
}

bool CWnd::PreTranslateMessage(MSG*)
{
    return false;
}

const MessageMap& CWnd::GetMessageMap() const
{
    static const MessageMap map({});
    return map;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (RouteMessage(message, wParam, lParam, result)) return result;
    return Default();
}

bool CWnd::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // A control's own notification goes back to its object first.
    HWND child = nullptr;
    if (message == WM_COMMAND && lParam)
        child = reinterpret_cast<HWND>(lParam);
    else if (message == WM_NOTIFY && lParam)
        child = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    if (child && child != m_hWnd) {
        CWnd* object = FromHandle(child);
        if (object && object->OnChildNotify(message, wParam, lParam, result)) return true;
    }
    return DispatchToTable(message, wParam, lParam, result);
}

bool CWnd::DispatchToTable(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const MessageMap& map = GetMessageMap();
    if (message == WM_COMMAND) {
        if (map.Dispatch(*this, MessageKind::Command, message, LOWORD(wParam), HIWORD(wParam), lParam != 0, wParam,
                         lParam, result))
            return true;
    } else if (message == WM_NOTIFY && lParam) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (map.Dispatch(*this, MessageKind::Notify, message, static_cast<UINT>(header->idFrom), header->code, true,
                         wParam, lParam, result))
            return true;
    }
    return map.Dispatch(*this, MessageKind::Message, message, 0, 0, false, wParam, lParam, result);
}

bool CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const MessageMap& map = GetMessageMap();
    if (message == WM_COMMAND)
        return map.Dispatch(*this, MessageKind::ReflectedCommand, message, LOWORD(wParam), HIWORD(wParam), true,
                            wParam, lParam, result);
    if (message == WM_NOTIFY) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        return map.Dispatch(*this, MessageKind::ReflectedNotify, message, static_cast<UINT>(header->idFrom),
                            header->code, true, wParam, lParam, result);
    }
    return false;
}

LRESULT CALLBACK CWnd::SubclassProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR refData)
{
    CWnd* self = reinterpret_cast<CWnd*>(refData);
    const CurrentMessage current{message, wParam, lParam};
    const CurrentMessage* outer = self->current_;
    self->current_ = &current;
    ++t_state.frames;
    // A loop run by a handler (a message box, a modal dialog) is not the
    // loop that was fetching: its messages get pre-translated again.
    const bool ownLoop = std::exchange(t_state.ownLoop, false);
    // The caller is Windows (or the host's DispatchMessage): no exception may
    // pass. A failed message counts as handled with result 0.
    LRESULT result = 0;
    fw::GuardedMessage(wnd, message, wParam, lParam, [&] { result = self->WindowProc(message, wParam, lParam); });
    self->current_ = outer;
    t_state.ownLoop = ownLoop;
    if (message == WM_NCDESTROY && self->m_hWnd == wnd) {
        self->Unbind();
        if (!self->finishing_ && !self->creating_) {
            self->finishing_ = true;
            self->nextFinished_ = t_finished;
            t_finished = self;
        }
    }
    // PostNcDestroy may delete an object, so it waits until no framework
    // window procedure is running on the thread: a handler that destroyed its
    // own window (or its parent) still runs on a live object.
    if (--t_state.frames == 0) {
        while (CWnd* done = t_finished) {
            t_finished = done->nextFinished_;
            done->finishing_ = false;
            done->nextFinished_ = nullptr;
            fw::GuardedQuietly("PostNcDestroy", [done] { done->PostNcDestroy(); });
        }
    }
    return result;
}

namespace fw {

bool PreTranslate(MSG* msg)
{
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return false;
    for (HWND wnd = msg->hwnd; wnd;) {
        if (CWnd* object = CWnd::FromHandle(wnd)) {
            if (object->PreTranslateMessage(msg)) return true;
        }
        if (!(GetWindowLongPtrW(wnd, GWL_STYLE) & WS_CHILD)) break;
        wnd = ::GetParent(wnd);
    }
    return false;
}

bool MessageHookInstalled()
{
    return t_state.hook != nullptr;
}

namespace detail {

bool PeekForOwnLoop(MSG& msg)
{
    return PeekOwn(msg);
}

void RemoveMessageHook()
{
    if (t_state.hook) UnhookWindowsHookEx(t_state.hook);
    t_state.hook = nullptr;
}

bool PumpOnce(DWORD waitMs)
{
    MsgWaitForMultipleObjectsEx(0, nullptr, waitMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    bool any = false;
    MSG msg;
    while (PeekOwn(msg)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        any = true;
        if (!PreTranslate(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return any;
}

}  // namespace detail

void PumpMessages()
{
    detail::PumpOnce(0);
}

}  // namespace fw
