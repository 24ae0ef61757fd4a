// The map markers and the hover information on a real seeded game: what a sector's name tells of
// the UI player's knowledge, a starbase's crew and production, the battle markers, the course
// lines of the UI player's fleets and their pruning, and the hover panel of a course pick.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "game/encounter.h"
#include "game/encounter_life.h"
#include "panels_test_support.h"
#include "platform/colour_fade.h"
#include "platform/geometry.h"
#include "ui/image_control.h"
#include "ui/line_group.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"
#include "world/site.h"

namespace {

using galaxy_test::PanelsGame;
using galaxy_test::screen;
using galaxy_test::readers::kids;
using galaxy_test::readers::row_value;
using galaxy_test::readers::text_of;
using ui_test::Rgb;

constexpr int MARKERS_IMAGE_TYPES[] = {IMAGE_DEFENCE_UPGRADE, IMAGE_PRESENCE, IMAGE_COURSE, IMAGE_PRODUCTION,
                                       IMAGE_CONSTRUCTION, IMAGE_CREW, IMAGE_RANK_FIRST, IMAGE_RANK_FIRST + 1,
                                       IMAGE_RANK_FIRST + 2, IMAGE_RANK_FIRST + 3, IMAGE_RANK_FIRST + 4,
                                       IMAGE_RANK_LAST, IMAGE_CADET, IMAGE_ENCOUNTER_MARKER, IMAGE_HARVESTER_MOVE};

Rgb colour_of(Control *label) {
    const ColourFade *c = text_label_colour(label);
    return c ? Rgb{c->r, c->g, c->b} : Rgb{-1, -1, -1};
}
Rgb player_rgb(uint64_t id) {
    int32_t r = 0, g = 0, b = 0;
    game_get_player_colors(game_get(), id, &r, &g, &b);
    return {r, g, b};
}
int count_tagged(int tag, int type) {
    int n = 0;
    for (const List<Control> *list : {game_get()->controls, game_get()->new_controls})
        for (Control *c : list->items)
            if (c && c->tag == tag && c->type == type && !(c->flags & CTRL_REMOVED)) ++n;
    return n;
}

class Markers : public PanelsGame {
protected:
    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : MARKERS_IMAGE_TYPES)
            ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
        starmap_view(true);
    }
    void TearDown() override {
        galaxy_markers_clear();
        PanelsGame::TearDown();
        for (int type : MARKERS_IMAGE_TYPES) image_control_free_type(type);
    }

    static void starmap_view(bool on) {
        if (on) screen()->screen_flags.fetch_or(GALAXY_FLAG_STARMAP_VIEW);
        else screen()->screen_flags.fetch_and(~GALAXY_FLAG_STARMAP_VIEW);
    }
    static Control *marker_of(int which, uint64_t id) {
        HashTable<Control> *map = screen()->marker_maps[which];
        Control *marker = map ? hash_table_find(map, &id) : nullptr;
        return marker && !(marker->flags & CTRL_REMOVED) ? marker : nullptr;
    }
    static Control *name_of(uint64_t id) {
        Control *marker = marker_of(0, id);
        return marker ? panel_find_child(marker, GALAXY_ID_MARKER_ICON) : nullptr;
    }

    // The sector view of the sector, its markers rebuilt.
    void enter_sector_view(Sector *sector) {
        galaxy_markers_clear();
        game_set_sector_contents(game, sector->id);
        starmap_view(false);
        galaxy_markers_refresh();
    }

    Sector *sector_where(const std::function<bool(Sector *)> &is) {
        for (GameObject *o : game->galaxy_map->objects.items)
            if (Sector *s = sector_of(o); s && is(s)) return s;
        return nullptr;
    }
};

