// Settings records for tests: the defaults, and a record with every field
// changed from its default.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "editor/prefs_record.h"
#include "tests/support/edit_pars_samples.h"
#include "ui/status.h"

inline PrefsRecord DefaultPrefs() {
    PrefsRecord p;
    EXPECT_EQ(SetDefaultPrefsRecord(&p), kUiOk);
    return p;
}

inline PrefsRecord ChangedPrefs() {
    PrefsRecord p = DefaultPrefs();
    p.startMode = kStartCustom;
    p.previous = ChangedPars();
    p.custom = ChangedPars();
    p.custom.brightness = 0.25f;
    p.custom.sharpenStrength = 12;
    std::strcpy(p.settingsName, "Portraits.txt");
    std::strcpy(p.customFolder, "/home/user/settings/");
    p.useLargestWindow = 1;
    p.windowValue1 = -7;
    p.windowValue2 = 123456;
    p.showSampledRegion = 1;
    p.sharpenDefaults = {9, 1};
    p.noiseDefaults.noiseExtra = 2;
    return p;
}
