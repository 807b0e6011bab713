// The host kit: our host side of the plug-in interface, over an in-memory
// image. It loads a plug-in module, fills a FilterRecord with the host's
// callbacks, and drives the selectors in a host's order. The batch command,
// the Windows test host and the tests stand on it.
//
// The host's callbacks carry no context argument, so one host is active at a
// time: HK_Host_Init makes a host the active one and HK_Host_Free ends it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/sdk_types.h"

// ---- Loading the module -----------------------------------------------------------

typedef void (*HKEntryProc)(int16_t selector, void* paramBlock, intptr_t* data, int16_t* result);

struct HKModule {
    void* library;  // dlopen / LoadLibrary handle
    HKEntryProc entry;
};

// Loads the module at path and looks up entryName. On failure returns -1 and
// writes the system's reason into error (capacity bytes).
int32_t HK_LoadModule(const char* path, const char* entryName, HKModule* module, char* error,
                      size_t capacity);
void HK_UnloadModule(HKModule* module);

// ---- The document --------------------------------------------------------------------

// Interleaved pixels in the interface's own scale: 8-bit samples 0..255,
// 16-bit samples 0..32768 (native byte order). planes is 3 (RGB), 4 (RGB
// and transparency) or up to kHKMaxPlanes (further channels after the
// transparency). rowBytes is the stride in bytes. The caller owns pixels.
constexpr int32_t kHKMaxPlanes = 8;
struct HKImage {
    int32_t width;
    int32_t height;
    int32_t planes;
    int32_t depth;  // 8 or 16
    int32_t rowBytes;
    uint8_t* pixels;
};

// Optional selection: one byte per pixel (255 = selected), same size as the image.
struct HKMask {
    int32_t rowBytes;
    uint8_t* data;
};

// Blocks for whole images and lent areas (large pages where the system has
// them, so that touching a large image costs a few faults); null when memory
// is short. Freed only through HK_FreeLarge.
void* HK_AllocLarge(size_t bytes);
void HK_FreeLarge(void* block);
// The bytes a block from HK_AllocLarge holds (at least those asked for).
size_t HK_LargeBytes(const void* block);

// ---- The host --------------------------------------------------------------------------

struct HKHost;

struct HKOptions {
    bool bigDocument;   // supply bigDocumentData (32-bit coordinates)
    bool handleProcs;   // supply handleProcs
    bool bufferProcs;   // supply bufferProcs
    bool advanceState;  // supply advanceState
    // supply displayPixels: drawing into the host's frame buffer and, on
    // Windows, into the device context (or window) passed as the platform context
    bool displayPixels;
    bool colorServices;  // supply colorServices (a scripted colour picker)
    bool descriptors;    // supply descriptorParameters with the read and write procs
    bool errorString;    // supply a Str255 for the plug-in's own error text
    // Bytes of the record the host models: 608 (current), or 556 (older
    // hosts: every field from offset 556 on is absent).
    int32_t recordBytes;
    char samplingSupport;  // hostSupportsIntegralSampling, or 0: none
    bool zeroRates;        // inputRate and maskRate left at 0, as some hosts do
    // Between calls the host moves the parameters and data blocks into new
    // allocations, copying only their contents.
    bool relocateHandles;
    VRect filterRect;  // the area to filter; empty: the whole image
    intptr_t window;   // platformData->hwnd
    int32_t maxSpace;  // bytes the plug-in may use
    uint32_t hostSig;
    const char* title;      // document title for the 'titl' property (null: none)
    PlugInMonitor monitor;  // gamma 0: the host gives no monitor information
    int16_t playInfo;       // descriptorParameters.playInfo of the next runs
    int32_t abortAfter;     // abortProc answers true from this poll on (0: never)
    int32_t abortAtRow;     // abortProc answers true once progress reached this row (0: never)
    int32_t maxContinues;   // the continue loop stops after this many calls
    // Called by HK_RunFilter between prepare and start (tests look at or
    // change what prepare left); null: nothing.
    void (*beforeStart)(HKHost* host, void* context);
    void* beforeStartContext;
    bool dirtyHandles;      // new handles hold leftover bytes (0xA5), as real hosts may
    int32_t failNewHandle;  // newProc fails from this call on (0: never)
    // Told of the plug-in's progress (null: nobody), and asked at each abort
    // poll whether the user wants to stop (null: never), with callbackContext.
    void (*onProgress)(int32_t done, int32_t total, void* context);
    bool (*wantsAbort)(void* context);
    void* callbackContext;
    // The caller's block for the result, of the image's size and layout
    // (null: the host allocates its own). The host then lends output areas
    // of every plane straight from it (no copy in or out) unless it blends
    // them by the selection itself, and a successful run makes the block the
    // document without a copy: image.pixels points to it after
    // HK_CommitResult, and the document's former block takes the results of
    // later runs.
    //
    // The image's own pixels as the block: the plug-in works in place, for
    // a caller with no use for the document after a failed run (it is then
    // partly changed). The host keeps the rows it lends as output as they
    // were, for input that asks for them again, until input has moved below
    // them; input above rows let go then gets paramErr, and so does sampled
    // input over rows lent as output; rows above the first output area count
    // as let go.
    uint8_t* resultBlock;
    // Told (with callbackContext) how many rows at the top of the result are
    // final, for a caller that takes them while the plug-in works down the
    // image: the rows above an output area once the plug-in asks for it, and
    // every row once a run succeeds. An output area above rows already told
    // final breaks that order: -1 is told, and nothing more in the run.
    // Null: nobody.
    void (*onRowsFinal)(int32_t rows, void* context);
};

