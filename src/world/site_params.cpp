// Site templates: the parameter file and the factory's load groups (0 parameters and frame sizes,
// 1 the frames outside the range, 2 the special frame, 3 the range).
#include "world/site.h"

#include <initializer_list>
#include <memory>
#include <new>
#include "platform/anim.h"
#include "platform/buffer.h"
#include "platform/log.h"
#include "platform/store.h"
#include "platform/str.h"
#include "world/factory.h"
#include "world/site_internal.h"

namespace {

std::string params_path(int32_t t) { return str_format("site/%.3i/dat/params.dat", int(t)); }
std::string site_frames_dir(int32_t t) { return str_format("site/%.3i/png", int(t)); }

// ---- Parameter file ----

Result read_i32s(Buffer *buf, std::initializer_list<int32_t *> fields) {
    for (int32_t *field : fields)
        if (Result r = buffer_read_i32(buf, field); r != RES_OK) return r;
    return RES_OK;
}

// Two arrays of `count` values read as (x, y) pairs.
Result read_site_pairs(Buffer *buf, int32_t count, std::unique_ptr<int32_t[]> *xs, std::unique_ptr<int32_t[]> *ys) {
    if (int64_t(count) * 8 > buffer_remaining(buf)) return RES_SHORT_BUFFER;   // before allocating
    xs->reset(new (std::nothrow) int32_t[size_t(count)]);
    ys->reset(new (std::nothrow) int32_t[size_t(count)]);
    if (!*xs || !*ys) return RES_NO_MEMORY;
    for (int32_t i = 0; i < count; ++i)
        if (Result r = read_i32s(buf, {&(*xs)[i], &(*ys)[i]}); r != RES_OK) return r;
    return RES_OK;
}

struct AnimationSet {
    std::vector<Animation *> items;
    ~AnimationSet() {
        for (Animation *a : items) anim_free(a);
    }
};

// ---- Frames of the load groups ----

// The frames a group loads: 1 all but the range and (with flag 0x400) the special frame, 2 the
// special frame, 3 the range.
bool group_holds(const Site *site, int32_t group, int32_t frame) {
    const bool special = (site->params.template_flags & SITE_TF_SPECIAL_FRAME) && frame == site->params.special_frame;
    const bool in_range = site_frame_in_range(site, frame);
    switch (group) {
    case FACTORY_GROUP_FRAMES: return !in_range && !special;
    case FACTORY_GROUP_ENCOUNTER: return special;
    case FACTORY_GROUP_DETAIL: return in_range;
    default: return false;
    }
}

}  // namespace

// ---- Templates and parameters ----

Site *site_template(int32_t t) {
    return site_cast(factory_get_template(OBJECT_SITE, t));
}

