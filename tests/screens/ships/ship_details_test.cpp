// The ship details panel, its command menu and the crew transfer on a real seeded game, opened the
// way the galaxy screen opens them: what the panel shows for each opener, which commands a ship
// gets where it stands and why the others are refused, the transfer's arithmetic, and the galaxy
// handlers behind the slots (repair, scrap, the crew marks after a transfer).
#include "../galaxy/panels_test_support.h"

#include <algorithm>
#include <string>
#include <vector>

#include "game/encounter_life.h"
#include "game/officer.h"
#include "screens/galaxy/sector_panel.h"
#include "screens/galaxy/ship_commands.h"
#include "screens/ships/ship_details.h"
#include "ui/dialog.h"
#include "ui/image_control.h"
#include "ui/panel_slots.h"
#include "ui/scroll.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "ui/transfer_slider.h"
#include "views/commander_box.h"
#include "views/ship_stat_rows.h"
#include "world/factory.h"
#include "world/site.h"

using namespace galaxy_test;

namespace {

// Buttons, tooltips, the dialogs' buttons, stat and rank icons, the system cards' icon boxes.
constexpr int SHIP_DETAILS_IMAGE_TYPES[] = {IMAGE_NO, IMAGE_CLOSE, IMAGE_YES, IMAGE_TRANSFER_CREW, IMAGE_SCRAP,
                                            IMAGE_CANCEL, IMAGE_EMPTY_MOUNT, IMAGE_CREDITS, IMAGE_ACTION_POINTS,
                                            IMAGE_ARMOUR, IMAGE_ARC_SIDE, IMAGE_CREW, IMAGE_ENGINE_MOUNT,
                                            IMAGE_SYSTEM_MOUNT, IMAGE_RANK_FIRST, IMAGE_RANK_FIRST + 1,
                                            IMAGE_RANK_FIRST + 2, IMAGE_RANK_FIRST + 3, IMAGE_RANK_FIRST + 4,
                                            IMAGE_RANK_LAST, IMAGE_REPAIR, IMAGE_CADET, IMAGE_NO_COMMANDER,
                                            IMAGE_ARMOUR_MOUNT, IMAGE_MOVEMENT, IMAGE_CONSTRUCT};

std::string text_of(const Control *c) {
    const TextLabel *t = text_label_of(c);
    return t && t->text ? t->text : "";
}
Control *kid(Control *panel, int id) { return panel ? panel_find_child(panel, id) : nullptr; }

// One command button as the player sees it.
struct Button {
    std::string caption;
    bool enabled = false;
    int tip_kind = -1;      // -1 no tooltip
    std::string tip;
    bool operator==(const Button &) const = default;
};
std::ostream &operator<<(std::ostream &os, const Button &b) {
    return os << "{" << b.caption << (b.enabled ? " on" : " off") << " tip " << b.tip_kind << " \"" << b.tip << "\"}";
}

int slot_calls[PANEL_COMMAND_SLOT_COUNT] = {};
void count_slot6(Control *) { ++slot_calls[SHIP_DETAILS_SLOT_CREW_TRANSFERRED]; }

}  // namespace

class ShipPanel : public PanelsGame {
protected:
    Sector *home = nullptr;
    Site *base = nullptr;
    Ship *ship = nullptr;
    Player *ui = nullptr;
    std::vector<int> icons_;

