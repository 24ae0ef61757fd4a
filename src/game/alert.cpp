// Alerts: record, builders with their scene pictures, intake, save record, colours and icon.
#include "game/alert.h"

#include <new>
#include <vector>
#include "game/alert_scene.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "game/tech.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/files.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sprite.h"
#include "platform/str.h"
#include "ui/image_control.h"
#include "world/factory.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int32_t SCENE_DEFAULT_W = 300;
constexpr int32_t SCENE_DEFAULT_H = 200;
// The smallest record on the wire: ids, words, an empty text and no second text or scene.
constexpr int32_t ALERT_MIN_BYTES = 8 + 8 + 4 + 4 + 4 + 8 + 5 * 4 + 8 + 8 + 4 + 4 + 4 + 4 + ALERT_EXTRA_WORDS * 4;

GameObject *find_of_kind(uint64_t id, int32_t kind) {
    GameObject *obj = game_find_object(game_get(), id);
    return obj && obj->kind == kind && !(obj->flags & OBJ_STUB) ? obj : nullptr;
}

// The box of an object grown by 3 pixels on every side.
void set_rect(Alert *alert, const GameObject *obj, uint32_t flags) {
    alert->rect_x = obj->x - 3;
    alert->rect_y = obj->y - 3;
    alert->rect_w = obj->w + 6;
    alert->rect_h = obj->h + 6;
    alert->flags |= flags;
}

void set_rect_from_id(Alert *alert, uint64_t id, uint32_t flags) {
    if (GameObject *obj = game_find_object(game_get(), id)) set_rect(alert, obj, flags);
}

Alert *alert_vcreate(int32_t kind, int32_t subtype, uint64_t player_id, const char *format, va_list args) {
    std::string text;
    if (format) str_vprintf(&text, format, args);
    return alert_create(kind, subtype, player_id, text.c_str());
}

bool factories_ready() { return factory_init() == RES_OK; }

int32_t r5() { return random_range(-5, 5); }

// The builders' scene: head flags 13 on a background, as wide and high as background 0.
struct SceneFrame {
    Scene *scene = nullptr;
    int32_t     w = SCENE_DEFAULT_W;
    int32_t     h = SCENE_DEFAULT_H;
};

SceneFrame new_scene(Alert *alert, int32_t background) {
    SceneFrame f;
    int32_t w = 0, h = 0;
    if (alert_scene_bg_size(0, &w, &h) == RES_OK) {
        f.w = w;
        f.h = h;
    }
    f.scene = alert_scene_create(ALERT_SCENE_HEAD_FLAGS, background, f.w, f.h);
    alert->scene = f.scene;
    return f;
}

void add_item(const SceneFrame &f, int32_t kind, int32_t subject, int32_t frame, int32_t x, int32_t y,
              int32_t options = 0, int32_t delay = 0) {
    AlertSceneItem item;
    item.kind = kind;
    item.subject = subject;
    item.frame = frame;
    item.x = x;
    item.y = y;
    item.options = options;
    item.delay = delay;
    alert_scene_add(f.scene, item);
}

// The site template that pictures a sector of a star template.
int32_t sector_picture_template(int32_t sector_template) {
    switch (sector_template) {
    case 1:
    case 5: return 2;
    case 2: return 4;
    case 3: return 5;
    case 4: return 3;
    default: return 1;
    }
}

// The sector's picture top right; the highlight rectangle from the sector. Null without a sector.
Sector *add_sector_picture(Alert *alert, const SceneFrame &f, uint64_t sector_id, uint32_t rect_flags) {
    Sector *sector = sector_of(find_of_kind(sector_id, OBJECT_SECTOR));
    if (!sector) return nullptr;
    set_rect(alert, sector, rect_flags);
    if (!factories_ready()) return sector;
    const int32_t x = f.w - 164 + r5();
    const int32_t y = 60 + r5();
    add_item(f, SCENE_ITEM_SITE, sector_picture_template(sector->subtype), 0, x, y);
    return sector;
}

