// Image control: buttons, looks, highlight and the tooltip settings.
#include "ui/image_control.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "platform/anim.h"
#include "platform/colour_fade.h"
#include "platform/log.h"
#include "ui/game_controls.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"

namespace {

constexpr uint32_t ST_BORDER_LOOK  = 0x1;
constexpr uint32_t ST_CAPTION_LOOK = 0x2;
constexpr uint32_t ST_FEEDBACK     = 0x4;
constexpr uint32_t ST_UPDATED      = 0x8;
constexpr uint32_t ST_OWNS_ANIM    = 0x10;

ImageControl *image_data(Control *c) { return static_cast<ImageControl *>(control_type_data(c)); }

char *copy_text_or_empty(const char *text) {
    if (!text) text = "";
    const size_t n = std::strlen(text);
    char *s = new (std::nothrow) char[n + 1];
    if (s) std::memcpy(s, text, n + 1);
    return s;
}

void set_rgb(uint8_t out[3], int r, int g, int b) {
    out[0] = static_cast<uint8_t>(r);
    out[1] = static_cast<uint8_t>(g);
    out[2] = static_cast<uint8_t>(b);
}

void release_frames(ImageControl *im) {
    if (im->frames) {
        for (int i = 0; i < im->frame_count; ++i) ui_sprite_release(im->frames[i]);
        delete[] im->frames;
    }
    im->frames = nullptr;
    im->frame_count = 0;
    im->sprite = nullptr;
}

void take_frames(ImageControl *im, Sprite *const *sprites, int count) {
    release_frames(im);
    if (!sprites || count < 1) return;
    im->frames = new (std::nothrow) Sprite *[static_cast<size_t>(count)];
    if (!im->frames) return;
    for (int i = 0; i < count; ++i) {
        im->frames[i] = sprites[i];
        ui_sprite_addref(sprites[i]);
    }
    im->frame_count = count;
    im->sprite = im->frames[0];
    im->frame = 0;
}

void drop_animation(ImageControl *im) {
    if (im->state & ST_OWNS_ANIM) anim_free(im->animation);
    im->animation = nullptr;
    im->state &= ~ST_OWNS_ANIM;
}

// Sprite offset for the player's current entry.
void place_sprite(Control *c) {
    ImageControl *im = image_data(c);
    if (!im->sprite) return;
    if (im->animation && (im->animation->flags & ANIM_CENTRED)) {
        const int border = (im->options & IMG_BORDER) ? 1 : 0;
        im->sprite_dx = (c->w - 2 * border) / 2 - ui_sprite_width(im->sprite) / 2;
        im->sprite_dy = (c->h - 2 * border) / 2 - ui_sprite_height(im->sprite) / 2;
    } else if (im->frame_dx && im->frame_dy && im->player) {
        const int e = im->player->index;
        if (e >= 0 && e < im->frame_count) {
            im->sprite_dx = im->frame_dx[e];
            im->sprite_dy = im->frame_dy[e];
        }
    }
}

size_t image_size() { return sizeof(ImageControl); }

void image_init(Control *c) { new (control_type_data(c)) ImageControl{}; }

void image_free(Control *c) {
    ImageControl *im = image_data(c);
    drop_animation(im);
    anim_player_free(im->player);
    delete[] im->frame_dx;
    delete[] im->frame_dy;
    colour_fade_free(im->border);
    colour_fade_free(im->caption_colour);
    for (ColourFade *f : im->outline) colour_fade_free(f);
    colour_fade_free(im->background);
    colour_fade_free(im->blend_fill);
    colour_fade_free(im->recolour);
    colour_fade_free(im->noise);
    colour_fade_free(im->tint);
    delete[] im->caption;
    delete[] im->tooltip_text;
    release_frames(im);
}

// Moves a look colour between its base and hover colours as the hover begins and ends.
void image_hover_look(ImageControl *im, bool hovered, uint32_t state_bit, ColourFade *fade, const uint8_t base[3],
                      const uint8_t hover[3], int ms) {
    ui_hover_colour(fade, hovered, &im->state, state_bit, base, hover, ms);
}

int interpolate(int from, int to, int elapsed, int duration) {
    if (duration < 1) duration = 1;
    int v = from + (to - from) * elapsed / duration;
    if ((to >= from && v > to) || (to < from && v < to)) v = to;
    return v;
}

void image_update(Control *c, int ms) {
    ImageControl *im = image_data(c);
    im->state |= ST_UPDATED;
    const bool enabled = !(c->flags & CTRL_DISABLED);
    const bool hovered = c->flags & CTRL_HOVERED;
    const bool held = c->flags & (CTRL_PRESSED | CTRL_HOTKEY_HELD);

    if ((im->options & IMG_BORDER) && im->border) {
        if (enabled) {
            if ((im->options & IMG_BORDER_PRESS) && held) {
                im->state |= ST_BORDER_LOOK;
                colour_fade_set(im->border, im->border_press_rgb[0], im->border_press_rgb[1], im->border_press_rgb[2]);
            } else if (im->options & IMG_BORDER_HOVER) {
                image_hover_look(im, hovered, ST_BORDER_LOOK, im->border, im->border_rgb, im->border_hover_rgb, im->border_ms);
            }
        }
        colour_fade_update(im->border, ms);
    }
    if (im->options & IMG_TINT) colour_fade_update(im->tint, ms);
    if (im->caption && im->caption_colour) {
        if (enabled) {
            if ((im->options & IMG_CAPTION_PRESS) && held) {
                im->state |= ST_CAPTION_LOOK;
                colour_fade_set(im->caption_colour, im->caption_press_rgb[0], im->caption_press_rgb[1],
                                im->caption_press_rgb[2]);
            } else if (im->options & IMG_CAPTION_HOVER) {
                image_hover_look(im, hovered, ST_CAPTION_LOOK, im->caption_colour, im->caption_rgb, im->caption_hover_rgb,
                                 im->caption_ms);
            }
        }
        colour_fade_update(im->caption_colour, ms);
    }
    if ((im->options & IMG_FEEDBACK_HOVER) && enabled) {
        if ((im->options & IMG_FEEDBACK_PRESS) && held) {
            im->state |= ST_FEEDBACK;
            im->brightness = 220;
            im->options |= IMG_BRIGHTNESS;
            im->options &= ~IMG_BRIGHT_ANIM;
        } else if (!(im->state & ST_FEEDBACK) && hovered) {
            im->state |= ST_FEEDBACK;
            if (im->feedback_ms > 0) {
                image_control_animate_brightness(c, 160, im->feedback_ms, 0);
            } else {
                im->brightness = 190;
                im->options |= IMG_BRIGHTNESS;
                im->options &= ~IMG_BRIGHT_ANIM;
            }
        } else if ((im->state & ST_FEEDBACK) && !hovered) {
            im->state &= ~ST_FEEDBACK;
            if (im->feedback_ms > 0) {
                image_control_animate_brightness(c, 100, im->feedback_ms, 0);
            } else {
                im->brightness = 100;
                im->options &= ~(IMG_BRIGHTNESS | IMG_BRIGHT_ANIM);
            }
        }
    }
    if (im->options & IMG_BRIGHT_ANIM) {
        if (im->brightness == im->brightness_to) {
            im->options &= ~IMG_BRIGHT_ANIM;
        } else {
            im->brightness_elapsed += ms;
            if (im->brightness_elapsed >= 0) {
                im->brightness = interpolate(im->brightness_from, im->brightness_to, im->brightness_elapsed,
                                             im->brightness_ms);
                if (im->brightness != 100) im->options |= IMG_BRIGHTNESS;
                else im->options &= ~IMG_BRIGHTNESS;
            }
        }
    }
    if (im->options & IMG_GREY_ANIM) {
        if (im->grey == im->grey_to) {
            im->options &= ~IMG_GREY_ANIM;
        } else {
            im->grey_elapsed += ms;
            if (im->grey_elapsed >= 0) {
                const int v = interpolate(im->grey_from, im->grey_to, im->grey_elapsed, im->grey_ms);
                if (v < 1) {
                    im->grey = v;
                    im->options &= ~IMG_GREY;
                } else {
                    im->grey = std::min(v, 100);
                    im->options |= IMG_GREY;
                }
            }
        }
    }
    if (im->options & IMG_REVEAL_ANIM) {
        if (im->reveal == im->reveal_to) {
            im->options &= ~IMG_REVEAL_ANIM;
        } else {
            im->reveal_elapsed += ms;
            if (im->reveal_elapsed >= 0) {
                im->reveal = std::clamp(interpolate(im->reveal_from, im->reveal_to, im->reveal_elapsed, im->reveal_ms),
                                        0, 100);
                im->options |= IMG_REVEAL;
                image_control_refresh(c);
            }
        }
    }
    if ((im->options & IMG_ANIMATED) && !(im->options & IMG_PAUSED) && im->player) {
        anim_player_update(im->player, ms);
        if (anim_player_frame_changed(im->player)) {
            const int f = im->player->frame;
            if (f >= 0 && f < im->frame_count) {
                im->frame = f;
                im->sprite = im->frames[f];
                place_sprite(c);
            }
        }
    }
    if (im->options & IMG_OUTLINE) {
        bool black = true;
        for (int i = 0; i < 4; ++i) {
            if (!im->outline[i]) continue;
            colour_fade_update(im->outline[i], ms);
            im->outline_r[i] = im->outline[i]->r;
            im->outline_g[i] = im->outline[i]->g;
            im->outline_b[i] = im->outline[i]->b;
            if (!colour_fade_is_black(im->outline[i])) black = false;
        }
        if (black) im->options |= IMG_OUTLINE_BLACK;
        else im->options &= ~IMG_OUTLINE_BLACK;
    }
    if (im->options & IMG_BLEND_FILL) colour_fade_update(im->blend_fill, ms);
    if (im->options & IMG_BACKGROUND) colour_fade_update(im->background, ms);
    if (im->options & IMG_NOISE) colour_fade_update(im->noise, ms);
    if (im->options & IMG_RECOLOUR) colour_fade_update(im->recolour, ms);
}

void image_draw(Control *c, Graphics *gfx, int ox, int oy) {
    ImageControl *im = image_data(c);
    int px = ox + c->x, py = oy + c->y;
    int inner_w = c->w, inner_h = c->h;
    if ((im->options & IMG_BORDER) && im->border) {
        ui_frame_rect(gfx, px, py, c->w, c->h, im->border->r, im->border->g, im->border->b);
        px += 1;
        py += 1;
        inner_w -= 2;
        inner_h -= 2;
    }
    const bool highlighted = im->options & IMG_HIGHLIGHTED;
    if ((im->options & IMG_BACKGROUND) && !highlighted && im->background)
        ui_fill_rect(gfx, px, py, inner_w, inner_h, im->background->r, im->background->g, im->background->b);
    if ((im->options & IMG_BLEND_FILL) && !highlighted && im->blend_fill)
        ui_blend_rect(gfx, px, py, inner_w, inner_h, im->blend_fill->r, im->blend_fill->g, im->blend_fill->b);
    if (im->options & IMG_OUTLINE) {
        px += im->margin_left;
        py += im->margin_top;
    }
    // The noise texture lies under the caption: drawn over it, it would overwrite the caption's
    // channels with random values.
    if ((im->options & IMG_NOISE) && im->noise && im->sprite)
        ui_noise_rect(gfx, px, py, inner_w, inner_h, im->noise->r, im->noise->g, im->noise->b);
    const int sw = im->sprite ? ui_sprite_width(im->sprite) : 0;
    const int sh = im->sprite ? ui_sprite_height(im->sprite) : 0;
    if (im->caption && !(im->options & IMG_CAPTION_HIDDEN) && im->caption_colour) {
        int tx, ty;
        if (im->caption_side == 0) {
            tx = px + sw + im->caption_gap;
            ty = sh < im->caption_h ? py : py + sh / 2 - im->caption_h / 2;
        } else {
            tx = sw < im->caption_w ? px : px + sw / 2 - im->caption_w / 2;
            ty = py + sh + im->caption_gap;
        }
        if (!colour_fade_is_black(im->caption_colour))
            ui_text(gfx, im->caption_font, tx, ty, im->caption_colour->pixel, im->caption);
    }
    if (!im->sprite) return;
    const int sx = px + im->sprite_dx, sy = py + im->sprite_dy;
    if ((im->options & IMG_OUTLINE) && !(im->options & IMG_OUTLINE_BLACK))
        ui_sprite_outline(gfx, im->sprite, sx, sy, im->outline_r, im->outline_g, im->outline_b, im->outline_levels);
    const bool bright = im->options & IMG_BRIGHTNESS;
    const bool reveal = im->options & IMG_REVEAL;
    const bool grey = im->options & IMG_GREY;
    const bool recolour = (im->options & IMG_RECOLOUR) && im->recolour;
    if (!((bright && im->brightness < 1) || (reveal && im->reveal < 1))) {
        if (!bright && !reveal && !grey && !recolour) {
            ui_sprite_blit(gfx, im->sprite, sx, sy);
        } else {
            uint32_t modes = 0;
            if (grey) modes |= UI_SPRITE_GREY;
            if (bright) modes |= UI_SPRITE_BRIGHTNESS;
            if (reveal) modes |= UI_SPRITE_REVEAL;
            if (recolour) modes |= UI_SPRITE_RECOLOUR;
            const int rr = recolour ? im->recolour->r : 0, rg = recolour ? im->recolour->g : 0,
                      rb = recolour ? im->recolour->b : 0;
            ui_sprite_draw(gfx, im->sprite, sx, sy, modes, rr, rg, rb, im->brightness, im->grey, im->reveal);
        }
    }
    if ((im->options & IMG_TINT) && im->tint)
        ui_sprite_tint(gfx, im->sprite, sx, sy, im->tint->r, im->tint->g, im->tint->b);
}

void image_on_show(Control *c) {
    ImageControl *im = image_data(c);
    if (!(im->state & ST_UPDATED)) return;
    if ((im->options & IMG_BORDER_HOVER) && (im->state & ST_BORDER_LOOK) && im->border) {
        colour_fade_set(im->border, im->border_rgb[0], im->border_rgb[1], im->border_rgb[2]);
        im->state &= ~ST_BORDER_LOOK;
    }
    if ((im->options & IMG_CAPTION_HOVER) && (im->state & ST_CAPTION_LOOK) && im->caption_colour) {
        colour_fade_set(im->caption_colour, im->caption_rgb[0], im->caption_rgb[1], im->caption_rgb[2]);
        im->state &= ~ST_CAPTION_LOOK;
    }
    im->state &= ~ST_FEEDBACK;
    im->brightness = 100;
    im->options &= ~(IMG_BRIGHTNESS | IMG_BRIGHT_ANIM);
}

Result image_load_assets(int type) { return image_control_load_type(type); }
void image_free_assets(int type) { image_control_free_type(type); }

const ControlClass k_image_class = {
    .load_assets = image_load_assets,
    .free_assets = image_free_assets,
    .free_all_assets = image_control_free_all_types,
    .size = image_size,
    .init = image_init,
    .free = image_free,
    .on_user_data = nullptr,
    .update = image_update,
    .draw = image_draw,
    .on_show = image_on_show,
    .get_bounds = nullptr,
    .fade_out = image_control_fade_out,
};

Control *create_common(int type) {
    Control *c = control_create(CONTROL_IMAGE);
    if (!c) return nullptr;
    ImageControl *im = image_data(c);
    im->image_type = type;
    if (type != IMAGE_TYPE_GIVEN && image_type_frame_count(type) > 0)
        take_frames(im, image_type_frames(type), image_type_frame_count(type));
    im->brightness = 100;
    image_control_refresh(c);
    return c;
}

}  // namespace

