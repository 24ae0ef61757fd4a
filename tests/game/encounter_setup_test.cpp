// Battles set up from real players, starbases and ships of the generated store and laid out on their
// field: the starbase assault with Sentinels armed from the owner's catalog, the ARK encounters with
// their ships and carrier, the starbase-defence barrage, and a launched drone joining the battle it
// was launched in. (The Battle for Sol is set up from a generated galaxy: encounter_galaxy_test.)
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>
#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/encounter_setup.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/list.h"
#include "support/fixture_store.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr uint64_t RED = 1, BLUE = 2, ARK = 3, SOL = 4;

class EncounterSetup : public ::testing::Test {
protected:
    void SetUp() override {
        game_destroy();
        game = game_get();
        ASSERT_TRUE(world.load({OBJECT_SHIP, OBJECT_SITE, OBJECT_SECTOR, OBJECT_SHOT}, {0, 1}));
        for (uint64_t id : {RED, BLUE, ARK, SOL}) {
            Player *p = player_create(id == RED ? PLAYER_KIND_HUMAN : PLAYER_KIND_COMPUTER);
            player_set_id(p, id);
            ASSERT_EQ(game_add_player(game, p), RES_OK);
        }
        game->combat_ai_player_id = ARK;
        game->sol_player_id = SOL;
        enc = encounter_create();
        encounter_retain(enc);
        enc->field_w = 1365;
        enc->field_h = 1024;
        encounter_seed_random(enc, 2604);
    }
    void TearDown() override {
        encounter_release(enc);
        game_destroy();
        world.unload();
    }
    std::vector<GameObject *> fleet(uint64_t owner, int n, int32_t first_hull = 2) {
        std::vector<GameObject *> out;
        for (int i = 0; i < n; ++i) {
            Ship *s = ship_of(factory_create_object(OBJECT_SHIP, first_hull + i % 5));
            EXPECT_NE(s, nullptr);
            s->owner_id = owner;
            object_assign_id(s);
            ship_recompute_stats(s);
            out.push_back(s);
        }
        return out;
    }
    Site *starbase(uint64_t owner, int32_t defense_level) {
        Site *base = site_cast(factory_create_object(OBJECT_SITE, 0));
        EXPECT_NE(base, nullptr);
        base->owner_id = owner;
        base->defense_level = defense_level;
        object_assign_id(base);
        return base;
    }
    void give(uint64_t owner, int32_t type, int32_t subtype) {
        System *system = subtype >= 0 ? system_create_subtype(type, subtype) : system_create(type);
        ASSERT_NE(system, nullptr) << type << "/" << subtype;
        ASSERT_GE(list_append(&game_find_player(game, owner)->catalog, system), 0);
    }
    std::vector<Ship *> ships_of(uint64_t owner) {
        std::vector<Ship *> out;
        for (GameObject *obj : enc->objects->items)
            if (obj && obj->kind == OBJECT_SHIP && obj->owner_id == owner) out.push_back(ship_of(obj));
        return out;
    }
    // Every searched placement lies inside the field off the top and left margins, and no two touch.
    void expect_laid_out_apart() {
        EXPECT_EQ(enc->placements.size(), size_t(list_count(enc->objects)));
        std::vector<EncounterPlacement> searched;
        for (const auto &[id, p] : enc->placements) {
            if (!(p.flags & PLACEMENT_FLAG_PLACED)) continue;
            EXPECT_GE(p.x, 32) << id;
            EXPECT_GE(p.y, 32) << id;
            EXPECT_LE(p.x + p.w, enc->field_w) << id;
            EXPECT_LE(p.y + p.h, enc->field_h) << id;
            for (const EncounterPlacement &q : searched)
                EXPECT_TRUE(p.x > q.x + q.w || p.y > q.y + q.h || p.x + p.w < q.x || p.y + p.h < q.y) << id;
            searched.push_back(p);
        }
    }
    static int32_t weapon_type(const Ship *s, int32_t mount = 0) {
        const System *w = ship_get_crit_system(const_cast<Ship *>(s), mount);
        return w ? w->type : -1;
    }
    static int32_t weapon_subtype(const Ship *s, int32_t mount = 0) {
        const System *w = ship_get_crit_system(const_cast<Ship *>(s), mount);
        return w ? w->subtype : -1;
    }