// The defaults of a full host: every service, big documents, 1 GB, no abort.
HKOptions HK_DefaultOptions();

struct HKHandle;  // the host's block behind a Handle
struct HKBuffer;
struct HKDescriptorItem;

// Answers of the scripted colour picker, taken in order; an empty queue cancels.
struct HKPickerAnswer {
    bool cancel;
    int16_t rgb[3];  // 0..255
};
constexpr int32_t kHKMaxPickerAnswers = 8;

constexpr int32_t kHKMaxLoggedAreas = 256;

struct HKHost {
    FilterRecord* record;  // zero-filled, options.recordBytes long
    HKOptions options;
    HKImage image;       // the document: changed only when a run succeeds
    uint8_t* result;     // the document as the plug-in writes it (image's layout)
    bool resultOwned;    // result is the host's own block (not options.resultBlock)
    bool resultCurrent;  // result holds the document: nothing written since they matched
    int32_t rowsFinal;   // the rows told final in this run (-1: the order broke)
    HKMask mask;         // data null: no selection
    intptr_t data;       // the plug-in's data slot, kept across runs
    PlatformData platform;
    HandleProcs handleProcs;
    BufferProcs bufferProcs;
    PropertyProcs propertyProcs;
    BigDocumentStruct bigDocument;
    PIDescriptorParameters descriptorParameters;
    ReadDescriptorProcs readDescriptorProcs;
    WriteDescriptorProcs writeDescriptorProcs;
    Str255 errorString;

    // advanceState: the buffers lent to the plug-in and the output they cover.
    uint8_t* inBuffer;
    uint8_t* outBuffer;
    uint8_t* maskBuffer;
    // What the host took back, kept for the next request of the same area.
    uint8_t* spareIn;
    uint8_t* spareOut;
    uint8_t* spareMask;
    VRect outRect;
    int16_t outLoPlane;
    int16_t outHiPlane;
    // Working in place: rows keptTop .. keptBottom - 1 as the document held
    // them before they were lent as output (whole rows from keptBase on, in
    // a block of keptBytes); rows above keptTop were let go.
    uint8_t* kept;
    size_t keptBytes;
    int32_t keptBase;
    int32_t keptTop;
    int32_t keptBottom;

    // What the plug-in asked of the host.
    int32_t advanceCalls;
    int32_t progressCalls;
    int32_t progressDone;
    int32_t progressTotal;
    int32_t abortPolls;
    int32_t maxInRows;                 // the tallest input area requested
    VRect inAreas[kHKMaxLoggedAreas];  // the input areas requested, in order
    int32_t inAreaCount;               // all of them, also those not logged
    // Time the host spent on its own copies (advanceState, the write-back of
    // the last output, taking or dropping the result) in nanoseconds of the
    // thread's processor time (HK_Nanoseconds); it only grows, so callers
    // measure a run by the difference.
    int64_t hostNanoseconds;

