// The galaxy screen's drawing: backgrounds, the current map or its frozen picture, the two view
// transitions and the combat hand-off; the transitions' steps; the sector title and minimap.
#include <algorithm>
#include <cstring>

#include "effects/starfield.h"
#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/draw.h"
#include "platform/font.h"
#include "platform/graphics.h"
#include "platform/hash.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/galaxy/sector_panel.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "world/object_map.h"
#include "world/sector.h"

namespace {

constexpr int LOADING_MARGIN = 6;
constexpr uint8_t BAND_R = 0, BAND_G = 32, BAND_B = 0;

constexpr int32_t ZOOM_FADE_MS = 300;
constexpr int32_t ZOOM_GROWTH_PER_MS = 4;
constexpr int ZOOM_BOX_LAYER = 1;
constexpr uint8_t ZOOM_BOX_EDGE[3] = {0, 48, 0}, ZOOM_BOX_FILL[3] = {0, 24, 0};

constexpr int32_t SECTOR_PANEL_OPTIONS = SECTOR_PANEL_STYLE_1 | SECTOR_PANEL_COMMAND | SECTOR_PANEL_STYLE_2 | SECTOR_PANEL_ZOOM;
constexpr int32_t SECTOR_PANEL_OWN_OPTIONS = SECTOR_PANEL_STYLE_1 | SECTOR_PANEL_COMMAND | SECTOR_PANEL_STYLE_2 | SECTOR_PANEL_ZOOM | SECTOR_PANEL_OWN;
constexpr int32_t SECTOR_PANEL_MARGIN = 12;

constexpr int TITLE_FONT = 0;
constexpr int TITLE_GREY = 220;
constexpr int TITLE_FADE_MS = 500;
constexpr int TITLE_X = 6, TITLE_PANEL_X = 14, TITLE_PANEL_PAD = 12;

bool has(uint32_t bits) { return (galaxy_screen()->screen_flags.load() & bits) != 0; }
void set_bits(uint32_t bits) { galaxy_screen()->screen_flags.fetch_or(bits); }
void clear_bits(uint32_t bits) { galaxy_screen()->screen_flags.fetch_and(~bits); }

GfxRect gfx_rect_of(int x, int y, int w, int h) { return GfxRect{int16_t(x), int16_t(y), uint16_t(w), uint16_t(h)}; }
GfxRect gfx_rect_of(const GalaxyRect &r) { return gfx_rect_of(r.x1, r.y1, r.x2 - r.x1 + 1, r.y2 - r.y1 + 1); }
GfxRect whole_screen() { return gfx_rect_of(0, 0, ui_screen_width(), ui_screen_height()); }

void queue_slot(Graphics *g, DrawCommandFn *fn, int32_t slot) {
    const uint32_t s = uint32_t(slot);
    (void)gfx_queue_command(g, fn, &s, sizeof s);   // a full queue only loses this frame
}
void queue_rect(Graphics *g, DrawCommandFn *fn, GfxRect r) { (void)gfx_queue_command(g, fn, &r, sizeof r); }
void queue_plain(Graphics *g, DrawCommandFn *fn) { (void)gfx_queue_command(g, fn, nullptr, 0); }

// The hand-off chose the battle's backdrop when it began.
int32_t combat_background_slot(const Game *game) {
    return std::clamp(game->combat_background, GALAXY_BG_COMBAT_FIRST, GALAXY_BG_COMBAT_FIRST + 15);
}

// The picture stands still while a computer player's worker runs, and while a worker waits for its
// start with the picture already taken: the map is not drawn, only restored.
// A turn's start sets its worker's bit before the worker exists: until the picture is baked, the
// map is drawn as ever (and the draw bakes it).
bool picture_frozen(const GalaxyScreen *s, uint32_t flags) {
    if (s->worker_pending != GALAXY_WORKER_NONE) return s->frozen_picture_baked;
    return galaxy_ai_thread_runs(flags);
}

void repaint(Graphics *g, GalaxyScreen *s, uint32_t flags) {
    for (int32_t slot = 0; slot < GFX_BACKGROUND_SLOTS; ++slot) {
        const bool keep = slot == s->starmap_background ||
                          (s->sector_background_loaded != 0 && slot == s->sector_background_loaded);
        queue_slot(g, keep ? bg_load_command : bg_free_command, slot);
    }
    const bool starmap = (flags & GALAXY_FLAG_STARMAP_VIEW) || s->sector_background_loaded == 0;
    queue_slot(g, bg_set_command, starmap ? s->starmap_background : s->sector_background_loaded);
    queue_plain(g, gfx_clear_restore_rects);
    queue_rect(g, gfx_restore_rect, whole_screen());
    clear_bits(GALAXY_FLAG_REPAINT | GALAXY_FLAG_SECTOR_BACKGROUND | GALAXY_FLAG_STARMAP_BACKGROUND);
}

void switch_to_sector_background(Graphics *g, GalaxyScreen *s) {
    if (s->sector_background_wanted != s->sector_background_loaded) {
        if (s->sector_background_loaded != 0) queue_slot(g, bg_free_command, s->sector_background_loaded);
        queue_slot(g, bg_load_command, s->sector_background_wanted);
        s->sector_background_loaded = s->sector_background_wanted;
    }
    queue_slot(g, bg_set_command, s->sector_background_loaded);
    clear_bits(GALAXY_FLAG_SECTOR_BACKGROUND);
}

// The clean background over the whole screen: whatever the working background was given (a kept
// picture of the map) goes.
void reset_background(Graphics *g, GalaxyScreen *s) {
    const GfxRect whole = whole_screen();
    queue_plain(g, bg_lock_command);
    queue_rect(g, bg_reset_rect_command, whole);
    queue_plain(g, bg_unlock_command);
    queue_rect(g, gfx_restore_rect, whole);
    queue_rect(g, gfx_add_dirty_rect, whole);
    s->frozen_picture_baked = false;
    clear_bits(GALAXY_FLAG_RESET_BACKGROUND);
}

// What the screen shows now becomes the working background: the picture restored while the map
// is not drawn.
void bake_picture(Graphics *g, GalaxyScreen *s) {
    queue_plain(g, gfx_lock_screen);
    queue_plain(g, bg_lock_command);
    queue_rect(g, bg_capture_screen_command, whole_screen());
    queue_plain(g, bg_unlock_command);
    queue_plain(g, gfx_unlock_screen);
    s->frozen_picture_wanted = false;
    s->frozen_picture_baked = true;
}

// ---- The combat hand-off ----

bool rect_inside(const GalaxyRect &inner, const GalaxyRect &outer) {
    return inner.x1 <= inner.x2 && inner.y1 <= inner.y2 && inner.x1 >= outer.x1 && inner.y1 >= outer.y1 &&
           inner.x2 <= outer.x2 && inner.y2 <= outer.y2;
}

// One uncovered strip: the combat background with its stars, shown and kept for restoring.
void uncover_strip(Graphics *g, Game *game, int32_t slot, int x1, int y1, int x2, int y2) {
    if (x2 < x1 || y2 < y1) return;
    const GfxRect r = gfx_rect_of(x1, y1, x2 - x1 + 1, y2 - y1 + 1);
    const BgCopyPayload copy{r, uint32_t(slot)};
    (void)gfx_queue_command(g, bg_copy_rect_command, &copy, sizeof copy);
    starfield_draw(game->star_layer, g, r.x, r.y, r.w, r.h);
    queue_rect(g, gfx_restore_rect, r);
    queue_rect(g, gfx_add_restore_rect, r);
}

// The parts of the loading rectangle not shown yet; the whole of it when the last one shown does
// not lie inside it (nothing shown yet).
void uncover_loading_rect(Graphics *g, Game *game, GalaxyScreen *s) {
    const GalaxyRect cur = s->loading_rect, prev = s->uncovered_rect;
    const int32_t slot = combat_background_slot(game);
    if (!rect_inside(prev, cur)) {
        uncover_strip(g, game, slot, cur.x1, cur.y1, cur.x2, cur.y2);
    } else {
        uncover_strip(g, game, slot, cur.x1, cur.y1, prev.x1 - 1, cur.y2);
        uncover_strip(g, game, slot, prev.x2 + 1, cur.y1, cur.x2, cur.y2);
        uncover_strip(g, game, slot, prev.x1, cur.y1, prev.x2, prev.y1 - 1);
        uncover_strip(g, game, slot, prev.x1, prev.y2 + 1, prev.x2, cur.y2);
    }
    s->uncovered_rect = cur;
}

void draw_band(Graphics *g, const GalaxyScreen *s) {
    if (s->band_bottom <= s->band_top) return;
    const GfxRect band = gfx_rect_of(0, s->band_top, ui_screen_width(), s->band_bottom - s->band_top + 1);
    queue_plain(g, gfx_lock_screen);
    (void)gfx_queue_fill_rect(g, band, BAND_R, BAND_G, BAND_B);
    queue_plain(g, gfx_unlock_screen);
    queue_rect(g, gfx_add_dirty_rect, band);
    queue_rect(g, gfx_add_restore_rect, band);
}

void draw_banner(Graphics *g, const GalaxyScreen *s) {
    int x = (ui_screen_width() - s->banner_width) / 2;
    for (int i = 0; i < GALAXY_HANDOFF_LETTERS && GALAXY_HANDOFF_BANNER_TEXT[i]; ++i) {
        const ColourFade *fade = s->letter_fades[i];
        const bool lit = fade && (s->handoff_phase == 1 ? !colour_fade_is_waiting(fade) : colour_fade_is_running(fade));
        if (lit)
            (void)font_draw_text_n(g, GALAXY_HANDOFF_BANNER_FONT, x, s->banner_y,
                                   gfx_map_rgb(fade->r, fade->g, fade->b), GALAXY_HANDOFF_BANNER_TEXT + i, 1);
        x += std::max(font_char_advance(GALAXY_HANDOFF_BANNER_TEXT[i]), 0);
    }
}

void draw_loading_text(Graphics *g, const GalaxyScreen *s) {
    const ColourFade *fade = s->loading_fade;
    if (!fade) return;
    const int line = std::max(font_line_height(GALAXY_HANDOFF_LOADING_FONT), 0);
    const int x = ui_screen_width() - s->loading_width - LOADING_MARGIN;
    const int y = ui_screen_height() - line - LOADING_MARGIN;
    (void)font_draw_text(g, GALAXY_HANDOFF_LOADING_FONT, x, y, gfx_map_rgb(fade->r, fade->g, fade->b),
                         GALAXY_HANDOFF_LOADING_TEXT);
    const GfxRect r = gfx_rect_of(x, y, s->loading_width, line);
    queue_rect(g, gfx_add_dirty_rect, r);
    queue_rect(g, gfx_add_restore_rect, r);   // the next frame draws it afresh in its next colour
}

void draw_handoff(Graphics *g, Game *game, GalaxyScreen *s, uint32_t flags) {
    if (s->handoff_phase >= 1) uncover_loading_rect(g, game, s);
    draw_band(g, s);
    if (s->handoff_phase >= 1) draw_banner(g, s);
    if (flags & GALAXY_FLAG_LOADING_TEXT) draw_loading_text(g, s);
}

// ---- View transitions ----

Control *zoom_box() { return game_find_control(game_get(), GALAXY_ID_ZOOM_BOX); }

void zoom_box_fade(Control *box) {
    if (!box) return;
    if (ColourFade *edge = panel_border_colour(box)) colour_fade_to(edge, 0, 0, 0, ZOOM_FADE_MS, 0);
    if (ColourFade *fill = panel_background_colour(box)) colour_fade_to(fill, 0, 0, 0, ZOOM_FADE_MS, 0);
}

GalaxyRect zoom_start_rect(const Control *box) {
    if (box) {
        const int32_t x1 = box->x + box->w / 2 - 3, y1 = box->y + box->h / 2 - 2;
        return GalaxyRect{x1, y1, x1 + 6, y1 + 4};
    }
    const int32_t x1 = ui_screen_width() / 2 - 12, y1 = ui_screen_height() / 2 - 8;
    return GalaxyRect{x1, y1, x1 + 24, y1 + 16};
}

// Grows the zoom rectangle by 4 pixels per ms since the last step on every side, within the
// screen; true once it covers the screen.
bool zoom_grow(GalaxyScreen *s) {
    const int32_t by = ZOOM_GROWTH_PER_MS * s->zoom_timer;
    s->zoom_timer = 0;
    const int32_t w = ui_screen_width(), h = ui_screen_height();
    GalaxyRect &r = s->zoom_rect;
    r.x1 = std::max(r.x1 - by, 0);
    r.y1 = std::max(r.y1 - by, 0);
    r.x2 = std::min(r.x2 + by, w - 1);
    r.y2 = std::min(r.y2 + by, h - 1);
    return r.x1 <= 0 && r.y1 <= 0 && r.x2 >= w - 1 && r.y2 >= h - 1;
}

void markers_rebuild() {
    galaxy_markers_clear();
    galaxy_markers_refresh();
}

void zoom_in_done(GalaxyScreen *s) {
    Game *game = game_get();
    clear_bits(GALAXY_FLAG_ZOOM_IN | GALAXY_FLAG_HIDE_MAP);
    set_bits(GALAXY_FLAG_RESET_BACKGROUND);
    if (game->galaxy_map) map_clear_effects(game->galaxy_map);
    game_set_sector_contents(game, sector_of(s->selected) ? s->selected->id : 0);
    galaxy_map_view_reset(game->sector_map);
    clear_bits(GALAXY_FLAG_STARMAP_VIEW);
    galaxy_sector_info_update();
    galaxy_bar_update_action_button();
    markers_rebuild();
}

// The sector a command asked to show once the star map is back: its panel beside it, selected.
void show_waiting_sector(GalaxyScreen *s) {
    Game *game = game_get();
    GameObject *sector = game_find_object_of_kind(game, OBJECT_SECTOR, s->sector_after_zoom_id);
    const bool move = s->sector_after_zoom_move;
    s->sector_after_zoom_id = 0;
    s->sector_after_zoom_move = false;
    if (!sector) return;
    galaxy_object_panels_close();
    Control *panel = galaxy_object_panel_open(GALAXY_PANEL_SECTOR);
    if (!panel) return;
    galaxy_object_panel_set_object(panel, sector);
    const bool own = sector->owner_id != 0 && sector->owner_id == game->ui_player_id;
    galaxy_show_sector_panel(panel, sector, own ? SECTOR_PANEL_OWN_OPTIONS : SECTOR_PANEL_OPTIONS);
    galaxy_select_object(sector);
    galaxy_place_panel_beside(panel, sector, SECTOR_PANEL_MARGIN);
    if (move) sector_panel_press_move(panel);
    game_flush_new_controls(game);
}

void zoom_out_done(GalaxyScreen *s) {
    clear_bits(GALAXY_FLAG_ZOOM_OUT | GALAXY_FLAG_HIDE_MAP);
    set_bits(GALAXY_FLAG_STARMAP_VIEW | GALAXY_FLAG_RESET_BACKGROUND);
    game_set_sector_contents(game_get(), 0);
    galaxy_sector_info_update();
    galaxy_bar_update_action_button();
    galaxy_markers_refresh();
    if (s->sector_after_zoom_id != 0) show_waiting_sector(s);
}

void zoom_in_step(GalaxyScreen *s) {
    switch (s->zoom_stage) {
    case 0:
        if (s->zoom_timer < ZOOM_FADE_MS) return;
        zoom_box_fade(zoom_box());
        s->zoom_timer = 0;
        s->zoom_stage = 1;
        return;
    case 1: {
        if (s->zoom_timer < ZOOM_FADE_MS) return;
        Control *box = zoom_box();
        zoom_box_fade(box);
        s->zoom_rect = zoom_start_rect(box);
        set_bits(GALAXY_FLAG_HIDE_MAP);
        galaxy_markers_clear();
        s->sector_background_wanted = s->zoom_sector_background;
        set_bits(GALAXY_FLAG_SECTOR_BACKGROUND);
        s->zoom_timer = 0;
        s->zoom_stage = 2;
        return;
    }
    default: {
        const bool covered = zoom_grow(s);
        if (Control *box = zoom_box();
            box && s->zoom_rect.x2 - s->zoom_rect.x1 + 1 > box->w && s->zoom_rect.y2 - s->zoom_rect.y1 + 1 > box->h)
            control_remove(box);
        if (covered) zoom_in_done(s);
        return;
    }
    }
}

void sector_info_show_title(Control *panel, const Control *status) {
    Game *game = game_get();
    if (status) {
        control_set_size(panel, panel->w, status->h);
        control_set_position(panel, panel->x, status->y);
    }
    Control *label = panel_find_child(panel, GALAXY_ID_SECTOR_TITLE);
    if (!label) {
        panel_remove_children(panel);
        label = text_label_create_empty(TITLE_FONT);
        if (!label) return;
        ColourFade *colour = text_label_colour(label);
        if (colour) colour_fade_set(colour, TITLE_GREY, TITLE_GREY, TITLE_GREY);
        GameObject *sector = sector_of(game_find_object_of_kind(game, OBJECT_SECTOR, game->shown_sector_id));
        if (sector) {
            text_label_set_text_printf(label, "%s sector", object_get_name(sector));
            int32_t r = 0, g = 0, b = 0;
            game_get_player_colors(game, sector->owner_id, &r, &g, &b);
            if (colour) colour_fade_to(colour, r, g, b, TITLE_FADE_MS, 0);
        } else {
            text_label_set_text(label, "Unknown");
        }
        panel_add_child(panel, TITLE_X, 0, GALAXY_ID_SECTOR_TITLE, 0, label);
    }
    control_set_position(label, TITLE_X, (panel->h - label->h) / 2);
    control_set_size(panel, label->w + TITLE_PANEL_PAD, panel->h);
    control_set_position(panel, TITLE_PANEL_X, panel->y);
    control_set_hidden(panel, true);
}

void remove_minimap() {
    if (Control *minimap = game_find_control(game_get(), GALAXY_ID_SECTOR_MINIMAP)) control_remove(minimap);
}

}  // namespace

