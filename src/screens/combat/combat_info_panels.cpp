// The combat screen's read-only info panels (the Active Ship panel, the shot rows, the shot panel,
// the targeting panel) and the small handlers of the unit status panel's rows and buttons.
#include <algorithm>
#include <new>
#include <string>

#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "platform/str.h"
#include "screens/combat/combat_local.h"
#include "screens/combat/unit_status_panel.h"
#include "systems/system.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "world/object.h"
#include "world/ship.h"
#include "world/shot.h"

namespace {

constexpr int SYSTEM_TYPE_PASS_FOUR = 9;
constexpr int32_t ROW_FADE_MS = 300;

// The system flags the Active Ship panel sorts its rows by.
constexpr uint32_t SORT_DIRECTED = SYSTEM_FLAG_DIRECT_FIRE | SYSTEM_FLAG_DIRECTED;
constexpr uint32_t SORT_ANY_WEAPON_LIKE = 0x41A080;

void grow_by(Control *panel, int dw, int dh) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + dw, h + dh);
}

void owner_colour(uint64_t owner, int32_t *r, int32_t *g, int32_t *b) {
    *r = *g = *b = 230;
    if (Game *g_ = game_get()) (void)game_get_player_colors(g_, owner, r, g, b);
}

Player *find_owner(uint64_t owner) {
    Game *game = game_get();
    return game && owner ? game_find_player(game, owner) : nullptr;
}

Control *sensor_lock_line(int icon_type, bool pulsing) {
    using combat_detail::add_fixed;
    Control *box = panel_create_empty();
    if (!box) return nullptr;
    int x = 0;
    if (Control *icon = add_fixed(box, 0, 0, image_control_create_frame(icon_type, 1))) x = icon->w + 4;
    if (Control *label = add_fixed(box, x, 0, text_label_create_plain(2, 0, 230, 0, "Sensor lock"))) {
        if (pulsing) colour_fade_start(text_label_colour(label), 0, 230, 0, 240, 240, 240, 1600, 0,
                                       COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    }
    grow_by(box, 0, 0);
    return box;
}

// One icon-and-label row of the Active Ship panel's system list.
void add_system_row(Control *panel, int y, Control *icon, const std::string &text, bool damaged) {
    using combat_detail::add_fixed;
    int x = 4;
    if (icon) {
        panel_add_child(panel, 4, y, 0, 1, icon);
        x = 4 + icon->w + 4;
    }
    add_fixed(panel, x, y, text_label_create_plain(2, damaged ? 230 : 200, damaged ? 230 : 255, damaged ? 20 : 200,
                                                   text.c_str()));
}

int next_y(Control *panel) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    return h + 6;
}

void call_slot(Control *button, int slot) {
    panel_call_slot(button ? static_cast<Control *>(button->user_data) : nullptr, slot);
}

// The shades are taken from the label's own grey, not from its current colour: a row hovered again
// and again looks the same each time instead of darkening towards black.
void fade_label_by(Control *label, int dr, int dg, int db) {
    ColourFade *c = text_label_colour(label);
    if (!c) return;
    const int grey = WEAPON_ROW_LABEL_GREY;
    colour_fade_to(c, std::clamp(grey + dr, 0, 255), std::clamp(grey + dg, 0, 255), std::clamp(grey + db, 0, 255),
                   ROW_FADE_MS, 0);
}

// The origin or target box of the targeting panel.
Control *targeting_box(GameObject *object, const char *heading, int picture_id, int name_id) {
    using combat_detail::add_fixed;
    Control *box = panel_create_empty();
    if (!box) return nullptr;
    int y = 4;
    if (Control *label = add_fixed(box, 12, y, text_label_create_plain(1, 230, 230, 230, heading))) y += label->h + 12;
    const int32_t picture = object_get_picture(object);
    if (picture >= 0) {
        if (Control *image = image_control_create_frame(IMAGE_TYPE_GIVEN, 0)) {
            Sprite *sprite = object->frames && picture < object->frame_count ? object->frames[picture] : nullptr;
            if (!sprite) sprite = image_type_frame(picture, 0);
            if (sprite) image_control_set_frames(image, &sprite, 1);
            panel_add_child(box, 12, y, picture_id, 1, image);
            y += image->h + 6;
        }
    }
    int32_t r, g, b;
    owner_colour(object->owner_id, &r, &g, &b);
    panel_add_child(box, 12, y, name_id, 1, text_label_create_plain(2, r, g, b, object_get_name(object)));
    grow_by(box, 0, 4);
    if (Control *image = panel_find_child(box, picture_id)) control_set_position(image, box->w / 2 - image->w / 2, image->y);
    return box;
}

}  // namespace

