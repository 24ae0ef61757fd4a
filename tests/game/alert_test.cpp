// Alerts: the intake and its date lines, the fifteen builders with their texts and scenes, the
// save record with its refusals, and what the news list reads.
#include "player_fixture.h"

#include "game/alert_scene.h"

using namespace playertest;

namespace {

class Alerts : public PlayerWorld {
protected:
    Player *me = nullptr;
    void SetUp() override {
        PlayerWorld::SetUp();
        me = add_ui_player(10, "Vega");
    }
    const Alert *last() { return list_get(game->alerts, list_count(game->alerts) - 1); }
};

// ---- Intake ----

TEST_F(Alerts, TheFirstNewsOfEachDayComesAfterADateLineAndNewsForAnotherPlayerIsDropped) {
    add_player(11, "Rigel");
    game_add_alert(game, alert_post_sector_notice(11, 0, "%s", "not for us"));
    EXPECT_EQ(list_count(game->alerts), 0);
    game_add_alert(game, alert_post_sector_notice(10, 0, "one"));
    game_add_alert(game, alert_post_sector_notice(10, 0, "two"));
    ASSERT_EQ(list_count(game->alerts), 3);
    const Alert *header = list_get(game->alerts, 0);
    EXPECT_EQ(header->kind, ALERT_DAY_HEADER);
    EXPECT_EQ(header->target_player_id, 0u);
    EXPECT_EQ(header->text, date_format(game->clock));
    EXPECT_LT(header->id, list_get(game->alerts, 1)->id);
    EXPECT_EQ(game->newest_alert_id, last()->id);
    EXPECT_EQ(last()->time->minutes, game->clock->minutes);
    advance_days(1);
    game_add_alert(game, alert_post_sector_notice(10, 0, "three"));
    EXPECT_EQ(list_count(game->alerts), 5);
    EXPECT_EQ(list_get(game->alerts, 3)->kind, ALERT_DAY_HEADER);
}

TEST_F(Alerts, NewsIsNewForADayAndExpiresAfterAMonth) {
    game_add_alert(game, alert_post_sector_notice(10, 0, "fresh"));
    const Alert *a = last();
    int32_t r, g, b, fresh;
    game->clock->minutes += 1439;
    alert_get_text_color(a, &r, &g, &b, &fresh);
    EXPECT_EQ(fresh, 1);
    EXPECT_EQ(g, 230);
    game->clock->minutes += 1;
    alert_get_text_color(a, &r, &g, &b, &fresh);
    EXPECT_EQ(fresh, 0);
    game->clock->minutes = a->time->minutes + ALERT_MAX_AGE_MINUTES - 1;
    game_remove_expired_alerts(game);
    EXPECT_EQ(list_count(game->alerts), 2);
    game->clock->minutes += 1;
    game_remove_expired_alerts(game);
    EXPECT_EQ(list_count(game->alerts), 0);
}

// ---- Builders ----

TEST_F(Alerts, EachKindCarriesItsTextKindAndScene) {
    Sector *sector = add_sector(10, 300, 200, 2);
    Site *base = add_site(sector, SITE_STARBASE, 10);
    Site *body = add_site(sector, 1, 0);
    Ship *ship = new_ship(2);
    player_add_object(me, ship);
    ship_set_sector(ship, sector);
    Officer *o = new_officer("Ada");
    o->skills[SKILL_SCIENCE] = 4;
    (void)base;
    struct Case {
        Alert *alert;
        int32_t kind;
        const char *text;
        int32_t background;   // -1: no scene
    };
    const Case cases[] = {
        {alert_post_starship_built(10, 2, sector->id, "Starship %s built in the %s sector", "Lancer", "Tau"), 0,
         "Starship Lancer built in the Tau sector", 0},
        {alert_post_production_complete(10, sector->id, -1, "%s sector - Defense upgrade complete", "Tau"), 1,
         "Tau sector - Defense upgrade complete", 0},
        {alert_post_day_header(0, "%s", "Jan 01 2600"), 2, "Jan 01 2600", -1},
        {alert_post_fleet_arrived(10, 0, sector->id, "%s arrived at the %s sector", "Fleet 1", "Tau"), 3,
         "Fleet 1 arrived at the Tau sector", 0},
        {alert_post_research(10, 3, "%s research complete", "Survey Scanners"), 4, "Survey Scanners research complete", 1},
        {alert_post_sector_notice(10, sector->id, "%s sector - Starbase at maximum crew capacity", "Tau"), 5,
         "Tau sector - Starbase at maximum crew capacity", -1},
        {alert_post_fleet_contact(10, 0, 11, "%s intercepted %s forces", "Fleet 1", "hostile"), 6,
         "Fleet 1 intercepted hostile forces", -1},
        {alert_post_escape_pod(10, 2, sector->id, "%s arrived in the %s sector via Escape Pod", "Ada", "Tau"), 7,
         "Ada arrived in the Tau sector via Escape Pod", 2},
        {alert_post_starbase_destroyed(10, sector->id, "%s sector - Starbase destroyed", "Tau"), 8,
         "Tau sector - Starbase destroyed", 0},
        {alert_post_crew_rescued(10, sector->id, body->id, "%s %s - %i crew rescued and sent to Starbase %s", "Tau",
                                 "I", 40, "Tau"),
         9, "Tau I - 40 crew rescued and sent to Starbase Tau", 0},
        {alert_post_resources_gathered(10, sector->id, body->id, "%s %s - Gathered $%i in resources", "Tau", "I", 250),
         10, "Tau I - Gathered $250 in resources", 0},
        {alert_post_officer_news(10, 1, 0, o, "%s (deep space) was hired as a %s", "Ada", "Lt Commander"), 11,
         "Ada (deep space) was hired as a Lt Commander", 2},
        {alert_post_intel_report(10, 3, 11, sector->id, ship->id, "Starship %s hacked the %s computer network and "
                                 "stole research data worth %.1f RP", "Lancer", "Rigel", 12.5),
         12, "Starship Lancer hacked the Rigel computer network and stole research data worth 12.5 RP", 0},
        {alert_post_resources_depleted(10, sector->id, body->id, "%s %s (%s) resources depleted", "Tau", "I", "Rock"),
         13, "Tau I (Rock) resources depleted", 0},
        {alert_post_starbase_captured(10, sector->id, "%s sector - Captured enemy Starbase", "Tau"), 14,
         "Tau sector - Captured enemy Starbase", 0},
    };
    for (const Case &c : cases) {
        ASSERT_NE(c.alert, nullptr) << c.kind;
        EXPECT_EQ(c.alert->kind, c.kind);
        EXPECT_EQ(c.alert->text, c.text);
        if (c.background < 0) {
            EXPECT_EQ(c.alert->scene, nullptr) << c.kind;
        } else {
            ASSERT_NE(c.alert->scene, nullptr) << c.kind;
            EXPECT_EQ(alert_scene_background(c.alert->scene), c.background) << c.kind;
            EXPECT_EQ(alert_scene_flags(c.alert->scene), 13u) << c.kind;
        }
        alert_free(c.alert);
    }
    officer_release(o);
}

TEST_F(Alerts, SectorPicturesHighlightTheSectorGrownByThreePixels) {
    Sector *sector = add_sector(10, 300, 200, 2);
    Alert *a = alert_post_production_complete(10, sector->id, SITE_SHIPYARD, "%s", "done");
    EXPECT_EQ(a->flags & 3u, 3u);
    EXPECT_EQ(a->rect_x, sector->x - 3);
    EXPECT_EQ(a->rect_w, sector->w + 6);
    EXPECT_EQ(a->subtype, SITE_SHIPYARD);
    // The sector picture (template 4 for a star of template 2), then the site built.
    ASSERT_EQ(alert_scene_item_count(a->scene), 2);
    EXPECT_EQ(alert_scene_item(a->scene, 0).subject, 4);
    EXPECT_EQ(alert_scene_item(a->scene, 1).subject, SITE_SHIPYARD);
    alert_free(a);
    Alert *arrived = alert_post_fleet_arrived(10, 0, sector->id, "%s", "in");
    EXPECT_EQ(arrived->flags & 3u, 1u) << "a fleet's arrival highlights without the by-id bit";
    alert_free(arrived);
}

TEST_F(Alerts, ACaptureMarksTheBoardingShip) {
    Sector *sector = add_sector(10, 300, 200);
    add_site(sector, SITE_STARBASE, 11);
    Ship *plain = new_ship(2), *boarder = new_ship(2), *last_one = new_ship(2);
    for (Ship *s : {plain, boarder, last_one}) {
        player_add_object(me, s);
        sector_add_object(sector, s);
    }
    boarder->ship_flags |= SHIP_FLAG_BOARDING;
    Alert *a = alert_post_starbase_captured(10, sector->id, "%s", "taken");
    int32_t marked = -1;
    for (int32_t i = 0; i < alert_scene_item_count(a->scene); ++i) {
        const AlertSceneItem item = alert_scene_item(a->scene, i);
        if (item.kind == SCENE_ITEM_SHIP && (item.options & 1)) {
            EXPECT_EQ(marked, -1) << "one ship is marked";
            marked = i;
        }
    }
    EXPECT_GE(marked, 0);
    EXPECT_EQ(marked, 3) << "after the sector and the starbase, the second ship is the boarder";
    alert_free(a);
}

// ---- Save record ----

TEST_F(Alerts, ARecordRoundTripsWithoutTheHighlightBits) {
    Sector *sector = add_sector(10, 300, 200);
    Alert *a = alert_post_starbase_destroyed(10, sector->id, "%s sector - Destroyed enemy Starbase", "Tau");
    a->second_text = new std::string("second");
    a->word = -3;
    a->extra_words[8] = 77;
    ASSERT_EQ(a->flags & 3u, 3u);
    Buffer first;
    ASSERT_EQ(alert_write(a, &first), RES_OK);
    Alert *back = nullptr;
    ASSERT_EQ(alert_read(&back, &first), RES_OK);
    EXPECT_EQ(first.cursor, first.length);
    EXPECT_EQ(back->flags & 3u, 0u);
    EXPECT_EQ(back->rect_x, a->rect_x) << "the rectangle's numbers stay";
    ASSERT_NE(back->second_text, nullptr);
    EXPECT_EQ(*back->second_text, "second");
    EXPECT_EQ(alert_scene_item_count(back->scene), alert_scene_item_count(a->scene));
    Buffer second;
    ASSERT_EQ(alert_write(back, &second), RES_OK);
    EXPECT_EQ(bytes_of(first), bytes_of(second));
    for (int32_t cut = 0; cut < first.length; cut += 5) {
        Buffer part;
        ASSERT_EQ(buffer_append(&part, first.data, size_t(cut)), RES_OK);
        Alert *none = nullptr;
        EXPECT_NE(alert_read(&none, &part), RES_OK) << cut;
        EXPECT_EQ(none, nullptr);
    }
    alert_free(a);
    alert_free(back);
}

TEST_F(Alerts, AHostileSceneItemCountIsRefused) {
    Alert *a = alert_post_research(10, 0, "%s", "x");
    Buffer buf;
    ASSERT_EQ(alert_write(a, &buf), RES_OK);
    alert_free(a);
    // The scene follows the text and the second-text word: its item count is the fifth scene word.
    const size_t scene_at = 8 + 8 + 4 + 4 + 4 + 8 + 20 + 8 + 8 + 4 + 1 + 4 + 4;
    ASSERT_EQ(buf.data[scene_at - 1], 1u) << "scene present";
    buf.data[scene_at + 16] = 0x7F;
    EXPECT_EQ(alert_read(nullptr, &buf), RES_SHORT_BUFFER);
}

TEST_F(Alerts, ColoursComeFromThePlayersNamed) {
    add_player(11, "Rigel");
    Alert *contact = alert_post_fleet_contact(10, 0, 11, "%s", "x");
    int32_t r = 0, g = 0, b = 0;
    EXPECT_EQ(alert_get_frame_color(contact, &r, &g, &b), 1);
    EXPECT_EQ(g, 60);
    Alert *arrived = alert_post_fleet_arrived(10, 0, 0, "%s", "x");
    EXPECT_EQ(alert_get_frame_color(arrived, &r, &g, &b), 1);
    EXPECT_EQ(g, 40) << "two thirds of the player's own colour";
    EXPECT_EQ(alert_get_player_color(contact, &r, &g, &b), 0) << "only intelligence reports";
    Alert *intel = alert_post_intel_report(10, 0, 12, 0, 0, "%s", "x");
    EXPECT_EQ(alert_get_player_color(intel, &r, &g, &b), 0) << "an unknown player";
    for (Alert *a : {contact, arrived, intel}) alert_free(a);
}

}  // namespace
