// The nine hulls as the build generates them into store.dat, loaded by the ship factory, with the
// systems the other rules fit to them; and their statistics fitted from the store against figures
// worked out by hand from the hull files and the rules: each hull carries an Ion Drive (thrust 9000,
// 40 TW, 200 KT) on its engine mount, a Deflector (strength 20, 50 KT) on its first system mount and
// Alloy Plating (+60 armour, 200 KT) on its first armour mount, where it has them.
#include "combat_test_util.h"

#include "platform/sprite.h"

using namespace shiptest;

namespace {

constexpr int32_t ROTATIONS = 36;
constexpr int32_t FRAMES = 49;

class GeneratedHulls : public CombatMapTest {
protected:
    static Ship *tmpl(int32_t t) { return ship_of(factory_get_template(OBJECT_SHIP, t)); }
    // The best (last) subtype of a type, or the plain template for a type without subtypes.
    System *best(int32_t type) {
        const int32_t n = system_subtype_count(type);
        return sub(type, n > 0 ? n - 1 : -1);
    }
    System *sub(int32_t type, int32_t subtype) {
        System *s = subtype < 0 ? system_create(type) : system_create_subtype(type, subtype);
        EXPECT_NE(s, nullptr) << type << ":" << subtype;
        return s;
    }
    // Fits each system to the first empty crit that takes it, as a design is filled.
    void fit_all(Ship *s, const std::vector<System *> &systems) {
        for (System *sys : systems) {
            if (!sys) continue;
            Result last = RES_OUT_OF_RANGE;
            for (int32_t i = 0; i < s->crit_count && last != RES_OK; ++i)
                if (!s->crits[i].system) last = ship_set_crit_system(s, i, sys);
            EXPECT_EQ(last, RES_OK) << s->name << ": " << sys->name;
            if (last != RES_OK) spare.push_back(sys);
        }
    }
};

TEST_F(GeneratedHulls, NineNamedHullsWithTheirDescriptions) {
    const char *names[] = {"ARK Drone", "ARK Carrier", "Skiff", "Lancer", "Sentinel",
                           "Corsair",   "Harrier",     "Paladin", "Leviathan"};
    for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t) {
        ASSERT_NE(tmpl(t), nullptr);
        EXPECT_EQ(tmpl(t)->name, names[t]);
        EXPECT_TRUE(tmpl(t)->ship_flags & SHIP_FLAG_TEMPLATE);
        std::string desc;
        ASSERT_EQ(ship_load_description(t, &desc), RES_OK) << t;
        EXPECT_GT(desc.size(), 60u) << t;
    }
    std::string none;
    EXPECT_NE(ship_load_description(9, &none), RES_OK);
    Ship *tenth = ship({});
    tenth->subtype = 9;
    EXPECT_EQ(factory_load_group(tenth, FACTORY_GROUP_PARAMS), RES_OPEN_FAILED) << "no parameter file in the store";
}

TEST_F(GeneratedHulls, EveryFrameIsLoadedAndTheRangesAreThoseOfTheParameterFile) {
    for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t) {
        const Ship *h = tmpl(t);
        ASSERT_EQ(h->frame_count, FRAMES) << t;
        EXPECT_EQ(std::vector<int32_t>({h->rot_first, h->rot_last, h->icon_frame, h->design_frame, h->picture_frame,
                                        h->alt_first, h->alt_last}),
                  std::vector<int32_t>({0, ROTATIONS - 1, 36, 37, 38, 39, 46}))
            << t;
        EXPECT_TRUE(h->hull_flags & HULL_FLAG_ROTATING);
        for (int32_t f = 0; f < FRAMES; ++f) {
            ASSERT_NE(h->frames[f], nullptr) << t << ":" << f;
            EXPECT_EQ(h->frames[f]->width, h->frame_w[f]);
        }
        // The icon and the design frame carry outline and angle maps, the rotation frames angle maps.
        EXPECT_TRUE(h->frames[36]->flags & SPRITE_FLAG_OUTLINE_MAP) << t;
        EXPECT_TRUE(h->frames[37]->flags & SPRITE_FLAG_ANGLE_MAP) << t;
        EXPECT_FALSE(h->frames[38]->flags & SPRITE_FLAG_OUTLINE_MAP) << t;
        EXPECT_TRUE(h->frames[0]->flags & SPRITE_FLAG_ANGLE_MAP) << t;
        // All rotation frames share one size, so the hull turns about a fixed centre.
        for (int32_t f = 1; f < ROTATIONS; ++f) EXPECT_EQ(h->frame_w[f], h->frame_w[0]) << t << ":" << f;
        EXPECT_EQ(h->frame_w[0], h->frame_h[0]);
        ASSERT_NE(h->centre_x, nullptr);
        EXPECT_EQ((*h->centre_x)[17], h->frame_w[0] / 2);
        EXPECT_EQ(h->frame_w[37] % h->frame_w[0], 0) << "the design view is frame 0 enlarged";
        EXPECT_EQ(h->frame_w[36], 40);
        EXPECT_GT(h->death_duration, 0);
        EXPECT_GE(h->roll_max, h->roll_min);
    }
    // A ship made from a template starts on frame 0 and shows the template's icon and picture.
    Ship *s = hull(HULL_LANCER);
    EXPECT_EQ(s->frame, 0);
    EXPECT_EQ(s->w, tmpl(HULL_LANCER)->frame_w[0]);
    EXPECT_EQ(object_get_icon(s), 36);
    EXPECT_EQ(object_get_picture(s), 38);
}

