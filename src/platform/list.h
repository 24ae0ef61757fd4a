#pragma once
// List: the growable array of item pointers behind every collection of the game (objects of a sector,
// systems of a ship, controls of a panel, effects, players ...).
//  - Owns its slots; owns its items only through the free callback, which list_clear and list_free run
//    on each item up to the first null one.
//  - Items are never null in normal use. A null item ends every walk (free callbacks, iterators): to
//    remove items during a walk, null them (list_null_value) and list_compact afterwards.
//  - list_append returns a running number of appends (never lowered by removals), or -1 when the list
//    refuses the item or memory ran out (then nothing changed).
//  - A SORTED list keeps its items in ascending order of its compare callback: an item equal to one
//    already there goes before the one the binary search meets; removals keep the order. An unsorted
//    list_remove fills the hole with the last item.
//  - A max count M refuses an append only once the list holds more than M items, so M + 1 fit.
//  - No lock: one thread at a time, under the owner's rules.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <type_traits>
#include <vector>

constexpr uint32_t LIST_SORTED = 1u;   // List::flags

template <typename T>
struct List {
    using FreeFn = void(T *item);
    using CompareFn = int(const T *a, const T *b);   // < 0, 0, > 0 like strcmp

    std::vector<T *> items;
    int32_t    append_counter = 0;   // the number the next list_append returns
    int32_t    max_count = 0;        // 0: no limit
    FreeFn    *free_fn = nullptr;    // null: the list does not own its items
    CompareFn *compare = nullptr;    // SORTED lists; null compares the item addresses
    uint32_t   flags = 0;            // LIST_SORTED
};

template <typename T>
struct ListIter {
    List<T> *list = nullptr;
    int32_t  position = 0;   // index of the next item
};

template <typename T> int32_t list_count(const List<T> *list) { return static_cast<int32_t>(list->items.size()); }
template <typename T> void list_set_free_fn(List<T> *list, typename List<T>::FreeFn *fn) { list->free_fn = fn; }
template <typename T> void list_reset(List<T> *list) { list->items.clear(); }   // no callbacks

template <typename T>
List<T> *list_create() { return new (std::nothrow) List<T>(); }   // null when out of memory

// Makes the list SORTED by compare. Call it while the list is empty.
template <typename T>
void list_set_sorted(List<T> *list, typename List<T>::CompareFn *compare) {
    list->compare = compare;
    list->flags |= LIST_SORTED;
}

// The free callback on each item up to the first null one; the count becomes 0, the slots stay.
template <typename T>
void list_clear(List<T> *list) {
    if (list->free_fn)
        for (T *item : list->items) {
            if (!item) break;
            list->free_fn(item);
        }
    list->items.clear();
}

// As list_clear, then frees the list itself. A null list is ignored.
template <typename T>
void list_free(List<T> *list) {
    if (!list) return;
    list_clear(list);
    delete list;
}

namespace list_detail {

template <typename T>
int compare(const List<T> *list, const T *a, const T *b) {
    if (list->compare) return list->compare(a, b);
    const std::less<const T *> less;
    return less(a, b) ? -1 : less(b, a) ? 1 : 0;
}

template <typename T>
int32_t index_of(const List<T> *list, const T *item) {
    for (size_t i = 0; i < list->items.size(); ++i)
        if (list->items[i] == item) return static_cast<int32_t>(i);
    return -1;
}

}  // namespace list_detail

template <typename T>
int32_t list_append(List<T> *list, std::type_identity_t<T> *item) {
    const int32_t count = list_count(list);
    if (list->max_count != 0 && count > list->max_count) return -1;
    if (!(list->flags & LIST_SORTED)) {   // the common case: straight onto the end
        try {
            list->items.push_back(item);
        } catch (const std::bad_alloc &) {
            return -1;
        }
        return list->append_counter++;
    }
    int32_t lo = 0, hi = count - 1;
    while (lo <= hi) {
        const int32_t mid = (lo + hi) / 2;
        const int c = list_detail::compare<T>(list, list->items[static_cast<size_t>(mid)], item);
        if (c == 0) { lo = mid; break; }
        if (c < 0) lo = mid + 1;
        else hi = mid - 1;
    }
    const size_t at = static_cast<size_t>(lo);
    try {
        list->items.insert(list->items.begin() + static_cast<std::ptrdiff_t>(at), item);
    } catch (const std::bad_alloc &) {
        return -1;
    }
    return list->append_counter++;
}

