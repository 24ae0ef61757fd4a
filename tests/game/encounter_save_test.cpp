// A battle survives a save: the encounter in the middle of a saved game is read back, linked to the
// very objects the loaded game holds (the battle-time ARK ship included), becomes current again and
// saves to the same bytes.
#include "save_fixture.h"

#include "game/encounter.h"
#include "game/encounter_setup.h"
#include "platform/files.h"

using namespace savetest;

namespace {

class EncounterSave : public SaveWorld {
protected:
    void SetUp() override {
        SaveWorld::SetUp();
        ai_install_player_hooks();   // the rival's AI states save through them; other tests empty them
        folder = fresh_test_dir("encounter_save");
    }
    std::vector<uint8_t> save_bytes(const char *name) {
        EXPECT_EQ(game_save(game, path(name).c_str(), "Battle", 0, nullptr), RES_OK);
        return without_time(read_whole(path(name)));
    }
    Ship *ship_named(const char *name) {
        for (Player *p : game->players->items)
            for (GameObject *obj : p->objects.items)
                if (Ship *s = ship_of(obj); s && s->ship_name == name) return s;
        return nullptr;
    }
};

TEST_F(EncounterSave, ABattleInProgressIsSavedLoadedAndLinkedToTheLoadedShips) {
    build_state(false);
    Ship *wayfarer = ship_named("Wayfarer"), *grim = ship_named("Grim");
    ASSERT_NE(wayfarer, nullptr);
    ASSERT_NE(grim, nullptr);
    Encounter *enc = encounter_create();
    enc->field_w = 1365;
    enc->field_h = 1024;
    enc->centre_x = 900;
    enc->centre_y = 600;
    enc->name = "Enemy Engagement 1";
    encounter_seed_random(enc, 77);
    encounter_add_ark_defenders(enc, {wayfarer, grim}, 2, SYSTEM_TYPE_MISSILE, SYSTEM_TYPE_MISSILE);
    encounter_register_temp_objects(enc);
    encounter_layout(enc);
    ASSERT_EQ(game_add_encounter(game, enc), RES_OK);
    game_set_current_encounter(game, enc);
    Encounter *done = encounter_create();   // a second, finished battle in the list
    done->flags |= ENCOUNTER_FLAG_FINISHED;
    ASSERT_EQ(game_add_encounter(game, done), RES_OK);
    const uint64_t id = enc->id;
    const std::map<uint64_t, EncounterPlacement> placements = enc->placements;

    // Met in deep space: both fleets are hidden while the battle lasts, as the link after a load does.
    for (Ship *s : {wayfarer, grim}) {
        Fleet *f = fleet_of(game_find_object_of_kind(game, OBJECT_FLEET, s->fleet_id));
        ASSERT_NE(f, nullptr);
        f->fleet_flags |= FLEET_HIDDEN;
        f->flags |= OBJ_TEMPLATE_200;
    }
    save_bytes("battle.sav");
    const std::vector<uint8_t> first = save_bytes("battle2.sav");   // the save counter as a reload has it
    ASSERT_EQ(game_load_file(game, path("battle.sav").c_str(), 0), RES_OK);
    ASSERT_EQ(list_count(game->encounters), 2);
    Encounter *loaded = game->current_encounter;
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->id, id);
    EXPECT_EQ(loaded, game_find_encounter(game, id)) << "the current battle is the listed one";
    EXPECT_EQ(loaded->refcount, 2);
    EXPECT_EQ(loaded->kind, ENCOUNTER_ARK);
    EXPECT_EQ(loaded->name, "Enemy Engagement 1");
    ASSERT_EQ(list_count(loaded->objects), 4);
    for (GameObject *obj : loaded->objects->items) {
        EXPECT_FALSE(obj->flags & OBJ_STUB);
        EXPECT_EQ(game_find_object(game, obj->id), obj) << "linked to the game's own object #" << obj->id;
    }
    EXPECT_EQ(list_get(loaded->objects, 0), ship_named("Wayfarer"));
    EXPECT_EQ(loaded->placements.size(), placements.size());
    for (const auto &[obj_id, p] : placements) {
        int32_t x = 0, y = 0, heading = 0;
        ASSERT_EQ(encounter_get_placement(loaded, &x, obj_id, &y, &heading), RES_OK);
        EXPECT_EQ(x, p.x);
        EXPECT_EQ(y, p.y);
        EXPECT_EQ(heading, p.heading);
    }
    EXPECT_EQ(encounter_side_count(loaded), 3);
    Fleet *fleet = fleet_of(game_find_object_of_kind(game, OBJECT_FLEET, ship_named("Grim")->fleet_id));
    ASSERT_NE(fleet, nullptr);
    EXPECT_TRUE(fleet->fleet_flags & FLEET_HIDDEN) << "a fleet in battle stays hidden";
    EXPECT_EQ(save_bytes("again.sav"), first);
}

TEST_F(EncounterSave, ABattleWhoseShipIsGoneFailsTheLoad) {
    build_state(false);
    Encounter *enc = encounter_create();
    Ship *lost = ship_of(factory_create_object(OBJECT_SHIP, 2));   // held by the battle alone
    object_assign_id(lost);
    encounter_add_object(enc, lost);
    ASSERT_EQ(game_add_encounter(game, enc), RES_OK);
    save_bytes("gone.sav");
    EXPECT_EQ(game_load_file(game, path("gone.sav").c_str(), 0), RES_UNRESOLVED_ID);
    EXPECT_EQ(list_count(game->encounters), 0) << "a failed load leaves a cleared game";
    EXPECT_EQ(game->current_encounter, nullptr);
}

}  // namespace
