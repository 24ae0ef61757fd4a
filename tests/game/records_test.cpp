// Player records: the exact entry layout, reader failures, the records file with its fallback to
// the shipped records, and the list operations.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <set>
#include <tuple>
#include "game/game.h"
#include "game/records.h"
#include "game_files.h"
#include "platform/buffer.h"
#include "platform/files.h"
#include "platform/list.h"
#include "platform/random.h"

namespace {

// A record whose every field differs from its neighbours, so a swapped or skipped field shows.
PlayerRecord *sample_record(uint64_t id, const char *name) {
    PlayerRecord *r = player_record_create();
    r->id = id;
    r->kind = 3;
    r->name = name;
    r->text = "Second";
    for (int i = 0; i < RECORD_STAT_COUNT; ++i) r->stats[i] = (uint64_t(i + 1) << 40) | uint64_t(i + 100);
    r->combat_pilot_pct = 11;
    r->galaxy_pilot_pct = 12;
    r->starbase_pilot_pct = 13;
    r->strike_margin_pct = 14;
    r->attack_fleet_radius = 15;
    for (int i = 0; i < RECORD_TEMPLATE_WEIGHTS; ++i) r->template_weights[i] = 200 + i;
    for (int i = 0; i < RECORD_SYSTEM_WEIGHTS; ++i) r->system_weights[i] = 300 + i;
    r->weapon_first_chance = 41;
    r->armour_bonus_chance = 42;
    r->extra_tuning = {-7, 8};
    for (int i = 0; i < RECORD_TASK_WEIGHTS; ++i) r->task_weights[i] = 500 + i;
    r->commander_reassign_penalty = 601;
    r->galaxy_reassign_penalty = 602;
    r->commander_full_task_bonus = 603;
    r->galaxy_full_task_bonus = 604;
    r->courage = 605;
    r->extra_selections = 606;
    r->research_queue_limit = 607;
    r->design_target = 608;
    r->design_lifetime_min = 609;
    r->design_lifetime_max = 610;
    r->shipyard_pct = 611;
    r->research_station_pct = 612;
    r->training_site_pct = 613;
    r->personality_min = 614;
    r->personality_max = 615;
    return r;
}

Bytes sample_bytes(uint64_t id, const char *name) {
    Bytes b;
    b.u64(id).i32(3).str(name).str("Second");
    for (int i = 0; i < RECORD_STAT_COUNT; ++i) b.u64((uint64_t(i + 1) << 40) | uint64_t(i + 100));
    b.words({11, 12, 13, 14, 15});
    for (int i = 0; i < 9; ++i) b.i32(200 + i);
    for (int i = 0; i < 30; ++i) b.i32(300 + i);
    b.words({41, 42, 2, -7, 8});
    for (int i = 0; i < 24; ++i) b.i32(500 + i);
    for (int i = 0; i < 15; ++i) b.i32(601 + i);
    return b;
}

void expect_same(const PlayerRecord *a, const PlayerRecord *b) {
    Buffer x, y;
    ASSERT_EQ(player_record_write(a, &x), RES_OK);
    ASSERT_EQ(player_record_write(b, &y), RES_OK);
    ASSERT_EQ(x.length, y.length);
    EXPECT_TRUE(std::equal(x.data, x.data + x.length, y.data));
}

// ---- one entry ----

TEST(PlayerRecordEntry, LayoutIsTheFieldsInOrderBigEndianAndReadsBackToTheSameBytes) {
    PlayerRecord *r = sample_record(0x0011223344556677ull, "Halcyon");
    Buffer buf;
    ASSERT_EQ(player_record_write(r, &buf), RES_OK);
    const Bytes want = sample_bytes(0x0011223344556677ull, "Halcyon");
    ASSERT_EQ(buf.length, int32_t(want.v.size()));
    EXPECT_EQ(buf.length, PLAYER_RECORD_FIXED_BYTES + 7 + 6 + 2 * 4);
    EXPECT_TRUE(std::equal(want.v.begin(), want.v.end(), buf.data));
    PlayerRecord *back = nullptr;
    ASSERT_EQ(player_record_read(&back, &buf), RES_OK);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(buf.cursor, buf.length);
    EXPECT_EQ(back->stats[RECORD_STAT_DAMAGE_DEALT], r->stats[RECORD_STAT_DAMAGE_DEALT]) << "statistics are u64";
    EXPECT_EQ(back->extra_tuning, (std::vector<int32_t>{-7, 8}));
    expect_same(r, back);
    player_record_free(r);
    player_record_free(back);
}

TEST(PlayerRecordEntry, CutShortOrNegativeEntriesAreRefusedAndNothingIsStored) {
    const Bytes whole = sample_bytes(5, "Cut");
    for (size_t n = 0; n < whole.v.size(); ++n) {
        Buffer buf;
        ASSERT_EQ(buffer_append(&buf, whole.v.data(), n), RES_OK);
        PlayerRecord *out = reinterpret_cast<PlayerRecord *>(&buf);   // must stay untouched
        EXPECT_EQ(player_record_read(&out, &buf), RES_SHORT_BUFFER) << n << " bytes";
        EXPECT_EQ(out, reinterpret_cast<PlayerRecord *>(&buf)) << n << " bytes";
    }
    Bytes tuning = sample_bytes(5, "Neg");
    tuning.v[8 + 4 + 4 + 3 + 4 + 6 + 80 + 20 + 36 + 120 + 8] = 0xFF;   // the tuning list's count
    Bytes name;
    name.u64(1).i32(0).i32(-1);
    for (const Bytes &bad : {tuning, name}) {
        Buffer buf;
        ASSERT_EQ(buffer_append(&buf, bad.v.data(), bad.v.size()), RES_OK);
        EXPECT_EQ(player_record_read(nullptr, &buf), RES_MALFORMED);
    }
    Buffer skip;   // a read without a place to store still takes the whole entry
    ASSERT_EQ(buffer_append(&skip, whole.v.data(), whole.v.size()), RES_OK);
    EXPECT_EQ(player_record_read(nullptr, &skip), RES_OK);
    EXPECT_EQ(skip.cursor, skip.length);
}

// ---- the records file ----

class RecordsFile : public ::testing::Test {
protected:
    void SetUp() override {
        random_seed(20240601);
        game = game_create();
        ASSERT_NE(game, nullptr);
        Bytes shipped;
        shipped.u32(2);
        const Bytes first = sample_bytes(1, "Shipped human");
        shipped.v.insert(shipped.v.end(), first.v.begin(), first.v.end());
        const Bytes second = sample_bytes(6, "Shipped corp");
        shipped.v.insert(shipped.v.end(), second.v.begin(), second.v.end());
        use_test_store(save.root() + "/store.dat", {{"player/params.dat", shipped.v}});
    }
    void TearDown() override {
        game_free(game);
        store_shutdown();
    }

