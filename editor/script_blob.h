// The settings blob of the scripting descriptor: the settings recorded at the
// end of a run, read back when an action replays, travelling as one text item
// under the key 'Dt  ', packed seven bits to a byte. Pure encoding; the host
// layer puts it into the host's descriptor and takes it out.
#pragma once

#include <cstdint>

#include "editor/prefs_record.h"

// The blob: previous settings (base and sharpen / noise block), custom
// settings likewise, the start mode byte and the 256-byte name. The shorter
// form lacks the two sharpen / noise blocks; it is read, never written.
constexpr uint32_t kScriptBlobBytes = 4433;
constexpr uint32_t kScriptBlobShortBytes = 4321;
constexpr uint32_t kScriptDataKey = 0x44742020;  // 'Dt  '

// Bytes of the text that holds a blob of length bytes: a five-byte length,
// then five bytes for each four-byte word.
uint32_t ScriptTextBytes(uint32_t length);

// The 4433-byte blob of the record (capacity at least that).
int32_t EncodeScriptBlob(const PrefsRecord* prefs, uint8_t* blob, uint32_t capacity);
// Decodes a blob of either length into the record: both settings records
// (each repaired field logged), the start mode when it is below 3, the name.
// kUiErrFormat for another length.
int32_t DecodeScriptBlob(const uint8_t* blob, uint32_t length, PrefsRecord* prefs);

// Packs a blob into text (ScriptTextBytes(length) bytes), every byte below 128.
void PackScriptText(const uint8_t* blob, uint32_t length, uint8_t* text);
// The blob of a text, in a new Ui_Malloc block (*blob) of *length bytes. A
// text that does not hold a whole blob of a known length leaves *blob null
// and returns kUiOk; kUiErrMemory when memory is short.
int32_t UnpackScriptText(const uint8_t* text, uint32_t size, uint8_t** blob, uint32_t* length);
