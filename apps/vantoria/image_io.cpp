#include "apps/vantoria/image_io.h"

#include <vips/vips.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

#include "apps/vantoria/file_replacement.h"
#include "apps/vantoria/png_chunks.h"
#include "apps/vantoria/row_gate.h"
#include "apps/vantoria/tiff_tags.h"

// The fields of a file that the command does not change, copied from the
// image libvips read to the one it writes. The ICC profile travels in
// ImageBuffer::iccProfile instead.
struct ImageMetadata {
    std::vector<std::pair<std::string, GValue>> fields;
    double xres = 1.0, yres = 1.0;  // pixels per millimetre
    std::vector<uint8_t> pngTime;   // a PNG's tIME chunk, for PNG files written
    ~ImageMetadata() {
        for (auto& field : fields) g_value_unset(&field.second);
    }
};

namespace {

constexpr uint32_t kMaxSide = 100000;
constexpr uint64_t kMaxBytes = uint64_t(1) << 32;
constexpr int kQuality = 95;  // of every lossy format

enum class Kind { kTiff, kPng, kJpeg, kWebp, kHeic, kAvif, kJxl };

// What each format holds; dispatch is a first match on the extension.
struct Format {
    Kind kind;
    const char* name;
    const char* extensions[2];
    const char* loader;  // the libvips loader, so a file is read as its name says
    bool deep;           // holds 16-bit samples
    bool alpha;          // holds an alpha plane
};

const Format kFormats[] = {
    {Kind::kTiff, "TIFF", {"tif", "tiff"}, "tiffload", true, true},
    {Kind::kPng, "PNG", {"png", nullptr}, "pngload", true, true},
    {Kind::kJpeg, "JPEG", {"jpg", "jpeg"}, "jpegload", false, false},
    {Kind::kWebp, "WebP", {"webp", nullptr}, "webpload", false, true},
    {Kind::kHeic, "HEIC", {"heic", "heif"}, "heifload", false, true},
    {Kind::kAvif, "AVIF", {"avif", nullptr}, "heifload", false, true},
    {Kind::kJxl, "JPEG XL", {"jxl", nullptr}, "jxlload", true, true},  // written lossless
};

const Format* FormatOf(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return nullptr;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const Format& f : kFormats)
        for (const char* e : f.extensions)
            if (e != nullptr && ext == e) return &f;
    return nullptr;
}

std::string Unknown(const std::string& path) {
    return path +
           ": unknown file type (use .tif, .tiff, .png, .jpg, .jpeg, .webp, .heic, .heif, .avif "
           "or .jxl)";
}

// Any warning of a decoder while a file is read (libvips passes libtiff's
// on as its own) tells of damage, save a tag another program added that
// libtiff does not know.
std::atomic<bool> gDecoderWarned{false};

void NoteDecoderWarning(const char* message) {
    if (message == nullptr || std::strstr(message, "nknown field") == nullptr)
        gDecoderWarned = true;
}

// libvips starts once, with the first file, and shuts down at exit. Its
// warnings are kept off stderr (a damaged file fails with one line of ours)
// and noted.
void QuietLog(const gchar*, GLogLevelFlags, const gchar* message, gpointer) {
    NoteDecoderWarning(message);
}

bool StartVips() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        started = VIPS_INIT("vantoria") == 0;
        if (!started) return;
        vips_cache_set_max(0);
        for (const char* domain : {"VIPS", "GLib", "GLib-GObject"})
            g_log_set_handler(domain, GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                              QuietLog, nullptr);
        CatchTiffWarnings(NoteDecoderWarning);
        std::atexit(vips_shutdown);
    });
    return started;
}

// libvips's first line about the last failure, and its buffer cleared.
std::string VipsSays() {
    std::string said = vips_error_buffer();
    vips_error_clear();
    const size_t end = said.find('\n');
    if (end != std::string::npos) said.resize(end);
    return said.empty() ? std::string() : " (" + said + ")";
}

// Unreferences a libvips object at the end of a scope.
struct Unref {
    void* object;
    ~Unref() {
        if (object != nullptr) g_object_unref(object);
    }
};

