#include "Dialog.h"

#include "DataExchange.h"
#include "Guard.h"
#include "UiSeams.h"
#include "WinApp.h"

namespace {
// The dialog whose window CreateDialogParamW is making on this thread; its
// dialog procedure binds it at the first message it sees.
thread_local CDialog* t_creating = nullptr;
}  // namespace

CDialog::CDialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog()
{
    if (m_hWnd) {
        const HWND wnd = Detach();
        if (IsWindow(wnd)) ::DestroyWindow(wnd);
    }
}

HWND CDialog::CreateFromTemplate(UINT templateId, HWND parent)
{
    if (m_hWnd) return nullptr;
    templateId_ = templateId;
    parent_ = parent;
    CDialog* const outer = t_creating;
    t_creating = this;
    creating_ = true;
    const HWND wnd = CreateDialogParamW(fw::ResourceInstance(), MAKEINTRESOURCEW(templateId), parent, DialogProc,
                                        reinterpret_cast<LPARAM>(this));
    creating_ = false;
    t_creating = outer;
    return wnd;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND wnd, UINT message, WPARAM, LPARAM lParam)
{
    // Once bound, every message reaches the object through its subclass
    // before the dialog manager calls this procedure; nothing is left to do.
    CDialog* dialog = message == WM_INITDIALOG ? reinterpret_cast<CDialog*>(lParam) : t_creating;
    if (!dialog || dialog->IsBound() || dialog != t_creating) return FALSE;
    t_creating = nullptr;
    if (!dialog->Bind(wnd)) return FALSE;
    if (message != WM_INITDIALOG) return FALSE;
    // A template without a font: WM_INITDIALOG is the first message, so it
    // is handled here.
    BOOL focusDefault = FALSE;
    fw::GuardedMessage(wnd, message, 0, lParam, [&] { focusDefault = dialog->OnInitDialog() ? TRUE : FALSE; });
    return focusDefault;
}

bool CDialog::Create(UINT templateId, HWND parent)
{
    modal_ = false;
    return CreateFromTemplate(templateId, parent) != nullptr;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd) return -1;
    const HWND owner = parent_ ? GetAncestor(parent_, GA_ROOT) : nullptr;
    modal_ = true;
    ending_ = false;
    result_ = IDCANCEL;
    if (!CreateFromTemplate(templateId_, parent_)) {
        modal_ = false;
        return -1;
    }
    const bool ownerDisabled = owner && ::IsWindowEnabled(owner);
    if (ownerDisabled) ::EnableWindow(owner, FALSE);
    if (!ending_ && m_hWnd) ShowWindow(SW_SHOW);

    // A dialog that ended during its initialisation is not handed to the hook.
    const DWORD limit = (!ending_ && m_hWnd) ? fw::detail::RunModalDialogHook(*this) : INFINITE;
    const ULONGLONG start = GetTickCount64();
    while (!ending_ && m_hWnd) {
        DWORD wait = INFINITE;
        if (limit != INFINITE) {
            const ULONGLONG elapsed = GetTickCount64() - start;
            if (elapsed >= limit) {
                result_ = IDABORT;
                break;
            }
            wait = static_cast<DWORD>(limit - elapsed);
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        while (!ending_ && m_hWnd && fw::detail::PeekForOwnLoop(msg)) {
            if (msg.message == WM_QUIT) {
                // The application is ending: leave the dialog and pass the quit on.
                PostQuitMessage(static_cast<int>(msg.wParam));
                ending_ = true;
                break;
            }
            if (!fw::PreTranslate(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
    // The owner is enabled before the dialog goes, so it gets the activation back.
    if (ownerDisabled) ::EnableWindow(owner, TRUE);
    if (m_hWnd) {
        if (owner && GetActiveWindow() == m_hWnd) SetActiveWindow(owner);
        DestroyWindow();
    }
    modal_ = false;
    return result_;
}

void CDialog::EndDialog(int result)
{
    if (modal_) {
        result_ = result;
        ending_ = true;
        if (m_hWnd) PostMessage(WM_NULL);
    } else if (m_hWnd) {
        DestroyWindow();
    }
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(*this, saveAndValidate);
    try {
        DoDataExchange(dx);
    } catch (const CDataExchangeFailure&) {
        return false;
    }
    return true;
}

bool CDialog::PreTranslateMessage(MSG* msg)
{
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST || !m_hWnd) return false;
    if (msg->hwnd != m_hWnd && !IsChild(m_hWnd, msg->hwnd)) return false;
    return IsDialogMessageW(m_hWnd, msg) != FALSE;
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::OnOK()
{
    if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange&) {}

const MessageMap& CDialog::GetMessageMap() const
{
    static const MessageMap map(CWnd::GetMessageMap(), {
        on::Command(IDOK, &CDialog::OnOK),
        on::Command(IDCANCEL, &CDialog::OnCancel),
    });
    return map;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return OnInitDialog() ? TRUE : FALSE;
    LRESULT result = 0;
    if (RouteMessage(message, wParam, lParam, result)) {
        // Whoever reads the answer through the dialog manager finds it here too.
        if (message == WM_NOTIFY) SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return result;
    }
    return Default();
}
