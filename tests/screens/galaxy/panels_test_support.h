#pragma once
// Test support for the galaxy screen's map input and object panels: the screen fixture with
// sounds counted on the sound manager's channels, markers in a marker map of the test's own, and
// a fleet of the UI player's ships formed through the model's own operations.
//  - Handlers run as the update runs them, in one frame: no frame between setting the pointer and
//    the call (a frame would let the update hover what lies under the pointer).
//  - TearDown drops the selection, the hover and the test's marker map before the mode is left.
//  - galaxy_test::readers look into the panels' control trees: texts, captions, live children,
//    the stat rows and the buttons.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "galaxy_test_support.h"
#include "game/player.h"
#include "platform/hash.h"
#include "platform/sound.h"
#include "screens/galaxy/galaxy_services.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "world/fleet.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace galaxy_test {

// Readers of the panels' control trees. They sit in a namespace of their own, so that a test
// taking in galaxy_test whole keeps readers of its own under the same names; a test names the
// ones it uses.
namespace readers {

// A label's text; "" for anything else.
inline std::string text_of(const Control *c) {
    const TextLabel *t = text_label_of(c);
    return t && t->text ? t->text : "";
}
// An image control's caption; "" for anything else.
inline std::string caption_of(const Control *c) {
    const ImageControl *im = image_of(c);
    return im && im->caption ? im->caption : "";
}
// An image control's image type; -2 for anything else.
inline int type_of(const Control *c) { return image_of(c) ? image_of(c)->image_type : -2; }

// The panel's children not marked removed.
inline std::vector<Control *> kids(Control *panel) {
    std::vector<Control *> out;
    for (Control *c : panel_of(panel) ? panel_of(panel)->children.items : std::vector<Control *>{})
        if (c && !(c->flags & CTRL_REMOVED)) out.push_back(c);
    return out;
}
// Every live control under the panel, depth first.
inline void walk(Control *panel, const std::function<void(Control *)> &visit) {
    for (Control *c : kids(panel)) visit(c), walk(c, visit);
}
// Whether a label under the panel reads the text.
inline bool shows(Control *panel, const std::string &text) {
    bool found = false;
    walk(panel, [&](Control *c) { found = found || text_of(c) == text; });
    return found;
}
// The value of the stat row with that label, or with an icon of that type; "-" without one.
inline std::string row_value(Control *panel, const std::string &label, int icon_type = -1) {
    std::string value = "-";
    walk(panel, [&](Control *row) {
        Control *v = panel_find_child(row, STAT_ROW_VALUE_ID), *icon = panel_find_child(row, STAT_ROW_ICON_ID);
        const bool match = icon_type < 0 ? text_of(panel_find_child(row, STAT_ROW_LABEL_ID)) == label
                                         : type_of(icon) == icon_type;
        if (v && match) value = text_of(v);
    });
    return value;
}
// The site template whose pictures hold the icon's; -1 for none.
inline int template_of(const Control *icon) {
    for (int32_t t = 0; image_of(icon) && image_of(icon)->sprite && t < SITE_TEMPLATE_COUNT; ++t)
        for (int32_t f = 0; site_template(t)->frames && f < site_template(t)->frame_count; ++f)
            if (site_template(t)->frames[f] == image_of(icon)->sprite) return t;
    return -1;
}
// The first image control under the panel with that caption; nullptr for none.
inline Control *button(Control *panel, const std::string &caption) {
    Control *found = nullptr;
    walk(panel, [&](Control *c) {
        if (!found && image_of(c) && image_of(c)->caption && caption == image_of(c)->caption) found = c;
    });
    return found;
}

}  // namespace readers

class PanelsGame : public GalaxyGame {
protected:
    HashTable<Control> *markers = nullptr, *markers_back = nullptr;
    bool own_centre_ = false;

    void SetUp() override {
        GalaxyGame::SetUp();
        screen()->pick_mode = -1;
        screen()->panel_top = -1;
        ui_test::reset_input();
    }
    void TearDown() override {
        galaxy_select_object(nullptr);
        galaxy_hover_set(nullptr);
        screen()->pick_mode = -1;
        screen()->panel_top = -1;
        screen()->screen_flags.store(0);
        if (markers) screen()->marker_maps[0] = markers_back;
        hash_table_free(markers);
        if (own_centre_) screen()->centre_panel = nullptr;
        GalaxyGame::TearDown();
    }

