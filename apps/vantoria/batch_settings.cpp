#include "apps/vantoria/batch_settings.h"

#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "apps/vantoria/file_paths.h"
#include "editor/filter_settings.h"
#include "editor/memory_colour_file.h"
#include "editor/settings_file.h"
#include "engine/edit_pars_table.h"
#include "engine/memory_colour.h"
#include "host/reference_space.h"
#include "icc/profile_working_space.h"
#include "resources/string_table.h"
#include "ui/status.h"

namespace {

// The command's own starting point: the record's defaults with the
// automatic levels' amounts at 1 (the full measured points) and the
// sharpen's and the noise removal's start values, all switched off. A
// switch that an option turns on keeps the amount or values of its start,
// as it does for a settings file, which brings its own.
void CommandStart(EditPars* p) {
    SetDefaultEditPars(p, kDefaultPredefinedBins);
    p->autoBlackAmount = p->autoWhiteAmount = p->autoMidGrayAmount = 1.0f;
    SetStartEditParsExtension(p);
}

// The embedded default for photographs: the black and white points set
// automatically, and a moderate sharpen.
void EmbeddedDefault(EditPars* p) {
    CommandStart(p);
    p->doAutoBlack = p->doAutoWhite = 1;
    p->doSharpen = 1;
}

void ApplySwitch(const BatchSwitch& s, uint8_t* on, float* amount) {
    if (s.on >= 0) *on = uint8_t(s.on);
    if (s.amount >= 0) *amount = s.amount;
}

// The options on top of the settings; their values were checked against the
// settings table's ranges when the command line was read.
void ApplyOptions(const BatchOptions& o, EditPars* p) {
    ApplySwitch(o.autoBlack, &p->doAutoBlack, &p->autoBlackAmount);
    ApplySwitch(o.autoWhite, &p->doAutoWhite, &p->autoWhiteAmount);
    ApplySwitch(o.autoMidGrey, &p->doAutoMidGray, &p->autoMidGrayAmount);
    // The editor shows brightness and contrast as -100..100 around 0.
    if (o.haveBrightness) p->brightness = float(kEditorOffset + o.brightness / kEditorScale);
    if (o.haveContrast) p->contrast = float(kEditorOffset + o.contrast / kEditorScale);
    if (o.sharpen >= 0) p->doSharpen = uint8_t(o.sharpen);
    if (o.sharpenStrength > 0) p->sharpenStrength = o.sharpenStrength;
    if (o.noise >= 0) p->doRemoveNoise = uint8_t(o.noise);
}

MemoryColorBin* FreeBin(EditPars* p) {
    for (MemoryColorBin& bin : p->customBinColors)
        if (bin.haveDef == 0) return &bin;
    return nullptr;
}

// The bin of that name; the predefined neutrals and skin are added when
// the settings lack them.
MemoryColorBin* BinNamed(EditPars* p, const std::string& name) {
    for (MemoryColorBin& bin : p->customBinColors)
        if (bin.haveDef != 0 && strncasecmp(bin.name, name.c_str(), kBinNameBytes) == 0)
            return &bin;
    int32_t kind = -1;
    if (strcasecmp(name.c_str(), "Neutrals") == 0) kind = kColorNeutrals;
    if (strcasecmp(name.c_str(), "Skin") == 0) kind = kColorSkin;
    MemoryColorBin* bin = kind >= 0 ? FreeBin(p) : nullptr;
    if (bin != nullptr && SetPredefinedMemoryColor(kind, bin) != kUiOk) return nullptr;
    return bin;
}

std::string FileError(const std::string& what, const std::string& path, int32_t status) {
    return "cannot read " + what + " " + path + ": " + StatusWords(status);
}

std::string AddMemoryColours(const BatchOptions& o, EditPars* p) {
    for (const std::string& path : o.memoryColourFiles) {
        MemoryColorBin* bin = FreeBin(p);
        if (bin == nullptr) return "no room for the memory colour of " + path;
        MemoryColorBin read = *bin;
        ClearMemorySamples(&read);
        const int32_t status = ReadMemoryColor(&read, path.c_str());
        if (status != kUiOk) return FileError("the memory colour file", path, status);
        *bin = read;
    }
    for (const std::string& path : o.measurementFiles) {
        MemoryColorBin* bin = FreeBin(p);
        if (bin == nullptr) return "no room for the memory colour of " + path;
        MemoryColorBin read = *bin;
        ClearMemorySamples(&read);
        int32_t skipped = 0;
        const int32_t status = ImportCieMeasurements(nullptr, &read, path.c_str(), &skipped);
        if (status != kUiOk) return FileError("the measurement file", path, status);
        // Named after the file, as the editor names an import.
        std::string name = BaseName(path);
        name = name.substr(0, name.rfind('.'));
        std::memset(read.name, 0, sizeof read.name);
        std::strncpy(read.name, name.c_str(), kBinNameBytes - 1);
        read.haveDef = 1;
        *bin = read;
        if (skipped > 0)
            std::fprintf(stderr, "vantoria: %s: %d measurements skipped\n", path.c_str(), skipped);
    }
    return std::string();
}

// The eyedropper: the area grown around each point, with the image's code
// values (16-bit samples in the file's 0..65535).
std::string TakeSamples(const BatchOptions& o, const ImageBuffer& image, EditPars* p) {
    if (o.samples.empty()) return std::string();
    std::vector<uint8_t> wide;
    const uint8_t* pixels = image.pixels.data();
    if (image.depth == 16) {
        wide.assign(image.pixels.begin(), image.pixels.end());
        const std::vector<uint16_t> table = Table16(FromInterface16);
        ConvertSamples16(wide.data(), wide.size() / 2, table.data());
        pixels = wide.data();
    }
    const int32_t bytes = image.depth / 8;
    IPImage view = {};
    view.kind = kIPImageColour;
    view.planeCount = 3;
    view.bytesPerSample = bytes;
    view.width = image.width;
    view.height = image.height;
    view.resolution = 72.0f;
    view.sampleStride = image.planes;
    view.rowStride = image.width * image.planes;
    for (int32_t k = 0; k < 3; ++k) view.planes[k] = const_cast<uint8_t*>(pixels) + k * bytes;
    for (const BatchSample& s : o.samples) {
        char where[64];
        std::snprintf(where, sizeof where, "%d,%d", s.x, s.y);
        if (s.x >= image.width || s.y >= image.height)
            return std::string("the sample point ") + where + " lies outside the image";
        MemoryColorBin* bin = BinNamed(p, s.bin);
        if (bin == nullptr) return "the settings have no memory colour named " + s.bin;
        const int32_t status = AddClickToSamples(&view, s.x, s.y, bin->samplesBin, nullptr);
        if (status != kUiOk)
            return std::string("cannot sample at ") + where + ": " + StatusWords(status);
    }
    return std::string();
}

Fixed ToFixed(double v) {
    return Fixed(std::lround(v * 65536.0));
}

// A working space as the host's monitor record.
PlugInMonitor MonitorOf(const ProfileWorkingSpace& space) {
    PlugInMonitor m = {};
    m.gamma = ToFixed(space.gamma);
    m.redX = ToFixed(space.primaries[0]);
    m.redY = ToFixed(space.primaries[1]);
    m.greenX = ToFixed(space.primaries[2]);
    m.greenY = ToFixed(space.primaries[3]);
    m.blueX = ToFixed(space.primaries[4]);
    m.blueY = ToFixed(space.primaries[5]);
    m.whiteX = ToFixed(space.white[0]);
    m.whiteY = ToFixed(space.white[1]);
    return m;
}

// The working space of a matrix/TRC RGB profile file.
std::string ReadWorkingSpaceProfile(const std::string& path, PlugInMonitor* m) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return "cannot read the profile " + path + ": " + std::strerror(errno);
    std::vector<uint8_t> data;
    uint8_t chunk[65536];
    size_t n = 0;
    // Profiles are small; a file far larger than any is no working space.
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 && data.size() < (64u << 20))
        data.insert(data.end(), chunk, chunk + n);
    std::fclose(f);
    ProfileWorkingSpace space;
    if (data.size() >= (64u << 20) ||
        ReadProfileWorkingSpace(data.data(), uint32_t(data.size()), &space) != kUiOk)
        return "the profile " + path + " is no matrix/TRC RGB profile";
    *m = MonitorOf(space);
    return std::string();
}

