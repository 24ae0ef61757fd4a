// Save games over a game state built from the real modules: the round trip, the header and file
// rules, failures passed up, hostile files and saves killed half-way, a battle in progress read back
// and linked to the loaded ships, and a game record without its galaxy map refused.
#include "save_fixture.h"

#include <csignal>
#include <tuple>
#include <sys/wait.h>
#include <unistd.h>
#include "game/clock.h"
#include "game/encounter.h"
#include "game/encounter_setup.h"
#include "platform/files.h"
#include "platform/store.h"
#include "support/fixture_store.h"

using namespace savetest;

namespace {

class SaveGame : public SaveWorld {
protected:
    void SetUp() override {
        SaveWorld::SetUp();
        folder = fresh_test_dir("save");
    }

    std::vector<uint8_t> save_bytes(const char *name, const char *title = "Test", int32_t autosave = 0) {
        EXPECT_EQ(game_save(game, path(name).c_str(), title, autosave, nullptr), RES_OK);
        return read_whole(path(name));
    }

    void expect_cleared(const char *what) {
        EXPECT_EQ(list_count(game->players), 0) << what;
        EXPECT_EQ(list_count(game->objects), 0) << what;
        EXPECT_EQ(list_count(game->alerts), 0) << what;
        EXPECT_EQ(map_object_count(game->galaxy_map), 0) << what;
        EXPECT_EQ(game->ui_player, nullptr) << what;
    }

    Ship *ship_named(const char *name) {
        for (Player *p : game->players->items)
            for (GameObject *obj : p->objects.items)
                if (Ship *s = ship_of(obj); s && s->ship_name == name) return s;
        return nullptr;
    }

