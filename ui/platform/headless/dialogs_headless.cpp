// Headless backend: the file dialogs, answered from the test's queue.
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "ui/platform.h"
#include "ui/platform/headless/headless.h"
#include "ui/status.h"

namespace {
struct Answer {
    bool cancel;
    std::string path;
};
std::deque<Answer> gAnswers;
std::vector<HeadlessFileDialog> gAsked;
void (*gObserver)(void*) = nullptr;
void* gObserverContext = nullptr;

void Copy(char* dst, size_t capacity, const char* src) {
    std::snprintf(dst, capacity, "%s", src ? src : "");
}

// Records the request and takes the next answer; no answer queued is a cancel.
int32_t Answer(bool save, void* owner, const char* prompt, const char* filter, const char* defExt,
               const char* initial, char* path, size_t capacity) {
    HeadlessFileDialog asked = {};
    asked.save = save;
    asked.owner = owner;
    Copy(asked.prompt, sizeof asked.prompt, prompt);
    Copy(asked.filter, sizeof asked.filter, filter);
    Copy(asked.defExt, sizeof asked.defExt, defExt);
    Copy(asked.initial, sizeof asked.initial, initial);
    gAsked.push_back(asked);
    if (gObserver) gObserver(gObserverContext);
    if (gAnswers.empty()) return kUiErrCancelled;
    struct Answer answer = gAnswers.front();
    gAnswers.pop_front();
    if (answer.cancel) return kUiErrCancelled;
    // Like the system's save dialog, a name typed without an extension gets
    // the default one.
    std::string chosen = answer.path;
    const size_t slash = chosen.find_last_of("/\\");
    const size_t dot = chosen.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    if (save && defExt && defExt[0] && !hasExtension) chosen += std::string(".") + defExt;
    if (path == nullptr || chosen.size() + 1 > capacity) return kUiErrGeneral;
    std::memcpy(path, chosen.c_str(), chosen.size() + 1);
    return kUiOk;
}
}  // namespace

void Headless_QueueFileDialogAnswer(const char* path) {
    gAnswers.push_back({path == nullptr, path ? path : ""});
}
int32_t Headless_FileDialogCount() {
    return int32_t(gAsked.size());
}
const HeadlessFileDialog* Headless_FileDialog(int32_t index) {
    return index >= 0 && index < int32_t(gAsked.size()) ? &gAsked[size_t(index)] : nullptr;
}
void Headless_SetFileDialogObserver(void (*observer)(void* context), void* context) {
    gObserver = observer;
    gObserverContext = context;
}
void Headless_ResetFileDialogs() {
    gAnswers.clear();
    gAsked.clear();
    gObserver = nullptr;
    gObserverContext = nullptr;
}

int32_t Plat_SaveFileDialog(void* owner, const char* prompt, const char* filter, const char* defExt,
                            char* path, size_t capacity) {
    return Answer(true, owner, prompt, filter, defExt, path, path, capacity);
}

int32_t Plat_OpenFileDialog(void* owner, const char* prompt, const char* filter,
                            const char* initial, char* path, size_t capacity) {
    return Answer(false, owner, prompt, filter, nullptr, initial, path, capacity);
}
