#include "host/colour_picker.h"

#include <cstring>

#include "host/module_state.h"
#include "host/sdk_constants.h"
#include "host/sdk_types.h"
#include "ui/status.h"

int32_t Host_PickColour(const char* prompt, uint8_t rgb[3]) {
    if (prompt == nullptr || rgb == nullptr) return kUiErrArg;
    if (gFilterRecord == nullptr || gFilterRecord->colorServices == nullptr)
        return kUiErrUnsupported;
    Str255 pascal = {};
    const size_t n = std::strlen(prompt);
    pascal[0] = uint8_t(n < 255 ? n : 255);
    std::memcpy(pascal + 1, prompt, pascal[0]);
    ColorServicesInfo info = {};
    info.infoSize = int32_t(sizeof info);
    info.selector = plugIncolorServicesChooseColor;
    info.sourceSpace = plugIncolorServicesRGBSpace;
    info.resultSpace = plugIncolorServicesRGBSpace;
    for (int k = 0; k < 3; ++k) info.colorComponents[k] = int16_t(rgb[k]);
    info.selectorParameter.pickerPrompt = &pascal;
    const OSErr code = gFilterRecord->colorServices(&info);
    if (code == userCanceledErr) return kUiErrCancelled;
    if (code != noErr) return kUiErrGeneral;
    for (int k = 0; k < 3; ++k) {
        const int16_t c = info.colorComponents[k];
        rgb[k] = uint8_t(c < 0 ? 0 : (c > 255 ? 255 : c));
    }
    return kUiOk;
}
