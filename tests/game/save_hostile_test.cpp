// Hostile save folders and saves: files that are not regular files under a save's name, temporary
// files a killed save left behind, and figures at the int32_t limits that a save can carry into the
// sums the load and the next day take over them.
#include "save_fixture.h"

#include <chrono>
#include <climits>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>
#include "ai/ai_galaxy.h"
#include "game/officer.h"
#include "platform/files.h"
#include "platform/store.h"
#include "systems/system.h"

using namespace savetest;

namespace {

class HostileSaveFolder : public SaveWorld {
protected:
    void SetUp() override {
        SaveWorld::SetUp();
        folder = fresh_test_dir("save_hostile");
    }

    // Runs `call` on a thread of its own; a call still blocked after five seconds is released by
    // opening the FIFO for both ends, and fails the test.
    template <typename Call>
    void expect_returns(const char *what, const std::string &fifo, Call call) {
        auto done = std::async(std::launch::async, call);
        if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return done.get();
        const int release = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
        ADD_FAILURE() << what << " blocked on the FIFO";
        done.wait();
        if (release >= 0) ::close(release);
    }

    List<SaveHeader> *listed() {
        List<SaveHeader> *list = nullptr;
        EXPECT_EQ(game_list_saves(game, &list), RES_OK);
        return list;
    }

    static std::vector<std::string> paths_of(List<SaveHeader> *list) {
        std::vector<std::string> out;
        for (int32_t i = 0; i < list_count(list); ++i) out.push_back(list_get(list, i)->path);
        list_free(list);
        return out;
    }

    static void age(const std::string &file, int seconds) {
        struct timespec times[2];
        times[0].tv_sec = times[1].tv_sec = ::time(nullptr) - seconds;
        times[0].tv_nsec = times[1].tv_nsec = 0;
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0) << file;
    }
};

