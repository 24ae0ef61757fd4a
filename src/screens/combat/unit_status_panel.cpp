// The unit status panel: the selected object's name, owner and state, and for the UI player's
// acting ship every order of its turn (system rows with their action buttons, the command bar).
#include <algorithm>
#include <new>
#include <string>

#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "platform/str.h"
#include "screens/combat/combat_local.h"
#include "screens/combat/unit_status_panel.h"
#include "systems/system.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/shot.h"

namespace {

constexpr int BAR_W = 92, BAR_H = 14;
constexpr int SECOND_COLUMN_X = 130;
constexpr int ROW_RIGHT = 242;

// The tooltip kinds of image_control_set_tooltip.
constexpr int TIP_RED_TEXT = 0;
constexpr int TIP_IMAGE = 1;
constexpr int TIP_AP_AND_TURNS = 2;

void size_to_children(Control *panel, int dw, int dh) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + dw, h + dh);
}

void lock_input(Control *ctrl, int style) {
    if (ctrl && (style & UNIT_STATUS_ANIMATE)) control_disable_for(ctrl, UNIT_STATUS_INPUT_LOCK_MS);
}

void boxed(Control *box) {
    panel_set_border(box, true);
    colour_fade_set(panel_border_colour(box), 32, 32, 32);
    panel_set_background(box, true);
    colour_fade_set(panel_background_colour(box), 0, 0, 16);
}

Control *sensor_lock_box() {
    using combat_detail::add_fixed;
    Control *box = panel_create_empty();
    if (!box) return nullptr;
    int w = 0;
    if (Control *image = add_fixed(box, 0, 0, image_control_create(IMAGE_SENSOR_LOCK))) w = image->w;
    Control *lines[2] = {
        add_fixed(box, w + 8, 4, text_label_create_plain(2, 0, 230, 0, "Sensor lock established")),
        add_fixed(box, w + 16, 20, text_label_create(2, 0, 230, 0, "+%i%% to hit", UNIT_STATUS_SENSOR_LOCK_BONUS)),
    };
    for (Control *line : lines)
        if (line) colour_fade_start(text_label_colour(line), 0, 230, 0, 240, 240, 240, 1600, 0,
                                    COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    size_to_children(box, 0, 0);
    return box;
}

Control *retreat_box(const Ship *ship) {
    using combat_detail::add_fixed;
    Control *box = panel_create_empty();
    if (!box) return nullptr;
    boxed(box);
    add_fixed(box, 8, 8, text_label_create_plain(1, 230, 10, 20, "Retreating"));
    add_fixed(box, 18, 24, image_control_create_frame(IMAGE_CLOCK, 1));
    add_fixed(box, 38, 27, text_label_create(2, 230, 230, 0, "%i turn%s", ship->retreat_countdown,
                                             ship->retreat_countdown == 1 ? "" : "s"));
    int w = 0, h = 0;
    panel_layout(box, &w, &h);
    control_set_size(box, UNIT_STATUS_ROW_WIDTH, h + 6);
    return box;
}

Control *icon_of(int type) {
    return image_control_create_frame(type, image_type_frame_count(type) > 1 ? 1 : 0);
}

// An icon at (x, y) with its bar 4 pixels to the right, centred on it.
Control *add_bar(Control *panel, int x, int y, int icon_type, int value, int max) {
    using combat_detail::add_fixed;
    Control *icon = add_fixed(panel, x, y, icon_of(icon_type));
    Control *bar = value_bar_create(BAR_W, BAR_H, value, max);
    if (!bar) return nullptr;
    const int bx = icon ? x + icon->w + 4 : x;
    const int by = icon ? y + icon->h / 2 - BAR_H / 2 : y;
    return panel_add_child(panel, bx, by, 0, 1, bar);
}

// An order that cannot be given now stays in place, greyed and inert, and still takes the pointer,
// so that its tooltip tells why.
void refuse(Control *button) { image_control_set_highlight(button, true); }

void set_ap_tooltip(Control *button, int cost) {
    image_control_set_tooltip(button, true, TIP_IMAGE, IMAGE_ACTION_POINTS, 1, str_format("%i", cost).c_str());
}

Control *add_command(List<Control> *buttons, int image, const char *text, ControlFn fn, int hotkey, void *panel) {
    Control *button = image_button_create(image, 6, text, fn, hotkey, panel);
    if (button) list_append(buttons, button);
    return button;
}

bool enemy_interdictor_present(uint64_t owner) {
    Game *game = game_get();
    ObjectMap *map = game ? game->combat_map : nullptr;
    if (!map) return false;
    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        const Ship *other = ship_of(obj);
        if (other && obj->owner_id != owner && ship_is_interdictor(other)) return true;
    }
    return false;
}

