#include "ColourScience.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The sRGB primaries' XYZ (IEC 61966-2-1 to four places); its Y row is the
// one RelativeLuminance weights with, and the white is the rows' sums.
constexpr double kToXyz[3][3] = {{0.4124, 0.3576, 0.1805}, {0.2126, 0.7152, 0.0722}, {0.0193, 0.1192, 0.9505}};
constexpr double kWhite[3] = {0.4124 + 0.3576 + 0.1805, 1.0, 0.0193 + 0.1192 + 0.9505};

struct Matrix3 {
    double m[3][3];
};

Matrix3 Inverse(const double (&a)[3][3])
{
    const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                       a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                       a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    Matrix3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            // Cofactor of a[j][i], over the determinant.
            const int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
            r.m[i][j] = (a[r0][c0] * a[r1][c1] - a[r0][c1] * a[r1][c0]) / det;
        }
    return r;
}

const Matrix3& FromXyz()
{
    static const Matrix3 inverse = Inverse(kToXyz);
    return inverse;
}

constexpr double kEpsilon = 216.0 / 24389.0;  // (6/29)^3
constexpr double kKappa = 24389.0 / 27.0;

double LabF(double t)
{
    return t > kEpsilon ? std::cbrt(t) : (kKappa * t + 16.0) / 116.0;
}

double LabFInverse(double f)
{
    const double cube = f * f * f;
    return cube > kEpsilon ? cube : (116.0 * f - 16.0) / kKappa;
}

double LinearToSrgb(double c)
{
    if (c <= 0.0031308)
        return 12.92 * c;  // negative values stay negative: out of gamut
    return 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
}

double Degrees(double radians)
{
    double d = radians * 180.0 / kPi;
    if (d < 0.0)
        d += 360.0;
    return d >= 360.0 ? d - 360.0 : d;
}