    // Loads bytes written to a file of their own; the result code.
    Result load_bytes(const std::vector<uint8_t> &bytes, const char *name = "hostile.sav") {
        EXPECT_EQ(write_file_bytes(path(name).c_str(), bytes.data(), bytes.size()), RES_OK);
        return game_load_file(game, path(name).c_str(), 0);
    }
};

TEST_F(SaveGame, SaveLoadSaveGivesTheSameFileWithEverythingLinkedAndKept) {
    build_state();
    const int32_t counter = game->save_counter;
    const std::vector<uint8_t> first = save_bytes("a.sav");
    ASSERT_GT(first.size(), 7u * 2500u);
    EXPECT_EQ(game->save_counter, counter + 1) << "a manual save raises the counter";
    const std::vector<uint8_t> again = save_bytes("a2.sav");

    ASSERT_EQ(game_load_file(game, path("a.sav").c_str(), 0), RES_OK);
    EXPECT_EQ(game->save_counter, counter + 1) << "the stored counter is the one after the save";
    const std::vector<uint8_t> reloaded = save_bytes("b.sav");
    EXPECT_EQ(without_time(reloaded), without_time(again)) << "the loaded game saves as the original does";

    // What was linked and kept.
    ASSERT_NE(game->ui_player, nullptr);
    EXPECT_EQ(game->ui_player->id, HUMAN);
    EXPECT_EQ(game->ui_player->name, "Ada Quill");
    EXPECT_EQ(list_count(game->players), 3);
    Player *rival = game_find_player(game, RIVAL);
    ASSERT_NE(rival, nullptr);
    ASSERT_NE(rival->galaxy_ai, nullptr);
    ASSERT_NE(rival->commander_ai, nullptr);
    EXPECT_EQ(ai_task_count(rival->galaxy_ai), 1);
    EXPECT_EQ(player_object_count(game->ui_player), 2);
    EXPECT_EQ(player_object_count(game_find_player(game, COMBAT_AI)), 0) << "battle-time objects are not saved";
    EXPECT_EQ(map_object_count(game->galaxy_map), 6) << "three sectors, three fleets";
    EXPECT_EQ(std::tie(game->sol_budget, game->turn_counter, game->conquerable_sectors, game->autosave_countdown),
              std::make_tuple(12000, 40, 2, GAME_AUTOSAVE_TURNS));
    EXPECT_EQ(list_count(game->objects), 1);
    for (GameObject *obj : game->ui_player->objects.items) {
        Ship *ship = ship_of(obj);
        ASSERT_NE(ship, nullptr);
        EXPECT_TRUE(obj->flags & OBJ_LINKED);
        EXPECT_NE(ship->pilot, nullptr) << "the pilot resolves to the player's officer";
        EXPECT_NE(game_find_object_of_kind(game, OBJECT_FLEET, ship->fleet_id), nullptr) << "its fleet is on the map";
    }

    // (A loaded game playing on and saving exactly again, day after day: headless_test.)
}

TEST_F(SaveGame, TheHeaderHoldsTheUiPlayersFiguresAndTheListShowsOnlyGoodSaves) {
    build_state();
    game->setup.star_density = 4;
    game->setup.crew_recruitment = 1200;
    SaveHeader *header = nullptr;
    ASSERT_EQ(game_save(game, path("001.sav").c_str(), "My title", 0, &header), RES_OK);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(std::tie(header->title, header->player_name, header->sectors_owned, header->object_count, header->credits,
                       header->date_text),
              std::make_tuple(std::string("My title"), std::string("Ada Quill"), 1, 2, game->ui_player->credits,
                              date_format(game->clock)));
    save_header_free(header);

    const std::vector<uint8_t> bytes = read_whole(path("001.sav"));
    ASSERT_GE(bytes.size(), 40u);
    const std::vector<uint8_t> magic = {0x54, 0x43, 0x0D, 0x0A, 0x01, 0x02, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 10), magic);
    Bytes tail;
    tail.str(date_format(game->clock)).str("Ada Quill").words({int32_t(HUMAN % 200), 60, 90}).str("My title");
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 34, bytes.begin() + 34 + long(tail.v.size())), tail.v);

    SaveHeader *from_file = nullptr;
    ASSERT_EQ(save_header_read_file(&from_file, path("001.sav").c_str()), RES_OK);
    EXPECT_EQ(std::tie(from_file->star_density, from_file->crew_recruitment, from_file->autosave, from_file->path),
              std::make_tuple(4, 1200, 0, path("001.sav")));
    save_header_free(from_file);

    // Short and foreign files fail with -23 and stay out of the list.
    TestSaveFolder saves("save");
    ASSERT_EQ(game_create_save_directory(), RES_OK);
    EXPECT_TRUE(game_save_directory_exists());
    ASSERT_EQ(write_file_bytes(saves.file("short.sav").c_str(), bytes.data(), 5), RES_OK);
    std::vector<uint8_t> foreign = bytes;
    foreign[5] = 3;
    ASSERT_EQ(write_file_bytes(saves.file("foreign.sav").c_str(), foreign.data(), foreign.size()), RES_OK);
    ASSERT_EQ(write_file_bytes(saves.file("000.sav").c_str(), bytes.data(), bytes.size()), RES_OK);
    SaveHeader *h = nullptr;
    EXPECT_EQ(save_header_read_file(&h, saves.file("foreign.sav").c_str()), RES_MALFORMED);
    EXPECT_EQ(save_header_read_file(&h, saves.file("short.sav").c_str()), RES_END_OF_FILE);
    EXPECT_EQ(save_header_read_file(&h, saves.file("none.sav").c_str()), RES_OPEN_FAILED);
    Buffer five;
    ASSERT_EQ(buffer_append(&five, bytes.data(), 5), RES_OK);
    EXPECT_EQ(save_header_read(&h, &five), RES_MALFORMED);
    List<SaveHeader> *list = nullptr;
    EXPECT_EQ(game_list_saves(game, &list), RES_OK);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list_count(list), 1);
    EXPECT_EQ(list_get(list, 0)->path, saves.file("000.sav"));
    list_free(list);
    std::string free_path;
    ASSERT_EQ(game_find_free_save_slot(&free_path), RES_OK);
    EXPECT_EQ(free_path, saves.file("001.sav"));
}

