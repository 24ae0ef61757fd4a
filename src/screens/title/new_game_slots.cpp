// The setup screen's five player slots: who plays in which colour, the colour picker that swaps
// two slots' colours, the record's statistics on hover, and the player selection on a click.
#include <cctype>

#include "game/records.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "screens/title/new_game.h"
#include "screens/title/new_game_internal.h"
#include "screens/title/player_select.h"
#include "screens/title/player_stats.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"

namespace {

constexpr int SWATCH_SIZE = 22;

struct Rgb {
    int r, g, b;
};

Rgb slot_rgb(const NewGameState *state, int slot) {
    const ColourFade &c = state->colours[slot];
    return {c.r, c.g, c.b};
}

Rgb two_thirds(Rgb c) { return {c.r * 2 / 3, c.g * 2 / 3, c.b * 2 / 3}; }

bool valid_slot(int slot) { return slot >= 0 && slot < GAME_SLOT_COUNT; }

int value_of(const Control *ctrl) {
    const Panel *p = panel_of(ctrl);
    return p ? p->value : -1;
}

Control *slot_panel(NewGameState *state, int slot) { return list_get(state->slots, slot); }

Control *name_box_of(NewGameState *state, int slot) {
    Control *panel = slot_panel(state, slot);
    return panel ? panel_find_child(panel, NEW_GAME_NAME_BOX_ID) : nullptr;
}

int computer_slots(Game *game, const NewGameState *state) {
    int count = 0;
    for (uint64_t id : state->record_ids) {
        const PlayerRecord *record = records_find(game, id);
        if (record && record->kind == 1) ++count;
    }
    return count;
}

// A swatch's fill and border: the colour at two thirds, the border lighting up under the pointer.
void paint_swatch(Control *swatch, Rgb colour) {
    const Rgb c = two_thirds(colour);
    panel_set_background(swatch, true);
    colour_fade_set(panel_background_colour(swatch), c.r, c.g, c.b);
    panel_set_border_hover(swatch, c.r, c.g, c.b, 200, 200, 200, 130);
}

// Slot `slot` takes colour `to`: its swatch and its name fade there.
void recolour_slot(NewGameState *state, int slot, Rgb to) {
    Control *panel = slot_panel(state, slot);
    if (!panel) return;
    const Rgb c = two_thirds(to);
    if (Control *swatch = panel_find_child(panel, NEW_GAME_SWATCH_ID)) {
        colour_fade_to(panel_background_colour(swatch), c.r, c.g, c.b, 200, 0);
        panel_set_border_hover(swatch, c.r, c.g, c.b, 200, 200, 200, 130);
    }
    if (Control *box = panel_find_child(panel, NEW_GAME_NAME_BOX_ID))
        if (Control *name = panel_find_child(box, NEW_GAME_LABEL_ID))
            colour_fade_to(text_label_colour(name), to.r, to.g, to.b, 200, 0);
}

void remove_picker(Control *screen) {
    if (Control *picker = panel_find_child(screen, NEW_GAME_PICKER_ID)) control_remove(picker);
}

// The game menu panel the screen lives in comes back to life after the player selection.
void restore_owner(Control *screen) {
    Control *owner = screen ? static_cast<Control *>(screen->user_data) : nullptr;
    Panel *p = panel_of(owner);
    if (!p) return;
    control_set_enabled(owner, true);
    p->flags &= ~PANEL_DIM;
    panel_enable_glow(owner);
}

// What a name box belongs to: its slot panel, the screen panel, the screen's state and the slot's
// index; state null when any is missing or the index is out of range.
struct SlotOfBox {
    Control      *slot = nullptr, *screen = nullptr;
    NewGameState *state = nullptr;
    int           index = -1;
};

SlotOfBox slot_of_box(Control *name_box) {
    SlotOfBox at;
    at.slot = name_box ? static_cast<Control *>(name_box->user_data) : nullptr;
    at.screen = at.slot ? static_cast<Control *>(at.slot->user_data) : nullptr;
    at.index = value_of(name_box);
    NewGameState *state = new_game_state(at.screen);
    if (state && game_get() && valid_slot(at.index)) at.state = state;
    return at;
}

}  // namespace

bool new_game_name_is_blank(const char *name) {
    for (const char *c = name; c && *c; ++c)
        if (!std::isspace(static_cast<unsigned char>(*c))) return false;
    return true;
}

