// STAND-IN scene record of alerts; see the header.
#include "game/alert_scene.h"

#include <memory>
#include <new>
#include <string>
#include <vector>
#include "platform/buffer.h"
#include "platform/sprite.h"
#include "platform/str.h"

namespace {

struct SceneLine {
    std::string text;
    int32_t delay = 0, period = 0, font = 0;
    uint32_t red = 0, green = 0, blue = 0;
    int32_t flags = 0;
};

struct SceneItem {
    AlertSceneItem head;
    std::vector<SceneLine> lines;
    std::unique_ptr<std::string> path, text, link;
    int32_t w = 0, h = 0, x2 = 0, y2 = 0, w2 = 0, h2 = 0, duration = 0;
};

// Bytes of an item without lines or strings: the head, the line count, three presence words and
// the nine figures.
constexpr uint32_t SCENE_ITEM_MIN_BYTES = 5 * 4 + 4 + 3 * 4 + 9 * 4;
constexpr uint32_t SCENE_LINE_MIN_BYTES = 4 + 7 * 4;

Result write_optional(Buffer *buf, const std::unique_ptr<std::string> &text) {
    Result r = buffer_write_u32(buf, text ? 1u : 0u);
    if (r == RES_OK && text) r = buffer_write_string(buf, *text);
    return r;
}

Result read_optional(Buffer *buf, std::unique_ptr<std::string> *out) {
    uint32_t present = 0;
    Result r = buffer_read_u32(buf, &present);
    if (r != RES_OK || present == 0) return r;
    auto text = std::make_unique<std::string>();
    r = buffer_read_string(buf, text.get());
    if (r == RES_OK) *out = std::move(text);
    return r;
}

// A u32 count of items of at least min_bytes each, refused when the bytes left cannot hold them.
Result read_u32_count(Buffer *buf, uint32_t min_bytes, uint32_t *out) {
    uint32_t n = 0;
    Result r = buffer_read_u32(buf, &n);
    if (r != RES_OK) return r;
    if (uint64_t(n) * min_bytes > uint64_t(buffer_remaining(buf) < 0 ? 0 : buffer_remaining(buf)))
        return RES_SHORT_BUFFER;
    *out = n;
    return RES_OK;
}

}  // namespace

struct AlertScene {
    uint32_t flags = 0;
    int32_t  background = 0;
    int32_t  width = 0, height = 0;
    std::vector<SceneItem> items;
};

AlertScene *alert_scene_create(uint32_t flags, int32_t background, int32_t width, int32_t height) {
    AlertScene *scene = new (std::nothrow) AlertScene();
    if (!scene) return nullptr;
    scene->flags = flags;
    scene->background = background;
    scene->width = width;
    scene->height = height;
    return scene;
}

void alert_scene_free(AlertScene *scene) { delete scene; }

void alert_scene_add(AlertScene *scene, const AlertSceneItem &item) {
    if (!scene) return;
    SceneItem entry;
    entry.head = item;
    if (item.kind == SCENE_ITEM_IMAGE && entry.head.frame == 0) entry.head.frame = 1;
    scene->items.push_back(std::move(entry));
}

Result alert_scene_write(const AlertScene *scene, Buffer *buf) {
    Result r = buffer_write_u32(buf, scene->flags);
    for (int32_t v : {scene->background, scene->width, scene->height, int32_t(scene->items.size())})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    for (const SceneItem &item : scene->items) {
        if (r == RES_OK) r = buffer_write_u32(buf, uint32_t(item.head.kind));
        for (int32_t v : {item.head.subject, item.head.x, item.head.y, item.head.delay})
            if (r == RES_OK) r = buffer_write_i32(buf, v);
        if (r == RES_OK) r = buffer_write_u32(buf, uint32_t(item.lines.size()));
        for (const SceneLine &line : item.lines) {
            if (r == RES_OK) r = buffer_write_string(buf, line.text);
            for (int32_t v : {line.delay, line.period, line.font})
                if (r == RES_OK) r = buffer_write_i32(buf, v);
            for (uint32_t v : {line.red, line.green, line.blue})
                if (r == RES_OK) r = buffer_write_u32(buf, v);
            if (r == RES_OK) r = buffer_write_i32(buf, line.flags);
        }
        if (r == RES_OK) r = write_optional(buf, item.path);
        for (int32_t v : {item.w, item.h, item.x2, item.y2, item.w2, item.h2, item.duration, item.head.frame,
                          item.head.options})
            if (r == RES_OK) r = buffer_write_i32(buf, v);
        if (r == RES_OK) r = write_optional(buf, item.text);
        if (r == RES_OK) r = write_optional(buf, item.link);
    }
    return r;
}

