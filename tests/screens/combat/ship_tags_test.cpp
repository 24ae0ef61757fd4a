// Ship tags over a real battle: every ship on the field gets a tag under it (the pilot's rank, the
// name in the owner's colour, an armour bar sized by the ship's maximum armour), the bar runs to
// the armour after a hit, and the tag goes when its ship dies or leaves, but not while it flashes.
#include "combat_panels_test_support.h"

#include "game/player.h"
#include "platform/colour_fade.h"
#include "ui/value_bar.h"
#include "world/ship.h"

namespace {

using combat_panels_test::PanelsBattle;
using combat_test::screen;

TEST(ShipTagBar, WidthFollowsTheMaximumArmourWithinItsBounds) {
    EXPECT_EQ(combat_tag_bar_width(80, 200), 40) << "half the maximum up to 100";
    EXPECT_EQ(combat_tag_bar_width(100, 200), 50);
    EXPECT_EQ(combat_tag_bar_width(140, 200), 60) << "then a quarter of the rest";
    EXPECT_EQ(combat_tag_bar_width(300, 200), 90) << "at most 90";
    EXPECT_EQ(combat_tag_bar_width(300, 64), 64) << "and no wider than the ship";
    EXPECT_EQ(combat_tag_bar_width(6, 200), 10) << "at least 10";
    EXPECT_EQ(combat_tag_bar_width(300, 4), 10) << "even under a tiny ship";
}

class ShipTags : public PanelsBattle {
protected:
    ShipTags() { extra_enemies = 2; }
    std::vector<Ship *> ships() {
        std::vector<Ship *> out;
        for (GameObject *obj : map()->objects.items) {
            if (!obj) break;
            if (Ship *ship = ship_of(obj); ship && ship->owner_id && !(ship->flags & (OBJ_DEAD | OBJ_LEFT_MAP)))
                out.push_back(ship);
        }
        return out;
    }
    static Control *bar_of(Control *tag) { return panel_find_child(tag, COMBAT_ID_TAG_BAR); }
};

TEST_F(ShipTags, EveryShipCarriesATagWithRankNameAndArmour) {
    start_battle(2);
    frames(2);
    const std::vector<Ship *> field = ships();
    ASSERT_FALSE(field.empty());
    EXPECT_EQ(hash_table_count(screen()->ship_tags), int(field.size()));
    for (Ship *ship : field) {
        SCOPED_TRACE(object_get_name(ship));
        Control *tag = tag_of(ship->id);
        ASSERT_NE(tag, nullptr);
        // The name in the owner's colour.
        Control *name = panel_find_child(tag, COMBAT_ID_TAG_NAME);
        if (ship->hull_flags & HULL_FLAG_NO_TAG_NAME) {
            EXPECT_EQ(name, nullptr);
        } else {
            ASSERT_NE(name, nullptr);
            EXPECT_STREQ(text_label_of(name)->text, object_get_name(ship));
            int32_t r = 0, g = 0, b = 0;
            game_get_player_colors(game, ship->owner_id, &r, &g, &b);
            const ColourFade *colour = text_label_colour(name);
            EXPECT_EQ(int(colour->r), r);
            EXPECT_EQ(int(colour->g), g);
            EXPECT_EQ(int(colour->b), b);
        }
        // The armour bar: its width from the maximum, the armour out of the maximum.
        Control *bar = bar_of(tag);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->w, combat_tag_bar_width(ship->max_armour, ship->w));
        EXPECT_EQ(bar->h, 3);
        EXPECT_EQ(value_bar_of(bar)->value, ship->armour);
        EXPECT_EQ(value_bar_of(bar)->max, std::max(ship->max_armour, 1));
        if (name) {
            EXPECT_EQ(bar->y, name->y + name->h + 2);
        }
        // A pilot's insignia stands left of the name.
        if (ship->pilot) {
            Control *first = panel_of(tag)->children.items[0];
            ASSERT_NE(image_of(first), nullptr);
            EXPECT_EQ(image_of(first)->image_type, officer_rank_icon(ship->pilot->rank));
            EXPECT_EQ(image_of(first)->frame, 1);
            if (name) {
                EXPECT_EQ(name->x, first->w + 4);
            }
        }
        // Under the ship, right-aligned with it, in the map's coordinates.
        EXPECT_TRUE(tag->flags & CTRL_ANCHORED);
        EXPECT_EQ(tag->abs_x + tag->w, ship->x + ship->w);
        EXPECT_EQ(tag->abs_y, ship->y + ship->h + 4);
    }
}

