// The system info card on the systems of a real new game: which children each option set makes,
// the empty mount cards, the status line's refresh and the three mount-card looks.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../screens/galaxy/panels_test_support.h"
#include "platform/colour_fade.h"
#include "systems/system.h"
#include "ui/image_control.h"
#include "ui/text_label.h"
#include "views/system_info_card.h"

namespace {

class SystemInfoCard : public galaxy_test::PanelsGame {
protected:
    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : {44, 64, 82, 84, 125})
            if (image_control_load_type(type) == RES_OK) types_.push_back(type);
    }
    void TearDown() override {
        for (Control *c : cards_) control_destroy(c);
        for (int type : types_) image_control_free_type(type);
        for (System *s : systems_) system_free(s);
        PanelsGame::TearDown();
    }
    Control *card(System *system, uint32_t options) {
        Control *c = system_info_card_create(system, options);
        cards_.push_back(c);
        return c;
    }
    // The first system type whose template's flags hold all of `with` and none of `without`.
    System *system_where(uint32_t with, uint32_t without) {
        for (int type = 0; type < 30; ++type) {
            const System *t = system_type_template(type);
            if (t && (t->flags & with) == with && !(t->flags & without)) {
                System *s = system_create(type);
                systems_.push_back(s);
                return s;
            }
        }
        return nullptr;
    }
    static std::string text(Control *label) {
        const TextLabel *t = text_label_of(label);
        return t && t->text ? t->text : "";
    }
    static Control *child(Control *card, int id) { return panel_find_child(card, id); }
    static Control *icon(Control *card) { return panel_find_child(child(card, SYSTEM_CARD_ID_ICON_BOX), SYSTEM_CARD_ID_ICON); }
    static std::vector<int> rgb(const ColourFade *f) { return {f->r, f->g, f->b}; }
    std::vector<Control *> cards_;
    std::vector<System *> systems_;
    std::vector<int> types_;
};

using Rgb = std::vector<int>;

TEST_F(SystemInfoCard, EmptyMountCardsShowTheMountIconAndTheirSide) {
    struct Case {
        uint32_t options;
        int      icon_type;
        int32_t  kind;
    };
    for (const Case &c : {Case{SYSTEM_CARD_ENGINE_MOUNT, 82, SYSTEM_CARD_KIND_ENGINE},
                          Case{SYSTEM_CARD_ARMOUR_MOUNT, 125, SYSTEM_CARD_KIND_ARMOUR},
                          Case{SYSTEM_CARD_SYSTEM_MOUNT, 84, SYSTEM_CARD_KIND_OTHER}, Case{0, 44, SYSTEM_CARD_KIND_OTHER}}) {
        Control *plain = card(nullptr, c.options | SYSTEM_CARD_MOUNT_FORM);
        EXPECT_EQ(text(child(plain, SYSTEM_CARD_ID_NAME)), "(empty)") << c.options;
        ASSERT_NE(icon(plain), nullptr);
        EXPECT_EQ(image_of(icon(plain))->image_type, c.icon_type);
        EXPECT_EQ(system_card_get_mount_kind(plain), c.kind);
        EXPECT_EQ(child(plain, SYSTEM_CARD_ID_SIDE_PIC), nullptr);
        EXPECT_EQ(child(plain, SYSTEM_CARD_ID_STATUS), nullptr);
    }
    // A system mount with a side: the side picture's frame and the side's name.
    const char *names[] = {"Fore", "Port", "Aft", "Starboard"};
    for (int side = 0; side < 4; ++side) {
        Control *sided = card(nullptr, SYSTEM_CARD_MOUNT_FORM | SYSTEM_CARD_SYSTEM_MOUNT | (SYSTEM_CARD_SIDE_FORE << side));
        Control *picture = child(sided, SYSTEM_CARD_ID_SIDE_PIC);
        ASSERT_NE(picture, nullptr) << side;
        EXPECT_EQ(image_of(picture)->image_type, IMAGE_ARC_SIDE);
        EXPECT_EQ(image_of(picture)->frame, side);
        EXPECT_EQ(text(child(sided, SYSTEM_CARD_ID_SIDE_NAME)), names[side]);
        EXPECT_GT(picture->y, child(sided, SYSTEM_CARD_ID_NAME)->y);
    }
    // The mount-card form insets the icon and makes the card larger than the plain one.
    Control *plain = card(nullptr, SYSTEM_CARD_SYSTEM_MOUNT);
    Control *mount = card(nullptr, SYSTEM_CARD_SYSTEM_MOUNT | SYSTEM_CARD_MOUNT_FORM);
    EXPECT_EQ(icon(mount)->x, 5);
    EXPECT_EQ(child(mount, SYSTEM_CARD_ID_ICON_BOX)->w, child(plain, SYSTEM_CARD_ID_ICON_BOX)->w + 10);
    EXPECT_EQ(mount->w, plain->w + 10 + 8);
}