TEST_F(Markers, ASectorsNameTellsWhatTheUiPlayerKnowsOfIt) {
    Player *ui = game->ui_player;
    Sector *unseen = sector_where([&](Sector *s) {
        return s->subtype != SECTOR_SOL_TEMPLATE && s->owner_id != ui->id && !player_known_object_by_id(ui, s->id);
    });
    Sector *rival = sector_where([&](Sector *s) {
        return s->subtype != SECTOR_SOL_TEMPLATE && s->owner_id != 0 && s->owner_id != ui->id;
    });
    Sector *own = sector_where([&](Sector *s) { return s->owner_id == ui->id; });
    ASSERT_NE(unseen, nullptr);
    ASSERT_NE(rival, nullptr);
    ASSERT_NE(own, nullptr);

    // The rival's sector is known from a scan and is out of sight now.
    player_learn_object(ui, rival, 1);
    rival->flags &= ~OBJ_VISIBLE;
    galaxy_markers_refresh();

    Control *label = name_of(unseen->id);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(text_of(label), "(" + std::string(object_get_name(unseen)) + ")");
    EXPECT_EQ(colour_of(label), (Rgb{75, 75, 75}));

    const Rgb owner = player_rgb(rival->owner_id);
    ASSERT_NE(owner, (Rgb{0, 0, 0}));
    label = name_of(rival->id);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(colour_of(label), (Rgb{owner.r * 3 / 10, owner.g * 3 / 10, owner.b * 3 / 10})) << "out of sight: dimmed";
    rival->flags |= OBJ_VISIBLE;
    galaxy_markers_refresh();
    EXPECT_EQ(colour_of(name_of(rival->id)), owner) << "in sight: its owner's colour";
    EXPECT_EQ(text_label_of(name_of(own->id))->font, 2);
    EXPECT_EQ(colour_of(name_of(own->id)), player_rgb(ui->id));
    EXPECT_EQ(text_of(name_of(own->id)), object_get_name(own));

    // The name stands 4 pixels under its sector, centred on it, and the marker moves with the map.
    Control *marker = marker_of(0, own->id);
    label = name_of(own->id);
    EXPECT_TRUE(marker->flags & CTRL_ANCHORED);
    EXPECT_EQ(marker->tag, GALAXY_GROUP_MARKERS);
    EXPECT_EQ(marker->user_data, own);
    EXPECT_EQ(marker->abs_y + label->y, own->y + own->h + 4);
    EXPECT_NEAR(marker->abs_x + label->x + label->w / 2, own->x + own->w / 2, 1);
    EXPECT_EQ(hash_table_count(screen()->marker_maps[0]), count_tagged(GALAXY_GROUP_MARKERS, CONTROL_PANEL))
        << "one marker per object, a second refresh makes no more";
    frame();
    driver.save_screen("star_map_markers.png");   // for review
}

// A name in a dark owner's colour (the deep purple of the default slots) keeps its colour and is
// drawn with thickened letters in a lighter tone of it; a light colour needs none.
TEST_F(Markers, ADarkOwnersNameGetsALighterRimAndKeepsItsColour) {
    Player *ui = game->ui_player;
    Sector *rival = sector_where([&](Sector *s) {
        return s->subtype != SECTOR_SOL_TEMPLATE && s->owner_id != 0 && s->owner_id != ui->id;
    });
    ASSERT_NE(rival, nullptr);
    Player *owner = game_find_player(game, rival->owner_id);
    ASSERT_NE(owner, nullptr);
    player_learn_object(ui, rival, 1);
    rival->flags |= OBJ_VISIBLE;
    for (const Rgb &c : {Rgb{134, 50, 249}, Rgb{40, 177, 217}}) {
        owner->red = c.r;
        owner->green = c.g;
        owner->blue = c.b;
        galaxy_markers_refresh();
        const TextLabel *t = text_label_of(name_of(rival->id));
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(colour_of(name_of(rival->id)), c) << "the owner's colour is kept";
        const bool dark = c.b == 249;
        EXPECT_EQ((t->flags & TEXT_HALO) != 0, dark) << c.r << "," << c.g << "," << c.b;
        if (dark) {
            EXPECT_GT(t->halo_rgb[1], 50) << "the second stroke is lighter than the letters";
            EXPECT_GE(t->halo_rgb[2], 249);
            map_set_view(game->galaxy_map, rival->x - 300, rival->y - 300);
            frame();
            driver.save_screen("star_map_dark_owner.png");   // for review
        }
    }
}