void retreat_button_state(Control *button, Ship *ship) {
    if (enemy_interdictor_present(ship->owner_id)) {
        refuse(button);
        image_control_set_tooltip(button, true, TIP_RED_TEXT, 0, 0, "Enemy warp interdictor active");
        return;
    }
    Result code = RES_OK;
    if (ship_can_jump(ship, &code) == 1) {
        image_control_set_tooltip(button, true, TIP_AP_AND_TURNS, ship->max_ap, ship->retreat_turns, nullptr);
        return;
    }
    refuse(button);
    switch (code) {
    case RES_NO_JUMP_PLACE: image_control_set_tooltip(button, true, TIP_RED_TEXT, 0, 0, "No destinations available"); break;
    case RES_RETREATING: image_control_set_tooltip(button, true, TIP_RED_TEXT, 0, 0, "Already retreating"); break;
    case RES_NO_ACTION_POINTS:
        image_control_set_tooltip(button, true, TIP_AP_AND_TURNS, ship->max_ap, ship->retreat_turns, nullptr);
        break;
    default: image_control_set_tooltip(button, true, TIP_RED_TEXT, 0, 0, "Cannot retreat"); break;
    }
}

Control *command_bar(Control *panel, Ship *ship, int style) {
    List<Control> *buttons = list_create<Control>();
    if (!buttons) return nullptr;
    if (Control *move = add_command(buttons, IMAGE_MOVE, "Move", combat_status_button_move, 'm', panel)) {
        if (ship->mp <= 0) {
            refuse(move);
            image_control_set_tooltip(move, true, TIP_RED_TEXT, 0, 0, "No Movement Points");
        } else {
            image_control_set_tooltip(move, true, TIP_IMAGE, IMAGE_MOVEMENT, 1, "(varies)");
        }
    }
    if (Control *turn = add_command(buttons, IMAGE_TURN, "Turn", combat_status_button_turn, 't', panel)) {
        if (ship->ap < ship->turn_cost) refuse(turn);
        set_ap_tooltip(turn, ship->turn_cost);
    }
    if (Control *scan = add_command(buttons, IMAGE_SCAN, "Scan", combat_status_button_scan, 's', panel)) {
        if ((ship->hull_flags & HULL_FLAG_NO_SCAN) || ship->ap < ship->scan_cost) refuse(scan);
        set_ap_tooltip(scan, ship->scan_cost);
    }
    add_command(buttons, IMAGE_STATUS, "Status", combat_status_button_status, 0, panel);
    if (ship_is_retreating(ship)) {
        add_command(buttons, IMAGE_ABORT_RETREAT, "Abort", combat_status_button_abort, 0, panel);
    } else if (Control *retreat = add_command(buttons, IMAGE_RETREAT, "Retreat", combat_status_button_retreat, 0, panel)) {
        retreat_button_state(retreat, ship);
    }
    add_command(buttons, IMAGE_OK, "End", combat_status_button_end_turn, 'e', panel);

    Control *bar = panel_create(20, 10, 0, 0, 0);
    if (bar) {
        panel_clear_fills(bar);
        control_set_tag(bar, -1);
        panel_layout_controls(bar, buttons, LAYOUT_TWO_COLUMN | ((style & UNIT_STATUS_ANIMATE) ? LAYOUT_ANIMATE : 0));
    }
    list_free(buttons);
    return bar;
}

// The refusal tooltip of an action that cannot be used now.
void refusal_tooltip(Control *button, const System *system, Result why, int cost) {
    switch (why) {
    case RES_NO_ACTION_POINTS: set_ap_tooltip(button, cost); break;
    case RES_OUT_OF_ROUNDS: image_control_set_tooltip(button, true, TIP_RED_TEXT, 0, 0, "Out of rounds"); break;
    case RES_RECHARGING: image_control_set_tooltip(button, true, TIP_RED_TEXT, 0, 0, system->aux_text.c_str()); break;
    default: image_control_set_tooltip(button, true, TIP_RED_TEXT, 0, 0, "Offline"); break;
    }
}

