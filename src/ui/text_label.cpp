// Text label: measured text, hover colour, typing effect, sweep highlight.
#include "ui/text_label.h"

#include <cstring>
#include <new>
#include <string>

#include "platform/colour_fade.h"
#include "ui/ui_draw.h"

namespace {

TextLabel *label_data(Control *c) { return static_cast<TextLabel *>(control_type_data(c)); }

size_t label_size() { return sizeof(TextLabel); }

char *copy_chars(const char *text, size_t n) {
    char *s = new (std::nothrow) char[n + 1];
    if (!s) return nullptr;
    std::memcpy(s, text, n);
    s[n] = 0;
    return s;
}

void label_init(Control *c) {
    TextLabel *t = new (control_type_data(c)) TextLabel{};
    t->text = copy_chars("", 0);
    t->colour = colour_fade_create();
}

void label_free(Control *c) {
    TextLabel *t = label_data(c);
    delete[] t->text;
    t->text = nullptr;
    colour_fade_free(t->colour);
    t->colour = nullptr;
}

void replace_text(Control *c, const char *text) {
    TextLabel *t = label_data(c);
    if (!text) text = "";
    const size_t n = std::strlen(text);
    char *s = copy_chars(text, n);
    if (!s) return;
    delete[] t->text;
    t->text = s;
    t->length = static_cast<int32_t>(n);
    text_label_measure(c);
}

void label_update(Control *c, int ms) {
    TextLabel *t = label_data(c);
    if (t->flags & TEXT_HOVER) {
        const bool hovered = c->flags & CTRL_HOVERED;
        if (hovered && !(t->flags & TEXT_HOVERED)) {
            t->flags |= TEXT_HOVERED;
            if (t->hover_ms < 1) colour_fade_set(t->colour, t->hover_rgb[0], t->hover_rgb[1], t->hover_rgb[2]);
            else colour_fade_to(t->colour, t->hover_rgb[0], t->hover_rgb[1], t->hover_rgb[2], t->hover_ms, 0);
        } else if (!hovered && (t->flags & TEXT_HOVERED)) {
            t->flags &= ~TEXT_HOVERED;
            if (t->hover_ms < 1) colour_fade_set(t->colour, t->base_rgb[0], t->base_rgb[1], t->base_rgb[2]);
            else colour_fade_to(t->colour, t->base_rgb[0], t->base_rgb[1], t->base_rgb[2], t->hover_ms, 0);
        }
    }
    colour_fade_update(t->colour, ms);
    if ((t->flags & TEXT_SWEEP) && t->sweep_period > 0) {
        t->sweep_elapsed += ms;
        if (t->sweep_elapsed >= t->sweep_period) {
            t->sweep_elapsed %= t->sweep_period;
            t->sweep_index += t->sweep_step;
            if (t->sweep_index <= 0 || t->sweep_index >= t->length) t->sweep_step = -t->sweep_step;
        }
    }
    if ((t->flags & TEXT_TYPING) && !(t->flags & TEXT_TYPED)) {
        t->type_left -= ms;
        while (t->type_left <= 0) {
            t->typed += 1;
            if (t->typed >= t->length) {
                t->typed = t->length;
                t->flags |= TEXT_TYPED;
                t->blinks_left = (t->flags & TEXT_NO_BLINK) ? 0 : 8;
                t->blink_left = 3 * t->type_ms;
                break;
            }
            t->type_left += t->type_ms;
        }
        text_label_measure(c);
    } else if (t->flags & TEXT_TYPED) {
        t->blink_left -= ms;
        while (t->blink_left <= 0) {
            t->blinks_left -= 1;
            if (t->blinks_left < 1) {
                t->flags &= ~(TEXT_TYPING | TEXT_TYPED);
                text_label_measure(c);
                break;
            }
            t->blink_left += 3 * t->type_ms;
        }
    }
}

void label_draw(Control *c, Graphics *gfx, int ox, int oy) {
    TextLabel *t = label_data(c);
    if (!t->colour || colour_fade_is_black(t->colour)) return;
    const int px = ox + c->x, py = oy + c->y;
    if (t->flags & TEXT_BACKING) ui_darken_rect(gfx, px, py, c->w, c->h, 2);
    if (t->flags & TEXT_TYPING) {
        ui_text_n(gfx, t->font, px, py, t->colour->pixel, t->text, t->typed);
        const bool finished = t->flags & TEXT_TYPED;
        if (!finished || t->blinks_left % 2 == 0)
            ui_fill_rect(gfx, px + t->typed_width + 2, py + 1, t->cursor_size, t->cursor_size, t->colour->r,
                         t->colour->g, t->colour->b);
    } else if (t->flags & TEXT_SWEEP) {
        ui_text_highlight(gfx, t->font, px, py, t->colour->pixel, t->sweep_index, t->sweep_percent, t->text);
    } else {
        if (t->flags & TEXT_HALO)
            ui_text(gfx, t->font, px + 1, py, colour_fade_map(t->halo_rgb[0], t->halo_rgb[1], t->halo_rgb[2]), t->text);
        ui_text(gfx, t->font, px, py, t->colour->pixel, t->text);
    }
}

const ControlClass k_label_class = {
    .load_assets = nullptr,
    .free_assets = nullptr,
    .free_all_assets = nullptr,
    .size = label_size,
    .init = label_init,
    .free = label_free,
    .on_user_data = nullptr,
    .update = label_update,
    .draw = label_draw,
    .on_show = nullptr,
    .get_bounds = nullptr,
    .fade_out = text_label_fade_out,
};

std::string format_va(const char *format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(n));
    return out;
}

}  // namespace

