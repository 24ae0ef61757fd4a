// Object lifecycle: creation, reference counts, ids, stubs, snapshots, the common save record on
// the wire, reading it back, and linking references after a load.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>
#include "platform/calendar.h"
#include "platform/movement_path.h"
#include "world/be_bytes.h"
#include "world_test_kind.h"

using namespace world_test;

namespace {


void put(Buffer *buf, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) ASSERT_EQ(buffer_write_u8(buf, b), RES_OK);
}

// ---- Creation and references ----

using ObjectCreation = WorldFixture;

TEST_F(ObjectCreation, BlankObjectStartsWithTheHeaderDefaultsAndItsKindsInit) {
    GameObject *obj = object_create_blank(THING);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(std::tuple(obj->kind, obj->layer, obj->frame, obj->animation, obj->pulse_step, obj->refcount),
              std::tuple(THING, 1, -1, -1, 1, 0));
    EXPECT_EQ(obj->name, "Unknown");
    EXPECT_EQ(obj->id, 0u) << "blank creation assigns no id";
    ASSERT_NE(obj->path, nullptr);
    ASSERT_NE(obj->seen_date, nullptr);
    EXPECT_EQ(obj->seen_date->minutes, 0u);
    EXPECT_EQ(std::pair(thing(obj)->label, thing(obj)->value), std::pair(std::string("fresh"), 7));
    EXPECT_EQ(g_calls.count("init"), 1);
    object_destroy(obj);
    EXPECT_EQ(g_calls.freed, 1);
}

TEST_F(ObjectCreation, FirstHolderAddsTheFirstReferenceAndTheLastReleaseDestroys) {
    Thing *t = make("held");
    ASSERT_EQ(t->refcount, 0);
    object_add_ref(t);
    object_add_ref(t);
    object_release(t);
    EXPECT_EQ(g_calls.freed, 0);
    EXPECT_EQ(t->refcount, 1);
    object_release(t);
    EXPECT_EQ(g_calls.freed, 1) << "a release below 1 destroys";
    object_release(make("never held"));   // count 0 -> -1: below 1
    EXPECT_EQ(g_calls.freed, 2);
}

TEST_F(ObjectCreation, DestroyOfAStubFreesOnlyTheHeader) {
    GameObject *stub = object_create_stub(THING, 55);
    ASSERT_NE(stub, nullptr);
    EXPECT_EQ(std::tuple(stub->kind, stub->id, stub->flags), std::tuple(THING, 55u, OBJ_STUB));
    EXPECT_EQ(stub->path, nullptr);
    EXPECT_TRUE(stub->name.empty());
    object_destroy(stub);
    EXPECT_EQ(g_calls.freed, 0) << "the kind's free slot never sees a stub";
    object_destroy(nullptr);
}

TEST_F(ObjectCreation, DestroyingAnObjectLeavesItsTemplatesArraysAlone) {
    GameObject *tmpl = factory_get_template(THING, 1);
    Thing *t = make("copy", 1);
    EXPECT_EQ(t->frame_w, tmpl->frame_w) << "shared, not copied";
    EXPECT_FALSE(t->flags & (OBJ_OWNS_FRAMES | OBJ_OWNS_ANIMS));
    object_destroy(t);
    EXPECT_EQ(tmpl->frame_w[1], 20) << "still the template's";
}

TEST_F(ObjectCreation, IdsComeFromTheGameCounterAndSkipZero) {
    Thing *a = make("a");
    Thing *b = make("b");
    game->next_id = UINT64_MAX;
    object_assign_id(a);
    EXPECT_EQ(a->id, UINT64_MAX);
    EXPECT_EQ(game->next_id, 1u) << "wraps to 1, never 0";
    object_assign_id(b);
    EXPECT_EQ(b->id, 1u);
    object_assign_id(b);
    EXPECT_EQ(b->id, 1u) << "an object keeps its id";
    EXPECT_EQ(game->next_id, 2u);
    object_destroy(a);
    object_destroy(b);
}

// A computer player's search holds the objects it weighs (take, take, drop) while the game thread
// takes and drops holds of its own on the same object: no hold is lost, and the last release
// destroys it once.
using ObjectRefsAcrossThreads = WorldFixture;

