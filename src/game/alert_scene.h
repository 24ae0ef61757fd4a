#pragma once
// The scene picture an alert owns: the toolkit's Scene (ui/scene.h), made and read back through
// the few calls the alert builders and the news panel use.
#include <cstdint>
#include "platform/result.h"

struct Buffer;
struct Scene;

constexpr uint32_t ALERT_SCENE_HEAD_FLAGS = 13;   // background picture, fitted size, border

enum AlertSceneItemKind : int32_t {
    SCENE_ITEM_SITE = 0,        // scene_add_item
    SCENE_ITEM_PORTAL = 1,      // scene_add_portal_item
    SCENE_ITEM_FLYBY = 7,       // scene_add_flyby_item
    SCENE_ITEM_SHIP_POSE = 8,   // scene_add_ship_pose_item
    SCENE_ITEM_IMAGE = 9,       // scene_add_image_item
    SCENE_ITEM_SHIP = 11,       // scene_add_ship_item
};

// One item as the builders see it.
struct AlertSceneItem {
    int32_t kind = 0;
    int32_t subject = 0;   // template or image type
    int32_t x = 0, y = 0;
    int32_t delay = 0;
    int32_t frame = 0;
    int32_t options = 0;
};

Scene  *alert_scene_create(uint32_t flags, int32_t background, int32_t width, int32_t height);
void    alert_scene_free(Scene *scene);
// Appends an item through the constructor of its kind; another kind is ignored.
void    alert_scene_add(Scene *scene, const AlertSceneItem &item);
Result  alert_scene_write(const Scene *scene, Buffer *buf);
Result  alert_scene_read(Scene **out, Buffer *buf);
Result  alert_scene_bg_size(int32_t number, int32_t *w, int32_t *h);

uint32_t       alert_scene_flags(const Scene *scene);
int32_t        alert_scene_background(const Scene *scene);
int32_t        alert_scene_width(const Scene *scene);
int32_t        alert_scene_item_count(const Scene *scene);
AlertSceneItem alert_scene_item(const Scene *scene, int32_t index);   // zeroed outside the list
