// vantoria: corrects an image file with the Vantoria plug-in, driving it
// through the host kit as an image editor does, and says what it did.
//
//   vantoria [--plugin MODULE] INPUT OUTPUT
//   vantoria [--plugin MODULE] --synthetic WIDTHxHEIGHT[x16] OUTPUT
//
// INPUT and OUTPUT are PNG, TIFF or JPEG files, told apart by their extension
// (.png, .tif/.tiff, .jpg/.jpeg); the output keeps the input's bit depth,
// alpha plane and embedded ICC profile. The module defaults to libvantoria.so
// beside this program. An input file is never overwritten; the output is
// written under a temporary name in its folder after a successful run and
// renamed when complete.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "apps/vantoria/image_io.h"
#include "apps/vantoria/synthetic.h"
#include "hostkit/hostkit.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Usage() {
    std::fprintf(stderr,
                 "usage: vantoria [--plugin MODULE] INPUT OUTPUT\n"
                 "       vantoria [--plugin MODULE] --synthetic WIDTHxHEIGHT[x16] OUTPUT\n"
                 "INPUT and OUTPUT: .png, .tif, .tiff, .jpg or .jpeg files\n");
    return kExitUsage;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "vantoria: %s\n", message.c_str());
    return kExitFailure;
}

std::string DefaultModulePath() {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "libvantoria.so";
    self[n] = 0;
    std::string dir(self);
    const size_t slash = dir.rfind('/');
    return (slash == std::string::npos ? std::string(".") : dir.substr(0, slash)) +
           "/libvantoria.so";
}

std::string ResultText(int16_t result) {
    const char* name = "";
    switch (result) {
        case noErr:
            return "ok";
        case userCanceledErr:
            name = " userCanceledErr";
            break;
        case memFullErr:
            name = " memFullErr";
            break;
        case paramErr:
            name = " paramErr";
            break;
        case filterBadParameters:
            name = " filterBadParameters";
            break;
        case filterBadMode:
            name = " filterBadMode";
            break;
        case errPlugInHostInsufficient:
            name = " errPlugInHostInsufficient";
            break;
    }
    return "failed: " + std::to_string(result) + name;
}

std::string Describe(const ImageBuffer& im) {
    char text[96];
    std::snprintf(text, sizeof text, "%d x %d, %d-bit %s", im.width, im.height, im.depth,
                  im.planes == 4 ? "RGBA" : "RGB");
    return text;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Empty when the folder of path can take a new file, else why not.
std::string OutputFolderError(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    struct stat st;
    int error = 0;
    if (stat(folder.c_str(), &st) != 0)
        error = errno;
    else if (!S_ISDIR(st.st_mode))
        error = ENOTDIR;
    else if (access(folder.c_str(), W_OK | X_OK) != 0)
        error = errno;
    return error == 0 ? std::string() : "cannot write into " + folder + ": " + std::strerror(error);
}

// "640x480" or "640x480x16".
bool ParseSynthetic(const char* spec, int32_t* w, int32_t* h, int32_t* depth) {
    int width = 0, height = 0, bits = 8;
    char extra = 0;
    const int n = std::sscanf(spec, "%dx%dx%d%c", &width, &height, &bits, &extra);
    if (n < 2 || n > 3 || width < 1 || height < 1 || width > 20000 || height > 20000 ||
        (bits != 8 && bits != 16))
        return false;
    *w = width;
    *h = height;
    *depth = bits;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string modulePath = DefaultModulePath();
    const char* synthetic = nullptr;
    std::string input, output;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--plugin") == 0 && i + 1 < argc) {
            modulePath = argv[++i];
        } else if (std::strcmp(argv[i], "--synthetic") == 0 && i + 1 < argc) {
            synthetic = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] != 0) {
            return Usage();
        } else if (input.empty() && synthetic == nullptr) {
            input = argv[i];
        } else if (output.empty()) {
            output = argv[i];
        } else {
            return Usage();
        }
    }
    if (output.empty() || (input.empty() == (synthetic == nullptr))) return Usage();
    // The output's name and folder are checked before any work is done.
    std::string error = ImageFileTypeError(output);
    if (error.empty()) error = OutputFolderError(output);
    if (!error.empty()) return Fail(error);

    ImageBuffer image;
    std::string title;
    if (synthetic != nullptr) {
        int32_t w, h, depth;
        if (!ParseSynthetic(synthetic, &w, &h, &depth)) return Usage();
        MakeSyntheticImage(w, h, depth, &image);
        title = "synthetic";
        std::printf("vantoria: made a synthetic image: %s\n", Describe(image).c_str());
    } else {
        if (SameFile(input, output)) return Fail("refusing to overwrite the input file " + input);
        error = ReadImageFile(input, &image);
        if (!error.empty()) return Fail(error);
        const size_t slash = input.rfind('/');
        title = slash == std::string::npos ? input : input.substr(slash + 1);
        std::printf("vantoria: read %s: %s\n", input.c_str(), Describe(image).c_str());
    }

    error = ImageFileFitError(output, image);
    if (!error.empty()) return Fail(error);

    HKModule module;
    char loadError[1024];
    if (HK_LoadModule(modulePath.c_str(), "PluginMain", &module, loadError, sizeof loadError) != 0)
        return Fail(std::string("cannot load the plug-in: ") + loadError);
    std::printf("vantoria: loaded the plug-in %s\n", modulePath.c_str());

    HKOptions options = HK_DefaultOptions();
    options.title = title.c_str();
    HKHost host;
    const HKImage view = image.View();
    if (HK_Host_Init(&host, &view, nullptr, &options) != 0) {
        HK_UnloadModule(&module);
        return Fail("the image cannot be handed to the plug-in");
    }
    const HKRunPlan plan{true, true};
    HKRun run;
    HK_RunFilter(&host, module.entry, &plan, &run);
    bool imageDone = true;
    int16_t finishResult = noErr;
    for (int32_t i = 0; i < run.stepCount; ++i) {
        const HKStep& s = run.steps[i];
        std::string line = ResultText(s.result);
        if (s.selector == filterSelectorContinue)
            line += " (" + std::to_string(s.calls) + " calls)";
        std::printf("vantoria: %-10s %s\n", HK_SelectorName(s.selector), line.c_str());
        if (s.result == noErr) continue;
        if (s.selector == filterSelectorFinish)
            finishResult = s.result;
        else
            imageDone = false;
    }
    const bool started = run.stepCount >= 4 && run.steps[3].selector == filterSelectorStart;
    HK_Host_Free(&host);
    HK_UnloadModule(&module);
    if (!imageDone || !started)
        return Fail("the plug-in did not process the image; nothing written");
    if (finishResult != noErr)
        std::printf("vantoria: note: the plug-in did not record its settings (finish result %d)\n",
                    finishResult);

    error = WriteImageFile(output, image);
    if (!error.empty()) return Fail(error);
    std::printf("vantoria: wrote %s: %s\n", output.c_str(), Describe(image).c_str());
    return 0;
}