const char *new_game_start_blocker(Game *game, const NewGameState *state) {
    if (computer_slots(game, state) < 1) return NEW_GAME_NEED_AI;
    if (state->record_ids[0] == 0 && new_game_name_is_blank(state->typed_name.c_str())) return NEW_GAME_NEED_NAME;
    if (state->record_ids[0] != 0 && !records_find(game, state->record_ids[0])) return NEW_GAME_NEED_NAME;
    return nullptr;
}

void new_game_slots_drop_missing(Control *screen) {
    NewGameState *state = new_game_state(screen);
    Game *game = game_get();
    if (!state || !game) return;
    for (int k = 0; k < GAME_SLOT_COUNT; ++k) {
        uint64_t &id = state->record_ids[k];
        if (id == 0 || records_find(game, id)) continue;
        // A record deleted while the slot showed it: the human slot falls back to the default
        // human record (a new name when that is gone too), a computer slot is left empty.
        id = k == 0 && records_find(game, RECORD_HUMAN_DEFAULT_ID) ? RECORD_HUMAN_DEFAULT_ID : 0;
        if (Control *box = name_box_of(state, k)) {
            panel_find_child_fade_out(box, NEW_GAME_LABEL_ID, 200);
            panel_find_child_fade_out(box, NEW_GAME_SECOND_TEXT_ID, 200);
            new_game_slot_add_labels(box, state, k);
        }
    }
    new_game_refresh_start(screen);
}

void new_game_refresh_start(Control *screen) {
    NewGameState *state = new_game_state(screen);
    Game *game = game_get();
    Control *start = panel_find_child(panel_find_child(screen, NEW_GAME_BUTTONS_ID), NEW_GAME_START_ID);
    if (!state || !game || !start) return;
    if (const char *reason = new_game_start_blocker(game, state)) {
        image_control_set_highlight(start, true);
        image_control_set_tooltip(start, true, 0, 0, 0, reason);
        return;
    }
    const ImageControl *im = image_of(start);
    if (!im || !(im->options & (IMG_HIGHLIGHTED | IMG_TOOLTIP))) return;   // usable already
    image_control_set_highlight(start, false);
    image_control_set_tooltip(start, false, 0, 0, 0, nullptr);
}

void new_game_slot_add_labels(Control *name_box, NewGameState *state, int slot) {
    const PlayerRecord *record = records_find(game_get(), state->record_ids[slot]);
    const Rgb c = slot_rgb(state, slot);
    if (record && record->kind != 0) {
        panel_add_child(name_box, 8, 3, NEW_GAME_LABEL_ID, 1, text_label_create_plain(1, c.r, c.g, c.b, record->name.c_str()));
        panel_add_child(name_box, 8, 18, NEW_GAME_SECOND_TEXT_ID, 1,
                        text_label_create_plain(2, 220, 240, 220, record->text.c_str()));
    } else if (record) {
        panel_add_child(name_box, 8, 5, NEW_GAME_LABEL_ID, 1, text_label_create_plain(1, c.r, c.g, c.b, record->name.c_str()));
    } else if (slot == 0) {
        panel_add_child(name_box, 8, 3, NEW_GAME_LABEL_ID, 1,
                        text_label_create_plain(1, c.r, c.g, c.b, state->typed_name.c_str()));
    } else {
        panel_add_child(name_box, 8, 3, NEW_GAME_LABEL_ID, 1, text_label_create_plain(1, 130, 130, 130, "(No player)"));
    }
}