int32_t template_frame(int32_t kind, int32_t t, int32_t *w, int32_t *h) {
    GameObject *tmpl = factory_get_template(kind, t);
    if (w) *w = tmpl ? tmpl->w : 0;
    if (h) *h = tmpl ? tmpl->h : 0;
    return tmpl && tmpl->frame > 0 ? tmpl->frame : 0;
}

// A site of the sector with its picture and the news icon above it (kinds 9, 10, 13).
Site *add_site_picture(const SceneFrame &f, uint64_t site_id, int32_t icon_type) {
    Site *site = site_cast(find_of_kind(site_id, OBJECT_SITE));
    if (!site) return nullptr;
    const int32_t x = f.w - 212 + r5();
    const int32_t y = 120 + r5();
    add_item(f, SCENE_ITEM_SITE, site->subtype, site->frame > 0 ? site->frame : 0, x, y);
    const Sprite *icon = image_type_frame(icon_type, 1);
    const int32_t iw = icon ? icon->width : 0;
    const int32_t ih = icon ? icon->height : 0;
    add_item(f, SCENE_ITEM_IMAGE, icon_type, 1, x + site->w / 2 - iw / 2, y - 4 - ih);
    return site;
}

// Up to three of the player's ships in the sector, side by side (kinds 9 and 10).
void add_player_ships(const SceneFrame &f, Sector *sector, uint64_t player_id) {
    if (!sector) return;
    int32_t x = 24, shown = 0;
    for (int32_t i = 0; i < sector_object_count(sector) && shown < 3; ++i) {
        GameObject *obj = sector_get_object(sector, i);
        Ship *ship = ship_of(obj);
        if (!ship || obj->owner_id != player_id) continue;
        const int32_t frame = ship_frame_for_heading(ship, 45);
        add_item(f, SCENE_ITEM_SHIP_POSE, obj->subtype, frame, x, 150);
        const int32_t fw = ship->frame_w && frame >= 0 && frame < obj->frame_count ? ship->frame_w[frame] : obj->w;
        x += fw + 6;
        ++shown;
    }
}

// The starbase centred near (116, 192) and, for kinds 8 and 14, the ships present turned towards it
// in columns. A capture marks the boarding ship, or else the last one.
void add_starbase_scene(const SceneFrame &f, Sector *sector, int32_t base_options, bool with_ships,
                        bool captured) {
    if (!factories_ready()) return;
    Site *base = sector ? sector_find_site_of_kind(sector, SITE_STARBASE) : nullptr;
    int32_t bw = 0, bh = 0;
    int32_t frame = template_frame(OBJECT_SITE, SITE_STARBASE, &bw, &bh);
    if (base) {
        frame = base->frame > 0 ? base->frame : 0;
        bw = base->w;
        bh = base->h;
    }
    const int32_t bx = 116 + r5() - bw / 2;
    const int32_t by = 192 + r5() - bh / 2;
    add_item(f, SCENE_ITEM_SITE, SITE_STARBASE, frame, bx, by, base_options);
    if (!with_ships || !sector) return;

    std::vector<AlertSceneItem> ships;
    int32_t marked = -1;
    const int32_t first_y = by - 20;
    int32_t col_x = bx + bw + 24;
    int32_t y = first_y;
    for (int32_t i = 0; i < sector_object_count(sector); ++i) {
        GameObject *obj = sector_get_object(sector, i);
        Ship *ship = ship_of(obj);
        if (!ship || object_is_dead(obj)) continue;
        AlertSceneItem item;
        item.kind = SCENE_ITEM_SHIP;
        item.subject = obj->subtype;
        item.x = col_x + random_range(-2, 2);
        item.y = y;
        item.frame = ship_frame_for_heading(ship, angle_of_vector(bx + bw / 2 - item.x, by + bh / 2 - y));
        if (marked < 0 && (ship->ship_flags & SHIP_FLAG_BOARDING)) marked = int32_t(ships.size());
        ships.push_back(item);
        const int32_t fh = ship->frame_h && item.frame >= 0 && item.frame < obj->frame_count
                               ? ship->frame_h[item.frame]
                               : obj->h;
        y += fh + random_range(12, 16);
        if (y >= f.h - 56) {
            y = first_y + random_range(-7, 7);
            col_x += random_range(42, 44);
        }
    }
    if (captured && !ships.empty()) ships[size_t(marked >= 0 ? marked : int32_t(ships.size()) - 1)].options |= 1;
    for (const AlertSceneItem &item : ships) alert_scene_add(f.scene, item);
}

}  // namespace

