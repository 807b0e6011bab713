#include <cstring>

#include "engine/colour_science.h"
#include "engine/edit_pars.h"
#include "engine/edit_pars_table.h"
#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

struct PredefinedColorDef {
    const char* name;
    MemoryColorFcn fcn;
};
const PredefinedColorDef kPredefinedColors[] = {
    {"Foliage", {40, 120, -0.5f}},
    {"Skin", {32, 45, 0}},
    {"Sky", {40, 258, -0.7f}},
    {"Neutrals", {0, 0, 0}},
};
// The predefined colour each bin receives: Neutrals, Skin, Foliage, then Sky.
const int32_t kBinColorKinds[] = {kColorNeutrals, kColorSkin, kColorFoliage};

void SetNumber(const EditParRow& row, void* base, uint32_t i, float value) {
    void* at = EditParElement(row, base, i);
    if (row.kind == kParFlag) {
        *static_cast<uint8_t*>(at) = uint8_t(value);
    } else if (row.kind == kParInt) {
        const int32_t v = int32_t(value);
        std::memcpy(at, &v, sizeof v);
    } else {
        std::memcpy(at, &value, sizeof value);
    }
}

float DefaultNumber(const EditParDefault& d, uint32_t i) {
    return d.rule == kDefaultList ? d.list[i] : d.value;
}

int32_t SetTableDefaults(const EditParTable& table, void* base, int32_t numPredefined);

// Gives the row the value d describes (the row's default when d says "same").
int32_t SetRowValue(const EditParRow& row, const EditParDefault& d, void* base,
                    int32_t numPredefined) {
    if (d.rule == kDefaultSame) return SetRowValue(row, row.value, base, numPredefined);
    switch (d.rule) {
        case kDefaultText: {
            char* text = static_cast<char*>(EditParElement(row, base, 0));
            std::memset(text, 0, row.count);
            std::memcpy(text, d.text, std::strlen(d.text));
            return kUiOk;
        }
        case kDefaultDaylightWhite:
            return DaylightXYZ(kDefaultWhiteKelvin,
                               static_cast<float*>(EditParElement(row, base, 0)));
        case kDefaultRecords:
        case kDefaultMemoryColors:
            for (uint32_t e = 0; e < row.count; ++e) {
                void* record = EditParElement(row, base, e);
                std::memset(record, 0, row.stride);
                UI_TRY(SetTableDefaults(*row.group, record, numPredefined));
            }
            if (d.rule == kDefaultRecords) return kUiOk;
            for (int32_t b = 0; b < numPredefined && b < row.count; ++b) {
                const int32_t kind = b < 3 ? kBinColorKinds[b] : int32_t(kColorSky);
                UI_TRY(SetPredefinedMemoryColor(
                    kind, static_cast<MemoryColorBin*>(EditParElement(row, base, b))));
            }
            return kUiOk;
        default:
            for (uint32_t i = 0; i < row.count; ++i) SetNumber(row, base, i, DefaultNumber(d, i));
            return kUiOk;
    }
}

int32_t SetTableDefaults(const EditParTable& table, void* base, int32_t numPredefined) {
    for (uint32_t r = 0; r < table.count; ++r)
        UI_TRY(SetRowValue(table.rows[r], table.rows[r].value, base, numPredefined));
    return kUiOk;
}

// Validation, driven by the rows' checks in their order.

enum Outcome { kPass, kRepaired, kFailed, kGateClosed, kResetBase };

constexpr int32_t kMaxDepth = 2;
constexpr uint32_t kMaxLogValues = 12;

struct Walk {
    bool repair;  // log and repair (reading), or only judge (CheckEditPars)
    int32_t index[kMaxDepth];
    int32_t depth;
};

// NaN is outside every range.
bool InRange(double v, float low, float high) {
    return v >= low && v <= high;
}

// A repair's log line: each %d or %f takes the next argument, the indices of
// the enclosing arrays first, then the values; cut where a line is cut.
void LogRepair(const char* format, const Walk& w, const double* values, uint32_t n) {
    double args[kMaxDepth + kMaxLogValues];
    uint32_t count = 0;
    for (int32_t d = 0; d < w.depth; ++d) args[count++] = w.index[d];
    for (uint32_t i = 0; i < n && i < kMaxLogValues; ++i) args[count++] = values[i];
    char line[512];
    size_t length = 0;
    uint32_t next = 0;
    for (const char* f = format; *f != 0 && length + 1 < sizeof line; ++f) {
        char piece[400] = {*f, 0};
        if (f[0] == '%' && (f[1] == 'd' || f[1] == 'f') && next < count) {
            if (f[1] == 'd')
                Ui_Sprintf(piece, sizeof piece, "%d", int(args[next++]));
            else
                Ui_Sprintf(piece, sizeof piece, "%f", args[next++]);
            ++f;
        }
        for (const char* p = piece; *p != 0 && length + 1 < sizeof line; ++p) line[length++] = *p;
    }
    line[length] = 0;
    Ui_Debug_Log(1, line);
}

const EditParRow* RowOfOrder(const EditParTable& table, uint8_t order) {
    for (uint32_t r = 0; r < table.count; ++r)
        if (table.rows[r].order == order) return &table.rows[r];
    return nullptr;
}

Outcome CheckTable(const EditParTable& table, void* base, Walk& w);

Outcome CheckValues(const EditParRow& row, void* base, Walk& w) {
    Outcome result = kPass;
    for (uint32_t i = 0; i < row.count; ++i) {
        const double v = EditParNumber(row, base, i);
        if (InRange(v, row.low, row.high)) continue;
        if (!w.repair) return kFailed;
        if (row.log != nullptr) LogRepair(row.log, w, &v, 1);
        if (row.repair != kRepairDefault) return kFailed;
        SetNumber(row, base, i, DefaultNumber(row.value, i));
        result = kRepaired;
    }
    if (row.check == kCheckGate && EditParNumber(row, base, 0) == 0) return kGateClosed;
    return result;
}

