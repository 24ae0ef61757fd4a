// Frame animations and their players.
#include "platform/anim.h"

#include <algorithm>
#include <new>

#include "platform/buffer.h"
#include "platform/saturate.h"

namespace {

// The time an entry shows in the player: a negative duration counts as none.
int64_t entry_ms(const Animation *anim, int index) {
    return std::max<int64_t>(0, anim->pairs[static_cast<size_t>(index)].ms);
}

}  // namespace

Animation *anim_create(int capacity, uint32_t flags) {
    Animation *anim = new (std::nothrow) Animation{};
    if (!anim) return nullptr;
    anim->flags = flags;
    if (capacity > 0) anim->pairs.reserve(static_cast<size_t>(capacity));
    return anim;
}

Animation *anim_create_empty(uint32_t flags) { return anim_create(0, flags); }

void anim_add_frame(Animation *anim, int frame, int ms) {
    if (anim) anim->pairs.push_back({frame, ms});
}

void anim_clear(Animation *anim) {
    if (!anim) return;
    anim->pairs.clear();
    anim->pairs.shrink_to_fit();
}

void anim_free(Animation *anim) { delete anim; }

int anim_count(const Animation *anim) { return anim ? static_cast<int>(anim->pairs.size()) : 0; }

int anim_sum_durations(const Animation *anim) {
    int64_t total = 0;   // durations come from parameter files: summed in 64 bits, then held at the limits
    if (anim)
        for (const AnimFrame &f : anim->pairs) total += f.ms;
    return saturate_i32(total);
}

AnimPlayer *anim_player_create() { return new (std::nothrow) AnimPlayer{}; }

void anim_player_free(AnimPlayer *player) { delete player; }

void anim_player_start(AnimPlayer *player, const Animation *anim, int loops) {
    if (!player) return;
    int start = 0;
    if (anim && (anim->flags & ANIM_KEEP_FRAME) && (player->flags & ANIM_PLAYER_RUNNING)) {
        for (int i = 0; i < anim_count(anim); ++i) {
            if (anim->pairs[static_cast<size_t>(i)].frame == player->frame) { start = i; break; }
        }
    }
    player->animation = anim;
    player->flags = ANIM_PLAYER_RUNNING;
    player->index = start;
    if (anim_count(anim) > 0) {
        player->frame = anim->pairs[static_cast<size_t>(start)].frame;
        player->remaining = anim->pairs[static_cast<size_t>(start)].ms;
    } else {
        player->frame = 0;
        player->remaining = 0;
    }
    player->loops = loops;
    player->speed = 100;
}

void anim_player_seek(AnimPlayer *player, int index) {
    if (!player || anim_count(player->animation) < 1) return;
    const int count = anim_count(player->animation);
    if (index < 0) index = 0;
    if (index > count - 1) index = count - 1;
    player->index = index;
    player->frame = player->animation->pairs[static_cast<size_t>(index)].frame;
    player->remaining = player->animation->pairs[static_cast<size_t>(index)].ms;
}

void anim_player_stop(AnimPlayer *player) {
    if (player) player->flags &= ~ANIM_PLAYER_RUNNING;
}

void anim_player_hold(AnimPlayer *player) {
    if (player) player->flags |= ANIM_PLAYER_FINISHED;
}

void anim_player_end_after_pass(AnimPlayer *player) {
    if (player) player->loops = 0;
}

void anim_player_update(AnimPlayer *player, int ms) {
    if (!player) return;
    player->flags &= ~(ANIM_PLAYER_CHANGED | ANIM_PLAYER_WRAPPED);
    if (!(player->flags & ANIM_PLAYER_RUNNING) || (player->flags & ANIM_PLAYER_FINISHED)) return;
    const Animation *anim = player->animation;
    const int count = anim_count(anim);
    // An empty animation, or one whose pass takes no time, would never let the loop below end.
    int64_t pass = 0;
    for (int i = 0; i < count; ++i) pass += entry_ms(anim, i);
    if (count < 1 || pass <= 0) return;
    // 64 bits: the durations and the time owed may each be near the i32 limits.
    int64_t remaining = int64_t(player->remaining) - int64_t(ms) * player->speed / 100;
    // Whole passes owed beyond the next two are skipped at once (each one is a wrap and a loop),
    // so a long pause or a huge step never walks the entries millions of times.
    int64_t skip = remaining < 0 ? -remaining / pass - 1 : 0;
    if (player->loops >= 0) skip = std::min<int64_t>(skip, int64_t(player->loops) - 1);
    if (skip > 0) {
        remaining += skip * pass;
        if (player->loops >= 0) player->loops -= int32_t(skip);
        player->flags |= ANIM_PLAYER_WRAPPED | ANIM_PLAYER_CHANGED;
    }
    player->remaining = saturate_i32(remaining);
    while (remaining <= 0) {
        if (player->index + 1 < count) {
            player->index += 1;
            player->frame = anim->pairs[static_cast<size_t>(player->index)].frame;
            remaining += entry_ms(anim, player->index);
            player->remaining = saturate_i32(remaining);
            player->flags |= ANIM_PLAYER_CHANGED;
            continue;
        }
        if (player->loops >= 0) {
            player->loops -= 1;
            if (player->loops < 1) {
                player->flags &= ~ANIM_PLAYER_RUNNING;
                player->flags |= ANIM_PLAYER_FINISHED;
                return;
            }
        }
        player->index = 0;
        player->frame = anim->pairs[0].frame;
        remaining += entry_ms(anim, 0);
        player->remaining = saturate_i32(remaining);
        player->flags |= ANIM_PLAYER_WRAPPED | ANIM_PLAYER_CHANGED;
    }
}

bool anim_player_is_running(const AnimPlayer *p) { return p && (p->flags & ANIM_PLAYER_RUNNING); }
bool anim_player_is_finished(const AnimPlayer *p) { return p && (p->flags & ANIM_PLAYER_FINISHED); }
bool anim_player_wrapped(const AnimPlayer *p) { return p && (p->flags & ANIM_PLAYER_WRAPPED); }
bool anim_player_frame_changed(const AnimPlayer *p) { return p && (p->flags & ANIM_PLAYER_CHANGED); }
int  anim_player_frame(const AnimPlayer *p) { return p ? p->frame : 0; }
bool anim_player_is_centred(const AnimPlayer *p) {
    return p && p->animation && (p->animation->flags & ANIM_CENTRED);
}

Result anim_read(Animation **out, Buffer *buffer) {
    if (out) *out = nullptr;
    uint32_t flags = 0;
    Result res = buffer_read_u32(buffer, &flags);
    if (res != RES_OK) return res;
    int32_t count = 0;
    res = buffer_read_count(buffer, 8, &count);
    if (res != RES_OK) return res;
    Animation *anim = anim_create(count, flags);
    if (!anim) return RES_NO_MEMORY;
    for (int32_t i = 0; i < count; ++i) {
        int32_t frame = 0;
        uint32_t ms = 0;
        res = buffer_read_i32(buffer, &frame);
        if (res == RES_OK) res = buffer_read_u32(buffer, &ms);
        // A duration is unsigned on the wire; one past the i32 range is no duration the game can use.
        if (res == RES_OK && ms > uint32_t(INT32_MAX)) res = RES_MALFORMED;
        if (res != RES_OK) {
            anim_free(anim);
            return res;
        }
        anim_add_frame(anim, frame, int32_t(ms));
    }
    if (out) *out = anim;
    else anim_free(anim);
    return RES_OK;
}
