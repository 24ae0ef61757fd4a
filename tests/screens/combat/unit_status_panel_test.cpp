// The unit status panel and the info panels on a real seeded battle in which the UI player's ship
// is the actor: what the panel offers for each situation of the ship, and where its buttons lead.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "combat_panels_test_support.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/str.h"
#include "screens/combat/unit_status_panel.h"
#include "systems/system.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel_slots.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"
#include "world/ship.h"
#include "world/shot.h"

namespace {

using combat_test::screen;

// Every picture the panels show: the frames must be in the store.
constexpr int PANEL_IMAGE_TYPES[] = {IMAGE_RETREAT, IMAGE_MOVE, IMAGE_TURN, IMAGE_SCAN, IMAGE_STATUS,
                                     IMAGE_ACTION_POINTS, IMAGE_ARMOUR, IMAGE_POWER, IMAGE_CLOCK, IMAGE_CREW,
                                     IMAGE_SENSOR_LOCK, IMAGE_SKILL_NAVIGATION, IMAGE_SKILL_MARKSMANSHIP,
                                     IMAGE_SKILL_SENSORS, IMAGE_DAMAGE, IMAGE_MASS, IMAGE_SYSTEM_STATUS,
                                     IMAGE_MOVEMENT, IMAGE_ABORT_RETREAT};

struct SlotCalls {
    std::vector<int> slots;   // the slots called, in order
    int32_t crit = -2, action = -2;
};
SlotCalls calls;

template <int N>
void record(Control *panel) {
    calls.slots.push_back(N);
    if (N == UNIT_STATUS_SLOT_SYSTEM) unit_status_panel_get_pick(panel, &calls.crit, &calls.action);
}

class UnitStatus : public combat_panels_test::PanelsBattle {
protected:
    UnitStatus() { ui_side = true; }
    Ship *mine = nullptr;
    Control *panel = nullptr;

    void SetUp() override {
        PanelsBattle::SetUp();
        if (HasFatalFailure()) return;
        for (int type : PANEL_IMAGE_TYPES) {
            ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
            loaded_.push_back(type);
        }
        calls = {};
        start_battle();
        ASSERT_TRUE(run_until([&] {
            return screen()->acting && screen()->acting->owner_id == game->ui_player_id && !(map()->flags & MAP_BUSY);
        }, 4000));
        mine = ship_of(screen()->acting);
        ASSERT_NE(mine, nullptr);
    }
    void TearDown() override {
        if (panel) control_remove(panel);
        PanelsBattle::TearDown();
        for (int type : loaded_) image_control_free_type(type);
        loaded_.clear();
    }

    // Selects the object, closes the screen's own panels (their hotkeys would answer too) and fills
    // the test's panel in the given style with handlers that record the slots called.
    void fill(GameObject *object, int style) {
        combat_select_object(object);
        combat_close_object_panels();
        if (!panel) panel = game_add_control(control_root(), 300, 40, 0, 0, panel_create(20, 10, 0, 0, 0));
        ASSERT_NE(panel, nullptr);
        unit_status_panel_fill(panel, object, style);
        panel_set_slot(panel, UNIT_STATUS_SLOT_MOVE, record<1>);
        panel_set_slot(panel, UNIT_STATUS_SLOT_TURN, record<2>);
        panel_set_slot(panel, UNIT_STATUS_SLOT_SCAN, record<3>);
        panel_set_slot(panel, UNIT_STATUS_SLOT_END_TURN, record<4>);
        panel_set_slot(panel, UNIT_STATUS_SLOT_STATUS, record<5>);
        panel_set_slot(panel, UNIT_STATUS_SLOT_RETREAT, record<6>);
        panel_set_slot(panel, UNIT_STATUS_SLOT_ABORT, record<7>);
        panel_set_slot(panel, UNIT_STATUS_SLOT_SYSTEM, record<8>);
        frame();
    }

