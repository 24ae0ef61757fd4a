// The passive system types shaping the ship that carries them: one table over the fourteen types
// with the figure each sets, damaged halving, stacking of two alike, offline systems, the rows the
// panels show, and the point defence's estimate and reaction on a combat map.
#include "world/combat_test_util.h"

#include <tuple>
#include "game/game.h"
#include "world/shot.h"
#include "platform/colour_fade.h"
#include "ui/control.h"
#include "ui/panel.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"

using namespace shiptest;

namespace {

class Passives : public CombatMapTest {
protected:
    Ship *lancer = nullptr;
    void SetUp() override {
        CombatMapTest::SetUp();
        lancer = hull(HULL_LANCER);
        ship_recompute_stats(lancer);
    }
};

// What one online system of a type does to a Lancer, against the bare hull.
struct PassiveRow {
    int32_t type;
    int32_t crit;
    const char *figure;
    int32_t Ship::*field;        // the figure it raises (null: a ship bit)
    uint32_t ship_bit;
    bool halves;                 // a damaged system gives half
};

const PassiveRow PASSIVES[] = {
    {SYSTEM_TYPE_ENGINE, LANCER_ENGINE, "thrust", &Ship::thrust, 0, true},
    {SYSTEM_TYPE_SENSOR, LANCER_FORE, "scan boost", &Ship::scan_boost, 0, true},
    {SYSTEM_TYPE_SHIELD, LANCER_FORE, "shield", &Ship::shield_max, 0, true},
    {SYSTEM_TYPE_POINT_DEFENCE, LANCER_FORE, "point defence bit", nullptr, SHIP_FLAG_POINT_DEFENCE, false},
    {SYSTEM_TYPE_CREW_MODULE, LANCER_FORE, "crew", &Ship::max_crew, 0, false},
    {SYSTEM_TYPE_STARBASE_KIT, LANCER_FORE, "constructor bit", nullptr, SHIP_FLAG_CONSTRUCTOR, false},
    {SYSTEM_TYPE_ARMOUR, LANCER_ARMOUR, "armour", &Ship::max_armour, 0, false},
    {SYSTEM_TYPE_HYPERDRIVE, LANCER_FORE, "hyperspace speed", &Ship::mp_boost, 0, true},
    {SYSTEM_TYPE_ESCAPE_POD, LANCER_FORE, "escape chance", &Ship::escape_chance, 0, false},
    {SYSTEM_TYPE_STEALTH, LANCER_FORE, "stealth", &Ship::boost_b, 0, true},
    {SYSTEM_TYPE_INTERDICTOR, LANCER_FORE, "interdictor bit", nullptr, SHIP_FLAG_INTERDICTOR, false},
    {SYSTEM_TYPE_BOARDING_GRID, LANCER_FORE, "boarding bit", nullptr, SHIP_FLAG_BOARDING, false},
};

TEST_F(Passives, EachTypeRaisesItsOwnFigureByItsValueAndADamagedOneGivesHalf) {
    for (const PassiveRow &row : PASSIVES) {
        SCOPED_TRACE(row.figure);
        ship_recompute_stats(lancer);
        const int32_t bare = row.field ? lancer->*row.field : 0;
        ASSERT_FALSE(lancer->ship_flags & row.ship_bit);
        System *s = fit(lancer, row.crit, row.type, system_subtype_count(row.type) > 0 ? 0 : -1);
        ASSERT_NE(s, nullptr);
        if (row.field) {
            // Additive figures grow by the value; the others take the value (the hull has none).
            EXPECT_EQ(lancer->*row.field, bare + s->value);
            s->status |= SYSTEM_STATUS_DAMAGED;
            ship_recompute_stats(lancer);
            EXPECT_EQ(lancer->*row.field, bare + (row.halves ? s->value / 2 : s->value));
        } else {
            EXPECT_TRUE(lancer->ship_flags & row.ship_bit);
        }
        s->status |= SYSTEM_STATUS_OFFLINE;
        ship_recompute_stats(lancer);
        EXPECT_EQ(row.field ? lancer->*row.field : int32_t(lancer->ship_flags & row.ship_bit), bare)
            << "an offline system gives nothing";
        EXPECT_EQ(ship_set_crit_system(lancer, row.crit, nullptr), RES_OK);
        EXPECT_FALSE(lancer->ship_flags & row.ship_bit) << "the bit goes with the system";
    }
}

TEST_F(Passives, TheEngineAlsoGivesActionPointsAndADamagedOneHalvesItsThrust) {
    System *engine = fit(lancer, LANCER_ENGINE, SYSTEM_TYPE_ENGINE, 0);
    EXPECT_EQ(lancer->max_ap, engine->power / 5);
    engine->value = 7;
    engine->status |= SYSTEM_STATUS_DAMAGED;
    ship_recompute_stats(lancer);
    EXPECT_EQ(lancer->thrust, 3);
}

TEST_F(Passives, ShieldsTakeTheBetterCrewModulesAddUpAndTheLastEngineSetsThrust) {
    Ship *paladin = hull(HULL_PALADIN);
    System *weak = fit(paladin, 1, SYSTEM_TYPE_SHIELD, 0);
    System *strong = fit(paladin, 2, SYSTEM_TYPE_SHIELD, 1);
    EXPECT_EQ(paladin->shield_max, std::max(weak->value, strong->value));
    System *quarters = fit(paladin, 3, SYSTEM_TYPE_CREW_MODULE, 0);
    System *barracks = fit(paladin, 4, SYSTEM_TYPE_CREW_MODULE, 1);
    EXPECT_EQ(paladin->max_crew, paladin->base_max_crew + quarters->value + barracks->value);

    // Two engines on hand-made mounts: the one in the later crit is applied last.
    Ship *twin = ship({{0, 0, MOUNT_ENGINE, 2}, {0, 10, MOUNT_ENGINE, 2}}, 1000);
    System *first = system_create_subtype(SYSTEM_TYPE_ENGINE, 1);
    System *second = system_create_subtype(SYSTEM_TYPE_ENGINE, 0);
    ASSERT_EQ(ship_set_crit_system(twin, 0, first), RES_OK);
    ASSERT_EQ(ship_set_crit_system(twin, 1, second), RES_OK);
    EXPECT_EQ(twin->thrust, second->value);
}

TEST_F(Passives, ASensorHalvesTheScanCostButNeverBelowOne) {
    fit(lancer, LANCER_FORE, SYSTEM_TYPE_SENSOR, 0);
    EXPECT_EQ(lancer->scan_cost, std::max(lancer->base_scan_cost / 2, 1));
    lancer->base_scan_cost = 1;
    ship_recompute_stats(lancer);
    EXPECT_EQ(lancer->scan_cost, 1);
}

TEST_F(Passives, TheTypesWithoutAPassiveAreFoundByType) {
    System *suite = fit(lancer, LANCER_FORE, SYSTEM_TYPE_NETWORK_INTRUSION);
    System *bulkheads = fit(lancer, LANCER_PORT, SYSTEM_TYPE_CREW_SHELTER);
    EXPECT_EQ(ship_has_system_type(lancer, SYSTEM_TYPE_NETWORK_INTRUSION), 1);
    EXPECT_EQ(ship_has_system_type(lancer, SYSTEM_TYPE_CREW_SHELTER), 1);
    EXPECT_EQ(system_type_ops(SYSTEM_TYPE_NETWORK_INTRUSION)->passive, nullptr);
    EXPECT_EQ(system_type_ops(SYSTEM_TYPE_CREW_SHELTER)->passive, nullptr);
    suite->status |= SYSTEM_STATUS_OFFLINE;
    EXPECT_EQ(ship_has_system_type(lancer, SYSTEM_TYPE_NETWORK_INTRUSION), 0);
    (void)bulkheads;
}

TEST_F(Passives, RowsShowThePlainFigureInCatalogsAndTheReducedOneHighlightedOnTheShip) {
    System *shield = fit(lancer, LANCER_FORE, SYSTEM_TYPE_SHIELD, 0);
    shield->status |= SYSTEM_STATUS_DAMAGED;
    List<SystemRow> rows;
    system_detail_rows(shield, &rows, 0);
    ASSERT_EQ(list_count(&rows), 4) << "Cost, Power, Mass, Strength";
    EXPECT_EQ(list_get(&rows, 0)->label, "Cost");
    EXPECT_EQ(list_get(&rows, 0)->value, "$" + std::to_string(shield->cost));
    EXPECT_EQ(list_get(&rows, 3)->label, "Strength");
    EXPECT_EQ(list_get(&rows, 3)->value, std::to_string(shield->value));
    EXPECT_EQ(list_get(&rows, 3)->highlight, 0);
    list_clear(&rows);
    system_detail_rows(shield, &rows, 2);
    ASSERT_EQ(list_count(&rows), 3) << "Strength, Power, Mass";
    EXPECT_EQ(list_get(&rows, 0)->value, std::to_string(shield->value / 2));
    EXPECT_EQ(list_get(&rows, 0)->highlight, 1);
    EXPECT_EQ(list_get(&rows, 1)->value, std::to_string(shield->power) + " TW");
    list_clear(&rows);
    system_detail_rows(shield, &rows, 1);
    EXPECT_EQ(list_count(&rows), 0) << "mode 1 shows none of the passive rows";

    System *sensor = fit(lancer, LANCER_PORT, SYSTEM_TYPE_SENSOR, 0);
    system_detail_rows(sensor, &rows, 0);
    ASSERT_EQ(list_count(&rows), 5);
    EXPECT_EQ(list_get(&rows, 3)->value, "+" + std::to_string(sensor->value) + "%");
    EXPECT_EQ(list_get(&rows, 4)->label, "Scan AP cost");
    EXPECT_EQ(list_get(&rows, 4)->value, "-50%");
    list_clear(&rows);
    System *pod = fit(lancer, LANCER_STARBOARD, SYSTEM_TYPE_ESCAPE_POD);
    system_detail_rows(pod, &rows, 2);
    for (int32_t i = 0; i < list_count(&rows); ++i) EXPECT_NE(list_get(&rows, i)->label, "% effective");
    list_clear(&rows);
}

// A row's icon is the row's alone until a table places it; then the table's row holds the only
// reference, so freeing the table frees the icon.
TEST_F(Passives, ARowIconIsHeldOnceUnplacedByTheRowAndPlacedByTheTable) {
    System *shield = fit(lancer, LANCER_FORE, SYSTEM_TYPE_SHIELD, 0);
    List<SystemRow> *rows = ui_stat_rows_list_create();
    ASSERT_NE(rows, nullptr);
    system_detail_rows(shield, rows, 0);
    ASSERT_GE(list_count(rows), 1);
    Control *icon = list_get(rows, 0)->icon;
    ASSERT_NE(icon, nullptr) << "the cost row has its icon";
    EXPECT_EQ(icon->refcount, 0) << "nothing but the row holds an unplaced icon";
    Control *table = ui_stat_rows_create(rows, 0);
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(panel_find_child(ui_stat_rows_row(table, 0), STAT_ROW_ICON_ID), icon);
    EXPECT_EQ(icon->refcount, 1) << "the table's row is the icon's one holder";
    control_destroy(table);

    // Rows freed without a table take their icons with them (a leak shows under the leak checker).
    List<SystemRow> unplaced;
    system_detail_rows(shield, &unplaced, 0);
    ASSERT_NE(list_get(&unplaced, 0)->icon, nullptr);
    EXPECT_EQ(list_get(&unplaced, 0)->icon->refcount, 0);
    list_clear(&unplaced);
}

TEST_F(Passives, TheStatusLineSaysOfflineDamagedOrOkInItsColour) {
    System *shield = fit(lancer, LANCER_FORE, SYSTEM_TYPE_SHIELD, 0);
    Control *label = text_label_create_empty(0);
    ASSERT_NE(label, nullptr);
    struct Case {
        uint32_t status;
        const char *text;
        uint8_t r, g, b;
    } cases[] = {{SYSTEM_STATUS_OFFLINE | SYSTEM_STATUS_DAMAGED, "Offline", 240, 0, 0},
                 {SYSTEM_STATUS_DAMAGED, "Damaged", 160, 80, 0},
                 {0, "OK", 20, 185, 0}};
    for (const Case &c : cases) {
        shield->status = c.status;
        system_status_line(shield, label);
        const TextLabel *t = text_label_of(label);
        EXPECT_STREQ(t->text, c.text);
        EXPECT_EQ(std::tie(t->colour->r, t->colour->g, t->colour->b), std::tie(c.r, c.g, c.b)) << c.text;
    }
    shield->status = SYSTEM_STATUS_OFFLINE;
    shield->flags |= SYSTEM_FLAG_NO_STATUS;
    system_status_line(shield, label);
    EXPECT_STREQ(text_label_of(label)->text, "OK") << "a system without a status line leaves the label";
    control_destroy(label);
}

TEST_F(Passives, PointDefenceReachesForShotsComingForItsShipAndLeavesFriendsAlone) {
    Ship *guard = on_map(HULL_LANCER, 1000, 1000, 0, RED);
    System *flak = fit(guard, LANCER_FORE, SYSTEM_TYPE_POINT_DEFENCE);
    ASSERT_NE(flak, nullptr);
    EXPECT_TRUE(guard->ship_flags & SHIP_FLAG_POINT_DEFENCE);
    int32_t damage = 0, effect = 0;
    EXPECT_EQ(system_estimate(flak, guard, 0, 0, 0, nullptr, false, &damage, &effect), 130);
    EXPECT_EQ(damage, flak->value);
    for (int i = 0; i < 50; ++i) {
        system_estimate(flak, guard, 0, 0, 0, nullptr, true, &damage, &effect);
        EXPECT_GE(damage, std::max(flak->value - 5, 1));
        EXPECT_LE(damage, flak->value + 5);
    }

    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    GameObject *enemy_shot = place(OBJECT_SHOT, 7001, guard->x + 40, guard->y, 6, 6);
    enemy_shot->owner_id = BLUE;
    int32_t intercepted = 0;
    object_intercept(guard, enemy_shot, guard->x + 40, guard->y, &intercepted);
    EXPECT_EQ(intercepted, 1);
    object_intercept(guard, enemy_shot, guard->x + flak->range + 200, guard->y, &intercepted);
    EXPECT_EQ(intercepted, 0) << "out of the mount's range";

    GameObject *own_shot = place(OBJECT_SHOT, 7002, guard->x + 40, guard->y, 6, 6);
    own_shot->owner_id = RED;
    object_intercept(guard, own_shot, guard->x + 40, guard->y, &intercepted);
    EXPECT_EQ(intercepted, 0) << "an own shot aimed elsewhere passes";
    shot_set_target(shot_of(own_shot), guard);
    ASSERT_EQ(shot_of(own_shot)->target, guard);
    object_intercept(guard, own_shot, guard->x + 40, guard->y, &intercepted);
    EXPECT_EQ(intercepted, 1) << "an own shot coming for this very ship is engaged";
    shot_set_target(shot_of(own_shot), nullptr);
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
}

}  // namespace
