// Colour cycling: the sliders and the timer's cycling step recolour the
// current material by its hue, saturation or brightness.
#include "ColorPanelDlg.h"

#include "library/Colour.h"
#include "panel/EngineSteps.h"
#include "res/resource.h"

int cycleDirection = +1;

void CColorPanelDlg::WriteColor(double r, double g, double b)
{
    if (currentMaterials.empty() || currentMaterialHandles.empty())
        return;
    OriginalMaterial& material = currentMaterials[0];
    material.mapFile[0] = "";  // a colour of its own replaces any texture
    material.color[0] = static_cast<float>(r);
    material.color[1] = static_cast<float>(g);
    material.color[2] = static_cast<float>(b);
    HV_SetMaterial(currentMaterialHandles[0], &material);
    HV_CalculateSurfaceColor();
    HV_Redraw();
}

void CColorPanelDlg::OnSliderChanged(NMHDR* header)
{
    switch (header->idFrom) {
    case IDC_HUE_SLIDER:
        hue = hueSlider.values[0];
        break;
    case IDC_SATURATION_SLIDER:
        saturation = saturationSlider.values[1];
        break;
    case IDC_BRIGHTNESS_SLIDER:
        brightness = brightnessSlider.values[2];
        break;
    default:
        return;
    }
    double r = 0.0, g = 0.0, b = 0.0;
    HV_HsvToRgb(hue, saturation, brightness, &r, &g, &b);
    for (CClrSlider* slider : {&hueSlider, &saturationSlider, &brightnessSlider})
        slider->values = {hue, saturation, brightness};
    RefreshSliders();
    WriteColor(r, g, b);
}

void CColorPanelDlg::CycleColorStep()
{
    engine::CycleColor color{hue, saturation, brightness};
    engine::CycleStep(color, cycleChannel, cycleDirection);
    hue = color.hue;
    saturation = color.saturation;
    brightness = color.brightness;

    double r = 0.0, g = 0.0, b = 0.0;
    HV_HsvToRgb(hue, saturation, brightness, &r, &g, &b);
    WriteColor(r, g, b);

    // The sliders follow the truncated colour, as a pick shows it.
    const COLORREF packed = PackColour(r, g, b);
    hueSlider.SetColor(packed);
    saturationSlider.SetColor(packed);
    brightnessSlider.SetColor(packed);
    RefreshSliders();
}
