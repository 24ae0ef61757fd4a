// Whole games without screens: the driver plays the galaxy screen's day over the real model, and
// the game it plays saves and loads exactly on the way.
#include "headless_fixture.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include "game/encounter.h"
#include "game/turn.h"
#include "platform/calendar.h"
#include "platform/files.h"
#include "platform/random.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

using HeadlessGame = ModelGame;

TEST_F(HeadlessGame, DaysPassInTheScreensOrderAndTheAutosaveComesEveryFourteenth) {
    HeadlessOptions options;
    for (int32_t n : {0, 5, -1}) {
        options.computer_players = n;
        EXPECT_EQ(headless_new_game(game, options), RES_OUT_OF_RANGE) << n << " computer players";
    }
    random_seed(20);
    options.computer_players = 3;
    options.setup.star_density = 2;
    options.ai_commands = false;   // nobody starts a battle: every day ends its turn
    ASSERT_EQ(headless_new_game(game, options), RES_OK);
    ASSERT_NE(game->ui_player, nullptr);
    EXPECT_EQ(list_count(game->players), 6);
    const uint64_t start = game->clock->minutes;
    const std::string autosave = game_save_path(SAVE_AUTOSAVE_NAME);
    for (int32_t day = 1; day <= 15; ++day) {
        const HeadlessDay d = headless_advance_day(game, options);
        ASSERT_TRUE(d.turn_ended) << day;
        EXPECT_EQ(d.frames, 50) << "a day a second at the default speed, 20 ms a frame";
        EXPECT_EQ(game->clock->minutes, start + uint64_t(day) * MINUTES_PER_DAY);
        EXPECT_EQ(game->turn_counter, day);
        EXPECT_EQ(file_exists(autosave.c_str()), day >= 14) << "day " << day;
    }
    // The autosave is a whole game under its own title; the next comes fourteen days after its load.
    SaveHeader *header = nullptr;
    ASSERT_EQ(save_header_read_file(&header, autosave.c_str()), RES_OK);
    EXPECT_EQ(header->title, SAVE_AUTOSAVE_TITLE);
    EXPECT_EQ(header->autosave, 1);
    save_header_free(header);
    ASSERT_EQ(game_load_file(game, autosave.c_str(), 0), RES_OK);
    EXPECT_EQ(game->turn_counter, 14);
    ASSERT_EQ(file_delete(autosave.c_str()), RES_OK);
    for (int32_t day = 1; day <= 14; ++day) {
        ASSERT_TRUE(headless_advance_day(game, options).turn_ended) << "the loaded game goes on";
        EXPECT_EQ(file_exists(autosave.c_str()), day == 14) << "day " << day << " after the load";
    }
}