TEST_F(SystemInfoCard, OptionsChooseNameStatusRowsAndDescription) {
    System *plain = system_where(0, SYSTEM_FLAG_NO_STATUS);
    ASSERT_NE(plain, nullptr);
    // Name only, in the title font, centred on the icon box.
    Control *bare = card(plain, 0);
    EXPECT_EQ(text(child(bare, SYSTEM_CARD_ID_NAME)), plain->name);
    EXPECT_EQ(child(bare, SYSTEM_CARD_ID_STATUS), nullptr);
    EXPECT_EQ(child(bare, SYSTEM_CARD_ID_ROWS), nullptr);
    EXPECT_EQ(child(bare, SYSTEM_CARD_ID_DESC), nullptr);
    EXPECT_EQ(bare->user_data, plain);

    // The small name with the status line under it.
    Control *status = card(plain, SYSTEM_CARD_SMALL_NAME);
    ASSERT_NE(child(status, SYSTEM_CARD_ID_STATUS), nullptr);
    EXPECT_EQ(child(status, SYSTEM_CARD_ID_STATUS)->y, child(status, SYSTEM_CARD_ID_NAME)->y + 12);
    EXPECT_EQ(text(child(status, SYSTEM_CARD_ID_STATUS)), "OK");

    // The grant popup's set: rows, then the description under them, both at x 6.
    Control *grant = card(plain, SYSTEM_CARD_GRANT);
    Control *rows = child(grant, SYSTEM_CARD_ID_ROWS);
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(rows->x, 6);
    std::string desc;
    if (system_read_desc(plain->type, &desc) == RES_OK && !desc.empty()) {
        Control *tile = child(grant, SYSTEM_CARD_ID_DESC);
        ASSERT_NE(tile, nullptr);
        EXPECT_GE(tile->y, rows->y + rows->h);
        EXPECT_LE(tile->x + tile->w + 8, grant->w);
    }
    EXPECT_GE(grant->h, rows->y + rows->h);

    // A system without a status line shows none, even when asked.
    System *silent = system_where(SYSTEM_FLAG_NO_STATUS, 0);
    if (silent) {
        Control *quiet = card(silent, SYSTEM_CARD_SMALL_NAME | SYSTEM_CARD_DETAIL_ROWS);
        EXPECT_EQ(child(quiet, SYSTEM_CARD_ID_STATUS), nullptr);
        EXPECT_NE(child(quiet, SYSTEM_CARD_ID_ROWS), nullptr);
    }

    // The icon box: red for an offensive system, blue for a plain one, amber on a mount of its own.
    System *weapon = system_where(SYSTEM_FLAG_OFFENSIVE, 0);
    ASSERT_NE(weapon, nullptr);
    EXPECT_EQ(rgb(panel_background_colour(child(card(weapon, 0), SYSTEM_CARD_ID_ICON_BOX))), (Rgb{48, 0, 0}));
    System *passive = system_where(0, SYSTEM_FLAG_OFFENSIVE | SYSTEM_FLAG_ENGINE_MOUNT | SYSTEM_FLAG_ARMOUR_MOUNT);
    ASSERT_NE(passive, nullptr);
    EXPECT_EQ(rgb(panel_background_colour(child(card(passive, 0), SYSTEM_CARD_ID_ICON_BOX))), (Rgb{14, 16, 36}));
    EXPECT_EQ(rgb(panel_background_colour(child(card(passive, SYSTEM_CARD_ENGINE_MOUNT), SYSTEM_CARD_ID_ICON_BOX))),
              (Rgb{36, 36, 0}));
}

