// The system info card: build, status refresh and the three mount-card looks.
#include "views/system_info_card.h"

#include <algorithm>
#include <new>
#include <string>

#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "systems/system.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"

namespace {

constexpr int NAME_R = 220, NAME_G = 240, NAME_B = 220;
constexpr int SIDE_PICTURE_TYPE = 64;
constexpr int EMPTY_ICON_TYPE = 44;
constexpr int DESC_WIDTH = 200, DESC_FONT = 3;
constexpr int MOUNT_INSET = 5;          // icon inset of the mount-card form
constexpr int MOUNT_WIDER = 8;          // and how much wider that card is
constexpr int DETAIL_MODE_CATALOG = 0, DETAIL_MODE_CARD = 2;

// The colours of one look.
struct CardLook {
    int name[3];
    int brightness;
    int background[3];
    int border[3];
};
constexpr CardLook LOOK_NORMAL = {.name = {230, 230, 230}, .brightness = 100, .background = {0, 0, 36}, .border = {220, 240, 0}};
constexpr CardLook LOOK_SELECTED = {.name = {230, 230, 230}, .brightness = 100, .background = {0, 0, 48}, .border = {220, 240, 0}};
constexpr CardLook LOOK_DIMMED = {.name = {50, 60, 100}, .brightness = 20, .background = {5, 5, 5}, .border = {50, 60, 100}};

// What a mount-card flag shows in the icon box.
struct MountIcon {
    uint32_t option;
    int32_t  kind;
    int      image_type;
};
constexpr MountIcon MOUNT_ICONS[] = {
    {.option = SYSTEM_CARD_ENGINE_MOUNT, .kind = SYSTEM_CARD_KIND_ENGINE, .image_type = IMAGE_ENGINE_MOUNT},
    {.option = SYSTEM_CARD_ARMOUR_MOUNT, .kind = SYSTEM_CARD_KIND_ARMOUR, .image_type = IMAGE_ARMOUR_MOUNT},
    {.option = SYSTEM_CARD_SYSTEM_MOUNT, .kind = SYSTEM_CARD_KIND_OTHER, .image_type = IMAGE_SYSTEM_MOUNT},
};

constexpr uint32_t SIDE_OPTIONS[] = {SYSTEM_CARD_SIDE_FORE, SYSTEM_CARD_SIDE_PORT, SYSTEM_CARD_SIDE_AFT,
                                     SYSTEM_CARD_SIDE_STARBOARD};
constexpr const char *SIDE_NAMES[] = {"Fore", "Port", "Aft", "Starboard"};

void free_card_state(void *state) { delete static_cast<SystemCardState *>(state); }

SystemCardState *card_state(Control *card) {
    if (!card || card->widget_free != free_card_state) return nullptr;
    return static_cast<SystemCardState *>(card->widget_state);
}

void set_look_colour(ColourFade *fade, const int (&rgb)[3]) {
    if (fade) colour_fade_set(fade, rgb[0], rgb[1], rgb[2]);
}

// The side shown (0 Fore .. 3 Starboard), or -1 without a side bit.
int side_of(uint32_t options) {
    for (int side = 0; side < 4; ++side)
        if (options & SIDE_OPTIONS[side]) return side;
    return -1;
}

// The side picture and its name, the picture's top at y; returns the bottom edge.
int add_side(Control *card, int x, int y, int side) {
    Control *picture = image_control_create_frame(SIDE_PICTURE_TYPE, side);
    const int pw = picture ? picture->w : 0;
    int ph = picture ? picture->h : 0;
    if (picture) panel_add_child(card, x, y, SYSTEM_CARD_ID_SIDE_PIC, 0, picture);
    if (Control *name = text_label_create_plain(2, 220, 240, 0, SIDE_NAMES[side])) {
        panel_add_child(card, x + pw + 6, y + (ph - name->h) / 2, SYSTEM_CARD_ID_SIDE_NAME, 0, name);
        ph = std::max(ph, name->h);
    }
    return y + ph;
}

Control *status_label(const System *system) {
    Control *label = text_label_create_empty(2);
    if (label) system_status_line(system, label);
    return label;
}

// The size the card takes around its children.
void card_extent(Control *card, uint32_t options, int *w, int *h) {
    panel_layout(card, w, h);
    *w += 8;
    if (options & SYSTEM_CARD_MOUNT_FORM) {
        *w += MOUNT_WIDER;
        *h += MOUNT_INSET;
    }
}

void apply_look(Control *card, const CardLook &look) {
    if (!panel_of(card)) return;
    if (Control *name = panel_find_child(card, SYSTEM_CARD_ID_NAME))
        if (ColourFade *c = text_label_colour(name))
            colour_fade_to(c, look.name[0], look.name[1], look.name[2], SYSTEM_CARD_LOOK_MS, 0);
    if (Control *box = panel_find_child(card, SYSTEM_CARD_ID_ICON_BOX))
        if (Control *icon = panel_find_child(box, SYSTEM_CARD_ID_ICON))
            image_control_animate_brightness(icon, look.brightness, SYSTEM_CARD_LOOK_MS, 0);
    if (Control *side = panel_find_child(card, SYSTEM_CARD_ID_SIDE_PIC))
        image_control_animate_brightness(side, look.brightness, SYSTEM_CARD_LOOK_MS, 0);
    if (ColourFade *bg = panel_background_colour(card))
        colour_fade_to(bg, look.background[0], look.background[1], look.background[2], SYSTEM_CARD_LOOK_MS, 0);
    if (ColourFade *border = panel_border_colour(card))
        colour_fade_to(border, look.border[0], look.border[1], look.border[2], SYSTEM_CARD_LOOK_MS, 0);
    const SystemCardState *state = card_state(card);
    int w = 0, h = 0;
    card_extent(card, state ? state->options : 0, &w, &h);
    panel_resize_to(card, w, h, SYSTEM_CARD_LOOK_MS);
}

}  // namespace

