// vantoria: corrects image files with the Vantoria plug-in, driving it
// through the host kit as an image editor replays a recorded action, and
// says what it did. `vantoria --help` lists the commands and options.
//
// INPUT and OUTPUT are TIFF, PNG, JPEG, WebP, HEIC/AVIF or JPEG XL files, told
// apart by their extension; the output keeps the input's bit depth, alpha
// plane and metadata. An input file is never overwritten; the output is written under a
// temporary name in its folder after a successful run and renamed when
// complete.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "apps/vantoria/batch_options.h"
#include "apps/vantoria/batch_run.h"
#include "apps/vantoria/batch_settings.h"
#include "apps/vantoria/correction_model.h"
#include "apps/vantoria/file_paths.h"
#include "apps/vantoria/file_replacement.h"
#include "apps/vantoria/image_io.h"
#include "apps/vantoria/synthetic.h"
#include "editor/settings_file.h"
#include "ui/paths.h"
#include "ui/status.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "vantoria: %s\n", message.c_str());
    return kExitFailure;
}

std::string Describe(const ImageBuffer& im) {
    char text[96];
    std::snprintf(text, sizeof text, "%d x %d, %d-bit %s", im.width, im.height, im.depth,
                  im.planes == 4 ? "RGBA" : "RGB");
    return text;
}

// The selection of --mask: the first channel of an image of the input's size
// (the high byte of 16-bit samples), 255 selected.
std::string ReadMask(const std::string& path, const ImageBuffer& image,
                     std::vector<uint8_t>* mask) {
    return ReadMaskFile(path, image.width, image.height, mask);
}

