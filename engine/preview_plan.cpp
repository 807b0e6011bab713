#include "engine/preview_plan.h"

#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

// Fixed needs of the start stage, by depth: the transform's tables, its
// working stack, and everything else of the editor and the pass.
constexpr uint64_t kTablesNeeds8 = 0x20000, kTablesNeeds16 = 0xE0000;
constexpr uint64_t kStackNeeds = 0x30000;
constexpr uint64_t kMiscNeeds8 = 470108, kMiscNeeds16 = 604940;
constexpr uint64_t kStripLimit = 0x200000;  // bytes of one strip's rows
constexpr uint64_t kSpaceLimit = 0x7FFFFFFF;
constexpr int32_t kMaxRowSkip = 32767;

uint64_t CeilDiv(uint64_t a, uint64_t b) {
    return (a + b - 1) / b;
}

uint64_t Larger(uint64_t a, uint64_t b) {
    return a > b ? a : b;
}

long Long(uint64_t v) {
    return long(v > kSpaceLimit ? kSpaceLimit : v);
}

struct Needs {
    uint64_t tables, stack, misc, swatch;
    uint64_t bytes;  // per sample
    int64_t width, height, planes;
    int32_t depth;
    uint64_t inOutRow;
    // For the current preview size W x H:
    uint64_t zoom, mask2d, buffer, inOutPrev;
};

void LogImage(const Needs& n, uint8_t level) {
    Ui_Debug_Logf(level, "image: %d x %d, depth = %d", int(n.width), int(n.height), int(n.depth));
}

void LogFixed(const Needs& n, uint8_t level, bool withBuffer) {
    const char* format =
        withBuffer ? "twlLibtwNeeds = %ld, twlLibStackNeeds = %ld, mask2dNeeds = %ld, miscNeeds = "
                     "%ld, zoomNeeds = %ld, swatchNeeds = %ld -> ulBufferSpace = %ld"
                   : "twlLibtwNeeds = %ld, twlLibStackNeeds = %ld, mask2dNeeds = %ld, miscNeeds = "
                     "%ld, zoomNeeds = %ld, swatchNeeds = %ld";
    Ui_Debug_Logf(level, format, Long(n.tables), Long(n.stack), Long(n.mask2d), Long(n.misc),
                  Long(n.zoom), Long(n.swatch), Long(n.buffer));
}

// "not enough memory" with its reasons; -3.
int32_t NotEnough(const Needs& n, const char* first, uint64_t need, uint64_t have, uint8_t level) {
    Ui_Debug_Logf(level, first, Long(need), Long(have));
    LogImage(n, level);
    LogFixed(n, level, false);
    Ui_Debug_Logf(level, "ulBufferSpace = %ld, inOutRowNeeds = %ld, inOutPrevNeeds = %ld",
                  Long(n.buffer), Long(n.inOutRow), Long(n.inOutPrev));
    return kUiErrMemory;
}

// The needs of a preview of w x h over the filter rectangle f.
void Measure(Needs* n, const PassRect& f, int64_t w, int64_t h, uint8_t* reduced) {
    const int32_t factor = PreviewReductionFactor(n->width, n->height, w, h);
    *reduced = factor > 1 ? 1 : 0;
    // The image the host delivers: each edge of the filter rectangle divided
    // by the subsampling step.
    const int64_t d = PreviewSubsampling(factor);
    const int64_t rw = f.right / d - f.left / d, rh = f.bottom / d - f.top / d;
    n->inOutPrev = uint64_t(rw > 0 ? rw : 0) * uint64_t(rh > 0 ? rh : 0) *
                   (2 * uint64_t(n->planes) * n->bytes + 1);
    n->zoom = 4 * uint64_t(w) * uint64_t(h) * n->bytes;
    n->mask2d = uint64_t((w + 7) / 8) * uint64_t(h);
    n->buffer = n->zoom + n->mask2d + n->swatch + n->misc + n->tables + n->stack;
}

}  // namespace

int32_t PreviewReductionFactor(int64_t width, int64_t height, int64_t w, int64_t h) {
    if (width < 1 || height < 1 || w < 1 || h < 1) return 1;
    const uint64_t factor =
        Larger(CeilDiv(uint64_t(width), uint64_t(w)), CeilDiv(uint64_t(height), uint64_t(h)));
    return factor > uint64_t(INT32_MAX) ? INT32_MAX : int32_t(factor);
}