    // The image buttons with a caption under a panel, depth first.
    static void buttons_of(Control *c, std::vector<Control *> *out) {
        Panel *p = panel_of(c);
        if (!p) return;
        for (Control *child : p->children.items) {
            if (!child) break;
            if (child->flags & CTRL_REMOVED) continue;
            if (ImageControl *img = image_of(child); img && img->caption) out->push_back(child);
            buttons_of(child, out);
        }
    }
    std::vector<std::string> captions() {
        std::vector<Control *> all;
        buttons_of(panel, &all);
        std::vector<std::string> out;
        for (Control *b : all) out.push_back(image_of(b)->caption);
        return out;
    }
    Control *button(const char *caption) {
        std::vector<Control *> all;
        buttons_of(panel, &all);
        for (Control *b : all)
            if (std::string(image_of(b)->caption) == caption) return b;
        return nullptr;
    }
    // Greyed and inert, yet under the pointer: its tooltip gives the reason.
    static bool refused(const Control *b) { return b && image_control_is_highlighted(b) && control_is_enabled(b); }
    static std::string tip(Control *b) { return image_of(b)->tooltip_text ? image_of(b)->tooltip_text : ""; }
    // The system rows: children tagged with a crit index.
    std::vector<Control *> rows() {
        std::vector<Control *> out;
        for (Control *c : live_children(panel))
            if (c->user_data == panel && c->tag >= 0 && panel_of(c)) out.push_back(c);
        return out;
    }
    // The value bars directly in the panel, in order.
    std::vector<Control *> bars() {
        std::vector<Control *> out;
        for (Control *c : panel_of(panel)->children.items) {
            if (!c) break;
            if (value_bar_of(c) && !(c->flags & CTRL_REMOVED)) out.push_back(c);
        }
        return out;
    }
    GameObject *an_enemy() {
        std::vector<GameObject *> enemies = fighting(side_b->id);
        return enemies.empty() ? nullptr : enemies.front();
    }

private:
    std::vector<int> loaded_;
};

TEST_F(UnitStatus, TheActingShipOffersItsOrdersAndEachButtonCallsItsOwnSlot) {
    mine->mp = std::max(mine->mp, 1);
    mine->ap = mine->max_ap;
    fill(mine, UNIT_STATUS_ANIMATE | UNIT_STATUS_COMMANDS | UNIT_STATUS_OWN_SIDE);

    EXPECT_TRUE(shows(panel, game->ui_player->name)) << "the owner's name";
    std::vector<std::string> order;
    for (const std::string &c : captions())
        if (c == "Move" || c == "Turn" || c == "Scan" || c == "Status" || c == "Retreat" || c == "Abort" || c == "End")
            order.push_back(c);
    EXPECT_EQ(order, (std::vector<std::string>{"Move", "Turn", "Scan", "Status", "Retreat", "End"}));
    EXPECT_EQ(button("Move")->hotkey, 'm');
    EXPECT_EQ(button("Turn")->hotkey, 't');
    EXPECT_EQ(button("Scan")->hotkey, 's');
    EXPECT_EQ(button("End")->hotkey, 'e');
    EXPECT_EQ(tip(button("Move")), "(varies)");
    EXPECT_EQ(tip(button("Turn")), std::to_string(mine->turn_cost));

    // One row per system with an action, in crit order, each tagged with its crit.
    std::vector<int32_t> expected;
    for (int32_t i = 0; i < mine->crit_count; ++i)
        if (System *s = ship_get_crit_system(mine, i); s && system_has_action(s)) expected.push_back(i);
    std::vector<int32_t> tags;
    for (Control *row : rows()) tags.push_back(row->tag);
    EXPECT_EQ(tags, expected);

    // The opening lock holds the buttons for a moment, then they work.
    click(button("End"));
    EXPECT_TRUE(calls.slots.empty()) << "still opening";
    frames(25);
    click(button("Status"));
    click(button("End"));
    press('t');
    int px = 0, py = 0;
    control_get_screen_position(panel, &px, &py);
    ASSERT_EQ(calls.slots, (std::vector<int>{5, 4, 2})) << "panel at " << px << ", " << py << " size " << panel->w << " x " << panel->h;

    // An action button passes its row's crit and its own index.
    ASSERT_FALSE(rows().empty()) << "the first design carries a weapon";
    std::vector<Control *> actions;
    buttons_of(rows().front(), &actions);
    ASSERT_FALSE(actions.empty());
    Control *last = actions.back();
    EXPECT_TRUE(control_is_enabled(last->owner)) << "the button column takes input";
    if (!image_control_is_highlighted(last)) {
        click(last);
        ASSERT_EQ(calls.slots.back(), 8);
        EXPECT_EQ(calls.crit, rows().front()->tag);
        EXPECT_EQ(calls.action, int32_t(actions.size()) - 1);
    }
    // The weapon's info rows ("Fore" and the like) read whole: each text inside its row.
    int texts = 0;
    std::function<void(Control *)> walk = [&](Control *c) {
        if (!panel_of(c)) return;
        for (Control *kid : panel_of(c)->children.items) {
            if (!kid || (kid->flags & CTRL_REMOVED)) continue;
            if (kid->id == ICON_ROW_TEXT_ID) {
                ++texts;
                EXPECT_GE(kid->y, 0) << text_label_of(kid)->text;
                EXPECT_LE(kid->y + kid->h, c->h) << text_label_of(kid)->text;
            }
            walk(kid);
        }
    };
    walk(rows().front());
    EXPECT_GT(texts, 0);
    driver.save_screen("unit_status_panel.png");   // for review
}

TEST_F(UnitStatus, EachCommandIsRefusedWithItsOwnReason) {
    // No movement points, too few for a turn or a scan.
    mine->mp = 0;
    mine->ap = 0;
    fill(mine, UNIT_STATUS_COMMANDS | UNIT_STATUS_OWN_SIDE);
    EXPECT_TRUE(refused(button("Move")));
    EXPECT_EQ(tip(button("Move")), "No Movement Points");
    EXPECT_TRUE(refused(button("Turn")));
    EXPECT_TRUE(refused(button("Scan")));
    EXPECT_TRUE(control_is_enabled(button("End")));
    EXPECT_FALSE(image_control_is_highlighted(button("End")));
    // Too few AP to retreat: disabled, yet its price and delay are shown.
    Control *retreat = button("Retreat");
    ASSERT_NE(retreat, nullptr);
    EXPECT_TRUE(refused(retreat));
    EXPECT_EQ(image_of(retreat)->tooltip_kind, 2);
    EXPECT_EQ(image_of(retreat)->tooltip_a, mine->max_ap);
    EXPECT_EQ(image_of(retreat)->tooltip_b, mine->retreat_turns);
    click(button("Move"));
    EXPECT_TRUE(calls.slots.empty()) << "a disabled button calls nothing";

    // A hull that cannot scan, however many AP it has.
    mine->ap = mine->max_ap;
    mine->hull_flags |= HULL_FLAG_NO_SCAN;
    fill(mine, UNIT_STATUS_COMMANDS);
    EXPECT_FALSE(refused(button("Turn")));
    EXPECT_TRUE(refused(button("Scan")));
    mine->hull_flags &= ~HULL_FLAG_NO_SCAN;

    // An enemy interdictor comes before every other check; our own does not count.
    mine->ship_flags |= SHIP_FLAG_INTERDICTOR;
    fill(mine, UNIT_STATUS_COMMANDS);
    EXPECT_NE(tip(button("Retreat")), "Enemy warp interdictor active");
    mine->ship_flags &= ~SHIP_FLAG_INTERDICTOR;
    Ship *enemy = ship_of(an_enemy());
    ASSERT_NE(enemy, nullptr);
    enemy->ship_flags |= SHIP_FLAG_INTERDICTOR;
    fill(mine, UNIT_STATUS_COMMANDS);
    EXPECT_TRUE(refused(button("Retreat")));
    EXPECT_EQ(tip(button("Retreat")), "Enemy warp interdictor active");
    enemy->ship_flags &= ~SHIP_FLAG_INTERDICTOR;

    // While retreating: "Abort" in its place and the countdown in words.
    mine->ship_flags |= SHIP_FLAG_RETREATING;
    for (auto [left, text] : {std::pair{1, "1 turn"}, {2, "2 turns"}}) {
        mine->retreat_countdown = left;
        fill(mine, UNIT_STATUS_COMMANDS);
        EXPECT_EQ(button("Retreat"), nullptr);
        ASSERT_NE(button("Abort"), nullptr);
        EXPECT_TRUE(shows(panel, "Retreating"));
        EXPECT_TRUE(shows(panel, text)) << left;
    }
    click(button("Abort"));
    EXPECT_EQ(calls.slots, (std::vector<int>{7}));
    mine->ship_flags &= ~SHIP_FLAG_RETREATING;
}

// A refused order is not skipped by the pointer: resting on it shows its reason, and neither the
// click nor the key gives the order.
TEST_F(UnitStatus, ThePointerOnARefusedOrderShowsWhyItCannotBeGiven) {
    mine->mp = 0;
    mine->ap = 0;
    Ship *enemy = ship_of(an_enemy());
    ASSERT_NE(enemy, nullptr);
    enemy->ship_flags |= SHIP_FLAG_INTERDICTOR;
    fill(mine, UNIT_STATUS_COMMANDS | UNIT_STATUS_OWN_SIDE);
    frames(15);   // the refused orders take their grey
    const auto shown_tip = [&] {
        std::vector<std::string> all;
        for (Control *c : game->controls->items) {
            if (!c) break;
            if (c->id == CONTROL_ID_TOOLTIP && !(c->flags & CTRL_REMOVED))
                for (const std::string &t : texts(c)) all.push_back(t);
        }
        for (Control *c : game->new_controls->items) {
            if (!c) break;
            if (c->id == CONTROL_ID_TOOLTIP) for (const std::string &t : texts(c)) all.push_back(t);
        }
        return all;
    };
    for (auto [caption, why] : {std::pair{"Move", "No Movement Points"}, {"Retreat", "Enemy warp interdictor active"}}) {
        Control *b = button(caption);
        ASSERT_NE(b, nullptr) << caption;
        int x = 0, y = 0;
        control_get_screen_position(b, &x, &y);
        ui_test::mouse_at(x + b->w / 2, y + b->h / 2);
        frames(2);
        EXPECT_EQ(game->hover_control, b) << caption << " takes the pointer";
        EXPECT_EQ(shown_tip(), std::vector<std::string>{why}) << caption;
        if (std::string(caption) == "Move") driver.save_screen("newcomer/combat_refused_move.png");
    }
    click(button("Move"));
    press('m');
    EXPECT_TRUE(calls.slots.empty()) << "a refused order is not given";
    enemy->ship_flags &= ~SHIP_FLAG_INTERDICTOR;
}

// Giving Retreat moves nothing under the pointer: the orders keep their places and Abort stands
// where Retreat stood.
TEST_F(UnitStatus, RetreatingKeepsTheOrdersWhereTheyWere) {
    const auto where = [&](const char *caption) {
        Control *b = button(caption);
        int x = -1, y = -1;
        if (b) control_get_screen_position(b, &x, &y);
        return b ? std::pair(x + b->w / 2, y + b->h / 2) : std::pair(-1, -1);   // where the pointer rests on it
    };
    fill(mine, UNIT_STATUS_COMMANDS | UNIT_STATUS_OWN_SIDE);
    const auto scan = where("Scan"), retreat = where("Retreat"), end = where("End");
    ASSERT_GE(retreat.first, 0);
    mine->ship_flags |= SHIP_FLAG_RETREATING;
    mine->retreat_countdown = 2;
    fill(mine, UNIT_STATUS_COMMANDS | UNIT_STATUS_OWN_SIDE);
    const auto under = [&](std::pair<int, int> at) { return game_pick_control(game, at.first, at.second); };
    EXPECT_EQ(under(scan), button("Scan"));
    EXPECT_EQ(under(end), button("End"));
    EXPECT_EQ(under(retreat), button("Abort")) << "Abort stands where Retreat stood";
    EXPECT_TRUE(shows(panel, "Retreating"));
    mine->ship_flags &= ~SHIP_FLAG_RETREATING;
}

TEST_F(UnitStatus, TheBarsFollowTheShipsHull) {
    // A ship on the move: movement, armour, AP and crew, captions "value/max".
    mine->mp = 2;
    fill(mine, UNIT_STATUS_COMMANDS);
    std::vector<Control *> b = bars();
    ASSERT_EQ(b.size(), mine->pilot_id ? 4u : 3u);
    EXPECT_EQ(value_bar_of(b[0])->caption, str_format("%i/%i", mine->mp, mine->max_mp));
    const int armour_x = b[1]->x;

    // Boosted beyond the maximum: a full bar and only the number.
    mine->mp = mine->max_mp + 3;
    fill(mine, UNIT_STATUS_COMMANDS);
    b = bars();
    EXPECT_EQ(value_bar_of(b[0])->value, value_bar_of(b[0])->max);
    EXPECT_EQ(value_bar_of(b[0])->caption, std::to_string(mine->mp));

    // Immobile: no movement bar and the armour moves to the first column.
    mine->hull_flags |= HULL_FLAG_IMMOBILE;
    fill(mine, UNIT_STATUS_COMMANDS);
    b = bars();
    ASSERT_EQ(b.size(), mine->pilot_id ? 3u : 2u);
    EXPECT_EQ(value_bar_of(b[0])->max, mine->max_armour);
    EXPECT_LT(b[0]->x, armour_x);
    mine->hull_flags &= ~HULL_FLAG_IMMOBILE;

    // Without a commander, no crew bar.
    const uint64_t pilot = mine->pilot_id;
    mine->pilot_id = 0;
    fill(mine, UNIT_STATUS_COMMANDS);
    EXPECT_EQ(bars().size(), 3u);
    mine->pilot_id = pilot;
}

TEST_F(UnitStatus, ARechargingSystemShowsItsCountAndRefusesItsActions) {
    System *weapon = nullptr;
    int32_t crit = -1;
    for (int32_t i = 0; i < mine->crit_count && !weapon; ++i)
        if (System *s = ship_get_crit_system(mine, i); s && system_has_action(s)) weapon = s, crit = i;
    ASSERT_NE(weapon, nullptr) << "the first design carries a weapon";
    // It has just been used: two turns to wait.
    weapon->flags |= SYSTEM_FLAG_RECHARGES;
    if (weapon->aux_text.empty()) weapon->aux_text = "Recharging";
    weapon->recharge_left = 2;
    fill(mine, UNIT_STATUS_COMMANDS);
    Control *row = nullptr;
    for (Control *r : rows())
        if (r->tag == crit) row = r;
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(shows(row, str_format("%s (%i)", weapon->aux_text.c_str(), 2)));
    std::vector<Control *> actions;
    buttons_of(row, &actions);
    ASSERT_FALSE(actions.empty());
    for (Control *a : actions) {
        EXPECT_TRUE(refused(a));
        EXPECT_EQ(tip(a), weapon->aux_text);
    }
    click(actions.front());
    EXPECT_TRUE(calls.slots.empty());
    weapon->recharge_left = 0;
}

// A corporation with a long name: the commander's rank and name stay clear of it on their line.
TEST_F(UnitStatus, ALongOwnerNameLeavesTheCommanderRoom) {
    ASSERT_NE(mine->pilot, nullptr);
    player_set_name(game->ui_player, "Halcyon Freight Combine of the Outer Reaches");
    fill(mine, UNIT_STATUS_COMMANDS | UNIT_STATUS_OWN_SIDE);
    const Control *owner = panel_find_child(panel, UNIT_STATUS_OWNER_ID);
    const Control *rank = panel_find_child(panel, UNIT_STATUS_RANK_ID);
    const Control *name = panel_find_child(panel, UNIT_STATUS_PILOT_ID);
    ASSERT_TRUE(owner && rank && name);
    EXPECT_LT(owner->x + owner->w, rank->x) << "the owner's name runs into the rank";
    EXPECT_LE(name->x + name->w, panel->w) << "the commander's name stays inside the panel";
}

TEST_F(UnitStatus, AnotherPlayersShipShowsTheSensorLockOnlyWhenKnown) {
    GameObject *enemy = an_enemy();
    ASSERT_NE(enemy, nullptr);
    Player *ui = game->ui_player;
    ASSERT_FALSE(player_knows_object(ui, enemy->id)) << "seed " << SEED << ": already known at the start";
    fill(enemy, UNIT_STATUS_ANIMATE | UNIT_STATUS_OWN_SIDE | UNIT_STATUS_OBSERVER);
    EXPECT_FALSE(shows(panel, "Sensor lock established"));
    EXPECT_NE(button("Status"), nullptr);
    EXPECT_EQ(button("Move"), nullptr) << "no orders for another's ship";

    player_learn_object(ui, enemy, 1);
    ASSERT_TRUE(player_knows_object(ui, enemy->id));
    fill(enemy, UNIT_STATUS_OWN_SIDE | UNIT_STATUS_OBSERVER);
    EXPECT_TRUE(shows(panel, "Sensor lock established"));
    EXPECT_TRUE(shows(panel, "+30% to hit"));
    click(button("Status"));
    EXPECT_EQ(calls.slots, (std::vector<int>{5}));
}

TEST_F(UnitStatus, TheStateHoldsTheObjectUntilTheNextFillOrTheClose) {
    fill(mine, UNIT_STATUS_COMMANDS | UNIT_STATUS_OWN_SIDE);
    int32_t crit = 0, action = 0;
    unit_status_panel_get_pick(panel, &crit, &action);
    EXPECT_EQ(crit, -1);
    EXPECT_EQ(action, -1);
    unit_status_panel_get_pick(panel, nullptr, nullptr);   // either out may be left out

    // A fill lets the old record's object go as it takes the new one.
    combat_select_object(mine);
    combat_close_object_panels();
    const int32_t held = mine->refcount;
    unit_status_panel_fill(panel, mine, UNIT_STATUS_COMMANDS | UNIT_STATUS_OWN_SIDE);
    EXPECT_EQ(mine->refcount, held);
    EXPECT_EQ(unit_status_panel_state(panel)->object, static_cast<GameObject *>(mine));
    EXPECT_EQ(unit_status_panel_state(panel)->slot[UNIT_STATUS_SLOT_MOVE], nullptr) << "a fill starts empty";

    // The close box: flash, removed, then slot 0.
    panel_set_slot(panel, UNIT_STATUS_SLOT_MOVE, record<1>);
    unit_status_panel_state(panel)->slot[UNIT_STATUS_SLOT_CLOSE] = record<0>;
    frames(25);
    control_addref(panel);   // looked at after the sweep has let it go
    click(panel_find_child(panel_find_child(panel, UNIT_STATUS_CAPTION_ID), TITLE_CLOSE_ID));
    EXPECT_TRUE(panel->flags & CTRL_REMOVED);
    EXPECT_EQ(calls.slots, (std::vector<int>{0}));
    control_release(panel);
    panel = nullptr;
}

// ---- The info panels ----------------------------------------------------------------------------

TEST_F(UnitStatus, TheActiveShipPanelNamesTheShipItsStateAndItsSystems) {
    Control *info = game_add_control(control_root(), 10, 10, 0, 0, panel_create(20, 10, 0, 0, 0));
    combat_active_ship_panel_fill(info, mine, INFO_STYLE_ACTIVE | INFO_STYLE_MARKED);
    EXPECT_EQ(info->user_data, mine);
    EXPECT_TRUE(shows(info, object_get_name(mine)));
    EXPECT_TRUE(shows(info, "Active Ship"));
    EXPECT_TRUE(shows(info, "Retreating"));
    EXPECT_TRUE(shows(info, str_format("%i KT", mine->mass)));
    EXPECT_TRUE(shows(info, str_format("%i TW", mine->capacity_used)));
    // Every fitted system that is not offline has a row.
    for (int32_t i = 0; i < mine->crit_count; ++i) {
        System *s = ship_get_crit_system(mine, i);
        if (!s || (s->status & SYSTEM_STATUS_OFFLINE)) continue;
        const bool listed = shows(info, s->name) ||
                            shows(info, str_format("%s (%s)", s->name.c_str(), ship_crit_direction_name(mine->crits[i].direction)));
        const bool sorted = (s->flags & SYSTEM_FLAG_OFFENSIVE) || !(s->flags & 0x41A080) || s->type == 9;
        if (sorted && !(s->flags & SYSTEM_FLAG_ARMOUR_MOUNT)) {
            EXPECT_TRUE(listed) << s->name;
        }
    }
    combat_active_ship_panel_fill(info, mine, 0);
    EXPECT_FALSE(shows(info, "Active Ship"));
    EXPECT_FALSE(shows(info, "Retreating"));
    control_remove(info);
}

TEST_F(UnitStatus, AShotPanelRatesAVolleyByItsRoundsLeftAndShowsItsOriginAndTarget) {
    GameObject *enemy = an_enemy();
    ASSERT_NE(enemy, nullptr);
    Shot *volley = shot_create(SHOT_TEMPLATE_VOLLEY);
    ASSERT_NE(volley, nullptr);
    object_add_ref(volley);
    volley->trail_max = 5;
    volley->trail_count = 2;
    volley->damage = 30;
    object_set_owner_id(volley, game->ui_player_id);
    shot_set_source(volley, mine);
    shot_set_target(volley, enemy);

    Control *info = game_add_control(control_root(), 10, 10, 0, 0, panel_create(20, 10, 0, 0, 0));
    combat_shot_panel_fill(info, volley, INFO_STYLE_MARKED);
    EXPECT_TRUE(shows(info, "12")) << "30 x 2 / 5";
    EXPECT_TRUE(shows(info, game->ui_player->name));
    EXPECT_TRUE(shows(info, "Origin"));
    EXPECT_TRUE(shows(info, "Targeting"));
    EXPECT_TRUE(shows(info, object_get_name(enemy)));
    Control *header = panel_find_child(info, SHOT_PANEL_HEADER_ID);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->w, info->w - 4);

