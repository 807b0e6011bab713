// The report of a correction as JSON: what a user would want to know about
// what the automatic settings and the memory colours did to the photograph.
#pragma once

#include <string>

#include "apps/vantoria/correction_model.h"

// Writes the report of model (a correction of image) to path, under a
// temporary name renamed when complete. Empty, or what went wrong; a failed
// write leaves no file.
std::string WriteReportJson(const std::string& path, const ImageBuffer& image,
                            const CorrectionModel& model, const StageTimes& times);