// Two hundred days of a five-player game. Every fourteenth day the game is saved, loaded into a
// cleared game and saved again: that file must be byte for byte the original's next save, and the
// game goes on from the loaded copy. The last save stays in the test's output folder.
TEST_F(HeadlessGame, TwoHundredDaysSaveAndLoadExactlyOnTheWay) {
    random_seed(200);
    HeadlessOptions options;
    options.computer_players = 4;
    options.setup.star_density = 3;
    options.setup.starting_tech = 2;
    ASSERT_EQ(headless_new_game(game, options), RES_OK);
    const std::string out = fresh_test_dir("headless");
    int32_t checkpoints = 0;
    std::string last;
    int32_t turns = 0, battles = 0;
    for (int32_t day = 1; day <= 200; ++day) {
        const HeadlessDay d = headless_advance_day(game, options);
        turns += d.turn_ended ? 1 : 0;
        battles += d.player_battles + d.ai_battles;
        ASSERT_EQ(game_encounter_count(game), 0) << "every battle of day " << day << " was settled";
        if (day % 14 != 0 && day != 200) continue;
        char name[32];
        std::snprintf(name, sizeof name, "day%03d.sav", int(day));
        const std::string first = out + "/" + name;
        const std::string expected = first + ".expected", second = first + ".again";
        // A save counts itself, so the loaded copy's save is compared with the original's next one.
        ASSERT_EQ(game_save(game, first.c_str(), "Headless", 0, nullptr), RES_OK) << day;
        ASSERT_EQ(game_save(game, expected.c_str(), "Headless", 0, nullptr), RES_OK) << day;
        ASSERT_EQ(game_load_file(game, first.c_str(), 0), RES_OK) << day;
        ASSERT_EQ(game_save(game, second.c_str(), "Headless", 0, nullptr), RES_OK) << day;
        const std::vector<uint8_t> a = read_whole(expected), b = read_whole(second);
        ASSERT_GT(a.size(), 1000u);
        ASSERT_TRUE(without_time(a) == without_time(b)) << "day " << day << ": " << a.size() << " / " << b.size() << " bytes";
        std::remove(second.c_str());
        std::remove(expected.c_str());
        if (!last.empty()) std::remove(last.c_str());
        last = first;
        ++checkpoints;
    }
    EXPECT_EQ(checkpoints, 15);
    EXPECT_EQ(game->turn_counter, turns) << "the turn ends on the days without a battle of the UI player";
    EXPECT_GE(turns, 1);

    SaveHeader *header = nullptr;
    ASSERT_EQ(save_header_read_file(&header, last.c_str()), RES_OK);
    std::printf("late-game save %s: %s, %zu bytes, turn %i, %i galaxy objects, %i battles on the way\n",
                last.c_str(), header->date_text.c_str(), read_whole(last).size(), int(game->turn_counter),
                int(map_object_count(game->galaxy_map)), int(battles));
    save_header_free(header);
}

// A save leaves out the copies of remembered sites that the load can make again from the game, and
// the load makes them: every player remembers exactly what it did, record for record, including a
// site that changed hands since it was last seen; and the loaded game saves to the same bytes.
TEST_F(HeadlessGame, ASaveLeavesOutSiteCopiesTheLoadMakesAgainAndEveryPlayerRemembersTheSame) {
    random_seed(52);
    HeadlessOptions options;
    options.computer_players = 2;
    options.setup.star_density = 2;
    ASSERT_EQ(headless_new_game(game, options), RES_OK);
    for (int32_t day = 1; day <= 10; ++day) headless_advance_day(game, options);
    // A site of one corporation other than its starbase passes to another; neither has seen it since.
    Player *loser = list_get(game->players, 1), *taker = list_get(game->players, 2);
    ASSERT_TRUE(loser && taker);
    Site *lost = nullptr;
    for (int32_t i = 0; i < map_object_count(game->galaxy_map); ++i)
        if (const Sector *s = sector_of(map_object_at(game->galaxy_map, i)))
            for (Site *site : s->sites.items)
                if (site && site->owner_id == loser->id && site->subtype != SITE_STARBASE) lost = site;
    ASSERT_NE(lost, nullptr);
    const uint64_t lost_id = lost->id, loser_id = loser->id;
    ASSERT_NE(player_known_object_by_id(loser, lost_id), nullptr);
    object_set_owner_id(lost, taker->id);

    // Every player's memory as records by id.
    using Memory = std::map<uint64_t, std::vector<uint8_t>>;
    auto memories = [this] {
        std::vector<Memory> all;
        for (const Player *p : game->players->items) {
            Memory &m = all.emplace_back();
            for (const GameObject *copy : p->known.items) {
                Buffer b;
                EXPECT_EQ(object_write(copy, &b), RES_OK);
                EXPECT_TRUE(m.emplace(copy->id, std::vector<uint8_t>(b.data, b.data + b.length)).second) << "one copy each";
            }
        }
        return all;
    };
    const std::vector<Memory> before = memories();
    for (const Player *p : game->players->items) {
        const std::vector<const GameObject *> saved = player_saved_snapshots(game, p);
        size_t sites = 0;
        for (const GameObject *copy : p->known.items) {
            const bool kept = std::find(saved.begin(), saved.end(), copy) != saved.end();
            EXPECT_TRUE(kept || copy->kind == OBJECT_SITE) << "only site copies are left out";
            sites += copy->kind == OBJECT_SITE;
        }
        if (p->kind == PLAYER_KIND_COMPUTER && sites > 0) {
            EXPECT_LT(saved.size(), size_t(list_count(&p->known))) << p->name;
        }
        if (p == loser) {
            EXPECT_NE(std::find(saved.begin(), saved.end(), player_known_object_by_id(p, lost_id)), saved.end())
                << "the copy of a site that changed since it was seen is kept";
        }
    }

    const std::string out = fresh_test_dir("site-copies");
    const std::string first = out + "/a.sav", expected = out + "/b.sav", again = out + "/c.sav";
    const uint64_t generator = random_state();
    ASSERT_EQ(game_save(game, first.c_str(), "Sites", 0, nullptr), RES_OK);
    EXPECT_EQ(random_state(), generator) << "the copies a save compares draw nothing";
    ASSERT_EQ(game_save(game, expected.c_str(), "Sites", 0, nullptr), RES_OK);
    ASSERT_EQ(game_load_file(game, first.c_str(), 0), RES_OK);
    EXPECT_TRUE(memories() == before) << "every player remembers what it did, record for record";
    const GameObject *memory = player_known_object_by_id(game_find_player(game, loser_id), lost_id);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(memory->owner_id, loser_id) << "the loser remembers its site as it last saw it";

    // Making them again finds nothing missing, and the loaded game saves as the original does.
    for (Player *p : game->players->items) player_remember_sites(game, p);
    EXPECT_TRUE(memories() == before);
    ASSERT_EQ(game_save(game, again.c_str(), "Sites", 0, nullptr), RES_OK);
    EXPECT_TRUE(without_time(read_whole(expected)) == without_time(read_whole(again)));
}

