// The constraints the compiler and the analyses put on the image views and
// selection masks they are given.
#pragma once

#include <cstdint>

#include "engine/ip_image.h"

// kUiOk for a view the analyses can read: kind 1, three or four planes, one or
// two bytes per sample, width and height each 0 .. 32766, non-zero sample and
// row strides, every plane pointer of its planes present. kUiErrArg otherwise.
int32_t CheckImageView(const IPImage* view);

// kUiOk when mask is absent or covers view exactly: the same width and height,
// at least (width + 7) / 8 bytes per row, bits present. kUiErrArg otherwise.
int32_t CheckSelectionMask(const SelectionMask* mask, const IPImage* view);

// The sample of plane k at (x, y), for views that passed CheckImageView.
template <typename T>
inline const T* ViewRow(const IPImage* view, int32_t k, int32_t y) {
    return static_cast<const T*>(view->planes[k]) + int64_t(y) * view->rowStride;
}
