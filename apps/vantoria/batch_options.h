// The batch command's command line: what to do, to which files, and the
// settings a user would otherwise set in the editor. Every option is one row
// of a table that also writes the help text.
#pragma once

#include <string>
#include <vector>

enum BatchCommand { kBatchCorrect, kBatchExportIcc, kBatchExportCube };

// An eyedropper click at image coordinates into the memory colour bin of
// that name.
struct BatchSample {
    std::string bin;
    int x;
    int y;
};

// A switch left alone (-1), off (0) or on (1).
struct BatchSwitch {
    int on = -1;
    float amount = -1;  // 0..1; negative: left alone
};

struct BatchOptions {
    BatchCommand command = kBatchCorrect;
    std::string modulePath;
    std::string synthetic;  // WIDTHxHEIGHT[x16] instead of an input file
    int syntheticWidth = 0, syntheticHeight = 0, syntheticDepth = 8;
    std::vector<std::string> inputs;  // one, or several with outputFolder
    std::string output;
    std::string outputFolder;
    int jobs = 0;  // 0: one per processor

    // Settings: a file or the neutral settings (else the embedded default),
    // then the changes of the options.
    std::string settingsFile;
    bool neutral = false;
    BatchSwitch autoBlack, autoWhite, autoMidGrey;
    bool haveBrightness = false, haveContrast = false;
    int brightness = 0;  // -100..100, as the editor shows it
    int contrast = 0;
    int sharpen = -1;  // -1 left alone, 0 off, 1 on
    int sharpenStrength = 0;
    int noise = -1;
    std::vector<BatchSample> samples;
    std::vector<std::string> memoryColourFiles;
    std::vector<std::string> measurementFiles;
    std::string maskFile;
    std::string workingSpace;  // GAMMA,rx,ry,gx,gy,bx,by,wx,wy

    std::string saveSettings;
    std::string report;
    bool diagnostics = false;
    bool quiet = false;
};

// Exit statuses of the command.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

// Fills options from argv. Returns kExitOk, or kExitUsage with *error saying
// what is wrong (empty for --help and --version, whose text has been
// printed). "--" ends the options.
int ParseBatchOptions(int argc, char** argv, BatchOptions* options, std::string* error);

// The arguments a folder run hands each of its children: this program and
// every option of argv except -o and --jobs, without the input files.
std::vector<std::string> ChildArguments(int argc, char** argv);

// The usage text, from the option table.
std::string BatchUsage();
// The plug-in's version, from its string table.
std::string BatchVersion();
