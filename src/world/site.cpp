// Sites: the kind record and its operations, the save record with its link step, the snapshot copy
// and the harvester's move animation (the template parameter file and the load groups are in
// site_params.cpp).
#include "world/site.h"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/saturate.h"
#include "platform/sprite.h"
#include "platform/store.h"
#include "platform/str.h"
#include "effects/effect_bubble.h"
#include "effects/effect_glow.h"
#include "platform/anim.h"
#include "world/factory.h"
#include "world/object_map.h"
#include "world/object_methods.h"
#include "world/sector.h"
#include "world/site_feature.h"
#include "world/site_internal.h"

namespace {

// The variant table of the site's template (a template reads its own).
const std::vector<SiteVariant> *variants_of(const Site *site) {
    if (!site->variants.empty()) return &site->variants;
    const Site *tmpl = site_template(site->subtype);
    return tmpl ? &tmpl->variants : nullptr;
}

void apply_variant(Site *site, int32_t index) {
    const std::vector<SiteVariant> *variants = variants_of(site);
    if (!variants || index < 0 || index >= int32_t(variants->size())) return;
    const SiteVariant &v = (*variants)[size_t(index)];
    site->variant = index;
    site->params.idle_animation = v.idle_animation;
    site->params.variant_value = v.variant_value;
    site->params.resource_min = v.resource_min;
    site->params.resource_max = v.resource_max;
}

void release_officer(Officer *officer) { officer_release(officer); }

Result write_date(const Date *date, Buffer *buf) { return buffer_write_u64(buf, date ? date->minutes : 0); }

Result read_site_date(Date **field, Buffer *buf) {
    Date *date = nullptr;
    Result r = date_read(&date, buf);
    if (r != RES_OK) return r;
    date_free(*field);
    *field = date;
    return RES_OK;
}

bool is_harvester(const Site *site) { return site->subtype == SITE_HARVESTER; }

bool animation_running(const GameObject *obj) { return anim_player_is_running(obj->anim_player); }

// The current animation has frames and is the one given.
bool playing(const GameObject *obj, int32_t animation) {
    return obj->animation == animation && animation >= 0 && animation < obj->animation_count &&
           obj->animations && anim_count(obj->animations[animation]) > 0 && animation_running(obj);
}

void start_idle_animation(Site *site) { object_set_animation(site, site->params.idle_animation, -1); }

// ---- Kind slots ----

uint32_t site_size() { return sizeof(Site); }

const char *site_type_name() { return "Site"; }

void site_init(GameObject *obj) {
    Site *site = object_init_record<Site>(obj);
    site->status_text = "";
    site->started = date_create();
    site->build_started = date_create();
    site->built = date_create();
    site->crew_checked = date_create();
    list_set_free_fn(&site->officers, release_officer);
    site->params.defense_cost = -1;
    site->params.defense_minutes = -1;
}

void site_free(GameObject *obj) {
    Site *site = site_detail::as_site(obj);
    officer_release(site->commander);
    site->commander = nullptr;
    for (Date *date : {site->started, site->build_started, site->built, site->crew_checked}) date_free(date);
    list_clear(&site->officers);
    site_free_feature(site);
    if (site->state & SITE_OWNS_TABLES) site_detail::free_tables(&site->params);
    site_detail::free_animations(obj);
    object_free_record<Site>(obj);
}

void site_copy_template(GameObject *obj, const GameObject *tmpl) {
    Site *site = site_detail::as_site(obj);
    site->params = site_detail::as_site(tmpl)->params;   // the tables' pointers: shared, not duplicated
    if (site->params.template_flags & SITE_TF_VARIANTS) apply_variant(site, site->variant);
}

void site_on_created(GameObject *obj) {
    Site *site = site_detail::as_site(obj);
    if (site->params.template_flags & SITE_TF_BLENDED) obj->flags |= OBJ_BLENDED;
    site->status_text = site->subtype == SITE_HARVESTER ? "Harvesting" : "Idle";
    // Both numbers come from the parameter file: the sum is held at the i32 limits (a result outside
    // the animations only logs when it is set going).
    const int32_t choice = random_range(0, saturate_i32(int64_t(site->params.idle_animation_choices) - 1));
    site->params.idle_animation = saturate_add_i32(site->params.idle_animation, choice);
    start_idle_animation(site);
    site->grid_seed = random_u32();
    site->gather_state = -1;
    site->known_feature_kind = -1;
}

// The harvester flies to its new target: deploy, travel, move, arrive, then mine again.
void update_move(Site *site) {
    GameObject *obj = site;
    Site *target = site_find_in_sector(site, site->harvest_target_id);
    switch (site->move_phase) {
    case 0:
        obj->flags |= OBJ_NO_POINTER_HIT;
        if (playing(obj, site->params.idle_animation)) object_set_animation(obj, SITE_ANIM_DEPLOY, 1);
        else anim_player_stop(obj->anim_player);
        site->move_phase = 1;
        return;
    case 1:
        if (animation_running(obj)) return;
        if (target && target->x + target->w < obj->x) object_set_animation(obj, SITE_ANIM_TRAVEL_LEFT, 1);
        else object_set_animation(obj, SITE_ANIM_TRAVEL_RIGHT, 1);
        site->move_phase = 2;
        return;
    case 2:
        if (animation_running(obj)) return;
        if (target) object_set_position(obj, target->x + target->w, obj->y);
        site->move_phase = 3;
        return;
    case 3:
        if (obj->flags & OBJ_TRAVELLING) return;
        object_set_animation(obj, obj->animation == SITE_ANIM_TRAVEL_RIGHT ? SITE_ANIM_ARRIVE_FROM_RIGHT
                                                                           : SITE_ANIM_ARRIVE_FROM_LEFT, 1);
        site->move_phase = 4;
        return;
    case 4:
        if (animation_running(obj)) return;
        obj->flags &= ~OBJ_NO_POINTER_HIT;
        site->state &= ~SITE_HARVESTER_MOVING;
        site->move_phase = SITE_MOVE_DONE;
        if (site->state & SITE_DEACTIVATED) {
            object_set_animation(obj, SITE_ANIM_DEACTIVATED, -1);
        } else {
            start_idle_animation(site);
            if (target) site_start_plume(site, target);
        }
        return;
    default:
        return;
    }
}

void site_update(GameObject *obj, int32_t) {
    Site *site = site_detail::as_site(obj);
    if (!is_harvester(site)) return;
    if ((site->state & SITE_HARVESTER_MOVING) && site->move_phase < SITE_MOVE_DONE) {
        update_move(site);
        return;
    }
    const int32_t idle = site->params.idle_animation;
    if (site->state & SITE_DEACTIVATED) {
        // Switch where the idle loop shows the deactivated animation's first frame, so it does not jump.
        if (obj->animation == idle && obj->animations && SITE_ANIM_DEACTIVATED < obj->animation_count &&
            anim_count(obj->animations[SITE_ANIM_DEACTIVATED]) > 0 &&
            obj->frame == obj->animations[SITE_ANIM_DEACTIVATED]->pairs[0].frame)
            object_set_animation(obj, SITE_ANIM_DEACTIVATED, -1);
        return;
    }
    if (site->state & (SITE_UNDER_CONSTRUCTION | SITE_CREW_SHORT)) {
        object_set_animation(obj, SITE_ANIM_CREW_SHORT, -1);
        return;
    }
    if (obj->animation == idle && animation_running(obj) && obj->frame >= 0 &&
        obj->frame < site->params.hotspot_count && site->params.hotspot_x && site->params.hotspot_y) {
        site->hotspot_x = site->params.hotspot_x[obj->frame];
        site->hotspot_y = site->params.hotspot_y[obj->frame];
    }
}

void site_encounter_begin(GameObject *obj) {
    Site *site = site_detail::as_site(obj);
    anim_player_stop(obj->anim_player);
    object_set_frame(obj, site->params.special_frame);
    obj->flags |= OBJ_NO_MINIMAP_DOT | OBJ_NO_POINTER_HIT;
}

void site_reset_state(GameObject *obj) {
    Site *site = site_detail::as_site(obj);
    object_set_position(obj, site->home_x, site->home_y);
    start_idle_animation(site);
    obj->flags &= ~(OBJ_NO_MINIMAP_DOT | OBJ_NO_POINTER_HIT);
}

const char *site_display_name(const GameObject *obj) { return obj->name.c_str(); }

int32_t site_icon(const GameObject *) { return RES_NO_PICTURE; }

Result site_write(const GameObject *obj, Buffer *buf) {
    const Site *s = site_detail::as_site(obj);
    Result r = buffer_write_u32(buf, s->state);
    if (r == RES_OK) r = buffer_write_i32(buf, s->variant);
    if (r == RES_OK) r = buffer_write_u64(buf, s->commander_id);
    if (r == RES_OK) r = buffer_write_i32(buf, s->feature ? 1 : 0);
    if (r == RES_OK && s->feature) r = feature_write(s->feature, buf);
    if (r == RES_OK) r = buffer_write_u64(buf, s->sector_id);
    if (r == RES_OK) r = buffer_write_string(buf, s->status_text);
    for (int32_t v : {s->remaining_min, s->total_min, s->rush_low, s->rush_high, s->item})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    if (r == RES_OK) r = buffer_write_u64(buf, s->item_id);
    if (r == RES_OK) r = buffer_write_i32(buf, s->cost_paid);
    if (r == RES_OK) r = write_date(s->started, buf);
    for (int32_t v : {s->paused_remaining, s->paused_total, s->paused_rush_low, s->paused_rush_high, s->paused_item})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    if (r == RES_OK) r = buffer_write_u64(buf, s->paused_item_id);
    if (r == RES_OK) r = buffer_write_i32(buf, s->paused_cost);
    if (r == RES_OK) r = write_date(s->build_started, buf);
    for (int32_t v : {s->harvest_timer, s->harvest_cycle, s->research_timer})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    if (r == RES_OK) r = write_date(s->built, buf);
    if (r == RES_OK) r = buffer_write_i32(buf, s->crew);
    if (r == RES_OK) r = write_date(s->crew_checked, buf);
    for (int32_t v : {s->resources_max, s->resources_left, s->harvest_divisor, s->harvest_carry})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    if (r == RES_OK) r = buffer_write_u64(buf, s->harvest_target_id);
    if (r == RES_OK) r = buffer_write_i32(buf, list_count(&s->officers));
    for (int32_t i = 0; r == RES_OK && i < list_count(&s->officers); ++i)
        r = officer_write(list_get(&s->officers, i), buf);
    for (int32_t v : {s->recruit_timer, s->population, s->label_number})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    for (int32_t i = 0; r == RES_OK && i < SITE_ATTRIBUTE_COUNT; ++i) r = buffer_write_i32(buf, s->attributes[i]);
    if (r == RES_OK) r = buffer_write_i32(buf, s->params.idle_animation);
    if (r == RES_OK) r = buffer_write_u32(buf, s->grid_seed);
    for (int32_t v : {s->known_feature_kind, s->home_x, s->home_y, s->completed_items, s->defense_level,
                      s->defense_progress, s->gather_a, s->gather_b, s->gather_state})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    return r;
}

Result read_officers(Site *s, Buffer *buf) {
    int32_t count = 0;
    if (Result r = buffer_read_count(buf, 4, &count); r != RES_OK) return r;
    list_clear(&s->officers);
    for (int32_t i = 0; i < count; ++i) {
        Officer *officer = nullptr;
        if (Result r = officer_read(&officer, buf); r != RES_OK) return r;
        officer_retain(officer);
        if (list_append(&s->officers, officer) < 0) {
            officer_release(officer);
            return RES_NO_MEMORY;
        }
    }
    return RES_OK;
}

Result site_read(GameObject *obj, Buffer *buf) {
    Site *s = site_detail::as_site(obj);
    Result r = buffer_read_u32(buf, &s->state);
    // Only a template owns the shared tables: a record that claims it must not make a site free them.
    s->state &= ~SITE_OWNS_TABLES;
    if (r == RES_OK) r = buffer_read_i32(buf, &s->variant);
    if (r == RES_OK && (s->params.template_flags & SITE_TF_VARIANTS)) apply_variant(s, s->variant);
    if (r == RES_OK) r = buffer_read_u64(buf, &s->commander_id);
    int32_t has_feature = 0;
    if (r == RES_OK) r = buffer_read_i32(buf, &has_feature);
    if (r == RES_OK) {
        if (has_feature > 0) {
            if (!s->feature) s->feature = new (std::nothrow) SiteFeature();
            r = s->feature ? feature_read(s->feature, buf) : RES_NO_MEMORY;
        } else {
            site_free_feature(s);
        }
    }
    if (r == RES_OK) r = buffer_read_u64(buf, &s->sector_id);
    if (r == RES_OK) r = buffer_read_string(buf, &s->status_text);
    for (int32_t *v : {&s->remaining_min, &s->total_min, &s->rush_low, &s->rush_high, &s->item})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    if (r == RES_OK) r = buffer_read_u64(buf, &s->item_id);
    if (r == RES_OK) r = buffer_read_i32(buf, &s->cost_paid);
    if (r == RES_OK) r = read_site_date(&s->started, buf);
    for (int32_t *v : {&s->paused_remaining, &s->paused_total, &s->paused_rush_low, &s->paused_rush_high,
                       &s->paused_item})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    if (r == RES_OK) r = buffer_read_u64(buf, &s->paused_item_id);
    if (r == RES_OK) r = buffer_read_i32(buf, &s->paused_cost);
    if (r == RES_OK) r = read_site_date(&s->build_started, buf);
    for (int32_t *v : {&s->harvest_timer, &s->harvest_cycle, &s->research_timer})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    if (r == RES_OK) r = read_site_date(&s->built, buf);
    if (r == RES_OK) r = buffer_read_i32(buf, &s->crew);
    if (r == RES_OK) r = read_site_date(&s->crew_checked, buf);
    for (int32_t *v : {&s->resources_max, &s->resources_left, &s->harvest_divisor, &s->harvest_carry})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    if (r == RES_OK) r = buffer_read_u64(buf, &s->harvest_target_id);
    if (r == RES_OK) r = read_officers(s, buf);
    for (int32_t *v : {&s->recruit_timer, &s->population, &s->label_number})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    for (int32_t i = 0; r == RES_OK && i < SITE_ATTRIBUTE_COUNT; ++i) r = buffer_read_i32(buf, &s->attributes[i]);
    if (r == RES_OK) r = buffer_read_i32(buf, &s->params.idle_animation);
    if (r == RES_OK) r = buffer_read_u32(buf, &s->grid_seed);
    for (int32_t *v : {&s->known_feature_kind, &s->home_x, &s->home_y, &s->completed_items, &s->defense_level,
                       &s->defense_progress, &s->gather_a, &s->gather_b, &s->gather_state})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    return r;
}

// The owner's officer record for one read from the save, or null.
Officer *owner_officer(Site *site, uint64_t id) {
    Player *player = game_find_player(game_get(), site->owner_id);
    return player ? player_find_officer(player, id) : nullptr;
}

// The record of an officer waiting at the starbase: its owner's, or, at a starbase taken from the
// player it served, that player's.
Officer *waiting_officer(Site *site, const Officer *read) {
    if (Officer *real = owner_officer(site, read->id)) return real;
    Player *served = read->owner_id != site->owner_id ? game_find_player(game_get(), read->owner_id) : nullptr;
    return served ? player_find_officer(served, read->id) : nullptr;
}

Result site_link(GameObject *obj) {
    Site *site = site_detail::as_site(obj);
    if (obj->subtype != SITE_STARBASE || obj->owner_id == 0) return RES_OK;
    for (int32_t i = 0; i < list_count(&site->officers); ++i) {
        Officer *read = list_get(&site->officers, i);
        Officer *real = waiting_officer(site, read);
        if (!real) {
            log_write(LOG_GAME, LOG_ERROR, "Starbase failed to find pilot player %llu, id %llu",
                      (unsigned long long)obj->owner_id, (unsigned long long)read->id);
            return RES_UNRESOLVED_ID;
        }
        if (real == read) continue;
        officer_retain(real);
        list_set(&site->officers, i, real);
        officer_release(read);
    }
    if (site->commander_id != 0) {
        Officer *real = owner_officer(site, site->commander_id);
        if (!real) {
            log_write(LOG_GAME, LOG_ERROR, "Starbase failed to find command pilot player %llu, id %llu",
                      (unsigned long long)obj->owner_id, (unsigned long long)site->commander_id);
            return RES_UNRESOLVED_ID;
        }
        site_set_pilot(site, real);
    }
    return RES_OK;
}

void site_copy_record(GameObject *dest, const GameObject *src, int32_t level) {
    Site *d = site_detail::as_site(dest);
    const Site *s = site_detail::as_site(src);
    // A copy looks as the site does: its idle animation and its grid, drawn when the site was made.
    d->grid_seed = s->grid_seed;
    if (d->params.idle_animation != s->params.idle_animation) {
        d->params.idle_animation = s->params.idle_animation;
        start_idle_animation(d);
    }
    if (level >= 0) {
        d->label_number = s->label_number;
        d->commander_id = s->commander_id;
        if (s->feature && s->feature->kind == FEATURE_HOME_COLONY) d->known_feature_kind = FEATURE_HOME_COLONY;
    }
    if (level >= 1) {
        d->known_feature_kind = s->feature ? s->feature->kind : -1;
        d->progress = s->progress;
        d->crew = s->crew;
        d->resources_left = s->resources_left;
        d->resources_max = s->resources_max;
        d->harvest_divisor = s->harvest_divisor;
        d->population = s->population;
        for (int32_t i = 0; i < SITE_ATTRIBUTE_COUNT; ++i) d->attributes[i] = s->attributes[i];
        d->defense_level = s->defense_level;
    }
}

}  // namespace

