// The host image editor's plug-in interface: the records and callback suites
// a filter host hands to PluginMain, declared with fixed-width types so that
// every build lays them out exactly as a 64-bit Windows host does.
//
// FilterRecord and BigDocumentStruct use 4-byte packing on every build (a
// Linux host written from the same layout loads our shared library); all
// other records use natural alignment. The static_asserts at the end pin
// every offset a host relies on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/sdk_constants.h"

typedef uint8_t Boolean;  // non-zero = true; only the low byte is meaningful
typedef int16_t OSErr;
typedef uint32_t OSType;
typedef uint32_t ResType;
typedef uint32_t PIType;
typedef int32_t Fixed;  // signed 16.16
typedef char* Ptr;
typedef char** Handle;  // points at the host's master pointer; *h is the data
typedef void* BufferID;
typedef unsigned char Str255[256];  // Pascal string: byte 0 holds the length
typedef uint8_t FilterColor[4];

typedef uint32_t DescriptorKeyID;
typedef uint32_t DescriptorTypeID;
typedef uint32_t DescriptorUnitID;
typedef uint32_t DescriptorEnumID;
typedef uint32_t DescriptorClassID;
typedef uint32_t DescriptorFormID;
typedef Handle PIDescriptorHandle;
typedef void* PIReadDescriptor;
typedef void* PIWriteDescriptor;

typedef int32_t SPErr;
typedef int32_t SPBoolean;  // 4 bytes on Windows

struct Point {
    int16_t v;
    int16_t h;
};

// 16-bit rectangle; bottom and right are exclusive.
struct Rect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

struct VPoint {
    int32_t v;
    int32_t h;
};

struct VRect {
    int32_t top;
    int32_t left;
    int32_t bottom;
    int32_t right;
};

// 0..65535 per component.
struct RGBColor {
    uint16_t red;
    uint16_t green;
    uint16_t blue;
};

// What FilterRecord.platformData and AboutRecord.platformData point to.
struct PlatformData {
    intptr_t hwnd;
};

// Ten 16.16 values; gamma 0 means the whole record is invalid.
struct PlugInMonitor {
    Fixed gamma;
    Fixed redX, redY;
    Fixed greenX, greenY;
    Fixed blueX, blueY;
    Fixed whiteX, whiteY;
    Fixed ambient;
};

// ---- Callbacks stored directly in FilterRecord -------------------------------

struct PSPixelMap;
struct ColorServicesInfo;

typedef Boolean (*TestAbortProc)(void);
typedef void (*ProgressProc)(int32_t done, int32_t total);
typedef void (*HostProc)(int16_t selector, intptr_t* data);
typedef void (*ProcessEventProc)(void* event);
typedef OSErr (*DisplayPixelsProc)(const PSPixelMap* source, const VRect* srcRect, int32_t dstRow,
                                   int32_t dstCol, void* platformContext);
typedef OSErr (*AdvanceStateProc)(void);
typedef OSErr (*ColorServicesProc)(ColorServicesInfo* info);
// simpleProperty is pointer-sized; some hosts write only its low 4 bytes, so
// callers zero it first.
typedef OSErr (*GetPropertyProc)(PIType signature, PIType key, int32_t index,
                                 intptr_t* simpleProperty, Handle* complexProperty);
typedef OSErr (*SetPropertyProc)(PIType signature, PIType key, int32_t index,
                                 intptr_t simpleProperty, Handle complexProperty);

// ---- Callback suites (natural alignment) --------------------------------------

typedef OSErr (*AllocateBufferProc)(int32_t size, BufferID* bufferID);
typedef Ptr (*LockBufferProc)(BufferID bufferID, Boolean moveHigh);
typedef void (*UnlockBufferProc)(BufferID bufferID);
typedef void (*FreeBufferProc)(BufferID bufferID);
typedef int32_t (*BufferSpaceProc)(void);
typedef OSErr (*ReserveBufferSpaceProc)(int32_t size);
typedef OSErr (*AllocateBuffer64Proc)(int64_t size, BufferID* bufferID);
typedef int64_t (*BufferSpace64Proc)(void);

struct BufferProcs {
    int16_t bufferProcsVersion;
    int16_t numBufferProcs;
    AllocateBufferProc allocateProc;
    LockBufferProc lockProc;
    UnlockBufferProc unlockProc;
    FreeBufferProc freeProc;
    BufferSpaceProc spaceProc;
    ReserveBufferSpaceProc reserveProc;
    AllocateBuffer64Proc allocateProc64;
    BufferSpace64Proc spaceProc64;
};

