// Ship damage and destruction: a hit through the facing's shield into the armour, wear on the
// systems mounted nearest the impact, crew losses, destruction with its statistics and escape pod,
// the destruction animation, the shield display, the repair price, the full restore and the
// deployment of a constructor as a new starbase.
//
// The impact point and the mounts are compared in one frame: both relative to the ship's top-left
// corner, the mount at its position in the current rotation frame (the system's mount_x, mount_y,
// which follow the heading).
#include "world/ship.h"

#include <algorithm>
#include <cmath>
#include "effects/effect.h"
#include "effects/effect_bubble.h"
#include "effects/effect_particles.h"
#include "effects/effect_sprite.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/calendar.h"
#include "platform/draw.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "platform/sprite.h"
#include "systems/system.h"
#include "world/object_internal.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/site.h"

namespace {

constexpr double FACING_PI = 3.14169;          // the facing rule's own constant
constexpr double MIN_FACING_DISTANCE = 0.00001;
constexpr int32_t TEXT_DELAY_STEP = 450;
constexpr int32_t DAMAGE_TEXT_FONT = 2;
constexpr int32_t SHAKE_MS = 400;
constexpr int32_t SPARKS_DELAY_MS = 60;
constexpr int32_t DEATH_HOLD_MS = 1400;
constexpr int32_t OPAQUE_TRIES = 64;           // pixels tried for each small explosion
constexpr int32_t CONSTRUCTION_PROGRESS = 99;

// |R| of the damage draw: the game's fourth generator when resolving at once, else the quick one.
uint32_t draw_magnitude() {
    Game *game = game_get();
    if (game && (game->flags & GAME_FLAG_RESOLVE_AT_ONCE) && game->generators[GAME_GENERATOR_RESOLVE])
        return random_magnitude(rng_next(game->generators[GAME_GENERATOR_RESOLVE]));
    return random_magnitude(random_u32());
}

int32_t draw_between(int32_t lo, int32_t hi) {
    if (hi - lo + 1 <= 1) return lo;
    return lo + int32_t(draw_magnitude() % uint32_t(hi - lo + 1));
}

int32_t facing_of(const Ship *ship, int32_t x, int32_t y) {
    const double dx = double(x - ship->w / 2 - ship->x), dy = double(y - ship->h / 2 - ship->y);
    const double d = std::sqrt(dx * dx + dy * dy);
    if (d < MIN_FACING_DISTANCE) return 0;
    int32_t angle = int32_t(std::acos(std::clamp(dx / d, -1.0, 1.0)) * 180.0 / FACING_PI);
    if (dy > 0) angle = 360 - angle;
    int32_t rel = angle - ship->heading + 45;
    if (rel < 0) rel += 360;
    else if (rel >= 360) rel -= 360;
    return std::clamp(rel / 90, 0, 3);
}

// The floating texts of one hit, each later one 450 ms after the one before.
struct Texts {
    ObjectMap *map = nullptr;
    int32_t    cx = 0, cy = 0;
    int32_t    delay = 0;
    void show(int style, int r, int g, int b, const char *text) {
        if (!map) return;
        TextBubbleEffect *t = effect_create_text_bubble(style, DAMAGE_TEXT_FONT, text, r, g, b);
        if (!t) return;
        effect_bubble_set_start_delay(t, delay);
        map_add_effect(map, t, cx - t->width / 2, cy - t->height / 2);
    }
    void number(int style, int r, int g, int b, int32_t value) {
        const std::string text = std::to_string(value);
        show(style, r, g, b, text.c_str());
    }
};

void damage_explosion(ObjectMap *map, int32_t x, int32_t y, int32_t delay, bool large, bool sound) {
    if (!map) return;
    ParticleEffect *e = large ? effect_create_large_explosion_particles() : effect_create_explosion_particles();
    if (!e) return;
    if (sound) effect_particles_set_sound(e, large ? SOUND_LARGE_EXPLOSION : SOUND_EXPLOSION);
    effect_particles_set_delay(e, delay);
    map_add_effect(map, e, x, y);
}

// Wear on the two online mounts nearest the impact, one damage point at a time.
void damage_systems(Ship *ship, int32_t amount, int32_t x, int32_t y, bool silent) {
    const double px = double(x - ship->x), py = double(y - ship->y);
    System *first = nullptr, *second = nullptr;
    double d1 = 0, d2 = 0;
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        System *s = ship->crits[i].system;
        if (!s || (s->status & SYSTEM_STATUS_OFFLINE) || (s->flags & SYSTEM_FLAG_NO_STATUS)) continue;
        const double d = std::hypot(double(s->mount_x) - px, double(s->mount_y) - py);
        if (!first || d < d1) {
            second = first;
            d2 = d1;
            first = s;
            d1 = d;
        } else if (!second || d < d2) {
            second = s;
            d2 = d;
        }
    }
    if (!first) return;
    if (!(ship->hull_flags & HULL_FLAG_NO_SYSTEM_DAMAGE)) {
        const int32_t span = int32_t(d1 + d2), near = int32_t(d1);
        for (int32_t point = 0; point < amount; ++point) {
            System *hit = first;
            if (second) {
                const int32_t r = span <= 1 ? 1 : 1 + int32_t(draw_magnitude() % uint32_t(span));
                if (r <= near) hit = second;
            }
            if (hit->integrity <= 0) continue;
            if (hit->flags & SYSTEM_FLAG_ENGINE_MOUNT) {
                ship->engine_hit_rest += ship->engine_hit_rate;
                if (ship->engine_hit_rest < 100) continue;
                ship->engine_hit_rest -= 100;
            }
            --hit->integrity;
            if (hit->integrity < hit->max_integrity / 2) hit->status |= SYSTEM_STATUS_DAMAGED;
            if (hit->integrity <= 0) hit->status |= SYSTEM_STATUS_OFFLINE;
        }
    }
    if (!silent) damage_explosion(ship->map, x, y, SPARKS_DELAY_MS, false, true);
}

