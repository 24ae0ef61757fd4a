// The encounter's battle map: every ship and site at its start position, scaled to 400 px across,
// each owner's objects in a tinted, clickable group box with a caption block beside it, and after
// the choice every side's decision in place of its totals.
#include <algorithm>
#include <new>
#include <string>

#include "game/encounter.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/list.h"
#include "platform/log.h"
#include "platform/sprite.h"
#include "platform/str.h"
#include "screens/galaxy/encounter_dialog.h"
#include "screens/galaxy/galaxy_local.h"
#include "ui/image_control.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "world/object.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int LAYER_AREA = -1, LAYER_BOX = 1, LAYER_CAPTION = 2, LAYER_MARKER = 3;
constexpr int MAP_GROW_MS = 300;
constexpr int CAPTION_GAP = 4, BLOCK_GAP = 16, BOX_MARGIN = 6;
constexpr int ICON_DELAY_MS = 1000, ICON_SCALE_MS = 300, ROWS_FADE_MS = 1000;

void battle_map_state_free(void *data) {
    auto *state = static_cast<BattleMapState *>(data);
    for (BattleMapGroup &g : state->groups) {
        control_release(g.box);
        control_release(g.rows);
    }
    delete state;
}

BattleMapGroup *find_group(BattleMapState *state, const Player *owner) {
    for (BattleMapGroup &g : state->groups)
        if (g.owner == owner) return &g;
    return nullptr;
}

galaxy_detail::Rect unite(const galaxy_detail::Rect &a, const galaxy_detail::Rect &b) {
    const int x = std::min(a.x, b.x), y = std::min(a.y, b.y);
    return {x, y, std::max(a.x + a.w, b.x + b.w) - x, std::max(a.y + a.h, b.y + b.h) - y};
}

galaxy_detail::Rect map_rect_of(const Control *c) { return {c->x, c->y, c->w, c->h}; }
void set_rect(Control *c, const galaxy_detail::Rect &r) {
    control_set_position(c, r.x, r.y);
    control_set_size(c, r.w, r.h);
}

// The field's size, a side below 1 taken as 1 (a broken record must not stop the dialog).
void field_size(const Encounter *enc, int32_t *w, int32_t *h) {
    *w = std::max(enc->field_w, 1);
    *h = std::max(enc->field_h, 1);
}

// The picture a ship shows at its start heading: its rotation frame for that heading.
Sprite *ship_marker_sprite(const Ship *ship, int32_t heading) {
    const int32_t count = ship->rot_last - ship->rot_first + 1;
    int32_t frame = ship->rot_first;
    if (count > 0) frame += int32_t(int64_t(count) * heading / 360);
    if (!ship->frames || frame < 0 || frame >= ship->frame_count) return nullptr;
    return ship->frames[frame];
}

Sprite *current_sprite(const GameObject *obj) {
    if (!obj->frames || obj->frame < 0 || obj->frame >= obj->frame_count) return nullptr;
    return obj->frames[obj->frame];
}

// Scaled start position (top-left corner) of a w x h marker, kept inside the map area.
void place_scaled(const Encounter *enc, const GameObject *obj, int32_t map_h, int w, int h, int *x, int *y) {
    int32_t fx = 0, fy = 0, fw = 1, fh = 1, heading = 0;
    (void)encounter_get_placement(enc, &fx, obj->id, &fy, &heading);
    field_size(enc, &fw, &fh);
    const int mx = int(int64_t(fx) * BATTLE_MAP_WIDTH / fw), my = int(int64_t(fy) * map_h / fh);
    *x = std::max(std::min(mx, BATTLE_MAP_WIDTH - 2 - w), 1);
    *y = std::max(std::min(my, map_h - h - 2), 1);
}

