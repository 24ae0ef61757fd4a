// Particle surfaces: a particle pool, its render into an RGBA block and the block's draw.
#include "effects/particle_surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "effects/effect_local.h"
#include "effects/effect_sprite.h"
#include "platform/draw.h"
#include "platform/log.h"
#include "platform/shared_ref.h"
#include "platform/sprite.h"

namespace {

void *default_alloc(size_t bytes) { return std::calloc(1, bytes); }
void *default_grow(void *block, size_t bytes) { return std::realloc(block, bytes); }

ParticleAllocator g_alloc{default_alloc, default_grow};

// Weights (of 256) of the pixels a spot covers, centre in the middle.
constexpr int SPOT1[3][3] = {{64, 128, 64}, {128, 256, 128}, {64, 128, 64}};
constexpr int SPOT2[5][5] = {
    {16, 48, 64, 48, 16},
    {48, 128, 176, 128, 48},
    {64, 176, 256, 176, 64},
    {48, 128, 176, 128, 48},
    {16, 48, 64, 48, 16},
};

int spot_weight(int size, int dx, int dy) {
    if (size <= 0) return 256;
    if (size == 1) return SPOT1[dy + 1][dx + 1];
    return SPOT2[dy + 2][dx + 2];
}

int spot_reach(int size) { return std::clamp(size, 0, 2); }

bool particle_shows(const Particle &p) { return !(p.flags & PARTICLE_DEAD) && p.alpha > 0; }

// Lays one particle into the block: each channel is the alpha-weighted mix of what is there and
// the particle's colour; the pixel keeps the larger alpha.
void plot(uint8_t *block, const ParticleBuffer &b, const Particle &p) {
    const int reach = spot_reach(p.size);
    const int cx = int(p.x) - b.left, cy = int(p.y) - b.top;
    const int colour[3] = {p.colour.r, p.colour.g, p.colour.b};
    for (int dy = -reach; dy <= reach; ++dy) {
        const int py = cy + dy;
        if (py < 0 || py >= b.height) continue;
        for (int dx = -reach; dx <= reach; ++dx) {
            const int px = cx + dx;
            if (px < 0 || px >= b.width) continue;
            const int a = p.alpha * spot_weight(p.size, dx, dy) / 256;
            if (a < 1) continue;
            uint8_t *q = block + (size_t(py) * size_t(b.width) + size_t(px)) * 4;
            const int a0 = q[3];
            for (int c = 0; c < 3; ++c) q[c] = uint8_t(q[c] * a0 / (a0 + a) + colour[c] * a / (a0 + a));
            q[3] = uint8_t(std::max(a0, a));
        }
    }
}

// Every pixel's colour becomes the average of itself and its neighbours inside the block.
void smooth(uint8_t *block, uint8_t *scratch, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sum[3] = {0, 0, 0}, n = 0;
            for (int ny = std::max(y - 1, 0); ny <= std::min(y + 1, h - 1); ++ny)
                for (int nx = std::max(x - 1, 0); nx <= std::min(x + 1, w - 1); ++nx) {
                    const uint8_t *q = block + (size_t(ny) * size_t(w) + size_t(nx)) * 4;
                    for (int c = 0; c < 3; ++c) sum[c] += q[c];
                    ++n;
                }
            const uint8_t *src = block + (size_t(y) * size_t(w) + size_t(x)) * 4;
            uint8_t *dst = scratch + (size_t(y) * size_t(w) + size_t(x)) * 4;
            for (int c = 0; c < 3; ++c) dst[c] = uint8_t(sum[c] / n);   // n >= 1: the pixel itself
            dst[3] = src[3];
        }
    std::memcpy(block, scratch, size_t(w) * size_t(h) * 4);
}

void log_alloc_failure(size_t bytes) {
    log_write(LOG_GAME, LOG_ERROR, "Failed to allocate heap memory (%i bytes) for a particle surface buffer",
              int(std::min<size_t>(bytes, INT32_MAX)));
}

}  // namespace

