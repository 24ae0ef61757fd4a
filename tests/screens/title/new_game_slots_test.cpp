// The setup screen's player slots: the colour picker's swaps, the record statistics popup, and the
// round trip through the player selection (who plays, Start's state and why, a new player's name).
// The player selection tests open the real dialog and answer it as its OK does: the selected row
// set in its state, then its on_chosen slot called.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>
#include "screens/title/new_game_fixture.h"
#include "screens/title/new_game_internal.h"
#include "screens/title/player_select.h"
#include "ui/dialog.h"
#include "ui/stat_rows.h"

namespace new_game_test {
namespace {

using Colour = std::array<int, 3>;

class NewGameSlots : public NewGameFixture {
protected:
    Control *swatch(int k) const { return panel_find_child(slot(k), NEW_GAME_SWATCH_ID); }
    Control *picker() const { return panel_find_child(screen_, NEW_GAME_PICKER_ID); }
    Colour colour(int k) const {
        const ColourFade &c = state()->colours[k];
        return {c.r, c.g, c.b};
    }
    static Colour rgb_of(const ColourFade *c) { return {c->r, c->g, c->b}; }
    static Colour two_thirds(Colour c) { return {c[0] * 2 / 3, c[1] * 2 / 3, c[2] * 2 / 3}; }
    static Control *popup() { return game_find_control(game(), CONTROL_ID_POPUP); }
    static Control *dialog() { return game_find_control(game(), CONTROL_ID_PLAYER_SELECT); }

    static Control *child_with_value(Control *panel, int value) {
        for (Control *c : panel_of(panel)->children.items)
            if (c && !(c->flags & CTRL_REMOVED) && panel_of(c) && panel_of(c)->value == value) return c;
        return nullptr;
    }

    // The texts of the popup: its labels in order, then the statistics rows' values.
    struct PopupText {
        std::vector<std::string> labels, values;
    };
    static PopupText read_popup() {
        PopupText out;
        Control *p = popup();
        if (!p) return out;
        for (Control *c : panel_of(p)->children.items) {
            if (!c) break;
            if (text_label_of(c)) out.labels.push_back(text_of(c));
            for (int i = 0; Control *row = ui_stat_rows_row(c, i); ++i)
                out.values.push_back(text_of(panel_find_child(row, STAT_ROW_VALUE_ID)));
        }
        return out;
    }

