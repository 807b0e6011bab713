// Constants of the host's plug-in interface: selectors, result codes, image
// modes, suite versions and four-character codes.
#pragma once

#include <cstdint>

// A four-character code as the interface stores it: first character in the
// most significant byte ('8BIM' = 0x3842494D).
constexpr uint32_t PIFourCC(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
           (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

// Selectors (PluginMain's first argument).
constexpr int16_t filterSelectorAbout = 0;
constexpr int16_t filterSelectorParameters = 1;
constexpr int16_t filterSelectorPrepare = 2;
constexpr int16_t filterSelectorStart = 3;
constexpr int16_t filterSelectorContinue = 4;
constexpr int16_t filterSelectorFinish = 5;

// Result codes.
constexpr int16_t noErr = 0;
constexpr int16_t paramErr = -50;
constexpr int16_t memFullErr = -108;
constexpr int16_t nilHandleErr = -109;
constexpr int16_t userCanceledErr = -128;
constexpr int16_t errMissingParameter = -1715;
constexpr int16_t filterBadParameters = -30100;
constexpr int16_t filterBadMode = -30101;
constexpr int16_t errPlugInHostInsufficient = -30900;
constexpr int16_t errPlugInPropertyUndefined = -30901;
constexpr int16_t errHostDoesNotSupportColStep = -30902;
constexpr int16_t errInvalidSamplePoint = -30903;
constexpr int16_t errReportString = -30904;

// Image modes (FilterRecord.imageMode, PSPixelMap.imageMode).
constexpr int16_t plugInModeBitmap = 0;
constexpr int16_t plugInModeGrayScale = 1;
constexpr int16_t plugInModeIndexedColor = 2;
constexpr int16_t plugInModeRGBColor = 3;
constexpr int16_t plugInModeCMYKColor = 4;
constexpr int16_t plugInModeHSLColor = 5;
constexpr int16_t plugInModeHSBColor = 6;
constexpr int16_t plugInModeMultichannel = 7;
constexpr int16_t plugInModeDuotone = 8;
constexpr int16_t plugInModeLabColor = 9;
constexpr int16_t plugInModeGray16 = 10;
constexpr int16_t plugInModeRGB48 = 11;
constexpr int16_t plugInModeLab48 = 12;
constexpr int16_t plugInModeCMYK64 = 13;
constexpr int16_t plugInModeDeepMultichannel = 14;
constexpr int16_t plugInModeDuotone16 = 15;
constexpr int16_t plugInModeRGB96 = 16;
constexpr int16_t plugInModeGray32 = 17;

// Filter cases (FilterRecord.filterCase); 0 means the host did not say.
constexpr int16_t filterCaseUnsupported = -1;
constexpr int16_t filterCaseFlatImageNoSelection = 1;
constexpr int16_t filterCaseFlatImageWithSelection = 2;
constexpr int16_t filterCaseFloatingSelection = 3;
constexpr int16_t filterCaseEditableTransparencyNoSelection = 4;
constexpr int16_t filterCaseEditableTransparencyWithSelection = 5;
constexpr int16_t filterCaseProtectedTransparencyNoSelection = 6;
constexpr int16_t filterCaseProtectedTransparencyWithSelection = 7;

// Padding (inputPadding, outputPadding, maskPadding): 0..255 is a fill value.
constexpr int16_t plugInWantsEdgeReplication = -1;
constexpr int16_t plugInDoesNotWantPadding = -2;
constexpr int16_t plugInWantsErrorOnBoundsException = -3;

// samplingSupport.
constexpr char hostDoesNotSupportSampling = 0;
constexpr char hostSupportsIntegralSampling = 1;
constexpr char hostSupportsFractionalSampling = 2;

// Scripting: PIDescriptorParameters.playInfo and recordInfo.
constexpr int16_t plugInDialogDontDisplay = 0;
constexpr int16_t plugInDialogDisplay = 1;
constexpr int16_t plugInDialogSilent = 2;
constexpr int16_t plugInDialogOptional = 0;
constexpr int16_t plugInDialogRequired = 1;
constexpr int16_t plugInDialogNone = 2;

// Colour services.
constexpr int16_t plugIncolorServicesChooseColor = 0;
constexpr int16_t plugIncolorServicesConvertColor = 1;
constexpr int16_t plugIncolorServicesSamplePoint = 2;
constexpr int16_t plugIncolorServicesGetSpecialColor = 3;
constexpr int16_t plugIncolorServicesRGBSpace = 0;
constexpr int16_t plugIncolorServicesHSBSpace = 1;
constexpr int16_t plugIncolorServicesCMYKSpace = 2;
constexpr int16_t plugIncolorServicesLabSpace = 3;
constexpr int16_t plugIncolorServicesGraySpace = 4;
constexpr int16_t plugIncolorServicesHSLSpace = 5;
constexpr int16_t plugIncolorServicesXYZSpace = 6;
constexpr int16_t plugIncolorServicesChosenSpace = -1;

// PSPixelMask.maskDescription.
constexpr int32_t kSimplePSMask = 0;
constexpr int32_t kBlackMatPSMask = 1;
constexpr int32_t kGrayMatPSMask = 2;
constexpr int32_t kWhiteMatPSMask = 3;
constexpr int32_t kInvertPSMask = 4;

// Suite versions and procedure counts.
constexpr int16_t kCurrentBufferProcsVersion = 2;
constexpr int16_t kCurrentBufferProcsCount = 8;
constexpr int16_t kCurrentHandleProcsVersion = 1;
constexpr int16_t kCurrentHandleProcsCount = 8;
constexpr int16_t kCurrentResourceProcsVersion = 3;
constexpr int16_t kCurrentResourceProcsCount = 4;
constexpr int16_t kCurrentPropertyProcsVersion = 1;
constexpr int16_t kCurrentPropertyProcsCount = 2;
constexpr int16_t kCurrentDescriptorParametersVersion = 0;
constexpr int16_t kCurrentReadDescriptorProcsVersion = 0;
constexpr int16_t kCurrentReadDescriptorProcsCount = 18;
constexpr int16_t kCurrentWriteDescriptorProcsVersion = 0;
constexpr int16_t kCurrentWriteDescriptorProcsCount = 16;

// Signatures and property keys (getPropertyProc).
constexpr uint32_t kPhotoshopSignature = PIFourCC("8BIM");
constexpr uint32_t propTitle = PIFourCC("titl");  // document title: a handle of bare bytes
constexpr uint32_t propNumberOfChannels = PIFourCC("nuch");
constexpr uint32_t propImageMode = PIFourCC("mode");
constexpr uint32_t propWatchSuspension = PIFourCC("wtch");

// Descriptor types.
constexpr uint32_t typeNull = PIFourCC("null");
constexpr uint32_t typeInteger = PIFourCC("long");
constexpr uint32_t typeFloat = PIFourCC("doub");
constexpr uint32_t typeBoolean = PIFourCC("bool");
constexpr uint32_t typeChar = PIFourCC("TEXT");
constexpr uint32_t typeImageReference = PIFourCC("#ImR");
