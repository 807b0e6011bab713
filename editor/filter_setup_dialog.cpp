// The sharpen / remove-noise setup dialog: the strength of the sharpen and
// the radius and threshold of the blue and red chrominance noise removal,
// set with sliders over a 1:1 or magnified picture of part of the image,
// which the navigator chooses. The settings change in place; Cancel puts
// the whole settings record back as it was.
#include <algorithm>
#include <climits>
#include <cstring>

#include "editor/dialog_items.h"
#include "editor/editor_dialogs.h"
#include "editor/filter_setup_geometry.h"
#include "editor/filter_setup_internal.h"
#include "engine/edit_pars_table.h"
#include "engine/noise_mask.h"
#include "resources/dialog_table.h"
#include "resources/help_text.h"
#include "ui/alert.h"
#include "ui/allocator.h"
#include "ui/cursor.h"
#include "ui/debug_log.h"
#include "ui/status.h"

// The slider rows. Their ends are the settings' ranges, narrowed where the
// dialog offers less: a radius of at least what the random disc needs, a
// threshold of 1 to 50.
constexpr int32_t kNoLimit = INT_MIN;
constexpr int32_t kThresholdLow = 1;
constexpr int32_t kThresholdHigh = 50;
const SetupSlider kSetupSliders[kSetupSliderCount] = {
    {5, "sharpenStrength", 0, kNoLimit, kNoLimit, false},
    {10, "noiseRadius", 1, kNoiseMinDiscRadius, kNoLimit, true},
    {13, "noiseThreshold", 1, kThresholdLow, kThresholdHigh, false},
    {16, "noiseRadius", 2, kNoiseMinDiscRadius, kNoLimit, true},
    {19, "noiseThreshold", 2, kThresholdLow, kThresholdHigh, false},
};

FilterSetup* SetupOf(void* dialog) {
    return static_cast<FilterSetup*>(Ui_Dlg_UserData(dialog));
}