typedef Handle (*NewPIHandleProc)(int32_t size);
typedef void (*DisposePIHandleProc)(Handle h);
typedef int32_t (*GetPIHandleSizeProc)(Handle h);
typedef OSErr (*SetPIHandleSizeProc)(Handle h, int32_t newSize);
typedef Ptr (*LockPIHandleProc)(Handle h, Boolean moveHigh);
typedef void (*UnlockPIHandleProc)(Handle h);
typedef void (*RecoverSpaceProc)(int32_t size);
typedef void (*DisposeRegularHandleProc)(Handle h);

struct HandleProcs {
    int16_t handleProcsVersion;
    int16_t numHandleProcs;
    NewPIHandleProc newProc;
    DisposePIHandleProc disposeProc;
    GetPIHandleSizeProc getSizeProc;
    SetPIHandleSizeProc setSizeProc;
    LockPIHandleProc lockProc;
    UnlockPIHandleProc unlockProc;
    RecoverSpaceProc recoverSpaceProc;
    DisposeRegularHandleProc disposeRegularHandleProc;
};

typedef int16_t (*CountPIResourcesProc)(ResType type);
typedef Handle (*GetPIResourceProc)(ResType type, int16_t index);
typedef void (*DeletePIResourceProc)(ResType type, int16_t index);
typedef OSErr (*AddPIResourceProc)(ResType type, Handle data);

struct ResourceProcs {
    int16_t resourceProcsVersion;
    int16_t numResourceProcs;
    CountPIResourcesProc countProc;
    GetPIResourceProc getProc;
    DeletePIResourceProc deleteProc;
    AddPIResourceProc addProc;
};

struct PropertyProcs {
    int16_t propertyProcsVersion;
    int16_t numPropertyProcs;
    GetPropertyProc getPropertyProc;
    SetPropertyProc setPropertyProc;
};

// The plug-in does not call these two suites; they are declared for their size.
struct ImageServicesProcs {
    int16_t imageServicesProcsVersion;
    int16_t numImageServicesProcs;
    void* interpolate1DProc;
    void* interpolate2DProc;
    void* interpolate1DMultiProc;
    void* interpolate2DMultiProc;
    void* interpolate1DMulti32Proc;
    void* interpolate2DMulti32Proc;
};

struct ChannelPortProcs {
    int16_t channelPortProcsVersion;
    int16_t numChannelPortProcs;
    void* readPixelsProc;
    void* writeBasePixelsProc;
    void* readPortForWritePortProc;
};

// ---- Scripting descriptors ---------------------------------------------------

struct PIDescriptorSimpleReference {
    DescriptorTypeID desiredClass;
    DescriptorFormID keyForm;
    struct {
        Str255 name;
        int32_t index;
        DescriptorTypeID type;
        DescriptorEnumID value;
    } keyData;
};

typedef PIReadDescriptor (*OpenReadDescriptorProc)(PIDescriptorHandle descriptor,
                                                   DescriptorKeyID keyArray[]);
typedef OSErr (*CloseReadDescriptorProc)(PIReadDescriptor token);
typedef Boolean (*GetKeyProc)(PIReadDescriptor token, DescriptorKeyID* key, DescriptorTypeID* type,
                              int32_t* flags);
typedef OSErr (*GetIntegerProc)(PIReadDescriptor token, int32_t* value);
typedef OSErr (*GetFloatProc)(PIReadDescriptor token, double* value);
typedef OSErr (*GetUnitFloatProc)(PIReadDescriptor token, DescriptorUnitID* unit, double* value);
typedef OSErr (*GetBooleanProc)(PIReadDescriptor token, Boolean* value);
typedef OSErr (*GetTextProc)(PIReadDescriptor token, Handle* value);
typedef OSErr (*GetAliasProc)(PIReadDescriptor token, Handle* value);
typedef OSErr (*GetEnumeratedProc)(PIReadDescriptor token, DescriptorEnumID* value);
typedef OSErr (*GetClassProc)(PIReadDescriptor token, DescriptorTypeID* value);
typedef OSErr (*GetSimpleReferenceProc)(PIReadDescriptor token, PIDescriptorSimpleReference* value);
typedef OSErr (*GetObjectProc)(PIReadDescriptor token, DescriptorTypeID* type,
                               PIDescriptorHandle* value);
typedef OSErr (*GetCountProc)(PIReadDescriptor token, uint32_t* value);
typedef OSErr (*GetStringProc)(PIReadDescriptor token, Str255* value);
typedef OSErr (*GetPinnedIntegerProc)(PIReadDescriptor token, int32_t min, int32_t max,
                                      int32_t* value);
