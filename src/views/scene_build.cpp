// Scenes: turning the items into controls and effects, the text box's ticker, the blinking frame and
// the link dialog.
#include <algorithm>
#include <cstring>

#include "effects/effect_scene.h"
#include "platform/colour_fade.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/sprite.h"
#include "ui/dialog.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/line_group.h"
#include "ui/panel.h"
#include "ui/scene.h"
#include "ui/text_label.h"
#include "views/scene_panel.h"
#include "world/toolkit_views.h"

namespace {

Result (*g_opener)(const char *address) = nullptr;

constexpr int FACTORY_SITES = 0;
constexpr int FACTORY_SHIPS = 1;
constexpr int TEXT_LINE_GAP = 4;
constexpr int TICKER_LAYER_WAITING = 1;
constexpr int TICKER_LAYER_SHOWN = 2;

void free_text(void *text) { delete static_cast<std::string *>(text); }

// "Removed after t": a timer for t above 0, at once for 0, kept for a negative t.
void remove_after(Control *c, int t, bool pause_while_hidden) {
    if (t < 0) return;
    control_remove_after(c, t);
    if (pause_while_hidden && t > 0) control_pause_removal_while_hidden(c);
}

Control *add(Control *panel, int x, int y, Control *c, bool enabled = false) {
    return panel_add_child(panel, x, y, 0, enabled ? 0 : 1, c);
}

Sprite *template_picture(int factory, int tmpl, int frame) {
    if (tmpl < 0) return nullptr;
    return template_scene_picture(factory, tmpl, frame);
}

Sprite *ship_facing(int tmpl, int degrees) {
    if (tmpl < 0) return nullptr;
    const int frame = template_ship_heading_frame(tmpl, degrees);
    return frame < 0 ? nullptr : template_picture(FACTORY_SHIPS, tmpl, frame);
}

void add_pulse(Control *panel, int cx, int cy, int direction) {
    effect_scene_pulse(panel, cx, cy, direction);
}

void add_explosion(Control *panel, bool large, int cx, int cy, int delay) {
    effect_scene_explosion(panel, large, cx, cy, delay);
}

void build_site(Control *panel, const SceneItem &item) {
    Sprite *sprite = template_picture(FACTORY_SITES, item.subject, item.frame);
    if (!sprite) return;
    Control *picture = image_control_create_single(sprite);
    if (!picture) return;
    add(panel, item.x, item.y, picture);
    picture->layer = -1;
    control_hide_for(picture, item.delay);
    const int cx = item.x + picture->w / 2, cy = item.y + picture->h / 2;
    const int halo_style = template_site_halo_style(item.subject);
    if (halo_style >= 0) effect_scene_halo(panel, halo_style, cx, cy);
    if (item.options & SCENE_OPT_EXPLODE) {
        add_explosion(panel, false, cx - 10, cy, 200);
        add_explosion(panel, false, cx + 10, cy - 5, 900);
        add_explosion(panel, false, cx - 5, cy + 10, 1400);
        add_explosion(panel, false, cx + 5, cy - 5, 1800);
        add_explosion(panel, true, cx, cy, 2200);
        remove_after(picture, item.delay + 2200, false);
    }
    if (item.options & SCENE_OPT_PULSE) add_pulse(panel, cx, cy, -1);
}

void build_portal(Control *panel, const SceneItem &item) {
    Sprite *sprite = ship_facing(item.subject, 305);
    if (!sprite) return;
    const int portal_h = effect_scene_portal(panel, item.x, item.y, item.delay, 430);
    Control *ship = image_control_create_single(sprite);
    if (!ship) return;
    image_control_animate_reveal(ship, 1, 100, 200);
    const int y = item.y + portal_h / 2 - sprite->height / 2;
    add(panel, item.x, y, ship);
    control_move_to(ship, item.x + 16, y, 200);
    control_hide_for(ship, item.delay + 140);
}

void build_text(Control *panel, const SceneItem &item) {
    Control *box = panel_create_empty();
    if (!box) return;
    add(panel, item.x, item.y, box);
    int t = item.delay, y = 0, after_first = -1, shown = 0;
    for (int i = 0; item.lines && i < list_count(item.lines); ++i) {
        const SceneLine *line = list_get(item.lines, i);
        if (!line) break;
        Control *label = text_label_create_plain(line->font, line->red, line->green, line->blue, line->text.c_str());
        if (!label) continue;
        t += line->delay;
        panel_add_child(box, 0, y, t, 1, label);
        label->layer = shown == 0 ? TICKER_LAYER_SHOWN : TICKER_LAYER_WAITING;
        control_hide_for(label, t);
        y += label->h + TEXT_LINE_GAP;
        if (line->flags & SCENE_LINE_TYPE_OUT) {
            text_label_start_typing(label, std::max(1, line->period));
            t += int(line->text.size()) * line->period + 24 * line->period;
        } else {
            t += 10;
        }
        if (shown++ == 0) after_first = t;
    }
    int w = 0, h = 0;
    panel_layout(box, &w, &h);
    control_set_size(box, w, std::min(h, item.h));
    if (shown > 1) {
        const Control *first = panel_find_child(box, item.delay + list_get(item.lines, 0)->delay);
        if (first) panel_set_scroll(box, 0, first->y + first->h - box->h);
        box->on_timer = scene_ticker_step;
        control_set_timer(box, std::max(1, after_first));
    }
    if (item.options & SCENE_OPT_REMOVE) remove_after(box, item.duration + t, true);
}

void build_image_file(Control *panel, const SceneItem &item) {
    const char *path = item.path ? item.path->c_str() : "";
    Sprite *sprite = sprite_load_png(path);
    if (!sprite) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to load scene object image \"%s\"", path);
        return;
    }
    sprite_addref(sprite);
    Control *picture = image_control_create_single(sprite);
    sprite_release(sprite);   // the control holds its own reference
    if (!picture) return;
    int x = item.x, y = item.y, x2 = item.x2, y2 = item.y2;
    if (item.options & SCENE_IMG_CENTRE) {
        x -= picture->w / 2;
        y -= picture->h / 2;
        x2 -= picture->w / 2;
        y2 -= picture->h / 2;
    }
    add(panel, x, y, picture);
    if (item.options & SCENE_IMG_BORDER) {
        image_control_enable_border(picture);
        colour_fade_set(image_control_border_colour(picture), 0, 205, 0);
    }
    if (item.options & SCENE_IMG_MOVE) control_move_to(picture, x2, y2, 200);
    if (item.options & SCENE_IMG_REVEAL) image_control_animate_reveal(picture, item.w2, item.h2, 200);
    if (item.options & SCENE_IMG_BRIGHTEN) image_control_animate_brightness_from(picture, 10, 100, 200, 0);
    if (item.options & SCENE_IMG_REMOVE) remove_after(picture, item.duration, true);
    control_hide_for(picture, item.delay);
}

