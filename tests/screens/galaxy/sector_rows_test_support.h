#pragma once
// Test support for the sector rows and the sector information panel: the panels' fixture on a real
// seeded new game with the pictures the rows show (the UI image types and the site frames), sectors
// of the test's own made and filled through the model's operations, and readers for what a built
// panel shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/player.h"
#include "panels_test_support.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "world/factory.h"
#include "world/sector.h"
#include "world/site.h"

namespace galaxy_test {

// Fallback, defence upgrade, credits, clock, construction, crew, commander, ship crew, starbase crew,
// mining, recruit, research, flag: the rows' icons and the feature badges.
constexpr int SECTOR_ROW_IMAGE_TYPES[] = {0, 10, 50, 74, 76, 78, 79, 99, 100, 114, 116, 124, 181};

class SectorRowsGame : public PanelsGame {
protected:
    std::vector<GameObject *> held_;

    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : SECTOR_ROW_IMAGE_TYPES) ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
        for (int32_t t = 0; t < SITE_TEMPLATE_COUNT; ++t) factory_acquire_group(OBJECT_SITE, t, FACTORY_GROUP_FRAMES);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        ASSERT_NE(site_template(SITE_STARBASE)->frames, nullptr);
    }
    void TearDown() override {
        for (GameObject *o : held_) object_release(o);
        held_.clear();
        for (int type : SECTOR_ROW_IMAGE_TYPES) image_control_free_type(type);
        PanelsGame::TearDown();
    }

    Player *ui() { return game->ui_player; }

    // An empty sector of the test's own, off the map.
    Sector *new_sector() {
        Sector *s = sector_create(1);
        EXPECT_NE(s, nullptr);
        if (!s) return nullptr;
        object_assign_id(s);
        object_add_ref(s);
        held_.push_back(s);
        return s;
    }

    static Site *add_site(Sector *s, int32_t t, int32_t x, uint64_t owner = 0) {
        Site *site = site_create(t);
        EXPECT_NE(site, nullptr);
        if (!site) return nullptr;
        site->owner_id = owner;
        sector_add_site(s, site, x, 100);
        return site;
    }

    // The UI player's first owned sector with a starbase (its home).
    Sector *home() {
        for (GameObject *o : game->galaxy_map->objects.items)
            if (Sector *s = sector_of(o); s && s->owner_id == game->ui_player_id && sector_find_site_of_kind(s, SITE_STARBASE))
                return s;
        ADD_FAILURE() << "the UI player owns no starbase";
        return nullptr;
    }

    // A sector of the map nobody owns.
    Sector *unowned() {
        for (GameObject *o : game->galaxy_map->objects.items)
            if (Sector *s = sector_of(o); s && s->owner_id == 0) return s;
        ADD_FAILURE() << "every sector has an owner";
        return nullptr;
    }

    // The remembered copy of a sector in the UI player's memory.
    GameObject *remembered(const GameObject *s) { return player_known_object_by_id(ui(), s->id); }
};

// The site template whose pictures include the icon's, -1 for none.
inline int icon_template(const Control *icon) {
    const ImageControl *img = image_of(icon);
    if (!img || !img->sprite) return -1;
    for (int32_t t = 0; t < SITE_TEMPLATE_COUNT; ++t) {
        const Site *tmpl = site_template(t);
        for (int32_t f = 0; tmpl && tmpl->frames && f < tmpl->frame_count; ++f)
            if (tmpl->frames[f] == img->sprite) return t;
    }
    return -1;
}

inline int image_type(const Control *c) {
    const ImageControl *img = image_of(c);
    return img ? img->image_type : -2;
}

inline std::string label_text(const Control *c) {
    const TextLabel *t = text_label_of(c);
    return t && t->text ? t->text : "";
}

inline std::vector<Control *> children(Control *panel) {
    std::vector<Control *> out;
    if (Panel *p = panel_of(panel))
        for (Control *c : p->children.items)
            if (c && !(c->flags & CTRL_REMOVED)) out.push_back(c);
    return out;
}

inline int centre_y(const Control *c) { return c->y + c->h / 2; }

}  // namespace galaxy_test