void galaxy_mode_draw(Graphics *g) {
    GalaxyScreen *s = galaxy_screen();
    Game *game = game_get();
    const uint32_t flags = s->screen_flags.load();
    const bool frozen = picture_frozen(s, flags);

    // A repaint or a reset would throw the kept picture away: they wait for the worker.
    if ((flags & GALAXY_FLAG_REPAINT) && !frozen) repaint(g, s, flags);
    else queue_plain(g, gfx_restore_all);
    if (flags & GALAXY_FLAG_LOAD_COMBAT_BACKGROUND) {
        queue_slot(g, bg_load_command, combat_background_slot(game));
        clear_bits(GALAXY_FLAG_LOAD_COMBAT_BACKGROUND);
    }
    if (has(GALAXY_FLAG_SECTOR_BACKGROUND)) switch_to_sector_background(g, s);
    if (has(GALAXY_FLAG_STARMAP_BACKGROUND)) {
        queue_slot(g, bg_set_command, s->starmap_background);
        clear_bits(GALAXY_FLAG_STARMAP_BACKGROUND);
    }
    if (has(GALAXY_FLAG_RESET_BACKGROUND) && !frozen) reset_background(g, s);

    if (!(game->flags & GAME_FLAG_CONTROLS_OFF)) game_draw_controls(game, g, -1);
    if (!frozen && !(flags & GALAXY_FLAG_HIDE_MAP))
        if (ObjectMap *map = galaxy_current_map()) map_draw(map, g);
    if (s->frozen_picture_wanted && !frozen) bake_picture(g, s);

    if (((flags & GALAXY_FLAG_ZOOM_IN) && s->zoom_stage == 2) || (flags & GALAXY_FLAG_ZOOM_OUT))
        queue_rect(g, gfx_restore_rect, gfx_rect_of(s->zoom_rect));
    if (flags & GALAXY_FLAG_COMBAT_HANDOFF) draw_handoff(g, game, s, flags);
}

