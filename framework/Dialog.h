// CDialog: a dialog from a numbered template, modeless (Create) or modal
// (DoModal, with its own message loop that runs pre-translation).
#pragma once

#include "Wnd.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId = 0, HWND parent = nullptr);
    ~CDialog() override;

    // Modeless: creates the window from the template in the resource
    // instance; shows it only if the template says so. False on failure
    // (then PostNcDestroy has not run: the caller still owns the object).
    bool Create(UINT templateId, HWND parent = nullptr);
    bool Create() { return Create(templateId_, parent_); }

    // Modal: disables the owner, runs until EndDialog, destroys the window
    // and returns the value given to EndDialog (-1 when the window could not
    // be created, IDABORT when a test's time limit ended it).
    INT_PTR DoModal();
    bool IsModal() const { return modal_; }

    // Modal: ends the loop with result. Modeless: destroys the window.
    void EndDialog(int result);

    // Reads the controls into the members (true) or writes the members to
    // the controls (false); false when a value was refused (the user has
    // been told and the focus is on the control).
    bool UpdateData(bool saveAndValidate = true);

    UINT TemplateId() const { return templateId_; }

    // The first key handling of a dialog: dialog navigation (Tab, arrows,
    // Enter, Escape) through IsDialogMessageW.
    bool PreTranslateMessage(MSG* msg) override;

protected:
    // Default: UpdateData(false); returns true (the focus goes to the first
    // control).
    virtual bool OnInitDialog();
    // Default OK: UpdateData(true), then EndDialog(IDOK) when it succeeded.
    virtual void OnOK();
    // Default cancel (also Escape and the close box): EndDialog(IDCANCEL).
    virtual void OnCancel();
    // The list of control <-> member exchanges; default none.
    virtual void DoDataExchange(CDataExchange& dx);

    const MessageMap& GetMessageMap() const override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate(UINT templateId, HWND parent);

    UINT templateId_;
    HWND parent_;
    bool modal_ = false;
    bool ending_ = false;
    INT_PTR result_ = 0;
};
