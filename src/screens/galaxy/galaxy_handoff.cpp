// The hand-off to the combat screen: a green band opens across the screen, "COMBAT" lights up
// letter by letter while the load-encounter worker sets the battle's field up, the battle's
// background opens out from the centre, the band closes, and the combat mode takes over.
//  - The steps here move the state on; galaxy_draw.cpp draws it from the same GalaxyScreen fields.
//  - The load-encounter worker touches the model while the screen only draws; it is joined before
//    the combat mode is requested. Without a worker the field is set up on the game thread at
//    the end of the hand-off.
#include <algorithm>

#include "effects/starfield.h"
#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/game.h"
#include "platform/colour_fade.h"
#include "platform/font.h"
#include "platform/log.h"
#include "platform/sound.h"
#include "screens/galaxy/galaxy_screen.h"
#include "ui/app_mode.h"
#include "ui/ui_draw.h"

namespace {

constexpr int32_t BAND_TOP = 356, BAND_BOTTOM = 412;   // the open band
constexpr int32_t BAND_SPEED = 7;                      // ms per pixel each edge moves
constexpr int32_t LETTER_STAGGER_MS = 100;
constexpr int32_t LETTER_PULSE_MS = 500;
constexpr int32_t LETTER_FADE_OUT_MS = 300;
constexpr int32_t LOADING_PULSE_MS = 500;
constexpr int32_t INLINE_LOAD_WAIT_MS = 1000;
constexpr int32_t HOLD_MS = 1000;

enum HandoffPhase : int32_t {
    PHASE_BAND_OPENS = 0,
    PHASE_LETTERS_LIGHT = 1,
    PHASE_LOADING = 2,
    PHASE_PICTURE_OPENS = 3,
    PHASE_HOLD = 4,
    PHASE_BAND_CLOSES = 5,
};

void step_letters(GalaxyScreen *s, int32_t dt) {
    for (ColourFade *fade : s->letter_fades)
        if (fade) colour_fade_update(fade, dt);
}

bool letters_all_started(const GalaxyScreen *s) {
    for (const ColourFade *fade : s->letter_fades)
        if (fade && colour_fade_is_waiting(fade)) return false;
    return true;
}

bool letters_all_ended(const GalaxyScreen *s) {
    for (const ColourFade *fade : s->letter_fades)
        if (fade && colour_fade_is_running(fade)) return false;
    return true;
}

void free_letters(GalaxyScreen *s) {
    for (ColourFade *&fade : s->letter_fades) {
        colour_fade_free(fade);
        fade = nullptr;
    }
}

GalaxyRect centre_rect() {
    const int32_t cx = ui_screen_width() / 2, cy = ui_screen_height() / 2;
    return GalaxyRect{cx - 1, cy - 1, cx, cy};
}

// The band's edges move apart (sign 1) or together (-1) by the whole pixels the timer holds.
void move_band(GalaxyScreen *s, int32_t sign) {
    const int32_t pixels = s->handoff_timer / BAND_SPEED;
    s->handoff_timer %= BAND_SPEED;
    s->band_top -= sign * pixels;
    s->band_bottom += sign * pixels;
}

void start_loading(GalaxyScreen *s) {
    for (int i = 0; i < GALAXY_HANDOFF_LETTERS; ++i)
        colour_fade_start(s->letter_fades[i], 210, 210, 210, 190, 100, 100, LETTER_PULSE_MS, i * LETTER_STAGGER_MS,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    s->loading_rect = centre_rect();
    galaxy_flags_change(GALAXY_FLAG_ENCOUNTER_LOADED, 0);
    s->load_encounter_thread = galaxy_create_thread(galaxy_load_encounter_thread);
    if (!s->load_encounter_thread) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to create load encounter thread");
        galaxy_flags_change(0, GALAXY_FLAG_ENCOUNTER_LOAD_INLINE);
    } else {
        colour_fade_start(s->loading_fade, 0, 0, 0, 255, 255, 255, 700, 0, 0);
        galaxy_flags_change(0, GALAXY_FLAG_LOADING_TEXT);
    }
    s->handoff_timer = 0;
    s->handoff_phase = PHASE_LOADING;
}

// Once the text has faded in it pulses between white and green until the field is set up.
void step_loading(GalaxyScreen *s, int32_t dt) {
    ColourFade *text = s->loading_fade;
    if (!colour_fade_is_running(text))
        colour_fade_start(text, 255, 255, 255, 100, 255, 100, LOADING_PULSE_MS, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    colour_fade_update(text, dt);
    const uint32_t f = galaxy_flags();
    if (f & GALAXY_FLAG_ENCOUNTER_LOAD_INLINE) {
        if (s->handoff_timer < INLINE_LOAD_WAIT_MS) return;
    } else {
        if (!(f & GALAXY_FLAG_ENCOUNTER_LOADED)) return;
        colour_fade_to(text, 0, 0, 0, 300, 0);
    }
    s->handoff_timer = 0;
    s->handoff_phase = PHASE_PICTURE_OPENS;
}

void step_picture_opens(GalaxyScreen *s, int32_t dt) {
    if (!colour_fade_is_running(s->loading_fade)) galaxy_flags_change(GALAXY_FLAG_LOADING_TEXT, 0);
    else colour_fade_update(s->loading_fade, dt);
    const int32_t grow = 3 * s->handoff_timer / 2;
    s->handoff_timer = 0;
    const int32_t right = ui_screen_width() - 1, bottom = ui_screen_height() - 1;
    GalaxyRect &r = s->loading_rect;
    r.x1 = std::max(r.x1 - grow, 0);
    r.y1 = std::max(r.y1 - grow, 0);
    r.x2 = std::min(r.x2 + grow, right);
    r.y2 = std::min(r.y2 + grow, bottom);
    if (r.x1 > 0 || r.y1 > 0 || r.x2 < right || r.y2 < bottom) return;
    galaxy_flags_change(GALAXY_FLAG_LOADING_TEXT, 0);
    s->handoff_phase = PHASE_HOLD;
}

void finish_handoff(GalaxyScreen *s) {
    free_letters(s);
    colour_fade_free(s->loading_fade);
    s->loading_fade = nullptr;
    if (galaxy_flags() & GALAXY_FLAG_ENCOUNTER_LOAD_INLINE) {
        (void)game_start_encounter(game_get());   // a failure is logged where it is found
        galaxy_flags_change(GALAXY_FLAG_ENCOUNTER_LOAD_INLINE, 0);
    }
    galaxy_flags_change(GALAXY_FLAG_ENCOUNTER_LOADED | GALAXY_FLAG_LOADING_TEXT, 0);
    galaxy_join_thread(&s->load_encounter_thread);
    app_mode_request(APP_MODE_ENCOUNTER);
}

}  // namespace

void galaxy_handoff_start() {
    GalaxyScreen *s = galaxy_screen();
    Game *game = game_get();
    galaxy_bar_hide_list_buttons();
    game->flags |= GAME_FLAG_CONTROLS_OFF;
    const int32_t backdrop = game->current_encounter ? game->current_encounter->backdrop : 0;
    game->combat_background = GALAXY_BG_COMBAT_FIRST + std::clamp(backdrop, 0, 15);
    starfield_generate(game->star_layer);
    sound_fade_out_music();
    galaxy_flags_change(GALAXY_FLAG_ENCOUNTER_LOAD_INLINE, GALAXY_FLAG_COMBAT_HANDOFF |
                                                               GALAXY_FLAG_LOAD_COMBAT_BACKGROUND |
                                                               GALAXY_FLAG_HIDE_MAP);
    s->handoff_phase = PHASE_BAND_OPENS;
    s->handoff_timer = 0;
    const int32_t half = ui_screen_height() / 2;
    s->band_top = s->band_bottom = half;
    s->banner_width = font_text_width(GALAXY_HANDOFF_BANNER_FONT, GALAXY_HANDOFF_BANNER_TEXT);
    s->banner_y = half - font_line_height(GALAXY_HANDOFF_BANNER_FONT) / 2;
    s->loading_width = font_text_width(GALAXY_HANDOFF_LOADING_FONT, GALAXY_HANDOFF_LOADING_TEXT);
    s->loading_rect = centre_rect();
    s->uncovered_rect = GalaxyRect{0, 0, -1, -1};   // nothing uncovered yet: the first frame shows the centre
    free_letters(s);
    for (int i = 0; i < GALAXY_HANDOFF_LETTERS; ++i) {
        s->letter_fades[i] = colour_fade_create();
        colour_fade_start(s->letter_fades[i], 0, 24, 0, 210, 210, 210, 100, i * LETTER_STAGGER_MS, 0);
    }
    if (!s->loading_fade) s->loading_fade = colour_fade_create();
    else *s->loading_fade = ColourFade{};
}

void galaxy_handoff_step(int32_t dt) {
    GalaxyScreen *s = galaxy_screen();
    s->handoff_timer += dt;
    switch (s->handoff_phase) {
    case PHASE_BAND_OPENS:
        move_band(s, 1);
        if (s->band_top <= BAND_TOP || s->band_bottom >= BAND_BOTTOM) {
            s->band_top = BAND_TOP;
            s->band_bottom = BAND_BOTTOM;
            galaxy_flags_change(0, GALAXY_FLAG_HIDE_MAP);
            s->handoff_timer = 0;
            s->handoff_phase = PHASE_LETTERS_LIGHT;
        }
        break;
    case PHASE_LETTERS_LIGHT:
        step_letters(s, dt);
        if (letters_all_started(s)) start_loading(s);
        break;
    case PHASE_LOADING:
        step_letters(s, dt);
        step_loading(s, dt);
        break;
    case PHASE_PICTURE_OPENS:
        step_letters(s, dt);
        step_picture_opens(s, dt);
        break;
    case PHASE_HOLD:
        step_letters(s, dt);
        if (s->handoff_timer < HOLD_MS) break;
        for (ColourFade *fade : s->letter_fades)
            if (fade) colour_fade_start(fade, 80, 80, 80, 0, 24, 0, LETTER_FADE_OUT_MS, 0, 0);
        s->handoff_timer = 0;
        s->handoff_phase = PHASE_BAND_CLOSES;
        break;
    case PHASE_BAND_CLOSES:
        step_letters(s, dt);
        move_band(s, -1);
        if (s->band_top >= s->band_bottom) {
            s->band_top = s->band_bottom = (s->band_top + s->band_bottom) / 2;
            if (letters_all_ended(s)) finish_handoff(s);
        }
        break;
    default:
        break;
    }
}
