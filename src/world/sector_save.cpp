// The sector's save record (its sites travel inside it), the link step after a load, and the
// snapshot copy players keep in their memory of objects.
#include <algorithm>
#include "game/game.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/log.h"
#include "world/object_methods.h"
#include "world/sector_internal.h"

namespace sector_detail {
namespace {

// Bytes a nested object record takes at least (a site: the common record).
constexpr uint32_t SITE_RECORD_MIN_BYTES = uint32_t(OBJECT_COMMON_RECORD_MIN_BYTES);
constexpr int32_t  STARBASE_ASSEMBLY_MIN = 1426;   // a deployed starbase's assembly

// The kind word of the next record, left unread.
Result peek_kind(const Buffer *buf, int32_t *kind) {
    if (buffer_remaining(buf) < 4) return RES_SHORT_BUFFER;
    const uint8_t *p = buf->data + buf->cursor;
    *kind = int32_t(uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]));
    return RES_OK;
}

int32_t percent_done(int32_t total, int32_t remaining) {
    if (total <= 0) return 0;
    return std::clamp(int32_t(int64_t(total - remaining) * 100 / total), 0, 100);
}

// The construction percent of a site under construction is not saved: the sector's starbase
// knows it from the item it builds or keeps paused; a starbase deployed by a ship from the time
// its assembly began.
int32_t construction_progress(const Sector *s, const Site *site) {
    if (site->subtype == SITE_STARBASE) {
        const Game *game = game_get();
        if (!site->build_started || !game || !game->clock || site->build_started->minutes == 0) return 0;
        const int64_t passed = int64_t(game->clock->minutes) - int64_t(site->build_started->minutes);
        return std::clamp(int32_t(passed * 100 / STARBASE_ASSEMBLY_MIN), 0, 100);
    }
    const Site *base = starbase(s);
    if (!base) return 0;
    if ((base->state & SITE_PRODUCING) && base->item == site->subtype)
        return percent_done(base->total_min, base->remaining_min);
    if ((base->state & SITE_PAUSED_KEPT) && base->paused_item == site->subtype)
        return percent_done(base->paused_total, base->paused_remaining);
    return 0;
}

}  // namespace

void free_snapshot_arrays(Sector *s) {
    s->known_site_ids.clear();
    s->known_site_ids.shrink_to_fit();
    s->known_site_kinds.clear();
    s->known_site_kinds.shrink_to_fit();
    s->known_object_ids.clear();
    s->known_object_ids.shrink_to_fit();
    s->known_site_count = 0;
    s->known_object_count = 0;
}

Result write(const GameObject *obj, Buffer *buf) {
    const Sector *s = sector(obj);
    Result r = buffer_write_string(buf, s->label);
    for (int32_t v : {s->star_variant, s->reserved_a, s->reserved_b})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    int32_t sites = 0;
    for (Site *site : s->sites.items) {
        if (!site) break;
        ++sites;
    }
    if (r == RES_OK) r = buffer_write_i32(buf, sites);
    for (int32_t i = 0; i < sites && r == RES_OK; ++i) r = object_write(list_get(&s->sites, i), buf);

    const int32_t known_sites =
        std::min<int32_t>(s->known_site_count, int32_t(std::min(s->known_site_ids.size(), s->known_site_kinds.size())));
    if (r == RES_OK) r = buffer_write_i32(buf, std::max(known_sites, 0));
    for (int32_t i = 0; i < known_sites && r == RES_OK; ++i) {
        r = buffer_write_u64(buf, s->known_site_ids[size_t(i)]);
        if (r == RES_OK) r = buffer_write_i32(buf, s->known_site_kinds[size_t(i)]);
    }
    if (r == RES_OK) r = buffer_write_i32(buf, s->known_feature_kind);
    const int32_t known_objects = std::min<int32_t>(s->known_object_count, int32_t(s->known_object_ids.size()));
    if (r == RES_OK) r = buffer_write_i32(buf, std::max(known_objects, 0));
    for (int32_t i = 0; i < known_objects && r == RES_OK; ++i) r = buffer_write_u64(buf, s->known_object_ids[size_t(i)]);
    for (int32_t v : {s->known_defence_kind, s->known_defenders, s->known_defenders_lost, s->known_starbase_crew})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    return r;
}

