// Scenes: the record, its byte format and the constructors.
#include "ui/scene.h"

#include <cstdio>
#include <memory>
#include <new>

#include "platform/buffer.h"
#include "platform/sprite.h"

namespace {

// The fewest bytes a line and an item take on the wire, for the count checks.
constexpr uint32_t LINE_MIN_BYTES = 4 + 7 * 4;                      // empty text, six words and flags
constexpr uint32_t ITEM_MIN_BYTES = 5 * 4 + 4 + 4 + 9 * 4 + 4 + 4;  // head, no lines, three absent strings

// A count read from the data must fit in the bytes left before anything is allocated for it.
bool fits(const Buffer *buf, uint32_t count, uint32_t min_bytes) {
    const int64_t left = buffer_remaining(buf);
    return left >= 0 && uint64_t(count) * min_bytes <= uint64_t(left);
}

Result write_optional(Buffer *buf, const std::optional<std::string> &text) {
    if (!text) return buffer_write_u32(buf, 0);
    if (Result r = buffer_write_u32(buf, 1); r != RES_OK) return r;
    return buffer_write_string(buf, *text);
}

// A present word of 0 or below leaves the field absent.
Result read_optional(Buffer *buf, std::optional<std::string> *out) {
    int32_t present = 0;
    if (Result r = buffer_read_i32(buf, &present); r != RES_OK) return r;
    if (present <= 0) return RES_OK;
    std::string text;
    if (Result r = buffer_read_string(buf, &text); r != RES_OK) return r;
    *out = std::move(text);
    return RES_OK;
}

Result write_line(Buffer *buf, const SceneLine &line) {
    Result r = buffer_write_string(buf, line.text);
    if (r == RES_OK) r = buffer_write_i32(buf, line.delay);
    if (r == RES_OK) r = buffer_write_i32(buf, line.period);
    if (r == RES_OK) r = buffer_write_i32(buf, line.font);
    if (r == RES_OK) r = buffer_write_u32(buf, line.red);
    if (r == RES_OK) r = buffer_write_u32(buf, line.green);
    if (r == RES_OK) r = buffer_write_u32(buf, line.blue);
    if (r == RES_OK) r = buffer_write_i32(buf, line.flags);
    return r;
}

Result read_line(Buffer *buf, SceneLine *line) {
    uint32_t r8 = 0, g8 = 0, b8 = 0;
    Result r = buffer_read_string(buf, &line->text);
    if (r == RES_OK) r = buffer_read_i32(buf, &line->delay);
    if (r == RES_OK) r = buffer_read_i32(buf, &line->period);
    if (r == RES_OK) r = buffer_read_i32(buf, &line->font);
    if (r == RES_OK) r = buffer_read_u32(buf, &r8);
    if (r == RES_OK) r = buffer_read_u32(buf, &g8);
    if (r == RES_OK) r = buffer_read_u32(buf, &b8);
    if (r == RES_OK) r = buffer_read_i32(buf, &line->flags);
    line->red = uint8_t(r8);   // the low byte of each word is the component
    line->green = uint8_t(g8);
    line->blue = uint8_t(b8);
    return r;
}

Result write_item(Buffer *buf, const SceneItem &item) {
    Result r = buffer_write_u32(buf, uint32_t(item.kind));
    if (r == RES_OK) r = buffer_write_i32(buf, item.subject);
    if (r == RES_OK) r = buffer_write_i32(buf, item.x);
    if (r == RES_OK) r = buffer_write_i32(buf, item.y);
    if (r == RES_OK) r = buffer_write_i32(buf, item.delay);
    const int32_t lines = item.lines ? list_count(item.lines) : 0;
    if (r == RES_OK) r = buffer_write_u32(buf, uint32_t(lines));
    for (int32_t i = 0; i < lines && r == RES_OK; ++i) r = write_line(buf, *list_get(item.lines, i));
    if (r == RES_OK) r = write_optional(buf, item.path);
    for (int32_t v : {item.w, item.h, item.x2, item.y2, item.w2, item.h2, item.duration, item.frame, item.options})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    if (r == RES_OK) r = write_optional(buf, item.text);
    if (r == RES_OK) r = write_optional(buf, item.link);
    return r;
}

struct ItemDeleter {
    void operator()(SceneItem *item) const { scene_item_free(item); }
};
struct SceneDeleter {
    void operator()(Scene *scene) const { scene_free(scene); }
};

Result read_item(Buffer *buf, SceneItem *item) {
    uint32_t kind = 0;
    Result r = buffer_read_u32(buf, &kind);
    item->kind = int32_t(kind);
    if (r == RES_OK) r = buffer_read_i32(buf, &item->subject);
    if (r == RES_OK) r = buffer_read_i32(buf, &item->x);
    if (r == RES_OK) r = buffer_read_i32(buf, &item->y);
    if (r == RES_OK) r = buffer_read_i32(buf, &item->delay);
    uint32_t lines = 0;
    if (r == RES_OK) r = buffer_read_u32(buf, &lines);
    if (r != RES_OK) return r;
    if (!fits(buf, lines, LINE_MIN_BYTES)) return RES_SHORT_BUFFER;
    if (lines > 0) {
        item->lines = scene_lines_create();
        if (!item->lines) return RES_NO_MEMORY;
        for (uint32_t i = 0; i < lines; ++i) {
            SceneLine *line = new (std::nothrow) SceneLine{};
            if (!line) return RES_NO_MEMORY;
            if (list_append(item->lines, line) < 0) {
                delete line;
                return RES_NO_MEMORY;
            }
            if ((r = read_line(buf, line)) != RES_OK) return r;
        }
    }
    r = read_optional(buf, &item->path);
    for (int32_t *v : {&item->w, &item->h, &item->x2, &item->y2, &item->w2, &item->h2, &item->duration,
                       &item->frame, &item->options})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    if (r == RES_OK) r = read_optional(buf, &item->text);
    if (r == RES_OK) r = read_optional(buf, &item->link);
    return r;
}

SceneItem *append_item(Scene *scene, int kind) {
    if (!scene || !scene->items) return nullptr;
    SceneItem *item = new (std::nothrow) SceneItem{};
    if (!item) return nullptr;
    item->kind = kind;
    if (list_append(scene->items, item) < 0) {
        delete item;
        return nullptr;
    }
    return item;
}

}  // namespace

