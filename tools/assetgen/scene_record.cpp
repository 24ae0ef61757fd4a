// Scene records: the generator's writer of the game's scene byte format.
#include "assetgen/scene_record.h"

#include <utility>
#include "platform/buffer.h"

namespace {

Result write_optional(Buffer *out, const std::optional<std::string> &text) {
    if (!text) return buffer_write_u32(out, 0);
    Result r = buffer_write_u32(out, 1);
    return r == RES_OK ? buffer_write_string(out, *text) : r;
}

Result write_line(Buffer *out, const SceneRecordLine &line) {
    Result r = buffer_write_string(out, line.text);
    for (int32_t v : {line.delay, line.period, line.font})
        if (r == RES_OK) r = buffer_write_i32(out, v);
    for (uint8_t c : {line.red, line.green, line.blue})
        if (r == RES_OK) r = buffer_write_u32(out, c);
    if (r == RES_OK) r = buffer_write_i32(out, line.flags);
    return r;
}

Result write_item(Buffer *out, const SceneRecordItem &item) {
    Result r = buffer_write_u32(out, uint32_t(item.kind));
    for (int32_t v : {item.subject, item.x, item.y, item.delay})
        if (r == RES_OK) r = buffer_write_i32(out, v);
    if (r == RES_OK) r = buffer_write_u32(out, uint32_t(item.lines.size()));
    for (const SceneRecordLine &line : item.lines)
        if (r == RES_OK) r = write_line(out, line);
    if (r == RES_OK) r = write_optional(out, item.path);
    for (int32_t v : {item.w, item.h, item.x2, item.y2, item.w2, item.h2, item.duration, item.frame, item.options})
        if (r == RES_OK) r = buffer_write_i32(out, v);
    if (r == RES_OK) r = write_optional(out, item.text);
    if (r == RES_OK) r = write_optional(out, item.link);
    return r;
}

}  // namespace

SceneRecordItem scene_record_text(int x, int y, int delay, int max_height, std::vector<SceneRecordLine> lines) {
    SceneRecordItem item;
    item.kind = SCENE_RECORD_TEXT;
    item.x = x;
    item.y = y;
    item.delay = delay;
    item.h = max_height;
    item.lines = std::move(lines);
    return item;
}

SceneRecordItem scene_record_image(int type, int frame, int x, int y, int delay) {
    SceneRecordItem item;
    item.kind = SCENE_RECORD_IMAGE;
    item.subject = type;
    item.frame = frame;
    item.x = x;
    item.y = y;
    item.delay = delay;
    return item;
}

SceneRecordItem scene_record_connector(int x, int y, int x2, int y2, int delay, int duration) {
    SceneRecordItem item;
    item.kind = SCENE_RECORD_CONNECTOR;
    item.x = x;
    item.y = y;
    item.x2 = x2;
    item.y2 = y2;
    item.delay = delay;
    item.duration = duration;
    return item;
}

Result scene_record_write(const SceneRecord &scene, Buffer *out) {
    Result r = buffer_write_u32(out, scene.flags);
    for (int32_t v : {scene.background, scene.width, scene.height, int32_t(scene.items.size())})
        if (r == RES_OK) r = buffer_write_i32(out, v);
    for (const SceneRecordItem &item : scene.items)
        if (r == RES_OK) r = write_item(out, item);
    return r;
}