typedef OSErr (*GetPinnedFloatProc)(PIReadDescriptor token, const double* min, const double* max,
                                    double* value);
typedef OSErr (*GetPinnedUnitFloatProc)(PIReadDescriptor token, const double* min,
                                        const double* max, DescriptorUnitID* unit, double* value);

struct ReadDescriptorProcs {
    int16_t readDescriptorProcsVersion;
    int16_t numReadDescriptorProcs;
    OpenReadDescriptorProc openReadDescriptorProc;
    CloseReadDescriptorProc closeReadDescriptorProc;
    GetKeyProc getKeyProc;
    GetIntegerProc getIntegerProc;
    GetFloatProc getFloatProc;
    GetUnitFloatProc getUnitFloatProc;
    GetBooleanProc getBooleanProc;
    GetTextProc getTextProc;
    GetAliasProc getAliasProc;
    GetEnumeratedProc getEnumeratedProc;
    GetClassProc getClassProc;
    GetSimpleReferenceProc getSimpleReferenceProc;
    GetObjectProc getObjectProc;
    GetCountProc getCountProc;
    GetStringProc getStringProc;
    GetPinnedIntegerProc getPinnedIntegerProc;
    GetPinnedFloatProc getPinnedFloatProc;
    GetPinnedUnitFloatProc getPinnedUnitFloatProc;
};

typedef PIWriteDescriptor (*OpenWriteDescriptorProc)(void);
typedef OSErr (*CloseWriteDescriptorProc)(PIWriteDescriptor token, PIDescriptorHandle* descriptor);
typedef OSErr (*PutIntegerProc)(PIWriteDescriptor token, DescriptorKeyID key, int32_t value);
typedef OSErr (*PutFloatProc)(PIWriteDescriptor token, DescriptorKeyID key, const double* value);
typedef OSErr (*PutUnitFloatProc)(PIWriteDescriptor token, DescriptorKeyID key,
                                  DescriptorUnitID unit, const double* value);
typedef OSErr (*PutBooleanProc)(PIWriteDescriptor token, DescriptorKeyID key, Boolean value);
typedef OSErr (*PutTextProc)(PIWriteDescriptor token, DescriptorKeyID key, Handle value);
typedef OSErr (*PutAliasProc)(PIWriteDescriptor token, DescriptorKeyID key, Handle value);
typedef OSErr (*PutEnumeratedProc)(PIWriteDescriptor token, DescriptorKeyID key,
                                   DescriptorTypeID type, DescriptorEnumID value);
typedef OSErr (*PutClassProc)(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID value);
typedef OSErr (*PutSimpleReferenceProc)(PIWriteDescriptor token, DescriptorKeyID key,
                                        const PIDescriptorSimpleReference* value);
typedef OSErr (*PutObjectProc)(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID type,
                               PIDescriptorHandle value);
typedef OSErr (*PutCountProc)(PIWriteDescriptor token, DescriptorKeyID key, uint32_t value);
typedef OSErr (*PutStringProc)(PIWriteDescriptor token, DescriptorKeyID key,
                               const unsigned char* pascalString);
typedef OSErr (*PutScopedClassProc)(PIWriteDescriptor token, DescriptorKeyID key,
                                    DescriptorTypeID value);
typedef OSErr (*PutScopedObjectProc)(PIWriteDescriptor token, DescriptorKeyID key,
                                     DescriptorTypeID type, PIDescriptorHandle value);

struct WriteDescriptorProcs {
    int16_t writeDescriptorProcsVersion;
    int16_t numWriteDescriptorProcs;
    OpenWriteDescriptorProc openWriteDescriptorProc;
    CloseWriteDescriptorProc closeWriteDescriptorProc;
    PutIntegerProc putIntegerProc;
    PutFloatProc putFloatProc;
    PutUnitFloatProc putUnitFloatProc;
    PutBooleanProc putBooleanProc;
    PutTextProc putTextProc;
    PutAliasProc putAliasProc;
    PutEnumeratedProc putEnumeratedProc;
    PutClassProc putClassProc;
    PutSimpleReferenceProc putSimpleReferenceProc;
    PutObjectProc putObjectProc;
    PutCountProc putCountProc;
    PutStringProc putStringProc;
    PutScopedClassProc putScopedClassProc;
    PutScopedObjectProc putScopedObjectProc;
};

struct PIDescriptorParameters {
    int16_t descriptorParametersVersion;
    int16_t playInfo;    // kPlugInDialogDontDisplay / Display / Silent
    int16_t recordInfo;  // kPlugInDialogOptional / Required / None
    PIDescriptorHandle descriptor;
    WriteDescriptorProcs* writeDescriptorProcs;
    ReadDescriptorProcs* readDescriptorProcs;
};

