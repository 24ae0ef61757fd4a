// The encounter record: sides with the sector's owner first, side results, side choices, the
// release of a battle's objects, and the save record: a byte-exact round trip, the link after a
// load, and hostile records refused before anything is allocated.
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>
#include "game/encounter.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/buffer.h"
#include "platform/list.h"
#include "platform/random.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"

namespace {

class EncounterRecord : public ::testing::Test {
protected:
    void SetUp() override {
        game_destroy();
        game = game_get();
        ASSERT_NE(game, nullptr);
        enc = encounter_create();
        ASSERT_NE(enc, nullptr);
        encounter_retain(enc);
    }
    void TearDown() override {
        encounter_release(enc);
        game_destroy();
    }

    // A ship with its own id and owner, held by the galaxy map (so the game's lookup finds it).
    Ship *ship(uint64_t id, uint64_t owner, const char *name = "Unnamed") {
        Ship *s = ship_of(object_create_blank(OBJECT_SHIP));
        EXPECT_NE(s, nullptr);
        s->id = id;
        s->owner_id = owner;
        s->ship_name = name;
        map_place_object(game->galaxy_map, s, 10, 10, 0);
        map_add_pending_objects(game->galaxy_map);
        return s;
    }
    static std::vector<uint8_t> bytes_of(const Encounter *e) {
        Buffer buf;
        EXPECT_EQ(encounter_write(e, &buf), RES_OK);
        return {buf.data, buf.data + buf.length};
    }
    static Result read_bytes(const std::vector<uint8_t> &bytes, Encounter **out) {
        Buffer buf;
        EXPECT_EQ(buffer_append(&buf, bytes.data(), bytes.size()), RES_OK);
        return encounter_read(out, &buf);
    }

