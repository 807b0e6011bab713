// The chunks of a PNG that libvips does not look at: its time of last change
// (tIME), read from one file and added to another, and the IEND that ends a
// whole file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The chunk's seven bytes (year, month, day, hour, minute, second); empty
// when the file has none.
std::vector<uint8_t> ReadPngTime(const std::string& path);

// Whether the file ends with its IEND chunk: a file cut there has every
// row, and libpng does not notice.
bool PngEndsWell(const std::string& path);

// Puts a tIME chunk of these seven bytes before the IEND chunk that ends
// the file at path. False when the file cannot be changed.
bool AddPngTime(const std::string& path, const std::vector<uint8_t>& time);
