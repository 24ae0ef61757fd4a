// End to end: a game that ends, on the real program under a private X server. A real game is made
// in this process from the generated store and brought to the day before its end: the UI player's
// first ship calls at each computer player's starbase alone and the assault settles in its favour
// (the second rival falls a day after the first), so that the next end of turn finds the UI player
// the only one holding sectors. The game is saved into the program's save folder; the program loads
// it from the title ('l', the row, Load, "Yes, load"), Next Turn ends the day, END OF GAME plays,
// the results' "Next" leads to the score table and its "Main Menu" back to the title, and the
// records file holds the finished game.
//  - Where the load screen's row and buttons stand comes from a probe: the title built headless in
//    this process over the same save folder, driven by the same keys and clicks.
//  - Screenshots are kept under build/test-output/screens/end_of_game/.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "galaxy_road_support.h"
#include "game/autocombat.h"
#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/headless.h"
#include "game/records.h"
#include "screen_probe.h"
#include "screens/endgame/end_of_game.h"
#include "screens/saves/load_screen.h"
#include "screens/title/game_menu.h"
#include "screens/title/title_mode.h"
#include "screens/title/title_test_support.h"
#include "support/state_guards.h"
#include "ui/dialog.h"
#include "world/sector.h"
#include "world/site.h"

namespace {

using galaxy_road::band_pixels;
using galaxy_road::centre_of;
using galaxy_road::child;
using galaxy_road::pixels_changed;
using galaxy_road::ScreenSpot;

constexpr const char *END_OF_GAME_ROAD = "end_of_game";
constexpr uint32_t END_OF_GAME_SEED = 20261208;
constexpr const char *SAVE_TITLE = "Last day";

// A player's lifetime counters of interest, by record id.
struct RecordCounts {
    uint64_t id = 0;
    uint64_t games = 0, wins = 0;
};

// What the made game is: who will win, who has lost, and their records before the game ends.
struct ForcedEnd {
    bool                      saved = false;
    std::string               winner;
    RecordCounts              winner_record;
    std::vector<RecordCounts> loser_records;
};

// Makes the game and saves it; also reads records back from a save folder.
class EndingGame : public ModelGame {
public:
    void TestBody() override {}

    ForcedEnd make(const std::string &save_path) {
        ForcedEnd out;
        SetUp();
        if (!HasFatalFailure()) build(save_path, &out);
        TearDown();
        return out;
    }

    // The counters of the records "records.dat" holds in the folder, for the ids asked.
    std::vector<RecordCounts> records_in(const std::string &save_home, std::vector<RecordCounts> ids) {
        SetUp();
        ::setenv("XDG_DATA_HOME", save_home.c_str(), 1);   // the fixture's own folder comes back after
        list_clear(game->player_records);
        EXPECT_EQ(records_load(game), RES_OK);
        for (RecordCounts &r : ids) {
            const PlayerRecord *record = records_find(game, r.id);
            EXPECT_NE(record, nullptr) << "record #" << r.id;
            r.games = record ? record->stats[RECORD_STAT_GAMES_FINISHED] : 0;
            r.wins = record ? record->stats[RECORD_STAT_WINS] : 0;
        }
        TearDown();
        return ids;
    }

private:
    RecordCounts counts_of(const Player *p) {
        RecordCounts r{p->record_id, 0, 0};
        if (const PlayerRecord *record = records_find(game, p->record_id)) {
            r.games = record->stats[RECORD_STAT_GAMES_FINISHED];
            r.wins = record->stats[RECORD_STAT_WINS];
        }
        return r;
    }

    // The shared call at a rival's starbase, and here its sectors counted too.
    void take_starbase(Ship *ship, Player *rival) {
        galaxy_road::take_starbase(game, ship, rival);
        EXPECT_EQ(rival->totals.starbase_sectors, 0) << rival->name;
    }