// ---- Registration ----

void site_register_methods(ObjectMethods *m) {
    *m = ObjectMethods{
        .size = site_size,
        .type_name = site_type_name,
        .init = site_init,
        .free = site_free,
        .copy_template = site_copy_template,
        .on_created = site_on_created,
        .update = site_update,
        .encounter_begin = site_encounter_begin,
        .galaxy_turn = site_galaxy_turn,
        .reset_state = site_reset_state,
        .display_name = site_display_name,
        .icon = site_icon,
        .write = site_write,
        .read = site_read,
        .link = site_link,
        .copy_record = site_copy_record,
        .advance_clock = site_advance_clock,
    };
}

void site_register_factory(Factory *f) {
    f->template_count = SITE_TEMPLATE_COUNT;
    f->load_params = site_load_params;
    f->group_frames = site_group_frames;
    f->frame_dir = "site/%.3i/png";
    f->load_extra = feature_params_load;
    f->free_extra = feature_templates_free;
}

// ---- Creation and record ----

Site *site_create(int32_t t) { return site_cast(factory_create_object(OBJECT_SITE, t)); }

void site_set_under_construction(Site *site, int on) {
    if (on) {
        site->state |= SITE_UNDER_CONSTRUCTION;
        if (site->params.template_flags & SITE_TF_CONSTRUCTION_FRAME)
            object_set_frame(site, site->params.construction_frame);
        return;
    }
    site->state &= ~SITE_UNDER_CONSTRUCTION;
    if (site->params.template_flags & SITE_TF_CONSTRUCTION_FRAME) object_set_frame(site, 0);
}

