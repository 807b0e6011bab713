// The document's RGB working space as the host describes it: the monitor
// record of the host, or the default space when the host gives none.
#pragma once

#include <cstdint>

#include "engine/working_space.h"
#include "host/sdk_types.h"

// Fills ref from the host's monitor description (gamma 0: none given, the
// default space), primaries rounded as the settings keep them; the values
// are logged at the given level.
inline void ReferenceSpaceOfHost(const PlugInMonitor& m, RefRGB* ref, uint8_t diagnostics) {
    const FixedWorkingSpace space = {
        m.gamma, {m.redX, m.redY, m.greenX, m.greenY, m.blueX, m.blueY}, {m.whiteX, m.whiteY}};
    RefRGBFromFixed(space, ref, diagnostics);
}
