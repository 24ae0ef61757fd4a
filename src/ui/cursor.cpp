// Cursor: loading, back-and-forth frames, drawing.
#include "ui/cursor.h"

#include <cstdio>
#include <new>
#include <vector>

#include "ui/ui_draw.h"
#include "platform/files.h"

Cursor *cursor_create_empty() { return new (std::nothrow) Cursor{}; }

Cursor *cursor_load(int n) {
    char path[64];
    std::snprintf(path, sizeof path, "cursor/%.3i/png", n);
    int count = 0;
    Sprite **frames = ui_load_numbered_sprites(path, &count);
    if (!frames || count < 1) {
        ui_free_sprite_array(frames, count);
        return nullptr;
    }
    Cursor *cursor = cursor_create_empty();
    if (!cursor) {
        ui_free_sprite_array(frames, count);
        return nullptr;
    }
    cursor->frames = frames;
    cursor->frame_count = count;
    cursor->step = 1;
    std::snprintf(path, sizeof path, "cursor/%.3i/dat/point", n);
    std::vector<int32_t> point;
    int32_t lines = 0;
    if (store_read_int_lines(path, &lines, &point) == RES_OK && point.size() >= 2) {
        cursor->hot_x = point[0];
        cursor->hot_y = point[1];
    }
    return cursor;
}

void cursor_free(Cursor *cursor) {
    if (!cursor) return;
    ui_free_sprite_array(cursor->frames, cursor->frame_count);
    delete cursor;
}

void cursor_update(Cursor *cursor, int ms) {
    if (!cursor || cursor->frame_count < 2) return;
    cursor->left -= ms;
    if (cursor->left >= 1) return;
    cursor->index += cursor->step;
    cursor->left += CURSOR_FRAME_MS;
    if (cursor->index >= cursor->frame_count) {
        cursor->index = cursor->frame_count - 1;
        cursor->step = -cursor->step;
    } else if (cursor->index < 0) {
        cursor->index = 1;
        cursor->step = -cursor->step;
    }
}

void sprite_draw_at(Cursor *cursor, Graphics *gfx, int x, int y) {
    if (!cursor || cursor->index < 0 || cursor->index >= cursor->frame_count) return;
    Sprite *frame = cursor->frames[cursor->index];
    if (!frame) return;
    ui_sprite_blit(gfx, frame, x, y);
    const int w = ui_sprite_width(frame), h = ui_sprite_height(frame);
    ui_dirty_rect(gfx, x, y, w, h);
    ui_restore_rect(gfx, x, y, w, h);
}
