// Asking the host for an area of the image: the one protocol of every read,
// the filtering pass's strips as well as the previews.
#pragma once

#include <cstdint>

#include "editor/edit_state.h"
#include "engine/ip_image.h"
#include "engine/reduced_view.h"
#include "host/sdk_types.h"

constexpr int16_t kHostPaddingWhite = 255;

// Calls the host's advanceState. A failure stores the host's code as the
// result and, unless the user cancelled (kUiErrCancelled), alerts "advancing
// state" and returns kUiErrGeneral.
int32_t Host_AdvanceState();

// Empties the host's rectangles and has it take back what it lent.
int32_t ReleaseHostAreas();

// ReleaseHostAreas; then asks
// for every plane, padded white, every `step`-th pixel (1: full resolution),
// the mask at the same rate when the host has one, and no host masking.
int32_t BeginHostRequest(int32_t step);

// Gives the host `area` as the input, output and (with a mask) mask rectangle.
void SetHostAreas(const PassRect& area, bool mask);

// BeginHostRequest, then `area` (in subsampled coordinates) requested.
int32_t RequestHostArea(const PassRect& area, int32_t step);

// True when the host lends a selection mask with the image.
bool Host_HasMask();

// The host's input buffer holding `area` as a view: at most four planes, the
// host's strides.
IPImage HostImageView(const PassRect& area);

// The host's mask buffer holding `area` as a view; kind 0 when the host lends
// none.
IPImage HostMaskView(const PassRect& area);

PassRect ToPassRect(const VRect& r);
VRect ToHostRect(const PassRect& r);
