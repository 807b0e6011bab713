#include "engine/colour_science.h"
#include "ui/status.h"

namespace {

struct ConeSpace {
    double m[3][3];        // XYZ → cone responses, rows applied to X, Y, Z
    double inverse[3][3];  // the published inverse, used as it stands
};

const ConeSpace kBradford = {
    {{0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}},
    {{0.986993, -0.147054, 0.159963},
     {0.432305, 0.51836, 0.0492912},
     {-0.00852866, 0.0400428, 0.968487}},
};

const ConeSpace kVonKries = {
    {{0.40024, 0.7076, -0.08081}, {-0.2263, 1.16532, 0.0457}, {0.0, 0.0, 0.91822}},
    {{1.85994, -1.12938, 0.219897}, {0.361191, 0.638812, -6.3706e-06}, {0.0, 0.0, 1.08906}},
};

void Apply(const double m[3][3], const double in[3], double out[3]) {
    for (int r = 0; r < 3; ++r) out[r] = m[r][0] * in[0] + m[r][1] * in[1] + m[r][2] * in[2];
}

int32_t AdaptInConeSpace(const ConeSpace& cone, const float xyz[3], float out[3],
                         const float source[3], const float dest[3]) {
    const double s[3] = {source[0], source[1], source[2]};
    const double d[3] = {dest[0], dest[1], dest[2]};
    const double v[3] = {xyz[0], xyz[1], xyz[2]};
    double rhoS[3], rhoD[3], rho[3];
    Apply(cone.m, s, rhoS);
    Apply(cone.m, d, rhoD);
    Apply(cone.m, v, rho);
    for (int i = 0; i < 3; ++i) {
        if (rhoS[i] == 0.0) return kUiErrArg;
        rho[i] *= rhoD[i] / rhoS[i];
    }
    double result[3];
    Apply(cone.inverse, rho, result);
    for (int i = 0; i < 3; ++i) out[i] = static_cast<float>(result[i]);
    return kUiOk;
}

}  // namespace

int32_t AdaptXYZ(const float xyz[3], float out[3], const float sourceWhite[3],
                 const float destWhite[3], int32_t method) {
    switch (method) {
        case kAdaptVonKriesXYZ: {
            double r[3];
            for (int i = 0; i < 3; ++i) {
                if (sourceWhite[i] == 0.0f) return kUiErrArg;
                r[i] = double(xyz[i]) * destWhite[i] / sourceWhite[i];
            }
            for (int i = 0; i < 3; ++i) out[i] = static_cast<float>(r[i]);
            return kUiOk;
        }
        case kAdaptBradford:
            return AdaptInConeSpace(kBradford, xyz, out, sourceWhite, destWhite);
        case kAdaptVonKriesCone:
            return AdaptInConeSpace(kVonKries, xyz, out, sourceWhite, destWhite);
        default:
            return kUiErrArg;
    }
}
