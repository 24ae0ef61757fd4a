// Turn progress: the day's minutes left and the auto-pass countdown, as value bars.
#include "screens/galaxy/turn_progress.h"

#include <algorithm>
#include "game/clock.h"
#include "game/game.h"
#include "platform/calendar.h"
#include "platform/colour_fade.h"
#include "screens/galaxy/galaxy_flags.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"
#include "ui/value_bar.h"

namespace {

constexpr int DAY_BAR_W = 160, DAY_BAR_H = 12;
constexpr int FOLD_MS = 120;

void update_day(Control *panel, uint32_t flags, const Game *game) {
    if (!panel || !control_is_shown(panel)) return;
    Control *bar = panel_find_child(panel, GALAXY_PROGRESS_BAR_ID);
    if (flags & GALAXY_FLAG_CLOCK_RUNNING) {
        const int32_t minute_of_day = std::clamp(game->clock->hour * 60 + game->clock->minute, 1, CLOCK_DAY_MINUTES - 1);
        const int32_t left = CLOCK_DAY_MINUTES - minute_of_day;
        const ValueBar *vb = value_bar_of(bar);
        if (vb && left < vb->value) value_bar_set_value(bar, left, CLOCK_DAY_MINUTES);
        return;
    }
    if (panel_is_resizing(panel)) return;
    if (bar) value_bar_set_value(bar, 1, CLOCK_DAY_MINUTES);
    panel_set_draw_children_while_resizing(panel, false);
    panel_resize_to(panel, panel->w, 2, FOLD_MS);
    control_show_for(panel, FOLD_MS);   // then hidden
}

void update_countdown(Control *panel, uint32_t flags, int32_t countdown_ms, const Game *game) {
    if (!panel || !control_is_shown(panel)) return;
    if ((flags & GALAXY_FLAG_AUTO_PASS) && countdown_ms >= 1 && !galaxy_ai_thread_runs(flags))
        value_bar_set_value(panel_find_child(panel, GALAXY_PROGRESS_BAR_ID), countdown_ms, game->auto_pass);
    else
        control_set_hidden(panel, false);
}

}  // namespace

void galaxy_day_progress_build(Control *panel) {
    if (!panel) return;
    panel_remove_children(panel);
    Control *clock = image_control_create(IMAGE_CLOCK);
    if (clock) image_control_set_frame(clock, 0);   // the clock's own animation
    const int image_h = clock ? clock->h : 0;
    if (Control *bar = value_bar_create(DAY_BAR_W, DAY_BAR_H, CLOCK_DAY_MINUTES, CLOCK_DAY_MINUTES)) {
        if (ColourFade *fill = value_bar_fill_colour(bar)) colour_fade_set(fill, 0, 140, 0);
        if (ColourFade *track = value_bar_border_colour(bar)) colour_fade_set(track, 40, 32, 1);
        panel_add_child(panel, 4, image_h / 2 - DAY_BAR_H / 2 + 4, GALAXY_PROGRESS_BAR_ID, 0, bar);
    }
    if (clock) panel_add_child(panel, 4 + DAY_BAR_W + 4, 4, 0, 0, clock);
    panel_relayout(panel);
    panel_grow(panel, 4, 4);
    const int full_h = panel->h;
    control_set_position(panel, ui_screen_width() - panel->w - 4, 60);
    panel_set_anchor_mode(panel, PANEL_ANCHOR_CENTRE);
    control_set_size(panel, panel->w, 8);
    panel_resize_to(panel, panel->w, full_h, 100);
    control_set_hidden(panel, true);
}

void galaxy_turn_progress_update(Control *day_panel, Control *countdown_panel, uint32_t screen_flags,
                                 int32_t autopass_countdown_ms, Game *game) {
    if (!game || !game->clock) return;
    update_day(day_panel, screen_flags, game);
    update_countdown(countdown_panel, screen_flags, autopass_countdown_ms, game);
}
