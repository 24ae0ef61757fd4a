// The galaxy screen's construction, drawing and view transitions over a real seeded new game: the
// first frame's backgrounds, the battles found on entering, the view origin of a small galaxy, the
// zoom into a sector and back, the frozen picture a computer player's worker is drawn over, and the
// workers waited for on leaving.
#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "galaxy_test_support.h"
#include "turn_flow_fixture.h"
#include "game/alert.h"
#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/player.h"
#include "effects/starfield.h"
#include "platform/colour_fade.h"
#include "platform/font.h"
#include "platform/sound.h"
#include "screens/galaxy/galaxy_services.h"
#include "ui/image_control.h"
#include "world/factory.h"
#include "world/object_map.h"
#include "world/sector.h"

namespace {

using galaxy_test::has;
using galaxy_test::screen;
using ui_test::Rgb;

constexpr int SAMPLES[][2] = {{0, 0}, {511, 384}, {1023, 767}, {100, 700}, {900, 90}};

int starmap_slot() { return std::clamp(game_get()->backdrop + GALAXY_BG_STARMAP_FIRST, 4, 19); }

Rgb work_pixel(int x, int y) {
    const Sprite *work = gfx_get()->work_bg;
    const uint8_t *p = work->pixels.data() + (size_t(y) * size_t(work->width) + size_t(x)) * 4;
    return {p[2], p[1], p[0]};
}

::testing::AssertionResult working_background_is(int slot) {
    const title_test::Backdrop bg(slot);
    if (!bg.ok()) return ::testing::AssertionFailure() << "no picture of slot " << slot;
    if (!gfx_get()->work_bg) return ::testing::AssertionFailure() << "no working background";
    for (const auto &p : SAMPLES)
        if (!(work_pixel(p[0], p[1]) == bg.at(p[0], p[1])))
            return ::testing::AssertionFailure() << "at " << p[0] << ", " << p[1] << " not slot " << slot;
    return ::testing::AssertionSuccess();
}

std::string label_text(Control *label) {
    const TextLabel *t = text_label_of(label);
    return t && t->text ? t->text : "<none>";
}

class GalaxyView : public galaxy_test::GalaxyGame {
protected:
    // Leaves the mode and enters it again, as the combat screen's return does.
    void enter_again() {
        title_test::TitleDriver::switch_to(APP_MODE_END_OF_GAME);
        title_test::TitleDriver::switch_to(APP_MODE_GALAXY);
    }
    Rgb pixel(int x, int y) const { return driver.pixel(x, y); }
};

// ---- Construction ----

TEST_F(GalaxyView, TheFirstFrameRepaintsFromTheStarMapBackgroundAndKeepsOnlyItsSlot) {
    EXPECT_TRUE(has(GALAXY_FLAG_REPAINT | GALAXY_FLAG_STARMAP_VIEW));
    EXPECT_EQ(screen()->selected, nullptr);
    ASSERT_NE(screen()->status_panel, nullptr);
    EXPECT_TRUE(title_test::visible(screen()->status_panel)) << "the status bar is shown at once";
    for (Control *hidden : {screen()->hover_panel, screen()->centre_panel, screen()->selection_panel,
                            screen()->day_progress_panel, screen()->sector_info_panel})
        EXPECT_FALSE(title_test::visible(hidden));
    EXPECT_FALSE(control_is_enabled(screen()->selection_panel));

    frame();
    EXPECT_FALSE(has(GALAXY_FLAG_REPAINT));
    Graphics *g = gfx_get();
    const int slot = starmap_slot();
    for (int n = 0; n < GFX_BACKGROUND_SLOTS; ++n) EXPECT_EQ(g->bg_slots[n] != nullptr, n == slot) << "slot " << n;
    EXPECT_EQ(g->current_bg, g->bg_slots[slot]);
    EXPECT_TRUE(working_background_is(slot));

    game_get()->backdrop = 15;   // the last star map picture, not the first sector's
    enter_again();
    frame();
    EXPECT_TRUE(working_background_is(19));
    EXPECT_EQ(g->bg_slots[20], nullptr);
}

TEST_F(GalaxyView, EnteringWithBattlesLeftFlagsThemAndSoundsTheAlarmForTheUiPlayer) {
    EXPECT_FALSE(has(GALAXY_FLAG_ENCOUNTERS_PENDING));
    auto alarms = [] {
        int n = 0;
        for (const SoundChannel &c : sound_get()->channels)
            if (c.id == SOUND_ENCOUNTER_ALARM && (c.flags.load() & SOUND_CHANNEL_IN_USE)) ++n;
        return n;
    };
    const int before = alarms();

    // A battle between two computer players: flagged, no alarm.
    Encounter *theirs = encounter_create();
    for (Player *p : game->players->items) {
        if (!p) break;
        if (p == game->ui_player || list_count(&p->objects) == 0) continue;
        encounter_add_object(theirs, list_get(&p->objects, 0));
    }
    ASSERT_EQ(game_add_encounter(game, theirs), RES_OK);
    enter_again();
    EXPECT_TRUE(has(GALAXY_FLAG_ENCOUNTERS_PENDING));
    EXPECT_EQ(alarms(), before);

    // One of the UI player's.
    ASSERT_GT(list_count(&game->ui_player->objects), 0);
    Encounter *ours = encounter_create();
    encounter_add_object(ours, list_get(&game->ui_player->objects, 0));
    ASSERT_EQ(game_add_encounter(game, ours), RES_OK);
    enter_again();
    EXPECT_TRUE(has(GALAXY_FLAG_ENCOUNTERS_PENDING | GALAXY_FLAG_STARMAP_VIEW | GALAXY_FLAG_REPAINT));
    EXPECT_EQ(alarms(), before + 1);
}

TEST_F(GalaxyView, AGalaxySmallerThanTheScreenIsViewedFromANegativeOrigin) {
    ObjectMap *map = game->galaxy_map;
    EXPECT_EQ(map->screen_w, GFX_WIDTH);
    EXPECT_EQ(map->screen_h, GFX_HEIGHT);
    EXPECT_EQ(map->view_x, map->world_w - GFX_WIDTH - 1);
    EXPECT_EQ(map->view_y, map->world_h - GFX_HEIGHT - 1);

    map_set_world_size(map, 800, 600);
    enter_again();
    EXPECT_EQ(map->view_x, 800 - GFX_WIDTH - 1);
    EXPECT_EQ(map->view_y, 600 - GFX_HEIGHT - 1);

    map_set_world_size(map, 3000, 600);
    map->view_x = 700;
    enter_again();
    EXPECT_EQ(map->view_x, 0) << "a wide galaxy starts at its left edge";
    EXPECT_EQ(map->view_y, 600 - GFX_HEIGHT - 1);
}

// ---- View transitions ----

class GalaxyZoom : public GalaxyView {
protected:
    Sector *sector = nullptr;

