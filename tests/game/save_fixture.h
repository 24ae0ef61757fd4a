#pragma once
// A game state for the save and turn tests, on the model game's galaxy: a human UI player and a
// computer player with both AI states, owned sectors with sites, ships with pilots in fleets on the
// galaxy map, designs, research under way, known snapshots, alerts, a loose object on the global
// list and the name decks.
#include "headless_fixture.h"

#include "ai/agent_task.h"
#include "ai/ai_player.h"
#include "game/prefs.h"
#include "world/fleet.h"

namespace savetest {

constexpr uint64_t HUMAN = 0x1001;
constexpr uint64_t RIVAL = 0x1002;
constexpr uint64_t COMBAT_AI = 0x1003;

class SaveWorld : public ModelGame {
protected:
    // A piloted ship of the player in a fleet of its own on the galaxy map.
    Ship *add_ship(Player *p, int32_t hull, int32_t x, int32_t y, const char *name) {
        Ship *s = ship_of(factory_create_object(OBJECT_SHIP, hull));
        EXPECT_NE(s, nullptr);
        Officer *o = player_hire_officer(p, true, nullptr);
        EXPECT_NE(o, nullptr);
        o->name = std::string("Pilot of ") + name;
        o->rank = 2;
        player_commission_ship(p, s, o, nullptr);
        s->ship_name = name;
        Fleet *f = fleet_create();
        EXPECT_NE(f, nullptr);
        f->owner_id = p->id;
        object_assign_id(f);
        ship_set_fleet(s, f);
        map_place_object(game->galaxy_map, f, x, y, 0);
        map_add_pending_objects(game->galaxy_map);
        return s;
    }

    // The whole state; `combat_objects` gives the combat AI player ships that no save may keep.
    void build_state(bool combat_objects = true) {
        Player *human = add_player(HUMAN, "Ada Quill", PLAYER_KIND_HUMAN);
        game->ui_player = human;
        game->ui_player_id = HUMAN;
        human->credits = 4321;
        Player *rival = add_player(RIVAL, "Vorn Combine", PLAYER_KIND_COMPUTER);
        rival->galaxy_ai = ai_player_create();
        rival->commander_ai = ai_player_create_commander();
        ai_add_task(rival->galaxy_ai, agent_task_create(TASK_BUILD_SITE, 7, 0));
        Player *combat = add_player(COMBAT_AI, "Combat", PLAYER_KIND_COMPUTER);
        game->combat_ai_player_id = COMBAT_AI;

        Sector *home = add_sector(HUMAN, 300, 300, 0);
        add_site(home, SITE_STARBASE, HUMAN);
        Sector *far = add_sector(RIVAL, 1500, 900, 1);
        add_site(far, SITE_STARBASE, RIVAL);
        Sector *open = add_sector(0, 900, 1400, 2);
        game->sol_sector_id = open->id;
        game->sol_player_id = RIVAL;
        game->sol_budget = 12000;
        game->sol_spent = 345;
        game->turn_counter = 40;
        game->conquerable_sectors = 2;

        add_ship(human, 2, 320, 340, "Wayfarer");
        add_ship(human, 3, 360, 300, "Longreach");
        add_ship(rival, 2, 1450, 880, "Grim");
        if (combat_objects) {
            Ship *temp = ship_of(factory_create_object(OBJECT_SHIP, 2));
            ASSERT_NE(temp, nullptr);
            object_assign_id(temp);
            temp->owner_id = COMBAT_AI;
            player_add_object(combat, temp);
        }

        Ship *design = ship_of(factory_create_object(OBJECT_SHIP, 2));
        ASSERT_NE(design, nullptr);
        design->ship_name = "Pathfinder";
        player_add_design(human, design);

        for (int32_t t = 0; t < PLAYER_TECH_COUNT; ++t)
            if (player_queue_research(human, t) == RES_OK) break;
        player_learn_object(rival, home, 1);
        player_learn_object(human, far, 1);
        for (Player *p : {human, rival}) player_update_totals(p);

        GameObject *loose = factory_create_object(OBJECT_SHIP, 2);
        ASSERT_NE(loose, nullptr);
        object_assign_id(loose);
        object_add_ref(loose);
        list_append(game->objects, loose);

        // An alert two months old (not saved) and two of today.
        Alert *old = alert_post_research(HUMAN, 1, "Old news %i", 1);
        game_add_alert(game, old);
        game->clock->minutes += 60 * MINUTES_PER_DAY;
        date_from_minutes(game->clock);
        game_add_alert(game, alert_post_research(HUMAN, 2, "Research of %s done", "Lasers"));
        game_add_alert(game, alert_post_sector_notice(HUMAN, home->id, "Sector %s is quiet", "Home"));
        // Deal a few names so the decks' states are not fresh.
        for (int i = 0; i < 3; ++i) {
            shuffle_next(game->sector_names);
            shuffle_next(game->pilot_portraits);
        }
    }

    std::string path(const char *name) const { return folder + "/" + name; }

    std::string folder;
};

}  // namespace savetest
