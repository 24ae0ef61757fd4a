// The news item panel on a real new game, one alert kind at a time: what each kind adds, the
// date, "OK" and Esc, the comparison by id, and the skill rows' popups.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../galaxy/panels_test_support.h"
#include "game/alert.h"
#include "game/officer.h"
#include "game/tech.h"
#include "platform/calendar.h"
#include "screens/news/news_item_panel.h"
#include "ui/game_controls.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "systems/system.h"
#include "ui/stat_rows.h"
#include "views/item_popups.h"
#include "views/system_info_card.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

class NewsItemPanel : public galaxy_test::PanelsGame {
protected:
    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : {56, 150}) {
            ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
            types_.push_back(type);
        }
        game_clear_alerts(game);
    }
    void TearDown() override {
        game_close_popup(game);
        for (int type : types_) image_control_free_type(type);
        PanelsGame::TearDown();
    }
    std::vector<int> types_;
    Alert *keep(Alert *alert) {
        game_add_alert(game, alert);
        return game->alerts->items.back();
    }
    std::vector<Control *> skill_rows(Control *panel) {
        std::vector<Control *> rows;
        for (Control *c : panel_of(panel)->children.items)
            if (c && c->tag == NEWS_ITEM_SKILL_TAG && !(c->flags & CTRL_REMOVED)) rows.push_back(c);
        return rows;
    }
    static int pips(Control *row) {
        int n = 0;
        for (Control *c : panel_of(row)->children.items)
            if (c && c->type == CONTROL_IMAGE && image_of(c)->image_type == IMAGE_SKILL_PIP) ++n;
        return n;
    }
    // Every label's text in the control and its children, depth first.
    static std::vector<std::string> all_texts(Control *c) {
        std::vector<std::string> out;
        if (!c) return out;
        if (c->type == CONTROL_TEXT) out.push_back(text_of(c));
        if (Panel *p = panel_of(c))
            for (Control *child : p->children.items)
                for (std::string &t : all_texts(child)) out.push_back(std::move(t));
        return out;
    }
    static std::string text_of(Control *label) { return text_label_of(label) && text_label_of(label)->text ? text_label_of(label)->text : ""; }
};

TEST_F(NewsItemPanel, PlainItemShowsDateTextAndOkOnlyAndEscHidesIt) {
    Alert *alert = keep(alert_post_sector_notice(game->ui_player_id, 0, "Sector %s secured", "Vega"));
    Control *centre = centre_panel();
    news_item_panel_build(centre, alert);
    EXPECT_EQ(text_of(panel_find_child(centre, NEWS_ITEM_ID_DATE)), date_format(alert->time));
    EXPECT_EQ(text_of(panel_find_child(centre, NEWS_ITEM_ID_DATE)), "Jan 01 2670");
    ASSERT_NE(panel_find_child(centre, NEWS_ITEM_ID_TEXT), nullptr);
    EXPECT_EQ(panel_find_child(centre, NEWS_ITEM_ID_DESC), nullptr);
    EXPECT_TRUE(skill_rows(centre).empty());
    Control *ok = panel_find_child(centre, NEWS_ITEM_ID_OK);
    ASSERT_NE(ok, nullptr);
    EXPECT_LE(ok->x + ok->w, centre->w);
    EXPECT_GT(ok->y, panel_find_child(centre, NEWS_ITEM_ID_TEXT)->y);

    press(27);
    EXPECT_FALSE(control_is_shown(centre));
    control_set_hidden(centre, true);
    click(ok);
    frames(2);
    EXPECT_FALSE(control_is_shown(centre));
}

TEST_F(NewsItemPanel, ResearchItemAddsTheTechnologyDescription) {
    Alert *alert = keep(alert_post_research(game->ui_player_id, 3, "%s research complete", "Tech"));
    Control *centre = centre_panel();
    news_item_panel_build(centre, alert);
    std::string desc;
    const bool has_desc = tech_load_desc(3, &desc) == RES_OK && !desc.empty();
    Control *tile = panel_find_child(centre, NEWS_ITEM_ID_DESC);
    EXPECT_EQ(tile != nullptr, has_desc);
    if (tile) {
        EXPECT_GT(tile->y, panel_find_child(centre, NEWS_ITEM_ID_TEXT)->y);
    }
    EXPECT_EQ(item_panel_state(centre)->tech_type, 3);

    // A tech number out of the table's range builds the rest without a description.
    Alert *bad = keep(alert_post_research(game->ui_player_id, 999, "%s research complete", "Tech"));
    news_item_panel_build(centre, bad);
    EXPECT_EQ(panel_find_child(centre, NEWS_ITEM_ID_DESC), nullptr);
    EXPECT_NE(panel_find_child(centre, NEWS_ITEM_ID_OK), nullptr);
}

