// Settings records for tests: the defaults, and a record with every field
// changed from its default.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "engine/edit_pars.h"
#include "ui/status.h"

inline EditPars DefaultPars() {
    EditPars p;
    EXPECT_EQ(SetDefaultEditPars(&p, kDefaultPredefinedBins), kUiOk);
    return p;
}

// Every field different from its default, each value exact in both cell forms
// (the portable cell keeps 23 significant bits, a float has 24; primaries are
// kept at four decimals anyway).
inline EditPars ChangedPars() {
    EditPars p = DefaultPars();
    p.refRGB = {1.75f,
                {0.9375f, 0.96875f, 0.8125f},
                {0.7347f, 0.2653f, 0.1596f, 0.8404f, 0.0366f, 0.0001f}};
    p.doAutoBlack = 1;
    p.autoBlackAmount = 0.25f;
    p.doAutoWhite = 1;
    p.autoWhiteAmount = 0.75f;
    p.doAutoMidGray = 1;
    p.autoMidGrayAmount = 0.5f;
    p.brightness = 0.625f;
    p.contrast = 0.375f;
    for (int b = 0; b < kMemoryColorBins; ++b) {
        MemoryColorBin& bin = p.customBinColors[b];
        bin.haveDef = b < kDefaultPredefinedBins ? 0 : 1;
        std::memset(bin.name, 0, sizeof bin.name);
        std::snprintf(bin.name, sizeof bin.name, "Colour number %d", b);
        bin.fcn = {10.0f + b, 100.0f + 25 * b, 0.03125f * (b + 1) * (b % 2 ? 1 : -1)};
        for (int s = 0; s < kSamplesPerBin; ++s)
            bin.samplesBin[s] = {1000.0f + 10 * b + s, 2000.5f + s, 3000.25f + b, 1 + s + 100 * b};
    }
    p.doSharpen = 1;
    p.sharpenStrength = 7;
    p.sharpenMode = 2;
    p.doRemoveNoise = 1;
    p.noiseFlag = 1;
    for (int i = 0; i < kNoiseChannels; ++i) {
        p.noiseRadius[i] = 1 + i;
        p.noiseThreshold[i] = 5 + i;
    }
    p.noiseExtra = 3;
    return p;
}
