#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <vector>
#include "platform/hash.h"

namespace {

// ---- 64-bit keys ----

TEST(Key64, HashIsTheLowWordAndCompareIsUnsignedWithTheHighWordDeciding) {
    const uint64_t id = 0x0000000700000123ull;
    EXPECT_EQ(key64_hash(&id), 0x123u);
    const uint64_t above = 1ull << 32, below = (1ull << 32) - 1, top = ~0ull;
    EXPECT_EQ(key64_compare(&above, &below), 1);
    EXPECT_EQ(key64_compare(&below, &above), -1);
    EXPECT_EQ(key64_compare(&above, &above), 0);
    EXPECT_EQ(key64_compare(&top, &above), 1) << "unsigned: the top id is the largest";
}

// ---- HashTable ----

struct Object {
    const uint64_t *key;   // first word: the table's default key
    uint64_t id;
    char name;
};

class HashTableTest : public ::testing::Test {
protected:
    HashTable<Object> *table = nullptr;
    // Ids 5, 133 and 261 share bucket 5; 1 and 130 sit in buckets 1 and 2.
    Object o5{nullptr, 5, 'a'}, o133{nullptr, 133, 'b'}, o261{nullptr, 261, 'c'}, o1{nullptr, 1, 'd'},
        o130{nullptr, 130, 'e'};

    void SetUp() override {
        for (Object *o : {&o5, &o133, &o261, &o1, &o130}) o->key = &o->id;
        table = hash_table_create<Object>(key64_hash, key64_compare);
        ASSERT_NE(table, nullptr);
    }
    void TearDown() override { hash_table_free(table); }

    std::string walk() {
        HashTableIter<Object> it;
        hash_table_iter_init(&it, table);
        std::string out;
        while (Object *o = hash_table_iter_next(&it)) out += o->name;
        return out;
    }
    Object *find(uint64_t id) { return hash_table_find(table, &id); }
};

TEST_F(HashTableTest, FindsByKeyInSharedBucketsAndWalksBucketByBucketThenInListOrder) {
    for (Object *o : {&o130, &o5, &o1, &o133, &o261}) ASSERT_GE(hash_table_insert(table, o), 0);
    EXPECT_EQ(find(133), &o133);
    EXPECT_EQ(find(261), &o261);
    EXPECT_EQ(find(1), &o1);
    EXPECT_EQ(find(389), nullptr);
    EXPECT_EQ(hash_table_find(table, nullptr), nullptr);
    EXPECT_EQ(walk(), "deabc");
}

TEST_F(HashTableTest, NullFirstElementHidesTheBucket) {
    ASSERT_GE(hash_table_insert(table, &o5), 0);
    ASSERT_GE(hash_table_insert(table, &o133), 0);
    ASSERT_GE(hash_table_insert(table, &o1), 0);
    list_set(&table->buckets[5], 0, nullptr);
    EXPECT_EQ(find(133), nullptr) << "the walk of a bucket ends at its first null";
    EXPECT_EQ(walk(), "d");
}

TEST_F(HashTableTest, RemovalMovesTheBucketsLastElementAndDuplicatesAreNotChecked) {
    for (Object *o : {&o5, &o133, &o261, &o261}) ASSERT_GE(hash_table_insert(table, o), 0);
    EXPECT_EQ(hash_table_count(table), 4);
    EXPECT_EQ(hash_table_remove(table, &o5), 1);
    EXPECT_EQ(walk(), "cbc");
    EXPECT_EQ(hash_table_remove(table, &o5), 0);
    EXPECT_EQ(hash_table_count(table), 3);
}

std::string g_freed_objects;
void record_object_free(Object *o) { g_freed_objects += o->name; }

TEST_F(HashTableTest, ClearAndFreeRunTheFreeCallbackInBucketOrder) {
    g_freed_objects.clear();
    hash_table_set_free_fn(table, record_object_free);
    for (Object *o : {&o133, &o1, &o5}) ASSERT_GE(hash_table_insert(table, o), 0);
    hash_table_clear(table);
    EXPECT_EQ(g_freed_objects, "dba");
    EXPECT_EQ(hash_table_count(table), 0);
    EXPECT_EQ(walk(), "");
    ASSERT_GE(hash_table_insert(table, &o261), 0);
    hash_table_free(table);
    table = nullptr;
    EXPECT_EQ(g_freed_objects, "dbac");
    hash_table_free<Object>(nullptr);
}

const void *id_of(const Object *o) { return &o->id; }

TEST_F(HashTableTest, KeyOfCallbackReplacesTheFirstWord) {
    Object loose{nullptr, 133, 'z'};   // no key pointer: only key_of can find it
    table->key_of = id_of;
    ASSERT_GE(hash_table_insert(table, &loose), 0);
    EXPECT_EQ(list_count(&table->buckets[5]), 1);
    EXPECT_EQ(find(133), &loose);
}

// ---- HashMap ----

struct Counted { int refs = 0; int frees = 0; bool alive = true; };

void counted_retain(Counted *v) {
    EXPECT_TRUE(v->alive) << "retain of a freed value";
    ++v->refs;
}

// Drops a reference; the value "dies" with its last one.
void counted_release(Counted *v) {
    EXPECT_TRUE(v->alive) << "release of a freed value";
    ++v->frees;
    if (--v->refs < 1) v->alive = false;
}

int g_keys_freed = 0;
void counting_key_free(void *key) {
    ++g_keys_freed;
    key64_free(key);
}

class HashMapTest : public ::testing::Test {
protected:
    HashMap<Counted> *map = nullptr;
    Counted v1, v2, v3;   // outlive the map, which TearDown frees