TEST_F(SystemInfoCard, StatusRefreshKeepsSizeAndPlaceAndFollowsTheSystem) {
    System *plain = system_where(0, SYSTEM_FLAG_NO_STATUS);
    ASSERT_NE(plain, nullptr);
    Control *c = card(plain, SYSTEM_CARD_SMALL_NAME | SYSTEM_CARD_DETAIL_ROWS);
    panel_add_child(centre_panel(), 40, 50, 0, 0, c);
    const int x = c->x, y = c->y, w = c->w, h = c->h;
    Control *old = child(c, SYSTEM_CARD_ID_STATUS);
    control_addref(old);
    plain->status |= SYSTEM_STATUS_OFFLINE;
    system_card_refresh_status(c);
    Control *now = child(c, SYSTEM_CARD_ID_STATUS);
    ASSERT_NE(now, nullptr);
    EXPECT_NE(now, old);
    EXPECT_EQ(text(now), "Offline");
    EXPECT_EQ(now->x, old->x);
    EXPECT_EQ(now->y, old->y);
    frames(10);
    EXPECT_EQ(c->x, x);
    EXPECT_EQ(c->y, y);
    EXPECT_EQ(c->w, w);
    EXPECT_EQ(c->h, h);
    EXPECT_TRUE(old->flags & CTRL_REMOVED) << "the old line is gone after its fade";
    control_release(old);
    cards_.erase(std::find(cards_.begin(), cards_.end(), c));
}

TEST_F(SystemInfoCard, LooksFadeNameIconAndFrame) {
    System *plain = system_where(0, 0);
    ASSERT_NE(plain, nullptr);
    Control *c = card(plain, SYSTEM_CARD_MOUNT_FORM | SYSTEM_CARD_SYSTEM_MOUNT | SYSTEM_CARD_SIDE_AFT);
    panel_add_child(centre_panel(), 40, 50, 0, 0, c);
    const int w = c->w, h = c->h;
    struct Look {
        void (*set)(Control *);
        Rgb name, background, border;
        int brightness;
    };
    for (const Look &look : {Look{system_card_set_dimmed, {50, 60, 100}, {5, 5, 5}, {50, 60, 100}, 20},
                             Look{system_card_set_selected, {230, 230, 230}, {0, 0, 48}, {220, 240, 0}, 100},
                             Look{system_card_set_normal, {230, 230, 230}, {0, 0, 36}, {220, 240, 0}, 100}}) {
        look.set(c);
        frames(12);   // past the 160 ms
        EXPECT_EQ(rgb(text_label_colour(child(c, SYSTEM_CARD_ID_NAME))), look.name);
        EXPECT_EQ(rgb(panel_background_colour(c)), look.background);
        EXPECT_EQ(rgb(panel_border_colour(c)), look.border);
        EXPECT_EQ(image_of(icon(c))->brightness, look.brightness);
        EXPECT_EQ(image_of(child(c, SYSTEM_CARD_ID_SIDE_PIC))->brightness, look.brightness);
        EXPECT_EQ(c->w, w);
        EXPECT_EQ(c->h, h);
    }
    cards_.erase(std::find(cards_.begin(), cards_.end(), c));
}

}  // namespace