void add_marker(Control *map, BattleMapState *state, GameObject *obj, int32_t map_h) {
    Sprite *sprite = nullptr;
    Ship *ship = ship_of(obj);
    if (ship) {
        if (ship->hull_flags & HULL_FLAG_OFF_BATTLE_MAP) return;
        int32_t x = 0, y = 0, heading = 0;
        (void)encounter_get_placement(state->encounter, &x, obj->id, &y, &heading);
        sprite = ship_marker_sprite(ship, heading);
    } else if (obj->kind == OBJECT_SITE) {
        sprite = current_sprite(obj);
    } else {
        return;
    }
    // A picture not loaded still marks the spot (the control then keeps its smallest size).
    Control *marker = image_control_create_single(sprite);
    if (!marker) return;
    int x = 0, y = 0;
    if (!ship && obj->subtype == SITE_STARBASE) {
        x = BATTLE_MAP_WIDTH - marker->w;
        y = map_h - marker->h;
    } else {
        place_scaled(state->encounter, obj, map_h, marker->w, marker->h, &x, &y);
    }
    control_set_layer(marker, LAYER_MARKER);
    control_set_user_data(marker, obj, nullptr);
    panel_add_child(map, x, y, 0, 1, marker);

    Player *owner = object_get_owner(obj);
    if (!owner) return;
    if (BattleMapGroup *g = find_group(state, owner)) {
        set_rect(g->box, unite(map_rect_of(g->box), map_rect_of(marker)));
        return;
    }
    Control *box = panel_create_empty();
    if (!box) return;
    const int r = owner->red * 28 / 100, gr = owner->green * 28 / 100, b = owner->blue * 28 / 100;
    panel_set_background(box, true);
    colour_fade_set(panel_background_colour(box), r, gr, b);
    panel_set_border(box, true);
    colour_fade_start(panel_border_colour(box), owner->red / 2, owner->green / 2, owner->blue / 2, owner->red,
                      owner->green, owner->blue, 600, 0, COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    control_set_widget_state(box, owner, nullptr);
    control_set_user_data(box, map, nullptr);
    box->on_click = battle_map_on_group_click;
    control_set_layer(box, LAYER_BOX);
    set_rect(box, map_rect_of(marker));
    panel_add_child(map, box->x, box->y, BATTLE_MAP_GROUP_BOX, 0, box);
    try {
        state->groups.push_back({owner, control_addref(box), nullptr});
    } catch (const std::bad_alloc &) {
        log_write(LOG_GAME, LOG_ERROR, "Battle map - no memory for the group of %s", owner->name.c_str());
    }
}

// "Battle Group", the side's name and its totals beside its box; the box then takes them in.
void add_caption_block(Control *map, BattleMapState *state, BattleMapGroup &g, int32_t map_h) {
    const Encounter *enc = state->encounter;
    Player *owner = g.owner;
    int32_t mass = 0, power = 0;
    encounter_sum_owner_stats(enc, &mass, owner->id, &power);
    List<SystemRow> *list = ui_stat_rows_list_create();
    if (list) {
        (void)ui_stat_rows_add_row(list, nullptr, "Mass", str_format("%i KT", int(mass)).c_str(), 0);
        (void)ui_stat_rows_add_row(list, nullptr, "Power", str_format("%i TW", int(power)).c_str(), 0);
    }
    Control *lines[3] = {
        text_label_create_plain(2, 244, 244, 244, "Battle Group"),
        text_label_create_plain(2, owner->red, owner->green, owner->blue, battle_side_name(enc, owner)),
        list ? ui_stat_rows_create(list, STAT_ROWS_ANIMATE) : nullptr,
    };
    int block_w = 0, block_h = 0;
    for (Control *c : lines) {
        if (!c) continue;
        block_h += (block_h ? CAPTION_GAP : 0) + c->h;
        block_w = std::max(block_w, c->w);
    }
    const galaxy_detail::Rect box = map_rect_of(g.box);
    // The box takes the block in with its margin: a block whose framed box would pass the map's
    // edge goes to the other side of the ships, or up until its box ends inside the map.
    int x = std::max(box.x + box.w + BLOCK_GAP, 4);
    if (x + block_w + BOX_MARGIN > BATTLE_MAP_WIDTH - 1) x = box.x - block_w - 2;
    int y = std::max(box.y + box.h / 2 - block_h / 2, 4);
    if (y + block_h + BOX_MARGIN >= map_h) y = std::max(map_h - block_h - BOX_MARGIN - 1, BOX_MARGIN + 1);
    galaxy_detail::Rect block{x, y, block_w, block_h};
    for (Control *c : lines) {
        if (!c) continue;
        control_set_layer(c, LAYER_CAPTION);
        panel_add_child(map, x, y, 0, 1, c);
        y += c->h + CAPTION_GAP;
    }
    if (lines[2]) {
        control_release(g.rows);
        g.rows = control_addref(lines[2]);
    }
    galaxy_detail::Rect grown = unite(box, block);
    grown.x -= BOX_MARGIN;
    grown.y -= BOX_MARGIN;
    grown.w += 2 * BOX_MARGIN;
    grown.h += 2 * BOX_MARGIN;
    if (grown.x < 1) {
        grown.w -= 1 - grown.x;
        grown.x = 1;
    }
    if (grown.y < 1) {
        grown.h -= 1 - grown.y;
        grown.y = 1;
    }
    grown.h = std::min(grown.h, map_h - grown.y);
    set_rect(g.box, grown);
}

}  // namespace

const char *battle_side_name(const Encounter *enc, const Player *owner) {
    const Game *game = game_get();
    if (game && owner->id == game->ui_player_id && enc->has_text && !enc->text.empty()) return enc->text.c_str();
    return owner->name.c_str();
}