// Loads the header and opens the pixels of path with its format's loader,
// failing on any warning of the decoder.
VipsImage* Open(const std::string& path, const Format& format) {
    VipsImage* image = nullptr;
    if (vips_call(format.loader, path.c_str(), &image, "fail_on", VIPS_FAIL_ON_WARNING, "access",
                  VIPS_ACCESS_SEQUENTIAL, nullptr) != 0)
        return nullptr;
    return image;
}

// Field names that describe the file's storage rather than the picture.
bool StorageField(const char* name) {
    static const char* kNames[] = {"width",
                                   "height",
                                   "bands",
                                   "format",
                                   "coding",
                                   "interpretation",
                                   "xoffset",
                                   "yoffset",
                                   "xres",
                                   "yres",
                                   "filename",
                                   "vips-loader",
                                   "n-pages",
                                   "page-height",
                                   "heif-primary",
                                   "heif-compression",
                                   "heif-bitdepth",
                                   "bits-per-sample",
                                   "palette-bit-depth",
                                   "interlaced",
                                   "jpeg-multiscan",
                                   "jpeg-chroma-subsample",
                                   "premultiplied",
                                   "icc-profile-data",
                                   "vips-sequential"};
    for (const char* n : kNames)
        if (std::strcmp(name, n) == 0) return true;
    return false;
}

std::shared_ptr<ImageMetadata> KeepMetadata(VipsImage* image) {
    auto kept = std::make_shared<ImageMetadata>();
    kept->xres = image->Xres;
    kept->yres = image->Yres;
    gchar** names = vips_image_get_fields(image);
    for (gchar** name = names; *name != nullptr; ++name) {
        if (StorageField(*name)) continue;
        GValue value = G_VALUE_INIT;
        if (vips_image_get(image, *name, &value) != 0) {
            vips_error_clear();
            continue;
        }
        // A loader may lend a block from its own memory, gone with the
        // loader: the block is copied.
        if (G_VALUE_HOLDS(&value, VIPS_TYPE_BLOB)) {
            size_t size = 0;
            const void* data = vips_value_get_blob(&value, &size);
            VipsBlob* copy = vips_blob_copy(data, size);
            g_value_unset(&value);
            g_value_init(&value, VIPS_TYPE_BLOB);
            g_value_set_boxed(&value, copy);
            vips_area_unref(VIPS_AREA(copy));
        }
        kept->fields.emplace_back(*name, value);
    }
    g_strfreev(names);
    return kept;
}

// ---- Rows between the file's samples and the buffer -------------------------------------

// 8-bit samples stay; 16-bit ones change scale on the way in and out.
template <typename T>
T ToBuffer(T v);
template <typename T>
T ToFile(T v);
template <>
uint8_t ToBuffer(uint8_t v) {
    return v;
}
template <>
uint8_t ToFile(uint8_t v) {
    return v;
}
template <>
uint16_t ToBuffer(uint16_t v) {
    return ToInterface16(v);
}
template <>
uint16_t ToFile(uint16_t v) {
    return FromInterface16(v);
}

// n samples through F, in blocks of a fixed count that the compiler turns
// into vector instructions.
template <typename T, T (*F)(T)>
void ConvertRun(const T* __restrict in, T* __restrict out, size_t n) {
    constexpr size_t kBlock = 32;
    size_t i = 0;
    for (; i + kBlock <= n; i += kBlock)
        for (size_t k = 0; k < kBlock; ++k) out[i + k] = F(in[i + k]);
    for (; i < n; ++i) out[i] = F(in[i]);
}

// One row of count pixels from the file's bands to the buffer's planes; a
// band past them (an unspecified extra sample) goes to extra unchanged.
template <typename T, bool kExtra>
void SplitRow(const uint8_t* file, uint8_t* pixels, uint8_t* extra, int32_t count, int32_t planes) {
    const T* in = reinterpret_cast<const T*>(file);
    T* out = reinterpret_cast<T*>(pixels);
    if constexpr (!kExtra) {  // one flat run of samples
        ConvertRun<T, ToBuffer<T>>(in, out, size_t(count) * size_t(planes));
        return;
    }
    T* side = reinterpret_cast<T*>(extra);
    for (int32_t x = 0; x < count; ++x) {
        for (int32_t c = 0; c < planes; ++c) *out++ = ToBuffer<T>(*in++);
        *side++ = *in++;
    }
}

