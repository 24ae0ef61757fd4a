// Ship damage and destruction on real hulls from the generated store: which shield a hit meets,
// shields against armour for each damage kind, wear on the nearest mounts, crew losses by armour
// left, destruction with its credits and escape pod, the shield colours and the repair price.
#include "combat_test_util.h"

#include "game/game.h"
#include "platform/log.h"
#include "platform/random.h"
#include "support/fixture_store.h"
#include "world/shot.h"

namespace shiptest {
namespace {

constexpr int32_t SHIELD_BIG = 300;

class ShipDamage : public CombatMapTest {
protected:
    Ship *target = nullptr;
    System *shield = nullptr;

    void SetUp() override {
        CombatMapTest::SetUp();
        for (int i = 0; i < GAME_GENERATOR_COUNT; ++i)
            if (game->generators[i]) rng_seed(game->generators[i], 4242u + uint32_t(i));
        // Quiet: no effects or sounds, and every draw from the game's fourth generator.
        game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
        target = on_map(HULL_LANCER, 1000, 800, 0, BLUE);
        ASSERT_NE(target, nullptr);
        shield = fit(target, LANCER_PORT, SYSTEM_TYPE_SHIELD);
        ASSERT_NE(shield, nullptr);
        shield->value = 2 * SHIELD_BIG;   // the passive gives half of a figure
        ship_recompute_stats(target);
        ASSERT_GE(target->shield_max, SHIELD_BIG);
        ship_repair_and_reload(target);
    }
    void TearDown() override {
        if (game) game->flags &= ~(GAME_FLAG_RESOLVE_AT_ONCE | GAME_FLAG_DAMAGE_DEALT);
        CombatMapTest::TearDown();
    }

