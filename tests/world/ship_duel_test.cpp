// A scripted duel on a combat map: two store hulls with store systems are ordered through their
// turns. Costs and codes of move, turn and scan; a whole turn with its points and initiative; the
// boosts and what ends them; the to-hit slot with the pilot's and the ship's bonuses; retreat and
// the jump check; the encounter begin and the state reset with the pilot's battle experience.
#include "combat_test_util.h"

#include "game/encounter.h"
#include "game/game.h"

using namespace shiptest;

namespace {

class Duel : public CombatMapTest {
protected:
    Ship *red = nullptr, *blue = nullptr;
    System *red_beam = nullptr;
    void SetUp() override {
        CombatMapTest::SetUp();
        red = on_map(HULL_LANCER, 1000, 1000, 0, RED);
        red_beam = fit(red, LANCER_FORE, SYSTEM_TYPE_BEAM, 0);
        fit(red, LANCER_PORT, SYSTEM_TYPE_SHIELD, 0);
        fit(red, LANCER_ENGINE, SYSTEM_TYPE_ENGINE, 0);
        blue = on_map(HULL_CORSAIR, 1300, 1000, 180, BLUE);
        fit(blue, 0, SYSTEM_TYPE_BEAM, 0);
        fit(blue, 3, SYSTEM_TYPE_ENGINE, 0);
        object_begin_encounter(red);
        object_begin_encounter(blue);
    }
    Officer *pilot(Ship *s, int32_t rank, std::initializer_list<std::pair<int, int>> skills) {
        Officer *o = officer_create();
        o->rank = rank;
        o->name = "Vega";
        for (auto [skill, level] : skills) o->skills[skill] = level;
        ship_set_pilot(s, o);
        return o;
    }
};

TEST_F(Duel, MovesCostATenthOfTheirLengthRoundedUpAndAreRefusedInOrder) {
    red->mp = 10;
    struct Case {
        int32_t dx, dy;
        Result code;
        int32_t cost;
    } cases[] = {
        {95, 0, RES_OK, 10}, {90, 0, RES_OK, 9}, {0, 0, RES_OK, 1}, {1, 0, RES_OK, 1},
        {101, 0, RES_TARGET_OUT_OF_RANGE, 0},       // beyond 10 MP
        {50, 50, RES_OUTSIDE_ARC, 0},               // 45 degrees off a 30 degree arc
        {70, 18, RES_OK, 8},                        // 14 degrees off: inside
    };
    for (const Case &c : cases) {
        int32_t cost = -1;
        EXPECT_EQ(object_move_cost(red, red->x + c.dx, red->y + c.dy, &cost), c.code) << c.dx << "," << c.dy;
        if (c.code == RES_OK) {
            EXPECT_EQ(cost, c.cost) << c.dx << "," << c.dy;
        }
    }
    // Onto the other ship: occupied.
    EXPECT_EQ(object_move_cost(red, blue->x - 40, blue->y, nullptr), RES_TARGET_OUT_OF_RANGE);
    red->mp = 64;
    EXPECT_EQ(object_move_cost(red, blue->x - 20, blue->y, nullptr), RES_BLOCKED);
    red->hull_flags |= HULL_FLAG_IMMOBILE;
    EXPECT_EQ(object_move_cost(red, red->x + 5, red->y, nullptr), RES_TARGET_OUT_OF_RANGE);
    red->hull_flags &= ~HULL_FLAG_IMMOBILE;

    // A move spends its points, shows its line and sets the ship travelling.
    red->mp = 6;
    const int32_t lines = list_count(&map->timed_lines);
    ASSERT_EQ(ship_move(red, red->x + 45, red->y, 1), RES_OK);
    EXPECT_EQ(red->mp, 1);
    EXPECT_TRUE(red->flags & OBJ_TRAVELLING);
    EXPECT_EQ(list_count(&map->timed_lines), lines + 1);
    EXPECT_EQ(ship_move(red, red->x + 20, red->y, 1), RES_TARGET_OUT_OF_RANGE);
    EXPECT_EQ(red->mp, 1);
}

TEST_F(Duel, TurnsCostTheTurnApAndAreRefusedWhenShortFixedOrBlocked) {
    const int32_t ap = red->ap;
    ASSERT_EQ(ship_turn(red, 450), RES_OK);
    EXPECT_EQ(red->ap, ap - red->turn_cost);
    EXPECT_TRUE(red->flags & OBJ_ROTATING);
    EXPECT_EQ(red->target_heading, 90);
    red->ap = red->turn_cost - 1;
    EXPECT_EQ(ship_can_turn(red), 0);
    EXPECT_EQ(ship_turn(red, 180), RES_NO_ACTION_POINTS);
    red->ap = red->max_ap;
    EXPECT_EQ(ship_can_turn(red), 1);
    red->hull_flags |= HULL_FLAG_NO_TURN;
    EXPECT_EQ(ship_can_turn(red), 0);
    EXPECT_EQ(ship_turn(red, 180), RES_UNSUPPORTED);
    red->hull_flags &= ~HULL_FLAG_NO_TURN;

    EXPECT_EQ(ship_turn_is_blocked(hull(HULL_LEVIATHAN), 90), 0) << "a ship on no map";
    // A ship lying just above: the turned hull would reach into it.
    object_finish_rotation(red);
    object_set_heading(red, 0);
    // Slide a big hull down towards the Lancer until it would touch the turned hull but not
    // the hull as it lies.
    Ship *above = on_map(HULL_LEVIATHAN, red->x - 40, red->y - 300, 0, BLUE);
    bool found = false;
    for (int32_t y = red->y - 300; y < red->y && !found; ++y) {
        above->y = y;
        if (ship_turn_is_blocked(red, 0)) break;
        found = ship_turn_is_blocked(red, 90) != 0;
    }
    ASSERT_TRUE(found);
    ASSERT_EQ(ship_turn_is_blocked(red, 0), 0) << "it does not touch the ship as it lies";
    EXPECT_EQ(ship_turn(red, 90), RES_BLOCKED);
    EXPECT_EQ(red->ap, red->max_ap) << "a blocked turn costs nothing";
    red->hull_flags |= HULL_FLAG_TURN_UNBLOCKED;
    EXPECT_EQ(ship_turn(red, 90), RES_OK);
}

TEST_F(Duel, AScanHoldsItsTargetTeachesTheOwnerAndLeavesTheCostToTheCaller) {
    EXPECT_EQ(ship_scan(red, nullptr), RES_OUT_OF_RANGE);
    EXPECT_EQ(ship_check_scan_target(red, red), RES_OUT_OF_RANGE);
    const int32_t ap = red->ap, refs = blue->refcount;
    ASSERT_EQ(ship_scan(red, blue), RES_OK);
    EXPECT_EQ(red->ap, ap);
    EXPECT_EQ(red->scan_target, blue);
    EXPECT_EQ(blue->refcount, refs + 1);
    const Player *owner = game_find_player(game, RED);
    ASSERT_EQ(list_count(&owner->known), 1);
    EXPECT_EQ(list_get(&owner->known, 0)->id, blue->id);
    EXPECT_TRUE(player_knows_object(owner, blue->id));
    ship_add_ap(red, -red->scan_cost);
    EXPECT_EQ(red->ap, ap - red->scan_cost);

    Ship *far = on_map(HULL_SKIFF, 1000 + red->scan_range + 300, 1000, 0, BLUE);
    EXPECT_EQ(ship_scan(red, far), RES_TARGET_OUT_OF_RANGE);
    red->ap = red->scan_cost - 1;
    EXPECT_EQ(ship_scan(red, blue), RES_NO_ACTION_POINTS);
    ship_clear_scan_target(red);
    EXPECT_EQ(red->scan_target, nullptr);
    EXPECT_EQ(blue->refcount, refs);
    ship_add_ap(red, -100);
    EXPECT_EQ(red->ap, 0);
    ship_add_ap(red, 100);
    EXPECT_EQ(red->ap, red->max_ap);
}

TEST_F(Duel, AnEncounterAndEachTurnRefillThePointsAndLeftoverPointsBuyInitiative) {
    // The encounter began with full points and shields.
    EXPECT_EQ(red->ap, red->max_ap);
    EXPECT_EQ(red->mp, red->max_mp);
    for (int32_t f = 0; f < SHIP_FACINGS; ++f) EXPECT_EQ(red->shields[f], 20) << f;
    // Begin: carried points go to both pools once.
    red->ap_carry = 2;
    object_begin_turn(red);
    EXPECT_EQ(red->ap, red->max_ap + 2);
    EXPECT_EQ(red->mp, red->max_mp + 2);
    EXPECT_EQ(red->ap_carry, 0);
    red->ap_carry = -100;
    object_begin_turn(red);
    EXPECT_EQ(red->ap, 0);
    EXPECT_EQ(red->mp, 0);

    // End: full AP (833), AP within 5 (833), MP within 5 (833), not full MP.
    red->max_ap = 6;
    red->ap = 6;
    red->max_mp = 8;
    red->mp = 3;
    red->initiative = 500;
    const int32_t taken = red->turns_taken;
    object_end_turn(red);
    EXPECT_EQ(red->initiative, 2499);
    EXPECT_TRUE(red->flags & OBJ_TURN_DONE);
    EXPECT_EQ(red->turns_taken, taken + 1);
    red->ap = red->mp = 0;
    red->max_ap = red->max_mp = 5;   // "within 5" needs a maximum above 5
    object_end_turn(red);
    EXPECT_EQ(red->initiative, 0);

    // A recharging system counts down at each turn begin, not while offline.
    System *gun = ship_get_crit_system(red, LANCER_FORE);
    gun->flags |= SYSTEM_FLAG_RECHARGES;
    gun->recharge_left = 2;
    object_begin_turn(red);
    EXPECT_EQ(gun->recharge_left, 1);
    gun->status |= SYSTEM_STATUS_OFFLINE;
    object_begin_turn(red);
    EXPECT_EQ(gun->recharge_left, 1);
}

TEST_F(Duel, TheToHitSlotAddsThePilotAndTheBoostedDamage) {
    System *flak = fit(red, LANCER_STARBOARD, SYSTEM_TYPE_POINT_DEFENCE);
    ASSERT_NE(flak, nullptr);
    int32_t damage = 0, effect = 0;
    // Point defence: a sure estimate, no weapon bonuses.
    EXPECT_EQ(ship_hit_chance(red, LANCER_STARBOARD, red->x, red->y, 0, blue, 0, &damage, &effect), 130);
    EXPECT_EQ(damage, flak->value);
    EXPECT_EQ(ship_hit_chance(red, LANCER_ARMOUR, red->x, red->y, 0, blue, 0, &damage, &effect), RES_BAD_MOUNT);

    // Taken as a weapon, with a marksman aboard and a 50% boost running.
    flak->flags |= SYSTEM_FLAG_DIRECT_FIRE;
    pilot(red, 3, {{SKILL_MARKSMANSHIP, 2}});
    red->damage_boost = 50;
    red->damage_boost_turns = 3;
    EXPECT_EQ(ship_hit_chance(red, LANCER_STARBOARD, red->x, red->y, 0, blue, 0, &damage, &effect), 130 + 3 + 20);
    EXPECT_EQ(damage, (flak->value + 6) * 150 / 100);
    EXPECT_EQ(object_hit_chance_here(red, LANCER_STARBOARD, blue, 0, &damage, &effect), 100) << "clamped";
    flak->flags |= SYSTEM_FLAG_NO_PILOT_BONUS;
    EXPECT_EQ(ship_hit_chance(red, LANCER_STARBOARD, red->x, red->y, 0, blue, 0, &damage, &effect), 130);

    // The boost ages with the turns, and a weapon use spends it at once.
    object_begin_turn(red);
    EXPECT_EQ(red->damage_boost_turns, 2);
    EXPECT_EQ(red->damage_boost, 50);
    red->ap = red->max_ap;
    object_set_position(blue, red->x + 150, red->y);
    ASSERT_EQ(ship_check_weapon_target(red, LANCER_FORE, blue), RES_OK);
    ASSERT_EQ(ship_use_system(red, LANCER_FORE, blue, 0, 0, nullptr), RES_OK);
    EXPECT_EQ(red->damage_boost, 0);
    EXPECT_EQ(red->damage_boost_turns, 0);
    EXPECT_EQ(red->ap, red->max_ap - red_beam->ap_cost);
}

TEST_F(Duel, ARetreatTakesItsTurnsAndTheShipLeavesAtTheTurnBeginAfterTheCountdown) {
    Officer *o = pilot(red, 2, {});
    // The galaxy, where a sector of the owner's is the place to jump to.
    ObjectMap *galaxy = map_create();
    ASSERT_NE(galaxy, nullptr);
    SlotGuard<ObjectMap *> galaxy_back;
    galaxy_back.replace(game->galaxy_map, galaxy);
    Result code = RES_OK;
    EXPECT_EQ(ship_can_jump(red, &code), 0);
    EXPECT_EQ(code, RES_NO_JUMP_PLACE);
    GameObject *home = object_create_blank(OBJECT_SECTOR);
    home->w = home->h = 20;
    home->owner_id = BLUE;
    map_place_object(galaxy, home, 100, 100, 1);
    map_add_pending_objects(galaxy);
    EXPECT_EQ(ship_can_jump(red, &code), 0) << "another owner's sector is no place";
    EXPECT_EQ(code, RES_NO_JUMP_PLACE);
    home->owner_id = RED;
    EXPECT_EQ(ship_can_jump(red, &code), 1);
    red->ap -= 1;
    EXPECT_EQ(ship_can_jump(red, &code), 0);
    EXPECT_EQ(code, RES_NO_ACTION_POINTS);
    red->ap = red->max_ap;

    ship_begin_retreat(red);
    EXPECT_TRUE(red->ship_flags & SHIP_FLAG_RETREATING);
    EXPECT_EQ(red->retreat_countdown, 3);
    EXPECT_EQ(red->ap, 0);
    EXPECT_EQ(red->mp, 0);
    EXPECT_EQ(ship_can_jump(red, &code), 0);
    EXPECT_EQ(code, RES_RETREATING);
    for (int turn = 0; turn < 3; ++turn) {
        object_begin_turn(red);
        EXPECT_FALSE(red->flags & OBJ_LEFT_MAP) << turn;
        EXPECT_EQ(red->mp, 0);
        EXPECT_EQ(red->ap, red->max_ap / 2);
        object_end_turn(red);
        EXPECT_EQ(red->initiative, 0) << "a retreating ship buys no initiative";
        ship_retreat_step(red);
    }
    EXPECT_EQ(red->retreat_countdown, 0);
    const int32_t effects = list_count(&map->new_effects);
    object_begin_turn(red);
    EXPECT_TRUE(red->flags & OBJ_LEFT_MAP);
    EXPECT_EQ(list_count(&map->new_effects), effects + 2) << "the portal and the ship drawn into it";
    EXPECT_TRUE(red->ship_flags & SHIP_FLAG_RETREATED);
    EXPECT_EQ(o->escapes, 1);

    Ship *sentinel = on_map(HULL_SENTINEL, 2000, 2000, 0, BLUE);
    object_begin_encounter(sentinel);
    EXPECT_EQ(ship_can_jump(sentinel, &code), 0);
    EXPECT_EQ(code, RES_CANNOT_JUMP);
    galaxy_back.restore();
    map_free(galaxy);
}

TEST_F(Duel, AfterTheBattleThePilotIsCreditedForEnemiesDestroyedAndEverythingRefills) {
    Officer *o = pilot(red, 1, {});
    o->owner_id = RED;
    o->experience = 100;
    Ship *drone = on_map(HULL_ARK_DRONE, 2000, 1500, 0, BLUE);
    drone->ship_flags |= SHIP_FLAG_DRONE;
    Ship *own = on_map(HULL_SKIFF, 2000, 1800, 0, RED);
    for (Ship *s : {blue, drone, own}) s->flags |= OBJ_DEAD;
    // The game's current battle, of kind 1, in which the owner still fights.
    Encounter *battle = encounter_create();
    ASSERT_NE(battle, nullptr);
    encounter_retain(battle);
    battle->kind = 1;
    for (Ship *s : {red, blue, drone, own}) encounter_add_object(battle, s);
    SlotGuard<Encounter *> battle_back;
    battle_back.replace(game->current_encounter, battle);
    red->ap = 0;
    red->shields[2] = 1;
    red->ship_flags |= SHIP_FLAG_RETREATING | SHIP_FLAG_SURVEY | SHIP_FLAG_FIELD_REPAIR;
    red_beam->flags |= SYSTEM_FLAG_RECHARGES;
    red_beam->recharge_left = 3;
    object_reset_state(red);
    const int32_t kill = 9 * (blue->all_load_a + blue->all_load_b) + 300 + blue->max_armour;
    EXPECT_EQ(o->experience, 100 + kill + 250 + 1000);
    EXPECT_EQ(o->battles, 1);
    EXPECT_EQ(red->ap, red->max_ap);
    EXPECT_EQ(red->shields[2], red->shield_max);
    EXPECT_EQ(red_beam->recharge_left, 0);
    EXPECT_FALSE(red->ship_flags & (SHIP_FLAG_RETREATING | SHIP_FLAG_SURVEY | SHIP_FLAG_FIELD_REPAIR));

    // A battle the owner no longer fights in (none of its ships is left in it) credits nothing but
    // still counts.
    Encounter *left = encounter_create();
    ASSERT_NE(left, nullptr);
    encounter_retain(left);
    left->kind = 1;
    for (Ship *s : {blue, drone}) encounter_add_object(left, s);
    ASSERT_NE(encounter_get_side_result(left, RED), ENCOUNTER_RESULT_FIGHTING);
    game->current_encounter = left;
    const int32_t xp = o->experience;
    object_reset_state(red);
    EXPECT_EQ(o->experience, xp);
    EXPECT_EQ(o->battles, 2);
    // Nor does a game without a current battle.
    battle_back.restore();
    object_reset_state(red);
    EXPECT_EQ(o->experience, xp);
    EXPECT_EQ(o->battles, 3);
    for (Ship *s : {blue, drone, own}) s->flags &= ~OBJ_DEAD;
    for (Encounter *e : {battle, left}) {
        encounter_release_objects(e);
        encounter_release(e);
    }
}

}  // namespace
