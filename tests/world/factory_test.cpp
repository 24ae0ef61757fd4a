// Factories: set-up from the kinds' register functions, objects made from templates, and the
// reference-counted load groups with their resolve step.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>
#include "platform/draw_fixture.h"
#include "platform/store.h"
#include "platform/store_format.h"
#include "platform/store_write.h"
#include "support/fixture_store.h"
#include "test_support.h"
#include "world_test_kind.h"

using namespace world_test;

namespace {

// ---- Set-up and creation ----

using FactorySetUp = WorldFixture;

TEST_F(FactorySetUp, TemplatesOwnTheirArraysAndKnowTheirIndex) {
    Factory *f = factory_get(THING);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->kind, THING);
    ASSERT_EQ(f->template_count, THING_TEMPLATES);
    for (int32_t i = 0; i < THING_TEMPLATES; ++i) {
        GameObject *tmpl = factory_get_template(THING, i);
        ASSERT_NE(tmpl, nullptr);
        EXPECT_EQ(tmpl->subtype, i);
        EXPECT_EQ(tmpl->flags & (OBJ_OWNS_FRAMES | OBJ_OWNS_ANIMS), OBJ_OWNS_FRAMES | OBJ_OWNS_ANIMS);
    }
    EXPECT_EQ(factory_get_template(THING, THING_TEMPLATES), nullptr);
    EXPECT_EQ(factory_get_template(THING, -1), nullptr);
    EXPECT_EQ(factory_get(5), nullptr);
    EXPECT_EQ(g_calls.extra_loaded, 1) << "the kind's shared data loads once at set-up";
}

TEST_F(FactorySetUp, AnObjectCopiesItsTemplateButNotItsOwnership) {
    GameObject *tmpl = factory_get_template(THING, 2);
    GameObject *obj = factory_create_object(THING, 2);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->subtype, 2);
    EXPECT_EQ(obj->name, "Thing 2");
    EXPECT_EQ(thing(obj)->label, "label 2") << "the kind's copy_template ran";
    EXPECT_EQ(obj->flags & ~OBJ_TEMPLATE_BITS, 0u) << "ownership bits stay with the template";
    EXPECT_EQ(obj->flags & OBJ_TEMPLATE_BITS, OBJ_NO_MINIMAP_DOT | OBJ_NO_POINTER_HIT);
    EXPECT_EQ(std::tuple(obj->speed, obj->initiative_rate, obj->mass, obj->frame_count), std::tuple(500, 42, 300, 2));
    EXPECT_EQ(obj->frames, tmpl->frames);
    EXPECT_EQ(std::tuple(obj->frame, obj->w, obj->h), std::tuple(0, 10, 8)) << "frame 0 selected";
    EXPECT_EQ(std::pair(obj->id, obj->refcount), std::pair(uint64_t(0), 0));
    EXPECT_EQ(g_calls.names, (std::vector<std::string>{"init", "copy_template", "on_created"}));
    object_destroy(obj);
}

TEST_F(FactorySetUp, BadKindOrTemplateMakesNothing) {
    EXPECT_EQ(factory_create_object(THING, THING_TEMPLATES), nullptr);
    EXPECT_EQ(factory_create_object(THING, -1), nullptr);
    EXPECT_EQ(factory_create_object(7, 0), nullptr);
    EXPECT_EQ(factory_create_object(DART, 2), nullptr) << "the dart factory has two templates";
    EXPECT_EQ(g_calls.count("init"), 0);
}

Result failing_extra() { return RES_READ_FAILED; }
void failing_factory(Factory *f) {
    f->template_count = 1;
    f->load_extra = failing_extra;
}
void late_factory(Factory *f) { f->template_count = 4; }

TEST_F(FactorySetUp, AFailedExtraLoadLeavesTheLaterKindsEmpty) {
    factory_free();
    factory_set_register(OBJECT_SECTOR, failing_factory);
    factory_set_register(OBJECT_SITE, late_factory);
    EXPECT_EQ(factory_init(), RES_READ_FAILED);
    EXPECT_NE(factory_get_template(THING, 0), nullptr) << "the kinds before it are set up";
    EXPECT_NE(factory_get_template(OBJECT_SECTOR, 0), nullptr);
    EXPECT_EQ(factory_get_template(OBJECT_SITE, 0), nullptr);
    EXPECT_EQ(factory_init(), RES_OK) << "set up once, even after a failure";
    factory_free();
    factory_set_register(OBJECT_SECTOR, nullptr);
    factory_set_register(OBJECT_SITE, no_site_factory);
    ASSERT_EQ(factory_init(), RES_OK);
}

