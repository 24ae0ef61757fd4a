// Weapons in battle on real hulls and systems from the generated store: every weapon type fired
// on screen until its effects and shots are over, blast falloff, the drain, and a battle resolved
// at once twice from the same generator states ending in byte-identical ship records.
#include "../world/shot_test_util.h"

#include <map>
#include <tuple>
#include "platform/buffer.h"
#include "systems/weapon.h"

namespace shiptest {
namespace {

TEST(WeaponBlast, FalloffAtTheEdges) {
    // R 40, H 20: full up to H, 30% at R, nothing beyond, at least 1 inside.
    EXPECT_EQ(weapon_blast_falloff(40, 50, 0), 50);
    EXPECT_EQ(weapon_blast_falloff(40, 50, 20), 50);
    EXPECT_EQ(weapon_blast_falloff(40, 50, 21), 43);
    EXPECT_EQ(weapon_blast_falloff(40, 50, 30), 30);
    EXPECT_EQ(weapon_blast_falloff(40, 50, 40), 15);
    EXPECT_EQ(weapon_blast_falloff(40, 50, 41), 0);
    EXPECT_EQ(weapon_blast_falloff(40, 1, 40), 1) << "never below 1 inside the radius";
    EXPECT_EQ(weapon_blast_falloff(1, 10, 1), 10) << "the half radius is at least 1";
    EXPECT_EQ(weapon_blast_falloff(0, 10, 0), 10);
    EXPECT_EQ(weapon_blast_falloff(0, 10, 1), 0);
}

using WeaponRows = ShotMapTest;

TEST_F(WeaponRows, EachWeaponFiresAndOffersOneActionAtItsApCost) {
    for (int32_t type : {SYSTEM_TYPE_BEAM, SYSTEM_TYPE_VOLLEY_GUN, SYSTEM_TYPE_HEAVY_BEAM, SYSTEM_TYPE_TRIPLE_BEAM,
                         SYSTEM_TYPE_MISSILE, SYSTEM_TYPE_DRAIN, SYSTEM_TYPE_DRONE_LAUNCHER, SYSTEM_TYPE_MASS_DRIVER,
                         SYSTEM_TYPE_ROCKET_POD, SYSTEM_TYPE_SELF_DESTRUCT}) {
        SCOPED_TRACE(type);
        const SystemTypeOps *ops = system_type_ops(type);
        ASSERT_NE(ops, nullptr);
        EXPECT_NE(ops->activate, nullptr);
        EXPECT_EQ(ops->estimate != nullptr, type != SYSTEM_TYPE_SELF_DESTRUCT);
        System system;
        system.type = type;
        system.ap_cost = 7;
        std::string label;
        int32_t icon = 0, ap = 0, enabled = 0;
        Result state = RES_NO_ACTION;
        ASSERT_NE(ops->action, nullptr);
        EXPECT_EQ(ops->action(&system, 0, &label, &icon, &ap, &enabled, &state), RES_OK);
        EXPECT_EQ(label, type == SYSTEM_TYPE_SELF_DESTRUCT ? "Detonate" : "Fire");
        EXPECT_EQ(std::tie(icon, ap, enabled), std::make_tuple(21, 7, 1));
        EXPECT_EQ(ops->action(&system, 1, &label, &icon, &ap, &enabled, &state), RES_NO_ACTION);
    }
}

class Weapons : public ShotMapTest {
protected:
    Ship *target = nullptr;
    void SetUp() override {
        ShotMapTest::SetUp();
        target = on_map(HULL_LEVIATHAN, 1300, 800, 180, BLUE);
        ASSERT_NE(target, nullptr);
        ship_repair_and_reload(target);
    }
    // A Lancer of RED with the weapon on its fore mount, `gap` pixels left of the target, facing it.
    Ship *gunship(int32_t type, int32_t gap = 90, int32_t subtype = -1) {
        Ship *s = on_map(HULL_LANCER, 0, 0, 0, RED);
        object_set_position(s, target->x - gap - s->w, target->y + target->h / 2 - s->h / 2);
        System *weapon = fit(s, LANCER_FORE, type, subtype);
        EXPECT_NE(weapon, nullptr) << type;
        ship_repair_and_reload(s);
        ready(s);
        return s;
    }
    Result fire(Ship *s, GameObject *at) {
        s->ap = SHIP_MAX_AP;   // no engine fitted: whatever the weapon costs
        if (System *w = ship_get_crit_system(s, LANCER_FORE)) system_refresh(w);
        int32_t x = 0, y = 0;
        centre(at ? at : s, &x, &y);
        return ship_use_system(s, LANCER_FORE, at, x, y, nullptr);
    }
    int32_t hurt(const Ship *s) const {
        int32_t shields = 0;
        for (int32_t v : s->shields) shields += v;
        return s->armour + shields;
    }
};

TEST_F(Weapons, EveryWeaponTypeFiredOnScreenHurtsDrainsOrLaunches) {
    const int32_t types[] = {SYSTEM_TYPE_BEAM,    SYSTEM_TYPE_VOLLEY_GUN,  SYSTEM_TYPE_HEAVY_BEAM, SYSTEM_TYPE_TRIPLE_BEAM,
                             SYSTEM_TYPE_MISSILE, SYSTEM_TYPE_MASS_DRIVER, SYSTEM_TYPE_ROCKET_POD};
    for (int32_t type : types) {
        Ship *s = gunship(type);
        ASSERT_NE(s, nullptr);
        bool hit = false;
        for (int attempt = 0; attempt < 6 && !hit; ++attempt) {
            ship_repair_and_reload(target);
            const int32_t before = hurt(target);
            ASSERT_EQ(fire(s, target), RES_OK) << "type " << type;
            settle();
            hit = hurt(target) < before;
        }
        EXPECT_TRUE(hit) << "type " << type << " never hurt its target";
        s->flags |= OBJ_LEFT_MAP;   // out of the way of the next gun
        run(1);
    }
    for (GameObject *obj : map->objects.items)
        EXPECT_FALSE(obj && obj->kind == OBJECT_SHOT) << "every shot is over";
}

TEST_F(Weapons, BeamsResolvedAtOnceMeetShieldsByTheirDamageKind) {
    // A shielded target: the beam and the triple beam wear the shield down, the heavy beam passes
    // it and takes armour. Nothing is shown when the battle resolves at once.
    target = on_map(HULL_LANCER, 1300, 300, 180, BLUE);
    ASSERT_NE(fit(target, LANCER_PORT, SYSTEM_TYPE_SHIELD), nullptr);
    ship_repair_and_reload(target);
    ready(target);
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    const struct {
        int32_t type;
        bool through_shields;
    } rows[] = {{SYSTEM_TYPE_BEAM, false}, {SYSTEM_TYPE_HEAVY_BEAM, true}, {SYSTEM_TYPE_TRIPLE_BEAM, false}};
    for (const auto &row : rows) {
        Ship *s = gunship(row.type, 60);
        ASSERT_NE(s, nullptr);
        bool hit = false;
        for (int attempt = 0; attempt < 8 && !hit; ++attempt) {
            ship_repair_and_reload(target);
            for (int32_t &v : target->shields) v = target->shield_max;
            const std::vector<int32_t> shields(std::begin(target->shields), std::end(target->shields));
            const int32_t armour = target->armour;
            ASSERT_EQ(fire(s, target), RES_OK) << "type " << row.type;
            const bool shields_kept =
                std::equal(shields.begin(), shields.end(), std::begin(target->shields));
            hit = !shields_kept || target->armour < armour;
            if (!hit) continue;
            EXPECT_EQ(shields_kept, row.through_shields) << "type " << row.type;
            if (row.through_shields) {
                EXPECT_LT(target->armour, armour) << "type " << row.type;
            }
        }
        EXPECT_TRUE(hit) << "type " << row.type << " never hurt its target";
        EXPECT_EQ(list_count(&map->effects) + list_count(&map->new_effects), 0) << "type " << row.type;
        s->flags |= OBJ_LEFT_MAP;
    }
}

TEST_F(Weapons, TheDrainTakesTheTargetsPoints) {
    Ship *s = gunship(SYSTEM_TYPE_DRAIN);
    bool drained = false;
    for (int attempt = 0; attempt < 6 && !drained; ++attempt) {
        target->ap = 3;
        target->mp = 5;
        target->ap_carry = 0;
        ASSERT_EQ(fire(s, target), RES_OK);
        settle();
        drained = target->ap == 0 && target->mp == 0;
    }
    EXPECT_TRUE(drained);
    EXPECT_LE(target->ap_carry, 0);
}

TEST_F(Weapons, ADrainOfEightOnThreeAndFivePoints) {
    target->ap = 3;
    target->mp = 5;
    target->ap_carry = 2;
    target->damage_boost = 50;
    target->damage_boost_turns = 2;
    target->evasion_boost = 10;
    target->evasion_boost_turns = 1;
    target->initiative = 9001;
    weapon_drain(target, 8, true);
    // The carry loses what the 8 drain beyond the larger of 3 and 5; the boosts go, the initiative halves.
    EXPECT_EQ(std::tie(target->ap, target->mp, target->ap_carry, target->damage_boost, target->damage_boost_turns,
                       target->evasion_boost, target->evasion_boost_turns, target->initiative),
              std::make_tuple(0, 0, 2 - 3, 0, 0, 0, 0, 4500));
}

TEST_F(Weapons, TheDroneLauncherReleasesADroneOfItsSide) {
    Ship *s = gunship(SYSTEM_TYPE_DRONE_LAUNCHER, 100);
    ASSERT_EQ(fire(s, target), RES_OK);
    settle();
    Ship *drone = nullptr;
    for (GameObject *obj : map->objects.items)
        if (Ship *ship = ship_of(obj); ship && (ship->ship_flags & SHIP_FLAG_DRONE)) drone = ship;
    ASSERT_NE(drone, nullptr);
    EXPECT_EQ(drone->owner_id, RED);
    EXPECT_EQ(drone->subtype, SHIP_HULL_DRONE);
    EXPECT_TRUE(drone->flags & OBJ_LOST) << "gone at the end of the battle";
    EXPECT_NE(drone->id, 0u);
    ASSERT_NE(ship_get_crit_system(drone, 0), nullptr);
    EXPECT_EQ(ship_get_crit_system(drone, 0)->type, SYSTEM_TYPE_HEAVY_BEAM) << "the first drone always carries the beam";
    ASSERT_NE(ship_get_crit_system(drone, 1), nullptr);
    EXPECT_EQ(ship_get_crit_system(drone, 1)->type, SYSTEM_TYPE_ENGINE);
    EXPECT_EQ(drone->armour, drone->max_armour);
}

TEST_F(Weapons, ADroneIsBuiltTurnedAndLastInLine) {
    Ship *drone = drone_create(RED, 370);
    ASSERT_NE(drone, nullptr);
    owned.push_back(drone);
    EXPECT_EQ(std::tie(drone->heading, drone->initiative, drone->owner_id), std::make_tuple(10, -5000, RED));
    EXPECT_TRUE(drone->ship_flags & SHIP_FLAG_DRONE);
}

TEST_F(Weapons, SelfDestructBlastsOtherSidesAndEndsTheShip) {
    Ship *s = gunship(SYSTEM_TYPE_SELF_DESTRUCT, 10);
    Ship *friend_ship = on_map(HULL_SKIFF, s->x, s->y + s->h + 4, 0, RED);
    const int32_t friend_armour = friend_ship->armour, before = hurt(target);
    ASSERT_EQ(fire(s, nullptr), RES_OK);
    EXPECT_TRUE(s->flags & (OBJ_DYING | OBJ_DEAD));
    EXPECT_EQ(s->armour, 0);
    settle();
    EXPECT_LT(hurt(target), before);
    EXPECT_EQ(friend_ship->armour, friend_armour) << "its own side is spared";
}

TEST_F(Weapons, ADamagedGunFiresItsVolleyOneRoundShort) {
    Ship *s = gunship(SYSTEM_TYPE_VOLLEY_GUN);
    System *gun = ship_get_crit_system(s, LANCER_FORE);
    gun->status |= SYSTEM_STATUS_DAMAGED;
    ASSERT_EQ(fire(s, target), RES_OK);
    map_add_pending_objects(map);
    Shot *volley = nullptr;
    for (GameObject *obj : map->objects.items)
        if (Shot *shot = shot_of(obj)) volley = shot;
    ASSERT_NE(volley, nullptr);
    EXPECT_EQ(volley->trail_count, volley->trail_max - 1) << "a damaged gun fires one round fewer";
    EXPECT_EQ(volley->impact_type, SYSTEM_TYPE_VOLLEY_GUN);
    EXPECT_EQ(volley->source, s);
    List<SystemRow> rows;
    list_set_free_fn(&rows, [](SystemRow *row) { delete row; });
    system_type_ops(SYSTEM_TYPE_VOLLEY_GUN)->detail_rows(gun, &rows, 2);
    ASSERT_GE(list_count(&rows), 1);
    EXPECT_NE(list_get(&rows, 0)->value.find("(x2)"), std::string::npos);
    list_clear(&rows);
    settle();
}

// ---- A battle resolved at once ----

class QuietBattle : public ShotMapTest {
protected:
    int32_t destroyed = 0, drones = 0;
    // Two small fleets with every weapon type between them, fought to the end from fixed seeds;
    // the save records of every ship, in order of creation.
    std::vector<uint8_t> fight(uint32_t seed) {
        map_clear(map);
        game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
        game->next_id = 5000;
        for (int i = 0; i < GAME_GENERATOR_COUNT; ++i)
            if (game->generators[i]) rng_seed(game->generators[i], seed + uint32_t(i));
        random_seed(seed);
        const int32_t red_weapons[] = {SYSTEM_TYPE_BEAM, SYSTEM_TYPE_VOLLEY_GUN, SYSTEM_TYPE_MISSILE,
                                       SYSTEM_TYPE_DRAIN, SYSTEM_TYPE_DRONE_LAUNCHER};
        const int32_t blue_weapons[] = {SYSTEM_TYPE_HEAVY_BEAM, SYSTEM_TYPE_TRIPLE_BEAM, SYSTEM_TYPE_MASS_DRIVER,
                                        SYSTEM_TYPE_ROCKET_POD, SYSTEM_TYPE_SELF_DESTRUCT};
        std::vector<Ship *> ships;
        for (int i = 0; i < 5; ++i) {
            Ship *r = on_map(HULL_LANCER, 800, 300 + 160 * i, 0, RED);
            Ship *b = on_map(HULL_LANCER, 920, 300 + 160 * i, 180, BLUE);
            fit(r, LANCER_FORE, red_weapons[i]);
            fit(b, LANCER_FORE, blue_weapons[i]);
            for (Ship *s : {r, b}) {
                fit(s, LANCER_PORT, SYSTEM_TYPE_SHIELD);
                ship_repair_and_reload(s);
                ready(s);
                for (int32_t &v : s->shields) v = s->shield_max;
                object_add_ref(s);   // the record is written after the battle, dead or alive
                ships.push_back(s);
            }
        }
        for (int round = 0; round < 12; ++round) {
            for (Ship *s : ships) {
                if (s->flags & (OBJ_DEAD | OBJ_DYING)) continue;
                Ship *enemy = nullptr;
                for (Ship *e : ships)
                    if (e->owner_id != s->owner_id && !(e->flags & (OBJ_DEAD | OBJ_DYING)) &&
                        (!enemy || std::abs(e->y - s->y) < std::abs(enemy->y - s->y)))
                        enemy = e;
                if (!enemy) break;
                s->ap = SHIP_MAX_AP;
                if (System *w = ship_get_crit_system(s, LANCER_FORE)) {
                    system_clear_recharge(w);
                    if (w->rounds < 1) w->rounds = w->rounds_per_reload;
                }
                int32_t x = 0, y = 0;
                centre(enemy, &x, &y);
                (void)ship_use_system(s, LANCER_FORE, w_target(s, enemy), x, y, nullptr);
            }
            map_remove_dead_objects(map);
            map_add_pending_objects(map);
        }
        destroyed = map->destroyed_count;
        drones = 0;
        for (GameObject *obj : map->objects.items)
            if (Ship *d = ship_of(obj); d && (d->ship_flags & SHIP_FLAG_DRONE)) ++drones;
        Buffer *buf = buffer_create();
        for (Ship *s : ships) EXPECT_EQ(object_write(s, buf), RES_OK);
        for (GameObject *obj : map->objects.items)
            if (Ship *drone = ship_of(obj); drone && (drone->ship_flags & SHIP_FLAG_DRONE)) (void)object_write(drone, buf);
        std::vector<uint8_t> out(buf->data, buf->data + buf->length);
        buffer_free(buf);
        for (Ship *s : ships) s->flags |= OBJ_DEAD;
        map_remove_dead_objects(map);
        for (Ship *s : ships) object_release(s);
        return out;
    }
    // A self-destruct needs no target; everything else aims at the enemy.
    static GameObject *w_target(Ship *s, Ship *enemy) {
        const System *w = ship_get_crit_system(s, LANCER_FORE);
        return w && w->type == SYSTEM_TYPE_SELF_DESTRUCT ? nullptr : enemy;
    }
};

TEST_F(QuietBattle, TheSameSeedsEndInTheSameShips) {
    const std::vector<uint8_t> first = fight(31337);
    const int32_t first_destroyed = destroyed, first_drones = drones;
    const std::vector<uint8_t> second = fight(31337);
    ASSERT_FALSE(first.empty());
    EXPECT_GT(first_destroyed, 0) << "ships were destroyed";
    EXPECT_GT(first_drones, 0) << "drones were launched";
    EXPECT_EQ(destroyed, first_destroyed);
    EXPECT_EQ(first, second);
    const std::vector<uint8_t> other = fight(4);
    EXPECT_NE(first, other) << "the seeds decide the battle";
    EXPECT_TRUE(game->flags & GAME_FLAG_DAMAGE_DEALT);
    EXPECT_EQ(list_count(&map->effects) + list_count(&map->new_effects), 0) << "nothing is shown";
}

}  // namespace
}  // namespace shiptest
