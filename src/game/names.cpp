// Name lists: the three name decks from the store's texts and the pilot-portrait deck.
#include "game/names.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include "game/game.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/store.h"

namespace {

void name_free(char *name) { std::free(name); }
void portrait_free(int32_t *number) { delete number; }

template <typename T>
ShuffleBag<T> *deck_ready(ShuffleBag<T> **deck, typename List<T>::FreeFn *free_fn) {
    if (!*deck) *deck = shuffle_create<T>();
    if (!*deck) return nullptr;
    shuffle_set_free_fn(*deck, free_fn);
    shuffle_clear(*deck);
    return *deck;
}

// Every piece of the text that ends in a newline byte becomes one name.
Result deck_fill_names(ShuffleBag<char> *deck, const std::string &text) {
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
        const size_t length = nl - start;
        char *name = static_cast<char *>(std::malloc(length + 1));
        if (!name) return RES_NO_MEMORY;
        std::memcpy(name, text.data() + start, length);
        name[length] = '\0';
        if (list_append(&deck->items, name) < 0) {
            std::free(name);
            return RES_NO_MEMORY;
        }
    }
    shuffle_reset(deck);
    return RES_OK;
}

Result load_name_deck(const char *path, ShuffleBag<char> **deck) {
    std::string text;
    if (Result r = store_read_text(path, &text); r != RES_OK) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to read name list \"%s\" (%i)", path, int(r));
        return r;
    }
    ShuffleBag<char> *bag = deck_ready(deck, name_free);
    if (!bag) return RES_NO_MEMORY;
    return deck_fill_names(bag, text);
}

// Frames of a numbered image set: "<set>/000.png" upwards until the first the store lacks.
Result count_numbered_frames(const char *set, int32_t *count) {
    *count = 0;
    if (Result r = store_open(); r != RES_OK) return r;
    const Store *store = store_get();
    for (;;) {
        char path[64];
        std::snprintf(path, sizeof path, "%s/%.3i.png", set, int(*count));
        const StoreEntry *entry = store_find(store, path);
        if (!entry || entry->size == 0) return RES_OK;
        ++*count;
    }
}

}  // namespace

Result name_lists_load(Game *game) {
    if (Result r = load_name_deck(NAMES_PILOT_PATH, &game->pilot_names); r != RES_OK) return r;
    if (Result r = load_name_deck(NAMES_SECTOR_PATH, &game->sector_names); r != RES_OK) return r;
    if (Result r = load_name_deck(NAMES_SHIP_PATH, &game->ship_names); r != RES_OK) return r;

    int32_t frames = 0;
    if (Result r = count_numbered_frames(NAMES_PORTRAIT_SET, &frames); r != RES_OK) return r;
    ShuffleBag<int32_t> *portraits = deck_ready(&game->pilot_portraits, portrait_free);
    if (!portraits) return RES_NO_MEMORY;
    for (int32_t i = 0; i < frames; ++i) {
        int32_t *number = new (std::nothrow) int32_t(i);
        if (!number || list_append(&portraits->items, number) < 0) {
            delete number;
            return RES_NO_MEMORY;
        }
    }
    shuffle_reset(portraits);
    log_write(LOG_GAME, LOG_DEBUG, "Name lists: %i pilots, %i sectors, %i ships, %i portraits",
              shuffle_count(game->pilot_names), shuffle_count(game->sector_names), shuffle_count(game->ship_names),
              frames);
    return RES_OK;
}