const ControlClass *image_class() { return &k_image_class; }

ImageControl *image_of(Control *c) { return c && c->type == CONTROL_IMAGE ? image_data(c) : nullptr; }
const ImageControl *image_of(const Control *c) {
    return c && c->type == CONTROL_IMAGE ? static_cast<const ImageControl *>(control_type_data(c)) : nullptr;
}

Control *image_control_create(int type) { return create_common(type); }

Control *image_control_create_still(int type) {
    Control *c = create_common(type);
    if (c) image_control_set_frame(c, 0);
    return c;
}

Control *image_control_create_frame(int type, int frame) {
    Control *c = create_common(type);
    if (!c) return nullptr;
    ImageControl *im = image_data(c);
    if (frame >= 0 && frame < im->frame_count) {
        im->frame = frame;
        im->sprite = im->frames[frame];
        image_control_refresh(c);
    }
    return c;
}

Control *image_control_create_single(Sprite *sprite) {
    Control *c = create_common(IMAGE_TYPE_GIVEN);
    if (!c || !sprite) return c;
    take_frames(image_data(c), &sprite, 1);
    image_control_refresh(c);
    return c;
}

Control *image_control_create_framed(int type) {
    Control *c = create_common(type);
    if (!c) return nullptr;
    image_control_enable_border(c);
    colour_fade_set(image_data(c)->border, 20, 20, 20);
    return c;
}