template <typename T, bool kExtra>
void MergeRow(const uint8_t* pixels, const uint8_t* extra, uint8_t* file, int32_t count,
              int32_t planes) {
    const T* in = reinterpret_cast<const T*>(pixels);
    T* out = reinterpret_cast<T*>(file);
    if constexpr (!kExtra) {
        ConvertRun<T, ToFile<T>>(in, out, size_t(count) * size_t(planes));
        return;
    }
    const T* side = reinterpret_cast<const T*>(extra);
    for (int32_t x = 0; x < count; ++x) {
        for (int32_t c = 0; c < planes; ++c) *out++ = ToFile<T>(*in++);
        *out++ = *side++;
    }
}

using SplitFn = void (*)(const uint8_t*, uint8_t*, uint8_t*, int32_t, int32_t);
using MergeFn = void (*)(const uint8_t*, const uint8_t*, uint8_t*, int32_t, int32_t);

// Chosen once per image: [16-bit][extra sample]. 8-bit samples without an
// extra one need neither: libvips reads and writes the buffer itself.
const SplitFn kSplit[2][2] = {{nullptr, SplitRow<uint8_t, true>},
                              {SplitRow<uint16_t, false>, SplitRow<uint16_t, true>}};
const MergeFn kMerge[2][2] = {{nullptr, MergeRow<uint8_t, true>},
                              {MergeRow<uint16_t, false>, MergeRow<uint16_t, true>}};

// The first byte of pixel x of row y among the extra samples (null: none).
uint8_t* ExtraAt(const ImageBuffer& im, int32_t x, int32_t y) {
    if (im.extraSamples.empty()) return nullptr;
    const size_t sample = size_t(im.depth / 8);
    return const_cast<uint8_t*>(im.extraSamples.data()) +
           (size_t(y) * size_t(im.width) + size_t(x)) * sample;
}

// A region of the buffer converted from the same area of the file, on one of
// libvips's threads (seq: the thread's region of the file).
struct Split {
    ImageBuffer* image;
    SplitFn split;
};

int SplitRegion(VipsRegion* out, void* seq, void*, void* b, gboolean*) {
    VipsRegion* in = static_cast<VipsRegion*>(seq);
    const Split* s = static_cast<const Split*>(b);
    const VipsRect& r = out->valid;
    if (vips_region_prepare(in, &r) != 0) return -1;
    for (int32_t y = r.top; y < VIPS_RECT_BOTTOM(&r); ++y)
        s->split(reinterpret_cast<const uint8_t*>(VIPS_REGION_ADDR(in, r.left, y)),
                 reinterpret_cast<uint8_t*>(VIPS_REGION_ADDR(out, r.left, y)),
                 ExtraAt(*s->image, r.left, y), r.width, s->image->planes);
    return 0;
}

// Decodes the whole image straight into the buffer, on libvips's threads,
// converting on the way where the samples need it; false on damage.
bool Decode(VipsImage* file, ImageBuffer* image) {
    VipsImage* memory =
        vips_image_new_from_memory(image->pixels.data(), image->pixels.size(), image->width,
                                   image->height, image->planes, file->BandFmt);
    Unref keepMemory{memory};
    if (memory == nullptr) return false;
    const bool wide = image->depth == 16, extra = !image->extraSamples.empty();
    if (!wide && !extra) return vips_image_write(file, memory) == 0;
    VipsImage* converted = vips_image_new();
    Unref keepConverted{converted};
    Split split = {image, kSplit[wide][extra]};
    if (vips_image_pipelinev(converted, VIPS_DEMAND_STYLE_THINSTRIP, file, nullptr) != 0)
        return false;
    converted->Bands = image->planes;
    return vips_image_generate(converted, vips_start_one, SplitRegion, vips_stop_one, file,
                               &split) == 0 &&
           vips_image_write(converted, memory) == 0;
}

