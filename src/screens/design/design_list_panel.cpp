// The design list: rows of the player's designs priced at the list's shipyard, the "(New Design)"
// row, column alignment, clipping with its scroll bar, picking and the refresh after a change.
#include "screens/design/design_list_panel.h"

#include <algorithm>
#include <new>

#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/str.h"
#include "screens/design/design_local.h"
#include "ui/image_control.h"
#include "ui/scroll_list.h"
#include "ui/text_label.h"
#include "world/factory.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int FONT = 2;
constexpr int ICON_GAP = 6;
constexpr int COLUMN_GAP = 24;
constexpr int ROW_STAGGER_MS = 20;

}  // namespace

void design_list_state_free(void *data) {
    DesignListState *s = static_cast<DesignListState *>(data);
    if (!s) return;
    for (Control *row : s->rows.items)
        if (row) control_release(row);
    if (s->site) object_release(s->site);
    delete s;
}

namespace {

// The outer panel a row, the list area or the scroll bar belongs to.
Control *outer_of(Control *ctrl) {
    for (Control *c = ctrl; c; c = c->owner)
        if (design_list_state(c)) return c;
    return nullptr;
}

// What one ship of the design costs at the site, as the build will charge it: credits and whole
// days; a build of it paused at this site gives the saved cost and the days left.
void price_of(Player *player, GameObject *design, const Site *site, int32_t *cost, int32_t *days) {
    using design_detail::MINUTES_PER_DAY;
    int32_t minutes = 0;
    player_design_build_cost(player, design, site->sector_id, cost, &minutes);
    *days = minutes > 0 ? int32_t((int64_t(minutes) + MINUTES_PER_DAY - 1) / MINUTES_PER_DAY) : 0;
    int32_t item = 0, saved = 0, left = 0;
    uint64_t item_id = 0;
    if (site_get_paused_production(site, &item, &item_id, &saved, &left) && item_id == design->id) {
        *cost = saved;
        *days = left;
    }
}

Sprite *list_picture(const GameObject *design) {
    const Ship *ship = ship_of(const_cast<GameObject *>(design));
    if (!ship || factory_init() != RES_OK) return nullptr;
    const Factory *factory = factory_get(OBJECT_SHIP);
    if (!factory || ship->subtype < 0 || ship->subtype >= factory->template_count) return nullptr;
    const Ship *tmpl = ship_of(factory_get_template(OBJECT_SHIP, ship->subtype));
    const int32_t f = tmpl ? tmpl->frame_d : -1;
    if (!tmpl || f < 0 || f >= tmpl->frame_count) return nullptr;
    if (tmpl->frames && tmpl->frames[f]) return tmpl->frames[f];
    return tmpl->frame_sprites ? tmpl->frame_sprites[f] : nullptr;
}

const char *design_name(const GameObject *design) {
    const Ship *ship = ship_of(const_cast<GameObject *>(design));
    return ship ? ship->ship_name.c_str() : "";
}

Control *make_row(int index) {
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    panel_set_border_hover(row, 20, 20, 10, 0, 130, 0, 200);
    panel_set_background_hover(row, 0, 0, 10, 0, 0, 40, 200);
    if (Panel *p = panel_of(row)) p->value = index;
    row->on_click = scroll_list_on_row_click;
    row->on_wheel = scroll_list_on_wheel;
    return row;
}

void add_figure(Control *row, int icon_id, int icon_type, int text_id, const std::string &text) {
    if (Control *icon = panel_add_child(row, 0, 0, icon_id, 0, image_control_create(icon_type))) control_set_enabled(icon, false);
    if (Control *label = panel_add_child(row, 0, 0, text_id, 0, text_label_create_plain(FONT, 230, 230, 0, text.c_str())))
        control_set_enabled(label, false);
}

Control *make_design_row(int index, Player *player, GameObject *design, const Site *site) {
    Control *row = make_row(index);
    if (!row) return nullptr;
    Control *picture = panel_add_child(row, 2, 2, DESIGN_ROW_ID_PICTURE, 0, image_control_create_single(list_picture(design)));
    if (picture) control_set_enabled(picture, false);
    const int x = picture ? picture->x + picture->w + 4 : 2;
    if (Control *name = panel_add_child(row, x, 2, DESIGN_ROW_ID_NAME, 0,
                                        text_label_create_plain(FONT, 230, 230, 230, design_name(design))))
        control_set_enabled(name, false);
    int32_t cost = 0, days = 0;
    price_of(player, design, site, &cost, &days);
    if (cost > 0) add_figure(row, DESIGN_ROW_ID_COST_ICON, IMAGE_CREDITS, DESIGN_ROW_ID_COST, str_format("$%i", cost));
    if (days > 0) add_figure(row, DESIGN_ROW_ID_DAYS_ICON, IMAGE_CLOCK, DESIGN_ROW_ID_DAYS, str_format("%i", days));
    return row;
}

Control *make_new_design_row(int index) {
    Control *row = make_row(index);
    if (!row) return nullptr;
    Control *picture = panel_add_child(row, 2, 2, DESIGN_ROW_ID_PICTURE, 0, image_control_create(IMAGE_NEW_DESIGN));
    if (picture) control_set_enabled(picture, false);
    const int x = picture ? picture->x + picture->w + 4 : 2;
    if (Control *name = panel_add_child(row, x, 2, DESIGN_ROW_ID_NAME, 0,
                                        text_label_create_plain(FONT, 230, 230, 230, "(New Design)"))) {
        control_set_enabled(name, false);
        colour_fade_start(text_label_colour(name), 230, 230, 230, 230, 230, 0, 1000, 500, 0);
    }
    return row;
}

int width_of(Control *row, int id) {
    const Control *c = panel_find_child(row, id);
    return c ? c->w : 0;
}

void centre_at(Control *row, int id, int x) {
    if (Control *c = panel_find_child(row, id)) control_set_position(c, x, (row->h - c->h) / 2);
}

// The name, cost and days columns line up across the rows; every row gets the same width.
void align_columns(const List<Control> &rows) {
    int name_col = 0, cost_col = 0, days_col = 0;
    for (Control *row : rows.items) {
        int w = 0, h = 0;
        panel_layout(row, &w, &h);
        control_set_size(row, w + 4, h + 2);
        const Control *name = panel_find_child(row, DESIGN_ROW_ID_NAME);
        name_col = std::max(name_col, name ? name->x + name->w : 0);
        if (panel_find_child(row, DESIGN_ROW_ID_COST))
            cost_col = std::max(cost_col, width_of(row, DESIGN_ROW_ID_COST_ICON) + ICON_GAP + width_of(row, DESIGN_ROW_ID_COST) + 12);
        if (panel_find_child(row, DESIGN_ROW_ID_DAYS))
            days_col = std::max(days_col, width_of(row, DESIGN_ROW_ID_DAYS_ICON) + ICON_GAP + width_of(row, DESIGN_ROW_ID_DAYS) + 12);
    }
    const int width = name_col + 28 + cost_col + COLUMN_GAP + days_col;
    const int cost_x = name_col + 27, days_x = cost_x + cost_col + COLUMN_GAP - 12;
    for (Control *row : rows.items) {
        control_set_size(row, width, row->h);
        if (Control *name = panel_find_child(row, DESIGN_ROW_ID_NAME)) control_set_position(name, name->x, (row->h - name->h) / 2);
        centre_at(row, DESIGN_ROW_ID_COST_ICON, cost_x);
        centre_at(row, DESIGN_ROW_ID_COST, cost_x + width_of(row, DESIGN_ROW_ID_COST_ICON) + ICON_GAP);
        centre_at(row, DESIGN_ROW_ID_DAYS_ICON, days_x);
        centre_at(row, DESIGN_ROW_ID_DAYS, days_x + width_of(row, DESIGN_ROW_ID_DAYS_ICON) + ICON_GAP);
    }
}

}  // namespace