Control *image_control_create_sprites(Sprite **sprites, int count) {
    Control *c = create_common(IMAGE_TYPE_GIVEN);
    if (!c) return nullptr;
    image_data(c)->options |= IMG_ANIMATED;
    image_control_set_frames(c, sprites, count);
    return c;
}

Control *image_button_create_plain(int type, ControlFn on_click, int hotkey, void *user_data) {
    Control *c = create_common(type);
    if (!c) return nullptr;
    c->flags |= CTRL_CLICK_SOUND;
    image_control_enable_feedback(c, 200);
    c->on_click = on_click;
    if (hotkey) {
        c->hotkey = hotkey;
        c->on_key = on_click;
    }
    control_set_user_data(c, user_data, nullptr);
    return c;
}

Control *image_button_create(int type, int font, const char *text, ControlFn on_click, int hotkey,
                             void *user_data) {
    Control *c = image_button_create_plain(type, on_click, hotkey, user_data);
    if (!c) return nullptr;
    ImageControl *im = image_data(c);
    image_control_set_text(c, text, font, 0, 8);
    image_control_enable_border(c);
    set_rgb(im->border_rgb, 0, 96, 0);
    set_rgb(im->border_hover_rgb, 198, 198, 198);
    set_rgb(im->border_press_rgb, 0, 200, 0);
    im->border_ms = 70;
    im->options |= IMG_BORDER_HOVER | IMG_BORDER_PRESS;
    colour_fade_set(im->border, 0, 96, 0);
    set_rgb(im->caption_rgb, 190, 190, 0);
    set_rgb(im->caption_hover_rgb, 230, 230, 230);
    set_rgb(im->caption_press_rgb, 240, 240, 240);
    im->caption_ms = 70;
    im->options |= IMG_CAPTION_HOVER | IMG_CAPTION_PRESS;
    colour_fade_set(im->caption_colour, 190, 190, 0);
    image_control_enable_blend_fill(c);
    colour_fade_set(im->blend_fill, 0, 16, 0);
    image_control_enable_noise(c);
    colour_fade_set(im->noise, 0, 32, 0);
    return c;
}