// ---- Record ----

Alert *alert_create(int32_t kind, int32_t subtype, uint64_t target_player_id, const char *text) {
    Alert *alert = new (std::nothrow) Alert();
    if (!alert) return nullptr;
    alert->time = date_create();
    if (!alert->time) {
        delete alert;
        return nullptr;
    }
    alert->kind = kind;
    alert->subtype = subtype;
    alert->target_player_id = target_player_id;
    alert->text = text ? text : "";
    return alert;
}

void alert_free(Alert *alert) {
    if (!alert) return;
    date_free(alert->time);
    delete alert->second_text;
    alert_scene_free(alert->scene);
    delete alert;
}

Result alert_write(const Alert *alert, Buffer *buf) {
    Result r = buffer_write_u64(buf, alert->id);
    if (r == RES_OK) r = buffer_write_u64(buf, alert->target_player_id);
    if (r == RES_OK) r = buffer_write_u32(buf, alert->flags & ~ALERT_FLAGS_NOT_SAVED);
    if (r == RES_OK) r = buffer_write_i32(buf, alert->kind);
    if (r == RES_OK) r = buffer_write_i32(buf, alert->subtype);
    if (r == RES_OK) r = buffer_write_u64(buf, alert->time ? alert->time->minutes : 0);
    for (int32_t v : {alert->word, alert->rect_x, alert->rect_y, alert->rect_w, alert->rect_h})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    if (r == RES_OK) r = buffer_write_u64(buf, alert->first_id);
    if (r == RES_OK) r = buffer_write_u64(buf, alert->second_id);
    if (r == RES_OK) r = buffer_write_string(buf, alert->text);
    if (r == RES_OK) r = buffer_write_i32(buf, alert->second_text ? 1 : 0);
    if (r == RES_OK && alert->second_text) r = buffer_write_string(buf, *alert->second_text);
    if (r == RES_OK) r = buffer_write_i32(buf, alert->scene ? 1 : 0);
    if (r == RES_OK && alert->scene) r = alert_scene_write(alert->scene, buf);
    if (r == RES_OK) r = buffer_write_i32(buf, alert->extra);
    for (int32_t v : alert->extra_words)
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    return r;
}

Result alert_read(Alert **out, Buffer *buf) {
    if (buffer_remaining(buf) < ALERT_MIN_BYTES) return RES_SHORT_BUFFER;
    Alert *alert = alert_create(0, 0, 0, nullptr);
    if (!alert) return RES_NO_MEMORY;
    Result r = buffer_read_u64(buf, &alert->id);
    if (r == RES_OK) r = buffer_read_u64(buf, &alert->target_player_id);
    if (r == RES_OK) r = buffer_read_u32(buf, &alert->flags);
    if (r == RES_OK) r = buffer_read_i32(buf, &alert->kind);
    if (r == RES_OK) r = buffer_read_i32(buf, &alert->subtype);
    if (r == RES_OK) r = buffer_read_u64(buf, &alert->time->minutes);
    if (r == RES_OK) date_from_minutes(alert->time);
    for (int32_t *v : {&alert->word, &alert->rect_x, &alert->rect_y, &alert->rect_w, &alert->rect_h})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    if (r == RES_OK) r = buffer_read_u64(buf, &alert->first_id);
    if (r == RES_OK) r = buffer_read_u64(buf, &alert->second_id);
    if (r == RES_OK) r = buffer_read_string(buf, &alert->text);
    int32_t present = 0;
    if (r == RES_OK) r = buffer_read_i32(buf, &present);
    if (r == RES_OK && present > 0) {
        alert->second_text = new (std::nothrow) std::string();
        r = alert->second_text ? buffer_read_string(buf, alert->second_text) : RES_NO_MEMORY;
    }
    if (r == RES_OK) r = buffer_read_i32(buf, &present);
    if (r == RES_OK && present > 0) r = alert_scene_read(&alert->scene, buf);
    if (r == RES_OK) r = buffer_read_i32(buf, &alert->extra);
    for (int32_t &v : alert->extra_words)
        if (r == RES_OK) r = buffer_read_i32(buf, &v);
    if (r != RES_OK) {
        alert_free(alert);
        return r;
    }
    alert->flags &= ~ALERT_FLAGS_NOT_SAVED;
    if (out) *out = alert;
    else alert_free(alert);
    return RES_OK;
}

