#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include "platform/shared_ref.h"

namespace {

TEST(SharedRef, LivesUntilTheLastReleaseAndLocksNothingWithoutADataMutex) {
    auto *pixels = static_cast<uint8_t *>(std::calloc(4, 1));
    SharedRef *ref = shared_ref_create(pixels, false);
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(ref->refcount, 0) << "the maker holds no reference";
    shared_ref_take(ref);
    shared_ref_take(ref);
    EXPECT_EQ(ref->refcount, 2);
    shared_ref_release(ref);
    EXPECT_EQ(ref->refcount, 1);
    pixels[3] = 9;   // still owned by the remaining holder
    EXPECT_EQ(static_cast<uint8_t *>(ref->data)[3], 9);
    shared_ref_release(ref);
    shared_ref_release(nullptr);
    ref = shared_ref_create(std::malloc(8), false);
    ASSERT_NE(ref, nullptr);
    shared_ref_lock_data(ref);
    shared_ref_lock_data(ref);   // without a data mutex: would deadlock if it locked anything
    shared_ref_unlock_data(ref);
    shared_ref_unlock_data(ref);
    shared_ref_release(ref);
}

TEST(SharedRef, CountsStayExactAcrossThreads) {
    SharedRef *ref = shared_ref_create(std::malloc(8), false);
    ASSERT_NE(ref, nullptr);
    shared_ref_take(ref);   // the test's own reference keeps it alive throughout
    auto churn = [ref] {
        for (int i = 0; i < 20000; ++i) {
            shared_ref_take(ref);
            shared_ref_take(ref);
            shared_ref_release(ref);
        }
    };
    std::thread game(churn), graphics(churn);
    game.join();
    graphics.join();
    EXPECT_EQ(ref->refcount, 1 + 2 * 20000);
    for (int i = 0; i < 2 * 20000; ++i) shared_ref_release(ref);
    EXPECT_EQ(ref->refcount, 1);
    shared_ref_release(ref);
}

TEST(SharedRef, DataMutexExcludesTheOtherThread) {
    SharedRef *ref = shared_ref_create(std::malloc(8), true);
    ASSERT_NE(ref, nullptr);
    ASSERT_NE(ref->data_mutex, nullptr);
    shared_ref_take(ref);
    shared_ref_lock_data(ref);
    std::atomic<bool> got{true};
    std::thread other([&] { got = ref->data_mutex->try_lock(); });
    other.join();
    EXPECT_FALSE(got.load());
    shared_ref_unlock_data(ref);
    std::thread again([&] {
        got = ref->data_mutex->try_lock();
        if (got) ref->data_mutex->unlock();
    });
    again.join();
    EXPECT_TRUE(got.load());
    shared_ref_release(ref);
}

}  // namespace
