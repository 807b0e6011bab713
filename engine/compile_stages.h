// The stages of the transform compiler that fit the correction to the memory
// colours: the mean colours of the eyedropper samples, the grey-balance
// curves and the limited colour matrix, and the grid they end in.
#pragma once

#include <cstdint>

#include "engine/compile_params.h"
#include "engine/matrix.h"
#include "engine/tintwork.h"
#include "engine/tone_curve.h"

// The mean normalised colour of every sample of every compile colour:
// sum / (count × 255) or sum / (count × 65535) by the view's depth.
struct SampleColours {
    float rgb[kMemoryColorBins][kSamplesPerBin][3];
    bool present[kMemoryColorBins][kSamplesPerBin];  // count > 0
};
void MeanSampleColours(const CompileParams& p, int32_t bytesPerSample, SampleColours* out);

// Per channel a table of kGreyBalanceEntries values that maps the tone-curved
// colours of the samples toward their targets, steepest slope at most 2.
// tables[c] start as the identity; they stay so without samples. kUiErrArg for
// a matrix that is not 3 × 3.
int32_t BuildGreyBalance(const CompileParams& p, const SampleColours& samples, const Matrix* toXYZ,
                         const Matrix* toRGB, float* const tables[3]);

// Twelve control values made strictly increasing where neighbours are equal:
// from the middle down, an upper twin moves up by 1e-5 (or half-way to the
// next value); from the middle up, a lower twin moves down likewise.
void SeparateControlValues(float* p, int32_t n);

// Smooths a grey-balance table until its steepest slope is at most 2 (at
// most 100 rounds): twelve control values taken every ninth entry are
// evaluated as a uniform spline.
void LimitGreyBalanceSlope(float* table);

// The 3 × 3 matrix m (ℓ′_j = Σ_k m[k][j]·ℓ_k on linear RGB) fitted by least
// squares to the memory colours, from the fully curved samples to the targets
// of the samples curved without grey balance, then pulled toward the
// identity. The identity when p.matrixOff is set, without samples, or when
// the fit's normal matrix is singular in f32 terms (MatrixInvert's test),
// as it is for greys alone, which carry no colour direction to fit.
// kUiErrMemory when memory is short, kUiErrArg for a bad matrix.
int32_t FitColourMatrix(const CompileParams& p, const SampleColours& samples,
                        const float* const tables[3], const Matrix* toXYZ, const Matrix* toRGB,
                        Matrix* m);

// Diagonal elements into [0.9, 1.1], the others into [-0.1, 0.1], by moving
// every element the same fraction of the way to the identity: the largest
// fraction any element needs. A matrix inside the bounds is unchanged; one
// with a value that is not finite becomes the identity.
void LimitTowardIdentity(Matrix* m);

// Builds the finished 33-node RGB Tintwork of the correction at the grid
// depth (1 or 2, also its input and output depth): per node the tone curves
// (with the grey-balance tables) decoded to linear light, the colour matrix,
// encoded and rounded. *out is null on failure.
int32_t BuildCorrectionTintwork(const CompileParams& p, int32_t depth, const float* const tables[3],
                                const Matrix* m, Tintwork** out);