TEST_F(HostileSaveFolder, AFifoOrDeviceUnderASaveNameIsRefusedWithoutBlockingAndNotListed) {
    build_state(false);
    TestSaveFolder saves("save_hostile_fifo");
    ASSERT_EQ(game_create_save_directory(), RES_OK);
    ASSERT_EQ(game_save(game, saves.file("000.sav").c_str(), "Good", 0, nullptr), RES_OK);
    const std::string fifo = saves.file("001.sav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    ASSERT_EQ(::mkdir(saves.file("002.sav").c_str(), 0755), 0);

    expect_returns("listing the folder", fifo, [&] {
        EXPECT_EQ(paths_of(listed()), std::vector<std::string>{saves.file("000.sav")}) << "only the good save";
    });
    expect_returns("reading the header", fifo, [&] {
        SaveHeader *h = nullptr;
        EXPECT_EQ(save_header_read_file(&h, fifo.c_str()), RES_OPEN_FAILED);
        EXPECT_EQ(h, nullptr);
    });
    expect_returns("loading it", fifo, [&] {
        EXPECT_EQ(game_load_file(game, fifo.c_str(), 0), RES_OPEN_FAILED);
        Buffer *raw = nullptr;
        EXPECT_EQ(store_read_file(fifo.c_str(), 0, &raw), RES_OPEN_FAILED);
        EXPECT_EQ(raw, nullptr);
    });
    // A device and a folder chosen for loading fail the same way; the good save still loads.
    EXPECT_EQ(game_load_file(game, "/dev/zero", 0), RES_OPEN_FAILED);
    EXPECT_EQ(game_load_file(game, saves.file("002.sav").c_str(), 0), RES_OPEN_FAILED);
    EXPECT_LT(file_open_read("/dev/zero"), 0);
    EXPECT_EQ(game_load_file(game, saves.file("000.sav").c_str(), 0), RES_OK);
    EXPECT_EQ(game->ui_player_id, HUMAN);
}

TEST_F(HostileSaveFolder, TemporaryFilesAreNeverListedAndStaleOnesGoWhenListedOrSavedInto) {
    build_state(false);
    TestSaveFolder saves("save_hostile_temp");
    ASSERT_EQ(game_create_save_directory(), RES_OK);
    ASSERT_EQ(game_save(game, saves.file("000.sav").c_str(), "Kept", 0, nullptr), RES_OK);
    const std::vector<uint8_t> whole = read_whole(saves.file("000.sav"));
    // What a save killed after its last byte and before its rename leaves: a whole save under the
    // temporary name.
    const std::string fresh = saves.file("001.sav.tmp"), stale = saves.file("002.sav.tmp");
    for (const std::string &temp : {fresh, stale}) {
        FILE *f = std::fopen(temp.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(whole.data(), 1, whole.size(), f), whole.size());
        std::fclose(f);
    }
    age(stale, 3600);

    EXPECT_EQ(paths_of(listed()), std::vector<std::string>{saves.file("000.sav")});
    EXPECT_FALSE(file_exists(stale.c_str())) << "an hour-old temporary file is removed by the listing";
    EXPECT_TRUE(file_exists(fresh.c_str())) << "a save under way in another copy of the game is left alone";
    EXPECT_EQ(paths_of(listed()), std::vector<std::string>{saves.file("000.sav")}) << "and still not listed";

    // Saving into the folder clears the stale ones too, and its own write leaves none.
    age(fresh, 3600);
    ASSERT_EQ(game_save(game, saves.file("003.sav").c_str(), "Next", 0, nullptr), RES_OK);
    EXPECT_FALSE(file_exists(fresh.c_str()));
    EXPECT_FALSE(file_exists(saves.file("003.sav.tmp").c_str()));
    std::vector<std::string> names;
    ASSERT_EQ(list_directory(saves.folder().c_str(), &names), RES_OK);
    for (const std::string &name : names) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    EXPECT_EQ(paths_of(listed()).size(), 2u);
    std::string slot;
    ASSERT_EQ(game_find_free_save_slot(&slot), RES_OK);
    EXPECT_EQ(slot, saves.file("001.sav")) << "the slot whose save was killed is free again";
}

// The name a write puts its bytes under is the one the listing passes over as unfinished: a
// folder in its place stops the save before anything is replaced, and a whole save left under
// it by a killed write is neither listed nor kept once stale.
TEST_F(HostileSaveFolder, AWritesTemporaryNameIsTheOneTheListingTakesForUnfinished) {
    build_state(false);
    TestSaveFolder saves("save_hostile_temp_name");
    ASSERT_EQ(game_create_save_directory(), RES_OK);
    const std::string target = saves.file("000.sav"), temp = target + FILE_TEMP_SUFFIX;
    ASSERT_EQ(::mkdir(temp.c_str(), 0755), 0);
    EXPECT_NE(game_save(game, target.c_str(), "Blocked", 0, nullptr), RES_OK);
    EXPECT_FALSE(file_exists(target.c_str()));
    ASSERT_EQ(::rmdir(temp.c_str()), 0);

    ASSERT_EQ(game_save(game, target.c_str(), "Whole", 0, nullptr), RES_OK);
    ASSERT_EQ(::rename(target.c_str(), temp.c_str()), 0);   // as if killed before its rename
    age(temp, 3600);
    EXPECT_TRUE(paths_of(listed()).empty());
    EXPECT_FALSE(file_exists(temp.c_str()));
}

// A FIFO or a link planted under a save's temporary name, dated now or in the future (so no
// listing takes it for stale): the save and the autosave neither wait on the FIFO nor write
// through the link.
TEST_F(HostileSaveFolder, AFifoOrLinkUnderTheTemporaryNameNeitherFreezesNorRedirectsASave) {
    build_state(false);
    TestSaveFolder saves("save_hostile_planted");
    ASSERT_EQ(game_create_save_directory(), RES_OK);
    const std::string target = saves.file("000.sav"), temp = target + FILE_TEMP_SUFFIX;
    ASSERT_EQ(::mkfifo(temp.c_str(), 0644), 0);
    struct timespec future[2] = {{::time(nullptr) + 86400, 0}, {::time(nullptr) + 86400, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, temp.c_str(), future, 0), 0);
    expect_returns("a save over a planted FIFO", temp,
                   [&] { EXPECT_EQ(game_save(game, target.c_str(), "Through", 0, nullptr), RES_OK); });
    EXPECT_EQ(paths_of(listed()), std::vector<std::string>{target});

    const std::string victim = saves.root() + "/victim.txt";
    { FILE *f = std::fopen(victim.c_str(), "wb"); ASSERT_NE(f, nullptr); std::fputs("keep me", f); std::fclose(f); }
    const std::string autosave = saves.file(SAVE_AUTOSAVE_NAME);
    ASSERT_EQ(::symlink(victim.c_str(), (autosave + FILE_TEMP_SUFFIX).c_str()), 0);
    ASSERT_EQ(game_save(game, autosave.c_str(), SAVE_AUTOSAVE_TITLE, 1, nullptr), RES_OK);
    const std::vector<uint8_t> kept = read_whole(victim);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep me");
    SaveHeader *header = nullptr;
    ASSERT_EQ(save_header_read_file(&header, autosave.c_str()), RES_OK);
    EXPECT_EQ(header->autosave, 1);
    save_header_free(header);
}

// A save is exactly what the writer wrote: bytes appended after the state (a byte, or many
// megabytes) make the load refuse it rather than play on silently.
TEST_F(HostileSaveFolder, BytesAfterTheStateAreRefused) {
    build_state(false);
    const std::string file = path("trailing.sav");
    ASSERT_EQ(game_save(game, file.c_str(), "Tail", 0, nullptr), RES_OK);
    ASSERT_EQ(game_load_file(game, file.c_str(), 0), RES_OK) << "as written, it loads";
    ASSERT_EQ(game_save(game, file.c_str(), "Tail", 0, nullptr), RES_OK);
    for (size_t extra : {size_t(1), size_t(4) << 20}) {
        FILE *f = std::fopen(file.c_str(), "ab");
        ASSERT_NE(f, nullptr);
        const std::vector<uint8_t> junk(extra, 0x5A);
        ASSERT_EQ(std::fwrite(junk.data(), 1, junk.size(), f), junk.size());
        std::fclose(f);
        EXPECT_EQ(game_load_file(game, file.c_str(), 0), RES_MALFORMED) << extra << " bytes appended";
        EXPECT_EQ(game->ui_player, nullptr) << "nothing of it is kept";
    }
}

// ---- Figures at the limits ----

class HostileFigures : public HostileSaveFolder {
protected:
    // The loaded ship of that name after a save and load (the load works out every ship's figures
    // and the players' totals afresh).
    Ship *reloaded(const char *name) {
        EXPECT_EQ(game_save(game, path("limits.sav").c_str(), "Limits", 0, nullptr), RES_OK);
        EXPECT_EQ(game_load_file(game, path("limits.sav").c_str(), 0), RES_OK);
        for (Player *p : game->players->items)
            for (GameObject *obj : p->objects.items)
                if (Ship *s = ship_of(obj); s && s->ship_name == name) return s;
        ADD_FAILURE() << name << " was not loaded";
        return nullptr;
    }

    // Two systems in the ship (fitted when the hull has none), each with the figures given.
    void give_two_systems(Ship *ship, int32_t value) {
        int32_t given = 0;
        for (int32_t i = 0; i < ship->crit_count && given < 2; ++i) {
            System *s = ship_get_crit_system(ship, i);
            for (int32_t type = 0; !s && type < SYSTEM_TYPE_COUNT; ++type) {
                System *made = system_create(type);
                if (!made) continue;
                if (ship_set_crit_system(ship, i, made) == RES_OK) s = made;
                else system_free(made);
            }
            if (!s) continue;
            s->status &= ~SYSTEM_STATUS_OFFLINE;
            s->mass = s->power = s->cost = s->load_a = s->load_b = value;
            ++given;
        }
        ASSERT_EQ(given, 2) << "the hull takes two systems";
    }

    Ship *ship_of_player(uint64_t owner, const char *name) {
        for (GameObject *obj : game_find_player(game, owner)->objects.items)
            if (Ship *s = ship_of(obj); s && s->ship_name == name) return s;
        return nullptr;
    }
};

TEST_F(HostileFigures, ShipFiguresFromASaveStickAtTheLimitsInsteadOfWrapping) {
    build_state(false);
    Ship *ship = ship_of_player(HUMAN, "Wayfarer");
    ASSERT_NE(ship, nullptr);
    give_two_systems(ship, INT32_MAX);
    ship->crew = INT32_MAX;
    ship->pilot->rank = INT32_MAX;
    for (int32_t &skill : ship->pilot->skills) skill = INT32_MAX;
    Ship *loaded = reloaded("Wayfarer");
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->mass, INT32_MAX);
    EXPECT_EQ(loaded->capacity_used, INT32_MAX);
    EXPECT_EQ(loaded->cost, INT32_MAX);
    EXPECT_EQ(loaded->all_load_a, INT32_MAX);
    EXPECT_EQ(loaded->online_load_b, INT32_MAX);
    EXPECT_GT(loaded->build_a, 0);
    EXPECT_GT(loaded->initiative_rate, 0);
    EXPECT_GT(loaded->evasion, 0);
    EXPECT_GE(loaded->max_ap, 1);
    EXPECT_LE(loaded->max_ap, SHIP_MAX_AP);
    EXPECT_GE(loaded->effective_mp, loaded->max_mp);
    EXPECT_EQ(loaded->turn_cost, 1) << "the navigation bonus takes it to the floor, not round past it";

    // The other end: figures at the lowest stick there, and the mass never falls below 1.
    give_two_systems(loaded, INT32_MIN);
    loaded->base_mass = INT32_MIN;
    Ship *low = reloaded("Wayfarer");
    ASSERT_NE(low, nullptr);
    EXPECT_EQ(low->mass, 1);
    EXPECT_EQ(low->capacity_used, INT32_MIN);
    EXPECT_EQ(low->all_load_a, INT32_MIN);
}