TEST_F(FactorySetUp, FreeDestroysTheTemplatesAndFreesTheSharedData) {
    factory_acquire_group(THING, 1, FACTORY_GROUP_FRAMES);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    factory_free();   // that it lets go of the frame sprites: FrameGroups below
    EXPECT_EQ(g_calls.extra_freed, 1);
    EXPECT_EQ(g_calls.freed, THING_TEMPLATES) << "every template destroyed";
    factory_free();   // never set up again: nothing happens
    EXPECT_EQ(g_calls.extra_freed, 1);
}

// What the title does on entry: a release and a resolve, which find nothing set up to act on.
TEST_F(FactorySetUp, AReleaseOrResolveBeforeSetUpSetsNothingUp) {
    factory_free();
    factory_release_all_groups(FACTORY_GROUP_FRAMES);
    EXPECT_EQ(factory_resolve_load_groups(), RES_OK);
    EXPECT_EQ(g_calls.extra_loaded, 1) << "no templates made again";
    factory_acquire_group_all(FACTORY_GROUP_FRAMES);
    EXPECT_EQ(g_calls.extra_loaded, 2) << "a request sets them up";
}

// ---- Load groups ----

class LoadGroups : public WorldFixture {
protected:
    const Factory *f() { return factory_get(THING); }
    int32_t loaded(int32_t t, int32_t group) { return f()->loaded[size_t(t)][size_t(group)]; }
    int32_t requested(int32_t t, int32_t group) { return f()->requested[size_t(t)][size_t(group)]; }
};

TEST_F(LoadGroups, NothingLoadsBeforeAResolveAndAReleaseAtZeroStaysAtZero) {
    factory_acquire_group(THING, 0, FACTORY_GROUP_PARAMS);
    EXPECT_EQ(requested(0, FACTORY_GROUP_PARAMS), 1);
    EXPECT_EQ(g_calls.loads[0][FACTORY_GROUP_PARAMS], 0);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    EXPECT_EQ(g_calls.loads[0][FACTORY_GROUP_PARAMS], 1);
    factory_release_detail_group(THING, 0);
    factory_release_all_groups(FACTORY_GROUP_FRAMES);
    EXPECT_EQ(requested(0, FACTORY_GROUP_DETAIL), 0);
    EXPECT_EQ(requested(2, FACTORY_GROUP_FRAMES), 0);
    factory_acquire_group(THING, 0, FACTORY_GROUP_DETAIL);
    EXPECT_EQ(requested(0, FACTORY_GROUP_DETAIL), 1);
}

TEST_F(LoadGroups, AllGroupRequestsReachEveryTemplateOfEveryFactory) {
    factory_acquire_group_all(FACTORY_GROUP_ENCOUNTER);
    factory_acquire_group_all(FACTORY_GROUP_ENCOUNTER);
    for (int32_t t = 0; t < THING_TEMPLATES; ++t) EXPECT_EQ(requested(t, FACTORY_GROUP_ENCOUNTER), 2) << t;
    EXPECT_EQ(factory_get(DART)->requested[1][FACTORY_GROUP_ENCOUNTER], 2);
    factory_release_all_groups(FACTORY_GROUP_ENCOUNTER);
    EXPECT_EQ(requested(2, FACTORY_GROUP_ENCOUNTER), 1);
    EXPECT_EQ(requested(2, FACTORY_GROUP_PARAMS), 0) << "other groups untouched";
}

TEST_F(LoadGroups, RequestsOutsideTheRangesAreIgnored) {
    factory_acquire_group(THING, THING_TEMPLATES, 0);
    factory_acquire_group(THING, 0, FACTORY_GROUP_COUNT);
    factory_acquire_group(THING, -1, 0);
    factory_acquire_group(9, 0, 0);
    factory_acquire_group_all(-1);
    for (int32_t t = 0; t < THING_TEMPLATES; ++t)
        for (int32_t g = 0; g < FACTORY_GROUP_COUNT; ++g) EXPECT_EQ(requested(t, g), 0);
}

