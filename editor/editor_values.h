// The brightness and contrast values of the editor: the step of an arrow
// click and the text of the value display. A value lies in 0 .. 1, 0.5
// being neutral; the display runs from -100 to +100.
#pragma once

#include <cstddef>
#include <cstdint>

// One arrow click: without fine, to the next multiple of 0.025 in the
// arrow's direction (a value on a multiple moves by a whole 0.025); with
// fine, by 0.005. Clamped to 0 .. 1.
float StepEditorValue(float value, bool up, bool fine);

// The display of a value: "+n" above 0.5 and "-n" below, n being
// round(|value - 0.5| x 200), or a single blank when n is 0.
void EditorValueText(float value, char* text, size_t capacity);
