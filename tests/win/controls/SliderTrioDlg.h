// The slider trio as the panel holds it, for tests and the showcase: a
// dialog template names the slider class and data exchange binds it.
#pragma once

#include "panel/ClrSlider.h"

#include "ControlsTestIds.h"

// The panel's way: a dialog template names the class, data exchange binds it.
class CSliderTrioDlg : public CDialog {
public:
    CSliderTrioDlg() : CDialog(IDD_SLIDER_TRIO) {}
    CClrSlider hue, saturation, brightness;

protected:
    void DoDataExchange(CDataExchange& dx) override
    {
        DDX_Control(dx, IDC_TEST_HUE, hue);
        DDX_Control(dx, IDC_TEST_SATURATION, saturation);
        DDX_Control(dx, IDC_TEST_BRIGHTNESS, brightness);
    }
    bool OnInitDialog() override
    {
        CDialog::OnInitDialog();
        hue.channel = 0;
        hue.SetMaxValue(360.0);
        saturation.channel = 1;
        brightness.channel = 2;
        for (CClrSlider* s : {&hue, &saturation, &brightness}) {
            s->SetColor(RGB(200, 120, 40));
            s->PrepareBuffer();
        }
        return true;
    }
};