    void write_records(const std::vector<uint8_t> &bytes) {
        ASSERT_EQ(make_directory(save.folder().c_str()), RES_OK);
        ASSERT_EQ(write_file_bytes(save.file("records.dat").c_str(), bytes.data(), bytes.size()), RES_OK);
    }
    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (PlayerRecord *r : game->player_records->items) out.push_back(r->name);
        return out;
    }

    TestSaveFolder save{"records"};
    Game *game = nullptr;
};

TEST_F(RecordsFile, SaveWritesTheCountThenEachEntryInListOrder) {
    list_append(game->player_records, sample_record(3, "Alpha"));
    list_append(game->player_records, sample_record(0x8000000000000001ull, "Beta"));
    list_set_free_fn(game->player_records, player_record_free);
    ASSERT_EQ(records_save(game), RES_OK);
    Bytes want;
    want.u32(2);
    for (const Bytes &b : {sample_bytes(3, "Alpha"), sample_bytes(0x8000000000000001ull, "Beta")})
        want.v.insert(want.v.end(), b.v.begin(), b.v.end());
    EXPECT_EQ(read_whole(save.file("records.dat")), want.v);
}

TEST_F(RecordsFile, LoadReadsTheSaveFolderFileAndLeavesTheSlotsAlone) {
    Bytes file;
    file.u32(1);
    const Bytes one = sample_bytes(42, "Mine");
    file.v.insert(file.v.end(), one.v.begin(), one.v.end());
    write_records(file.v);
    game->slot_record_ids[0] = 42;
    ASSERT_EQ(records_load(game), RES_OK);
    EXPECT_EQ(names(), std::vector<std::string>{"Mine"});
    EXPECT_EQ(game->slot_record_ids[0], 42u);
    ASSERT_EQ(records_save(game), RES_OK);
    EXPECT_EQ(read_whole(save.file("records.dat")), file.v);
}

TEST_F(RecordsFile, WithoutAFileTheShippedRecordsAndDefaultSlotsAreUsed) {
    ASSERT_EQ(records_load(game), RES_OK);
    EXPECT_EQ(names(), (std::vector<std::string>{"Shipped human", "Shipped corp"}));
    EXPECT_EQ(std::tie(game->slot_record_ids[0], game->slot_record_ids[2], game->slot_blue[4]), std::make_tuple(1u, 6u, 167));
    EXPECT_EQ(file_exists(save.file("records.dat").c_str()), 0);   // the first save makes it
}

