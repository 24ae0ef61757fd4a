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
#include "views/item_popups.h"

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
            if (c && c->type == CONTROL_IMAGE && image_of(c)->image_type == 56) ++n;
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
        if (c && c->tag == NEWS_ITEM_GRANT_TAG) cards.push_back(c);
    ASSERT_EQ(int(cards.size()), bonuses);
    EXPECT_EQ(cards[0]->x, 30);
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

}  // namespace
