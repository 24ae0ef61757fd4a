// The toolkit's gallery: widgets rendered headless into a PNG under test-output/ for review, with a
// few checks of what the pixels must show.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assetgen/output.h"
#include "platform/colour_fade.h"
#include "platform/draw.h"
#include "platform/font.h"
#include "platform/graphics.h"
#include "test_support.h"
#include "ui/dialog.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/line_group.h"
#include "ui/panel.h"
#include "ui/scroll.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "ui/value_bar.h"
#include "ui_test_support.h"

namespace {

using namespace ui_test;

class Gallery : public UiScreenTest {
protected:
    void SetUp() override {
        UiScreenTest::SetUp();
        ASSERT_GT(ui_line_height(2), 0) << "the generated store's fonts are needed";
        image_control_free_all_types();
        for (int type = 0; type < IMAGE_TYPE_COUNT; ++type) ASSERT_EQ(image_control_load_type(type), RES_OK) << type;
    }
    void TearDown() override {
        game_clear_controls(game());
        game_free_cursors(game());
        image_control_free_all_types();
        UiScreenTest::TearDown();
    }
    // A dark backdrop in bands.
    void paint_backdrop() override {
        for (int band = 0; band < 8; ++band)
            ui_fill_rect(graphics, 0, band * 96, GFX_WIDTH, 96, 10 + band, 13 + band, 20 + band * 2);
    }

    void save(const std::string &name) const {
        std::vector<uint8_t> rgb(static_cast<size_t>(GFX_WIDTH * GFX_HEIGHT * 3));
        for (int y = 0; y < GFX_HEIGHT; ++y)
            for (int x = 0; x < GFX_WIDTH; ++x) {
                const Rgb c = pixel(x, y);
                uint8_t *o = &rgb[static_cast<size_t>((y * GFX_WIDTH + x) * 3)];
                o[0] = uint8_t(c.r);
                o[1] = uint8_t(c.g);
                o[2] = uint8_t(c.b);
            }
        std::vector<uint8_t> png;
        ASSERT_EQ(png_encode(rgb.data(), GFX_WIDTH, GFX_HEIGHT, 3, &png), RES_OK);
        const std::string dir = test_output_dir();
        std::filesystem::create_directories(dir);
        std::ofstream out(dir + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char *>(png.data()), static_cast<std::streamsize>(png.size()));
        ASSERT_TRUE(out.good());
    }