    void SetUp() override {
        PanelsGame::SetUp();
        if (HasFatalFailure()) return;
        for (int type : SHIP_DETAILS_IMAGE_TYPES) ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
        for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t) factory_acquire_group(OBJECT_SHIP, t, FACTORY_GROUP_FRAMES);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        std::fill(std::begin(slot_calls), std::end(slot_calls), 0);
        ui = game->ui_player;
        std::vector<Ship *> ships = ui_ships_at_home(1, &home);
        ASSERT_EQ(ships.size(), 1u) << "seed " << SEED;
        ship = ships[0];
        base = sector_find_site_of_kind(home, SITE_STARBASE);
        ASSERT_NE(base, nullptr);
        ASSERT_EQ(base->owner_id, ui->id);
    }
    void TearDown() override {
        galaxy_object_panels_close();
        frame();
        for (int type : SHIP_DETAILS_IMAGE_TYPES) image_control_free_type(type);
        for (int type : icons_) image_control_free_type(type);
        PanelsGame::TearDown();
    }

    Officer *hire(const char *name, int rank) {
        Officer *o = player_hire_officer(ui, true, nullptr);
        o->name = name;
        o->rank = rank;
        return o;
    }
    void command(Ship *s, Officer *o) { ship_set_pilot(s, o); }
    // Another player's ship in the home sector.
    Ship *intruder() {
        for (Player *p : game->players->items) {
            if (!p || p == ui) continue;
            Ship *other = ship_of(player_build_ship_from_design(ui, 0));
            if (other) player_commission_ship(p, other, nullptr, home);
            return other;
        }
        return nullptr;
    }

    // The ship panel as the galaxy screen opens it for a pick; frames run.
    Control *open(GameObject *shown) {
        galaxy_object_panels_close();
        Control *panel = galaxy_object_panel_open(GALAXY_PANEL_SHIP);
        galaxy_show_ship_panel(panel, shown, ui);
        game_flush_new_controls(game);
        frames(40);
        return panel;
    }
    Control *open_with(GameObject *shown, uint32_t flags) {
        galaxy_object_panels_close();
        Control *panel = galaxy_object_panel_open(GALAXY_PANEL_SHIP);
        ship_details_build(panel, shown, flags);
        game_flush_new_controls(game);
        frames(40);
        return panel;
    }
    std::vector<Button> menu(Control *panel) {
        std::vector<Button> out;
        Control *m = kid(panel, SHIP_PANEL_ID_MENU);
        for (Control *b : m ? panel_of(m)->children.items : std::vector<Control *>{}) {
            const ImageControl *im = image_of(b);
            if (!im || (b->flags & CTRL_REMOVED)) continue;
            Button button{im->caption ? im->caption : "", !image_control_is_highlighted(b), -1, ""};
            if (im->options & IMG_TOOLTIP) {
                button.tip_kind = im->tooltip_kind;
                button.tip = im->tooltip_text ? im->tooltip_text : "";
            }
            out.push_back(button);
        }
        return out;
    }
    Button button(Control *panel, const std::string &caption) {
        for (const Button &b : menu(panel))
            if (b.caption == caption) return b;
        return {"(none)", false, -1, ""};
    }
    std::string row(Control *panel, const std::string &label) {
        Control *table = kid(panel, SHIP_PANEL_ID_ROWS);
        for (int i = 0; Control *r = ui_stat_rows_row(table, i); ++i)
            if (text_of(kid(r, STAT_ROW_LABEL_ID)) == label) return text_of(kid(r, STAT_ROW_VALUE_ID));
        return "-";
    }
    Control *menu_button(Control *panel, const std::string &caption) {
        Control *m = kid(panel, SHIP_PANEL_ID_MENU);
        for (Control *b : m ? panel_of(m)->children.items : std::vector<Control *>{})
            if (image_of(b) && image_of(b)->caption && caption == image_of(b)->caption) return b;
        return nullptr;
    }
    void refresh(Control *panel) {
        ship_details_refresh(panel);
        frames(25);
    }
};

// ---- The command menu ----

TEST_F(ShipPanel, TransferIsRefusedWithTheFirstReasonThatApplies) {
    command(ship, hire("Ada Vance", 2));
    ship->crew = 0;
    base->crew = 0;
    Ship *other = intruder();
    ASSERT_NE(other, nullptr);
    Control *panel = open(ship);
    EXPECT_EQ(button(panel, "Transfer"), (Button{"Transfer", false, 0, "No crew available"})) << "before the enemies";

    base->crew = 40;
    refresh(panel);
    EXPECT_EQ(button(panel, "Transfer"), (Button{"Transfer", false, 0, "Enemy ships present"}));
    EXPECT_EQ(button(panel, "Scrap"), (Button{"Scrap", false, 0, "Enemy ships present"}));

    ship_set_sector(other, nullptr);
    base->crew = base->params.crew_capacity;
    ship->crew = ship->max_crew;
    refresh(panel);
    EXPECT_EQ(button(panel, "Transfer"), (Button{"Transfer", false, 0, "Crew capacity reached"}));
    ship->crew = ship->max_crew - 1;
    refresh(panel);
    EXPECT_TRUE(button(panel, "Transfer").enabled);

    ship_set_pilot(ship, nullptr);
    refresh(panel);
    EXPECT_EQ(button(panel, "Transfer").caption, "(none)") << "a ship without commander never transfers";
}

