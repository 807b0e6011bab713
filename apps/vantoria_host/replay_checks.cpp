// A recorded action replayed with the real module: a first run (parameters
// to finish) with stored settings that brighten the image records its
// descriptor; the preferences are then removed and the descriptor replayed
// without the dialog on the same document and on another one.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "apps/vantoria_host/dialog_robot.h"
#include "apps/vantoria_host/document_runs.h"
#include "apps/vantoria_host/module_checks.h"
#include "apps/vantoria_host/report.h"
#include "hostkit/hostkit.h"
#include "ui/paths.h"
#include "ui/status.h"

namespace {
constexpr int16_t kReplay = plugInDialogDontDisplay;

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

// The mean of all samples, to show the settings brighten.
double Mean(const Pixels& p) {
    double sum = 0;
    for (uint8_t v : p) sum += v;
    return p.empty() ? 0 : sum / double(p.size());
}

}  // namespace

void CheckReplay(const char* modulePath, const char* entryName) {
    if (!Report(WritePreviousPrefs(0.75f), "replay: stored settings with brightness 0.75",
                "cannot write the preferences file"))
        return;
    const Document first = MakeDocument(64, 48, 0);
    const RunOutcome recording =
        RunDocument(modulePath, entryName, first, nullptr, plugInDialogDisplay, "replay");
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
    const RunOutcome same =
        RunDocument(modulePath, entryName, first, &recording.recorded, kReplay, "replay");
    Report(same.ran && same.result == recording.result,
           "replay: same document, no dialog, result identical to the recorded run",
           "%d samples differ", int(Changed(same.result, recording.result)));

    const Document second = MakeDocument(80, 60, 37);
    const RunOutcome a =
        RunDocument(modulePath, entryName, second, &recording.recorded, kReplay, "replay");
    const RunOutcome b =
        RunDocument(modulePath, entryName, second, &recording.recorded, kReplay, "replay");
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
