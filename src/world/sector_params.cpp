// The sector templates: the parameter file, the factory's load groups (parameters and frame
// sizes, then the star frames), and the fixed tables of star kinds and label names.
#include <string>
#include <vector>
#include "platform/buffer.h"
#include "platform/log.h"
#include "platform/store.h"
#include "platform/str.h"
#include "world/factory.h"
#include "world/sector_internal.h"

namespace {

constexpr const char *LABEL_NAMES[SECTOR_LABEL_COUNT] = {
    "Alpha", "Beta", "Gamma", "Delta", "Epsilon", "Zeta", "Eta", "Theta", "Omicron", "Sigma", "Tau",
};

// The star's site template by sector template; any other template has the first star.
constexpr int32_t STAR_KINDS[SECTOR_TEMPLATE_COUNT] = {1, 2, 4, 5, 3, 2};

std::string template_dir(int32_t index) { return str_format("sector/%.3i", int(index)); }

// Reads `count` i32 into `out` after checking that the bytes are there.
Result read_ints(Buffer *buf, int32_t count, std::vector<int32_t> *out) {
    if (buffer_remaining(buf) < int64_t(count) * 4) return RES_SHORT_BUFFER;
    out->assign(size_t(count), 0);
    for (int32_t &v : *out)
        if (Result r = buffer_read_i32(buf, &v); r != RES_OK) return r;
    return RES_OK;
}

Result load_sector_params(GameObject *tmpl) {
    const std::string dir = template_dir(tmpl->subtype);
    const std::string path = dir + "/dat/params.dat";
    Buffer *file = nullptr;
    Result r = store_read_file(path.c_str(), 1, &file);
    if (r == RES_OK) {
        r = sector_read_params(sector_detail::sector(tmpl), file);
        buffer_free(file);
    }
    if (r != RES_OK) {
        log_write(LOG_RES, LOG_ERROR, "Sector template %i - params \"%s\" failed with error %i", int(tmpl->subtype),
                  path.c_str(), int(r));
        return r;
    }
    return factory_load_frame_sizes(tmpl, (dir + "/png").c_str());
}

// Group 1 holds every frame; without the sizes of group 0 there is none.
void sector_template_frames(const GameObject *tmpl, int32_t group, std::vector<FactoryFrame> *out) {
    if (group != FACTORY_GROUP_FRAMES) return;
    for (int32_t frame = 0; frame < tmpl->frame_count; ++frame) out->push_back({frame, false});
}

}  // namespace

void sector_register_factory(Factory *factory) {
    factory->template_count = SECTOR_TEMPLATE_COUNT;
    factory->load_params = load_sector_params;
    factory->group_frames = sector_template_frames;
    factory->frame_dir = "sector/%.3i/png";
}

// ---- Tables ----

int32_t sector_star_kind(int32_t sector_template) {
    if (sector_template < 0 || sector_template >= SECTOR_TEMPLATE_COUNT) return STAR_KINDS[0];
    return STAR_KINDS[sector_template];
}

const char *sector_label_name(int32_t index) {
    if (index < 0 || index >= SECTOR_LABEL_COUNT) return nullptr;
    return LABEL_NAMES[index];
}

// ---- Parameters ----

Result sector_read_params(Sector *tmpl, Buffer *buf) {
    Result r = buffer_read_u32(buf, &tmpl->sector_flags);
    if (r == RES_OK) r = buffer_read_string(buf, &tmpl->name);
    int32_t count = 0;
    if (r == RES_OK) r = buffer_read_i32(buf, &count);
    if (r != RES_OK) return r;
    if (count < 0) return RES_MALFORMED;
    if (buffer_remaining(buf) < int64_t(count) * 12) return RES_SHORT_BUFFER;
    tmpl->choice_count = count;
    tmpl->choice_site.assign(size_t(count), 0);
    tmpl->choice_a.assign(size_t(count), 0);
    tmpl->choice_b.assign(size_t(count), 0);
    for (size_t i = 0; i < size_t(count) && r == RES_OK; ++i) {
        r = buffer_read_i32(buf, &tmpl->choice_site[i]);
        if (r == RES_OK) r = buffer_read_i32(buf, &tmpl->choice_a[i]);
        if (r == RES_OK) r = buffer_read_i32(buf, &tmpl->choice_b[i]);
    }
    if (r == RES_OK) r = buffer_read_i32(buf, &count);
    if (r != RES_OK) return r;
    if (count < 0) return RES_MALFORMED;
    if ((r = read_ints(buf, count, &tmpl->site_count_choices)) != RES_OK) return r;
    tmpl->site_count_choice_count = count;
    return RES_OK;
}
