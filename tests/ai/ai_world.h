#pragma once
// A galaxy for the computer player tests: the player world of the model's tests (generated store,
// real factories, systems and technologies, a galaxy map that owns its sectors) with a computer
// player whose galaxy AI is the real one.
#include <gtest/gtest.h>

#include "ai/agent_task.h"
#include "ai/ai_player.h"
#include "game/player_fixture.h"
#include "support/state_guards.h"
#include "world/fleet.h"

namespace aitest {

inline void set_move_target(Ship *s, uint64_t id) { ai_ship_set_word(s, AI_SHIP_MOVE_TARGET, id); }

class AiWorld : public playertest::PlayerWorld {
protected:
    Player *me = nullptr;
    AiPlayer *ai = nullptr;
    SlotGuard<int32_t> map_w_back_, map_h_back_;

    void SetUp() override {
        PlayerWorld::SetUp();   // the parameters of every template, the AI layer's hooks
        agent_task_types_init();
        map_w_back_.replace(game->galaxy_map->world_w, 4096);
        map_h_back_.replace(game->galaxy_map->world_h, 3072);
        me = add_player(11, "Vega Combine");
        ai = ai_player_create();
        ASSERT_NE(ai, nullptr);
        me->galaxy_ai = ai;
        random_seed(2024);
    }

    // An own sector with a working starbase of `crew`.
    Sector *own_base(int32_t x, int32_t y, int32_t crew = 500, Site **base_out = nullptr) {
        Sector *s = add_sector(me->id, x, y);
        Site *base = add_site(s, SITE_STARBASE, me->id);
        base->crew = crew;
        sector_refresh_sites(s);
        if (base_out) *base_out = base;
        return s;
    }

    // A task of the real table, given an id and put into the AI's map.
    AgentTask *task(int32_t type, uint32_t subtype = 0, uint64_t target = 0) {
        AgentTask *t = agent_task_create(type, subtype, target);
        EXPECT_NE(t, nullptr);
        agent_task_assign_id(t);
        return ai_add_task(ai, t);
    }

    // The AI's own sector list as the galaxy command builds it.
    void own_sectors(std::initializer_list<Sector *> sectors) {
        list_reset(ai->own_sectors);
        for (Sector *s : sectors) list_append(ai->own_sectors, static_cast<GameObject *>(s));
        ai->own_sector_count = int32_t(sectors.size());
    }

    int32_t count_tasks(int32_t type) {
        int32_t n = 0;
        HashMapIter<AgentTask> iter;
        hash_map_iter_init(&iter, ai->tasks);
        AgentTask *t = nullptr;
        while (hash_map_iter_next(&iter, nullptr, &t))
            if (t && t->type == uint32_t(type)) ++n;
        return n;
    }
};

}  // namespace aitest