double Radians(double degrees)
{
    return degrees * kPi / 180.0;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

Lab SrgbToLab(const Rgb& rgb)
{
    const double lin[3] = {SrgbToLinear(rgb[0]), SrgbToLinear(rgb[1]), SrgbToLinear(rgb[2])};
    double f[3];
    for (int i = 0; i < 3; ++i)
        f[i] = LabF((kToXyz[i][0] * lin[0] + kToXyz[i][1] * lin[1] + kToXyz[i][2] * lin[2]) / kWhite[i]);
    return {116.0 * f[1] - 16.0, 500.0 * (f[0] - f[1]), 200.0 * (f[1] - f[2])};
}

Rgb LabToSrgb(const Lab& lab)
{
    const double fy = (lab.L + 16.0) / 116.0;
    const double xyz[3] = {kWhite[0] * LabFInverse(fy + lab.a / 500.0), kWhite[1] * LabFInverse(fy),
                           kWhite[2] * LabFInverse(fy - lab.b / 200.0)};
    const Matrix3& m = FromXyz();
    Rgb rgb;
    for (int i = 0; i < 3; ++i)
        rgb[i] = LinearToSrgb(m.m[i][0] * xyz[0] + m.m[i][1] * xyz[1] + m.m[i][2] * xyz[2]);
    return rgb;
}

bool InSrgbGamut(const Rgb& rgb, double tolerance)
{
    return std::all_of(rgb.begin(), rgb.end(),
                       [tolerance](double c) { return c >= -tolerance && c <= 1.0 + tolerance; });
}

Lch LabToLch(const Lab& lab)
{
    return {lab.L, std::hypot(lab.a, lab.b), Degrees(std::atan2(lab.b, lab.a))};
}

Lab LchToLab(const Lch& lch)
{
    return {lch.L, lch.C * std::cos(Radians(lch.h)), lch.C * std::sin(Radians(lch.h))};
}

double LightnessOfLrv(double lrv)
{
    return 116.0 * LabF(std::clamp(lrv, 0.0, 100.0) / 100.0) - 16.0;
}

double DeltaE2000(const Lab& x, const Lab& y)
{
    // Sharma, Wu and Dalal's formulation, including their conventions for a
    // chroma of zero (hue 0, hue difference 0, mean hue the sum).
    const double c1 = std::hypot(x.a, x.b), c2 = std::hypot(y.a, y.b);
    const double cMean = (c1 + c2) / 2.0;
    const double cMean7 = std::pow(cMean, 7.0);
    const double g = 0.5 * (1.0 - std::sqrt(cMean7 / (cMean7 + 6103515625.0)));  // 25^7
    const double a1 = (1.0 + g) * x.a, a2 = (1.0 + g) * y.a;
    const double cp1 = std::hypot(a1, x.b), cp2 = std::hypot(a2, y.b);
    const double hp1 = cp1 == 0.0 ? 0.0 : Degrees(std::atan2(x.b, a1));
    const double hp2 = cp2 == 0.0 ? 0.0 : Degrees(std::atan2(y.b, a2));

    const double dL = y.L - x.L;
    const double dC = cp2 - cp1;
    double dh = 0.0;
    if (cp1 * cp2 != 0.0) {
        dh = hp2 - hp1;
        if (dh > 180.0)
            dh -= 360.0;
        else if (dh < -180.0)
            dh += 360.0;
    }
    const double dH = 2.0 * std::sqrt(cp1 * cp2) * std::sin(Radians(dh / 2.0));

    const double lMean = (x.L + y.L) / 2.0;
    const double cpMean = (cp1 + cp2) / 2.0;
    double hMean = hp1 + hp2;
    if (cp1 * cp2 != 0.0) {
        if (std::fabs(hp1 - hp2) <= 180.0)
            hMean /= 2.0;
        else
            hMean = hMean < 360.0 ? (hMean + 360.0) / 2.0 : (hMean - 360.0) / 2.0;
    }
    const double t = 1.0 - 0.17 * std::cos(Radians(hMean - 30.0)) + 0.24 * std::cos(Radians(2.0 * hMean)) +
                     0.32 * std::cos(Radians(3.0 * hMean + 6.0)) - 0.20 * std::cos(Radians(4.0 * hMean - 63.0));
    const double dTheta = 30.0 * std::exp(-std::pow((hMean - 275.0) / 25.0, 2.0));
    const double cpMean7 = std::pow(cpMean, 7.0);
    const double rc = 2.0 * std::sqrt(cpMean7 / (cpMean7 + 6103515625.0));
    const double l50 = (lMean - 50.0) * (lMean - 50.0);
    const double sl = 1.0 + 0.015 * l50 / std::sqrt(20.0 + l50);
    const double sc = 1.0 + 0.045 * cpMean;
    const double sh = 1.0 + 0.015 * cpMean * t;
    const double rt = -std::sin(Radians(2.0 * dTheta)) * rc;
    const double tl = dL / sl, tc = dC / sc, th = dH / sh;
    return std::sqrt(tl * tl + tc * tc + th * th + rt * tc * th);
}

Rgb FitToGamut(const Lch& lch)
{
    Rgb rgb = LabToSrgb(LchToLab(lch));
    if (InSrgbGamut(rgb))
        return rgb;
    // Bisect on chroma: at chroma 0 every lightness within 0-100 is a grey.
    double inside = 0.0, outside = lch.C;
    rgb = LabToSrgb(LchToLab({lch.L, 0.0, lch.h}));
    for (int i = 0; i < 24; ++i) {
        const double c = (inside + outside) / 2.0;
        const Rgb trial = LabToSrgb(LchToLab({lch.L, c, lch.h}));
        if (InSrgbGamut(trial)) {
            inside = c;
            rgb = trial;
        } else {
            outside = c;
        }
    }
    for (double& c : rgb)
        c = std::clamp(c, 0.0, 1.0);
    return rgb;
}

Rgb RoundToBytes(const Rgb& rgb)
{
    Rgb r;
    for (int i = 0; i < 3; ++i)
        r[i] = std::round(std::clamp(rgb[i], 0.0, 1.0) * 255.0) / 255.0;
    return r;
}

std::optional<Rgb> ParseHexColour(std::string_view text)
{
    if (!text.empty() && text[0] == '#')
        text.remove_prefix(1);
    if (text.size() != 6)
        return std::nullopt;
    Rgb rgb;
    for (int i = 0; i < 3; ++i) {
        const int hi = HexDigit(text[2 * i]), lo = HexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        rgb[i] = (hi * 16 + lo) / 255.0;
    }
    return rgb;
}