Control *image_dialog_button_create(int type, const char *text, ControlFn on_click, int hotkey, void *user_data) {
    Control *c = image_button_create_plain(type, on_click, hotkey, user_data);
    if (!c) return nullptr;
    ImageControl *im = image_data(c);
    image_control_set_text(c, text, 2, 1, 4);
    im->feedback_ms = 100;
    image_control_set_caption_hover(c, 150, 150, 30, 230, 230, 230, 100);
    image_control_set_caption_press(c, 240, 240, 240);
    return c;
}

void image_control_refresh(Control *c) {
    ImageControl *im = image_of(c);
    if (!im) return;
    int w = 2, h = 2;
    const bool animated = (im->options & IMG_ANIMATED) && im->frame_count > 0 && im->player;
    if (animated && im->animation && (im->animation->flags & ANIM_CENTRED)) {
        int bw = 0, bh = 0;
        for (const AnimFrame &e : im->animation->pairs) {
            if (e.frame < 0 || e.frame >= im->frame_count) continue;
            bw = std::max(bw, ui_sprite_width(im->frames[e.frame]));
            bh = std::max(bh, ui_sprite_height(im->frames[e.frame]));
        }
        for (const AnimFrame &e : im->animation->pairs) {
            if (e.frame < 0 || e.frame >= im->frame_count) continue;
            const int fw = ui_sprite_width(im->frames[e.frame]), fh = ui_sprite_height(im->frames[e.frame]);
            w = std::max(w, (bw - fw) / 2 + fw);
            h = std::max(h, (bh - fh) / 2 + fh);
        }
    } else if (animated) {
        for (int i = 0; i < im->frame_count; ++i) {
            const int dx = (im->frame_dx && im->frame_dy) ? im->frame_dx[i] : 0;
            const int dy = (im->frame_dx && im->frame_dy) ? im->frame_dy[i] : 0;
            w = std::max(w, ui_sprite_width(im->frames[i]) + dx);
            h = std::max(h, ui_sprite_height(im->frames[i]) + dy);
        }
    } else if (im->sprite) {
        w = ui_sprite_width(im->sprite);
        h = ui_sprite_height(im->sprite);
    }
    if (im->options & IMG_REVEAL) {
        w = w * im->reveal / 100;
        h = h * im->reveal / 100;
    }
    if (im->caption) {
        if (im->caption_side == 0) {
            w += im->caption_gap + im->caption_w + ((im->options & IMG_BORDER) ? 8 : 0);
            h = std::max(h, im->caption_h);
        } else {
            h += im->caption_gap + 2 + im->caption_h;
            w = std::max(w, im->caption_w);
        }
    }
    if (im->options & IMG_BORDER) {
        w += 2;
        h += 2;
    }
    if (im->options & IMG_OUTLINE) {
        w += im->margin_left + im->margin_right;
        h += im->margin_top + im->margin_bottom;
    }
    if (!(im->options & IMG_FIXED_WIDTH)) c->w = w;
    if (!(im->options & IMG_FIXED_HEIGHT)) c->h = h;
}

