// The end-of-game mode: the title animation, its drawing and the hand-over to the two screens.
#include "screens/endgame/end_of_game.h"

#include <algorithm>
#include <cstring>

#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/draw.h"
#include "platform/font.h"
#include "platform/graphics.h"
#include "platform/log.h"
#include "ui/app_mode.h"
#include "ui/image_control.h"
#include "ui/ui_draw.h"

namespace {

EndGameState g_state;

// The pictures of the two screens: kind icons, the status pictures, the date's calendar and the
// buttons.
constexpr int SCREEN_IMAGE_TYPES[] = {42, 43, 80, 121, 128, 150};

constexpr int32_t BAND_OPEN_MS_PER_PIXEL = 7;
constexpr int32_t BAND_OPEN_TOP = 356, BAND_OPEN_BOTTOM = 412;
constexpr int32_t LETTER_FADE_MS = 100, LETTER_STAGGER_MS = 100;
constexpr int32_t HOLD_MS = 2400;
constexpr int32_t SLIDE_MS_PER_STEP = 2;
constexpr int32_t TITLE_LEFT = 16, BAND_SLID_RIGHT = 640;
constexpr int32_t BAND_RISEN_TOP = 45, BAND_RISEN_HEIGHT = 56;
constexpr uint8_t BAND_R = 0, BAND_G = 32, BAND_B = 0;
constexpr int32_t BACKGROUND_FIRST = 4, BACKGROUND_LAST = 19;

GfxRect rect_of(int x, int y, int w, int h) { return GfxRect{int16_t(x), int16_t(y), uint16_t(w), uint16_t(h)}; }

void queue_slot(Graphics *g, DrawCommandFn *fn, int32_t slot) {
    const uint32_t s = uint32_t(slot);
    (void)gfx_queue_command(g, fn, &s, sizeof s);   // a full queue only loses this frame
}
void queue_rect(Graphics *g, DrawCommandFn *fn, GfxRect r) { (void)gfx_queue_command(g, fn, &r, sizeof r); }
void queue_plain(Graphics *g, DrawCommandFn *fn) { (void)gfx_queue_command(g, fn, nullptr, 0); }

void free_letters(EndGameState &s) {
    for (int32_t i = 0; i < s.letter_count && s.letter_fades; ++i) colour_fade_free(s.letter_fades[i]);
    delete[] s.letter_fades;
    s.letter_fades = nullptr;
    s.letter_count = 0;
}

void update_letters(EndGameState &s, int32_t dt) {
    for (int32_t i = 0; i < s.letter_count; ++i)
        if (s.letter_fades[i]) colour_fade_update(s.letter_fades[i], dt);
}

void set_up(EndGameState &s) {
    const int32_t w = ui_screen_width(), h = ui_screen_height();
    s.band_left = 0;
    s.band_right = w - 1;
    s.band_top = h / 2 - 1;
    s.band_bottom = h / 2 + 1;
    s.time_acc = 0;
    free_letters(s);
    const int32_t count = int32_t(std::strlen(ENDGAME_TITLE));
    s.letter_fades = new ColourFade *[size_t(count)]();
    s.letter_count = count;
    for (int32_t i = 0; i < count; ++i) {
        s.letter_fades[i] = colour_fade_create();
        if (s.letter_fades[i])
            colour_fade_start(s.letter_fades[i], 0, 24, 0, 210, 210, 210, LETTER_FADE_MS, LETTER_STAGGER_MS * i, 0);
    }
    s.phase = ENDGAME_OPENING;
}

void open_band(EndGameState &s, int32_t dt) {
    update_letters(s, dt);
    s.time_acc += dt;
    const int32_t step = s.time_acc / BAND_OPEN_MS_PER_PIXEL;
    s.time_acc %= BAND_OPEN_MS_PER_PIXEL;
    s.band_top -= step;
    s.band_bottom += step;
    if (s.band_top > BAND_OPEN_TOP && s.band_bottom < BAND_OPEN_BOTTOM) return;
    s.band_top = BAND_OPEN_TOP;
    s.band_bottom = BAND_OPEN_BOTTOM;
    s.title_x = ui_screen_width() / 2 - font_text_width(ENDGAME_TITLE_FONT, ENDGAME_TITLE) / 2;
    s.title_y = s.band_top + (s.band_bottom - s.band_top) / 2 - font_line_height(ENDGAME_TITLE_FONT) / 2;
    s.time_acc = 0;
    s.phase = ENDGAME_HOLD;
}

void hold(EndGameState &s, int32_t dt) {
    update_letters(s, dt);
    s.time_acc += dt;
    if (s.time_acc < HOLD_MS) return;
    for (int32_t i = 0; i < s.letter_count; ++i)
        if (s.letter_fades[i]) colour_fade_finish(s.letter_fades[i]);
    s.time_acc = 0;
    s.phase = ENDGAME_SLIDE;
}

void slide(EndGameState &s, int32_t dt) {
    s.time_acc += dt;
    const int32_t d = s.time_acc / SLIDE_MS_PER_STEP;
    s.time_acc %= SLIDE_MS_PER_STEP;
    s.title_x = std::max(s.title_x - d, TITLE_LEFT);
    s.band_right = std::max(s.band_right - 2 * d, BAND_SLID_RIGHT);
    if (s.title_x != TITLE_LEFT || s.band_right != BAND_SLID_RIGHT) return;
    s.time_acc = 0;
    s.phase = ENDGAME_RISE;
}

void rise(EndGameState &s, int32_t dt) {
    s.band_top = std::max(s.band_top - (s.time_acc + dt), BAND_RISEN_TOP);
    s.time_acc = 0;
    s.band_bottom = s.band_top + BAND_RISEN_HEIGHT;
    s.title_y = s.band_top + BAND_RISEN_HEIGHT / 2 - font_line_height(ENDGAME_TITLE_FONT) / 2;
    if (s.band_top == BAND_RISEN_TOP) s.phase = ENDGAME_REQUEST_RESULTS;
}

void step_animation(EndGameState &s, int32_t dt) {
    if (!(s.flags & ENDGAME_ACTIVE) || s.phase > ENDGAME_REQUEST_RESULTS) return;
    switch (s.phase) {
    case ENDGAME_SET_UP: set_up(s); break;
    case ENDGAME_OPENING: open_band(s, dt); break;
    case ENDGAME_HOLD: hold(s, dt); break;
    case ENDGAME_SLIDE: slide(s, dt); break;
    case ENDGAME_RISE: rise(s, dt); break;
    case ENDGAME_REQUEST_RESULTS:
        s.flags |= ENDGAME_WANT_RESULTS;
        s.phase = ENDGAME_IDLE;
        break;
    default: break;
    }
}

void draw_background(Graphics *g, const Game *game) {
    if (!app_mode_changed()) {
        queue_plain(g, gfx_restore_all);
        return;
    }
    const int32_t current = std::clamp(game->backdrop + BACKGROUND_FIRST, BACKGROUND_FIRST, BACKGROUND_LAST);
    for (int32_t slot = 0; slot < GFX_BACKGROUND_SLOTS; ++slot)
        queue_slot(g, slot == current ? bg_load_command : bg_free_command, slot);
    queue_slot(g, bg_set_command, current);
    queue_plain(g, gfx_clear_restore_rects);
    queue_rect(g, gfx_restore_rect, rect_of(0, 0, ui_screen_width(), ui_screen_height()));
}

void draw_band(Graphics *g, const EndGameState &s) {
    if (!(s.flags & ENDGAME_ACTIVE) || s.band_bottom <= s.band_top) return;
    const GfxRect band = rect_of(s.band_left, s.band_top, s.band_right - s.band_left + 1, s.band_bottom - s.band_top + 1);
    queue_plain(g, gfx_lock_screen);
    (void)gfx_queue_fill_rect(g, band, BAND_R, BAND_G, BAND_B);
    queue_plain(g, gfx_unlock_screen);
    queue_rect(g, gfx_add_dirty_rect, band);
    queue_rect(g, gfx_add_restore_rect, band);
}

// Letters still waiting out their delay are skipped but keep their place, so the title never
// shifts while it fades in.
void draw_title(Graphics *g, const EndGameState &s) {
    if (s.phase < ENDGAME_HOLD || font_line_height(ENDGAME_TITLE_FONT) < 0) return;
    int x = s.title_x;
    for (int32_t i = 0; i < s.letter_count && ENDGAME_TITLE[i]; ++i) {
        const ColourFade *fade = s.letter_fades[i];
        if (fade && !colour_fade_is_waiting(fade))
            (void)font_draw_text_n(g, ENDGAME_TITLE_FONT, x, s.title_y, gfx_map_rgb(fade->r, fade->g, fade->b),
                                   ENDGAME_TITLE + i, 1);
        x += std::max(font_char_advance(static_cast<unsigned char>(ENDGAME_TITLE[i])), 0);
    }
}

}  // namespace

