// Officers: record, saved form, tables, training, skill draws and promotion.
#include "game/officer.h"

#include <algorithm>
#include <new>
#include "game/alert.h"
#include "game/game.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/saturate.h"
#include "platform/sound.h"
#include "platform/str.h"
#include "world/object.h"
#include "world/ship.h"

namespace {

constexpr int OFFICER_GENERATOR = 1;   // the Game's second generator trains officers
constexpr int OFFICER_TRAIN_MAX_REDRAWS = 64;   // 1 in 9^64 for a sound generator

enum SkillGroup { GROUP_COMMAND, GROUP_SHIP, GROUP_BASE };

struct SkillInfo {
    const char *name;
    int         icon;
    SkillGroup  group;
};

const SkillInfo SKILLS[OFFICER_SKILL_COUNT] = {
    {"Command", 112, GROUP_COMMAND},      {"Engineering", 110, GROUP_SHIP}, {"Field Repair", 183, GROUP_SHIP},
    {"Instruction", 184, GROUP_BASE},     {"Marksmanship", 111, GROUP_COMMAND}, {"Mining", 114, GROUP_BASE},
    {"Navigation", 109, GROUP_COMMAND},   {"Science", 182, GROUP_BASE},     {"Sensors", 113, GROUP_SHIP},
};

struct RankInfo {
    const char *name;
    int32_t     threshold;
};

const RankInfo RANKS[OFFICER_RANK_COUNT] = {
    {"Cadet", 0},          {"Lt Commander", 1}, {"Commander", 10000},     {"Captain", 20000},
    {"Commodore", 40000},  {"Admiral", 90000},  {"Fleet Admiral", 120000},
};

// The magnitude of the training generator's next number; 0 without a game.
uint32_t officer_draw() {
    Game *game = game_get();
    Rng *rng = game ? game->generators[OFFICER_GENERATOR] : nullptr;
    return rng ? random_magnitude(rng_next(rng)) : 0u;
}

int32_t group_tally(const Officer *officer, SkillGroup group) {
    switch (group) {
    case GROUP_COMMAND: return officer->command_tally;
    case GROUP_SHIP: return officer->ship_tally;
    case GROUP_BASE: return officer->base_tally;
    }
    return 0;
}

// One weighted draw over the nine skills: -1 when the roll passes every weight. The total is the sum
// of nine saved tallies, so it is kept in 64 bits.
int draw_weighted_skill(const int32_t weights[OFFICER_SKILL_COUNT], int64_t total) {
    if (total == 1) {
        for (int i = 0; i < OFFICER_SKILL_COUNT; ++i)
            if (weights[i] >= 1) return i;
        return -1;
    }
    int64_t r = int64_t(officer_draw() % uint64_t(total)) + 1;
    for (int i = 0; i < OFFICER_SKILL_COUNT; ++i) {
        r -= weights[i];
        if (r <= 0) return i;
    }
    return -1;
}

// Where the officer serves, for the news: its ship's sector, else its own sector, else the fleet
// its ship travels in; the object to highlight and the sector's name (empty in deep space).
void officer_whereabouts(const Officer *officer, uint64_t *highlight_id, std::string *sector_name) {
    *highlight_id = 0;
    sector_name->clear();
    Ship *ship = officer->ship_id ? ship_of(game_find_object(game_get(), officer->ship_id)) : nullptr;
    GameObject *sector = nullptr;
    if (ship && ship->sector_id) sector = game_find_object(game_get(), ship->sector_id);
    if ((!sector || sector->kind != OBJECT_SECTOR) && officer->sector_id) sector = game_find_object(game_get(), officer->sector_id);
    if (sector && sector->kind == OBJECT_SECTOR) {
        *highlight_id = sector->id;
        *sector_name = object_get_name(sector);
        return;
    }
    if (ship && ship->fleet_id) *highlight_id = ship->fleet_id;
}

// A new rank reached: the owner hears of it, and a promotion of the UI player's officer sounds.
void officer_announce(const Officer *officer) {
    const bool hired = officer->rank == RANK_LT_COMMANDER;
    uint64_t highlight = 0;
    std::string sector;
    officer_whereabouts(officer, &highlight, &sector);
    const char *rank = officer_rank_name(officer->rank);
    std::string text;
    if (!sector.empty())
        text = str_format(hired ? "%s (%s sector) was hired as a %s" : "%s (%s sector) was promoted to %s",
                          officer->name.c_str(), sector.c_str(), rank);
    else
        text = str_format(hired ? "%s (deep space) was hired as a %s" : "%s (deep space) was promoted to %s",
                          officer->name.c_str(), rank);
    Game *game = game_get();
    if (game)
        game_add_alert(game, alert_post_officer_news(officer->owner_id, officer->rank, highlight, officer, "%s",
                                                     text.c_str()));
    if (!hired && game && game->ui_player_id != 0 && officer->owner_id == game->ui_player_id)
        sound_play(SOUND_OFFICER);
}

void officer_destroy(Officer *officer) {
    date_free(officer->hired);
    delete officer;
}

}  // namespace

