// The image-type table: each type's frames and animations, shared by reference count.
#include "ui/image_control.h"

#include <cstdio>
#include <vector>

#include "platform/anim.h"
#include "platform/files.h"
#include "platform/log.h"
#include "ui/ui_draw.h"

namespace {

struct ImageType {
    int32_t refcount = 0;
    int32_t frame_count = 0;
    Sprite **frames = nullptr;
    std::vector<Animation *> animations;
};

ImageType g_types[IMAGE_TYPE_COUNT];

void empty_type(ImageType *t) {
    if (t->frames) {
        for (int i = 0; i < t->frame_count; ++i) ui_sprite_release(t->frames[i]);
        delete[] t->frames;
    }
    t->frames = nullptr;
    t->frame_count = 0;
    for (Animation *a : t->animations) anim_free(a);
    t->animations.clear();
}

const ImageType *type_of(int type) { return type >= 0 && type < IMAGE_TYPE_COUNT ? &g_types[type] : nullptr; }

}  // namespace

Result image_control_load_type(int type) {
    if (type < 0 || type >= IMAGE_TYPE_COUNT) return RES_OUT_OF_RANGE;
    if (type == IMAGE_TYPE_GIVEN) return RES_OK;
    ImageType *t = &g_types[type];
    t->refcount += 1;
    if (t->refcount > 1) return RES_OK;
    log_write(LOG_GAME, LOG_DEBUG2, "Load image instance %i, count now %i", type, t->refcount);
    char path[64];
    std::snprintf(path, sizeof path, "control/image/%.3i/png", type);
    int count = 0;
    Sprite **frames = ui_load_numbered_sprites(path, &count);
    if (!frames || count < 1) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to load image type %i", type);
        return RES_READ_FAILED;
    }
    t->frames = frames;
    t->frame_count = count;
    for (int n = 0;; ++n) {
        std::snprintf(path, sizeof path, "control/image/%.3i/anim/%.3i.dat", type, n);
        std::vector<int32_t> ints;
        int32_t count = 0;
        if (store_read_int_lines(path, &count, &ints) != RES_OK) break;
        Animation *anim = anim_create(static_cast<int>(ints.size() / 2), ANIM_CENTRED);
        if (!anim) break;
        for (size_t i = 0; i + 1 < ints.size(); i += 2) anim_add_frame(anim, ints[i], ints[i + 1]);
        t->animations.push_back(anim);
    }
    return RES_OK;
}

void image_control_free_type(int type) {
    if (type < 0 || type >= IMAGE_TYPE_COUNT || type == IMAGE_TYPE_GIVEN) return;
    ImageType *t = &g_types[type];
    if (t->refcount < 1) return;
    t->refcount -= 1;
    log_write(LOG_GAME, LOG_DEBUG2, "Free image instance %i, count now %i", type, t->refcount);
    if (t->refcount == 0) empty_type(t);
}

void image_control_free_all_types() {
    log_write(LOG_GAME, LOG_DEBUG, "Free all image instances");
    for (ImageType &t : g_types) {
        empty_type(&t);
        t.refcount = 0;
    }
}

Sprite *image_type_frame(int type, int index) {
    if (type < 0 || type >= IMAGE_TYPE_COUNT) return nullptr;
    const ImageType &t = g_types[type];
    if (index < 0 || index >= t.frame_count) return nullptr;
    return t.frames[index];
}

int image_type_frame_count(int type) {
    return type >= 0 && type < IMAGE_TYPE_COUNT ? g_types[type].frame_count : 0;
}

int image_type_animation_count(int type) {
    return type >= 0 && type < IMAGE_TYPE_COUNT ? static_cast<int>(g_types[type].animations.size()) : 0;
}

Sprite *const *image_type_frames(int type) {
    const ImageType *t = type_of(type);
    return t ? t->frames : nullptr;
}

Animation *image_type_animation(int type, int index) {
    const ImageType *t = type_of(type);
    if (!t || index < 0 || index >= static_cast<int>(t->animations.size())) return nullptr;
    return t->animations[static_cast<size_t>(index)];
}
