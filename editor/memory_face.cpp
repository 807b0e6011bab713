// The memory-colour face of the editor.
#include "editor/editor_internal.h"

void MemoryFace_Sample(void*, int32_t, int32_t) {}
