// The combat screen's command bar and the side panels it switches (game menu, minimap, turn-order
// strip, location; one at a time), the strip's pick and scroll bar, the message box beside the
// pointer, and a game load started from the combat menu.
#include <algorithm>
#include <cstdarg>

#include "game/game.h"
#include "game/save.h"
#include "platform/colour_fade.h"
#include "platform/graphics.h"
#include "screens/combat/combat_panels.h"
#include "screens/combat/combat_screen.h"
#include "screens/title/game_menu.h"
#include "ui/app_mode.h"
#include "ui/control.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "ui/scroll.h"
#include "ui/scroll_list.h"
#include "ui/text_label.h"
#include "views/minimap_panel.h"
#include "world/object.h"
#include "world/object_map.h"

namespace {

constexpr int BAR_MARGIN = 4;
constexpr int BAR_FIRST_GAP = 10;    // after the menu button
constexpr int BAR_GAP = 6;
constexpr int BAR_MOVE_MS = 125;
constexpr int PANEL_START_WIDTH = 8;
constexpr int SIDE_PANEL_GROW_MS = 100;
constexpr int GLOW_R = 60, GLOW_G = 30, GLOW_B = 10;
constexpr int PANEL_GLOW_MS = 200;
constexpr int LIST_SCROLL_X = 170, LIST_SCROLL_Y = 738;
constexpr int LIST_SCROLL_ORIENTATION = 3;
constexpr int MESSAGE_ICON_X = 8, MESSAGE_TOP = 4, MESSAGE_TEXT_GAP = 14;
constexpr int MESSAGE_TEXT_PULSE_MS = 22 * (255 - 210);   // one step of the pulse every 22 ms

constexpr int BUTTON_IDS[COMBAT_COMMAND_BUTTONS] = {COMBAT_ID_MENU_BUTTON, COMBAT_ID_MINIMAP_BUTTON,
                                                    COMBAT_ID_LIST_BUTTON, COMBAT_ID_LOCATION_BUTTON};


void build_menu(Control *panel) {
    game_menu_build(panel, GAME_MENU_COMBAT | GAME_MENU_HOTKEYS);   // the title's letters work here too
    if (GameMenuState *state = game_menu_state(panel)) {
        state->on_load_requested = combat_menu_load_prepared;
        state->on_load_failed = combat_on_load_failed;
    }
    combat_flags_change(0, COMBAT_FLAG_MENU_OPEN);
}

void build_minimap(Control *panel) { minimap_panel_build(panel, combat_minimap_on_click); }

void build_list(Control *panel) {
    CombatScreen *s = combat_screen();
    encounter_list_build(panel, combat_map());
    EncounterListState *state = encounter_list_state(panel);
    if (!state) return;
    panel_set_slot(panel, ENCOUNTER_LIST_SLOT_PICK, combat_encounter_list_on_pick);
    encounter_list_highlight(panel, s->selected ? s->selected->id : 0);
    // The strip's whole overhang shows at the bar's end. The overhang is measured against the
    // width the strip was built to, not the panel's width while it grows in; the wheel over the
    // bar only brings the strip to it.
    scroll_list_init(panel, COMBAT_LIST_SCROLL_STEP, 0);
    scroll_list_set_content(panel, state->content_width, std::min(state->content_width, ENCOUNTER_LIST_MAX_WIDTH));
    if (state->content_width <= panel->w) return;
    Control *bar = scroll_bar_create(COMBAT_LIST_SCROLL_LENGTH, LIST_SCROLL_ORIENTATION);
    if (!bar) return;
    control_set_tag(bar, COMBAT_TAG_HIDDEN_PANEL);
    scroll_list_attach_bar(panel, bar);
    game_add_control(game_get(), LIST_SCROLL_X, LIST_SCROLL_Y, COMBAT_ID_LIST_SCROLL, 0, bar);
}

void build_location(Control *panel) { combat_location_panel_build(panel); }

struct SidePanel {
    int32_t which;
    void (*build)(Control *panel);
};
constexpr SidePanel MENU = {.which = COMBAT_SIDE_MENU, .build = build_menu};
constexpr SidePanel MINIMAP = {.which = COMBAT_SIDE_MINIMAP, .build = build_minimap};
constexpr SidePanel LIST = {.which = COMBAT_SIDE_LIST, .build = build_list};
constexpr SidePanel LOCATION = {.which = COMBAT_SIDE_LOCATION, .build = build_location};

void toggle(const SidePanel &side) {
    CombatScreen *s = combat_screen();
    Control *panel = s->side_panels[side.which];
    if (!panel) return;
    if (control_is_shown(panel)) {
        combat_clear_side_panels();
        combat_command_bar_select(0);
        return;
    }
    if (panel->flags & CTRL_FADING) return;
    combat_clear_side_panels();
    combat_command_bar_select(BUTTON_IDS[side.which]);
    side.build(panel);
    const int built_w = panel->w, built_h = panel->h;
    control_set_position(panel, COMBAT_SIDE_PANEL_X, GFX_HEIGHT - built_h - COMBAT_SIDE_PANEL_BOTTOM_GAP);
    control_set_size(panel, PANEL_START_WIDTH, built_h);
    panel_set_draw_children_while_resizing(panel, true);
    panel_resize_to(panel, built_w, built_h, SIDE_PANEL_GROW_MS);
    control_set_hidden(panel, true);
    panel_enable_glow(panel);
    colour_fade_start(panel_glow_colour(panel), 0, 0, 0, GLOW_R, GLOW_G, GLOW_B, PANEL_GLOW_MS, 0, 0);
}

}  // namespace

// ---- The command bar ---------------------------------------------------------------------------

