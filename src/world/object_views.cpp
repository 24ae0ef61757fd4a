// The toolkit's views of world objects and object maps, read from the real records.
#include "world/object_views.h"

#include "effects/effect.h"
#include "game/game.h"
#include "game/player.h"
#include "ui/control_minimap.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/world_hooks.h"

namespace {

// A harvester's plume is as dense as its resource body is full: the ore left over the body's
// capacity; 0 for any other site, a deactivated harvester or one without a body.
float plume_ratio(const Site *site) {
    if (site->subtype != SITE_HARVESTER || (site->state & SITE_DEACTIVATED)) return 0.0f;
    const Site *body = site_cast(world_find_object(site->harvest_target_id));
    if (!body || body->resources_max < 1) return 0.0f;
    return float(body->resources_left) / float(body->resources_max);
}

// Fills the owner's colour and, for a sector, what the UI player knows of its owner.
void minimap_owner_colours(GameObject *o, MinimapObject *m) {
    if (const Player *owner = object_get_owner(o)) {
        m->has_owner = true;
        m->owner_r = uint8_t(owner->red);
        m->owner_g = uint8_t(owner->green);
        m->owner_b = uint8_t(owner->blue);
    }
    if (o->kind != OBJECT_SECTOR) return;
    Game *game = game_get();
    const Player *ui = game ? game->ui_player : nullptr;
    if (!ui) return;
    m->ui_player_owns = o->owner_id != 0 && o->owner_id == ui->id;
    const GameObject *record = player_get_known_object(ui, OBJECT_SECTOR, o->id);
    if (!record || record->owner_id == 0) return;
    m->has_record_owner = true;
    const Player *named = game_find_player(game, record->owner_id);
    m->record_r = named ? uint8_t(named->red) : 250;   // an owner the game no longer knows
    m->record_g = named ? uint8_t(named->green) : 250;
    m->record_b = named ? uint8_t(named->blue) : 250;
}

}  // namespace

void object_effect_view(const GameObject *o, EffectObjectView *out) {
    *out = EffectObjectView{};
    out->present = true;
    out->flags = o->flags;
    out->x = o->x;
    out->y = o->y;
    out->w = o->w;
    out->h = o->h;
    if (o->frames && o->frame >= 0 && o->frame < o->frame_count) out->image = o->frames[o->frame];
    if (const Ship *ship = ship_of(o)) {
        out->flags2 = ship->ship_flags;
        out->stage = ship->retreat_countdown;
    } else if (const Site *site = site_cast(o)) {
        out->flags2 = site->state;
        out->attach_x = site->hotspot_x;
        out->attach_y = site->hotspot_y;
        out->plume_ratio = plume_ratio(site);
    }
}

void object_control_rect(const GameObject *o, int *x, int *y, int *w, int *h, uint32_t *flags) {
    *x = o->x;
    *y = o->y;
    *w = o->w;
    *h = o->h;
    *flags = o->flags;
}

void map_control_view(const ObjectMap *map, int *view_x, int *view_y, int *world_w, int *world_h) {
    *view_x = map->view_x;
    *view_y = map->view_y;
    *world_w = map->world_w;
    *world_h = map->world_h;
}

bool map_minimap_view(const ObjectMap *map, bool with_objects, MinimapMapView *out) {
    out->world_w = map->world_w;
    out->world_h = map->world_h;
    out->view_x = map->view_x;
    out->view_y = map->view_y;
    out->view_w = map->screen_w;
    out->view_h = map->screen_h;
    out->objects.clear();
    if (!with_objects) return true;
    for (GameObject *o : map->objects.items) {
        if (!o) break;
        MinimapObject m;
        m.kind = o->kind;
        m.id = o->id;
        m.flags = o->flags;
        m.x = o->x;
        m.y = o->y;
        m.w = o->w;
        m.h = o->h;
        m.brightness = o->pulse_level;
        minimap_owner_colours(o, &m);
        out->objects.push_back(m);
    }
    return true;
}
