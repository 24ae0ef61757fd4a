#pragma once
// Test support for the research screens: the galaxy screen of a real new game with the research
// pictures loaded, the Technology list opened with '4', and readers of rows, buttons and value
// rows.
//  - Techs are put into a state through the player's own research operations where one exists;
//    a test that needs a group of a given size sets the state bits of the real player directly
//    (kept_states restores them, and tech names changed for a case, in TearDown).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../galaxy/panels_test_support.h"
#include "game/player.h"
#include "game/tech.h"
#include "screens/research/tech_detail_panel.h"
#include "screens/research/tech_list.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"

namespace research_test {

constexpr int RESEARCH_IMAGE_TYPES[] = {IMAGE_TICK, IMAGE_RESEARCHING, IMAGE_ARROW_UP, IMAGE_ARROW_DOWN,
                                        IMAGE_RESEARCH_BUTTON, IMAGE_CREDITS, IMAGE_POWER, IMAGE_CLOCK, IMAGE_CREW,
                                        IMAGE_RESEARCH, IMAGE_DATE, IMAGE_BULLET, IMAGE_BONUS,
                                        IMAGE_PAUSE_RESEARCH, IMAGE_UPGRADE, IMAGE_RESEARCH_PAUSED};

class ResearchGame : public galaxy_test::PanelsGame {
protected:
    Player *ui = nullptr;

    void SetUp() override {
        PanelsGame::SetUp();
        ui = game->ui_player;
        std::vector<int> wanted(std::begin(RESEARCH_IMAGE_TYPES), std::end(RESEARCH_IMAGE_TYPES));
        for (int t = 0; t < TECH_COUNT; ++t)
            if (tech_icon(t)) wanted.push_back(tech_icon(t));
        for (int type : wanted)
            if (image_type_frame_count(type) == 0 && image_control_load_type(type) == RES_OK) types_.push_back(type);
        for (int t = 0; t < TECH_COUNT; ++t)
            if (const TechInfo *info = tech_get(t)) names_.push_back({t, info->name});
    }
    void TearDown() override {
        game_close_popup(game);
        for (const auto &[t, name] : names_) tech_get(t)->name = name;
        for (int type : types_) image_control_free_type(type);
        PanelsGame::TearDown();
    }

    Control *list() { return galaxy_test::screen()->side_panels[GALAXY_LIST_TECH]; }
    Control *open_list() {
        press('4');
        frames(10);
        return list();
    }
    std::vector<Control *> rows() {
        const TechListState *s = tech_list_state(list());
        std::vector<Control *> out;
        if (s)
            for (Control *row : s->rows.items) out.push_back(row);
        return out;
    }
    std::vector<int> row_techs() {
        std::vector<int> out;
        for (Control *row : rows()) out.push_back(row->tag);
        return out;
    }
    Control *row_of(int tech) {
        for (Control *row : rows())
            if (row->tag == tech) return row;
        return nullptr;
    }
    // Clicks the tech's row, which opens its detail panel beside the list.
    Control *open_detail(int tech) {
        Control *row = row_of(tech);
        EXPECT_NE(row, nullptr) << "no row for tech " << tech;
        if (!row) return nullptr;
        click(row);
        frames(25);   // grown into place, the buttons past their entrance
        return galaxy_object_panel_find(GALAXY_PANEL_TECH_DETAIL);
    }

    static std::string text_of(const Control *label) {
        const TextLabel *t = label ? text_label_of(const_cast<Control *>(label)) : nullptr;
        return t && t->text ? t->text : "";
    }
    static const char *caption_of(Control *button) {
        const ImageControl *im = image_of(button);
        return im && im->caption ? im->caption : "";
    }
    // The captions of the panel's buttons, in row order.
    static std::vector<std::string> buttons(Control *panel) {
        std::vector<std::string> out;
        Control *row = panel ? panel_find_child(panel, TECH_DETAIL_ID_BUTTONS) : nullptr;
        if (row)
            for (Control *b : panel_of(row)->children.items)
                if (b && !(b->flags & CTRL_REMOVED)) out.push_back(caption_of(b));
        return out;
    }
    static Control *button(Control *panel, const std::string &caption) {
        Control *row = panel ? panel_find_child(panel, TECH_DETAIL_ID_BUTTONS) : nullptr;
        if (row)
            for (Control *b : panel_of(row)->children.items)
                if (b && caption_of(b) == caption) return b;
        return nullptr;
    }
    // The value rows as label -> value, in order.
    static std::vector<std::pair<std::string, std::string>> value_rows(Control *panel) {
        std::vector<std::pair<std::string, std::string>> out;
        Control *table = panel ? panel_find_child(panel, TECH_DETAIL_ID_ROWS) : nullptr;
        for (int i = 0; table && ui_stat_rows_row(table, i); ++i) {
            Control *row = ui_stat_rows_row(table, i);
            out.push_back({text_of(panel_find_child(row, STAT_ROW_LABEL_ID)), text_of(panel_find_child(row, STAT_ROW_VALUE_ID))});
        }
        return out;
    }
    static std::vector<std::string> labels(Control *panel) {
        std::vector<std::string> out;
        for (const auto &[label, value] : value_rows(panel)) out.push_back(label);
        return out;
    }

    // Only the given techs are open to research; every other tech of the player is in no group.
    void only_available(const std::vector<int> &techs) {
        for (int t = 0; t < TECH_COUNT; ++t) {
            ui->tech_state[t] = 0;
            ui->research_points[t] = 0;
        }
        for (int t : techs) ui->tech_state[t] = TECH_AVAILABLE;
        ui->research_target = -1;
    }
    // The first n named techs of the table.
    static std::vector<int> named_techs(size_t n) {
        std::vector<int> out;
        for (int t = 0; t < TECH_COUNT && out.size() < n; ++t)
            if (tech_get(t) && !tech_get(t)->name.empty()) out.push_back(t);
        return out;
    }

private:
    std::vector<int> types_;
    std::vector<std::pair<int, std::string>> names_;
};

}  // namespace research_test