// ---- Intake ----

void game_add_alert(Game *game, Alert *alert) {
    if (!alert) return;
    if (!game || !game->alerts || alert->target_player_id != game->ui_player_id || game->ui_player_id == 0) {
        alert_free(alert);
        return;
    }
    list_set_free_fn(game->alerts, alert_free);
    const Alert *last = list_get(game->alerts, list_count(game->alerts) - 1);
    if (!last || !last->time || !game->clock || !date_same_day(last->time, game->clock)) {
        const std::string day = game->clock ? date_format(game->clock) : std::string();
        if (Alert *header = alert_post_day_header(0, "%s", day.c_str())) {
            header->id = game_next_id(game);
            if (game->clock) date_copy(header->time, game->clock);
            if (list_append(game->alerts, header) < 0) alert_free(header);
        }
    }
    alert->id = game_next_id(game);
    game->newest_alert_id = alert->id;
    if (game->clock) date_copy(alert->time, game->clock);
    if (list_append(game->alerts, alert) < 0) {
        alert_free(alert);
        return;
    }
    log_write(LOG_GAME, LOG_DEBUG2, "Add alert #%llu - target player id %llu, type %i, subtype %i, text \"%s\"",
              (unsigned long long)alert->id, (unsigned long long)alert->target_player_id, alert->kind,
              alert->subtype, alert->text.c_str());
}

void game_clear_alerts(Game *game) {
    if (!game || !game->alerts) return;
    list_set_free_fn(game->alerts, alert_free);
    list_clear(game->alerts);
}

void game_remove_expired_alerts(Game *game) {
    if (!game || !game->alerts || !game->clock) return;
    list_set_free_fn(game->alerts, alert_free);
    int32_t removed = 0;
    for (int32_t i = 0; i < list_count(game->alerts); ++i) {
        Alert *alert = list_get(game->alerts, i);
        if (!alert || !alert->time) continue;
        if (int64_t(game->clock->minutes) - int64_t(alert->time->minutes) < ALERT_MAX_AGE_MINUTES) continue;
        alert_free(alert);
        list_set(game->alerts, i, nullptr);
        ++removed;
    }
    log_write(LOG_GAME, LOG_DEBUG2, "Remove expired alerts (%i found)", removed);
    if (removed) list_compact(game->alerts);
}

// ---- Builders ----

#define ALERT_TEXT(kind, subtype, player)                                  \
    va_list args;                                                          \
    va_start(args, format);                                                \
    Alert *alert = alert_vcreate(kind, subtype, player, format, args);     \
    va_end(args);                                                          \
    if (!alert) return nullptr

Alert *alert_post_starship_built(uint64_t player_id, int32_t ship_template, uint64_t sector_id, const char *format,
                                 ...) {
    ALERT_TEXT(ALERT_STARSHIP_BUILT, ship_template, player_id);
    alert->first_id = sector_id;
    SceneFrame f = new_scene(alert, 0);
    if (Sector *sector = add_sector_picture(alert, f, sector_id, ALERT_FLAG_RECT | ALERT_FLAG_RECT_BY_ID)) {
        if (Site *yard = sector_find_site_of_kind(sector, SITE_SHIPYARD))
            add_item(f, SCENE_ITEM_SITE, SITE_SHIPYARD, yard->frame > 0 ? yard->frame : 0, 80 + r5(), 125 + r5());
        add_item(f, SCENE_ITEM_FLYBY, ship_template, 0, 43 + random_range(0, 10), 216 + r5());
    }
    return alert;
}

