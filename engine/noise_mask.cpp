#include "engine/noise_mask.h"

#include <cstring>

namespace {

// Draws for the random disc stop after this many choices; later choices take
// the first remaining candidate, so building always ends.
constexpr uint32_t kRandomChoices = 10000;

enum CellState : uint8_t { kOutside = 0, kCandidate, kChosen, kExcluded };

// After a choice: the cell is chosen and the 5 × 5 block around it, corners
// left out, can no longer be chosen.
void Choose(uint8_t state[kMaskCells], int32_t row, int32_t col) {
    state[row * kMaskSide + col] = kChosen;
    for (int32_t dy = -2; dy <= 2; ++dy) {
        for (int32_t dx = -2; dx <= 2; ++dx) {
            const int32_t y = row + dy, x = col + dx;
            if ((dx == -2 || dx == 2) && (dy == -2 || dy == 2)) continue;
            if (y < 0 || y >= kMaskSide || x < 0 || x >= kMaskSide) continue;
            uint8_t& cell = state[y * kMaskSide + x];
            if (cell != kChosen) cell = kExcluded;
        }
    }
}

void BuildRandomDisc(uint8_t mask[kMaskCells], int32_t r, NoiseRandom* random) {
    uint8_t state[kMaskCells];
    std::memset(state, kOutside, sizeof(state));
    const int32_t n = 2 * r + 1;
    for (int32_t y = 0; y < n; ++y) {
        for (int32_t x = 0; x < n; ++x) {
            if ((x - r) * (x - r) + (y - r) * (y - r) <= r * r) {
                state[y * kMaskSide + x] = kCandidate;
            }
        }
    }
    auto countCandidates = [&]() {
        int32_t count = 0;
        for (uint8_t cell : state) count += cell == kCandidate;
        return count;
    };
    Choose(state, r, r);
    int32_t candidates = countCandidates();
    for (uint32_t choice = 1; candidates > 0; ++choice) {
        int32_t row = -1, col = -1;
        if (choice <= kRandomChoices) {
            col = int32_t(NoiseRandom_Below(random, uint32_t(n)));
            row = int32_t(NoiseRandom_Below(random, uint32_t(n)));
            if (state[row * kMaskSide + col] != kCandidate) continue;  // a miss
        } else {
            for (int32_t i = 0; i < kMaskCells && row < 0; ++i) {
                if (state[i] == kCandidate) row = i / kMaskSide, col = i % kMaskSide;
            }
        }
        Choose(state, row, col);
        candidates = countCandidates();
    }
    for (int32_t i = 0; i < kMaskCells; ++i) mask[i] = state[i] == kChosen ? 1 : 0;
}

}  // namespace

int32_t NoiseRandom_Next(NoiseRandom* random) {
    // Schrage: 2^31 − 1 = 16807 × 127773 + 2836.
    const int32_t hi = random->state / 127773;
    const int32_t lo = random->state % 127773;
    int32_t next = 16807 * lo - 2836 * hi;
    if (next <= 0) next += 2147483647;
    random->state = next;
    return next;
}

uint32_t NoiseRandom_Below(NoiseRandom* random, uint32_t m) {
    return (uint32_t(NoiseRandom_Next(random)) >> 11) % m;
}

void NoiseMask_Build(uint8_t mask[kMaskCells], int32_t radius, uint32_t shape,
                     NoiseRandom* random) {
    std::memset(mask, 0, kMaskCells);
    const int32_t r = radius;
    if (r == 0) {
        mask[0] = 1;
        return;
    }
    if (shape == kNoiseRandomDisc) {
        BuildRandomDisc(mask, r, random);
        return;
    }
    for (int32_t y = 0; y <= 2 * r; ++y) {
        for (int32_t x = 0; x <= 2 * r; ++x) {
            const int32_t dx = x - r, dy = y - r;
            bool in = false;
            switch (shape) {
                case kNoiseSquare:
                    in = true;
                    break;
                case kNoiseDisc:
                    in = dx * dx + dy * dy <= r * r;
                    break;
                case kNoiseDiamond:
                    in = (dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy) <= r;
                    break;
                case kNoiseCross:
                    in = dx == 0 || dy == 0;
                    break;
                default:
                    break;
            }
            mask[y * kMaskSide + x] = in ? 1 : 0;
        }
    }
}

void NoiseMask_Reorient(uint8_t mask[kMaskCells], int32_t radius, uint32_t symmetry) {
    uint8_t old[kMaskCells];
    std::memcpy(old, mask, kMaskCells);
    const int32_t n = 2 * radius + 1, m = n - 1;
    auto at = [&](int32_t i, int32_t j) { return old[i * kMaskSide + j]; };
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t j = 0; j < n; ++j) {
            uint8_t v = 0;
            switch (symmetry) {
                case 0:
                    v = at(j, i);
                    break;
                case 1:
                    v = at(m - j, i);
                    break;
                case 2:
                    v = at(i, m - j);
                    break;
                case 3:
                    v = at(j, m - i);
                    break;
                case 4:
                    v = at(m - i, j);
                    break;
                case 5:
                    v = at(m - j, m - i);
                    break;
                default:
                    v = at(m - i, m - j);
                    break;
            }
            mask[i * kMaskSide + j] = v;
        }
    }
}