void particle_surface_set_allocator(const ParticleAllocator *allocator) {
    g_alloc = allocator ? *allocator : ParticleAllocator{default_alloc, default_grow};
}

void particle_revive(Particle *p, float x, float y) {
    const ColourFade keep = p->colour;
    *p = Particle{};
    p->colour = keep;
    p->x = x;
    p->y = y;
    p->phase = 0;
}

ParticleSurface *particle_surface_create(int n, int w, int h, ParticleFrameFn *frame_fn, ParticleFn *particle_fn,
                                         void *ctx) {
    if (n < 1) n = 1;
    ParticleSurface *s = new (std::nothrow) ParticleSurface{};
    if (!s) {
        log_alloc_failure(sizeof(ParticleSurface));
        return nullptr;
    }
    s->frame_fn = frame_fn;
    s->particle_fn = particle_fn;
    s->ctx = ctx;
    const size_t bytes = size_t(std::max(w, 0)) * size_t(std::max(h, 0)) * 4;
    for (ParticleBuffer &b : s->buffers) {
        void *data = g_alloc.alloc(std::max<size_t>(bytes, 4));
        if (!data) {
            log_alloc_failure(bytes);
            return s;
        }
        b.ref = shared_ref_create(data, true);
        if (!b.ref) {
            std::free(data);
            log_alloc_failure(sizeof(SharedRef));
            return s;
        }
        shared_ref_take(b.ref);
        b.capacity = std::max<size_t>(bytes, 4);
    }
    const size_t slot_bytes = size_t(n) * sizeof(Particle);
    s->particles = static_cast<Particle *>(g_alloc.alloc(slot_bytes));
    if (!s->particles) {
        log_alloc_failure(slot_bytes);
        return s;
    }
    s->count = n;
    for (int i = 0; i < n; ++i) s->particles[i].flags = PARTICLE_DEAD | PARTICLE_FREE;
    return s;
}

Particle *particle_surface_take_free(ParticleSurface *s) {
    if (!s) return nullptr;
    for (int i = std::max(s->free_hint, 0); i < s->count; ++i)
        if (s->particles[i].flags & PARTICLE_FREE) {
            s->free_hint = i;
            return &s->particles[i];
        }
    s->free_hint = s->count;
    return nullptr;
}