    HKHandle* handles;  // live handles, newest first
    int32_t liveHandles;
    int32_t unbalancedUnlocks;  // unlocks of handles that were not locked
    int32_t newHandleCalls;
    HKBuffer* buffers;
    int32_t liveBuffers;

    // The frame the plug-in draws into through displayPixels (8-bit RGB).
    uint8_t* frame;
    int32_t frameWidth;
    int32_t frameHeight;
    int32_t displayCalls;

    HKPickerAnswer pickerAnswers[kHKMaxPickerAnswers];
    int32_t pickerAnswerCount;
    int32_t pickerCalls;
};

// Fills host over image (and an optional mask with mask.data null for none)
// and makes it the active host. 0, or -1 for a bad image, -3 out of memory.
int32_t HK_Host_Init(HKHost* host, const HKImage* image, const HKMask* mask,
                     const HKOptions* options);
// Releases everything the host allocated, the plug-in's leftover handles included.
void HK_Host_Free(HKHost* host);

// advanceState as the host implements it (also run between continue calls):
// writes back the previous output, then lends the requested input, output
// and mask areas. Input comes from the document, output is written into the
// result; while the plug-in leaves autoMask set, the host itself blends the
// output with the document by the selection, as hosts do. Returns noErr,
// paramErr for an area outside the image (output: outside the filter
// rectangle), or memFullErr.
OSErr HK_Advance(HKHost* host);

// The result becomes the document (a successful run), or is dropped. With
// the caller's result block the two blocks trade places instead of copying.
void HK_CommitResult(HKHost* host);
void HK_DiscardResult(HKHost* host);

// The clock of hostNanoseconds: the calling thread's processor time where the
// system keeps it, else a steady clock.
int64_t HK_Nanoseconds();

// Handle bookkeeping for tests: how often h is locked now (-1: not a live handle).
int32_t HK_HandleLockCount(const HKHost* host, Handle h);

// ---- Scripting --------------------------------------------------------------------------

// The descriptor the host hands the plug-in: replaced by one holding a text
// item under key (bytes copied), or cleared.
int32_t HK_SetDescriptorText(HKHost* host, uint32_t key, const void* bytes, uint32_t size);
void HK_ClearDescriptor(HKHost* host);
// The text item under key of the descriptor the plug-in recorded; null when
// there is none.
const uint8_t* HK_DescriptorText(const HKHost* host, uint32_t key, uint32_t* size);

// ---- Display and colour picker ---------------------------------------------------------

// A frame of width x height RGB pixels (white) for displayPixels; -3 out of memory.
int32_t HK_SetFrame(HKHost* host, int32_t width, int32_t height);
void HK_QueuePickerAnswer(HKHost* host, const HKPickerAnswer& answer);

// ---- Running the selectors --------------------------------------------------------------

// Calls one selector: 0 with an AboutRecord, every other value with the host's
// FilterRecord. Returns the plug-in's result.
int16_t HK_Call(HKHost* host, HKEntryProc entry, int16_t selector);

struct HKStep {
    int16_t selector;
    int16_t result;
    int32_t calls;  // continue: how many calls the loop made
};

constexpr int32_t kHKMaxSteps = 8;

struct HKRun {
    HKStep steps[kHKMaxSteps];
    int32_t stepCount;
    int16_t result;  // the first non-zero result, else 0
};

struct HKRunPlan {
    bool about;       // begin with the about selector
    bool parameters;  // send parameters (a first run; a replay leaves it out)
};

// Runs about; parameters; prepare; start; continue until the plug-in leaves
// every rectangle empty; finish (after a successful or cancelled start), as
// the plan says. The document takes the result only when start and the
// continue loop succeeded; otherwise it stays as it was.
void HK_RunFilter(HKHost* host, HKEntryProc entry, const HKRunPlan* plan, HKRun* run);

// "about", "parameters", ... for reports; "selector" for other values.
const char* HK_SelectorName(int16_t selector);