    // Without an origin only the target's box, at the left.
    Control *targeting = combat_targeting_panel_build(nullptr, enemy);
    ASSERT_NE(targeting, nullptr);
    control_addref(targeting);
    std::vector<Control *> boxes = live_children(targeting);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]->x, 12);
    EXPECT_TRUE(shows(targeting, "Targeting"));
    EXPECT_FALSE(shows(targeting, "Origin"));
    control_release(targeting);

    control_remove(info);
    frame();
    object_release(volley);
}

}  // namespace

namespace {

bool overlap(const Control *a, const Control *b) {
    return a->x < b->x + b->w && b->x < a->x + a->w && a->y < b->y + b->h && b->y < a->y + a->h;
}

// Nothing of a system row lies over anything else of it: the name, the recharge line, the status
// light and word, the info rows and the action buttons, with the system's icon or without it (its
// picture not loaded), idle or recharging.
TEST_F(UnitStatus, ASystemRowLaysItsPartsSideBySideWithOrWithoutItsIcon) {
    System *weapon = nullptr;
    int32_t crit = -1;
    for (int32_t i = 0; i < mine->crit_count && !weapon; ++i)
        if (System *s = ship_get_crit_system(mine, i); s && system_has_action(s)) weapon = s, crit = i;
    ASSERT_NE(weapon, nullptr) << "the first design carries a weapon";
    if (weapon->aux_text.empty()) weapon->aux_text = "Recharging";
    bool loaded_here = false;

    // The battle's fixture loads only the panel's own pictures: the system's icon comes second.
    for (const bool with_icon : {false, true})
        for (const int recharge : {0, 2}) {
            SCOPED_TRACE(std::string(with_icon ? "with" : "without") + " its icon, recharge " + std::to_string(recharge));
            if (with_icon && !loaded_here) {
                ASSERT_EQ(image_control_load_type(weapon->spare), RES_OK) << "the system's icon";
                loaded_here = true;
            }
            if (!with_icon) {
                EXPECT_EQ(image_type_frame_count(weapon->spare), 0) << "the icon is not loaded yet";
            }
            if (recharge) weapon->flags |= SYSTEM_FLAG_RECHARGES;
            weapon->recharge_left = recharge;
            fill(mine, UNIT_STATUS_COMMANDS);
            Control *row = nullptr;
            for (Control *r : rows())
                if (r->tag == crit) row = r;
            ASSERT_NE(row, nullptr);

            std::vector<Control *> parts;
            for (Control *c : live_children(row))
                if (c->owner == row && c->w > 0 && c->h > 0) parts.push_back(c);
            ASSERT_GE(parts.size(), 3u) << "name, status and buttons at least";
            for (size_t i = 0; i < parts.size(); ++i) {
                EXPECT_LE(parts[i]->x + parts[i]->w, row->w) << "child " << i << " inside the row";
                EXPECT_LE(parts[i]->y + parts[i]->h, row->h) << "child " << i << " inside the row";
                for (size_t j = i + 1; j < parts.size(); ++j)
                    EXPECT_FALSE(overlap(parts[i], parts[j]))
                        << "children " << i << " (" << parts[i]->x << "," << parts[i]->y << " " << parts[i]->w << "x"
                        << parts[i]->h << ") and " << j << " (" << parts[j]->x << "," << parts[j]->y << " "
                        << parts[j]->w << "x" << parts[j]->h << ")";
            }
        }
    weapon->recharge_left = 0;
    if (loaded_here) image_control_free_type(weapon->spare);
}

TEST_F(UnitStatus, ASystemRowShadesUnderThePointerAndLooksTheSameOnEveryVisit) {
    fill(mine, UNIT_STATUS_COMMANDS);
    const std::vector<Control *> system_rows = rows();
    ASSERT_FALSE(system_rows.empty());
    Control *row = system_rows.front();
    ColourFade *label = text_label_colour(panel_find_child(row, WEAPON_ROW_LABEL_ID));
    ColourFade *background = panel_background_colour(row);
    ASSERT_NE(label, nullptr);
    ASSERT_NE(background, nullptr);
    int x = 0, y = 0;
    control_get_screen_position(row, &x, &y);
    auto rgb = [](const ColourFade *c) { return std::vector<int>{c->r, c->g, c->b}; };

    // The third visit ends where the first did: the shades come from the label's grey, so
    // hovering never darkens the name step by step.
    for (int visit = 1; visit <= 3; ++visit) {
        SCOPED_TRACE("visit " + std::to_string(visit));
        ui_test::mouse_at(x + 1, y + 1);   // the row's own corner, clear of its buttons
        frames(25);
        EXPECT_EQ(rgb(label), (std::vector<int>{154, 194, 154}));
        EXPECT_EQ(rgb(background), (std::vector<int>{34, 34, 34}));
        ui_test::mouse_at(x - 40, y + 1);   // off the panel, on the battle's map
        frames(25);
        EXPECT_EQ(rgb(label), (std::vector<int>{194, 194, 194}));
        EXPECT_EQ(rgb(background), (std::vector<int>{90, 87, 5}));
    }
}

}  // namespace