    void SetUp() override {
        GalaxyView::SetUp();
        frame();
        for (GameObject *obj : game->galaxy_map->objects.items) {
            if (!obj) break;
            Sector *s = sector_of(obj);
            if (s && s->id != game->sol_sector_id && s->owner_id != 0) {
                sector = s;
                break;
            }
        }
        ASSERT_NE(sector, nullptr) << "an owned sector on the map";
        object_add_ref(sector);   // the selection, as a click on the sector leaves it
        screen()->selected = sector;
        screen()->screen_flags.fetch_or(GALAXY_FLAG_SELECTED);
    }
    void step_until_stage(int stage) {
        for (int i = 0; i < 100 && screen()->zoom_stage < stage; ++i) galaxy_zoom_step(20);
        ASSERT_EQ(screen()->zoom_stage, stage);
    }
    static int64_t area(const GalaxyRect &r) { return int64_t(r.x2 - r.x1 + 1) * (r.y2 - r.y1 + 1); }
    // Steps and frames until the flag is gone; the rectangle only ever grows meanwhile.
    void run_zoom(uint32_t flag) {
        int64_t last = area(screen()->zoom_rect);
        bool grew = false;
        for (int i = 0; i < 200 && has(flag); ++i) {
            galaxy_zoom_step(20);
            const int64_t now = area(screen()->zoom_rect);
            EXPECT_GE(now, last);
            grew = grew || now > last;
            last = now;
            frame();
        }
        EXPECT_FALSE(has(flag));
        EXPECT_TRUE(grew);
    }
};

TEST_F(GalaxyZoom, IntoASectorGrowsFromItsBoxEndsInTheSectorViewAndTheWayBackRestoresTheStarMap) {
    galaxy_sector_on_enter(nullptr);
    EXPECT_TRUE(has(GALAXY_FLAG_ZOOM_IN));
    const int sector_slot = sector->subtype + GALAXY_BG_SECTOR_FIRST;
    EXPECT_EQ(screen()->zoom_sector_background, sector_slot);
    frame();
    Control *box = find(GALAXY_ID_ZOOM_BOX);
    ASSERT_NE(box, nullptr);
    const ObjectMap *map = game->galaxy_map;
    EXPECT_EQ(std::make_pair(box->x, box->y), std::make_pair(sector->x - map->view_x, sector->y - map->view_y));

    step_until_stage(2);
    const GalaxyRect r = screen()->zoom_rect;
    EXPECT_EQ(r.x1, box->x + box->w / 2 - 3);
    EXPECT_EQ(r.y1, box->y + box->h / 2 - 2);
    EXPECT_EQ(std::make_pair(r.x2 - r.x1, r.y2 - r.y1), std::make_pair(6, 4));
    EXPECT_TRUE(has(GALAXY_FLAG_HIDE_MAP | GALAXY_FLAG_SECTOR_BACKGROUND));
    frame();
    EXPECT_FALSE(has(GALAXY_FLAG_SECTOR_BACKGROUND));
    EXPECT_NE(gfx_get()->bg_slots[sector_slot], nullptr) << "the sector's picture grows over the star map";

    run_zoom(GALAXY_FLAG_ZOOM_IN);
    EXPECT_EQ(find(GALAXY_ID_ZOOM_BOX), nullptr);
    EXPECT_FALSE(has(GALAXY_FLAG_STARMAP_VIEW | GALAXY_FLAG_HIDE_MAP));
    EXPECT_EQ(game->shown_sector_id, sector->id);
    EXPECT_EQ(game->sector_map->view_x, game->sector_map->world_w - GFX_WIDTH - 1);
    Control *info = screen()->sector_info_panel;
    EXPECT_TRUE(title_test::visible(info));
    EXPECT_EQ(label_text(panel_find_child(info, GALAXY_ID_SECTOR_TITLE)), std::string(object_get_name(sector)) + " sector");
    EXPECT_EQ(info->x, 14);
    frame();
    EXPECT_TRUE(working_background_is(sector_slot)) << "the clean sector picture over the whole screen";
    driver.save_screen("galaxy_sector_view.png");

    const int cx = GFX_WIDTH / 2, cy = GFX_HEIGHT / 2;
    galaxy_zoom_begin(cx - 5, cy - 5, cx + 5, cy + 5);
    EXPECT_TRUE(has(GALAXY_FLAG_ZOOM_OUT | GALAXY_FLAG_HIDE_MAP | GALAXY_FLAG_STARMAP_BACKGROUND));
    frame();
    EXPECT_FALSE(has(GALAXY_FLAG_STARMAP_BACKGROUND));
    run_zoom(GALAXY_FLAG_ZOOM_OUT);
    EXPECT_TRUE(has(GALAXY_FLAG_STARMAP_VIEW));
    EXPECT_FALSE(has(GALAXY_FLAG_HIDE_MAP));
    EXPECT_EQ(game->shown_sector_id, 0u);
    EXPECT_FALSE(title_test::visible(info));
    EXPECT_EQ(panel_find_child(info, GALAXY_ID_SECTOR_TITLE), nullptr);
    frame();
    EXPECT_TRUE(working_background_is(starmap_slot()));
}

TEST_F(GalaxyZoom, WithoutABoxTheZoomGrowsFromTheCentreRectangleFourPixelsAMillisecond) {
    galaxy_sector_on_enter(nullptr);
    frame();
    ASSERT_NE(find(GALAXY_ID_ZOOM_BOX), nullptr);
    control_remove(find(GALAXY_ID_ZOOM_BOX));
    frame();
    ASSERT_EQ(find(GALAXY_ID_ZOOM_BOX), nullptr);

    step_until_stage(2);
    const int x1 = GFX_WIDTH / 2 - 12, y1 = GFX_HEIGHT / 2 - 8;
    GalaxyRect r = screen()->zoom_rect;
    EXPECT_EQ(std::vector<int>({r.x1, r.y1, r.x2, r.y2}), std::vector<int>({x1, y1, x1 + 24, y1 + 16}));
    galaxy_zoom_step(25);
    r = screen()->zoom_rect;
    EXPECT_EQ(std::vector<int>({r.x1, r.y1, r.x2, r.y2}), std::vector<int>({x1 - 100, y1 - 100, x1 + 124, y1 + 116}));
    galaxy_zoom_step(400);
    r = screen()->zoom_rect;
    EXPECT_EQ(std::vector<int>({r.x1, r.y1, r.x2, r.y2}), std::vector<int>({0, 0, GFX_WIDTH - 1, GFX_HEIGHT - 1}))
        << "clamped to the screen";
    EXPECT_FALSE(has(GALAXY_FLAG_ZOOM_IN | GALAXY_FLAG_STARMAP_VIEW));
    EXPECT_TRUE(has(GALAXY_FLAG_RESET_BACKGROUND));
    EXPECT_EQ(game->shown_sector_id, sector->id);
}

// ---- The combat hand-off ----

// The draw alone, as the hand-off's steps leave the screen state (the steps are the update's).
class GalaxyHandOffDraw : public GalaxyView {
protected:
    Encounter *battle = nullptr;

