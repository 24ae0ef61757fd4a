// The battle summary on real battles of the UI player: the band, the word and its moves, the cards
// six to a row, the salvage only on a victory, and "Continue", which applies the outcome once and
// returns to the galaxy.
#include "combat_test_support.h"

#include <algorithm>
#include <cstring>
#include "game/encounter.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/log.h"
#include "support/fixture_store.h"
#include "systems/system.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "views/commander_box.h"
#include "world/sector.h"
#include "world/site.h"

namespace {

using combat_test::CombatGame;
using combat_test::has;
using combat_test::screen;

class BattleSummaryRoad : public CombatGame {
protected:
    BattleSummaryRoad() { ui_side = true; }

    const BattleSummary &summary() { return screen()->summary; }
    bool run_to_phase(int32_t phase, int max_frames = 3000) {
        return run_until([&] { return summary().phase >= phase; }, max_frames);
    }
    // The cards dealt: top-level panels holding a ship's icon.
    std::vector<Control *> cards() {
        std::vector<Control *> out;
        for (Control *c : game->controls->items) {
            if (!c) break;
            if (c->type == CONTROL_PANEL && !(c->flags & CTRL_REMOVED) && panel_find_child(c, COMBAT_ID_CARD_ICON))
                out.push_back(c);
        }
        return out;
    }
    void give_the_ui_player_two_ships() {
        Player *ui = game->ui_player;
        if (ships_of(ui, 2).size() >= 2) return;
        Ship *second = ship_of(player_build_ship_from_design(ui, 0));   // from the first design
        ASSERT_NE(second, nullptr);
        player_commission_ship(ui, second, nullptr, nullptr);
    }
    Control *continue_button() {
        for (Control *c : game->controls->items) {
            if (!c) break;
            if (c->type == CONTROL_IMAGE && c->hotkey == 13 && !(c->flags & CTRL_REMOVED)) return c;
        }
        return nullptr;
    }
};

TEST_F(BattleSummaryRoad, AVictoryDealsSevenEnemyCardsSixToARowAndCountsTheirSalvage) {
    extra_enemies = 7;
    start_battle(1);
    int32_t expected_salvage = 0;
    for (GameObject *obj : fighting(side_b->id)) expected_salvage += static_cast<Ship *>(obj)->roll_value;
    const int enemies = int(fighting(side_b->id).size());
    ASSERT_GE(enemies, 7);
    frame();
    destroy_side(side_b->id);
    ASSERT_TRUE(run_until([] { return has(COMBAT_FLAG_SUMMARY); }, 400));
    EXPECT_STREQ(summary().text, "VICTORY");
    EXPECT_FALSE(has(COMBAT_FLAG_MAP_HIDDEN)) << "the map shows until the word has settled";

    ASSERT_TRUE(run_to_phase(SUMMARY_LETTERS));
    EXPECT_EQ(summary().band_top, 356);
    EXPECT_EQ(summary().band_bottom, 412);
    ASSERT_TRUE(run_to_phase(SUMMARY_WORD_LEFT));
    EXPECT_TRUE(has(COMBAT_FLAG_MAP_HIDDEN));
    ASSERT_TRUE(run_to_phase(SUMMARY_WORD_UP));
    EXPECT_EQ(summary().text_x, 20);
    EXPECT_EQ(summary().band_right, summary().text_w + 40);
    ASSERT_TRUE(run_to_phase(SUMMARY_SALVAGE_BAND));
    EXPECT_LE(summary().text_y, 150);

    const std::vector<Control *> dealt = cards();
    ASSERT_EQ(int(dealt.size()), enemies) << "one card per destroyed enemy, none for the winner";
    std::vector<int> tops, lefts;
    for (Control *c : dealt) {
        tops.push_back(c->y + c->h / 2);
        lefts.push_back(c->x + c->w / 2);
    }
    const int first_row = tops[0];
    EXPECT_EQ(std::count(tops.begin(), tops.end(), first_row), 6) << "six to a row";
    EXPECT_GT(tops[6], first_row) << "the seventh starts the second row";
    EXPECT_EQ(lefts[6], lefts[0]) << "under the first";
    for (int i = 1; i < 6; ++i) EXPECT_GT(lefts[i], lefts[i - 1]);
    EXPECT_TRUE(dealt[6]->flags & CTRL_HIDDEN) << "the cards come one after another";
    EXPECT_FALSE(dealt[0]->flags & CTRL_HIDDEN);

    EXPECT_EQ(summary().salvage, expected_salvage);
    if (expected_salvage > 0) {
        ASSERT_TRUE(run_to_phase(SUMMARY_SALVAGE_TOTAL));
        EXPECT_GE(summary().salvage_bottom - summary().salvage_top, 16);
        EXPECT_EQ(summary().salvage_left, 470);
    }
    ASSERT_TRUE(run_to_phase(SUMMARY_WAITING));
    EXPECT_FALSE(dealt[6]->flags & CTRL_HIDDEN);
    Control *cont = continue_button();
    ASSERT_NE(cont, nullptr);
    EXPECT_EQ(cont->x + cont->w, ui_screen_width() - 10);
    driver.save_screen("combat_battle_summary_victory.png");
}

// A victory with losses: the enemies' salvage tags hang below their cards, and the losses' header
// comes under them rather than over them.
TEST_F(BattleSummaryRoad, OnAVictoryTheLossesHeaderStandsBelowTheEnemiesSalvageTags) {
    ASSERT_NO_FATAL_FAILURE(give_the_ui_player_two_ships());
    start_battle(2);
    frame();
    const std::vector<GameObject *> own = fighting(side_a->id);
    ASSERT_GE(own.size(), 2u);
    object_kill(own[0]);
    destroy_side(side_b->id);
    ASSERT_TRUE(run_until([] { return has(COMBAT_FLAG_SUMMARY); }, 400));
    ASSERT_STREQ(summary().text, "VICTORY");
    ASSERT_TRUE(run_to_phase(SUMMARY_WAITING));
    const Control *enemies = nullptr, *losses = nullptr;
    for (const Control *c : game->controls->items) {
        if (!c) break;
        const TextLabel *label = text_label_of(c);
        if (!label || !label->text || (c->flags & CTRL_REMOVED)) continue;
        if (std::strcmp(label->text, "Enemies destroyed") == 0) enemies = c;
        if (std::strcmp(label->text, "Ships lost") == 0) losses = c;
    }
    ASSERT_NE(enemies, nullptr);
    ASSERT_NE(losses, nullptr);
    int between = 0;
    for (const Control *c : game->controls->items) {
        if (!c) break;
        if (c->type != CONTROL_PANEL || (c->flags & CTRL_REMOVED) || c->y <= enemies->y || c->y >= losses->y) continue;
        ++between;
        EXPECT_LE(c->y + c->h, losses->y) << "a card or tag of the enemies reaches into the losses' header";
    }
    EXPECT_GE(between, 2) << "the enemies' cards and their salvage tags";
}

TEST_F(BattleSummaryRoad, ADefeatShowsTheLossesWithoutSalvageAndSkipsTheSalvagePhases) {
    extra_enemies = 2;
    start_battle(2);
    frame();
    // The enemy loses one ship before the UI player's side is destroyed.
    std::vector<GameObject *> enemy = fighting(side_b->id);
    ASSERT_FALSE(enemy.empty());
    object_kill(enemy[0]);
    const int lost = int(fighting(side_a->id).size());
    LogFileCatcher log(fresh_test_dir("battle_summary"), LOG_DEBUG);
    destroy_side(side_a->id);
    ASSERT_TRUE(run_until([] { return has(COMBAT_FLAG_SUMMARY); }, 400));
    EXPECT_STREQ(summary().text, "DEFEAT");
    EXPECT_NE(log.text().find("Battle summary - DEFEAT"), std::string::npos) << "the roads read the result here";
    ASSERT_TRUE(run_to_phase(SUMMARY_SALVAGE_BAND));
    EXPECT_EQ(summary().salvage, 0) << "no salvage on a defeat, though an enemy fell";
    EXPECT_EQ(int(cards().size()), lost + 1);
    EXPECT_GT(summary().salvage_left, ui_screen_width()) << "no salvage band";
    frame();
    EXPECT_EQ(summary().phase, SUMMARY_CONTINUE) << "straight from the salvage band to Continue";
}

// The texts of the top-level panels' labels: what the summary's tags say.
std::vector<std::string> tag_texts(Game *game) {
    std::vector<std::string> out;
    for (Control *c : game->controls->items) {
        if (!c) break;
        Panel *p = panel_of(c);
        if (!p || (c->flags & CTRL_REMOVED)) continue;
        for (Control *child : p->children.items) {
            if (!child) break;
            if (const TextLabel *label = child->type == CONTROL_TEXT ? text_label_of(child) : nullptr)
                out.emplace_back(label->text ? label->text : "");
        }
    }
    return out;
}

// Fits an escape pod to the ship in the first crit that takes it; false when none does.
bool fit_escape_pod(Ship *ship) {
    if (ship_has_system_type(ship, 17)) return true;
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        if (ship->crits[i].system) continue;
        System *pod = system_create(17);
        if (!pod) return false;
        if (ship_set_crit_system(ship, i, pod) == RES_OK) return true;
        if (pod->refcount < 1) system_free(pod);
    }
    return false;
}