void site_set_harvest_target(Site *site, uint64_t id) {
    site->harvest_target_id = id;
    if (!is_harvester(site)) return;
    site->state |= SITE_HARVESTER_MOVING;
    site->move_phase = 0;
}

void site_init_resources(Site *site) {
    if (!(site->params.template_flags & SITE_TF_RESOURCE)) return;
    site->resources_max = std::max(1, random_range(site->params.resource_min, site->params.resource_max));
    site->resources_left = site->resources_max;
    site->harvest_divisor = std::max(1, random_range(site->params.divisor_min, site->params.divisor_max));
}

void site_add_resources(Site *site, int32_t n) {
    if (!(site->params.template_flags & SITE_TF_RESOURCE)) return;
    site->resources_left = std::max(0, site->resources_left + n);
}

int32_t site_resource_ratio(const Site *site, int32_t n) {
    if (!(site->params.template_flags & SITE_TF_RESOURCE) || n < 1) return 0;
    return site->resources_left / n;
}

void site_random_layout(Site *site) {
    for (int32_t i = 0; i < SITE_ATTRIBUTE_COUNT; ++i)
        site->attributes[i] = random_range(site->params.attribute_min[i], site->params.attribute_max[i]);
}

void site_feature_template(Site *site, int32_t variant) {
    if (site->params.template_flags & SITE_TF_VARIANTS) apply_variant(site, variant);
}