Control *new_game_slot_create(Control *screen, NewGameState *state, int slot) {
    Control *panel = panel_create_empty();
    if (!panel) return nullptr;
    control_set_user_data(panel, screen, nullptr);
    panel_add_child(panel, slot == 0 ? 8 : 11, 7, NEW_GAME_ICON_ID, 1,
                    image_control_create(slot == 0 ? IMAGE_HUMAN : IMAGE_COMPUTER));

    if (Control *swatch = panel_create_empty()) {
        control_set_size(swatch, SWATCH_SIZE, SWATCH_SIZE);
        paint_swatch(swatch, slot_rgb(state, slot));
        panel_of(swatch)->value = slot;
        control_set_user_data(swatch, screen, nullptr);
        swatch->on_click = new_game_slot_on_colour_click;
        panel_add_child(panel, 38, 7, NEW_GAME_SWATCH_ID, 0, swatch);
    }

    if (Control *box = panel_create_empty()) {
        panel_set_border_hover(box, 0, 0, 0, 20, 130, 20, 130);
        panel_set_background_hover(box, 0, 0, 0, 0, 10, 60, 130);
        panel_of(box)->value = slot;
        control_set_user_data(box, panel, nullptr);
        box->on_click = new_game_slot_on_click;
        box->on_hover_enter = new_game_slot_on_hover;
        box->on_hover_leave = new_game_slot_on_hover_leave;
        new_game_slot_add_labels(box, state, slot);
        int w = 0, h = 0;
        panel_layout(box, &w, &h);
        control_set_size(box, w + 8, std::max(h + 3, 30));
        panel_add_child(panel, 64, 4, NEW_GAME_NAME_BOX_ID, 0, box);
    }
    panel_relayout(panel);
    panel_grow(panel, 8, 4);
    return panel;
}

void new_game_slot_on_colour_click(Control *swatch) {
    Control *screen = swatch ? static_cast<Control *>(swatch->user_data) : nullptr;
    NewGameState *state = new_game_state(screen);
    const int s = value_of(swatch);
    if (!state || !valid_slot(s)) return;
    remove_picker(screen);
    Control *picker = panel_create_empty();
    if (!picker) return;
    panel_set_border(picker, true);
    colour_fade_set(panel_border_colour(picker), 20, 220, 20);
    panel_set_background(picker, true);
    colour_fade_set(panel_background_colour(picker), 4, 4, 4);
    panel_of(picker)->value = s;
    control_set_user_data(picker, screen, nullptr);
    panel_add_child(screen, 0, 0, NEW_GAME_PICKER_ID, 0, picker);

    // The other four slots in order, the slot's own colour last.
    int x = 3;
    for (int i = 0; i < GAME_SLOT_COUNT; ++i) {
        const int k = i < GAME_SLOT_COUNT - 1 ? (i < s ? i : i + 1) : s;
        Control *choice = panel_create_empty();
        if (!choice) continue;
        control_set_size(choice, SWATCH_SIZE, SWATCH_SIZE);
        paint_swatch(choice, slot_rgb(state, k));
        control_disable_for(choice, 180);
        panel_of(choice)->value = k;
        control_set_user_data(choice, picker, nullptr);
        choice->on_click = new_game_slot_on_colour_pick;
        panel_add_child(picker, x, 3, 0, 0, choice);
        x += SWATCH_SIZE + 5;
    }
    panel_relayout(picker);
    panel_grow(picker, 3, 3);

    // Right edges lined up with the clicked swatch, 4 px above it; it opens leftwards.
    int sx = 0, sy = 0, px = 0, py = 0;
    control_get_screen_position(swatch, &sx, &sy);
    control_get_screen_position(screen, &px, &py);
    control_set_position(picker, sx + swatch->w - picker->w - px, sy - 4 - py);
    const int full_w = picker->w;
    panel_set_anchor_mode(picker, PANEL_ANCHOR_RIGHT);
    control_set_size(picker, 18, picker->h);
    panel_set_draw_children_while_resizing(picker, true);
    panel_resize_to(picker, full_w, picker->h, 180);
}

void new_game_slot_on_colour_pick(Control *swatch) {
    Control *picker = swatch ? static_cast<Control *>(swatch->user_data) : nullptr;
    Control *screen = picker ? static_cast<Control *>(picker->user_data) : nullptr;
    NewGameState *state = new_game_state(screen);
    const int a = value_of(picker), b = value_of(swatch);
    if (!state || !valid_slot(a) || !valid_slot(b)) return;
    if (a != b) {
        const Rgb colour_a = slot_rgb(state, a), colour_b = slot_rgb(state, b);
        recolour_slot(state, a, colour_b);
        recolour_slot(state, b, colour_a);
        colour_fade_set(&state->colours[a], colour_b.r, colour_b.g, colour_b.b);
        colour_fade_set(&state->colours[b], colour_a.r, colour_a.g, colour_a.b);
    }
    panel_fade_out_recursive(picker, 200);
}