EndGameState *endgame_state() { return &g_state; }

void endgame_mode_init(AppMode *mode) {
    mode->enter = endgame_enter;
    mode->leave = endgame_leave;
    mode->update = endgame_update;
    mode->draw = endgame_draw;
}

void endgame_enter() {
    for (int type : SCREEN_IMAGE_TYPES) (void)image_control_load_type(type);   // a failure is logged
    g_state.flags = ENDGAME_ACTIVE;
    g_state.phase = ENDGAME_SET_UP;
}

void endgame_leave() {
    free_letters(g_state);
    for (int type : SCREEN_IMAGE_TYPES) image_control_free_type(type);
}

void endgame_update(int32_t dt_ms) {
    step_animation(g_state, dt_ms);
    if (g_state.flags & ENDGAME_WANT_RESULTS) {
        g_state.flags &= ~ENDGAME_WANT_RESULTS;
        endgame_show_results();
    }
    if (g_state.flags & ENDGAME_WANT_SCORES) {
        g_state.flags &= ~ENDGAME_WANT_SCORES;
        endgame_show_scores();
    }
}

void endgame_draw(Graphics *gfx) {
    Game *game = game_get();
    if (!game) return;
    draw_background(gfx, game);
    draw_band(gfx, g_state);
    draw_title(gfx, g_state);
}

void endgame_on_next(Control *) { g_state.flags |= ENDGAME_WANT_SCORES; }

void endgame_on_main_menu(Control *) {
    if (Game *game = game_get())
        if (const Result r = records_flush_players(game); r != RES_OK)
            log_write(LOG_GAME, LOG_ERROR, "Failed to save records file (%i)", int(r));
    app_mode_request(APP_MODE_TITLE);
}
