#include "apps/vantoria/batch_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "apps/vantoria/batch_settings.h"
#include "editor/filter_settings.h"
#include "resources/string_table.h"

namespace {

// Whole numbers within [low, high].
bool ParseInt(const char* text, int low, int high, int* out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != 0 || v < low || v > high) return false;
    *out = int(v);
    return true;
}

bool ParseFraction(const char* text, float* out) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != 0 || !(v >= 0 && v <= 1)) return false;
    *out = float(v);
    return true;
}

// "X,Y" with non-negative coordinates.
bool ParsePoint(const char* text, int* x, int* y) {
    int a = -1, b = -1;
    char extra = 0;
    if (std::sscanf(text, "%d,%d%c", &a, &b, &extra) != 2 || a < 0 || b < 0) return false;
    *x = a;
    *y = b;
    return true;
}

// "640x480" or "640x480x16".
bool ParseSynthetic(BatchOptions* o, const char* spec) {
    int width = 0, height = 0, bits = 8;
    char extra = 0;
    const int n = std::sscanf(spec, "%dx%dx%d%c", &width, &height, &bits, &extra);
    if (n < 2 || n > 3 || width < 1 || height < 1 || width > 20000 || height > 20000 ||
        (bits != 8 && bits != 16))
        return false;
    o->synthetic = spec;
    o->syntheticWidth = width;
    o->syntheticHeight = height;
    o->syntheticDepth = bits;
    return true;
}

typedef bool (*Apply)(BatchOptions* o, const char* value);

struct OptionRow {
    const char* name;
    const char* value;  // the value's name in the help; null: a switch
    const char* help;
    Apply apply;            // value is null when an optional value was left out
    bool optional = false;  // the value may be left out; it is taken when it is a number
    // The setting whose limits the help shows, in the option's units.
    const char* setting = nullptr;
    double scale = 1, offset = 0;
};

// A whole argument that reads as a number: the optional value of a switch,
// never a file name.
bool IsNumber(const char* text) {
    if (std::strspn(text, "+-.0123456789") != std::strlen(text)) return false;
    char* end = nullptr;
    std::strtod(text, &end);
    return end != text && *end == 0;
}

bool Sample(BatchOptions* o, const char* bin, const char* point) {
    BatchSample s{bin, 0, 0};
    if (!ParsePoint(point, &s.x, &s.y)) return false;
    o->samples.push_back(s);
    return true;
}

// An automatic level switched on, with the share of it applied when given.
bool Automatic(BatchSwitch* s, const char* amount) {
    s->on = 1;
    return amount == nullptr || ParseFraction(amount, &s->amount);
}

