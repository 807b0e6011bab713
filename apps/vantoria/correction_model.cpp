#include "apps/vantoria/correction_model.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "apps/vantoria/file_paths.h"
#include "apps/vantoria/report_json.h"
#include "engine/tone_analysis.h"
#include "host/blocks.h"
#include "host/compile_pass.h"
#include "host/module_state.h"
#include "host/plugin_main.h"
#include "host/preview_read.h"
#include "hostkit/hostkit.h"
#include "icc/cube_lut.h"
#include "icc/profile_export.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

// The module's state that the model borrows while it works, given back after.
struct Borrowed {
    FilterRecord* record;
    UiState* ui;
};

std::string StatusLine(const char* what, int32_t status) {
    return std::string(what) + " failed (" + Ui_StatusName(status) + ")";
}

}  // namespace

std::string BuildCorrectionModel(const ImageBuffer& image, const uint8_t* mask,
                                 const EditPars& pars, CorrectionModel* model) {
    *model = CorrectionModel{};
    HKOptions options = HK_DefaultOptions();
    options.playInfo = plugInDialogDontDisplay;
    HKHost host;
    // The reads work in the buffers the host lends; the host writes into the
    // image itself only when a filter run ends, which the model never makes.
    const HKImage view{image.width, image.height,     image.planes,
                       image.depth, image.RowBytes(), const_cast<uint8_t*>(image.pixels.data())};
    const HKMask selection{image.width, const_cast<uint8_t*>(mask)};
    if (HK_Host_Init(&host, &view, &selection, &options) != 0)
        return "the image cannot be analysed";
    // Prepare chooses the preview size exactly as it does for the plug-in.
    const int16_t prepared = HK_Call(&host, PluginMain, filterSelectorPrepare);
    const DataBlock* data =
        host.data != 0 ? *reinterpret_cast<DataBlock* const*>(host.data) : nullptr;
    if (prepared != noErr || data == nullptr) {
        HK_Host_Free(&host);
        return "planning the preview failed (" + std::to_string(prepared) + ")";
    }
    model->previewWidth = data->edit.previewWidth;
    model->previewHeight = data->edit.previewHeight;

    const Borrowed saved = {gFilterRecord, gUiState};
    gFilterRecord = host.record;
    gUiState = nullptr;
    std::string error;
    if (Ui_State_Open(&gUiState, nullptr, nullptr, kStrProductName, 0) != kUiOk) {
        error = "the library state cannot be opened";
    } else {
        EditState& e = model->edit;
        e.pars = pars;
        int32_t status = ReadReducedImage(&e, model->previewWidth, model->previewHeight);
        if (status == kUiOk) {
            model->readWidth = e.sourceView.width;
            model->readHeight = e.sourceView.height;
            InitCompileParams(&model->levels, pars);
            status = AnalyzeTones(&model->levels, &e.sourceView,
                                  e.selection.bits != nullptr ? &e.selection : nullptr);
            if (status == kUiOk) status = CompileForPass(&e, image.depth == 16 ? 2 : 1);
            if (status != kUiOk) error = StatusLine("compiling the correction", status);
        } else {
            error = StatusLine("reading the preview", status);
        }
        FreePreviewImages(&e);
        Ui_State_Close(&gUiState);
    }
    gFilterRecord = saved.record;
    gUiState = saved.ui;
    HK_Host_Free(&host);
    if (!error.empty()) FreeCorrectionModel(model);
    return error;
}

void FreeCorrectionModel(CorrectionModel* model) {
    FreeEditTW(model->edit.transform);
    model->edit.transform = nullptr;
}

std::string ExportCorrectionIcc(const std::string& path, const ImageBuffer& image,
                                const uint8_t* mask, const EditPars& pars) {
    CorrectionModel model;
    std::string error = BuildCorrectionModel(image, mask, pars, &model);
    if (!error.empty()) return error;
    const std::string name = BaseName(path);
    const ProfileExportSource source = {&model.edit.pars, model.edit.transform->tintwork,
                                        name.c_str(), 0, nullptr};
    const int32_t status = ExportProfileToPath(&source, path.c_str());
    FreeCorrectionModel(&model);
    if (status != kUiOk)
        return "cannot write the profile " + path + " (" + Ui_StatusName(status) + ")";
    return std::string();
}

std::string ExportCorrectionCube(const std::string& path, const ImageBuffer& image,
                                 const uint8_t* mask, const EditPars& pars) {
    CorrectionModel model;
    std::string error = BuildCorrectionModel(image, mask, pars, &model);
    if (!error.empty()) return error;
    const std::string title = "Vantoria " + BaseName(path);
    const int32_t status =
        WriteCubeLut(model.edit.transform->tintwork, title.c_str(), path.c_str());
    FreeCorrectionModel(&model);
    if (status != kUiOk) return "cannot write " + path + " (" + Ui_StatusName(status) + ")";
    return std::string();
}

std::string WriteCorrectionReport(const std::string& path, const ImageBuffer& image,
                                  const uint8_t* mask, const EditPars& pars,
                                  const StageTimes& times) {
    const auto begin = std::chrono::steady_clock::now();
    CorrectionModel model;
    std::string error = BuildCorrectionModel(image, mask, pars, &model);
    if (!error.empty()) return error;
    StageTimes all = times;
    all.analyse = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    error = WriteReportJson(path, image, model, all);
    FreeCorrectionModel(&model);
    return error;
}