DesignListState *design_list_state(Control *panel) {
    return panel && panel_of(panel) && panel->widget_free == design_list_state_free ? static_cast<DesignListState *>(panel->widget_state)
                                                                         : nullptr;
}

void design_list_build(Control *panel, Site *site, ControlFn on_pick) {
    Player *player = design_detail::owner_of(site);
    Panel *p = panel_of(panel);
    if (!player || !p) return;
    DesignListState *s = new (std::nothrow) DesignListState{};
    if (!s) return;
    s->site = site;
    object_add_ref(site);   // before the old state lets go of the same site
    s->on_pick = on_pick;
    panel_remove_children(panel);
    panel_clear_fills(panel);
    panel_set_border(panel, false);
    control_set_widget_state(panel, s, design_list_state_free);

    Control *area = panel_add_child(panel, 0, 0, DESIGN_LIST_ID_AREA, 0, panel_create_empty());
    if (!area) return;
    panel_clear_fills(area);
    scroll_list_init(area, DESIGN_LIST_ARROW_STEP, DESIGN_LIST_WHEEL_STEP);
    scroll_list_set_pick_slot(area, design_list_on_row_click);
    area->on_wheel = scroll_list_on_wheel;
    const int32_t count = player_design_count(player);
    for (int32_t i = 0; i <= count; ++i) {
        GameObject *design = i < count ? player_get_design_at(player, i) : nullptr;
        if (design) list_append(&s->designs, design);
        Control *row = design ? make_design_row(i, player, design, site) : make_new_design_row(i);
        if (row) list_append(&s->rows, control_addref(row));
    }
    align_columns(s->rows);
    int y = 0, k = 0;
    const int rows = list_count(&s->rows);
    for (Control *row : s->rows.items) {
        panel_add_child(area, 0, y, 0, 0, row);
        y += row->h + design_detail::ROW_GAP;
        const int w = row->w;
        control_set_size(row, 10, row->h);
        panel_set_draw_children_while_resizing(row, true);
        panel_resize_to(row, w, row->h, 200);
        if (k > 0) control_hide_for(row, k * ROW_STAGGER_MS);
        control_disable_for(row, rows * ROW_STAGGER_MS);
        ++k;
    }
    int w = 0, h = 0;
    panel_layout(area, &w, &h);
    control_set_size(area, w, h);
    s->list_height = h;
    scroll_list_set_content(area, h);
    if (h > DESIGN_LIST_MAX_HEIGHT) {
        control_set_size(area, w, DESIGN_LIST_MAX_HEIGHT);
        scroll_list_add_bar(area, panel, w + 2, 0, DESIGN_LIST_ID_SCROLL, DESIGN_LIST_MAX_HEIGHT, 0);
    }
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + 4, std::max(h + 4, DESIGN_LIST_MIN_HEIGHT));
}

