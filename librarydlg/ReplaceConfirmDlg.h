// Dialog 1006: asked during a merge import for each incoming record whose
// name and room category are already taken. Shows both records side by side
// and ends with the button pressed: IDOK (是, replace), IDC_REPLACE_NO (否,
// skip), IDC_REPLACE_ALL (全部, replace this and every later conflict),
// IDC_REPLACE_NONE (全部不, skip this and every later conflict) or IDCANCEL
// (取消, stop the import; also Escape and the close box).
#pragma once

#include "controls/ColorLabel.h"
#include "framework/Framework.h"

#include <string>

struct CombinationRecord;

class CReplaceConfirmDlg : public CDialog {
public:
    explicit CReplaceConfirmDlg(HWND parent = nullptr);

    // Fills the six texts from the incoming and the stored record.
    void SetRecords(const CombinationRecord& incoming, const CombinationRecord& existing);

    std::string incomingName;
    std::string incomingCategory;
    std::string existingName;
    std::string existingCategory;
    std::string incomingDescription;
    std::string existingDescription;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    // Yes ends the dialog at once, without reading the controls.
    void OnOK() override;
    const MessageMap& GetMessageMap() const override;

private:
    void OnNo();
    void OnAll();
    void OnNone();

    CColorLabel existingDescriptionLabel;
    CColorLabel incomingDescriptionLabel;
};