void scene_line_free(SceneLine *line) { delete line; }

void scene_item_free(SceneItem *item) {
    if (!item) return;
    list_free(item->lines);
    delete item;
}

List<SceneLine> *scene_lines_create() {
    List<SceneLine> *lines = list_create<SceneLine>();
    if (lines) list_set_free_fn(lines, scene_line_free);
    return lines;
}

Scene *scene_list_create() {
    Scene *scene = new (std::nothrow) Scene{};
    if (!scene) return nullptr;
    scene->items = list_create<SceneItem>();
    if (!scene->items) {
        delete scene;
        return nullptr;
    }
    list_set_free_fn(scene->items, scene_item_free);
    return scene;
}

void scene_free(Scene *scene) {
    if (!scene) return;
    list_free(scene->items);
    delete scene;
}

Result scene_write(const Scene *scene, Buffer *buf) {
    Result r = buffer_write_u32(buf, scene->flags);
    if (r == RES_OK) r = buffer_write_i32(buf, scene->background);
    if (r == RES_OK) r = buffer_write_i32(buf, scene->width);
    if (r == RES_OK) r = buffer_write_i32(buf, scene->height);
    // Items up to the first empty slot, as every walk of a List.
    int32_t count = 0;
    if (scene->items)
        while (count < list_count(scene->items) && list_get(scene->items, count)) ++count;
    if (r == RES_OK) r = buffer_write_i32(buf, count);
    for (int32_t i = 0; i < count && r == RES_OK; ++i) r = write_item(buf, *list_get(scene->items, i));
    return r;
}

