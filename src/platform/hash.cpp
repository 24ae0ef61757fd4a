#include "platform/hash.h"

#include <cstdlib>

static uint64_t load_key64(const void *key) {
    uint64_t value;
    std::memcpy(&value, key, sizeof value);
    return value;
}

uint32_t key64_hash(const void *key) { return static_cast<uint32_t>(load_key64(key)); }

int key64_compare(const void *a, const void *b) {
    const uint64_t x = load_key64(a), y = load_key64(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

void *key64_dup(const void *key) {
    void *copy = std::malloc(sizeof(uint64_t));
    if (copy) std::memcpy(copy, key, sizeof(uint64_t));
    return copy;
}

void key64_free(void *key) { std::free(key); }

IdSlot *id_slot_table_get(IdSlotTable *table, uint64_t id) {
    std::vector<IdSlot> &slots = table->slots;
    for (IdSlot &slot : slots)
        if (slot.id == id) return &slot;
    try {
        if (slots.size() == slots.capacity()) slots.reserve(slots.empty() ? 32 : slots.capacity() * 2);
        slots.push_back(IdSlot{static_cast<int32_t>(slots.size()), id, 0});
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    return &slots.back();
}