// A rival ship in the passive UI player's home sector: the battle is fought out for it, the turn
// does not end that day, and the next quiet day ends it again.
TEST_F(HeadlessGame, ADayWithTheUiPlayersBattleFightsItAndSkipsTheEndOfTurn) {
    random_seed(31);
    HeadlessOptions options;
    options.computer_players = 1;
    options.setup.starting_tech = 1;
    options.ai_commands = false;
    ASSERT_EQ(headless_new_game(game, options), RES_OK);
    Player *rival = list_get(game->players, 1);
    ASSERT_NE(rival, nullptr);
    ASSERT_EQ(player_object_count(rival), 1);
    Ship *raider = ship_of(player_get_object_at(rival, 0));
    Sector *home = nullptr;
    for (int32_t i = 0; i < map_object_count(game->galaxy_map); ++i)
        if (Sector *s = sector_of(map_object_at(game->galaxy_map, i)); s && s->owner_id == game->ui_player_id) home = s;
    ASSERT_NE(home, nullptr);
    ASSERT_NE(raider, nullptr);
    ship_set_sector(raider, home);

    const HeadlessDay battle_day = headless_advance_day(game, options);
    EXPECT_EQ(battle_day.player_battles, 1);
    EXPECT_FALSE(battle_day.turn_ended);
    EXPECT_EQ(game->turn_counter, 0);
    EXPECT_EQ(game_encounter_count(game), 0) << "the battle was settled the same day";
    EXPECT_EQ(game->current_encounter, nullptr);
    EXPECT_EQ(game->ui_player->encounter_numbers[0], 1);
    // Whatever the outcome, the two ships no longer share the sector.
    EXPECT_LE(sector_count_other_owners(home, game->ui_player_id), 0);

    const HeadlessDay quiet = headless_advance_day(game, options);
    EXPECT_EQ(quiet.player_battles, 0);
    EXPECT_TRUE(quiet.turn_ended);
    EXPECT_EQ(game->turn_counter, 1);
}

}  // namespace
