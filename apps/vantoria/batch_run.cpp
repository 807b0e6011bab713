#include "apps/vantoria/batch_run.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "apps/vantoria/image_io.h"
#include "apps/vantoria/row_gate.h"

#include "editor/prefs_record.h"
#include "editor/script_blob.h"
#include "editor/stored_prefs.h"
#include "ui/file_layer.h"
#include "ui/paths.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) {
    gInterrupted = 1;
}

// The test hook (batch_run.h): interrupts this process once, at the point
// named by VANTORIA_TEST_INTERRUPT, as a Ctrl-C arriving just then would.
void TestInterrupt(const char* point) {
    static const char* hook = std::getenv("VANTORIA_TEST_INTERRUPT");
    static bool done = false;
    if (hook == nullptr || done || gInterrupted != 0 || std::strcmp(hook, point) != 0) return;
    done = true;
    if (std::strcmp(point, "folder") != 0) {
        std::raise(SIGINT);
        return;
    }
    // The folder run passes the interrupt on to its runs, this one included;
    // waited for at most 10 s, after which the run goes on.
    kill(getppid(), SIGINT);
    for (int i = 0; i < 1000 && gInterrupted == 0; ++i) usleep(10000);
}

bool WantsAbort(void*) {
    TestInterrupt("pass");
    TestInterrupt("folder");
    return gInterrupted != 0;
}

// What the host's callbacks tell: the progress bar's cells drawn (-1: no
// bar yet), the gate of the rows an encoder takes, and whether the rows came
// out of order.
struct Watch {
    int drawn;
    RowGate* gate;
    bool disordered;
};

// A bar of 40 cells, redrawn only when it changes.
void DrawProgress(int32_t done, int32_t total, void* context) {
    int* drawn = &static_cast<Watch*>(context)->drawn;
    if (total <= 0) return;
    const int cells = int(int64_t(done) * 40 / total);
    if (cells == *drawn) return;
    *drawn = cells;
    char bar[64];
    std::snprintf(bar, sizeof bar, "\rvantoria: [%-40.*s] %3d%%", cells,
                  "########################################", int(int64_t(done) * 100 / total));
    std::fputs(bar, stderr);
    std::fflush(stderr);
}

// Rows the plug-in has finished go to the encoder; rows out of order give
// the encoding up (the file is then written after the run).
void PassRows(int32_t rows, void* context) {
    Watch* watch = static_cast<Watch*>(context);
    watch->disordered |= rows < 0;
    if (rows < 0)
        AbandonRows(watch->gate);
    else
        OpenRows(watch->gate, rows);
}

const char* ResultName(int16_t result) {
    switch (result) {
        case noErr:
            return "ok";
        case userCanceledErr:
            return "userCanceledErr";
        case memFullErr:
            return "memFullErr";
        case paramErr:
            return "paramErr";
        case filterBadParameters:
            return "filterBadParameters";
        case filterBadMode:
            return "filterBadMode";
        case errPlugInHostInsufficient:
            return "errPlugInHostInsufficient";
    }
    return "error";
}

// The descriptor text of the settings: a record whose previous settings are
// these, which a replay without the editor applies whatever the start mode.
// The rest is the user's own (the start mode, the custom settings, their
// name and folder), so that the replay, which stores what it carries,
// changes only the previous settings, as an action recorded with these
// settings would.
std::string ScriptText(const EditPars& pars, std::vector<uint8_t>* text) {
    PrefsRecord prefs;
    SetDefaultPrefsRecord(&prefs);
    ReadUserPrefs(&prefs);
    prefs.previous = pars;
    std::vector<uint8_t> blob(kScriptBlobBytes);
    const int32_t status = EncodeScriptBlob(&prefs, blob.data(), uint32_t(blob.size()));
    if (status != kUiOk) return "cannot encode the settings: " + StatusWords(status);
    text->assign(ScriptTextBytes(kScriptBlobBytes), 0);
    PackScriptText(blob.data(), kScriptBlobBytes, text->data());
    return std::string();
}

}  // namespace

void ReadUserPrefs(PrefsRecord* prefs) {
    char name[64], path[kUiPathCapacity];
    if (Ui_ResToCString(nullptr, kStrPrefsFileName, name, sizeof name) != kUiOk ||
        Ui_Path_SetToPrefFile(nullptr, name, path, sizeof path) != kUiOk || FL_FileMissing(path))
        return;
    UiState* state = nullptr;
    if (Ui_State_Open(&state, nullptr, nullptr, kStrProductName, 0) != kUiOk) return;
    PrefsRecord read = *prefs;
    if (Ui_Prefs_ReadAll(state, path, kUiPrefsFileKind, ReadStoredPref, nullptr, &read) == kUiOk)
        *prefs = read;
    Ui_State_Close(&state);
}

