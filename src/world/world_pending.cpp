// STAND-IN calls into animations and effects; see the header.
#include "world/world_pending.h"

Animation  *world_anim_create() { return nullptr; }
void        world_anim_free(Animation *) {}
bool        world_anim_centred(const Animation *) { return false; }
AnimPlayer *world_anim_player_create() { return nullptr; }
void        world_anim_player_free(AnimPlayer *) {}
void        world_anim_player_start(AnimPlayer *, const Animation *, int) {}
void        world_anim_player_update(AnimPlayer *, int) {}
bool        world_anim_player_running(const AnimPlayer *) { return false; }
bool        world_anim_player_frame_changed(const AnimPlayer *) { return false; }
int         world_anim_player_frame(const AnimPlayer *) { return 0; }
const Animation *world_anim_player_animation(const AnimPlayer *) { return nullptr; }

void    world_effect_update(Effect *, int32_t) {}
void    world_effect_free(Effect *) {}
bool    world_effect_finished(const Effect *) { return false; }
int32_t world_effect_layer(const Effect *) { return 0; }
void    world_effect_place(Effect *, ObjectMap *, int32_t, int32_t) {}
void    world_effect_draw(Effect *, Graphics *, int32_t, int32_t) {}