    Game *game = nullptr;
    Encounter *enc = nullptr;
};

TEST_F(EncounterRecord, TheSectorOwnerIsSideZeroWhateverTheObjectOrder) {
    GameObject *sector = object_create_blank(OBJECT_SECTOR);
    sector->id = 500;
    sector->owner_id = 7;
    map_place_object(game->galaxy_map, sector, 0, 0, 0);
    map_add_pending_objects(game->galaxy_map);
    enc->sector_id = 500;
    encounter_add_object(enc, ship(1, 3));
    encounter_add_object(enc, ship(2, 0));   // owner 0 is a side like any other
    encounter_add_object(enc, ship(3, 7));
    encounter_add_object(enc, ship(4, 3));
    ASSERT_EQ(encounter_side_count(enc), 3);
    EXPECT_EQ(encounter_get_side(enc, 0), 7u);
    EXPECT_EQ(encounter_get_side(enc, 1), 3u);
    EXPECT_EQ(encounter_get_side(enc, 2), 0u);
    EXPECT_EQ(encounter_get_side(enc, 3), 0u) << "out of range";

    // Without an object of the sector's owner the order is the objects' order.
    Encounter *other = encounter_create();
    other->sector_id = 500;
    encounter_add_object(other, encounter_find_object(enc, 4));
    encounter_add_object(other, encounter_find_object(enc, 2));
    EXPECT_EQ(encounter_get_side(other, 0), 3u);
    EXPECT_FALSE(encounter_has_side(other, 7));
    encounter_free(other);
}

TEST_F(EncounterRecord, SideResultsCountDeadAndRetreatedShips) {
    Ship *a = ship(1, 3), *b = ship(2, 3), *c = ship(3, 4);
    for (GameObject *o : {static_cast<GameObject *>(a), static_cast<GameObject *>(b), static_cast<GameObject *>(c)})
        encounter_add_object(enc, o);
    EXPECT_EQ(encounter_get_side_result(enc, 3), ENCOUNTER_RESULT_FIGHTING);
    EXPECT_EQ(encounter_get_side_result(enc, 99), ENCOUNTER_RESULT_DEFEATED) << "no ships at all";
    a->flags |= OBJ_LEFT_MAP;
    EXPECT_EQ(encounter_get_side_result(enc, 3), ENCOUNTER_RESULT_FIGHTING);
    b->flags |= OBJ_LEFT_MAP;
    EXPECT_EQ(encounter_get_side_result(enc, 3), ENCOUNTER_RESULT_RETREATED);
    EXPECT_TRUE(encounter_other_side_retreated(enc, 4));
    EXPECT_FALSE(encounter_other_side_retreated(enc, 3));
    b->flags = (b->flags & ~OBJ_LEFT_MAP) | OBJ_DEAD;
    EXPECT_EQ(encounter_get_side_result(enc, 3), ENCOUNTER_RESULT_DEFEATED) << "one dead, the rest retreated";
    EXPECT_STREQ(encounter_result_text(0), "VICTORY");
    EXPECT_STREQ(encounter_result_text(1), "DEFEAT");
    EXPECT_STREQ(encounter_result_text(2), "RETREAT");
    EXPECT_STREQ(encounter_result_text(3), "");
}

TEST_F(EncounterRecord, SideChoicesFollowTheSidesAndTheOwnersKinds) {
    Player *human = player_create(PLAYER_KIND_HUMAN);
    Player *sol = player_create(PLAYER_KIND_COMPUTER);
    Player *rival = player_create(PLAYER_KIND_COMPUTER);
    player_set_id(human, 30);
    player_set_id(sol, 31);
    player_set_id(rival, 32);
    for (Player *p : {human, sol, rival}) ASSERT_EQ(game_add_player(game, p), RES_OK);
    game->sol_player_id = 31;
    encounter_add_object(enc, ship(1, 32));
    encounter_add_object(enc, ship(2, 30));
    encounter_add_object(enc, ship(3, 31));
    encounter_set_side_choice(enc, 1, 30);   // no array yet: nothing happens
    EXPECT_EQ(encounter_get_side_choice(enc, 30), 0);
    encounter_init_side_choices_by_owner(enc);
    EXPECT_EQ(encounter_get_side_choice(enc, 30), 1);
    EXPECT_EQ(encounter_get_side_choice(enc, 31), 1) << "the Sol player always fights";
    EXPECT_EQ(encounter_get_side_choice(enc, 32), 0);
    encounter_init_ai_side_choices(enc);
    EXPECT_EQ(encounter_get_side_choice(enc, 30), 0) << "the AI rule leaves human sides out";
    EXPECT_EQ(encounter_get_side_choice(enc, 32), 1) << "a computer player without an AI state fights";
    encounter_set_side_choice(enc, 0, 32);
    EXPECT_EQ(encounter_get_side_choice(enc, 32), 0);
    EXPECT_EQ(encounter_get_side_choice(enc, 77), 0) << "not a side";
}

TEST_F(EncounterRecord, ReleasingTheObjectsKillsTheTemporaryOnesAndDropsTheReferences) {
    Ship *keep = ship(1, 3), *temp = ship(2, 4);
    temp->flags |= OBJ_LOST;
    encounter_add_object(enc, keep);
    encounter_add_object(enc, temp);
    EXPECT_EQ(keep->refcount, 3) << "map, draw layer, encounter";
    encounter_placement_get_or_create(enc, 1, true);
    encounter_release_objects(enc);
    EXPECT_EQ(keep->refcount, 2);
    EXPECT_FALSE(keep->flags & OBJ_DEAD);
    EXPECT_TRUE(temp->flags & OBJ_DEAD);
    EXPECT_EQ(list_count(enc->objects), 0);
    EXPECT_TRUE(enc->placements.empty());
}

TEST_F(EncounterRecord, SeedingKeepsTheGeneratorsIndex) {
    encounter_seed_random(enc, 1234);
    ASSERT_NE(enc->rng, nullptr);
    Rng *plain = rng_create();
    rng_seed(plain, 1234);
    EXPECT_EQ(rng_next(enc->rng), rng_next(plain));
    const uint32_t index = enc->rng->index;
    encounter_seed_random(enc, 99);
    EXPECT_EQ(enc->rng->index, index);
    EXPECT_EQ(enc->rng->state[0], 99u);
    rng_free(plain);
}

TEST_F(EncounterRecord, TheSaveRecordRoundTripsByteForByteAndLinksToTheRealObjects) {
    Ship *a = ship(11, 3, "Kestrel"), *b = ship(12, 4, "Heron");
    enc->id = 0x0102030405060708ull;
    enc->kind = ENCOUNTER_STARBASE_ASSAULT;
    enc->name = "Starbase Assault 2";
    enc->objective = "Destroy all enemies";
    enc->centre_x = 640;
    enc->centre_y = -20;
    enc->backdrop = 9;
    enc->field_w = 2560;
    enc->field_h = 1920;
    enc->sector_id = 77;
    encounter_add_object(enc, a);
    encounter_add_object(enc, b);
    *encounter_placement_get_or_create(enc, 11, true) = {PLACEMENT_FLAG_PLACED, 100, 200, 64, 48, 315};
    *encounter_placement_get_or_create(enc, 12, true) = {0, 900, 800, 32, 32, 135};
    encounter_seed_random(enc, 42);
    encounter_set_defense_shot(enc, 2, 5, 1, "Mega Missile", "Mega Missiles", 16, 120, 180, 31);
    const std::vector<uint8_t> bytes = bytes_of(enc);
    ASSERT_GT(bytes.size(), 8u);
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(bytes[i], i + 1) << "the id goes high byte first";

    Encounter *copy = nullptr;
    ASSERT_EQ(read_bytes(bytes, &copy), RES_OK);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(bytes_of(copy), bytes);
    EXPECT_EQ(copy->name, "Starbase Assault 2");
    EXPECT_FALSE(copy->has_text);
    EXPECT_TRUE(encounter_has_defense_shot(copy));
    ASSERT_EQ(list_count(copy->objects), 2);
    EXPECT_TRUE(list_get(copy->objects, 0)->flags & OBJ_STUB);
    int32_t x = 0, y = 0, heading = 0;
    ASSERT_EQ(encounter_get_placement(copy, &x, 11, &y, &heading), RES_OK);
    EXPECT_EQ(std::tie(x, y, heading), std::make_tuple(100, 200, 315));
    EXPECT_EQ(encounter_get_placement(copy, &x, 13, &y, &heading), RES_UNRESOLVED_ID);

    ASSERT_EQ(encounter_link(copy), RES_OK);
    EXPECT_EQ(list_get(copy->objects, 0), a);
    EXPECT_EQ(list_get(copy->objects, 1), b);
    EXPECT_EQ(encounter_side_count(copy), 2);
    EXPECT_EQ(rng_next(copy->rng), rng_next(enc->rng)) << "the generator goes on where it stood";
    encounter_free(copy);
}

TEST_F(EncounterRecord, AnEncounterWithoutTextWritesASingleZeroAndReadsBackNull) {
    const std::vector<uint8_t> plain = bytes_of(enc);
    enc->has_text = true;
    enc->text = "ARK-0042";
    const std::vector<uint8_t> with_text = bytes_of(enc);
    EXPECT_EQ(with_text.size(), plain.size() + 4 + 8) << "the string follows the presence word";
    // id 8, kind 4, flags 4, empty name 4: then the presence word.
    const size_t at = 20;
    EXPECT_EQ(std::vector<uint8_t>(plain.begin() + at, plain.begin() + at + 4), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(with_text.begin() + at, with_text.begin() + at + 4),
              (std::vector<uint8_t>{0, 0, 0, 1}));
    Encounter *copy = nullptr;
    ASSERT_EQ(read_bytes(with_text, &copy), RES_OK);
    EXPECT_EQ(copy->text, "ARK-0042");
    encounter_free(copy);
    ASSERT_EQ(read_bytes(plain, &copy), RES_OK);
    EXPECT_FALSE(copy->has_text);
    encounter_free(copy);
}

TEST_F(EncounterRecord, LinkingAVanishedObjectFailsAndKeepsTheStubs) {
    encounter_add_object(enc, ship(11, 3));
    std::vector<uint8_t> bytes = bytes_of(enc);
    // The reference's id (after the kind word) is rewritten to an id nobody has.
    const size_t ref_at = 8 + 4 + 4 + 4 + 4 + 4 + 5 * 4 + 8 + 8 + 4;
    ASSERT_EQ(bytes[ref_at + 3], OBJECT_SHIP);
    bytes[ref_at + 4 + 7] = 99;
    Encounter *copy = nullptr;
    ASSERT_EQ(read_bytes(bytes, &copy), RES_OK);
    EXPECT_EQ(encounter_link(copy), RES_UNRESOLVED_ID);
    EXPECT_TRUE(list_get(copy->objects, 0)->flags & OBJ_STUB);
    encounter_free(copy);
    // A reference of the wrong kind: a fleet where the ship is.
    bytes[ref_at + 4 + 7] = 11;
    bytes[ref_at + 3] = OBJECT_FLEET;
    ASSERT_EQ(read_bytes(bytes, &copy), RES_OK);
    EXPECT_EQ(encounter_link(copy), RES_KIND_MISMATCH);
    encounter_free(copy);
}

TEST_F(EncounterRecord, HostileRecordsAreRefusedBeforeAllocating) {
    encounter_add_object(enc, ship(11, 3));
    *encounter_placement_get_or_create(enc, 11, true) = {PLACEMENT_FLAG_PLACED, 1, 2, 3, 4, 5};
    const std::vector<uint8_t> bytes = bytes_of(enc);
    const size_t count_at = 8 + 4 + 4 + 4 + 4 + 4 + 5 * 4 + 8 + 8;
    Encounter *copy = nullptr;

    std::vector<uint8_t> huge = bytes;
    huge[count_at] = 0x7F;   // two thousand million references in a few bytes
    EXPECT_EQ(read_bytes(huge, &copy), RES_SHORT_BUFFER);
    EXPECT_EQ(copy, nullptr);
    std::vector<uint8_t> negative = bytes;
    negative[count_at] = 0xFF;
    EXPECT_EQ(read_bytes(negative, &copy), RES_MALFORMED);
    const size_t placements_at = count_at + 4 + 12;
    std::vector<uint8_t> many = bytes;
    many[placements_at + 1] = 0x10;   // a million placements
    EXPECT_EQ(read_bytes(many, &copy), RES_SHORT_BUFFER);
    many[placements_at] = 0x80;
    EXPECT_EQ(read_bytes(many, &copy), RES_MALFORMED);

    // Every truncation fails cleanly and frees what it had read.
    for (size_t n = 0; n < bytes.size(); ++n) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_NE(read_bytes(cut, &copy), RES_OK) << n << " bytes";
        EXPECT_EQ(copy, nullptr);
    }
}

TEST_F(EncounterRecord, ObjectsWithoutFramesAreStillPlaced) {
    // Blank ships have no frame extent: their search starts at radius 0 and must still widen.
    for (uint64_t id = 1; id <= 6; ++id) encounter_add_object(enc, ship(id, 1 + id % 2));
    enc->field_w = 1365;
    enc->field_h = 1024;
    encounter_layout(enc);
    ASSERT_EQ(enc->placements.size(), 6u);
    for (const auto &[id, p] : enc->placements) EXPECT_TRUE(p.flags & PLACEMENT_FLAG_PLACED) << id;
}

}  // namespace