Alert *alert_post_production_complete(uint64_t player_id, uint64_t sector_id, int32_t site_template,
                                      const char *format, ...) {
    ALERT_TEXT(ALERT_PRODUCTION_COMPLETE, site_template, player_id);
    alert->first_id = sector_id;
    SceneFrame f = new_scene(alert, 0);
    add_sector_picture(alert, f, sector_id, ALERT_FLAG_RECT | ALERT_FLAG_RECT_BY_ID);
    if (factories_ready()) {
        const int32_t t = site_template < 0 ? SITE_STARBASE : site_template;
        int32_t w = 0, h = 0;
        const int32_t frame = template_frame(OBJECT_SITE, t, &w, &h);
        add_item(f, SCENE_ITEM_SITE, t, frame, 116 + r5() - w / 2, 192 + r5() - h / 2);
    }
    return alert;
}

Alert *alert_post_day_header(uint64_t player_id, const char *format, ...) {
    ALERT_TEXT(ALERT_DAY_HEADER, 0, player_id);
    return alert;
}

Alert *alert_post_fleet_arrived(uint64_t player_id, uint64_t fleet_id, uint64_t sector_id, const char *format, ...) {
    ALERT_TEXT(ALERT_FLEET_ARRIVED, 0, player_id);
    alert->first_id = sector_id;
    SceneFrame f = new_scene(alert, 0);
    add_sector_picture(alert, f, sector_id, ALERT_FLAG_RECT);
    // The fleet's ships come through portals, in rows.
    const Fleet *fleet = fleet_of(find_of_kind(fleet_id, OBJECT_FLEET));
    int32_t x = random_range(100, 120), y = random_range(150, 160);
    for (int32_t i = 0; fleet && i < fleet_ship_count(fleet); ++i) {
        const GameObject *ship = fleet_get_ship(fleet, i);
        if (!ship) continue;
        add_item(f, SCENE_ITEM_PORTAL, ship->subtype, 0, x + random_range(-2, 2), y + random_range(-2, 2), 0,
                 random_range(200, 400));
        x += 32;
        if (x >= f.w - 64) {
            x = random_range(100, 120);
            y += 32;
        }
    }
    return alert;
}

Alert *alert_post_research(uint64_t player_id, int32_t tech, const char *format, ...) {
    ALERT_TEXT(ALERT_RESEARCH, tech, player_id);
    alert->flags |= ALERT_FLAG_RESEARCH;
    alert->extra = tech;
    new_scene(alert, 1);
    return alert;
}

Alert *alert_post_sector_notice(uint64_t player_id, uint64_t object_id, const char *format, ...) {
    ALERT_TEXT(ALERT_SECTOR_NOTICE, 0, player_id);
    set_rect_from_id(alert, object_id, ALERT_FLAG_RECT);
    return alert;
}

Alert *alert_post_fleet_contact(uint64_t player_id, uint64_t first_id, uint64_t second_id, const char *format, ...) {
    ALERT_TEXT(ALERT_FLEET_CONTACT, 0, player_id);
    alert->first_id = first_id;
    alert->second_id = second_id;
    set_rect_from_id(alert, first_id, ALERT_FLAG_RECT | ALERT_FLAG_RECT_BY_ID);
    return alert;
}

Alert *alert_post_escape_pod(uint64_t player_id, int32_t rank, uint64_t object_id, const char *format, ...) {
    ALERT_TEXT(ALERT_ESCAPE_POD, rank, player_id);
    set_rect_from_id(alert, object_id, ALERT_FLAG_RECT | ALERT_FLAG_RECT_BY_ID);
    new_scene(alert, 2);
    return alert;
}