TEST_F(NewsItemPanel, ResearchItemShowsACardPerBonusGrantThatExplainsItsAmount) {
    int tech_type = -1, bonuses = 0;
    for (int n = 0; n < TECH_COUNT && tech_type < 0; ++n)
        if (const TechInfo *tech = tech_get(n)) {
            bonuses = 0;
            for (const TechEffect &e : tech->effects) bonuses += e.kind == TECH_EFFECT_BONUS;
            if (bonuses > 0) tech_type = n;
        }
    ASSERT_GE(tech_type, 0) << "no technology grants a starbase bonus";
    ASSERT_EQ(image_control_load_type(161), RES_OK);
    types_.push_back(161);
    Alert *alert = keep(alert_post_research(game->ui_player_id, tech_type, "%s research complete", "Tech"));
    Control *centre = centre_panel();
    news_item_panel_build(centre, alert);
    std::vector<Control *> cards;
    for (Control *c : panel_of(centre)->children.items)
        if (c && c->tag == NEWS_ITEM_GRANT_TAG && c->on_dwell == tech_grant_bonus_popup) cards.push_back(c);
    ASSERT_EQ(int(cards.size()), bonuses);
    Control *first = nullptr;
    for (Control *c : panel_of(centre)->children.items)
        if (c && c->tag == NEWS_ITEM_GRANT_TAG && !first) first = c;
    EXPECT_EQ(first->x, 30);
    EXPECT_EQ(cards[0]->dwell_delay, 475);
    Control *ok = panel_find_child(centre, NEWS_ITEM_ID_OK);
    EXPECT_GE(ok->y, cards.back()->y + cards.back()->h) << "OK stands below the last card";

    const TechEffect *grant = tech_grant_of_card(cards[0]);
    ASSERT_NE(grant, nullptr);
    EXPECT_EQ(grant->kind, TECH_EFFECT_BONUS);
    tech_grant_bonus_popup(cards[0]);
    game_flush_new_controls(game);
    Control *popup = game_find_control(game, CONTROL_ID_POPUP);
    ASSERT_NE(popup, nullptr);
    const std::vector<std::string> shown = all_texts(popup);
    auto shows = [&](const std::string &t) { return std::find(shown.begin(), shown.end(), t) != shown.end(); };
    EXPECT_TRUE(shows(tech_bonus_category_name(grant->value)));
    EXPECT_TRUE(shows("Amount"));
    EXPECT_TRUE(shows(tech_bonus_amount_text(grant->value, grant->value2)));
    tech_grant_popup_close(cards[0]);

    // A card whose index lies outside the tech's grants explains nothing.
    panel_of(cards[0])->value = int32_t(tech_get(tech_type)->effects.size());
    EXPECT_EQ(tech_grant_of_card(cards[0]), nullptr);
    panel_of(cards[0])->value = -1;
    EXPECT_EQ(tech_grant_of_card(cards[0]), nullptr);
}

TEST(BonusAmountText, CrewGenerationCountsHeadsAndTheOthersPercent) {
    EXPECT_EQ(tech_bonus_amount_text(TECH_BONUS_CREW, 50), "+50");
    EXPECT_EQ(tech_bonus_amount_text(TECH_BONUS_RESEARCH, 50), "+50%");
    EXPECT_EQ(tech_bonus_amount_text(TECH_BONUS_RESOURCES, 25), "+25%");
}