Result site_read_params(Site *tmpl, Buffer *buf) {
    SiteParams p;
    std::string name;
    std::vector<SiteVariant> variants;
    int32_t speed = 0;
    Result r = buffer_read_string(buf, &name);
    if (r == RES_OK) r = buffer_read_u32(buf, &p.template_flags);
    int32_t variant_count = 0;
    if (r == RES_OK) r = buffer_read_count(buf, 16, &variant_count);
    for (int32_t i = 0; r == RES_OK && i < variant_count; ++i) {
        SiteVariant v;
        r = read_i32s(buf, {&v.idle_animation, &v.variant_value, &v.resource_min, &v.resource_max});
        variants.push_back(v);
    }
    int32_t spare_4 = 0;
    if (r == RES_OK)
        r = read_i32s(buf, {&spare_4, &p.build_days, &p.rush_low_price, &p.rush_high_price, &p.frame_range_first,
                            &p.frame_range_count, &p.variant_value, &p.spare_11, &p.construction_frame,
                            &p.special_frame, &p.spare_14, &p.idle_animation, &p.idle_animation_choices,
                            &p.resource_min, &p.resource_max, &p.divisor_min, &p.divisor_max, &p.crew_capacity,
                            &p.sensor_range, &p.base_intake, &p.place_min_x, &p.place_min_y, &p.place_max_x,
                            &p.place_max_y, &p.harvest_factor, &p.research_factor, &p.spare_30, &speed});
    p.build_cost = spare_4;
    if (r == RES_OK && (p.frame_range_first < 0 || p.frame_range_count < 0)) r = RES_MALFORMED;
    for (int32_t i = 0; r == RES_OK && i < SITE_ATTRIBUTE_COUNT; ++i)
        r = read_i32s(buf, {&p.attribute_min[i], &p.attribute_max[i]});
    if (r == RES_OK) r = read_i32s(buf, {&p.grid_generator, &p.grid_width, &p.grid_height});
    for (int32_t i = 0; r == RES_OK && i < SITE_GRID_COLOUR_BYTES; ++i) r = buffer_read_u8(buf, &p.grid_colours[i]);

    AnimationSet animations;
    int32_t animation_count = 0;
    if (r == RES_OK) r = buffer_read_count(buf, 8, &animation_count);
    for (int32_t i = 0; r == RES_OK && i < animation_count; ++i) {
        Animation *anim = nullptr;
        r = anim_read(&anim, buf);
        if (r == RES_OK) animations.items.push_back(anim);
    }

    std::unique_ptr<int32_t[]> range_x, range_y, hot_x, hot_y;
    int32_t range_flag = 0;
    if (r == RES_OK) r = buffer_read_i32(buf, &range_flag);
    if (r == RES_OK && range_flag > 0) {
        if (p.frame_range_count <= 0) return RES_MALFORMED;
        r = read_site_pairs(buf, p.frame_range_count, &range_x, &range_y);
    }
    int32_t hotspots = 0;
    if (r == RES_OK) r = buffer_read_i32(buf, &hotspots);
    if (r == RES_OK && hotspots > 0) {
        r = read_site_pairs(buf, hotspots, &hot_x, &hot_y);
    }
    if (r == RES_OK)
        r = read_i32s(buf, {&p.defense_cost, &p.defense_minutes, &p.halo_style, &p.spare_57, &p.defense_rush_low,
                            &p.defense_rush_high});
    if (r != RES_OK) return r;

    // Everything read: the template lets go of what it had and takes the new parameters.
    auto anims = std::unique_ptr<Animation *[]>(animations.items.empty() ? nullptr
                                                 : new (std::nothrow) Animation *[animations.items.size()]);
    if (!animations.items.empty() && !anims) return RES_NO_MEMORY;
    site_detail::free_tables(&tmpl->params);
    tmpl->flags |= OBJ_OWNS_ANIMS;
    site_detail::free_animations(tmpl);
    for (size_t i = 0; i < animations.items.size(); ++i) anims[i] = animations.items[i];
    tmpl->animation_count = int32_t(animations.items.size());
    tmpl->animations = anims.release();
    animations.items.clear();

    p.range_offset_x = range_x.release();
    p.range_offset_y = range_y.release();
    p.hotspot_count = hot_x ? hotspots : 0;
    p.hotspot_x = hot_x.release();
    p.hotspot_y = hot_y.release();
    tmpl->params = p;
    tmpl->variants = std::move(variants);
    tmpl->name = name;
    tmpl->speed = speed;
    tmpl->state |= SITE_OWNS_TABLES;
    return RES_OK;
}

Result site_load_params(GameObject *obj) {
    Site *tmpl = site_detail::as_site(obj);
    tmpl->state |= SITE_OWNS_TABLES;
    const std::string dir = site_frames_dir(obj->subtype);
    Buffer *file = nullptr;
    const std::string path = params_path(obj->subtype);
    Result r = store_read_file(path.c_str(), 1, &file);
    if (r == RES_OK) {
        r = site_read_params(tmpl, file);
        buffer_free(file);
    }
    if (r != RES_OK) {
        log_write(LOG_RES, LOG_ERROR, "Site %i - params load \"%s\" failed with rval %i", int(obj->subtype),
                  path.c_str(), int(r));
        return r;
    }
    if (Result sizes = factory_load_frame_sizes(obj, dir.c_str()); sizes != RES_OK) return sizes;
    if (int64_t(tmpl->params.frame_range_first) + tmpl->params.frame_range_count > obj->frame_count) {
        log_write(LOG_RES, LOG_ERROR, "Site %i - frame range %i+%i beyond the %i frames", int(obj->subtype),
                  int(tmpl->params.frame_range_first), int(tmpl->params.frame_range_count), int(obj->frame_count));
        return RES_MALFORMED;
    }
    return RES_OK;
}

void site_group_frames(const GameObject *obj, int32_t group, std::vector<FactoryFrame> *out) {
    const Site *tmpl = site_cast(obj);
    if (!tmpl || group < FACTORY_GROUP_FRAMES || group > FACTORY_GROUP_DETAIL) return;
    for (int32_t frame = 0; frame < obj->frame_count; ++frame)
        if (group_holds(tmpl, group, frame)) out->push_back({frame, false});
}
