// The title's logo page and About page: the logo with its glows, the credits, the version line and
// the two web links with their confirm dialog.
#include "screens/title/title_pages.h"

#include "effects/effect_glow.h"
#include "game/game.h"
#include "platform/colour_fade.h"
#include "platform/files.h"
#include "platform/image_ids.h"
#include "platform/sprite.h"
#include "platform/version.h"
#include "screens/title/title_mode.h"
#include "ui/dialog.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/line_group.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"

namespace {

constexpr int OK_KEY = 13;   // Enter
constexpr int GLOW_LAYER = 10;
constexpr int LINK_HOVER_MS = 130;
constexpr int LINK_DIALOG_X = 620, LINK_DIALOG_Y = 572;

Result (*g_link_opener)(const char *address) = shell_open;

struct CreditSection {
    const char *heading;
    int         x;
    const char *lines[3];   // null-terminated when shorter
};

const char *const CREDIT_AUTHOR = "The Astrovane team";

const CreditSection CREDIT_ROW[] = {
    {"3D Models", 0,   {"Generated in-house", "by our assetgen painter", nullptr}},
    {"Music",     173, {"Generated in-house", "by our assetgen synthesiser", nullptr}},
    {"Fonts",     346, {"Generated in-house", "by our assetgen glyph cutter", nullptr}},
};

const char *const CREDIT_IMAGES[] = {
    "The Astrovane team / assetgen backgrounds",
    "The Astrovane team / assetgen scenes and portraits",
};

struct Link {
    int         id;
    const char *title;
    const char *address;
    int         y;
};

const Link LINKS[] = {
    {TITLE_ID_CONTRIBUTE, "Contribute", TITLE_ADDRESS_CONTRIBUTE, 719},
    {TITLE_ID_MORE_INFO,  "More Info",  TITLE_ADDRESS_MORE,       738},
};
constexpr int LINK_X = 526;
constexpr int LINK_ADDRESS_X = 102;
constexpr int LINK_LINE_Y = 11;   // without an address label

Control *add_label(Control *panel, int x, int y, int font, int r, int g, int b, const char *text) {
    Control *label = text_label_create_plain(font, r, g, b, text);
    if (label) panel_add_child(panel, x, y, 0, 1, label);
    return label;
}

int height_of(const Control *c) { return c ? c->h : 0; }

// A glow centred on an image of the logo panel.
GlowEffect *add_glow(Control *panel, const Control *image, Sprite *sprite, int radius) {
    GlowEffect *glow = effect_create_glow(sprite);
    if (!glow) return nullptr;
    effect_glow_set_radius_now(glow, radius);
    panel_add_effect(panel, glow, image->x - radius, image->y - radius, GLOW_LAYER);
    return glow;
}

void add_logo_glows(Control *panel, Control *image0, Control *image1) {
    Sprite *const *images = game_get()->title_images;
    if (GlowEffect *g = add_glow(panel, image0, images[0], 10)) {
        effect_glow_set_radius(g, 10, 0, 400);
        colour_fade_start(effect_glow_colour(g), 100, 10, 3, 28, 88, 33, 2000, 500, 0);
    }
    if (GlowEffect *g = add_glow(panel, image0, images[0], 1)) {
        effect_glow_set_delay(g, 200);
        colour_fade_start(effect_glow_colour(g), 255, 255, 255, 0, 0, 0, 2000, 0, 0);
    }
    if (!image1) return;
    if (GlowEffect *g = add_glow(panel, image1, images[1], 10)) {
        effect_glow_set_radius(g, 10, 0, 400);
        // Every channel one step per 6 ms, back and forth for ever.
        colour_fade_start(effect_glow_colour(g), 70, 70, 70, 230, 230, 230, 960, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    }
}

void build_logo(int page) {
    Game *g = game_get();
    if (g->title_image_count < 1) return;
    Control *panel = panel_create_empty();
    if (!panel) return;
    game_add_control(g, 0, 0, TITLE_ID_LOGO, 1, panel);
    Control *image0 = image_control_create_single(g->title_images[0]);
    Control *image1 = g->title_image_count > 1 ? image_control_create_single(g->title_images[1]) : nullptr;
    panel_add_child(panel, 10, 10, 0, 0, image0);
    if (image1) panel_add_child(panel, 10, height_of(image0) + 22, 0, 0, image1);
    panel_relayout(panel);
    control_set_size(panel, panel->w + 10, panel->h + 10);
    for (Control *image : {image0, image1}) {
        if (!image) continue;
        const int x = page == TITLE_PAGE_ABOUT ? 0 : (panel->w - image->w) / 2;
        control_set_position(image, x, image->y);
        control_hide_for(image, 200);
        image_control_animate_reveal(image, 0, 100, 200);
    }
    if (page == TITLE_PAGE_ABOUT) control_set_position(panel, 37, 18);
    else control_set_position(panel, ui_screen_width() / 2 - panel->w / 2, 88);
    control_hide_for(panel, 1000);
    if (image0) add_logo_glows(panel, image0, image1);
}

void build_credits() {
    Control *panel = panel_create_empty();
    if (!panel) return;
    game_add_control(game_get(), 60, 130, TITLE_ID_CREDITS, 1, panel);
    const Control *first = add_label(panel, 0, 0, 1, 200, 200, 44, "Turn based strategy");
    const int first_h = height_of(first);
    add_label(panel, 28, first_h + 7, 2, 200, 200, 200, "by");
    const Control *author = add_label(panel, 50, first_h + 6, 1, 200, 200, 200, CREDIT_AUTHOR);
    const int row_y = first_h + 6 + height_of(author) + 18;
    auto add_section = [panel](const char *heading, int x, int y, const char *const *lines, int count) {
        const Control *h = add_label(panel, x, y, 1, 150, 240, 150, heading);
        int line_y = y + height_of(h) + 8;
        for (int i = 0; i < count && lines[i]; ++i) {
            const Control *line = add_label(panel, x + 16, line_y, 2, 200, 200, 200, lines[i]);
            line_y += height_of(line) + 6;
        }
    };
    for (const CreditSection &s : CREDIT_ROW) add_section(s.heading, s.x, row_y, s.lines, 3);
    add_section("Images", 0, 230, CREDIT_IMAGES, int(sizeof CREDIT_IMAGES / sizeof *CREDIT_IMAGES));
    panel_relayout(panel);
    control_hide_for(panel, 2460);
}

void build_link(const Link &link) {
    Control *panel = panel_create_empty();
    if (!panel) return;
    game_add_control(game_get(), LINK_X, link.y, link.id, 0, panel);
    add_label(panel, 0, 0, 6, 230, 230, 230, link.title);
    Control *address = text_label_create_plain(2, 0, 240, 0, link.address);
    if (address) panel_add_child(panel, LINK_ADDRESS_X, 3, TITLE_ID_LINK_TEXT, 1, address);
    // The underline runs along the foot of the address's line, under its letters, not through them.
    const int line_y = address ? address->y + address->h - 1 : LINK_LINE_Y;
    if (Control *line = line_group_create_line(0, 0, address ? address->w : 0, 0, 0, 240, 0))
        panel_add_child(panel, LINK_ADDRESS_X, line_y, TITLE_ID_LINK_LINE, 1, line);
    panel_relayout(panel);
    control_set_user_data(panel, const_cast<char *>(link.address), nullptr);   // static text: nothing to free
    panel->on_click = title_link_on_click;
    panel->on_hover_enter = title_link_hover_enter;
    panel->on_hover_leave = title_link_hover_leave;
    control_hide_for(panel, 2460);
}

void build_about() {
    Game *g = game_get();
    if (Control *ok = image_button_create(IMAGE_OK, 6, "OK", title_about_on_close, OK_KEY, nullptr)) {
        game_add_control(g, ui_screen_width() - ok->w - 12, ui_screen_height() - ok->h - 12, TITLE_ID_ABOUT_OK, 0, ok);
        control_hide_for(ok, 2000);
    }
    if (Control *version = text_label_create(2, 0, 0, 0, "v%s. %s", TITLE_VERSION, ASTROVANE_BUILD_DATE)) {
        game_add_control(g, 24, ui_screen_height() - version->h - 8, TITLE_ID_VERSION, 1, version);
        colour_fade_start(text_label_colour(version), 0, 0, 0, 230, 210, 30, 200, 0, 0);
        control_hide_for(version, 3000);
    }
    build_credits();
    for (const Link &link : LINKS) build_link(link);
}

// The address label and the underline of a link panel fade to the colour.
void fade_link(Control *link, int r, int g, int b) {
    if (Control *text = panel_find_child(link, TITLE_ID_LINK_TEXT)) colour_fade_to(text_label_colour(text), r, g, b, LINK_HOVER_MS, 0);
    if (Control *line = panel_find_child(link, TITLE_ID_LINK_LINE))
        colour_fade_to(line_group_line_colour(line, 0), r, g, b, LINK_HOVER_MS, 0);
}

void set_links_enabled(bool on) {
    for (const Link &link : LINKS)
        if (Control *panel = game_find_control(game_get(), link.id)) {
            panel->flags &= ~CTRL_DISABLE_TIMER;
            if (on) panel->flags &= ~CTRL_DISABLED;
            else panel->flags |= CTRL_DISABLED;
        }
}

}  // namespace

void title_page_build(int page) {
    build_logo(page);
    if (page == TITLE_PAGE_ABOUT) build_about();
}

void title_about_on_close(Control *button) {
    TitleState *s = title_state();
    s->flags.fetch_and(~TITLE_ABOUT_REQUESTED, std::memory_order_release);
    s->flags.fetch_or(TITLE_LOGO_PENDING, std::memory_order_release);
    s->target_background = TITLE_BG_TITLE;
    s->phase = TITLE_PHASE_COUNTDOWN;
    control_remove(button);
    Game *g = game_get();
    for (int id : {TITLE_ID_LOGO, TITLE_ID_CREDITS, TITLE_ID_CONTRIBUTE, TITLE_ID_MORE_INFO})
        if (Control *c = game_find_control(g, id)) panel_fade_out_recursive(c, 500);
    for (int id : {TITLE_ID_LINK_DIALOG, TITLE_ID_VERSION})
        if (Control *c = game_find_control(g, id)) control_remove(c);
    if (Control *menu = title_menu_create()) control_hide_for(menu, 3500);
}

void title_link_on_click(Control *link) {
    Control *dialog = panel_create_empty();
    if (!dialog) return;
    dialog_build(dialog, "Open the link? This will launch your default web browser.", "Yes, open", "No, cancel",
                 title_link_open, link->user_data, title_link_cancel, nullptr, DIALOG_KEYS);
    const int w = dialog->w, h = dialog->h;
    game_add_control(game_get(), link->x, link->y, TITLE_ID_LINK_DIALOG, 0, dialog);
    control_set_size(dialog, link->w, link->h);
    panel_resize_to(dialog, w, h, 200);
    control_move_to(dialog, LINK_DIALOG_X, LINK_DIALOG_Y, 200);
    colour_fade_start(panel_border_colour(dialog), 0, 45, 0, 160, 60, 60, 500, 0, 0);
    set_links_enabled(false);
}

void title_link_hover_enter(Control *link) { fade_link(link, 248, 248, 248); }
void title_link_hover_leave(Control *link) { fade_link(link, 0, 240, 0); }

void title_link_open(Control *button) {
    // The shell's refusal is not reported: the dialog closes as after "No, cancel".
    if (const char *address = static_cast<const char *>(button->user_data)) (void)g_link_opener(address);
    title_link_cancel(button);
}

void title_link_cancel(Control *) {
    if (Control *dialog = game_find_control(game_get(), TITLE_ID_LINK_DIALOG)) control_remove(dialog);
    set_links_enabled(true);
}

void title_set_link_opener(Result (*open)(const char *address)) { g_link_opener = open ? open : shell_open; }