    void run(int frames, int ms = 20) {
        for (int i = 0; i < frames; ++i) frame(ms);
    }
};

void nothing(Control *) {}

Control *framed_panel(int w, int h) {
    Control *p = panel_create(w, h, 8, 12, 20);
    panel_set_border(p, true);
    panel_set_bevel(p, true);
    colour_fade_set(panel_border_colour(p), 60, 110, 150);
    return p;
}

TEST_F(Gallery, WidgetsInTheirLooks) {
    // Title bar with a value box and a close button.
    Control *title = ui_button_create("Fleet Command", "12 ships", nothing, nullptr, TITLE_CLOSE | TITLE_VALUE_BOX);
    ui_control_resize(title, 470, false);
    game_add_control(game(), 20, 16, 0, 0, title);

    // A panel of buttons: normal, hovered (the pointer rests on it), disabled.
    Control *buttons = framed_panel(230, 200);
    List<Control> list;
    Control *engage = image_button_create(69, 6, "Engage", nothing, 'e', nullptr);
    Control *course = image_button_create(72, 6, "Set Course", nothing, 'c', nullptr);
    Control *scrap = image_button_create(36, 6, "Scrap", nothing, 's', nullptr);
    Control *next = image_button_create(8, 6, "Next Turn", nothing, 'n', nullptr);
    for (Control *b : {engage, course, scrap, next}) list_append(&list, b);
    Control *column = panel_make_with_layout(&list, 0);
    panel_add_child(buttons, 10, 10, 0, 0, column);
    image_control_set_highlight(scrap, true);
    image_control_set_tooltip(scrap, true, 0, 0, 0, "No ships selected");
    panel_relayout(buttons);
    panel_grow(buttons, 10, 10);
    game_add_control(game(), 20, 60, 0, 0, buttons);

    // The question dialog.
    Control *dialog = dialog_create("Abandon the current game and return to the title screen?", "Yes", "No",
                                    nothing, nullptr, nothing, nullptr, DIALOG_KEYS);
    game_add_control(game(), 520, 60, 0, 0, dialog);

    // Value bars: the pulsing framed bar, three coloured by value, one with a marker.
    Control *bars = framed_panel(250, 120);
    panel_add_child(bars, 10, 10, 0, 0, value_bar_create(230, 14, 70, 100));
    panel_add_child(bars, 10, 34, 0, 0, value_bar_create_with_text(230, 15, 100));
    panel_add_child(bars, 10, 52, 0, 0, value_bar_create_with_text(230, 50, 100));
    panel_add_child(bars, 10, 70, 0, 0, value_bar_create_with_text(230, 95, 100));
    Control *marked = panel_add_child(bars, 10, 90, 0, 0, value_bar_create(230, 14, 80, 100));
    value_bar_set_marker(marked, 60);
    game_add_control(game(), 20, 290, 0, 0, bars);

    // Scroll bars, vertical and horizontal, thumbs part way.
    Control *vertical = scroll_bar_create(200, 0);
    scroll_bar_set_position(vertical, 60);
    game_add_control(game(), 290, 290, 0, 0, vertical);
    Control *horizontal = scroll_bar_create(250, SCROLL_BAR_HORIZONTAL);
    scroll_bar_set_position(horizontal, 150);
    game_add_control(game(), 20, 430, 0, 0, horizontal);

    // A text block with its bullet, and a cost tag.
    Control *text = ui_tile_create(
        "Starbases gather resources, recruit crew and train officers.\r\nResearch opens new systems to fit to "
        "your designs; fleets carry them across the galaxy day by day.",
        1, 440, 8, 210, 220, 230, TILE_BULLET);
    panel_set_border(text, true);
    colour_fade_set(panel_border_colour(text), 40, 60, 80);
    game_add_control(game(), 520, 240, 0, 0, text);
    game_add_control(game(), 520, 380, 0, 0, cost_tag_create(1250, 6, 0));

    // A row of inline icons as the stat rows show them.
    Control *icons = framed_panel(10, 10);
    int x = 8;
    for (int type : {50, 51, 53, 63, 74, 78, 126, 127, 130, 162, 165, 180}) {
        Control *icon = panel_add_child(icons, x, 6, 0, 0, image_control_create_frame(type, 1));
        x += icon->w + 6;
    }
    panel_relayout(icons);
    panel_grow(icons, 8, 6);
    game_add_control(game(), 520, 440, 0, 0, icons);

    // A line frame.
    Control *lines = line_group_create(4);
    line_group_set_line(lines, 0, 0, 0, 120, 0);
    line_group_set_line(lines, 1, 120, 0, 120, 50);
    line_group_set_line(lines, 2, 120, 50, 0, 50);
    line_group_set_line(lines, 3, 0, 50, 0, 0);
    line_group_set_colour(lines, 90, 220, 120);
    line_group_start_effect(lines);
    line_group_fit_bounds(lines, nullptr, nullptr);
    game_add_control(game(), 30, 530, 0, 0, lines);

    game_select_cursor(game(), 0);
    game_show_cursor(game());

    run(2);
    mouse_at(course->x + 10 + 10 + 20 + 12, 60 + 10 + course->y + 12);   // on "Set Course"
    run(15);
    ASSERT_EQ(game()->hover_control, course);
    image_control_tooltip_show(scrap);   // as its hover would
    run(1);
    render();
    save("ui_gallery.png");

    // The hovered button wears its light border; the others keep the green one.
    int cx = 0, cy = 0, ex = 0, ey = 0, sx = 0, sy = 0;
    control_get_screen_position(course, &cx, &cy);
    control_get_screen_position(engage, &ex, &ey);
    control_get_screen_position(scrap, &sx, &sy);
    const Rgb hover_rim = pixel(cx + course->w / 2, cy), plain_rim = pixel(ex + engage->w / 2, ey);
    EXPECT_GT(hover_rim.r, 150);
    EXPECT_EQ(plain_rim.r, 0);
    EXPECT_EQ(plain_rim.g, 96);
    // The disabled one is greyed: its rim is the dull (32, 32, 15).
    const Rgb grey_rim = pixel(sx + scrap->w / 2, sy);
    EXPECT_EQ(grey_rim.r, 32);
    EXPECT_EQ(grey_rim.b, 15);
    // Captions keep their colour over the button's noise texture: "Engage" is yellow.
    bool yellow = false;
    for (int y = ey + 4; y < ey + engage->h - 4 && !yellow; ++y)
        for (int x = ex + 30; x < ex + engage->w - 4; ++x) {
            const Rgb c = pixel(x, y);
            if (c.r > 150 && c.g > 150 && c.b < 60) yellow = true;
        }
    EXPECT_TRUE(yellow);
    // The dialog's inside is its near-black blue.
    const Rgb inside = pixel(dialog->x + 3, dialog->y + dialog->h - 3);
    EXPECT_EQ(inside.b, 6);
}

}  // namespace
