// Dialog 1004 "模糊查询": collects the conditions of a search - a text the
// name must contain and a text the description must contain, each with a
// "需要" check box saying whether it is used. In name-only mode (texture
// lists) only the name condition is offered, and it is required. The dialog
// validates; the search belongs to the caller.
#pragma once

#include "framework/Framework.h"

#include <string>

class CFuzzyQueryDlg : public CDialog {
public:
    // nameOnly: 0 for both conditions, non-zero for the name alone.
    explicit CFuzzyQueryDlg(int nameOnly, HWND parent = nullptr);

    static const char* const kEmptyConditionMessage;

    // Results, read by the caller after IDOK.
    std::string nameText;
    std::string descriptionText;
    int useDescription = 1;  // check box 1024
    int useName = 0;         // check box 1023
    int nameOnly;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    const MessageMap& GetMessageMap() const override;
    void OnOK() override;
};