TEST_F(SaveGame, CountersAutosaveAlertsAndAGameWithoutUiPlayer) {
    build_state();
    const uint64_t newest = game->newest_alert_id;
    const int32_t counter = game->save_counter;
    save_bytes("m1.sav");
    save_bytes("m2.sav");
    EXPECT_EQ(game->save_counter, counter + 2) << "two manual saves";
    const std::vector<uint8_t> autosave = save_bytes(SAVE_AUTOSAVE_NAME, SAVE_AUTOSAVE_TITLE, 1);
    EXPECT_EQ(game->save_counter, counter + 2) << "an autosave leaves the counter";

    game->autosave_countdown = 3;
    game->newest_alert_id = 0;
    ASSERT_EQ(game_load_file(game, path(SAVE_AUTOSAVE_NAME).c_str(), 0), RES_OK);
    EXPECT_EQ(game->autosave_countdown, GAME_AUTOSAVE_TURNS);
    // The two-month-old alert and its date line were dropped; today's date line and two stay.
    ASSERT_EQ(list_count(game->alerts), 3);
    EXPECT_EQ(game->newest_alert_id, newest) << "the highest id read";
    for (Alert *alert : game->alerts->items)
        EXPECT_LT(int64_t(game->clock->minutes - alert->time->minutes), ALERT_MAX_AGE_MINUTES);

    game->ui_player = nullptr;
    game->ui_player_id = 0;
    save_bytes("nobody.sav");
    ASSERT_EQ(game_load_file(game, path("nobody.sav").c_str(), 0), RES_OK);
    EXPECT_EQ(game->ui_player, nullptr);
    EXPECT_EQ(list_count(game->players), 3);
}

TEST_F(SaveGame, AFailedWriteIsReportedAndKeepsThePreviousFile) {
    build_state();
    const std::vector<uint8_t> good = save_bytes("keep.sav");
    const int32_t counter = game->save_counter;
    // A folder in the way of the temporary file: the write cannot happen.
    ASSERT_EQ(make_directory(path("keep.sav.tmp").c_str()), RES_OK);
    game->ui_player->credits = 1;
    const Result blocked = game_save(game, path("keep.sav").c_str(), "x", 0, nullptr);
    EXPECT_TRUE(blocked == RES_OPEN_FAILED || blocked == RES_WRITE_FAILED) << blocked;
    EXPECT_EQ(game->save_counter, counter) << "a failed save is not counted";
    EXPECT_EQ(read_whole(path("keep.sav")), good);
    EXPECT_NE(game_save(game, "/nonexistent-folder/x.sav", "x", 0, nullptr), RES_OK);
}

TEST_F(SaveGame, PendingLoadRunsOnceAndAFailedLoadLeavesNothingBehind) {
    EXPECT_EQ(game_run_pending_load(game), RES_NO_LOAD_PENDING);
    build_state();
    save_bytes("p.sav");
    game_prepare_load(game, path("p.sav").c_str());
    EXPECT_TRUE(game->flags & GAME_FLAG_LOAD_PENDING);
    EXPECT_EQ(game_run_pending_load(game), RES_OK);
    EXPECT_FALSE(game->flags & GAME_FLAG_LOAD_PENDING);
    EXPECT_EQ(game_run_pending_load(game), RES_NO_LOAD_PENDING);

    // A missing file changes nothing; a bad one clears the game.
    EXPECT_EQ(game_load_file(game, path("missing.sav").c_str(), 0), RES_OPEN_FAILED);
    EXPECT_EQ(list_count(game->players), 3);
    std::vector<uint8_t> bytes = read_whole(path("p.sav"));
    bytes.resize(bytes.size() - 3);
    EXPECT_EQ(load_bytes(bytes), RES_SHORT_BUFFER);
    expect_cleared("cut inside the last word");
}

// Offsets of the state section's fixed points, from the layout of the file.
struct Layout {
    size_t state = 0;         // first byte of the state section
    size_t player_count = 0;
    size_t ui_player_id = 0;
    std::vector<size_t> boundaries;   // every record boundary found
};

Layout layout_of(Game *game, const std::vector<uint8_t> &bytes) {
    Layout l;
    Buffer buf;
    EXPECT_EQ(buffer_append(&buf, bytes.data(), bytes.size()), RES_OK);
    SaveHeader *h = nullptr;
    EXPECT_EQ(save_header_read(&h, &buf), RES_OK);
    save_header_free(h);
    l.state = size_t(buf.cursor);
    l.player_count = l.state + 8 + 8 + 7 * 2500 + 4;
    size_t at = l.player_count + 4;
    l.boundaries = {0, 6, 10, 34, l.state, l.state + 8, l.state + 16};
    for (int i = 1; i <= 7; ++i) l.boundaries.push_back(l.state + 16 + size_t(i) * 2500);
    l.boundaries.push_back(l.player_count);
    for (Player *p : game->players->items) {
        l.boundaries.push_back(at);
        Buffer one;
        EXPECT_EQ(player_write(p, &one, game), RES_OK);
        at += size_t(one.length);
    }
    l.ui_player_id = at;
    for (size_t step : {8, 8, 8, 12, 4, 8}) {   // ids, Sol words, encounters, current encounter
        l.boundaries.push_back(at);
        at += step;
    }
    l.boundaries.push_back(at);   // the alert count
    return l;
}