Result read(GameObject *obj, Buffer *buf) {
    Sector *s = sector(obj);
    Result r = buffer_read_string(buf, &s->label);
    for (int32_t *v : {&s->star_variant, &s->reserved_a, &s->reserved_b})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    int32_t sites = 0;
    if (r == RES_OK) r = buffer_read_count(buf, SITE_RECORD_MIN_BYTES, &sites);
    if (r != RES_OK) return r;
    list_clear(&s->sites);
    for (int32_t i = 0; i < sites; ++i) {
        int32_t kind = 0;
        if ((r = peek_kind(buf, &kind)) != RES_OK) return r;
        if (kind != OBJECT_SITE) {
            log_write(LOG_GAME, LOG_WARN, "Sector #%llu \"%s\" - site #%i of its record is of kind %i",
                      (unsigned long long)obj->id, s->label.c_str(), i, kind);
            return RES_MALFORMED;
        }
        GameObject *site = nullptr;
        if ((r = object_read(&site, buf)) != RES_OK) return r;
        object_add_ref(site);
        if (list_append(&s->sites, static_cast<Site *>(site)) < 0) {
            object_release(site);
            return RES_NO_MEMORY;
        }
    }

    int32_t known_sites = 0;
    if ((r = buffer_read_i32(buf, &known_sites)) != RES_OK) return r;
    free_snapshot_arrays(s);
    if (known_sites > 0) {
        if (buffer_remaining(buf) < int64_t(known_sites) * 12) return RES_SHORT_BUFFER;
        s->known_site_ids.assign(size_t(known_sites), 0);
        s->known_site_kinds.assign(size_t(known_sites), 0);
        for (int32_t i = 0; i < known_sites && r == RES_OK; ++i) {
            r = buffer_read_u64(buf, &s->known_site_ids[size_t(i)]);
            if (r == RES_OK) r = buffer_read_i32(buf, &s->known_site_kinds[size_t(i)]);
        }
        if (r != RES_OK) return r;
        s->known_site_count = known_sites;
    }
    if ((r = buffer_read_i32(buf, &s->known_feature_kind)) != RES_OK) return r;
    int32_t known_objects = 0;
    if ((r = buffer_read_i32(buf, &known_objects)) != RES_OK) return r;
    if (known_objects > 0) {
        if (buffer_remaining(buf) < int64_t(known_objects) * 8) return RES_SHORT_BUFFER;
        s->known_object_ids.assign(size_t(known_objects), 0);
        for (int32_t i = 0; i < known_objects && r == RES_OK; ++i) r = buffer_read_u64(buf, &s->known_object_ids[size_t(i)]);
        if (r != RES_OK) return r;
        s->known_object_count = known_objects;
    }
    for (int32_t *v : {&s->known_defence_kind, &s->known_defenders, &s->known_defenders_lost, &s->known_starbase_crew})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    return r;
}

Result link(GameObject *obj) {
    Sector *s = sector(obj);
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (Result r = object_link(site); r != RES_OK) return r;
    }
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (site->state & SITE_UNDER_CONSTRUCTION) site->progress = construction_progress(s, site);
    }
    sector_refresh_sites(s);
    return RES_OK;
}

void copy_record(GameObject *dest_obj, const GameObject *src_obj, int32_t level) {
    Sector *dest = sector(dest_obj);
    const Sector *src = sector(src_obj);
    dest->label = src->label;
    if (level < 0) return;
    free_snapshot_arrays(dest);
    for (Site *site : src->sites.items) {
        if (!site) break;
        dest->known_site_ids.push_back(site->id);
        dest->known_site_kinds.push_back(site->subtype);
    }
    dest->known_site_count = int32_t(dest->known_site_ids.size());
    for (GameObject *visitor : src->objects.items) {
        if (!visitor) break;
        dest->known_object_ids.push_back(visitor->id);
    }
    dest->known_object_count = int32_t(dest->known_object_ids.size());
    if (level < 1) return;
    dest->known_feature_kind = -1;
    dest->known_defence_kind = -1;
    dest->known_defenders = 0;
    dest->known_defenders_lost = 0;
    dest->known_starbase_crew = 0;
    if (const Site *site = first_site(src, [](const Site *candidate) { return candidate->feature != nullptr; })) {
        dest->known_feature_kind = site->feature->kind;
        dest->known_defence_kind = site->feature->defence_kind;
        dest->known_defenders = site->feature->defenders;
        dest->known_defenders_lost = site->feature->defenders_lost;
    }
    if (const Site *base = starbase(src)) dest->known_starbase_crew = base->crew;
}

}  // namespace sector_detail