void image_control_set_frame(Control *c, int index) {
    ImageControl *im = image_of(c);
    if (!im) return;
    Animation *animation = image_type_animation(im->image_type, index);
    if (!animation) return;
    drop_animation(im);
    im->animation = animation;
    im->options |= IMG_ANIMATED;
    if (!im->player) im->player = anim_player_create();
    if (!im->player) return;
    anim_player_start(im->player, im->animation, -1);
    const int f = im->player->frame;
    if (f >= 0 && f < im->frame_count) {
        im->frame = f;
        im->sprite = im->frames[f];
        image_control_refresh(c);
        place_sprite(c);
    }
}

void image_control_select_entry(Control *c, int index) {
    ImageControl *im = image_of(c);
    if (!im || !(im->options & IMG_ANIMATED) || !im->player || !im->animation) return;
    if (index < 0 || index >= anim_count(im->animation) || index == im->player->index) return;
    anim_player_seek(im->player, index);
    const int f = im->player->frame;
    if (f < 0 || f >= im->frame_count) return;
    im->frame = f;
    im->sprite = im->frames[f];
    place_sprite(c);
}

void image_control_set_frames(Control *c, Sprite **sprites, int count) {
    ImageControl *im = image_of(c);
    if (!im) return;
    take_frames(im, sprites, count);
    if ((im->options & IMG_ANIMATED) && im->frame_count > 0) {
        const uint32_t keep = (im->animation ? im->animation->flags : 0) & ANIM_KEEP_FRAME;
        drop_animation(im);
        im->animation = anim_create(count, keep);
        if (im->animation) {
            im->state |= ST_OWNS_ANIM;
            for (int i = 0; i < count; ++i) anim_add_frame(im->animation, i, 100);
            if (!im->player) im->player = anim_player_create();
            if (im->player) {
                anim_player_start(im->player, im->animation, -1);
                const int f = im->player->frame;
                if (f >= 0 && f < im->frame_count) {
                    im->frame = f;
                    im->sprite = im->frames[f];
                }
            }
        }
    }
    image_control_refresh(c);
}