int32_t crew_loss(Ship *ship, int32_t amount, int32_t kind) {
    const int32_t p = ship->armour * 100 / std::max(ship->max_armour, 1);
    int32_t chance = 0, lo = 0, hi = 0;
    if (p < 81) {
        if (p > 60) {
            chance = 91 - p;
            lo = std::max(amount * 7 / 2, 1);
            hi = lo * 3 / 2;
        } else {
            chance = 100;
            lo = std::max(amount * 29 / 5, 1);
            hi = lo * 5 / 3;
        }
    }
    if (kind & DAMAGE_HEAVY_CREW) {
        chance += 40;
        lo *= 2;
        hi *= 2;
    }
    if (chance <= 0 || int32_t(draw_magnitude() % 100u) >= chance) return 0;
    int32_t loss = draw_between(lo, hi);
    if (ship_has_system_type(ship, SYSTEM_TYPE_CREW_SHELTER)) loss /= 4;
    return std::min(loss, ship->crew);
}

void destroy(Ship *ship, Player *shooter_player, GameObject *shooter, bool silent) {
    if (shooter_player) player_add_ship_destroyed(shooter_player, ship->mass);
    if (const Ship *killer = ship_of(shooter); killer && killer->pilot) ++killer->pilot->kills;
    ship->armour = 0;
    if (silent) {
        ship->flags |= OBJ_DEAD;
    } else {
        sound_play(SOUND_EXPLOSION);
        object_kill(ship);
    }
    if (ship->map) ++ship->map->destroyed_count;
    if (ship->pilot && ship->escape_chance >= 1) {
        Game *game = game_get();
        if (game && game_random_range(game, 1, 100) <= ship->escape_chance) ship->ship_flags |= SHIP_FLAG_POD_ESCAPED;
    }
}

// A sprite pixel of the current frame that shows, for a small explosion; false when none was found.
bool opaque_pixel(const Sprite *image, int32_t *x, int32_t *y) {
    for (int32_t t = 0; t < OPAQUE_TRIES; ++t) {
        const int32_t px = random_show_range(0, image->width - 1), py = random_show_range(0, image->height - 1);
        if (mask_test(image, px, py)) {
            *x = px;
            *y = py;
            return true;
        }
    }
    return false;
}

