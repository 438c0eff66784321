// The classification overview "表面分类一览": one row per classified
// material (list view 1060) with a swatch (its texture where it has one),
// its class, its colour as hex and LRV, and how many surfaces of the host's
// view use it. The counts come from sampling the view over a grid when the
// window opens and on "刷新", within about 100 ms; nothing else here asks
// the host's view. Selecting a row selects those surfaces in the host, so
// the designer sees what a scheme will change; "取消分类" takes the
// material out of its class and puts its first-picked state back;
// "相近材质…" classifies ticked visible materials of a close colour into
// the same class.
//
// Owned by the panel: created on its command, modeless, closed with it.
#pragma once

#include "engine/RoomClassification.h"
#include "framework/Framework.h"
#include "model/SurfaceMaterialStore.h"
#include "panel/PanelToolWindow.h"
#include "panel/SchemeThumbnails.h"

#include <map>
#include <string>
#include <vector>

class CClassificationOverviewDlg;

// What the window needs of the panel that owns it.
class ClassificationOwner : public PanelWindowOwner {
public:
    // The materials as first picked while the panel exists: "取消分类"
    // restores from them, and a material classified here is added.
    virtual OriginalMaterialList& RememberedMaterials() = 0;
    // The classification was changed by the window.
    virtual void ClassesChanged() = 0;
    // The window object is gone.
    virtual void ClassificationOverviewGone(const CClassificationOverviewDlg* window) = 0;

protected:
    ~ClassificationOwner() = default;
};

class CClassificationOverviewDlg : public CPanelToolWindow {
public:
    explicit CClassificationOverviewDlg(ClassificationOwner& panel);
    ~CClassificationOverviewDlg() override;

    // Creates the window owned by the panel, beside it, and samples the view.
    bool Open();

    // The classification changed elsewhere: the rows follow, with the
    // counts of the last sampling.
    void ClassesChanged();
    // Samples the host's view again and rebuilds the rows.
    void Refresh();

    // What a row shows, for drawing and for tests.
    struct Row {
        engine::ClassifiedMaterial counts;
        Rgb colour{};
        std::string map;       // the texture map's stored name, empty for none
        std::string foundMap;  // where its file was found, empty when not
        double lrv = 0.0;      // of the colour
    };
    const std::vector<Row>& Rows() const { return rows_; }
    // The texts of row's columns: swatch (empty), class, colour, LRV,
    // surfaces, warning.
    std::vector<std::string> RowTexts(int row) const;
    // The surfaces of the view that use row's material, as last sampled.
    std::vector<unsigned> SurfacesOf(int row) const;
    const engine::ViewCensus& Census() const { return census_; }
    std::string RoomLrvText() const;

    // Texts the window shows (code page 936).
    static const char* const kCaption;
    static const char* const kNeedViewNote;
    static const char* const kNoSimilarMessage;
    static const char* const kUnclassifiedText;
    static constexpr int kBudgetMs = 100;

protected:
    bool OnInitDialog() override;
    const MessageMap& GetMessageMap() const override;
    void OnOK() override;
    void ReportGone() override;

private:
    // The message table's handlers, in the table's order.
    void OnRefresh();
    void OnUnclassify();
    void OnSimilar();
    LRESULT OnItemChanged(NMHDR* header);
    LRESULT OnCustomDraw(NMHDR* header);
    void OnDestroy();

    void Layout(int width, int height) override;
    void TakeCensus();
    void BuildRows();
    void FillList();
    void ShowNote();
    int SelectedRow() const;
    const Picture& Swatch(int row, int width, int height);
    std::vector<engine::MaterialColour> VisibleColours() const;

    ClassificationOwner& panel_;
    CWnd list_;
    bool quiet_ = false;  // list changes made by the window itself
    bool viewFound_ = false;
    engine::ViewCensus census_;
    std::map<unsigned, Rgb> visibleColours_;  // colours of the materials in view and the classified ones
    std::map<unsigned, std::string> mapNames_;  // their texture maps
    std::vector<Row> rows_;
    CThumbnailPainter painter_;
    std::map<std::string, Picture> swatches_;  // by map path or colour
    std::vector<std::string> searchFolders_;
    CImageList rowHeight_;
};