    void SetUp() override {
        GalaxyView::SetUp();
        frame();
        battle = encounter_create();
        battle->backdrop = 7;
        game_set_current_encounter(game, battle);
        game->combat_background = GALAXY_BG_COMBAT_FIRST + battle->backdrop;   // as the hand-off's start
        GalaxyScreen *s = screen();
        s->band_top = GFX_HEIGHT / 2 - 20;
        s->band_bottom = GFX_HEIGHT / 2 + 20;
        s->screen_flags.fetch_or(GALAXY_FLAG_COMBAT_HANDOFF | GALAXY_FLAG_LOAD_COMBAT_BACKGROUND | GALAXY_FLAG_HIDE_MAP);
        game->flags |= GAME_FLAG_CONTROLS_OFF;
    }
    void TearDown() override {
        game->flags &= ~GAME_FLAG_CONTROLS_OFF;
        screen()->screen_flags.fetch_and(~GALAXY_FLAG_COMBAT_HANDOFF);
        encounter_retain(battle);   // the game lets go of it; the test's reference ends it
        game_set_current_encounter(game, nullptr);
        encounter_release(battle);
        GalaxyView::TearDown();
    }
    void draw() {
        Graphics *g = gfx_get();
        gfx_queue_lock(g);
        gfx_queue_clear(g);
        galaxy_mode_draw(g);
        gfx_queue_unlock(g);
        ASSERT_EQ(gfx_replay_frame(g, driver.screen), RES_OK);
    }
    static bool in_band(int y) { return y >= screen()->band_top && y <= screen()->band_bottom; }
    static bool on_a_star(int x, int y) {
        for (const Star *star : game_get()->star_layer->stars->items) {
            if (!star) break;
            if (x >= star->x - 1 && x <= star->x + star->size && y >= star->y - 1 && y <= star->y + star->size)
                return true;
        }
        return false;
    }
};

TEST_F(GalaxyHandOffDraw, TheCombatPictureIsUncoveredFromTheCentreWithItsStarsBesideTheBand) {
    const int combat_slot = GALAXY_BG_COMBAT_FIRST + 7;
    const title_test::Backdrop combat(combat_slot), starmap(starmap_slot());
    ASSERT_TRUE(combat.ok());
    draw();
    EXPECT_FALSE(has(GALAXY_FLAG_LOAD_COMBAT_BACKGROUND));
    EXPECT_NE(gfx_get()->bg_slots[combat_slot], nullptr);
    EXPECT_EQ(pixel(10, GFX_HEIGHT / 2), (Rgb{0, 32, 0}));
    EXPECT_EQ(pixel(GFX_WIDTH / 2, GFX_HEIGHT / 2), (Rgb{0, 32, 0})) << "nothing uncovered before the letters";
    EXPECT_EQ(pixel(10, 100), starmap.at(10, 100));

    GalaxyScreen *s = screen();
    s->handoff_phase = 3;
    s->loading_rect = GalaxyRect{400, 250, 620, 520};
    draw();
    EXPECT_EQ(std::vector<int>({s->uncovered_rect.x1, s->uncovered_rect.y1, s->uncovered_rect.x2, s->uncovered_rect.y2}),
              std::vector<int>({400, 250, 620, 520}));
    s->loading_rect = GalaxyRect{0, 0, GFX_WIDTH - 1, GFX_HEIGHT - 1};
    s->screen_flags.fetch_or(GALAXY_FLAG_LOADING_TEXT);
    s->loading_fade = colour_fade_create();   // the screen's leave frees it
    colour_fade_set(s->loading_fade, 255, 255, 255);
    s->loading_width = font_text_width(0, "Loading...");
    draw();

    int compared = 0, starred = 0;
    for (int y = 0; y < GFX_HEIGHT; y += 7)
        for (int x = 0; x < GFX_WIDTH; x += 11) {
            if (in_band(y) || on_a_star(x, y) || (x > GFX_WIDTH - 120 && y > GFX_HEIGHT - 40)) continue;
            EXPECT_EQ(pixel(x, y), combat.at(x, y)) << x << ", " << y;
            ++compared;
        }
    for (const Star *star : game->star_layer->stars->items) {
        if (!star) break;
        const int x = star->x + star->size / 2, y = star->y + star->size / 2;
        if (x < 0 || y < 0 || x >= GFX_WIDTH || y >= GFX_HEIGHT || in_band(y)) continue;   // a star may hang off an edge
        if (!(pixel(x, y) == combat.at(x, y))) ++starred;
    }
    EXPECT_GT(compared, 5000);
    EXPECT_GT(starred, 32) << "the stars are painted over the uncovered picture";
    EXPECT_EQ(pixel(10, GFX_HEIGHT / 2), (Rgb{0, 32, 0})) << "the band stays over the picture";
    int white = 0;
    for (int y = GFX_HEIGHT - 30; y < GFX_HEIGHT - 6; ++y)
        for (int x = GFX_WIDTH - 6 - s->loading_width; x < GFX_WIDTH - 6; ++x) white += pixel(x, y) == Rgb{255, 255, 255};
    EXPECT_GT(white, 20) << "\"Loading...\" at the bottom right";
}

// ---- The frozen picture ----

class GalaxyFrozenPicture : public GalaxyView {
protected:
    galaxy_test::ScreenSizedContext context;