const Sprite *frame_image(const Ship *ship) {
    if (ship->frame < 0 || ship->frame >= ship->frame_count) return nullptr;
    if (ship->frames && ship->frames[ship->frame]) return ship->frames[ship->frame];
    return ship->frame_sprites ? ship->frame_sprites[ship->frame] : nullptr;
}

void queue_arc(Graphics *g, int32_t cx, int32_t cy, int32_t rx, int32_t ry, int32_t from, int32_t to, uint8_t r,
               uint8_t gr, uint8_t b) {
    int32_t px = 0, py = 0;
    for (int32_t a = from; a <= to; a += 5) {
        const double rad = double(a) * 3.14159265 / 180.0;
        const int32_t x = cx + int32_t(std::lround(std::cos(rad) * rx)), y = cy - int32_t(std::lround(std::sin(rad) * ry));
        if (a != from) {
            GfxLinePayload line{};
            line.x = int16_t(std::clamp(px, -32768, 32767));
            line.y = int16_t(std::clamp(py, -32768, 32767));
            line.dx = int16_t(std::clamp(x - px, -32768, 32767));
            line.dy = int16_t(std::clamp(y - py, -32768, 32767));
            line.r = r;
            line.g = gr;
            line.b = b;
            (void)gfx_queue_line(g, line);
        }
        px = x;
        py = y;
    }
}

}  // namespace

int32_t ship_apply_damage(GameObject *obj, GameObject *shooter, int32_t amount, int32_t x, int32_t y, int32_t kind) {
    Ship *ship = ship_of(obj);
    if (!ship) return 0;
    const bool silent = world_detail::resolving();
    Game *game = game_get();

    const int32_t dealt = amount;
    // 1.-2. Who fired, and which shield faces the hit.
    Player *shooter_player = shooter ? game_find_player(game_get(), shooter->owner_id) : nullptr;
    const int32_t facing = facing_of(ship, x, y);
    int32_t &shield = ship->shields[facing];

    // 3.-4.
    if (silent && amount >= 1 && game) game->flags |= GAME_FLAG_DAMAGE_DEALT;
    if ((kind & DAMAGE_ANTI_SHIELD) && !(kind & DAMAGE_PASS_SHIELD) && amount < shield)
        amount = std::min(amount * 2, shield);

    // 5.-6. Statistics and the target owner's memory of the shooter.
    if (shooter_player) player_add_damage_dealt(shooter_player, amount);
    if (shooter && shooter->kind == OBJECT_SHIP) {
        if (Player *owner = game_find_player(game_get(), ship->owner_id))
            if (Ship *memory = ship_of(player_known_object_by_id(owner, shooter->id))) memory->damage_from += amount;
    }

    Texts texts{silent ? nullptr : ship->map, ship->x + ship->w / 2, ship->y + ship->h / 2, 0};
    if (!(kind & DAMAGE_PASS_SHIELD) && shield >= amount) {
        // 7. The shield takes it all.
        shield -= amount;
        if (!silent) {
            sound_play(SOUND_SHIELD_HIT);
            texts.number(7, 255, 255, 255, amount);
            const Sprite *image = frame_image(ship);
            const int32_t angle = angle_of_vector(x - ship->x - ship->w / 2, y - ship->y - ship->h / 2);
            if (image && ship->map)
                if (SpriteBurstEffect *flash = effect_create_sprite_burst(const_cast<Sprite *>(image), x - ship->x,
                                                                          y - ship->y, angle_normalize(angle + 180)))
                    map_add_effect(ship->map, flash, ship->x, ship->y);
        }
    } else {
        // 8.-10. The shield's share, then the rest reaches the armour.
        if (shield > 0 && !silent) {
            if (kind & DAMAGE_PASS_SHIELD) texts.show(7, 128, 128, 128, "---");
            else texts.number(7, 255, 255, 0, shield);
            texts.delay += TEXT_DELAY_STEP;
        }
        if (!(kind & DAMAGE_PASS_SHIELD)) {
            amount -= shield;
            shield = 0;
        }
        if (!silent) {
            texts.number(6, 255, 255, 0, amount);
            object_shake(ship, SHAKE_MS);
        }
        // 11. Armour, systems, crew; or destruction.
        if (amount < ship->armour) {
            ship->armour = std::clamp(ship->armour - amount, 0, ship->max_armour);
            ship_recompute_stats(ship);
            damage_systems(ship, amount, x, y, silent);
            const int32_t loss = crew_loss(ship, amount, kind);
            if (loss >= 1) {
                ship->crew = std::clamp(ship->crew - loss, 0, ship->max_crew);
                ship_recompute_stats(ship);
                texts.delay += TEXT_DELAY_STEP;
                texts.number(2, 255, 30, 21, loss);
            }
        } else {
            destroy(ship, shooter_player, shooter, silent);
        }
    }

    // 12.
    ship_recompute_stats(ship);
    for (int32_t &s : ship->shields) s = std::min(s, ship->shield_max);
    if (!silent) {
        ship->ship_flags |= SHIP_FLAG_SHIELD_DISPLAY;
        ship->hit_display_ms = SHIP_HIT_DISPLAY_MS;
        const Player *owner = game_find_player(game, ship->owner_id);
        log_write(LOG_GAME, LOG_DEBUG2, "Hit on ship #%llu \"%s\" of \"%s\" by #%llu of \"%s\" for %i: armour %i%s",
                  (unsigned long long)ship->id, object_get_name(ship) ? object_get_name(ship) : "",
                  owner ? owner->name.c_str() : "", (unsigned long long)(shooter ? shooter->id : 0),
                  shooter_player ? shooter_player->name.c_str() : "", int(dealt), int(ship->armour),
                  (ship->flags & (OBJ_DEAD | OBJ_DYING)) ? ", destroyed" : "");
    }
    return ship->shield_max;
}

