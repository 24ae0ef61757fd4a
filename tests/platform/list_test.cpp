#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>
#include "platform/list.h"

namespace {

struct Item { int key; char name; };

int compare_items(const Item *a, const Item *b) { return a->key - b->key; }

// The list's items as their names, '.' for a null item.
std::string names(const List<Item> &list) {
    std::string out;
    for (const Item *item : list.items) out += item ? item->name : '.';
    return out;
}

class ListTest : public ::testing::Test {
protected:
    Item a{1, 'a'}, b{2, 'b'}, c{3, 'c'}, d{4, 'd'}, e{5, 'e'};
    List<Item> list;

    void fill(std::initializer_list<Item *> items) {
        for (Item *item : items) ASSERT_GE(list_append(&list, item), 0);
    }
};

// ---- appending ----

class ListAppend : public ListTest {};

// The end-of-list path of a plain list and the ordered insertion of a SORTED one answer alike: the
// same running numbers, the same refusal once more than the maximum is held, and a refusal neither
// counts nor changes the items.
TEST_F(ListAppend, PlainAndSortedListsCountAndRefuseAlike) {
    for (const bool sorted : {false, true}) {
        List<Item> l;
        if (sorted) list_set_sorted(&l, compare_items);
        l.max_count = 3;
        const struct { Item *item; int32_t number; } steps[] = {
            {&c, 0}, {&a, 1}, {&e, 2}, {&b, 3}, {&d, -1}, {&d, -1}};
        for (const auto &st : steps) EXPECT_EQ(list_append(&l, st.item), st.number) << (sorted ? "sorted " : "plain ") << st.item->name;
        EXPECT_EQ(names(l), sorted ? "abce" : "caeb");
        ASSERT_EQ(list_remove(&l, &a), 1);
        EXPECT_EQ(list_append(&l, &d), 4) << (sorted ? "sorted" : "plain");
        EXPECT_EQ(names(l), sorted ? "bcde" : "cbed") << "the plain list's hole took its last item";
    }
}

// ---- sorted lists ----

class ListSorted : public ListTest {
protected:
    void SetUp() override { list_set_sorted(&list, compare_items); }
};

TEST_F(ListSorted, EqualKeyGoesBeforeTheOneTheSearchMeets) {
    Item one{1, 'x'}, three{3, 'y'}, five{5, 'z'}, again{3, 'n'};
    fill({&one, &three, &five});
    ASSERT_EQ(list_append(&list, &again), 3);
    EXPECT_EQ(names(list), "xnyz");
}

TEST_F(ListSorted, AmongEqualKeysTheMiddleOneIsMetFirst) {
    Item p{7, 'p'}, q{7, 'q'}, r{7, 'r'}, s{7, 's'};
    fill({&p});
    fill({&q});   // search meets p at 0: q goes first
    EXPECT_EQ(names(list), "qp");
    fill({&r});   // mid of 0..1 is 0: before q
    EXPECT_EQ(names(list), "rqp");
    fill({&s});   // mid of 0..2 is 1: before q
    EXPECT_EQ(names(list), "rsqp");
}

TEST_F(ListSorted, WithoutCompareTheAddressesOrderTheItems) {
    Item row[4] = {{0, 'w'}, {0, 'x'}, {0, 'y'}, {0, 'z'}};
    list.compare = nullptr;
    fill({&row[2], &row[0], &row[3], &row[1]});
    EXPECT_EQ(names(list), "wxyz");
}

// ---- removal and compaction ----

class ListRemove : public ListTest {
protected:
    Item *item(char name) {
        for (Item *i : {&a, &b, &c, &d, &e})
            if (i->name == name) return i;
        return nullptr;   // '.'
    }
};

TEST_F(ListRemove, EachRemovalLeavesItsOrder) {
    const struct {
        const char *what, *start;
        std::function<int32_t(List<Item> *, Item *)> op;
        char arg;
        int32_t result;
        const char *after;
    } cases[] = {
        {"unsorted removal moves the last item into the hole", "abcd", list_remove<Item>, 'b', 1, "adc"},
        {"removing the last item", "abc", list_remove<Item>, 'c', 1, "ab"},
        {"remove value keeps the order", "abcd", list_remove_value<Item>, 'b', 1, "acd"},
        {"only the first occurrence goes", "abac", list_remove_value<Item>, 'a', 1, "bac"},
        {"null value blanks the first occurrence", "abac", list_null_value<Item>, 'a', 1, ".bac"},
        {"absent: remove", "ab", list_remove<Item>, 'c', 0, "ab"},
        {"absent: remove value", "ab", list_remove_value<Item>, 'c', 0, "ab"},
        {"absent: null value", "ab", list_null_value<Item>, 'c', 0, "ab"},
        {"unordered compaction fills holes from the end", "a.c.", [](List<Item> *l, Item *) {
             return list_compact_unordered(l); }, 0, 2, "ac"},
        {"unordered compaction looks again at the moved item", "a..de", [](List<Item> *l, Item *) {
             return list_compact_unordered(l); }, 0, 2, "aed"},
        {"compaction keeps order", ".a..de", [](List<Item> *l, Item *) { return list_compact(l); }, 0, 3, "ade"},
        {"compaction of a full list", "ade", [](List<Item> *l, Item *) { return list_compact(l); }, 0, 0, "ade"},
    };
    for (const auto &c : cases) {
        list_reset(&list);
        for (const char *n = c.start; *n; ++n) ASSERT_GE(list_append(&list, item(*n)), 0);
        EXPECT_EQ(c.op(&list, item(c.arg)), c.result) << c.what;
        EXPECT_EQ(names(list), c.after) << c.what;
    }
}

TEST_F(ListRemove, UnorderedCompactionOfASortedListKeepsOrder) {
    list.flags = LIST_SORTED;
    list.compare = compare_items;
    fill({&a, &b, &c, &d});
    ASSERT_EQ(list_null_value(&list, &a), 1);
    ASSERT_EQ(list_null_value(&list, &c), 1);
    EXPECT_EQ(list_compact_unordered(&list), 2);
    EXPECT_EQ(names(list), "bd");
}

class ListCompact : public ListTest {};

TEST_F(ListCompact, DeferredRemovalDuringAWalk) {
    fill({&a, &b, &c, &d});
    ListIter<Item> it;
    list_iter_init(&it, &list);
    while (Item *item = list_iter_next(&it)) {
        if (item->key % 2 == 0) {
            ASSERT_EQ(list_null_value(&list, item), 1);
        }
    }
    EXPECT_EQ(list_compact(&list), 2);
    EXPECT_EQ(names(list), "ac");
}

// ---- the free callback ----

std::string g_freed;
void record_free(Item *item) { g_freed += item->name; }

class ListFree : public ListTest {
protected:
    void SetUp() override {
        g_freed.clear();
        list_set_free_fn(&list, record_free);
    }
};

TEST_F(ListFree, ClearFreesEveryItemAndEmptiesTheList) {
    fill({&a, &b, &c});
    list_clear(&list);
    EXPECT_EQ(g_freed, "abc");
    EXPECT_EQ(list_count(&list), 0);
    EXPECT_EQ(list_append(&list, &d), 3) << "the append counter survives a clear";
}

TEST_F(ListFree, CallbacksStopAtTheFirstNull) {
    List<Item> *heap = list_create<Item>();
    ASSERT_NE(heap, nullptr);
    list_set_free_fn(heap, record_free);
    ASSERT_EQ(list_append(heap, &a), 0);
    ASSERT_EQ(list_append(heap, nullptr), 1);
    ASSERT_EQ(list_append(heap, &c), 2);
    list_free(heap);
    EXPECT_EQ(g_freed, "a");
    list_free<Item>(nullptr);
}

TEST_F(ListFree, ResetAndRemovalRunNoCallback) {
    fill({&a, &b, &c});
    ASSERT_EQ(list_remove(&list, &a), 1);
    ASSERT_EQ(list_remove_value(&list, &b), 1);
    list_reset(&list);
    EXPECT_EQ(g_freed, "");
    EXPECT_EQ(list_count(&list), 0);
}

// ---- access and iteration ----

class ListAccess : public ListTest {};

TEST_F(ListAccess, GetAndSetIgnoreIndicesOutsideAndTheIteratorStopsAtNull) {
    fill({&a, &b});
    EXPECT_EQ(list_get(&list, 0), &a);
    EXPECT_EQ(list_get(&list, 1), &b);
    EXPECT_EQ(list_get(&list, 2), nullptr);
    EXPECT_EQ(list_get(&list, -1), nullptr);
    list_set(&list, 1, &c);
    list_set(&list, 2, &d);
    list_set(&list, -1, &d);
    EXPECT_EQ(names(list), "ac");
    list_reset(&list);
    fill({&a, &b, nullptr, &d});
    ListIter<Item> it;
    list_iter_init(&it, &list);
    std::string seen;
    while (Item *item = list_iter_next(&it)) seen += item->name;
    EXPECT_EQ(seen, "ab");
}

TEST_F(ListAccess, InsertAtGoesBeforeTheLastReturnedItemAndTheWalkContinues) {
    fill({&a, &b, &c});
    ListIter<Item> it;
    list_iter_init(&it, &list);
    ASSERT_EQ(list_iter_next(&it), &a);
    ASSERT_EQ(list_iter_next(&it), &b);
    ASSERT_EQ(list_insert_at(&it, &d), 0);
    EXPECT_EQ(names(list), "adbc");
    EXPECT_EQ(list_iter_next(&it), &c) << "b is not met twice";
    EXPECT_EQ(list_iter_next(&it), nullptr);
}

TEST_F(ListAccess, InsertAtBeforeTheFirstCallGoesToTheFrontAndAfterTheEndAppends) {
    fill({&a, &b});
    ListIter<Item> it;
    list_iter_init(&it, &list);
    ASSERT_EQ(list_insert_at(&it, &c), 0);
    EXPECT_EQ(names(list), "cab");
    EXPECT_EQ(list_iter_next(&it), &a);
    ASSERT_EQ(list_iter_next(&it), &b);
    ASSERT_EQ(list_iter_next(&it), nullptr);
    ASSERT_EQ(list_insert_at(&it, &d), 0);
    EXPECT_EQ(names(list), "cabd");
}

}  // namespace