Control *system_row(Control *panel, System *system, int32_t crit, int style) {
    using combat_detail::add_fixed;
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    boxed(row);
    control_set_user_data(row, panel, nullptr);
    control_set_tag(row, crit);
    row->on_hover_enter = combat_weapon_row_hover_enter;
    row->on_hover_leave = combat_weapon_row_hover_leave;

    Control *icon = image_control_create_framed(system->spare);
    int icon_w = 0, icon_h = 0;
    if (icon) {
        if (ColourFade *frame = image_control_border_colour(icon)) colour_fade_set(frame, 20, 20, 20);
        panel_add_child(row, 3, 3, WEAPON_ROW_IMAGE_ID, 1, icon);
        icon_w = icon->w, icon_h = icon->h;
    }
    const int x1 = icon_w + 11;
    Control *last = panel_add_child(row, x1, 7, WEAPON_ROW_LABEL_ID, 1,
                                    text_label_create_plain(1, WEAPON_ROW_LABEL_GREY, WEAPON_ROW_LABEL_GREY,
                                                            WEAPON_ROW_LABEL_GREY, system->name.c_str()));
    if ((system->flags & SYSTEM_FLAG_RECHARGES) && system->recharge_left > 0)
        if (Control *l = add_fixed(row, x1, 23, text_label_create(2, 150, 10, 20, "%s (%i)", system->aux_text.c_str(),
                                                                  system->recharge_left)))
            last = l;

    const int x2 = x1 + (last ? last->w : 0) + 14;
    Control *light = add_fixed(row, x2, 5, image_control_create(IMAGE_SYSTEM_STATUS));
    if (Control *status = add_fixed(row, x2, 9, text_label_create_empty(2))) {
        system_status_line(system, status);
        control_set_position(status, ROW_RIGHT - status->w, status->y);
        if (light) control_set_position(light, status->x - 4 - light->w, light->y);
    }

    // The info rows and the action buttons start below the icon and below the name (and recharge)
    // lines, so that a small or missing icon never puts them over the text.
    const int yr = std::max(icon_h + 9, last ? last->y + last->h + 6 : 0);
    if (List<SystemRow> *info = ui_stat_rows_list_create()) {
        system_info_rows(system, info, 1);
        List<IconRow> *rows = icon_rows_list_create();
        if (rows) {
            for (SystemRow *r : info->items) {
                if (!r) break;
                const std::string text = r->label.empty() ? r->value : r->label + " " + r->value;
                (void)icon_rows_add(rows, r->icon, text.c_str(), 0);
                r->icon = nullptr;
            }
            if (list_count(rows) > 0)
                add_fixed(row, 12, yr,
                          icon_rows_panel_create(rows, 0, ICON_ROWS_VERTICAL | ((style & UNIT_STATUS_ANIMATE) ? ICON_ROWS_ANIMATE : 0)));
            else
                list_free(rows);
        }
        list_free(info);
    }

    List<Control> *buttons = list_create<Control>();
    if (buttons) {
        std::string label;
        for (int32_t index = 0;; ++index) {
            int32_t image = 0, cost = 0, enabled = 0;
            Result why = RES_OK;
            if (system_action_state(system, index, &label, &image, &cost, &enabled, &why) != RES_OK) break;
            Control *button = image_button_create(image, 6, label.c_str(), combat_weapon_row_click, 0, row);
            if (!button) continue;
            control_set_id(button, index);
            if (enabled) {
                if (cost > 0) set_ap_tooltip(button, cost);
            } else {
                refuse(button);
                refusal_tooltip(button, system, why, cost);
            }
            list_append(buttons, button);
        }
        if (list_count(buttons) > 0) {
            if (Control *column = panel_make_with_layout(buttons, (style & UNIT_STATUS_ANIMATE) ? LAYOUT_ANIMATE : 0)) {
                panel_add_child(row, 12, yr, 0, 0, column);
                control_set_position(column, ROW_RIGHT - column->w, column->y);
            }
        }
        list_free(buttons);
    }

    int w = 0, h = 0;
    panel_layout(row, &w, &h);
    control_set_size(row, UNIT_STATUS_ROW_WIDTH, h + 3);
    lock_input(row, style);
    return row;
}

