// The combat screen's drawing: the background and the stars, the preview of the order being picked
// (a half-transparent ship where a move would put it or which way a turn would face it, with the
// move arc after the turn), the combat map, the controls and the battle summary's band and word;
// the cursor the pointer asks for; the minimap's jump.
#include <algorithm>

#include "effects/starfield.h"
#include "game/game.h"
#include "platform/colour_fade.h"
#include "platform/draw.h"
#include "platform/font.h"
#include "platform/graphics.h"
#include "platform/geometry.h"
#include "platform/input.h"
#include "platform/sprite.h"
#include "screens/combat/combat_screen.h"
#include "systems/system.h"
#include "ui/app_mode.h"
#include "ui/control.h"
#include "ui/game_controls.h"
#include "ui/ui_draw.h"
#include "world/object_map.h"
#include "world/ship.h"

namespace {

constexpr int SUMMARY_FONT = 3;
constexpr uint8_t BAND_R = 0, BAND_G = 32, BAND_B = 0;

enum CombatCursor : int32_t {
    CURSOR_ARROW = 0,
    CURSOR_COMMAND = 1,
    CURSOR_TARGET = 2,
    CURSOR_RIGHT = 3,
    CURSOR_UP_RIGHT = 4,
    CURSOR_UP = 5,
    CURSOR_UP_LEFT = 6,
    CURSOR_LEFT = 7,
    CURSOR_DOWN_LEFT = 8,
    CURSOR_DOWN = 9,
    CURSOR_DOWN_RIGHT = 10,
};

GfxRect rect_of(int x, int y, int w, int h) { return GfxRect{int16_t(x), int16_t(y), uint16_t(w), uint16_t(h)}; }

void queue_slot(Graphics *g, DrawCommandFn *fn, int32_t slot) {
    const uint32_t s = uint32_t(slot);
    (void)gfx_queue_command(g, fn, &s, sizeof s);   // a full queue only loses this frame
}
void queue_rect(Graphics *g, DrawCommandFn *fn, GfxRect r) { (void)gfx_queue_command(g, fn, &r, sizeof r); }
void queue_plain(Graphics *g, DrawCommandFn *fn) { (void)gfx_queue_command(g, fn, nullptr, 0); }

// The battle's own background, which the galaxy screen chose when the battle was entered.
int32_t background_slot(const Game *game) { return std::clamp(game->combat_background, 36, 51); }

void draw_background(Graphics *g, Game *game) {
    if (app_mode_changed()) {
        const int32_t current = background_slot(game);
        for (int32_t slot = 0; slot < GFX_BACKGROUND_SLOTS; ++slot)
            queue_slot(g, slot == current ? bg_load_command : bg_free_command, slot);
        queue_slot(g, bg_set_command, current);
        queue_plain(g, gfx_clear_restore_rects);
        queue_rect(g, gfx_restore_rect, rect_of(0, 0, ui_screen_width(), ui_screen_height()));
        return;
    }
    if (game->star_layer) starfield_draw_moved(game->star_layer, g);
    queue_plain(g, gfx_restore_all);
}

void blend_band(Graphics *g, int32_t left, int32_t right, int32_t top, int32_t bottom) {
    if (right < left || bottom < top) return;
    const GfxRect band = rect_of(left, top, right - left + 1, bottom - top + 1);
    queue_plain(g, gfx_lock_screen);
    (void)gfx_queue_tint_rect(g, band, BAND_R, BAND_G, BAND_B);
    queue_plain(g, gfx_unlock_screen);
    queue_rect(g, gfx_add_dirty_rect, band);
    queue_rect(g, gfx_add_restore_rect, band);
}

void draw_word(Graphics *g, const BattleSummary &b) {
    if (!b.text) return;
    int x = b.text_x;
    for (int i = 0; i < b.letter_count && b.text[i]; ++i) {
        const ColourFade *fade = b.letter_fades ? b.letter_fades[i] : nullptr;
        const bool lit = fade && (b.phase == SUMMARY_LETTERS ? !colour_fade_is_waiting(fade)
                                                              : colour_fade_is_running(fade));
        if (lit) (void)font_draw_text_n(g, SUMMARY_FONT, x, b.text_y, gfx_map_rgb(fade->r, fade->g, fade->b), b.text + i, 1);
        x += std::max(font_char_advance(static_cast<unsigned char>(b.text[i])), 0);
    }
    const GfxRect r = rect_of(b.text_x, b.text_y, std::max(b.text_w, 0), std::max(b.font_h, 0));
    queue_rect(g, gfx_add_dirty_rect, r);
    queue_rect(g, gfx_add_restore_rect, r);
}

int32_t sign(int32_t v) { return (v > 0) - (v < 0); }

// ---- The preview of the order being picked ----

constexpr int32_t ARC_LINE_LENGTH = 160;

Sprite *frame_sprite(const GameObject *obj, int32_t frame) {
    if (frame < 0 || frame >= obj->frame_count) return nullptr;
    if (obj->frames && obj->frames[frame]) return obj->frames[frame];
    return obj->frame_sprites ? obj->frame_sprites[frame] : nullptr;
}

void mark_drawn(Graphics *g, int x, int y, int w, int h) {
    const GfxRect r = rect_of(x, y, w, h);
    queue_rect(g, gfx_add_dirty_rect, r);
    queue_rect(g, gfx_add_restore_rect, r);
}

// A half-transparent picture of the ship in a frame at a map position.
void draw_ghost(Graphics *g, const ObjectMap *map, const GameObject *ship, int32_t frame, int32_t x, int32_t y) {
    Sprite *sprite = frame_sprite(ship, frame);
    if (!sprite) return;
    SpriteDrawPayload ghost{};
    ghost.flags = SPRITE_DRAW_BLEND;
    ghost.x = int16_t(x - map->view_x);
    ghost.y = int16_t(y - map->view_y);
    ghost.sprite = sprite;
    if (sprite_queue_draw(g, ghost) == RES_OK) mark_drawn(g, ghost.x, ghost.y, sprite->width, sprite->height);
}

// The point the hull turns about: its rotation frame's centre when it has one, else its centre.
void turn_pivot(const Ship *ship, int32_t *x, int32_t *y) {
    *x = ship->x + ship->w / 2;
    *y = ship->y + ship->h / 2;
    if (!(ship->hull_flags & HULL_FLAG_ROTATING) || !ship->centre_x || !ship->centre_y) return;
    const int32_t i = ship_frame_for_heading(ship, ship->heading) - ship->rot_first;
    if (i < 0 || i >= int32_t(ship->centre_x->size()) || i >= int32_t(ship->centre_y->size())) return;
    *x = ship->x + (*ship->centre_x)[size_t(i)];
    *y = ship->y + (*ship->centre_y)[size_t(i)];
}

void draw_turn_preview(Graphics *g, const ObjectMap *map, Ship *ship, int32_t px, int32_t py) {
    CombatScreen *s = combat_screen();
    int32_t cx = 0, cy = 0;
    turn_pivot(ship, &cx, &cy);
    const int32_t heading = angle_of_vector(px - cx, py - cy);
    const bool blocked = ship_turn_is_blocked(ship, heading) != 0;
    const ColourFade *colour = blocked ? s->invalid_colour : s->valid_colour;
    if (!blocked) {
        int32_t x = ship->x, y = ship->y;
        ship_adjust_position_for_heading(ship, ship->heading, heading, &x, &y);
        draw_ghost(g, map, ship, ship_frame_for_heading(ship, heading), x, y);
    }
    if (!colour) return;
    for (int32_t side : {1, -1}) {
        int32_t dx = 0, dy = 0;
        rotate_point(angle_normalize(heading + side * ship->move_arc / 2), ARC_LINE_LENGTH, &dx, &dy);
        GfxLinePayload line{};
        line.x = int16_t(cx - map->view_x);
        line.y = int16_t(cy - map->view_y);
        line.dx = int16_t(dx);
        line.dy = int16_t(dy);
        line.r = colour->r;
        line.g = colour->g;
        line.b = colour->b;
        if (gfx_queue_line(g, line) == RES_OK)
            mark_drawn(g, std::min<int>(line.x, line.x + dx), std::min<int>(line.y, line.y + dy), std::abs(dx) + 1,
                       std::abs(dy) + 1);
    }
}

void draw_move_preview(Graphics *g, const ObjectMap *map, Ship *ship, int32_t px, int32_t py) {
    const int32_t x = px - ship->w / 2, y = py - ship->h / 2;
    int32_t cost = 0;
    if (object_move_cost(ship, x, y, &cost) == RES_OK) draw_ghost(g, map, ship, ship->frame, x, y);
}

// A system that puts the ship at the aimed point (the jump drive): the ship centred on the pointer,
// within the system's range and where nothing else stands.
void draw_point_target_preview(Graphics *g, ObjectMap *map, Ship *ship, int32_t crit, int32_t px, int32_t py) {
    const System *system = crit >= 0 && crit < ship->crit_count ? ship->crits[crit].system : nullptr;
    if (!system || system->type != SYSTEM_TYPE_JUMP_DRIVE || !(system->flags & SYSTEM_FLAG_POINT_TARGET)) return;
    if (system_jump_check(system, ship, px, py) != RES_OK) return;   // the order's own test
    draw_ghost(g, map, ship, ship->frame, px - ship->w / 2, py - ship->h / 2);
}

// What the order being picked would do, drawn under the map: the overlays, and the ship where it
// would stand or which way it would face.
void draw_order_preview(Graphics *g, ObjectMap *map) {
    CombatScreen *s = combat_screen();
    if (!s->acting) return;
    for (Control *overlay : {s->reach_overlay, s->effect_overlay})
        if (overlay && control_is_shown(overlay)) control_draw(overlay, g, 0, 0);
    if (s->acting->kind != OBJECT_SHIP) return;
    Ship *ship = static_cast<Ship *>(s->acting);
    int32_t px = 0, py = 0;
    input_mouse_position(&px, &py);
    px += map->view_x;
    py += map->view_y;
    if (s->command_mode == COMMAND_TURN) draw_turn_preview(g, map, ship, px, py);
    else if (s->command_mode == COMMAND_MOVE) draw_move_preview(g, map, ship, px, py);
    else if (s->command_mode == COMMAND_SYSTEM) draw_point_target_preview(g, map, ship, s->selected_crit, px, py);
}

}  // namespace