    void build(const std::string &save_path, ForcedEnd *out) {
        random_seed(END_OF_GAME_SEED);
        HeadlessOptions options;
        options.computer_players = 2;
        ASSERT_EQ(headless_new_game(game, options), RES_OK) << "seed " << END_OF_GAME_SEED;
        Player *ui = game->ui_player;
        ASSERT_NE(ui, nullptr);
        Ship *ship = nullptr;
        for (int32_t i = 0; i < player_object_count(ui) && !ship; ++i)
            if (Ship *s = ship_of(player_get_object_at(ui, i)); s && s->sector_id) ship = s;
        ASSERT_NE(ship, nullptr) << "a ship of the UI player in a sector";
        std::vector<Player *> rivals;
        for (Player *p : endgame_competitors(game))
            if (p != ui) rivals.push_back(p);
        ASSERT_EQ(rivals.size(), 2u);

        take_starbase(ship, rivals[0]);
        if (HasFatalFailure()) return;
        const HeadlessDay between = headless_advance_day(game, options);
        ASSERT_TRUE(between.turn_ended);
        ASSERT_EQ(game->winner_id, 0u) << "the second rival still holds its sector";
        take_starbase(ship, rivals[1]);
        if (HasFatalFailure()) return;
        EXPECT_LT(rivals[0]->defeat_date->minutes, rivals[1]->defeat_date->minutes) << "a day apart";

        out->winner = ui->name;
        out->winner_record = counts_of(ui);
        for (Player *p : rivals) out->loser_records.push_back(counts_of(p));
        ::mkdir(std::filesystem::path(save_path).parent_path().c_str(), 0755);
        ASSERT_EQ(game_save(game, save_path.c_str(), SAVE_TITLE, 0, nullptr), RES_OK);
        out->saved = true;

        // The model's own next day ends the game as the program's should.
        headless_advance_day(game, options);
        EXPECT_EQ(game->winner_id, ui->id);
        EXPECT_EQ(game->win_kind, WIN_ONLY_SECTOR_HOLDER);
    }
};

struct LoadSpots {
    ScreenSpot row;    // the one save's row
    ScreenSpot load;   // "Load"
    ScreenSpot yes;    // "Yes, load" in the question
};

// The title headless in this process over the save folder: 'l', the row, Load; where each stands.
LoadSpots probe_load_screen(const std::string &save_home) {
    LoadSpots spots;
    using title_test::TitleDriver;
    GameFieldsGuard fields_back;
    EnvGuard home_back{"XDG_DATA_HOME"};
    ::setenv("XDG_DATA_HOME", save_home.c_str(), 1);
    ui_test::use_generated_store();
    Game *game = game_get();
    title_test::give_title_pictures();

    TitleDriver driver;
    EXPECT_TRUE(driver.start());
    driver.draw = false;
    game->flags &= ~GAME_FLAG_FIRST_RUN;
    TitleDriver::enter();
    driver.frames(30);
    driver.press('l');
    driver.frames(60);
    Control *sub = child(TitleDriver::find(TITLE_ID_MENU), GAME_MENU_SUBPANEL_ID);
    LoadScreenState *load = load_screen_state(sub);
    EXPECT_NE(load, nullptr) << "'l' opens the load screen";
    if (load && load->list.rows.size() == 1) {
        Control *row = load->list.rows[0].control;
        spots.row = centre_of(row);
        driver.click(row);
        driver.frames(20);
        Control *button = child(child(sub, LOAD_SCREEN_BUTTONS_ID), LOAD_SCREEN_LOAD_ID);
        spots.load = centre_of(button);
        if (button) driver.click(button);
        driver.frames(30);
        Control *dialog = child(sub, LOAD_SCREEN_DIALOG_ID);
        Control *yes = child(child(dialog, DIALOG_ROW_ID), DIALOG_YES_ID);
        spots.yes = centre_of(yes ? yes : child(dialog, DIALOG_YES_ID));
    }
    EXPECT_TRUE(load && load->list.rows.size() == 1) << "the one save in the list";
    driver.stop();
    title_free_images(game);
    return spots;
}

// Pixels of the title's light grey (and of any light text) inside a rectangle.
int light_pixels(const DecodedPng &png, int x0, int y0, int x1, int y1) {
    if (!png.ok) return 0;
    int n = 0;
    for (int y = y0; y < y1 && y < int(png.height); ++y)
        for (int x = x0; x < x1 && x < int(png.width); ++x) {
            const uint8_t *p = png.pixels.data() + (size_t(y) * png.width + size_t(x)) * size_t(png.channels());
            n += p[0] > 150 && p[1] > 150 && p[2] > 150;
        }
    return n;
}

int64_t file_size(const std::string &path) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : int64_t(n);
}

class EndOfGameEndToEnd : public galaxy_road::Road {
protected:
    EndOfGameEndToEnd() : Road(END_OF_GAME_ROAD) {}
};

