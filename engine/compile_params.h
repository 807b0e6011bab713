// The record the transform compiler fills from the settings and hands to its
// stages: the working space, the tonal-range switches and the per-channel
// points the tone analysis measures, brightness and contrast, and the memory
// colours that take part (those with at least one eyedropper sample).
#pragma once

#include <cstdint>

#include "engine/edit_pars.h"
#include "engine/working_space.h"

// Nodes per grid axis by gridSizeIndex.
constexpr int32_t kGridSizes[] = {7, 9, 11, 15, 17, 23, 27, 33};
constexpr int32_t kGridSizeIndex33 = 7;

// Fractions of the tone analysis: the black and white points are the
// (2 × 0.5) % points of the lightness histogram from either end, the mid-grey
// its 50 % point between them.
constexpr float kBlackClipFraction = 0.5f;
constexpr float kWhiteClipFraction = 0.5f;
constexpr float kMidGrayFraction = 0.5f;

// One memory colour that takes part in the compile: its ideal and a copy of
// its ten eyedropper samples.
struct CompileColor {
    MemoryColorFcn fcn;
    int32_t pointCount;     // click positions being grown; 0 in a compile
    const int32_t* points;  // x, y pairs; none in a compile
    int32_t sampleCount;    // always kSamplesPerBin
    MemorySample samples[kSamplesPerBin];
};

struct CompileParams {
    RefRGB refRGB;
    int32_t gridSizeIndex;  // into kGridSizes
    uint8_t matrixOff;      // 1 skips the colour-matrix stage
    uint8_t doAutoBlack;
    uint8_t doAutoMidGray;
    uint8_t doAutoWhite;
    float blackClipFraction;
    float midGrayFraction;
    float whiteClipFraction;
    // Per channel, normalised to [0, 1]; the tone analysis replaces them.
    float blackPoint[3];
    float midGray[3];  // position of the mid level between black and white; 0.5 linear
    float whitePoint[3];
    float autoBlackAmount;
    float autoMidGrayAmount;
    float autoWhiteAmount;
    float brightness;  // 0 .. 1, 0.5 no change
    float contrast;    // 0 .. 1, 0.5 no change
    int32_t colorCount;
    CompileColor* colors;  // colorCount entries, owned by the compile; null for none
    int32_t currentColor;
};

// Fills p from the settings: the working space, switches, amounts,
// brightness and contrast copied, neutral points, a 33-node grid, the
// matrix stage on, no colours (colors and colorCount are left for the
// caller, which owns the copies).
void InitCompileParams(CompileParams* p, const EditPars& pars);

// A bin takes part when it is defined and holds at least one sample.
bool IsUsableBin(const MemoryColorBin& bin);
