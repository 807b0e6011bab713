// A recorded action replayed with the real module: a first run (parameters
// to finish) with stored settings that brighten the image records its
// descriptor; the preferences are then removed and the descriptor replayed
// without the dialog on the same document and on another one.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "apps/vantoria_host/dialog_robot.h"
#include "apps/vantoria_host/module_checks.h"
#include "apps/vantoria_host/report.h"
#include "editor/prefs_record.h"
#include "editor/stored_prefs.h"
#include "host/script_params.h"
#include "hostkit/hostkit.h"
#include "ui/paths.h"
#include "ui/prefs_file.h"
#include "ui/status.h"

namespace {

using Pixels = std::vector<uint8_t>;

struct Document {
    int32_t width, height;
    Pixels pixels;
};

// RGB gradients of their own per document, every channel different.
Document MakeDocument(int32_t width, int32_t height, int32_t seed) {
    Document d = {width, height, Pixels(size_t(width) * size_t(height) * 3)};
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = &d.pixels[(size_t(y) * size_t(width) + size_t(x)) * 3];
            p[0] = uint8_t(x * 3 + seed);
            p[1] = uint8_t(y * 4 + 2 * seed);
            p[2] = uint8_t(200 - x - y + seed);
        }
    return d;
}

bool PrefsPath(char* path, size_t capacity) {
    return Ui_Path_SetToPrefFile(nullptr, "Vantoria Plugin Prefs", path, capacity) == kUiOk;
}

// Stored settings that start from the previous ones, made brighter.
bool WriteBrighterPrefs() {
    PrefsRecord p;
    char path[kUiPathCapacity];
    if (SetDefaultPrefsRecord(&p) != kUiOk || !PrefsPath(path, sizeof path)) return false;
    p.startMode = kStartPrevious;
    p.previous.brightness = 0.75f;
    return Ui_Prefs_WriteAll(nullptr, path, kUiPrefsFileKind, WriteStoredPrefs, &p) == kUiOk;
}

struct RunOutcome {
    bool ran;         // the module loaded and the run succeeded
    Pixels result;    // the document afterwards
    Pixels recorded;  // the descriptor's text recorded at finish
};

// One run of a freshly loaded module over d: a first run with the dialog, or
// a replay of `descriptor` with playInfo "don't display".
RunOutcome RunOnce(const char* modulePath, const char* entryName, Document d,
                   const Pixels* descriptor) {
    RunOutcome out = {false, {}, {}};
    HKModule module = {nullptr, nullptr};
    char error[256] = {};
    if (HK_LoadModule(modulePath, entryName, &module, error, sizeof error) != 0) {
        Report(false, "replay: module loaded", "%s", error);
        return out;
    }
    const HKImage image = {d.width, d.height, 3, 8, d.width * 3, d.pixels.data()};
    const HKMask noMask = {0, nullptr};
    HKOptions options = HK_DefaultOptions();
    if (descriptor != nullptr) options.playInfo = plugInDialogDontDisplay;
    HKHost host = {};
    if (HK_Host_Init(&host, &image, &noMask, &options) == 0) {
        const bool set =
            descriptor == nullptr || HK_SetDescriptorText(&host, kScriptDataKey, descriptor->data(),
                                                          uint32_t(descriptor->size())) == 0;
        HKRun run = {};
        const HKRunPlan plan = {false, descriptor == nullptr};
        if (set) HK_RunFilter(&host, module.entry, &plan, &run);
        uint32_t size = 0;
        const uint8_t* text = HK_DescriptorText(&host, kScriptDataKey, &size);
        if (text != nullptr) out.recorded.assign(text, text + size);
        out.ran = set && run.result == noErr && run.stepCount > 0;
        if (!out.ran)
            Report(false, "replay: run", "result %d after %d steps", int(run.result),
                   int(run.stepCount));
        out.result = d.pixels;
    }
    HK_Host_Free(&host);
    HK_UnloadModule(&module);
    return out;
}

// Pixels that differ between two documents of the same size.
int32_t Changed(const Pixels& a, const Pixels& b) {
    int32_t n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
    return n;
}

// The mean of all samples, to show the settings brighten.
double Mean(const Pixels& p) {
    double sum = 0;
    for (uint8_t v : p) sum += v;
    return p.empty() ? 0 : sum / double(p.size());
}

}  // namespace

void CheckReplay(const char* modulePath, const char* entryName) {
    if (!Report(WriteBrighterPrefs(), "replay: stored settings with brightness 0.75",
                "cannot write the preferences file"))
        return;
    const Document first = MakeDocument(64, 48, 0);
    const RunOutcome recording = RunOnce(modulePath, entryName, first, nullptr);
    if (!recording.ran) return;
    const int32_t changed = Changed(recording.result, first.pixels);
    Report(changed > int32_t(first.pixels.size()) / 2 &&
               Mean(recording.result) > Mean(first.pixels) + 5,
           "replay: the first run brightens the image", "%d samples changed, mean %.1f -> %.1f",
           int(changed), Mean(first.pixels), Mean(recording.result));
    if (!Report(!recording.recorded.empty(), "replay: descriptor recorded at finish",
                "no descriptor"))
        return;
    std::printf("wine ok replay: descriptor of %u bytes, %d of %u samples changed\n",
                unsigned(recording.recorded.size()), int(changed), unsigned(first.pixels.size()));

    // Without the stored settings: only the descriptor can brighten now.
    char path[kUiPathCapacity];
    if (PrefsPath(path, sizeof path)) DeleteFileA(path);
    DialogRobot_TakeAlerts(nullptr, 0);
    const RunOutcome same = RunOnce(modulePath, entryName, first, &recording.recorded);
    Report(same.ran && same.result == recording.result,
           "replay: same document, no dialog, result identical to the recorded run",
           "%d samples differ", int(Changed(same.result, recording.result)));

    const Document second = MakeDocument(80, 60, 37);
    const RunOutcome a = RunOnce(modulePath, entryName, second, &recording.recorded);
    const RunOutcome b = RunOnce(modulePath, entryName, second, &recording.recorded);
    const int32_t changedSecond = a.ran ? Changed(a.result, second.pixels) : 0;
    char what[160];
    std::snprintf(what, sizeof what,
                  "replay: another document brightened by the recorded settings (mean %.1f -> "
                  "%.1f, %d of %u samples changed)",
                  Mean(second.pixels), Mean(a.result), int(changedSecond),
                  unsigned(second.pixels.size()));
    Report(a.ran && changedSecond > int32_t(second.pixels.size()) / 2 &&
               Mean(a.result) > Mean(second.pixels) + 5,
           what, "not brightened");
    Report(a.ran && b.ran && a.result == b.result,
           "replay: a second replay of the descriptor gives the same pixels", "%d samples differ",
           int(Changed(a.result, b.result)));
    Report(!a.recorded.empty() && a.recorded == recording.recorded,
           "replay: the replay records the same descriptor again", "%u bytes against %u",
           unsigned(a.recorded.size()), unsigned(recording.recorded.size()));
    const int32_t alerts = DialogRobot_TakeAlerts(nullptr, 0);
    Report(alerts == 0, "replay: no alerts", "%d alerts", int(alerts));
}
