// Systems: the record, the type table and its parameter files, creation and copying, the dispatch
// wrappers and the save record.
#include "systems/system.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <new>
#include "platform/buffer.h"
#include "platform/log.h"
#include "platform/store.h"
#include "systems/system_types.h"
#include "systems/weapon.h"

namespace {

// Each type's init, by type number. An empty entry leaves every slot of that type's record empty.
SystemTypeInitFn *const SYSTEM_TYPE_INITS[SYSTEM_TYPE_COUNT] = {
    /*  0 beam               */ beam_weapon_init,
    /*  1 volley gun         */ volley_gun_init,
    /*  2 engine             */ system_engine_init,
    /*  3 sensor             */ system_sensor_init,
    /*  4 heavy beam         */ heavy_beam_init,
    /*  5 shield             */ system_shield_init,
    /*  6 evasion boost      */ system_evasion_boost_init,
    /*  7 triple beam        */ triple_beam_init,
    /*  8 missile            */ missile_init,
    /*  9 point defence      */ system_point_defence_init,
    /* 10 drain              */ drain_weapon_init,
    /* 11 damage boost       */ system_damage_boost_init,
    /* 12 crew module        */ system_crew_module_init,
    /* 13 starbase kit       */ system_starbase_kit_init,
    /* 14 network intrusion  */ system_network_intrusion_init,
    /* 15 armour             */ system_armour_init,
    /* 16 hyperdrive         */ system_hyperdrive_init,
    /* 17 escape pod         */ system_escape_pod_init,
    /* 18 crew shelter       */ system_crew_shelter_init,
    /* 19 booster            */ system_booster_init,
    /* 20 drone launcher     */ drone_launcher_init,
    /* 21 jump drive         */ system_jump_drive_init,
    /* 22 mass driver        */ mass_driver_init,
    /* 23 stealth            */ system_stealth_init,
    /* 24 rocket pod         */ rocket_pod_init,
    /* 25 self-destruct      */ self_destruct_init,
    /* 26 fleet damage boost */ system_fleet_damage_boost_init,
    /* 27 fleet evasion boost*/ system_fleet_evasion_boost_init,
    /* 28 interdictor        */ system_interdictor_init,
    /* 29 boarding grid      */ system_boarding_grid_init,
};

// The i32 fields of a parameter file between the flags and the two texts, in file order.
int32_t System::*const PARAMS_HEAD[] = {
    &System::spare, &System::mass,    &System::power,   &System::max_integrity, &System::recharge_turns,
    &System::range, &System::arc,     &System::facing,  &System::value,         &System::ap_cost,
    &System::cost,  &System::round_price, &System::rounds_per_reload};

// The i32 fields of a save record after the flags, in record order.
int32_t System::*const RECORD_TAIL[] = {
    &System::spare,         &System::mass,           &System::power,         &System::integrity,
    &System::max_integrity, &System::recharge_turns, &System::recharge_left, &System::range,
    &System::arc,           &System::facing,         &System::value,         &System::ap_cost,
    &System::cost,          &System::round_price,    &System::rounds,        &System::rounds_per_reload,
    &System::load_a,        &System::load_b};

// The least bytes one subtype row takes in a parameter file: two empty strings and nine i32.
constexpr uint32_t SUBTYPE_ROW_MIN_BYTES = 4 + 4 + 9 * 4;

struct TypeTable {
    SystemTypeOps     ops[SYSTEM_TYPE_COUNT];
    System           *templates[SYSTEM_TYPE_COUNT] = {};
    std::atomic<bool> loaded{false};   // set last by a load, with release
    std::mutex        lock;            // serialises loading and freeing
};

TypeTable &table() {
    static TypeTable t;
    return t;
}

std::atomic<int64_t> g_live_systems{0};

bool valid_type(int32_t type) { return type >= 0 && type < SYSTEM_TYPE_COUNT; }

// The behaviour record of a system's type, or null for a type outside the table.
const SystemTypeOps *table_ops_of(const System *system) {
    return system && valid_type(system->type) ? &table().ops[system->type] : nullptr;
}

void free_templates(TypeTable &t) {
    for (System *&tmpl : t.templates) {
        system_free(tmpl);
        tmpl = nullptr;
    }
}

std::string params_path(int32_t type) {
    char path[40];
    std::snprintf(path, sizeof path, "system/%.3i/dat/params.dat", int(type));
    return path;
}

Result read_subtype_row(Buffer *buf, SystemSubtype *row) {
    Result r = buffer_read_string(buf, &row->name);
    if (r == RES_OK) r = buffer_read_string(buf, &row->shot_text);
    int32_t *const figures[] = {&row->mass, &row->power,   &row->value, &row->arc,    &row->range,
                                &row->ap_cost, &row->cost, &row->load_a, &row->load_b};
    for (int32_t *field : figures)
        if (r == RES_OK) r = buffer_read_i32(buf, field);
    return r;
}

}  // namespace

