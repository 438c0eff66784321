#include "Hsv.h"

#include <algorithm>
#include <cmath>

namespace walkhost {

void RgbToHsv(double r, double g, double b, double& h, double& s, double& v)
{
    const double maxc = std::max(r, std::max(g, b));
    const double minc = std::min(r, std::min(g, b));
    const double delta = maxc - minc;
    v = maxc;
    s = maxc > 0 ? delta / maxc : 0;
    if (delta <= 0) {
        h = 0;
        return;
    }
    if (maxc == r)
        h = 60 * std::fmod((g - b) / delta + 6, 6.0);
    else if (maxc == g)
        h = 60 * ((b - r) / delta + 2);
    else
        h = 60 * ((r - g) / delta + 4);
    if (h >= 360)
        h -= 360;
}

void HsvToRgb(double h, double s, double v, double& r, double& g, double& b)
{
    s = std::clamp(s, 0.0, 1.0);
    v = std::clamp(v, 0.0, 1.0);
    if (!std::isfinite(h))
        h = 0;
    h = std::fmod(h, 360.0);
    if (h < 0)
        h += 360;
    const double sector = h / 60;
    const int i = static_cast<int>(std::floor(sector)) % 6;
    const double f = sector - std::floor(sector);
    const double p = v * (1 - s);
    const double q = v * (1 - s * f);
    const double t = v * (1 - s * (1 - f));
    switch (i) {
    case 0: r = v; g = t; b = p; break;
    case 1: r = q; g = v; b = p; break;
    case 2: r = p; g = v; b = t; break;
    case 3: r = p; g = q; b = v; break;
    case 4: r = t; g = p; b = v; break;
    default: r = v; g = p; b = q; break;
    }
}

}  // namespace walkhost
