// The end of a real seeded game: the title band and its letters, the hold, the slide and the rise;
// the results screen for each way a game ends; the score table's figures and order; and the road
// from the results through "Next" and "Main Menu" back to the title with the records written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "../galaxy/galaxy_test_support.h"
#include "../galaxy/turn_flow_fixture.h"
#include "game/game.h"
#include "game/player.h"
#include "game/records.h"
#include "platform/calendar.h"
#include "platform/colour_fade.h"
#include "platform/font.h"
#include "screens/endgame/end_of_game.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"

namespace {

using title_test::caption_of;
using title_test::texts_of;

EndGameState &state() { return *endgame_state(); }

class EndOfGame : public galaxy_test::GalaxyGame {
protected:
    Player *ui = nullptr, *first = nullptr, *second = nullptr;   // the UI player and two computer players

    void SetUp() override {
        galaxy_test::GalaxyGame::SetUp();
        if (HasFatalFailure()) return;
        ui = game->ui_player;
        for (Player *p : endgame_competitors(game))
            if (p != ui) (first ? second : first) = p;
        ASSERT_NE(second, nullptr) << "two computer players";
    }

    void finish(Player *winner, int32_t kind) {
        game->winner_id = winner ? winner->id : 0;
        game->win_kind = kind;
        title_test::TitleDriver::switch_to(APP_MODE_END_OF_GAME);
        ASSERT_EQ(app_mode_current_id(), APP_MODE_END_OF_GAME);
    }
    bool run_to_phase(int32_t phase, int ms = 20) {
        for (int i = 0; i < 2000 && state().phase < phase; ++i) frame(ms);
        return state().phase >= phase;
    }
    // Straight to the results: the animation's own frames.
    void show_results(Player *winner, int32_t kind) {
        finish(winner, kind);
        ASSERT_TRUE(run_to_phase(ENDGAME_IDLE));
        frame();
        ASSERT_NE(button(), nullptr);
    }
    static Control *button() { return find(ENDGAME_BUTTON_ID); }