int32_t PreviewSubsampling(int32_t factor) {
    return factor > 1 ? factor >> 1 : 1;
}

int32_t PlanMemory(const MemoryPlanInput& in, MemoryPlan* plan, uint8_t level) {
    const uint64_t available = in.available > 0 ? uint64_t(in.available) : 0;
    const uint64_t limit = (available >> 2) * 3;
    Needs n = {};
    const bool deep = in.depth > 8;
    n.tables = deep ? kTablesNeeds16 : kTablesNeeds8;
    n.stack = kStackNeeds;
    n.misc = deep ? kMiscNeeds16 : kMiscNeeds8;
    n.swatch = in.swatchNeeds;
    n.bytes = deep ? 2 : 1;
    n.depth = in.depth;
    n.width = int64_t(in.filter.right) - in.filter.left;
    n.height = int64_t(in.filter.bottom) - in.filter.top;
    n.planes = in.planes > 0 ? in.planes : 0;
    if (n.width < 0) n.width = 0;
    if (n.height < 0) n.height = 0;
    n.inOutRow = uint64_t(n.width) + 2 * uint64_t(n.planes) * uint64_t(n.width) * n.bytes;

    const PassRect& min = in.minPreview;
    PassRect preview = in.maxPreview.right - in.maxPreview.left >= 1 ? in.maxPreview : min;
    // A preview without area cannot be planned for.
    if (preview.right - preview.left < 1 || preview.bottom - preview.top < 1)
        return NotEnough(n, "not enough memory: need %ld, have %ld", 0, limit, level);
    const int64_t minW = int64_t(min.right) - min.left, minH = int64_t(min.bottom) - min.top;
    uint8_t reduced = 0;
    for (;;) {
        const int64_t w = int64_t(preview.right) - preview.left;
        const int64_t h = int64_t(preview.bottom) - preview.top;
        Measure(&n, in.filter, w, h, &reduced);
        const uint64_t need = Larger(n.inOutRow, n.inOutPrev) + n.buffer;
        if (n.buffer < kSpaceLimit && need <= limit) break;
        if (w <= minW && h <= minH)
            return NotEnough(n, "not enough memory: need %ld, have %ld", need, limit, level);
        if (w > minW) --preview.right;
        if (h > minH) --preview.bottom;
    }
    const uint64_t need = Larger(n.inOutRow, n.inOutPrev) + n.buffer;
    if (need > limit)
        return NotEnough(n, "Not enough memory: need %ld, have %ld", need, limit, level);

    // Rows per strip: as many as fit the rest of the allowance, under 2 MiB
    // of strip rows, at most the image's height.
    const uint64_t budget = limit - n.buffer;
    int64_t rowSkip = 1;
    while (uint64_t(rowSkip + 1) * n.inOutRow < budget &&
           uint64_t(rowSkip + 1) * n.inOutRow < kStripLimit && rowSkip < n.height &&
           rowSkip < kMaxRowSkip)
        ++rowSkip;
    const uint64_t maxInOut = Larger(uint64_t(rowSkip) * n.inOutRow, n.inOutPrev);
    const uint64_t most = maxInOut + n.buffer;
    LogImage(n, level);
    LogFixed(n, level, true);
    Ui_Debug_Logf(level, "inOutRowNeeds = %ld, inOutPrevNeeds = %ld", Long(n.inOutRow),
                  Long(n.inOutPrev));
    Ui_Debug_Logf(level, "rowSkip = %d, maxInOutNeeds = %ld, mostWeNeed = %ld", int(rowSkip),
                  Long(maxInOut), Long(most));

    const uint64_t half = available >> 1;
    uint64_t maxSpace = half;
    if (half <= most) {
        maxSpace = Larger(limit, most);
        if (maxSpace > kSpaceLimit || maxSpace > available) {
            Ui_Debug_Logf(level, "Not enough memory?: need %ld, have %ld", Long(most),
                          Long(available));
            return kUiErrMemory;
        }
    }
    plan->bufferSpace = uint32_t(n.buffer);
    plan->maxSpace = uint32_t(maxSpace);
    plan->rowSkip = int16_t(rowSkip);
    plan->previewReduced = reduced;
    plan->previewWidth = preview.right - preview.left;
    plan->previewHeight = preview.bottom - preview.top;
    return kUiOk;
}