TEST_F(HostileFigures, PlayerTotalsOverShipsFromASaveStickAtTheLimits) {
    build_state(false);
    for (const char *name : {"Wayfarer", "Longreach"}) {
        Ship *s = ship_of_player(HUMAN, name);
        ASSERT_NE(s, nullptr);
        s->crew = INT32_MAX - 5;
        give_two_systems(s, INT32_MAX / 2);
    }
    ASSERT_NE(reloaded("Wayfarer"), nullptr);
    const PlayerTotals &t = game_find_player(game, HUMAN)->totals;
    EXPECT_EQ(t.ship_crew, INT32_MAX);
    EXPECT_EQ(t.online_load_a, INT32_MAX);
    EXPECT_EQ(t.online_load_b, INT32_MAX);
}

TEST_F(HostileFigures, AFleetOfShipsFromASaveSumsTheirMassToTheLimit) {
    build_state(false);
    Ship *first = ship_of_player(HUMAN, "Wayfarer"), *second = ship_of_player(HUMAN, "Longreach");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    for (Ship *s : {first, second}) give_two_systems(s, INT32_MAX / 2);
    ship_set_fleet(second, game_find_object_of_kind(game, OBJECT_FLEET, first->fleet_id));
    Ship *loaded = reloaded("Wayfarer");
    ASSERT_NE(loaded, nullptr);
    const Fleet *fleet = fleet_of(game_find_object_of_kind(game, OBJECT_FLEET, loaded->fleet_id));
    ASSERT_NE(fleet, nullptr);
    ASSERT_EQ(fleet_ship_count(fleet), 2);
    EXPECT_EQ(fleet->mass, INT32_MAX);
}