void image_control_set_frame_offsets(Control *c, const int32_t *dx, const int32_t *dy) {
    ImageControl *im = image_of(c);
    if (!im || !im->player || im->frame_count < 1 || !dx || !dy) return;
    delete[] im->frame_dx;
    delete[] im->frame_dy;
    im->frame_dx = new (std::nothrow) int32_t[static_cast<size_t>(im->frame_count)];
    im->frame_dy = new (std::nothrow) int32_t[static_cast<size_t>(im->frame_count)];
    if (!im->frame_dx || !im->frame_dy) {
        delete[] im->frame_dx;
        delete[] im->frame_dy;
        im->frame_dx = im->frame_dy = nullptr;
        return;
    }
    std::memcpy(im->frame_dx, dx, sizeof(int32_t) * static_cast<size_t>(im->frame_count));
    std::memcpy(im->frame_dy, dy, sizeof(int32_t) * static_cast<size_t>(im->frame_count));
    const int e = im->player->index;
    if (e >= 0 && e < im->frame_count) {
        im->sprite_dx = im->frame_dx[e];
        im->sprite_dy = im->frame_dy[e];
    }
    image_control_refresh(c);
}

void image_control_set_text(Control *c, const char *text, int font, int side, int gap) {
    ImageControl *im = image_of(c);
    if (!im) return;
    delete[] im->caption;
    im->caption = copy_text_or_empty(text);
    im->caption_font = font;
    im->caption_w = ui_text_width(font, im->caption ? im->caption : "");
    im->caption_h = ui_line_height(font);
    im->caption_side = side;
    im->caption_gap = std::max(gap, 0);
    ui_draw_detail::ensure(&im->caption_colour);
    image_control_refresh(c);
}

void image_control_set_fixed_width(Control *c, int w) {
    ImageControl *im = image_of(c);
    if (!im) return;
    im->options |= IMG_FIXED_WIDTH;
    c->w = w;
    image_control_refresh(c);
}

void image_control_set_brightness(Control *c, int percent) {
    ImageControl *im = image_of(c);
    if (!im) return;
    im->options &= ~IMG_BRIGHT_ANIM;
    im->brightness = percent;
    if (percent != 100) im->options |= IMG_BRIGHTNESS;
}

void image_control_animate_brightness(Control *c, int to, int ms, int delay) {
    ImageControl *im = image_of(c);
    if (!im) return;
    im->brightness_from = im->brightness;
    im->brightness_to = std::max(to, 0);
    im->brightness_ms = std::max(ms, 1);
    im->brightness_elapsed = -delay;
    im->options |= IMG_BRIGHT_ANIM;
}

void image_control_animate_brightness_from(Control *c, int from, int to, int ms, int delay) {
    ImageControl *im = image_of(c);
    if (!im) return;
    im->brightness = from;
    if (from != 100) im->options |= IMG_BRIGHTNESS;
    image_control_animate_brightness(c, to, ms, delay);
}

void image_control_set_grey(Control *c, int percent) {
    ImageControl *im = image_of(c);
    if (!im) return;
    if (percent > 0) {
        im->options |= IMG_GREY;
        im->grey = std::min(percent, 100);
    } else {
        im->options &= ~IMG_GREY;
        im->grey = 0;
    }
}

void image_control_animate_grey(Control *c, int from, int to, int ms) {
    ImageControl *im = image_of(c);
    if (!im) return;
    from = std::clamp(from, 0, 100);
    im->grey = from;
    im->grey_from = from;
    im->grey_to = std::max(to, 0);
    im->grey_ms = std::max(ms, 1);
    im->grey_elapsed = 0;
    if (from > 0) im->options |= IMG_GREY;
    im->options |= IMG_GREY_ANIM;
}

void image_control_fade_to_grey(Control *c) {
    ImageControl *im = image_of(c);
    if (!im) return;
    image_control_animate_grey(c, (im->options & IMG_GREY) ? im->grey : 0, 100, 1500);
}