TEST_F(GeneratedHulls, EveryMountSitsOnTheHullInEveryRotationFrame) {
    for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t) {
        const Ship *h = tmpl(t);
        for (int32_t i = 0; i < h->crit_count; ++i) {
            const Crit &c = h->crits[i];
            ASSERT_EQ(c.position_count, ROTATIONS) << t << ":" << i;
            EXPECT_EQ((*c.frame_x)[0], c.x);
            EXPECT_EQ((*c.frame_y)[0], c.y);
            for (int32_t f = 0; f < ROTATIONS; ++f)
                EXPECT_TRUE(mask_test(h->frames[f], (*c.frame_x)[size_t(f)], (*c.frame_y)[size_t(f)]))
                    << h->name << " crit " << i << " frame " << f;
            int32_t x = 0, y = 0;
            ASSERT_EQ(ship_crit_position_for_frame(h, i, &x, &y), RES_OK);
            EXPECT_TRUE(mask_test(h->frames[h->design_frame], x, y)) << h->name << " crit " << i << " design";
        }
    }
}

// The pictures every screen takes from a hull, and the system cards the ship panel lays round its
// hull picture: on either side of the picture, clear of one another, each connector leaving the
// card's edge that faces the picture.
TEST_F(GeneratedHulls, EveryHullNamesItsPicturesAndPlacesACardForEachMount) {
    for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t) {
        const Ship *h = tmpl(t);
        const std::vector<int32_t> pictures = {h->icon_frame, h->design_frame, h->frame_c, h->frame_d, h->picture_frame,
                                               h->tmpl_c};
        for (int32_t f : pictures) {
            ASSERT_TRUE(f >= 0 && f < h->frame_count) << h->name << " frame " << f;
            EXPECT_NE(h->frames[f], nullptr) << h->name << " frame " << f;
        }
        EXPECT_EQ(h->tmpl_c, h->design_frame) << "the hull picture is the view the mounts scale onto";
        EXPECT_LT(h->frame_w[h->frame_c], h->frame_w[h->icon_frame]) << "the small icon is smaller";
        EXPECT_LT(h->frame_h[h->frame_d], h->frame_h[h->picture_frame]);

        const int32_t left = h->tmpl_a, right = h->tmpl_a + h->frame_w[h->design_frame];
        ASSERT_GE(left, 0);
        for (int32_t i = 0; i < h->crit_count; ++i) {
            const int32_t *d = h->crits[i].display;
            const bool on_left = d[0] < left;
            EXPECT_GE(d[0], 0) << h->name << " crit " << i;
            if (on_left) EXPECT_LE(d[2], left) << h->name << " crit " << i;
            else EXPECT_GE(d[0], right) << h->name << " crit " << i << ": a card never covers the picture";
            EXPECT_TRUE(d[2] == d[0] || on_left) << "a card right of the picture connects from its left edge";
            EXPECT_TRUE(d[3] > d[1]) << "the connector leaves the card's side, below its top";
            for (int32_t j = 0; j < i; ++j) {
                const int32_t *e = h->crits[j].display;
                if (e[0] == d[0]) {
                    EXPECT_GE(std::abs(e[1] - d[1]), d[3] - d[1]) << h->name << " cards " << j << ", " << i;
                }
            }
        }
    }
}