TEST_F(NewsItemPanel, OfficerItemShowsOneEvenRowPerSkillWithItsPipsAndExplainsIt) {
    Officer officer;
    officer.skills[0] = 3;   // Command
    officer.skills[8] = 1;   // Sensors
    Alert *alert = keep(alert_post_officer_news(game->ui_player_id, 1, 0, &officer, "%s was promoted", "Lee"));
    Control *centre = centre_panel();
    news_item_panel_build(centre, alert);
    std::vector<Control *> rows = skill_rows(centre);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(panel_of(rows[0])->value, 0);
    EXPECT_EQ(panel_of(rows[1])->value, 8);
    EXPECT_EQ(pips(rows[0]), 3);
    EXPECT_EQ(pips(rows[1]), 1);
    EXPECT_EQ(rows[0]->w, rows[1]->w);
    EXPECT_EQ(rows[1]->y, rows[0]->y + rows[0]->h + 6);

    // Resting on the Command row opens its popup: "+9 AP" at level 3.
    officer_skill_popup(rows[0]);
    game_flush_new_controls(game);
    Control *popup = game_find_control(game, CONTROL_ID_POPUP);
    ASSERT_NE(popup, nullptr);
    std::vector<std::string> texts;
    for (Control *c : panel_of(popup)->children.items)
        if (c && c->type == CONTROL_TEXT) texts.push_back(text_of(c));
    EXPECT_EQ(texts, (std::vector<std::string>{"Command", "+9 AP"}));
    officer_skill_popup_close(rows[0]);
    game_flush_new_controls(game);
    frames(2);
    Control *after = game_find_control(game, CONTROL_ID_POPUP);
    EXPECT_TRUE(!after || !control_is_shown(after));

    // The pointer resting on the row's name, through the input path, rests on the row.
    control_set_hidden(centre, true);
    game_flush_new_controls(game);
    int x = 0, y = 0;
    control_get_screen_position(rows[1], &x, &y);
    ui_test::mouse_at(x + 40, y + 10);
    frames(475 / 20 + 2);
    Control *rested = game_find_control(game, CONTROL_ID_POPUP);
    ASSERT_TRUE(rested && control_is_shown(rested));
    texts.clear();
    for (Control *c : panel_of(rested)->children.items)
        if (c && c->type == CONTROL_TEXT) texts.push_back(text_of(c));
    EXPECT_EQ(texts.at(0), "Sensors");
}

TEST_F(NewsItemPanel, ComparesAlertsByIdAndAnExpiredAlertOpensNoPopup) {
    Officer officer;
    officer.skills[6] = 2;
    Alert *alert = keep(alert_post_officer_news(game->ui_player_id, 1, 0, &officer, "%s was hired", "Ann"));
    Alert *other = keep(alert_post_sector_notice(game->ui_player_id, 0, "other"));
    Control *centre = centre_panel();
    news_item_panel_build(centre, alert);
    EXPECT_TRUE(news_item_panel_shows(centre, alert));
    EXPECT_FALSE(news_item_panel_shows(centre, other));
    Control *row = skill_rows(centre).at(0);

    game->clock->minutes += 40 * MINUTES_PER_DAY;
    date_from_minutes(game->clock);
    game_remove_expired_alerts(game);
    ASSERT_TRUE(game->alerts->items.empty());
    EXPECT_EQ(item_panel_alert(centre), nullptr);
    officer_skill_popup(row);
    game_flush_new_controls(game);
    EXPECT_EQ(game_find_control(game, CONTROL_ID_POPUP), nullptr);
}


// The first technology granting a thing of the kind, with the grant's index; -1 when none does.
int tech_granting(int kind, int *grant_index) {
    for (int n = 0; n < TECH_COUNT; ++n)
        if (const TechInfo *tech = tech_get(n))
            for (size_t i = 0; i < tech->effects.size(); ++i)
                if (tech->effects[i].kind == kind) {
                    *grant_index = int(i);
                    return n;
                }
    return -1;
}

