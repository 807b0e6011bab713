// What the editor reads from the host and shows through it, reached as a
// table of functions that the host layer fills: the editor knows nothing of
// the host's records. The images are plain memory the reads fill.
#pragma once

#include <cstdint>

#include "editor/edit_state.h"

// An 8-bit interleaved image: 3 channels, or 4 with the selection as the
// fourth, which the host is given as the map's mask.
struct DisplayImage {
    const uint8_t* pixels;
    int32_t channels;
    int32_t width;
    int32_t height;
};

// A window of the image in planes of its own: the colour planes at the
// image's depth, the transparency's and the selection's bytes. width and
// height include the margin on every side.
struct SharpenWindow {
    PassRect area;  // the window without its margin, in image coordinates
    int32_t margin;
    int32_t width;
    int32_t height;
    int32_t bytesPerSample;
    void* colour[3];
    uint8_t* transparency;  // null without a fourth plane
    uint8_t* mask;          // null without a selection
};

// The navigator of the sharpen / noise dialog: the whole picture small and
// corrected, 8-bit, 3 channels or 4 with the selection.
struct NavigatorImage {
    uint8_t* pixels;
    int32_t channels;
    int32_t width;
    int32_t height;
};
// The reads and the display, as the editor and its dialogs call them.
struct PreviewReads {
    int32_t (*readReduced)(EditState* edit, int32_t previewWidth, int32_t previewHeight);
    int32_t (*readZoom)(EditState* edit, int32_t x, int32_t y, bool inPreview);
    int32_t (*zoomOut)(EditState* edit);
    int32_t (*getPrevImage)(EditState* edit, const PassRect& area, int32_t margin,
                            SharpenWindow* window);
    void (*freeSharpenWindow)(SharpenWindow* window);
    int32_t (*setUpNavigator)(const EditState* edit, int32_t width, int32_t height,
                              NavigatorImage* navigator);
    void (*freeNavigator)(NavigatorImage* navigator);
    int32_t (*show)(const DisplayImage& image, const PassRect& source, int32_t dstRow,
                    int32_t dstCol, void* platformContext);
};
