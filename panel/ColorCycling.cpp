// Colour cycling's window glue: the sliders and the timer's cycling step
// change the engine's colour, which goes on the current material and onto
// the sliders.
#include "ColorPanelDlg.h"

#include "library/Colour.h"
#include "res/resource.h"

void CColorPanelDlg::OnSliderChanged(NMHDR* header)
{
    switch (header->idFrom) {
    case IDC_HUE_SLIDER:
        cycle_.Set(CycleHue, hueSlider_.values[0]);
        break;
    case IDC_SATURATION_SLIDER:
        cycle_.Set(CycleSaturation, saturationSlider_.values[1]);
        break;
    case IDC_BRIGHTNESS_SLIDER:
        cycle_.Set(CycleBrightness, brightnessSlider_.values[2]);
        break;
    default:
        return;
    }
    double r = 0.0, g = 0.0, b = 0.0;
    hostCalls_.HsvToRgb(cycle_.hue, cycle_.saturation, cycle_.brightness, r, g, b);
    for (CClrSlider* slider : {&hueSlider_, &saturationSlider_, &brightnessSlider_})
        slider->values = {cycle_.hue, cycle_.saturation, cycle_.brightness};
    RefreshSliders();
    painter_.WriteColor(r, g, b);
}

void CColorPanelDlg::CycleColorStep()
{
    cycle_.Step();
    double r = 0.0, g = 0.0, b = 0.0;
    painter_.WriteColor(cycle_.hue, cycle_.saturation, cycle_.brightness, r, g, b);

    // The sliders follow the truncated colour, as a pick shows it.
    const COLORREF packed = PackColour(r, g, b);
    hueSlider_.SetColor(packed);
    saturationSlider_.SetColor(packed);
    brightnessSlider_.SetColor(packed);
    RefreshSliders();
}