// clang-format off
const OptionRow kOptions[] = {
    {"--plugin", "MODULE", "the plug-in module (default: libvantoria.so beside this program)",
     [](BatchOptions* o, const char* v) { o->modulePath = v; return true; }},
    {"--synthetic", "WxH[x16]", "correct a made-up image of that size instead of INPUT",
     [](BatchOptions* o, const char* v) { return ParseSynthetic(o, v); }},
    {"-o", "FOLDER", "write each INPUT's result into FOLDER under its own name",
     [](BatchOptions* o, const char* v) { o->outputFolder = v; return true; }},
    {"--jobs", "N", "with -o: correct N files side by side (default: one per processor)",
     [](BatchOptions* o, const char* v) { return ParseInt(v, 1, 256, &o->jobs); }},
    {"--settings", "FILE", "start from a custom settings file saved by the editor",
     [](BatchOptions* o, const char* v) { o->settingsFile = v; return true; }},
    {"--neutral", nullptr, "start from settings that change nothing",
     [](BatchOptions* o, const char*) { o->neutral = true; return true; }},
    {"--auto-black", "[A]", "set the black point automatically (A, 0..1: 0 as the editor sets it, 1 as measured)",
     [](BatchOptions* o, const char* v) { return Automatic(&o->autoBlack, v); }, true},
    {"--no-auto-black", nullptr, "leave the black point",
     [](BatchOptions* o, const char*) { o->autoBlack.on = 0; return true; }},
    {"--auto-white", "[A]", "set the white point automatically (A, 0..1: 0 as the editor sets it, 1 as measured)",
     [](BatchOptions* o, const char* v) { return Automatic(&o->autoWhite, v); }, true},
    {"--no-auto-white", nullptr, "leave the white point",
     [](BatchOptions* o, const char*) { o->autoWhite.on = 0; return true; }},
    {"--auto-midgrey", "[A]", "set the mid-grey automatically (A, 0..1: 0 as the editor sets it, 1 as measured)",
     [](BatchOptions* o, const char* v) { return Automatic(&o->autoMidGrey, v); }, true},
    {"--no-auto-midgrey", nullptr, "leave the mid-grey",
     [](BatchOptions* o, const char*) { o->autoMidGrey.on = 0; return true; }},
    // Any whole number here: the settings table's limits decide.
    {"--brightness", "N", "brightness as the editor shows it",
     [](BatchOptions* o, const char* v) {
         o->haveBrightness = true;
         return ParseInt(v, -1000000, 1000000, &o->brightness);
     }, false, "brightness", kEditorScale, kEditorOffset},
    {"--contrast", "N", "contrast as the editor shows it",
     [](BatchOptions* o, const char* v) {
         o->haveContrast = true;
         return ParseInt(v, -1000000, 1000000, &o->contrast);
     }, false, "contrast", kEditorScale, kEditorOffset},
    {"--sharpen", "[N]", "sharpen (with strength N, from very weak to very strong)",
     [](BatchOptions* o, const char* v) {
         o->sharpen = 1;
         return v == nullptr || ParseInt(v, 1, 1000, &o->sharpenStrength);
     }, true, "sharpenStrength"},
    {"--no-sharpen", nullptr, "do not sharpen",
     [](BatchOptions* o, const char*) { o->sharpen = 0; return true; }},
    {"--noise", nullptr, "remove chrominance noise",
     [](BatchOptions* o, const char*) { o->noise = 1; return true; }},
    {"--no-noise", nullptr, "do not remove noise",
     [](BatchOptions* o, const char*) { o->noise = 0; return true; }},
    {"--neutral-sample", "X,Y", "the area around image point X,Y should be neutral grey",
     [](BatchOptions* o, const char* v) { return Sample(o, "Neutrals", v); }},
    {"--skin-sample", "X,Y", "the area around image point X,Y is skin",
     [](BatchOptions* o, const char* v) { return Sample(o, "Skin", v); }},
    {"--sample", "NAME:X,Y", "the area around X,Y has the memory colour NAME",
     [](BatchOptions* o, const char* v) {
         const char* colon = std::strrchr(v, ':');
         if (colon == nullptr || colon == v) return false;
         return Sample(o, std::string(v, size_t(colon - v)).c_str(), colon + 1);
     }},
    {"--memory-colours", "FILE", "add the memory colour saved in FILE",
     [](BatchOptions* o, const char* v) { o->memoryColourFiles.push_back(v); return true; }},
    {"--measurements", "FILE", "add a memory colour fitted to the CIE measurements in FILE",
     [](BatchOptions* o, const char* v) { o->measurementFiles.push_back(v); return true; }},
    {"--mask", "FILE", "correct only where this image (of INPUT's size) is light",
     [](BatchOptions* o, const char* v) { o->maskFile = v; return true; }},
    {"--working-space", "G,rx,ry,gx,gy,bx,by,wx,wy|PROFILE",
     "gamma and x,y of the primaries and the white, or a matrix/TRC RGB profile file (default: the input's matrix/TRC profile, else the default space)",
     [](BatchOptions* o, const char* v) { o->workingSpace = v; return true; }},
    {"--save-settings", "FILE", "also write the settings used as a custom settings file",
     [](BatchOptions* o, const char* v) { o->saveSettings = v; return true; }},
    {"--report", "FILE.json", "also write what the correction did",
     [](BatchOptions* o, const char* v) { o->report = v; return true; }},
    {"--diagnostics", nullptr, "switch the plug-in's trace on",
     [](BatchOptions* o, const char*) { o->diagnostics = true; return true; }},
    {"--quiet", nullptr, "print only errors",
     [](BatchOptions* o, const char*) { o->quiet = true; return true; }},
};
// clang-format on

const OptionRow* FindOption(const char* name) {
    for (const OptionRow& row : kOptions)
        if (std::strcmp(row.name, name) == 0) return &row;
    return nullptr;
}

// Whether the option at argv[i] takes the argument after it as its value.
bool TakesValue(const OptionRow& row, int i, int argc, char** argv) {
    if (row.value == nullptr || i + 1 >= argc) return false;
    return !row.optional || IsNumber(argv[i + 1]);
}

}  // namespace

std::string BatchVersion() {
    const StringTableEntry* entry = FindStringTableEntry(kStrVersion);
    return entry != nullptr ? entry->text : "";
}