    void SetUp() override {
        g_keys_freed = 0;
        map = hash_map_create<Counted>(key64_dup, counting_key_free, key64_hash, key64_compare);
        ASSERT_NE(map, nullptr);
        hash_map_set_value_fns(map, counted_retain, counted_release);
    }
    void TearDown() override { hash_map_free(map); }

    Result set(uint64_t id, Counted *v) { return hash_map_set(map, &id, v); }
    Counted *get(uint64_t id) { return hash_map_get(map, &id); }
};

TEST_F(HashMapTest, SetCopiesTheKeyAndRetainsTheValueAndReplacingFreesTheOldOne) {
    uint64_t id = 9;
    ASSERT_EQ(hash_map_set(map, &id, &v1), RES_OK);
    id = 10;   // the map holds its own copy
    EXPECT_EQ(get(9), &v1);
    EXPECT_EQ(get(10), nullptr);
    EXPECT_EQ(v1.refs, 1);
    ASSERT_EQ(set(9, &v2), RES_OK);
    EXPECT_EQ(get(9), &v2);
    EXPECT_FALSE(v1.alive);
    EXPECT_EQ(v2.refs, 1);
    EXPECT_EQ(hash_map_count(map), 1);
    EXPECT_EQ(g_keys_freed, 0) << "the key is kept";
}

TEST_F(HashMapTest, SettingTheValueItAlreadyHoldsKeepsItAlive) {
    ASSERT_EQ(set(9, &v1), RES_OK);
    ASSERT_EQ(v1.refs, 1) << "the map holds the last reference";
    ASSERT_EQ(set(9, &v1), RES_OK);
    EXPECT_TRUE(v1.alive);
    EXPECT_EQ(v1.refs, 1);
    EXPECT_EQ(v1.frees, 0);
    EXPECT_EQ(get(9), &v1);
}

TEST_F(HashMapTest, NullValueKeepsTheKeyAndNullKeyIsRefused) {
    ASSERT_EQ(set(9, &v1), RES_OK);
    ASSERT_EQ(set(9, nullptr), RES_OK);
    EXPECT_EQ(get(9), nullptr);
    EXPECT_EQ(hash_map_count(map), 1);
    EXPECT_FALSE(v1.alive);
    ASSERT_EQ(set(9, nullptr), RES_OK);   // no callback runs on null
    EXPECT_EQ(v1.frees, 1);
    EXPECT_EQ(hash_map_set(map, nullptr, &v2), RES_OUT_OF_RANGE);
    EXPECT_EQ(hash_map_get(map, nullptr), nullptr);
    EXPECT_EQ(hash_map_count(map), 1);
    EXPECT_EQ(v2.refs, 0);
    hash_map_remove(map, nullptr);
}

TEST_F(HashMapTest, RemoveFreesKeyCopyAndValue) {
    ASSERT_EQ(set(9, &v1), RES_OK);
    ASSERT_EQ(set(137, &v2), RES_OK);   // same bucket
    uint64_t id = 9;
    hash_map_remove(map, &id);
    EXPECT_FALSE(v1.alive);
    EXPECT_EQ(g_keys_freed, 1);
    EXPECT_EQ(get(9), nullptr);
    EXPECT_EQ(get(137), &v2);
    id = 555;
    hash_map_remove(map, &id);   // absent: nothing happens
    EXPECT_EQ(hash_map_count(map), 1);
}

TEST_F(HashMapTest, ClearAndFreeReleaseEveryEntry) {
    ASSERT_EQ(set(1, &v1), RES_OK);
    ASSERT_EQ(set(2, &v2), RES_OK);
    ASSERT_EQ(set(3, nullptr), RES_OK);
    ASSERT_EQ(set(4, &v3), RES_OK);
    hash_map_clear(map);
    EXPECT_EQ(hash_map_count(map), 0);
    EXPECT_EQ(g_keys_freed, 4);
    EXPECT_FALSE(v1.alive);
    EXPECT_FALSE(v2.alive);
    EXPECT_FALSE(v3.alive);
    v1 = Counted();
    ASSERT_EQ(set(1, &v1), RES_OK) << "the map is usable after a clear";
    EXPECT_EQ(get(1), &v1);
    hash_map_free(map);
    map = nullptr;
    EXPECT_FALSE(v1.alive);
    EXPECT_EQ(g_keys_freed, 5);
    hash_map_free<Counted>(nullptr);
}

TEST_F(HashMapTest, IterationYieldsKeyCopiesAndValuesInBucketOrder) {
    ASSERT_EQ(set(130, &v1), RES_OK);   // bucket 2
    ASSERT_EQ(set(1, &v2), RES_OK);     // bucket 1
    ASSERT_EQ(set(258, &v3), RES_OK);   // bucket 2, after 130
    HashMapIter<Counted> it;
    hash_map_iter_init(&it, map);
    std::vector<uint64_t> keys;
    std::vector<Counted *> values;
    const void *key = nullptr;
    Counted *value = nullptr;
    while (hash_map_iter_next(&it, &key, &value)) {
        keys.push_back(*static_cast<const uint64_t *>(key));
        values.push_back(value);
    }
    EXPECT_EQ(keys, (std::vector<uint64_t>{1, 130, 258}));
    EXPECT_EQ(values, (std::vector<Counted *>{&v2, &v1, &v3}));
    EXPECT_EQ(hash_map_iter_next(&it, nullptr, nullptr), 0);
}

// A map with 32-bit keys that it does not copy: the caller's key pointers are stored as they are.
uint32_t hash_u32(const void *key) { return *static_cast<const uint32_t *>(key); }
int compare_u32(const void *a, const void *b) {
    const uint32_t x = *static_cast<const uint32_t *>(a), y = *static_cast<const uint32_t *>(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

TEST(HashMapUncopiedKeys, StoresTheKeyPointerAndNeverFreesIt) {
    HashMap<int> *map = hash_map_create<int>(nullptr, nullptr, hash_u32, compare_u32);
    ASSERT_NE(map, nullptr);
    static const uint32_t key = 0xDEADBEEF;
    int value = 3;
    ASSERT_EQ(hash_map_set(map, &key, &value), RES_OK);
    const uint32_t probe = 0xDEADBEEF;
    EXPECT_EQ(hash_map_get(map, &probe), &value);
    EXPECT_EQ(hash_table_find(&map->table, &probe)->key, &key);
    hash_map_free(map);
}

TEST(IdSlotTable, AppendsUnknownIdsInOrderAndFindsKnownOnes) {
    IdSlotTable table;
    IdSlot *first = id_slot_table_get(&table, 1000);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->index, 0);
    EXPECT_EQ(first->id, 1000u);
    EXPECT_EQ(first->value, 0);
    first->value = 55;
    for (uint64_t id = 1; id <= 40; ++id) ASSERT_EQ(id_slot_table_get(&table, id)->index, int32_t(id)) << id;
    EXPECT_EQ(id_slot_table_get(&table, 1000)->value, 55);
    EXPECT_EQ(id_slot_table_get(&table, 33)->index, 33);
    EXPECT_EQ(table.slots.size(), 41u);
}

}  // namespace