Result scene_read(Scene **out, Buffer *buf) {
    std::unique_ptr<Scene, SceneDeleter> scene(scene_list_create());
    if (!scene) return RES_NO_MEMORY;
    Result r = buffer_read_u32(buf, &scene->flags);
    if (r == RES_OK) r = buffer_read_i32(buf, &scene->background);
    if (r == RES_OK) r = buffer_read_i32(buf, &scene->width);
    if (r == RES_OK) r = buffer_read_i32(buf, &scene->height);
    int32_t count = 0;
    if (r == RES_OK) r = buffer_read_i32(buf, &count);
    if (r != RES_OK) return r;
    // A count below 1 means no items; a larger one must fit in what is left.
    if (count > 0 && !fits(buf, uint32_t(count), ITEM_MIN_BYTES)) return RES_SHORT_BUFFER;
    for (int32_t i = 0; i < count; ++i) {
        std::unique_ptr<SceneItem, ItemDeleter> item(new (std::nothrow) SceneItem{});
        if (!item) return RES_NO_MEMORY;
        if ((r = read_item(buf, item.get())) != RES_OK) return r;
        if (list_append(scene->items, item.get()) < 0) return RES_NO_MEMORY;
        item.release();
    }
    *out = scene.release();
    return RES_OK;
}

SceneItem *scene_add_item(Scene *scene, int tmpl, int frame, int x, int y, int options) {
    SceneItem *item = append_item(scene, SCENE_SITE);
    if (!item) return nullptr;
    item->subject = tmpl;
    item->frame = frame;
    item->x = x;
    item->y = y;
    item->options = options;
    return item;
}

SceneItem *scene_add_portal_item(Scene *scene, int tmpl, int x, int y, int delay) {
    SceneItem *item = append_item(scene, SCENE_PORTAL);
    if (!item) return nullptr;
    item->subject = tmpl;
    item->x = x;
    item->y = y;
    item->delay = delay;
    return item;
}

SceneItem *scene_add_panel_item(Scene *scene, List<SceneLine> *lines) {
    SceneItem *item = append_item(scene, SCENE_TEXT);
    if (!item) {
        list_free(lines);   // taken over either way
        return nullptr;
    }
    if (lines) list_set_free_fn(lines, scene_line_free);
    item->lines = lines;
    item->delay = 1000;
    item->h = 256;
    return item;
}

namespace {

SceneItem *add_template_item(Scene *scene, int kind, int tmpl, int x, int y) {
    SceneItem *item = append_item(scene, kind);
    if (!item) return nullptr;
    item->subject = tmpl;
    item->x = x;
    item->y = y;
    return item;
}

}  // namespace

SceneItem *scene_add_flyby_item(Scene *scene, int tmpl, int x, int y) {
    return add_template_item(scene, SCENE_FLYBY, tmpl, x, y);
}

SceneItem *scene_add_ship_pose_item(Scene *scene, int tmpl, int x, int y) {
    return add_template_item(scene, SCENE_SHIP_POSE, tmpl, x, y);
}

SceneItem *scene_add_image_item(Scene *scene, int image_type, int x, int y) {
    SceneItem *item = add_template_item(scene, SCENE_IMAGE, image_type, x, y);
    if (item) item->frame = 1;
    return item;
}

SceneItem *scene_add_ship_item(Scene *scene, int tmpl, int frame, int x, int y, int options) {
    SceneItem *item = add_template_item(scene, SCENE_SHIP, tmpl, x, y);
    if (!item) return nullptr;
    item->frame = frame;
    item->options = options;
    return item;
}

SceneLine *scene_add_line(List<SceneLine> *lines, const char *text, int delay, int flags) {
    if (!lines) return nullptr;
    SceneLine *line = new (std::nothrow) SceneLine{};
    if (!line) return nullptr;
    try {
        line->text = text ? text : "";
    } catch (const std::bad_alloc &) {
        delete line;
        return nullptr;
    }
    line->delay = delay;
    line->period = 50;
    line->red = 100;
    line->green = 230;
    line->blue = 130;
    line->font = 4;
    line->flags = flags;
    if (list_append(lines, line) < 0) {
        delete line;
        return nullptr;
    }
    return line;
}

Result scene_bg_size(int number, int *w, int *h) {
    char path[40];
    std::snprintf(path, sizeof path, "scene/bg/%.3i.png", number);
    return sprite_check_png(path, w, h);
}