// What the file is, as one line when the command does not handle it.
std::string KindError(const std::string& path, VipsImage* file, int32_t extraCount) {
    const VipsInterpretation space = vips_image_guess_interpretation(file);
    const int bands = file->Bands;
    if (file->BandFmt != VIPS_FORMAT_UCHAR && file->BandFmt != VIPS_FORMAT_USHORT)
        return path + " has samples of a kind the command does not handle (8 or 16 bits only)";
    if (space == VIPS_INTERPRETATION_B_W || space == VIPS_INTERPRETATION_GREY16 || bands < 3)
        return path + " is a grey image; the command corrects RGB images";
    if (space == VIPS_INTERPRETATION_CMYK)
        return path + " is a CMYK image; the command corrects RGB images";
    if ((space != VIPS_INTERPRETATION_sRGB && space != VIPS_INTERPRETATION_RGB16) || bands > 4 ||
        extraCount > 1)
        return path + " is not an RGB image with at most one extra plane";
    return std::string();
}

// ---- Writing ----------------------------------------------------------------------------

// The pixels a writer takes: the image's own or another block of its
// layout, each row once the gate (null: none) has it ready.
struct Rows {
    const ImageBuffer* image;
    const uint8_t* pixels;
    MergeFn merge;
    RowGate* gate;
};

bool Ready(const Rows& rows, const VipsRect& r) {
    if (rows.gate == nullptr || AwaitRows(rows.gate, VIPS_RECT_BOTTOM(&r))) return true;
    vips_error("vantoria", "the image was given up");
    return false;
}

// The rows seen as a libvips image: 8-bit samples without an extra one as
// they stand in memory; otherwise converted region by region as the writer
// asks for them (16-bit samples back to the file's scale, the extra sample
// put back in) on the writer's threads.
int MergeRegion(VipsRegion* out, void*, void* a, void*, gboolean*) {
    const Rows& rows = *static_cast<const Rows*>(a);
    const ImageBuffer& im = *rows.image;
    const VipsRect& r = out->valid;
    if (!Ready(rows, r)) return -1;
    const size_t pixel = size_t(im.planes) * size_t(im.depth / 8);
    for (int32_t y = r.top; y < VIPS_RECT_BOTTOM(&r); ++y)
        rows.merge(rows.pixels + size_t(y) * size_t(im.RowBytes()) + size_t(r.left) * pixel,
                   ExtraAt(im, r.left, y),
                   reinterpret_cast<uint8_t*>(VIPS_REGION_ADDR(out, r.left, y)), r.width,
                   im.planes);
    return 0;
}

// The memory's rows passed on as they are, once ready (seq: the thread's
// region of the memory, a: the memory).
int GateRegion(VipsRegion* out, void* seq, void*, void* b, gboolean*) {
    VipsRegion* in = static_cast<VipsRegion*>(seq);
    const VipsRect& r = out->valid;
    if (!Ready(*static_cast<const Rows*>(b), r) || vips_region_prepare(in, &r) != 0) return -1;
    return vips_region_region(out, in, &r, r.left, r.top);
}

