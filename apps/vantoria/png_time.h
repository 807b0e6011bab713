// A PNG's time of last change (its tIME chunk), which libvips does not
// carry: read from one file and added to another.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The chunk's seven bytes (year, month, day, hour, minute, second); empty
// when the file has none.
std::vector<uint8_t> ReadPngTime(const std::string& path);

// Puts a tIME chunk of these seven bytes before the IEND chunk that ends
// the file at path. False when the file cannot be changed.
bool AddPngTime(const std::string& path, const std::vector<uint8_t>& time);