int32_t site_get_population(const Site *site) {
    return (site->params.template_flags & SITE_TF_POPULATION) ? site->population : 0;
}

void site_set_population(Site *site, int32_t n) { site->population = std::max(0, n); }

Officer *site_get_officer(const Site *site, int32_t index) { return list_get(&site->officers, index); }

int32_t site_officer_count(const Site *site) { return list_count(&site->officers); }

void site_add_officer(Site *site, Officer *officer) {
    if (!officer) return;
    officer_retain(officer);
    if (list_append(&site->officers, officer) < 0) {
        officer_release(officer);
        return;
    }
    officer->sector_id = site->sector_id;
}

void site_remove_officer(Site *site, uint64_t id) {
    for (Officer *officer : site->officers.items) {
        if (!officer || officer->id != id) continue;
        list_remove_value(&site->officers, officer);
        officer_release(officer);
        return;
    }
}

void site_set_pilot(Site *site, Officer *officer) {
    if (site->subtype != SITE_STARBASE) {
        log_write(LOG_GAME, LOG_WARN, "Site #%llu \"%s\" - failed to set pilot #%llu \"%s\" (not a starbase)",
                  (unsigned long long)site->id, site->name.c_str(),
                  (unsigned long long)(officer ? officer->id : 0), officer ? officer->name.c_str() : "");
        return;
    }
    if (officer) officer_retain(officer);   // before the release: the same officer may be set again
    if (Officer *old = site->commander; old && old != officer) old->site_id = 0;   // no longer posted here
    officer_release(site->commander);
    site->commander = officer;
    site->commander_id = officer ? officer->id : 0;
    if (officer) {
        officer->site_id = site->id;
        officer->sector_id = site->sector_id;
    }
    if (Player *owner = object_get_owner(site)) player_update_totals(owner);
}

