// Dialog 1006: asked during a merge import for each incoming record whose
// name and room category are already taken. Shows both records side by side
// (the incoming one on the left, the one already in the library on the
// right): name, category, description, and the ceiling, wall and floor as
// colour swatches with their texture file names; every field in which the two
// differ is drawn in red. Ends with the button pressed: IDOK (是, replace),
// IDC_REPLACE_NO (否, skip), IDC_REPLACE_ALL (全部, replace this and every
// later conflict), IDC_REPLACE_NONE (全部不, skip this and every later
// conflict) or IDCANCEL (取消, stop the import; also Escape and the close box).
#pragma once

#include "controls/ColorLabel.h"
#include "controls/LabelTips.h"
#include "framework/Framework.h"

#include <string>

struct CombinationRecord;

class CReplaceConfirmDlg : public CDialog {
public:
    explicit CReplaceConfirmDlg(HWND parent = nullptr);

    // Fills the texts and the material views from the incoming and the
    // stored record.
    void SetRecords(const CombinationRecord& incoming, const CombinationRecord& existing);

    std::string incomingName;
    std::string incomingCategory;
    std::string existingName;
    std::string existingCategory;
    std::string incomingDescription;
    std::string existingDescription;

    // One material of a record as the dialog shows it: its colour and the
    // file name of its texture map (without the folder; empty without one).
    struct MaterialView {
        COLORREF colour = 0;
        std::string texture;
    };
    // Indexed by SurfaceClass (ceiling, floor, wall), as the record's slots.
    MaterialView incomingMaterials[3];
    MaterialView existingMaterials[3];

    // The colour of the fields in which the two records differ.
    static constexpr COLORREF kDifferenceColour = RGB(220, 0, 0);
    // The surface class shown in swatch column 0, 1, 2: ceiling, wall, floor.
    static int ColumnClass(int column);
    // Whether the field shown by control id differs between the records
    // (on either side; a swatch, its caption and its texture name count as
    // one field: colour or texture).
    bool Differs(int controlId) const;

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
    // Swatches are filled with their material's colour; differing fields get
    // red text.
    LRESULT OnCtlColorStatic(WPARAM dc, LPARAM control);

    CColorLabel existingDescriptionLabel;
    CColorLabel incomingDescriptionLabel;
    CLabelTips labelTips;  // whole names, categories, descriptions and file names
    CBrush swatchBrushes[2][3];  // [incoming, existing][column]
};