Alert *alert_post_starbase_destroyed(uint64_t player_id, uint64_t sector_id, const char *format, ...) {
    ALERT_TEXT(ALERT_STARBASE_DESTROYED, 0, player_id);
    SceneFrame f = new_scene(alert, 0);
    Sector *sector = add_sector_picture(alert, f, sector_id, ALERT_FLAG_RECT | ALERT_FLAG_RECT_BY_ID);
    add_starbase_scene(f, sector, 1, true, false);
    return alert;
}

Alert *alert_post_crew_rescued(uint64_t player_id, uint64_t sector_id, uint64_t site_id, const char *format, ...) {
    ALERT_TEXT(ALERT_CREW_RESCUED, 0, player_id);
    SceneFrame f = new_scene(alert, 0);
    Sector *sector = add_sector_picture(alert, f, sector_id, ALERT_FLAG_RECT | ALERT_FLAG_RECT_BY_ID);
    add_site_picture(f, site_id, 78);
    add_player_ships(f, sector, player_id);
    return alert;
}

Alert *alert_post_resources_gathered(uint64_t player_id, uint64_t sector_id, uint64_t site_id, const char *format,
                                     ...) {
    ALERT_TEXT(ALERT_RESOURCES_GATHERED, 0, player_id);
    SceneFrame f = new_scene(alert, 0);
    Sector *sector = add_sector_picture(alert, f, sector_id, ALERT_FLAG_RECT | ALERT_FLAG_RECT_BY_ID);
    add_site_picture(f, site_id, 50);
    add_player_ships(f, sector, player_id);
    return alert;
}

Alert *alert_post_officer_news(uint64_t player_id, int32_t rank, uint64_t object_id, const Officer *officer,
                               const char *format, ...) {
    ALERT_TEXT(ALERT_OFFICER_NEWS, rank, player_id);
    set_rect_from_id(alert, object_id, ALERT_FLAG_RECT | ALERT_FLAG_RECT_BY_ID);
    if (officer) {
        alert->flags |= ALERT_FLAG_SKILLS;
        for (int32_t i = 0; i < ALERT_EXTRA_WORDS && i < OFFICER_SKILL_COUNT; ++i)
            alert->extra_words[i] = officer->skills[i];
    }
    new_scene(alert, 2);
    return alert;
}

Alert *alert_post_intel_report(uint64_t player_id, int32_t subtype, uint64_t second_id, uint64_t sector_id,
                               uint64_t first_id, const char *format, ...) {
    ALERT_TEXT(ALERT_INTEL_REPORT, subtype, player_id);
    alert->first_id = first_id;
    alert->second_id = second_id;
    SceneFrame f = new_scene(alert, 0);
    Sector *sector = add_sector_picture(alert, f, sector_id, ALERT_FLAG_RECT | ALERT_FLAG_RECT_BY_ID);
    add_starbase_scene(f, sector, 2, false, false);
    return alert;
}

Alert *alert_post_resources_depleted(uint64_t player_id, uint64_t sector_id, uint64_t site_id, const char *format,
                                     ...) {
    const Site *site = site_cast(find_of_kind(site_id, OBJECT_SITE));
    ALERT_TEXT(ALERT_RESOURCES_DEPLETED, site ? site->subtype : 0, player_id);
    SceneFrame f = new_scene(alert, 0);
    add_sector_picture(alert, f, sector_id, ALERT_FLAG_RECT | ALERT_FLAG_RECT_BY_ID);
    add_site_picture(f, site_id, 204);
    return alert;
}

Alert *alert_post_starbase_captured(uint64_t player_id, uint64_t sector_id, const char *format, ...) {
    ALERT_TEXT(ALERT_STARBASE_CAPTURED, 0, player_id);
    SceneFrame f = new_scene(alert, 0);
    Sector *sector = add_sector_picture(alert, f, sector_id, ALERT_FLAG_RECT | ALERT_FLAG_RECT_BY_ID);
    add_starbase_scene(f, sector, 0, true, true);
    return alert;
}

#undef ALERT_TEXT

// ---- What the news list reads ----

