#include "apps/vantoria/tiff_tags.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstring>

// exiv2 0.27's interface is written with std::auto_ptr.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

void (*gNote)(const char*) = nullptr;

void NoteWarning(const char*, const char* format, va_list) {
    if (gNote != nullptr) gNote(format);
}

void Quiet(const char*, const char*, va_list) {}

// Tags that describe how a TIFF stores its pixels (and the blocks libvips
// carries itself: ICC, XMP, IPTC, Photoshop): never copied from one file to
// another.
bool Structural(uint16_t tag) {
    static const uint16_t kTags[] = {
        254, 255, 256, 257, 258, 259, 262, 263, 266, 273, 274, 277, 278,   279,   282,  283,
        284, 290, 291, 296, 297, 301, 317, 318, 319, 320, 322, 323, 324,   325,   330,  338,
        339, 340, 341, 347, 512, 513, 514, 529, 530, 531, 532, 700, 33723, 34377, 34675};
    for (uint16_t t : kTags)
        if (t == tag) return true;
    return false;
}

// The first directory's structure, a thumbnail's and sub-images' directories
// stay with the file they describe; orientation and resolution travel
// through libvips.
bool Carried(const Exiv2::Exifdatum& datum) {
    const std::string group = datum.groupName();
    if (group == "Image") return !Structural(datum.tag());
    return group != "Thumbnail" && group.rfind("SubImage", 0) != 0 && group != "Image2" &&
           group != "Image3";
}

const uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
// A JPEG's APP13 block, as libvips carries IPTC.
const uint8_t kPhotoshop[14] = {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0};

}  // namespace

void CatchTiffWarnings(void (*note)(const char* message)) {
    gNote = note;
    TIFFSetWarningHandler(NoteWarning);
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
}

std::string ReadTiffLayout(const std::string& path, TiffLayout* layout) {
    *layout = TiffLayout();
    TIFFErrorHandler oldError = TIFFSetErrorHandler(Quiet);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    TIFFSetErrorHandler(oldError);
    if (tif == nullptr) return path + " is damaged or not a TIFF file";
    uint16_t compression = COMPRESSION_NONE, count = 0;
    uint16_t* kinds = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    layout->compression = compression;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &kinds) && count > 0 && kinds != nullptr) {
        layout->extraCount = count;
        layout->extraKind = kinds[0];
    }
    TIFFClose(tif);
    return std::string();
}

std::string ReadTiffTags(const std::string& path, std::vector<uint8_t>* exif,
                         std::vector<uint8_t>* iptc) {
    exif->clear();
    iptc->clear();
    try {
        Exiv2::Image::AutoPtr file = Exiv2::ImageFactory::open(path);
        file->readMetadata();
        Exiv2::ExifData carried;
        for (const Exiv2::Exifdatum& datum : file->exifData())
            if (Carried(datum)) carried.add(datum);
        if (!carried.empty()) {
            Exiv2::Blob blob;
            Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, carried);
            exif->assign(kExifHeader, kExifHeader + 6);
            exif->insert(exif->end(), blob.begin(), blob.end());
        }
        if (!file->iptcData().empty()) {
            const Exiv2::DataBuf irb = Exiv2::Photoshop::setIptcIrb(nullptr, 0, file->iptcData());
            iptc->assign(kPhotoshop, kPhotoshop + sizeof kPhotoshop);
            iptc->insert(iptc->end(), irb.pData_, irb.pData_ + irb.size_);
        }
    } catch (const Exiv2::AnyError& e) {
        return path + ": damaged or not TIFF data (" + e.what() + ")";
    }
    return std::string();
}

std::string FinishTiffTags(const std::string& path, const std::vector<uint8_t>& exif,
                           const std::vector<uint8_t>& iptc, bool extraUnspecified) {
    if (extraUnspecified) {
        TIFF* tif = TIFFOpen(path.c_str(), "r+");
        if (tif == nullptr) return "cannot reopen " + path;
        const uint16_t kind[1] = {EXTRASAMPLE_UNSPECIFIED};
        const bool ok =
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), kind) && TIFFRewriteDirectory(tif);
        TIFFClose(tif);
        if (!ok) return "cannot write the extra sample's kind into " + path;
    }
    // The block with or without the JPEG's "Exif\0\0" before its TIFF header.
    const size_t skip =
        exif.size() > 6 && std::memcmp(exif.data(), kExifHeader, sizeof kExifHeader) == 0 ? 6 : 0;
    const bool hasExif = exif.size() > skip + 8 && (std::memcmp(&exif[skip], "II*", 4) == 0 ||
                                                    std::memcmp(&exif[skip], "MM\0*", 4) == 0);
    const bool hasIptc = iptc.size() > sizeof kPhotoshop &&
                         std::memcmp(iptc.data(), kPhotoshop, sizeof kPhotoshop) == 0;
    if (!hasExif && !hasIptc) return std::string();
    try {
        Exiv2::Image::AutoPtr file = Exiv2::ImageFactory::open(path);
        file->readMetadata();
        if (hasExif) {
            Exiv2::ExifData tags;
            Exiv2::ExifParser::decode(tags, exif.data() + skip, uint32_t(exif.size() - skip));
            Exiv2::ExifData& written = file->exifData();
            for (const Exiv2::Exifdatum& datum : tags)
                if (Carried(datum) && written.findKey(Exiv2::ExifKey(datum.key())) == written.end())
                    written.add(datum);
        }
        // libvips writes the JPEG form of the block as it stands; the file
        // takes the IPTC records themselves.
        const Exiv2::byte* record = nullptr;
        uint32_t header = 0, size = 0;
        if (hasIptc && Exiv2::Photoshop::locateIptcIrb(iptc.data() + sizeof kPhotoshop,
                                                       long(iptc.size() - sizeof kPhotoshop),
                                                       &record, &header, &size) == 0) {
            Exiv2::IptcData records;
            if (Exiv2::IptcParser::decode(records, record + header, size) == 0)
                file->setIptcData(records);
        }
        file->writeMetadata();
    } catch (const Exiv2::AnyError& e) {
        return "cannot write the tags of " + path + ": " + e.what();
    }
    return std::string();
}
