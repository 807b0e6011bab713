#include "apps/vantoria/correction_model.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "apps/vantoria/batch_run.h"
#include "apps/vantoria/file_paths.h"
#include "apps/vantoria/report_json.h"
#include "editor/preview_layout.h"
#include "engine/reduced_view.h"
#include "hostkit/hostkit.h"
#include "icc/cube_lut.h"
#include "icc/profile_export.h"
#include "ui/status.h"

namespace {

std::string StatusLine(const char* what, int32_t status) {
    return std::string(what) + " failed (" + Ui_StatusName(status) + ")";
}

// The image as the host kit delivers the reduced read's area: every step-th
// pixel of every plane, and of the selection, in buffers of this process.
struct Delivered {
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> mask;  // empty without a selection
    IPImage source;
    IPImage maskView;
};

void Deliver(const ImageBuffer& image, const uint8_t* mask, const ReducedRead& read, Delivered* d) {
    const int32_t bytes = image.depth / 8;
    const size_t pixel = size_t(image.planes) * size_t(bytes);
    const int32_t w = read.area.right - read.area.left, h = read.area.bottom - read.area.top;
    const int64_t step = read.step;
    d->pixels.resize(size_t(w) * size_t(h) * pixel);
    if (mask != nullptr) d->mask.resize(size_t(w) * size_t(h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const int64_t sx = (read.area.left + x) * step, sy = (read.area.top + y) * step;
            const size_t to = size_t(y) * size_t(w) + size_t(x);
            std::memcpy(&d->pixels[to * pixel],
                        &image.pixels[size_t(sy) * size_t(image.RowBytes()) + size_t(sx) * pixel],
                        pixel);
            if (mask != nullptr) d->mask[to] = mask[size_t(sy) * size_t(image.width) + size_t(sx)];
        }
    IPImage& v = d->source;
    v = IPImage{};
    v.kind = kIPImageColour;
    v.planeCount = image.planes > 3 ? 4 : 3;
    v.bytesPerSample = bytes;
    v.width = w;
    v.height = h;
    v.resolution = 72.0f;
    v.sampleStride = image.planes;
    v.rowStride = w * image.planes;
    for (int32_t k = 0; k < v.planeCount; ++k) v.planes[k] = d->pixels.data() + k * bytes;
    d->maskView = IPImage{};
    if (mask == nullptr) return;
    IPImage& m = d->maskView;
    m.kind = kIPImageMask;
    m.planeCount = 1;
    m.bytesPerSample = 1;
    m.width = w;
    m.height = h;
    m.resolution = 72.0f;
    m.sampleStride = 1;
    m.rowStride = w;
    m.planes[0] = d->mask.data();
}

// The preview box the plug-in's prepare chooses for this image under the host
// kit's allowance and the user's stored preferences. -3 when none fits.
int32_t PreparedBox(const ImageBuffer& image, int32_t* width, int32_t* height) {
    PrefsRecord prefs;
    SetDefaultPrefsRecord(&prefs);
    ReadUserPrefs(&prefs);
    PreviewPlanRequest request = {};
    request.available = HK_DefaultOptions().maxSpace;
    request.depth = image.depth;
    request.planes = image.planes;
    request.filter = PassRect{0, 0, image.height, image.width};
    request.useLargestWindow = prefs.useLargestWindow;
    MemoryPlan plan;
    PassRect largest;
    UI_TRY(PlanEditorPreview(request, &plan, &largest, 0));
    *width = plan.previewWidth;
    *height = plan.previewHeight;
    return kUiOk;
}

// The reduced view of the image for the box, its selection bitmap, and the
// correction compiled on them; *stage names the step that failed.
int32_t CompileOnReducedView(const ImageBuffer& image, const uint8_t* mask, CorrectionModel* model,
                             const char** stage) {
    *stage = "reading the preview";
    ReducedRead read;
    UI_TRY(PlanReducedRead(PassRect{0, 0, image.height, image.width}, model->previewWidth,
                           model->previewHeight, &read));
    Delivered d;
    Deliver(image, mask, read, &d);
    UI_TRY(ReduceIntoBox(read, &d.source, &d.maskView));
    FinishReducedView(&d.source);
    model->readWidth = d.source.width;
    model->readHeight = d.source.height;
    std::vector<uint8_t> bits;
    SelectionMask selection = {};
    if (ViewHasSelection(d.source, d.maskView)) {
        bits.resize(size_t(SelectionRowBytes(d.source.width)) * size_t(d.source.height));
        if (MarkSelectedPixels(d.source, d.maskView, bits.data()) == 0) return kUiErrGeneral;
        selection = SelectionMask{d.source.width, d.source.height,
                                  SelectionRowBytes(d.source.width), bits.data()};
    }
    *stage = "compiling the correction";
    EditTWSource source = {};
    source.editPars = model->pars;
    source.views[0] = d.source;
    source.selection = selection.bits != nullptr ? &selection : nullptr;
    return CompileViewCorrection(&source, image.depth == 16 ? 2 : 1, &model->corrected);
}

}  // namespace

std::string BuildCorrectionModel(const ImageBuffer& image, const uint8_t* mask,
                                 const EditPars& pars, CorrectionModel* model) {
    *model = CorrectionModel{};
    model->pars = pars;
    if (image.width < 1 || image.height < 1 || (image.planes != 3 && image.planes != 4) ||
        (image.depth != 8 && image.depth != 16) ||
        image.pixels.size() < size_t(image.RowBytes()) * size_t(image.height))
        return "the image cannot be analysed";
    const int32_t planned = PreparedBox(image, &model->previewWidth, &model->previewHeight);
    if (planned != kUiOk) return "planning the preview failed (" + std::to_string(memFullErr) + ")";
    const char* stage = "";
    const int32_t status = CompileOnReducedView(image, mask, model, &stage);
    if (status != kUiOk) {
        FreeCorrectionModel(model);
        return StatusLine(stage, status);
    }
    return std::string();
}

void FreeCorrectionModel(CorrectionModel* model) {
    FreeViewCorrection(&model->corrected);
}

std::string ExportCorrectionIcc(const std::string& path, const ImageBuffer& image,
                                const uint8_t* mask, const EditPars& pars) {
    CorrectionModel model;
    std::string error = BuildCorrectionModel(image, mask, pars, &model);
    if (!error.empty()) return error;
    const std::string name = BaseName(path);
    const ProfileExportSource source = {&model.pars, model.corrected.transform->tintwork,
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
        WriteCubeLut(model.corrected.transform->tintwork, title.c_str(), path.c_str());
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
