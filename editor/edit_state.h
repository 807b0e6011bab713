// The working state of one run: the settings being applied, the compiled
// transform, the preview and window geometry chosen by memory planning and
// the image geometry of the filtering pass. It lives in the data block the
// host keeps between calls, so it holds only plain values and pointers to
// blocks of this module, which the start stage releases before it returns.
#pragma once

#include <cstddef>
#include <cstdint>

#include "editor/filter_settings.h"
#include "engine/compile_edit_tw.h"
#include "engine/edit_pars.h"
#include "engine/memory_colour.h"
#include "engine/pass_rect.h"

struct EditorHost;

constexpr int32_t kMaxEyedropperSamples = 5;

// An eyedropper point of the memory-colour face, in preview-image pixels.
struct SamplePoint {
    uint32_t x;
    uint32_t y;
};

// The single undo level of the memory-colour face: one slot's whole entry.
struct ColourUndo {
    uint8_t available;
    MemoryColorBin saved;
    int32_t slot;
    uint8_t withSample;    // the change was an eyedropper sample
    uint32_t sampleCount;  // the sample count before it
};

// An 8-bit interleaved RGB image drawn into a user item; rows of rowBytes
// (a multiple of 4) bytes.
struct ItemImage {
    uint8_t* pixels;
    int32_t width;
    int32_t height;
    int32_t rowBytes;
};

// The preview pane: how the views show, the pan, the zoom outline and the
// region of the last main-face sample.
struct PaneState {
    uint8_t zoomAllowed;  // the preview is reduced, so 1:1 shows more
    // The pan of the 1:1 view: the offset of its centre from the point the
    // zoom went in at, in image pixels; while panning, where the drag began.
    int32_t panX;
    int32_t panY;
    uint8_t panning;
    int32_t panStartX;
    int32_t panStartY;
    int32_t panStartOffsetX;
    int32_t panStartOffsetY;
    int32_t zoomInX;  // where the zoom went in, image pixels
    int32_t zoomInY;
    uint8_t pressInside;  // the last press lay inside the image
    // The zoom outline: the area the 1:1 view would show, in fitted-view
    // pixels, and where it is on screen (dialog client coordinates).
    int32_t outlineWidth;
    int32_t outlineHeight;
    uint8_t outlineShown;
    int32_t outlineLeft;
    int32_t outlineTop;
    // The last main-face sample's region, in the pixels of the view that
    // showed; painted blue once when the preference asks for it.
    RegionMask sampled;
    uint8_t flashSampled;
    // The selection of the 1:1 view, for the analyses while zoomed.
    uint8_t* zoomSelectionBits;
    SelectionMask zoomSelection;
    // The pixel map handed to the host: 8-bit RGB, or RGBA with the
    // transparency as the map's mask.
    uint8_t* display;
    uint32_t displayBytes;
    int32_t highlightedButton;  // 5 .. 7 under the mouse, 0 none
};

// The editor's working record, one per dialog.
struct EditorState {
    const EditorHost* host;  // set while the editor runs
    uint8_t initialised;     // the set-up has finished
    int32_t setUpStatus;     // the error that ended the set-up, else kUiOk
    uint8_t setUpRan;        // the dialog got as far as the set-up
    uint8_t finished;        // OK built the document's transform and stored the settings
    PaneState pane;
    ItemImage gradient;     // item 10
    ItemImage hueStrip;     // item 37
    ItemImage chromaStrip;  // item 38
    int32_t hueStripStart;  // the hue at the hue strip's left edge, degrees
    uint8_t hueStripHeld;   // a handle of the hue strip is being dragged: it is not recentred
    uint8_t previewOn;
    int32_t currentColour;  // 0 Neutral, 1 Skin, 2 .. 9 custom slots
    int32_t lastCustom;     // the slot the custom button selects
    int32_t activeSlider;   // 31 Hue, 32 Chroma, 33 dHue, -1 none
    uint8_t memoryMode;     // the memory-colour face is shown
    uint32_t sampleCount;
    SamplePoint samplePoints[kMaxEyedropperSamples];
    EditPars undoPars;  // the main face's undo; the memory-colour face's entry copy
    ColourUndo colourUndo;
};

constexpr size_t kTitleBytes = 256;

struct EditState {
    // ---- Settings of the run ----------------------------------------------------
    char title[kTitleBytes];  // the document's title, terminated
    EditPars pars;            // the working settings
    EditPars startPars;       // the settings the run started with
    uint8_t filterStage;      // 1: sharpen and noise removal may run
    FilterSettings filters;   // the pass's own sharpen / noise settings

    // The compiled transform of the run, released at the end of the start.
    TWHandle* transform;

    // ---- Chosen by memory planning ----------------------------------------------
    uint8_t previewReduced;  // 1 when the preview is a reduced image
    int32_t previewWidth;
    int32_t previewHeight;
    PassRect windowRect;  // the editor window, in screen pixels

    // ---- Geometry of the filtering pass -----------------------------------------
    PassRect filterRect;
    PassRect inRect;  // the rectangles last given to the host
    PassRect maskRect;
    PassRect outRect;
    int32_t width;  // of the filter rectangle
    int32_t height;
    int32_t inBytes;  // bytes per sample, input and output
    int32_t outBytes;
    int32_t inStride;  // samples from one pixel to the next: the host's planes
    int32_t outStride;

    // ---- Images read from the host outside the pass ----------------------------
    // The source view shows the last reduced read in the host's input buffer
    // (reduced there by the scaler), maskView likewise the selection in the
    // host's mask buffer; while zoomed, the host's buffers hold the zoom
    // window instead. preview is the 8-bit image of the editor
    // (previewChannels per pixel, the selection as the fourth), previewAlpha
    // the editor's 8-bit copy of a fourth plane, selection the bitmap of the
    // selected pixels (null bits: every pixel selected).
    int32_t boxWidth;  // the preview rectangle, limited to the filter's size
    int32_t boxHeight;
    IPImage sourceView;
    IPImage maskView;  // kind 0: no selection
    uint8_t* preview;
    int32_t previewChannels;
    uint8_t* previewAlpha;
    uint8_t* selectionBits;
    SelectionMask selection;
    // The 1:1 window of a zoomed editor, shown by the host's buffers, and its
    // centre in image coordinates.
    uint8_t zoomed;
    int32_t zoomCenterX;
    int32_t zoomCenterY;
    IPImage zoomView;
    IPImage zoomMask;  // kind 0: no selection

    // ---- The editor's own state -------------------------------------------------
    // Every pointer here starts null (the whole record is cleared when the
    // data block is made) and is released by the end of the start.
    EditorState editor;
};

// Clears the whole record and starts it from the given settings: no
// transform, the sharpen / noise stage enabled.
void InitEditState(EditState* edit, const EditPars& previous);