// ---- Colour services ------------------------------------------------------------

struct ColorServicesInfo {
    int32_t infoSize;  // the caller sets sizeof(ColorServicesInfo)
    int16_t selector;
    int16_t sourceSpace;
    int16_t resultSpace;
    Boolean resultGamutInfoValid;
    Boolean resultInGamut;
    void* reservedSourceSpaceInfo;  // must be null
    void* reservedResultSpaceInfo;  // must be null
    int16_t colorComponents[4];
    void* reserved;  // must be null
    union {
        Str255* pickerPrompt;
        Point* globalSamplePoint;
        int32_t specialColorID;
    } selectorParameter;
};

// ---- Pixel maps for displayPixels -----------------------------------------------

struct PSPixelMask {
    PSPixelMask* next;
    void* maskData;
    int32_t rowBytes;
    int32_t colBytes;
    int32_t maskDescription;  // kSimplePSMask ...
};

struct PSPixelOverlay {
    PSPixelOverlay* next;
    void* data;
    int32_t rowBytes;
    int32_t colBytes;
    uint8_t red, green, blue, opacity;
    int32_t overlayAlgorithm;
};

struct PSPixelMap {
    int32_t version;  // 1, 2 or 3: later fields are read only from maps that have them
    VRect bounds;
    int32_t imageMode;
    int32_t rowBytes;
    int32_t colBytes;
    int32_t planeBytes;
    void* baseAddr;  // first plane of the top-left pixel
    PSPixelMask* mat;
    PSPixelMask* masks;
    int32_t maskPhaseRow;
    int32_t maskPhaseCol;
    PSPixelOverlay* pixelOverlays;
    uint32_t colorManagementOptions;
    int16_t depth;
};

// ---- PICA basic suite -------------------------------------------------------------

struct SPBasicSuite {
    SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
    SPErr (*ReleaseSuite)(const char* name, int32_t version);
    SPBoolean (*IsEqual)(const char* token1, const char* token2);
    SPErr (*AllocateBlock)(size_t size, void** block);
    SPErr (*FreeBlock)(void* block);
    SPErr (*ReallocateBlock)(void* block, size_t newSize, void** newBlock);
    SPErr (*Undefined)(void);
};

// ---- The about selector's record -------------------------------------------------

struct AboutRecord {
    void* platformData;  // PlatformData*
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    char reserved[244];
};

// ---- The filter record and its 32-bit coordinates (4-byte packing) ---------------

#pragma pack(push, 4)

// Replaces the 16-bit rectangles and points once PluginUsing32BitCoordinates is set.
struct BigDocumentStruct {
    int32_t PluginUsing32BitCoordinates;
    VPoint imageSize32;
    VRect filterRect32;
    VRect inRect32;
    VRect outRect32;
    VRect maskRect32;
    VPoint floatCoord32;
    VPoint wholeSize32;
};

