#pragma once
// The model as the start-up's loaders leave it, without a window: for the programs over whole
// computer-player games (the galaxy benchmark, the study).
#include "app/app_hooks.h"
#include "game/game.h"
#include "game/names.h"
#include "game/records.h"
#include "game/tech.h"
#include "platform/geometry.h"
#include "platform/store.h"
#include "systems/system.h"
#include "world/factory.h"

// Opens the store at `store`, loads the system types, every template's parameters, the
// technologies and the distance table, clears the game record and gives it its name lists, player
// records and hook tables: the game record, or null when a step failed.
inline Game *bench_model_ready(const char *store) {
    store_set_path(store);
    if (store_open() != RES_OK || system_types_load() != RES_OK || factory_init() != RES_OK) return nullptr;
    distance_table_build();
    factory_acquire_group_all(FACTORY_GROUP_PARAMS);
    if (factory_resolve_load_groups() != RES_OK || tech_load() != RES_OK) return nullptr;
    Game *game = game_get();
    if (!game) return nullptr;
    game_clear(game);
    if (name_lists_load(game) != RES_OK || records_load(game) != RES_OK) return nullptr;
    app_install_hooks();
    return game;
}