// ---- The Active Ship panel ----------------------------------------------------------------------

void combat_active_ship_panel_fill(Control *panel, GameObject *object, int style) {
    using combat_detail::add_fixed;
    Panel *p = panel_of(panel);
    Ship *ship = ship_of(object);
    if (!p || !ship) return;
    panel_remove_children(panel);
    panel_set_background(panel, true);
    colour_fade_set(panel_background_colour(panel), 100, 100, 100);
    object_add_ref(object);
    control_set_user_data(panel, object, [](void *o) { object_release(static_cast<GameObject *>(o)); });

    int y = 4;
    if (Control *name = add_fixed(panel, 4, y, text_label_create_plain(6, 0, 230, 0, object_get_name(object))))
        y += name->h;
    if (style & INFO_STYLE_ACTIVE)
        if (Control *l = add_fixed(panel, 4, y, text_label_create_plain(2, 230, 230, 230, "Active Ship"))) y += l->h;
    if (style & INFO_STYLE_MARKED)
        if (Control *l = add_fixed(panel, 4, y, text_label_create_plain(2, 214, 20, 40, "Retreating"))) y += l->h;

    List<SystemRow> *rows = ui_stat_rows_list_create();
    if (rows) {
        (void)ui_stat_rows_add_row(rows, image_control_create_frame(IMAGE_MASS, 1), "Mass",
                                   str_format("%i KT", ship->mass).c_str(), 0);
        (void)ui_stat_rows_add_row(rows, image_control_create_frame(IMAGE_POWER, 1), "Power",
                                   str_format("%i TW", ship->capacity_used).c_str(), 0);
        if (ship->pilot_id)
            (void)ui_stat_rows_add_row(rows, image_control_create_frame(IMAGE_CREW, 1), "Crew",
                                       str_format("%i", ship->crew).c_str(), 0);
        if (Control *table = add_fixed(panel, 4, y, ui_stat_rows_create(rows, 0))) y += table->h;
    }

    Game *game = game_get();
    if (object_is_snapshot(object) && game && game->ui_player && object->owner_id != game->ui_player->id &&
        player_knows_object(game->ui_player, object->id)) {
        if (Control *lock = add_fixed(panel, 4, y + 4, sensor_lock_line(IMAGE_SKILL_SENSORS, true))) y += lock->h + 4;
    }
    if (object_is_snapshot(object) && !ship_is_detailed_copy(ship)) {   // never scanned
        grow_by(panel, 0, 4);
        return;
    }

    // Four passes: directed weapons with their side, other weapons, plain systems, then type 9.
    for (int pass = 1; pass <= 4; ++pass) {
        for (int32_t i = 0; i < ship->crit_count; ++i) {
            System *system = ship_get_crit_system(ship, i);
            if (!system || (system->status & SYSTEM_STATUS_OFFLINE)) continue;
            const uint32_t f = system->flags;
            const bool weapon = (f & SYSTEM_FLAG_OFFENSIVE) && !(f & SYSTEM_FLAG_ARMOUR_MOUNT);
            const bool damaged = system->status & SYSTEM_STATUS_DAMAGED;
            std::string text = system->name;
            Control *icon = nullptr;
            if (pass == 1 && weapon && (f & SORT_DIRECTED)) {
                text = str_format("%s (%s)", system->name.c_str(), ship_crit_direction_name(ship->crits[i].direction));
                icon = image_control_create_frame(system->spare, 0);
            } else if (pass == 2 && weapon && !(f & SORT_DIRECTED)) {
                icon = image_control_create_frame(system->spare, 0);
            } else if ((pass == 3 && !(f & SORT_ANY_WEAPON_LIKE)) ||
                       (pass == 4 && system->type == SYSTEM_TYPE_PASS_FOUR && !(f & SYSTEM_FLAG_ARMOUR_MOUNT))) {
                icon = system->spare == IMAGE_TYPE_GIVEN ? image_control_create_frame(system->spare, 0)
                                                         : image_control_create(system->spare);
            } else {
                continue;
            }
            add_system_row(panel, y, icon, text, damaged);
            y = next_y(panel) - 6 + 2;
        }
    }
    grow_by(panel, 0, 4);
}

// ---- Shots ---------------------------------------------------------------------------------------