Officer *site_find_recruit(const Site *site, uint64_t id) {
    for (Officer *officer : site->officers.items)
        if (officer && officer->id == id) return officer;
    return nullptr;
}

bool site_is_producing(const Site *site) { return site->state & SITE_PRODUCING; }
bool site_is_pending(const Site *site) { return site->state & SITE_PENDING; }
bool site_is_under_construction(const Site *site) { return site->state & SITE_UNDER_CONSTRUCTION; }
bool site_is_contested(const Site *site) { return site->state & SITE_CONTESTED; }
bool site_is_deactivated(const Site *site) { return site->state & SITE_DEACTIVATED; }
bool site_is_crew_short(const Site *site) { return site->state & SITE_CREW_SHORT; }
bool site_has_variants(const Site *site) { return site->params.template_flags & SITE_TF_VARIANTS; }
bool site_is_idle(const Site *site) {
    return !(site->state & (SITE_PRODUCING | SITE_UNDER_CONSTRUCTION | SITE_CREW_SHORT));
}

void site_clear_contested(Site *site) { site->state &= ~SITE_CONTESTED; }

bool site_special_frame_is(const Site *site, int32_t frame) {
    return (site->params.template_flags & SITE_TF_SPECIAL_FRAME) && frame == site->params.special_frame;
}