void system_info_card_build(Control *card, System *system, uint32_t options) {
    if (!panel_of(card)) return;
    panel_remove_children(card);
    panel_set_border(card, true);
    set_look_colour(panel_border_colour(card), {16, 16, 0});
    panel_set_background(card, true);
    set_look_colour(panel_background_colour(card), {0, 0, 36});
    panel_set_anchor_mode(card, PANEL_ANCHOR_CENTRE);
    card->user_data = system;

    // The mount kind and the icon the box shows.
    SystemCardState *state = new (std::nothrow) SystemCardState{};
    int icon_type = system ? system->spare : EMPTY_ICON_TYPE;
    int32_t kind = SYSTEM_CARD_KIND_OTHER;
    for (const MountIcon &m : MOUNT_ICONS)
        if (options & m.option) {
            icon_type = m.image_type;
            kind = m.kind;
            break;
        }
    if (state) {
        state->mount_kind = kind;
        state->options = options;
    }
    control_set_widget_state(card, state, free_card_state);

    // Icon box.
    const bool mount_form = options & SYSTEM_CARD_MOUNT_FORM;
    const int inset = mount_form ? MOUNT_INSET : 0;
    Control *icon = image_control_create_framed(icon_type);
    const int iw = icon ? icon->w : 0, ih = icon ? icon->h : 0;
    int box_rgb[3] = {36, 36, 0};
    if (system && (system->flags & SYSTEM_FLAG_OFFENSIVE)) {
        box_rgb[0] = 48, box_rgb[1] = 0, box_rgb[2] = 0;
    } else if (!(system && (system->flags & (SYSTEM_FLAG_ENGINE_MOUNT | SYSTEM_FLAG_ARMOUR_MOUNT))) &&
               kind == SYSTEM_CARD_KIND_OTHER) {
        box_rgb[0] = 14, box_rgb[1] = 16, box_rgb[2] = 36;
    }
    Control *box = panel_create(iw + 2 * inset, ih + 2 * inset, box_rgb[0], box_rgb[1], box_rgb[2]);
    if (box) {
        panel_add_child(card, 1, 1, SYSTEM_CARD_ID_ICON_BOX, 0, box);
        if (icon) panel_add_child(box, inset, inset, SYSTEM_CARD_ID_ICON, 0, icon);
    } else if (icon) {
        control_destroy(icon);
    }
    const int box_w = box ? box->w : 0, box_h = box ? box->h : 0;
    const int text_x = 1 + box_w + 5;
    const int side = side_of(options);
    int bottom = 1 + box_h;

    if (!system) {
        Control *empty = text_label_create_plain(2, NAME_R, NAME_G, NAME_B, "(empty)");
        if (side >= 0) {
            if (empty) panel_add_child(card, text_x, 7, SYSTEM_CARD_ID_NAME, 0, empty);
            bottom = std::max(bottom, add_side(card, text_x, 7 + (empty ? empty->h : 0) + 2, side));
        } else if (empty) {
            panel_add_child(card, text_x, 1 + (box_h - empty->h) / 2, SYSTEM_CARD_ID_NAME, 0, empty);
        }
    } else {
        const bool small = options & SYSTEM_CARD_SMALL_NAME;
        Control *name = text_label_create_plain(small ? 2 : 1, NAME_R, NAME_G, NAME_B, system->name.c_str());
        const int nh = name ? name->h : 0;
        if (side >= 0) {
            if (name) panel_add_child(card, text_x, 7, SYSTEM_CARD_ID_NAME, 0, name);
            bottom = std::max(bottom, add_side(card, text_x, 7 + nh + 2, side));
        } else if (small) {
            if (name) panel_add_child(card, text_x, 6, SYSTEM_CARD_ID_NAME, 0, name);
            bottom = std::max(bottom, 6 + nh);
            if (!(system->flags & SYSTEM_FLAG_NO_STATUS))
                if (Control *status = status_label(system)) {
                    panel_add_child(card, text_x, 6 + 12, SYSTEM_CARD_ID_STATUS, 0, status);
                    bottom = std::max(bottom, status->y + status->h);
                }
        } else if (name) {
            panel_add_child(card, text_x, 1 + (box_h - nh) / 2, SYSTEM_CARD_ID_NAME, 0, name);
        }

        if (options & SYSTEM_CARD_DETAIL_ROWS) {
            List<SystemRow> *rows = ui_stat_rows_list_create();
            if (rows) {
                system_detail_rows(system, rows,
                                   (options & SYSTEM_CARD_CATALOG_ROWS) ? DETAIL_MODE_CATALOG : DETAIL_MODE_CARD);
                if (Control *table = ui_stat_rows_create(rows, 0)) {
                    panel_add_child(card, 6, bottom + 4, SYSTEM_CARD_ID_ROWS, 0, table);
                    bottom = table->y + table->h;
                }
            }
        }
        if (options & SYSTEM_CARD_DESCRIPTION) {
            std::string desc;
            if (system_read_desc(system->type, &desc) == RES_OK && !desc.empty())
                if (Control *tile = ui_tile_create(desc.c_str(), DESC_FONT, DESC_WIDTH, 3, 200, 200, 220, 0)) {
                    panel_set_border(tile, true);
                    set_look_colour(panel_border_colour(tile), {32, 32, 32});
                    panel_set_background(tile, true);
                    set_look_colour(panel_background_colour(tile), {1, 1, 1});
                    panel_add_child(card, 6, bottom + 4, SYSTEM_CARD_ID_DESC, 0, tile);
                }
        }
    }

    int w = 0, h = 0;
    card_extent(card, options, &w, &h);
    control_set_size(card, w, h);
}

Control *system_info_card_create(System *system, uint32_t options) {
    Control *card = panel_create_empty();
    if (card) system_info_card_build(card, system, options);
    return card;
}

void system_card_refresh_status(Control *card) {
    if (!panel_of(card)) return;
    const System *system = static_cast<const System *>(card->user_data);
    Control *old = panel_find_child(card, SYSTEM_CARD_ID_STATUS);
    if (!old || !system) return;
    const int x = old->x, y = old->y, w = card->w, h = card->h;
    control_fade_out(old, SYSTEM_CARD_STATUS_FADE_MS);
    if (Control *status = status_label(system)) panel_add_child(card, x, y, SYSTEM_CARD_ID_STATUS, 0, status);
    control_set_size(card, w, h);
}

void system_card_set_normal(Control *card) { apply_look(card, LOOK_NORMAL); }
void system_card_set_selected(Control *card) { apply_look(card, LOOK_SELECTED); }
void system_card_set_dimmed(Control *card) { apply_look(card, LOOK_DIMMED); }

int32_t system_card_get_mount_kind(Control *card) {
    const SystemCardState *state = card_state(card);
    return state ? state->mount_kind : SYSTEM_CARD_KIND_OTHER;
}