TEST_F(Markers, AStarbaseShowsItsCrewAndItsProductionDaysRoundedUpOrNoneOnceRushed) {
    Player *ui = game->ui_player;
    Sector *home = sector_where([&](Sector *s) { return s->owner_id == ui->id; });
    ASSERT_NE(home, nullptr);
    Site *base = nullptr;
    for (int32_t i = 0; i < sector_site_count(home) && !base; ++i)
        if (Site *s = sector_get_site(home, i); s && s->subtype == SITE_STARBASE) base = s;
    ASSERT_NE(base, nullptr);
    ASSERT_FALSE(base->state & (SITE_PRODUCING | SITE_UNDER_CONSTRUCTION | SITE_CREW_SHORT));
    enter_sector_view(home);

    Control *marker = marker_of(0, base->id);
    ASSERT_NE(marker, nullptr);
    Control *count = panel_find_child(marker, 400020);
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(text_of(count), std::to_string(base->crew));
    ASSERT_NE(panel_find_child(marker, 400019), nullptr);
    EXPECT_GT(count->y, name_of(base->id)->y) << "the crew row stands under the name";
    EXPECT_EQ(panel_find_child(marker, 400039), nullptr) << "no production, no bar";

    ASSERT_EQ(site_start_production(base, SITE_SHIPYARD, 0), RES_OK);
    base->total_min = 2 * 1440;
    base->remaining_min = 1441;
    galaxy_markers_refresh();
    marker = marker_of(0, base->id);
    Control *bar = panel_find_child(marker, 400039);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(value_bar_of(bar)->value, 2) << "one minute into the second day is still two days";
    EXPECT_EQ(value_bar_of(bar)->max, 2);
    EXPECT_NE(panel_find_child(marker, 400038), nullptr);
    EXPECT_EQ(panel_find_child(marker, 400020), nullptr) << "production replaces the crew row";

    site_rush(base);
    galaxy_markers_refresh();
    bar = panel_find_child(marker_of(0, base->id), 400039);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(value_bar_of(bar)->value, 0);
    EXPECT_EQ(value_bar_of(bar)->max, 2);
}

TEST_F(Markers, ABattleMarkerShowsAnOwnerIconPerFleetAndOnlyItsIconWithoutFleets) {
    Sector *home = nullptr;
    std::vector<Ship *> ships = ui_ships_at_home(2, &home);
    ASSERT_EQ(ships.size(), 2u);

    Encounter *in_sector = encounter_create();
    encounter_add_object(in_sector, ships[0]);
    in_sector->centre_x = home->x + home->w / 2;
    in_sector->centre_y = home->y + home->h / 2;
    ASSERT_EQ(game_add_encounter(game, in_sector), RES_OK);
    Fleet *fleet = form_fleet({ships[1]}, home->x + 200, home->y + 100);
    Encounter *in_space = encounter_create();
    encounter_add_object(in_space, ships[1]);
    in_space->centre_x = fleet->x;
    in_space->centre_y = fleet->y;
    ASSERT_EQ(game_add_encounter(game, in_space), RES_OK);
    galaxy_markers_refresh();

    Control *bare = marker_of(1, in_sector->id);
    ASSERT_NE(bare, nullptr);
    ASSERT_EQ(kids(bare).size(), 1u) << "no fleet: the pulsing icon alone";
    Control *icon = panel_find_child(bare, 400041);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->x, 0);
    EXPECT_EQ(bare->layer, 1);
    EXPECT_EQ(bare->on_click, galaxy_marker_on_encounter);
    EXPECT_EQ(bare->abs_x + bare->w / 2, in_sector->centre_x);

    Control *fleets = marker_of(1, in_space->id);
    ASSERT_NE(fleets, nullptr);
    EXPECT_EQ(kids(fleets).size(), 2u) << "the icon and one owner icon";
    EXPECT_EQ(panel_find_child(fleets, 400041)->x, 6);
    for (Control *c : kids(fleets))
        if (c->id != 400041) {
            const ColourFade *tint = image_control_tint_colour(c);
            ASSERT_NE(tint, nullptr);
            EXPECT_EQ((Rgb{tint->r, tint->g, tint->b}), player_rgb(game->ui_player_id));
        }

    // A finished battle loses its marker.
    in_space->flags |= ENCOUNTER_FLAG_FINISHED;
    galaxy_markers_refresh();
    EXPECT_EQ(marker_of(1, in_space->id), nullptr);
    EXPECT_NE(marker_of(1, in_sector->id), nullptr);
    starmap_view(false);
    galaxy_markers_clear();
    EXPECT_EQ(hash_table_count(screen()->marker_maps[1]), 0);
}

