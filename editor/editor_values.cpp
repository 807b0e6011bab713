// The brightness and contrast controls: the arrows (items 15, 16, 19, 20)
// step their value on a release inside, the value items (14, 18) show it.
#include "editor/editor_values.h"

#include <cmath>
#include <cstdio>

#include "editor/dialog_items.h"
#include "editor/editor_internal.h"
#include "resources/pictures.h"
#include "ui/dialog.h"
#include "ui/draw.h"
#include "ui/status.h"

namespace {

constexpr float kCoarseStep = 0.025f;
constexpr float kFineStep = 0.005f;

// The setting an arrow or value item shows, and the arrow's direction.
float* ValueOf(EditPars* pars, int32_t item) {
    const bool brightness =
        item == kItemBrightnessValue || item == kItemBrightnessDown || item == kItemBrightnessUp;
    return brightness ? &pars->brightness : &pars->contrast;
}

bool ArrowUp(int32_t item) {
    return item == kItemBrightnessUp || item == kItemContrastUp;
}

int32_t ValueItemOf(int32_t arrow) {
    return arrow == kItemBrightnessDown || arrow == kItemBrightnessUp ? kItemBrightnessValue
                                                                      : kItemContrastValue;
}

}  // namespace

float StepEditorValue(float value, bool up, bool fine) {
    float next = up ? value + kFineStep : value - kFineStep;
    if (!fine) {
        // The next multiple in the arrow's direction, also from a value off
        // the 0.005 grid (settings files hold any value); a value within
        // float noise of a multiple counts as on it.
        const double k = double(value) / double(kCoarseStep);
        const double tolerance = 1e-3;
        const double m = up ? std::floor(k + tolerance) + 1.0 : std::ceil(k - tolerance) - 1.0;
        next = float(m * double(kCoarseStep));
    }
    return next < 0.0f ? 0.0f : next > 1.0f ? 1.0f : next;
}

void EditorValueText(float value, char* text, size_t capacity) {
    const long n = std::lround(std::fabs(double(value) - 0.5) * 200.0);
    if (n >= 1)
        std::snprintf(text, capacity, "%c%ld", value > 0.5f ? '+' : '-', n);
    else
        std::snprintf(text, capacity, " ");
}

void Values_Draw(void* dialog, int32_t item, void* dc) {
    EditState* edit = Editor_State(dialog);
    UiRect r = {};
    if (edit == nullptr || Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    char text[16];
    EditorValueText(*ValueOf(&edit->pars, item), text, sizeof text);
    // The window system does not erase a user item: the old value goes first.
    Ui_Draw_Erase(dc, &r);
    Ui_Draw_Text(dc, &r, text, kUiTextCentre);
}

void Arrows_Draw(void* dialog, int32_t item, void* dc) {
    UiRect r = {};
    if (Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    const UiDlgRec* rec = Ui_Dlg_Record(dialog);
    const bool pressed = rec != nullptr && rec->mouseDown && ItemHasMouse(dialog, item);
    int32_t id = ArrowUp(item) ? kBitmapArrowUp : kBitmapArrowDown;
    if (pressed) id = ArrowUp(item) ? kBitmapArrowUpPressed : kBitmapArrowDownPressed;
    // A missing picture leaves the arrow blank; it still works.
    Ui_Draw_Bitmap(dc, r.left, r.top, id);
}

int32_t Arrows_Track(void* dialog, int32_t item, int32_t phase) {
    if (phase != kUiTrackMove) Ui_Dlg_Invalidate(dialog, item);  // pressed, released
    if (phase != kUiTrackUp || !ItemHasMouse(dialog, item)) return 1;
    EditState* edit = Editor_State(dialog);
    Editor_Snapshot(dialog, false);
    float* value = ValueOf(&edit->pars, item);
    *value = StepEditorValue(*value, ArrowUp(item), Editor_AltDown(dialog));
    Ui_Dlg_Invalidate(dialog, ValueItemOf(item));
    Editor_Rebuild(dialog);
    Pane_Redraw(dialog);
    return 1;
}