void alert_get_text_color(const Alert *alert, int32_t *r, int32_t *g, int32_t *b, int32_t *is_new) {
    if (alert->kind == ALERT_DAY_HEADER) {
        *r = *g = *b = 230;
        if (is_new) *is_new = 0;
        return;
    }
    *r = 0;
    *g = 230;
    *b = 0;
    if (!is_new) return;
    Game *game = game_get();
    const int64_t age = game && game->clock && alert->time
                            ? int64_t(game->clock->minutes) - int64_t(alert->time->minutes)
                            : ALERT_NEW_MINUTES;
    *is_new = age < ALERT_NEW_MINUTES ? 1 : 0;
}

int32_t alert_get_frame_color(const Alert *alert, int32_t *r, int32_t *g, int32_t *b) {
    Player *player = nullptr;
    if (alert->kind == ALERT_FLEET_ARRIVED) player = game_find_player(game_get(), alert->target_player_id);
    else if (alert->kind == ALERT_FLEET_CONTACT) player = game_find_player(game_get(), alert->second_id);
    else return 0;
    if (!player) return 0;
    *r = player->red;
    *g = player->green;
    *b = player->blue;
    if (alert->kind == ALERT_FLEET_ARRIVED) {
        *r = *r * 2 / 3;
        *g = *g * 2 / 3;
        *b = *b * 2 / 3;
    }
    return 1;
}

int32_t alert_get_player_color(const Alert *alert, int32_t *r, int32_t *g, int32_t *b) {
    if (alert->kind != ALERT_INTEL_REPORT || alert->second_id == 0) return 0;
    Player *player = game_find_player(game_get(), alert->second_id);
    if (!player) return 0;
    *r = player->red;
    *g = player->green;
    *b = player->blue;
    return 1;
}

Sprite *alert_get_icon(const Alert *alert) {
    auto template_frame_sprite = [](int32_t kind, int32_t t) -> Sprite * {
        if (!factories_ready()) return nullptr;
        GameObject *tmpl = factory_get_template(kind, t);
        if (!tmpl || !tmpl->frames || tmpl->frame < 0 || tmpl->frame >= tmpl->frame_count) return nullptr;
        return tmpl->frames[tmpl->frame];
    };
    switch (alert->kind) {
    case ALERT_STARSHIP_BUILT: return template_frame_sprite(OBJECT_SHIP, alert->subtype);
    case ALERT_PRODUCTION_COMPLETE:
        return alert->subtype == -1 ? image_type_frame(IMAGE_DEFENCE_UPGRADE, 0) : template_frame_sprite(OBJECT_SITE, alert->subtype);
    case ALERT_DAY_HEADER: return nullptr;
    case ALERT_FLEET_ARRIVED:
    case ALERT_FLEET_CONTACT: return image_type_frame(IMAGE_FLEET_NEWS, 0);
    case ALERT_RESEARCH: {
        const int32_t type = tech_icon(alert->subtype);
        return type >= 0 && type < IMAGE_TYPE_COUNT ? image_type_frame(type, 0) : nullptr;
    }
    case ALERT_SECTOR_NOTICE: return image_type_frame(IMAGE_ALERT, 2);
    case ALERT_ESCAPE_POD:
    case ALERT_OFFICER_NEWS:
        return image_type_frame(alert->subtype >= 0 && alert->subtype <= 6 ? officer_rank_icon(alert->subtype) : int(IMAGE_CADET), 0);
    case ALERT_STARBASE_DESTROYED: return image_type_frame(IMAGE_STARBASE_DESTROYED, 0);
    case ALERT_CREW_RESCUED: return image_type_frame(IMAGE_CREW_RESCUED, 0);
    case ALERT_RESOURCES_GATHERED: return image_type_frame(IMAGE_RESOURCES_GATHERED, 0);
    case ALERT_INTEL_REPORT: return image_type_frame(IMAGE_INTELLIGENCE, 0);
    case ALERT_RESOURCES_DEPLETED: return image_type_frame(IMAGE_RESOURCES_DEPLETED, 0);
    case ALERT_STARBASE_CAPTURED: return image_type_frame(IMAGE_STARBASE_CAPTURED, 0);
    default: return nullptr;
    }
}

#undef ALERT_TEXT