// The checked values of a record in table order; true when one is out of range.
bool RecordFails(const EditParTable& table, const void* record, double* values, uint32_t* n) {
    bool fails = false;
    *n = 0;
    for (uint32_t r = 0; r < table.count; ++r) {
        const EditParRow& row = table.rows[r];
        if (row.check != kCheckRange) continue;
        for (uint32_t i = 0; i < row.count; ++i) {
            const double v = EditParNumber(row, record, i);
            fails = fails || !InRange(v, row.low, row.high);
            if (*n < kMaxLogValues) values[(*n)++] = v;
        }
    }
    return fails;
}

void EmptyBin(MemoryColorBin* bin) {
    bin->haveDef = 0;
    std::memset(bin->name, 0, sizeof bin->name);
    for (MemorySample& s : bin->samplesBin) s.count = 0;
}

Outcome CheckRecords(const EditParRow& row, void* base, Walk& w) {
    Outcome result = kPass;
    for (uint32_t e = 0; e < row.count; ++e) {
        void* record = EditParElement(row, base, e);
        const bool indexed = row.count > 1 && w.depth < kMaxDepth;
        if (indexed) w.index[w.depth++] = int32_t(e);
        Outcome o = kPass;
        if (row.check == kCheckWhole) {
            double values[kMaxLogValues];
            uint32_t n = 0;
            if (RecordFails(*row.group, record, values, &n)) {
                o = kFailed;
                if (w.repair && row.log != nullptr) LogRepair(row.log, w, values, n);
            }
        } else {
            o = CheckTable(*row.group, record, w);
        }
        if (indexed) --w.depth;
        if (o == kRepaired) result = kRepaired;
        if (o != kFailed) continue;
        if (!w.repair) return kFailed;
        if (row.repair == kRepairResetBase) return kResetBase;
        if (row.repair != kRepairEmptyBin) return kFailed;
        EmptyBin(static_cast<MemoryColorBin*>(record));
        result = kRepaired;
    }
    return result;
}

Outcome CheckTable(const EditParTable& table, void* base, Walk& w) {
    Outcome result = kPass;
    for (uint8_t order = 1; const EditParRow* row = RowOfOrder(table, order); ++order) {
        // CheckEditPars judges the working space by its usability instead.
        if (!w.repair && row->repair == kRepairResetBase) continue;
        const Outcome o =
            row->kind == kParGroup ? CheckRecords(*row, base, w) : CheckValues(*row, base, w);
        if (o == kGateClosed) return result;
        if (o == kFailed || o == kResetBase) return o;
        if (o == kRepaired) result = kRepaired;
    }
    return result;
}

}  // namespace

int32_t SetPredefinedMemoryColor(int32_t kind, MemoryColorBin* bin) {
    if (bin == nullptr || kind < 0 || kind > kColorNeutrals) return kUiErrArg;
    const PredefinedColorDef& def = kPredefinedColors[kind];
    std::memset(bin, 0, sizeof *bin);
    bin->haveDef = 1;
    std::memcpy(bin->name, def.name, std::strlen(def.name) + 1);
    bin->fcn = def.fcn;
    return kUiOk;
}

void ClearMemorySamples(MemoryColorBin* bin) {
    if (bin != nullptr) std::memset(bin->samplesBin, 0, sizeof bin->samplesBin);
}

int32_t SetDefaultRefRGB(EditPars* pars) {
    const EditParRow* row = FindEditPar("refRGB");
    if (pars == nullptr || row == nullptr) return kUiErrArg;
    return SetRowValue(*row, row->value, pars, 0);
}

int32_t SetStartEditParsExtension(EditPars* pars) {
    if (pars == nullptr) return kUiErrArg;
    const EditParTable& table = kEditParsExtensionTable;
    for (uint32_t r = 0; r < table.count; ++r)
        UI_TRY(SetRowValue(table.rows[r], table.rows[r].start, pars, 0));
    return kUiOk;
}

int32_t SetDefaultEditParsBase(EditPars* pars, int32_t numPredefined) {
    if (pars == nullptr) return kUiErrArg;
    return SetTableDefaults(kEditParsBaseTable, pars, numPredefined);
}

int32_t SetDefaultEditPars(EditPars* pars, int32_t numPredefined) {
    if (pars == nullptr) return kUiErrArg;
    EditPars fresh;
    std::memset(&fresh, 0, sizeof fresh);  // also the padding: copies compare bytewise
    UI_TRY(SetDefaultEditParsBase(&fresh, numPredefined));
    UI_TRY(SetTableDefaults(kEditParsExtensionTable, &fresh, numPredefined));
    *pars = fresh;
    return kUiOk;
}

int32_t ValidateEditPars(EditPars* pars) {
    if (pars == nullptr) return kUiErrArg;
    Walk w = {true, {}, 0};
    const Outcome o = CheckTable(kEditParsBaseTable, pars, w);
    if (o == kResetBase) {
        UI_TRY(SetDefaultEditParsBase(pars, kDefaultPredefinedBins));
        return kUiErrUnsupported;
    }
    return o == kPass ? kUiOk : kUiErrUnsupported;
}

int32_t CheckEditPars(const EditPars* pars) {
    if (pars == nullptr) return kUiErrArg;
    EditPars judged = *pars;  // a walk without repairs writes nothing, but takes a record
    Walk w = {false, {}, 0};
    if (CheckTable(kEditParsBaseTable, &judged, w) != kPass) return kUiErrArg;
    return CheckWorkingSpace(&pars->refRGB);
}