Result alert_scene_read(AlertScene **out, Buffer *buf) {
    std::unique_ptr<AlertScene> scene(new (std::nothrow) AlertScene());
    if (!scene) return RES_NO_MEMORY;
    Result r = buffer_read_u32(buf, &scene->flags);
    for (int32_t *v : {&scene->background, &scene->width, &scene->height})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    int32_t count = 0;
    if (r == RES_OK) r = buffer_read_i32(buf, &count);
    if (r == RES_OK && count > 0 && int64_t(count) * SCENE_ITEM_MIN_BYTES > buffer_remaining(buf))
        r = RES_SHORT_BUFFER;
    for (int32_t i = 0; r == RES_OK && i < count; ++i) {
        SceneItem item;
        uint32_t kind = 0;
        r = buffer_read_u32(buf, &kind);
        item.head.kind = int32_t(kind);
        for (int32_t *v : {&item.head.subject, &item.head.x, &item.head.y, &item.head.delay})
            if (r == RES_OK) r = buffer_read_i32(buf, v);
        uint32_t lines = 0;
        if (r == RES_OK) r = read_u32_count(buf, SCENE_LINE_MIN_BYTES, &lines);
        for (uint32_t l = 0; r == RES_OK && l < lines; ++l) {
            SceneLine line;
            r = buffer_read_string(buf, &line.text);
            for (int32_t *v : {&line.delay, &line.period, &line.font})
                if (r == RES_OK) r = buffer_read_i32(buf, v);
            for (uint32_t *v : {&line.red, &line.green, &line.blue})
                if (r == RES_OK) r = buffer_read_u32(buf, v);
            if (r == RES_OK) r = buffer_read_i32(buf, &line.flags);
            if (r == RES_OK) item.lines.push_back(std::move(line));
        }
        if (r == RES_OK) r = read_optional(buf, &item.path);
        for (int32_t *v : {&item.w, &item.h, &item.x2, &item.y2, &item.w2, &item.h2, &item.duration,
                           &item.head.frame, &item.head.options})
            if (r == RES_OK) r = buffer_read_i32(buf, v);
        if (r == RES_OK) r = read_optional(buf, &item.text);
        if (r == RES_OK) r = read_optional(buf, &item.link);
        if (r == RES_OK) scene->items.push_back(std::move(item));
    }
    if (r != RES_OK) return r;
    if (out) *out = scene.release();
    return RES_OK;
}

Result alert_scene_bg_size(int32_t number, int32_t *w, int32_t *h) {
    const std::string path = str_format("scene/bg/%.3i.png", number);
    int width = 0, height = 0;
    Result r = sprite_check_png(path.c_str(), &width, &height);
    if (r != RES_OK) return r;
    if (w) *w = width;
    if (h) *h = height;
    return RES_OK;
}

uint32_t alert_scene_flags(const AlertScene *scene) { return scene ? scene->flags : 0; }
int32_t alert_scene_background(const AlertScene *scene) { return scene ? scene->background : 0; }
int32_t alert_scene_width(const AlertScene *scene) { return scene ? scene->width : 0; }
int32_t alert_scene_item_count(const AlertScene *scene) { return scene ? int32_t(scene->items.size()) : 0; }

AlertSceneItem alert_scene_item(const AlertScene *scene, int32_t index) {
    if (!scene || index < 0 || index >= int32_t(scene->items.size())) return {};
    return scene->items[size_t(index)].head;
}