// --- the type table ---------------------------------------------------------------------------

Result system_types_load() {
    TypeTable &t = table();
    if (t.loaded.load(std::memory_order_acquire)) return RES_OK;
    std::lock_guard<std::mutex> guard(t.lock);
    if (t.loaded.load(std::memory_order_relaxed)) return RES_OK;

    free_templates(t);   // what an earlier, failed load left
    for (SystemTypeOps &ops : t.ops) ops = SystemTypeOps{};
    for (int32_t type = 0; type < SYSTEM_TYPE_COUNT; ++type) {
        if (SYSTEM_TYPE_INITS[type]) SYSTEM_TYPE_INITS[type](&t.ops[type]);
        const std::string path = params_path(type);
        Buffer *file = nullptr;
        Result r = store_read_file(path.c_str(), 1, &file);
        if (r != RES_OK) {
            log_write(LOG_GAME, LOG_ERROR, "Error loading system %i - params load \"%s\" failed with rval %i",
                      int(type), path.c_str(), int(r));
            return r;
        }
        System *tmpl = system_alloc();
        if (!tmpl) {
            buffer_free(file);
            log_write(LOG_GAME, LOG_ERROR, "Error loading system %i - out of memory", int(type));
            return RES_NO_MEMORY;
        }
        tmpl->type = type;
        r = system_read_params(tmpl, file);
        buffer_free(file);
        if (r != RES_OK) {
            log_write(LOG_GAME, LOG_ERROR, "Error loading system %i - params read \"%s\" failed with rval %i",
                      int(type), path.c_str(), int(r));
            system_free(tmpl);
            return r;
        }
        t.templates[type] = tmpl;
    }
    t.loaded.store(true, std::memory_order_release);
    return RES_OK;
}

void system_types_free() {
    TypeTable &t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    t.loaded.store(false, std::memory_order_release);
    free_templates(t);
}

bool system_types_loaded() { return table().loaded.load(std::memory_order_acquire); }

SystemTypeOps *system_type_ops(int32_t type) { return valid_type(type) ? &table().ops[type] : nullptr; }

const System *system_type_template(int32_t type) {
    if (!valid_type(type) || !system_types_loaded()) return nullptr;
    return table().templates[type];
}

int32_t system_subtype_count(int32_t type) {
    if (!valid_type(type) || system_types_load() != RES_OK) return 0;
    const System *tmpl = system_type_template(type);
    return tmpl && (tmpl->flags & SYSTEM_FLAG_SUBTYPES) ? tmpl->subtype_count : 0;
}

int32_t system_type_load_a(int32_t type, int32_t subtype) {
    if (!valid_type(type) || system_types_load() != RES_OK) return 0;
    const System *tmpl = system_type_template(type);
    if (!tmpl) return 0;
    if (!(tmpl->flags & SYSTEM_FLAG_SUBTYPES)) return tmpl->load_a;
    if (subtype < 0 || subtype >= tmpl->subtype_count) return 0;
    return tmpl->subtypes[size_t(subtype)].load_a;
}

Result system_read_params(System *tmpl, Buffer *buf) {
    // Decoded aside and moved in whole, so a file that fails leaves the template as it was.
    System in;
    Result r = buffer_read_string(buf, &in.name);
    int32_t flags = 0;
    if (r == RES_OK) r = buffer_read_i32(buf, &flags);
    for (int32_t System::*field : PARAMS_HEAD)
        if (r == RES_OK) r = buffer_read_i32(buf, &(in.*field));
    if (r == RES_OK) r = buffer_read_string(buf, &in.aux_text);
    if (r == RES_OK) r = buffer_read_string(buf, &in.shot_text);
    int32_t count = 0;
    if (r == RES_OK) r = buffer_read_count(buf, SUBTYPE_ROW_MIN_BYTES, &count);
    if (r != RES_OK) return r;
    in.flags = uint32_t(flags);
    // Rows in a file of a type without subtypes could never be applied: such a file is refused.
    if (count > 0 && !(in.flags & SYSTEM_FLAG_SUBTYPES)) return RES_MALFORMED;
    try {
        in.subtypes.resize(size_t(count));
    } catch (const std::bad_alloc &) {
        return RES_NO_MEMORY;
    }
    for (SystemSubtype &row : in.subtypes)
        if (r == RES_OK) r = read_subtype_row(buf, &row);
    if (r == RES_OK) r = buffer_read_i32(buf, &in.load_a);
    if (r == RES_OK) r = buffer_read_i32(buf, &in.load_b);
    if (r != RES_OK) return r;

    tmpl->name = std::move(in.name);
    tmpl->flags = in.flags;
    for (int32_t System::*field : PARAMS_HEAD) tmpl->*field = in.*field;
    tmpl->aux_text = std::move(in.aux_text);
    tmpl->shot_text = std::move(in.shot_text);
    tmpl->subtype_count = count;
    tmpl->subtypes = std::move(in.subtypes);
    tmpl->load_a = in.load_a;
    tmpl->load_b = in.load_b;
    return RES_OK;
}

