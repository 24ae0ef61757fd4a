#pragma once
// Site tests: parameter files laid out byte by byte (independently of the game's Buffer codec) and a
// fixture with the site factory set up without the store.
#include "ship_test_util.h"

#include <algorithm>
#include "platform/random.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace sitetest {

using shiptest::Ints;

struct AnimSpec {
    uint32_t             flags = 0;
    std::vector<int32_t> pairs;   // frame, ms ...
};

// One params.dat, field by field in file order. Every integer gets a distinct default so a
// field read into the wrong place shows.
struct ParamsFile {
    std::string name = "Test Body";
    uint32_t    flags = 0;
    std::vector<SiteVariant> variants;
    int64_t     variant_count_override = -1;
    int32_t     item4 = 404, build_days = 5, rush_low = 60, rush_high = 70, range_first = 2, range_count = 2,
                variant_value = 100, item11 = 111, construction_frame = 1, special_frame = 4, item14 = 141,
                idle_animation = 0, idle_choices = 1, resource_min = 170, resource_max = 180, divisor_min = 19,
                divisor_max = 20, crew_capacity = 2100, sensor_range = 220, base_intake = 230, place[4] = {240, 250, 260, 270},
                harvest_factor = 28, research_factor = 29, item30 = 300, speed = 310;
    int32_t     attributes[10] = {320, 330, 340, 350, 360, 370, 380, 390, 400, 410};
    int32_t     grid_generator = 2, grid_width = 43, grid_height = 44;
    uint8_t     colours[6] = {45, 46, 47, 48, 49, 50};
    std::vector<AnimSpec> animations = {{0, {0, 100, 1, 100}}};
    int64_t     animation_count_override = -1;
    int32_t     range_flag = 0;
    std::vector<int32_t> range_offsets;   // pairs, written when range_flag > 0
    std::vector<int32_t> hotspots;        // pairs
    int32_t     items54_57[4] = {540, 550, 560, 570};
    int32_t     defense_rush_low = 580, defense_rush_high = 590;

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out;
        put_str(&out, name);
        put_u32(&out, flags);
        put_i32(&out, variant_count_override != -1 ? variant_count_override : int64_t(variants.size()));
        for (const SiteVariant &v : variants)
            for (int32_t w : {v.idle_animation, v.variant_value, v.resource_min, v.resource_max}) put_i32(&out, w);
        for (int32_t w : {item4, build_days, rush_low, rush_high, range_first, range_count, variant_value, item11,
                          construction_frame, special_frame, item14, idle_animation, idle_choices, resource_min,
                          resource_max, divisor_min, divisor_max, crew_capacity, sensor_range, base_intake, place[0],
                          place[1], place[2], place[3], harvest_factor, research_factor, item30, speed})
            put_i32(&out, w);
        for (int32_t w : attributes) put_i32(&out, w);
        for (int32_t w : {grid_generator, grid_width, grid_height}) put_i32(&out, w);
        for (uint8_t c : colours) out.push_back(c);
        put_i32(&out, animation_count_override != -1 ? animation_count_override : int64_t(animations.size()));
        for (const AnimSpec &a : animations) {
            put_u32(&out, a.flags);
            put_u32(&out, uint32_t(a.pairs.size() / 2));
            for (int32_t w : a.pairs) put_i32(&out, w);
        }
        put_i32(&out, range_flag);
        if (range_flag > 0)
            for (int32_t w : range_offsets) put_i32(&out, w);
        put_i32(&out, int64_t(hotspots.size() / 2));
        for (int32_t w : hotspots) put_i32(&out, w);
        for (int32_t w : items54_57) put_i32(&out, w);
        put_i32(&out, defense_rush_low);
        put_i32(&out, defense_rush_high);
        return out;
    }
};

// The site factory with its load groups but without the features' extra data (no store).
inline void bare_site_factory(Factory *f) {
    site_register_factory(f);
    f->load_extra = nullptr;
    f->free_extra = nullptr;
}

// Site templates filled from hand-built parameter files; a game with a clock.
class SiteFixture : public ::testing::Test {
protected:
    void SetUp() override {
        factory_free();
        store_shutdown();
        factory_set_register(OBJECT_SITE, bare_site_factory);
        ASSERT_EQ(factory_init(), RES_OK);
        world_set_hooks(WorldHooks{});
        game = game_get();
        ASSERT_NE(game, nullptr);
        game->next_id = 5000;
        ASSERT_NE(game->clock, nullptr);
        game->clock->minutes = 0;
        random_seed(20240611u);
        // The game's generators as a cleared game leaves them (an unseeded one repeats one value).
        for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) rng_seed(game->generators[i], 100u + uint32_t(i));
    }
    void TearDown() override {
        for (auto it = made_.rbegin(); it != made_.rend(); ++it) object_destroy(*it);
        made_.clear();
        factory_free();
        factory_set_register(OBJECT_SITE, nullptr);
    }

    // Reads the file into template t; the template's parameters as the game sees them.
    Site *load(int32_t t, const ParamsFile &file) {
        Site *tmpl = site_template(t);
        EXPECT_NE(tmpl, nullptr);
        if (!tmpl) return nullptr;
        Buffer *buf = buffer_of(file.bytes());
        EXPECT_EQ(site_read_params(tmpl, buf), RES_OK);
        buffer_free(buf);
        return tmpl;
    }

    Site *make(int32_t t) {
        Site *site = site_create(t);
        EXPECT_NE(site, nullptr);
        return site;
    }
    // A site of the template that the tear-down destroys.
    Site *create(int32_t t) { return keep(site_create(t)); }
    Site *keep(Site *site) {
        EXPECT_NE(site, nullptr);
        if (site) made_.push_back(site);
        return site;
    }
    // Destroys a site created here before the test ends.
    void destroy(Site *site) {
        made_.erase(std::remove(made_.begin(), made_.end(), site), made_.end());
        object_destroy(site);
    }

    Officer *officer(uint64_t id, const char *name) {
        Officer *o = officer_create();
        o->id = id;
        o->name = name;
        return o;   // count 0: the first holder takes the first reference
    }

    Game *game = nullptr;

private:
    std::vector<Site *> made_;
    GameFieldsGuard game_fields_back_;   // the id counter and clock set below
    WorldHooksGuard hooks_back_;
};

}  // namespace sitetest
