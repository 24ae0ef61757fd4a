#pragma once
// Scenes: the small animated pictures of news items and help pages. A Scene is a head (panel flags,
// background picture, size) and a list of items: template pictures (sites and ships, flying by or
// coming through a portal), image files, typing text boxes, blinking and moving frames, connector
// lines and link texts. This module owns the record, its byte format and the constructors the
// alert code uses; views/scene_panel.h turns the items into controls and effects inside a panel.
//  - Alerts keep their Scene in their save records: the format is big-endian and read all or
//    nothing. Every count is checked against the bytes left before anything is allocated.
//  - Game thread only.
#include <cstdint>
#include <optional>
#include <string>
#include "platform/list.h"
#include "platform/result.h"
#include "ui/control.h"

struct Buffer;
struct Sprite;

// Scene::flags, read by the scene panel.
constexpr uint32_t SCENE_BACKGROUND = 0x1;    // picture "scene/bg/%.3i.png" numbered by background
constexpr uint32_t SCENE_FIXED_SIZE = 0x2;    // the panel takes width x height
constexpr uint32_t SCENE_FIT        = 0x4;    // the panel fits its content
constexpr uint32_t SCENE_BORDER     = 0x8;    // pulsing border
constexpr uint32_t SCENE_DARK       = 0x10;   // dark fill RGB(3, 3, 3)

enum SceneItemKind : int32_t {
    SCENE_SITE = 0,          // picture of a site template
    SCENE_PORTAL = 1,        // a ship coming through a portal
    SCENE_TEXT = 2,          // text box of SceneLines
    SCENE_IMAGE_FILE = 3,    // a PNG of the data store
    SCENE_BLINK_FRAME = 4,
    SCENE_MOVING_FRAME = 5,
    SCENE_CONNECTOR = 6,
    SCENE_FLYBY = 7,
    SCENE_SHIP_POSE = 8,
    SCENE_IMAGE = 9,         // a frame of an image type
    SCENE_LINK = 10,
    SCENE_SHIP = 11,         // picture of a ship template
    SCENE_KIND_COUNT = 12,   // other kinds are read and skipped by scene_build
};

constexpr uint32_t SCENE_LINE_TYPE_OUT = 4;   // SceneLine::flags: the line types itself out

// Option bits of the items.
constexpr int32_t SCENE_OPT_EXPLODE      = 0x1;    // kind 0
constexpr int32_t SCENE_OPT_PULSE        = 0x2;    // kind 0; kind 11 uses bit 0 for it
constexpr int32_t SCENE_OPT_REMOVE       = 0x1;    // kinds 2 and 4: removed after the duration
constexpr int32_t SCENE_IMG_CENTRE       = 0x1;    // kind 3
constexpr int32_t SCENE_IMG_BORDER       = 0x2;
constexpr int32_t SCENE_IMG_MOVE         = 0x4;
constexpr int32_t SCENE_IMG_REMOVE       = 0x8;
constexpr int32_t SCENE_IMG_REVEAL       = 0x10;
constexpr int32_t SCENE_IMG_BRIGHTEN     = 0x20;

constexpr int LINK_DIALOG_ID = 954150;

struct SceneLine {
    std::string text;
    int32_t  delay = 0;        // ms added before the line shows
    int32_t  period = 0;       // ms per character when it types itself out
    uint8_t  red = 0, green = 0, blue = 0;
    int32_t  font = 0;         // 0..7
    int32_t  flags = 0;        // SCENE_LINE_TYPE_OUT
};

struct SceneItem {
    int32_t kind = 0;
    int32_t subject = 0;               // template index (kinds 0, 1, 7, 8, 11) or image type (9)
    int32_t x = 0, y = 0;
    int32_t delay = 0;                 // ms after the build at which it shows
    List<SceneLine> *lines = nullptr;  // kind 2; owned, frees its lines
    std::optional<std::string> path;   // kind 3
    int32_t w = 0, h = 0;              // kinds 4, 5; kind 2: h is the box's greatest height
    int32_t duration = 0;              // ms, kinds 2..6
    int32_t x2 = 0, y2 = 0;            // move target (3, 5), other end (6)
    int32_t w2 = 0, h2 = 0;            // target size (5); reveal from and to in percent (3)
    int32_t frame = 0;                 // image frame (9) or picture number (0, 11)
    std::optional<std::string> text;   // kind 10
    std::optional<std::string> link;   // kind 10: the address it opens
    int32_t options = 0;
};

struct Scene {
    uint32_t flags = 0;
    int32_t  background = 0;
    int32_t  width = 0, height = 0;
    List<SceneItem> *items = nullptr;   // frees its items with scene_item_free
};

// ---- The record ----
Scene *scene_list_create();                      // head zero, empty item list; null when out of memory
void   scene_free(Scene *scene);                 // null ignored
void   scene_item_free(SceneItem *item);
void   scene_line_free(SceneLine *line);
List<SceneLine> *scene_lines_create();           // an empty line list that frees its lines

Result scene_write(const Scene *scene, Buffer *buf);
// One scene record at the buffer's cursor. RES_SHORT_BUFFER when the data end early (or a count
// claims more than is left), RES_MALFORMED for a negative string length or line count; on failure
// nothing is stored through out and what was read is freed.
Result scene_read(Scene **out, Buffer *buf);

// ---- Constructors: each appends one item (fields not named are 0) and returns it, or null ----
SceneItem *scene_add_item(Scene *scene, int tmpl, int frame, int x, int y, int options);
SceneItem *scene_add_portal_item(Scene *scene, int tmpl, int x, int y, int delay);
SceneItem *scene_add_panel_item(Scene *scene, List<SceneLine> *lines);   // takes the list over
SceneItem *scene_add_flyby_item(Scene *scene, int tmpl, int x, int y);
SceneItem *scene_add_ship_pose_item(Scene *scene, int tmpl, int x, int y);
SceneItem *scene_add_image_item(Scene *scene, int image_type, int x, int y);
SceneItem *scene_add_ship_item(Scene *scene, int tmpl, int frame, int x, int y, int options);
// Appends a line (period 50, RGB(100, 230, 130), font 4) with a copy of the text.
SceneLine *scene_add_line(List<SceneLine> *lines, const char *text, int delay, int flags);

// Size of background picture n without loading it (the code of sprite_check_png).
Result scene_bg_size(int number, int *w, int *h);
