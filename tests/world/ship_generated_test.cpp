// The nine hulls as the build generates them into store.dat, loaded by the ship factory, with the
// systems the other rules fit to them.
#include "ship_test_util.h"

#include "platform/sprite.h"

using namespace shiptest;

namespace {

const char *STORE_PATH = ASTROVANE_BINARY_DIR "/store.dat";

constexpr int32_t ROTATIONS = 36;
constexpr int32_t FRAMES = 47;

class GeneratedHulls : public ShipTest {
protected:
    std::vector<System *> made;

    void SetUp() override {
        // Types another test left loaded go first, so the leak count starts from none.
        factory_free();
        system_types_free();
        ShipTest::SetUp();
        store_shutdown();
        store_set_path(STORE_PATH);
        ASSERT_EQ(store_open(), RES_OK) << STORE_PATH << " missing: the build makes it";
        ASSERT_EQ(system_types_load(), RES_OK);
        ASSERT_EQ(factory_init(), RES_OK);
        for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t)
            for (int32_t g = 0; g < FACTORY_GROUP_COUNT; ++g) factory_acquire_group(OBJECT_SHIP, t, g);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    }
    void TearDown() override {
        for (GameObject *obj : owned) object_destroy(obj);
        owned.clear();
        for (System *s : made) system_free(s);
        factory_free();
        system_types_free();
        store_shutdown();
        ShipTest::TearDown();
    }
    static Ship *tmpl(int32_t t) { return ship_of(factory_get_template(OBJECT_SHIP, t)); }
    Ship *build(int32_t t) {
        Ship *s = ship_of(factory_create_object(OBJECT_SHIP, t));
        EXPECT_NE(s, nullptr);
        owned.push_back(s);
        return s;
    }
    // The best (last) subtype of a type, or the plain template for a type without subtypes.
    System *best(int32_t type) {
        const int32_t n = system_subtype_count(type);
        System *s = n > 0 ? system_create_subtype(type, n - 1) : system_create(type);
        EXPECT_NE(s, nullptr) << type;
        return s;
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
            if (last != RES_OK) made.push_back(sys);
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
}

TEST_F(GeneratedHulls, EveryFrameIsLoadedAndTheRangesAreThoseOfTheParameterFile) {
    for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t) {
        const Ship *h = tmpl(t);
        ASSERT_EQ(h->frame_count, FRAMES) << t;
        EXPECT_EQ(h->rot_first, 0);
        EXPECT_EQ(h->rot_last, ROTATIONS - 1);
        EXPECT_EQ(h->icon_frame, 36);
        EXPECT_EQ(h->design_frame, 37);
        EXPECT_EQ(h->picture_frame, 38);
        EXPECT_EQ(h->alt_first, 39);
        EXPECT_EQ(h->alt_last, 46);
        EXPECT_TRUE(h->hull_flags & HULL_FLAG_ROTATING);
        for (int32_t f = 0; f < FRAMES; ++f) {
            ASSERT_NE(h->frames[f], nullptr) << t << ":" << f;
            EXPECT_EQ(h->frames[f]->width, h->frame_w[f]);
        }
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
    for (int32_t t : {2, 3, 5, 6, 7, 8}) EXPECT_EQ(tmpl(t)->hull_flags, HULL_FLAG_ROTATING) << t;
}

TEST_F(GeneratedHulls, MachineShipsTakeEveryWeaponTheirBuildersChoose) {
    for (int32_t weapon : {0, 1, 4, 7, 8, 10, 22, 24, 25, 26, 27}) {
        Ship *ark = build(0);
        System *w = weapon == 4 ? sub(4, 0) : sub(weapon, -1);
        EXPECT_EQ(ship_set_crit_system(ark, 0, w), RES_OK) << weapon;
        EXPECT_EQ(ship_set_crit_system(ark, 1, sub(2, 5)), RES_OK) << weapon;
        EXPECT_GE(ark->max_mp, 2);
    }
    Ship *carrier = build(1);
    EXPECT_EQ(ship_set_crit_system(carrier, 0, sub(1, 4)), RES_OK);
    EXPECT_EQ(ship_set_crit_system(carrier, 1, sub(20, -1)), RES_OK);
    EXPECT_EQ(ship_set_crit_system(carrier, 2, sub(2, 6)), RES_OK);
    for (int32_t beam : {5, 6, 7}) {
        Ship *guard = build(4);
        EXPECT_EQ(ship_set_crit_system(guard, 0, sub(0, beam)), RES_OK);
        EXPECT_EQ(ship_set_crit_system(guard, 1, best(15)), RES_OK);
        EXPECT_EQ(guard->max_ap, SHIP_FIXED_AP);
        EXPECT_EQ(guard->max_mp, 0);
    }
    Ship *guard = build(4);
    EXPECT_EQ(ship_set_crit_system(guard, 0, best(1)), RES_OK);
}

TEST_F(GeneratedHulls, TheStartingDesignsFitWithTheBestSystems) {
    fit_all(build(2), {best(0), best(2)});                  // scout
    fit_all(build(3), {best(0), best(5), best(2)});         // cruiser
    fit_all(build(3), {best(0), best(1), best(2)});         // destroyer
    fit_all(build(5), {best(8), best(1), best(2)});         // frigate
    fit_all(build(2), {best(13), best(2)});                 // constructor
}

TEST_F(GeneratedHulls, APilotedShipWithTheFirstEngineCanTurnAndMove) {
    // The engine's passive as the passive system types define it: its thrust, and AP from its power.
    system_type_ops(SYSTEM_TYPE_ENGINE)->passive = [](System *engine, Ship *ship) {
        ship->thrust = engine->value;
        ship->max_ap += engine->power / 5;
    };
    for (int32_t t : {2, 3, 5, 6, 7, 8}) {
        Ship *s = build(t);
        Officer *o = officer_create();
        ship_set_pilot(s, o);
        s->crew = s->max_crew;
        fit_all(s, {sub(0, 0), sub(2, 0)});
        EXPECT_GE(s->max_ap, s->turn_cost) << s->name;
        EXPECT_GE(s->max_mp, 2) << s->name;
        EXPECT_LE(s->max_mp, SHIP_MAX_MP) << s->name;
        EXPECT_EQ(s->capacity_max, tmpl(t)->capacity_max);
    }
}

TEST_F(GeneratedHulls, AShipMadeFromATemplateStartsOnFrameZero) {
    Ship *s = build(3);
    EXPECT_EQ(s->frame, 0);
    EXPECT_EQ(s->w, tmpl(3)->frame_w[0]);
    EXPECT_EQ(s->base_frame_w, s->w);
    EXPECT_EQ(s->crit_count, tmpl(3)->crit_count);
    object_set_heading(s, 90);
    EXPECT_EQ(s->frame, 9);
    EXPECT_EQ(object_get_icon(s), 36);
    EXPECT_EQ(object_get_picture(s), 38);
}

}  // namespace
