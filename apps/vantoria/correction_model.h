// What a correction does to one image, worked out in the batch command's own
// process the way the plug-in's replay works it out: the preview box prepare
// chooses for the host kit's allowance, the reduced view the host's
// subsampling and the scaler make of the image (built here from the
// command's own buffer), and the engine's routine from a view to a compiled
// correction on it. The report, the ICC profile and the .cube file of a
// correction stand on it.
#pragma once

#include <cstdint>
#include <string>

#include "apps/vantoria/image_buffer.h"
#include "engine/edit_pars.h"
#include "engine/view_correction.h"

// The seconds each stage of a run took.
struct StageTimes {
    double read;     // reading the input and the settings
    double analyse;  // the report's own analysis
    double plugin;   // the plug-in's selectors
    double write;    // writing the output
};

// The replay's analysis of one image, done again in this process: the
// preview size prepare chooses, the reduced image read for it, and the
// compiled correction with what the analyses found on that image.
struct CorrectionModel {
    int32_t previewWidth;  // the preview box prepare chooses
    int32_t previewHeight;
    int32_t readWidth;  // the reduced image analysed
    int32_t readHeight;
    EditPars pars;             // the settings
    ViewCorrection corrected;  // the transform, the points per channel, the colours' means
};

// Builds the model of a correction of image (mask as below); empty or what
// went wrong. FreeCorrectionModel releases the transform.
std::string BuildCorrectionModel(const ImageBuffer& image, const uint8_t* mask,
                                 const EditPars& pars, CorrectionModel* model);
void FreeCorrectionModel(CorrectionModel* model);

// Each returns an empty string on success, else one line saying what went
// wrong; a failed write leaves no file behind. image is the input as read (the
// interface's scale), mask one byte per pixel (255 selected, rows of
// image.width bytes) or null, pars the settings of the run.

// The JSON report of the correction: the settings, the preview size, the
// automatic points per channel, each sampled memory colour's samples, mean,
// target and CIEDE2000 distance before and after, and the stage times.
std::string WriteCorrectionReport(const std::string& path, const ImageBuffer& image,
                                  const uint8_t* mask, const EditPars& pars,
                                  const StageTimes& times);

// The correction as an ICC input profile (the plug-in's export).
std::string ExportCorrectionIcc(const std::string& path, const ImageBuffer& image,
                                const uint8_t* mask, const EditPars& pars);

// The correction as a 33-point .cube 3D LUT in the working space's RGB.
std::string ExportCorrectionCube(const std::string& path, const ImageBuffer& image,
                                 const uint8_t* mask, const EditPars& pars);
