#pragma once
// Test support for the galaxy screen's map input and object panels: the galaxy screen fixture
// with the pointer put on the screen, sounds counted on the sound manager's channels, map
// markers in a marker map of the test's own, and a fleet of the UI player's ships formed on the
// galaxy map through the model's own operations.
//  - The handlers are called as the screen's update calls them, in one frame: the pointer and
//    the button are set first, no frame runs in between (a frame would let the screen's update
//    hover what lies under the pointer).
//  - TearDown drops the selection, the hover and the test's marker map before the mode is left.
#include <gtest/gtest.h>

#include <vector>

#include "galaxy_test_support.h"
#include "platform/hash.h"
#include "platform/sound.h"
#include "screens/galaxy/galaxy_services.h"
#include "ui/panel.h"
#include "game/player.h"
#include "world/fleet.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"

namespace galaxy_test {

class PanelsGame : public GalaxyGame {
protected:
    HashTable<Control> *markers = nullptr;   // the test's own first marker map
    HashTable<Control> *markers_back = nullptr;
    bool own_centre_ = false;   // the centre panel was made for the test

    void SetUp() override {
        GalaxyGame::SetUp();
        screen()->pick_mode = -1;
        screen()->panel_top = -1;
        ui_test::reset_input();
    }
    void TearDown() override {
        starmap_select_object(nullptr);
        galaxy_hover_set(nullptr);
        screen()->pick_mode = -1;
        screen()->panel_top = -1;
        screen()->screen_flags.store(0);
        if (markers) {
            screen()->marker_maps[0] = markers_back;
            hash_table_free(markers);
        }
        if (own_centre_) screen()->centre_panel = nullptr;
        GalaxyGame::TearDown();
    }

    // The channels playing the sound.
    static int playing(int id) {
        const SoundManager *m = sound_get();
        int n = 0;
        for (int i = 0; m && i < m->channel_count; ++i)
            n += m->channels[i].id == id && (m->channels[i].flags.load() & SOUND_CHANNEL_IN_USE);
        return n;
    }

    // A left click of this frame, the handler run as the update runs it, the click then over.
    static void click_map() {
        ui_test::left_down();
        galaxy_map_click();
        ui_test::next_tick();
        ui_test::left_up();
        ui_test::next_tick();
    }

    // A screen point over no control and no object of either map: markers there are what the
    // pointer finds.
    static void quiet_point(int *x, int *y) {
        Game *g = game_get();
        for (int py = 120; py < 600; py += 13)
            for (int px = 40; px < 900; px += 17) {
                if (game_control_at_point(g, px, py)) continue;
                bool empty = true;
                for (ObjectMap *map : {g->galaxy_map, g->sector_map}) {
                    if (!map) continue;
                    ObjectFilter f;
                    f.flags = FILTER_POINT | FILTER_EXTRA_HEIGHT;
                    f.extra_height = 4;
                    f.px = map->view_x + px;
                    f.py = map->view_y + py;
                    if (map_query_object(map, &f)) empty = false;
                }
                if (empty) {
                    *x = px;
                    *y = py;
                    return;
                }
            }
        ADD_FAILURE() << "no quiet point on the screen";
    }

    // A marker for the object at the screen point: a layer-0 panel whose icon (400011) is 24 x 24.
    Control *add_marker(GameObject *object, int x, int y) {
        if (!markers) {
            markers = hash_table_create<Control>(key64_hash, key64_compare);
            markers->key_of = [](const Control *m) -> const void * {
                return &static_cast<const GameObject *>(m->user_data)->id;
            };
            hash_table_set_free_fn(markers, [](Control *m) { control_release(m); });
            markers_back = screen()->marker_maps[0];
            screen()->marker_maps[0] = markers;
        }
        Control *marker = panel_create_empty();
        marker->user_data = object;
        panel_add_child(marker, 0, 0, GALAXY_ID_MARKER_ICON, 0, panel_create_empty());
        control_set_size(panel_find_child(marker, GALAXY_ID_MARKER_ICON), 24, 24);
        control_set_tag(marker, GALAXY_GROUP_MARKERS);
        game_add_control(game_get(), x, y, 0, 0, marker);
        game_flush_new_controls(game_get());
        hash_table_insert(markers, control_addref(marker));
        return marker;
    }

    // The centre detail panel, shown; made for the test when the screen has none.
    Control *centre_panel() {
        if (!screen()->centre_panel) {
            own_centre_ = true;
            screen()->centre_panel = game_add_control(game_get(), 300, 200, 0, 0, panel_create(200, 50, 0, 0, 0));
            game_flush_new_controls(game_get());
        }
        control_set_hidden(screen()->centre_panel, true);
        return screen()->centre_panel;
    }

    // `count` ships of the UI player in its home sector (the sector of its first ship), built from
    // its first design as the yard builds them when the new game gave fewer.
    std::vector<Ship *> ui_ships_at_home(int count, Sector **where) {
        Player *ui = game->ui_player;
        Sector *home = nullptr;
        for (GameObject *o : ui->objects.items) {
            if (!o) break;
            if (Ship *ship = ship_of(o); ship && ship->sector_id) {
                home = sector_find(ship->sector_id);
                break;
            }
        }
        if (!home) return {};
        std::vector<Ship *> ships;
        for (int32_t i = 0; i < sector_object_count(home) && int(ships.size()) < count; ++i) {
            Ship *ship = ship_of(sector_get_object(home, i));
            if (ship && ship->owner_id == ui->id) ships.push_back(ship);
        }
        while (int(ships.size()) < count) {
            Ship *ship = ship_of(player_build_ship_from_design(ui, 0));
            if (!ship) break;
            object_assign_id(ship);
            object_set_owner_id(ship, ui->id);
            player_add_object(ui, ship);
            ship_set_sector(ship, home);
            ships.push_back(ship);
        }
        *where = home;
        return ships;
    }

    // The ships leave their sector in a fleet of the UI player at (x, y) on the galaxy map.
    Fleet *form_fleet(const std::vector<Ship *> &ships, int x, int y) {
        Fleet *fleet = fleet_create();
        object_assign_id(fleet);
        object_set_owner_id(fleet, game->ui_player_id);
        fleet->flags |= OBJ_VISIBLE;
        for (Ship *ship : ships) {
            ship_set_sector(ship, nullptr);
            ship_set_fleet(ship, fleet);
        }
        map_place_object(game->galaxy_map, fleet, x, y, 0);
        map_add_pending_objects(game->galaxy_map);
        return fleet;
    }

    // An object panel holding a list (100005) with a row per object, selected as asked.
    static Control *panel_with_list(int32_t id, const std::vector<GameObject *> &objects,
                                    const std::vector<bool> &selected) {
        Control *panel = galaxy_object_panel_open(id);
        Control *list = panel_add_child(panel, 4, 4, GALAXY_LIST_ID, 0, panel_create_empty());
        for (size_t i = 0; i < objects.size(); ++i) {
            Control *row = panel_add_child(list, int(i) * 40, 0, 0, 0, panel_create_empty());
            control_set_widget_state(row, objects[i], nullptr);
            panel_of(row)->value = selected[i] ? GALAXY_ROW_SELECTED : GALAXY_ROW_UNSELECTED;
        }
        game_flush_new_controls(game_get());
        return panel;
    }

    static int count_tagged(int tag) {
        int n = 0;
        for (Control *c : game_get()->controls->items) {
            if (!c) break;
            n += c->tag == tag && !(c->flags & CTRL_REMOVED);
        }
        return n;
    }
};

}  // namespace galaxy_test