TEST_F(ShipPanel, RepairShowsItsPriceEvenWhenItCannotBePaidAndAPaidRepairRestoresTheShip) {
    ship_repair_and_reload(ship);
    Control *panel = open(ship);
    EXPECT_EQ(button(panel, "Repair").caption, "(none)");
    EXPECT_EQ(button(panel, "Reload").caption, "(none)");

    ship_add_armour(ship, -20);
    const int price = ship_repair_cost(ship);
    ASSERT_GE(price, 1);
    ui->credits = price - 1;
    refresh(panel);
    const std::string shown = std::to_string(price);
    EXPECT_EQ(button(panel, "Repair"), (Button{"Repair", false, 1, shown}));
    press('r');
    EXPECT_LT(ship->armour, ship->max_armour) << "a greyed button ignores its hotkey";

    ui->credits = price + 5;
    refresh(panel);
    EXPECT_EQ(button(panel, "Repair"), (Button{"Repair", true, 1, shown}));
    click(menu_button(panel, "Repair"));
    frames(5);
    EXPECT_EQ(ship->armour, ship->max_armour);
    EXPECT_EQ(ui->credits, 5);
    EXPECT_EQ(button(panel, "Repair").caption, "(none)") << "the menu is rebuilt after the repair";
}

TEST_F(ShipPanel, ConstructAndScrapShareTheirKeyOnlyTheEnabledOneAnswers) {
    ship->ship_flags |= SHIP_FLAG_CONSTRUCTOR;
    Control *panel = open(ship);
    EXPECT_EQ(button(panel, "Construct"), (Button{"Construct", false, 0, "Starbase already present"}));
    ASSERT_TRUE(button(panel, "Scrap").enabled);

    press('c');
    frames(15);
    Control *dialog = kid(panel, SHIP_PANEL_ID_CONFIRM);
    ASSERT_NE(dialog, nullptr) << "the scrap question, not the construct one";
    EXPECT_FALSE(control_is_shown(kid(panel, SHIP_PANEL_ID_MENU)));
    click(kid(kid(dialog, DIALOG_ROW_ID), DIALOG_NO_ID));
    frames(15);
    EXPECT_EQ(kid(panel, SHIP_PANEL_ID_CONFIRM), nullptr);
    EXPECT_TRUE(control_is_shown(kid(panel, SHIP_PANEL_ID_MENU)));
    EXPECT_EQ(ship->sector_id, home->id) << "No, keep changes nothing";
}

TEST_F(ShipPanel, OutsideASectorThereAreNoShipCommands) {
    ship_set_sector(ship, nullptr);
    Control *panel = open(ship);
    EXPECT_TRUE(menu(panel).empty()) << "0xFBB has no Back";
    EXPECT_EQ(kid(panel, SHIP_PANEL_ID_MENU), nullptr);
    EXPECT_EQ(row(panel, "Location"), "Deep space");

    panel = open_with(ship, SHIP_PANEL_GALAXY_OWN | SHIP_PANEL_BACK);
    EXPECT_EQ(menu(panel), (std::vector<Button>{{"Back", true, -1, ""}}));
}

// ---- What the panel shows ----

TEST_F(ShipPanel, OwnAndForeignShipsShowTheirRowsByOpener) {
    command(ship, hire("Ada Vance", 3));
    ship->shield_strength = 0;
    Control *panel = open(ship);
    EXPECT_EQ(row(panel, "Location"), std::string(object_get_name(home)) + " sector");
    EXPECT_NE(row(panel, "Built"), "-");
    EXPECT_EQ(row(panel, "Class"), ship->name);
    EXPECT_EQ(row(panel, "Shields"), "-");
    EXPECT_EQ(row(panel, "Mass"), std::to_string(ship->mass) + " KT");
    ASSERT_NE(kid(panel, SHIP_PANEL_ID_COMMANDER), nullptr);
    EXPECT_EQ(ship_details_state(panel)->shown_officer_id, ship->pilot->id) << "clickable for its commander";

    Ship *other = intruder();
    ASSERT_NE(other, nullptr);
    other->pilot_text = "Rex Morrow";
    other->pilot_id = 77;
    other->pilot_rank = 4;
    panel = open(other);
    GameObject *shown = ship_details_ship(panel);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->flags & OBJ_SNAPSHOT) << "the UI player's memory of it";
    EXPECT_EQ(row(panel, "Built"), "-");
    EXPECT_EQ(row(panel, "Design"), "-");
    EXPECT_EQ(kid(panel, SHIP_PANEL_ID_MENU), nullptr);
    Control *box = kid(panel, SHIP_PANEL_ID_COMMANDER);
    EXPECT_EQ(text_of(kid(box, COMMANDER_BOX_ID_NAME)), "Rex Morrow");
    EXPECT_EQ(text_of(kid(box, COMMANDER_BOX_ID_RANK_NAME)), "Commodore");
    EXPECT_EQ(ship_details_state(panel)->shown_officer_id, 0u);
}