class NewsGrantCards : public NewsItemPanel {
protected:
    void SetUp() override {
        NewsItemPanel::SetUp();
        std::vector<int> wanted = {44, 50, 53, 63, 74, 78, 84, 125, 129, 130, 131, 161};
        for (int type = 0; type < 30; ++type)   // the systems' icons
            if (const System *t = system_type_template(type)) wanted.push_back(t->spare);
        for (int type : wanted)
            if (image_control_load_type(type) == RES_OK) types_.push_back(type);
        // The templates' pictures, as the galaxy's load gives them.
        factory_acquire_group_all(FACTORY_GROUP_FRAMES);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    }
    void TearDown() override {
        factory_release_all_groups(FACTORY_GROUP_FRAMES);
        EXPECT_EQ(factory_resolve_load_groups(), RES_OK);
        NewsItemPanel::TearDown();
    }
    std::vector<Control *> cards(Control *panel) {
        std::vector<Control *> out;
        for (Control *c : panel_of(panel)->children.items)
            if (c && c->tag == NEWS_ITEM_GRANT_TAG && !(c->flags & CTRL_REMOVED)) out.push_back(c);
        return out;
    }
    // The card of grant index `grant` in the panel built for a research item of the tech.
    Control *card_of(Control *centre, int tech_type, int grant) {
        news_item_panel_build(centre, keep(alert_post_research(game->ui_player_id, tech_type, "%s research complete", "Tech")));
        control_set_position(centre, ui_screen_width() / 2 - centre->w / 2, ui_screen_height() / 2 - centre->h / 2);
        game_flush_new_controls(game);
        for (Control *c : cards(centre))
            if (panel_of(c)->value == grant) return c;
        return nullptr;
    }
    // Rests the pointer on the control for `ms` through the real input path.
    void rest_on(Control *c, int ms) {
        int x = 0, y = 0;
        control_get_screen_position(c, &x, &y);
        ui_test::mouse_at(x + c->w / 2, y + c->h / 2);
        frames(ms / 20 + 1);
    }
    Control *popup() {
        Control *p = game_find_control(game, CONTROL_ID_POPUP);
        return p && !(p->flags & CTRL_REMOVED) && control_is_shown(p) ? p : nullptr;
    }
    static bool has(const std::vector<std::string> &texts, const std::string &t) {
        return std::find(texts.begin(), texts.end(), t) != texts.end();
    }
};

TEST_F(NewsGrantCards, EveryGrantKindHasItsCardAndEachTechsCardsMatchItsGrants) {
    int made = 0;
    for (int n = 0; n < TECH_COUNT; ++n) {
        const TechInfo *tech = tech_get(n);
        if (!tech || tech->effects.empty()) continue;
        Control *centre = centre_panel();
        news_item_panel_build(centre, keep(alert_post_research(game->ui_player_id, n, "%s research complete", "Tech")));
        const std::vector<Control *> shown = cards(centre);
        ASSERT_EQ(shown.size(), tech->effects.size()) << "tech " << n;
        ItemPanelState *state = item_panel_state(centre);
        int systems = 0;
        for (size_t i = 0; i < shown.size(); ++i) {
            const TechEffect &grant = tech->effects[size_t(panel_of(shown[i])->value)];
            EXPECT_EQ(shown[i]->dwell_delay, 475);
            const ControlFn popups[] = {tech_grant_system_popup, tech_grant_hull_popup, tech_grant_facility_popup,
                                        tech_grant_bonus_popup};
            EXPECT_EQ(shown[i]->on_dwell, popups[grant.kind]) << "tech " << n << " grant " << i;
            EXPECT_EQ(shown[i]->on_hover_leave, tech_grant_popup_close);
            systems += grant.kind == TECH_EFFECT_SYSTEM;
            // Rows of two: the first row from x 30, later rows from x 12.
            EXPECT_EQ(shown[i]->x, i == 0 ? 30 : i % 2 == 0 ? 12 : shown[i - 1]->x + shown[i - 1]->w + 8);
        }
        ASSERT_NE(state, nullptr);
        EXPECT_EQ(list_count(state->systems), systems) << "one System record per system grant";
        made += int(shown.size());
    }
    EXPECT_GT(made, 0);
}

TEST_F(NewsGrantCards, HullCardShowsTheCostAndItsPopupTheDollarsAndFigures) {
    int grant = -1;
    const int tech_type = tech_granting(TECH_EFFECT_HULL, &grant);
    ASSERT_GE(tech_type, 0) << "no technology grants a hull";
    const int index = tech_get(tech_type)->effects[size_t(grant)].value;
    const Ship *hull = ship_of(tech_grant_template(OBJECT_SHIP, index));
    ASSERT_NE(hull, nullptr);
    Control *centre = centre_panel();
    Control *card = card_of(centre, tech_type, grant);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(text_of(panel_find_child(card, NEWS_ITEM_ID_CARD_NAME)), hull->name);
    const std::vector<std::string> on_card = all_texts(card);
    EXPECT_TRUE(has(on_card, std::to_string(hull->base_cost)));
    EXPECT_FALSE(has(on_card, "$" + std::to_string(hull->base_cost)));
    // A template never shown yet has no current frame: its icon stands in.
    Control *picture = tech_grant_template_picture(hull);
    ASSERT_NE(picture, nullptr);
    control_destroy(picture);

    rest_on(card, 300);
    EXPECT_EQ(popup(), nullptr) << "not before the dwell";
    rest_on(card, 300);
    ASSERT_NE(popup(), nullptr);
    const std::vector<std::string> shown = all_texts(popup());
    for (const std::string &t : {std::string("Cost"), std::string("Mass"), std::string("Power"), std::string("System Mounts"),
                                 std::string("Armor Rating"), std::string("Crew Capacity"), hull->name,
                                 "$" + std::to_string(hull->base_cost), std::to_string(hull->base_mass) + " KT",
                                 std::to_string(hull->capacity_max) + " TW",
                                 std::to_string(ship_count_mount0_crits(hull))})
        EXPECT_TRUE(has(shown, t)) << t;
    driver.save_screen("news_item_hull_popup.png");

    // Leaving the card closes it.
    ui_test::mouse_at(2, 2);
    frames(3);
    EXPECT_EQ(popup(), nullptr);
}