TEST_F(ObjectRefsAcrossThreads, AWorkersHoldsAndTheGameThreadsStayExactAndTheLastReleaseDestroysOnce) {
    Thing *t = make("shared");
    object_add_ref(t);   // its map's hold keeps it alive throughout
    constexpr int ROUNDS = 20000;
    std::thread worker([t] {
        for (int i = 0; i < ROUNDS; ++i) {
            object_add_ref(t);
            object_add_ref(t);
            object_release(t);
        }
    });
    for (int i = 0; i < ROUNDS; ++i) {
        object_add_ref(t);
        object_release(t);
    }
    worker.join();
    EXPECT_EQ(t->refcount, 1 + ROUNDS) << "a hold was lost or counted twice";
    EXPECT_EQ(g_calls.freed, 0);
    std::thread dropper([t] {
        for (int i = 0; i < ROUNDS; ++i) object_release(t);
    });
    dropper.join();
    EXPECT_EQ(t->refcount, 1);
    object_release(t);
    EXPECT_EQ(g_calls.freed, 1);
}

// ---- Snapshots ----

using ObjectSnapshot = WorldFixture;

TEST_F(ObjectSnapshot, CloneStampsTheClockAndTheVersion) {
    Thing *t = make("seen", 2);
    t->id = 321;
    t->owner_id = 9;
    t->x = 40;
    t->y = 50;
    t->value = 88;
    t->flags |= OBJ_TRAVELLING | OBJ_LOST | OBJ_DYING;
    game->clock->minutes = 123456;
    GameObject *copy = object_clone(t, 3);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::tuple(copy->id, copy->subtype, copy->owner_id, copy->x, copy->y, copy->w, copy->snapshot_version),
              std::tuple(321u, 2, 9u, 40, 50, t->w, 3));
    EXPECT_EQ(copy->seen_date->minutes, 123456u);
    EXPECT_TRUE(object_is_snapshot(copy));
    EXPECT_TRUE(copy->flags & OBJ_TRAVELLING);
    EXPECT_TRUE(copy->flags & OBJ_LOST);
    EXPECT_FALSE(copy->flags & OBJ_DYING) << "only dead, rotating, travelling and lost are copied";
    EXPECT_EQ(thing(copy)->value, 88) << "the kind's copy_record ran";
    object_destroy(copy);
    object_destroy(t);
}

TEST_F(ObjectSnapshot, VersionMinusOneKeepsTheDateALowerVersionIsNotStoredAndOtherKindsAreLeftAlone) {
    Thing *t = make("seen");
    GameObject *copy = object_clone(t, 4);
    game->clock->minutes = 999;
    object_copy_record(copy, t, -1);
    EXPECT_EQ(copy->snapshot_version, 4);
    EXPECT_EQ(copy->seen_date->minutes, 0u);
    object_copy_record(copy, t, 2);
    EXPECT_EQ(copy->snapshot_version, 4) << "a lower version is not stored";
    EXPECT_EQ(copy->seen_date->minutes, 999u);
    GameObject *dart = object_create_blank(DART);
    dart->id = 6;
    object_copy_record(dart, t, 1);
    EXPECT_EQ(dart->id, 6u) << "a copy between kinds changes nothing";
    EXPECT_FALSE(object_is_snapshot(dart));
    object_destroy(dart);
    object_destroy(copy);
    object_destroy(t);
}

// ---- The common record on the wire ----

class SaveRecord : public WorldFixture {
protected:
    // A Thing from template 1 with every saved field set to a value that shows its bytes.
    Thing *sample() {
        Thing *t = make("Ab", 1);
        t->id = 0x0102030405060708ull;
        t->owner_id = 0x1112131415161718ull;
        t->flags |= OBJ_TRAVELLING | OBJ_LOST | OBJ_KIND_BIT | OBJ_DYING;
        t->x = -2;
        t->y = 300;
        t->heading = 90;
        t->initiative = 10000;
        t->turns_taken = 3;
        t->seen_date->minutes = 0x0000000100000002ull;
        t->snapshot_version = -1;
        t->saved_a[0] = 1;
        t->saved_b[0] = 2;
        t->saved_a[7] = 0x0A0B0C0D;
        t->saved_c = 3;
        t->saved_d = 4;
        t->saved_e = 5;
        return t;
    }
};

