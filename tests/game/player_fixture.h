#pragma once
// Galaxies for the player, research, alert, save and turn tests: the hooks as the game installs
// them, the generated data store with the real factories (their parameters loaded), system types
// and technology table, the game's own galaxy map and object lookup,
// and players in the game's list.
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "app/app_hooks.h"
#include "game/alert.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "game/tech.h"
#include "game_files.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/random.h"
#include "support/state_guards.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace playertest {

class PlayerWorld : public ::testing::Test {
protected:
    Game *game = nullptr;
    WorldHooksGuard world_hooks_back_;
    PlayerAiHooksGuard ai_hooks_back_;
    GameFieldsGuard game_fields_back_;

    void SetUp() override {
        app_install_hooks();   // wired like the game (the AI layer's hooks too), whatever a test left
        factory_free();
        system_types_free();
        use_generated_store();
        ASSERT_EQ(system_types_load(), RES_OK);
        ASSERT_EQ(factory_init(), RES_OK);
        factory_acquire_group_all(FACTORY_GROUP_PARAMS);   // the templates' parameter files
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        ASSERT_EQ(tech_load(), RES_OK);
        game = game_get();
        ASSERT_NE(game, nullptr);
        game_clear(game);
        game->clock->minutes = 40 * MINUTES_PER_DAY + 600;
        date_from_minutes(game->clock);
    }

    void TearDown() override {
        game_clear(game);
        tech_free_all();
        factory_free();
        system_types_free();
        store_shutdown();
    }

    // A player in the game's list and map.
    Player *add_player(uint64_t id, const char *name, int32_t kind = PLAYER_KIND_COMPUTER) {
        Player *p = player_create(kind);
        EXPECT_NE(p, nullptr);
        player_set_id(p, id);
        player_set_name(p, name);
        player_set_color(p, int32_t(id % 200), 60, 90);
        EXPECT_EQ(game_add_player(game, p), RES_OK);
        return p;
    }

    // A human player who is also the UI player.
    Player *add_ui_player(uint64_t id, const char *name) {
        Player *p = add_player(id, name, PLAYER_KIND_HUMAN);
        game->ui_player = p;
        game->ui_player_id = id;
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
        object_assign_id(site);
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
