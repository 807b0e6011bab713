#include "host/host_rects.h"

#include "host/module_state.h"

namespace {

VRect Widen(const Rect& r) {
    return VRect{r.top, r.left, r.bottom, r.right};
}

// Coordinates beyond the 16-bit range are clamped, never wrapped.
int16_t Narrow(int32_t v) {
    return int16_t(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
}

Rect NarrowRect(const VRect& r) {
    return Rect{Narrow(r.top), Narrow(r.left), Narrow(r.bottom), Narrow(r.right)};
}

// The four rectangles: 32-bit field in bigDocumentData, 16-bit field in the record.
VRect BigDocumentStruct::*const kRect32[] = {
    &BigDocumentStruct::filterRect32, &BigDocumentStruct::inRect32, &BigDocumentStruct::outRect32,
    &BigDocumentStruct::maskRect32};
Rect FilterRecord::*const kRect16[] = {&FilterRecord::filterRect, &FilterRecord::inRect,
                                       &FilterRecord::outRect, &FilterRecord::maskRect};
enum Which { kFilter, kIn, kOut, kMask };

VRect Get(Which w) {
    if (gFilterRecord == nullptr) return VRect{0, 0, 0, 0};
    if (Host_Uses32BitCoordinates()) return gFilterRecord->bigDocumentData->*kRect32[w];
    return Widen(gFilterRecord->*kRect16[w]);
}

void Set(Which w, const VRect& r) {
    if (gFilterRecord == nullptr) return;
    if (Host_Uses32BitCoordinates())
        gFilterRecord->bigDocumentData->*kRect32[w] = r;
    else
        gFilterRecord->*kRect16[w] = NarrowRect(r);
}

}  // namespace

bool Host_Uses32BitCoordinates() {
    return gFilterRecord != nullptr && gFilterRecord->bigDocumentData != nullptr &&
           gFilterRecord->bigDocumentData->PluginUsing32BitCoordinates != 0;
}

VRect GetFilterRect() {
    return Get(kFilter);
}
VRect GetInRect() {
    return Get(kIn);
}
VRect GetOutRect() {
    return Get(kOut);
}
VRect GetMaskRect() {
    return Get(kMask);
}

void SetInRect(const VRect& r) {
    Set(kIn, r);
}
void SetOutRect(const VRect& r) {
    Set(kOut, r);
}
void SetMaskRect(const VRect& r) {
    Set(kMask, r);
}
