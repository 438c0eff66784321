// The framework's test dialog and control, and recorders for the seams.
#pragma once

#include "Framework.h"
#include "FrameworkTestIds.h"

#include <string>
#include <vector>

constexpr UINT NM_TESTCTL_CLICKED = 1513;
constexpr UINT WM_TEST_PRIVATE = WM_APP + 5;
constexpr UINT WM_TEST_CONTROL_PING = WM_APP + 6;

// A custom control of window class "CTestCtl", created by the dialog
// template and bound by DDX_Control. It paints itself and tells its parent
// about clicks with WM_NOTIFY.
class CTestControl : public CWnd {
public:
    static bool Register();

    std::vector<POINT> clicks;
    std::vector<std::string> reflected;

protected:
    const MessageMap& GetMessageMap() const override;

private:
    void OnPaint();
    void OnLButtonDown(UINT flags, POINT point);
    LRESULT OnPing(WPARAM wParam, LPARAM lParam);
};

// An edit that keeps its own logic for EN_CHANGE (reflected back to it) and
// drops digits typed into it.
class CFilterEdit : public CEdit {
public:
    bool passChangeToParent = false;
    int changes = 0;
    std::vector<UINT> keys;  // WM_KEYDOWN that reached the edit

protected:
    const MessageMap& GetMessageMap() const override;

private:
    bool OnReflectedChange();
    void OnChar(UINT ch, UINT repeat, UINT flags);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
};

class CTestDialog : public CDialog {
public:
    explicit CTestDialog(HWND parent = nullptr) : CDialog(IDD_TEST, parent) {}

    // Members exchanged with the controls.
    std::string name = "张三";
    int count = 7;
    int choice = 1;
    int listIndex = 2;
    int radio = 1;
    int check = BST_CHECKED;
    std::string note = "备注";
    int noteLimit = 5;

    CTestControl custom;
    CFilterEdit nameEdit;
    bool attachNameEdit = false;

    std::vector<std::string> log;
    std::vector<UINT> keysSeen;   // WM_KEYDOWN seen by PreTranslateMessage
    bool swallowF5 = true;
    LRESULT notifyAnswer = 42;

    bool PreTranslateMessage(MSG* msg) override;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    const MessageMap& GetMessageMap() const override;

private:
    void OnApply();
    void OnNameChanged();
    void OnChoiceChanged();
    void OnChoiceCommand();
    void OnCeiling();
    void OnItem(UINT id);
    LRESULT OnCustomClicked(NMHDR* header);
    LRESULT OnPrivate(WPARAM wParam, LPARAM lParam);
    void OnTimer(UINT_PTR id);
    void OnMouseMove(UINT flags, POINT point);
};

// Records every message box and answers with `answer`.
class MessageBoxRecorder {
public:
    struct Box {
        std::string text;
        std::string caption;
        UINT type;
    };
    explicit MessageBoxRecorder(int answer = IDOK);
    ~MessageBoxRecorder();
    std::vector<Box> boxes;
    int answer;

private:
    fw::MessageBoxHandler previous_;
};

// Sets a modal dialog hook for the scope.
class ModalHookScope {
public:
    explicit ModalHookScope(fw::ModalDialogHook hook, DWORD timeoutMs = 10000)
        : previous_(fw::SetModalDialogHook(std::move(hook), timeoutMs)) {}
    ~ModalHookScope() { fw::SetModalDialogHook(std::move(previous_)); }

private:
    fw::ModalDialogHook previous_;
};

// Points the guard's log (TG_GUARD_LOG) at a file of its own for the scope,
// for a test that makes a boundary stop an exception on purpose: the log the
// harness checks stays empty.
class GuardLogCapture {
public:
    GuardLogCapture();
    ~GuardLogCapture();
    GuardLogCapture(const GuardLogCapture&) = delete;
    GuardLogCapture& operator=(const GuardLogCapture&) = delete;
    // What was logged, code page 936.
    std::string Text() const;

private:
    std::wstring path_;
    std::wstring previous_;
    bool hadPrevious_ = false;
};

// Wide text of a window, without the framework (to check it independently).
std::wstring RawText(HWND wnd);
