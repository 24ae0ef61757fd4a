// Battles made from the objects of a freshly generated galaxy: the Battle for Sol over the guardians'
// own ships and an assault on a real player's starbase armed from its starting catalog; each is laid
// out without overlap and starts on the combat map with every object at its place. (ARK groups are
// mustered, laid out and started in encounter_life_test, and called for by a site in
// turn_encounters_test.)
#include "headless_fixture.h"
#include "autocombat_fixture.h"

#include <functional>
#include <tuple>
#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/encounter_setup.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

class EncounterGalaxy : public ModelGame {
protected:
    void SetUp() override {
        ModelGame::SetUp();
        HeadlessOptions options;
        options.computer_players = 3;
        ASSERT_EQ(headless_new_game(game, options), RES_OK);
    }
    void TearDown() override {
        if (enc) encounter_release(enc);
        ModelGame::TearDown();
    }
    Sector *find_sector(const std::function<bool(Sector *)> &pick) {
        for (GameObject *obj : game->galaxy_map->objects.items)
            if (Sector *s = sector_of(obj); s && pick(s)) return s;
        return nullptr;
    }
    // A ship of some player other than the given owner, from its own galaxy objects.
    GameObject *visitor_ship(uint64_t not_owner) {
        for (Player *p : game->players->items) {
            if (!p || p->id == not_owner || p->id == game->combat_ai_player_id || p->id == game->sol_player_id) continue;
            for (GameObject *obj : p->objects.items)
                if (obj && obj->kind == OBJECT_SHIP) return obj;
        }
        return nullptr;
    }
    Encounter *new_battle(const Sector *sector) {
        enc = encounter_create();
        encounter_retain(enc);
        enc->sector_id = sector->id;
        enc->centre_x = sector->x + sector->w / 2;
        enc->centre_y = sector->y + sector->h / 2;
        enc->field_w = 1365;
        enc->field_h = 1024;
        encounter_seed_random(enc, uint32_t(sector->id));
        return enc;
    }
    // Laid out apart, then started: every object of the battle stands on the combat map at its place.
    void lay_out_and_start(const std::function<void()> &on_the_field = {}) {
        encounter_register_temp_objects(enc);
        encounter_layout(enc);
        ASSERT_EQ(enc->placements.size(), size_t(list_count(enc->objects)));
        autocombat_test::expect_laid_out_apart(enc);
        ASSERT_EQ(game_add_encounter(game, enc), RES_OK);
        game_set_current_encounter(game, enc);
        ASSERT_EQ(game_start_encounter(game), RES_OK);
        EXPECT_EQ(map_object_count(game->combat_map), list_count(enc->objects));
        for (GameObject *obj : enc->objects->items) {
            int32_t x = 0, y = 0, heading = 0;
            ASSERT_EQ(encounter_get_placement(enc, &x, obj->id, &y, &heading), RES_OK);
            EXPECT_EQ(obj->map, game->combat_map);
            EXPECT_EQ(obj->x, x);
            EXPECT_EQ(obj->y, y);
        }
        if (on_the_field) on_the_field();
        enc->flags |= ENCOUNTER_FLAG_FINISHED;
        game_set_current_encounter(game, nullptr);
        game_end_combat(game);
        EXPECT_EQ(map_object_count(game->combat_map), 0);
    }

    Encounter *enc = nullptr;
};

TEST_F(EncounterGalaxy, TheBattleForSolIsFoughtOverTheGuardiansShips) {
    Sector *sol = sector_of(game_find_object_of_kind(game, OBJECT_SECTOR, game->sol_sector_id));
    ASSERT_NE(sol, nullptr);
    std::vector<GameObject *> contents;
    for (GameObject *obj : sol->objects.items)
        if (obj) contents.push_back(obj);
    ASSERT_FALSE(contents.empty()) << "the guardians keep ships at home";
    GameObject *intruder = visitor_ship(game->sol_player_id);
    ASSERT_NE(intruder, nullptr);
    contents.push_back(intruder);
    encounter_setup_sol(new_battle(sol), contents);
    EXPECT_EQ(enc->kind, ENCOUNTER_SOL);
    EXPECT_EQ(enc->objective, "Destroy all enemies");
    EXPECT_EQ(encounter_get_side(enc, 0), sol->owner_id) << "the sector's owner is side 0";
    // The guardians' barrage: 16 Mega Missiles of 120..180, the first after two turns, then every fifth.
    ASSERT_TRUE(encounter_has_defense_shot(enc));
    EXPECT_EQ(std::tie(enc->shot_start_clock, enc->shot_interval, enc->shot_type, enc->shot_singular, enc->shot_plural,
                       enc->shot_count, enc->defense_player_id, enc->shot_damage_min, enc->shot_damage_max),
              std::make_tuple(2, 5, 1, std::string("Mega Missile"), std::string("Mega Missiles"), 16,
                              game->sol_player_id, 120, 180));
    lay_out_and_start([this] {
        EXPECT_TRUE(game->combat_map->flags & MAP_DEFENSE) << "the barrage is armed on the combat map";
        EXPECT_EQ(game->combat_map->defense_player_id, game->sol_player_id);
    });
}

TEST_F(EncounterGalaxy, APlayersHomeStarbaseIsAssaultedWithItsSentinels) {
    Site *base = nullptr;
    Sector *home = find_sector([&](Sector *s) {
        for (Site *site : s->sites.items)
            if (site && site->subtype == SITE_STARBASE && site->owner_id != 0 && site->owner_id != game->sol_player_id) {
                base = site;
                return true;
            }
        return false;
    });
    ASSERT_NE(home, nullptr);
    GameObject *attacker = visitor_ship(base->owner_id);
    ASSERT_NE(attacker, nullptr);
    encounter_setup_starbase_assault(new_battle(home), {attacker}, base);
    int32_t sentinels = 0;
    for (GameObject *obj : enc->objects->items) sentinels += obj->kind == OBJECT_SHIP && obj->subtype == SHIP_HULL_SENTINEL;
    Player *owner = game_find_player(game, base->owner_id);
    const bool armed = player_best_system(owner, SYSTEM_TYPE_BEAM) || player_best_system(owner, SYSTEM_TYPE_VOLLEY_GUN);
    EXPECT_EQ(sentinels > 0, armed) << "Sentinels stand guard whenever the owner has a weapon to give them";
    lay_out_and_start();
    // The battle lets go of its objects: the Sentinels die and leave their owner's list.
    encounter_release_objects(enc);
    game_purge_removed_objects(game);
    for (GameObject *obj : owner->objects.items) {
        const Ship *ship = ship_of(obj);
        EXPECT_FALSE(ship && ship->subtype == SHIP_HULL_SENTINEL) << "a Sentinel outlived its battle";
    }
    for (GameObject *obj : game->objects->items) EXPECT_FALSE(obj && (obj->flags & OBJ_LOST)) << "#" << obj->id;
}

}  // namespace
