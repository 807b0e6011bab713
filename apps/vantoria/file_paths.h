// File names and folders of the batch command.
#pragma once

#include <string>

// The last component of a path.
std::string BaseName(const std::string& path);
// True when both paths name one existing file.
bool SameFile(const std::string& a, const std::string& b);
// Empty when the folder of path can take a new file, else why not.
std::string OutputFolderError(const std::string& path);
// libvantoria.so beside this program.
std::string DefaultModulePath();