struct FilterRecord {
    int32_t serialNumber;
    TestAbortProc abortProc;
    ProgressProc progressProc;
    Handle parameters;
    Point imageSize;
    int16_t planes;
    Rect filterRect;
    RGBColor background;
    RGBColor foreground;
    int32_t maxSpace;  // bytes
    int32_t bufferSpace;
    Rect inRect;
    int16_t inLoPlane;
    int16_t inHiPlane;
    Rect outRect;
    int16_t outLoPlane;
    int16_t outHiPlane;
    void* inData;
    int32_t inRowBytes;  // bytes
    void* outData;
    int32_t outRowBytes;
    Boolean isFloating;
    Boolean haveMask;
    Boolean autoMask;
    Rect maskRect;
    void* maskData;  // one byte per pixel, 255 = selected
    int32_t maskRowBytes;
    FilterColor backColor;
    FilterColor foreColor;
    OSType hostSig;
    HostProc hostProc;
    int16_t imageMode;
    Fixed imageHRes;  // pixels per inch
    Fixed imageVRes;
    Point floatCoord;
    Point wholeSize;
    PlugInMonitor monitor;
    void* platformData;  // PlatformData*
    BufferProcs* bufferProcs;
    ResourceProcs* resourceProcs;
    ProcessEventProc processEvent;
    DisplayPixelsProc displayPixels;
    HandleProcs* handleProcs;
    Boolean supportsDummyChannels;
    Boolean supportsAlternateLayouts;
    int16_t wantLayout;
    int16_t filterCase;
    int16_t dummyPlaneValue;
    void* premiereHook;
    AdvanceStateProc advanceState;
    Boolean supportsAbsolute;
    Boolean wantsAbsolute;
    GetPropertyProc getPropertyObsolete;
    Boolean cannotUndo;
    Boolean supportsPadding;
    int16_t inputPadding;
    int16_t outputPadding;
    int16_t maskPadding;
    char samplingSupport;
    char reservedByte;
    Fixed inputRate;
    Fixed maskRate;
    ColorServicesProc colorServices;
    int16_t inLayerPlanes;
    int16_t inTransparencyMask;
    int16_t inLayerMasks;
    int16_t inInvertedLayerMasks;
    int16_t inNonLayerPlanes;
    int16_t outLayerPlanes;
    int16_t outTransparencyMask;
    int16_t outLayerMasks;
    int16_t outInvertedLayerMasks;
    int16_t outNonLayerPlanes;
    int16_t absLayerPlanes;
    int16_t absTransparencyMask;
    int16_t absLayerMasks;
    int16_t absInvertedLayerMasks;
    int16_t absNonLayerPlanes;
    int16_t inPreDummyPlanes;
    int16_t inPostDummyPlanes;
    int16_t outPreDummyPlanes;
    int16_t outPostDummyPlanes;
    int32_t inColumnBytes;  // 0 = not set
    int32_t inPlaneBytes;
    int32_t outColumnBytes;
    int32_t outPlaneBytes;
    ImageServicesProcs* imageServicesProcs;
    PropertyProcs* propertyProcs;
    int16_t inTileHeight;
    int16_t inTileWidth;
    Point inTileOrigin;
    int16_t absTileHeight;
    int16_t absTileWidth;
    Point absTileOrigin;
    int16_t outTileHeight;
    int16_t outTileWidth;
    Point outTileOrigin;
    int16_t maskTileHeight;
    int16_t maskTileWidth;
    Point maskTileOrigin;
    PIDescriptorParameters* descriptorParameters;
    Str255* errorString;
    ChannelPortProcs* channelPortProcs;
    void* documentInfo;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    int32_t depth;  // bits per channel; 0 from hosts older than depth support
    Handle iCCprofileData;
    int32_t iCCprofileSize;
    int32_t canUseICCProfiles;
    int32_t hasImageScrap;
    BigDocumentStruct* bigDocumentData;  // null when the host has no 32-bit coordinates
    PIDescriptorParameters* input3DScene;
    PIDescriptorParameters* output3DScene;
    Boolean createNewLayer;
    Handle iCCWorkingProfileData;
    int32_t iCCWorkingProfileSize;
    int64_t bufferSpace64;
    int64_t maxSpace64;
    Boolean allowOverrangeColors;
    char reserved[45];
};

#pragma pack(pop)

// Many hosts model the record only up to canUseICCProfiles: they allocate this
// many bytes, zero-filled.
constexpr size_t kFilterRecordShortSize = 556;

// ---- Layout checks ------------------------------------------------------------------

static_assert(sizeof(void*) == 8, "the plug-in interface is declared for 64-bit builds");

