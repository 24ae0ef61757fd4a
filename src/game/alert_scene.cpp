// The alert's scene over the toolkit's Scene record.
#include "game/alert_scene.h"

#include "platform/list.h"
#include "ui/scene.h"

Scene *alert_scene_create(uint32_t flags, int32_t background, int32_t width, int32_t height) {
    Scene *scene = scene_list_create();
    if (!scene) return nullptr;
    scene->flags = flags;
    scene->background = background;
    scene->width = width;
    scene->height = height;
    return scene;
}

void alert_scene_free(Scene *scene) { scene_free(scene); }

void alert_scene_add(Scene *scene, const AlertSceneItem &item) {
    if (!scene) return;
    SceneItem *added = nullptr;
    switch (item.kind) {
    case SCENE_ITEM_SITE: added = scene_add_item(scene, item.subject, item.frame, item.x, item.y, item.options); break;
    case SCENE_ITEM_PORTAL: added = scene_add_portal_item(scene, item.subject, item.x, item.y, item.delay); break;
    case SCENE_ITEM_FLYBY: added = scene_add_flyby_item(scene, item.subject, item.x, item.y); break;
    case SCENE_ITEM_SHIP_POSE: added = scene_add_ship_pose_item(scene, item.subject, item.x, item.y); break;
    case SCENE_ITEM_IMAGE: added = scene_add_image_item(scene, item.subject, item.x, item.y); break;
    case SCENE_ITEM_SHIP:
        added = scene_add_ship_item(scene, item.subject, item.frame, item.x, item.y, item.options);
        break;
    default: return;
    }
    if (added && item.kind != SCENE_ITEM_PORTAL) added->delay = item.delay;
}

Result alert_scene_write(const Scene *scene, Buffer *buf) { return scene_write(scene, buf); }

Result alert_scene_read(Scene **out, Buffer *buf) { return scene_read(out, buf); }

Result alert_scene_bg_size(int32_t number, int32_t *w, int32_t *h) {
    int width = 0, height = 0;
    Result r = scene_bg_size(number, &width, &height);
    if (r != RES_OK) return r;
    if (w) *w = width;
    if (h) *h = height;
    return RES_OK;
}

uint32_t alert_scene_flags(const Scene *scene) { return scene ? scene->flags : 0; }
int32_t alert_scene_background(const Scene *scene) { return scene ? scene->background : 0; }
int32_t alert_scene_width(const Scene *scene) { return scene ? scene->width : 0; }
int32_t alert_scene_item_count(const Scene *scene) { return scene && scene->items ? list_count(scene->items) : 0; }

AlertSceneItem alert_scene_item(const Scene *scene, int32_t index) {
    const SceneItem *item = scene && scene->items ? list_get(scene->items, index) : nullptr;
    if (!item) return {};
    return AlertSceneItem{.kind = item->kind, .subject = item->subject, .x = item->x, .y = item->y,
                          .delay = item->delay, .frame = item->frame, .options = item->options};
}