namespace {

// The slider's ends: its row's range within the dialog's own limits.
void SliderEnds(const SetupSlider& s, int32_t* low, int32_t* high) {
    const EditParRow* row = FindEditPar(s.setting);
    *low = row != nullptr ? int32_t(row->low) : 0;
    *high = row != nullptr ? int32_t(row->high) : 0;
    if (s.low != kNoLimit) *low = std::max(*low, s.low);
    if (s.high != kNoLimit) *high = std::min(*high, s.high);
}

int32_t* Field(EditPars* pars, const SetupSlider& s) {
    const EditParRow* row = FindEditPar(s.setting);
    return row != nullptr ? static_cast<int32_t*>(EditParElement(*row, pars, uint32_t(s.element)))
                          : nullptr;
}

const SetupSlider* SliderOf(int32_t item) {
    for (const SetupSlider& s : kSetupSliders)
        if (s.labelItem + 1 == item) return &s;
    return nullptr;
}

// The mouse lies over the picture (which a small image does not fill).
bool OverView(void* dialog) {
    const FilterSetup* s = SetupOf(dialog);
    const UiDlgRec* rec = Ui_Dlg_Record(dialog);
    return rec->mouseX >= s->view.left && rec->mouseX < s->view.right &&
           rec->mouseY >= s->view.top && rec->mouseY < s->view.bottom;
}

void ShowRange(void* dialog, int32_t first, int32_t last, int32_t shown) {
    for (int32_t item = first; item <= last; ++item) Ui_Dlg_Show(dialog, item, shown);
}

// The picture and the marquee after the view changed.
void RedrawView(void* dialog) {
    SetupDraw_Now(dialog, kSetupPreview);
    SetupDraw_Now(dialog, kSetupNavigator);
}

// Reads the window again (or only filters it again) under the wait cursor.
void Refresh(void* dialog, bool fetch) {
    const int32_t cursor = Ui_Cursor_Current();
    Ui_Cursor_Set(kUiCursorWait);
    if (fetch)
        SetupPreview_Fetch(dialog);
    else
        SetupPreview_Filter(dialog);
    RedrawView(dialog);
    Ui_Cursor_Set(cursor);
}

int32_t TrackSlider(void* dialog, const SetupSlider& slider, int32_t phase) {
    FilterSetup* s = SetupOf(dialog);
    const UiDlgRec* rec = Ui_Dlg_Record(dialog);
    if (phase == kUiTrackUp) {
        Refresh(dialog, slider.radius);
        return 1;
    }
    UiRect r;
    int32_t* field = Field(&s->edit->pars, slider);
    if (field == nullptr || Ui_Dlg_ItemRect(dialog, slider.labelItem + 1, &r) != kUiOk) return 0;
    int32_t low = 0, high = 0;
    SliderEnds(slider, &low, &high);
    const int32_t value = SliderValue(rec->mouseX, r.left, r.right - r.left, low, high);
    if (value != *field) {
        *field = value;
        SetupDraw_Now(dialog, slider.labelItem + 1);
        SetupDraw_Now(dialog, slider.labelItem + 2);
    }
    return 1;
}

// A drag in the preview pans it, showing the pixels unfiltered until the
// release.
int32_t TrackPreview(void* dialog, int32_t phase) {
    FilterSetup* s = SetupOf(dialog);
    const UiDlgRec* rec = Ui_Dlg_Record(dialog);
    if (phase == kUiTrackDown) {
        s->dragX = rec->mouseX;
        s->dragY = rec->mouseY;
        s->dragCentreX = CentreOfFraction(s->docWidth, s->viewWidth, s->zoom, s->fractionX);
        s->dragCentreY = CentreOfFraction(s->docHeight, s->viewHeight, s->zoom, s->fractionY);
        s->filtering = false;
        return 1;
    }
    const double x = s->dragCentreX + double(s->dragX - rec->mouseX) / s->zoom;
    const double y = s->dragCentreY + double(s->dragY - rec->mouseY) / s->zoom;
    SetupPreview_CentreOn(s, x, y);
    if (phase == kUiTrackUp) s->filtering = true;
    Refresh(dialog, true);
    return 1;
}

// A click or drag in the navigator centres the marquee on the mouse, kept
// inside the navigator's image; the filters run at the release.
int32_t TrackNavigator(void* dialog, int32_t phase) {
    FilterSetup* s = SetupOf(dialog);
    const UiDlgRec* rec = Ui_Dlg_Record(dialog);
    const NavigatorImage& nav = s->navigator;
    if (nav.width < 1 || nav.height < 1) return 1;
    s->filtering = phase == kUiTrackUp;
    const double x = double(rec->mouseX - s->navLeft) * s->docWidth / nav.width;
    const double y = double(rec->mouseY - s->navTop) * s->docHeight / nav.height;
    SetupPreview_CentreOn(s, x, y);
    Refresh(dialog, true);
    return 1;
}

void Zoom(void* dialog, int32_t change) {
    FilterSetup* s = SetupOf(dialog);
    const int32_t zoom = std::clamp(s->zoom + change, kSetupMinZoom, kSetupMaxZoom);
    if (zoom == s->zoom) return;
    s->zoom = zoom;
    SetupPreview_Place(s);
    Refresh(dialog, true);
    SetupDraw_Now(dialog, kSetupZoomText);
}

int32_t Track(void* dialog, int32_t item, int32_t phase) {
    FilterSetup* s = SetupOf(dialog);
    if (const SetupSlider* slider = SliderOf(item)) return TrackSlider(dialog, *slider, phase);
    switch (item) {
        case kSetupHelp:
            return HelpItem_Track(dialog, item, phase, s->host->helpPath, kHelpTopicSharpenNoise);
        case kSetupPreview:
            if (phase == kUiTrackDown && !OverView(dialog)) return 0;
            return TrackPreview(dialog, phase);
        case kSetupNavigator:
            return TrackNavigator(dialog, phase);
        case kSetupZoomOut:
        case kSetupZoomIn:
            if (phase == kUiTrackUp && ItemHasMouse(dialog, item))
                Zoom(dialog, item == kSetupZoomIn ? 1 : -1);
            return 1;
        default:
            return 0;
    }
}

void RestoreDefaults(void* dialog) {
    FilterSetup* s = SetupOf(dialog);
    EditPars start;
    std::memcpy(&start, &s->edit->pars, sizeof start);
    if (SetStartEditParsExtension(&start) != kUiOk) return;
    for (const SetupSlider& slider : kSetupSliders) {
        int32_t* field = Field(&s->edit->pars, slider);
        if (field != nullptr) *field = *Field(&start, slider);
    }
    Refresh(dialog, true);
    Ui_Dlg_Invalidate(dialog, 0);
}

void ItemHit(void* dialog, int32_t item) {
    switch (item) {
        case kSetupOk:
        case kSetupCancel:
            Ui_Dlg_SetDone(dialog, item);
            break;
        case kSetupRestore:
            RestoreDefaults(dialog);
            break;
        default:
            break;
    }
}

// Over the picture the hand, elsewhere the arrow.
int32_t Cursor(void* dialog) {
    Ui_Cursor_Set(OverView(dialog) ? kUiCursorHand : kUiCursorArrow);
    return 1;
}

int32_t SetUp(void* dialog) {
    FilterSetup* s = SetupOf(dialog);
    UiDlgProcs procs = {};
    procs.itemHit = ItemHit;
    procs.track = Track;
    procs.cursor = Cursor;
    UI_TRY(Ui_Dlg_SetProcs(dialog, &procs));
    UI_TRY(Ui_Dlg_SetDefaultButton(dialog, kSetupOk));
    const EditPars& pars = s->edit->pars;
    if (pars.doSharpen != 1) ShowRange(dialog, kSetupSharpenFirst, kSetupSharpenLast, 0);
    if (pars.doRemoveNoise != 1) ShowRange(dialog, kSetupNoiseFirst, kSetupNoiseLast, 0);
    UI_TRY(SetupDraw_Attach(dialog));
    // The reads and the filtering alert their own failures.
    const int32_t opened = SetupPreview_Open(dialog);
    if (opened != kUiOk)
        return Ui_Alert_ReportError(Ui_Dlg_State(dialog), opened, nullptr, nullptr);
    UI_TRY(SetupPreview_Fetch(dialog));
    Ui_Dlg_Center(dialog);
    return kUiOk;
}

int32_t Init(void* dialog) {
    FilterSetup* s = SetupOf(dialog);
    Ui_Debug_Log(s->host->diagnostics, "SharpenNoiseInitProc...");
    s->setUpStatus = SetUp(dialog);
    if (s->setUpStatus != kUiOk) return 1;
    Ui_Debug_Log(s->host->diagnostics, "...SharpenNoiseInitProc");
    return 0;
}

}  // namespace

