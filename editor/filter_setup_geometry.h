// The arithmetic of the sharpen / remove-noise setup dialog, apart from its
// window: the margin its window of the image needs, where that window lies
// for a zoom and a centre, the navigator's fit and marquee, and the value a
// slider position stands for.
#pragma once

#include <cstdint>

#include "engine/pass_rect.h"

// The margin the filters need around a window: the larger chrominance
// radius, at least 2 (the sharpen's reach) and at most 16 (the noise
// engine's largest radius, which the window's buffers are made for).
int32_t SharpenWindowMargin(int32_t chromaRadius1, int32_t chromaRadius2);

// One axis of the window a view of `view` screen pixels shows at zoom z
// (each image pixel z x z screen pixels) with its centre at `fraction` of
// the scrollable range: the first image pixel shown and how many are
// shown, kept inside an image of `side` pixels.
struct WindowSpan {
    int32_t start;
    int32_t count;
};
WindowSpan WindowSpanOf(int32_t side, int32_t view, int32_t zoom, double fraction);

// The image position (pixels from the image's edge) at the centre of the
// view for a fraction, and the fraction that puts the centre of the view at
// image position `centre`, clamped to 0 .. 1.
double CentreOfFraction(int32_t side, int32_t view, int32_t zoom, double fraction);
double FractionOfCentre(int32_t side, int32_t view, int32_t zoom, double centre);

// The navigator's image size for a document of docW x docH in a box of
// boxW x boxH: the larger of the two fits that keep the document's shape,
// or the document's own size along a side it does not exceed.
void NavigatorFit(int32_t docW, int32_t docH, int32_t boxW, int32_t boxH, int32_t* navW,
                  int32_t* navH);

// The value of a slider of `width` pixels from `left` at mouse x, in
// low .. high: the ends of the slider are the ends of the range.
int32_t SliderValue(int32_t x, int32_t left, int32_t width, int32_t low, int32_t high);
// Where the slider shows value: the inverse of SliderValue.
int32_t SliderPosition(int32_t value, int32_t left, int32_t width, int32_t low, int32_t high);

// The window (image pixels from the image's corner) as a rectangle in the
// navigator image of navW x navH placed at (navLeft, navTop).
PassRect MarqueeOf(const PassRect& window, int32_t docW, int32_t docH, int32_t navW, int32_t navH,
                   int32_t navLeft, int32_t navTop);