TEST(HostileOfficer, TheClassOfAnOfficerWithSkillsFromASaveIsWorkedOutWide) {
    Officer *o = officer_create();
    ASSERT_NE(o, nullptr);
    officer_retain(o);
    auto skills = [o](std::initializer_list<std::pair<int, int32_t>> set) {
        for (int32_t &k : o->skills) k = 0;
        for (auto [skill, value] : set) o->skills[skill] = value;
        return ai_officer_class(o);
    };
    // 3 x 2^30 wraps to a negative combat figure in 32 bits.
    EXPECT_EQ(skills({{SKILL_COMMAND, 1 << 30}, {SKILL_SENSORS, 1}}), AI_OFFICER_COMBAT);
    EXPECT_EQ(skills({{SKILL_MINING, INT32_MAX}, {SKILL_SCIENCE, INT32_MAX}, {SKILL_ENGINEERING, 1}}), AI_OFFICER_STARBASE);
    EXPECT_EQ(skills({{SKILL_ENGINEERING, INT32_MAX}, {SKILL_COMMAND, INT32_MAX / 3}}), AI_OFFICER_GALAXY);
    EXPECT_EQ(skills({{SKILL_NAVIGATION, INT32_MIN}, {SKILL_SENSORS, 1}}), AI_OFFICER_GALAXY);
    // Ordinary skills keep their classes.
    EXPECT_EQ(skills({{SKILL_COMMAND, 3}}), AI_OFFICER_COMBAT);
    EXPECT_EQ(skills({{SKILL_SENSORS, 2}, {SKILL_ENGINEERING, 1}}), AI_OFFICER_GALAXY);
    EXPECT_EQ(skills({{SKILL_MINING, 2}}), AI_OFFICER_STARBASE);
    officer_release(o);
}

}  // namespace
