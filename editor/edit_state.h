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
#include "engine/pass_rect.h"

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
    // The preview images and their views, the off-screen images of the
    // memory-colour face, sampling and undo join here with the editor; every
    // pointer among them starts null (the whole record is cleared when the
    // data block is made) and is released by the end of the start.
};

// Clears the whole record and starts it from the given settings: no
// transform, the sharpen / noise stage enabled.
void InitEditState(EditState* edit, const EditPars& previous);
