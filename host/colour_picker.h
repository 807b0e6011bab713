// The host's colour picker, through the colour services of the filter
// record.
#pragma once

#include <cstdint>

// Shows the host's picker with prompt over rgb (0 .. 255 each, RGB space)
// and puts the chosen colour there. kUiErrCancelled when the user cancels,
// kUiErrUnsupported when the host offers no colour services, kUiErrGeneral
// for another failure of the host; rgb then stays.
int32_t Host_PickColour(const char* prompt, uint8_t rgb[3]);