double Since(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// Empty when no file the run writes is one it reads, else which one.
std::string OverwrittenInput(const BatchOptions& o) {
    std::vector<std::string> reads = o.inputs;
    for (const std::string* one : {&o.settingsFile, &o.maskFile}) reads.push_back(*one);
    reads.insert(reads.end(), o.memoryColourFiles.begin(), o.memoryColourFiles.end());
    reads.insert(reads.end(), o.measurementFiles.begin(), o.measurementFiles.end());
    for (const std::string* written : {&o.output, &o.saveSettings, &o.report})
        for (const std::string& read : reads)
            if (!written->empty() && !read.empty() && SameFile(read, *written))
                return "refusing to overwrite the input file " + read;
    return std::string();
}

// --save-settings: the settings of a finished run, as a custom settings file.
std::string SaveSettings(const BatchOptions& o, const BatchSettings& settings) {
    if (o.saveSettings.empty()) return std::string();
    const int32_t status = WriteCustomSettings(&settings.pars, o.saveSettings.c_str());
    if (status == 0) return std::string();
    return "cannot write the settings file " + o.saveSettings + ": " + StatusWords(status);
}

// One input (or a synthetic image) to one output, profile or .cube file.
// Every file is written only once the work has succeeded; the folders that
// take them are checked first.
int RunOne(const BatchOptions& o) {
    const auto begin = std::chrono::steady_clock::now();
    const bool correct = o.command == kBatchCorrect;
    std::string error = OverwrittenInput(o);
    if (error.empty() && correct) error = ImageFileTypeError(o.output);
    for (const std::string* written : {&o.output, &o.saveSettings, &o.report})
        if (error.empty() && !written->empty()) error = OutputFolderError(*written);
    if (!error.empty()) return Fail(error);

    ImageBuffer image;
    std::string title = "synthetic";
    if (!o.synthetic.empty()) {
        MakeSyntheticImage(o.syntheticWidth, o.syntheticHeight, o.syntheticDepth, &image);
    } else {
        const std::string& input = o.inputs[0];
        error = ReadImageFile(input, &image);
        if (!error.empty()) return Fail(error);
        title = BaseName(input);
    }
    if (correct) {
        error = ImageFileFitError(o.output, image);
        if (!error.empty()) return Fail(error);
    }
    std::vector<uint8_t> mask;
    if (!o.maskFile.empty()) {
        error = ReadMask(o.maskFile, image, &mask);
        if (!error.empty()) return Fail(error);
    }
    const uint8_t* selection = mask.empty() ? nullptr : mask.data();
    BatchSettings settings;
    error = MakeBatchSettings(o, image, &settings);
    if (!error.empty()) return Fail(error);
    StageTimes times = {Since(begin), 0, 0, 0};

    if (!correct) {
        error = o.command == kBatchExportIcc
                    ? ExportCorrectionIcc(o.output, image, selection, settings.pars)
                    : ExportCorrectionCube(o.output, image, selection, settings.pars);
        if (error.empty()) error = SaveSettings(o, settings);
        if (!error.empty()) return Fail(error);
        if (!o.quiet) std::printf("vantoria: wrote %s\n", o.output.c_str());
        return kExitOk;
    }

    // The report describes the correction of the image as read.
    ImageBuffer original;
    if (!o.report.empty()) original = image;

    HKModule module;
    char loadError[1024];
    const std::string modulePath = o.modulePath.empty() ? DefaultModulePath() : o.modulePath;
    if (HK_LoadModule(modulePath.c_str(), "PluginMain", &module, loadError, sizeof loadError) != 0)
        return Fail(std::string("cannot load the plug-in: ") + loadError);
    // The output is encoded while the plug-in runs, and completed (or given
    // up) here.
    BatchRun run = {isatty(2) != 0 && !o.quiet, o.diagnostics && !o.quiet, false, 0};
    BatchWrite write = {o.output.c_str(), false, 0, std::string()};
    error = RunCorrection(module.entry, settings, title.c_str(), selection, &image, &run, &write);
    HK_UnloadModule(&module);
    times.plugin = run.seconds;
    const bool encoded = write.streamed && write.error.empty();
    if (!error.empty()) {
        if (encoded) FinishImageFile(o.output, image, false);
        Fail(error);
        return run.interrupted ? kExitInterrupted : kExitFailure;
    }

    // Ctrl-C while the file is written gives it up before it replaces
    // anything (the writers ask Interrupted before their rename).
    auto written = std::chrono::steady_clock::now();
    if (Interrupted()) {
        if (encoded) FinishImageFile(o.output, image, false);
        return kExitInterrupted;
    }
    error = !write.streamed ? WriteImageFile(o.output, image)
            : encoded       ? FinishImageFile(o.output, image, true)
                            : write.error;
    if (Interrupted()) {
        Fail("interrupted; nothing written");
        return kExitInterrupted;
    }
    if (!error.empty()) return Fail(error);
    times.write = write.seconds + Since(written);
    error = SaveSettings(o, settings);
    if (!error.empty()) return Fail(error);
    if (!o.report.empty()) {
        error = WriteCorrectionReport(o.report, original, selection, settings.pars, times);
        if (!error.empty()) return Fail(error);
    }
    if (!o.quiet) {
        std::printf("vantoria: settings: %s (%s)\n", DescribeSettings(settings.pars).c_str(),
                    settings.spaceName.c_str());
        std::printf("vantoria: wrote %s\n", o.output.c_str());
        std::printf(
            "vantoria: %s in %.3f s (read and settings %.3f s, plug-in %.3f s, "
            "write %.3f s)\n",
            Describe(image).c_str(), Since(begin), times.read, times.plugin, times.write);
    }
    return kExitOk;
}

// Where the plug-in writes its trace, relative to a run's preferences root
// (XDG_CONFIG_HOME): asked of the library with that root set for a moment.
std::string TraceInFolder(const std::string& root) {
    const char* was = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = was != nullptr ? was : "";
    setenv("XDG_CONFIG_HOME", root.c_str(), 1);
    char path[kUiPathCapacity] = {};
    const int32_t status = Ui__Path_SetToDebugLog(path);
    if (was != nullptr)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    const std::string prefix = root + "/";
    if (status != kUiOk || std::strncmp(path, prefix.c_str(), prefix.size()) != 0)
        return std::string();
    return path + prefix.size();
}

// A folder run's --diagnostics: the trace of run `index`, whose preferences
// go with the run's temporary folder, is kept beside its result and named
// after it (FOLDER/NAME.QuorvaneDebug.txt).
void KeepTrace(const std::string& preferences, size_t index, const std::string& trace,
               const std::string& folder, const std::string& input) {
    const std::string from = preferences + "/" + std::to_string(index) + "/" + trace;
    const std::string to = folder + "/" + BaseName(input) + "." + BaseName(trace);
    std::error_code error;
    if (!std::filesystem::exists(from, error)) return;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        std::fprintf(stderr, "vantoria: cannot keep the trace as %s: %s\n", to.c_str(),
                     error.message().c_str());
}

// Several inputs into a folder: one process per file (the plug-in keeps
// module-wide state), jobs at a time, each with a preferences folder of its
// own so that the runs leave the user's stored preferences alone.
int RunFolder(int argc, char** argv, const BatchOptions& o) {
    struct stat st;
    if (stat(o.outputFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return Fail("the output folder " + o.outputFolder + " does not exist");
    // Each result takes its input's name: two inputs of one name would
    // write over each other's result.
    std::set<std::string> names;
    for (const std::string& input : o.inputs)
        if (!names.insert(BaseName(input)).second)
            return Fail("two inputs are named " + BaseName(input) + "; their results would share " +
                        o.outputFolder + "/" + BaseName(input));
    const std::vector<std::string> common = ChildArguments(argc, argv);
    long cores = sysconf(_SC_NPROCESSORS_ONLN);
    const size_t jobs = size_t(o.jobs > 0 ? o.jobs : (cores > 0 ? cores : 1));
    char preferences[] = "/tmp/vantoria-prefs-XXXXXX";
    if (mkdtemp(preferences) == nullptr) return Fail("cannot make a temporary folder");
    const std::string trace = o.diagnostics ? TraceInFolder(preferences) : std::string();
    size_t next = 0, running = 0, done = 0, failed = 0;
    std::map<pid_t, size_t> children;  // the input each run corrects
    bool forwarded = false;
    while (done < o.inputs.size()) {
        while (running < jobs && next < o.inputs.size() && !Interrupted()) {
            const std::string& input = o.inputs[next];
            const std::string folder = std::string(preferences) + "/" + std::to_string(next);
            const std::string output = o.outputFolder + "/" + BaseName(input);
            ++next;
            const pid_t child = fork();
            if (child == 0) {
                mkdir(folder.c_str(), 0700);
                setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
                std::vector<std::string> args = common;
                args.insert(args.end(), {"--quiet", "--", input, output});
                std::vector<char*> list;
                for (std::string& a : args) list.push_back(&a[0]);
                list.push_back(nullptr);
                execv("/proc/self/exe", list.data());
                _exit(kExitFailure);
            }
            if (child < 0) {
                std::fprintf(stderr, "vantoria: cannot start the run of %s: %s\n", input.c_str(),
                             std::strerror(errno));
                ++failed;
                ++done;
                continue;
            }
            children[child] = next - 1;
            ++running;
        }
        int status = 0;
        if (running == 0) break;
        // Ctrl-C at a terminal reaches every child; a signal to this process
        // alone is passed on, and the children are waited for. Polled, so a
        // signal between the check and the wait is not missed.
        if (Interrupted() && !forwarded) {
            for (const auto& child : children) kill(child.first, SIGINT);
            forwarded = true;
        }
        const pid_t ended = waitpid(-1, &status, WNOHANG);
        if (ended == 0 || (ended < 0 && errno == EINTR)) {
            usleep(20000);
            continue;
        }
        if (ended < 0) break;
        const size_t index = children[ended];
        children.erase(ended);
        if (!trace.empty()) KeepTrace(preferences, index, trace, o.outputFolder, o.inputs[index]);
        --running;
        ++done;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failed;
        if (!o.quiet)
            std::printf("vantoria: %zu of %zu done%s\n", done, o.inputs.size(),
                        failed > 0 ? (", " + std::to_string(failed) + " failed").c_str() : "");
    }
    std::error_code removed;
    std::filesystem::remove_all(preferences, removed);
    if (removed) std::fprintf(stderr, "vantoria: %s left\n", preferences);
    if (Interrupted()) return kExitInterrupted;
    return failed == 0 ? kExitOk : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    BatchOptions options;
    std::string error;
    if (ParseBatchOptions(argc, argv, &options, &error) != kExitOk) {
        if (error.empty()) return kExitOk;  // --help
        std::fprintf(stderr, "vantoria: %s (see vantoria --help)\n", error.c_str());
        return kExitUsage;
    }
    if (options.diagnostics) setenv("VANTORIA_MODIFIERS", "ctrl,shift", 1);
    CatchInterrupts();
    SetWriteCancelCheck(WriteInterrupted);
    if (!options.outputFolder.empty()) return RunFolder(argc, argv, options);
    return RunOne(options);
}
