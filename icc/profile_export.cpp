// The profile export: proposed name and save dialog, the export table and
// its grid function, creation and writing of the profile, and the reports of
// each failure.
#include "icc/profile_export.h"

#include <cmath>
#include <cstring>

#include "engine/colour_science.h"
#include "engine/working_space.h"
#include "ui/alert.h"
#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/file_layer.h"
#include "ui/paths.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

constexpr const char* kUntitled = "Untitled";
constexpr uint32_t kCreatorSync = 0x73796E63;  // 'sync'

// Version 2 16-bit Lab: L × 652.8 (100 at 65280), a and b × 256 + 32768.
constexpr double kLabV2LScale = 652.8;
constexpr double kLabV2MaxL = 65280.0;

// The header of an input profile from RGB to Lab.
constexpr IccHeaderChoices kExportHeader = {0, 1, 2, 1, {' ', ' ', ' ', ' '}, 0};
constexpr double kD50[3] = {0.9642, 1.0, 0.8249};

uint16_t Clamp16(double v, double max) {
    return uint16_t(v <= 0.0 ? 0.0 : v >= max ? max : v);
}

// Reports status with context, which names the path when it has one.
int32_t Report(UiState* ui, int32_t status, StringId context, const char* path) {
    return Ui_Alert_ReportErrorf(ui, status, context, nullptr, path != nullptr ? path : "");
}

int32_t CreateExportProfile(ExportGridContext* context, const char* path, ProfileTable* table,
                            IccProfile** profile) {
    char description[kUiPathCapacity];
    ProfileDescription(path, description, sizeof description);
    UI_TRY(IccCreateProfile(profile, &kExportHeader, description));
    UI_TRY(IccSetWhitePoint(*profile, kD50[0], kD50[1], kD50[2]));
    UI_TRY(BuildExportTable(context, table));
    return IccAddLookupTable(*profile, table, 1);
}

}  // namespace

int32_t InitExportGridContext(const ProfileExportSource* source, ExportGridContext* context) {
    if (source == nullptr || context == nullptr || source->editPars == nullptr ||
        source->tintwork == nullptr || source->tintwork->inputChannels != 3 ||
        source->tintwork->outputChannels != 3)
        return kUiErrArg;
    std::memset(context, 0, sizeof *context);
    const RefRGB& ref = source->editPars->refRGB;
    context->tintwork = source->tintwork;
    context->ui = source->ui;
    context->outputScale = source->tintwork->outputDepth == 2 ? 1.0f / 65535.0f : 1.0f / 255.0f;
    return InitWorkingLab(ref, &context->space);
}

int32_t ExportGridNode(const double* in, uint16_t* out, void* raw) {
    ExportGridContext* context = static_cast<ExportGridContext*>(raw);
    uint8_t device[3];
    for (int32_t c = 0; c < 3; ++c) device[c] = uint8_t(in[c] * 255.0 + 0.5);
    // TwApplyPixel8 hands the samples over at the Tintwork's input depth.
    uint16_t corrected[kTwMaxChannels];
    const int32_t status = TwApplyPixel8(context->tintwork, device, corrected);
    if (status != kUiOk) {
        context->reported = 1;
        return Report(context->ui, status, kStrCtxEditingColor, nullptr);
    }
    float linear[3], lab[3];
    for (int32_t c = 0; c < 3; ++c)
        linear[c] =
            EncodedToLinear(float(corrected[c]) * context->outputScale, context->space.gamma);
    UI_TRY(LinearToLab(context->space, linear, lab));
    out[0] = Clamp16(lab[0] * kLabV2LScale + 0.5, kLabV2MaxL);
    out[1] = Clamp16(lab[1] * 256.0 + 32768.5, 65535.0);
    out[2] = Clamp16(lab[2] * 256.0 + 32768.5, 65535.0);
    return kUiOk;
}

int32_t BuildExportTable(ExportGridContext* context, ProfileTable* table) {
    if (context == nullptr || table == nullptr) return kUiErrArg;
    std::memset(table, 0, sizeof *table);
    table->inputChannels = 3;
    table->outputChannels = 3;
    table->gridPoints = kExportGridPoints;
    table->matrix[0] = table->matrix[4] = table->matrix[8] = 1.0;
    table->inputEntries = table->outputEntries = kExportTableEntries;
    uint16_t* curves =
        static_cast<uint16_t*>(Ui_MallocArray(6 * size_t(kExportTableEntries), sizeof(uint16_t)));
    if (curves == nullptr) return kUiErrMemory;
    // Identity ramp: entry i = (i × 65535 + 2047) / 4095, rounded to nearest.
    for (uint32_t c = 0; c < 6; ++c)
        for (uint32_t i = 0; i < kExportTableEntries; ++i)
            curves[c * kExportTableEntries + i] =
                uint16_t((i * 65535u + 2047u) / (kExportTableEntries - 1));
    table->inputTables = curves;
    table->outputTables = curves + 3 * kExportTableEntries;
    table->gridFunction = ExportGridNode;
    table->context = context;
    return kUiOk;
}