bool site_frame_in_range(const Site *site, int32_t frame) {
    return frame >= site->params.frame_range_first &&
           frame < site->params.frame_range_first + site->params.frame_range_count;
}

bool site_frame_is_plain(const Site *site, int32_t frame) {
    return !site_special_frame_is(site, frame) && !site_frame_in_range(site, frame);
}

Result site_load_description(const Site *site, std::string *out) {
    return store_read_text(str_format("site/%.3i/dat/desc.txt", int(site->subtype)).c_str(), out);
}

void site_set_animation_state(Site *site) {
    site->flags &= ~OBJ_TRAVELLING;
    if (!is_harvester(site)) {
        start_idle_animation(site);
        return;
    }
    site->state &= ~SITE_HARVESTER_MOVING;
    site->flags &= ~OBJ_NO_POINTER_HIT;
    Site *target = site_find_in_sector(site, site->harvest_target_id);
    if (!target) {
        object_set_animation(site, SITE_ANIM_CREW_SHORT, -1);
        return;
    }
    object_set_position(site, target->x + target->w, site->y);
    if (site->state & SITE_DEACTIVATED) object_set_animation(site, SITE_ANIM_DEACTIVATED, -1);
    else start_idle_animation(site);
}

// ---- Effects ----

void site_start_plume(Site *harvester, Site *target) {
    const Game *game = game_get();
    if ((game && (game->flags & GAME_FLAG_RESOLVE_AT_ONCE)) || !harvester->map || !target) return;
    PlumeEffect *plume = effect_create_plume(harvester);
    if (plume) map_add_effect(harvester->map, plume, target->x + target->w / 2, target->y + target->h / 2);
}

void site_show_crew_intake(GameObject *sector, int32_t crew) {
    Game *game = game_get();
    if (!game || (game->flags & GAME_FLAG_RESOLVE_AT_ONCE) || !game->galaxy_map) return;
    TextBubbleEffect *text = effect_create_text_bubblef(3, 1, 255, 255, 0, "+%i", int(crew));
    if (text) map_add_effect(game->galaxy_map, text, sector->x + sector->w / 2, sector->y + sector->h / 2);
}

Sector *site_find_sector(const Site *site) { return sector_find(site->sector_id); }

Site *site_find_in_sector(const Site *site, uint64_t id) {
    if (id == 0) return nullptr;
    Sector *sector = site_find_sector(site);
    return sector ? site_cast(object_find(sector, id)) : nullptr;
}
