// The location side panel: the battle's name, where it is fought on the galaxy (a marked minimap and
// the sector's name, or deep space) and what it is about.
#include <algorithm>
#include <new>

#include "game/encounter.h"
#include "game/game.h"
#include "platform/colour_fade.h"
#include "screens/combat/combat_local.h"
#include "screens/combat/combat_panels.h"
#include "ui/panel.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "views/map_marker_panel.h"
#include "world/object.h"

namespace {

constexpr int TITLE_ID = 100001;
constexpr int INFO_HEADER_X = 6, VALUE_X = 20, VALUE_DY = 20;
constexpr int SECOND_BLOCK_Y = 46;
constexpr int INFO_MIN_WIDTH = 230;
constexpr int INFO_PAD = 4;
constexpr int OUTER_PAD = 6;
constexpr int ENCOUNTER_KIND_NO_LOCATION = ENCOUNTER_SOL;

void free_slots(void *state) { delete static_cast<PanelCommandSlots *>(state); }

// The extent of the panel's live children; 0 x 0 for a panel that holds none.
void content_extent(Control *panel, int *w, int *h) {
    *w = *h = 0;
    const Panel *p = panel_of(panel);
    if (!p) return;
    bool any = false;
    for (const Control *child : p->children.items) {
        if (!child) break;
        any = any || !(child->flags & (CTRL_REMOVED | CTRL_FADING));
    }
    if (any) panel_layout(panel, w, h);
}

// "<name> sector" when the id names a sector, else "Deep space".
void add_place(Control *info, uint64_t sector_id) {
    GameObject *sector = sector_id ? game_find_object(game_get(), sector_id) : nullptr;
    Control *place = (sector && sector->kind == OBJECT_SECTOR)
                         ? text_label_create(2, 230, 230, 230, "%s sector", object_get_name(sector))
                         : text_label_create_plain(2, 230, 230, 230, "Deep space");
    panel_add_child(info, VALUE_X, INFO_HEADER_X + VALUE_DY, 0, 0, place);
}

Control *build_info(const Encounter *enc) {
    Control *info = panel_create_empty();
    if (!info) return nullptr;
    panel_set_border(info, true);
    combat_detail::set_colour(panel_border_colour(info), 12, 12, 12);
    panel_set_background(info, true);
    combat_detail::set_colour(panel_background_colour(info), 0, 6, 0);
    int y = INFO_HEADER_X;
    if (enc->kind != ENCOUNTER_KIND_NO_LOCATION) {
        panel_add_child(info, INFO_HEADER_X, y, 0, 0, text_label_create_plain(1, 230, 230, 0, "Location"));
        add_place(info, enc->sector_id);
        y = SECOND_BLOCK_Y;
    }
    if (!enc->objective.empty()) {
        panel_add_child(info, INFO_HEADER_X, y, 0, 0, text_label_create_plain(1, 230, 230, 0, "Objective"));
        panel_add_child(info, VALUE_X, y + VALUE_DY, 0, 0,
                        text_label_create_plain(2, 230, 230, 230, enc->objective.c_str()));
    }
    int w = 0, h = 0;
    content_extent(info, &w, &h);
    control_set_size(info, std::max(w, INFO_MIN_WIDTH) + INFO_PAD, h + INFO_PAD);
    return info;
}

}  // namespace

void combat_location_panel_build(Control *panel) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 1);
    panel_set_border(panel, true);
    combat_detail::set_colour(panel_border_colour(panel), 24, 24, 8);
    panel_set_anchor_mode(panel, PANEL_ANCHOR_BOTTOM);
    if (PanelCommandSlots *slots = new (std::nothrow) PanelCommandSlots())
        panel_set_command_state(panel, slots, free_slots);

    Control *title = panel_create_empty();
    if (title) {
        ui_button_init(title, "Combat", nullptr, nullptr, panel, 0);
        panel_add_child(panel, 2, 2, TITLE_ID, 0, title);
    }
    const Encounter *enc = game_get()->current_encounter;
    Control *marker = nullptr;
    if (enc) {
        const int name_y = (title ? title->h : 0) + 8;
        Control *name = panel_add_child(panel, 10, name_y, 0, 0, text_label_create_plain(1, 230, 230, 230, enc->name.c_str()));
        const int name_bottom = name ? name->y + name->h : name_y;
        if ((marker = panel_add_child(panel, 10, name_bottom + 8, 0, 0, panel_create_empty()))) {
            map_marker_panel_build(marker);
            if (enc->sector_id) map_marker_panel_set_highlight(marker, enc->sector_id);
            else map_marker_place(marker, enc->centre_x, enc->centre_y);
        }
        const int marker_bottom = marker ? marker->y + marker->h : name_bottom;
        panel_add_child(panel, 10, marker_bottom + 12, 0, 0, build_info(enc));
    }

    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    panel_set_scroll(panel, 0, 0);
    control_set_size(panel, w + OUTER_PAD, h + OUTER_PAD);
    if (title) ui_control_resize(title, panel->w - 4, true);
    if (marker) control_set_position(marker, panel->w / 2 - marker->w / 2, marker->y);
}
