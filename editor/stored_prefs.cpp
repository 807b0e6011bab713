#include "editor/stored_prefs.h"

#include <cstring>

#include "ui/alert.h"
#include "ui/debug_log.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

// What an entry handler made of its value.
enum EntryResult : int32_t { kEntryTaken = 0, kEntryReplaced = 1 };

using EntryRead = int32_t (*)(PrefsRecord* p, uint16_t tag, const void* values);
using EntryWrite = int32_t (*)(const PrefsRecord* p, uint16_t tag, FLFile* file);

struct StoredEntry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    EntryRead read;
    EntryWrite write;  // null: read only
};

int32_t GetInt32(const void* values) {
    int32_t v;
    std::memcpy(&v, values, sizeof v);
    return v;
}

// ---- Fields by tag ------------------------------------------------------------

int32_t* IntField(PrefsRecord* p, uint16_t tag) {
    return tag == kPrefWindowValue1 ? &p->windowValue1 : &p->windowValue2;
}
uint8_t* FlagField(PrefsRecord* p, uint16_t tag) {
    return tag == kPrefUseLargestWindow ? &p->useLargestWindow : &p->showSampledRegion;
}
char* TextField(PrefsRecord* p, uint16_t tag) {
    return tag == kPrefSettingsName ? p->settingsName : p->customFolder;
}
EditPars* ParsField(PrefsRecord* p, uint16_t tag) {
    const bool custom =
        tag == kPrefCustom || tag == kPrefCustomBigEndian || tag == kPrefCustomExtension;
    return custom ? &p->custom : &p->previous;
}
template <typename T>
const T* Const(T* (*field)(PrefsRecord*, uint16_t), const PrefsRecord* p, uint16_t tag) {
    return field(const_cast<PrefsRecord*>(p), tag);
}

// ---- Readers --------------------------------------------------------------------

int32_t ReadStartMode(PrefsRecord* p, uint16_t, const void* values) {
    const int32_t v = GetInt32(values);
    if (v < 0 || uint32_t(v) >= kStartModeCount) {
        p->startMode = kStartReset;
        return kEntryReplaced;
    }
    p->startMode = uint32_t(v);
    return kEntryTaken;
}

int32_t ReadFlag(PrefsRecord* p, uint16_t tag, const void* values) {
    const uint8_t v = *static_cast<const uint8_t*>(values);
    *FlagField(p, tag) = v <= 1 ? v : 0;
    return v <= 1 ? kEntryTaken : kEntryReplaced;
}

int32_t ReadInt(PrefsRecord* p, uint16_t tag, const void* values) {
    *IntField(p, tag) = GetInt32(values);
    return kEntryTaken;
}

int32_t ReadText(PrefsRecord* p, uint16_t tag, const void* values) {
    char* text = TextField(p, tag);
    std::memcpy(text, values, kPrefsTextBytes);
    text[kPrefsTextBytes - 1] = 0;
    return kEntryTaken;
}

// The settings readers repair what they must and log each repair; a repaired
// record is still taken.
int32_t ReadPars(PrefsRecord* p, uint16_t tag, const void* values) {
    ReadEditPars(static_cast<const uint8_t*>(values), kEditParsBytes, ParsField(p, tag));
    return kEntryTaken;
}

int32_t ReadParsBigEndian(PrefsRecord* p, uint16_t tag, const void* values) {
    ReadEditParsBigEndian(static_cast<const uint8_t*>(values), kEditParsBytes, ParsField(p, tag));
    return kEntryTaken;
}

int32_t ReadExtension(PrefsRecord* p, uint16_t tag, const void* values) {
    ReadEditParsExtension(static_cast<const uint8_t*>(values), kEditParsExtensionBytes,
                          ParsField(p, tag));
    return kEntryTaken;
}

// ---- Writers --------------------------------------------------------------------

int32_t WriteStartMode(const PrefsRecord* p, uint16_t tag, FLFile* file) {
    const int32_t v = int32_t(p->startMode);
    return Ui_Prefs_WriteEntry(file, tag, kUiPrefsInt32, 1, &v);
}

int32_t WriteFlag(const PrefsRecord* p, uint16_t tag, FLFile* file) {
    return Ui_Prefs_WriteEntry(file, tag, kUiPrefsBytes, 1, Const(FlagField, p, tag));
}