TEST_F(ShipPanel, ACardStandsForEachFittedSystemAndABareHullHasItsPictureCentred) {
    std::vector<int32_t> fitted;
    for (int32_t i = 0; i < ship->crit_count; ++i)
        if (System *system = ship->crits[i].system) {
            fitted.push_back(i);
            if (image_control_load_type(system->spare) == RES_OK) icons_.push_back(system->spare);
        }
    ASSERT_FALSE(fitted.empty()) << "the first design carries systems";
    Control *panel = open(ship);
    const ShipDetailsState *s = ship_details_state(panel);
    std::vector<int32_t> mounts;
    for (Control *card : s->cards.items) {
        mounts.push_back(panel_of(card)->value);
        EXPECT_EQ(card->user_data, ship->crits[panel_of(card)->value].system) << "what its status line reads";
    }
    EXPECT_EQ(mounts, fitted) << "in mount order";
    Control *picture = kid(panel, SHIP_PANEL_ID_HULL);
    ASSERT_NE(picture, nullptr);
    for (Control *card : s->cards.items) EXPECT_GE(card->y, picture->y - card->h) << "the group was moved under the stats";
    Control *first = s->cards.items[0];
    const int x = first->x, y = first->y;
    refresh(panel);
    EXPECT_EQ(std::make_pair(first->x, first->y), std::make_pair(x, y)) << "a refresh renews the status lines in place";

    for (int32_t i : fitted) ASSERT_EQ(ship_set_crit_system(ship, i, nullptr), RES_OK);
    panel = open(ship);
    EXPECT_EQ(list_count(&ship_details_state(panel)->cards), 0);
    picture = kid(panel, SHIP_PANEL_ID_HULL);
    EXPECT_EQ(picture->x, panel->w / 2 - picture->w / 2);
}

TEST_F(ShipPanel, AnUnmannedImmobileHullInCombatShowsNeitherCommanderNorCrewNorMovement) {
    Ship *guard = ship_of(factory_create_object(OBJECT_SHIP, SHIP_HULL_SENTINEL));
    ASSERT_NE(guard, nullptr);
    ASSERT_TRUE(guard->hull_flags & HULL_FLAG_NO_PILOT);
    object_assign_id(guard);
    object_set_owner_id(guard, ui->id);
    player_add_object(ui, guard);
    ship_set_sector(guard, home);
    Control *panel = open_with(guard, SHIP_PANEL_COMBAT_OWN);
    EXPECT_EQ(kid(panel, SHIP_PANEL_ID_COMMANDER), nullptr);
    Control *stats = kid(panel, SHIP_PANEL_ID_STATS);
    ASSERT_NE(stats, nullptr);
    EXPECT_NE(kid(stats, SHIP_STAT_ROW_ARMOR), nullptr);
    EXPECT_NE(kid(stats, SHIP_STAT_ROW_AP), nullptr);
    EXPECT_EQ(kid(stats, SHIP_STAT_ROW_CREW), nullptr);
    EXPECT_EQ(kid(stats, SHIP_STAT_ROW_MP), nullptr);
    const Control *owner = kid(panel, SHIP_PANEL_ID_OWNER);
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(stats->y, owner->y + owner->h + 8) << "straight after the owner line";
    EXPECT_EQ(row(panel, "Class"), "-") << "a hull named by its template";
    EXPECT_EQ(row(panel, "Location"), "-") << "the combat screen shows no location";
    EXPECT_EQ(kid(panel, SHIP_PANEL_ID_MENU), nullptr);
}

