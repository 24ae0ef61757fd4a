#pragma once
// Scene records as the generator writes them: the picture-and-text pages the game reads from
// "scene/NNN/dat/params.dat" and builds into a panel (the help pages).
//  - The generator does not link the game's UI layer, so it keeps this writer of its own. It
//    writes the game's scene byte format exactly: big-endian through the game's Buffer codec, the
//    head (flags, background, width, height, item count), then per item the kind, subject, x, y,
//    delay, the lines (text, delay, period, font, red, green, blue, flags), the optional path,
//    the nine words w, h, x2, y2, w2, h2, duration, frame, options, and the optional text and
//    link. An absent string is written as present 0.
//  - Only the kinds the generator makes have constructors; every field can still be set.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include "platform/result.h"

struct Buffer;

// Head flags the scene panel reads.
constexpr uint32_t SCENE_RECORD_FIXED_SIZE = 0x2;   // the panel takes width x height
constexpr uint32_t SCENE_RECORD_FIT = 0x4;          // the panel fits its content

constexpr int32_t SCENE_RECORD_TEXT = 2;        // a box of text lines
constexpr int32_t SCENE_RECORD_CONNECTOR = 6;   // a vertical then a horizontal line, pulsing green
constexpr int32_t SCENE_RECORD_IMAGE = 9;       // a frame of a UI image type

struct SceneRecordLine {
    std::string text;
    int32_t delay = 0;    // ms before the line shows
    int32_t period = 0;   // ms per character when it types itself out
    int32_t font = 0;
    uint8_t red = 0, green = 0, blue = 0;
    int32_t flags = 0;    // 4: types itself out
};

struct SceneRecordItem {
    int32_t kind = 0;
    int32_t subject = 0;
    int32_t x = 0, y = 0;
    int32_t delay = 0;
    std::vector<SceneRecordLine> lines;
    std::optional<std::string> path;
    int32_t w = 0, h = 0, x2 = 0, y2 = 0, w2 = 0, h2 = 0;
    int32_t duration = 0, frame = 0, options = 0;
    std::optional<std::string> text, link;
};

struct SceneRecord {
    uint32_t flags = 0;
    int32_t background = 0;
    int32_t width = 0, height = 0;
    std::vector<SceneRecordItem> items;
};

// A text box at (x, y) shown after `delay` ms, at most `max_height` pixels high.
SceneRecordItem scene_record_text(int x, int y, int delay, int max_height, std::vector<SceneRecordLine> lines);
// Frame `frame` of UI image type `type` at (x, y), shown after `delay` ms.
SceneRecordItem scene_record_image(int type, int frame, int x, int y, int delay);
// A connector from (x, y) down or up to y2, then across to x2; kept (never removed) when
// `duration` is negative.
SceneRecordItem scene_record_connector(int x, int y, int x2, int y2, int delay, int duration);

// Appends the record's bytes to the buffer.
Result scene_record_write(const SceneRecord &scene, Buffer *out);