VipsImage* SourceImage(Rows* rows) {
    const ImageBuffer& image = *rows->image;
    const int32_t bands = image.planes + (image.extraSamples.empty() ? 0 : 1);
    const bool wide = image.depth == 16;
    const VipsBandFormat format = wide ? VIPS_FORMAT_USHORT : VIPS_FORMAT_UCHAR;
    VipsImage* memory = nullptr;
    if (rows->merge == nullptr) {
        memory = vips_image_new_from_memory(rows->pixels, image.pixels.size(), image.width,
                                            image.height, bands, format);
        if (memory == nullptr) return nullptr;
    }
    VipsImage* out = memory != nullptr && rows->gate == nullptr ? memory : vips_image_new();
    if (memory != nullptr && out != memory) vips_object_local(out, memory);
    if (out != memory &&
        vips_image_pipelinev(out, VIPS_DEMAND_STYLE_THINSTRIP, memory, nullptr) != 0) {
        g_object_unref(out);
        return nullptr;
    }
    const ImageMetadata* kept = image.metadata.get();
    vips_image_init_fields(out, image.width, image.height, bands, format, VIPS_CODING_NONE,
                           wide ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_sRGB,
                           kept != nullptr ? kept->xres : 1.0, kept != nullptr ? kept->yres : 1.0);
    if (kept != nullptr)
        for (const auto& field : kept->fields) {
            GValue copy = G_VALUE_INIT;
            g_value_init(&copy, G_VALUE_TYPE(&field.second));
            g_value_copy(&field.second, &copy);
            vips_image_set(out, field.first.c_str(), &copy);
            g_value_unset(&copy);
        }
    if (!image.iccProfile.empty())
        vips_image_set_blob_copy(out, VIPS_META_ICC_NAME, image.iccProfile.data(),
                                 image.iccProfile.size());
    const int generated =
        out == memory ? 0
        : memory != nullptr
            ? vips_image_generate(out, vips_start_one, GateRegion, vips_stop_one, memory, rows)
            : vips_image_generate(out, nullptr, MergeRegion, nullptr, rows, nullptr);
    if (generated != 0) {
        g_object_unref(out);
        return nullptr;
    }
    return out;
}

// The compression the image was read with, when it is lossless; else deflate.
VipsForeignTiffCompression TiffCompression(int32_t scheme) {
    switch (scheme) {
        case 1:
            return VIPS_FOREIGN_TIFF_COMPRESSION_NONE;
        case 5:
            return VIPS_FOREIGN_TIFF_COMPRESSION_LZW;
        case 32773:
            return VIPS_FOREIGN_TIFF_COMPRESSION_PACKBITS;
        case 50000:
            return VIPS_FOREIGN_TIFF_COMPRESSION_ZSTD;
        default:
            return VIPS_FOREIGN_TIFF_COMPRESSION_DEFLATE;
    }
}

int Save(const Format& format, VipsImage* out, const std::string& path, const ImageBuffer& im) {
    const char* file = path.c_str();
    switch (format.kind) {
        case Kind::kTiff:
            return vips_tiffsave(out, file, "compression", TiffCompression(im.tiffCompression),
                                 "premultiply", gboolean(im.associatedAlpha), nullptr);
        case Kind::kPng:
            return vips_pngsave(out, file, nullptr);
        case Kind::kJpeg:
            return vips_jpegsave(out, file, "Q", kQuality, nullptr);
        case Kind::kWebp:
            return vips_webpsave(out, file, "Q", kQuality, nullptr);
        case Kind::kHeic:
        case Kind::kAvif:
            return vips_heifsave(out, file, "Q", kQuality, "bitdepth", 8, "compression",
                                 format.kind == Kind::kHeic ? VIPS_FOREIGN_HEIF_COMPRESSION_HEVC
                                                            : VIPS_FOREIGN_HEIF_COMPRESSION_AV1,
                                 nullptr);
        case Kind::kJxl:
            // Lossless: a lossy file would carry its own colour description
            // instead of the image's profile.
            return vips_jxlsave(out, file, "lossless", TRUE, nullptr);
    }
    return -1;
}

// A block among the kept fields (EXIF, IPTC), for a TIFF's own tags.
std::vector<uint8_t> BlockOf(const ImageMetadata* kept, const char* name) {
    if (kept != nullptr)
        for (const auto& field : kept->fields)
            if (field.first == name && G_VALUE_HOLDS(&field.second, VIPS_TYPE_BLOB)) {
                size_t size = 0;
                const void* data = vips_value_get_blob(&field.second, &size);
                const uint8_t* bytes = static_cast<const uint8_t*>(data);
                return std::vector<uint8_t>(bytes, bytes + size);
            }
    return std::vector<uint8_t>();
}

}  // namespace

std::string ImageFileTypeError(const std::string& path) {
    return FormatOf(path) == nullptr ? Unknown(path) : std::string();
}

