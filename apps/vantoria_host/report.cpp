#include "apps/vantoria_host/report.h"

#include <cstdarg>
#include <cstdio>

namespace {
int32_t gFailures = 0;
}  // namespace

bool Report(bool ok, const char* what, const char* whyFormat, ...) {
    if (ok) {
        std::printf("wine ok %s\n", what);
    } else {
        ++gFailures;
        char why[512];
        va_list args;
        va_start(args, whyFormat);
        std::vsnprintf(why, sizeof why, whyFormat, args);
        va_end(args);
        std::printf("wine FAILED %s: %s\n", what, why);
    }
    std::fflush(stdout);
    return ok;
}

void ReportSkipped(const char* what, const char* why) {
    std::printf("wine skipped %s: %s\n", what, why);
    std::fflush(stdout);
}

int32_t ReportFailures() {
    return gFailures;
}
