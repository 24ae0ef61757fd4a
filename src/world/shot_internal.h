#pragma once
// Helpers the shot sources share among themselves (shot.cpp, shot_flight.cpp); not for other
// modules.
#include <algorithm>
#include <climits>
#include <cstdint>
#include "effects/effect.h"
#include "effects/effect_bubble.h"
#include "effects/effect_particles.h"
#include "game/game.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "platform/sprite.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/shot.h"

namespace shot_detail {

inline constexpr int32_t ACTION_LINE_MS = 1000;
inline constexpr int32_t FIZZLE_HOLD_MS = 100;
inline constexpr int32_t BURST_SPREAD_MS = 40;         // explosions of a volley's rounds start within this
inline constexpr int32_t SEEK_FILTER = FILTER_POINT | FILTER_KINDS | FILTER_NEAREST | FILTER_NOT_SELF | FILTER_NOT_OWNER;
inline constexpr int     TEXT_FONT = 2;
inline constexpr int32_t PUFF_MIN_MS = 60, PUFF_MAX_MS = 120;

inline bool quiet() {
    const Game *game = game_get();
    return game && (game->flags & GAME_FLAG_RESOLVE_AT_ONCE);
}

// Positions can come from a save: the centre is taken in 64 bits and held to the 32-bit range.
inline int32_t centre_of(int32_t pos, int32_t size) {
    return int32_t(std::clamp<int64_t>(int64_t(pos) + size / 2, INT32_MIN, INT32_MAX));
}
// The corner that puts an object of the given size about a centre, held the same way.
inline int32_t corner_of(int32_t centre, int32_t size) {
    return int32_t(std::clamp<int64_t>(int64_t(centre) - size / 2, INT32_MIN, INT32_MAX));
}
inline int32_t centre_x(const GameObject *obj) { return centre_of(obj->x, obj->w); }
inline int32_t centre_y(const GameObject *obj) { return centre_of(obj->y, obj->h); }

inline bool gone(const GameObject *obj) { return !obj || (obj->flags & (OBJ_DEAD | OBJ_LEFT_MAP | OBJ_STUB)); }

inline bool segmented(const Shot *s) { return s->shot_type_flags & SHOT_TYPE_SEGMENTED; }

inline int32_t trail_shown(const Shot *s) { return std::clamp(s->trail_count, 1, SHOT_TRAIL_SHOWN_MAX); }

inline const Sprite *current_sprite(const Shot *s) {
    if (s->frame < 0 || s->frame >= s->frame_count) return nullptr;
    if (s->frames && s->frames[s->frame]) return s->frames[s->frame];
    return s->frame_sprites ? s->frame_sprites[s->frame] : nullptr;
}

inline int32_t frame_width(const Shot *s) {
    return s->frame_w && s->frame >= 0 && s->frame < s->frame_count ? s->frame_w[s->frame] : 0;
}
inline int32_t frame_height(const Shot *s) {
    return s->frame_h && s->frame >= 0 && s->frame < s->frame_count ? s->frame_h[s->frame] : 0;
}

// Holds `next` in *slot and lets go of what was there (the new reference first: the same object
// set again survives).
inline void hold(GameObject **slot, uint64_t *id, GameObject *next) {
    if (next) object_add_ref(next);
    GameObject *old = *slot;
    *slot = next;
    if (id) *id = next ? next->id : 0;
    if (!old) return;
    if (old->flags & OBJ_STUB) object_destroy(old);
    else object_release(old);
}

// One explosion cloud (sound 0) on the map at a point after a delay.
inline void explosion(ObjectMap *map, int32_t x, int32_t y, int32_t delay_ms) {
    if (!map) return;
    ParticleEffect *e = effect_create_explosion_particles();
    if (!e) return;
    effect_particles_set_sound(e, SOUND_EXPLOSION);
    effect_particles_set_delay(e, delay_ms);
    map_add_effect(map, e, x, y);
}

inline int32_t burst_delay() { return random_show_range(0, BURST_SPREAD_MS); }

// The centre of round i of a volley on the map.
inline void round_centre(const Shot *s, int32_t i, int32_t *x, int32_t *y) {
    const int32_t tx = i < int32_t(s->trail_x.size()) ? s->trail_x[size_t(i)] : 0;
    const int32_t ty = i < int32_t(s->trail_y.size()) ? s->trail_y[size_t(i)] : 0;
    *x = s->x + tx + frame_width(s) / 2;
    *y = s->y + ty + frame_height(s) / 2;
}

// Every shown round bursts; the explosions are spread over a few frames.
inline void burst_rounds(Shot *s, int32_t from) {
    for (int32_t i = from; i < trail_shown(s); ++i) {
        int32_t x = 0, y = 0;
        round_centre(s, i, &x, &y);
        explosion(s->map, x, y, burst_delay());
    }
}

inline void floating_text(ObjectMap *map, int32_t x, int32_t y, int32_t amount) {
    if (!map) return;
    TextBubbleEffect *t = effect_create_text_bubblef(0, TEXT_FONT, 255, 255, 0, "%i", int(amount));
    if (t) map_add_effect(map, t, x - t->width / 2, y - t->height / 2);
}

// The particle trail of a missile or a slug, made at creation (shot_flight.cpp).
void make_particles(Shot *s);

}  // namespace shot_detail