#define SDK_OFFSET(type, field, offset) \
    static_assert(offsetof(type, field) == (offset), #type "." #field " offset")

SDK_OFFSET(FilterRecord, serialNumber, 0);
SDK_OFFSET(FilterRecord, abortProc, 4);
SDK_OFFSET(FilterRecord, progressProc, 12);
SDK_OFFSET(FilterRecord, parameters, 20);
SDK_OFFSET(FilterRecord, imageSize, 28);
SDK_OFFSET(FilterRecord, planes, 32);
SDK_OFFSET(FilterRecord, filterRect, 34);
SDK_OFFSET(FilterRecord, background, 42);
SDK_OFFSET(FilterRecord, foreground, 48);
SDK_OFFSET(FilterRecord, maxSpace, 56);
SDK_OFFSET(FilterRecord, bufferSpace, 60);
SDK_OFFSET(FilterRecord, inRect, 64);
SDK_OFFSET(FilterRecord, inLoPlane, 72);
SDK_OFFSET(FilterRecord, inHiPlane, 74);
SDK_OFFSET(FilterRecord, outRect, 76);
SDK_OFFSET(FilterRecord, outLoPlane, 84);
SDK_OFFSET(FilterRecord, outHiPlane, 86);
SDK_OFFSET(FilterRecord, inData, 88);
SDK_OFFSET(FilterRecord, inRowBytes, 96);
SDK_OFFSET(FilterRecord, outData, 100);
SDK_OFFSET(FilterRecord, outRowBytes, 108);
SDK_OFFSET(FilterRecord, isFloating, 112);
SDK_OFFSET(FilterRecord, haveMask, 113);
SDK_OFFSET(FilterRecord, autoMask, 114);
SDK_OFFSET(FilterRecord, maskRect, 116);
SDK_OFFSET(FilterRecord, maskData, 124);
SDK_OFFSET(FilterRecord, maskRowBytes, 132);
SDK_OFFSET(FilterRecord, backColor, 136);
SDK_OFFSET(FilterRecord, foreColor, 140);
SDK_OFFSET(FilterRecord, hostSig, 144);
SDK_OFFSET(FilterRecord, hostProc, 148);
SDK_OFFSET(FilterRecord, imageMode, 156);
SDK_OFFSET(FilterRecord, imageHRes, 160);
SDK_OFFSET(FilterRecord, imageVRes, 164);
SDK_OFFSET(FilterRecord, floatCoord, 168);
SDK_OFFSET(FilterRecord, wholeSize, 172);
SDK_OFFSET(FilterRecord, monitor, 176);
SDK_OFFSET(FilterRecord, platformData, 216);
SDK_OFFSET(FilterRecord, bufferProcs, 224);
SDK_OFFSET(FilterRecord, resourceProcs, 232);
SDK_OFFSET(FilterRecord, processEvent, 240);
SDK_OFFSET(FilterRecord, displayPixels, 248);
SDK_OFFSET(FilterRecord, handleProcs, 256);
SDK_OFFSET(FilterRecord, supportsDummyChannels, 264);
SDK_OFFSET(FilterRecord, supportsAlternateLayouts, 265);
SDK_OFFSET(FilterRecord, wantLayout, 266);
SDK_OFFSET(FilterRecord, filterCase, 268);
SDK_OFFSET(FilterRecord, dummyPlaneValue, 270);
SDK_OFFSET(FilterRecord, premiereHook, 272);
SDK_OFFSET(FilterRecord, advanceState, 280);
SDK_OFFSET(FilterRecord, supportsAbsolute, 288);
SDK_OFFSET(FilterRecord, wantsAbsolute, 289);
SDK_OFFSET(FilterRecord, getPropertyObsolete, 292);
SDK_OFFSET(FilterRecord, cannotUndo, 300);
SDK_OFFSET(FilterRecord, supportsPadding, 301);
SDK_OFFSET(FilterRecord, inputPadding, 302);
SDK_OFFSET(FilterRecord, outputPadding, 304);
SDK_OFFSET(FilterRecord, maskPadding, 306);
SDK_OFFSET(FilterRecord, samplingSupport, 308);
SDK_OFFSET(FilterRecord, reservedByte, 309);
SDK_OFFSET(FilterRecord, inputRate, 312);
SDK_OFFSET(FilterRecord, maskRate, 316);
SDK_OFFSET(FilterRecord, colorServices, 320);
SDK_OFFSET(FilterRecord, inLayerPlanes, 328);
SDK_OFFSET(FilterRecord, inNonLayerPlanes, 336);
SDK_OFFSET(FilterRecord, outLayerPlanes, 338);
SDK_OFFSET(FilterRecord, absLayerPlanes, 348);
SDK_OFFSET(FilterRecord, inPreDummyPlanes, 358);
SDK_OFFSET(FilterRecord, outPostDummyPlanes, 364);
SDK_OFFSET(FilterRecord, inColumnBytes, 368);
SDK_OFFSET(FilterRecord, inPlaneBytes, 372);
SDK_OFFSET(FilterRecord, outColumnBytes, 376);
SDK_OFFSET(FilterRecord, outPlaneBytes, 380);
SDK_OFFSET(FilterRecord, imageServicesProcs, 384);
SDK_OFFSET(FilterRecord, propertyProcs, 392);
SDK_OFFSET(FilterRecord, inTileHeight, 400);
SDK_OFFSET(FilterRecord, inTileOrigin, 404);
SDK_OFFSET(FilterRecord, absTileOrigin, 412);
SDK_OFFSET(FilterRecord, outTileOrigin, 420);
SDK_OFFSET(FilterRecord, maskTileHeight, 424);
SDK_OFFSET(FilterRecord, maskTileOrigin, 428);
SDK_OFFSET(FilterRecord, descriptorParameters, 432);
SDK_OFFSET(FilterRecord, errorString, 440);
SDK_OFFSET(FilterRecord, channelPortProcs, 448);
SDK_OFFSET(FilterRecord, documentInfo, 456);
SDK_OFFSET(FilterRecord, sSPBasic, 464);
SDK_OFFSET(FilterRecord, plugInRef, 472);
SDK_OFFSET(FilterRecord, depth, 480);
SDK_OFFSET(FilterRecord, iCCprofileData, 484);
SDK_OFFSET(FilterRecord, iCCprofileSize, 492);
SDK_OFFSET(FilterRecord, canUseICCProfiles, 496);
SDK_OFFSET(FilterRecord, hasImageScrap, 500);
SDK_OFFSET(FilterRecord, bigDocumentData, 504);
SDK_OFFSET(FilterRecord, input3DScene, 512);
SDK_OFFSET(FilterRecord, output3DScene, 520);
SDK_OFFSET(FilterRecord, createNewLayer, 528);
SDK_OFFSET(FilterRecord, iCCWorkingProfileData, 532);
SDK_OFFSET(FilterRecord, iCCWorkingProfileSize, 540);
SDK_OFFSET(FilterRecord, bufferSpace64, 544);
SDK_OFFSET(FilterRecord, maxSpace64, 552);
SDK_OFFSET(FilterRecord, allowOverrangeColors, 560);
SDK_OFFSET(FilterRecord, reserved, 561);
static_assert(sizeof(FilterRecord) == 608, "FilterRecord size");
static_assert(offsetof(FilterRecord, canUseICCProfiles) + 4 + 56 == kFilterRecordShortSize,
              "short record: through canUseICCProfiles plus 54 reserved bytes and padding");

SDK_OFFSET(BigDocumentStruct, PluginUsing32BitCoordinates, 0);
SDK_OFFSET(BigDocumentStruct, imageSize32, 4);
SDK_OFFSET(BigDocumentStruct, filterRect32, 12);
SDK_OFFSET(BigDocumentStruct, inRect32, 28);
SDK_OFFSET(BigDocumentStruct, outRect32, 44);
SDK_OFFSET(BigDocumentStruct, maskRect32, 60);
SDK_OFFSET(BigDocumentStruct, floatCoord32, 76);
SDK_OFFSET(BigDocumentStruct, wholeSize32, 84);
static_assert(sizeof(BigDocumentStruct) == 92, "BigDocumentStruct size");

static_assert(sizeof(Point) == 4 && sizeof(Rect) == 8 && sizeof(VPoint) == 8 &&
                  sizeof(VRect) == 16 && sizeof(RGBColor) == 6 && sizeof(PlugInMonitor) == 40 &&
                  sizeof(PlatformData) == 8,
              "primitive record sizes");

SDK_OFFSET(AboutRecord, platformData, 0);
SDK_OFFSET(AboutRecord, sSPBasic, 8);
SDK_OFFSET(AboutRecord, plugInRef, 16);
SDK_OFFSET(AboutRecord, reserved, 24);
static_assert(sizeof(AboutRecord) == 272, "AboutRecord size");

SDK_OFFSET(BufferProcs, numBufferProcs, 2);
SDK_OFFSET(BufferProcs, allocateProc, 8);
SDK_OFFSET(BufferProcs, lockProc, 16);
SDK_OFFSET(BufferProcs, unlockProc, 24);
SDK_OFFSET(BufferProcs, freeProc, 32);
SDK_OFFSET(BufferProcs, spaceProc, 40);
SDK_OFFSET(BufferProcs, reserveProc, 48);
SDK_OFFSET(BufferProcs, allocateProc64, 56);
SDK_OFFSET(BufferProcs, spaceProc64, 64);
static_assert(sizeof(BufferProcs) == 72, "BufferProcs size");

SDK_OFFSET(HandleProcs, numHandleProcs, 2);
SDK_OFFSET(HandleProcs, newProc, 8);
SDK_OFFSET(HandleProcs, disposeProc, 16);
SDK_OFFSET(HandleProcs, getSizeProc, 24);
SDK_OFFSET(HandleProcs, setSizeProc, 32);
SDK_OFFSET(HandleProcs, lockProc, 40);
SDK_OFFSET(HandleProcs, unlockProc, 48);
SDK_OFFSET(HandleProcs, recoverSpaceProc, 56);
SDK_OFFSET(HandleProcs, disposeRegularHandleProc, 64);
static_assert(sizeof(HandleProcs) == 72, "HandleProcs size");

SDK_OFFSET(ResourceProcs, countProc, 8);
SDK_OFFSET(ResourceProcs, addProc, 32);
static_assert(sizeof(ResourceProcs) == 40, "ResourceProcs size");
SDK_OFFSET(PropertyProcs, getPropertyProc, 8);
SDK_OFFSET(PropertyProcs, setPropertyProc, 16);
static_assert(sizeof(PropertyProcs) == 24, "PropertyProcs size");
static_assert(sizeof(ImageServicesProcs) == 56, "ImageServicesProcs size");
static_assert(sizeof(ChannelPortProcs) == 32, "ChannelPortProcs size");

SDK_OFFSET(PIDescriptorParameters, playInfo, 2);
SDK_OFFSET(PIDescriptorParameters, recordInfo, 4);
SDK_OFFSET(PIDescriptorParameters, descriptor, 8);
SDK_OFFSET(PIDescriptorParameters, writeDescriptorProcs, 16);
SDK_OFFSET(PIDescriptorParameters, readDescriptorProcs, 24);
static_assert(sizeof(PIDescriptorParameters) == 32, "PIDescriptorParameters size");
SDK_OFFSET(ReadDescriptorProcs, openReadDescriptorProc, 8);
SDK_OFFSET(ReadDescriptorProcs, getTextProc, 64);
SDK_OFFSET(ReadDescriptorProcs, getPinnedUnitFloatProc, 144);
static_assert(sizeof(ReadDescriptorProcs) == 152, "ReadDescriptorProcs size");
SDK_OFFSET(WriteDescriptorProcs, openWriteDescriptorProc, 8);
SDK_OFFSET(WriteDescriptorProcs, putTextProc, 56);
SDK_OFFSET(WriteDescriptorProcs, putScopedObjectProc, 128);
static_assert(sizeof(WriteDescriptorProcs) == 136, "WriteDescriptorProcs size");
SDK_OFFSET(PIDescriptorSimpleReference, keyData, 8);
static_assert(sizeof(PIDescriptorSimpleReference) == 276, "PIDescriptorSimpleReference size");

SDK_OFFSET(ColorServicesInfo, selector, 4);
SDK_OFFSET(ColorServicesInfo, sourceSpace, 6);
SDK_OFFSET(ColorServicesInfo, resultSpace, 8);
SDK_OFFSET(ColorServicesInfo, resultGamutInfoValid, 10);
SDK_OFFSET(ColorServicesInfo, resultInGamut, 11);
SDK_OFFSET(ColorServicesInfo, reservedSourceSpaceInfo, 16);
SDK_OFFSET(ColorServicesInfo, reservedResultSpaceInfo, 24);
SDK_OFFSET(ColorServicesInfo, colorComponents, 32);
SDK_OFFSET(ColorServicesInfo, reserved, 40);
SDK_OFFSET(ColorServicesInfo, selectorParameter, 48);
static_assert(sizeof(ColorServicesInfo) == 56, "ColorServicesInfo size");

SDK_OFFSET(PSPixelMask, maskData, 8);
SDK_OFFSET(PSPixelMask, rowBytes, 16);
SDK_OFFSET(PSPixelMask, colBytes, 20);
SDK_OFFSET(PSPixelMask, maskDescription, 24);
static_assert(sizeof(PSPixelMask) == 32, "PSPixelMask size");
SDK_OFFSET(PSPixelOverlay, red, 24);
SDK_OFFSET(PSPixelOverlay, overlayAlgorithm, 28);
static_assert(sizeof(PSPixelOverlay) == 32, "PSPixelOverlay size");
SDK_OFFSET(PSPixelMap, bounds, 4);
SDK_OFFSET(PSPixelMap, imageMode, 20);
SDK_OFFSET(PSPixelMap, rowBytes, 24);
SDK_OFFSET(PSPixelMap, colBytes, 28);
SDK_OFFSET(PSPixelMap, planeBytes, 32);
SDK_OFFSET(PSPixelMap, baseAddr, 40);
SDK_OFFSET(PSPixelMap, mat, 48);
SDK_OFFSET(PSPixelMap, masks, 56);
SDK_OFFSET(PSPixelMap, maskPhaseRow, 64);
SDK_OFFSET(PSPixelMap, maskPhaseCol, 68);
SDK_OFFSET(PSPixelMap, pixelOverlays, 72);
SDK_OFFSET(PSPixelMap, colorManagementOptions, 80);
SDK_OFFSET(PSPixelMap, depth, 84);
static_assert(sizeof(PSPixelMap) == 88, "PSPixelMap size");

SDK_OFFSET(SPBasicSuite, AcquireSuite, 0);
SDK_OFFSET(SPBasicSuite, AllocateBlock, 24);
SDK_OFFSET(SPBasicSuite, Undefined, 48);
static_assert(sizeof(SPBasicSuite) == 56, "SPBasicSuite size");

#undef SDK_OFFSET
