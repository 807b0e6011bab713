// The on-line help: resource 'XRsf' 1000, text in lines ending in CR LF.
// A topic starts with "#<number> <title>"; each paragraph is framed by a line
// "?" and a line "*"; the text ends with "##".
#pragma once

#include <cstdint>

constexpr int32_t kHelpTextResourceId = 1000;
constexpr const char* kHelpTextResourceType = "XRsf";

extern const char kHelpText[];
extern const uint32_t kHelpTextSize;  // bytes, without a terminator

// Topics of the dialogs' "?" items.
constexpr int32_t kHelpTopicMain = 2000;
constexpr int32_t kHelpTopicMemoryColours = 2001;
constexpr int32_t kHelpTopicPreferences = 2002;
constexpr int32_t kHelpTopicSharpenNoise = 2003;