void galaxy_zoom_step(int32_t dt) {
    GalaxyScreen *s = galaxy_screen();
    s->zoom_timer += dt;
    if (has(GALAXY_FLAG_ZOOM_IN)) zoom_in_step(s);
    else if (has(GALAXY_FLAG_ZOOM_OUT) && zoom_grow(s)) zoom_out_done(s);
}

void galaxy_zoom_begin(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    GalaxyScreen *s = galaxy_screen();
    Game *game = game_get();
    set_bits(GALAXY_FLAG_HIDE_MAP | GALAXY_FLAG_ZOOM_OUT | GALAXY_FLAG_STARMAP_BACKGROUND);
    galaxy_hover_set(nullptr);
    galaxy_object_panels_close();
    for (Control *panel : {s->hover_panel, s->side_panels[GALAXY_LIST_OFFICERS], s->centre_panel})
        if (panel) control_set_hidden(panel, false);
    galaxy_side_panels_close();
    galaxy_bar_layout(0);
    galaxy_select_object(nullptr);
    game_remove_controls_by_group(game, GALAXY_GROUP_MARKERS);
    for (HashTable<Control> *map : s->marker_maps)
        if (map) hash_table_clear(map);
    s->zoom_rect = GalaxyRect{left, top, right, bottom};
    s->zoom_stage = 0;
    s->zoom_timer = 0;
    galaxy_bar_hide_action_buttons();
    remove_minimap();
}