void particle_surface_render(ParticleSurface *s, int32_t dt) {
    if (!s) return;
    s->flags |= SURFACE_RENDERED;
    if (s->frame_fn) s->frame_fn(dt, s->ctx);

    bool any = false;
    int left = 0, top = 0, right = -1, bottom = -1;
    for (int i = 0; i < s->count; ++i) {
        Particle &p = s->particles[i];
        if (p.flags & PARTICLE_FREE) continue;
        if (s->particle_fn) s->particle_fn(&p, dt, s->ctx);
        if (particle_shows(p)) {
            p.life -= dt;
            if (p.life < 1) {
                p.flags |= PARTICLE_DEAD;
            } else {
                colour_fade_update(&p.colour, dt);
                p.x += p.vx / 1000.0f * float(dt);
                p.y += p.vy / 1000.0f * float(dt);
            }
        } else if ((p.flags & PARTICLE_DEAD) && !(p.flags & PARTICLE_FREE)) {
            p.linger -= dt;
            if (p.linger < 1) {
                p.flags |= PARTICLE_FREE;
                s->free_hint = std::min(s->free_hint, i);
            }
        }
        if (!particle_shows(p)) continue;
        const int reach = spot_reach(p.size);
        const int px = int(p.x), py = int(p.y);
        if (!any) {
            left = px - reach;
            top = py - reach;
            right = px + reach;
            bottom = py + reach;
            any = true;
        } else {
            left = std::min(left, px - reach);
            top = std::min(top, py - reach);
            right = std::max(right, px + reach);
            bottom = std::max(bottom, py + reach);
        }
    }

    if (s->halo >= 0) {
        if (s->halo_delay >= 1) {
            s->halo_delay -= dt;
            if (s->halo_delay < 1) s->flags |= SURFACE_HALO;
        } else {
            s->halo_time -= dt;
            if (s->halo_time < 1) {
                s->flags &= ~SURFACE_HALO;
                s->halo = -1;
            }
        }
    }

    ParticleBuffer &b = s->buffers[s->current];
    s->flags |= SURFACE_EMPTY;
    b.left = left;
    b.top = top;
    b.right = right;
    b.bottom = bottom;
    b.width = any ? right - left + 1 : 0;
    b.height = any ? bottom - top + 1 : 0;
    if (!b.ref || !any) {
        b.width = b.height = 0;
        return;
    }
    const size_t need = size_t(b.width) * size_t(b.height) * 4;
    shared_ref_lock_data(b.ref);
    if (need > b.capacity) {
        void *grown = g_alloc.grow(b.ref->data, need);
        if (!grown) {
            shared_ref_unlock_data(b.ref);
            log_write(LOG_GAME, LOG_ERROR, "Failed to reallocate heap memory (%i bytes) for a surface buffer",
                      int(std::min<size_t>(need, INT32_MAX)));
            b.width = b.height = 0;
            return;
        }
        b.ref->data = grown;
        b.capacity = need;
    }
    uint8_t *block = static_cast<uint8_t *>(b.ref->data);
    std::memset(block, 0, need);
    bool plotted = false;
    for (int i = 0; i < s->count; ++i) {
        const Particle &p = s->particles[i];
        if (!particle_shows(p)) continue;
        plot(block, b, p);
        plotted = true;
    }
    if ((s->flags & SURFACE_SMOOTH) && plotted) {
        if (need > s->scratch_capacity) {
            void *grown = g_alloc.grow(s->scratch, need);
            if (grown) {
                s->scratch = static_cast<uint8_t *>(grown);
                s->scratch_capacity = need;
            }
        }
        if (s->scratch && need <= s->scratch_capacity) smooth(block, s->scratch, b.width, b.height);
    }
    shared_ref_unlock_data(b.ref);
    if (plotted) s->flags &= ~SURFACE_EMPTY;
}

void particle_surface_draw(ParticleSurface *s, Graphics *gfx, int32_t x, int32_t y) {
    if (!s || !(s->flags & SURFACE_RENDERED)) return;
    ParticleBuffer &b = s->buffers[s->current];
    s->current ^= 1;
    if (!b.ref || b.width < 1 || b.height < 1) return;
    GfxBlendBlockPayload p{};
    p.x = int16_t(std::clamp(x, -32768, 32767));
    p.y = int16_t(std::clamp(y, -32768, 32767));
    p.flags = (s->flags & SURFACE_BLEND_3) ? GFX_BLEND_LOCK | GFX_BLEND_SMOOTH : GFX_BLEND_LOCK;
    p.block = b.ref;
    p.w = uint16_t(std::min(b.width, 65535));
    p.h = uint16_t(std::min(b.height, 65535));
    (void)gfx_queue_blend_block(gfx, p);
    Sprite *halo = (s->flags & SURFACE_HALO) ? effect_halo_first_frame(s->halo) : nullptr;
    if (halo) {
        const int32_t hx = x + b.width / 2 - halo->width / 2, hy = y + b.height / 2 - halo->height / 2;
        effect_queue_sprite(gfx, halo, hx, hy, SPRITE_DRAW_BLEND | SPRITE_DRAW_MOSTLY_SCREEN);
        effect_queue_rects(gfx, hx, hy, halo->width, halo->height);
    } else {
        effect_queue_rects(gfx, x, y, b.width, b.height);
    }
}

void particle_surface_free(ParticleSurface *s) {
    if (!s) return;
    std::free(s->particles);
    for (ParticleBuffer &b : s->buffers) shared_ref_release(b.ref);
    std::free(s->scratch);
    delete s;
}
