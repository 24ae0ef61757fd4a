#pragma once
// Test support shared by every folder: the generated data store with the real factories and system
// types loaded from it, and a catcher for the log lines a test provokes.
//  - GeneratedWorld loads what start-up loads (system types, the five factories and the load groups
//    the test asks for) from build/store.dat, and frees all of it when it goes out of scope.
//  - LogFileCatcher sends the log to a file of the test's own (at every level up to the one asked for)
//    and reads it back.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include "platform/log.h"
#include "platform/store.h"
#include "systems/system.h"
#include "world/factory.h"

constexpr const char *GENERATED_STORE_PATH = ASTROVANE_BINARY_DIR "/store.dat";

// Opens the generated store in place of whatever store was open.
inline ::testing::AssertionResult open_generated_store() {
    store_shutdown();
    store_set_path(GENERATED_STORE_PATH);
    if (store_open() != RES_OK)
        return ::testing::AssertionFailure() << GENERATED_STORE_PATH << " missing: the build makes it";
    return ::testing::AssertionSuccess();
}

class GeneratedWorld {
public:
    GeneratedWorld() = default;
    GeneratedWorld(const GeneratedWorld &) = delete;
    GeneratedWorld &operator=(const GeneratedWorld &) = delete;
    ~GeneratedWorld() { unload(); }

    // The system types and every template of the kinds with the groups named, from the store.
    ::testing::AssertionResult load(std::initializer_list<int32_t> kinds, std::initializer_list<int32_t> groups) {
        unload();
        loaded_ = true;
        if (auto opened = open_generated_store(); !opened) return opened;
        if (system_types_load() != RES_OK) return ::testing::AssertionFailure() << "system types";
        if (factory_init() != RES_OK) return ::testing::AssertionFailure() << "factories";
        for (int32_t kind : kinds) {
            const Factory *f = factory_get(kind);
            if (!f) return ::testing::AssertionFailure() << "no factory of kind " << kind;
            for (int32_t t = 0; t < f->template_count; ++t)
                for (int32_t g : groups) factory_acquire_group(kind, t, g);
        }
        if (factory_resolve_load_groups() != RES_OK) return ::testing::AssertionFailure() << "load groups";
        return ::testing::AssertionSuccess();
    }

    void unload() {
        if (!loaded_) return;
        factory_free();
        system_types_free();
        store_shutdown();
        loaded_ = false;
    }

private:
    bool loaded_ = false;
};

class LogFileCatcher {
public:
    // max_level -1 keeps the logger's own level.
    explicit LogFileCatcher(const std::string &dir, int max_level = -1) : path_(dir + "/game.log") {
        logger_destroy();
        EXPECT_EQ(log_open_file(logger_get(), path_.c_str()), RES_OK);
        if (max_level >= 0) log_set_max_level(logger_get(), max_level);
    }
    ~LogFileCatcher() { logger_destroy(); }
    LogFileCatcher(const LogFileCatcher &) = delete;
    LogFileCatcher &operator=(const LogFileCatcher &) = delete;

    std::string text() const {
        std::ifstream in(path_);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    std::string path_;
};
