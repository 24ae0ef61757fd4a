// Colour fades: signed per-channel periods, stepped by the owner's update.
#include "platform/colour_fade.h"

#include <new>

#include "platform/graphics.h"

namespace {

int32_t channel_period(int32_t diff, int32_t ms) {
    if (diff == 0) return 0;
    int32_t period = ms / diff;                 // signed, truncating
    if (period == 0) period = diff > 0 ? 1 : -1;
    return period;
}

// Moves one channel by the steps its period gives for ms; returns whether it is at its goal.
bool step_channel(uint8_t *value, int32_t period, int32_t *acc, int32_t ms, int32_t direction,
                  int32_t goal) {
    int32_t steps = 0;
    if (period != 0) {
        *acc += ms;
        steps = *acc / period;                  // signed, truncating
        *acc = *acc % period;
    }
    if (direction < 0) steps = -steps;
    int32_t v = *value;
    if (steps > 0) {
        v += steps;
        if (v >= goal) { *value = static_cast<uint8_t>(goal); return true; }
    } else if (steps < 0) {
        v += steps;
        if (v <= goal) { *value = static_cast<uint8_t>(goal); return true; }
    } else {
        return v == goal;
    }
    if (v < 0) v = 0;
    if (v > 255) v = 255;
    *value = static_cast<uint8_t>(v);
    return false;
}

uint8_t clamp_u8(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

}  // namespace

uint32_t colour_fade_map(int r, int g, int b) {
    if (gfx_screen()->format) return gfx_map_rgb(clamp_u8(r), clamp_u8(g), clamp_u8(b));
    return (uint32_t(clamp_u8(r)) << 16) | (uint32_t(clamp_u8(g)) << 8) | uint32_t(clamp_u8(b));
}

ColourFade *colour_fade_create() { return new (std::nothrow) ColourFade{}; }

void colour_fade_free(ColourFade *fade) { delete fade; }

void colour_fade_start(ColourFade *fade, int r, int g, int b, int tr, int tg, int tb, int ms,
                       int delay, int mode) {
    if (!fade || ms <= 0) return;
    fade->r = clamp_u8(r);
    fade->g = clamp_u8(g);
    fade->b = clamp_u8(b);
    fade->from_r = fade->r;
    fade->from_g = fade->g;
    fade->from_b = fade->b;
    fade->to_r = clamp_u8(tr);
    fade->to_g = clamp_u8(tg);
    fade->to_b = clamp_u8(tb);
    // A single back-and-forth run does both legs within ms.
    const int32_t factor = ((mode & COLOUR_FADE_MODE_BOUNCE) && !(mode & COLOUR_FADE_MODE_REPEAT)) ? 2 : 1;
    fade->period_r = channel_period((fade->to_r - fade->from_r) * factor, ms);
    fade->period_g = channel_period((fade->to_g - fade->from_g) * factor, ms);
    fade->period_b = channel_period((fade->to_b - fade->from_b) * factor, ms);
    fade->acc_r = fade->acc_g = fade->acc_b = 0;
    fade->direction = 1;
    fade->delay = delay > 0 ? delay : 0;
    fade->pixel = colour_fade_map(fade->r, fade->g, fade->b);
    fade->flags |= COLOUR_FADE_RUNNING;
    fade->flags &= ~COLOUR_FADE_RETURNING;
    if (mode & COLOUR_FADE_MODE_REPEAT) fade->flags |= COLOUR_FADE_REPEAT;
    else fade->flags &= ~COLOUR_FADE_REPEAT;
    if (mode & COLOUR_FADE_MODE_BOUNCE) fade->flags |= COLOUR_FADE_BOUNCE;
    else fade->flags &= ~COLOUR_FADE_BOUNCE;
}

void colour_fade_to(ColourFade *fade, int tr, int tg, int tb, int ms, int delay) {
    if (!fade) return;
    colour_fade_start(fade, fade->r, fade->g, fade->b, tr, tg, tb, ms, delay, 0);
}

void colour_fade_from(ColourFade *fade, int r, int g, int b, int ms, int delay) {
    if (!fade) return;
    colour_fade_start(fade, r, g, b, fade->r, fade->g, fade->b, ms, delay, 0);
}

void colour_fade_set(ColourFade *fade, int r, int g, int b) {
    if (!fade) return;
    fade->r = clamp_u8(r);
    fade->g = clamp_u8(g);
    fade->b = clamp_u8(b);
    fade->pixel = colour_fade_map(fade->r, fade->g, fade->b);
    fade->flags &= ~COLOUR_FADE_RUNNING;
}

void colour_fade_finish(ColourFade *fade) {
    if (!fade || !(fade->flags & COLOUR_FADE_RUNNING)) return;
    fade->acc_r = fade->acc_g = fade->acc_b = 0;
    if (fade->direction < 0) {
        fade->r = static_cast<uint8_t>(fade->from_r);
        fade->g = static_cast<uint8_t>(fade->from_g);
        fade->b = static_cast<uint8_t>(fade->from_b);
    } else {
        fade->r = static_cast<uint8_t>(fade->to_r);
        fade->g = static_cast<uint8_t>(fade->to_g);
        fade->b = static_cast<uint8_t>(fade->to_b);
    }
}

void colour_fade_set_idle_loop(ColourFade *fade, int r, int g, int b, int tr, int tg, int tb, int ms,
                               bool back_and_forth) {
    if (!fade) return;
    fade->flags |= COLOUR_FADE_IDLE_LOOP;
    fade->loop_from[0] = clamp_u8(r);
    fade->loop_from[1] = clamp_u8(g);
    fade->loop_from[2] = clamp_u8(b);
    fade->loop_to[0] = clamp_u8(tr);
    fade->loop_to[1] = clamp_u8(tg);
    fade->loop_to[2] = clamp_u8(tb);
    fade->loop_ms = ms;
    fade->loop_mode = back_and_forth ? 3 : 1;
}

void colour_fade_clear_idle_loop(ColourFade *fade) {
    if (fade) fade->flags &= ~COLOUR_FADE_IDLE_LOOP;
}

bool colour_fade_is_running(const ColourFade *fade) {
    return fade && (fade->flags & COLOUR_FADE_RUNNING);
}

bool colour_fade_is_waiting(const ColourFade *fade) {
    return colour_fade_is_running(fade) && fade->delay > 0;
}

bool colour_fade_is_black(const ColourFade *fade) {
    return !fade || (fade->r == 0 && fade->g == 0 && fade->b == 0);
}

void colour_fade_update(ColourFade *fade, int ms) {
    if (!fade) return;
    if ((fade->flags & COLOUR_FADE_IDLE_LOOP) && !(fade->flags & COLOUR_FADE_RUNNING)) {
        colour_fade_start(fade, fade->loop_from[0], fade->loop_from[1], fade->loop_from[2],
                          fade->loop_to[0], fade->loop_to[1], fade->loop_to[2], fade->loop_ms, 0,
                          fade->loop_mode);
    }
    if (!(fade->flags & COLOUR_FADE_RUNNING)) return;
    if (fade->delay > 0) {
        fade->delay -= ms;
        if (fade->delay > 0) return;
    }
    const bool back = fade->direction < 0;
    const bool done_r = step_channel(&fade->r, fade->period_r, &fade->acc_r, ms, fade->direction,
                                     back ? fade->from_r : fade->to_r);
    const bool done_g = step_channel(&fade->g, fade->period_g, &fade->acc_g, ms, fade->direction,
                                     back ? fade->from_g : fade->to_g);
    const bool done_b = step_channel(&fade->b, fade->period_b, &fade->acc_b, ms, fade->direction,
                                     back ? fade->from_b : fade->to_b);
    if (done_r && done_g && done_b) {
        fade->acc_r = fade->acc_g = fade->acc_b = 0;
        if (!(fade->flags & COLOUR_FADE_REPEAT)) {
            if ((fade->flags & COLOUR_FADE_BOUNCE) && !(fade->flags & COLOUR_FADE_RETURNING)) {
                fade->direction = -fade->direction;
                fade->flags |= COLOUR_FADE_RETURNING;
            } else {
                fade->flags &= ~COLOUR_FADE_RUNNING;
            }
        } else if (fade->flags & COLOUR_FADE_BOUNCE) {
            fade->direction = -fade->direction;
        } else {
            fade->r = static_cast<uint8_t>(fade->from_r);
            fade->g = static_cast<uint8_t>(fade->from_g);
            fade->b = static_cast<uint8_t>(fade->from_b);
        }
    }
    fade->pixel = colour_fade_map(fade->r, fade->g, fade->b);
}
