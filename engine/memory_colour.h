// Memory colours: the colour function that describes the ideal look of a
// colour the user knows (greys, skin, foliage, sky), the pull of a sampled
// colour toward that ideal, eyedropper regions grown in an image view and
// binned into samples by lightness, the fits of a colour function from a
// picked colour, from clicked regions and from CIE measurements, and the
// swatches that show a colour function.
//
// All memory-colour work is done under the CIE daylight white of 5000 K;
// working-space colours are adapted to it and back with the Bradford method.
#pragma once

#include <cstdint>

#include "engine/edit_pars.h"
#include "engine/ip_image.h"
#include "engine/matrix.h"
#include "engine/working_space.h"

constexpr float kMemoryColorKelvin = 5000.0f;

// ---- The colour function and the target of a colour -------------------------

// The chroma of a colour function at CIE lightness L: maxChroma·0.04·L·(1 −
// L/100), the parabola through 0 at L = 0 and L = 100 with its top,
// maxChroma, at 50. Negative outside 0 .. 100.
inline double ColorFunctionChroma(double maxChroma, double lightness) {
    return maxChroma * 0.04 * lightness * (1.0 - lightness * 0.01);
}

// The LCh of fcn at CIE lightness L: the chroma parabola (a lightness outside
// 0 .. 100 gives chroma 0), hue baseHue + (L − 50)·dHdL brought into
// [0, 360). lch may not be null: kUiErrArg.
int32_t ColorFunctionLCh(float lightness, const MemoryColorFcn& fcn, float lch[3]);

// The colour that rgb (encoded working-space RGB in [0, 1]) is pulled to: the
// ideal of fcn at the lightness of rgb, as encoded RGB clamped to [0, 1].
// toXYZ and toRGB are the working space's matrices (MakeRGBToXYZ and
// MakeXYZToRGB of ref). *lightness (may be null) receives the L* of rgb under
// the 5000 K white, by which the caller bins the colour. kUiErrArg for a
// missing argument or a matrix that is not 3 × 3.
int32_t MemoryColorTarget(const MemoryColorFcn& fcn, const float rgb[3], const RefRGB& ref,
                          const Matrix* toXYZ, const Matrix* toRGB, float target[3],
                          float* lightness);

// ---- Eyedropper regions ----------------------------------------------------

// A region grown in a view: one bit per pixel of the view, laid out as a
// SelectionMask, and the bounding box of the set bits (min > max while empty).
struct RegionMask {
    int32_t width;
    int32_t height;
    int32_t rowBytes;
    uint8_t* bits;  // rowBytes × height bytes from Ui_Malloc
    int32_t minX, maxX, minY, maxY;
};

// Growth stops at a neighbour farther than 16 code steps of 255 (normalised
// distance (16/255)²) from the pixel it was reached from, or farther than 22
// steps ((22/255)²) from the clicked pixel. The pending neighbours are kept on
// a stack of kRegionStackEntries, last in first out.
constexpr int32_t kRegionStackEntries = 16384;

// An empty region for a view of width × height (each 1 .. kIPImageMaxSide):
// kUiOk, kUiErrArg for bad sizes, kUiErrMemory when memory is short (region
// then holds no bits).
int32_t RegionMaskCreate(int32_t width, int32_t height, RegionMask* region);
// Releases the bits; null and an already released region are allowed. Always kUiOk.
int32_t RegionMaskFree(RegionMask* region);
// Clears every bit and empties the box.
void RegionMaskClear(RegionMask* region);
bool RegionMaskHas(const RegionMask* region, int32_t x, int32_t y);
bool RegionMaskIsEmpty(const RegionMask* region);
// The region's bits as a selection mask (valid while the region lives).
SelectionMask RegionAsSelection(const RegionMask* region);

// Adds to region the area of similar colour around pixel (x, y) of view.
// The view is 8- or 16-bit; region has the view's size. kUiErrArg for a point
// outside the view, a bad view or a region of another size; kUiErrMemory when
// memory is short (the region is then unchanged). A neighbour that finds the
// stack full is dropped and growth goes on with what is on the stack: such a
// region comes out smaller than the area, the status is still kUiOk and
// *droppedPushes (may be null) counts the dropped neighbours.
int32_t GrowRegion(const IPImage* view, int32_t x, int32_t y, RegionMask* region,
                   int32_t* droppedPushes);

// Adds every pixel of the region to samples[k] (kSamplesPerBin of them) of its
// lightness band k = trunc((max + min) / (2 · full scale) · 10), clamped to
// 0 .. 9: the code values to the sums and 1 to the count. kUiErrArg for bad
// arguments, kUiErrGeneral when a count would pass the 32-bit limit (nothing
// added).
int32_t AddRegionToSamples(const IPImage* view, const RegionMask* region,
                           MemorySample samples[kSamplesPerBin]);

// An eyedropper click in view at (x, y): the area grown there is added to
// samples (as AddRegionToSamples). With region (created for the view) the
// area is left in it for display, its earlier bits cleared first; without, a
// region of its own is used and released. Errors as GrowRegion and
// AddRegionToSamples; nothing is added when growing fails.
int32_t AddClickToSamples(const IPImage* view, int32_t x, int32_t y,
                          MemorySample samples[kSamplesPerBin], RegionMask* region);

constexpr int32_t kMaxRegionBands = 100;