void galaxy_sector_on_enter(Control *) {
    GalaxyScreen *s = galaxy_screen();
    Game *game = game_get();
    GameObject *sector = sector_of(s->selected);
    if (!sector || has(GALAXY_FLAG_ZOOM_IN | GALAXY_FLAG_ZOOM_OUT) || !has(GALAXY_FLAG_STARMAP_VIEW)) return;
    galaxy_select_object(sector);
    s->zoom_sector_background = std::clamp(sector->subtype + GALAXY_BG_SECTOR_FIRST, GALAXY_BG_SECTOR_FIRST,
                                           GALAXY_BG_COMBAT_FIRST - 1);
    const ObjectMap *map = game->galaxy_map;
    const int view_x = map ? map->view_x : 0, view_y = map ? map->view_y : 0;
    if (Control *box = panel_create(std::max(sector->w, 1), std::max(sector->h, 1), ZOOM_BOX_FILL[0], ZOOM_BOX_FILL[1],
                                    ZOOM_BOX_FILL[2])) {
        panel_set_border(box, true);
        if (ColourFade *edge = panel_border_colour(box))
            colour_fade_set(edge, ZOOM_BOX_EDGE[0], ZOOM_BOX_EDGE[1], ZOOM_BOX_EDGE[2]);
        control_set_layer(box, ZOOM_BOX_LAYER);
        game_add_control(game, sector->x - view_x, sector->y - view_y, GALAXY_ID_ZOOM_BOX, 1, box);
    }
    set_bits(GALAXY_FLAG_ZOOM_IN);
    s->zoom_stage = 0;
    s->zoom_timer = 0;
    galaxy_hover_set(nullptr);
    galaxy_object_panels_close();
    galaxy_side_panels_close();
    galaxy_bar_hide_action_buttons();
}

void galaxy_sector_info_update() {
    GalaxyScreen *s = galaxy_screen();
    Control *panel = s->sector_info_panel;
    if (!panel) return;
    if (!has(GALAXY_FLAG_STARMAP_VIEW)) {
        sector_info_show_title(panel, s->status_panel);
        if (!game_find_control(game_get(), GALAXY_ID_SECTOR_MINIMAP)) {
            Game *game = game_get();
            galaxy_sector_minimap_create(sector_of(game_find_object_of_kind(game, OBJECT_SECTOR, game->shown_sector_id)));
        }
        return;
    }
    panel_remove_children(panel);
    control_set_hidden(panel, false);
    remove_minimap();
}