void combat_shot_rows_fill(Control *panel, GameObject *shot, int style) {
    using combat_detail::add_fixed;
    if (!panel_of(panel) || !shot) return;
    panel_remove_children(panel);
    panel_set_background(panel, true);
    colour_fade_set(panel_background_colour(panel), 100, 100, 100);
    object_add_ref(shot);
    control_set_user_data(panel, shot, [](void *o) { object_release(static_cast<GameObject *>(o)); });

    int y = 4;
    auto add_line = [&](Control *c) {
        if (add_fixed(panel, 4, y, c)) y += c->h + 6;
    };
    add_line(text_label_create_plain(6, 0, 230, 0, object_get_name(shot)));
    if (Player *owner = find_owner(shot->owner_id)) {
        int32_t r, g, b;
        owner_colour(owner->id, &r, &g, &b);
        add_line(text_label_create_plain(1, r, g, b, owner->name.c_str()));
    }
    if (style & INFO_STYLE_ACTIVE) add_line(text_label_create_plain(2, 230, 230, 230, "Active"));
    if (style & INFO_STYLE_MARKED) add_line(sensor_lock_line(IMAGE_SKILL_SENSORS, false));
    grow_by(panel, 4, 4);
}

void combat_shot_panel_fill(Control *panel, GameObject *object, int style) {
    using combat_detail::add_fixed;
    Shot *shot = object && object->kind == OBJECT_SHOT ? static_cast<Shot *>(object) : nullptr;
    if (!panel_of(panel) || !shot) return;
    panel_remove_children(panel);
    object_add_ref(object);
    control_set_user_data(panel, object, [](void *o) { object_release(static_cast<GameObject *>(o)); });
    if (auto *slots = new (std::nothrow) PanelCommandSlots{})   // SHOT_PANEL_SLOT_BACK
        panel_set_command_state(panel, slots, [](void *state) { delete static_cast<PanelCommandSlots *>(state); });

    const int header_style = (style & INFO_STYLE_ACTIVE) ? ((style & INFO_STYLE_A) ? 3 : 2) : (style & INFO_STYLE_A);
    Control *header = image_button_create(IMAGE_TYPE_GIVEN, 6, object_get_name(object), combat_panel_flash_and_back, 0,
                                          panel);
    int y = 2;
    if (header) {
        image_control_select_entry(header, header_style);
        panel_add_child(panel, 2, 2, SHOT_PANEL_HEADER_ID, 0, header);
        y = header->y + header->h + 4;
    }
    if (Player *owner = find_owner(object->owner_id)) {
        int32_t r, g, b;
        owner_colour(owner->id, &r, &g, &b);
        if (Control *l = add_fixed(panel, 4, y, text_label_create_plain(1, r, g, b, owner->name.c_str()))) y += l->h + 4;
    }
    if (style & INFO_STYLE_MARKED) {
        if (List<SystemRow> *rows = ui_stat_rows_list_create()) {
            const int32_t damage = shot_damage(shot);
            (void)ui_stat_rows_add_row(rows, image_control_create_frame(IMAGE_DAMAGE, 1), "Damage Rating",
                                       str_format("%i", damage).c_str(), damage < shot->damage ? 1 : 0);
            (void)ui_stat_rows_add_row(rows, image_control_create_frame(IMAGE_ARMOUR, 1), "Armor Rating",
                                       str_format("%i", shot->hit_points).c_str(),
                                       shot->hit_points < shot->max_hit_points ? 1 : 0);
            if (Control *table = add_fixed(panel, 4, y, ui_stat_rows_create(rows, 0))) y += table->h + 4;
        }
    }
    if (shot->source || shot->target) {
        Control *targeting = combat_targeting_panel_build(shot->source, shot->target);
        if (targeting) {
            // The embedded copy keeps the shot panel's own child ids.
            const int ids[][2] = {{TARGETING_PICTURE_ID, SHOT_TARGETING_PICTURE_ID},
                                  {TARGETING_NAME_ID, SHOT_TARGETING_NAME_ID}};
            for (Control *box : panel_of(targeting)->children.items) {
                if (!box) break;
                if (box->id == TARGETING_BOX_ID) box->id = SHOT_TARGETING_BOX_ID;
                for (const auto &pair : ids)
                    if (Control *c = panel_find_child(box, pair[0])) c->id = pair[1];
            }
            panel_add_child(panel, 4, y, 0, 1, targeting);
        }
    }
    grow_by(panel, 4, 2);
    if (header) control_set_size(header, panel->w - 4, header->h);
}

