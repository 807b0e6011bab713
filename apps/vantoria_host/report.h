// One line per check on standard output: "wine ok <what>" for a pass,
// "wine FAILED <what>: <why>" for a failure, "wine skipped <what>: <why>" for
// a check this machine cannot run. The test command counts the passes; the
// program's exit code says whether anything failed.
#pragma once

#include <cstdint>

// Prints the check's line; returns ok.
bool Report(bool ok, const char* what, const char* whyFormat = "", ...)
    __attribute__((format(printf, 3, 4)));

// Prints the line of a check that could not run here; neither pass nor failure.
void ReportSkipped(const char* what, const char* why);

int32_t ReportFailures();
