#pragma once
// A galaxy for the computer player tests: the player world of the model tests (generated store, real
// factories, systems and technologies, a galaxy map with its object lookup) plus one computer player
// "Vega" whose galaxy AI is the real one and a rival "Rigel", and helpers that place real ships,
// fleets, sectors and starbases and let the player see them.
#include <gtest/gtest.h>

#include "ai/agent_task.h"
#include "ai/ai_player.h"
#include "game/player_fixture.h"
#include "world/factory.h"
#include "world/fleet.h"

namespace aitest {

constexpr uint64_t ME = 10;
constexpr uint64_t RIVAL = 20;

class TaskWorld : public playertest::PlayerWorld {
protected:
    Player *me = nullptr;
    Player *rival = nullptr;
    AiPlayer *ai = nullptr;

    void SetUp() override {
        PlayerWorld::SetUp();   // the parameters of every template, the AI layer's hooks
        me = add_player(ME, "Vega");
        rival = add_player(RIVAL, "Rigel");
        me->galaxy_ai = ai = ai_player_create();
        ASSERT_NE(ai, nullptr);
        ai->map_diagonal = 1000;
        ai->map_centre_x = 500;
        ai->map_centre_y = 500;
        ai->strike_margin_pct = 100;
        ai->personality = 100;
        ai->attack_fleet_radius = 300;
    }

    // A sector whose centre is at (cx, cy).
    Sector *sector_centred(uint64_t owner, int32_t cx, int32_t cy) {
        Sector *s = add_sector(owner, 0, 0);
        object_set_position(s, cx - s->w / 2, cy - s->h / 2);
        return s;
    }

    void own(Sector *s) {
        s->owner_id = ME;
        list_append(ai->own_sectors, static_cast<GameObject *>(s));
        ai->own_sector_count = list_count(ai->own_sectors);
    }

    // An own sector (top-left corner at x, y) with a working starbase of `crew`, in the AI's list.
    Sector *own_base(int32_t x, int32_t y, int32_t crew = 500, Site **base_out = nullptr) {
        Sector *s = add_sector(ME, x, y);
        Site *base = add_site(s, SITE_STARBASE, ME);
        base->crew = crew;
        sector_refresh_sites(s);
        own(s);
        if (base_out) *base_out = base;
        return s;
    }

    AgentTask *task(int32_t type, uint64_t target, uint32_t subtype = 0) {
        AgentTask *t = ai_add_task(ai, agent_task_create(type, subtype, target));
        EXPECT_NE(t, nullptr);
        list_append(ai->listed, t);
        return t;
    }

    // A ship of `owner` standing in `where` (a sector) or travelling in it (a fleet).
    Ship *ship_in(GameObject *where, Player *owner) {
        Ship *s = new_ship(2);
        Sector *sector = where && where->kind == OBJECT_SECTOR ? static_cast<Sector *>(where) : nullptr;
        if (owner) {
            player_commission_ship(owner, s, nullptr, sector);
        } else {
            object_assign_id(s);
            if (sector) ship_set_sector(s, sector);
        }
        if (where && !sector) ship_set_fleet(s, where);
        return s;
    }

    // A real engine on the first mount that takes one.
    void fit_engine(Ship *s) {
        std::string tried;
        for (int32_t i = 0; i < s->crit_count; ++i) {
            if (s->crits[i].system) continue;
            System *engine = system_create_subtype(2, 0);
            ASSERT_NE(engine, nullptr);
            const Result r = ship_set_crit_system(s, i, engine);
            if (r == RES_OK) return;
            tried += " " + std::to_string(s->crits[i].mount_type) + ":" + std::to_string(r);
            system_free(engine);
        }
        FAIL() << "no mount takes an engine:" << tried;
    }

    Fleet *fleet_at(Player *owner, int32_t x, int32_t y) {
        Fleet *f = fleet_create();
        EXPECT_NE(f, nullptr);
        object_assign_id(f);
        f->owner_id = owner ? owner->id : 0;
        map_place_object(game->galaxy_map, f, x, y, 1);
        map_add_pending_objects(game->galaxy_map);
        return f;
    }

    static void assign(AgentTask *t, GameObject *ship) {
        agent_task_add_assignee(t, ship);
        ai_ship_set_word(ship, AI_SHIP_GALAXY_TASK, t->id);
    }

    static uint64_t move_target(GameObject *ship) { return ai_ship_word(ship, AI_SHIP_MOVE_TARGET); }

    int32_t count_tasks(int32_t type) {
        int32_t n = 0;
        HashMapIter<AgentTask> iter;
        hash_map_iter_init(&iter, ai->tasks);
        AgentTask *t = nullptr;
        while (hash_map_iter_next(&iter, nullptr, &t))
            if (t && t->type == uint32_t(type)) ++n;
        return n;
    }

    int32_t evaluate(AgentTask *t) {
        agent_task_evaluate(t, ai, me, 0);
        return t->utility;
    }
};

}  // namespace aitest