TEST_F(SaveGame, HostileSavesFailWithTheirCodeAndLeaveAClearedGame) {
    build_state();
    const std::vector<uint8_t> bytes = save_bytes("good.sav");
    // The layout is taken from the players as they were saved: reload to drop the combat objects.
    ASSERT_EQ(game_load_file(game, path("good.sav").c_str(), 0), RES_OK);
    const Layout l = layout_of(game, bytes);
    {
        Buffer check;
        ASSERT_EQ(buffer_append(&check, bytes.data() + l.ui_player_id, 8), RES_OK);
        uint64_t id = 0;
        ASSERT_EQ(buffer_read_u64(&check, &id), RES_OK);
        ASSERT_EQ(id, HUMAN) << "the layout walk found the UI player's id";
    }

    // Cut at every record boundary found and at a spread of other places.
    std::vector<size_t> cuts = l.boundaries;
    for (size_t at = 1; at < bytes.size(); at += bytes.size() / 300 + 1) cuts.push_back(at);
    for (size_t back = 1; back <= 40; ++back) cuts.push_back(bytes.size() - back);
    for (size_t cut : cuts) {
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + long(cut));
        const Result r = load_bytes(part);
        if (cut < 6) EXPECT_TRUE(r == RES_MALFORMED || r == RES_EMPTY_FILE) << cut << " gives " << r;
        else EXPECT_EQ(r, RES_SHORT_BUFFER) << "cut at " << cut << " of " << bytes.size();
        if (cut >= 6) expect_cleared("after a cut");
    }

    // Flipped bytes where the reader must notice.
    struct Flip {
        size_t at;
        uint8_t value;
        Result want;
        const char *what;
    };
    const Flip flips[] = {
        {0, 0x55, RES_MALFORMED, "magic"},
        {5, 0x03, RES_MALFORMED, "format byte of the magic"},
        {l.state + 16 + 2496, 0x7F, RES_MALFORMED, "generator index past its block"},
        {l.player_count, 0x7F, RES_SHORT_BUFFER, "player count huge"},
        {l.player_count, 0xFF, RES_MALFORMED, "player count negative"},
        {l.ui_player_id + 7, 0xEE, RES_UNRESOLVED_ID, "UI player id names nobody"},
        {l.ui_player_id + 15, 0xEE, RES_UNRESOLVED_ID, "combat AI player id names nobody"},
        {l.ui_player_id + 8 + 8 + 8 + 12, 0x7F, RES_SHORT_BUFFER, "encounter count huge"},
        {l.ui_player_id + 8 + 8 + 8 + 12 + 4 + 8, 0x7F, RES_SHORT_BUFFER, "alert count huge"},
        {l.ui_player_id + 8 + 8 + 8 + 12 + 4 + 8, 0x80, RES_MALFORMED, "alert count negative"},
        {l.ui_player_id + 8 + 8 + 8 + 12 + 4 + 7, 0x01, RES_UNRESOLVED_ID, "current encounter names none"},
    };
    for (const Flip &f : flips) {
        std::vector<uint8_t> bad = bytes;
        ASSERT_LT(f.at, bad.size());
        bad[f.at] = f.value;
        EXPECT_EQ(load_bytes(bad), f.want) << f.what;
        expect_cleared(f.what);
    }

    // A flipped byte anywhere else never crashes and either loads or fails into a cleared game.
    uint32_t seed = 12345;
    for (int round = 0; round < 150; ++round) {
        seed = seed * 1103515245u + 12345u;
        std::vector<uint8_t> bad = bytes;
        bad[(seed >> 8) % bad.size()] ^= uint8_t(1u << (seed % 8));
        if (load_bytes(bad) != RES_OK) expect_cleared("random flip");
    }
    // And the good file still loads after all of that.
    EXPECT_EQ(game_load_file(game, path("good.sav").c_str(), 0), RES_OK);
}