std::string ImageFileFitError(const std::string& path, const ImageBuffer& image) {
    const Format* format = FormatOf(path);
    if (format == nullptr) return Unknown(path);
    const std::string cannot = "cannot write " + path + ": " + format->name + " files hold ";
    if (image.depth == 16 && !format->deep) return cannot + "8-bit samples only (the image has 16)";
    if (image.planes == 4 && !format->alpha) return cannot + "no alpha plane";
    if (!image.extraSamples.empty() && format->kind != Kind::kTiff)
        return cannot + "no extra plane of unspecified meaning (TIFF does)";
    if (format->kind == Kind::kJpeg && (image.width > 65500 || image.height > 65500))
        return cannot + "at most 65500 pixels a side";
    return std::string();
}

std::string ReadImageFile(const std::string& path, ImageBuffer* image) {
    *image = ImageBuffer();
    const Format* format = FormatOf(path);
    if (format == nullptr) return Unknown(path);
    if (!StartVips()) return "cannot start libvips" + VipsSays();
    const std::string damaged = path + ": damaged or not " + format->name + " data";
    gDecoderWarned = false;
    TiffLayout layout;
    std::vector<uint8_t> tiffExif, tiffIptc;
    if (format->kind == Kind::kTiff) {
        std::string error = ReadTiffLayout(path, &layout);
        if (error.empty()) error = ReadTiffTags(path, &tiffExif, &tiffIptc);
        if (!error.empty()) return error;
    }
    VipsImage* file = Open(path, *format);
    Unref keep{file};
    if (file == nullptr) return damaged + VipsSays();
    std::string error = KindError(path, file, layout.extraCount);
    if (!error.empty()) return error;
    const uint32_t width = uint32_t(file->Xsize), height = uint32_t(file->Ysize);
    const int32_t depth = file->BandFmt == VIPS_FORMAT_USHORT ? 16 : 8;
    const bool unspecified = layout.extraKind == kTiffExtraUnspecified;
    if (width > kMaxSide || height > kMaxSide ||
        uint64_t(width) * height * uint64_t(file->Bands) * uint64_t(depth / 8) > kMaxBytes)
        return path + " is too large (at most " + std::to_string(kMaxSide) + " pixels a side)";
    image->width = int32_t(width);
    image->height = int32_t(height);
    image->planes = file->Bands - (unspecified ? 1 : 0);
    image->depth = depth;
    image->tiffCompression = format->kind == Kind::kTiff ? layout.compression : 0;
    image->associatedAlpha = layout.extraKind == kTiffExtraAssociated;
    image->pixels.resize(size_t(image->RowBytes()) * height);
    if (unspecified) image->extraSamples.resize(size_t(width) * height * size_t(depth / 8));
    const bool decoded = Decode(file, image);
    if (!decoded || gDecoderWarned || (format->kind == Kind::kPng && !PngEndsWell(path))) {
        const std::string said = VipsSays();
        *image = ImageBuffer();
        return damaged + said;
    }
    const void* profile = nullptr;
    size_t profileSize = 0;
    if (vips_image_get_typeof(file, VIPS_META_ICC_NAME) != 0 &&
        vips_image_get_blob(file, VIPS_META_ICC_NAME, &profile, &profileSize) == 0) {
        const uint8_t* bytes = static_cast<const uint8_t*>(profile);
        image->iccProfile.assign(bytes, bytes + profileSize);
    }
    if (format->kind == Kind::kTiff) {
        vips_image_remove(file, VIPS_META_IPTC_NAME);
        for (const auto& block : {std::make_pair(VIPS_META_EXIF_NAME, &tiffExif),
                                  std::make_pair(VIPS_META_IPTC_NAME, &tiffIptc)})
            if (!block.second->empty())
                vips_image_set_blob_copy(file, block.first, block.second->data(),
                                         block.second->size());
    }
    std::shared_ptr<ImageMetadata> kept = KeepMetadata(file);
    if (format->kind == Kind::kPng) kept->pngTime = ReadPngTime(path);
    image->metadata = kept;
    return std::string();
}