TEST_F(SaveRecord, CommonRecordBytesAreExact) {
    Thing *t = sample();
    Buffer buf;
    ASSERT_EQ(object_write(t, &buf), RES_OK);

    Buffer want;
    put(&want, {0, 0, 0, 0});                                 // kind
    put(&want, {0, 0, 0, 1});                                 // subtype
    put(&want, {1, 2, 3, 4, 5, 6, 7, 8});                     // id, high word first
    put(&want, {0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18});   // owner id
    put(&want, {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1});         // travelling, snapshot, lost
    put(&want, {0xFF, 0xFF, 0xFF, 0xFE, 0, 0, 1, 0x2C});      // x -2, y 300
    put(&want, {0, 0, 0, 90, 0, 0, 0x27, 0x10, 0, 0, 0, 3});  // heading, initiative, turns
    put(&want, {0, 0, 0, 2, 'A', 'b'});                       // name, no terminator
    put(&want, {0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0});         // path: linear, arrived, counter 0
    for (int i = 0; i < 48; ++i) put(&want, {0});             // eight floats, target, exponent, divisor
    put(&want, {0, 0, 0, 1, 0, 0, 0, 2});                     // seen date in minutes
    put(&want, {0xFF, 0xFF, 0xFF, 0xFF});                     // snapshot version -1
    put(&want, {0, 0, 0, 1, 0, 0, 0, 2});                     // pair 0
    for (int i = 1; i < 7; ++i) put(&want, {0, 0, 0, 0, 0, 0, 0, 0});
    put(&want, {0x0A, 0x0B, 0x0C, 0x0D, 0, 0, 0, 0});         // pair 7
    put(&want, {0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0, 5});   // c, kind bit, d, e
    ASSERT_EQ(want.length, OBJECT_COMMON_RECORD_MIN_BYTES + 2);
    put(&want, {0, 0, 0, 7, 0, 0, 0, 7, 'l', 'a', 'b', 'e', 'l', ' ', '1', 0, 0, 0, 5});   // the kind's record
    EXPECT_EQ(bytes_of(buf), bytes_of(want));
    object_destroy(t);
}

TEST_F(SaveRecord, RoundTripRestoresEveryField) {
    Thing *t = sample();
    object_begin_rotation(t, 0);   // not saved
    t->value = -12;
    t->label = "plain";
    Buffer buf;
    ASSERT_EQ(object_write(t, &buf), RES_OK);
    const int32_t written = buf.length;
    g_calls.last_heading_arg = -1;

    GameObject *obj = nullptr;
    ASSERT_EQ(object_read(&obj, &buf), RES_OK);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(buf.cursor, written);
    Thing *back = thing(obj);
    EXPECT_EQ(std::tuple(back->kind, back->subtype, back->x, back->y, back->heading, back->initiative, back->turns_taken),
              std::tuple(THING, 1, -2, 300, 90, 10000, 3));
    EXPECT_EQ(std::pair(back->id, back->owner_id), std::pair(t->id, t->owner_id)) << "read ids are kept, not assigned";
    EXPECT_EQ(g_calls.last_heading_arg, 90) << "the heading went through the kind";
    EXPECT_EQ(back->name, "Ab");
    EXPECT_EQ(back->seen_date->minutes, 0x0000000100000002ull);
    EXPECT_EQ(std::tuple(back->seen_date->year, back->seen_date->month, back->seen_date->day), std::tuple(10766, 2, 16))
        << "the date's fields are recomputed";
    EXPECT_EQ(std::tuple(back->snapshot_version, back->saved_a[7], back->saved_b[0], back->saved_c, back->saved_d, back->saved_e),
              std::tuple(-1, 0x0A0B0C0D, 2, 3, 4, 5));
    const uint32_t saved = OBJ_TRAVELLING | OBJ_LOST | OBJ_KIND_BIT;
    EXPECT_EQ(back->flags & (saved | OBJ_SNAPSHOT | OBJ_DYING | OBJ_ROTATING), saved);
    EXPECT_EQ(back->flags & OBJ_TEMPLATE_BITS, OBJ_NO_MINIMAP_DOT | OBJ_NO_POINTER_HIT) << "on top of the template's";
    EXPECT_FALSE(back->flags & OBJ_LINKED);
    EXPECT_EQ(back->refcount, 0);
    EXPECT_EQ(std::pair(back->value, back->label), std::pair(-12, std::string("plain")));
    EXPECT_EQ(back->partner, nullptr);
    object_destroy(obj);
    object_destroy(t);
}

