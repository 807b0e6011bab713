// Shared between the files of the headless backend.
#pragma once

#include <cstdint>

#include "ui/platform/headless/headless_dialogs.h"

// A drawing context: the dialog model and the item drawn into (0: the dialog).
struct HeadlessDc {
    void* model;
    int32_t item;
};

void Headless_RecordDraw(HeadlessDc* dc, const HeadlessDrawOp& op);
void Headless_ResetDrawing();