TEST_F(EndOfGameEndToEnd, AGameForcedToAWinnerEndsThroughResultsAndScoresToTheTitleAndTheRecordsKeepIt) {
    const std::string save_home = dir + "/save";
    write_prefs(save_home, 0);   // the fastest galaxy speed; the action button is "Next Turn"
    const std::string records = save_home + "/Astrovane/" + RECORDS_FILE_NAME;
    const int64_t records_before = file_size(records);

    EndingGame maker;
    const ForcedEnd made = maker.make(save_home + "/Astrovane/000.sav");
    ASSERT_TRUE(made.saved);
    const LoadSpots spots = probe_load_screen(save_home);
    ASSERT_TRUE(spots.row.ok() && spots.load.ok() && spots.yes.ok());

    GameWindow game(display, dir, save_home);
    start(game, "end_of_game.log");
    ASSERT_TRUE(galaxy_road::load_from_title(game, spots, "the game a day before its end", "01_load_question")) << game.log();
    game.shot(END_OF_GAME_ROAD, "02_loaded_galaxy");

    game.step(END_OF_GAME_ROAD, "Next Turn, END OF GAME");
    game.key("n");
    ASSERT_TRUE(game.wait_for_log("Application mode is now 4", 60)) << game.log();
    // The band opens in about 2 s and holds the whole title for 2.4 s: the screen is looked at
    // until it shows the band across the middle with the title in it.
    DecodedPng band;
    auto held = [&band] {
        return band_pixels(band, 900, 358, 1024, 410) > 5500 && light_pixels(band, 0, 358, 1024, 410) > 300;
    };
    band = game.watch_for_screen("END OF GAME's band across the middle", [&](const DecodedPng &now) {
        band = now;
        return held();
    });
    game.keep_look(END_OF_GAME_ROAD, "03_end_of_game_band");
    EXPECT_GT(band_pixels(band, 0, 358, 1024, 410), 44000) << "the band across the middle, edge to edge";
    EXPECT_GT(light_pixels(band, 0, 358, 1024, 410), 300) << "END OF GAME in it";
    EXPECT_LT(band_pixels(band, 0, 60, 1024, 340), 500) << "nothing of it above";

    // Slide, rise and the results: the band ends at the top, its left part only.
    DecodedPng results;
    auto risen = [&results] {
        return band_pixels(results, 0, 47, 640, 100) > band_pixels(results, 0, 358, 1024, 410) + 20000;
    };
    results = game.wait_for_screen("the band risen to the top", [&](const DecodedPng &now) {
        results = now;
        return risen();
    });
    game.settle(results, {0, 40, 1024, 768}, 50);   // the results are built in the frame after the rise
    results = game.shot(END_OF_GAME_ROAD, "04_results");
    EXPECT_GT(band_pixels(results, 0, 47, 640, 100), 20000) << "the band risen to the top, its left part";
    EXPECT_LT(band_pixels(results, 660, 47, 1024, 100), 500) << "slid in from the right";
    EXPECT_LT(band_pixels(results, 0, 358, 1024, 410), 500) << "gone from the middle";
    EXPECT_GT(light_pixels(results, 0, 47, 640, 100), 300) << "the title in the risen band";

    game.step(END_OF_GAME_ROAD, "Next, the scores");
    game.key("Return");   // "Next"
    const DecodedPng scores = game.shot_when_changed(END_OF_GAME_ROAD, "05_scores", results,
        {495, 196, 947, 504}, 5000, "the score table replaces the map");
    EXPECT_GT(pixels_changed(results, scores, 495, 196, 947, 504), 5000) << "the score table replaces the map";
    EXPECT_GT(band_pixels(scores, 0, 47, 640, 100), 20000) << "the band stays under the table";

    game.step(END_OF_GAME_ROAD, "Main Menu, the title");
    game.key("Return");   // "Main Menu"
    ASSERT_TRUE(game.expect_log("Application mode is now 2", 30, 2)) << game.log();
    galaxy_road::title_menu(game);
    game.shot(END_OF_GAME_ROAD, "06_title_again");
    finish(game);
    const std::string log = game.log();
    EXPECT_EQ(GameWindow::occurrences(log, "Application mode is now 4"), 1);

    EXPECT_GT(file_size(records), records_before) << "Main Menu writes the records";
    std::vector<RecordCounts> ids{made.winner_record};
    ids.insert(ids.end(), made.loser_records.begin(), made.loser_records.end());
    const std::vector<RecordCounts> after = maker.records_in(save_home, ids);
    ASSERT_EQ(after.size(), ids.size());
    EXPECT_EQ(after[0].games, made.winner_record.games + 1) << made.winner;
    EXPECT_EQ(after[0].wins, made.winner_record.wins + 1) << made.winner;
    for (size_t i = 1; i < after.size(); ++i) {
        EXPECT_EQ(after[i].games, ids[i].games + 1) << "record #" << ids[i].id;
        EXPECT_EQ(after[i].wins, ids[i].wins) << "record #" << ids[i].id << " lost";
    }
}

}  // namespace