void panel_look(Control *panel) {
    panel_set_shade(panel, 3);
    panel_start_grid(panel, 24, -1, 150);
    colour_fade_start(panel_grid_colour(panel), 0, 0, 16, 0, 0, 40, 2000, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    panel_set_border(panel, true);
    colour_fade_set(panel_border_colour(panel), 64, 90, 0);
    panel_set_background(panel, false);
    control_set_enabled(panel, true);
}

// The ship's bonus icons, pilot, bars; returns the cursor below the second bar row.
int ship_status(Control *panel, Ship *ship, int y, const Control *owner_label, int style) {
    using combat_detail::add_fixed;
    if (List<IconRow> *bonuses = icon_rows_list_create()) {
        if (ship->damage_boost > 0)
            (void)icon_rows_add(bonuses, image_control_create_frame(IMAGE_SKILL_MARKSMANSHIP, 1),
                                str_format("+%i%%", ship->damage_boost).c_str(), 0);
        if (ship->evasion_boost > 0)
            (void)icon_rows_add(bonuses, image_control_create_frame(IMAGE_SKILL_NAVIGATION, 1),
                                str_format("+%i%%", ship->evasion_boost).c_str(), 0);
        if (list_count(bonuses) > 0) {
            Control *icons = icon_rows_panel_create(bonuses, 230, (style & UNIT_STATUS_ANIMATE) ? ICON_ROWS_ANIMATE : 0);
            if (add_fixed(panel, owner_label ? owner_label->x + 3 : 14, y - 2, icons)) y += icons->h + 4;
        } else {
            list_free(bonuses);
        }
    }
    if (ship->pilot) {
        const int rank = ship->pilot->rank;
        Control *icon = image_control_create_frame(rank >= 0 && rank < OFFICER_RANK_COUNT ? officer_rank_icon(rank)
                                                                                          : IMAGE_CADET, 1);
        if (icon) panel_add_child(panel, 0, 0, UNIT_STATUS_RANK_ID, 1, icon);
        if (Control *name = text_label_create_plain(2, 230, 230, 230, ship->pilot->name.c_str()))
            panel_add_child(panel, 0, 0, UNIT_STATUS_PILOT_ID, 1, name);
    }

    const bool immobile = ship->hull_flags & HULL_FLAG_IMMOBILE;
    if (!immobile) {
        const bool boosted = ship->mp > ship->max_mp;
        if (Control *bar = add_bar(panel, 6, y, IMAGE_MOVEMENT, ship->mp, boosted ? ship->mp : ship->max_mp);
            bar && boosted) {
            value_bar_of(bar)->flags &= ~BAR_CAPTION_OF_MAX;
            value_bar_set_caption(bar);
        }
    }
    add_bar(panel, immobile ? 6 : SECOND_COLUMN_X, y, IMAGE_ARMOUR, ship->armour, ship->max_armour);
    y += 24;
    add_bar(panel, 6, y, IMAGE_ACTION_POINTS, ship->ap, ship->max_ap);
    if (ship->pilot_id) add_bar(panel, SECOND_COLUMN_X, y, IMAGE_CREW, ship->crew, ship->max_crew);
    return y;
}

// The retreat box stands below the command bar: the orders keep their places when Retreat is
// given, and Abort takes Retreat's place under the pointer.
void ship_orders(Control *panel, Ship *ship, int y, int style) {
    using combat_detail::add_fixed;
    y += 28;
    bool added = false;
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        System *system = ship_get_crit_system(ship, i);
        if (!system || !system_has_action(system)) continue;
        if (Control *row = system_row(panel, system, i, style)) {
            panel_add_child(panel, 12, y, 0, 0, row);
            y += row->h + 4;
            added = true;
        }
    }
    if (!added) y += 36;
    if (Control *bar = command_bar(panel, ship, style)) {
        panel_add_child(panel, 6, y, 0, 0, bar);
        lock_input(bar, style);
        y += bar->h + 8;
    }
    if (ship_is_retreating(ship)) add_fixed(panel, 12, y, retreat_box(ship));
}

void observer_view(Control *panel, Ship *ship, int y, int style) {
    using combat_detail::add_fixed;
    Game *game = game_get();
    const Player *ui = game ? game->ui_player : nullptr;
    int y2 = y + 36;
    if (ui && ship->owner_id != ui->id && player_knows_object(ui, ship->id)) {
        if (Control *box = add_fixed(panel, 8, y + 24, sensor_lock_box())) y2 = y + 24 + box->h + 8;
    }
    Control *retreat = nullptr;
    if (ship_is_retreating(ship)) {
        if ((retreat = add_fixed(panel, 12, y2, retreat_box(ship)))) y2 += retreat->h + 8;
    }
    Control *status = image_button_create(IMAGE_STATUS, 6, "Status", combat_status_button_status, 0, panel);
    if (!status) return;
    panel_add_child(panel, SECOND_COLUMN_X, y2, 0, 0, status);
    if (retreat) control_set_position(status, retreat->x + retreat->w - status->w, y2);
    lock_input(status, style);
}

