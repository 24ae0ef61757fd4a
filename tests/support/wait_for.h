#pragma once
// A wait in real time for work a worker thread does at the machine's speed (a loaded or
// instrumented build is many times slower than the game thread's frames). `done` is polled every
// millisecond until it holds or `limit` runs out; the result says which. A test that counts frames
// for the game thread waits here first for the worker's last write, then counts them.
#include <chrono>
#include <thread>

template <typename Done>
bool wait_for(Done done, std::chrono::milliseconds limit = std::chrono::minutes(5)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