TEST_F(SaveRecord, AnUnknownKindOrATemplateOutOfRangeIsMalformed) {
    Buffer buf;
    put(&buf, {0, 0, 0, 7, 0, 0, 0, 0, 1, 2, 3});
    GameObject *obj = reinterpret_cast<GameObject *>(&buf);   // must stay untouched
    EXPECT_EQ(object_read(&obj, &buf), RES_MALFORMED);
    EXPECT_EQ(buf.cursor, 8) << "fails after kind and subtype";
    EXPECT_EQ(obj, reinterpret_cast<GameObject *>(&buf));
    Buffer tmpl;
    put(&tmpl, {0, 0, 0, 0, 0, 0, 0, 3});
    EXPECT_EQ(object_read(nullptr, &tmpl), RES_MALFORMED);
}

TEST_F(SaveRecord, ShortDataOrTheKindsReadFailureFailsAndTheHalfReadObjectIsFreed) {
    Thing *t = sample();
    Buffer full;
    ASSERT_EQ(object_write(t, &full), RES_OK);
    object_destroy(t);
    for (int32_t cut : {3, 7, 30, 100, OBJECT_COMMON_RECORD_MIN_BYTES + 1, full.length - 1}) {
        Buffer buf;
        ASSERT_EQ(buffer_append(&buf, full.data, size_t(cut)), RES_OK);
        g_calls.freed = 0;
        GameObject *obj = nullptr;
        EXPECT_EQ(object_read(&obj, &buf), RES_SHORT_BUFFER) << "cut at " << cut;
        EXPECT_EQ(obj, nullptr);
        EXPECT_EQ(g_calls.freed, cut >= 8 ? 1 : 0) << "cut at " << cut;
    }
    g_calls.read_result = RES_MALFORMED;   // the kind's read failure is passed on
    g_calls.freed = 0;
    GameObject *obj = nullptr;
    EXPECT_EQ(object_read(&obj, &full), RES_MALFORMED);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(g_calls.freed, 1);
}

TEST_F(SaveRecord, TheKindsWriteFailureIsPassedOnAndANullOutPointerReadsAndFreesTheObject) {
    Thing *t = sample();
    Buffer buf, failed;
    ASSERT_EQ(object_write(t, &buf), RES_OK);
    g_calls.write_result = RES_WRITE_FAILED;
    EXPECT_EQ(object_write(t, &failed), RES_WRITE_FAILED);
    object_destroy(t);
    g_calls.freed = 0;
    EXPECT_EQ(object_read(nullptr, &buf), RES_OK);
    EXPECT_EQ(g_calls.freed, 1);
}

// ---- References ----

using ObjectReferences = WorldFixture;

TEST_F(ObjectReferences, NoObjectIsTheSingleWordFiveAndAnObjectItsKindAndId) {
    Buffer none;
    ASSERT_EQ(object_write_ref(nullptr, &none), RES_OK);
    EXPECT_EQ(bytes_of(none), (std::vector<uint8_t>{0, 0, 0, 5}));
    Thing *t = make("t");
    t->id = 0xA1B2C3D4E5F60718ull;
    Buffer buf;
    ASSERT_EQ(object_write_ref(t, &buf), RES_OK);
    EXPECT_EQ(bytes_of(buf), (std::vector<uint8_t>{0, 0, 0, 0, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x07, 0x18}));
    GameObject *stub = nullptr;
    ASSERT_EQ(object_read_ref(&stub, &buf), RES_OK);
    ASSERT_NE(stub, nullptr);
    EXPECT_EQ(std::tuple(stub->flags, stub->kind, stub->id), std::tuple(OBJ_STUB, THING, t->id));
    object_destroy(stub);
    object_destroy(t);
}

