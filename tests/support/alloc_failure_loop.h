// The allocation-failure loop: runs an operation with the Nth allocator request
// failing, N = 1, 2, ..., in transient and in persistent mode, until a run
// completes without reaching request N.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "ui/allocator.h"
#include "ui/status.h"

// op() runs the whole operation, releases whatever it obtained and returns its
// status. A run that reached the failing request must return failStatus; a run
// that did not must succeed. Live blocks must be back where they were after
// every run. Returns the number of requests of a complete run.
template <typename Op>
uint32_t RunAllocationFailureLoop(Op op, int32_t failStatus = kUiErrMemory) {
    uint32_t complete = 0;
    for (const bool persistent : {false, true}) {
        for (uint32_t n = 1;; ++n) {
            const uint32_t before = Ui_Mem_Stats().nMallocs;
            Ui_Mem_InjectFailure(n, persistent);
            const int32_t status = op();
            const uint32_t requests = Ui_Mem_RequestCount();
            Ui_Mem_InjectFailure(0, false);
            EXPECT_EQ(Ui_Mem_Stats().nMallocs, before)
                << "leak with request " << n << " failing, persistent " << persistent;
            if (requests < n) {
                EXPECT_EQ(status, kUiOk) << "complete run, persistent " << persistent;
                complete = requests;
                break;
            }
            EXPECT_EQ(status, failStatus)
                << "request " << n << " failing, persistent " << persistent;
            if (n > 100000) {
                ADD_FAILURE() << "operation never completes";
                return 0;
            }
        }
    }
    return complete;
}
