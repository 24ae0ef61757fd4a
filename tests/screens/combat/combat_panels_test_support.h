#pragma once
// Test support for the combat screen's side panels, scrolling and ship tags: the combat screen
// fixture (a real seeded battle on the combat map, the mode entered), with the rank insignia loaded
// and a few readers of what the panels show.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "combat_test_support.h"
#include "game/player.h"
#include "world/sector.h"
#include "world/ship.h"
#include "platform/hash.h"
#include "screens/combat/combat_panels.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "world/object_map.h"

namespace combat_panels_test {

constexpr int RANK_IMAGE_TYPES[] = {IMAGE_RANK_FIRST, IMAGE_RANK_FIRST + 1, IMAGE_RANK_FIRST + 2,
                                    IMAGE_RANK_FIRST + 3, IMAGE_RANK_FIRST + 4, IMAGE_RANK_LAST, IMAGE_CADET};
constexpr int KEY_TAB = 9;

class PanelsBattle : public combat_test::CombatGame {
protected:
    void SetUp() override {
        combat_test::CombatGame::SetUp();
        if (HasFatalFailure()) return;
        for (int type : RANK_IMAGE_TYPES) {
            ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
            ranks_.push_back(type);
        }
    }
    void TearDown() override {
        combat_test::CombatGame::TearDown();
        for (int type : ranks_) image_control_free_type(type);
        ranks_.clear();
    }

    // Ships of the UI player's first design until it has `count`, standing in the sector of its
    // first ship: a new game gives it fewer than a cycle needs. Before start_battle.
    void give_ui_ships(int count) {
        Player *ui = game->ui_player;
        Sector *home = nullptr;
        int have = 0;
        for (GameObject *o : ui->objects.items) {
            if (!o) break;
            if (Ship *ship = ship_of(o)) {
                ++have;
                if (!home && ship->sector_id) home = sector_find(ship->sector_id);
            }
        }
        for (; have < count; ++have) {
            Ship *ship = ship_of(player_build_ship_from_design(ui, 0));
            ASSERT_NE(ship, nullptr);
            player_commission_ship(ui, ship, nullptr, home);
        }
    }

    static Control *side(int which) { return combat_test::screen()->side_panels[which]; }
    static Control *button(int which) { return combat_test::screen()->command_buttons[which]; }
    static int frame_of(Control *c) { return image_of(c) ? image_of(c)->frame : -1; }

    // The texts of a panel's labels, depth first.
    static std::vector<std::string> texts(Control *panel) {
        std::vector<std::string> out;
        collect(panel, &out);
        return out;
    }
    static bool shows(Control *panel, const std::string &text) {
        for (const std::string &t : texts(panel))
            if (t == text) return true;
        return false;
    }
    // The live children of a panel that are panels themselves (cards, the info box).
    static std::vector<Control *> live_children(Control *panel) {
        std::vector<Control *> out;
        if (Panel *p = panel_of(panel))
            for (Control *c : p->children.items) {
                if (!c) break;
                if (!(c->flags & (CTRL_REMOVED | CTRL_FADING))) out.push_back(c);
            }
        return out;
    }
    GameObject *on_map(uint64_t id) {
        ObjectFilter f;
        f.flags = FILTER_ID;
        f.id = id;
        return map_query_object(map(), &f);
    }
    // The view is on its way to centre the object (or centres it already).
    ::testing::AssertionResult view_heads_for(const GameObject *obj) {
        ObjectMap *m = map();
        const int tx = std::clamp(obj->x + obj->w / 2 - m->screen_w / 2, 0, m->world_w - m->screen_w - 1);
        const int ty = std::clamp(obj->y + obj->h / 2 - m->screen_h / 2, 0, m->world_h - m->screen_h - 1);
        const CombatViewScroll &s = combat_test::screen()->scroll;
        if ((s.target_x == tx && s.target_y == ty) || (s.target_x < 0 && m->view_x == tx && m->view_y == ty))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "target " << s.target_x << ", " << s.target_y << " view " << m->view_x
                                             << ", " << m->view_y << " for the centre at " << tx << ", " << ty;
    }
    static Control *tag_of(uint64_t id) {
        HashTable<Control> *tags = combat_test::screen()->ship_tags;
        return tags ? hash_table_find(tags, &id) : nullptr;
    }

private:
    static void collect(Control *panel, std::vector<std::string> *out) {
        Panel *p = panel_of(panel);
        if (!p) return;
        for (Control *c : p->children.items) {
            if (!c) break;
            if (c->flags & CTRL_REMOVED) continue;
            if (TextLabel *t = text_label_of(c); t && t->text) out->push_back(t->text);
            collect(c, out);
        }
    }
    std::vector<int> ranks_;
};

}  // namespace combat_panels_test