// Puts the item where the item the iterator returned last is (index 0 before the first call), moving
// that one and the rest up; the iterator moves along, so the walk goes on with the same next item.
// 0, or -1 when memory ran out. Does not count as an append and ignores the sort order.
template <typename T>
int32_t list_insert_at(ListIter<T> *iter, std::type_identity_t<T> *item) {
    List<T> *list = iter->list;
    int32_t at = iter->position - 1;
    if (at < 0) at = 0;
    if (at > list_count(list)) at = list_count(list);
    try {
        list->items.insert(list->items.begin() + at, item);
    } catch (const std::bad_alloc &) {
        return -1;
    }
    ++iter->position;
    return 0;
}

template <typename T>
T *list_get(const List<T> *list, int32_t index) {   // null outside 0..count-1
    if (index < 0 || index >= list_count(list)) return nullptr;
    return list->items[static_cast<size_t>(index)];
}

template <typename T>
void list_set(List<T> *list, int32_t index, std::type_identity_t<T> *item) {   // an index outside 0..count-1 is ignored
    if (index < 0 || index >= list_count(list)) return;
    list->items[static_cast<size_t>(index)] = item;
}

// Removes the first occurrence: an unsorted list moves its last item into the hole, a SORTED list
// shifts the later items down. 1 when found, else 0. No callback runs.
template <typename T>
int32_t list_remove(List<T> *list, const std::type_identity_t<T> *item) {
    const int32_t i = list_detail::index_of(list, item);
    if (i < 0) return 0;
    if (list->flags & LIST_SORTED) {
        list->items.erase(list->items.begin() + i);
    } else {
        list->items[static_cast<size_t>(i)] = list->items.back();
        list->items.pop_back();
    }
    return 1;
}

// Removes the first occurrence keeping the order of the rest, in any list. 1 when found, else 0.
template <typename T>
int32_t list_remove_value(List<T> *list, const std::type_identity_t<T> *item) {
    const int32_t i = list_detail::index_of(list, item);
    if (i < 0) return 0;
    list->items.erase(list->items.begin() + i);
    return 1;
}

// Replaces the first occurrence by null. 1 when found, else 0.
template <typename T>
int32_t list_null_value(List<T> *list, const std::type_identity_t<T> *item) {
    const int32_t i = list_detail::index_of(list, item);
    if (i < 0) return 0;
    list->items[static_cast<size_t>(i)] = nullptr;
    return 1;
}

// Removes every null item keeping the order; returns how many went.
template <typename T>
int32_t list_compact(List<T> *list) {
    const size_t before = list->items.size();
    std::erase(list->items, nullptr);
    return static_cast<int32_t>(before - list->items.size());
}

// Removes every null item; an unsorted list fills each hole with its last item (so the order changes),
// a SORTED list keeps its order. Returns how many went.
template <typename T>
int32_t list_compact_unordered(List<T> *list) {
    if (list->flags & LIST_SORTED) return list_compact(list);
    std::vector<T *> &items = list->items;
    const size_t before = items.size();
    for (size_t i = 0; i < items.size();) {
        if (items[i]) {
            ++i;
            continue;
        }
        items[i] = items.back();   // the moved item is looked at again
        items.pop_back();
    }
    return static_cast<int32_t>(before - items.size());
}

template <typename T>
void list_iter_init(ListIter<T> *iter, List<T> *list) {
    iter->list = list;
    iter->position = 0;
}

// The next item, or null at the end (a null item reads as the end too). The position always moves on.
template <typename T>
T *list_iter_next(ListIter<T> *iter) {
    return list_get(iter->list, iter->position++);
}
