// The destination prompt: a pick mode for the next map click (a course destination or a
// harvester's target), the bar at the bottom right that says what is being picked, alternating
// its title and its text, the Cancel button (Escape) that ends the pick, and the four panel
// buttons that start one.
#include <algorithm>

#include "game/game.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/input.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/galaxy/sector_panel.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "views/ship_list.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/site.h"

namespace {

constexpr int PROMPT_BAR_ID = 400044;
constexpr int PROMPT_TITLE_ID = 400003;
constexpr int PROMPT_TEXT_ID = 400007;
constexpr int PROMPT_CANCEL_ID = 400002;
constexpr int PANEL_SHIP_LIST_ID = 100001;   // the ship list of the sector and fleet panels

constexpr int DESTINATION_PROMPT_FONT = 7;
constexpr int CANCEL_FONT = 6;

constexpr int EDGE = 6;               // from the right edge (bar and button) and the bottom (button)
constexpr int PROMPT_BAR_RAISE = 40;   // the bar's bottom above the screen's bottom
constexpr int PROMPT_BAR_GROW_W = 8, PROMPT_BAR_GROW_H = 4;
constexpr int PROMPT_BAR_FILL = 4;
constexpr int PROMPT_BAR_BORDER = 130;

// The title shows for 5 s, the text for 4 s; each hands over in a 1 s cross-fade. Whatever is
// shown pulses between its colour and a dimmer one every 1200 ms.
constexpr int TITLE_PHASE_MS = 5000;
constexpr int TEXT_PHASE_MS = 4000;
constexpr int FADE_MS = 1000;
constexpr int PULSE_MS = 1200;
constexpr int LIT = 230, DIM = 130;

struct PromptTimers {
    int32_t elapsed_ms = 0;
    bool    text_phase = false;
};
PromptTimers timers;

// Removes the live or queued control of the id with its children.
void remove_by_id(int id) {
    const Game *g = game_get();
    for (const List<Control> *list : {g->controls, g->new_controls}) {
        if (!list) continue;
        for (Control *c : list->items) {
            if (!c) break;
            if (c->id == id && !(c->flags & CTRL_REMOVED)) control_remove(c);
        }
    }
}

Control *bar_child(int id) {
    Control *bar = game_find_control(game_get(), PROMPT_BAR_ID);
    return bar ? panel_find_child(bar, id) : nullptr;
}

// One colour's way in: from black to lit, then pulsing.
void fade_in_colour(ColourFade *fade, int delay) {
    if (!fade) return;
    colour_fade_clear_idle_loop(fade);
    colour_fade_start(fade, 0, 0, 0, LIT, LIT, LIT, FADE_MS, delay, 0);
    colour_fade_set_idle_loop(fade, LIT, LIT, LIT, DIM, DIM, DIM, PULSE_MS, true);
}

void fade_out_colour(ColourFade *fade) {
    if (!fade) return;
    colour_fade_clear_idle_loop(fade);
    colour_fade_to(fade, 0, 0, 0, FADE_MS, 0);
}

void title_fade(Control *title, bool in) {
    for (ColourFade *fade : {image_control_caption_colour(title), image_control_tint_colour(title)})
        in ? fade_in_colour(fade, 0) : fade_out_colour(fade);
}

void text_fade(Control *text, bool in) {
    if (!text) return;
    in ? fade_in_colour(text_label_colour(text), 0) : fade_out_colour(text_label_colour(text));
}

Control *build_title(int32_t mode, const char *title) {
    Control *image = image_control_create(mode == 0 ? IMAGE_COURSE : IMAGE_HARVESTER_MOVE);
    if (!image) return nullptr;
    image_control_set_text(image, title ? title : "", DESTINATION_PROMPT_FONT, 0, 4);
    image_control_enable_tint(image);
    for (ColourFade *fade : {image_control_caption_colour(image), image_control_tint_colour(image)}) {
        if (!fade) continue;
        colour_fade_set(fade, LIT, LIT, LIT);
        colour_fade_set_idle_loop(fade, LIT, LIT, LIT, DIM, DIM, DIM, PULSE_MS, true);
    }
    return image;
}

void build_bar(int32_t mode, const char *title, const char *text) {
    Control *bar = panel_create(1, 1, PROMPT_BAR_FILL, PROMPT_BAR_FILL, PROMPT_BAR_FILL);
    if (!bar) return;
    panel_set_border(bar, true);
    panel_set_bevel(bar, true);
    if (ColourFade *border = panel_border_colour(bar))
        colour_fade_set(border, PROMPT_BAR_BORDER, PROMPT_BAR_BORDER, PROMPT_BAR_BORDER);
    Control *image = panel_add_child(bar, 0, 0, PROMPT_TITLE_ID, 1, build_title(mode, title));
    // The text waits in black (drawn as nothing) until its turn comes.
    Control *label = text ? panel_add_child(bar, 0, 0, PROMPT_TEXT_ID, 1,
                                            text_label_create_plain(DESTINATION_PROMPT_FONT, 0, 0, 0, text))
                          : nullptr;
    panel_relayout(bar);
    panel_grow(bar, PROMPT_BAR_GROW_W, PROMPT_BAR_GROW_H);
    for (Control *c : {image, label})
        if (c) control_set_position(c, (bar->w - c->w) / 2, (bar->h - c->h) / 2);
    game_add_control(game_get(), ui_screen_width() - EDGE - bar->w, ui_screen_height() - PROMPT_BAR_RAISE - bar->h,
                     PROMPT_BAR_ID, 1, bar);
}

void add_cancel() {
    Control *cancel = image_button_create(IMAGE_CANCEL, CANCEL_FONT, "Cancel", galaxy_prompt_on_cancel, INPUT_KEY_ESCAPE,
                                          nullptr);
    if (!cancel) return;
    control_set_layer(cancel, 1);
    game_add_control(game_get(), ui_screen_width() - EDGE - cancel->w, ui_screen_height() - EDGE - cancel->h,
                     PROMPT_CANCEL_ID, 0, cancel);
}

// A pick starts: the prompt comes up with the speed its ETA uses, and the object panels step aside.
void start_pick(int32_t mode, const char *title, const char *text, int32_t speed) {
    galaxy_screen()->prompt_eta_speed = speed;
    galaxy_prompt_show(mode, title, text);
    galaxy_object_panels_show(false);
}

int32_t picked_speed(Control *panel) {
    return ship_list_selected_speed(panel ? panel_find_child(panel, PANEL_SHIP_LIST_ID) : nullptr);
}

// The sector panel on top whose list shows fewer than two ships keeps no selection once the pick is
// given up: a lone ship counts as picked while the list is open.
void forget_lone_pick() {
    if (!sector_of(galaxy_screen()->selected)) return;
    Control *top = galaxy_object_panel_top();
    if (!top || top->id != GALAXY_PANEL_SECTOR) return;
    Control *list = sector_panel_ship_list(top);
    if (list && ship_list_count_visible(list) < 2) ship_list_unselect_visible(list);
}

}  // namespace