void ship_on_killed(GameObject *obj) {
    Ship *ship = ship_of(obj);
    if (!ship) return;
    if (ship->death_duration > 0) {
        ship->death_ms = ship->death_duration;
        if (const Sprite *image = frame_image(ship)) {
            const int32_t n = random_show_range(10, 20);
            const int32_t latest = 4 * ship->death_duration / 5;
            for (int32_t i = 0; i < n; ++i) {
                int32_t px = 0, py = 0;
                if (!opaque_pixel(image, &px, &py)) break;
                const int32_t delay = latest < 1 ? 0 : random_show_range(0, latest);
                damage_explosion(ship->map, ship->x + px, ship->y + py, delay, false,
                                 random_magnitude(random_show_u32()) % 6 == 0);
            }
        }
        object_shake(ship, ship->death_duration);
        object_clear_busy(ship, DEATH_HOLD_MS);
        if (ship->map && ship->map->hold_ms < DEATH_HOLD_MS) ship->map->hold_ms = DEATH_HOLD_MS;
    }
    int32_t cx = ship->x + ship->w / 2, cy = ship->y + ship->h / 2;
    if (ship->centre_x && ship->centre_y) {
        const size_t i = size_t(std::max(ship_frame_for_heading(ship, ship->heading) - ship->rot_first, 0));
        if (i < ship->centre_x->size() && i < ship->centre_y->size()) {
            cx = ship->x + (*ship->centre_x)[i];
            cy = ship->y + (*ship->centre_y)[i];
        }
    }
    damage_explosion(ship->map, cx, cy, std::max(ship->death_duration, 0), true, true);
}

