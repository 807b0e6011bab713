#include "editor/script_blob.h"

#include <cstring>

#include "ui/allocator.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kGroupBytes = 5;  // one 32-bit word in five seven-bit bytes
constexpr uint32_t kBlockBytes = kEditParsBytes + kEditParsExtensionBytes;

// Offsets of the blob's parts in its two forms.
struct BlobLayout {
    uint32_t length;
    bool extensions;
    uint32_t custom;
    uint32_t startMode;
    uint32_t name;
};
constexpr BlobLayout kLayouts[] = {
    {kScriptBlobBytes, true, kBlockBytes, 2 * kBlockBytes, 2 * kBlockBytes + 1},
    {kScriptBlobShortBytes, false, kEditParsBytes, 2 * kEditParsBytes, 2 * kEditParsBytes + 1},
};
static_assert(2 * kBlockBytes + 1 + kPrefsTextBytes == kScriptBlobBytes, "blob layout");
static_assert(2 * kEditParsBytes + 1 + kPrefsTextBytes == kScriptBlobShortBytes, "blob layout");

const BlobLayout* LayoutOf(uint32_t length) {
    for (const BlobLayout& l : kLayouts)
        if (l.length == length) return &l;
    return nullptr;
}

uint32_t Words(uint32_t length) {
    return length / 4 + (length % 4 != 0 ? 1 : 0);
}

void PutGroup(uint32_t word, uint8_t* out) {
    for (uint32_t i = 0; i < kGroupBytes; ++i) out[i] = uint8_t((word >> (7 * i)) & 0x7F);
}

uint32_t GetGroup(const uint8_t* in) {
    uint32_t word = 0;
    for (uint32_t i = 0; i < kGroupBytes; ++i) word |= uint32_t(in[i] & 0x7F) << (7 * i);
    return word;
}

int32_t EncodePars(const EditPars* pars, uint8_t* at) {
    UI_TRY(WriteEditPars(pars, at, kEditParsBytes));
    return WriteEditParsExtension(pars, at + kEditParsBytes, kEditParsExtensionBytes);
}

void DecodePars(const uint8_t* at, bool extension, EditPars* pars) {
    ReadEditPars(at, kEditParsBytes, pars);
    if (extension) ReadEditParsExtension(at + kEditParsBytes, kEditParsExtensionBytes, pars);
}

}  // namespace

uint32_t ScriptTextBytes(uint32_t length) {
    return kGroupBytes + kGroupBytes * Words(length);
}

int32_t EncodeScriptBlob(const PrefsRecord* prefs, uint8_t* blob, uint32_t capacity) {
    if (prefs == nullptr || blob == nullptr || capacity < kScriptBlobBytes) return kUiErrArg;
    const BlobLayout& l = kLayouts[0];
    UI_TRY(EncodePars(&prefs->previous, blob));
    UI_TRY(EncodePars(&prefs->custom, blob + l.custom));
    blob[l.startMode] = uint8_t(prefs->startMode);
    // The name, zero-filled after its end; the last byte is always 0.
    std::memset(blob + l.name, 0, kPrefsTextBytes);
    const void* end = std::memchr(prefs->settingsName, 0, kPrefsTextBytes - 1);
    const size_t n = end != nullptr ? size_t(static_cast<const char*>(end) - prefs->settingsName)
                                    : kPrefsTextBytes - 1;
    std::memcpy(blob + l.name, prefs->settingsName, n);
    return kUiOk;
}

int32_t DecodeScriptBlob(const uint8_t* blob, uint32_t length, PrefsRecord* prefs) {
    const BlobLayout* l = LayoutOf(length);
    if (blob == nullptr || prefs == nullptr) return kUiErrArg;
    if (l == nullptr) return kUiErrFormat;
    // Repairs are logged by the settings reader; the records are taken as repaired.
    DecodePars(blob, l->extensions, &prefs->previous);
    DecodePars(blob + l->custom, l->extensions, &prefs->custom);
    if (blob[l->startMode] < kStartModeCount) prefs->startMode = blob[l->startMode];
    std::memcpy(prefs->settingsName, blob + l->name, kPrefsTextBytes);
    prefs->settingsName[kPrefsTextBytes - 1] = 0;
    return kUiOk;
}

void PackScriptText(const uint8_t* blob, uint32_t length, uint8_t* text) {
    PutGroup(length, text);
    for (uint32_t k = 0; k < Words(length); ++k) {
        uint8_t word[4] = {0, 0, 0, 0};
        for (uint32_t i = 0; i < 4 && 4 * k + i < length; ++i) word[i] = blob[4 * k + i];
        const uint32_t v = uint32_t(word[0]) | uint32_t(word[1]) << 8 | uint32_t(word[2]) << 16 |
                           uint32_t(word[3]) << 24;
        PutGroup(v, text + kGroupBytes * (k + 1));
    }
}

int32_t UnpackScriptText(const uint8_t* text, uint32_t size, uint8_t** blob, uint32_t* length) {
    *blob = nullptr;
    *length = 0;
    if (text == nullptr || size < kGroupBytes) return kUiOk;
    const uint32_t l = GetGroup(text);
    // Only a whole blob of a known length is taken: a cut text would leave
    // part of the settings undefined.
    if (LayoutOf(l) == nullptr || size < ScriptTextBytes(l)) return kUiOk;
    const uint32_t words = Words(l);
    uint8_t* out = static_cast<uint8_t*>(Ui_MallocArray(words, 4));
    if (out == nullptr) return kUiErrMemory;
    for (uint32_t k = 0; k < words; ++k) {
        const uint32_t v = GetGroup(text + kGroupBytes * (k + 1));
        for (uint32_t i = 0; i < 4; ++i) out[4 * k + i] = uint8_t(v >> (8 * i));
    }
    *blob = out;
    *length = l;
    return kUiOk;
}