std::string EncodeImageFile(const std::string& path, const ImageBuffer& image,
                            const uint8_t* pixels, RowGate* gate) {
    const Format* format = FormatOf(path);
    if (format == nullptr) return Unknown(path);
    if ((image.planes != 3 && image.planes != 4) || (image.depth != 8 && image.depth != 16) ||
        image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != size_t(image.RowBytes()) * size_t(image.height))
        return "cannot write " + path + ": not an RGB image of 8 or 16 bits";
    std::string error = ImageFileFitError(path, image);
    if (!error.empty()) return error;
    if (!StartVips()) return "cannot start libvips" + VipsSays();
    Rows rows = {&image, pixels, kMerge[image.depth == 16][!image.extraSamples.empty()], gate};
    VipsImage* out = SourceImage(&rows);
    Unref keep{out};
    if (out == nullptr) return "cannot write " + path + VipsSays();
    const std::string temporary = path + ".part";
    if (Save(*format, out, temporary, image) == 0) return std::string();
    error = "cannot write " + path + VipsSays();
    FinishReplacement(temporary, path, false);
    return error;
}

std::string FinishImageFile(const std::string& path, const ImageBuffer& image, bool keep) {
    const Format* format = FormatOf(path);
    const std::string temporary = path + ".part";
    bool ok = keep && format != nullptr;
    std::string error;
    if (ok && format->kind == Kind::kTiff) {
        const ImageMetadata* kept = image.metadata.get();
        error = FinishTiffTags(temporary, BlockOf(kept, VIPS_META_EXIF_NAME),
                               BlockOf(kept, VIPS_META_IPTC_NAME), !image.extraSamples.empty());
        ok = error.empty();
    }
    if (ok && format->kind == Kind::kPng && image.metadata != nullptr &&
        !AddPngTime(temporary, image.metadata->pngTime)) {
        error = "cannot write the time of " + path;
        ok = false;
    }
    if (!FinishReplacement(temporary, path, ok))
        return error.empty() ? "cannot write " + path : error;
    return std::string();
}

std::string WriteImageFile(const std::string& path, const ImageBuffer& image) {
    const std::string error = EncodeImageFile(path, image, image.pixels.data(), nullptr);
    return error.empty() ? FinishImageFile(path, image, true) : error;
}

std::string ReadMaskFile(const std::string& path, int32_t width, int32_t height,
                         std::vector<uint8_t>* mask) {
    const Format* format = FormatOf(path);
    if (format == nullptr) return Unknown(path);
    if (!StartVips()) return "cannot start libvips" + VipsSays();
    VipsImage* file = Open(path, *format);
    Unref keep{file};
    if (file == nullptr) return "the mask " + path + " is damaged or unreadable" + VipsSays();
    if (file->Xsize != width || file->Ysize != height)
        return "the mask " + path + " is " + std::to_string(file->Xsize) + " x " +
               std::to_string(file->Ysize) + ", not the input's size";
    if (file->BandFmt != VIPS_FORMAT_UCHAR && file->BandFmt != VIPS_FORMAT_USHORT)
        return "the mask " + path + " has samples of a kind the command does not handle";
    const int32_t step = file->Bands * (file->BandFmt == VIPS_FORMAT_USHORT ? 2 : 1);
    // The high byte of a 16-bit sample: the last in memory on this machine.
    const int32_t high = file->BandFmt == VIPS_FORMAT_USHORT ? 1 : 0;
    mask->resize(size_t(width) * size_t(height));
    VipsRegion* region = vips_region_new(file);
    Unref keepRegion{region};
    for (int32_t y = 0; y < height; ++y) {
        VipsRect row = {0, y, width, 1};
        if (vips_region_prepare(region, &row) != 0)
            return "the mask " + path + " is damaged" + VipsSays();
        const uint8_t* in = reinterpret_cast<const uint8_t*>(VIPS_REGION_ADDR(region, 0, y));
        for (int32_t x = 0; x < width; ++x)
            (*mask)[size_t(y) * size_t(width) + size_t(x)] = in[x * step + high];
    }
    return std::string();
}