TEST_F(ShipPanel, WithoutOfficersAtTheStarbaseTheCommanderRowSaysWhyOnHover) {
    ship_set_pilot(ship, nullptr);
    if (base->commander) site_set_pilot(base, nullptr);
    while (site_officer_count(base) > 0) site_remove_officer(base, site_get_officer(base, 0)->id);
    for (int32_t i = 0; i < sector_object_count(home); ++i)
        if (Ship *s = ship_of(sector_get_object(home, i)); s && s != ship) ship_set_pilot(s, nullptr);
    Control *panel = open(ship);
    Control *row = kid(panel, SHIP_PANEL_ID_COMMANDER);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(text_of(kid(row, COMMANDER_BOX_ID_NAME)), "(No commander)");
    EXPECT_EQ(ship_details_state(panel)->officer_row_reason, "No officers at Starbase");
    int x = 0, y = 0;
    control_get_screen_position(row, &x, &y);
    ui_test::mouse_at(x + 4, y + row->h / 2);
    frames(3);
    Control *popup = find(SHIP_PANEL_REASON_ID);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(text_of(panel_of(popup)->children.items[0]), "No officers at Starbase");

    site_add_officer(base, hire("Bo Lind", 1));
    panel = open(ship);
    EXPECT_TRUE(ship_details_state(panel)->officer_row_reason.empty()) << "an officer waits in the pool";
    ship_set_sector(ship, nullptr);
    panel = open(ship);
    EXPECT_EQ(ship_details_state(panel)->officer_row_reason, "No Starbase nearby");
}

TEST_F(ShipPanel, ARefreshRenewsTheCommanderRowOnlyWhenTheCommanderChanged) {
    command(ship, hire("Ada Vance", 2));
    Control *panel = open(ship);
    Control *row = kid(panel, SHIP_PANEL_ID_COMMANDER);
    ASSERT_NE(row, nullptr);
    refresh(panel);
    EXPECT_EQ(kid(panel, SHIP_PANEL_ID_COMMANDER), row) << "same commander, same row";

    Officer *next = hire("Cy Moreau", 5);
    command(ship, next);
    refresh(panel);
    Control *renewed = kid(panel, SHIP_PANEL_ID_COMMANDER);
    ASSERT_NE(renewed, nullptr);
    EXPECT_NE(renewed, row);
    EXPECT_EQ(text_of(kid(renewed, COMMANDER_BOX_ID_NAME)), "Cy Moreau");
    EXPECT_EQ(ship_details_state(panel)->shown_officer_id, next->id);
}

TEST_F(ShipPanel, TheCommanderRowTakesClicksAtOnceWhenItsSlotIsFilledAndNoneWhenEmpty) {
    command(ship, hire("Ada Vance", 2));
    const auto built = [this] {
        galaxy_object_panels_close();
        Control *panel = galaxy_object_panel_open(GALAXY_PANEL_SHIP);
        ship_details_build(panel, ship, SHIP_PANEL_GALAXY_OWN);
        return panel;
    };
    Control *panel = built();
    Control *row = kid(panel, SHIP_PANEL_ID_COMMANDER);
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->flags & CTRL_DISABLED) << "held while the row grows in";
    panel_set_slot(panel, SHIP_DETAILS_SLOT_OFFICER_ROW, [](Control *) {});
    ship_details_sync_officer_row(panel);
    EXPECT_FALSE(row->flags & (CTRL_DISABLED | CTRL_DISABLE_TIMER));

    panel = built();
    row = kid(panel, SHIP_PANEL_ID_COMMANDER);
    ship_details_sync_officer_row(panel);
    game_flush_new_controls(game);
    frames(40);
    EXPECT_FALSE(control_is_enabled(row)) << "an empty slot keeps the row off after the animation";
}

// ---- The crew transfer ----

class CrewTransfer : public ShipPanel {
protected:
    Control *panel = nullptr;