TEST_F(LoadGroups, AFailedLoadEndsTheResolveAndIsRetriedNextTime) {
    factory_acquire_group(THING, 0, FACTORY_GROUP_PARAMS);
    factory_acquire_group(THING, 1, FACTORY_GROUP_PARAMS);
    factory_acquire_group(THING, 2, FACTORY_GROUP_PARAMS);
    g_calls.fail_load_template = 1;
    EXPECT_EQ(factory_resolve_load_groups(), RES_READ_FAILED);
    EXPECT_EQ(loaded(0, FACTORY_GROUP_PARAMS), 1);
    EXPECT_EQ(loaded(1, FACTORY_GROUP_PARAMS), 0) << "the failing group keeps its old count";
    EXPECT_EQ(g_calls.loads[2][FACTORY_GROUP_PARAMS], 0) << "later templates are not visited";

    g_calls.fail_load_template = -1;
    EXPECT_EQ(factory_resolve_load_groups(), RES_OK);
    EXPECT_EQ(g_calls.loads[0][FACTORY_GROUP_PARAMS], 1) << "a loaded group is not loaded again";
    EXPECT_EQ(g_calls.loads[1][FACTORY_GROUP_PARAMS], 1);
    EXPECT_EQ(g_calls.loads[2][FACTORY_GROUP_PARAMS], 1);
}

TEST_F(LoadGroups, RequestsFromManyThreadsAreAllCounted) {
    constexpr int THREADS = 4, EACH = 2000;
    std::atomic<bool> stop{false};
    std::thread resolver([&] {
        while (!stop.load()) (void)factory_resolve_load_groups();   // loads run while requests come in
    });
    std::vector<std::thread> workers;
    for (int i = 0; i < THREADS; ++i)
        workers.emplace_back([] {
            for (int n = 0; n < EACH; ++n) {
                factory_acquire_group(THING, 0, FACTORY_GROUP_DETAIL);
                factory_acquire_group_all(FACTORY_GROUP_FRAMES);
            }
        });
    for (std::thread &t : workers) t.join();
    stop = true;
    resolver.join();
    EXPECT_EQ(requested(0, FACTORY_GROUP_DETAIL), THREADS * EACH);
    EXPECT_EQ(requested(2, FACTORY_GROUP_FRAMES), THREADS * EACH);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    EXPECT_EQ(loaded(0, FACTORY_GROUP_DETAIL), THREADS * EACH);
    EXPECT_EQ(g_calls.loads[0][FACTORY_GROUP_DETAIL], 1);
}

// ---- Frame groups from the data store ----

class FrameGroups : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        std::vector<StoreWriteEntry> entries;
        auto add = [&](const char *asset, const std::vector<uint8_t> &body) {
            StoreWriteEntry e;
            e.key = store_asset_key(asset);
            e.body = body;
            entries.push_back(e);
        };
        add("thing/000/png/000.png", png_from_art({"###", "#.."}));
        add("thing/000/png/001.png", png_from_art({"#", "#", "#", "#"}));
        add("thing/000/png/003.png", png_from_art({"#"}));   // after a gap: not a frame
        add("thing/001/png/000.png", png_from_art({"##"}));
        add("thing/001/png/001.png", png_encode(2, 2, std::vector<uint8_t>(4, 9), 1, PNG_COLOR_TYPE_GRAY));
        std::filesystem::create_directories(test_output_dir());
        path = test_output_dir() + "/frame_groups_" + std::to_string(getpid()) + ".dat";
        std::string error;
        ASSERT_EQ(store_write(path.c_str(), STORE_BUILD_ID, entries, &error), RES_OK) << error;
        store_shutdown();
        store_set_path(path.c_str());
        ASSERT_EQ(store_open(), RES_OK);
        tmpl = object_create_blank(THING);
        tmpl->flags |= OBJ_OWNS_FRAMES;
        g_calls.sizes_from_store = true;
    }
    // The factory's own template t, its parameters and the given groups requested and resolved.
    GameObject *factory_template(int32_t t, std::initializer_list<int32_t> groups) {
        factory_acquire_group(THING, t, FACTORY_GROUP_PARAMS);
        for (int32_t g : groups) factory_acquire_group(THING, t, g);
        EXPECT_EQ(factory_resolve_load_groups(), RES_OK);
        return factory_get_template(THING, t);
    }
    void TearDown() override {
        for (int32_t g = FACTORY_GROUP_FRAMES; g < FACTORY_GROUP_COUNT; ++g) (void)factory_unload_group(tmpl, g);
        object_destroy(tmpl);
        store_shutdown();
        std::remove(path.c_str());
        WorldFixture::TearDown();
    }
    std::string path;
    GameObject *tmpl = nullptr;
};