    // A point `reach` pixels from the ship's centre in a screen direction (0 right, 90 up).
    void point_at(int32_t degrees, int32_t reach, int32_t *x, int32_t *y) const {
        int32_t cx = 0, cy = 0;
        centre(target, &cx, &cy);
        int dx = 0, dy = 0;
        rotate_point(degrees, reach, &dx, &dy);
        *x = cx + dx;
        *y = cy + dy;
    }
    // A hit from a screen direction, 30 pixels from the centre.
    void hit(int32_t amount, int32_t degrees, int32_t kind = 0, Ship *shooter = nullptr) {
        int32_t x = 0, y = 0;
        point_at(degrees, 30, &x, &y);
        ship_apply_damage(target, shooter, amount, x, y, kind);
    }
    void set_shields(int32_t fore, int32_t port, int32_t aft, int32_t starboard) {
        target->shields[0] = fore;
        target->shields[1] = port;
        target->shields[2] = aft;
        target->shields[3] = starboard;
    }
};

// ---- Facing and shields ----

TEST_F(ShipDamage, TheShieldOfTheFacingTheHitComesFromTakesIt) {
    // Heading 0 faces right: right is fore, up port, left aft, down starboard. Turned to 90 the ship
    // faces up: a hit from above is fore, from the right starboard. A hit on the centre meets the fore.
    const struct Case {
        int32_t heading, from, reach, facing;
    } cases[] = {{0, 0, 30, 0},  {0, 90, 30, 1}, {0, 180, 30, 2}, {0, 270, 30, 3},
                 {90, 90, 30, 0}, {90, 0, 30, 3}, {0, 0, 0, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE("heading " + std::to_string(c.heading) + ", hit from " + std::to_string(c.from) + " at " +
                     std::to_string(c.reach));
        object_set_heading(target, c.heading);
        set_shields(25, 26, 27, 28);
        const int32_t armour = target->armour;
        int32_t x = 0, y = 0;
        point_at(c.from, c.reach, &x, &y);
        ship_apply_damage(target, nullptr, 10, x, y, 0);
        for (int32_t f = 0; f < SHIP_FACINGS; ++f) EXPECT_EQ(target->shields[f], 25 + f - (f == c.facing ? 10 : 0)) << f;
        EXPECT_EQ(target->armour, armour) << "a shield that holds keeps the armour whole";
    }
}

TEST_F(ShipDamage, KindsAgainstShieldsAndArmour) {
    // Against shields: doubled while below the shield, never past its points (40 is cut to 25). A hit
    // larger than the shield empties it and the rest reaches the armour. Through shields: the shield
    // keeps its points and the armour takes everything.
    const struct Case {
        int32_t shield, amount, kind, shield_after, armour_lost;
    } cases[] = {{25, 10, DAMAGE_ANTI_SHIELD, 5, 0}, {25, 20, DAMAGE_ANTI_SHIELD, 0, 0}, {10, 30, 0, 0, 20},
                 {50, 12, DAMAGE_PASS_SHIELD, 50, 12}};
    for (const Case &c : cases) {
        set_shields(c.shield, 0, 0, 0);
        const int32_t armour = target->armour;
        hit(c.amount, 0, c.kind);
        EXPECT_EQ(target->shields[0], c.shield_after) << c.amount << " of kind " << c.kind;
        EXPECT_EQ(armour - target->armour, c.armour_lost) << c.amount << " of kind " << c.kind;
    }
}

TEST_F(ShipDamage, ShieldsNeverStayAboveTheirMaximum) {
    shield->status |= SYSTEM_STATUS_OFFLINE;   // the generator goes: no shield strength left
    set_shields(40, 40, 40, 40);
    hit(1, 180);
    for (int32_t f = 0; f < SHIP_FACINGS; ++f) EXPECT_EQ(target->shields[f], target->shield_max);
}

TEST_F(ShipDamage, QuietDamageIsRecordedOnTheGameAndShowsNothing) {
    set_shields(0, 0, 0, 0);
    hit(5, 0);
    EXPECT_TRUE(game->flags & GAME_FLAG_DAMAGE_DEALT);
    EXPECT_FALSE(target->ship_flags & SHIP_FLAG_SHIELD_DISPLAY);
    map_update(map, 20);
    EXPECT_EQ(list_count(&map->effects), 0);
}

TEST_F(ShipDamage, OnScreenAHitShowsItsTextsAndTheShieldDisplay) {
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
    set_shields(10, 0, 0, 0);
    hit(30, 0);
    EXPECT_TRUE(target->ship_flags & SHIP_FLAG_SHIELD_DISPLAY);
    EXPECT_EQ(target->hit_display_ms, SHIP_HIT_DISPLAY_MS);
    EXPECT_TRUE(target->flags & OBJ_SHAKING);
    EXPECT_GE(list_count(&map->new_effects), 2) << "the shield's and the armour's numbers";
    EXPECT_FALSE(game->flags & GAME_FLAG_DAMAGE_DEALT);
}

TEST_F(ShipDamage, AHitOnTheBattleScreenIsLoggedWithBothSidesAQuietOneIsNot) {
    LogFileCatcher log(fresh_test_dir("ship_damage"), LOG_DEBUG2);
    Ship *shooter = on_map(HULL_LANCER, 600, 800, 0, RED);
    set_shields(0, 0, 0, 0);
    hit(5, 180, 0, shooter);
    EXPECT_EQ(log.text().find("Hit on ship"), std::string::npos) << "autocombat's hits stay out of the log";
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
    const int32_t armour = target->armour;
    hit(3, 180, 0, shooter);
    hit(armour, 180, 0, shooter);
    const std::string text = log.text(), who = "Hit on ship #" + std::to_string(target->id) + " \"" +
                                              object_get_name(target) + "\" of \"Blue Corp\" by #" +
                                              std::to_string(shooter->id) + " of \"Red Corp\" for ";
    const std::string first = who + "3: armour " + std::to_string(armour - 3);
    const size_t at = text.find(first);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_NE(text[at + first.size()], ',') << "the first hit left it afloat";
    EXPECT_NE(text.find(who + std::to_string(armour) + ": armour 0, destroyed"), std::string::npos) << text;
}

// ---- Systems and crew ----

class ShipWear : public ShipDamage {
protected:
    System *a = nullptr, *b = nullptr;
    void SetUp() override {
        ShipDamage::SetUp();
        ASSERT_EQ(ship_set_crit_system(target, LANCER_PORT, nullptr), RES_OK);
        shield = nullptr;
        a = fit(target, LANCER_FORE, SYSTEM_TYPE_BEAM);
        b = fit(target, LANCER_STARBOARD, SYSTEM_TYPE_BEAM);
        ASSERT_TRUE(a && b);
        for (System *s : {a, b}) s->max_integrity = s->integrity = 100000;
        target->base_max_armour = 100000;
        target->base_max_crew = 0;
        ship_recompute_stats(target);
        ship_repair_and_reload(target);
        set_shields(0, 0, 0, 0);
    }
    int32_t lost(const System *s) const { return s->max_integrity - s->integrity; }
};

TEST_F(ShipWear, AHitOnAMountWearsThatMountOnly) {
    ship_apply_damage(target, nullptr, 200, target->x + a->mount_x, target->y + a->mount_y, 0);
    EXPECT_EQ(lost(a), 200);
    EXPECT_EQ(lost(b), 0) << "the nearer crit at distance 0 is hit with probability d2 / (d1 + d2) = 1";
}

TEST_F(ShipWear, TwoEquallyNearMountsShareTheWear) {
    // The midpoint of the two mounts: each should take about half of the points.
    const int32_t x = target->x + (a->mount_x + b->mount_x) / 2, y = target->y + (a->mount_y + b->mount_y) / 2;
    ship_apply_damage(target, nullptr, 2000, x, y, 0);
    EXPECT_EQ(lost(a) + lost(b), 2000);
    EXPECT_GT(lost(a), 800);
    EXPECT_GT(lost(b), 800);
}

TEST_F(ShipWear, IntegrityMarksDamagedThenOffline) {
    a->max_integrity = 10;
    a->integrity = 10;
    ship_apply_damage(target, nullptr, 5, target->x + a->mount_x, target->y + a->mount_y, 0);
    EXPECT_FALSE(a->status & SYSTEM_STATUS_DAMAGED) << "5 is not below half of 10";
    ship_apply_damage(target, nullptr, 1, target->x + a->mount_x, target->y + a->mount_y, 0);
    EXPECT_TRUE(a->status & SYSTEM_STATUS_DAMAGED);
    EXPECT_FALSE(a->status & SYSTEM_STATUS_OFFLINE);
    ship_apply_damage(target, nullptr, 4, target->x + a->mount_x, target->y + a->mount_y, 0);
    EXPECT_EQ(a->integrity, 0);
    EXPECT_TRUE(a->status & SYSTEM_STATUS_OFFLINE);
    // An offline mount is no candidate any more: the other takes the next hits.
    ship_apply_damage(target, nullptr, 3, target->x + a->mount_x, target->y + a->mount_y, 0);
    EXPECT_EQ(lost(b), 3);
}

TEST_F(ShipWear, AHullWithoutSystemDamageKeepsItsMountsWhole) {
    target->hull_flags |= HULL_FLAG_NO_SYSTEM_DAMAGE;
    ship_apply_damage(target, nullptr, 300, target->x + a->mount_x, target->y + a->mount_y, 0);
    EXPECT_EQ(lost(a) + lost(b), 0);
    EXPECT_EQ(target->armour, target->max_armour - 300);
}

TEST_F(ShipWear, AnEngineMountOnAHeavyHullSoaksPartOfTheWear) {
    System *engine = fit(target, LANCER_ENGINE, SYSTEM_TYPE_ENGINE);
    ASSERT_NE(engine, nullptr);
    engine->max_integrity = engine->integrity = 100000;
    ASSERT_EQ(ship_set_crit_system(target, LANCER_FORE, nullptr), RES_OK);
    ASSERT_EQ(ship_set_crit_system(target, LANCER_STARBOARD, nullptr), RES_OK);
    ship_recompute_stats(target);
    ASSERT_EQ(target->engine_hit_rate, 60) << "armour above 200";
    ship_apply_damage(target, nullptr, 300, target->x + engine->mount_x, target->y + engine->mount_y, 0);
    EXPECT_EQ(engine->max_integrity - engine->integrity, 180) << "60 of every 100 points go through";
}

class ShipCrew : public ShipDamage {
protected:
    void SetUp() override {
        ShipDamage::SetUp();
        target->base_max_crew = 100000;
        target->base_max_armour = 1000;
        ship_recompute_stats(target);
        ship_repair_and_reload(target);
        target->crew = target->max_crew;
        set_shields(0, 0, 0, 0);
    }
    // The crew lost to a hit of `amount` that leaves the armour at `percent_after`.
    int32_t loss(int32_t amount, int32_t percent_after, int32_t kind = 0) {
        target->armour = target->max_armour * percent_after / 100 + amount;
        target->crew = target->max_crew;
        hit(amount, 180, kind);
        EXPECT_EQ(target->armour, target->max_armour * percent_after / 100);
        return target->max_crew - target->crew;
    }
};

TEST_F(ShipCrew, TheLossFollowsTheArmourLeftTheKindAndTheShelter) {
    const struct Case {
        int32_t percent, kind, lo, hi, rounds, min_hits, max_hits;
    } cases[] = {
        {90, 0, 0, 0, 50, 0, 0},                    // above 80%: everyone is kept
        {50, 0, 58, 96, 50, 50, 50},                // lo = 10 x 29 / 5, hi = lo x 5 / 3, every time
        {70, 0, 35, 52, 400, 41, 129},              // a 21% chance
        {90, DAMAGE_HEAVY_CREW, 0, 0, 20, 0, 0},    // a 40% chance, but both bounds are 0
        {50, DAMAGE_HEAVY_CREW, 116, 192, 20, 20, 20},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.percent) + "% kind " + std::to_string(c.kind));
        int32_t hits = 0;
        for (int32_t i = 0; i < c.rounds; ++i) {
            const int32_t n = loss(10, c.percent, c.kind);
            if (n == 0) continue;
            ++hits;
            EXPECT_GE(n, c.lo);
            EXPECT_LE(n, c.hi);
        }
        EXPECT_GE(hits, c.min_hits);
        EXPECT_LE(hits, c.max_hits);
    }
    System *shelter = fit(target, LANCER_FORE, SYSTEM_TYPE_CREW_SHELTER);
    ASSERT_NE(shelter, nullptr);
    for (System *s : {shelter, shield}) s->max_integrity = s->integrity = 100000;   // the hits wear the mounts
    ship_recompute_stats(target);
    for (int i = 0; i < 20; ++i) {
        const int32_t n = loss(10, 50);
        EXPECT_GE(n, 58 / 4);
        EXPECT_LE(n, 96 / 4);
    }
}

// ---- Destruction ----

// A player's battle statistics: damage dealt, enemies destroyed (counter), ships destroyed, their mass.
std::vector<int64_t> credits(const Player *p) {
    return {p->game_counters[COUNTER_DAMAGE_DEALT], p->game_counters[COUNTER_ENEMIES_DESTROYED],
            p->enemy_ships_destroyed, int64_t(p->enemy_mass_destroyed)};
}

TEST_F(ShipDamage, DestructionCreditsTheShootersSideAndCountsOnTheMap) {
    const Player *red = game_find_player(game, RED), *blue = game_find_player(game, BLUE);
    ASSERT_TRUE(red && blue);
    Ship *shooter = on_map(HULL_LANCER, 600, 800, 0, RED);
    Officer *ace = officer_create();
    ship_set_pilot(shooter, ace);
    set_shields(0, 0, 0, 0);
    const int32_t armour = target->armour;
    hit(armour, 180, 0, shooter);
    EXPECT_EQ(target->armour, 0);
    EXPECT_TRUE(target->flags & OBJ_DEAD) << "quiet: dead at once";
    EXPECT_EQ(map->destroyed_count, 1);
    EXPECT_EQ(ace->kills, 1);
    EXPECT_EQ(credits(red), (std::vector<int64_t>{armour, 1, 1, target->mass}));
    EXPECT_EQ(credits(blue), (std::vector<int64_t>{0, 0, 0, 0})) << "the target's side is credited nothing";
}

TEST_F(ShipDamage, ADestroyedPilotEscapesByTheChance) {
    Officer *pilot = officer_create();
    ship_set_pilot(target, pilot);
    set_shields(0, 0, 0, 0);
    target->escape_chance = 100;
    hit(100000, 180);
    EXPECT_TRUE(target->ship_flags & SHIP_FLAG_POD_ESCAPED) << "no shooter: it still dies and may escape";
    EXPECT_TRUE(target->flags & OBJ_DEAD);

    Ship *second = on_map(HULL_LANCER, 1400, 800, 0, BLUE);
    ship_set_pilot(second, officer_create());
    second->escape_chance = 0;
    ship_apply_damage(second, nullptr, 100000, second->x, second->y, 0);
    EXPECT_FALSE(second->ship_flags & SHIP_FLAG_POD_ESCAPED);

    Ship *unpiloted = on_map(HULL_LANCER, 1400, 1200, 0, BLUE);
    unpiloted->escape_chance = 100;
    ship_apply_damage(unpiloted, nullptr, 100000, unpiloted->x, unpiloted->y, 0);
    EXPECT_FALSE(unpiloted->ship_flags & SHIP_FLAG_POD_ESCAPED) << "nobody to escape";
}

TEST_F(ShipDamage, OnScreenDestructionPlaysItsAnimationBeforeTheShipGoes) {
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
    set_shields(0, 0, 0, 0);
    target->death_duration = 1000;
    ship_apply_damage(target, nullptr, 100000, target->x, target->y, 0);
    EXPECT_TRUE(target->flags & OBJ_DYING);
    EXPECT_FALSE(target->flags & OBJ_DEAD);
    EXPECT_EQ(target->death_ms, 1000);
    EXPECT_GE(list_count(&map->new_effects), 11) << "10..20 small explosions and the large one";
    EXPECT_GE(map->hold_ms, 1400);
}

// A restore mends the engine, so the maxima rise: the points rise with them, as a load of the saved
// ship would set them, or a save made after the repair would not load as it was.
TEST_F(ShipDamage, ARestoredShipHasTheFullPointsOfItsMendedSystems) {
    System *engine = fit(target, LANCER_ENGINE, SYSTEM_TYPE_ENGINE);
    ASSERT_NE(engine, nullptr);
    engine->status |= SYSTEM_STATUS_DAMAGED;   // half the thrust
    ship_recompute_stats(target);
    target->ap = target->max_ap;
    target->mp = target->max_mp;
    const int32_t crippled_mp = target->mp;
    ship_repair_and_reload(target);
    EXPECT_GT(target->max_mp, crippled_mp) << "the mended engine gives its whole thrust";
    EXPECT_EQ(target->mp, target->max_mp);
    EXPECT_EQ(target->ap, target->max_ap);
}

// ---- Shield colours, repair ----

TEST(ShipShieldColours, TheBandNarrowsAsTheShieldFallsAndAnEmptyShieldIsDarkBlue) {
    Ship ship;
    int32_t last = 6;
    for (int32_t v : {250, 210, 200, 180, 150, 140, 139, 40, 1, 0, -5}) {
        ship.shields[2] = v;
        uint8_t r = 0, g = 0, b = 0;
        int32_t w = 0;
        ship_color_for_level(&ship, 2, &r, &g, &b, &w);
        EXPECT_LE(w, last) << v;
        EXPECT_EQ(w == 6, v >= 210) << v;
        EXPECT_EQ(w == 1, v <= 1) << v;
        last = w;
        EXPECT_EQ(std::vector<int>({r, g, b}) == std::vector<int>({0, 0, 125}), v <= 0) << v;
    }
}

class ShipRepair : public ShipTest {};

TEST_F(ShipRepair, ThePriceOfArmourSystemsAndRounds) {
    Ship *ship = make_ship({{0, 0, MOUNT_SYSTEM, 0}, {10, 0, MOUNT_SYSTEM, 0}}, 1000);
    owned.push_back(ship);
    System *broken = make_system(SYSTEM_TYPE_SENSOR, 0, 1, 10, 1);
    System *launcher = make_system(SYSTEM_TYPE_MISSILE, SYSTEM_FLAG_ROUNDS, 1, 10, 900);
    ASSERT_EQ(ship_set_crit_system(ship, 0, broken), RES_OK);
    ASSERT_EQ(ship_set_crit_system(ship, 1, launcher), RES_OK);
    ship_repair_and_reload(ship);
    EXPECT_EQ(ship_repair_cost(ship), 0);
    EXPECT_EQ(ship_needs_repair(ship), 0);
    EXPECT_EQ(ship_needs_reload(ship), 0);

    ship->armour = ship->max_armour - 5;
    broken->status |= SYSTEM_STATUS_OFFLINE;
    broken->integrity = 0;
    launcher->rounds_per_reload = 6;
    launcher->rounds = 4;
    launcher->round_price = 15;
    EXPECT_EQ(ship_repair_cost(ship), 50 + 1 + 30);
    EXPECT_EQ(ship_needs_repair(ship), 1);

    ship->armour = ship->max_armour;
    broken->status = 0;
    broken->integrity = broken->max_integrity;
    EXPECT_EQ(ship_needs_repair(ship), 0);
    EXPECT_EQ(ship_needs_reload(ship), 1) << "only the rounds are short: a reload";

    // A damaged system costs half its price; a worn one an eighth of its remaining share.
    launcher->rounds = 6;
    launcher->status = SYSTEM_STATUS_DAMAGED;
    EXPECT_EQ(ship_repair_cost(ship), 450);
    launcher->status = 0;
    launcher->integrity = launcher->max_integrity / 2;
    EXPECT_EQ(ship_repair_cost(ship), 900 / 2 / 8);

    ship_repair_and_reload(ship);
    EXPECT_EQ(launcher->integrity, launcher->max_integrity);
    EXPECT_EQ(launcher->rounds, 6);
    EXPECT_EQ(ship->armour, ship->max_armour);
    EXPECT_EQ(ship_repair_cost(ship), 0);
}

}  // namespace
}  // namespace shiptest
