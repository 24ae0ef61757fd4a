#pragma once
// STAND-IN until animations (ui/anim.h) and visual effects (effects/effect.h) are merged: the few
// calls the world objects make into them, in one place. Each becomes a direct call to the real
// module when it arrives; until then effects read as absent (nothing stepped, drawn or freed) and
// animations never run.
#include <cstdint>

struct Animation;
struct AnimPlayer;
struct Effect;
struct Graphics;
struct ObjectMap;

// Animations.
Animation  *world_anim_create();
void        world_anim_free(Animation *anim);
bool        world_anim_centred(const Animation *anim);   // flag 1: frames keep their centre
AnimPlayer *world_anim_player_create();
void        world_anim_player_free(AnimPlayer *player);
void        world_anim_player_start(AnimPlayer *player, const Animation *anim, int loops);
void        world_anim_player_update(AnimPlayer *player, int ms);
bool        world_anim_player_running(const AnimPlayer *player);
bool        world_anim_player_frame_changed(const AnimPlayer *player);
int         world_anim_player_frame(const AnimPlayer *player);
const Animation *world_anim_player_animation(const AnimPlayer *player);

// Effects.
void    world_effect_update(Effect *effect, int32_t dt);
void    world_effect_free(Effect *effect);                 // the element free of a map's effect lists
bool    world_effect_finished(const Effect *effect);
int32_t world_effect_layer(const Effect *effect);
void    world_effect_place(Effect *effect, ObjectMap *map, int32_t x, int32_t y);
// The type's draw at the effect's position minus the view origin.
void    world_effect_draw(Effect *effect, Graphics *graphics, int32_t view_x, int32_t view_y);