TEST_F(BattleSummaryRoad, ALostPilotedShipWithAnEscapePodTellsWhetherItsPilotEscaped) {
    start_battle(1);
    std::vector<GameObject *> mine = fighting(side_a->id);
    ASSERT_EQ(mine.size(), 1u);
    Ship *ship = static_cast<Ship *>(mine[0]);
    ASSERT_TRUE(fit_escape_pod(ship)) << "seed " << SEED << ": no crit of this hull takes an escape pod";
    if (ship->pilot_id == 0) ship->pilot_id = game_next_id(game);   // it had a pilot
    ship->ship_flags |= SHIP_FLAG_POD_ESCAPED;
    frame();
    destroy_side(side_a->id);
    ASSERT_TRUE(run_until([&] { return summary().phase >= SUMMARY_WAITING; }, 3000));
    frames(100);   // every tag has come up
    const std::vector<std::string> texts = tag_texts(game);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Escaped"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Lost"), 0);
}

TEST_F(BattleSummaryRoad, WithoutThePodsEscapeThePilotIsLost) {
    start_battle(1);
    Ship *ship = static_cast<Ship *>(fighting(side_a->id).at(0));
    ASSERT_TRUE(fit_escape_pod(ship)) << "seed " << SEED << ": no crit of this hull takes an escape pod";
    if (ship->pilot_id == 0) ship->pilot_id = game_next_id(game);
    ship->ship_flags &= ~SHIP_FLAG_POD_ESCAPED;
    frame();
    destroy_side(side_a->id);
    ASSERT_TRUE(run_until([&] { return summary().phase >= SUMMARY_WAITING; }, 3000));
    frames(100);
    const std::vector<std::string> texts = tag_texts(game);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Lost"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Escaped"), 0);
}