// An existing path that is no folder: --working-space takes it as a profile.
bool IsFile(const std::string& path, int* error) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        *error = errno;
        return false;
    }
    *error = S_ISDIR(st.st_mode) ? EISDIR : 0;
    return *error == 0;
}

// GAMMA,rx,ry,gx,gy,bx,by,wx,wy within their ranges: gamma 0.1..10, each
// x and y in 0..1 with y above 0. Empty, or what is wrong.
std::string ParseWorkingSpaceNumbers(const std::string& text, int fileError, double* v) {
    char extra = 0;
    if (std::sscanf(text.c_str(), "%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf%c", &v[0], &v[1], &v[2],
                    &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &extra) != 9)
        return "--working-space takes the path of a profile file or "
               "GAMMA,rx,ry,gx,gy,bx,by,wx,wy; " +
               text + " is neither (" + std::strerror(fileError) + ")";
    if (!(v[0] >= 0.1 && v[0] <= 10)) return "the working space's gamma must lie in 0.1..10";
    for (int32_t i = 1; i < 9; ++i)
        if (!(v[i] >= 0 && v[i] <= 1) || ((i % 2) == 0 && v[i] <= 0))
            return "the working space's x,y values must lie in 0..1, y above 0";
    return std::string();
}

// A profile file, or the numbers when no file of that name exists, as the
// host's monitor record.
std::string ParseWorkingSpace(const std::string& text, PlugInMonitor* m) {
    int fileError = 0;
    if (IsFile(text, &fileError)) return ReadWorkingSpaceProfile(text, m);
    double v[9];
    const std::string error = ParseWorkingSpaceNumbers(text, fileError, v);
    if (!error.empty()) return error;
    const ProfileWorkingSpace space = {v[0], {v[1], v[2], v[3], v[4], v[5], v[6]}, {v[7], v[8]}};
    *m = MonitorOf(space);
    return std::string();
}

