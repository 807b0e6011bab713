// The preview size rule. Memory planning for the start stage: every large
// buffer it will need (the transform's tables and stack, the preview images,
// the strips of the filtering pass) is estimated, the preview shrinks until
// the estimate fits three quarters of the host's allowance, and the rows per
// strip are chosen. And how a preview box reduces the filter area: the
// factor, and the host's subsampling step.
#pragma once

#include <cstdint>

#include "engine/pass_rect.h"

struct MemoryPlanInput {
    int32_t available;  // FilterRecord.maxSpace
    int32_t depth;      // bits per sample
    int32_t planes;
    PassRect filter;      // the filter rectangle
    PassRect minPreview;  // from GetMinMaxPrev
    PassRect maxPreview;
    uint32_t swatchNeeds;
};

struct MemoryPlan {
    uint32_t bufferSpace;  // for FilterRecord.bufferSpace
    uint32_t maxSpace;     // for FilterRecord.maxSpace
    int16_t rowSkip;
    uint8_t previewReduced;
    int32_t previewWidth;
    int32_t previewHeight;
};

// kUiOk, or kUiErrMemory when even the smallest preview does not fit (the reasons logged).
int32_t PlanMemory(const MemoryPlanInput& in, MemoryPlan* plan, uint8_t diagnostics);

// How many times a preview of w x h reduces a filter area of width x height:
// the larger of the two rounded-up ratios, at least 1.
int32_t PreviewReductionFactor(int64_t width, int64_t height, int64_t w, int64_t h);
// The host's subsampling step for a reduction factor: 1 for 1, else half the
// factor (the plug-in's scaler does the rest of the reduction).
int32_t PreviewSubsampling(int32_t factor);