TEST_F(NewsGrantCards, FacilityPopupCountsDaysAndATemplateOutOfRangeOpensNothing) {
    EXPECT_EQ(tech_grant_days_text(1), "1 day");
    EXPECT_EQ(tech_grant_days_text(3), "3 days");
    int grant = -1;
    const int tech_type = tech_granting(TECH_EFFECT_FACILITY, &grant);
    ASSERT_GE(tech_type, 0) << "no technology grants a facility";
    const Site *site = site_cast(tech_grant_template(OBJECT_SITE, tech_get(tech_type)->effects[size_t(grant)].value));
    ASSERT_NE(site, nullptr);
    Control *card = card_of(centre_panel(), tech_type, grant);
    ASSERT_NE(card, nullptr);
    tech_grant_facility_popup(card);
    game_flush_new_controls(game);
    ASSERT_NE(popup(), nullptr);
    const std::vector<std::string> shown = all_texts(popup());
    EXPECT_TRUE(has(shown, "Build Time"));
    EXPECT_TRUE(has(shown, tech_grant_days_text(site->params.build_days)));
    EXPECT_TRUE(has(shown, std::to_string(site->params.build_cost)));
    tech_grant_popup_close(card);

    // Indexes at and beyond either end of the factories' templates.
    for (int kind : {int(OBJECT_SHIP), int(OBJECT_SITE)}) {
        const int count = factory_get(kind)->template_count;
        EXPECT_NE(tech_grant_template(kind, count - 1), nullptr);
        EXPECT_EQ(tech_grant_template(kind, count), nullptr);
        EXPECT_EQ(tech_grant_template(kind, -1), nullptr);
    }
    EXPECT_EQ(tech_grant_hull_popup_build(-1), nullptr);
    EXPECT_EQ(tech_grant_hull_popup_build(factory_get(OBJECT_SHIP)->template_count), nullptr);
    EXPECT_EQ(tech_grant_facility_popup_build(factory_get(OBJECT_SITE)->template_count), nullptr);
}

TEST_F(NewsGrantCards, SystemCardOpensTheGrantsSystemCard) {
    int grant = -1;
    const int tech_type = tech_granting(TECH_EFFECT_SYSTEM, &grant);
    ASSERT_GE(tech_type, 0) << "no technology grants a system";
    Control *card = card_of(centre_panel(), tech_type, grant);
    ASSERT_NE(card, nullptr);
    System *system = tech_grant_system_of_card(card);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(system->type, tech_get(tech_type)->effects[size_t(grant)].value);
    EXPECT_EQ(text_of(panel_find_child(card, NEWS_ITEM_ID_CARD_NAME)), system->name);
    rest_on(card, 500);
    Control *shown = popup();
    ASSERT_NE(shown, nullptr);
    Control *info = panel_find_child(shown, SYSTEM_CARD_ID_NAME) ? shown : nullptr;
    if (!info)   // the popup holds the card
        for (Control *c : panel_of(shown)->children.items)
            if (c && panel_of(c) && panel_find_child(c, SYSTEM_CARD_ID_NAME)) info = c;
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->user_data, system);
    EXPECT_EQ(text_of(panel_find_child(info, SYSTEM_CARD_ID_NAME)), system->name);
    EXPECT_NE(panel_find_child(info, SYSTEM_CARD_ID_ROWS), nullptr);
}

}  // namespace
