// Every test process starts wired like the game: the application fills the hook tables before
// the first test, as start-up does before the first mode. A test that puts a fake in a table puts
// the real one back with app_install_hooks.
#include <gtest/gtest.h>

#include "app/app_hooks.h"

namespace {

class AppHooksEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app_install_hooks(); }
};

[[maybe_unused]] ::testing::Environment *const g_app_environment =
    ::testing::AddGlobalTestEnvironment(new AppHooksEnvironment);

}  // namespace
