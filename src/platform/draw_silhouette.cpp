// Silhouette draw command: a sprite's opaque pixels in one colour.
#include "platform/draw_silhouette.h"

#include <algorithm>
#include <cstring>

#include "platform/sprite.h"

uint32_t sprite_silhouette_command(const uint8_t *payload) {
    GfxSilhouettePayload p;
    std::memcpy(&p, payload, sizeof p);
    const GfxScreen *s = gfx_screen();
    const Sprite *sp = p.sprite;
    if (sp && s->pixels && s->bytes_per_pixel == 4 && !sp->mask.empty()) {
        // The clip is inclusive; the screen's own edges bound it as well.
        const int left = std::max({int(p.x), s->clip_left, 0});
        const int top = std::max({int(p.y), s->clip_top, 0});
        const int right = std::min({p.x + sp->width - 1, s->clip_right, s->width - 1});
        const int bottom = std::min({p.y + sp->height - 1, s->clip_bottom, s->height - 1});
        const uint32_t colour = gfx_map_rgb(p.r, p.g, p.b);
        for (int y = top; y <= bottom; ++y) {
            uint8_t *row = s->pixels + size_t(y) * s->pitch;
            for (int x = left; x <= right; ++x) {
                if (!mask_test(sp, x - p.x, y - p.y)) continue;
                std::memcpy(row + size_t(x) * 4, &colour, 4);
            }
        }
    }
    sprite_release(p.sprite);
    return sizeof p;
}

Result gfx_queue_sprite_silhouette(Graphics *g, Sprite *sprite, int x, int y, uint8_t r, uint8_t gr, uint8_t b) {
    if (!sprite) return RES_OK;
    GfxSilhouettePayload p{};
    p.sprite = sprite;
    p.x = int16_t(std::clamp(x, -32768, 32767));
    p.y = int16_t(std::clamp(y, -32768, 32767));
    p.r = r;
    p.g = gr;
    p.b = b;
    sprite_addref(sprite);
    const Result res = gfx_queue_command(g, sprite_silhouette_command, &p, sizeof p);
    if (res != RES_OK) sprite_release(sprite);
    return res;
}
