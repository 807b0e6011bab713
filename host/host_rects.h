// The host's rectangles as 32-bit top, left, bottom, right: from
// bigDocumentData once the plug-in uses 32-bit coordinates, otherwise from
// (and to) the record's 16-bit fields.
#pragma once

#include "host/sdk_types.h"

VRect GetFilterRect();
VRect GetInRect();
VRect GetOutRect();
VRect GetMaskRect();

void SetInRect(const VRect& r);
void SetOutRect(const VRect& r);
void SetMaskRect(const VRect& r);

// True when the host supplies bigDocumentData and the plug-in has switched
// it to 32-bit coordinates.
bool Host_Uses32BitCoordinates();