TEST_F(FrameGroups, SizesUpToTheFirstMissingOrUnreadableFrameAndAnEmptySpriteArray) {
    ASSERT_EQ(factory_load_frame_sizes(tmpl, "thing/000/png"), RES_OK);
    ASSERT_EQ(tmpl->frame_count, 2);
    EXPECT_EQ(std::tuple(tmpl->frame_w[0], tmpl->frame_h[0], tmpl->frame_w[1], tmpl->frame_h[1]), std::tuple(3, 2, 1, 4));
    ASSERT_NE(tmpl->frames, nullptr);
    EXPECT_EQ(tmpl->frames[0], nullptr);
    EXPECT_EQ(tmpl->frames[1], nullptr);
    EXPECT_EQ(factory_load_frame_sizes(tmpl, "thing/001/png"), RES_OK) << "sizes stop at the unreadable frame";
    EXPECT_EQ(tmpl->frame_count, 1);
}

TEST_F(FrameGroups, SpritesTakeOneReferenceEachAndUnloadingDropsThem) {
    g_calls.group_frames[FACTORY_GROUP_FRAMES] = {0, 1};
    ASSERT_EQ(factory_load_group(tmpl, FACTORY_GROUP_PARAMS), RES_OK);
    ASSERT_EQ(factory_load_group(tmpl, FACTORY_GROUP_FRAMES), RES_OK);
    ASSERT_NE(tmpl->frames[1], nullptr);
    EXPECT_EQ(tmpl->frames[1]->height, 4);
    EXPECT_EQ(tmpl->frames[1]->refcount, 1);
    GameObject *obj = object_create_blank(THING);
    obj->frames = tmpl->frames;   // shared as the factory shares them
    obj->frame_count = tmpl->frame_count;
    obj->frame_w = tmpl->frame_w;
    obj->frame_h = tmpl->frame_h;
    object_reset_frame(obj);
    EXPECT_EQ(object_shape(obj), tmpl->frames[0]);
    object_destroy(obj);
    ASSERT_EQ(factory_unload_group(tmpl, FACTORY_GROUP_FRAMES), RES_OK);
    EXPECT_EQ(tmpl->frames[0], nullptr);
    EXPECT_EQ(tmpl->frames[1], nullptr);
    EXPECT_EQ(factory_unload_group(tmpl, FACTORY_GROUP_FRAMES), RES_OK) << "a group holding nothing";
}

TEST_F(FrameGroups, AFrameSharedByTwoGroupsStaysUntilTheLastOfThemUnloads) {
    g_calls.group_frames[FACTORY_GROUP_FRAMES] = {0, 1};
    g_calls.group_frames[FACTORY_GROUP_DETAIL] = {1};
    ASSERT_EQ(factory_load_group(tmpl, FACTORY_GROUP_PARAMS), RES_OK);
    ASSERT_EQ(factory_load_group(tmpl, FACTORY_GROUP_FRAMES), RES_OK);
    Sprite *shared = tmpl->frames[1];
    ASSERT_EQ(factory_load_group(tmpl, FACTORY_GROUP_DETAIL), RES_OK);
    EXPECT_EQ(tmpl->frames[1], shared) << "a held frame is not loaded twice";
    EXPECT_EQ(shared->refcount, 1) << "one sprite reference, two holds";
    EXPECT_EQ(tmpl->frame_holds->count[1], 2);
    ASSERT_EQ(factory_unload_group(tmpl, FACTORY_GROUP_FRAMES), RES_OK);
    EXPECT_EQ(tmpl->frames[0], nullptr);
    EXPECT_EQ(tmpl->frames[1], shared) << "the detail group still holds it";
    ASSERT_EQ(factory_load_group(tmpl, FACTORY_GROUP_DETAIL), RES_OK);
    EXPECT_EQ(tmpl->frame_holds->count[1], 1) << "a group loaded again holds its frames once";
    ASSERT_EQ(factory_unload_group(tmpl, FACTORY_GROUP_DETAIL), RES_OK);
    EXPECT_EQ(tmpl->frames[1], nullptr);
}