int32_t RunFilterSetupDialog(EditState* edit) {
    if (edit == nullptr || edit->editor.host == nullptr || edit->editor.host->reads == nullptr)
        return kUiErrArg;
    const EditorHost* host = edit->editor.host;
    FilterSetup* s = static_cast<FilterSetup*>(Ui_Malloc(sizeof(FilterSetup)));
    if (s == nullptr) return Ui_Alert_ReportError(host->ui, kUiErrMemory, nullptr, nullptr);
    std::memset(s, 0, sizeof *s);
    s->edit = edit;
    s->host = host;
    std::memcpy(&s->backup, &edit->pars, sizeof s->backup);
    s->fractionX = s->fractionY = 0.5;
    s->zoom = kSetupMinZoom;
    s->filtering = true;
    int32_t item = 0;
    int32_t status = Ui_Dlg_DoModal(host->ui, kDialogSharpenNoise, nullptr, Init, s, &item);
    SetupPreview_Close(s);
    if (status == kUiOk && s->setUpStatus != kUiOk) {
        status = s->setUpStatus;  // alerted
    } else if (status != kUiOk) {
        Ui_Alert_ReportError(host->ui, status, nullptr, nullptr);
    } else if (item != kSetupOk) {
        status = kUiErrCancelled;
    }
    if (status != kUiOk) std::memcpy(&edit->pars, &s->backup, sizeof edit->pars);
    Ui_Free(s);
    return status;
}
