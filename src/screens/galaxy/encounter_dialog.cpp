// The encounter choice dialog: title, where the battle is, the battle map, and Retreat or Engage
// for a viewer who is a side. The choice is stored in the encounter with every computer side's
// decision made at the same moment; the dialog then shows them and calls its owner back.
#include "screens/galaxy/encounter_dialog.h"

#include <algorithm>
#include <new>

#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/input.h"
#include "platform/list.h"
#include "platform/log.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel_slots.h"
#include "ui/text_label.h"
#include "world/object.h"
#include "world/sector.h"

namespace {

constexpr int BUTTON_FONT = 6;
constexpr int BUTTON_FADE_MS = 1000, CLOSE_FADE_MS = 350;

void encounter_dialog_state_free(void *data) {
    auto *state = static_cast<EncounterDialogState *>(static_cast<PanelCommandSlots *>(data));
    encounter_release(state->encounter);
    delete state;
}

Control *dialog_of(Control *child) { return child ? static_cast<Control *>(child->user_data) : nullptr; }

void encounter_dialog_call_slot(Control *dialog, int slot) {
    if (encounter_dialog_state(dialog)) panel_call_slot(dialog, slot);
}

// "%s sector" in the owner's colour, or "Deep space".
Control *location_label(const Encounter *enc, GameObject **location) {
    Game *game = game_get();
    GameObject *obj = enc->sector_id && game ? game_find_object(game, enc->sector_id) : nullptr;
    *location = obj && obj->kind == OBJECT_SECTOR ? obj : nullptr;
    if (!*location) return text_label_create_plain(1, 230, 230, 230, "Deep space");
    int32_t r = 250, g = 250, b = 250;
    (void)game_get_player_colors(game, (*location)->owner_id, &r, &g, &b);
    return text_label_create(1, r, g, b, "%s sector", object_get_name(*location));
}

// Retreat and Engage for a viewer who is a side; null when neither is offered.
Control *decision_row(Control *dialog, const Encounter *enc, const GameObject *location, uint64_t viewer_id) {
    List<Control> buttons;
    // A player defending its own sector against a starbase assault can only engage.
    const bool defends_own = location && enc->kind == ENCOUNTER_STARBASE_ASSAULT && location->owner_id == viewer_id;
    if (!defends_own) {
        Control *retreat = image_button_create(ENCOUNTER_IMAGE_RETREAT, BUTTON_FONT, "Retreat",
                                               encounter_dialog_on_retreat, 'r', dialog);
        if (retreat) {
            control_set_id(retreat, ENCOUNTER_DIALOG_RETREAT);
            if (!game_player_has_sector_presence(game_get(), viewer_id)) {
                image_control_set_highlight(retreat, true);
                image_control_set_tooltip(retreat, true, 0, 0, 0, "No destinations available");
            }
            list_append(&buttons, retreat);
        }
    }
    Control *engage = image_button_create(ENCOUNTER_IMAGE_ENGAGE, BUTTON_FONT, "Engage", encounter_dialog_on_engage,
                                          'e', dialog);
    if (engage) {
        control_set_id(engage, ENCOUNTER_DIALOG_ENGAGE);
        list_append(&buttons, engage);
    }
    if (list_count(&buttons) == 0) return nullptr;
    Control *row = panel_create_empty();
    if (row) panel_layout_controls(row, &buttons, LAYOUT_ROW | LAYOUT_ANIMATE);
    return row;
}

void choose(Control *button, int choice) {
    Control *dialog = dialog_of(button);
    EncounterDialogState *state = encounter_dialog_state(dialog);
    if (!state || !state->encounter) return;
    Game *game = game_get();
    encounter_init_ai_side_choices(state->encounter);
    encounter_set_side_choice(state->encounter, choice, game ? game->ui_player_id : 0);
    // The choice is shown, the inputs fade away and the timer runs until the owner takes over.
    battle_map_reveal_choices(panel_find_child(dialog, ENCOUNTER_DIALOG_MAP));
    if (Panel *row = panel_of(panel_find_child(dialog, ENCOUNTER_DIALOG_BUTTONS)))
        for (Control *b : row->children.items) {
            if (!b) break;
            if (b->type != CONTROL_IMAGE || (b->flags & CTRL_REMOVED)) continue;
            image_control_set_highlight(b, true);
            image_control_fade_out(b, BUTTON_FADE_MS);
        }
    if (Control *close = panel_find_child(dialog, ENCOUNTER_DIALOG_CLOSE)) control_fade_out(close, CLOSE_FADE_MS);
    dialog->on_timer = encounter_dialog_on_timer;
    control_set_timer(dialog, ENCOUNTER_DONE_DELAY_MS);
    control_set_enabled(dialog, false);
    encounter_dialog_call_slot(dialog, ENCOUNTER_SLOT_CHOICE_MADE);
}

}  // namespace