    Control *slider() { return kid(kid(panel, SHIP_PANEL_ID_TRANSFER), SHIP_PANEL_ID_SLIDER); }
    Control *track() { return kid(slider(), SLIDER_TRACK_ID); }
    void open_transfer() {
        command(ship, hire("Ada Vance", 2));
        panel = open(ship);
        ship_details_state(panel)->slot[SHIP_DETAILS_SLOT_CREW_TRANSFERRED] = count_slot6;
        click(menu_button(panel, "Transfer"));
        frames(15);
        ASSERT_NE(slider(), nullptr);
    }
    void accept() {
        Control *dialog = kid(panel, SHIP_PANEL_ID_TRANSFER);
        Control *yes = nullptr;
        for (Control *c : panel_of(dialog)->children.items)
            if (image_of(c) && image_of(c)->image_type == IMAGE_YES) yes = c;
        click(yes);
        frames(15);
    }
};

TEST_F(CrewTransfer, TheSliderMovesCrewWithinBothLimitsAndAcceptWritesBoth) {
    ship->crew = 10;
    base->crew = 150;
    open_transfer();
    const int total = ship->crew + base->crew;
    const TransferSliderState *s = transfer_slider_state(slider());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->left_max, ship->max_crew);
    EXPECT_EQ(s->right_max, base->params.crew_capacity);
    int range = 0;
    scroll_track_get_thumb(track(), nullptr, &range);
    scroll_track_set_thumb(track(), 0);   // all the ship can hold comes aboard
    EXPECT_EQ(s->new_left, std::min(ship->max_crew, total));
    accept();
    EXPECT_EQ(ship->crew, std::min(ship->max_crew, total));
    EXPECT_EQ(ship->crew + base->crew, total);
    EXPECT_EQ(ship->ap, ship->max_ap);
    EXPECT_EQ(slot_calls[SHIP_DETAILS_SLOT_CREW_TRANSFERRED], 1);
    EXPECT_EQ(base->crew >= 100, !(base->state & SITE_CREW_SHORT)) << base->crew;
}

TEST_F(CrewTransfer, AShipOverItsMaximumGivesTheExcessBackEvenWithoutMovingTheSlider) {
    open_transfer();
    ship->crew = ship->max_crew + 30;   // more than the hull holds, as after losing a commander's bonus
    base->crew = 120;
    crew_transfer_open(menu_button(panel, "Transfer"));   // a fresh dialog over the new crews
    frames(15);
    accept();
    EXPECT_EQ(ship->crew, ship->max_crew);
    EXPECT_EQ(base->crew, 150) << "the 30 the ship cannot hold went back";
}

TEST_F(CrewTransfer, AStarbaseLostMeanwhileTakesNothingButTheSlotStillHears) {
    ship->crew = 20;
    base->crew = 200;
    open_transfer();
    scroll_track_set_thumb(track(), 0);
    base->owner_id = 0;   // taken from the player while the dialog was open
    accept();
    EXPECT_EQ(ship->crew, 20);
    EXPECT_EQ(base->crew, 200);
    EXPECT_EQ(slot_calls[SHIP_DETAILS_SLOT_CREW_TRANSFERRED], 1);
    EXPECT_TRUE(control_is_shown(kid(panel, SHIP_PANEL_ID_MENU)));
}

// Opened from the sector panel of its own sector, the ship's transfer shows in that panel's
// "Starbase crew" at once, not a day later.
TEST_F(CrewTransfer, TheSectorPanelBesideShowsTheStarbasesNewCrewAtOnce) {
    ship->crew = 10;
    base->crew = 150;
    command(ship, hire("Ada Vance", 2));
    galaxy_object_panels_close();
    Control *sector_panel = galaxy_object_panel_open(GALAXY_PANEL_SECTOR);
    galaxy_object_panel_set_object(sector_panel, home);
    galaxy_show_sector_panel(sector_panel, home, 0x3d);   // the own sector's panel from the map
    panel = galaxy_object_panel_open(GALAXY_PANEL_SHIP);
    galaxy_show_ship_panel(panel, ship, ui);
    game_flush_new_controls(game);
    frames(40);
    Control *rows = kid(sector_panel, SECTOR_PANEL_ROWS);
    ASSERT_EQ(text_of(kid(ui_stat_rows_row(rows, 0), STAT_ROW_LABEL_ID)), "Starbase crew");
    EXPECT_EQ(text_of(kid(ui_stat_rows_row(rows, 0), STAT_ROW_VALUE_ID)), "150");

    click(menu_button(panel, "Transfer"));
    frames(15);
    ASSERT_NE(slider(), nullptr);
    scroll_track_set_thumb(track(), 0);   // all the ship can hold comes aboard
    accept();
    ASSERT_LT(base->crew, 150);
    EXPECT_EQ(text_of(kid(ui_stat_rows_row(rows, 0), STAT_ROW_VALUE_ID)), std::to_string(base->crew));
    driver.save_screen("sector_panel_after_transfer.png");   // for review
}