std::string BatchUsage() {
    FilterSettings start;
    StartFilterSettings(&start);
    std::string text =
        "usage: vantoria [OPTIONS] INPUT OUTPUT\n"
        "       vantoria [OPTIONS] -o FOLDER INPUT...\n"
        "       vantoria [OPTIONS] --synthetic WxH[x16] OUTPUT\n"
        "       vantoria export-icc [OPTIONS] INPUT PROFILE.icc\n"
        "       vantoria export-cube [OPTIONS] INPUT LUT.cube\n"
        "       vantoria --help | --version\n"
        "INPUT and OUTPUT: TIFF, PNG, JPEG, WebP, HEIC/AVIF or JPEG XL files, by "
        "extension;\nsample points X,Y address the pixels as the file stores them (EXIF "
        "orientation\nnot applied). Without --settings or\n"
        "--neutral the correction sets the black and white points automatically and\n"
        "sharpens (strength " +
        std::to_string(start.sharpen.sharpenStrength) +
        "). A settings file applies as stored, changed only where an\n"
        "option says so. A lone -- ends the options (for file names that begin with -).\n"
        "options:\n";
    for (const OptionRow& row : kOptions) {
        std::string left = std::string("  ") + row.name;
        if (row.value != nullptr) left += std::string(" ") + row.value;
        // A long option takes a line of its own.
        if (left.size() > 30) left += "\n";
        left.resize(left.size() > 30 ? left.size() + 30 : 30, ' ');
        text += left + " " + row.help;
        if (row.setting != nullptr) text += ", " + EditParRange(row.setting, row.scale, row.offset);
        text += "\n";
    }
    return text;
}

int ParseBatchOptions(int argc, char** argv, BatchOptions* o, std::string* error) {
    int i = 1;
    if (argc > 1 && std::strcmp(argv[1], "export-icc") == 0) {
        o->command = kBatchExportIcc;
        ++i;
    } else if (argc > 1 && std::strcmp(argv[1], "export-cube") == 0) {
        o->command = kBatchExportCube;
        ++i;
    }
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (; i < argc; ++i) {
        const char* arg = argv[i];
        if (!optionsEnded && (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)) {
            std::fputs(BatchUsage().c_str(), stdout);
            error->clear();
            return kExitUsage;
        }
        if (!optionsEnded && std::strcmp(arg, "--version") == 0) {
            std::printf("vantoria %s\n", BatchVersion().c_str());
            error->clear();
            return kExitUsage;
        }
        if (optionsEnded || arg[0] != '-' || arg[1] == 0) {
            files.push_back(arg);
            continue;
        }
        // "--" ends the options: what follows are files, whatever their names.
        if (std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
            continue;
        }
        const OptionRow* row = FindOption(arg);
        if (row == nullptr) {
            *error = std::string("unknown option ") + arg;
            return kExitUsage;
        }
        const char* value = nullptr;
        if (TakesValue(*row, i, argc, argv)) {
            value = argv[++i];
        } else if (row->value != nullptr && !row->optional) {
            *error = std::string(arg) + " needs " + row->value;
            return kExitUsage;
        }
        if (!row->apply(o, value)) {
            *error = std::string("bad value for ") + arg + ": " + (value != nullptr ? value : "");
            return kExitUsage;
        }
        if (row->setting != nullptr && value != nullptr &&
            !InEditParRange(row->setting, row->scale, row->offset, std::strtod(value, nullptr))) {
            *error = std::string(arg) + " " + value + " is out of range (" +
                     EditParRange(row->setting, row->scale, row->offset) + ")";
            return kExitUsage;
        }
    }
    if (!o->workingSpace.empty()) {
        *error = WorkingSpaceOptionError(o->workingSpace);
        if (!error->empty()) return kExitUsage;
    }
    if (o->settingsFile.size() > 0 && o->neutral) {
        *error = "--settings and --neutral exclude each other";
        return kExitUsage;
    }
    if (!o->outputFolder.empty()) {
        if (o->command != kBatchCorrect || !o->synthetic.empty() || files.empty()) {
            *error = "-o FOLDER takes one or more inputs to correct";
            return kExitUsage;
        }
        if (!o->report.empty() || !o->saveSettings.empty()) {
            *error = "--report and --save-settings take a single input";
            return kExitUsage;
        }
        o->inputs = files;
        return kExitOk;
    }
    const size_t wanted = o->synthetic.empty() ? 2 : 1;
    if (files.size() != wanted || (!o->synthetic.empty() && o->command != kBatchCorrect)) {
        *error = "expected " + std::string(wanted == 2 ? "INPUT and OUTPUT" : "OUTPUT");
        return kExitUsage;
    }
    if (wanted == 2) o->inputs.push_back(files[0]);
    o->output = files.back();
    return kExitOk;
}

std::vector<std::string> ChildArguments(int argc, char** argv) {
    std::vector<std::string> args = {argv[0]};
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        const OptionRow* row = FindOption(argv[i]);
        if (row == nullptr) continue;  // an input file
        const bool value = TakesValue(*row, i, argc, argv);
        const bool folder =
            std::strcmp(row->name, "-o") == 0 || std::strcmp(row->name, "--jobs") == 0;
        if (!folder) {
            args.push_back(argv[i]);
            if (value) args.push_back(argv[i + 1]);
        }
        if (value) ++i;
    }
    return args;
}
