// The sharpen / remove-noise setup dialog's state and the parts its files
// share: the dialog itself (filter_setup_dialog.cpp), the image it shows
// (filter_setup_preview.cpp) and its drawing (filter_setup_draw.cpp).
#pragma once

#include <cstdint>

#include "editor/editor.h"
#include "ui/dialog.h"

enum FilterSetupItem : int32_t {
    kSetupOk = 1,
    kSetupCancel = 2,
    kSetupHelp = 3,
    kSetupRestore = 4,
    kSetupSharpenFirst = 5,  // 5 .. 9: the sharpen row, its title and frame
    kSetupSharpenLast = 9,
    kSetupSharpenFrame = 9,
    kSetupNoiseFirst = 10,  // 10 .. 27: the chrominance rows, titles and frames
    kSetupNoiseLast = 27,
    kSetupBlueFrame = 23,
    kSetupRedFrame = 25,
    kSetupNoiseFrame = 27,
    kSetupPreview = 28,
    kSetupZoomOut = 29,
    kSetupZoomIn = 30,
    kSetupZoomText = 31,
    kSetupNavigator = 32,
};

// A slider row: its label, slider and value items and the setting it sets.
// The ends are the setting's range, narrowed where the dialog offers less.
struct SetupSlider {
    int32_t labelItem;  // the slider is the next item, the value the one after
    const char* setting;
    int32_t element;  // of the setting's array: the noise channel
    int32_t low, high;
    bool radius;  // a radius: the filters' reach changes with it
};
constexpr int32_t kSetupSliderCount = 5;
extern const SetupSlider kSetupSliders[kSetupSliderCount];

constexpr int32_t kSetupMinZoom = 1;
constexpr int32_t kSetupMaxZoom = 16;

struct FilterSetup {
    EditState* edit;
    const EditorHost* host;
    EditPars backup;  // pars as they were at opening
    int32_t setUpStatus;
    int32_t docWidth, docHeight;
    // The view: its centre as fractions of the scrollable range, the zoom
    // (screen pixels per image pixel), whether the filters are shown.
    double fractionX, fractionY;
    int32_t zoom;
    bool filtering;
    UiRect view;  // the preview's image in client pixels: the item less its border
    int32_t viewWidth, viewHeight;
    // The navigator's image and where it is, the marquee in it.
    NavigatorImage navigator;
    int32_t navLeft, navTop;
    PassRect marquee;  // client pixels
    // The image pixels shown (from the image's corner), the window of them
    // with its margin as read, and the shown pixels after the filters and
    // after the zoom: 8-bit, 3 channels or 4 with the selection.
    PassRect window;
    SharpenWindow source;
    int32_t channels;
    uint8_t* result;   // window size, at most the view's
    uint8_t* display;  // view size
    bool displayReady;
    // A drag in the preview: where it began and the centre then (image pixels).
    int32_t dragX, dragY;
    double dragCentreX, dragCentreY;
};

FilterSetup* SetupOf(void* dialog);

// ---- The image (filter_setup_preview.cpp) -------------------------------------------

// The view's and the navigator's geometry from the dialog's items; the
// navigator's image; the buffers of the shown pixels. Errors are returned.
int32_t SetupPreview_Open(void* dialog);
void SetupPreview_Close(FilterSetup* setup);
// The window for the current centre and zoom, and the marquee.
void SetupPreview_Place(FilterSetup* setup);
// Reads the window with its margin unless it holds it already (alerting
// "getting preview" when the read has not), then filters it. A failure keeps the last good picture.
int32_t SetupPreview_Fetch(void* dialog);
// Runs the window through the correction, and through the filters when
// `filtering` is on, into the shown pixels ("transforming preview").
int32_t SetupPreview_Filter(void* dialog);
// Centres the view on an image point (image pixels), placing the window.
void SetupPreview_CentreOn(FilterSetup* setup, double x, double y);

// ---- Drawing (filter_setup_draw.cpp) -------------------------------------------------

int32_t SetupDraw_Attach(void* dialog);
// Draws the item at once (outside a paint).
void SetupDraw_Now(void* dialog, int32_t item);
