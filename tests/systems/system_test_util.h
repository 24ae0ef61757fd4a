#pragma once
// Hand-built parameter files (laid out by hand, independently of the game's Buffer codec) and a store
// of thirty system types with known figures.
#include <gtest/gtest.h>
#include "support/fixture_store.h"
#include "test_support.h"

#include <cstdint>
#include <string>
#include <vector>
#include "platform/log.h"
#include "platform/store.h"
#include "platform/store_format.h"
#include "platform/store_write.h"
#include "systems/system.h"
#include "world/be_bytes.h"

namespace systest {

// One parameter file, field by field in file order.
struct ParamsFile {
    std::string name = "Test";
    uint32_t    flags = 0;
    int32_t     spare = 0, mass = 0, power = 0, max_integrity = 0, recharge_turns = 0, range = 0, arc = 0,
                facing = 0, value = 0, ap_cost = 0, cost = 0, round_price = 0, rounds_per_reload = 0;
    std::string aux_text, shot_text;
    std::vector<SystemSubtype> rows;
    int64_t     count_override = -1;   // written instead of rows.size() when not -1
    int32_t     load_a = 0, load_b = 0;

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out;
        put_str(&out, name);
        put_i32(&out, flags);
        for (int32_t v : {spare, mass, power, max_integrity, recharge_turns, range, arc, facing, value, ap_cost,
                          cost, round_price, rounds_per_reload})
            put_i32(&out, v);
        put_str(&out, aux_text);
        put_str(&out, shot_text);
        put_i32(&out, count_override != -1 ? count_override : int64_t(rows.size()));
        for (const SystemSubtype &r : rows) {
            put_str(&out, r.name);
            put_str(&out, r.shot_text);
            for (int32_t v : {r.mass, r.power, r.value, r.arc, r.range, r.ap_cost, r.cost, r.load_a, r.load_b})
                put_i32(&out, v);
        }
        put_i32(&out, load_a);
        put_i32(&out, load_b);
        return out;
    }
};

// Type 0: three subtype rows. Type 1: rounds and recharge, no rows. Every other type t: plain
// figures made from t.
inline ParamsFile test_type(int type) {
    ParamsFile f;
    if (type == 0) {
        f.name = "Lance";
        f.flags = SYSTEM_FLAG_NEEDS_TARGET | SYSTEM_FLAG_COMBAT | SYSTEM_FLAG_ARC | SYSTEM_FLAG_SUBTYPES;
        f.spare = 132, f.mass = 60, f.power = 12, f.max_integrity = 40, f.range = 220, f.arc = 90, f.value = 8;
        f.ap_cost = 4, f.cost = 400, f.load_a = 8;
        f.rows = {{"Lance I", "", 60, 12, 8, 90, 220, 4, 400, 8, 1},
                  {"Lance II", "bolt", 70, 14, 11, 80, 230, 5, 650, 11, 2},
                  {"Lance III", "ray", 80, 16, 14, 70, 240, 6, 900, 14, 3}};
    } else if (type == 1) {
        f.name = "Gun";
        f.flags = SYSTEM_FLAG_NEEDS_TARGET | SYSTEM_FLAG_COMBAT | SYSTEM_FLAG_ROUNDS | SYSTEM_FLAG_RECHARGES;
        f.spare = 133, f.mass = 90, f.power = 10, f.max_integrity = 50, f.recharge_turns = 2, f.range = 260;
        f.arc = 120, f.facing = 7, f.value = 5, f.ap_cost = 5, f.cost = 500, f.round_price = 30;
        f.rounds_per_reload = 6, f.aux_text = "Reloading", f.shot_text = "Shells", f.load_a = 10, f.load_b = 1;
    } else {
        f.name = "Type " + std::to_string(type);
        f.spare = 100 + type, f.mass = 10 * type, f.power = type, f.max_integrity = 20 + type;
        f.value = 3 * type, f.cost = 100 * type, f.load_a = type, f.load_b = 2 * type;
    }
    return f;
}

inline std::string params_path(int type) {
    char path[40];
    std::snprintf(path, sizeof path, "system/%.3i/dat/params.dat", type);
    return path;
}

// Writes a store holding the given files and makes it the game's store.
inline void use_store(const std::string &dir, const std::vector<std::pair<std::string, std::vector<uint8_t>>> &files) {
    std::vector<StoreWriteEntry> entries;
    for (const auto &[path, body] : files) {
        StoreWriteEntry e;
        e.key = store_asset_key(path.c_str());
        e.body = body;
        entries.push_back(std::move(e));
    }
    const std::string out = dir + "/store.dat";
    std::string error;
    ASSERT_EQ(store_write(out.c_str(), STORE_BUILD_ID, entries, &error), RES_OK) << error;
    store_shutdown();
    store_set_path(out.c_str());
    ASSERT_EQ(store_open(), RES_OK);
}

// The thirty test types, with `change` applied to each file before it is stored (return false to
// leave a type's file out).
template <typename Change>
void use_type_store(const std::string &dir, Change change) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (int type = 0; type < SYSTEM_TYPE_COUNT; ++type) {
        std::vector<uint8_t> bytes = test_type(type).bytes();
        if (change(type, &bytes)) files.emplace_back(params_path(type), std::move(bytes));
    }
    files.emplace_back("system/000/dat/desc.txt", std::vector<uint8_t>{'A', ' ', 'l', 'a', 'n', 'c', 'e', '.'});
    use_store(dir, files);
}

inline void use_type_store(const std::string &dir) {
    use_type_store(dir, [](int, std::vector<uint8_t> *) { return true; });
}

// A fixture with a fresh folder, a fresh store and no types loaded, all undone afterwards.
class SystemsTest : public ::testing::Test {
protected:
    std::string dir;
    int64_t     live_before = 0;

    void SetUp() override {
        system_types_free();
        store_shutdown();
        dir = fresh_test_dir("systems");
        live_before = system_live_count();
    }
    void TearDown() override {
        system_types_free();
        store_shutdown();
        EXPECT_EQ(system_live_count(), live_before) << "systems left allocated";
    }
};

}  // namespace systest
