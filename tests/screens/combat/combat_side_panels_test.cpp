// The combat screen's command bar over a real battle: the '1'..'4' keys switch one side panel at a
// time, the bar lights and lays out its buttons, the location panel tells where and why the battle
// is fought, and a load from the combat menu lets go of the tags and greys the bar.
#include "combat_panels_test_support.h"

#include "game/encounter.h"
#include "game/save.h"
#include "screens/title/game_menu.h"
#include "world/factory.h"
#include "world/sector.h"

namespace {

using combat_panels_test::PanelsBattle;
using combat_test::has;
using combat_test::screen;

constexpr int SETTLE_FRAMES = 12;   // the bar's 125 ms slide and the panels' 100 ms growth

TEST_F(PanelsBattle, TheBarKeysOpenOneSidePanelAtATime) {
    start_battle();
    // Entering shows the minimap with its button lit.
    EXPECT_TRUE(control_is_shown(side(COMBAT_SIDE_MINIMAP)));
    EXPECT_EQ(screen()->open_side_panel, COMBAT_ID_MINIMAP_BUTTON);

    const struct {
        int key, which, id;
    } steps[] = {{'3', COMBAT_SIDE_LIST, COMBAT_ID_LIST_BUTTON},
                 {'4', COMBAT_SIDE_LOCATION, COMBAT_ID_LOCATION_BUTTON},
                 {'1', COMBAT_SIDE_MENU, COMBAT_ID_MENU_BUTTON},
                 {'2', COMBAT_SIDE_MINIMAP, COMBAT_ID_MINIMAP_BUTTON}};
    for (const auto &step : steps) {
        SCOPED_TRACE(step.key);
        press(step.key);
        frames(SETTLE_FRAMES);
        for (int i = 0; i < COMBAT_COMMAND_BUTTONS; ++i) {
            EXPECT_EQ(control_is_shown(side(i)), i == step.which) << "panel " << i;
            EXPECT_EQ(frame_of(button(i)), i == step.which ? 1 : 0) << "button " << i;
        }
        EXPECT_EQ(screen()->open_side_panel, step.id);
        EXPECT_EQ(has(COMBAT_FLAG_MENU_OPEN), step.which == COMBAT_SIDE_MENU);
        Control *open = side(step.which);
        EXPECT_EQ(open->x, COMBAT_SIDE_PANEL_X);
        EXPECT_EQ(open->y + open->h, GFX_HEIGHT - COMBAT_SIDE_PANEL_BOTTOM_GAP) << "the panel stands on the bar";
        EXPECT_GT(live_children(open).size(), 0u) << "the panel was built";
    }
    // The open panel's key closes it and lights no button.
    press('2');
    frames(SETTLE_FRAMES);
    for (int i = 0; i < COMBAT_COMMAND_BUTTONS; ++i) {
        EXPECT_FALSE(control_is_shown(side(i))) << "panel " << i;
        EXPECT_EQ(frame_of(button(i)), 0) << "button " << i;
    }
    EXPECT_EQ(screen()->open_side_panel, 0);
    // The bar lines its buttons up from the bottom-left corner.
    Control *menu = button(COMBAT_SIDE_MENU), *minimap = button(COMBAT_SIDE_MINIMAP);
    Control *list = button(COMBAT_SIDE_LIST), *location = button(COMBAT_SIDE_LOCATION);
    EXPECT_EQ(menu->x, 4);
    EXPECT_EQ(minimap->x, menu->w + 10);
    EXPECT_EQ(list->x, minimap->x + minimap->w + 6);
    EXPECT_EQ(location->x, list->x + list->w + 6);
    for (Control *b : {menu, minimap, list, location}) EXPECT_EQ(b->y + b->h, GFX_HEIGHT - 4) << b->id;
}

TEST_F(PanelsBattle, TheLocationPanelNamesTheSectorOrDeepSpaceAndTheObjective) {
    start_battle();
    enc->name = "Skirmish at the Rim";
    enc->objective = "Destroy all enemies";
    press('4');
    Control *panel = side(COMBAT_SIDE_LOCATION);
    EXPECT_TRUE(shows(panel, "Skirmish at the Rim"));
    EXPECT_TRUE(shows(panel, "Location"));
    EXPECT_TRUE(shows(panel, "Deep space")) << "the battle has no sector";
    EXPECT_TRUE(shows(panel, "Objective"));
    EXPECT_TRUE(shows(panel, "Destroy all enemies"));
    EXPECT_TRUE(shows(panel, "Combat")) << "the title button";

    // A sector id names the sector; an id of another kind of object is deep space again.
    GameObject *sector = nullptr;
    for (GameObject *o : game->galaxy_map->objects.items)
        if (o && o->kind == OBJECT_SECTOR) {
            sector = o;
            break;
        }
    ASSERT_NE(sector, nullptr);
    enc->sector_id = sector->id;
    combat_location_panel_build(panel);
    EXPECT_TRUE(shows(panel, std::string(object_get_name(sector)) + " sector"));
    EXPECT_FALSE(shows(panel, "Deep space"));
    enc->sector_id = map()->objects.items[0]->id;   // a ship
    combat_location_panel_build(panel);
    EXPECT_TRUE(shows(panel, "Deep space"));
}

TEST_F(PanelsBattle, TheInfoBoxDropsTheLocationForTheBattleForSolAndGrowsWithTheObjective) {
    start_battle();
    press('4');   // shown, so that its title button follows its width
    frames(SETTLE_FRAMES);
    Control *panel = side(COMBAT_SIDE_LOCATION);
    // The info box is the last child: find it by its position below the marker.
    auto info_box = [&]() -> Control * {
        Control *last = nullptr;
        for (Control *c : live_children(panel))
            if (panel_of(c) && (!last || c->y > last->y)) last = c;
        return last;
    };
    auto label_y = [](Control *box, const char *text) {
        for (Control *c : panel_of(box)->children.items) {
            if (!c) break;
            if (TextLabel *t = text_label_of(c); t && t->text && std::string(t->text) == text) return c->y;
        }
        return -1;
    };

    enc->kind = ENCOUNTER_SOL;
    enc->objective = "Hold the line";
    combat_location_panel_build(panel);
    Control *box = info_box();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(label_y(box, "Location"), -1);
    EXPECT_EQ(label_y(box, "Objective"), 6) << "the objective moves up to the top";
    EXPECT_EQ(label_y(box, "Hold the line"), 26);

    enc->objective.clear();
    combat_location_panel_build(panel);
    box = info_box();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->w, 234);
    EXPECT_EQ(box->h, 4) << "an empty box";