// ---- The galaxy's handlers ----

TEST_F(ShipPanel, ScrapPaysTheValueFillsTheStarbaseToCapacityAndPoolsTheCommander) {
    Officer *pilot = hire("Ada Vance", 2);
    command(ship, pilot);
    ship->crew = ship->max_crew;
    base->crew = base->params.crew_capacity - 5;
    const int credits = ui->credits, value = ship_scrap_value(ship);
    Control *panel = open(ship);
    object_add_ref(ship);   // to read it afterwards
    galaxy_ship_on_scrap(panel);
    frames(5);
    EXPECT_EQ(ui->credits, credits + value);
    EXPECT_EQ(base->crew, base->params.crew_capacity) << "the rest of the crew is lost";
    EXPECT_EQ(ship->sector_id, 0u);
    EXPECT_EQ(pilot->ship_id, 0u) << "it commands nothing now";
    EXPECT_EQ(pilot->sector_id, home->id);
    EXPECT_NE(std::find(base->officers.items.begin(), base->officers.items.end(), pilot), base->officers.items.end());
    EXPECT_EQ(player_find_object(ui, ship->id), nullptr);
    object_release(ship);
}

TEST_F(ShipPanel, ScrapOfAShipOnlyItsSectorHoldsTouchesNoFreedShip) {
    Ship *lone = ship_of(player_build_ship_from_design(ui, 0));
    ASSERT_NE(lone, nullptr);
    object_assign_id(lone);
    object_set_owner_id(lone, ui->id);
    ship_set_sector(lone, home);   // the sector's reference is its only one
    Control *panel = open_with(lone, SHIP_PANEL_GALAXY_OWN);
    panel->user_free = nullptr;    // the panel lets go of its own, as a screen holding none would
    object_release(lone);
    const uint64_t id = lone->id;
    galaxy_ship_on_scrap(panel);   // under the sanitizer, a step after the sector let go would fail here
    panel->user_data = nullptr;
    EXPECT_EQ(game_find_object(game, id), nullptr);
    for (int32_t i = 0; i < sector_object_count(home); ++i) EXPECT_NE(sector_get_object(home, i)->id, id);
}

TEST_F(ShipPanel, ATransferThatLeavesTheStarbaseAtExactly100ClearsEverySitesCrewMark) {
    Control *panel = open(ship);
    for (Site *site : home->sites.items)
        if (site) site->state |= SITE_CREW_SHORT;
    base->crew = 100;
    galaxy_ship_on_crew_transferred(panel);
    for (Site *site : home->sites.items) {
        if (!site) break;
        EXPECT_FALSE(site->state & SITE_CREW_SHORT) << site->name;
    }
    // One short: the sector's work stops, but its planets and star are never short of crew (the
    // star map would paint them idle).
    base->crew = 99;
    galaxy_ship_on_crew_transferred(panel);
    int32_t bodies = 0;
    for (Site *site : home->sites.items) {
        if (!site) break;
        const bool spared = site->params.template_flags & (SITE_TF_LABELLED | SITE_TF_NEVER_CREW_SHORT);
        bodies += spared;
        EXPECT_EQ(bool(site->state & SITE_CREW_SHORT), !spared) << site->name;
    }
    EXPECT_GT(bodies, 0) << "the home sector has its bodies";
}

// ---- For review ----

TEST_F(ShipPanel, LooksForReviewWithItsTransferDialogOpen) {
    command(ship, hire("Ada Vance", 3));
    base->crew = 180;
    Control *panel = open(ship);
    control_set_position(panel, 200, 80);
    frames(40);
    driver.save_screen("ship_details.png");
    click(menu_button(panel, "Transfer"));
    frames(30);
    driver.save_screen("ship_details_transfer.png");
    Control *dialog = kid(panel, SHIP_PANEL_ID_TRANSFER);
    ASSERT_NE(dialog, nullptr);
    EXPECT_LE(dialog->x + dialog->w, panel->w) << "inside the panel";
    EXPECT_LE(dialog->y + dialog->h, panel->h);
}
