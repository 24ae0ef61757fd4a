#pragma once
// SharedRef: a reference-counted holder for data that the game thread and the graphics thread share
// (pixel blocks and masks carried by draw commands).
//  - Owns the data, a block from std::malloc / std::calloc, and frees it with std::free when the last
//    reference goes. The count starts at 0: every holder, the creator included, takes its own.
//  - The count changes under the holder's mutex, from any thread. The optional data mutex lets one
//    thread replace the data while another reads it.
#include <cstdint>
#include <memory>
#include <mutex>

struct SharedRef {
    void                       *data = nullptr;   // first, so a payload word can reach it directly
    int32_t                     refcount = 0;
    std::mutex                  mutex;             // guards refcount
    std::unique_ptr<std::mutex> data_mutex;        // null unless asked for at creation
};

// A holder with no references yet; null when out of memory (the caller still owns the data then).
SharedRef *shared_ref_create(void *data, bool with_data_mutex);
void       shared_ref_take(SharedRef *ref);
// Drops one reference; below 1, frees the data and the holder. A null holder is ignored.
void       shared_ref_release(SharedRef *ref);
void       shared_ref_lock_data(SharedRef *ref);     // no-op without a data mutex
void       shared_ref_unlock_data(SharedRef *ref);
