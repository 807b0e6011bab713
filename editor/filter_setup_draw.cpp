// The setup dialog's drawing: right-aligned labels, the sliders and their
// values, the group frames, the zoom buttons and level, the preview and the
// navigator with its marquee.
#include "ui/debug_log.h"

#include "editor/dialog_items.h"
#include "editor/filter_setup_geometry.h"
#include "editor/filter_setup_internal.h"
#include "engine/edit_pars_table.h"
#include "resources/pictures.h"
#include "ui/draw.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kFrameColour = 0x808080;
constexpr uint32_t kTrackColour = 0x404040;
constexpr uint32_t kThumbColour = 0x202020;
constexpr uint32_t kMarqueeColour = 0xFF0000;
constexpr int32_t kThumbHalfWidth = 2;

const SetupSlider* SliderOfItem(int32_t item, int32_t offset) {
    for (const SetupSlider& s : kSetupSliders)
        if (s.labelItem + offset == item) return &s;
    return nullptr;
}

int32_t Value(const EditPars& pars, const SetupSlider& slider) {
    const EditParRow* row = FindEditPar(slider.setting);
    return row != nullptr
               ? *static_cast<const int32_t*>(EditParElement(*row, &pars, uint32_t(slider.element)))
               : slider.low;
}

void DrawLabel(void* dialog, int32_t item, void* dc) {
    UiRect r;
    char text[64];
    if (Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk ||
        Ui_Dlg_GetItemText(dialog, item, text, sizeof text) != kUiOk)
        return;
    Ui_Draw_Text(dc, &r, text, kUiTextRight);
}

void DrawSlider(void* dialog, int32_t item, void* dc) {
    const SetupSlider* slider = SliderOfItem(item, 1);
    UiRect r;
    if (slider == nullptr || Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    Ui_Draw_Rect(dc, &r, 0xFFFFFF, 1);  // clears the old thumb
    const int32_t middle = (r.top + r.bottom) / 2;
    Ui_Draw_Line(dc, r.left, middle, r.right - 1, middle, kTrackColour);
    const int32_t x = SliderPosition(Value(SetupOf(dialog)->edit->pars, *slider), r.left,
                                     r.right - r.left, slider->low, slider->high);
    const UiRect thumb = {r.top, int16_t(x - kThumbHalfWidth), r.bottom,
                          int16_t(x + kThumbHalfWidth + 1)};
    Ui_Draw_Rect(dc, &thumb, kThumbColour, 1);
}

void DrawValue(void* dialog, int32_t item, void* dc) {
    const SetupSlider* slider = SliderOfItem(item, 2);
    UiRect r;
    if (slider == nullptr || Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    char text[16];
    Ui_Sprintf(text, sizeof text, "%2d", int(Value(SetupOf(dialog)->edit->pars, *slider)));
    Ui_Draw_Erase(dc, &r);
    Ui_Draw_Text(dc, &r, text, kUiTextLeft);
}

void DrawFrame(void* dialog, int32_t item, void* dc) {
    UiRect r;
    if (Ui_Dlg_ItemRect(dialog, item, &r) == kUiOk) Ui_Draw_Rect(dc, &r, kFrameColour, 0);
}

void DrawZoomButton(void* dialog, int32_t item, void* dc) {
    UiRect r;
    if (Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    Ui_Draw_Icon(dc, r.left, r.top, item == kSetupZoomIn ? kIconZoomIn : kIconZoomOut);
}

void DrawZoomText(void* dialog, int32_t item, void* dc) {
    UiRect r;
    if (Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    char text[16];
    Ui_Sprintf(text, sizeof text, "%2d%c", int(SetupOf(dialog)->zoom * 100), '%');
    Ui_Draw_Erase(dc, &r);
    Ui_Draw_Text(dc, &r, text, kUiTextCentre);
}

void Show(FilterSetup* s, const uint8_t* pixels, int32_t channels, int32_t width, int32_t height,
          int32_t top, int32_t left, void* dc) {
    const DisplayImage image = {pixels, channels, width, height};
    s->host->reads->show(image, PassRect{0, 0, height, width}, top, left,
                         Ui_Draw_NativeContext(dc));
}

void DrawPreview(void* dialog, int32_t item, void* dc) {
    FilterSetup* s = SetupOf(dialog);
    UiRect r;
    if (Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    Ui_Draw_Rect(dc, &r, kFrameColour, 0);
    if (s->displayReady)
        Show(s, s->display, s->channels, s->viewWidth, s->viewHeight, s->view.top, s->view.left,
             dc);
}

void DrawNavigator(void* dialog, int32_t item, void* dc) {
    FilterSetup* s = SetupOf(dialog);
    UiRect r;
    if (Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    Ui_Draw_Rect(dc, &r, kFrameColour, 0);
    const NavigatorImage& nav = s->navigator;
    if (nav.pixels == nullptr) return;
    Show(s, nav.pixels, nav.channels, nav.width, nav.height, s->navTop, s->navLeft, dc);
    const UiRect m = {int16_t(s->marquee.top), int16_t(s->marquee.left), int16_t(s->marquee.bottom),
                      int16_t(s->marquee.right)};
    Ui_Draw_Rect(dc, &m, kMarqueeColour, 0);
}

struct ItemDrawing {
    int32_t item;
    UiUserItemProc proc;
};

}  // namespace

int32_t SetupDraw_Attach(void* dialog) {
    const ItemDrawing fixed[] = {
        {kSetupHelp, HelpItem_Draw},     {kSetupSharpenFrame, DrawFrame},
        {kSetupBlueFrame, DrawFrame},    {kSetupRedFrame, DrawFrame},
        {kSetupNoiseFrame, DrawFrame},   {kSetupPreview, DrawPreview},
        {kSetupZoomOut, DrawZoomButton}, {kSetupZoomIn, DrawZoomButton},
        {kSetupZoomText, DrawZoomText},  {kSetupNavigator, DrawNavigator},
    };
    for (const ItemDrawing& d : fixed) UI_TRY(Ui_Dlg_SetUserItemProc(dialog, d.item, d.proc));
    for (const SetupSlider& s : kSetupSliders) {
        UI_TRY(Ui_Dlg_SetUserItemProc(dialog, s.labelItem, DrawLabel));
        UI_TRY(Ui_Dlg_SetUserItemProc(dialog, s.labelItem + 1, DrawSlider));
        UI_TRY(Ui_Dlg_SetUserItemProc(dialog, s.labelItem + 2, DrawValue));
    }
    return kUiOk;
}

void SetupDraw_Now(void* dialog, int32_t item) {
    const UiDlgRec* rec = Ui_Dlg_Record(dialog);
    if (rec == nullptr || item < 1 || item > rec->itemCount) return;
    const UiUserItemProc proc = rec->drawProcs[item - 1];
    if (proc == nullptr) return;
    void* dc = Ui_Draw_Begin(dialog, item);
    if (dc == nullptr) return;
    proc(dialog, item, dc);
    Ui_Draw_End(dc);
}
