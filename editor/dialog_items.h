// Pieces the editor's smaller dialogs share: the "?" help item and the
// release test of a tracked press.
#pragma once

#include <cstdint>

// Draws the "?" of a help item: the mark centred in a frame.
void HelpItem_Draw(void* dialog, int32_t item, void* dc);
// The press in a help item: taken at the press; at the release inside the
// item the help window shows the topic from the help file at helpPath.
// Returns the track handler's answer for the phase.
int32_t HelpItem_Track(void* dialog, int32_t item, int32_t phase, const char* helpPath,
                       int32_t topic);
// The mouse, at the last event, lies inside the item.
bool ItemHasMouse(void* dialog, int32_t item);