TEST_F(BattleSummaryRoad, ContinueAppliesTheOutcomeOnceAndReturnsToTheGalaxy) {
    start_battle(2);
    frame();
    destroy_side(side_b->id);
    ASSERT_TRUE(run_until([&] { return summary().phase >= SUMMARY_WAITING; }, 3000));
    const int64_t credits = side_a->credits;
    const int32_t salvage = summary().salvage;
    Encounter *battle = enc;
    Control *cont = continue_button();
    ASSERT_NE(cont, nullptr);
    // Enter and a click in one frame: the second finds the outcome applied.
    combat_continue(cont);
    combat_continue(cont);
    EXPECT_EQ(battle->victor_id, side_a->id);
    EXPECT_EQ(side_a->credits, credits + salvage) << "the victor took the salvage once";
    EXPECT_EQ(game->current_encounter, nullptr);
    frame();
    EXPECT_EQ(app_mode_current_id(), APP_MODE_GALAXY);
    EXPECT_EQ(side_a->credits, credits + salvage);
    frames(3);
    EXPECT_EQ(map_object_count(game->combat_map), 0);
}

// The name in each card's commander box, "" for a card without one.
std::vector<std::string> card_commanders(const std::vector<Control *> &cards) {
    std::vector<std::string> out;
    for (Control *card : cards) {
        Control *box = panel_find_child(card, COMBAT_ID_CARD_COMMANDER);
        const TextLabel *name = box ? text_label_of(panel_find_child(box, COMMANDER_BOX_ID_NAME)) : nullptr;
        out.emplace_back(name && name->text ? name->text : "");
    }
    return out;
}

Officer *hire(Player *owner, const char *name) {
    Officer *officer = player_hire_officer(owner, true, nullptr);
    officer->name = name;
    officer->rank = RANK_CAPTAIN;
    return officer;
}

TEST_F(BattleSummaryRoad, ALostShipsCardNamesItsPilotAndAnUnpilotedOneNobody) {
    ASSERT_NO_FATAL_FAILURE(give_the_ui_player_two_ships());
    start_battle(2);
    std::vector<GameObject *> mine = fighting(side_a->id);
    ASSERT_EQ(mine.size(), 2u);
    Ship *piloted = static_cast<Ship *>(mine[0]), *unpiloted = static_cast<Ship *>(mine[1]);
    ship_set_pilot(piloted, hire(side_a, "Wren Talor"));
    ASSERT_NE(piloted->pilot, nullptr) << "the hull takes a pilot";
    ship_set_pilot(unpiloted, nullptr);
    frame();
    object_kill(fighting(side_b->id).at(0));
    destroy_side(side_a->id);
    ASSERT_TRUE(run_to_phase(SUMMARY_SALVAGE_BAND));
    std::vector<std::string> names = card_commanders(cards());
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], "") << "an enemy card names no commander";
    std::sort(names.begin() + 1, names.end());
    EXPECT_EQ(names[1], "");
    EXPECT_EQ(names[2], "Wren Talor");
}

TEST_F(BattleSummaryRoad, ALostStarbaseDefenceShowsTheStarbasesCommander) {
    Sector *own = nullptr;
    for (GameObject *o : game->galaxy_map->objects.items)
        if (Sector *s = o ? sector_of(o) : nullptr; s && !own && s->owner_id == game->ui_player_id && sector_find_site_of_kind(s, SITE_STARBASE))
            own = s;
    ASSERT_NE(own, nullptr) << "seed " << SEED;
    Site *base = sector_find_site_of_kind(own, SITE_STARBASE);
    if (!base->commander) site_set_pilot(base, hire(game->ui_player, "Ione Marsh"));
    const std::string commander = base->commander->name;

    start_battle(1);
    Ship *defender = static_cast<Ship *>(fighting(side_a->id).at(0));
    ship_set_pilot(defender, nullptr);
    enc->kind = ENCOUNTER_STARBASE_ASSAULT;   // the defence of the player's starbase
    enc->sector_id = own->id;
    frame();
    destroy_side(side_a->id);
    ASSERT_TRUE(run_to_phase(SUMMARY_SALVAGE_BAND));
    EXPECT_EQ(card_commanders(cards()), std::vector<std::string>{commander});
}

}  // namespace
