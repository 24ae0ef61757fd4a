#pragma once
// Test support for the encounter dialog and the galaxy's encounter entry: the panels fixture on a
// real seeded new game with a meeting staged through the model's own operations. The UI player's
// ships and a computer player's ships are brought together and the day's battle generation
// (game_generate_encounters) makes the encounter, as it does at the end of a galaxy day.
//  - stage_home_meeting: the rival's ships come to the UI player's home sector, where the UI
//    player's own ships stay: an engagement (kind 0) in an own sector.
//  - stage_home_assault: the rival's ships, ordered to attack the starbase, come to the home
//    sector after the UI player's ships left it in a fleet: a starbase assault (kind 1) in which
//    the UI player defends its own sector.
//  - stage_deep_space_meeting: a fleet of the UI player and one of the rival intercept each other
//    in deep space.
//  - strip_sector_presence: the UI player loses every sector it owns, and its ships leave every
//    sector in a fleet, so that it has no sector presence left.
//  - The Game's encounter list keeps the staged encounter alive; `meeting` is borrowed from it.
//  - The image types of the dialog's buttons and close box are loaded as start-up loads them.
#include <gtest/gtest.h>

#include <vector>

#include "game/encounter.h"
#include "game/player.h"
#include "game/turn.h"
#include "panels_test_support.h"
#include "platform/list.h"
#include "ui/image_control.h"
#include "world/fleet.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace encounter_test {

// Retreat, close box and Engage.
constexpr int ENCOUNTER_IMAGE_TYPES[] = {IMAGE_RETREAT, IMAGE_CLOSE, IMAGE_COMBAT};

class StagedMeeting : public galaxy_test::PanelsGame {
protected:
    Player *rival = nullptr;          // the first computer player
    Sector *home = nullptr;           // the UI player's home sector (its first ship's)
    std::vector<Ship *> ours, theirs;
    Encounter *meeting = nullptr;     // the staged battle, held by the Game's encounter list

    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : ENCOUNTER_IMAGE_TYPES) {
            ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
            types_.push_back(type);
        }
        for (int32_t i = 0; i < game_player_count(game) && !rival; ++i) {
            Player *p = game_get_player_at(game, i);
            if (p && p->kind == PLAYER_KIND_COMPUTER && p->id != game->ui_player_id) rival = p;
        }
        ASSERT_NE(rival, nullptr) << "a computer player in the new game";
    }
    void TearDown() override {
        meeting = nullptr;
        PanelsGame::TearDown();
        for (int type : types_) image_control_free_type(type);
        types_.clear();
    }

    // `count` ships of the owner, its own first, then built from its first design (the UI
    // player's when the owner has none yet: computer players design later).
    std::vector<Ship *> ships_of(Player *owner, int count) {
        std::vector<Ship *> out;
        for (GameObject *o : owner->objects.items) {
            if (int(out.size()) >= count) break;
            Ship *ship = ship_of(o);
            if (ship && !(ship->flags & OBJ_DEAD)) out.push_back(ship);
        }
        while (int(out.size()) < count) {
            Player *designer = player_get_design_at(owner, 0) ? owner : game->ui_player;
            Ship *ship = ship_of(player_build_ship_from_design(designer, 0));
            if (!ship) break;
            player_commission_ship(owner, ship, nullptr, nullptr);
            out.push_back(ship);
        }
        EXPECT_EQ(int(out.size()), count) << "ships of " << owner->name;
        return out;
    }

    // The ships move into the sector (out of any fleet they were in).
    static void bring_to(const std::vector<Ship *> &ships, Sector *sector) {
        for (Ship *ship : ships) {
            ship_set_fleet(ship, nullptr);
            ship_set_sector(ship, sector);
        }
    }

    // The day's battles are generated; the staged one is the UI player's.
    Encounter *generate(uint64_t sector_id) {
        game_clear_encounters(game);
        game_generate_encounters(game);
        meeting = nullptr;
        for (int32_t i = 0; i < game_encounter_count(game) && !meeting; ++i) {
            Encounter *enc = game_encounter_at(game, i);
            if (enc->sector_id == sector_id && encounter_has_side(enc, game->ui_player_id)) meeting = enc;
        }
        EXPECT_NE(meeting, nullptr) << "no battle of the UI player was generated";
        if (meeting) encounter_rebuild_index(meeting);
        return meeting;
    }

    Encounter *stage_home_meeting(int our_count = 2, int their_count = 2) {
        ours = ui_ships_at_home(our_count, &home);
        EXPECT_NE(home, nullptr) << "the UI player's home sector";
        if (!home) return nullptr;
        theirs = ships_of(rival, their_count);
        bring_to(theirs, home);
        return generate(home->id);
    }

    Encounter *stage_home_assault(int their_count = 2) {
        ours = ui_ships_at_home(1, &home);
        EXPECT_NE(home, nullptr) << "the UI player's home sector";
        if (!home) return nullptr;
        // Every ship of the UI player leaves the sector, so that only the starbase defends it.
        std::vector<Ship *> present;
        for (int32_t i = 0; i < sector_object_count(home); ++i)
            if (Ship *ship = ship_of(sector_get_object(home, i)); ship && ship->owner_id == game->ui_player_id)
                present.push_back(ship);
        form_fleet(present, home->x + 300, home->y);
        theirs = ships_of(rival, their_count);
        bring_to(theirs, home);
        for (Ship *ship : theirs) ship->ship_flags |= SHIP_FLAG_ORDER_A;   // the attack order the AI gives
        return generate(home->id);
    }

    Encounter *stage_deep_space_meeting(int our_count = 2, int their_count = 1) {
        ours = ui_ships_at_home(our_count, &home);
        EXPECT_NE(home, nullptr) << "the UI player's home sector";
        if (!home) return nullptr;
        theirs = ships_of(rival, their_count);
        Fleet *a = form_fleet(ours, 500, 400);
        Fleet *b = form_fleet(theirs, 560, 430);
        object_set_owner_id(b, rival->id);
        a->intercepted_fleet_id = b->id;
        b->intercepted_fleet_id = a->id;
        return generate(0);
    }

    // The UI player keeps no sector and no ship in any sector.
    void strip_sector_presence() {
        const uint64_t ui = game->ui_player_id;
        std::vector<Ship *> present;
        for (int32_t i = 0; i < map_object_count(game->galaxy_map); ++i) {
            Sector *sector = sector_of(map_object_at(game->galaxy_map, i));
            if (!sector) continue;
            if (sector->owner_id == ui) {
                object_set_owner_id(sector, rival->id);
                for (Site *site : sector->sites.items) {
                    if (!site) break;
                    if (site->owner_id == ui) object_set_owner_id(site, rival->id);
                }
            }
            for (int32_t k = 0; k < sector_object_count(sector); ++k)
                if (Ship *ship = ship_of(sector_get_object(sector, k)); ship && ship->owner_id == ui)
                    present.push_back(ship);
        }
        if (!present.empty()) form_fleet(present, 40, 40);
        ASSERT_FALSE(game_player_has_sector_presence(game, ui));
    }

private:
    std::vector<int> types_;
};

}  // namespace encounter_test