    static int playing(int sound) {
        const SoundManager *m = sound_get();
        int n = 0;
        for (int i = 0; m && i < m->channel_count; ++i)
            n += m->channels[i].id == sound && (m->channels[i].flags.load() & SOUND_CHANNEL_IN_USE);
        return n;
    }

    static void click_map() {
        ui_test::left_down();
        galaxy_map_click();
        ui_test::next_tick();
        ui_test::left_up();
        ui_test::next_tick();
    }

    Sector *first_sector() {
        for (GameObject *o : game->galaxy_map->objects.items)
            if (Sector *s = sector_of(o)) return s;
        return nullptr;
    }

    // A screen point over no control and no object of either map.
    void quiet_point(int *x, int *y) {
        for (int py = 120; py < 600; py += 13)
            for (int px = 40; px < 900; px += 17) {
                bool empty = !game_control_at_point(game, px, py);
                for (ObjectMap *map : {game->galaxy_map, game->sector_map}) {
                    ObjectFilter f;
                    f.flags = FILTER_POINT | FILTER_EXTRA_HEIGHT;
                    f.extra_height = 4;
                    f.px = map->view_x + px;
                    f.py = map->view_y + py;
                    empty = empty && !map_query_object(map, &f);
                }
                if (empty) {
                    *x = px;
                    *y = py;
                    return;
                }
            }
        ADD_FAILURE() << "no quiet point on the screen";
    }

    // A layer-0 marker for the object whose 24 x 24 icon (400011) stands at (x, y).
    void add_marker(GameObject *object, int x, int y) {
        if (!markers) {
            markers = hash_table_create<Control>(key64_hash, key64_compare);
            markers->key_of = [](const Control *m) -> const void * { return &static_cast<GameObject *>(m->user_data)->id; };
            hash_table_set_free_fn(markers, [](Control *m) { control_release(m); });
            markers_back = screen()->marker_maps[0];
            screen()->marker_maps[0] = markers;
        }
        Control *marker = panel_create_empty();
        marker->user_data = object;
        control_set_size(panel_add_child(marker, 0, 0, GALAXY_ID_MARKER_ICON, 0, panel_create_empty()), 24, 24);
        game_add_control(game, x, y, 0, 0, marker);
        game_flush_new_controls(game);
        hash_table_insert(markers, control_addref(marker));
    }

    // The centre detail panel, shown; made for the test when the screen has none.
    Control *centre_panel() {
        if (!screen()->centre_panel) {
            own_centre_ = true;
            screen()->centre_panel = game_add_control(game, 300, 200, 0, 0, panel_create(200, 50, 0, 0, 0));
            game_flush_new_controls(game);
        }
        control_set_hidden(screen()->centre_panel, true);
        return screen()->centre_panel;
    }

    // `count` of the UI player's ships in the sector of its first, built from its first design
    // when the new game gave fewer.
    std::vector<Ship *> ui_ships_at_home(int count, Sector **home) {
        Player *ui = game->ui_player;
        *home = nullptr;
        for (GameObject *o : ui->objects.items)
            if (Ship *ship = ship_of(o); ship && ship->sector_id && !*home) *home = sector_find(ship->sector_id);
        if (!*home) return {};
        std::vector<Ship *> ships;
        for (int32_t i = 0; i < sector_object_count(*home) && int(ships.size()) < count; ++i)
            if (Ship *ship = ship_of(sector_get_object(*home, i)); ship && ship->owner_id == ui->id) ships.push_back(ship);
        while (int(ships.size()) < count) {
            Ship *ship = ship_of(player_build_ship_from_design(ui, 0));
            if (!ship) break;
            player_commission_ship(ui, ship, nullptr, *home);
            ships.push_back(ship);
        }
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

    // An object panel holding a list (100005) of rows, one per ship, picked as asked.
    Control *panel_with_list(int32_t id, const std::vector<Ship *> &ships, const std::vector<bool> &picked) {
        Control *panel = galaxy_object_panel_open(id);
        Control *list = panel_add_child(panel, 4, 4, GALAXY_LIST_ID, 0, panel_create_empty());
        for (size_t i = 0; i < ships.size(); ++i) {
            Control *row = panel_add_child(list, int(i) * 40, 0, 0, 0, panel_create_empty());
            control_set_widget_state(row, ships[i], nullptr);
            panel_of(row)->value = picked[i] ? GALAXY_ROW_SELECTED : GALAXY_ROW_UNSELECTED;
        }
        game_flush_new_controls(game);
        return panel;
    }
};

}  // namespace galaxy_test
