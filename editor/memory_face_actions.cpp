// The memory-colour face's ways to a definition other than the sliders: the
// eyedropper in the preview, the host's colour picker, CIE measurements, and
// single definitions saved to and loaded from files.
#include <cstring>

#include "editor/editor_internal.h"
#include "editor/memory_colour_file.h"
#include "editor/preview_pane_internal.h"
#include "engine/memory_colour.h"
#include "ui/alert.h"
#include "ui/cursor.h"
#include "ui/debug_log.h"
#include "ui/dialog.h"
#include "ui/paths.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

constexpr uint8_t kMidGrey = 128;  // 0.5 of 255, rounded

MemoryColorBin& CurrentBin(EditState* edit) {
    return edit->pars.customBinColors[edit->editor.currentColour];
}

UiState* UiOf(void* dialog) {
    return Editor_State(dialog)->editor.host->ui;
}

// The end of a new definition from a file or the picker: no eyedropper
// samples, the face shown anew, the transform rebuilt.
void NewDefinition(void* dialog) {
    Editor_State(dialog)->editor.sampleCount = 0;
    MemoryFace_Update(dialog);
    MemoryFace_SelectName(dialog);
    MemoryFace_Apply(dialog);
}

// Asks for a text file to read: kUiOk with its path, kUiErrCancelled, or a
// failure of the dialog (reported with context).
int32_t ChooseFile(void* dialog, StringId prompt, StringId context, char* path, size_t capacity) {
    char text[kUiStringCapacity];
    Ui_ResToCString(UiOf(dialog), prompt, text, sizeof text);
    path[0] = 0;
    const int32_t chosen = Ui_Path_OpenDialog(UiOf(dialog), text, "", path, capacity);
    if (chosen != kUiOk && chosen != kUiErrCancelled) Editor_Report(dialog, chosen, context, "");
    return chosen;
}

}  // namespace

void MemoryFace_Sample(void* dialog, int32_t x, int32_t y) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    if (e.sampleCount >= uint32_t(kMaxEyedropperSamples)) {
        char text[kUiStringCapacity];
        Ui_ResToCString(e.host->ui, kStrMaxEyedropperSamples, text, sizeof text);
        Ui_Alert_Note(e.host->ui, text, nullptr, 0);
        return;
    }
    const int32_t before = Ui_Cursor_Current();
    Ui_Cursor_Set(kUiCursorWait);
    Editor_Snapshot(dialog, true);
    e.samplePoints[e.sampleCount] = SamplePoint{uint32_t(x), uint32_t(y)};
    ++e.sampleCount;
    RegionPoint points[kMaxEyedropperSamples];
    for (uint32_t i = 0; i < e.sampleCount; ++i)
        points[i] = RegionPoint{int32_t(e.samplePoints[i].x), int32_t(e.samplePoints[i].y)};
    MemoryColorBin& bin = CurrentBin(edit);
    MemoryColorFcn fcn = bin.fcn;
    const int32_t status = FitColorFunctionFromClicks(
        int32_t(e.sampleCount), points, edit->pars.refRGB, &Pane_ShownView(edit), &fcn);
    if (status == kUiOk) {
        bin.fcn = fcn;
        bin.haveDef = 1;
        MemoryFace_RedrawColour(dialog);
    } else {
        // The point that could not be used does not count against the five.
        --e.sampleCount;
        Ui_Alert_ReportErrorf(e.host->ui, status, kStrCtxSamplingImage, nullptr);
    }
    MemoryFace_Apply(dialog);
    Ui_Cursor_Set(before);
}

void MemoryFace_Picker(void* dialog) {
    EditState* edit = Editor_State(dialog);
    const EditorHost* host = edit->editor.host;
    MemoryColorBin& bin = CurrentBin(edit);
    uint8_t rgb[3] = {kMidGrey, kMidGrey, kMidGrey};
    if (bin.haveDef && MemoryColorMidRGB(bin.fcn, edit->pars.refRGB, rgb) != kUiOk)
        rgb[0] = rgb[1] = rgb[2] = kMidGrey;
    char prompt[kUiStringCapacity];
    Ui_ResToCString(host->ui, kStrPickAColor, prompt, sizeof prompt);
    int32_t status =
        host->pickColour != nullptr ? host->pickColour(prompt, rgb) : kUiErrUnsupported;
    if (status == kUiErrCancelled) return;  // nothing changed, not even the undo
    MemoryColorFcn fcn = bin.fcn;
    if (status == kUiOk) {
        const float colour[3] = {rgb[0] / 255.0f, rgb[1] / 255.0f, rgb[2] / 255.0f};
        status = FitColorFunctionFromRGB(colour, edit->pars.refRGB, &fcn);
    }
    if (status != kUiOk) {
        Editor_Report(dialog, status, kStrCtxEditingColor, nullptr);
        return;
    }
    Editor_Snapshot(dialog, false);
    bin.fcn = fcn;
    bin.haveDef = 1;
    NewDefinition(dialog);
}

void MemoryFace_Import(void* dialog) {
    EditState* edit = Editor_State(dialog);
    char path[kUiPathCapacity];
    if (ChooseFile(dialog, kStrImportMeasurements, kStrCtxImporting, path, sizeof path) != kUiOk)
        return;
    Editor_Snapshot(dialog, false);
    MemoryColorBin& bin = CurrentBin(edit);
    int32_t skipped = 0;
    const int32_t status = ImportCieMeasurements(UiOf(dialog), &bin, path, &skipped);
    if (status != kUiOk) {
        Editor_Report(dialog, status, kStrCtxImporting, Ui_Path_FileName(path));
        return;
    }
    // The file's name may hold characters a slot's name cannot.
    MemoryFace_CleanName(Ui_Path_FileName(path), bin.name);
    NewDefinition(dialog);
}

void MemoryFace_Load(void* dialog) {
    EditState* edit = Editor_State(dialog);
    char path[kUiPathCapacity];
    if (ChooseFile(dialog, kStrLoadMemoryColor, kStrCtxLoading, path, sizeof path) != kUiOk) return;
    Editor_Snapshot(dialog, false);
    const int32_t status = ReadMemoryColor(&CurrentBin(edit), path);
    if (status != kUiOk) {
        Editor_Report(dialog, status, kStrCtxLoading, Ui_Path_FileName(path));
        return;
    }
    NewDefinition(dialog);
}

void MemoryFace_Save(void* dialog) {
    EditState* edit = Editor_State(dialog);
    const MemoryColorBin& bin = CurrentBin(edit);
    UiState* ui = UiOf(dialog);
    char format[kUiStringCapacity], prompt[kUiStringCapacity], path[kUiPathCapacity];
    Ui_Sprintf(prompt, sizeof prompt, Ui_ResString(ui, kStrSaveMemoryColorAs, format), bin.name);
    Ui_Sprintf(path, sizeof path, "%s", bin.name);
    const int32_t chosen = Ui_Path_SaveDialog(ui, prompt, kUiFileKindText, path, sizeof path);
    if (chosen == kUiErrCancelled) return;
    if (chosen != kUiOk) {
        Editor_Report(dialog, chosen, kStrCtxGettingSaveLocation, nullptr);
        return;
    }
    const int32_t written = WriteMemoryColor(&bin, path);
    if (written != kUiOk) Editor_Report(dialog, written, kStrCtxSaving, Ui_Path_FileName(path));
}