Result system_read_desc(int32_t type, std::string *out) {
    if (!valid_type(type)) return RES_OUT_OF_RANGE;
    char path[40];
    std::snprintf(path, sizeof path, "system/%.3i/dat/desc.txt", int(type));
    return store_read_text(path, out);
}

// --- systems ----------------------------------------------------------------------------------

System *system_alloc() {
    System *system = new (std::nothrow) System();
    if (system) g_live_systems.fetch_add(1, std::memory_order_relaxed);
    return system;
}

System *system_create(int32_t type) {
    const System *tmpl = system_type_template(type);
    if (!tmpl) return nullptr;
    System *system = system_alloc();
    if (!system) return nullptr;
    system->type = type;
    system_copy_from_template(system, tmpl);
    system->integrity = system->max_integrity;
    system->rounds = system->rounds_per_reload;
    system->recharge_left = 0;
    return system;
}

System *system_create_subtype(int32_t type, int32_t subtype) {
    System *system = system_create(type);
    const Result r = system ? system_set_subtype(system, subtype) : RES_TYPES_NOT_LOADED;
    if (r != RES_OK) {
        log_write(LOG_GAME, LOG_ERROR, "Error creating system type %i subtype %i (%i)", int(type), int(subtype),
                  int(r));
        system_free(system);
        return nullptr;
    }
    return system;
}

Result system_set_subtype(System *system, int32_t index) {
    if (!(system->flags & SYSTEM_FLAG_SUBTYPES)) return RES_UNSUPPORTED;
    const System *tmpl = system_type_template(system->type);
    if (!tmpl) return RES_TYPES_NOT_LOADED;
    if (index < 0 || index >= tmpl->subtype_count) return RES_OUT_OF_RANGE;
    const SystemSubtype &row = tmpl->subtypes[size_t(index)];
    system->subtype = index;
    system->mass = row.mass;
    system->power = row.power;
    system->value = row.value;
    system->arc = row.arc;
    system->range = row.range;
    system->ap_cost = row.ap_cost;
    system->cost = row.cost;
    system->load_a = row.load_a;
    system->load_b = row.load_b;
    system->name = row.name;
    system->shot_text = row.shot_text;
    return RES_OK;
}

void system_copy_from_template(System *system, const System *tmpl) {
    system->name = tmpl->name;
    system->flags = tmpl->flags;
    system->spare = tmpl->spare;
    system->max_integrity = tmpl->max_integrity;
    system->mass = tmpl->mass;
    system->power = tmpl->power;
    system->recharge_turns = tmpl->recharge_turns;
    system->range = tmpl->range;
    system->arc = tmpl->arc;
    system->facing = tmpl->facing;
    system->ap_cost = tmpl->ap_cost;
    system->cost = tmpl->cost;
    system->round_price = tmpl->round_price;
    system->rounds_per_reload = tmpl->rounds_per_reload;
    system->value = tmpl->value;
    system->load_a = tmpl->load_a;
    system->load_b = tmpl->load_b;
    system->aux_text = tmpl->aux_text;
    system->shot_text = tmpl->shot_text;
}

void system_copy(System *dst, const System *src) {
    if (dst == src) return;
    dst->type = src->type;
    dst->name = src->name;
    dst->flags = src->flags;
    dst->spare = src->spare;
    dst->integrity = src->integrity;
    dst->max_integrity = src->max_integrity;
    dst->mass = src->mass;
    dst->power = src->power;
    dst->status = src->status;
    dst->recharge_turns = src->recharge_turns;
    dst->recharge_left = src->recharge_left;
    dst->range = src->range;
    dst->arc = src->arc;
    dst->facing = src->facing;
    dst->value = src->value;
    dst->ap_cost = src->ap_cost;
    dst->cost = src->cost;
    dst->round_price = src->round_price;
    dst->rounds = src->rounds;
    dst->rounds_per_reload = src->rounds_per_reload;
    dst->aux_text = src->aux_text;
    dst->shot_text = src->shot_text;
    dst->subtype = src->subtype;
    dst->load_a = src->load_a;
    dst->load_b = src->load_b;
}

void system_retain(System *system) {
    if (system) ++system->refcount;
}

void system_release(System *system) {
    if (!system) return;
    if (--system->refcount < 1) system_free(system);
}