TEST_F(GeneratedHulls, TheMachineHullsHaveTheMountsTheirBuildersFill) {
    // Drone and ARK ship: weapon on 0, engine on 1.
    EXPECT_EQ(tmpl(0)->crits[0].mount_type, MOUNT_SYSTEM);
    EXPECT_EQ(tmpl(0)->crits[1].mount_type, MOUNT_ENGINE);
    // Carrier: gun on 0, launcher on 1, engine on 2.
    EXPECT_EQ(tmpl(1)->crits[0].mount_type, MOUNT_SYSTEM);
    EXPECT_EQ(tmpl(1)->crits[1].mount_type, MOUNT_SYSTEM);
    EXPECT_EQ(tmpl(1)->crits[2].mount_type, MOUNT_ENGINE);
    // Sentinel: weapon on 0, armour on 1; it stays where the starbase put it.
    EXPECT_EQ(tmpl(4)->crits[0].mount_type, MOUNT_SYSTEM);
    EXPECT_EQ(tmpl(4)->crits[1].mount_type, MOUNT_ARMOUR);
    EXPECT_TRUE(tmpl(4)->hull_flags & HULL_FLAG_IMMOBILE);
    for (int32_t t : {0, 1, 4}) {
        EXPECT_TRUE(tmpl(t)->hull_flags & HULL_FLAG_NO_PILOT) << t;
        EXPECT_TRUE(tmpl(t)->hull_flags & HULL_FLAG_TEMPLATE_NAME) << t;
    }
    // The player hulls: rotating and offered to players, the small Skiff with narrow bars.
    for (int32_t t : {3, 5, 6, 7, 8})
        EXPECT_EQ(tmpl(t)->hull_flags, HULL_FLAG_ROTATING | HULL_FLAG_PLAYER_BUILDABLE) << t;
    EXPECT_EQ(tmpl(HULL_SKIFF)->hull_flags, HULL_FLAG_ROTATING | HULL_FLAG_PLAYER_BUILDABLE | HULL_FLAG_NARROW_BARS);
}

TEST_F(GeneratedHulls, PlayersMayBuildEveryHullButTheMachineOnesAndTheSmallestHullsTakeNarrowBars) {
    std::vector<int32_t> buildable, narrow;
    for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t) {
        if (tmpl(t)->hull_flags & HULL_FLAG_PLAYER_BUILDABLE) buildable.push_back(t);
        if (tmpl(t)->hull_flags & HULL_FLAG_NARROW_BARS) narrow.push_back(t);
    }
    EXPECT_EQ(buildable, std::vector<int32_t>({2, 3, 5, 6, 7, 8})) << "the drone, carrier and sentinel are not built";
    EXPECT_EQ(narrow, std::vector<int32_t>({0, 2}));
    // Narrow bars go with the least armour: every other hull has more than either.
    for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t) {
        if (tmpl(t)->hull_flags & HULL_FLAG_NARROW_BARS) continue;
        for (int32_t n : narrow) EXPECT_GT(tmpl(t)->base_max_armour, tmpl(n)->base_max_armour) << t << " against " << n;
    }
}

TEST_F(GeneratedHulls, MachineShipsTakeEveryWeaponTheirBuildersChoose) {
    for (int32_t weapon : {0, 1, 4, 7, 8, 10, 22, 24, 25, 26, 27}) {
        Ship *ark = hull(0);
        System *w = weapon == 4 ? sub(4, 0) : sub(weapon, -1);
        EXPECT_EQ(ship_set_crit_system(ark, 0, w), RES_OK) << weapon;
        EXPECT_EQ(ship_set_crit_system(ark, 1, sub(2, 5)), RES_OK) << weapon;
        EXPECT_GE(ark->max_mp, 2);
    }
    Ship *carrier = hull(1);
    EXPECT_EQ(ship_set_crit_system(carrier, 0, sub(1, 4)), RES_OK);
    EXPECT_EQ(ship_set_crit_system(carrier, 1, sub(20, -1)), RES_OK);
    EXPECT_EQ(ship_set_crit_system(carrier, 2, sub(2, 6)), RES_OK);
    for (int32_t beam : {5, 6, 7}) {
        Ship *guard = hull(4);
        EXPECT_EQ(ship_set_crit_system(guard, 0, sub(0, beam)), RES_OK);
        EXPECT_EQ(ship_set_crit_system(guard, 1, best(15)), RES_OK);
        EXPECT_EQ(guard->max_ap, SHIP_FIXED_AP);
        EXPECT_EQ(guard->max_mp, 0);
    }
    Ship *guard = hull(4);
    EXPECT_EQ(ship_set_crit_system(guard, 0, best(1)), RES_OK);
}

TEST_F(GeneratedHulls, TheStartingDesignsFitWithTheBestSystems) {
    fit_all(hull(2), {best(0), best(2)});                  // scout
    fit_all(hull(3), {best(0), best(5), best(2)});         // cruiser
    fit_all(hull(3), {best(0), best(1), best(2)});         // destroyer
    fit_all(hull(5), {best(8), best(1), best(2)});         // frigate
    fit_all(hull(2), {best(13), best(2)});                 // constructor
}

// ---- Statistics ----

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
    {HULL_SENTINEL,    1500 + 250,  0,           12, 6, 110 + 60,  10, 80},
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

class Hulls : public GeneratedHulls {
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

}  // namespace