void CatchInterrupts() {
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() {
    return gInterrupted != 0;
}

bool WriteInterrupted() {
    TestInterrupt("write");
    return Interrupted();
}

std::string RunCorrection(HKEntryProc entry, const BatchSettings& settings, const char* title,
                          const uint8_t* mask, ImageBuffer* image, BatchRun* run,
                          BatchWrite* write) {
    run->interrupted = false;
    run->seconds = 0;
    std::vector<uint8_t> text;
    std::string error = ScriptText(settings.pars, &text);
    if (!error.empty()) return error;

    RowGate gate;
    Watch watch = {-1, &gate, false};
    HKOptions options = HK_DefaultOptions();
    options.title = title;
    options.monitor = settings.monitor;
    options.playInfo = plugInDialogDontDisplay;
    options.wantsAbort = WantsAbort;
    if (run->progressBar) options.onProgress = DrawProgress;
    if (write != nullptr) options.onRowsFinal = PassRows;
    options.callbackContext = &watch;
    // The plug-in's output goes straight into a second block, which becomes
    // the image when the run succeeds; with a file encoded as the rows come,
    // into the image itself (the command has no use for it after a failure).
    PixelBytes corrected(write != nullptr ? 0 : image->pixels.size());
    uint8_t* const block = write != nullptr ? image->pixels.data() : corrected.data();
    options.resultBlock = block;
    HKHost host;
    const HKImage view = image->View();
    const HKMask selection{image->width, const_cast<uint8_t*>(mask)};
    if (HK_Host_Init(&host, &view, &selection, &options) != 0)
        return "the image cannot be handed to the plug-in";
    if (HK_SetDescriptorText(&host, kScriptDataKey, text.data(), uint32_t(text.size())) != 0) {
        HK_Host_Free(&host);
        return "out of memory";
    }
    // The output is encoded on a thread of its own while the plug-in works,
    // each row once the plug-in has finished it.
    std::thread encoder;
    if (write != nullptr) {
        write->streamed = false;
        write->seconds = 0;
        encoder = std::thread(
            [&] { write->error = EncodeImageFile(write->output, *image, block, &gate); });
    }
    const auto begin = std::chrono::steady_clock::now();
    // A replay: no about box, no parameters dialog.
    const HKRunPlan plan{false, false};
    HKRun result;
    HK_RunFilter(&host, entry, &plan, &result);
    auto end = std::chrono::steady_clock::now();
    run->seconds = std::chrono::duration<double>(end - begin).count();
    if (watch.drawn >= 0) {
        // The pass reports the rows it starts; a clean run ends the bar full.
        bool clean = true;
        for (int32_t i = 0; i < result.stepCount; ++i) clean &= result.steps[i].result == noErr;
        if (clean) DrawProgress(1, 1, &watch);
        std::fputs("\n", stderr);
    }
    // A run that went through its continue calls made the result the image.
    bool committed = false;
    for (int32_t i = 0; i < result.stepCount; ++i)
        committed |=
            result.steps[i].selector == filterSelectorContinue && result.steps[i].result == noErr;
    HK_Host_Free(&host);
    if (encoder.joinable()) {
        if (committed && !watch.disordered)
            OpenRows(&gate, image->height);
        else
            AbandonRows(&gate);
        encoder.join();
        write->streamed = gate.ready == image->height;
        if (!write->streamed) write->error.clear();  // given up: the file is written afterwards
        write->seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - end).count();
    }
    if (committed && write == nullptr) image->pixels.swap(corrected);

    bool started = false;
    for (int32_t i = 0; i < result.stepCount; ++i) {
        const HKStep& s = result.steps[i];
        if (run->printSteps)
            std::printf("vantoria: %-10s %s\n", HK_SelectorName(s.selector), ResultName(s.result));
        if (s.selector == filterSelectorStart) started = s.result == noErr;
        if (s.result == noErr || s.selector == filterSelectorFinish) continue;
        if (s.result == userCanceledErr && Interrupted()) {
            run->interrupted = true;
            return "interrupted; nothing written";
        }
        return std::string("the plug-in failed at ") + HK_SelectorName(s.selector) + " (" +
               ResultName(s.result) + " " + std::to_string(s.result) + "); nothing written";
    }
    if (!started) return "the plug-in did not process the image; nothing written";
    return std::string();
}