    GeneratedWorld world;
    Game *game = nullptr;
    Encounter *enc = nullptr;
};

TEST_F(EncounterSetup, AStarbaseIsGuardedBySentinelsArmedFromItsOwnersCatalog) {
    give(BLUE, SYSTEM_TYPE_BEAM, 3);
    give(BLUE, SYSTEM_TYPE_BEAM, 1);
    give(BLUE, SYSTEM_TYPE_VOLLEY_GUN, -1);
    give(BLUE, SYSTEM_TYPE_ARMOUR, 0);
    const struct {
        int32_t defense_level;
        std::set<int32_t> beam_slots, gun_slots;
    } cases[] = {{0, {1}, {2}}, {2, {1, 2}, {0, 3}}};
    for (const auto &c : cases) {
        encounter_release_objects(enc);
        Site *base = starbase(BLUE, c.defense_level);
        encounter_setup_starbase_assault(enc, fleet(RED, 6), base);
        EXPECT_EQ(enc->kind, ENCOUNTER_STARBASE_ASSAULT);
        EXPECT_EQ(enc->objective, "Destroy all enemies");
        EXPECT_NE(encounter_find_object(enc, base->id), nullptr);
        std::set<int32_t> beams, guns;
        for (Ship *s : ships_of(BLUE)) {
            EXPECT_EQ(s->subtype, SHIP_HULL_SENTINEL);
            EXPECT_EQ(s->ship_name, "Sentinel");
            EXPECT_TRUE(s->flags & OBJ_LOST) << "gone with the battle";
            EXPECT_NE(s->id, 0u);
            EXPECT_EQ(s->armour, s->max_armour);
            EXPECT_EQ(s->ap, s->max_ap);
            EXPECT_EQ(weapon_type(s, 1), SYSTEM_TYPE_ARMOUR) << "every Sentinel wears the owner's armour";
            if (weapon_type(s) == SYSTEM_TYPE_BEAM) {
                EXPECT_EQ(weapon_subtype(s), 7) << "the guard row after a best beam of 3";
                beams.insert(s->aux_word);
            } else {
                EXPECT_EQ(weapon_type(s), SYSTEM_TYPE_VOLLEY_GUN);
                guns.insert(s->aux_word);
            }
        }
        EXPECT_EQ(beams, c.beam_slots) << "defence level " << c.defense_level;
        EXPECT_EQ(guns, c.gun_slots) << "defence level " << c.defense_level;

        encounter_layout(enc);
        expect_laid_out_apart();
        int32_t x = 0, y = 0, heading = 0;
        ASSERT_EQ(encounter_get_placement(enc, &x, base->id, &y, &heading), RES_OK);
        EXPECT_EQ(x + base->w, enc->field_w) << "the starbase stands in the far corner";
        EXPECT_EQ(y + base->h, enc->field_h);
        for (Ship *s : ships_of(BLUE)) {
            ASSERT_EQ(encounter_get_placement(enc, &x, s->id, &y, &heading), RES_OK);
            EXPECT_EQ(heading, 135);
            EXPECT_GT(x, enc->field_w - 400) << "slot " << s->aux_word << " lies by the starbase";
            EXPECT_GT(y, enc->field_h - 400) << "slot " << s->aux_word;
        }
    }
}

TEST_F(EncounterSetup, AStarbaseOwnerWithoutWeaponsHasNoSentinels) {
    Site *base = starbase(BLUE, 1);
    encounter_setup_starbase_assault(enc, fleet(RED, 2), base);
    EXPECT_TRUE(ships_of(BLUE).empty());
    encounter_release_objects(enc);
    give(BLUE, SYSTEM_TYPE_VOLLEY_GUN, -1);
    encounter_setup_starbase_assault(enc, fleet(RED, 2), starbase(BLUE, 1));
    const std::vector<Ship *> guards = ships_of(BLUE);
    ASSERT_EQ(guards.size(), 2u) << "only the projectile Sentinels: the owner has no beam";
    for (Ship *s : guards) EXPECT_EQ(ship_get_crit_system(s, 1), nullptr) << "no armour in the catalog";
}