void ship_color_for_level(const Ship *ship, int32_t facing, uint8_t *r, uint8_t *g, uint8_t *b, int32_t *width) {
    const int32_t v = ship->shields[std::clamp(facing, 0, SHIP_FACINGS - 1)];
    int32_t cr = 0, cg = 0, cb = 125, w = 1;
    if (v >= 210) cr = 223, cg = 223, cb = 223, w = 6;
    else if (v >= 180) cr = 10, cg = 2 * v + 59, cb = 40, w = 5;
    else if (v >= 140) cr = 2 * v + 119, cg = 2 * v + 119, cb = 10, w = 4;
    else if (v >= 100) cr = v + 113, cg = 238 - v, cb = 12, w = 3;
    else if (v >= 40) cr = v + 60, cg = 20, cb = 10, w = 2;
    else if (v >= 1) cr = v + 110, cg = 20, cb = 10, w = 1;
    if (r) *r = uint8_t(cr & 0xFF);
    if (g) *g = uint8_t(cg & 0xFF);
    if (b) *b = uint8_t(cb & 0xFF);
    if (width) *width = w;
}

ShipFacingTints ship_facing_tints(const Ship *ship) {
    ShipFacingTints tints;
    for (int f = 0; f < SHIP_FACINGS; ++f) {
        int32_t level = 0;
        ship_color_for_level(ship, f, &tints.r[f], &tints.g[f], &tints.b[f], &level);
        tints.level[f] = uint8_t(std::clamp(level, 0, 255));
    }
    return tints;
}

void ship_draw(GameObject *obj, Graphics *g, int32_t x, int32_t y) {
    Ship *ship = ship_of(obj);
    if (!ship) return;
    const Sprite *sprite = frame_image(ship);
    if (sprite && ship->frames && ship->frames[ship->frame]) {
        SpriteDrawPayload draw{};
        draw.x = int16_t(std::clamp(x, -32768, 32767));
        draw.y = int16_t(std::clamp(y, -32768, 32767));
        draw.sprite = ship->frames[ship->frame];
        if (ship->flags & OBJ_PULSING) {
            draw.flags = SPRITE_DRAW_TINT;
            draw.tint_r = draw.tint_g = draw.tint_b = uint8_t(ship->pulse_level);
        } else if (ship->flags & OBJ_BLENDED) {
            draw.flags = SPRITE_DRAW_BLEND;
        }
        (void)sprite_queue_draw(g, draw);
        if (ship->flags & OBJ_OUTLINE) (void)gfx_queue_sprite_outline(g, draw.sprite, x, y, 0, 255, 0);
    }
    int32_t grow = 0;
    if (ship->ship_flags & SHIP_FLAG_SHIELD_DISPLAY) {
        int32_t widths[SHIP_FACINGS] = {};
        uint8_t cr[SHIP_FACINGS] = {}, cg[SHIP_FACINGS] = {}, cb[SHIP_FACINGS] = {};
        for (int32_t f = 0; f < SHIP_FACINGS; ++f) {
            ship_color_for_level(ship, f, &cr[f], &cg[f], &cb[f], &widths[f]);
            grow = std::max(grow, widths[f]);
        }
        // Each facing is a quarter of an ellipse around the frame, turned with the heading.
        const int32_t cx = x + ship->w / 2, cy = y + ship->h / 2;
        for (int32_t f = 0; f < SHIP_FACINGS; ++f)
            for (int32_t k = 0; k < widths[f]; ++k)
                queue_arc(g, cx, cy, ship->w / 2 + 2 + k, ship->h / 2 + 2 + k, ship->heading + f * 90 - 44,
                          ship->heading + f * 90 + 44, cr[f], cg[f], cb[f]);
        grow += 2;
    }
    const GfxRect rect{int16_t(std::clamp(x - grow, -32768, 32767)), int16_t(std::clamp(y - grow, -32768, 32767)),
                       uint16_t(std::clamp(ship->w + 2 * grow, 0, 65535)), uint16_t(std::clamp(ship->h + 2 * grow, 0, 65535))};
    (void)gfx_queue_command(g, gfx_add_dirty_rect, &rect, sizeof rect);
    (void)gfx_queue_command(g, gfx_add_restore_rect, &rect, sizeof rect);
}

