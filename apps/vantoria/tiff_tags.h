// What a TIFF file holds beyond what libvips reads and writes: the meaning
// of its extra sample, its compression, the descriptive tags of its first
// directory and its EXIF directory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum TiffExtraKind : int32_t {
    kTiffNoExtra = -1,
    kTiffExtraUnspecified = 0,   // EXTRASAMPLE_UNSPECIFIED
    kTiffExtraAssociated = 1,    // EXTRASAMPLE_ASSOCALPHA
    kTiffExtraUnassociated = 2,  // EXTRASAMPLE_UNASSALPHA
};

struct TiffLayout {
    int32_t compression = 1;  // the file's compression scheme
    int32_t extraKind = kTiffNoExtra;
    int32_t extraCount = 0;
};

// Sends the warnings of libtiff's own opens to note (the message's format)
// instead of stderr; once, after libvips has set its own handlers.
void CatchTiffWarnings(void (*note)(const char* message));

std::string ReadTiffLayout(const std::string& path, TiffLayout* layout);

// The descriptive tags of a TIFF file (its first directory's text and
// camera tags, its EXIF and GPS directories) as an EXIF block ("Exif\0\0"
// and a TIFF structure), and its IPTC records as a JPEG's Photoshop block:
// the forms every other format carries; each empty when none.
std::string ReadTiffTags(const std::string& path, std::vector<uint8_t>* exif,
                         std::vector<uint8_t>* iptc);

// Completes a TIFF written by libvips: the descriptive tags of an EXIF block
// and the IPTC records of a Photoshop block written into it, and an
// unspecified extra sample declared as such.
std::string FinishTiffTags(const std::string& path, const std::vector<uint8_t>& exif,
                           const std::vector<uint8_t>& iptc, bool extraUnspecified);