void galaxy_prompt_show(int32_t mode, const char *title, const char *text) {
    GalaxyScreen *s = galaxy_screen();
    s->pick_mode = mode;
    galaxy_hover_set(nullptr);
    remove_by_id(PROMPT_BAR_ID);
    remove_by_id(PROMPT_CANCEL_ID);
    if (uint32_t(mode) > 1) {
        galaxy_bar_update_action_button();
        return;
    }
    galaxy_bar_hide_action_buttons();
    build_bar(mode, title, text);
    timers = PromptTimers{};
    add_cancel();
}

void galaxy_prompt_alternate(int32_t dt) {
    if (!game_find_control(game_get(), PROMPT_BAR_ID)) return;
    timers.elapsed_ms += dt;
    Control *title = bar_child(PROMPT_TITLE_ID);
    Control *text = bar_child(PROMPT_TEXT_ID);
    if (!timers.text_phase && timers.elapsed_ms > TITLE_PHASE_MS) {
        title_fade(title, false);
        text_fade(text, true);
        timers.elapsed_ms -= TITLE_PHASE_MS;
        timers.text_phase = true;
    } else if (timers.text_phase && timers.elapsed_ms > TEXT_PHASE_MS) {
        title_fade(title, true);
        text_fade(text, false);
        timers.elapsed_ms -= TEXT_PHASE_MS;
        timers.text_phase = false;
    }
}

void galaxy_prompt_on_cancel(Control *) {
    remove_by_id(PROMPT_BAR_ID);
    remove_by_id(PROMPT_CANCEL_ID);
    galaxy_object_panels_show(true);
    if (galaxy_screen()->pick_mode == 0) forget_lone_pick();
    galaxy_prompt_show(-1);
    game_remove_controls_by_group(game_get(), GALAXY_GROUP_SELECTION);
}

void galaxy_sector_on_set_course(Control *panel) {
    start_pick(0, "Set course", "Select destination", picked_speed(panel));
}

void galaxy_fleet_on_set_course(Control *panel) {
    start_pick(0, "Set Course", "Select destination", picked_speed(panel));
}

void galaxy_fleet_on_redirect(Control *) {
    Fleet *fleet = fleet_of(galaxy_screen()->selected);
    if (!fleet) return;
    start_pick(0, "Redirect", "Select destination", ship_list_min_mp(&fleet->ships));
}

void galaxy_select_target(Control *) {
    Site *site = site_cast(galaxy_screen()->selected);
    if (!site) return;
    start_pick(1, object_get_name(site), "Select target", galaxy_screen()->prompt_eta_speed);
}
