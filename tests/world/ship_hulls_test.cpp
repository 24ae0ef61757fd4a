// The statistics of the nine store hulls fitted from the store, against figures worked out by hand
// from the hull files and the rules: each hull carries an Ion Drive (thrust 9000, 40 TW, 200 KT) on
// its engine mount, a Deflector (strength 20, 50 KT) on its first system mount and Alloy Plating
// (+60 armour, 200 KT) on its first armour mount, where it has them.
#include "combat_test_util.h"

using namespace shiptest;

namespace {

struct HullFigures {
    int32_t hull;
    int32_t mass, max_mp, max_ap, turn_cost, max_armour, initiative_rate, engine_hit_rate;
};

// Unpiloted. mass = hull + fitted; MP = 9000 / mass (at least 2, 0 immobile); AP = 40 / 5 (12 for
// the fixed-AP sentinel); turn = 5 + mass / 1250; initiative 10, 15 for the quick drone hulls.
const HullFigures UNPILOTED[] = {
    {HULL_ARK_DRONE,    700 + 250,  9000 / 950,  8,  5, 50,        15, 100},
    {HULL_ARK_CARRIER, 3200 + 450,  2,           8,  7, 380 + 60,  15, 60},
    {HULL_SKIFF,        500 + 250,  12,          8,  5, 60,        10, 100},
    {HULL_LANCER,      1100 + 450,  5,           8,  6, 140 + 60,  10, 80},
    {HULL_SENTINEL,    1500 + 250,  0,           12, 6, 220 + 60,  10, 60},
    {HULL_CORSAIR,      900 + 450,  6,           8,  6, 110 + 60,  10, 80},
    {HULL_HARRIER,     1600 + 450,  4,           8,  6, 220 + 60,  10, 60},
    {HULL_PALADIN,     2300 + 450,  3,           8,  7, 320 + 60,  10, 60},
    {HULL_LEVIATHAN,   3400 + 450,  2,           8,  8, 480 + 60,  10, 60},
};

// With a rank 3 pilot of Command 1, Navigation 2 and Engineering 1, and a full crew: AP + 2 +
// crew / 200 + 3; thrust x 116%; turn - 2; evasion + 24; initiative 2 x 3 + 10.
const HullFigures PILOTED[] = {
    {HULL_SKIFF,      750,  10440 / 750,  13, 3, 60,  16, 100},
    {HULL_LANCER,     1550, 10440 / 1550, 13, 4, 200, 16, 80},
    {HULL_CORSAIR,    1350, 10440 / 1350, 13, 4, 170, 16, 80},
    {HULL_HARRIER,    2050, 10440 / 2050, 13, 4, 280, 16, 60},
    {HULL_PALADIN,    2750, 10440 / 2750, 14, 5, 380, 16, 60},
    {HULL_LEVIATHAN,  3850, 2,            15, 6, 540, 16, 60},
};

class Hulls : public CombatMapTest {
protected:
    Ship *fitted(int32_t t) {
        Ship *s = hull(t);
        bool engine = false, shield = false, armour = false;
        for (int32_t i = 0; i < s->crit_count; ++i) {
            const int32_t mount = s->crits[i].mount_type;
            if (mount == MOUNT_ENGINE && !engine) engine = fit(s, i, SYSTEM_TYPE_ENGINE, 0) != nullptr;
            else if (mount == MOUNT_SYSTEM && !shield) shield = fit(s, i, SYSTEM_TYPE_SHIELD, 0) != nullptr;
            else if (mount == MOUNT_ARMOUR && !armour) armour = fit(s, i, SYSTEM_TYPE_ARMOUR, 0) != nullptr;
        }
        return s;
    }
    static void expect(const Ship *s, const HullFigures &f) {
        SCOPED_TRACE(s->name);
        EXPECT_EQ(s->mass, f.mass);
        EXPECT_EQ(s->max_mp, f.max_mp);
        EXPECT_EQ(s->max_ap, f.max_ap);
        EXPECT_EQ(s->turn_cost, f.turn_cost);
        EXPECT_EQ(s->max_armour, f.max_armour);
        EXPECT_EQ(s->initiative_rate, f.initiative_rate);
        EXPECT_EQ(s->engine_hit_rate, f.engine_hit_rate);
        EXPECT_EQ(s->shield_max, 20);
    }
};

TEST_F(Hulls, NineHullsFittedFromTheStoreGiveTheFiguresWorkedOutByHand) {
    for (const HullFigures &f : UNPILOTED) expect(fitted(f.hull), f);
}

TEST_F(Hulls, APilotRaisesApThrustEvasionAndInitiativeAndCutsTheTurnCost) {
    for (const HullFigures &f : PILOTED) {
        Ship *s = fitted(f.hull);
        Officer *o = officer_create();
        o->rank = 3;
        o->skills[SKILL_COMMAND] = 1;
        o->skills[SKILL_NAVIGATION] = 2;
        o->skills[SKILL_ENGINEERING] = 1;
        ship_set_pilot(s, o);
        ship_set_crew(s, s->max_crew);
        expect(s, f);
        EXPECT_EQ(s->evasion, 24);
        EXPECT_EQ(s->thrust, 10440);
        EXPECT_EQ(s->ap, f.max_ap - (s->crew / 200)) << "boarding refills to the maximum of that moment";
        ship_set_pilot(s, nullptr);
        EXPECT_EQ(s->evasion, 0) << "the bonuses leave with the pilot";
        EXPECT_EQ(s->max_ap, 8);
    }
}

TEST_F(Hulls, PilotlessHullsRefuseAPilot) {
    for (int32_t t : {HULL_ARK_DRONE, HULL_ARK_CARRIER, HULL_SENTINEL}) {
        Ship *s = fitted(t);
        Officer *o = officer_create();
        officer_retain(o);
        ship_set_pilot(s, o);
        EXPECT_EQ(s->pilot, nullptr) << t;
        officer_release(o);
    }
}

}  // namespace