Officer *officer_create() {
    Officer *officer = new (std::nothrow) Officer();
    if (!officer) return nullptr;
    officer->hired = date_create();
    if (!officer->hired) {
        delete officer;
        return nullptr;
    }
    return officer;
}

void officer_retain(Officer *officer) {
    if (officer) ++officer->refcount;
}

void officer_release(Officer *officer) {
    if (!officer) return;
    if (--officer->refcount >= 1) return;
    officer_destroy(officer);
}

Result officer_write(const Officer *officer, Buffer *buf) {
    Result r = buffer_write_u64(buf, officer->id);
    if (r == RES_OK) r = buffer_write_u32(buf, officer->flags);
    if (r == RES_OK) r = buffer_write_string(buf, officer->name);
    if (r == RES_OK) r = buffer_write_i32(buf, officer->rank);
    if (r == RES_OK) r = buffer_write_i32(buf, officer->experience);
    if (r == RES_OK) r = buffer_write_i32(buf, officer->portrait);
    for (uint64_t id : {officer->ship_id, officer->sector_id, officer->site_id, officer->owner_id})
        if (r == RES_OK) r = buffer_write_u64(buf, id);
    if (r == RES_OK) r = buffer_write_u64(buf, officer->hired ? officer->hired->minutes : 0);
    for (int32_t word : {officer->training_cost, officer->cost_reduction, officer->figures[0], officer->figures[1],
                         officer->figures[2], officer->pod_minutes})
        if (r == RES_OK) r = buffer_write_i32(buf, word);
    if (r == RES_OK) r = buffer_write_u64(buf, officer->pod_destination);
    for (int i = 0; r == RES_OK && i < OFFICER_SKILL_COUNT; ++i) r = buffer_write_i32(buf, officer->skills[i]);
    for (int32_t word : {officer->ship_tally, officer->base_tally, officer->command_tally, officer->battles,
                         officer->kills, officer->escapes})
        if (r == RES_OK) r = buffer_write_i32(buf, word);
    return r;
}

Result officer_read(Officer **out, Buffer *buf) {
    Officer *officer = officer_create();
    if (!officer) return RES_NO_MEMORY;
    Result r = buffer_read_u64(buf, &officer->id);
    if (r == RES_OK) r = buffer_read_u32(buf, &officer->flags);
    if (r == RES_OK) r = buffer_read_string(buf, &officer->name);
    if (r == RES_OK) r = buffer_read_i32(buf, &officer->rank);
    if (r == RES_OK) r = buffer_read_i32(buf, &officer->experience);
    if (r == RES_OK) r = buffer_read_i32(buf, &officer->portrait);
    for (uint64_t *id : {&officer->ship_id, &officer->sector_id, &officer->site_id, &officer->owner_id})
        if (r == RES_OK) r = buffer_read_u64(buf, id);
    Date *hired = nullptr;
    if (r == RES_OK) r = date_read(&hired, buf);
    if (r == RES_OK) {
        date_free(officer->hired);
        officer->hired = hired;
    }
    for (int32_t *word : {&officer->training_cost, &officer->cost_reduction, &officer->figures[0],
                          &officer->figures[1], &officer->figures[2], &officer->pod_minutes})
        if (r == RES_OK) r = buffer_read_i32(buf, word);
    if (r == RES_OK) r = buffer_read_u64(buf, &officer->pod_destination);
    for (int i = 0; r == RES_OK && i < OFFICER_SKILL_COUNT; ++i) r = buffer_read_i32(buf, &officer->skills[i]);
    for (int32_t *word : {&officer->ship_tally, &officer->base_tally, &officer->command_tally, &officer->battles,
                          &officer->kills, &officer->escapes})
        if (r == RES_OK) r = buffer_read_i32(buf, word);
    if (r != RES_OK || !out) {
        officer_destroy(officer);
        return r;
    }
    *out = officer;
    return RES_OK;
}

