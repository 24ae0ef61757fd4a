// Stand-ins for the combat screen's side panels, encounter list, location panel, scrolling target,
// message box and ship tags, until their files replace this one. Each keeps the screen's state
// consistent (what it would show stays empty) so that the turn flow runs whole.
#include <cstdarg>

#include "game/game.h"
#include "platform/hash.h"
#include "platform/list.h"
#include "screens/combat/combat_screen.h"
#include "ui/app_mode.h"
#include "ui/control.h"
#include "ui/panel.h"

// ---- combat_location.cpp ----
void combat_location_panel_build(Control *panel) {
    if (panel) panel_remove_children(panel);
}

// ---- encounter_list.cpp ----
void encounter_list_build(Control *panel, ObjectMap *) {
    if (panel) panel_remove_children(panel);
}
void encounter_list_refresh(Control *) {}
void encounter_list_highlight(Control *, uint64_t) {}
void encounter_list_forget_map(Control *) {}

// ---- combat_side_panels.cpp ----
void combat_toggle_menu_panel(Control *) {}
void combat_toggle_minimap_panel(Control *) {}
void combat_toggle_encounter_list(Control *) {}
void combat_toggle_location_panel(Control *) {}

void combat_command_bar_select(int32_t id) { combat_screen()->open_side_panel = id; }

void combat_command_bar_hide() {
    for (Control *button : combat_screen()->command_buttons)
        if (button) control_set_hidden(button, false);
}

void combat_clear_side_panels() {
    for (Control *panel : combat_screen()->side_panels)
        if (panel) {
            control_set_hidden(panel, false);
            panel_remove_children(panel);
        }
}

void combat_menu_load_prepared(Control *) {}

void combat_run_pending_load() {
    combat_release_game_objects();
    app_mode_request(APP_MODE_GALAXY);
}

void combat_on_load_failed(Control *) {
    combat_release_game_objects();
    game_clear(game_get());
    app_mode_request(APP_MODE_TITLE);
}

void combat_scroll_view_to(int32_t, int32_t, int32_t) {}
void combat_centre_on_unit_status() {}
void combat_cycle_units() {}

void combat_show_message(int32_t dx, int32_t dy, Control *icon, const char *, ...) {
    CombatScreen *s = combat_screen();
    if (icon) control_destroy(icon);   // the box takes its icon
    s->message_dx = dx;
    s->message_dy = dy;
}

Control *combat_hide_message() {
    Control *box = combat_screen()->message_box;
    if (box) control_set_hidden(box, false);
    return box;
}

void combat_update_ship_tags() {}

void combat_clear_ship_tags() {
    CombatScreen *s = combat_screen();
    if (s->ship_tags) hash_table_clear(s->ship_tags);
}