void image_control_set_reveal(Control *c, int percent) {
    ImageControl *im = image_of(c);
    if (!im) return;
    im->options |= IMG_REVEAL;
    im->options &= ~IMG_REVEAL_ANIM;
    im->reveal = std::clamp(percent, 0, 100);
    image_control_refresh(c);
}

void image_control_animate_reveal(Control *c, int from, int to, int ms) {
    ImageControl *im = image_of(c);
    if (!im) return;
    im->options |= IMG_REVEAL | IMG_REVEAL_ANIM;
    im->reveal = im->reveal_from = std::clamp(from, 0, 100);
    im->reveal_to = std::clamp(to, 0, 100);
    im->reveal_ms = std::max(ms, 1);
    im->reveal_elapsed = 0;
    image_control_refresh(c);
}

void image_control_enable_border(Control *c) {
    ImageControl *im = image_of(c);
    if (!im) return;
    im->options |= IMG_BORDER;
    ui_draw_detail::ensure(&im->border);
    image_control_refresh(c);
}

void image_control_set_border_hover(Control *c, int green, int hr, int hg, int hb, int ms) {
    ImageControl *im = image_of(c);
    if (!im) return;
    image_control_enable_border(c);
    im->options |= IMG_BORDER_HOVER;
    set_rgb(im->border_rgb, 0, green, 0);
    colour_fade_set(im->border, 0, green, 0);
    set_rgb(im->border_hover_rgb, hr, hg, hb);
    im->border_ms = std::max(ms, 0);
}

void image_control_set_border_press(Control *c, int green) {
    ImageControl *im = image_of(c);
    if (!im) return;
    im->options |= IMG_BORDER_PRESS;
    set_rgb(im->border_press_rgb, 0, green, 0);
}

void image_control_set_caption_hover(Control *c, int r, int g, int b, int hr, int hg, int hb, int ms) {
    ImageControl *im = image_of(c);
    if (!im) return;
    if (!im->caption) {
        im->options &= ~IMG_CAPTION_HOVER;
        return;
    }
    im->options |= IMG_CAPTION_HOVER;
    set_rgb(im->caption_rgb, r, g, b);
    set_rgb(im->caption_hover_rgb, hr, hg, hb);
    im->caption_ms = std::max(ms, 0);
    colour_fade_set(ui_draw_detail::ensure(&im->caption_colour), r, g, b);
}

void image_control_set_caption_press(Control *c, int r, int g, int b) {
    ImageControl *im = image_of(c);
    if (!im) return;
    im->options |= IMG_CAPTION_PRESS;
    set_rgb(im->caption_press_rgb, r, g, b);
}

void image_control_enable_background(Control *c) {
    if (ImageControl *im = image_of(c)) { ui_draw_detail::ensure(&im->background); im->options |= IMG_BACKGROUND; }
}
void image_control_enable_blend_fill(Control *c) {
    if (ImageControl *im = image_of(c)) { ui_draw_detail::ensure(&im->blend_fill); im->options |= IMG_BLEND_FILL; }
}
void image_control_enable_noise(Control *c) {
    if (ImageControl *im = image_of(c)) { ui_draw_detail::ensure(&im->noise); im->options |= IMG_NOISE; }
}
void image_control_enable_tint(Control *c) {
    if (ImageControl *im = image_of(c)) { ui_draw_detail::ensure(&im->tint); im->options |= IMG_TINT; }
}
void image_control_enable_recolour(Control *c) {
    if (ImageControl *im = image_of(c)) { ui_draw_detail::ensure(&im->recolour); im->options |= IMG_RECOLOUR; }
}

ColourFade *image_control_border_colour(Control *c) { ImageControl *im = image_of(c); return im ? im->border : nullptr; }
ColourFade *image_control_caption_colour(Control *c) { ImageControl *im = image_of(c); return im ? im->caption_colour : nullptr; }
ColourFade *image_control_background_colour(Control *c) { ImageControl *im = image_of(c); return im ? im->background : nullptr; }
ColourFade *image_control_blend_fill_colour(Control *c) { ImageControl *im = image_of(c); return im ? im->blend_fill : nullptr; }
ColourFade *image_control_noise_colour(Control *c) { ImageControl *im = image_of(c); return im ? im->noise : nullptr; }
ColourFade *image_control_tint_colour(Control *c) { ImageControl *im = image_of(c); return im ? im->tint : nullptr; }
ColourFade *image_control_recolour_colour(Control *c) { ImageControl *im = image_of(c); return im ? im->recolour : nullptr; }

void image_control_enable_feedback(Control *c, int ms) {
    ImageControl *im = image_of(c);
    if (!im) return;
    im->options |= IMG_FEEDBACK_HOVER;
    im->feedback_ms = std::max(ms, 0);
}

