// Rows of an image handed from the thread that makes them to one that
// writes them as they come: the writer waits until the rows it needs are
// ready, and gives up when the maker abandons the image.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

struct RowGate {
    std::mutex lock;
    std::condition_variable changed;
    int32_t ready = 0;       // rows from the top that are ready
    bool abandoned = false;  // no more rows will come
};

// The first rows rows are ready (fewer than before changes nothing).
inline void OpenRows(RowGate* gate, int32_t rows) {
    {
        std::lock_guard<std::mutex> hold(gate->lock);
        if (rows <= gate->ready) return;
        gate->ready = rows;
    }
    gate->changed.notify_all();
}

inline void AbandonRows(RowGate* gate) {
    {
        std::lock_guard<std::mutex> hold(gate->lock);
        gate->abandoned = true;
    }
    gate->changed.notify_all();
}

// Waits until the first rows rows are ready: true, or false once the image
// is abandoned short of them.
inline bool AwaitRows(RowGate* gate, int32_t rows) {
    std::unique_lock<std::mutex> hold(gate->lock);
    gate->changed.wait(hold, [&] { return gate->ready >= rows || gate->abandoned; });
    return gate->ready >= rows;
}