const ControlClass *text_label_class() { return &k_label_class; }

TextLabel *text_label_of(Control *c) { return c && c->type == CONTROL_TEXT ? label_data(c) : nullptr; }
const TextLabel *text_label_of(const Control *c) {
    return c && c->type == CONTROL_TEXT ? static_cast<const TextLabel *>(control_type_data(c)) : nullptr;
}

Control *text_label_create_plain(int font, int r, int g, int b, const char *text) {
    Control *c = control_create(CONTROL_TEXT);
    if (!c) return nullptr;
    label_data(c)->font = font;
    replace_text(c, text);
    colour_fade_set(label_data(c)->colour, r, g, b);
    return c;
}

Control *text_label_create(int font, int r, int g, int b, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = format_va(format, args);
    va_end(args);
    return text_label_create_plain(font, r, g, b, text.c_str());
}

Control *text_label_create_empty(int font) { return text_label_create_plain(font, 0, 0, 0, ""); }

void text_label_set_text(Control *c, const char *text) {
    if (text_label_of(c)) replace_text(c, text);
}

void text_label_set_text_va(Control *c, const char *format, va_list args) {
    if (!text_label_of(c)) return;
    const std::string text = format_va(format, args);
    replace_text(c, text.c_str());
}

void text_label_set_text_printf(Control *c, const char *format, ...) {
    va_list args;
    va_start(args, format);
    text_label_set_text_va(c, format, args);
    va_end(args);
}

void text_label_set_font(Control *c, int font) {
    if (TextLabel *t = text_label_of(c)) {
        t->font = font;
        text_label_measure(c);
    }
}

void text_label_enable_hover(Control *c) {
    TextLabel *t = text_label_of(c);
    if (!t) return;
    t->flags |= TEXT_HOVER;
    t->base_rgb[0] = 0; t->base_rgb[1] = 240; t->base_rgb[2] = 0;
    t->hover_rgb[0] = 253; t->hover_rgb[1] = 253; t->hover_rgb[2] = 253;
    t->hover_ms = 80;
    colour_fade_set(t->colour, 0, 240, 0);
}

void text_label_set_backing(Control *c) {
    if (TextLabel *t = text_label_of(c)) t->flags |= TEXT_BACKING;
}

void text_label_set_halo(Control *c, int r, int g, int b) {
    TextLabel *t = text_label_of(c);
    if (!t) return;
    t->flags |= TEXT_HALO;
    t->halo_rgb[0] = uint8_t(r);
    t->halo_rgb[1] = uint8_t(g);
    t->halo_rgb[2] = uint8_t(b);
}

void text_label_start_typing(Control *c, int ms_per_char) {
    TextLabel *t = text_label_of(c);
    if (!t) return;
    t->flags &= ~(TEXT_TYPED | TEXT_NO_BLINK);
    t->flags |= TEXT_TYPING;
    t->type_ms = ms_per_char > 1 ? ms_per_char : 1;
    t->typed = 0;
    t->type_left = 0;
    t->typed_width = 0;
    text_label_measure(c);
}

int text_label_typing_duration(const Control *c) {
    const TextLabel *t = text_label_of(c);
    if (!t || !(t->flags & TEXT_TYPING)) return 0;
    int total = t->length * t->type_ms;
    if (!(t->flags & TEXT_NO_BLINK)) total += 24 * t->type_ms;
    return total;
}

void text_label_measure(Control *c) {
    TextLabel *t = text_label_of(c);
    if (!t) return;
    int w = ui_text_width(t->font, t->text);
    const int h = ui_line_height(t->font);
    if (t->flags & TEXT_TYPING) {
        t->cursor_size = ui_space_advance(t->font);
        w += 2 + t->cursor_size;
        t->typed_width = ui_text_width_n(t->font, t->text, t->typed);
    }
    c->w = w;
    c->h = h;
}

ColourFade *text_label_colour(Control *c) {
    TextLabel *t = text_label_of(c);
    return t ? t->colour : nullptr;
}

void text_label_fade_out(Control *c, int ms) {
    TextLabel *t = text_label_of(c);
    if (!t) return;
    colour_fade_clear_idle_loop(t->colour);
    colour_fade_to(t->colour, 0, 0, 0, ms, 0);
}