Control *green_frame(Control *panel, const SceneItem &item) {
    Control *frame = panel_create_empty();
    if (!frame) return nullptr;
    add(panel, item.x, item.y, frame);
    control_set_size(frame, item.w, item.h);
    panel_set_border(frame, true);
    colour_fade_set(panel_border_colour(frame), 0, 128, 0);
    return frame;
}

void build_blink_frame(Control *panel, const SceneItem &item) {
    Control *frame = green_frame(panel, item);
    if (!frame) return;
    frame->on_timer = scene_frame_blink;
    control_set_timer(frame, 150);
    if (item.options & SCENE_OPT_REMOVE) remove_after(frame, item.duration, true);
    control_hide_for(frame, item.delay);
}

void build_moving_frame(Control *panel, const SceneItem &item) {
    Control *frame = green_frame(panel, item);
    if (!frame) return;
    control_move_to(frame, item.x2, item.y2, item.duration);
    panel_resize_to(frame, item.w2, item.h2, item.duration);
    remove_after(frame, item.duration, true);
    control_hide_for(frame, item.delay);
}

void build_connector(Control *panel, const SceneItem &item) {
    Control *lines = line_group_create(2);
    if (!lines) return;
    const int ox = std::min(item.x, item.x2), oy = std::min(item.y, item.y2);
    line_group_set_line(lines, 0, item.x - ox, item.y - oy, item.x - ox, item.y2 - oy);
    line_group_set_line(lines, 1, item.x - ox, item.y2 - oy, item.x2 - ox, item.y2 - oy);
    for (int i = 0; i < 2; ++i) {
        ColourFade *c = line_group_line_colour(lines, i);
        if (!c) continue;
        colour_fade_start(c, 0, 0, 0, 200, 240, 200, 400, 0, 0);
        colour_fade_set_idle_loop(c, 200, 240, 200, 160, 220, 160, 2000, true);
    }
    add(panel, ox, oy, lines);
    remove_after(lines, item.duration, true);
    control_hide_for(lines, item.delay);
}

void build_ship_picture(Control *panel, const SceneItem &item, Sprite *sprite, int layer = 0) {
    if (!sprite) return;
    Control *ship = image_control_create_single(sprite);
    if (!ship) return;
    add(panel, item.x, item.y, ship);
    ship->layer = layer;
    if (item.kind == SCENE_FLYBY) {
        control_move_to(ship, -ship->w, item.y + 30, 6000);
        remove_after(ship, item.delay + 6000, false);
    }
    if (item.kind == SCENE_SHIP && (item.options & 1))
        add_pulse(panel, item.x + ship->w / 2, item.y + ship->h / 2, 1);
    control_hide_for(ship, item.delay);
}

void build_image(Control *panel, const SceneItem &item) {
    Control *image = image_control_create_frame(item.subject, item.frame);
    if (!image) return;
    add(panel, item.x, item.y, image);
    control_hide_for(image, item.delay);
}