TEST_F(SaveGame, ASaveKilledHalfWayLeavesThePreviousSaveWhole) {
    build_state(false);
    const std::string target = path("crash.sav");
    ASSERT_EQ(game_save(game, target.c_str(), "first", 1, nullptr), RES_OK);
    uint32_t seed = 99;
    for (int round = 0; round < 25; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                game->ui_player->credits += 1;   // every save differs
                (void)game_save(game, target.c_str(), "busy", 1, nullptr);
            }
        }
        seed = seed * 1103515245u + 12345u;
        ::usleep(2000 + (seed >> 8) % 20000);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        SaveHeader *h = nullptr;
        ASSERT_EQ(save_header_read_file(&h, target.c_str()), RES_OK) << "round " << round;
        save_header_free(h);
        Buffer *whole = nullptr;
        ASSERT_EQ(store_read_file(target.c_str(), 0, &whole), RES_OK);
        SaveHeader *again = nullptr;
        EXPECT_EQ(save_header_read(&again, whole), RES_OK);
        save_header_free(again);
        buffer_free(whole);
    }
    // The survivor loads completely.
    EXPECT_EQ(game_load_file(game, target.c_str(), 0), RES_OK) << "the last complete save";
    EXPECT_EQ(list_count(game->players), 3);
}

// ---- A battle in the middle of a saved game ----

TEST_F(SaveGame, ABattleInProgressIsSavedLoadedAndLinkedToTheLoadedShips) {
    build_state(false);
    Ship *wayfarer = ship_named("Wayfarer"), *grim = ship_named("Grim");
    ASSERT_NE(wayfarer, nullptr);
    ASSERT_NE(grim, nullptr);
    Encounter *enc = encounter_create();
    enc->field_w = 1365;
    enc->field_h = 1024;
    enc->centre_x = 900;
    enc->centre_y = 600;
    enc->name = "Enemy Engagement 1";
    encounter_seed_random(enc, 77);
    encounter_add_ark_defenders(enc, {wayfarer, grim}, 2, SYSTEM_TYPE_MISSILE, SYSTEM_TYPE_MISSILE);
    encounter_register_temp_objects(enc);
    encounter_layout(enc);
    ASSERT_EQ(game_add_encounter(game, enc), RES_OK);
    game_set_current_encounter(game, enc);
    Encounter *done = encounter_create();   // a second, finished battle in the list
    done->flags |= ENCOUNTER_FLAG_FINISHED;
    ASSERT_EQ(game_add_encounter(game, done), RES_OK);
    const uint64_t id = enc->id;
    const std::map<uint64_t, EncounterPlacement> placements = enc->placements;

    // Met in deep space: both fleets are hidden while the battle lasts, as the link after a load does.
    for (Ship *s : {wayfarer, grim}) {
        Fleet *f = fleet_of(game_find_object_of_kind(game, OBJECT_FLEET, s->fleet_id));
        ASSERT_NE(f, nullptr);
        f->fleet_flags |= FLEET_HIDDEN;
        f->flags |= OBJ_NO_POINTER_HIT;
    }
    save_bytes("battle.sav", "Battle");
    const std::vector<uint8_t> first = without_time(save_bytes("battle2.sav", "Battle"));   // the save counter as a reload has it
    ASSERT_EQ(game_load_file(game, path("battle.sav").c_str(), 0), RES_OK);
    ASSERT_EQ(list_count(game->encounters), 2);
    Encounter *loaded = game->current_encounter;
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->id, id);
    EXPECT_EQ(loaded, game_find_encounter(game, id)) << "the current battle is the listed one";
    EXPECT_EQ(loaded->refcount, 2);
    EXPECT_EQ(loaded->kind, ENCOUNTER_ARK);
    EXPECT_EQ(loaded->name, "Enemy Engagement 1");
    ASSERT_EQ(list_count(loaded->objects), 4);
    for (GameObject *obj : loaded->objects->items) {
        EXPECT_FALSE(obj->flags & OBJ_STUB);
        EXPECT_EQ(game_find_object(game, obj->id), obj) << "linked to the game's own object #" << obj->id;
    }
    EXPECT_EQ(list_get(loaded->objects, 0), ship_named("Wayfarer"));
    EXPECT_EQ(loaded->placements.size(), placements.size());
    for (const auto &[obj_id, p] : placements) {
        int32_t x = 0, y = 0, heading = 0;
        ASSERT_EQ(encounter_get_placement(loaded, &x, obj_id, &y, &heading), RES_OK);
        EXPECT_EQ(std::tie(x, y, heading), std::tie(p.x, p.y, p.heading)) << "#" << obj_id;
    }
    EXPECT_EQ(encounter_side_count(loaded), 3);
    Fleet *fleet = fleet_of(game_find_object_of_kind(game, OBJECT_FLEET, ship_named("Grim")->fleet_id));
    ASSERT_NE(fleet, nullptr);
    EXPECT_TRUE(fleet->fleet_flags & FLEET_HIDDEN) << "a fleet in battle stays hidden";
    EXPECT_EQ(without_time(save_bytes("again.sav", "Battle")), first);
}

