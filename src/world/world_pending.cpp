// STAND-IN calls into sprites, animations and effects; see the header.
#include "world/world_pending.h"

int32_t world_sprite_width(const Sprite *) { return 0; }
int32_t world_sprite_height(const Sprite *) { return 0; }
int     world_sprite_mask_test(const Sprite *, int, int) { return 0; }
int     world_sprite_mask_overlap(const Sprite *, const Sprite *, int, int, int *, int *) { return 0; }
void    world_sprite_addref(Sprite *) {}
void    world_sprite_release(Sprite *) {}
Sprite *world_sprite_load(const char *) { return nullptr; }

Result world_sprite_frame_sizes(const char *, int *count, std::vector<int> *widths,
                                std::vector<int> *heights) {
    if (count) *count = 0;
    if (widths) widths->clear();
    if (heights) heights->clear();
    return RES_OK;
}

Result world_sprite_queue_draw(Graphics *, Sprite *, int, int, uint16_t, uint8_t, uint8_t, uint8_t) {
    return RES_OK;
}

Result world_sprite_queue_outline(Graphics *, Sprite *, int, int, uint8_t, uint8_t, uint8_t) {
    return RES_OK;
}

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