void combat_draw(Graphics *g) {
    CombatScreen *s = combat_screen();
    Game *game = game_get();
    if (!g || !game) return;
    const uint32_t f = s->flags.load(std::memory_order_acquire);
    draw_background(g, game);
    if (game->combat_map && !(f & (COMBAT_FLAG_ANIMATING | COMBAT_FLAG_SUMMARY))) draw_order_preview(g, game->combat_map);
    if (!(f & COMBAT_FLAG_MAP_HIDDEN))
        if (ObjectMap *map = game->combat_map) map_draw(map, g);
    if (!(game->flags & GAME_FLAG_CONTROLS_OFF)) game_draw_controls(game, g, -1);
    if (f & COMBAT_FLAG_SUMMARY) {
        const BattleSummary &b = s->summary;
        blend_band(g, b.band_left, b.band_right, b.band_top, b.band_bottom);
        if (b.phase >= SUMMARY_LETTERS) draw_word(g, b);
        if (b.phase >= SUMMARY_SALVAGE_BAND)
            blend_band(g, b.salvage_left, b.salvage_right, b.salvage_top, b.salvage_bottom);
    }
}

int32_t combat_cursor_for_pointer(int32_t x, int32_t y) {
    CombatScreen *s = combat_screen();
    Game *game = game_get();
    const int32_t w = ui_screen_width(), h = ui_screen_height();
    if (!game || !game_solid_control_at_point(game, x, y)) {
        const bool top = y < COMBAT_EDGE_ZONE, bottom = y > h - COMBAT_EDGE_ZONE;
        if (x < COMBAT_EDGE_ZONE) return top ? CURSOR_UP_LEFT : bottom ? CURSOR_DOWN_LEFT : CURSOR_LEFT;
        if (x > w - COMBAT_EDGE_ZONE) return top ? CURSOR_UP_RIGHT : bottom ? CURSOR_DOWN_RIGHT : CURSOR_RIGHT;
        if (top) return CURSOR_UP;
        if (bottom) return CURSOR_DOWN;
    }
    switch (s->command_mode) {
    case COMMAND_MOVE:
    case COMMAND_TURN: return CURSOR_COMMAND;
    case COMMAND_SCAN:
    case COMMAND_SYSTEM: return s->hovered ? CURSOR_TARGET : CURSOR_COMMAND;
    default: return CURSOR_ARROW;
    }
}