TEST_F(SaveGame, ABattleWhoseShipIsGoneFailsTheLoad) {
    build_state(false);
    Encounter *enc = encounter_create();
    Ship *lost = ship_of(factory_create_object(OBJECT_SHIP, 2));   // held by the battle alone
    object_assign_id(lost);
    encounter_add_object(enc, lost);
    ASSERT_EQ(game_add_encounter(game, enc), RES_OK);
    save_bytes("gone.sav", "Battle");
    EXPECT_EQ(game_load_file(game, path("gone.sav").c_str(), 0), RES_UNRESOLVED_ID);
    EXPECT_EQ(list_count(game->encounters), 0) << "a failed load leaves a cleared game";
    EXPECT_EQ(game->current_encounter, nullptr);
}

// ---- A game record whose galaxy map is missing (a creation that failed half-way) ----

TEST_F(SaveGame, WithoutAGalaxyMapSaveAndLoadAreRefusedAndTheFileStaysWhole) {
    const std::string file = path("whole.sav");
    build_state();
    ASSERT_EQ(game_save(game, file.c_str(), "Whole", 0, nullptr), RES_OK);
    const std::vector<uint8_t> whole = read_whole(file);
    ASSERT_FALSE(whole.empty());

    {
        LogFileCatcher log(folder);
        SlotGuard<ObjectMap *> no_map;
        no_map.replace(game->galaxy_map, nullptr);
        EXPECT_EQ(game_save(game, file.c_str(), "Broken", 0, nullptr), RES_OUT_OF_RANGE);
        EXPECT_EQ(read_whole(file), whole) << "a refused save leaves the previous file as it was";
        EXPECT_EQ(game_load_file(game, file.c_str(), 0), RES_OUT_OF_RANGE);
        EXPECT_EQ(list_count(game->players), 0) << "a refused load leaves a cleared game";
        EXPECT_EQ(game->ui_player, nullptr);
        const std::string text = log.text();
        EXPECT_NE(text.find("Map write without a map"), std::string::npos) << text;
        EXPECT_NE(text.find("Map read without a map"), std::string::npos) << text;
    }

    ASSERT_NE(game->galaxy_map, nullptr) << "the game's own map is back";
    ASSERT_EQ(game_load_file(game, file.c_str(), 0), RES_OK) << "the file was never touched";
    EXPECT_GT(map_object_count(game->galaxy_map), 0);
    ASSERT_NE(game->ui_player, nullptr);
    EXPECT_EQ(game->ui_player->id, HUMAN);
}

TEST(MissingMap, EveryStepOfTheSaveFormRefusesANullMap) {
    Buffer buf;
    EXPECT_EQ(map_write(nullptr, &buf), RES_OUT_OF_RANGE);
    EXPECT_EQ(buf.length, 0) << "nothing written for a map that is not there";
    ASSERT_EQ(buffer_write_i32(&buf, 0), RES_OK);
    buffer_set_cursor(&buf, 0);
    EXPECT_EQ(map_read(nullptr, &buf), RES_OUT_OF_RANGE);
    EXPECT_EQ(map_link_objects(nullptr), RES_OUT_OF_RANGE);
}

}  // namespace
