// Galaxy status bar: credits easing toward the player's, the date of the clock's day.
#include "screens/galaxy/status_bar.h"

#include <new>
#include <string>
#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "screens/galaxy/galaxy_flags.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"

namespace {

constexpr int HIGHLIGHT_R = 240, HIGHLIGHT_G = 220, HIGHLIGHT_B = 45;
constexpr int HIGHLIGHT_MS = 200;
constexpr int32_t EASE_THRESHOLD = 20;

int32_t ui_player_credits(const Game *game) { return game->ui_player ? game->ui_player->credits : 0; }

void ui_player_colour(Game *game, int32_t *r, int32_t *g, int32_t *b) {
    game_get_player_colors(game, game->ui_player_id, r, g, b);
}

// Lights the date while a day is advanced; puts it back once the day and auto-pass are over.
void update_highlight(Control *panel, std::atomic<uint32_t> *flags, Game *game) {
    ColourFade *colour = text_label_colour(panel_find_child(panel, GALAXY_STATUS_DATE_ID));
    if ((*flags & GALAXY_FLAG_CLOCK_RUNNING) && !(*flags & GALAXY_FLAG_DATE_HIGHLIGHT)) {
        if (colour) colour_fade_to(colour, HIGHLIGHT_R, HIGHLIGHT_G, HIGHLIGHT_B, HIGHLIGHT_MS, 0);
        flags->fetch_or(GALAXY_FLAG_DATE_HIGHLIGHT);
    } else if (!(*flags & (GALAXY_FLAG_CLOCK_RUNNING | GALAXY_FLAG_AUTO_PASS)) &&
               (*flags & GALAXY_FLAG_DATE_HIGHLIGHT)) {
        int32_t r = 0, g = 0, b = 0;
        ui_player_colour(game, &r, &g, &b);
        if (colour) colour_fade_to(colour, r, g, b, HIGHLIGHT_MS, 0);
        flags->fetch_and(~GALAXY_FLAG_DATE_HIGHLIGHT);
    }
}

void create_missing_children(Control *panel, uint32_t flags, Game *game) {
    if (!panel_find_child(panel, GALAXY_STATUS_ICON_ID)) {
        Sprite *const *frames = image_type_frames(GALAXY_IMAGE_CREDITS_COIN);
        Control *icon = image_control_create_sprites(const_cast<Sprite **>(frames),
                                                     image_type_frame_count(GALAXY_IMAGE_CREDITS_COIN));
        if (icon) panel_add_child(panel, 0, 0, GALAXY_STATUS_ICON_ID, 0, icon);
    }
    if (!panel_find_child(panel, GALAXY_STATUS_DATE_ID)) {
        int32_t r = HIGHLIGHT_R, g = HIGHLIGHT_G, b = HIGHLIGHT_B;
        if (!(flags & GALAXY_FLAG_DATE_HIGHLIGHT)) ui_player_colour(game, &r, &g, &b);
        if (Control *date = text_label_create_empty(1)) {
            colour_fade_set(text_label_colour(date), r, g, b);
            panel_add_child(panel, 0, 0, GALAXY_STATUS_DATE_ID, 0, date);
        }
    }
    if (!panel_find_child(panel, GALAXY_STATUS_CREDITS_ID)) {
        if (Control *credits = text_label_create_empty(1)) {
            colour_fade_set(text_label_colour(credits), 220, 220, 220);
            panel_add_child(panel, 0, 0, GALAXY_STATUS_CREDITS_ID, 0, credits);
        }
    }
}

void layout(Control *panel) {
    Control *icon = panel_find_child(panel, GALAXY_STATUS_ICON_ID);
    Control *date = panel_find_child(panel, GALAXY_STATUS_DATE_ID);
    Control *credits = panel_find_child(panel, GALAXY_STATUS_CREDITS_ID);
    const int icon_y = 2, icon_h = icon ? icon->h : 0, icon_w = icon ? icon->w : 0;
    const int date_w = date ? date->w : 0;
    if (date) control_set_position(date, 8, icon_y + (icon_h - date->h) / 2 + 1);
    const int icon_x = date_w + 24;
    if (icon) control_set_position(icon, icon_x, icon_y);
    if (credits) control_set_position(credits, icon_x + icon_w + 6, icon_y + (icon_h - credits->h) / 2 + 1);
    panel_relayout(panel);
    panel_grow(panel, 8, 2);
    control_set_position(panel, ui_screen_width() - panel->w - 5, 5);
}

}  // namespace

GalaxyStatusBar *galaxy_status_bar_create(const Game *game) {
    GalaxyStatusBar *bar = new (std::nothrow) GalaxyStatusBar();
    if (bar && game) bar->shown_credits = ui_player_credits(game);
    return bar;
}

void galaxy_status_bar_free(GalaxyStatusBar *bar) { delete bar; }

void galaxy_status_bar_update(GalaxyStatusBar *bar, Control *panel, std::atomic<uint32_t> *screen_flags, Game *game) {
    if (!bar || !panel || !screen_flags || !game || !game->clock) return;
    update_highlight(panel, screen_flags, game);
    const int32_t credits = ui_player_credits(game);
    const Date *clock = game->clock;
    const bool same_day = bar->shown_date.year == clock->year && bar->shown_date.month == clock->month &&
                          bar->shown_date.day == clock->day;
    if (bar->shown_credits == credits && same_day) return;
    // The gap is taken in 64 bits: credits and the shown value may lie at opposite ends of i32.
    const int64_t gap = int64_t(credits) - bar->shown_credits;
    if (gap >= EASE_THRESHOLD || gap <= -EASE_THRESHOLD)
        bar->shown_credits = int32_t((int64_t(bar->shown_credits) + credits) / 2);
    else
        bar->shown_credits = credits;
    date_copy(&bar->shown_date, clock);

    create_missing_children(panel, screen_flags->load(), game);
    const std::string date_text = date_format(&bar->shown_date);   // "%s %.02i %i": month name, day, year
    if (Control *date = panel_find_child(panel, GALAXY_STATUS_DATE_ID)) text_label_set_text(date, date_text.c_str());
    if (Control *label = panel_find_child(panel, GALAXY_STATUS_CREDITS_ID))
        text_label_set_text_printf(label, "$%-7i", bar->shown_credits);
    layout(panel);
}