    static std::vector<Control *> top_level() {
        std::vector<Control *> out;
        for (Control *c : game_get()->controls->items) {
            if (!c) break;
            if (!(c->flags & CTRL_REMOVED)) out.push_back(c);
        }
        return out;
    }
    // The results' player rows, top to bottom, as their players.
    static std::vector<Player *> result_rows() {
        std::vector<Control *> rows;
        for (Control *c : top_level())
            if (c->id == -1 && c->user_data) rows.push_back(c);
        std::sort(rows.begin(), rows.end(), [](Control *a, Control *b) { return a->y < b->y; });
        std::vector<Player *> out;
        for (Control *c : rows) out.push_back(static_cast<Player *>(c->user_data));
        return out;
    }
    // The status box beside a player's row.
    static std::string status_of(const Player *p) {
        Control *row = nullptr;
        for (Control *c : top_level())
            if (c->id == -1 && c->user_data == p) row = c;
        if (!row) return "(no row)";
        for (Control *c : top_level())
            if (c != row && c->x == 178 && c->y == row->y) return texts_of(c);
        return "(no box)";
    }
    // Top-level labels: text and position.
    struct Label {
        std::string text;
        int x, y, w;
    };
    static std::vector<Label> labels() {
        std::vector<Label> out;
        for (Control *c : top_level())
            if (c->type == CONTROL_TEXT) out.push_back({texts_of(c), c->x, c->y, c->w});
        return out;
    }
    static std::optional<Label> label_named(const std::string &text) {
        for (const Label &l : labels())
            if (l.text == text) return l;
        return std::nullopt;
    }
    // The score table's columns, left to right, by the player names over them.
    static std::vector<std::string> column_names(const std::vector<Player *> &players) {
        std::vector<Label> names;
        for (const Label &l : labels())
            if (l.y == 145) names.push_back(l);
        std::sort(names.begin(), names.end(), [](const Label &a, const Label &b) { return a.x < b.x; });
        std::vector<std::string> out;
        for (const Label &l : names)
            for (const Player *p : players)
                if (p->name == l.text) out.push_back(l.text);
        return out;
    }
    // The value shown in a row (0 first) under the player's name, on the line of the row's label.
    static std::string value_under(const std::string &name, int row) {
        static const char *const rows[] = {"Resources acquired", "Crew trained", "Ships built", "Starbases built",
                                           "Enemy ships destroyed", "Mass of enemy ships destroyed",
                                           "Enemy starbases destroyed", "Total score"};
        const std::optional<Label> n = label_named(name), r = label_named(rows[row]);
        if (!n || !r) return "(no name or row)";
        const int centre = n->x + n->w / 2;
        for (const Label &l : labels())
            if (l.y == r->y && l.x > r->x + r->w && std::abs(l.x + l.w / 2 - centre) <= 1) return l.text;
        return "(no value)";
    }
    void zero_figures() {
        for (Player *p : endgame_competitors(game)) {
            p->credits_earned = p->crew_trained = p->ships_built = p->starbases_built = 0;
            p->enemy_ships_destroyed = p->enemy_starbases_destroyed = 0;
            p->enemy_mass_destroyed = 0;
        }
    }
    void set_defeat(Player *p, uint64_t minutes) {
        if (!p->defeat_date) p->defeat_date = date_create();
        ASSERT_NE(p->defeat_date, nullptr);
        p->defeat_date->minutes = minutes;
        date_from_minutes(p->defeat_date);
    }
};

// ---- The title animation ----

TEST_F(EndOfGame, TheBandOpensWithItsLettersHoldsSlidesLeftAndRisesToTheTop) {
    finish(first, WIN_ONLY_SECTOR_HOLDER);
    frame(7);   // set-up
    const int mid = ui_screen_height() / 2;
    EXPECT_EQ(state().phase, ENDGAME_OPENING);
    EXPECT_EQ(state().band_top, mid - 1);
    EXPECT_EQ(state().band_bottom, mid + 1);
    EXPECT_EQ(state().band_right, ui_screen_width() - 1);

    // A pixel each way per 7 ms, the remainder carried.
    frame(5);
    EXPECT_EQ(state().band_top, mid - 1) << "5 ms open nothing";
    frame(9);
    EXPECT_EQ(state().band_top, mid - 3);
    EXPECT_EQ(state().band_bottom, mid + 3);
    int opening_ms = 14;
    while (state().phase == ENDGAME_OPENING && opening_ms < 1000) {
        frame(7);
        opening_ms += 7;
    }
    ASSERT_EQ(state().phase, ENDGAME_HOLD);
    EXPECT_EQ(state().band_top, 356);
    EXPECT_EQ(state().band_bottom, 412);
    EXPECT_NEAR(opening_ms, (mid - 1 - 356) * 7, 7);
    const int title_w = font_text_width(ENDGAME_TITLE_FONT, ENDGAME_TITLE);
    ASSERT_GT(title_w, 0);
    EXPECT_EQ(state().title_x, ui_screen_width() / 2 - title_w / 2);
    EXPECT_EQ(state().title_y, 384 - font_line_height(ENDGAME_TITLE_FONT) / 2);
    ASSERT_EQ(state().letter_count, 11);
    EXPECT_FALSE(colour_fade_is_waiting(state().letter_fades[0]));
    EXPECT_TRUE(colour_fade_is_waiting(state().letter_fades[10])) << "the letters come one by one, 100 ms apart";

    // The letters have all come in about a second later; the hold lasts 2.4 s in all.
    frames(60, 20);
    EXPECT_FALSE(colour_fade_is_waiting(state().letter_fades[10]));
    frames(59, 20);
    EXPECT_EQ(state().phase, ENDGAME_HOLD) << "2380 ms held";
    frame(20);
    ASSERT_EQ(state().phase, ENDGAME_SLIDE);
    for (int i = 0; i < state().letter_count; ++i) EXPECT_EQ(state().letter_fades[i]->r, 210) << "letter " << i;

    // The slide: one pixel per 2 ms for the title, two for the band's right edge.
    const int x = state().title_x, right = state().band_right;
    frame(1);
    EXPECT_EQ(state().title_x, x) << "under 2 ms moves nothing";
    frame(1);
    EXPECT_EQ(state().title_x, x - 1);
    EXPECT_EQ(state().band_right, right - 2);
    ASSERT_TRUE(run_to_phase(ENDGAME_RISE));
    EXPECT_EQ(state().title_x, 16);
    EXPECT_EQ(state().band_right, 640);

    // The rise: a pixel per ms to the top, the title centred in the band.
    frame(10);
    EXPECT_EQ(state().band_top, 346);
    EXPECT_EQ(state().band_bottom, 402);
    EXPECT_EQ(button(), nullptr) << "no results before the band is up";
    ASSERT_TRUE(run_to_phase(ENDGAME_IDLE));
    EXPECT_EQ(state().band_top, 45);
    EXPECT_EQ(state().band_bottom, 101);
    EXPECT_EQ(state().title_y, 45 + 28 - font_line_height(ENDGAME_TITLE_FONT) / 2);
    frame();
    Control *next = button();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(caption_of(next), "Next");
    EXPECT_EQ(next->x + next->w, ui_screen_width() - 8);
    EXPECT_EQ(next->y + next->h, ui_screen_height() - 8);
    const ui_test::Rgb band = driver.pixel(630, 46);
    EXPECT_EQ(band.r, 0);
    EXPECT_EQ(band.g, 32);
    EXPECT_EQ(band.b, 0);
    driver.save_screen("end_of_game_results_military.png");
}

// ---- The results screen ----

TEST_F(EndOfGame, MilitaryVictoryListsTheDatedLosersEarliestFirstThenTheUndatedThenTheWinner) {
    set_defeat(second, 100000);
    if (ui->defeat_date) ui->defeat_date->minutes = 0;   // terminated, but never given a date
    show_results(first, WIN_ONLY_SECTOR_HOLDER);
    EXPECT_EQ(result_rows(), (std::vector<Player *>{second, ui, first}));
    EXPECT_EQ(status_of(second), "Terminated " + date_format(second->defeat_date));
    EXPECT_EQ(status_of(ui), "Terminated") << "no date line without a date";
    EXPECT_EQ(status_of(first), "Military Victory");
}

TEST_F(EndOfGame, MilitaryVictoryOrdersTwoDatedLosersByTheirDatesNotThePlayersOrder) {
    set_defeat(ui, 90000);
    set_defeat(first, 50000);
    show_results(second, WIN_ONLY_SECTOR_HOLDER);
    EXPECT_EQ(result_rows(), (std::vector<Player *>{first, ui, second}));
}

TEST_F(EndOfGame, DominationListsTheLosersByStarbasesFewestFirstWithTheirCounts) {
    ui->totals.starbase_sectors = 1;
    first->totals.starbase_sectors = 0;
    second->totals.starbase_sectors = 9;
    show_results(second, WIN_TWO_THIRDS);
    EXPECT_EQ(result_rows(), (std::vector<Player *>{first, ui, second}));
    EXPECT_EQ(status_of(first), "0 starbases");
    EXPECT_EQ(status_of(ui), "1 starbase");
    EXPECT_EQ(status_of(second), "9 starbases Domination Victory");
}

TEST_F(EndOfGame, ConquestShowsTheWinnerAloneBesideTheFinalGalaxy) {
    show_results(first, WIN_SOL_HOLDER);
    EXPECT_EQ(result_rows(), (std::vector<Player *>{first}));
    EXPECT_EQ(status_of(first), "Sol Battle Conquest Victory");
    bool map = false;
    for (Control *c : top_level()) map = map || (c->x == 495 && c->y == 196 && c->w == 452 && c->h == 308);
    EXPECT_TRUE(map) << "the final galaxy beside the results";
}

TEST_F(EndOfGame, TheUiPlayersTerminationTakesPrecedenceOverTheWinKind) {
    ui->flags |= PLAYER_FLAG_ELIMINATED;
    show_results(first, WIN_SOL_HOLDER);
    EXPECT_EQ(result_rows(), (std::vector<Player *>{ui}));
    EXPECT_EQ(status_of(ui), "Terminated " + date_format(game->clock));
}

// ---- The scores ----

TEST_F(EndOfGame, TheTotalCountsEachFigureAtItsWeightAndKeepsItsSign) {
    Player p;
    EXPECT_EQ(endgame_total_score(&p), 0);
    p.credits_earned = 999;
    EXPECT_EQ(endgame_total_score(&p), 0) << "999 resources add nothing";
    p.credits_earned = 1000;
    EXPECT_EQ(endgame_total_score(&p), 1);
    p.credits_earned = -1999;
    EXPECT_EQ(endgame_total_score(&p), -1) << "divided toward zero";
    p.credits_earned = 0;
    p.enemy_mass_destroyed = 1999;
    EXPECT_EQ(endgame_total_score(&p), 1);
    p.enemy_mass_destroyed = 0;
    p.crew_trained = 7;
    p.ships_built = 2;
    p.starbases_built = 3;
    p.enemy_ships_destroyed = 4;
    p.enemy_starbases_destroyed = 5;
    EXPECT_EQ(endgame_total_score(&p), 7 + 60 + 1500 + 400 + 5000);
    Player big;
    big.enemy_mass_destroyed = 10'000'000'000'000ull;
    big.credits_earned = -2'000'000'000;
    EXPECT_EQ(endgame_total_score(&big), 10'000'000'000 - 2'000'000) << "the sum is 64-bit";
}

TEST_F(EndOfGame, TheScoreTableListsTheWinnerFirstThenTheHighestAndPrintsANegativeTotalAsOne) {
    zero_figures();
    ui->credits_earned = 50'000;            // 50
    first->credits_earned = -7'000'000;     // -7000: last, never a huge number
    second->credits_earned = 999;           // 0, the winner
    second->enemy_mass_destroyed = 4'000;   // 4
    show_results(second, WIN_ONLY_SECTOR_HOLDER);
    click(button());
    frame();
    Control *menu = button();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(caption_of(menu), "Main Menu");
    const std::vector<Player *> players{ui, first, second};
    EXPECT_EQ(column_names(players), (std::vector<std::string>{second->name, ui->name, first->name}));
    EXPECT_EQ(value_under(second->name, 0), "$999");
    EXPECT_EQ(value_under(second->name, 5), "4000");
    EXPECT_EQ(value_under(second->name, 7), "4");
    EXPECT_EQ(value_under(ui->name, 7), "50");
    EXPECT_EQ(value_under(first->name, 0), "$-7000000");
    EXPECT_EQ(value_under(first->name, 7), "-7000");
    EXPECT_EQ(first->total_score, -7000);

    const std::optional<Label> top = label_named("Resources acquired");
    ASSERT_TRUE(top);
    EXPECT_EQ(top->x, 256 - 36 * 3) << "three scored players";
    EXPECT_EQ(top->y, 204);
    // Nine separator bars at the table's left edge, each row label between two of them, all
    // running past the last column.
    std::vector<Control *> bars;
    for (Control *c : top_level())
        if (c->type == CONTROL_PANEL && c->x == top->x && c->h == 3) bars.push_back(c);
    ASSERT_EQ(bars.size(), 9u);
    std::sort(bars.begin(), bars.end(), [](Control *a, Control *b) { return a->y < b->y; });
    EXPECT_EQ(bars[0]->y, 189);
    const char *const rows[] = {"Resources acquired", "Crew trained", "Ships built", "Starbases built",
                                "Enemy ships destroyed", "Mass of enemy ships destroyed",
                                "Enemy starbases destroyed", "Total score"};
    for (int i = 0; i < 8; ++i) {
        const std::optional<Label> row = label_named(rows[i]);
        ASSERT_TRUE(row) << rows[i];
        EXPECT_GT(row->y, bars[size_t(i)]->y) << rows[i];
        EXPECT_LT(row->y, bars[size_t(i) + 1]->y) << rows[i];
    }
    const std::optional<Label> last_name = label_named(first->name);
    ASSERT_TRUE(last_name);
    for (Control *bar : bars) EXPECT_GT(bar->x + bar->w, last_name->x + last_name->w);
    EXPECT_EQ(ui->game_counters[COUNTER_GAMES_FINISHED], 1);
    EXPECT_EQ(ui->game_counters[COUNTER_WINS], 0);
    EXPECT_EQ(second->game_counters[COUNTER_WINS], 1);
    driver.save_screen("end_of_game_scores.png");
}

TEST_F(EndOfGame, EqualTotalsKeepThePlayersOrderWhenNobodyWon) {
    zero_figures();
    game->winner_id = 0;
    std::vector<Player *> order;
    for (Player *p : endgame_competitors(game)) p->total_score = 5;
    order = endgame_score_order(game);
    EXPECT_EQ(order, endgame_competitors(game));
    second->total_score = 6;
    order = endgame_score_order(game);
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[0], second);
}

// ---- The road back to the title ----

TEST_F(EndOfGame, MainMenuWritesTheRecordsAndReturnsToTheTitle) {
    PlayerRecord *ui_record = records_find(game, ui->record_id);
    PlayerRecord *winner_record = records_find(game, first->record_id);
    ASSERT_NE(ui_record, nullptr);
    ASSERT_NE(winner_record, nullptr);
    const uint64_t ui_games = ui_record->stats[RECORD_STAT_GAMES_FINISHED];
    const uint64_t ui_wins = ui_record->stats[RECORD_STAT_WINS];
    const uint64_t winner_wins = winner_record->stats[RECORD_STAT_WINS];
    const std::string file = saves->file(RECORDS_FILE_NAME);
    const std::vector<uint8_t> before = std::filesystem::exists(file) ? read_whole(file) : std::vector<uint8_t>();

    show_results(first, WIN_ONLY_SECTOR_HOLDER);
    press(13);   // Enter: "Next"
    frame();
    ASSERT_NE(button(), nullptr);
    ASSERT_EQ(caption_of(button()), "Main Menu");
    press(13);
    EXPECT_EQ(app_mode_current_id(), APP_MODE_TITLE);
    EXPECT_EQ(ui_record->stats[RECORD_STAT_GAMES_FINISHED], ui_games + 1);
    EXPECT_EQ(ui_record->stats[RECORD_STAT_WINS], ui_wins);
    EXPECT_EQ(winner_record->stats[RECORD_STAT_WINS], winner_wins + 1);
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_NE(read_whole(file), before) << "the new counters are on disk";
    EXPECT_EQ(state().letter_count, 0) << "leaving frees the letters";
}

// Five scored players: the table starts further left to make room.
class EndOfGameFivePlayers : public EndOfGame {
protected:
    EndOfGameFivePlayers() { computer_players = 4; }
};

TEST_F(EndOfGameFivePlayers, TheTableOfFivePlayersStartsAt76WithAColumnEach) {
    const std::vector<Player *> players = endgame_competitors(game);
    ASSERT_EQ(players.size(), 5u);
    show_results(first, WIN_ONLY_SECTOR_HOLDER);
    click(button());
    frame();
    const std::optional<Label> top = label_named("Resources acquired");
    ASSERT_TRUE(top);
    EXPECT_EQ(top->x, 76);
    EXPECT_EQ(column_names(players).size(), 5u);
    EXPECT_EQ(column_names(players).front(), first->name) << "the winner's column first";
}

// The whole road from a galaxy day that finds a winner to the title.
class EndOfGameRoad : public galaxy_test::TurnFlowGame {};

TEST_F(EndOfGameRoad, AWinnerAtTheEndOfTheDayLeadsThroughResultsAndScoresBackToTheTitle) {
    Player *ui = game->ui_player;
    PlayerRecord *record = records_find(game, ui->record_id);
    ASSERT_NE(record, nullptr);
    const uint64_t games = record->stats[RECORD_STAT_GAMES_FINISHED];
    game->conquerable_sectors = 1;   // whoever holds one sector has won
    next_turn();
    ASSERT_TRUE(run_until([] { return app_mode_current_id() == APP_MODE_END_OF_GAME; }));
    ASSERT_TRUE(run_until([] { return game_find_control(game_get(), ENDGAME_BUTTON_ID) != nullptr; }, 400))
        << "the results within the animation's few seconds";
    EXPECT_EQ(caption_of(find(ENDGAME_BUTTON_ID)), "Next");
    press(13);
    frame();
    ASSERT_NE(find(ENDGAME_BUTTON_ID), nullptr);
    EXPECT_EQ(caption_of(find(ENDGAME_BUTTON_ID)), "Main Menu");
    EXPECT_EQ(ui->game_counters[COUNTER_GAMES_FINISHED], 1);
    click(find(ENDGAME_BUTTON_ID));
    frame();
    EXPECT_EQ(app_mode_current_id(), APP_MODE_TITLE);
    EXPECT_EQ(record->stats[RECORD_STAT_GAMES_FINISHED], games + 1);
    EXPECT_TRUE(std::filesystem::exists(saves->file(RECORDS_FILE_NAME)));
}

}  // namespace
