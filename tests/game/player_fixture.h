#pragma once
// A galaxy for the player tests: the generated data store with the real factories, system types
// and technology table, a galaxy map that owns its sectors, and players in the game's list.
#include <gtest/gtest.h>

#include <vector>
#include "game/alert.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "game/tech.h"
#include "game_files.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/random.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/world_hooks.h"

namespace playertest {

// The game's object lookup over the galaxy map and what its objects contain.
inline GameObject *galaxy_lookup(uint64_t id) {
    Game *game = game_get();
    if (!game || !game->galaxy_map) return nullptr;
    for (GameObject *obj : game->galaxy_map->objects.items) {
        if (!obj || (obj->flags & OBJ_STUB)) continue;
        if (GameObject *found = object_find(obj, id)) return found;
    }
    return nullptr;
}

class PlayerWorld : public ::testing::Test {
protected:
    Game *game = nullptr;
    ObjectMap *games_map = nullptr;
    WorldHooks saved_hooks;

    void SetUp() override {
        factory_free();
        system_types_free();
        use_generated_store();
        ASSERT_EQ(system_types_load(), RES_OK);
        ASSERT_EQ(factory_init(), RES_OK);
        ASSERT_EQ(tech_load(), RES_OK);
        game = game_get();
        game_clear(game);
        games_map = game->galaxy_map;   // the game's own, back after the test
        game->galaxy_map = map_create();
        game->clock->minutes = 40 * MINUTES_PER_DAY + 600;
        date_from_minutes(game->clock);
        saved_hooks = world_hooks();
        WorldHooks hooks = world_hooks();
        hooks.find_object = galaxy_lookup;
        world_set_hooks(hooks);
        for (Rng *rng : game->generators) rng_seed(rng, 77);
    }

    void TearDown() override {
        if (game->alerts) list_clear(game->alerts);
        game_clear_players(game);
        map_free(game->galaxy_map);
        game->galaxy_map = games_map;
        world_set_hooks(saved_hooks);
        tech_free_all();
        factory_free();
        system_types_free();
        store_shutdown();
    }

    // A player in the game's list and map; the UI player when `ui` is set.
    Player *add_player(uint64_t id, const char *name, bool ui = false) {
        Player *p = player_create(ui ? PLAYER_KIND_HUMAN : PLAYER_KIND_COMPUTER);
        EXPECT_NE(p, nullptr);
        player_set_id(p, id);
        player_set_name(p, name);
        player_set_color(p, 30, 60, 90);
        EXPECT_EQ(game_add_player(game, p), RES_OK);
        if (ui) {
            game->ui_player = p;
            game->ui_player_id = id;
        }
        return p;
    }

    // A sector on the galaxy map, owned by `owner` (0: nobody), at (x, y).
    Sector *add_sector(uint64_t owner, int32_t x, int32_t y, int32_t tmpl = 0) {
        Sector *s = sector_create(tmpl);
        EXPECT_NE(s, nullptr);
        object_assign_id(s);
        s->owner_id = owner;
        map_place_object(game->galaxy_map, s, x, y, 1);
        map_add_pending_objects(game->galaxy_map);
        return s;
    }

    Site *add_site(Sector *sector, int32_t tmpl, uint64_t owner) {
        Site *site = site_create(tmpl);
        EXPECT_NE(site, nullptr);
        site->owner_id = owner;
        sector_add_site(sector, site, 100, 100);
        site->sector_id = sector->id;
        return site;
    }

    Ship *new_ship(int32_t tmpl = 2) {
        Ship *s = ship_of(factory_create_object(OBJECT_SHIP, tmpl));
        EXPECT_NE(s, nullptr);
        return s;
    }

    Officer *new_officer(const char *name) {
        Officer *o = officer_create();
        o->name = name;
        return o;
    }

    void advance_days(int32_t days) {
        game->clock->minutes += uint64_t(days) * MINUTES_PER_DAY;
        date_from_minutes(game->clock);
    }

    static std::vector<uint8_t> bytes_of(const Buffer &buf) { return {buf.data, buf.data + buf.length}; }
};

}  // namespace playertest
