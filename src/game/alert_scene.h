#pragma once
// STAND-IN until the toolkit's scenes (ui/scene.h) are on main: the scene picture an alert owns,
// kept as an opaque record behind the few calls the alert builders and the alert save record make.
// The record and its bytes are those of the toolkit's Scene, so saves stay readable when the real
// module takes over; then AlertScene becomes Scene and these calls become the scene_* calls named
// beside them.
//  - A count read from a save is checked against the bytes left before anything is allocated.
//  - Result codes: alert_scene_read gives RES_SHORT_BUFFER (-15), RES_MALFORMED (-23) a negative
//    string length, RES_NO_MEMORY.
#include <cstdint>
#include "platform/result.h"

struct AlertScene;
struct Buffer;

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

AlertScene *alert_scene_create(uint32_t flags, int32_t background, int32_t width, int32_t height);   // scene_list_create
void        alert_scene_free(AlertScene *scene);                                                       // scene_free
// Appends an item (the constructor of its kind); a kind outside the table is stored as given.
void        alert_scene_add(AlertScene *scene, const AlertSceneItem &item);
Result      alert_scene_write(const AlertScene *scene, Buffer *buf);    // scene_write
Result      alert_scene_read(AlertScene **out, Buffer *buf);            // scene_read
// The scene's background picture size ("scene/bg/%.3i.png"): 0, or the sprite check's failure.
Result      alert_scene_bg_size(int32_t number, int32_t *w, int32_t *h);   // scene_bg_size

// Reading back, for the news panel and tests.
uint32_t       alert_scene_flags(const AlertScene *scene);
int32_t        alert_scene_background(const AlertScene *scene);
int32_t        alert_scene_width(const AlertScene *scene);
int32_t        alert_scene_item_count(const AlertScene *scene);
AlertSceneItem alert_scene_item(const AlertScene *scene, int32_t index);   // zeroed outside the list