    enc->kind = ENCOUNTER_ENGAGEMENT;
    enc->objective = std::string(60, 'W');
    combat_location_panel_build(panel);
    box = info_box();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(label_y(box, "Objective"), 46) << "below the location block";
    EXPECT_GT(box->w, 234) << "a long objective widens the box";
    EXPECT_GE(panel->w, box->x + box->w) << "and the panel with it";
    frames(SETTLE_FRAMES);
    Control *title = panel_find_child(panel, 100001);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->w, panel->w - 4) << "the title button spans the panel";
    // The marked galaxy map is centred.
    Control *marker = nullptr;
    for (Control *c : live_children(panel))
        if (c != title && c != box && panel_of(c)) marker = c;
    ASSERT_NE(marker, nullptr);
    EXPECT_LE(std::abs(marker->x + marker->w / 2 - panel->w / 2), 1);
}

TEST_F(PanelsBattle, ALoadFromTheMenuDropsTheTagsAndGreysTheBar) {
    start_battle();
    frames(3);
    ASSERT_GT(hash_table_count(screen()->ship_tags), 0) << "the ships have tags";
    GameObject *ship = map()->objects.items[0];
    const int refs = ship->refcount;
    press('1');
    combat_menu_load_prepared(side(COMBAT_SIDE_MENU));
    EXPECT_EQ(hash_table_count(screen()->ship_tags), 0);
    EXPECT_EQ(ship->refcount, refs - 2) << "its tag let go of the ship at once, and stopped following it";
    EXPECT_TRUE(has(COMBAT_FLAG_LOAD_PENDING | COMBAT_FLAG_MAP_HIDDEN | COMBAT_FLAG_ANIMATING));
    EXPECT_TRUE(map()->flags & MAP_BUSY);
    EXPECT_EQ(screen()->load_countdown_ms, COMBAT_LOAD_DELAY_MS);
    for (int i = 0; i < COMBAT_COMMAND_BUTTONS; ++i) EXPECT_TRUE(image_control_is_highlighted(button(i))) << i;
    // While the load waits, no tag comes back.
    combat_update_ship_tags();
    EXPECT_EQ(hash_table_count(screen()->ship_tags), 0);

    // A file that does not read: the menu shows the error and the screen stays.
    game_prepare_load(game, "no-such-file.sav");
    combat_run_pending_load();
    EXPECT_FALSE(game->flags & GAME_FLAG_LOAD_PENDING) << "the load was run";
    frame();
    EXPECT_EQ(app_mode_current_id(), APP_MODE_ENCOUNTER);
    EXPECT_EQ(screen()->acting, nullptr) << "nothing of the battle is held across the load";
    EXPECT_TRUE(shows(side(COMBAT_SIDE_MENU), "Error loading game"));
    // Its OK leaves the battle for the title.
    frames(SETTLE_FRAMES);
    Control *sub = panel_find_child(side(COMBAT_SIDE_MENU), GAME_MENU_SUBPANEL_ID);
    Control *ok = sub ? panel_find_child(sub, GAME_MENU_MESSAGE_OK_ID) : nullptr;
    ASSERT_NE(ok, nullptr);
    click(ok);
    frames(2);
    EXPECT_EQ(app_mode_current_id(), APP_MODE_TITLE);
}

}  // namespace