constexpr int OWNER_GAP = 12;   // between the owner's name and the commander's rank

void finish(Control *panel, int style) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + 3, h + 3);
    Control *caption = panel_find_child(panel, UNIT_STATUS_CAPTION_ID);
    if (caption) ui_control_resize(caption, w - 1, style & UNIT_STATUS_ANIMATE);
    Control *icon = panel_find_child(panel, UNIT_STATUS_RANK_ID);
    Control *name = panel_find_child(panel, UNIT_STATUS_PILOT_ID);
    if (icon && name && caption) {
        // The commander's rank and name stand at the right end of the owner's line: a corporation
        // name too long to leave them room widens the panel.
        const Control *owner = panel_find_child(panel, UNIT_STATUS_OWNER_ID);
        const int needed = owner ? owner->x + owner->w + OWNER_GAP + icon->w + 8 + name->w + 6 : 0;
        if (needed > panel->w) {
            control_set_size(panel, needed, panel->h);
            ui_control_resize(caption, needed - 4, style & UNIT_STATUS_ANIMATE);
        }
        const int line = caption->y + caption->h + 6;
        control_set_position(name, panel->w - 6 - name->w, line + icon->h / 2 - name->h / 2);
        control_set_position(icon, name->x - 8 - icon->w, line);
    }
    if (Control *targeting = panel_find_child(panel, UNIT_STATUS_TARGETING_ID))
        control_set_position(targeting, panel->w / 2 - targeting->w / 2, targeting->y);
}

}  // namespace

UnitStatusPanelState *unit_status_panel_state(Control *panel) {
    Panel *p = panel_of(panel);
    if (!p || p->command_free != combat_row_data_free) return nullptr;
    return static_cast<UnitStatusPanelState *>(panel_command_slots(panel));
}

void unit_status_panel_fill(Control *panel, GameObject *object, int style) {
    using combat_detail::add_fixed;
    if (!panel_of(panel) || !object) return;

    panel_remove_children(panel);
    panel_look(panel);

    auto *state = new (std::nothrow) UnitStatusPanelState{};
    if (!state) return;
    object_add_ref(object);
    state->object = object;
    panel_set_command_state(panel, state, combat_row_data_free);   // frees the previous record

    int y = 2;
    if (Control *caption = panel_create(20, 10, 0, 0, 0)) {
        control_set_tag(caption, -1);
        ui_button_init(caption, object_get_name(object), nullptr, combat_panel_flash_and_close, panel,
                       ((style & UNIT_STATUS_ANIMATE) ? TITLE_ANIMATE : 0) |
                           ((style & UNIT_STATUS_OWN_SIDE) ? TITLE_CLOSE : 0));
        panel_add_child(panel, 2, 2, UNIT_STATUS_CAPTION_ID, 0, caption);
        y = caption->h + 8;
    }

    Control *owner_label = nullptr;
    Game *game = game_get();
    if (game && game->players && list_count(game->players) > 0 && object->owner_id) {
        if (Player *owner = game_find_player(game, object->owner_id)) {
            owner_label = text_label_create_plain(1, owner->red, owner->green, owner->blue, owner->name.c_str());
            if (owner_label) {
                panel_add_child(panel, 6, y, UNIT_STATUS_OWNER_ID, 1, owner_label);
                y += owner_label->h + 8;
            }
        }
    }

    if (object->kind == OBJECT_SHOT) {
        Shot *shot = static_cast<Shot *>(object);
        if (game && game->ui_player && player_knows_object(game->ui_player, object->id))
            if (Control *box = add_fixed(panel, 8, y, sensor_lock_box())) y += box->h + 8;
        if (shot->source || shot->target)
            if (Control *targeting = combat_targeting_panel_build(shot->source, shot->target))
                panel_add_child(panel, 6, y, UNIT_STATUS_TARGETING_ID, 1, targeting);
    } else if (Ship *ship = ship_of(object)) {
        y = ship_status(panel, ship, y, owner_label, style);
        if (style & UNIT_STATUS_COMMANDS) ship_orders(panel, ship, y, style);
        else if (style & UNIT_STATUS_OBSERVER) observer_view(panel, ship, y, style);
    }
    finish(panel, style);
}

void unit_status_panel_get_pick(Control *panel, int32_t *crit, int32_t *action) {
    const UnitStatusPanelState *state = unit_status_panel_state(panel);
    if (crit) *crit = state ? state->picked_crit : -1;
    if (action) *action = state ? state->picked_action : -1;
}