TEST_F(RecordsFile, WhenNothingCanBeReadTheListIsUntouched) {
    store_shutdown();
    store_set_path((save.root() + "/no-store.dat").c_str());
    list_set_free_fn(game->player_records, player_record_free);
    list_append(game->player_records, sample_record(8, "Kept"));
    EXPECT_LT(int(records_load(game)), 0);
    EXPECT_EQ(names(), std::vector<std::string>{"Kept"});
}

TEST_F(RecordsFile, AnUnreadableFileIsKeptAsideAndTheShippedRecordsStandIn) {
    Bytes file;
    file.u32(2);
    const Bytes one = sample_bytes(42, "Mine");
    file.v.insert(file.v.end(), one.v.begin(), one.v.end());
    file.v.insert(file.v.end(), one.v.begin(), one.v.begin() + 20);   // the second entry is cut
    write_records(file.v);
    EXPECT_EQ(records_load(game), RES_SHORT_BUFFER);
    EXPECT_EQ(read_whole(save.file("records.dat.bad")), file.v);
    EXPECT_EQ(names(), (std::vector<std::string>{"Shipped human", "Shipped corp"}));
    EXPECT_EQ(game->slot_record_ids[1], 2u);
    // Saving now writes the shipped records; the player's own file survives beside it.
    ASSERT_EQ(records_save(game), RES_OK);
    EXPECT_EQ(read_whole(save.file("records.dat.bad")), file.v);
}

TEST_F(RecordsFile, AnEmptyFileCountsAsMissingAndACountCutShortIsUnreadable) {
    write_records({});
    ASSERT_EQ(records_load(game), RES_OK);
    EXPECT_EQ(names().size(), 2u);
    EXPECT_EQ(file_exists(save.file("records.dat.bad").c_str()), 0);
    write_records({0, 0, 1});
    EXPECT_EQ(records_load(game), RES_SHORT_BUFFER);
    EXPECT_EQ(read_whole(save.file("records.dat.bad")), (std::vector<uint8_t>{0, 0, 1}));
    EXPECT_EQ(names().size(), 2u);
}

