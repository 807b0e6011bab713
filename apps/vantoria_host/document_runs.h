// Runs of the real module over an in-memory 8-bit RGB document through the
// host kit, each with a freshly loaded module: what the replay and editor
// checks share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

using Pixels = std::vector<uint8_t>;

struct Document {
    int32_t width, height;
    Pixels pixels;  // interleaved RGB, rows width * 3 bytes apart
};

struct RunOutcome {
    bool ran;         // the module loaded and the run succeeded
    Pixels result;    // the document afterwards
    Pixels recorded;  // the descriptor's text recorded at finish
};

// The filter's result when the user cancelled it.
constexpr int16_t kUserCancelled = -128;

// One run over d with the host's play information: without `descriptor`
// a first run (parameters sent), with it a replay of the recorded text.
// The run is expected to end with `expected` (0, or kUserCancelled: the
// document stays as it was); anything else is reported under the label
// ("replay", "editor").
RunOutcome RunDocument(const char* modulePath, const char* entryName, Document d,
                       const Pixels* descriptor, int16_t playInfo, const char* label,
                       int16_t expected = 0);

// Elements that differ between two vectors of the same size (samples of
// documents, pixels of screens).
template <typename T>
int32_t Changed(const std::vector<T>& a, const std::vector<T>& b) {
    int32_t n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
    return n;
}

// The module's stored preferences file.
bool PrefsPath(char* path, size_t capacity);
// Writes stored preferences with start mode Previous and default previous
// settings but for their brightness (0.5 changes nothing).
bool WritePreviousPrefs(float brightness);
struct PrefsRecord;
// Reads the stored preferences file into prefs.
bool ReadPrefsFile(PrefsRecord* prefs);
