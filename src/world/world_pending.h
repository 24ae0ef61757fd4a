#pragma once
// STAND-IN until sprites (platform/sprite.h, draw.h), animations (ui/anim.h) and visual effects
// (effects/effect.h) are merged: the few calls the world objects make into them, in one place.
// Each body becomes a direct call to the real module when it arrives; until then sprites and
// effects read as absent (no shape, nothing drawn, nothing stepped) and animations never run.
#include <cstdint>
#include <vector>
#include "platform/result.h"

struct Animation;
struct AnimPlayer;
struct Effect;
struct Graphics;
struct ObjectMap;
struct Sprite;

// Sprites.
int32_t world_sprite_width(const Sprite *sprite);
int32_t world_sprite_height(const Sprite *sprite);
int     world_sprite_mask_test(const Sprite *sprite, int x, int y);   // 0 outside the mask
// 1 when b at (dx, dy) in a's coordinates meets a's mask; the first hit in a's coordinates.
int     world_sprite_mask_overlap(const Sprite *a, const Sprite *b, int dx, int dy, int *x, int *y);
void    world_sprite_addref(Sprite *sprite);
void    world_sprite_release(Sprite *sprite);
Sprite *world_sprite_load(const char *path);                         // no reference taken
Result  world_sprite_frame_sizes(const char *dir, int *count, std::vector<int> *widths,
                                 std::vector<int> *heights);
// Sprite draw command (takes a reference): flags 32 tint with (r, g, b), 2 blend.
Result  world_sprite_queue_draw(Graphics *graphics, Sprite *sprite, int x, int y, uint16_t flags,
                                uint8_t r, uint8_t g, uint8_t b);
// Outline of the sprite's hit mask in one colour (takes a reference).
Result  world_sprite_queue_outline(Graphics *graphics, Sprite *sprite, int x, int y, uint8_t r,
                                   uint8_t g, uint8_t b);
constexpr uint16_t WORLD_SPRITE_BLEND = 2;
constexpr uint16_t WORLD_SPRITE_TINT  = 32;

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
