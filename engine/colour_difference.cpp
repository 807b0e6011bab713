#include "engine/colour_difference.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

double Radians(double degrees) {
    return degrees * kPi / 180.0;
}

// The hue angle of (a, b) in degrees, 0 .. 360; 0 for a neutral colour.
double HueDegrees(double a, double b) {
    if (a == 0 && b == 0) return 0;
    const double h = std::atan2(b, a) * 180.0 / kPi;
    return h < 0 ? h + 360.0 : h;
}

}  // namespace

double ColourDifference2000(const double lab1[3], const double lab2[3]) {
    const double c1 = std::hypot(lab1[1], lab1[2]), c2 = std::hypot(lab2[1], lab2[2]);
    const double cMean = (c1 + c2) / 2;
    const double c7 = std::pow(cMean, 7);
    const double g = 0.5 * (1 - std::sqrt(c7 / (c7 + std::pow(25.0, 7))));
    const double a1 = (1 + g) * lab1[1], a2 = (1 + g) * lab2[1];
    const double cp1 = std::hypot(a1, lab1[2]), cp2 = std::hypot(a2, lab2[2]);
    const double hp1 = HueDegrees(a1, lab1[2]), hp2 = HueDegrees(a2, lab2[2]);

    const double dL = lab2[0] - lab1[0];
    const double dC = cp2 - cp1;
    double dh = 0;
    if (cp1 * cp2 != 0) {
        dh = hp2 - hp1;
        if (dh > 180) dh -= 360;
        if (dh < -180) dh += 360;
    }
    const double dH = 2 * std::sqrt(cp1 * cp2) * std::sin(Radians(dh / 2));

    const double lMean = (lab1[0] + lab2[0]) / 2;
    const double cpMean = (cp1 + cp2) / 2;
    double hMean = hp1 + hp2;
    if (cp1 * cp2 != 0) {
        if (std::fabs(hp1 - hp2) <= 180)
            hMean /= 2;
        else
            hMean = hMean < 360 ? (hMean + 360) / 2 : (hMean - 360) / 2;
    }
    const double t = 1 - 0.17 * std::cos(Radians(hMean - 30)) +
                     0.24 * std::cos(Radians(2 * hMean)) + 0.32 * std::cos(Radians(3 * hMean + 6)) -
                     0.20 * std::cos(Radians(4 * hMean - 63));
    const double dTheta = 30 * std::exp(-std::pow((hMean - 275) / 25, 2));
    const double cp7 = std::pow(cpMean, 7);
    const double rc = 2 * std::sqrt(cp7 / (cp7 + std::pow(25.0, 7)));
    const double l50 = (lMean - 50) * (lMean - 50);
    const double sl = 1 + 0.015 * l50 / std::sqrt(20 + l50);
    const double sc = 1 + 0.045 * cpMean;
    const double sh = 1 + 0.015 * cpMean * t;
    const double rt = -std::sin(Radians(2 * dTheta)) * rc;
    const double l = dL / sl, c = dC / sc, h = dH / sh;
    return std::sqrt(l * l + c * c + h * h + rt * c * h);
}