Control *combat_targeting_panel_build(GameObject *origin, GameObject *target) {
    Control *panel = panel_create(20, 10, 4, 4, 4);
    if (!panel) return nullptr;
    panel_set_border(panel, true);
    colour_fade_start(panel_border_colour(panel), 20, 0, 0, 50, 0, 0, 1000, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    int x = 12;
    if (origin) {
        if (Control *box = targeting_box(origin, "Origin", TARGETING_PICTURE_ID, TARGETING_NAME_ID)) {
            panel_add_child(panel, 12, 4, TARGETING_BOX_ID, 1, box);
            x = box->w + 20;
        }
    }
    if (target) {
        if (Control *box = targeting_box(target, "Targeting", TARGETING_PICTURE_ID, TARGETING_NAME_ID))
            panel_add_child(panel, x, 4, TARGETING_BOX_ID, 1, box);
    }
    grow_by(panel, 0, 4);
    return panel;
}

// ---- The unit status panel's handlers -----------------------------------------------------------

void combat_weapon_row_hover_enter(Control *row) {
    fade_label_by(panel_find_child(row, WEAPON_ROW_LABEL_ID), -66, -26, -66);
    if (ColourFade *bg = panel_background_colour(row)) colour_fade_to(bg, 34, 34, 34, ROW_FADE_MS, 0);
}

void combat_weapon_row_hover_leave(Control *row) {
    fade_label_by(panel_find_child(row, WEAPON_ROW_LABEL_ID), -26, -26, -26);
    if (ColourFade *bg = panel_background_colour(row)) colour_fade_to(bg, 90, 87, 5, ROW_FADE_MS, 0);
}

void combat_weapon_row_toggle(Control *row) {
    Control *image = panel_find_child(row, WEAPON_ROW_IMAGE_ID);
    ImageControl *img = image_of(image);
    if (!img || img->frame_count < 2) return;
    image_control_set_frame(image, img->frame == 0 ? 1 : 0);
}

// Pressed: an action button of a system row (user data the row, id the action index), or a row
// itself (user data the panel).
void combat_weapon_row_click(Control *pressed) {
    if (!pressed) return;
    Control *row = pressed;
    int32_t action = -1;
    Control *owner = static_cast<Control *>(pressed->user_data);
    if (owner && !unit_status_panel_state(owner)) {   // a button of a row
        row = owner;
        action = pressed->id;
    }
    Control *panel = static_cast<Control *>(row->user_data);
    UnitStatusPanelState *state = unit_status_panel_state(panel);
    if (!state) return;
    state->picked_crit = row->tag;
    state->picked_action = action;
    state->clicked_row_id = pressed->id;
    combat_weapon_row_toggle(row);   // the picked system's icon shows it taken up
    panel_call_slot(panel, UNIT_STATUS_SLOT_SYSTEM);
}

void combat_status_button_move(Control *button) { call_slot(button, UNIT_STATUS_SLOT_MOVE); }
void combat_status_button_turn(Control *button) { call_slot(button, UNIT_STATUS_SLOT_TURN); }
void combat_status_button_scan(Control *button) { call_slot(button, UNIT_STATUS_SLOT_SCAN); }
void combat_status_button_end_turn(Control *button) { call_slot(button, UNIT_STATUS_SLOT_END_TURN); }
void combat_status_button_status(Control *button) { call_slot(button, UNIT_STATUS_SLOT_STATUS); }
void combat_status_button_retreat(Control *button) { call_slot(button, UNIT_STATUS_SLOT_RETREAT); }
void combat_status_button_abort(Control *button) { call_slot(button, UNIT_STATUS_SLOT_ABORT); }

namespace {
void flash_and_remove(Control *button) {
    Control *panel = button ? static_cast<Control *>(button->user_data) : nullptr;
    if (!panel) return;
    game_flash_panel_frame(control_root(), panel);
    control_remove(panel);
    panel_call_slot(panel, 0);   // UNIT_STATUS_SLOT_CLOSE or SHOT_PANEL_SLOT_BACK
}
}  // namespace

void combat_panel_flash_and_close(Control *button) { flash_and_remove(button); }
void combat_panel_flash_and_back(Control *button) { flash_and_remove(button); }

void combat_row_data_free(void *data) {
    auto *state = static_cast<UnitStatusPanelState *>(data);
    if (!state) return;
    if (state->object) object_release(state->object);
    delete state;
}