void combat_command_bar_select(int32_t id) {
    CombatScreen *s = combat_screen();
    int x = BAR_MARGIN;
    for (int i = 0; i < COMBAT_COMMAND_BUTTONS; ++i) {
        Control *button = s->command_buttons[i];
        if (!button) continue;
        image_control_set_frame(button, button->id == id ? 1 : 0);
        control_move_to(button, x, GFX_HEIGHT - BAR_MARGIN - button->h, BAR_MOVE_MS);
        x += button->w + (i == 0 ? BAR_FIRST_GAP - BAR_MARGIN : BAR_GAP);
    }
    s->open_side_panel = id;
}

void combat_command_bar_hide() {
    for (Control *button : combat_screen()->command_buttons)
        if (button) control_set_hidden(button, false);
}

void combat_clear_side_panels() {
    for (Control *panel : combat_screen()->side_panels) {
        if (!panel) continue;
        if (game_menu_holds_load(panel)) continue;   // a failed load's OK alone closes the menu
        control_set_hidden(panel, false);
        panel_remove_children(panel);
        panel_set_scroll(panel, 0, 0);
    }
    combat_flags_change(COMBAT_FLAG_MENU_OPEN, 0);
    if (Control *bar = game_find_control(game_get(), COMBAT_ID_LIST_SCROLL)) control_remove(bar);
}

void combat_toggle_menu_panel(Control *) { toggle(MENU); }
void combat_toggle_minimap_panel(Control *) { toggle(MINIMAP); }
void combat_toggle_encounter_list(Control *) { toggle(LIST); }
void combat_toggle_location_panel(Control *) { toggle(LOCATION); }

// ---- The turn-order strip ----------------------------------------------------------------------

void combat_encounter_list_on_pick(Control *list) {
    CombatScreen *s = combat_screen();
    EncounterListState *state = encounter_list_state(list);
    if (!state || s->command_mode != COMMAND_NONE) return;
    encounter_list_highlight(list, state->picked_id);
    ObjectMap *map = combat_map();
    if (!map || !state->picked_id) return;
    ObjectFilter filter;
    filter.flags = FILTER_ID;
    filter.id = state->picked_id;
    GameObject *obj = map_query_object(map, &filter);
    if (!obj || obj == s->selected) return;
    combat_select_object(obj);
    combat_scroll_view_to(obj->x + obj->w / 2 - map->screen_w / 2, obj->y + obj->h / 2 - map->screen_h / 2,
                          COMBAT_SCROLL_SPEED_CENTRE);
}

// ---- The message box ---------------------------------------------------------------------------

void combat_show_message(int32_t dx, int32_t dy, Control *icon, const char *format, ...) {
    CombatScreen *s = combat_screen();
    Control *box = s->message_box;
    if (!panel_of(box)) {
        if (icon && icon->refcount == 0) control_destroy(icon);
        return;
    }
    panel_remove_children(box);
    if (icon) panel_add_child(box, MESSAGE_ICON_X, MESSAGE_TOP, 0, 0, icon);
    Control *label = text_label_create_empty(1);
    if (label) {
        va_list args;
        va_start(args, format);
        text_label_set_text_va(label, format, args);
        va_end(args);
        colour_fade_start(text_label_colour(label), 210, 210, 210, 255, 255, 255, MESSAGE_TEXT_PULSE_MS, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
        panel_add_child(box, icon ? icon->w + MESSAGE_TEXT_GAP : MESSAGE_ICON_X, MESSAGE_TOP, 0, 0, label);
    }
    int w = 0, h = 0;
    panel_layout(box, &w, &h);
    control_set_size(box, w + 8, h + 4);
    if (icon) control_set_position(icon, icon->x, box->h / 2 - icon->h / 2);
    if (label) control_set_position(label, label->x, box->h / 2 - label->h / 2);
    control_set_hidden(box, true);
    s->message_dx = dx;
    s->message_dy = dy;
}

Control *combat_hide_message() {
    Control *box = combat_screen()->message_box;
    if (box) control_set_hidden(box, false);
    return box;
}

// ---- A game load from the combat menu ----------------------------------------------------------

void combat_menu_load_prepared(Control *) {
    CombatScreen *s = combat_screen();
    combat_clear_ship_tags();
    combat_close_object_panels();
    combat_flags_change(0, COMBAT_FLAG_LOAD_PENDING | COMBAT_FLAG_MAP_HIDDEN | COMBAT_FLAG_ANIMATING);
    if (ObjectMap *map = combat_map()) map_set_busy(map);
    if (s->selection_panel) control_set_hidden(s->selection_panel, false);
    combat_hide_message();
    for (Control *button : s->command_buttons)
        if (button) image_control_set_highlight(button, true);
    s->load_countdown_ms = COMBAT_LOAD_DELAY_MS;
}

void combat_run_pending_load() {
    CombatScreen *s = combat_screen();
    combat_close_object_panels();
    if (s->selection_panel) control_set_hidden(s->selection_panel, false);
    combat_hide_message();
    // Nothing of the battle may be touched once the load has replaced the game.
    combat_release_game_objects();
    if (game_run_pending_load(game_get()) == RES_OK) {
        app_mode_request(APP_MODE_GALAXY);
        return;
    }
    // The battle is already let go of: the player must be told, and its OK leads on (to the
    // title) even when the menu's load screen is not the one open to show the error.
    if (Control *menu = s->side_panels[COMBAT_SIDE_MENU])
        if (!game_menu_show_load_error(menu)) game_menu_show_error(menu, "Error loading game");
}

void combat_on_load_failed(Control *) {
    combat_release_game_objects();
    game_clear(game_get());
    app_mode_request(APP_MODE_TITLE);
}
