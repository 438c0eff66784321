// Shows the slider trio and a tree combo box with its drop-down open, for
// looking at them (screenshots under Xvfb). Not a test.
// Usage: controls_showcase.exe [seconds to stay open, default 5]
#include "controls/TreeCombo.h"
#include "panel/ClrSlider.h"

#include "ControlsTestIds.h"
#include "SliderTrioDlg.h"

#include <cstdlib>

namespace {

class CTrioDlg : public CSliderTrioDlg {
protected:
    const MessageMap& GetMessageMap() const override
    {
        static const MessageMap map(CSliderTrioDlg::GetMessageMap(), {
            on::Notify(IDC_TEST_HUE, NM_CLRSLIDER_CHANGED, &CTrioDlg::OnChanged),
            on::Notify(IDC_TEST_SATURATION, NM_CLRSLIDER_CHANGED, &CTrioDlg::OnChanged),
            on::Notify(IDC_TEST_BRIGHTNESS, NM_CLRSLIDER_CHANGED, &CTrioDlg::OnChanged),
        });
        return map;
    }

private:
    // As the panel does: every slider follows the colour the user set.
    void OnChanged(NMHDR* header)
    {
        const CClrSlider* from = header->idFrom == IDC_TEST_HUE ? &hue
                                 : header->idFrom == IDC_TEST_SATURATION ? &saturation : &brightness;
        const std::array<double, 3> colour = from->values;
        for (CClrSlider* s : {&hue, &saturation, &brightness}) {
            s->values = colour;
            s->BuildGradient();
            s->Invalidate();
        }
    }
};

class CComboDlg : public CDialog {
public:
    CComboDlg() : CDialog(IDD_TREE_COMBO) {}
    CTreeCombo box;

protected:
    void DoDataExchange(CDataExchange& dx) override { DDX_Control(dx, IDC_TEST_COMBO, box); }
    bool OnInitDialog() override
    {
        CDialog::OnInitDialog();
        const RECT r = box.GetWindowRect();
        box.CreateTree(r.right - r.left, 300);
        for (const char* path : {"住宅/客厅/", "住宅/卧室/", "住宅/厨房/", "办公/会议室/", "办公/开放办公区/",
                                 "酒店/大堂/", "酒店/客房/标准间", "酒店/客房/套房"})
            box.AddPath(path);
        return true;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    CClrSlider::Register();
    CTrioDlg trio;
    CComboDlg combo;
    trio.Create();
    combo.Create();
    ::SetWindowPos(trio.m_hWnd, nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    ::SetWindowPos(combo.m_hWnd, nullptr, 360, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    // Open the drop-down on the hotel's rooms, as a user would see it.
    HTREEITEM hotel = combo.box.Tree().GetRootItem();
    hotel = combo.box.Tree().GetNextSiblingItem(combo.box.Tree().GetNextSiblingItem(hotel));
    combo.box.Tree().Expand(hotel);
    const HTREEITEM rooms = combo.box.Tree().GetNextSiblingItem(combo.box.Tree().GetChildItem(hotel));
    combo.box.Tree().Expand(rooms);
    combo.box.Tree().SelectItem(combo.box.Tree().GetChildItem(rooms));
    combo.box.ShowDropDown();
    fw::PumpUntil([] { return false; }, static_cast<DWORD>(seconds) * 1000);
    combo.DestroyWindow();
    trio.DestroyWindow();
    return 0;
}