TEST_F(EncounterSetup, TheBestSystemPicksTheGuardBeamRow) {
    const int32_t beam_rows[][2] = {{0, 5}, {1, 6}, {2, 6}, {3, 7}, {4, 7}};
    Player *blue = game_find_player(game, BLUE);
    EXPECT_EQ(player_create_best_system(blue, SYSTEM_TYPE_BEAM), nullptr);
    for (const auto &row : beam_rows) {
        if (row[0] >= system_subtype_count(SYSTEM_TYPE_BEAM)) continue;
        list_clear(&blue->catalog);
        give(BLUE, SYSTEM_TYPE_BEAM, row[0]);
        System *made = player_create_best_system(blue, SYSTEM_TYPE_BEAM);
        ASSERT_NE(made, nullptr) << row[0];
        EXPECT_EQ(made->subtype, row[1]) << "best beam " << row[0];
        EXPECT_NE(made, list_get(&blue->catalog, 0)) << "a new system, not the catalog's";
        system_free(made);
    }
    give(BLUE, SYSTEM_TYPE_ENGINE, 4);
    give(BLUE, SYSTEM_TYPE_ENGINE, 2);
    System *engine = player_create_best_system(blue, SYSTEM_TYPE_ENGINE);
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->subtype, 4) << "the highest subtype the player has";
    system_free(engine);
}

TEST_F(EncounterSetup, AnARKGroupMustersItsShipsByCount) {
    const struct {
        int32_t n, type_a, type_b;
        int32_t with_b, with_a, guns;
    } cases[] = {
        {9, SYSTEM_TYPE_MISSILE, SYSTEM_TYPE_TRIPLE_BEAM, 1, 1, 7},
        {6, SYSTEM_TYPE_MISSILE, SYSTEM_TYPE_TRIPLE_BEAM, 0, 1, 5},
        {3, SYSTEM_TYPE_MISSILE, SYSTEM_TYPE_TRIPLE_BEAM, 0, 0, 3},
    };
    for (const auto &c : cases) {
        encounter_release_objects(enc);
        encounter_add_ark_defenders(enc, fleet(RED, 3), c.n, c.type_a, c.type_b);
        EXPECT_EQ(enc->kind, ENCOUNTER_ARK);
        int32_t with_a = 0, with_b = 0, guns = 0;
        for (Ship *s : ships_of(ARK)) {
            EXPECT_EQ(s->subtype, SHIP_HULL_DRONE);
            EXPECT_TRUE(s->flags & OBJ_LOST);
            EXPECT_GE(s->initiative, 1);
            EXPECT_LE(s->initiative, 100);
            EXPECT_EQ(weapon_type(s, 1), SYSTEM_TYPE_ENGINE);
            EXPECT_EQ(s->mp, s->max_mp);
            with_a += weapon_type(s) == c.type_a;
            with_b += weapon_type(s) == c.type_b;
            guns += weapon_type(s) == SYSTEM_TYPE_HEAVY_BEAM && weapon_subtype(s) == 0;
        }
        EXPECT_EQ(with_b, c.with_b) << "n = " << c.n;
        EXPECT_EQ(with_a, c.with_a) << "n = " << c.n;
        EXPECT_EQ(guns, c.guns) << "n = " << c.n;
        encounter_layout(enc);
        expect_laid_out_apart();
    }
}