// An automatic level's amount, which acts only while its switch is on.
bool IdleAmount(const EditParRow& row, const EditPars& p) {
    const struct {
        const char* amount;
        uint8_t on;
    } amounts[] = {{"autoBlackAmount", p.doAutoBlack},
                   {"autoWhiteAmount", p.doAutoWhite},
                   {"autoMidGrayAmount", p.doAutoMidGray}};
    for (const auto& a : amounts)
        if (std::strcmp(row.name, a.amount) == 0) return a.on == 0;
    return false;
}

}  // namespace

std::string WorkingSpaceOptionError(const std::string& text) {
    int fileError = 0;
    double v[9];
    return IsFile(text, &fileError) ? std::string() : ParseWorkingSpaceNumbers(text, fileError, v);
}

bool InEditParRange(const char* name, double scale, double offset, double value) {
    const EditParRow* row = FindEditPar(name);
    const double v = value / scale + offset;
    return row != nullptr && v >= row->low && v <= row->high;
}

std::string EditParRange(const char* name, double scale, double offset) {
    const EditParRow* row = FindEditPar(name);
    if (row == nullptr) return "no range";
    char text[96];
    std::snprintf(text, sizeof text, "%g to %g", (row->low - offset) * scale,
                  (row->high - offset) * scale);
    return text;
}

std::string StatusWords(int32_t status) {
    const StringTableEntry* entry = FindStringTableEntry(Ui_StatusMessageId(status));
    std::string words = entry != nullptr ? entry->text : "failed";
    while (!words.empty() && (words.back() == '.' || words.back() == ' ')) words.pop_back();
    return words + " (" + Ui_StatusName(status) + ")";
}

