#pragma once
// Animation and AnimPlayer: a list of (frame number, duration ms) pairs and the playback state of
// one user of it.
//  - Controls, shots, sites and effects share Animations; a player never owns its Animation.
//  - Players advance only when their owner's update passes the elapsed ms (scaled by speed).
//  - anim_read decodes the big-endian record of parameter files: RES_MALFORMED for a negative
//    count or a duration above INT32_MAX, RES_SHORT_BUFFER when the data end early (nothing is
//    returned then).
//  - Durations are summed in 64 bits; a player counts a negative duration as 0 and skips whole
//    passes it owes, so no update walks the entries more than a few passes over.
//  - Game thread only, except that loaders build Animations before anything shares them.
#include <cstddef>
#include <cstdint>
#include <vector>
#include "platform/result.h"

struct Buffer;

constexpr uint32_t ANIM_CENTRED      = 0x1;   // image controls centre each frame in the largest frame's box
constexpr uint32_t ANIM_KEEP_FRAME   = 0x2;   // a restart keeps the current frame

struct AnimFrame {
    int32_t frame;
    int32_t ms;
};

struct Animation {
    uint32_t               flags = 0;
    std::vector<AnimFrame> pairs;
};

constexpr uint32_t ANIM_PLAYER_RUNNING  = 0x1;
constexpr uint32_t ANIM_PLAYER_FINISHED = 0x2;   // finished or held: updates do nothing
constexpr uint32_t ANIM_PLAYER_CHANGED  = 0x4;   // frame changed in the last update
constexpr uint32_t ANIM_PLAYER_WRAPPED  = 0x8;   // wrapped in the last update

struct AnimPlayer {
    const Animation *animation = nullptr;
    uint32_t flags = 0;
    int32_t  index = 0;       // current entry
    int32_t  frame = 0;       // current frame number
    int32_t  remaining = 0;   // ms left on this entry
    int32_t  loops = 0;       // passes left; negative = for ever
    int32_t  speed = 100;     // percent
};

Animation *anim_create(int capacity, uint32_t flags);
Animation *anim_create_empty(uint32_t flags);
void       anim_add_frame(Animation *anim, int frame, int ms);
void       anim_clear(Animation *anim);
void       anim_free(Animation *anim);                 // null ignored
int        anim_count(const Animation *anim);
int        anim_sum_durations(const Animation *anim);  // total ms, held at the i32 limits
Result     anim_read(Animation **out, Buffer *buffer);

AnimPlayer *anim_player_create();
void        anim_player_free(AnimPlayer *player);
void        anim_player_start(AnimPlayer *player, const Animation *anim, int loops);
void        anim_player_seek(AnimPlayer *player, int index);
void        anim_player_stop(AnimPlayer *player);
void        anim_player_hold(AnimPlayer *player);
void        anim_player_end_after_pass(AnimPlayer *player);
void        anim_player_update(AnimPlayer *player, int ms);
bool        anim_player_is_running(const AnimPlayer *player);
bool        anim_player_is_finished(const AnimPlayer *player);
bool        anim_player_wrapped(const AnimPlayer *player);
bool        anim_player_frame_changed(const AnimPlayer *player);
int         anim_player_frame(const AnimPlayer *player);
bool        anim_player_is_centred(const AnimPlayer *player);