// The mean normalised colours (0 .. 1) of the region's pixels in each of
// `bands` lightness bands (1 .. kMaxRegionBands), skipping the empty bands,
// darkest first: *count colours are written to colors (room for `bands`).
int32_t RegionBandColors(const IPImage* view, const RegionMask* region, int32_t bands,
                         float (*colors)[3], int32_t* count);

// ---- Fitting a colour function -----------------------------------------------

// The colour function nearest to count (>= 1) measurements given as LCh.
// maxChroma: the first whole c in 0 .. 100 with the least squared error of
// the chroma parabola. Hue, from the measurements with chroma >= 5 only: none
// gives baseHue 0 and dHdL 0; one gives its hue and dHdL 0; more give the
// first (dHdL from -1 to 1 in steps of 0.1, then whole baseHue 0 .. 359) with
// the least squared hue error, each difference taken the short way round.
// kUiErrArg for a count below 1 or missing arguments; fcn is then left alone.
int32_t FitColorFunction(int32_t count, const float (*lch)[3], MemoryColorFcn* fcn);

// The colour function of one picked colour (encoded working-space RGB in
// [0, 1]): its chroma parabola, its hue when its chroma is at least 5.
// kUiErrMemory when the working space has no matrices.
int32_t FitColorFunctionFromRGB(const float rgb[3], const RefRGB& ref, MemoryColorFcn* fcn);

struct RegionPoint {
    int32_t x;
    int32_t y;
};

// The colour function of the areas grown from count (>= 1) clicked points of
// view into one region, fitted to the region's mean colour in each of ten
// lightness bands. A failed growth (a point outside the view: kUiErrArg) stops
// the fit; kUiErrMemory when memory is short or the working space has no
// matrices.
int32_t FitColorFunctionFromClicks(int32_t count, const RegionPoint* points, const RefRGB& ref,
                                   const IPImage* view, MemoryColorFcn* fcn);

// Data types of CIE measurement files, by the name on their first line.
enum MeasurementType : int32_t {
    kMeasuredLab = 0,
    kMeasuredLuv = 1,     // relative to the 6500 K white
    kMeasuredxyY = 2,     // Y of the white 1
    kMeasuredxyY100 = 3,  // Y of the white 100
    kMeasuredXYZ = 4,     // Y of the white 1
    kMeasuredXYZ100 = 5,  // Y of the white 100
    kMeasuredLCHab = 6,   // L, C, h of Lab
    kMeasuredLCHuv = 7,   // L, C, h of Luv
    kMeasurementTypes = 8,
};
// The names, indexed by MeasurementType.
extern const char* const kMeasurementTypeNames[kMeasurementTypes];

// The colour function of count (>= 1) measured triples of dataType. Each is
// converted to LCh with strict range checks (the check mode is restored
// afterwards); a triple that fails them, or is not finite, is left out and
// counted in *skipped. kUiErrArg for a count below 1, an unknown type, missing
// arguments or no usable triple (*skipped is still set); kUiErrMemory when
// memory is short.
int32_t FitColorFunctionFromMeasurements(int32_t count, const float (*triples)[3], int32_t dataType,
                                         MemoryColorFcn* fcn, int32_t* skipped);

// ---- Swatches --------------------------------------------------------------

// The ideal of fcn at lightness L as one pixel of the working space: codes of
// 0 .. 255 for bytesPerSample 1, 0 .. 65535 for 2, out-of-gamut channels
// clamped. toRGB is MakeXYZToRGB of ref. kUiErrArg for bad arguments.
int32_t MemoryColorSwatch(float lightness, const MemoryColorFcn& fcn, const RefRGB& ref,
                          const Matrix* toRGB, int32_t bytesPerSample, uint16_t pixel[3]);

// Fills the three colour planes of view (8- or 16-bit) with the swatches of
// fcn: lightness 0 at the first to 100 at the last position of the longer
// side (the width when the sides are equal; 50 for a side of one), the same
// across the shorter side. A fourth plane is left alone. kUiErrArg for a bad
// view, kUiErrMemory when memory is short or the working space has no matrices.
int32_t DrawMemoryColorGradient(const MemoryColorFcn& fcn, const RefRGB& ref, const IPImage* view);

// The hue strip of the memory-colour editor: column x shows the hue
// startHue + x (wrapped into 0 .. 360), row y the lightness from 100 at the
// top to 0 at the bottom, each at the chroma parabola of fcn without hue
// drift. Errors as DrawMemoryColorGradient.
int32_t DrawMemoryColorHueStrip(const MemoryColorFcn& fcn, const RefRGB& ref, int32_t startHue,
                                const IPImage* view);
// The chroma strip: column x shows chroma x / (width − 1) × 100 at the hue of
// fcn and lightness 50, the same down each column. Errors as above.
int32_t DrawMemoryColorChromaStrip(const MemoryColorFcn& fcn, const RefRGB& ref,
                                   const IPImage* view);
// The colour of fcn at lightness 50 as 8-bit encoded RGB (0 .. 255, rounded,
// out-of-gamut channels clamped). kUiErrArg for a missing rgb, kUiErrMemory
// when the working space has no matrices.
int32_t MemoryColorMidRGB(const MemoryColorFcn& fcn, const RefRGB& ref, uint8_t rgb[3]);