void system_free(System *system) {
    if (!system) return;
    delete system;
    g_live_systems.fetch_sub(1, std::memory_order_relaxed);
}

int64_t system_live_count() { return g_live_systems.load(std::memory_order_relaxed); }

void system_reset(System *system) {
    system->status &= ~(SYSTEM_STATUS_OFFLINE | SYSTEM_STATUS_DAMAGED);
    system->integrity = system->max_integrity;
    system->rounds = system->rounds_per_reload;
}

void system_refresh(System *system) {
    system->integrity = system->max_integrity;
    system->rounds = system->rounds_per_reload;
    system->recharge_left = 0;
}

void system_recharge_tick(System *system) {
    if (system->status & SYSTEM_STATUS_OFFLINE) return;
    if ((system->flags & SYSTEM_FLAG_RECHARGES) && system->recharge_left > 0) --system->recharge_left;
}

void system_clear_recharge(System *system) {
    if (!(system->status & SYSTEM_STATUS_OFFLINE)) system->recharge_left = 0;
}

bool system_is_usable(const System *system) {
    if (!(system->flags & SYSTEM_FLAG_COMBAT)) return false;
    if (system->status & SYSTEM_STATUS_OFFLINE) return false;
    if ((system->flags & SYSTEM_FLAG_RECHARGES) && system->recharge_left > 0) return false;
    if ((system->flags & SYSTEM_FLAG_ROUNDS) && system->rounds < 1) return false;
    return true;
}

// --- dispatch ---------------------------------------------------------------------------------

int32_t system_estimate(System *system, Ship *ship, int32_t from_x, int32_t from_y, int32_t heading,
                        GameObject *target, bool roll, int32_t *damage, int32_t *effect) {
    int32_t damage_out = -1, effect_out = 0, chance = 0;
    const SystemTypeOps *ops = table_ops_of(system);
    if (ops && ops->estimate)
        chance = ops->estimate(system, ship, from_x, from_y, heading, target, roll, &damage_out, &effect_out);
    if (damage) *damage = damage_out;
    if (effect) *effect = effect_out;
    return chance;
}

int32_t system_effective_value(const System *system) {
    const SystemTypeOps *ops = table_ops_of(system);
    return ops && ops->effective_value ? ops->effective_value(system) : 0;
}

int32_t system_impact(int32_t type, Shot *shot, GameObject *target) {
    const SystemTypeOps *ops = system_type_ops(type);
    return ops && ops->impact ? ops->impact(shot, target) : 0;
}

bool system_has_action(System *system) {
    const SystemTypeOps *ops = table_ops_of(system);
    if (!ops || !ops->action) return false;
    std::string label;
    int32_t icon = 0, ap_cost = 0, enabled = 1;
    Result state = RES_OK;
    return ops->action(system, 0, &label, &icon, &ap_cost, &enabled, &state) == RES_OK;
}

// --- save record ------------------------------------------------------------------------------

Result system_write_record(const System *system, Buffer *buf) {
    const int32_t head[] = {system->type, system->subtype, int32_t(system->status), int32_t(system->flags)};
    // Encoded aside and appended in one step, so a failure leaves the caller's buffer as it was.
    Buffer record;
    for (int32_t field : head)
        if (Result r = buffer_write_i32(&record, field); r != RES_OK) return r;
    for (int32_t System::*field : RECORD_TAIL)
        if (Result r = buffer_write_i32(&record, system->*field); r != RES_OK) return r;
    return buffer_append(buf, record.data, size_t(record.length));
}

Result system_read_record(System **out, Buffer *buf) {
    int32_t type = 0;
    if (Result r = buffer_read_i32(buf, &type); r != RES_OK) return r;
    if (!valid_type(type)) return RES_MALFORMED;
    if (!system_types_loaded()) return RES_TYPES_NOT_LOADED;
    System *system = system_create(type);
    if (!system) return RES_NO_MEMORY;

    int32_t subtype = 0, status = 0, flags = 0;
    Result r = buffer_read_i32(buf, &subtype);
    if (r == RES_OK) r = buffer_read_i32(buf, &status);
    if (r == RES_OK) r = buffer_read_i32(buf, &flags);
    if (r == RES_OK) {
        system->subtype = subtype;
        system->status = uint32_t(status);
        system->flags = uint32_t(flags);
        // The row brings back the name and shot text, which the record does not hold.
        if (system->flags & SYSTEM_FLAG_SUBTYPES) r = system_set_subtype(system, subtype);
    }
    for (int32_t System::*field : RECORD_TAIL)
        if (r == RES_OK) r = buffer_read_i32(buf, &(system->*field));
    if (r != RES_OK) {
        system_free(system);
        return r;
    }
    if (out)
        *out = system;
    else
        system_free(system);
    return RES_OK;
}
