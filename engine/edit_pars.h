// The settings record: the working space, the tonal-range switches and
// amounts, brightness and contrast, ten memory-colour definitions with their
// eyedropper samples, and the sharpen / noise-removal block. Its defaults,
// its validation and its persisted images (a 2032-byte base block and a
// 56-byte extension block of 4-byte cells), all derived from the settings
// tables of engine/edit_pars_table.h.
#pragma once

#include <cstdint>

#include "engine/working_space.h"

// One eyedropper sample: sums of the sampled pixels' code values (0..255 or
// 0..65535 each, by the image's depth) and the pixel count; count 0 marks an
// empty slot.
struct MemorySample {
    float sumR;
    float sumG;
    float sumB;
    int32_t count;
};

// The ideal of a memory colour in CIE LCh terms.
struct MemoryColorFcn {
    float maxChroma;  // target chroma, 0 .. 100
    float baseHue;    // target hue angle in degrees, 0 .. 360
    float dHdL;       // change of hue with lightness, -1 .. 1
};

constexpr int32_t kMemoryColorBins = 10;
constexpr int32_t kSamplesPerBin = 10;
constexpr int32_t kBinNameBytes = 20;
constexpr int32_t kNoiseChannels = 4;

struct MemoryColorBin {
    uint8_t haveDef;           // 1: the bin holds a definition
    char name[kBinNameBytes];  // terminated; an empty bin holds " "
    MemoryColorFcn fcn;
    MemorySample samplesBin[kSamplesPerBin];
};

// Copied by value wherever a second set is needed.
struct EditPars {
    RefRGB refRGB;
    uint8_t doAutoBlack;
    float autoBlackAmount;  // blend factor, 0 none .. 1 the full automatic black point
    uint8_t doAutoWhite;
    float autoWhiteAmount;
    uint8_t doAutoMidGray;
    float autoMidGrayAmount;
    float brightness;  // 0 .. 1, 0.5 = no change
    float contrast;    // 0 .. 1, 0.5 = no change
    MemoryColorBin customBinColors[kMemoryColorBins];
    // Extension: the sharpen and noise-removal settings.
    uint8_t doSharpen;
    int32_t sharpenStrength;  // 1 (very weak) .. 24 (very strong)
    int32_t sharpenMode;      // channel selector, -1 (each channel by itself) .. 3
    uint8_t doRemoveNoise;
    uint8_t noiseFlag;                       // luminance-chrominance switch
    int32_t noiseRadius[kNoiseChannels];     // 0 .. 16, 0 leaves the channel untouched
    int32_t noiseThreshold[kNoiseChannels];  // in 8-bit units
    int32_t noiseExtra;                      // mask shape, 0 .. 5
};

constexpr uint32_t kEditParsBytes = 2032;
constexpr uint32_t kEditParsExtensionBytes = 56;
// Bins that every caller of the plug-in predefines ("Neutrals" and "Skin").
constexpr int32_t kDefaultPredefinedBins = 2;

// Predefined memory colours: 0 "Foliage", 1 "Skin", 2 "Sky", 3 "Neutrals".
enum PredefinedColor : int32_t {
    kColorFoliage = 0,
    kColorSkin = 1,
    kColorSky = 2,
    kColorNeutrals = 3,
};
// Fills bin with a predefined colour (defined, samples cleared); kUiErrArg for
// a kind outside 0 .. 3.
int32_t SetPredefinedMemoryColor(int32_t kind, MemoryColorBin* bin);

// The default record: default working space, switches and amounts 0,
// brightness and contrast 0.5, bins 0 .. numPredefined - 1 predefined (bin 0
// Neutrals, bin 1 Skin, bin 2 Foliage, later ones Sky), the others empty with
// the name " ", every sample cleared, and the sharpen / noise block cleared.
int32_t SetDefaultEditPars(EditPars* pars, int32_t numPredefined);
// The same for the base part only, leaving the sharpen / noise block alone
// (the readers use it: that block arrives in an entry of its own).
int32_t SetDefaultEditParsBase(EditPars* pars, int32_t numPredefined);
// Gamma 2.2, the default primaries and the 6500 K daylight white.
int32_t SetDefaultRefRGB(EditPars* pars);
// The sharpen / noise block at the values a run in reset mode and the setup
// dialog's Restore Defaults start from (the table's start column): both
// filters off, strength 6 on each channel by itself, luminance-chrominance
// with radii 0/8/4/0, thresholds 0/16/16/0 and mask shape 4. The base part
// is left alone.
int32_t SetStartEditParsExtension(EditPars* pars);
void ClearMemorySamples(MemoryColorBin* bin);

// Decode a base block of portable cells or of big-endian IEEE single cells,
// then validate and repair it: kUiOk when everything was valid,
// kUiErrUnsupported when fields were repaired (each repair logged),
// kUiErrFormat when length is not 2032 (the base part is then at its defaults),
// kUiErrArg for a missing argument. Only the base part is touched: the
// sharpen / noise block comes from its own block.
int32_t ReadEditPars(const uint8_t* cells, uint32_t length, EditPars* pars);
int32_t ReadEditParsBigEndian(const uint8_t* cells, uint32_t length, EditPars* pars);
// Decodes the 56-byte sharpen / noise block (portable cells); kUiErrFormat when
// length is not 56, leaving the record as it was. No validation.
int32_t ReadEditParsExtension(const uint8_t* cells, uint32_t length, EditPars* pars);

// Write the blocks into cells (capacity at least 2032 or 56 bytes; kUiErrArg otherwise).
int32_t WriteEditPars(const EditPars* pars, uint8_t* cells, uint32_t capacity);
int32_t WriteEditParsBigEndian(const EditPars* pars, uint8_t* cells, uint32_t capacity);
int32_t WriteEditParsExtension(const EditPars* pars, uint8_t* cells, uint32_t capacity);

// The validation's field rules without repairing or logging: kUiErrArg when a
// flag, brightness, contrast or a defined bin is out of range; then the working
// space must be usable (gamma 0.1 .. 10, both matrices buildable), else
// kUiErrGeneral.
int32_t CheckEditPars(const EditPars* pars);

// Repairs the base part as the readers do after decoding; kUiOk or kUiErrUnsupported.
int32_t ValidateEditPars(EditPars* pars);
