// Harnesses of a whole save game: header, state section and every record, loaded as the load screen
// loads it, into a game with the real templates, technology table, name decks and hooks; then saved
// again, or played for a day by the headless driver (the computer players' thought, the day's
// travel, battles and end of turn read every loaded figure).
#include "harness_support.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include "ai/agent_task.h"
#include "ai/ai_player.h"
#include "app/app_hooks.h"
#include "game/alert.h"
#include "game/game.h"
#include "game/headless.h"
#include "game/names.h"
#include "game/officer.h"
#include "game/player.h"
#include "game/records.h"
#include "game/save.h"
#include "game/tech.h"
#include "platform/files.h"
#include "platform/list.h"
#include "platform/random.h"
#include "platform/store.h"
#include "world/factory.h"
#include "world/fleet.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

std::string input_path() { return fuzz_scratch_dir() + "/input.sav"; }

Player *seed_player(Game *game, uint64_t id, const char *name, int32_t kind) {
    Player *p = player_create(kind);
    if (!p) std::abort();
    player_set_id(p, id);
    player_set_name(p, name);
    player_set_color(p, 200, 40, int32_t(id % 250));
    if (game_add_player(game, p) != RES_OK) std::abort();
    return p;
}

// A small game: a human and a computer player with its AI states, a sector each with a starbase,
// a piloted ship in a fleet, and an alert.
void build_seed_game(Game *game) {
    game_clear(game);
    Player *human = seed_player(game, 0x501, "Fuzz Human", PLAYER_KIND_HUMAN);
    game->ui_player = human;
    game->ui_player_id = human->id;
    Player *rival = seed_player(game, 0x502, "Fuzz Rival", PLAYER_KIND_COMPUTER);
    rival->galaxy_ai = ai_player_create();
    rival->commander_ai = ai_player_create_commander();
    ai_add_task(rival->galaxy_ai, agent_task_create(TASK_BUILD_SITE, 3, 0));
    int32_t x = 200;
    for (Player *p : {human, rival}) {
        Sector *s = sector_create(0);
        if (!s) std::abort();
        object_assign_id(s);
        s->owner_id = p->id;
        map_place_object(game->galaxy_map, s, x, 300, 1);
        map_add_pending_objects(game->galaxy_map);
        if (Site *site = site_create(SITE_STARBASE)) {
            object_assign_id(site);
            site->owner_id = p->id;
            sector_add_site(s, site, 100, 100);
            site->sector_id = s->id;
        }
        Ship *ship = ship_of(factory_create_object(OBJECT_SHIP, 2));
        if (!ship) std::abort();
        object_assign_id(ship);
        ship->owner_id = p->id;
        ship->ship_name = "Seed";
        player_add_object(p, ship);
        Officer *o = officer_create();
        o->id = game_next_id(game);
        o->owner_id = p->id;
        o->name = "Seed Pilot";
        player_add_officer(p, o);
        ship_set_pilot(ship, o);
        Fleet *f = fleet_create();
        if (!f) std::abort();
        f->owner_id = p->id;
        object_assign_id(f);
        ship_set_fleet(ship, f);
        map_place_object(game->galaxy_map, f, x + 40, 360, 0);
        map_add_pending_objects(game->galaxy_map);
        player_update_totals(p);
        x += 900;
    }
    game_add_alert(game, alert_post_research(human->id, 1, "Research of %s done", "Fuzz"));
}

// A whole generated galaxy a few days into its game, as the headless driver plays it; nothing
// when the player records cannot be read.
void seed_headless_game(Game *game, std::vector<FuzzInput> *out, const std::string &path) {
    if (list_count(game->player_records) == 0 && records_load(game) != RES_OK) return;
    random_seed(7);
    HeadlessOptions options;
    options.computer_players = 1;
    options.setup.star_density = 0;
    options.ai_commands = false;
    if (headless_new_game(game, options) != RES_OK) return;
    for (int day = 0; day < 3; ++day) headless_advance_day(game, options);
    if (game_save(game, path.c_str(), "Seed", 1, nullptr) != RES_OK) return;
    Buffer *buf = nullptr;
    if (store_read_file(path.c_str(), 0, &buf) == RES_OK) out->push_back(fuzz_bytes_of(*buf));
    buffer_free(buf);
}

}  // namespace

void fuzz_setup_saves() {
    fuzz_setup_templates();
    app_install_hooks();
    if (tech_load() != RES_OK || name_lists_load(game_get()) != RES_OK) std::abort();
}

void fuzz_save_game(const uint8_t *data, size_t size) {
    Game *game = game_get();
    const std::string path = input_path();
    if (write_file_bytes(path.c_str(), data, size) != RES_OK) std::abort();
    if (game_load_file(game, path.c_str(), 0) == RES_OK) {
        // A loaded game saves again in full.
        const std::string again = fuzz_scratch_dir() + "/again.sav";
        (void)game_save(game, again.c_str(), "again", 1, nullptr);
        std::remove(again.c_str());
    }
    game_clear(game);
}

void fuzz_seed_save_game(std::vector<FuzzInput> *out) {
    Game *game = game_get();
    build_seed_game(game);
    const std::string path = fuzz_scratch_dir() + "/seed.sav";
    for (int32_t autosave : {0, 1}) {
        if (game_save(game, path.c_str(), "Seed", autosave, nullptr) != RES_OK) continue;
        Buffer *buf = nullptr;
        if (store_read_file(path.c_str(), 0, &buf) == RES_OK) out->push_back(fuzz_bytes_of(*buf));
        buffer_free(buf);
    }
    seed_headless_game(game, out, path);
    std::remove(path.c_str());
    game_clear(game);
    // Too long to play out here: the late-game save of a long headless game, kept as a file, reaches
    // the sections a few days of play never fill.
    fuzz_seed_files("save_game", out);
}

void fuzz_save_day(const uint8_t *data, size_t size) {
    Game *game = game_get();
    const std::string path = input_path();
    if (write_file_bytes(path.c_str(), data, size) != RES_OK) std::abort();
    if (game_load_file(game, path.c_str(), 0) == RES_OK) {
        random_seed(11);   // the same input plays the same day
        (void)headless_advance_day(game, HeadlessOptions{});
    }
    game_clear(game);
}

// The saves the save target starts from: a small game, a generated galaxy a few days in, and the
// kept late-game file.
void fuzz_seed_save_day(std::vector<FuzzInput> *out) { fuzz_seed_save_game(out); }