    // Clicks slot k's name box; the player selection opens for it.
    PlayerSelectState *open_selection(int k) {
        click(name_box(k));
        Control *d = dialog();
        return d ? player_select_state(d) : nullptr;
    }
    // The dialog's OK with the record of that id selected (0: the create or "no player" row).
    void choose(uint64_t id) {
        Control *d = dialog();
        PlayerSelectState *s = player_select_state(d);
        ASSERT_NE(s, nullptr);
        s->selected = -1;
        for (int32_t i = 0; id && i < list_count(s->available); ++i)
            if (list_get(s->available, i)->id == id) s->selected = i;
        ASSERT_TRUE(id == 0 || s->selected >= 0) << "record " << id << " is not offered";
        ASSERT_NE(s->on_chosen, nullptr);
        s->on_chosen(d);
        settle(300);
    }
    // The create row with a name entered in the dialog.
    void create_player(const char *name) {
        PlayerSelectState *s = open_selection(0);
        ASSERT_NE(s, nullptr);
        s->name_entered = 1;
        s->typed_name = name;
        choose(0);
    }
    bool menu_shut() const {
        return (menu_->flags & CTRL_DISABLED) && (panel_of(menu_)->flags & PANEL_DIM) && panel_of(menu_)->dim_shift == 3;
    }
};

// ---- the colour picker ----

TEST_F(NewGameSlots, SwapsKeepTheFiveColoursAPermutationAndTheOwnColourChangesNothing) {
    open_screen();
    std::array<Colour, GAME_SLOT_COUNT> expect{};
    for (int k = 0; k < GAME_SLOT_COUNT; ++k) expect[k] = colour(k);
    std::array<Colour, GAME_SLOT_COUNT> start_colours = expect;
    const struct {
        int a, b;
    } swaps[] = {{0, 1}, {3, 3}, {4, 0}, {2, 4}, {1, 2}, {0, 0}, {3, 1}, {4, 3}, {2, 0}, {1, 4}, {0, 3}};
    for (const auto &s : swaps) {
        SCOPED_TRACE(testing::Message() << s.a << " <-> " << s.b);
        click(swatch(s.a));
        settle(200);   // the picker has grown and its swatches take clicks
        ASSERT_NE(picker(), nullptr);
        Control *pick = child_with_value(picker(), s.b);
        ASSERT_NE(pick, nullptr);
        click(pick);
        settle(300);
        std::swap(expect[s.a], expect[s.b]);
        for (int k = 0; k < GAME_SLOT_COUNT; ++k) {
            EXPECT_EQ(colour(k), expect[k]) << "slot " << k;
            EXPECT_EQ(rgb_of(panel_background_colour(swatch(k))), two_thirds(expect[k])) << "slot " << k;
        }
        for (int k : {s.a, s.b}) {
            Control *name = panel_find_child(name_box(k), NEW_GAME_LABEL_ID);
            EXPECT_EQ(rgb_of(text_label_colour(name)), expect[k]) << "slot " << k;
        }
        EXPECT_EQ(picker(), nullptr) << "the picker closes";
    }
    std::sort(expect.begin(), expect.end());
    std::sort(start_colours.begin(), start_colours.end());
    EXPECT_EQ(expect, start_colours);
    const ColourFade *second = text_label_colour(panel_find_child(name_box(1), NEW_GAME_SECOND_TEXT_ID));
    EXPECT_EQ(rgb_of(second), (Colour{220, 240, 220})) << "the second text keeps its colour";
}

// ---- the statistics popup ----

TEST_F(NewGameSlots, HoverShowsTheRecordsStatisticsAndLeavingClosesThem) {
    Game *g = game();
    const struct {
        uint64_t id;
        uint64_t games, wins, research;
    } stats[] = {{2, 3, 1, 399}, {6, 5, 2, 400}, {7, 4, 0, 801}};
    for (const auto &s : stats) {
        PlayerRecord *r = records_find(g, s.id);
        ASSERT_NE(r, nullptr);
        r->stats[RECORD_STAT_GAMES_FINISHED] = s.games;
        r->stats[RECORD_STAT_WINS] = s.wins;
        r->stats[RECORD_STAT_RESEARCH] = s.research;
        r->stats[RECORD_STAT_RESOURCES_MINED] = 120;
    }
    open_screen();
    const struct {
        int slot;
        const char *name, *kind, *games, *research;
    } cases[] = {
        {1, "Halcyon Freight Combine", "AI player", "3 (1 win)", "0 RP"},
        {2, "Ironveil Security", "AI player", "5 (2 wins)", "1 RP"},
        {3, "Nova Frontier Company", "AI player", "4", "2 RP"},
        {0, "Commander", "Human player", "0", "0 RP"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        point_at(name_box(c.slot));
        const PopupText text = read_popup();
        ASSERT_EQ(text.labels.size(), 2u);
        EXPECT_EQ(text.labels[0], c.name);
        EXPECT_EQ(text.labels[1], c.kind);
        ASSERT_EQ(text.values.size(), 9u);
        EXPECT_EQ(text.values[0], c.games);
        EXPECT_EQ(text.values[8], c.research);
        EXPECT_EQ(text.values[7], c.slot == 0 ? "$0" : "$120");
        int sx = 0, sy = 0;
        control_get_screen_position(slot(c.slot), &sx, &sy);
        EXPECT_GE(popup()->x, sx + slot(c.slot)->w) << "right of the slot";
    }
    point_at(name_box(4));
    EXPECT_EQ(read_popup().labels, std::vector<std::string>{"Click to add a player"});
    mouse_at(2, 760);
    frame();
    EXPECT_EQ(popup(), nullptr) << "leaving the name box closes it";
    state()->record_ids[0] = 0;
    point_at(name_box(0));
    EXPECT_EQ(read_popup().labels, std::vector<std::string>{"New player"});
}

// ---- the player selection ----

TEST_F(NewGameSlots, SelectionOpensBesideTheMenuShutsItAndTheAnswerRelabelsTheSlot) {
    open_screen();
    click(swatch(1));
    ASSERT_NE(picker(), nullptr);
    PlayerSelectState *s = open_selection(2);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(picker(), nullptr) << "the selection closes the colour picker";
    Control *d = dialog();
    EXPECT_EQ(panel_of(d)->value, 2);
    EXPECT_EQ(d->user_data, screen_);
    EXPECT_EQ(s->human, 0);
    EXPECT_EQ(d->x, menu_->x + slot(2)->w / 2);
    EXPECT_EQ(d->y, menu_->y + (menu_->h - d->h) / 2);
    EXPECT_TRUE(panel_of(d)->flags & PANEL_GLOW);
    EXPECT_TRUE(menu_shut());
    click(name_box(3));
    EXPECT_EQ(dialog(), d) << "the shut menu takes no clicks";
    choose(3);
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_EQ(state()->record_ids[2], 3u);
    EXPECT_EQ(slot_name(2), "Vireo Armaments");
    EXPECT_EQ(text_of(panel_find_child(name_box(2), NEW_GAME_SECOND_TEXT_ID)), "Guns first, questions never");
    EXPECT_FALSE(menu_->flags & CTRL_DISABLED);
    EXPECT_FALSE(panel_of(menu_)->flags & PANEL_DIM);
    EXPECT_TRUE(panel_of(menu_)->flags & PANEL_GLOW);

    ASSERT_NE(open_selection(0), nullptr);
    EXPECT_EQ(player_select_state(dialog())->human, 1);
    EXPECT_TRUE(menu_shut());
    Control *closing = dialog();
    player_select_state(closing)->on_closed(closing);   // Back
    EXPECT_FALSE(menu_->flags & CTRL_DISABLED);
    EXPECT_FALSE(panel_of(menu_)->flags & PANEL_DIM);
    EXPECT_EQ(state()->record_ids[0], RECORD_HUMAN_DEFAULT_ID) << "Back changes no slot";
    control_remove(closing);
}

TEST_F(NewGameSlots, StartFollowsWhetherAnyComputerPlayerIsLeft) {
    Game *g = game();
    const uint64_t ids[GAME_SLOT_COUNT] = {1, 2, 0, 0, 0};
    for (int k = 0; k < GAME_SLOT_COUNT; ++k) g->slot_record_ids[k] = ids[k];
    open_screen();
    ASSERT_FALSE(greyed(start()));
    ASSERT_NE(open_selection(1), nullptr);
    choose(0);   // " (No player)" for the last computer slot
    EXPECT_EQ(state()->record_ids[1], 0u);
    EXPECT_EQ(slot_name(1), "(No player)");
    EXPECT_TRUE(greyed(start()));
    EXPECT_EQ(tooltip(start()), "AI player required");
    ASSERT_NE(open_selection(2), nullptr);
    choose(8);
    EXPECT_FALSE(greyed(start()));
    EXPECT_EQ(tooltip(start()), "");
    EXPECT_EQ(start()->on_hover_enter, nullptr);
    EXPECT_EQ(start()->on_hover_leave, nullptr);
    press('s');
    EXPECT_EQ(g_starts, 1);
    EXPECT_EQ(g->slot_record_ids[2], 8u);
}

TEST_F(NewGameSlots, ANewPlayerNeedsANameAndNoNamelessRecordIsEverWritten) {
    open_screen();
    const int32_t records = list_count(game()->player_records);
    for (const char *blank : {"", "   ", " \t "}) {
        SCOPED_TRACE(testing::Message() << '"' << blank << '"');
        create_player(blank);
        EXPECT_EQ(state()->record_ids[0], 0u);
        ASSERT_TRUE(greyed(start()));
        EXPECT_EQ(tooltip(start()), "Player name required");
        click(start());
        press('s');
        new_game_on_start(start());   // even a stray call makes no record
        EXPECT_EQ(g_starts, 0);
        EXPECT_EQ(list_count(game()->player_records), records);
        EXPECT_FALSE(file_exists(save_.file("records.dat")));
        EXPECT_FALSE(file_exists(save_.file("prefs.dat")));
    }
    // Without a name entered the slot keeps the name it had: still none.
    ASSERT_NE(open_selection(0), nullptr);
    choose(0);
    EXPECT_EQ(tooltip(start()), "Player name required");

    // No computer player either: that reason is the one shown.
    for (int k = 1; k < GAME_SLOT_COUNT; ++k) state()->record_ids[k] = 0;
    ASSERT_NE(open_selection(0), nullptr);
    choose(0);
    EXPECT_EQ(tooltip(start()), "AI player required");
    state()->record_ids[1] = 2;

    create_player("Orion Hale");
    EXPECT_EQ(slot_name(0), "Orion Hale");
    ASSERT_FALSE(greyed(start()));
    settle(300);
    click(start());
    ASSERT_EQ(g_starts, 1);
    Game *other = game_create();
    ASSERT_EQ(records_load(other), RES_OK);
    ASSERT_EQ(list_count(other->player_records), records + 1);
    for (const PlayerRecord *r : other->player_records->items) EXPECT_FALSE(r->name.empty());
    const PlayerRecord *made = records_find(other, state()->record_ids[0]);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->name, "Orion Hale");
    game_free(other);
}

TEST_F(NewGameSlots, ChoosingAnotherHumanRecordNeedsNoName) {
    const uint64_t id = records_add_new(game(), "Second Human");
    open_screen();
    create_player("");
    ASSERT_TRUE(greyed(start()));
    ASSERT_NE(open_selection(0), nullptr);
    choose(id);
    EXPECT_EQ(slot_name(0), "Second Human");
    EXPECT_FALSE(greyed(start()));
}

// ---- records that are gone ----

// The human slot's own record deleted in the player selection, then the dialog closed by its title
// bar: the slot falls back to the default human record, and Start never hands over an id that
// names nothing (the new game would fail).
TEST_F(NewGameSlots, DeletingTheHumanSlotsRecordThenClosingByTheTitleBarFallsBackToTheDefault) {
    const uint64_t alice = records_add_new(game(), "Alice");
    game()->slot_record_ids[0] = alice;
    open_screen();
    ASSERT_EQ(slot_name(0), "Alice");
    ASSERT_NE(open_selection(0), nullptr);
    Control *d = dialog();
    Control *list = panel_find_child(d, PLAYER_SELECT_LIST_ID);
    click(panel_find_child(list, PLAYER_SELECT_DELETE_ID));   // Alice is selected at opening
    settle(300);
    Control *asked = panel_find_child(d, PLAYER_SELECT_CONFIRM_ID);
    ASSERT_NE(asked, nullptr);
    click(panel_find_child(panel_find_child(asked, DIALOG_ROW_ID), DIALOG_YES_ID));
    settle(300);
    ASSERT_EQ(records_find(game(), alice), nullptr) << "the record is deleted";
    player_select_on_back(panel_find_child(d, PLAYER_SELECT_TITLE_BAR_ID));
    settle(300);
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_EQ(state()->record_ids[0], RECORD_HUMAN_DEFAULT_ID);
    EXPECT_EQ(slot_name(0), records_find(game(), RECORD_HUMAN_DEFAULT_ID)->name);
    EXPECT_FALSE(greyed(start()));
    press('s');
    EXPECT_EQ(g_starts, 1);
    EXPECT_EQ(game()->slot_record_ids[0], RECORD_HUMAN_DEFAULT_ID) << "no id of a deleted record is kept";
}

TEST_F(NewGameSlots, AHumanSlotNamingNoRecordGreysStartWhateverPathSetIt) {
    open_screen();
    state()->record_ids[0] = 0x1234567890ull;   // nothing names it
    new_game_refresh_start(screen_);
    EXPECT_TRUE(greyed(start()));
    EXPECT_EQ(tooltip(start()), "Player name required");
    new_game_on_start(start());
    EXPECT_EQ(g_starts, 0);
}

}  // namespace
}  // namespace new_game_test