int32_t battle_map_height(const Encounter *encounter) {
    if (encounter->field_w < 1 || encounter->field_h < 1)
        log_write(LOG_GAME, LOG_WARN, "Encounter #%llu (%s) - battle field %ix%i drawn as at least 1x1",
                  (unsigned long long)encounter->id, encounter->name.c_str(), int(encounter->field_w),
                  int(encounter->field_h));
    int32_t w = 1, h = 1;
    field_size(encounter, &w, &h);
    return int32_t(std::max<int64_t>(int64_t(h) * BATTLE_MAP_WIDTH / w, 1));
}

BattleMapState *battle_map_state(Control *panel) {
    return panel && panel->widget_free == battle_map_state_free ? static_cast<BattleMapState *>(panel->widget_state) : nullptr;
}

void battle_map_build(Control *panel, Encounter *encounter, int options) {
    if (!panel_of(panel) || !encounter) return;
    const int32_t map_h = battle_map_height(encounter);
    panel_remove_children(panel);
    panel_set_border(panel, true);
    colour_fade_set(panel_border_colour(panel), 12, 12, 12);
    panel_set_background(panel, true);
    colour_fade_set(panel_background_colour(panel), 1, 1, 1);
    auto *state = new (std::nothrow) BattleMapState;
    if (!state) {
        log_write(LOG_GAME, LOG_ERROR, "Encounter #%llu - no memory for the battle map",
                  (unsigned long long)encounter->id);
        return;
    }
    state->encounter = encounter;
    control_set_widget_state(panel, state, battle_map_state_free);

    if (options & BATTLE_MAP_GROW_OPEN) {
        Control *area = panel_create(BATTLE_MAP_WIDTH, 10, 0, 0, 0);
        if (area) {
            control_set_layer(area, LAYER_AREA);
            panel_add_child(panel, 0, map_h / 2 - 5, 0, 1, area);
            panel_set_anchor_mode(area, PANEL_ANCHOR_CENTRE);
            panel_resize_to(area, BATTLE_MAP_WIDTH, map_h, MAP_GROW_MS);
            colour_fade_to(panel_background_colour(area), 5, 5, 5, MAP_GROW_MS, 0);
        }
    } else if (Control *area = panel_create(BATTLE_MAP_WIDTH, map_h, 5, 5, 5)) {
        control_set_layer(area, LAYER_AREA);
        panel_add_child(panel, 0, 0, 0, 1, area);
    }

    if (encounter->objects)
        for (GameObject *obj : encounter->objects->items) {
            if (!obj) break;
            add_marker(panel, state, obj, map_h);
        }
    for (BattleMapGroup &g : state->groups) add_caption_block(panel, state, g, map_h);
    control_set_size(panel, BATTLE_MAP_WIDTH, map_h);
}

void battle_map_set_pick_handler(Control *panel) {
    if (BattleMapState *state = battle_map_state(panel)) state->on_group_pick = encounter_dialog_on_side_pick;
}

Player *battle_map_picked_owner(Control *panel) {
    const BattleMapState *state = battle_map_state(panel);
    return state ? state->picked_owner : nullptr;
}

void battle_map_on_group_click(Control *box) {
    Control *map = static_cast<Control *>(box->user_data);
    BattleMapState *state = battle_map_state(map);
    if (!state) return;
    state->picked_owner = static_cast<Player *>(box->widget_state);
    if (state->on_group_pick) state->on_group_pick(map);
}

void battle_map_reveal_choices(Control *panel) {
    BattleMapState *state = battle_map_state(panel);
    if (!state || !state->encounter) return;
    Encounter *enc = state->encounter;
    if (enc->flags & ENCOUNTER_FLAG_DIRTY) encounter_rebuild_index(enc);
    Game *game = game_get();
    const int32_t n = encounter_side_count(enc);
    for (int32_t i = 0; i < n; ++i) {
        const uint64_t owner_id = encounter_get_side(enc, i);
        Player *owner = owner_id && game ? game_find_player(game, owner_id) : nullptr;
        BattleMapGroup *g = owner ? find_group(state, owner) : nullptr;
        if (!g || !g->rows) continue;
        const int type = encounter_get_side_choice(enc, owner_id) ? ENCOUNTER_IMAGE_ENGAGE : ENCOUNTER_IMAGE_RETREAT;
        Control *icon = image_control_create(type);
        if (!icon) continue;
        control_set_layer(icon, LAYER_MARKER);
        const galaxy_detail::Rect rows = map_rect_of(g->rows);
        panel_add_child(panel, rows.x + rows.w / 2 - icon->w / 2, rows.y + rows.h / 2 - icon->h / 2, 0, 1, icon);
        image_control_animate_reveal(icon, 0, 100, ICON_SCALE_MS);
        control_hide_for(icon, ICON_DELAY_MS);
        ui_stat_rows_fade_out(g->rows, ROWS_FADE_MS);
    }
}