TEST_F(ShipTags, AHitRunsTheBarToTheNewArmour) {
    start_battle(2);
    frames(2);
    Ship *ship = ships().front();
    Control *bar = bar_of(tag_of(ship->id));
    ASSERT_NE(bar, nullptr);
    ASSERT_GT(ship->armour, 1);
    const int32_t before = ship->armour;
    ship->armour = before / 2;
    combat_update_ship_tags();
    EXPECT_TRUE(value_bar_is_running(bar));
    for (int i = 0; i < 60; ++i) control_update(bar, 20);
    EXPECT_EQ(value_bar_of(bar)->value, before / 2);
    ship->armour = before;
}

TEST_F(ShipTags, ATagGoesWithItsShipButNotWhileTheShipFlashes) {
    start_battle(2);
    frames(2);
    const std::vector<Ship *> field = ships();
    ASSERT_GE(field.size(), 3u);
    Ship *flashing = field[0], *dead = field[1], *gone = field[2];

    flashing->flags |= OBJ_FLASHING;
    combat_update_ship_tags();
    Control *kept = tag_of(flashing->id);
    ASSERT_NE(kept, nullptr) << "flashing is no reason to drop the tag";
    EXPECT_FALSE(kept->flags & (CTRL_FADING | CTRL_REMOVED));
    flashing->flags &= ~OBJ_FLASHING;

    Control *dead_tag = tag_of(dead->id), *gone_tag = tag_of(gone->id);
    ASSERT_NE(dead_tag, nullptr);
    ASSERT_NE(gone_tag, nullptr);
    control_addref(dead_tag);
    control_addref(gone_tag);
    Control *dead_bar = bar_of(dead_tag), *gone_bar = bar_of(gone_tag);
    Control *dead_name = panel_find_child(dead_tag, COMBAT_ID_TAG_NAME);
    ASSERT_NE(dead_bar, nullptr);
    ASSERT_NE(gone_bar, nullptr);
    ASSERT_GT(value_bar_of(dead_bar)->value, 0);
    const int refs_before = dead->refcount;
    dead->flags |= OBJ_DEAD;
    gone->flags |= OBJ_LEFT_MAP;
    combat_update_ship_tags();
    EXPECT_EQ(tag_of(dead->id), nullptr);
    EXPECT_EQ(tag_of(gone->id), nullptr);
    EXPECT_EQ(dead->refcount, refs_before - 1) << "the tag let go of its ship";
    for (Control *c : {dead_tag, gone_tag, dead_bar, gone_bar}) EXPECT_TRUE(c->flags & CTRL_FADING);
    if (dead_name) {
        EXPECT_TRUE(dead_name->flags & CTRL_FADING);
    }
    // The dead ship's bar runs down to nothing; the departed ship's keeps its armour.
    EXPECT_TRUE(value_bar_is_running(dead_bar));
    EXPECT_EQ(value_bar_of(dead_bar)->target, 0);
    EXPECT_FALSE(value_bar_is_running(gone_bar));
    // No new tag for them, and a second pass does not touch the fading ones again.
    combat_update_ship_tags();
    EXPECT_EQ(tag_of(dead->id), nullptr);
    EXPECT_EQ(dead->refcount, refs_before - 1);
    dead->flags &= ~OBJ_DEAD;
    gone->flags &= ~OBJ_LEFT_MAP;
    control_release(dead_tag);
    control_release(gone_tag);
}

TEST_F(ShipTags, TagsOfShipsSideBySideDoNotCoverEachOther) {
    start_battle(2);
    frames(2);
    std::vector<Ship *> field = ships();
    ASSERT_GE(field.size(), 3u);
    // Three ships almost on top of each other: each tag stays readable.
    for (size_t i = 1; i < 3; ++i) {
        field[i]->x = field[0]->x + int32_t(i) * 6;
        field[i]->y = field[0]->y + int32_t(i) * 3;
    }
    frames(2);
    map_set_view(map(), std::max(field[0]->x - 300, 0), std::max(field[0]->y - 300, 0));
    frame();
    driver.save_screen("overlaps/ship_tags_side_by_side.png");   // for review
    for (size_t i = 0; i < 3; ++i)
        for (size_t j = i + 1; j < 3; ++j) {
            const Control *a = tag_of(field[i]->id), *b = tag_of(field[j]->id);
            ASSERT_TRUE(a && b);
            EXPECT_FALSE(a->x < b->x + b->w && b->x < a->x + a->w && a->y < b->y + b->h && b->y < a->y + a->h)
                << object_get_name(field[i]) << " and " << object_get_name(field[j]);
        }
    // A tag still hangs under its own ship.
    const Control *first = tag_of(field[0]->id);
    EXPECT_EQ(first->y, field[0]->y + field[0]->h + 4);
}

}  // namespace