void FreeExportTable(ProfileTable* table) {
    if (table == nullptr) return;
    Ui_Free(table->inputTables);  // the output curves share its block
    std::memset(table, 0, sizeof *table);
}

int32_t ProposeProfileName(const char* folder, const char* documentName, const char* extension,
                           char* path, size_t capacity) {
    if (folder == nullptr || documentName == nullptr || extension == nullptr || path == nullptr ||
        capacity == 0)
        return kUiErrArg;
    const char* name = Ui_Path_FileName(documentName);
    if (name[0] == 0) name = kUntitled;
    const char* dot = std::strrchr(name, '.');
    size_t stem = dot ? size_t(dot - name) : std::strlen(name);
    const size_t tail = 1 + std::strlen(extension);  // "." and the extension
    size_t folderLength = std::strlen(folder);
    // Room for the folder, at least one character of the name, the
    // extension and the terminator; else the name alone.
    if (folderLength + 1 + tail + 1 > capacity) folderLength = 0;
    if (1 + tail + 1 > capacity) return kUiErrArg;
    if (folderLength + stem + tail + 1 > capacity) stem = capacity - 1 - tail - folderLength;
    std::memcpy(path, folder, folderLength);
    std::memcpy(path + folderLength, name, stem);
    path[folderLength + stem] = '.';
    std::memcpy(path + folderLength + stem + 1, extension, tail);  // with its terminator
    return kUiOk;
}

void ProfileDescription(const char* path, char* description, size_t capacity) {
    if (description == nullptr || capacity == 0) return;
    description[0] = 0;
    if (path == nullptr) return;
    const char* name = Ui_Path_FileName(path);
    const char* dot = std::strrchr(name, '.');
    size_t n = dot ? size_t(dot - name) : std::strlen(name);
    if (n > capacity - 1) n = capacity - 1;
    std::memcpy(description, name, n);
    description[n] = 0;
}

int32_t ExportProfileToPath(const ProfileExportSource* source, const char* path) {
    if (source == nullptr || path == nullptr || path[0] == 0) return kUiErrArg;
    Ui_Debug_Logf(source->diagnostics, "ExportProfile...");
    ExportGridContext context;
    ProfileTable table = {};
    IccProfile* profile = nullptr;
    int32_t status = InitExportGridContext(source, &context);
    if (status == kUiOk) status = CreateExportProfile(&context, path, &table, &profile);
    if (status != kUiOk) {
        IccFreeProfile(&profile);
        FreeExportTable(&table);
        return Report(source->ui, status, kStrCtxCreatingProfile, path);
    }
    status = IccWriteProfile(profile, path);
    IccFreeProfile(&profile);
    FreeExportTable(&table);
    if (status != kUiOk) {
        // The writer leaves no partial file: it writes beside the target and
        // renames only a complete profile over it.
        return context.reported ? status : Report(source->ui, status, kStrCtxWritingProfile, path);
    }
    Ui_File_SetInfo(path, kUiFileKindProfile, kCreatorSync, kStrProfileDescription, 0);
    Ui_Debug_Logf(source->diagnostics, "...ExportProfile");
    return kUiOk;
}

int32_t ExportProfile(UiState* state, const ProfileExportSource* source) {
    if (source == nullptr) return kUiErrArg;
    char folder[kUiPathCapacity];
    int32_t status = Ui_Path_SetToColorFolder(folder, sizeof folder);
    if (status != kUiOk) return Report(state, status, kStrCtxFindingProfileFolder, nullptr);
    char extension[16], prompt[128];
    status = Ui_ResToCString(state, kStrExtProfile, extension, sizeof extension);
    if (status == kUiOk) status = Ui_ResToCString(state, kStrSaveIccProfile, prompt, sizeof prompt);
    char path[kUiPathCapacity];
    if (status == kUiOk)
        status = ProposeProfileName(folder, source->documentName ? source->documentName : "",
                                    extension, path, sizeof path);
    if (status == kUiOk)
        status = Ui_Path_SaveDialog(state, prompt, kUiFileKindProfile, path, sizeof path);
    if (status != kUiOk) return Report(state, status, kStrCtxGettingSaveLocation, nullptr);
    return ExportProfileToPath(source, path);
}