int32_t WriteInt(const PrefsRecord* p, uint16_t tag, FLFile* file) {
    return Ui_Prefs_WriteEntry(file, tag, kUiPrefsInt32, 1, Const(IntField, p, tag));
}

int32_t WriteText(const PrefsRecord* p, uint16_t tag, FLFile* file) {
    return Ui_Prefs_WriteEntry(file, tag, kUiPrefsBytes, kPrefsTextBytes, Const(TextField, p, tag));
}

int32_t WritePars(const PrefsRecord* p, uint16_t tag, FLFile* file) {
    uint8_t cells[kEditParsBytes];
    UI_TRY(WriteEditPars(Const(ParsField, p, tag), cells, sizeof cells));
    return Ui_Prefs_WriteEntry(file, tag, kUiPrefsBytes, sizeof cells, cells);
}

int32_t WriteExtension(const PrefsRecord* p, uint16_t tag, FLFile* file) {
    uint8_t cells[kEditParsExtensionBytes];
    UI_TRY(WriteEditParsExtension(Const(ParsField, p, tag), cells, sizeof cells));
    return Ui_Prefs_WriteEntry(file, tag, kUiPrefsBytes, sizeof cells, cells);
}

// Every entry, in the order they are written.
constexpr StoredEntry kEntries[] = {
    {kPrefCustomFolder, kUiPrefsBytes, kPrefsTextBytes, ReadText, WriteText},
    {kPrefSettingsName, kUiPrefsBytes, kPrefsTextBytes, ReadText, WriteText},
    {kPrefUseLargestWindow, kUiPrefsBytes, 1, ReadFlag, WriteFlag},
    {kPrefWindowValue1, kUiPrefsInt32, 1, ReadInt, WriteInt},
    {kPrefWindowValue2, kUiPrefsInt32, 1, ReadInt, WriteInt},
    {kPrefCustom, kUiPrefsBytes, kEditParsBytes, ReadPars, WritePars},
    {kPrefCustomExtension, kUiPrefsBytes, kEditParsExtensionBytes, ReadExtension, WriteExtension},
    {kPrefPrevious, kUiPrefsBytes, kEditParsBytes, ReadPars, WritePars},
    {kPrefPreviousExtension, kUiPrefsBytes, kEditParsExtensionBytes, ReadExtension, WriteExtension},
    {kPrefStartMode, kUiPrefsInt32, 1, ReadStartMode, WriteStartMode},
    {kPrefShowSampledRegion, kUiPrefsBytes, 1, ReadFlag, WriteFlag},
    {kPrefCustomBigEndian, kUiPrefsBytes, kEditParsBytes, ReadParsBigEndian, nullptr},
    {kPrefPreviousBigEndian, kUiPrefsBytes, kEditParsBytes, ReadParsBigEndian, nullptr},
};

const StoredEntry* FindEntry(uint16_t tag) {
    for (const StoredEntry& e : kEntries)
        if (e.tag == tag) return &e;
    return nullptr;
}

}  // namespace

int32_t ReadStoredPref(UiState* state, uint16_t tag, uint16_t type, uint32_t count,
                       const void* values, void* prefsRecord) {
    PrefsRecord* prefs = static_cast<PrefsRecord*>(prefsRecord);
    const StoredEntry* entry = FindEntry(tag);
    if (prefs == nullptr || entry == nullptr) return kUiOk;
    if (type != entry->type || count != entry->count || values == nullptr) {
        Ui_Alert_ReportErrorf(state, kUiErrFormat, kStrCtxReadingPref, nullptr, int(tag));
        return kUiOk;
    }
    if (entry->read(prefs, tag, values) == kEntryReplaced) {
        Ui_Debug_Logf(state != nullptr ? state->diagnostics : 0, "preference %d invalid", int(tag));
        Ui_Alert_ReportErrorf(state, kUiErrFormat, kStrCtxReadingPrefDefault, nullptr, int(tag));
    }
    return kUiOk;
}

int32_t WriteStoredPrefs(UiState*, FLFile* file, void* prefsRecord) {
    const PrefsRecord* prefs = static_cast<const PrefsRecord*>(prefsRecord);
    if (prefs == nullptr || file == nullptr) return kUiErrArg;
    for (const StoredEntry& e : kEntries)
        if (e.write != nullptr) UI_TRY(e.write(prefs, e.tag, file));
    return kUiOk;
}
