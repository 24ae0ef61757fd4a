// The combat view around a real battle: the cursor of each edge zone (and over controls), the free
// scroll by the edges and the arrow keys while the player's ship waits, and the minimap's jump.
#include "combat_test_support.h"

#include <vector>

#include "effects/starfield.h"
#include "platform/geometry.h"
#include "platform/graphics.h"
#include "ui/control_minimap.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/ship.h"

namespace {

using combat_test::CombatGame;
using combat_test::has;
using combat_test::screen;

class CombatView : public CombatGame {
protected:
    CombatView() { ui_side = true; }
    // Frames until the UI player's ship waits for orders with the map at rest.
    bool run_until_players_turn() {
        return run_until([&] {
            return screen()->acting && screen()->acting->owner_id == game->ui_player_id && !(map()->flags & MAP_BUSY) &&
                   !has(COMBAT_FLAG_AUTO_ACT);
        }, 4000);
    }
    Control *minimap_control() {
        Panel *p = panel_of(screen()->side_panels[COMBAT_SIDE_MINIMAP]);
        for (Control *c : p->children.items) {
            if (!c) break;
            if (c->type == CONTROL_MINIMAP) return c;
        }
        return nullptr;
    }
};

TEST_F(CombatView, EachEdgeZoneAsksForItsScrollCursorButNotOverAControl) {
    start_battle();
    const int w = ui_screen_width(), h = ui_screen_height();
    EXPECT_EQ(combat_cursor_for_pointer(5, 5), 6);
    EXPECT_EQ(combat_cursor_for_pointer(5, 400), 7);
    EXPECT_EQ(combat_cursor_for_pointer(w - 5, 5), 4);
    EXPECT_EQ(combat_cursor_for_pointer(w - 5, 400), 3);
    EXPECT_EQ(combat_cursor_for_pointer(w - 5, h - 5), 10);
    EXPECT_EQ(combat_cursor_for_pointer(500, 5), 5);
    EXPECT_EQ(combat_cursor_for_pointer(500, h - 5), 9);
    EXPECT_EQ(combat_cursor_for_pointer(500, 400), 0);
    EXPECT_EQ(combat_cursor_for_pointer(13, 400), 7) << "14 pixels wide";
    EXPECT_EQ(combat_cursor_for_pointer(14, 400), 0);
    // The menu button sits in the bottom-left corner: over it the arrow.
    Control *button = find(COMBAT_ID_MENU_BUTTON);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(combat_cursor_for_pointer(button->x + 2, h - 6), 0);
    EXPECT_EQ(combat_cursor_for_pointer(1, h - 2), 8) << "left of the button the corner scrolls";

    ui_test::mouse_at(5, 5);
    frame();
    EXPECT_EQ(game->cursor_index, 6);
}

TEST_F(CombatView, TheArrowsAndTheEdgesScrollWhileThePlayersShipWaits) {
    start_battle();
    ASSERT_TRUE(run_until_players_turn());
    frames(60);   // the centring on the ship has ended
    ObjectMap *m = map();
    map_set_view(m, 100, 100);
    ui_test::mouse_at(500, 400);
    frame();
    ASSERT_EQ(m->view_x, 100);
    ui_test::key_down(275);   // Right
    frames(5);
    ui_test::key_up(275);
    EXPECT_EQ(m->view_x, 200) << "a pixel a millisecond";
    EXPECT_EQ(m->view_y, 100);
    frame();
    ui_test::mouse_at(3, 300);   // the left edge
    frames(4);
    EXPECT_EQ(m->view_x, 120);
    EXPECT_EQ(m->view_y, 100);
    ui_test::mouse_at(500, 400);
    frame();
    const int stopped = m->view_x;
    frames(3);
    EXPECT_EQ(m->view_x, stopped) << "the scroll stops with the pointer";
    // At the world's edge the view stays put.
    map_set_view(m, 0, 0);
    ui_test::key_down(276);   // Left
    frames(3);
    ui_test::key_up(276);
    EXPECT_EQ(m->view_x, 0);
}

TEST_F(CombatView, TheMinimapJumpsTheViewOnThePressAndTheStarsJumpWithIt) {
    start_battle();
    frame();
    Control *mini = minimap_control();
    ASSERT_NE(mini, nullptr);
    ObjectMap *m = map();
    int mx = 0, my = 0;
    control_get_screen_position(mini, &mx, &my);
    // The top-left corner of the minimap: the view goes to the world's top-left corner.
    map_set_view(m, 500, 500);
    ui_test::mouse_at(mx + 1, my + 1);
    frame();
    ui_test::left_down();
    frame();
    ui_test::left_up();
    EXPECT_EQ(m->view_x, 0);
    EXPECT_EQ(m->view_y, 0);
    frame();
    // Again on the same point: the view stays, the stars get no jump.
    game->star_layer->pending_dx = game->star_layer->pending_dy = 0;
    combat_minimap_on_click(mini);
    EXPECT_EQ(m->view_x, 0);
    EXPECT_EQ(game->star_layer->pending_dx, 0);
    EXPECT_EQ(game->star_layer->pending_dy, 0);
    driver.save_screen("combat_view_battle.png");
}

TEST_F(CombatView, TheFirstFrameLoadsTheBattlesOwnBackgroundAndFreesTheOthers) {
    game->backdrop = 2;   // the galaxy's own backdrop must not be what the battle shows
    start_battle();
    const int32_t slot = game->combat_background;
    ASSERT_EQ(slot, 36 + enc->backdrop);
    frame();
    Graphics *g = driver.graphics;
    EXPECT_NE(g->bg_slots[slot], nullptr) << "the battle's background";
    EXPECT_EQ(g->bg_slots[4 + game->backdrop], nullptr) << "not the star map's";
    int loaded = 0;
    for (Sprite *bg : g->bg_slots) loaded += bg != nullptr;
    EXPECT_EQ(loaded, 1);
}

TEST_F(CombatView, TheTurnPreviewDrawsTheMoveArcTowardsThePointer) {
    start_battle();
    ASSERT_TRUE(run_until_players_turn());
    frames(60);   // the view has come to rest on the ship
    Ship *ship = static_cast<Ship *>(screen()->acting);
    ObjectMap *m = map();
    const int cx = ship->x + ship->w / 2 - m->view_x, cy = ship->y + ship->h / 2 - m->view_y;
    // The pointer straight below the ship: the arc's lines run down-left and down-right of it.
    ui_test::mouse_at(cx, std::min(cy + 200, ui_screen_height() - 20));
    frame();
    int dx = 0, dy = 0;
    const int heading = angle_of_vector(0, 200);
    rotate_point(angle_normalize(heading + ship->move_arc / 2), 120, &dx, &dy);
    // The line's pixel lies within a pixel or two of the exact point on it.
    auto line_lit = [&] {
        for (int x = cx + dx - 2; x <= cx + dx + 2; ++x)
            if (driver.pixel(x, cy + dy).g > 150) return true;
        return false;
    };
    ASSERT_FALSE(line_lit()) << "nothing bright there before";
    combat_set_command_mode(COMMAND_TURN);
    combat_reset_highlight_colours();
    frame();
    EXPECT_TRUE(line_lit()) << "the arc's line crosses (" << cx + dx << ", " << cy + dy << ")";
    driver.save_screen("combat_turn_preview.png");
    combat_set_command_mode(COMMAND_NONE);
    frame();
    EXPECT_FALSE(line_lit()) << "no preview without a command";
}

// A jump drive's order shows the ship, half-transparent, where the jump would put it: centred on
// the pointer within the drive's range, and nothing beyond it.
TEST_F(CombatView, AJumpDrivesOrderShowsTheShipWhereItWouldStand) {
    start_battle();
    ASSERT_TRUE(run_until_players_turn());
    frames(60);
    Ship *ship = static_cast<Ship *>(screen()->acting);
    factory_acquire_group(OBJECT_SHIP, ship->subtype, FACTORY_GROUP_FRAMES);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    ASSERT_TRUE(ship->frames && ship->frame >= 0 && ship->frames[ship->frame]) << "the hull's pictures";
    int32_t crit = -1;
    for (int32_t i = 0; i < ship->crit_count && crit < 0; ++i)
        if (ship->crits[i].mount_type == MOUNT_SYSTEM) crit = i;
    ASSERT_GE(crit, 0);
    ASSERT_EQ(ship_set_crit_system(ship, crit, nullptr), RES_OK);
    System *drive = system_create(SYSTEM_TYPE_JUMP_DRIVE);
    ASSERT_NE(drive, nullptr);
    ASSERT_EQ(ship_set_crit_system(ship, crit, drive), RES_OK);
    ASSERT_TRUE(drive->flags & SYSTEM_FLAG_POINT_TARGET);
    ObjectMap *m = map();
    // A free spot beside the ship within reach, on the screen.
    const int cx = ship->x + ship->w / 2 - m->view_x, cy = ship->y + ship->h / 2 - m->view_y;
    int px = -1, py = cy;
    for (int d = ship->w + 4; d <= drive->range && px < 0; d += 8)
        for (int x : {cx + d, cx - d})
            if (px < 0 && x - ship->w / 2 > 0 && x + ship->w / 2 < ui_screen_width() &&
                !game_control_at_point(game, x, cy) &&
                system_jump_check(drive, ship, x + m->view_x, cy + m->view_y) == RES_OK)
                px = x;
    ASSERT_GE(px, 0) << "no free spot within " << drive->range;
    // The pixels of the ship's rectangle centred on the pointer, left of and above the pointer
    // (where the cursor's picture is not).
    auto box = [&](int x, int y) {
        std::vector<int> out;
        for (int yy = y - ship->h / 2; yy < y - 1; ++yy)
            for (int xx = x - ship->w / 2; xx < x - 1; ++xx) {
                const auto c = driver.pixel(xx, yy);
                out.push_back(c.r + c.g + c.b);
            }
        return out;
    };
    ui_test::mouse_at(px, py);
    frame();
    const std::vector<int> bare = box(px, py);
    screen()->selected_crit = crit;
    combat_set_command_mode(COMMAND_SYSTEM);
    frame();
    EXPECT_NE(box(px, py), bare) << "the ship's ghost stands at (" << px << ", " << py << ")";
    driver.save_screen("combat_jump_preview.png");

    // Beyond the drive's range nothing is drawn.
    const int far_x = cx + drive->range + ship->w;
    if (far_x + ship->w / 2 < ui_screen_width()) {
        combat_set_command_mode(COMMAND_NONE);
        ui_test::mouse_at(far_x, py);
        frame();
        const std::vector<int> far_bare = box(far_x, py);
        combat_set_command_mode(COMMAND_SYSTEM);
        frame();
        EXPECT_EQ(box(far_x, py), far_bare) << "out of range: no ghost";
    }
    combat_set_command_mode(COMMAND_NONE);
    screen()->selected_crit = -1;
}

TEST_F(CombatView, SpaceReselectsTheWaitingShipAndEscapeClosesTheSidePanel) {
    start_battle();
    ASSERT_TRUE(run_until_players_turn());
    GameObject *mine = screen()->acting;
    combat_select_object(nullptr);
    ui_test::mouse_at(500, 400);
    ui_test::key_down(' ');
    frame();
    // Until its object panels arrive with the orders, a selection lasts the frame it is made in.
    EXPECT_EQ(screen()->selected, mine);
    ui_test::key_up(' ');
    frame();

    ASSERT_EQ(screen()->open_side_panel, COMBAT_ID_MINIMAP_BUTTON);
    // The unit status panel's close box takes Escape first; the side panel stays meanwhile.
    ASSERT_NE(combat_find_unit_status(), nullptr);
    press(27);
    EXPECT_EQ(combat_find_unit_status(), nullptr);
    EXPECT_EQ(screen()->open_side_panel, COMBAT_ID_MINIMAP_BUTTON);
    press(27);
    EXPECT_EQ(screen()->open_side_panel, 0);
    EXPECT_TRUE(screen()->side_panels[COMBAT_SIDE_MINIMAP]->flags & CTRL_HIDDEN);
}

TEST_F(CombatView, TheShipUnderThePointerIsHoveredAndAClickSelectsIt) {
    start_battle();
    ASSERT_TRUE(run_until_players_turn());
    frames(60);
    GameObject *mine = screen()->acting;
    ObjectMap *m = map();
    const int sx = mine->x + mine->w / 2 - m->view_x, sy = mine->y + mine->h / 2 - m->view_y;
    ui_test::mouse_at(sx, sy);
    frame();
    EXPECT_EQ(screen()->hovered, mine);
    EXPECT_TRUE(mine->flags & OBJ_OUTLINE);
    combat_select_object(nullptr);
    ui_test::left_down();
    frame();
    EXPECT_EQ(screen()->selected, mine);
    ui_test::left_up();
    frame();
    // Empty space far from every ship: nothing hovered, the outline gone.
    int ex = -1, ey = -1;
    for (int y = 40; y < 700 && ex < 0; y += 37)
        for (int x = 40; x < 1000 && ex < 0; x += 37) {
            bool clear = true;
            for (GameObject *obj : m->objects.items) {
                if (!obj) break;
                const int ox = obj->x - m->view_x, oy = obj->y - m->view_y;
                if (x > ox - 20 && x < ox + obj->w + 20 && y > oy - 20 && y < oy + obj->h + 20) clear = false;
            }
            if (clear && !game_control_at_point(game, x, y)) ex = x, ey = y;
        }
    ASSERT_GE(ex, 0);
    ui_test::mouse_at(ex, ey);
    frame();
    EXPECT_EQ(screen()->hovered, nullptr);
    EXPECT_FALSE(mine->flags & OBJ_OUTLINE);
    // Over the command bar the map is not hovered.
    Control *button = find(COMBAT_ID_MENU_BUTTON);
    ASSERT_NE(button, nullptr);
    ui_test::mouse_at(button->x + 2, button->y + 2);
    frame();
    EXPECT_EQ(screen()->hovered, nullptr);
}

TEST_F(CombatView, InMoveModeTheCostShowsBesideThePointerOnlyWhereTheShipCanGo) {
    start_battle();
    ASSERT_TRUE(run_until_players_turn());
    frames(60);
    Ship *ship = static_cast<Ship *>(screen()->acting);
    ASSERT_GT(ship->mp, 0);
    ObjectMap *m = map();
    combat_set_command_mode(COMMAND_MOVE);
    screen()->message_dx = screen()->message_dy = 0;
    // A step ahead of the ship, along its heading.
    int dx = 0, dy = 0;
    rotate_point(ship->heading, std::max(ship->w, ship->h) + 4, &dx, &dy);
    int32_t cost = 0;
    ASSERT_EQ(object_move_cost(ship, ship->x + dx, ship->y + dy, &cost), RES_OK);
    ui_test::mouse_at(ship->x + ship->w / 2 + dx - m->view_x, ship->y + ship->h / 2 + dy - m->view_y);
    frame();
    EXPECT_EQ(screen()->message_dx, 5);
    EXPECT_EQ(screen()->message_dy, -10);
    // The far corner of the world, beyond any ship's movement points.
    map_set_view(m, m->world_w, m->world_h);
    ui_test::mouse_at(ui_screen_width() - 30, ui_screen_height() - 120);
    control_set_hidden(screen()->message_box, true);
    screen()->message_dx = screen()->message_dy = 0;
    frame();
    EXPECT_TRUE(screen()->message_box->flags & CTRL_HIDDEN) << "no cost where the ship cannot go";
    EXPECT_EQ(screen()->message_dx, 0) << "nothing shown";
    combat_set_command_mode(COMMAND_NONE);
}

}  // namespace