void design_list_refresh(Control *panel) {
    DesignListState *s = design_list_state(panel);
    Player *player = s ? design_detail::owner_of(s->site) : nullptr;
    if (!player) return;
    const int32_t count = player_design_count(player);
    // A design added or scrapped moves the "(New Design)" row: the rows are built anew.
    if (count != list_count(&s->designs)) {
        design_list_build(panel, s->site, s->on_pick);
        return;
    }
    list_reset(&s->designs);
    for (int32_t i = 0; i < count; ++i) list_append(&s->designs, player_get_design_at(player, i));
    for (Control *row : s->rows.items) {
        const Panel *p = panel_of(row);
        GameObject *design = p ? list_get(&s->designs, p->value) : nullptr;
        if (!design) continue;
        int32_t cost = 0, days = 0;
        price_of(player, design, s->site, &cost, &days);
        if (Control *c = panel_find_child(row, DESIGN_ROW_ID_COST)) {
            text_label_set_text(c, str_format("$%i", cost).c_str());
            text_label_measure(c);
        }
        if (Control *c = panel_find_child(row, DESIGN_ROW_ID_DAYS)) {
            text_label_set_text(c, str_format("%i", days).c_str());
            text_label_measure(c);
        }
        if (Control *c = panel_find_child(row, DESIGN_ROW_ID_NAME)) {
            text_label_set_text(c, design_name(design));
            text_label_measure(c);
        }
    }
}

GameObject *design_list_get_picked(Control *panel) {
    DesignListState *s = design_list_state(panel);
    return s ? list_get(&s->designs, s->picked) : nullptr;
}

// ---- Callbacks ----

void design_list_on_row_click(Control *row) {
    Control *outer = outer_of(row);
    DesignListState *s = design_list_state(outer);
    const Panel *p = panel_of(row);
    if (!s || !p) return;
    s->picked = p->value;
    if (s->on_pick) s->on_pick(outer);
}