TEST_F(Markers, TheUiPlayersTravellingFleetsDrawTheirCourseUntilTheyAreGone) {
    Sector *home = nullptr;
    std::vector<Ship *> ships = ui_ships_at_home(1, &home);
    ASSERT_EQ(ships.size(), 1u);
    Sector *far = sector_where([&](Sector *s) { return s != home; });
    ASSERT_NE(far, nullptr);
    Fleet *fleet = form_fleet(ships, home->x + 40, home->y + 40);
    object_add_ref(fleet);   // the test looks at it after it died
    fleet_set_move_target(fleet, far);
    ASSERT_TRUE(fleet->flags & OBJ_TRAVELLING);
    galaxy_markers_refresh();

    Control *line = marker_of(2, fleet->id);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->type, CONTROL_LINES);
    EXPECT_EQ(line->layer, -1);
    EXPECT_EQ(line->tag, GALAXY_GROUP_MARKERS);
    const ColourFade *c = line_group_line_colour(line, 0);
    EXPECT_EQ((Rgb{c->r, c->g, c->b}), (Rgb{230, 0, 0}));
    const LineRecord &l = line_group_of(line)->lines[0];
    EXPECT_EQ(line->abs_x + l.x1, fleet->x + fleet->w / 2);
    EXPECT_EQ(line->abs_y + l.y2, far->y + far->h / 2);

    fleet_mark_retreated(fleet);
    galaxy_markers_refresh();
    ASSERT_EQ(marker_of(2, fleet->id), line) << "the line is kept, recoloured";
    c = line_group_line_colour(line, 0);
    EXPECT_EQ((Rgb{c->r, c->g, c->b}), (Rgb{0, 230, 0}));

    fleet_set_hidden(fleet, true);
    galaxy_markers_refresh();
    EXPECT_EQ(marker_of(2, fleet->id), nullptr) << "a hidden fleet shows no course";
    EXPECT_TRUE(line->flags & CTRL_REMOVED);
    fleet_set_hidden(fleet, false);
    galaxy_markers_refresh();
    line = marker_of(2, fleet->id);
    ASSERT_NE(line, nullptr);

    // The ship leaves: the empty fleet is dead and its line goes at the next refresh.
    ship_set_fleet(ships[0], nullptr);
    ASSERT_TRUE(fleet->flags & OBJ_DEAD);
    galaxy_markers_refresh();
    EXPECT_TRUE(line->flags & CTRL_REMOVED);
    EXPECT_EQ(hash_table_count(screen()->marker_maps[2]), 0);
    object_release(fleet);
}

