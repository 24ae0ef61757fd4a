#include "platform/shared_ref.h"

#include <cstdlib>
#include <new>

SharedRef *shared_ref_create(void *data, bool with_data_mutex) {
    SharedRef *ref = new (std::nothrow) SharedRef();
    if (!ref) return nullptr;
    if (with_data_mutex) {
        ref->data_mutex.reset(new (std::nothrow) std::mutex());
        if (!ref->data_mutex) {
            delete ref;
            return nullptr;
        }
    }
    ref->data = data;
    return ref;
}

void shared_ref_take(SharedRef *ref) {
    std::lock_guard<std::mutex> hold(ref->mutex);
    ++ref->refcount;
}

void shared_ref_release(SharedRef *ref) {
    if (!ref) return;
    {
        std::lock_guard<std::mutex> hold(ref->mutex);
        if (--ref->refcount >= 1) return;
    }
    // Nobody holds a reference any more, so nobody else can reach the holder.
    std::free(ref->data);
    delete ref;
}

void shared_ref_lock_data(SharedRef *ref) {
    if (ref->data_mutex) ref->data_mutex->lock();
}

void shared_ref_unlock_data(SharedRef *ref) {
    if (ref->data_mutex) ref->data_mutex->unlock();
}
