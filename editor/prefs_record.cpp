#include "editor/prefs_record.h"

#include <cstring>

#include "ui/status.h"

int32_t SetDefaultPrefsRecord(PrefsRecord* prefs) {
    if (prefs == nullptr) return kUiErrArg;
    std::memset(prefs, 0, sizeof *prefs);
    prefs->startMode = kStartReset;
    UI_TRY(SetDefaultEditPars(&prefs->previous, kDefaultPredefinedBins));
    UI_TRY(SetDefaultEditPars(&prefs->custom, kDefaultPredefinedBins));
    FilterSettings start;
    UI_TRY(StartFilterSettings(&start));
    prefs->sharpenDefaults = start.sharpen;
    prefs->noiseDefaults = start.noise;
    return kUiOk;
}