int32_t ship_repair_cost(const Ship *ship) {
    int64_t cost = int64_t(10) * (ship->max_armour - ship->armour);
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        const System *s = ship->crits[i].system;
        if (!s) continue;
        if (s->status & SYSTEM_STATUS_OFFLINE) cost += std::max(s->cost, 1);
        else if (s->status & SYSTEM_STATUS_DAMAGED) cost += std::max(s->cost / 2, 1);
        else if (s->max_integrity > 0 && s->integrity < s->max_integrity)
            cost += std::max(int32_t(int64_t(s->cost) * s->integrity / s->max_integrity / 8), 1);
        if (s->flags & SYSTEM_FLAG_ROUNDS) cost += int64_t(s->rounds_per_reload - s->rounds) * s->round_price;
    }
    return int32_t(std::clamp<int64_t>(cost, INT32_MIN, INT32_MAX));
}

int32_t ship_needs_repair(const Ship *ship) {
    if (ship->armour < ship->max_armour) return 1;
    for (int32_t i = 0; i < ship->crit_count; ++i)
        if (const System *s = ship->crits[i].system; s && s->integrity < s->max_integrity) return 1;
    return 0;
}

int32_t ship_needs_reload(const Ship *ship) {
    if (ship->armour < ship->max_armour) return 1;
    for (int32_t i = 0; i < ship->crit_count; ++i)
        if (const System *s = ship->crits[i].system;
            s && (s->flags & SYSTEM_FLAG_ROUNDS) && s->rounds < s->rounds_per_reload)
            return 1;
    return 0;
}

void ship_repair_and_reload(Ship *ship) {
    ship->armour = ship->max_armour;
    ship->engine_hit_rest = 0;
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        System *s = ship->crits[i].system;
        if (!s) continue;
        s->status &= ~(SYSTEM_STATUS_OFFLINE | SYSTEM_STATUS_DAMAGED);
        s->integrity = s->max_integrity;
        s->rounds = s->rounds_per_reload;
    }
    ship_recompute_stats(ship);
    ship->armour = ship->max_armour;
    // A mended engine or pilot seat changes the maxima: the points follow, as they do when the
    // ship is loaded, so a restored ship saves as it loads.
    ship->ap = ship->max_ap;
    ship->mp = ship->max_mp;
}

Site *ship_deploy_starbase(Ship *ship) {
    GameObject *found = game_find_object(game_get(), ship->sector_id);
    Sector *sector = found && found->kind == OBJECT_SECTOR && !(found->flags & OBJ_STUB) ? static_cast<Sector *>(found)
                                                                                            : nullptr;
    if (!sector || sector_count_other_owners(sector, ship->owner_id) != 0 || sector->site_counts[SITE_STARBASE] != 0)
        return nullptr;
    Site *site = site_create(SITE_STARBASE);
    if (!site) return nullptr;
    site->owner_id = ship->owner_id;
    site_set_under_construction(site, 1);
    site->progress = CONSTRUCTION_PROGRESS;
    if (const Game *game = game_get(); game && game->clock) {
        if (site->build_started) date_copy(site->build_started, game->clock);
        if (site->built) date_copy(site->built, game->clock);
    }
    int32_t x = 0, y = 0;
    sector_place_site(sector, SITE_STARBASE, &x, &y);
    sector_add_site(sector, site, x, y);
    if (ship->crew > 0) {
        site->crew = site->subtype == SITE_STARBASE ? ship->crew : 0;
        if (site->subtype == SITE_STARBASE) site_update_crew_state(site);
        ship->crew = 0;
    }
    if (Officer *pilot = ship->pilot) {
        site_set_pilot(site, pilot);
        ship_set_pilot(ship, nullptr);
    }
    ship_set_sector(ship, nullptr);
    for (int32_t i = 0; i < ship->crit_count; ++i)
        if (System *s = ship->crits[i].system; s && s->type == SYSTEM_TYPE_STARBASE_KIT) s->status |= SYSTEM_STATUS_OFFLINE;
    ship->ship_flags &= ~SHIP_FLAG_CONSTRUCTOR;
    ship->flags |= OBJ_DEAD;
    return site;
}
