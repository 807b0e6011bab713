// The default working space and the pair of matrices of a space, released at
// the end of the scope.
#pragma once

#include <gtest/gtest.h>

#include "engine/working_space.h"
#include "ui/status.h"

inline RefRGB DefaultWorkingSpace() {
    RefRGB r;
    EXPECT_EQ(DefaultRefRGB(&r), kUiOk);
    return r;
}

// Both matrices of r; null where a matrix cannot be built.
struct WorkingSpaceMatrices {
    Matrix* toXYZ = nullptr;
    Matrix* toRGB = nullptr;
    explicit WorkingSpaceMatrices(const RefRGB& r) {
        MakeRGBToXYZ(r.primaries, r.xyzWhite, &toXYZ);
        MakeXYZToRGB(r.primaries, r.xyzWhite, &toRGB);
    }
    ~WorkingSpaceMatrices() {
        MatrixFree(toXYZ);
        MatrixFree(toRGB);
    }
    WorkingSpaceMatrices(const WorkingSpaceMatrices&) = delete;
    WorkingSpaceMatrices& operator=(const WorkingSpaceMatrices&) = delete;
};