TEST_F(EncounterSetup, AnArmedARKGroupBringsItsCarrierWhoseDronesJoinTheBattle) {
    std::vector<GameObject *> red = fleet(RED, 4);
    encounter_add_ark_defenders_armed(enc, red, 6, SYSTEM_TYPE_MISSILE);
    EXPECT_EQ(enc->kind, ENCOUNTER_ARK_ARMED);
    std::vector<Ship *> ark = ships_of(ARK);
    ASSERT_EQ(ark.size(), 7u) << "six ships and the carrier";
    Ship *carrier = ark.back();
    EXPECT_EQ(carrier->subtype, SHIP_HULL_CARRIER);
    EXPECT_TRUE(carrier->flags & OBJ_LOST);
    EXPECT_EQ(weapon_type(carrier, 0), SYSTEM_TYPE_VOLLEY_GUN);
    EXPECT_EQ(weapon_subtype(carrier, 0), 4);
    EXPECT_EQ(weapon_type(carrier, 1), SYSTEM_TYPE_DRONE_LAUNCHER);
    EXPECT_EQ(weapon_type(carrier, 2), SYSTEM_TYPE_ENGINE);
    EXPECT_EQ(weapon_subtype(carrier, 2), 6);
    EXPECT_EQ(carrier->ap, carrier->max_ap);
    enc->field_h = 1536;
    encounter_layout(enc);
    expect_laid_out_apart();

    // In the battle the carrier launches a drone, which becomes one of the battle's objects.
    ASSERT_EQ(game_add_encounter(game, enc), RES_OK);
    game_set_current_encounter(game, enc);
    ASSERT_EQ(game_start_encounter(game), RES_OK);
    Ship *target = ship_of(red[0]);
    object_set_position(target, carrier->x + carrier->w / 2 - target->w / 2, carrier->y - target->h - 60);
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    carrier->ap = carrier->max_ap;
    const int32_t before = list_count(enc->objects);
    const Result r = ship_use_system(carrier, 1, target, target->x + target->w / 2, target->y + target->h / 2, nullptr);
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
    ASSERT_EQ(r, RES_OK);
    ASSERT_EQ(list_count(enc->objects), before + 1);
    Ship *drone = ship_of(list_get(enc->objects, before));
    ASSERT_NE(drone, nullptr);
    EXPECT_TRUE(drone->ship_flags & SHIP_FLAG_DRONE);
    EXPECT_EQ(drone->owner_id, ARK);
    EXPECT_TRUE(enc->flags & ENCOUNTER_FLAG_DIRTY) << "the battle's lists are rebuilt";
    EXPECT_EQ(encounter_count_owner_ships(enc, ARK), 8);

    // Fought out without the screen the battle is not current; a drone still joins it, so it dies
    // with the battle instead of outliving it in its owner's list.
    game_set_current_encounter(game, nullptr);
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    carrier->ap = carrier->max_ap;
    if (System *launcher = ship_get_crit_system(carrier, 1)) system_refresh(launcher);
    const Result again = ship_use_system(carrier, 1, target, target->x + target->w / 2, target->y + target->h / 2, nullptr);
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
    ASSERT_EQ(again, RES_OK);
    EXPECT_EQ(encounter_count_owner_ships(enc, ARK), 9);
    encounter_release_objects(enc);
    for (GameObject *obj : game_find_player(game, ARK)->objects.items) {
        if (obj && (ship_of(obj)->ship_flags & SHIP_FLAG_DRONE)) {
            EXPECT_TRUE(obj->flags & OBJ_DEAD) << "drone #" << obj->id;
        }
    }
}

TEST_F(EncounterSetup, AContestedStarbaseFiresABarrageAfterItsDefences) {
    Site *plain = starbase(BLUE, 0);
    encounter_set_starbase_defense(enc, plain);
    ASSERT_TRUE(encounter_has_defense_shot(enc));
    EXPECT_EQ(enc->shot_start_clock, 3);
    EXPECT_EQ(enc->shot_interval, 1);
    EXPECT_EQ(enc->shot_type, 3);
    EXPECT_EQ(enc->shot_count, 4);
    EXPECT_EQ(enc->shot_singular, "");
    EXPECT_EQ(enc->shot_damage_min, 30);
    EXPECT_EQ(enc->shot_damage_max, 50);
    EXPECT_EQ(enc->defense_player_id, BLUE);

    give(BLUE, SYSTEM_TYPE_VOLLEY_GUN, -1);
    const System *gun = list_get(&game_find_player(game, BLUE)->catalog, 0);
    Site *upgraded = starbase(BLUE, 1);
    encounter_set_starbase_defense(enc, upgraded);
    EXPECT_EQ(enc->shot_start_clock, 2);
    EXPECT_EQ(enc->shot_count, 8);
    EXPECT_EQ(enc->shot_singular, gun->name);
    EXPECT_EQ(enc->shot_damage_min, gun->value + 5);
    EXPECT_EQ(enc->shot_damage_max, gun->value + 10);
    object_destroy(plain);
    object_destroy(upgraded);
}

}  // namespace