TEST_F(FrameGroups, AGroupThatFailsGivesBackWhatItTookAndSaysWhichFrame) {
    const std::string dir = fresh_test_dir("frame_groups");
    g_calls.group_frames[FACTORY_GROUP_ENCOUNTER] = {0, 1, 2};   // frame 2 is past the gap
    g_calls.group_frames[FACTORY_GROUP_DETAIL] = {1};
    ASSERT_EQ(factory_load_group(tmpl, FACTORY_GROUP_PARAMS), RES_OK);
    ASSERT_EQ(factory_load_group(tmpl, FACTORY_GROUP_DETAIL), RES_OK);
    Sprite *kept = tmpl->frames[1];
    {
        LogFileCatcher log(dir);
        EXPECT_EQ(factory_load_group(tmpl, FACTORY_GROUP_ENCOUNTER), RES_READ_FAILED);
        EXPECT_NE(log.text().find("Thing 0 \"Unknown\" - failed to load frame 2 of group 2"), std::string::npos) << log.text();
    }
    EXPECT_EQ(tmpl->frames[0], nullptr) << "taken by the failed group: given back";
    EXPECT_EQ(tmpl->frames[1], kept) << "the other group's hold stays";
    EXPECT_EQ(tmpl->frame_holds->count[1], 1);
    EXPECT_TRUE(tmpl->frame_holds->taken[FACTORY_GROUP_ENCOUNTER].empty());
    EXPECT_EQ(factory_load_group(tmpl, 4), RES_OUT_OF_RANGE);
}

TEST_F(FrameGroups, TwoRequestsAndOneReleaseKeepTheSpritesUntilTheLastRelease) {
    g_calls.group_frames[FACTORY_GROUP_DETAIL] = {1};
    factory_acquire_group(THING, 0, FACTORY_GROUP_DETAIL);
    GameObject *t0 = factory_template(0, {FACTORY_GROUP_DETAIL});
    const Factory *f = factory_get(THING);
    EXPECT_EQ(f->loaded[0][FACTORY_GROUP_DETAIL], 2) << "the count, not just 1";
    EXPECT_EQ(g_calls.loads[0][FACTORY_GROUP_DETAIL], 1);
    Sprite *sprite = t0->frames[1];
    ASSERT_NE(sprite, nullptr);

    factory_release_detail_group(THING, 0);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    EXPECT_EQ(f->loaded[0][FACTORY_GROUP_DETAIL], 1);
    EXPECT_EQ(t0->frames[1], sprite) << "2 -> 1 neither unloads";
    EXPECT_EQ(g_calls.loads[0][FACTORY_GROUP_DETAIL], 1) << "nor loads";

    factory_release_detail_group(THING, 0);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    EXPECT_EQ(f->loaded[0][FACTORY_GROUP_DETAIL], 0);
    EXPECT_EQ(t0->frames[1], nullptr);
}

TEST_F(FrameGroups, FreeLetsGoOfEveryLoadedSprite) {
    g_calls.group_frames[FACTORY_GROUP_FRAMES] = {0, 1};
    GameObject *t0 = factory_template(0, {FACTORY_GROUP_FRAMES});
    Sprite *sprite = t0->frames[0];
    ASSERT_NE(sprite, nullptr);
    sprite_addref(sprite);   // the test's own, to see the factory's go
    ASSERT_EQ(sprite->refcount, 2);
    factory_free();
    EXPECT_EQ(sprite->refcount, 1);
    sprite_release(sprite);
}

TEST_F(FrameGroups, LoadingSizesAgainReplacesTheArrays) {
    g_calls.group_frames[FACTORY_GROUP_FRAMES] = {0, 1};
    ASSERT_EQ(factory_load_frame_sizes(tmpl, "thing/000/png"), RES_OK);
    ASSERT_EQ(factory_load_group(tmpl, FACTORY_GROUP_FRAMES), RES_OK);
    ASSERT_EQ(factory_load_frame_sizes(tmpl, "thing/001/png"), RES_OK);
    EXPECT_EQ(tmpl->frame_count, 1);
    EXPECT_EQ(tmpl->frame_w[0], 2);
    EXPECT_EQ(tmpl->frames[0], nullptr) << "the old frame sprites went with the old arrays";
    EXPECT_EQ(tmpl->frame_holds, nullptr) << "and their holds";
    EXPECT_EQ(factory_unload_group(tmpl, FACTORY_GROUP_FRAMES), RES_OK);
    ASSERT_EQ(factory_load_frame_sizes(tmpl, "thing/404/png"), RES_OK);
    EXPECT_EQ(tmpl->frame_count, 0);
    EXPECT_EQ(tmpl->frames, nullptr);
}

}  // namespace