TEST_F(ObjectReferences, AnyKindOutsideTheFiveReadsAsNoneWithoutAnIdAndATruncatedIdIsShort) {
    for (std::initializer_list<uint8_t> kind : {std::initializer_list<uint8_t>{0, 0, 0, 5},
                                                std::initializer_list<uint8_t>{0, 0, 0, 9},
                                                std::initializer_list<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}}) {
        Buffer buf;
        put(&buf, kind);
        put(&buf, {1, 2, 3, 4, 5, 6, 7, 8});
        GameObject *out = reinterpret_cast<GameObject *>(&buf);
        ASSERT_EQ(object_read_ref(&out, &buf), RES_OK);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(buf.cursor, 4) << "no id follows";
    }
    Buffer buf;
    put(&buf, {0, 0, 0, 2, 0, 0, 0});
    GameObject *out = nullptr;
    EXPECT_EQ(object_read_ref(&out, &buf), RES_SHORT_BUFFER);
    EXPECT_EQ(out, nullptr);
}

// ---- Save, load and link ----

class SaveAndLink : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        saved = map_create();
        loaded = map_create();
        ASSERT_NE(saved, nullptr);
        ASSERT_NE(loaded, nullptr);
        g_calls.partner_map = loaded;
    }
    void TearDown() override {
        map_free(saved);
        map_free(loaded);
        WorldFixture::TearDown();
    }
    ObjectMap *saved = nullptr, *loaded = nullptr;
};

TEST_F(SaveAndLink, ReferencesComeBackAsStubsAndLinkToTheRealObjects) {
    Thing *a = make("a");
    Thing *b = make("b");
    map_place_object(saved, a, 10, 20, 1);
    map_place_object(saved, b, 30, 40, 1);
    map_add_pending_objects(saved);
    object_add_ref(b);
    a->partner = b;

    Buffer buf;
    ASSERT_EQ(map_write(saved, &buf), RES_OK);
    ASSERT_EQ(map_read(loaded, &buf), RES_OK);
    ASSERT_EQ(map_object_count(loaded), 2);
    Thing *a2 = thing(map_object_at(loaded, 0));
    Thing *b2 = thing(map_object_at(loaded, 1));
    EXPECT_EQ(a2->id, a->id);
    ASSERT_NE(a2->partner, nullptr);
    EXPECT_TRUE(a2->partner->flags & OBJ_STUB) << "unlinked until the link step";
    EXPECT_EQ(a2->partner->id, b->id);
    EXPECT_EQ(a2->refcount, 2) << "the object list and its layer";

    ASSERT_EQ(map_link_objects(loaded), RES_OK);
    EXPECT_EQ(a2->partner, b2);
    EXPECT_EQ(b2->refcount, 3) << "the partner holds its own reference";
    EXPECT_TRUE(a2->flags & OBJ_LINKED);
    EXPECT_TRUE(b2->flags & OBJ_LINKED);
}

TEST_F(SaveAndLink, AnIdThatDoesNotResolveGives4312AndStaysUnlinked) {
    Thing *a = make("a");
    Thing *lonely = make("lonely");
    lonely->id = 424242;   // never placed in the saved map
    object_add_ref(lonely);
    a->partner = lonely;
    Thing *c = make("c");
    map_place_object(saved, a, 0, 0, 1);
    map_place_object(saved, c, 0, 0, 1);
    map_add_pending_objects(saved);

    Buffer buf;
    ASSERT_EQ(map_write(saved, &buf), RES_OK);
    ASSERT_EQ(map_read(loaded, &buf), RES_OK);
    g_calls.names.clear();
    EXPECT_EQ(map_link_objects(loaded), RES_UNRESOLVED_ID);
    GameObject *a2 = map_object_at(loaded, 0);
    GameObject *c2 = map_object_at(loaded, 1);
    EXPECT_FALSE(a2->flags & OBJ_LINKED);
    EXPECT_FALSE(c2->flags & OBJ_LINKED) << "the objects after the failure stay unlinked";
    EXPECT_EQ(g_calls.count("link"), 1);
    ASSERT_NE(thing(a2)->partner, nullptr);
    EXPECT_TRUE(thing(a2)->partner->flags & OBJ_STUB);

    // Once the missing object is there, a later link succeeds.
    Thing *found = make("found");
    found->id = 424242;
    map_place_object(loaded, found, 0, 0, 0);
    map_add_pending_objects(loaded);
    EXPECT_EQ(map_link_objects(loaded), RES_OK);
    EXPECT_EQ(thing(a2)->partner, found);
}

}  // namespace
