// One line per check on standard output: "wine ok <what>" for a pass,
// "wine FAILED <what>: <why>" for a failure. The test command counts the
// passes; the program's exit code says whether anything failed.
#pragma once

#include <cstdint>

// Prints the check's line; returns ok.
bool Report(bool ok, const char* what, const char* whyFormat = "", ...)
    __attribute__((format(printf, 3, 4)));

int32_t ReportFailures();
