#include "apps/vantoria/correction_model.h"

std::string WriteCorrectionReport(const std::string&, const ImageBuffer&, const uint8_t*,
                                  const EditPars&, const StageTimes&) {
    return "reports are not available yet";
}

std::string ExportCorrectionIcc(const std::string&, const ImageBuffer&, const uint8_t*,
                                const EditPars&) {
    return "profile export is not available yet";
}

std::string ExportCorrectionCube(const std::string&, const ImageBuffer&, const uint8_t*,
                                 const EditPars&) {
    return ".cube export is not available yet";
}