TEST_F(RecordsFile, ARecordsFileThatCannotBeOpenedIsMovedAsideBeforeTheFirstSaveWritesANewOne) {
    ASSERT_EQ(make_directory(save.folder().c_str()), RES_OK);
    // A FIFO (never opened: reading it would wait for a writer), then a folder, under the name.
    ASSERT_EQ(::mkfifo(save.file("records.dat").c_str(), 0644), 0);
    EXPECT_NE(records_load(game), RES_OK);
    EXPECT_EQ(names(), (std::vector<std::string>{"Shipped human", "Shipped corp"}));
    ASSERT_EQ(records_save(game), RES_OK);
    struct stat st;
    ASSERT_EQ(::lstat(save.file("records.dat.bad").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    ASSERT_EQ(::unlink(save.file("records.dat").c_str()), 0);
    ASSERT_EQ(::mkdir(save.file("records.dat").c_str(), 0755), 0);
    EXPECT_NE(records_load(game), RES_OK);
    EXPECT_TRUE(is_directory(save.file("records.dat.bad.1").c_str())) << "an earlier kept copy is not overwritten";
    ASSERT_EQ(records_save(game), RES_OK);
    EXPECT_TRUE(S_ISFIFO((::lstat(save.file("records.dat.bad").c_str(), &st), st.st_mode)));
}

TEST_F(RecordsFile, ASecondUnreadableFileKeepsTheFirstCopyToo) {
    write_records({0, 0, 1});
    EXPECT_EQ(records_load(game), RES_SHORT_BUFFER);
    ASSERT_EQ(records_save(game), RES_OK);
    write_records({9, 9});
    EXPECT_EQ(records_load(game), RES_SHORT_BUFFER);
    EXPECT_EQ(read_whole(save.file("records.dat.bad")), (std::vector<uint8_t>{0, 0, 1}));
    EXPECT_EQ(read_whole(save.file("records.dat.bad.1")), (std::vector<uint8_t>{9, 9}));
}

// Slot ids from a damaged "prefs.dat" name no record: each takes its slot's default when that
// record exists and no other slot holds it, else no player, instead of leaving Start inert.
TEST_F(RecordsFile, SlotIdsThatNameNoRecordTakeTheirDefaultOrNone) {
    ASSERT_EQ(records_load(game), RES_OK);   // the shipped ids 1 and 6
    const uint64_t junk[GAME_SLOT_COUNT] = {0x51, 0x52, 0x53, 0, 0x55};
    for (int k = 0; k < GAME_SLOT_COUNT; ++k) game->slot_record_ids[k] = junk[k];
    EXPECT_EQ(records_fix_slots(game), 4);
    const std::vector<uint64_t> ids(game->slot_record_ids, game->slot_record_ids + GAME_SLOT_COUNT);
    EXPECT_EQ(ids, (std::vector<uint64_t>{1, 0, 6, 0, 0})) << "slot 1's default 2 is not in the records";
    EXPECT_EQ(records_fix_slots(game), 0) << "nothing left to mend";
    game->slot_record_ids[0] = 0x99;
    game->slot_record_ids[1] = 1;   // the default human record, held by another slot already
    EXPECT_EQ(records_fix_slots(game), 1);
    EXPECT_EQ(game->slot_record_ids[0], 0u);
}

TEST_F(RecordsFile, BadShippedRecordsLeaveTheListEmpty) {
    use_test_store(save.root() + "/bad-store.dat", {{"player/params.dat", {0, 0, 0, 3, 1, 2}}});
    list_set_free_fn(game->player_records, player_record_free);
    list_append(game->player_records, sample_record(8, "Dropped"));
    EXPECT_EQ(records_load(game), RES_SHORT_BUFFER);
    EXPECT_TRUE(names().empty());
    EXPECT_EQ(file_exists(save.file("records.dat.bad").c_str()), 0);
}

// ---- list operations ----

class RecordsList : public RecordsFile {};

TEST_F(RecordsList, AddNewGivesDistinctIdsOverAllSixtyFourBitsToEmptyHumanRecordsThatAreSaved) {
    uint64_t seen_high = 0;
    std::set<uint64_t> ids;
    for (int i = 0; i < 64; ++i) {
        const uint64_t id = records_add_new(game, "Ada");
        EXPECT_NE(id, 0u);
        seen_high |= id >> 56;
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 64u);
    EXPECT_NE(seen_high, 0u);
    const PlayerRecord *r = records_find(game, *ids.begin());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->name, "Ada");
    EXPECT_EQ(r->kind, 0);
    EXPECT_EQ(r->text, "");
    for (uint64_t stat : r->stats) EXPECT_EQ(stat, 0u);
    EXPECT_TRUE(r->extra_tuning.empty());

    ASSERT_EQ(records_save(game), RES_OK);
    Game *other = game_create();
    ASSERT_EQ(records_load(other), RES_OK);
    ASSERT_NE(records_find(other, *ids.begin()), nullptr);
    EXPECT_EQ(records_find(other, *ids.begin())->name, "Ada");
    game_free(other);
}

TEST_F(RecordsList, RemovingTheMiddleOfThreeKeepsTheOrderAndFindStopsAtTheFirstEmptySlot) {
    const uint64_t a = records_add_new(game, "A");
    const uint64_t b = records_add_new(game, "B");
    const uint64_t c = records_add_new(game, "C");
    records_remove(game, b);
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(records_find(game, b), nullptr);
    records_remove(game, 12345);   // no such record: nothing happens
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(records_find(game, a)->name, "A");
    EXPECT_EQ(records_find(game, c)->name, "C");
    EXPECT_EQ(records_find(game, 0), nullptr);
    PlayerRecord *held = records_find(game, a);
    list_set(game->player_records, 0, nullptr);
    EXPECT_EQ(records_find(game, c), nullptr);
    list_set(game->player_records, 0, held);
}

// ---- the shipped records in the generated store ----

TEST(ShippedRecords, HoldTheDefaultSlotRecordsWithTheirKinds) {
    TestSaveFolder save("records");
    use_generated_store();
    Game *game = game_create();
    ASSERT_EQ(records_load(game), RES_OK);
    ASSERT_GE(list_count(game->player_records), 4);
    std::set<uint64_t> ids;
    for (const PlayerRecord *r : game->player_records->items) {
        EXPECT_NE(r->id, 0u);
        EXPECT_FALSE(r->name.empty());
        EXPECT_TRUE(ids.insert(r->id).second) << r->id;
        EXPECT_LE(r->personality_min, r->personality_max) << r->name;
        EXPECT_LE(r->design_lifetime_min, r->design_lifetime_max) << r->name;
    }
    for (int slot = 0; slot < 4; ++slot) {
        const PlayerRecord *r = records_find(game, game->slot_record_ids[slot]);
        ASSERT_NE(r, nullptr) << "slot " << slot;
        if (slot == 0) EXPECT_EQ(r->kind, 0) << r->name;
        else EXPECT_NE(r->kind, 0) << r->name;
    }
    game_free(game);
    store_shutdown();
}

}  // namespace