void officer_train(Officer *officer) {
    const int a = int(officer_draw() % OFFICER_SKILL_COUNT);
    int b = int(officer_draw() % OFFICER_SKILL_COUNT);
    // A generator that keeps repeating itself (or no game at all) must not hold the recruit up for
    // ever: after a generous number of equal draws the next skill along is taken.
    for (int tries = 0; b == a && tries < OFFICER_TRAIN_MAX_REDRAWS; ++tries)
        b = int(officer_draw() % OFFICER_SKILL_COUNT);
    if (b == a) b = (a + 1) % OFFICER_SKILL_COUNT;
    officer->skills[a] = saturate_add_i32(officer->skills[a], 1);
    officer->skills[b] = saturate_add_i32(officer->skills[b], 1);
    officer->figures[0] = 19 + int32_t(officer_draw() % 4);
    officer->cost_reduction = int32_t(officer_draw() % 7) * 100;
}

void officer_init_stats(Officer *officer) {
    int64_t cost = 2000 - int64_t(officer->cost_reduction);   // the reduction may come from a save
    for (int skill : {SKILL_ENGINEERING, SKILL_FIELD_REPAIR, SKILL_MARKSMANSHIP, SKILL_SENSORS})
        if (officer->skills[skill] >= 1) cost += 100;
    officer->training_cost = std::max(1, saturate_i32(cost));
    officer->figures[1] = 300;
    officer->figures[2] = 2800;
}

void officer_pick_skills(Officer *officer, int *a, int *b, int *c) {
    int32_t weights[OFFICER_SKILL_COUNT];
    int64_t total = 0;
    for (int i = 0; i < OFFICER_SKILL_COUNT; ++i) {
        weights[i] = officer->skills[i] >= OFFICER_SKILL_MAX ? 0 : group_tally(officer, SKILLS[i].group);
        total += weights[i];
    }
    if (total < 1) {
        *a = *b = *c = -1;
        return;
    }
    *a = draw_weighted_skill(weights, total);
    *b = draw_weighted_skill(weights, total);
    if (*a == *b && *a >= 0) weights[*a] = 0;   // the total stays: the third draw may find nothing
    *c = draw_weighted_skill(weights, total);
}

void officer_hire_or_promote(Officer *officer) {
    if (officer->rank < RANK_CADET || officer->rank > RANK_ADMIRAL) return;
    if (int64_t(officer->ship_tally) + officer->base_tally + officer->command_tally < 1) return;
    const int32_t start_rank = officer->rank;
    // Fleet Admiral is the top: past it there is no threshold left to stop the climb.
    while (officer->rank < RANK_FLEET_ADMIRAL && officer->experience >= officer_rank_threshold(officer->rank + 1)) {
        officer->rank += 1;
        if (officer->rank != RANK_LT_COMMANDER) {
            int drawn[3];
            officer_pick_skills(officer, &drawn[0], &drawn[1], &drawn[2]);
            for (int skill : drawn)
                if (skill >= 0) officer->skills[skill] = saturate_add_i32(officer->skills[skill], 1);
        }
        if (officer->owner_id == 0) continue;
        officer_announce(officer);
    }
    if (officer->rank != start_rank) {
        officer->ship_tally = 0;
        officer->base_tally = 0;
        officer->command_tally = 0;
        // The pilot's ship flies with the new rank at once.
        if (Ship *ship = officer->ship_id ? ship_of(game_find_object(game_get(), officer->ship_id)) : nullptr) {
            ship->pilot_rank = officer->rank;
            ship_recompute_stats(ship);
            ship->ap = ship->max_ap;
            ship->mp = ship->max_mp;
        }
    }
}

