#pragma once
// HashTable, HashMap and IdSlotTable: lookups by key, above all by 64-bit object id.
//  - HashTable<T>: 128 List buckets; an element lives in bucket hash(key_of(element)) % 128. Keys are
//    opaque pointers read by the caller's hash and compare callbacks; a 64-bit id is passed as the
//    address of the id (key64_*). Walks go bucket by bucket in bucket order, then in list order; a
//    null element ends its bucket. The table owns its elements only through the bucket free callback.
//  - HashMap<V>: entries {key copy, value} in a HashTable. The map owns its key copies (key_dup /
//    key_free) and, through the value callbacks, may hold a reference on each value. Setting a key to
//    the value it already holds changes nothing, so a value whose last reference is the map's survives.
//  - IdSlotTable: a short array of {index, id, value} slots found by linear search.
//  - No locks: one thread at a time, under the owner's rules.
#include <array>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>
#include "platform/list.h"
#include "platform/result.h"

constexpr int32_t HASH_BUCKET_COUNT = 128;

using HashFn = uint32_t(const void *key);
using KeyCompareFn = int(const void *a, const void *b);   // 0 means equal

template <typename T>
struct HashTable {
    using KeyOfFn = const void *(const T *element);

    std::array<List<T>, HASH_BUCKET_COUNT> buckets;
    KeyOfFn      *key_of = nullptr;    // null: the element's first pointer-sized word is its key
    HashFn       *hash = nullptr;
    KeyCompareFn *compare = nullptr;
};

template <typename T>
struct HashTableIter {
    const HashTable<T> *table = nullptr;
    int32_t bucket = 0;
    int32_t position = 0;   // within the bucket
};

// 64-bit keys, passed as the address of the value.
uint32_t key64_hash(const void *key);                   // the low 32-bit word
int      key64_compare(const void *a, const void *b);   // unsigned: -1, 0 or 1
void    *key64_dup(const void *key);                    // 8-byte heap copy (null when out of memory)
void     key64_free(void *key);                         // frees a key64_dup copy

namespace hash_detail {

template <typename T>
const void *key_of(const HashTable<T> *table, const T *element) {
    if (table->key_of) return table->key_of(element);
    const void *key;
    std::memcpy(&key, static_cast<const void *>(element), sizeof key);
    return key;
}

template <typename T>
List<T> *bucket_of(HashTable<T> *table, const void *key) {
    return &table->buckets[table->hash(key) % static_cast<uint32_t>(HASH_BUCKET_COUNT)];
}

}  // namespace hash_detail

// ---- HashTable ----

template <typename T>
HashTable<T> *hash_table_create(HashFn *hash, KeyCompareFn *compare) {   // null when out of memory
    HashTable<T> *table = new (std::nothrow) HashTable<T>();
    if (!table) return nullptr;
    table->hash = hash;
    table->compare = compare;
    return table;
}

// Sets the free callback of every bucket: hash_table_clear and hash_table_free then own the elements.
template <typename T>
void hash_table_set_free_fn(HashTable<T> *table, typename List<T>::FreeFn *fn) {
    for (List<T> &bucket : table->buckets) bucket.free_fn = fn;
}

// Appends to the element's bucket without looking for duplicates; list_append's result.
template <typename T>
int32_t hash_table_insert(HashTable<T> *table, std::type_identity_t<T> *element) {
    return list_append(hash_detail::bucket_of(table, hash_detail::key_of(table, element)), element);
}

// The first element of the key's bucket, before any null, whose key compares equal; null if none.
template <typename T>
T *hash_table_find(HashTable<T> *table, const void *key) {
    if (!key) return nullptr;
    for (T *element : hash_detail::bucket_of(table, key)->items) {
        if (!element) break;
        if (table->compare(key, hash_detail::key_of(table, element)) == 0) return element;
    }
    return nullptr;
}

// Removes the element from its bucket (the last one of the bucket takes its place). 1 when found.
template <typename T>
int32_t hash_table_remove(HashTable<T> *table, std::type_identity_t<T> *element) {
    return list_remove(hash_detail::bucket_of(table, hash_detail::key_of(table, element)), element);
}

template <typename T>
int32_t hash_table_count(const HashTable<T> *table) {
    int32_t count = 0;
    for (const List<T> &bucket : table->buckets) count += list_count(&bucket);
    return count;
}

template <typename T>
void hash_table_clear(HashTable<T> *table) {   // runs the bucket free callbacks
    for (List<T> &bucket : table->buckets) list_clear(&bucket);
}

template <typename T>
void hash_table_free(HashTable<T> *table) {   // as hash_table_clear, then frees the table; null ignored
    if (!table) return;
    hash_table_clear(table);
    delete table;
}

template <typename T>
void hash_table_iter_init(HashTableIter<T> *iter, const HashTable<T> *table) {
    iter->table = table;
    iter->bucket = 0;
    iter->position = 0;
}

template <typename T>
T *hash_table_iter_next(HashTableIter<T> *iter) {
    while (iter->bucket < HASH_BUCKET_COUNT) {
        const List<T> &bucket = iter->table->buckets[static_cast<size_t>(iter->bucket)];
        if (T *element = list_get(&bucket, iter->position)) {
            ++iter->position;
            return element;
        }
        ++iter->bucket;
        iter->position = 0;
    }
    return nullptr;
}

// ---- HashMap ----

