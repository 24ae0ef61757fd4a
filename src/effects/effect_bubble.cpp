// Floating text: drift along the style's heading, darken every 50 ms, finish when black.
#include "effects/effect_bubble.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "effects/effect_local.h"
#include "platform/font.h"
#include "platform/geometry.h"
#include "platform/graphics.h"
#include "platform/log.h"
#include "platform/sprite.h"

namespace {

struct BubbleStyle {
    int8_t  icons[2];        // -1: none
    int32_t heading;
    int32_t fade_start;
    int32_t speed_div;
    int32_t max_rise;        // 0: the style does not rise
    bool    blocking;
};

constexpr BubbleStyle STYLES[BUBBLE_STYLE_COUNT] = {
    {{-1, -1}, 20, -450, 110, 0, true},
    {{0, -1}, 90, -2000, 60, 32, false},
    {{1, -1}, 20, -450, 110, 0, true},
    {{1, -1}, 90, -2000, 60, 35, false},
    {{2, -1}, 90, -2000, 60, 32, false},
    {{0, 3}, 20, -450, 110, 0, true},
    {{4, -1}, 20, -450, 110, 0, true},
    {{5, -1}, 20, -450, 110, 0, true},
    {{6, -1}, 90, -2000, 60, 32, false},
};
constexpr int32_t FADE_STEP_MS = 50;
constexpr int32_t ICON_GAP = 4;
constexpr int32_t TEXT_DROP = 3;

Sprite **g_icons = nullptr;
int      g_icon_count = 0;

Sprite *icon(int index) {
    if (index < 0 || index >= g_icon_count || !g_icons) return nullptr;
    return g_icons[index];
}

Result bubble_load_type() {
    log_write(LOG_GAME, LOG_DEBUG2, "Load bubble instance frames");
    sprite_array_release(g_icons, g_icon_count);
    g_icons = sprite_load_numbered("effect/bubble", &g_icon_count);
    if (!g_icons) {
        g_icon_count = 0;
        log_write(LOG_GAME, LOG_ERROR, "Failed to load bubble frames");
        return RES_READ_FAILED;
    }
    return RES_OK;
}

void bubble_free_type() {
    log_write(LOG_GAME, LOG_DEBUG2, "Free bubble instance frames");
    sprite_array_release(g_icons, g_icon_count);
    g_icons = nullptr;
    g_icon_count = 0;
}

Effect *bubble_create() { return new (std::nothrow) TextBubbleEffect{}; }

void bubble_free(Effect *e) {
    TextBubbleEffect *b = static_cast<TextBubbleEffect *>(e);
    std::free(b->text);
    delete b;
}

bool is_rising(int style) { return STYLES[style].max_rise > 0; }

void bubble_step(Effect *e, int32_t dt) {
    TextBubbleEffect *b = static_cast<TextBubbleEffect *>(e);
    const BubbleStyle &s = STYLES[b->style];
    if (s.blocking) effect_set_blocking(b);
    if (b->start_delay > 0) {
        b->start_delay -= dt;
        if (b->start_delay > 0) return;
    }
    if (!(b->flags & BUBBLE_STARTED)) {
        b->flags |= BUBBLE_STARTED;
        b->origin_x = b->x;
        b->origin_y = b->y;
    }
    if (!(b->flags & BUBBLE_RISE_STOPPED)) {
        int vx = 0, vy = 0;
        rotate_point(b->heading, 1000, &vx, &vy);
        b->carry_x += vx * dt / b->speed_div;
        b->carry_y += vy * dt / b->speed_div;
        b->x += b->carry_x / b->speed_div;
        b->carry_x %= b->speed_div;
        b->y += b->carry_y / b->speed_div;
        b->carry_y %= b->speed_div;
    }
    if (is_rising(b->style) && std::abs(b->origin_y - b->y) >= b->max_rise) {
        b->flags |= BUBBLE_RISE_STOPPED;
        b->y = b->origin_y - b->max_rise;
    }
    b->fade_clock += dt;
    while (b->fade_clock >= FADE_STEP_MS) {
        b->fade_clock -= FADE_STEP_MS;
        b->red = b->red * 5 / 6;
        b->green = b->green * 5 / 6;
        b->blue = b->blue * 5 / 6;
    }
    if ((b->state & EFFECT_BLOCKING) && b->red < 30 && b->green < 30 && b->blue < 30)
        effect_clear_blocking(b, EFFECT_HOLD_BUBBLE_MS);
    if (b->red <= 0 && b->green <= 0 && b->blue <= 0) b->state |= EFFECT_FINISHED;
}

void draw_icon(Graphics *gfx, Sprite *s, int32_t x, int32_t y, int32_t alpha) {
    if (!s) return;
    if (alpha >= 100) effect_queue_blit(gfx, s, x, y);
    else effect_queue_sprite(gfx, s, x, y, SPRITE_DRAW_BRIGHTNESS, alpha);
}

void bubble_draw(Effect *e, Graphics *gfx, int32_t x, int32_t y) {
    TextBubbleEffect *b = static_cast<TextBubbleEffect *>(e);
    if (b->start_delay > 0) return;
    const BubbleStyle &s = STYLES[b->style];
    const int32_t alpha = (b->red + b->green + b->blue) / 3;
    int32_t pen_x = x, pen_y = y;
    Sprite *first = icon(s.icons[0]);
    Sprite *second = icon(s.icons[1]);
    if (s.icons[0] >= 0 && s.icons[1] < 0) {
        draw_icon(gfx, first, x, y, alpha);
        if (first) effect_queue_rects(gfx, x, y, first->width, first->height);
        pen_x = x + effect_sprite_width(first) + ICON_GAP;
        pen_y = y + TEXT_DROP;
    } else if (s.icons[1] >= 0) {
        draw_icon(gfx, first, x, y, alpha);
        const int32_t second_x = x + effect_sprite_width(first) + ICON_GAP;
        draw_icon(gfx, second, second_x, y, alpha);
        const int32_t both = effect_sprite_width(first) + effect_sprite_width(second) + 2 * ICON_GAP;
        effect_queue_rects(gfx, x, y, both, b->height);
        pen_x = x + both;
        pen_y = y + TEXT_DROP;
    }
    const auto channel = [](int32_t v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
    (void)font_draw_text(gfx, b->font, pen_x, pen_y, gfx_map_rgb(channel(b->red), channel(b->green), channel(b->blue)),
                         b->text ? b->text : "");
}

}  // namespace

void text_bubble_effect_register(EffectType *t) {
    t->name = "text bubble";
    t->load_type = bubble_load_type;
    t->free_type = bubble_free_type;
    t->create = bubble_create;
    t->free = bubble_free;
    t->step = bubble_step;
    t->draw = bubble_draw;
}

TextBubbleEffect *effect_create_text_bubble(int style, int font, const char *text, int r, int g, int b) {
    if (style < 0 || style >= BUBBLE_STYLE_COUNT) {
        log_write(LOG_GAME, LOG_ERROR, "Refused text bubble style %i", style);
        return nullptr;
    }
    TextBubbleEffect *e = static_cast<TextBubbleEffect *>(effect_create(EFFECT_TEXT_BUBBLE));
    if (!e) return nullptr;
    e->text = strdup(text ? text : "");
    if (!e->text) {
        effect_free(e);
        return nullptr;
    }
    const BubbleStyle &s = STYLES[style];
    e->style = style;
    e->font = font;
    e->width = font_text_width(font, e->text);
    e->height = font_line_height(font);
    e->red = r;
    e->green = g;
    e->blue = b;
    e->heading = s.heading;
    e->fade_clock = s.fade_start;
    e->speed_div = s.speed_div;
    e->max_rise = s.max_rise;
    for (int8_t index : s.icons) {
        if (index < 0) continue;
        if (Sprite *i = icon(index)) {
            e->width += i->width + ICON_GAP;
            if (i->height > e->height) e->height = i->height;
        }
    }
    return e;
}

TextBubbleEffect *effect_create_text_bubblef(int style, int font, int r, int g, int b, const char *format, ...) {
    char text[BUBBLE_TEXT_MAX];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return effect_create_text_bubble(style, font, text, r, g, b);
}

void effect_bubble_set_start_delay(TextBubbleEffect *b, int ms) {
    if (b) b->start_delay = ms;
}

void effect_bubble_set_max_rise(TextBubbleEffect *b, int px) {
    if (b) b->max_rise = px;
}

int effect_bubble_icon_count() { return g_icon_count; }