    void SetUp() override {
        GalaxyView::SetUp();
        context.enlarge();
        galaxy_test::load_sector_stars();
    }
    void TearDown() override {
        galaxy_test::release_sector_stars();
        context.restore();
        GalaxyView::TearDown();
    }
    // A pixel of a map object that differs from the clean background, and the object.
    bool find_drawn_pixel(GameObject **object, int *px, int *py) {
        const title_test::Backdrop bg(starmap_slot());
        const ObjectMap *map = game->galaxy_map;
        for (GameObject *obj : map->objects.items) {
            if (!obj) break;
            if (!sector_of(obj) || !(obj->flags & (OBJ_VISIBLE | OBJ_ALWAYS_DRAWN))) continue;
            for (int y = obj->y - map->view_y; y < obj->y - map->view_y + obj->h; ++y)
                for (int x = obj->x - map->view_x; x < obj->x - map->view_x + obj->w; ++x) {
                    if (x < 200 || y < 100 || x >= GFX_WIDTH - 200 || y >= GFX_HEIGHT - 100) continue;
                    if (pixel(x, y) == bg.at(x, y)) continue;
                    *object = obj;
                    *px = x;
                    *py = y;
                    return true;
                }
        }
        return false;
    }
    // An offset where the object would stand on clean background only.
    int clear_offset(const GameObject *obj) {
        const title_test::Backdrop bg(starmap_slot());
        const ObjectMap *map = game->galaxy_map;
        for (int dx : {-160, 160, -120, 120, -200, 200}) {
            bool clean = true;
            for (int y = obj->y - map->view_y - 4; clean && y < obj->y - map->view_y + obj->h + 4; ++y)
                for (int x = obj->x - map->view_x + dx - 4; clean && x < obj->x - map->view_x + dx + obj->w + 4; ++x)
                    clean = x >= 0 && y >= 0 && x < GFX_WIDTH && y < GFX_HEIGHT && pixel(x, y) == bg.at(x, y);
            if (clean) return dx;
        }
        return 0;
    }
};

TEST_F(GalaxyFrozenPicture, WhileAComputerPlayerThinksTheBakedMapIsRestoredAndTheMapIsNotDrawn) {
    ASSERT_NE(galaxy_current_map(), nullptr);
    frame();
    GameObject *obj = nullptr;
    int x = 0, y = 0;
    ASSERT_TRUE(find_drawn_pixel(&obj, &x, &y)) << "a sector drawn on the star map";
    const Rgb drawn = pixel(x, y);
    const Rgb clean = title_test::Backdrop(starmap_slot()).at(x, y);
    const int dx = clear_offset(obj);
    ASSERT_NE(dx, 0) << "room beside the sector";

    screen()->frozen_picture_wanted = true;
    frame();
    EXPECT_FALSE(screen()->frozen_picture_wanted);
    EXPECT_TRUE(screen()->frozen_picture_baked);
    EXPECT_EQ(work_pixel(x, y), drawn) << "the map is kept in the working background";

    // The worker runs: the sector moves, the screen there is wiped and repainted from the picture.
    screen()->screen_flags.fetch_or(GALAXY_FLAG_ADVANCE_AI_STARTED | GALAXY_FLAG_REPAINT);
    obj->x += dx;
    SDL_Rect wipe{Sint16(x - 8), Sint16(y - 8), 16, 16};
    SDL_FillRect(driver.screen, &wipe, 0);
    gfx_merge_restore_rect(gfx_get(), wipe.x, wipe.y, wipe.w, wipe.h);
    frames(3);
    EXPECT_EQ(pixel(x, y), drawn) << "restored from the kept picture";
    EXPECT_EQ(pixel(x + dx, y), title_test::Backdrop(starmap_slot()).at(x + dx, y)) << "the map is not drawn";
    EXPECT_TRUE(has(GALAXY_FLAG_REPAINT)) << "a repaint waits for the worker";
    EXPECT_EQ(work_pixel(x, y), drawn);

    // Joined: the clean background comes back and the map is drawn again.
    screen()->screen_flags.fetch_and(~(GALAXY_FLAG_ADVANCE_AI_STARTED | GALAXY_FLAG_REPAINT));
    screen()->screen_flags.fetch_or(GALAXY_FLAG_RESET_BACKGROUND);
    frame();
    obj->x -= dx;
    EXPECT_FALSE(has(GALAXY_FLAG_RESET_BACKGROUND));
    EXPECT_FALSE(screen()->frozen_picture_baked);
    EXPECT_EQ(work_pixel(x, y), clean);
    EXPECT_EQ(pixel(x + dx, y), drawn) << "the sector where it stands now";
}

TEST_F(GalaxyFrozenPicture, NextTurnKeepsTheMapOnScreenWhileTheComputerPlayersThink) {
    game->auto_pass = 0;   // the action button is Next Turn
    // The stars hold their twinkle: the pixel read before the day is the one drawn after it.
    for (GameObject *o : game->galaxy_map->objects.items) {
        if (!o) break;
        if (Sector *s = sector_of(o)) s->twinkle_ms = 1 << 30;
    }
    frame();
    GameObject *obj = nullptr;
    int x = 0, y = 0;
    ASSERT_TRUE(find_drawn_pixel(&obj, &x, &y));
    const Rgb drawn = pixel(x, y);

    galaxy_test::HeldWorkers workers;   // the computer players think until the gate opens
    workers.install();
    press('n');   // the turn starts in the key's frame; its worker in the next
    frames(2);
    EXPECT_EQ(workers.started(), 1);
    EXPECT_TRUE(screen()->frozen_picture_baked) << "the turn's first frame keeps the map";
    EXPECT_EQ(work_pixel(x, y), drawn);
    EXPECT_EQ(pixel(x, y), drawn) << "the map stays on screen while the worker thinks";
    workers.open();
    const bool ended = run_until([] { return !has(GALAXY_FLAG_TURN_IN_PROGRESS); });
    galaxy_set_thread_creator(nullptr);
    ASSERT_TRUE(ended) << "the day ends";
    frame();
    EXPECT_EQ(pixel(x, y), drawn);
}

// News of a sector flashes a box over it; Next Turn pressed during a flash keeps no frame of the
// flash in the picture the map stands still in while the computer players think.
TEST_F(GalaxyFrozenPicture, NextTurnDuringANewsFlashKeepsNoFlashInTheFrozenPicture) {
    game->auto_pass = 0;
    Sector *home = galaxy_test::home_of(game, game->ui_player_id);
    ASSERT_NE(home, nullptr);
    const int x = home->x - game->galaxy_map->view_x + 2, y = home->y - game->galaxy_map->view_y + 2;
    const auto flash = [](Rgb c) { return c.r >= 40 && c.g == 0 && c.b == 0; };
    frames(400);   // the new game's news has flashed
    game_add_alert(game, alert_post_sector_notice(game->ui_player_id, home->id, "Scanners report activity"));
    ASSERT_TRUE(run_until([&] { return flash(pixel(x, y)); }, 100)) << "the box flashes";
    galaxy_test::HeldWorkers workers;
    workers.install();
    press('n');
    frames(2);
    ASSERT_TRUE(screen()->frozen_picture_baked);
    EXPECT_FALSE(flash(work_pixel(x, y)));
    EXPECT_FALSE(flash(pixel(x, y))) << "the map while the computer players think";
    workers.open();
    EXPECT_TRUE(run_until([] { return !has(GALAXY_FLAG_TURN_IN_PROGRESS); }));
    galaxy_set_thread_creator(nullptr);
}

// The new game's news of the home sector flashes boxes over its star; once they are over, the star
// shines at its centre again, its owner's icon beside it and its name under it.
TEST_F(GalaxyFrozenPicture, TheHomeStarShinesAtItsCentreOnceItsNewsHasFlashed) {
    ASSERT_EQ(image_control_load_type(IMAGE_PRESENCE), RES_OK);
    galaxy_markers_refresh();   // with the owner's icon, as start-up's pictures give it
    Sector *home = galaxy_test::home_of(game, game->ui_player_id);
    ASSERT_NE(home, nullptr);
    const int x = home->x + home->w / 2 - game->galaxy_map->view_x, y = home->y + home->h / 2 - game->galaxy_map->view_y;
    frames(400);   // ten flashes in about three seconds, then the news icon fades
    const Rgb centre = pixel(x, y);
    EXPECT_GT(std::max({centre.r, centre.g, centre.b}), 180) << "the home star's centre at " << x << ", " << y;
    galaxy_markers_clear();
    image_control_free_type(IMAGE_PRESENCE);
}

// ---- Tear-down ----

std::atomic<int> g_finished{0};

int slow_worker(void *) {
    SDL_Delay(60);
    g_finished.fetch_add(1);
    return 0;
}

TEST_F(GalaxyView, LeavingWaitsForTheWorkersAndLetsGoOfTheSectorAndTheBars) {
    SDL_Thread *probe = SDL_CreateThread(slow_worker, nullptr);
    ASSERT_NE(probe, nullptr);
    galaxy_join_thread(&probe);
    ASSERT_EQ(probe, nullptr) << "the join waits for the thread and forgets it";
    g_finished = 0;
    screen()->advance_ai_thread = SDL_CreateThread(slow_worker, nullptr);
    screen()->ai_encounter_thread = SDL_CreateThread(slow_worker, nullptr);
    screen()->load_encounter_thread = SDL_CreateThread(slow_worker, nullptr);
    for (GameObject *obj : game->galaxy_map->objects.items)
        if (sector_of(obj)) {
            game_set_sector_contents(game, obj->id);
            break;
        }
    ASSERT_NE(game->shown_sector_id, 0u);
    game->flags |= GAME_FLAG_CONTROLS_OFF;
    title_test::TitleDriver::switch_to(APP_MODE_END_OF_GAME);
    EXPECT_EQ(g_finished.load(), 3);
    EXPECT_EQ(screen()->advance_ai_thread, nullptr);
    EXPECT_EQ(screen()->ai_encounter_thread, nullptr);
    EXPECT_EQ(screen()->load_encounter_thread, nullptr);
    EXPECT_EQ(screen()->status_bar, nullptr);
    EXPECT_EQ(screen()->status_panel, nullptr);
    EXPECT_EQ(game->shown_sector_id, 0u);
    EXPECT_FALSE(game->flags & GAME_FLAG_CONTROLS_OFF);
    EXPECT_EQ(galaxy_test::flags(), 0u);
}

}  // namespace
