// The minimap's picture of an object map, read from the real records.
#include "views/map_minimap.h"

#include <algorithm>

#include "game/game.h"
#include "game/player.h"
#include "ui/control_minimap.h"
#include "views/views_local.h"
#include "world/object.h"
#include "world/object_map.h"

namespace {

constexpr uint32_t NOT_ON_MINIMAP = OBJ_NO_MINIMAP_DOT;

struct DotColour {
    int r = 0, g = 0, b = 0;
};

// A player's colour as the dots take it: each channel's low byte.
DotColour player_colour(const Player *p) { return {uint8_t(p->red), uint8_t(p->green), uint8_t(p->blue)}; }

// A sector as the UI player knows it: its own colour for a sector it owns, else the owner its
// record names; grey when it knows of no owner.
DotColour known_sector_colour(const GameObject *o, const Player *owner) {
    Game *game = game_get();
    const Player *ui = game ? game->ui_player : nullptr;
    if (!ui) return {100, 100, 100};
    if (owner && o->owner_id != 0 && o->owner_id == ui->id) return player_colour(owner);
    const GameObject *record = player_get_known_object(ui, OBJECT_SECTOR, o->id);
    if (!record || record->owner_id == 0) return {100, 100, 100};
    const Player *named = game_find_player(game, record->owner_id);
    return named ? player_colour(named) : DotColour{250, 250, 250};   // an owner the game no longer knows
}

DotColour dot_colour(GameObject *o, bool show_all) {
    const Player *owner = object_get_owner(o);
    if (o->kind == OBJECT_SECTOR && !show_all) return known_sector_colour(o, owner);
    if (owner) return player_colour(owner);
    if (o->kind == OBJECT_SECTOR) return {255, 255, 255};
    return {255, 255, 0};
}

bool shows(const GameObject *o, bool show_all) {
    if (o->flags & NOT_ON_MINIMAP) return false;
    if (!show_all && o->kind == OBJECT_FLEET && !object_is_visible(o)) return false;
    return true;
}

}  // namespace

bool map_minimap_read(const void *source, uint32_t flags, bool with_points, MinimapArea *out) {
    using views_detail::channel;
    const ObjectMap *map = static_cast<const ObjectMap *>(source);
    out->points.clear();
    if (!map) return false;
    out->area_w = map->world_w;
    out->area_h = map->world_h;
    out->view_x = map->view_x;
    out->view_y = map->view_y;
    out->view_w = map->screen_w;
    out->view_h = map->screen_h;
    if (!with_points) return true;
    const bool show_all = flags & MINIMAP_SHOW_ALL;
    for (GameObject *o : map->objects.items) {
        if (!o) break;
        if (!shows(o, show_all)) continue;
        DotColour c = dot_colour(o, show_all);
        if (o->flags & OBJ_PULSING) {
            c.r += o->pulse_level;
            c.g += o->pulse_level;
            c.b += o->pulse_level;
        }
        MinimapPoint p;
        p.id = o->id;
        p.x = o->x + o->w / 2;
        p.y = o->y + o->h / 2;
        p.r = channel(c.r);
        p.g = channel(c.g);
        p.b = channel(c.b);
        p.moving = o->kind == OBJECT_SHOT || o->kind == OBJECT_FLEET;
        p.highlighted = o->flags & OBJ_ACTOR;
        out->points.push_back(p);
    }
    return true;
}

Control *map_minimap_create(ObjectMap *map, int w, int h) { return minimap_control_create(map_minimap_read, map, w, h); }