void build_link(Control *panel, const SceneItem &item) {
    Control *label = text_label_create_plain(2, 0, 240, 0, item.text ? item.text->c_str() : "");
    if (!label) return;
    std::string *link = new (std::nothrow) std::string(item.link ? *item.link : "");
    if (!link) {
        control_destroy(label);
        return;
    }
    text_label_enable_hover(label);
    label->on_click = link_dialog_open;
    control_set_user_data(label, panel, nullptr);
    control_set_widget_state(label, link, free_text);
    add(panel, item.x, item.y, label, true);
    control_hide_for(label, item.delay);
}

bool is_web_address(const std::string &address) {
    return address.rfind("http://", 0) == 0 || address.rfind("https://", 0) == 0;
}

Control *live_link_dialog(ControlRoot *root) {
    return root ? game_find_control(root, LINK_DIALOG_ID) : nullptr;
}

void close_link_dialog(bool open) {
    Control *dialog = live_link_dialog(control_root());
    if (!dialog) return;
    const std::string *address = static_cast<const std::string *>(dialog->user_data);
    if (open && address) {
        if (is_web_address(*address)) (void)(g_opener ? g_opener : shell_open)(address->c_str());
        else log_write(LOG_GAME, LOG_WARN, "Refused to open the scene link \"%s\": not a web address", address->c_str());
    }
    control_remove(dialog);
}

}  // namespace

void scene_set_link_opener(Result (*open)(const char *address)) { g_opener = open; }

void scene_build(const Scene *scene, Control *panel) {
    if (!scene || !scene->items || !panel_of(panel)) return;
    for (SceneItem *item : scene->items->items) {
        if (!item) break;
        switch (item->kind) {
        case SCENE_SITE: build_site(panel, *item); break;
        case SCENE_PORTAL: build_portal(panel, *item); break;
        case SCENE_TEXT: build_text(panel, *item); break;
        case SCENE_IMAGE_FILE: build_image_file(panel, *item); break;
        case SCENE_BLINK_FRAME: build_blink_frame(panel, *item); break;
        case SCENE_MOVING_FRAME: build_moving_frame(panel, *item); break;
        case SCENE_CONNECTOR: build_connector(panel, *item); break;
        case SCENE_FLYBY: build_ship_picture(panel, *item, ship_facing(item->subject, 225)); break;
        case SCENE_SHIP_POSE: build_ship_picture(panel, *item, ship_facing(item->subject, 45)); break;
        case SCENE_IMAGE: build_image(panel, *item); break;
        case SCENE_LINK: build_link(panel, *item); break;
        case SCENE_SHIP:
            build_ship_picture(panel, *item, template_picture(FACTORY_SHIPS, item->subject, item->frame));
            break;
        default: break;   // a kind of a later version: skipped
        }
    }
}

void scene_ticker_step(Control *panel) {
    Panel *p = panel_of(panel);
    if (!p) return;
    const std::vector<Control *> &children = p->children.items;
    for (size_t i = 0; i < children.size(); ++i) {
        Control *line = children[i];
        if (!line || line->layer != TICKER_LAYER_WAITING) continue;
        panel_set_scroll(panel, 0, line->y + line->h - panel->h);
        line->layer = TICKER_LAYER_SHOWN;
        if (i + 1 < children.size() && children[i + 1])
            control_set_timer(panel, std::max(children[i + 1]->id - line->id, 1));
        return;
    }
}

void scene_frame_blink(Control *panel) {
    panel_set_border(panel, !panel_has_border(panel));
    control_set_timer(panel, 150);
}

void link_dialog_open(Control *label) {
    ControlRoot *root = control_root();
    if (!root || !label || live_link_dialog(root)) return;
    for (Control *c : root->new_controls ? root->new_controls->items : std::vector<Control *>{})
        if (c && c->id == LINK_DIALOG_ID && !(c->flags & CTRL_REMOVED)) return;   // opened this tick
    int lx = 0, ly = 0;
    control_get_screen_position(label, &lx, &ly);
    Control *dialog = dialog_create("Open the link? This will launch your default web browser.", "Yes, open",
                                    "No, cancel", link_dialog_confirm, nullptr, link_dialog_cancel, nullptr,
                                    DIALOG_KEYS);
    if (!dialog) return;
    const std::string *link = static_cast<const std::string *>(label->widget_state);
    std::string *copy = new (std::nothrow) std::string(link ? *link : "");
    if (!copy) {
        control_destroy(dialog);
        return;
    }
    control_set_user_data(dialog, copy, free_text);
    panel_of(dialog)->flags &= ~PANEL_DRAW_RESIZING;
    control_set_linked(dialog, label);
    const int w = dialog->w, h = dialog->h;
    game_add_control(root, lx, ly, LINK_DIALOG_ID, 0, dialog);
    dialog->layer = 100;
    control_set_size(dialog, label->w, label->h);
    panel_resize_to(dialog, w, h, 200);
    control_move_to(dialog, lx + label->w / 2 - w / 2, ly + label->h / 2 - h / 2, 200);
    if (ColourFade *border = panel_border_colour(dialog)) colour_fade_start(border, 0, 45, 0, 160, 60, 60, 500, 0, 0);
}

void link_dialog_confirm(Control *) { close_link_dialog(true); }
void link_dialog_cancel(Control *) { close_link_dialog(false); }