TEST_F(Markers, AMarkerWhoseObjectDiesIsPruned) {
    Sector *home = nullptr;
    ui_ships_at_home(1, &home);
    ASSERT_NE(home, nullptr);
    Site *star = nullptr;
    for (int32_t i = 0; i < sector_site_count(home) && !star; ++i)
        if (Site *s = sector_get_site(home, i); s && s->subtype != SITE_STARBASE) star = s;
    ASSERT_NE(star, nullptr);
    enter_sector_view(home);
    Control *marker = marker_of(0, star->id);
    ASSERT_NE(marker, nullptr);
    const int before = hash_table_count(screen()->marker_maps[0]);
    object_add_ref(star);
    star->flags |= OBJ_DEAD;   // as the map's sweep finds it
    galaxy_markers_refresh();
    EXPECT_TRUE(marker->flags & CTRL_REMOVED);
    EXPECT_EQ(marker_of(0, star->id), nullptr);
    EXPECT_EQ(hash_table_count(screen()->marker_maps[0]), before - 1);
    star->flags &= ~OBJ_DEAD;
    object_release(star);
}

TEST_F(Markers, ShipsInASectorShowTheirOwnersIconWhenTheUiPlayerSeesThemOrTapsTheirOwner) {
    Player *ui = game->ui_player;
    Sector *home = nullptr;
    ASSERT_FALSE(ui_ships_at_home(1, &home).empty());
    home->flags |= OBJ_VISIBLE;
    Sector *rival = sector_where([&](Sector *s) {
        GameObject *first = sector_get_object(s, 0);
        return first && first->owner_id != ui->id && first->owner_id != 0;
    });
    ASSERT_NE(rival, nullptr);
    const uint64_t stranger = sector_get_object(rival, 0)->owner_id;
    rival->flags &= ~OBJ_VISIBLE;
    galaxy_markers_refresh();

    auto presence = [&](Sector *s) -> Control * {
        for (Control *c : kids(marker_of(0, s->id)))
            if (image_of(c) && image_of(c)->image_type == IMAGE_PRESENCE) return c;
        return nullptr;
    };
    Control *icon = presence(home), *label = name_of(home->id);
    ASSERT_NE(icon, nullptr);
    const ColourFade *tint = image_control_tint_colour(icon);
    ASSERT_NE(tint, nullptr);
    EXPECT_EQ((Rgb{tint->r, tint->g, tint->b}), player_rgb(sector_get_object(home, 0)->owner_id));
    EXPECT_EQ(label->y, icon->y + icon->h + 15) << "the name moves down under the icon";
    EXPECT_EQ(icon->x + icon->w, label->x + label->w / 2 - 4);
    EXPECT_EQ(marker_of(0, home->id)->abs_y + label->y, home->y + home->h + 4) << "the name still stands under the sector";

    EXPECT_EQ(presence(rival), nullptr) << "out of sight, ships are not shown";
    player_add_sensor_tap(ui, 5, stranger, rival->id);
    galaxy_markers_refresh();
    ASSERT_NE(presence(rival), nullptr) << "a sensor tap on their owner shows them";
    tint = image_control_tint_colour(presence(rival));
    EXPECT_EQ((Rgb{tint->r, tint->g, tint->b}), player_rgb(stranger));
}

class HoverInfo : public Markers {};