void image_control_set_overlay(Control *c, bool on, const uint8_t levels[4], int extra) {
    ImageControl *im = image_of(c);
    if (!im) return;
    if (on) {
        for (int i = 0; i < 4; ++i) {
            ui_draw_detail::ensure(&im->outline[i]);
            im->outline_levels[i] = levels ? levels[i] : 0;
        }
        im->outline_extra = extra;
        int left = 0, top = 0, right = 0, bottom = 0;
        ui_sprite_outline_extent(im->sprite, im->outline_levels, &left, &top, &right, &bottom);
        im->margin_left = -left;
        im->margin_top = -top;
        im->margin_right = right;
        im->margin_bottom = bottom;
        im->options |= IMG_OUTLINE;
    } else {
        im->options &= ~IMG_OUTLINE;
        im->margin_left = im->margin_top = im->margin_right = im->margin_bottom = 0;
        for (int i = 0; i < 4; ++i) {
            if (im->outline[i]) colour_fade_set(im->outline[i], 0, 0, 0);
            im->outline_r[i] = im->outline_g[i] = im->outline_b[i] = 0;
        }
    }
    image_control_refresh(c);
}

void image_control_set_caption_hidden(Control *c, bool on) {
    ImageControl *im = image_of(c);
    if (!im) return;
    if (on) im->options |= IMG_CAPTION_HIDDEN;
    else im->options &= ~IMG_CAPTION_HIDDEN;
}

bool image_control_is_highlighted(const Control *c) {
    const ImageControl *im = image_of(c);
    return im && (im->options & IMG_HIGHLIGHTED);
}

void image_control_set_highlight(Control *c, bool on) {
    ImageControl *im = image_of(c);
    if (!im) return;
    if (on) {
        if (im->options & IMG_HIGHLIGHTED) return;
        im->options |= IMG_HIGHLIGHTED;
        colour_fade_to(im->caption_colour, 120, 120, 120, 200, 0);
        colour_fade_to(im->border, 32, 32, 15, 200, 0);
        im->options &= ~(IMG_BORDER_HOVER | IMG_CAPTION_HOVER | IMG_BORDER_PRESS | IMG_CAPTION_PRESS |
                         IMG_FEEDBACK_HOVER);
        image_control_animate_grey(c, 0, 100, 200);
        im->saved_click = c->on_click;
        im->saved_key = c->on_key;
        c->on_click = nullptr;
        c->on_key = nullptr;
        c->flags |= CTRL_NO_HINT;
        return;
    }
    if (!(im->options & IMG_HIGHLIGHTED)) return;
    im->options &= ~IMG_HIGHLIGHTED;
    colour_fade_to(im->caption_colour, 190, 190, 0, 200, 0);
    colour_fade_to(im->border, 0, 96, 0, 200, 0);
    image_control_animate_grey(c, 100, 0, 200);
    image_control_enable_feedback(c, 200);
    if (!im->border || !(im->options & IMG_BORDER)) image_control_enable_border(c);
    colour_fade_set(im->border, 0, 96, 0);
    set_rgb(im->border_rgb, 0, 96, 0);
    set_rgb(im->border_hover_rgb, 198, 198, 198);
    set_rgb(im->border_press_rgb, 0, 200, 0);
    im->border_ms = 70;
    im->options |= IMG_BORDER_HOVER | IMG_BORDER_PRESS;
    if (im->caption) {
        image_control_set_caption_hover(c, 190, 190, 0, 230, 230, 230, 70);
        image_control_set_caption_press(c, 240, 240, 240);
    }
    c->on_click = im->saved_click;
    c->on_key = im->saved_key;
    im->saved_click = im->saved_key = nullptr;
    c->flags &= ~CTRL_NO_HINT;
    control_disable_for(c, 200);
}

void image_control_set_tooltip(Control *c, bool on, int kind, int a, int b, const char *text) {
    ImageControl *im = image_of(c);
    if (!im) return;
    if (!on) {
        im->options &= ~IMG_TOOLTIP;
        c->on_hover_enter = nullptr;
        c->on_hover_leave = nullptr;
        return;
    }
    im->options |= IMG_TOOLTIP;
    im->tooltip_kind = kind;
    im->tooltip_a = a;
    im->tooltip_b = b;
    delete[] im->tooltip_text;
    im->tooltip_text = text ? copy_text_or_empty(text) : nullptr;
    c->on_hover_enter = image_control_tooltip_show;
    c->on_hover_leave = image_control_tooltip_hide;
}

void image_control_fade_out(Control *c, int ms) {
    ImageControl *im = image_of(c);
    if (!im || ms <= 0) return;
    image_control_animate_brightness(c, 0, ms, 0);
    im->options |= IMG_BRIGHTNESS;
}