namespace {

TEST_F(PanelsBattle, TheMessageBoxSizesToItsTextAndIconAndKeepsItsOffset) {
    start_battle();
    Control *box = screen()->message_box;
    ASSERT_NE(box, nullptr);
    combat_show_message(5, -10, nullptr, "%i / %i", 3, 12);
    EXPECT_TRUE(control_is_shown(box));
    EXPECT_EQ(texts(box), std::vector<std::string>{"3 / 12"});
    Control *text = live_children(box)[0];
    EXPECT_EQ(text->x, 8);
    EXPECT_EQ(box->w, text->x + text->w + 8);
    EXPECT_EQ(box->h, 4 + text->h + 4);
    EXPECT_EQ(screen()->message_dx, 5);
    EXPECT_EQ(screen()->message_dy, -10);

    // With an icon the text moves right of it; both are centred in the box's height.
    Control *icon = image_control_create(27);
    combat_show_message(0, 20, icon, "%s", "Out of range");
    ASSERT_EQ(live_children(box).size(), 2u) << "the last message went";
    text = live_children(box)[1];
    EXPECT_EQ(icon->x, 8);
    EXPECT_EQ(text->x, icon->w + 14);
    EXPECT_LE(std::abs(icon->y + icon->h / 2 - box->h / 2), 1);
    EXPECT_LE(std::abs(text->y + text->h / 2 - box->h / 2), 1);
    EXPECT_EQ(combat_hide_message(), box);
    EXPECT_FALSE(control_is_shown(box));
}

}  // namespace

namespace {

struct Box {
    int x, y, w, h;
};
// Where a panel stands on the screen once it has grown in.
Box final_box(const Control *c) {
    Box b{};
    control_get_bounds(c, &b.x, &b.y, &b.w, &b.h);
    b.x = c->x;
    b.y = c->y;
    return b;
}
bool intersect(const Box &a, const Box &b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}
std::ostream &operator<<(std::ostream &os, const Box &b) {
    return os << "(" << b.x << ", " << b.y << ", " << b.w << " x " << b.h << ")";
}

TEST_F(PanelsBattle, TheUnitStatusPanelOfAShipInTheBottomLeftCornerKeepsClearOfTheTurnOrderStrip) {
    ui_side = true;
    start_battle();
    ASSERT_TRUE(run_until([&] {
        return screen()->acting && screen()->acting->owner_id == game->ui_player_id && !(map()->flags & MAP_BUSY) &&
               !has(COMBAT_FLAG_ANIMATING);
    }, 6000));
    // A rival ship in the right half of the field, near its bottom edge, in a view of the field's
    // bottom-left corner: its panel goes to its left, down where the side panels stand.
    ObjectMap *m = map();
    // The hulls' pictures, as the game has them in battle: the strip's cards are full size.
    struct Pictures {
        ~Pictures() {
            factory_release_all_groups(FACTORY_GROUP_FRAMES);
            (void)factory_resolve_load_groups();
        }
    } pictures;
    for (GameObject *obj : m->objects.items)
        if (obj && obj->kind == OBJECT_SHIP) factory_acquire_group(OBJECT_SHIP, obj->subtype, FACTORY_GROUP_FRAMES);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    GameObject *rival = fighting(side_b->id).at(0);
    ASSERT_TRUE(run_until([] { return screen()->scroll.target_x < 0; }));   // the view has reached its ship
    ui_test::mouse_at(m->screen_w / 2, m->screen_h / 2);                     // away from the scrolling edges
    map_set_view(m, 0, m->world_h - m->screen_h - 1);
    rival->x = m->world_w / 2 + 40;
    rival->y = m->world_h - 200;
    ASSERT_LT(rival->x + rival->w, m->screen_w) << "the rival is in view";

    auto click_at = [&](int x, int y) {
        ui_test::mouse_at(x, y);
        frame();
        ui_test::left_down();
        frame();
        ui_test::left_up();
    };
    auto click_rival = [&] {
        click_at(rival->x - m->view_x + rival->w / 2, rival->y - m->view_y + rival->h / 2);
        ASSERT_EQ(screen()->selected, rival);
    };
    // Frames of the panel's growth and the view's scroll towards it.
    auto stays_clear = [&](const char *when) {
        for (int i = 0; i < 2 * SETTLE_FRAMES; ++i) {
            Control *status = combat_find_unit_status();
            Control *strip = side(COMBAT_SIDE_LIST);
            ASSERT_TRUE(status && control_is_shown(strip));
            ASSERT_FALSE(intersect(final_box(status), final_box(strip)))
                << when << ", frame " << i << ": the panel " << final_box(status) << ", the strip " << final_box(strip);
            frame();
        }
    };

    press('2');   // the minimap goes: no side panel stands
    frames(SETTLE_FRAMES);
    click_rival();
    frames(SETTLE_FRAMES);
    press('3');
    stays_clear("the strip opened under the standing panel");

    // With the strip open, the selection dropped by a click on empty space and the rival clicked again.
    click_at(m->screen_w / 2, 40);
    ASSERT_EQ(screen()->selected, nullptr);
    click_rival();
    stays_clear("the panel opened over the open strip");
    driver.save_screen("overlaps/combat_unit_status_and_strip.png");   // for review
    Control *status = combat_find_unit_status();
    EXPECT_LE(status->x + status->w, rival->x - m->view_x) << "still beside its ship, on its left";
}

}  // namespace