template <typename V>
struct HashMapEntry {
    void *key;   // the map's own copy; first, so it is the table's default key
    V    *value;
};

template <typename V>
struct HashMap {
    using KeyDupFn = void *(const void *key);
    using KeyFreeFn = void(void *key);
    using ValueFn = void(V *value);

    HashTable<HashMapEntry<V>> table;
    KeyDupFn  *key_dup = nullptr;        // null: the key pointer itself is stored
    KeyFreeFn *key_free = nullptr;
    ValueFn   *value_retain = nullptr;   // run on a value as it enters
    ValueFn   *value_free = nullptr;     // run on a non-null value as it leaves
};

template <typename V>
using HashMapIter = HashTableIter<HashMapEntry<V>>;

template <typename V>
HashMap<V> *hash_map_create(typename HashMap<V>::KeyDupFn *key_dup, typename HashMap<V>::KeyFreeFn *key_free,
                            HashFn *hash, KeyCompareFn *compare) {   // null when out of memory
    HashMap<V> *map = new (std::nothrow) HashMap<V>();
    if (!map) return nullptr;
    map->table.hash = hash;
    map->table.compare = compare;
    map->key_dup = key_dup;
    map->key_free = key_free;
    return map;
}

template <typename V>
void hash_map_set_value_fns(HashMap<V> *map, typename HashMap<V>::ValueFn *retain,
                            typename HashMap<V>::ValueFn *free) {
    map->value_retain = retain;
    map->value_free = free;
}

template <typename V>
V *hash_map_get(HashMap<V> *map, const void *key) {   // null when absent (or stored as null)
    HashMapEntry<V> *entry = hash_table_find(&map->table, key);
    return entry ? entry->value : nullptr;
}

// Stores the value under the key (a null value too: the key stays). The old value leaves through
// value_free, the new one enters through value_retain, unless they are the same value.
// RES_OUT_OF_RANGE for a null key; RES_NO_MEMORY leaves the map as it was.
template <typename V>
Result hash_map_set(HashMap<V> *map, const void *key, std::type_identity_t<V> *value) {
    if (!key) return RES_OUT_OF_RANGE;
    HashMapEntry<V> *entry = hash_table_find(&map->table, key);
    if (!entry) {
        entry = new (std::nothrow) HashMapEntry<V>{nullptr, nullptr};
        if (!entry) return RES_NO_MEMORY;
        entry->key = map->key_dup ? map->key_dup(key) : const_cast<void *>(key);
        if (!entry->key || hash_table_insert(&map->table, entry) < 0) {
            if (entry->key && map->key_dup && map->key_free) map->key_free(entry->key);
            delete entry;
            return RES_NO_MEMORY;
        }
    }
    if (entry->value == value) return RES_OK;
    V *old = entry->value;
    entry->value = value;
    if (value && map->value_retain) map->value_retain(value);
    if (old && map->value_free) map->value_free(old);
    return RES_OK;
}

namespace hash_detail {

template <typename V>
void drop_entry(HashMap<V> *map, HashMapEntry<V> *entry) {
    if (map->key_dup && map->key_free) map->key_free(entry->key);
    if (entry->value && map->value_free) map->value_free(entry->value);
    delete entry;
}

}  // namespace hash_detail

// Removes the key's entry: its key copy and value leave through the callbacks. An absent key is ignored.
template <typename V>
void hash_map_remove(HashMap<V> *map, const void *key) {
    HashMapEntry<V> *entry = hash_table_find(&map->table, key);
    if (!entry) return;
    (void)hash_table_remove(&map->table, entry);   // found just above, so it is there
    hash_detail::drop_entry(map, entry);
}

template <typename V>
void hash_map_clear(HashMap<V> *map) {
    for (List<HashMapEntry<V>> &bucket : map->table.buckets) {
        std::vector<HashMapEntry<V> *> entries;
        entries.swap(bucket.items);   // a callback that looks into the map finds the bucket empty
        for (HashMapEntry<V> *entry : entries)
            if (entry) hash_detail::drop_entry(map, entry);
    }
}

template <typename V>
void hash_map_free(HashMap<V> *map) {   // null is ignored
    if (!map) return;
    hash_map_clear(map);
    delete map;
}

template <typename V>
int32_t hash_map_count(const HashMap<V> *map) { return hash_table_count(&map->table); }

template <typename V>
void hash_map_iter_init(HashMapIter<V> *iter, const HashMap<V> *map) { hash_table_iter_init(iter, &map->table); }

// The next entry's key copy and value through the non-null outs: 1, or 0 after the last.
template <typename V>
int32_t hash_map_iter_next(HashMapIter<V> *iter, const void **key, std::type_identity_t<V> **value) {
    HashMapEntry<V> *entry = hash_table_iter_next(iter);
    if (!entry) return 0;
    if (key) *key = entry->key;
    if (value) *value = entry->value;
    return 1;
}

// ---- IdSlotTable ----

struct IdSlot {
    int32_t  index;   // position in the table
    uint64_t id;
    int32_t  value;
};

struct IdSlotTable {
    std::vector<IdSlot> slots;   // grows to 32 slots the first time, then doubles
};

// The slot holding the id; when there is none, a new slot {count, id, 0} at the end. Null when the
// table could not grow. The pointer is good until the next call that adds a slot.
IdSlot *id_slot_table_get(IdSlotTable *table, uint64_t id);