void combat_update_cursor() {
    Game *game = game_get();
    if (!game) return;
    int32_t x = 0, y = 0;
    input_mouse_position(&x, &y);
    const int32_t wanted = combat_cursor_for_pointer(x, y);
    if (wanted != game->cursor_index && game_load_cursor(game, wanted) == RES_OK) game->cursor_index = wanted;
}

void combat_minimap_on_click(Control *minimap) {
    Game *game = game_get();
    ObjectMap *map = combat_map();
    if (!minimap || !map || minimap->w <= 0 || minimap->h <= 0) return;
    int32_t mx = 0, my = 0, px = 0, py = 0;
    control_get_screen_position(minimap, &mx, &my);
    input_mouse_position(&px, &py);
    const int32_t map_x = (px - mx) * map->world_w / minimap->w;
    const int32_t map_y = (py - my) * map->world_h / minimap->h;
    const int32_t x = std::min(map->world_w - map->screen_w - 1, std::max(map_x - map->screen_w / 2, 0));
    const int32_t y = std::min(std::max(map_y - map->screen_h / 2, 0), map->world_h - map->screen_h - 1);
    const int32_t dx = map->view_x - x, dy = map->view_y - y;
    const int32_t d2 = dx * dx + dy * dy;
    map->view_x = x;
    map->view_y = y;
    if (d2 <= 0) return;
    const int32_t k = std::max(d2 / 4, 1);
    if (game && game->star_layer) starfield_set_scroll(game->star_layer, k * sign(dx), k * sign(dy), 1);
}
