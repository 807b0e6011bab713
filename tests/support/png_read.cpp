#include "tests/support/png_read.h"

#include <cstdlib>
#include <cstring>

#include "apps/vantoria/image_io.h"

bool ReadPngImage(const std::string& path, InterleavedImage* image, std::string* error) {
    // The batch command's reader; it keeps 16-bit samples in the plug-in
    // interface's scale (0 .. 32768), taken back to 0 .. 65535 here.
    ImageBuffer buffer;
    *error = ReadImageFile(path, &buffer);
    if (!error->empty()) return false;
    const int32_t bytes = buffer.depth / 8;
    *image = InterleavedImage(buffer.width, buffer.height, bytes);
    for (int32_t y = 0; y < buffer.height; ++y)
        for (int32_t x = 0; x < buffer.width; ++x)
            for (int32_t c = 0; c < 3; ++c) {
                const size_t at =
                    ((size_t(y) * size_t(buffer.width) + size_t(x)) * size_t(buffer.planes) +
                     size_t(c)) *
                    size_t(bytes);
                uint16_t v16 = 0;
                if (bytes == 2) std::memcpy(&v16, &buffer.pixels[at], 2);
                image->Set(x, y, c, bytes == 1 ? buffer.pixels[at] : FromInterface16(v16));
            }
    return true;
}

std::string PhotoFolder() {
    const char* env = std::getenv("VANTORIA_PHOTOS");
    std::string folder = env != nullptr && env[0] != 0 ? env : VANTORIA_DEFAULT_PHOTOS;
    if (folder.back() != '/') folder += '/';
    return folder;
}

bool LoadPhoto(const char* name, InterleavedImage* image, std::string* error) {
    const std::string path = PhotoFolder() + name;
    std::string why;
    if (ReadPngImage(path, image, &why)) return true;
    *error = std::string("sample photograph ") + name + " missing or unreadable (" + why +
             "); the photographs come from Debian's python3-skimage: run "
             "scripts/fetch-photos.sh, or point VANTORIA_PHOTOS at a folder holding them";
    return false;
}