void new_game_slot_on_hover(Control *name_box) {
    const SlotOfBox at = slot_of_box(name_box);
    if (!at.state) return;
    Control *slot = at.slot;
    NewGameState *state = at.state;
    Game *game = game_get();
    const int s = at.index;
    const PlayerRecord *record = records_find(game, state->record_ids[s]);
    Control *popup = panel_create_empty();
    if (!popup) return;
    panel_set_border(popup, true);
    colour_fade_set(panel_border_colour(popup), 20, 20, 20);
    panel_set_background(popup, true);
    colour_fade_set(panel_background_colour(popup), 0, 0, 0);
    if (record) {
        Control *name = text_label_create_plain(5, 220, 255, 220, record->name.c_str());
        panel_add_child(popup, 8, 4, 0, 1, name);
        Control *kind = text_label_create_plain(1, 230, 230, 230, record->kind != 0 ? "AI player" : "Human player");
        const int kind_y = (name ? name->h : 0) + 8;
        panel_add_child(popup, 10, kind_y, 0, 1, kind);
        panel_add_child(popup, 12, kind_y + (kind ? kind->h : 0) + 6, 0, 1,
                        ui_stat_rows_create(player_stat_rows(record), 0));
    } else {
        panel_add_child(popup, 8, 4, 0, 1,
                        text_label_create_plain(1, 230, 230, 230, s == 0 ? "New player" : "Click to add a player"));
    }
    panel_relayout(popup);
    panel_grow(popup, 8, 4);
    if (game_open_popup(game, popup, slot, PLACE_RIGHT_OF) != RES_OK) control_remove(popup);
}

void new_game_slot_on_hover_leave(Control *) {
    if (Game *game = game_get()) game_close_popup(game);
}

void new_game_slot_on_click(Control *name_box) {
    const SlotOfBox at = slot_of_box(name_box);
    if (!at.state) return;
    Control *slot = at.slot, *screen = at.screen;
    NewGameState *state = at.state;
    Game *game = game_get();
    const int s = at.index;
    remove_picker(screen);
    Control *owner = static_cast<Control *>(screen->user_data);
    int ox = 0, oy = 0;
    if (owner) control_get_screen_position(owner, &ox, &oy);
    Control *dialog = player_select_create(state->record_ids, state->colours, s, s == 0 ? PLAYER_SELECT_HUMAN : 0);
    PlayerSelectState *select = player_select_state(dialog);
    if (!select) {
        if (dialog) control_destroy(dialog);
        return;
    }
    game_add_control(game, ox + slot->w / 2, oy + ((owner ? owner->h : 0) - dialog->h) / 2, CONTROL_ID_PLAYER_SELECT,
                     0, dialog);
    select->on_closed = new_game_slot_on_selection_closed;
    select->on_chosen = new_game_slot_on_player_chosen;
    control_set_user_data(dialog, screen, nullptr);
    panel_of(dialog)->value = s;
    panel_enable_glow(dialog);
    colour_fade_to(panel_glow_colour(dialog), 40, 170, 40, 200, 0);
    if (panel_of(owner)) {
        control_set_enabled(owner, false);
        panel_set_dim(owner, 3);
    }
}

void new_game_slot_on_player_chosen(Control *dialog) {
    Control *screen = dialog ? static_cast<Control *>(dialog->user_data) : nullptr;
    NewGameState *state = new_game_state(screen);
    const PlayerSelectState *select = player_select_state(dialog);
    const int s = value_of(dialog);
    if (!state || !select || !valid_slot(s)) return;
    const uint64_t id = player_select_selected_id(dialog);
    state->record_ids[s] = id;
    // A new human player's name travels to Start this way.
    if (s == 0 && id == 0 && select->name_entered) state->typed_name = select->typed_name;
    if (Control *box = name_box_of(state, s)) {
        panel_find_child_fade_out(box, NEW_GAME_LABEL_ID, 200);
        panel_find_child_fade_out(box, NEW_GAME_SECOND_TEXT_ID, 200);
        new_game_slot_add_labels(box, state, s);
    }
    new_game_slots_drop_missing(screen);   // another slot's record may have been deleted
    if (Game *game = game_get()) game_flash_panel_frame(game, dialog);
    control_remove(dialog);
    restore_owner(screen);
}

void new_game_slot_on_selection_closed(Control *dialog) {
    Control *screen = dialog ? static_cast<Control *>(dialog->user_data) : nullptr;
    new_game_slots_drop_missing(screen);   // records may have been deleted in the dialog
    restore_owner(screen);
}