void officer_add_ship_experience(Officer *officer, int32_t amount) {
    officer->experience = saturate_add_i32(officer->experience, amount);
    officer->ship_tally = saturate_add_i32(officer->ship_tally, amount);
    officer_hire_or_promote(officer);
}

void officer_add_base_experience(Officer *officer, int32_t amount) {
    officer->experience = saturate_add_i32(officer->experience, amount);
    officer->base_tally = saturate_add_i32(officer->base_tally, amount);
    officer_hire_or_promote(officer);
}

void officer_apply_ship_bonuses(const Officer *officer, Ship *ship) {
    const int32_t *skill = officer->skills;
    const int32_t navigation = skill[SKILL_NAVIGATION], marksmanship = skill[SKILL_MARKSMANSHIP];
    const int32_t command = skill[SKILL_COMMAND], sensors = skill[SKILL_SENSORS];
    const int32_t engineering = skill[SKILL_ENGINEERING];
    // The rank and skills may come from a save: each bonus is taken wide and held at the limits.
    auto add = [](int32_t *field, int64_t amount) { *field = saturate_i32(int64_t(*field) + amount); };
    add(&ship->initiative_rate, 2 * int64_t(officer->rank) + 10);
    add(&ship->evasion, 12 * int64_t(navigation));
    add(&ship->turn_cost, -int64_t(navigation));
    add(&ship->damage_bonus, 3 * int64_t(marksmanship));
    add(&ship->max_ap, 3 * int64_t(command));
    add(&ship->scan_cost, -3 * int64_t(sensors));
    add(&ship->scan_boost, 25 * int64_t(sensors));
    if (engineering >= 1) ship->thrust = saturate_i32(int64_t(ship->thrust) * (100 + 16 * int64_t(engineering)) / 100);
    const int64_t s = 3 * int64_t(command) + 2 * (int64_t(navigation) + marksmanship);
    add(&ship->online_load_a, 2 * s + 20);
    add(&ship->online_load_b, s / 2 + 2);
}

void officer_add_experience(Officer *officer, int32_t amount, int check) {
    officer->experience = saturate_add_i32(officer->experience, amount);
    officer->command_tally = saturate_add_i32(officer->command_tally, amount);
    if (check) officer_hire_or_promote(officer);
}

const char *officer_rank_name(int rank) {
    return rank >= 0 && rank < OFFICER_RANK_COUNT ? RANKS[rank].name : "";
}

int32_t officer_rank_threshold(int rank) {
    return rank >= 0 && rank < OFFICER_RANK_COUNT ? RANKS[rank].threshold : 0;
}

const char *officer_skill_name(int skill) {
    return skill >= 0 && skill < OFFICER_SKILL_COUNT ? SKILLS[skill].name : "";
}

int officer_skill_icon(int skill) {
    return skill >= 0 && skill < OFFICER_SKILL_COUNT ? SKILLS[skill].icon : 109;
}

void field_repair_limits(int level, int *armour_per_day, int *armour_cap_percent, int *system_points,
                         int *system_cap_percent) {
    struct Limits {
        int armour, armour_cap, system, system_cap;
    };
    static const Limits BY_LEVEL[] = {{1, 80, 2, 45}, {2, 90, 3, 75}, {2, 100, 3, 100}, {4, 100, 4, 100}};
    Limits limits = {1, 70, 2, 20};
    // A level above the usual top (two equal draws at a promotion) repairs as the top level does.
    if (level >= 2) limits = BY_LEVEL[std::min(level, OFFICER_SKILL_MAX) - 2];
    if (armour_per_day) *armour_per_day = limits.armour;
    if (armour_cap_percent) *armour_cap_percent = limits.armour_cap;
    if (system_points) *system_points = limits.system;
    if (system_cap_percent) *system_cap_percent = limits.system_cap;
}
