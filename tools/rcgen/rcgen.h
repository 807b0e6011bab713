// Shared helpers of the resource script generator.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

[[noreturn]] void RcgenFail(const char* what, const std::string& path);
// A quoted resource-script string (ASCII only; id names the entry in errors).
std::string RcgenQuoted(int32_t id, const char* text);

void WriteDialogs(std::FILE* rc);
void WriteHelpText(std::FILE* rc, const std::string& folder);
void WritePictures(std::FILE* rc, const std::string& folder);