TEST_F(HoverInfo, PickingACourseTheHoveredSectorShowsDistanceSpeedAndDaysWithALineToIt) {
    Sector *home = nullptr;
    std::vector<Ship *> ships = ui_ships_at_home(1, &home);
    ASSERT_EQ(ships.size(), 1u);
    Fleet *fleet = form_fleet(ships, home->x + 30, home->y + 30);
    Sector *far = sector_where([&](Sector *s) {
        return s != home && distance(s->x - fleet->x, s->y - fleet->y) > 300 && (s->flags & OBJ_VISIBLE);
    });
    ASSERT_NE(far, nullptr);
    Control *hover = screen()->hover_panel;
    ASSERT_NE(hover, nullptr);

    // Nothing picked: the sector's rows, no course figures, no line.
    galaxy_hover_set(far);
    EXPECT_TRUE(control_is_shown(hover));
    EXPECT_FALSE(control_is_enabled(hover)) << "the hover panel takes no input";
    EXPECT_EQ(row_value(hover, "Distance"), "-");
    EXPECT_EQ(count_tagged(GALAXY_GROUP_SELECTION, CONTROL_LINES), 0);
    EXPECT_TRUE(far->flags & OBJ_OUTLINE);
    galaxy_hover_set(nullptr);
    EXPECT_FALSE(far->flags & OBJ_OUTLINE);
    EXPECT_FALSE(control_is_shown(hover));

    galaxy_select_object(fleet);
    galaxy_fleet_on_redirect(nullptr);
    ASSERT_EQ(screen()->pick_mode, 0);
    const int32_t speed = screen()->prompt_eta_speed;
    ASSERT_GT(speed, 0);
    galaxy_hover_set(far);
    ASSERT_TRUE(control_is_shown(hover));
    const int d = std::max(distance(far->x + far->w / 2 - (fleet->x + fleet->w / 2),
                                    far->y + far->h / 2 - (fleet->y + fleet->h / 2)) - 40, 1);
    EXPECT_EQ(row_value(hover, "Distance"), std::to_string(d) + " pc");
    EXPECT_EQ(row_value(hover, "Speed"), std::to_string(speed) + " pc/day");
    const std::string eta = row_value(hover, "ETA");
    const int days = std::atoi(eta.c_str());
    EXPECT_EQ(eta, std::to_string(days) + (days == 1 ? " day" : " days"));
    EXPECT_GE(days * speed, d) << "the days cover the distance";
    EXPECT_LT((days - 1) * speed, d) << "and no more";
    EXPECT_EQ(count_tagged(GALAXY_GROUP_SELECTION, CONTROL_LINES), 1);
    int hx = 0, hy = 0;
    control_get_screen_position(hover, &hx, &hy);
    const int sx = far->x - game->galaxy_map->view_x, sy = far->y - game->galaxy_map->view_y;
    EXPECT_TRUE(hx + hover->w <= sx || hx >= sx + far->w || hy + hover->h <= sy || hy >= sy + far->h)
        << "the panel keeps clear of the hovered sector";

    // The selected fleet itself has no course to show: the panel goes and so does the line.
    galaxy_hover_set(fleet);
    EXPECT_FALSE(control_is_shown(hover));
    EXPECT_EQ(count_tagged(GALAXY_GROUP_SELECTION, CONTROL_LINES), 0);
    galaxy_prompt_show(-1);
}

TEST_F(HoverInfo, ACourseFromASelectedSectorIsMeasuredFromWhereItsFleetIconWillStand) {
    Sector *home = nullptr;
    ASSERT_EQ(ui_ships_at_home(1, &home).size(), 1u);
    int32_t iw = 0, ih = 0;
    ASSERT_EQ(fleet_template_icon_size(0, &iw, &ih), RES_OK);
    ASSERT_GE(iw / 2 + ih / 2, 1);
    const int hx = home->x + home->w / 2, hy = home->y + home->h / 2;
    // Far off along both axes the same way, so that a shift the wrong way changes the distance.
    Sector *far = sector_where([&](Sector *s) {
        const int dx = s->x + s->w / 2 - hx, dy = s->y + s->h / 2 - hy;
        return s != home && std::abs(dx) > 150 && std::abs(dy) > 150 && (dx > 0) == (dy > 0);
    });
    ASSERT_NE(far, nullptr) << "seed " << SEED;

    galaxy_select_object(home);
    screen()->pick_mode = 0;
    screen()->prompt_eta_speed = 50;
    galaxy_hover_set(far);
    ASSERT_TRUE(control_is_shown(screen()->hover_panel));
    const int d = std::max(distance(far->x + far->w / 2 - (hx - iw / 2), far->y + far->h / 2 - (hy - ih / 2)) - 40, 1);
    EXPECT_EQ(row_value(screen()->hover_panel, "Distance"), std::to_string(d) + " pc");
    galaxy_hover_set(nullptr);
    galaxy_prompt_show(-1);
}

}  // namespace