std::string MakeBatchSettings(const BatchOptions& o, const ImageBuffer& image, BatchSettings* s) {
    EditPars& p = s->pars;
    CommandStart(&p);
    if (!o.settingsFile.empty()) {
        // As stored; a file older than the sharpen / noise section leaves
        // those filters off.
        const int32_t status =
            ReadCustomSettingsFile(&p, o.settingsFile.c_str(), kDefaultPredefinedBins);
        if (status != kUiOk) return FileError("the settings file", o.settingsFile, status);
    } else if (!o.neutral) {
        EmbeddedDefault(&p);
    }
    ApplyOptions(o, &p);
    std::string error = AddMemoryColours(o, &p);
    if (error.empty()) error = TakeSamples(o, image, &p);
    if (!error.empty()) return error;

    s->monitor = PlugInMonitor{};
    s->spaceName = "the default working space";
    if (!o.workingSpace.empty()) {
        error = ParseWorkingSpace(o.workingSpace, &s->monitor);
        if (!error.empty()) return error;
        s->spaceName = "the working space " + o.workingSpace;
    } else if (!image.iccProfile.empty()) {
        ProfileWorkingSpace space;
        if (ReadProfileWorkingSpace(image.iccProfile.data(), uint32_t(image.iccProfile.size()),
                                    &space) == kUiOk) {
            s->monitor = MonitorOf(space);
            s->spaceName = "the working space of the input's profile";
        } else {
            s->spaceName += " (the input's profile is no matrix/TRC RGB profile)";
        }
    }
    // The working space the plug-in will take from the host, so the stored
    // settings need no question about another space.
    ReferenceSpaceOfHost(s->monitor, &p.refRGB, 0);
    return std::string();
}

std::string DescribeSettings(const EditPars& pars) {
    EditPars neutral;
    SetDefaultEditPars(&neutral, kDefaultPredefinedBins);
    std::string text;
    char value[64];
    for (const EditParTable* table : {&kEditParsBaseTable, &kEditParsExtensionTable})
        for (uint32_t r = 0; r < table->count; ++r) {
            const EditParRow& row = table->rows[r];
            if (row.kind == kParGroup || row.kind == kParText || IdleAmount(row, pars)) continue;
            // The sharpen's and the noise removal's own values only when they run.
            const bool noiseRow = std::strncmp(row.name, "noise", 5) == 0 ||
                                  std::strcmp(row.name, "doRemoveNoise") == 0;
            if (table == &kEditParsExtensionTable &&
                (noiseRow ? pars.doRemoveNoise == 0 : pars.doSharpen == 0))
                continue;
            for (uint32_t i = 0; i < row.count; ++i) {
                const void* a = EditParElement(row, &pars, i);
                const void* b = EditParElement(row, &neutral, i);
                const size_t size = row.kind == kParFlag ? 1 : 4;
                if (std::memcmp(a, b, size) == 0) continue;
                const double v = EditParNumber(row, &pars, i);
                std::snprintf(value, sizeof value, row.kind == kParFloat ? "%g" : "%.0f", v);
                text += std::string(text.empty() ? "" : " ") + row.name;
                if (row.count > 1) text += "[" + std::to_string(i) + "]";
                text += std::string("=") + value;
            }
        }
    // Memory colours added to the predefined ones, and those sampled.
    for (int32_t i = 0; i < kMemoryColorBins; ++i) {
        const MemoryColorBin& bin = pars.customBinColors[i];
        int32_t samples = 0;
        for (const MemorySample& m : bin.samplesBin) samples += m.count > 0 ? 1 : 0;
        if (bin.haveDef == 0 || (samples == 0 && neutral.customBinColors[i].haveDef != 0)) continue;
        text += std::string(text.empty() ? "" : " ") + "memory colour '" + bin.name + "'";
        if (samples > 0) text += ":" + std::to_string(samples) + " sample bands";
    }
    return text.empty() ? "neutral" : text;
}