EncounterDialogState *encounter_dialog_state(Control *panel) {
    return panel && panel->widget_free == encounter_dialog_state_free
               ? static_cast<EncounterDialogState *>(panel_command_slots(panel))
               : nullptr;
}

void encounter_dialog_build(Control *panel, Encounter *encounter, uint64_t viewer_id) {
    Panel *p = panel_of(panel);
    if (!p || !encounter) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 2);
    panel_set_border(panel, true);
    colour_fade_set(p->border, 40, 10, 3);
    control_set_user_data(panel, encounter, nullptr);
    control_set_enabled(panel, true);
    auto *state = new (std::nothrow) EncounterDialogState;
    if (!state) {
        log_write(LOG_GAME, LOG_ERROR, "Encounter #%llu (%s) - no memory for the choice dialog",
                  (unsigned long long)encounter->id, encounter->name.c_str());
        return;
    }
    state->encounter = encounter;
    encounter_retain(encounter);
    // The slots open the record, so the toolkit's command-slot lookup finds them too.
    panel_set_command_state(panel, state, encounter_dialog_state_free);

    Control *title = panel_add_child(panel, 6, 6, ENCOUNTER_DIALOG_TITLE, 1,
                                     text_label_create_plain(5, 230, 230, 230, "Combat"));
    const int title_h = title ? title->h : 0;
    GameObject *location = nullptr;
    Control *where = panel_add_child(panel, 12, 14 + title_h, 0, 1, location_label(encounter, &location));
    const int map_y = (where ? where->y + where->h : 14 + title_h) + 6;

    // The map draws the ships' battle pictures: the battle's graphics are loaded now rather than
    // at the combat start (a failure is logged there and leaves the markers without pictures).
    (void)encounter_load_graphics(encounter);
    Control *map = panel_create(20, 10, 0, 0, 0);
    if (map) {
        battle_map_build(map, encounter, BATTLE_MAP_GROW_OPEN);
        control_set_user_data(map, panel, nullptr);
        battle_map_set_pick_handler(map);
        panel_add_child(panel, 4, map_y, ENCOUNTER_DIALOG_MAP, 0, map);
    }

    Control *row = nullptr;
    if (encounter_has_side(encounter, viewer_id)) {
        row = decision_row(panel, encounter, location, viewer_id);
        if (row) {
            control_set_layer(row, 1);
            panel_add_child(panel, 0, (map ? map->y + map->h : map_y) + 8, ENCOUNTER_DIALOG_BUTTONS, 0, row);
        }
    }

    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w, h + 6);
    panel_set_scroll(panel, 0, 0);

    Control *close = image_button_create_plain(IMAGE_CLOSE, encounter_dialog_on_close, INPUT_KEY_ESCAPE, panel);
    if (close) panel_add_child(panel, panel->w - close->w - 4, 4, ENCOUNTER_DIALOG_CLOSE, 0, close);

    if (row) {
        control_set_position(row, panel->w - row->w - 4, row->y);
        if (Control *band = panel_create(panel->w - 8, row->h + 4, 10, 2, 10)) {
            control_set_layer(band, -1);
            panel_add_child(panel, 4, row->y - 2, 0, 1, band);
        }
    }
    if (title) {
        if (Control *strip = panel_create(panel->w - title->x - 2, title->h + 4, 20, 0, 0)) {
            control_set_layer(strip, -1);
            panel_add_child(panel, title->x - 2, title->y - 2, 0, 1, strip);
        }
    }
}

Player *encounter_dialog_picked_side(Control *panel) {
    const EncounterDialogState *state = encounter_dialog_state(panel);
    return state ? state->picked_side : nullptr;
}

Encounter *encounter_dialog_encounter(Control *panel) {
    return encounter_dialog_state(panel) ? static_cast<Encounter *>(panel->user_data) : nullptr;
}

void encounter_dialog_on_retreat(Control *button) { choose(button, ENCOUNTER_CHOICE_RETREAT); }
void encounter_dialog_on_engage(Control *button) { choose(button, ENCOUNTER_CHOICE_ENGAGE); }

void encounter_dialog_on_close(Control *button) {
    Control *dialog = dialog_of(button);
    if (!encounter_dialog_state(dialog)) return;
    game_flash_panel_frame(control_root(), dialog);
    control_remove(dialog);
}

void encounter_dialog_on_side_pick(Control *map) {
    Control *dialog = dialog_of(map);
    EncounterDialogState *state = encounter_dialog_state(dialog);
    if (!state) return;
    state->picked_side = battle_map_picked_owner(map);
    encounter_dialog_call_slot(dialog, ENCOUNTER_SLOT_SIDE_PICK);
}

void encounter_dialog_on_timer(Control *dialog) { encounter_dialog_call_slot(dialog, ENCOUNTER_SLOT_DIALOG_DONE); }
