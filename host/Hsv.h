// Colour conversions between r, g, b (0 to 1) and hue (degrees, 0 to 360),
// saturation and value (0 to 1), by the hexcone model.
#pragma once

namespace walkhost {

// Black gives s = 0 and v = 0; every grey gives h = 0 and s = 0.
void RgbToHsv(double r, double g, double b, double& h, double& s, double& v);

// Any hue is taken modulo 360; s and v are clamped to 0..1.
void HsvToRgb(double h, double s, double v, double& r, double& g, double& b);

}  // namespace walkhost
