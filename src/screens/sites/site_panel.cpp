// The site panel: caption, the header by what the site is (body, star or facility), construction,
// the starbase's commander and officer pool, production, stat rows, description, defenders and
// the command buttons with their reasons.
#include "screens/sites/site_panel.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/orders.h"
#include "game/officer.h"
#include "game/player.h"
#include "game/tech.h"
#include "platform/calendar.h"
#include "platform/colour_fade.h"
#include "platform/geometry.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "platform/str.h"
#include "screens/officers/officer_detail_panel.h"
#include "screens/officers/officer_choice.h"
#include "screens/sites/facility_panels.h"
#include "screens/sites/officer_pool.h"
#include "screens/sites/site_choosers.h"
#include "ui/control_bitmap.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel_slots.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "views/commander_box.h"
#include "views/player_name_label.h"
#include "views/ship_list.h"
#include "world/sector.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

constexpr int BODY_LEFT = 4;
constexpr int FADE_MS = 200;
constexpr int COLUMN = 174;          // a body's second column (surface, stat rows)
constexpr int PICTURE_MIDDLE = 50;   // a body's picture is centred this far below the header
constexpr int DESCRIPTION_WIDTH = 376;
constexpr int DEFENDERS_WIDTH = 422;
constexpr int BAR_W = 180, BAR_H = 19;
constexpr int STATUS_PULSE_MS = 2000;
constexpr int COMMANDER_PULSE_MS = 150;

constexpr int FRAME_INNER_TAG = -2, FRAME_OUTER_TAG = -3;

struct Rgb {
    int r, g, b;
};
constexpr Rgb LABEL{230, 230, 230};
constexpr Rgb BODY_NAME{230, 200, 230};
constexpr Rgb GREY{150, 150, 150};
constexpr Rgb ALERT{230, 0, 40};

void state_free(void *state) { delete static_cast<SitePanelState *>(state); }

Control *panel_of_user(Control *c) { return c ? static_cast<Control *>(c->user_data) : nullptr; }

template <int K> void on_slot_button(Control *button) { site_panel_call_slot(panel_of_user(button), K); }

// A chooser opens in place of the body: clear, open, fit.
void open_chooser(Control *button, void (*open)(Control *)) {
    Control *panel = panel_of_user(button);
    if (!site_panel_state(panel)) return;
    site_panel_clear_body(panel);
    open(panel);
    site_panel_fit(panel);
}
void on_build_facility(Control *button) { open_chooser(button, site_facility_chooser_open); }
void on_build_ship(Control *button) { open_chooser(button, site_design_chooser_open); }
void on_train(Control *button) { open_chooser(button, site_recruit_chooser_open); }

void on_close(Control *caption) {
    Control *panel = panel_of_user(caption);
    if (!site_panel_state(panel)) return;
    game_flash_panel_frame(game_get(), panel);
    control_remove(panel);
}

// A control that appears after the delay (0: at once).
Control *appear_after(Control *c, int delay) {
    if (c && delay > 0) control_hide_for(c, delay);
    return c;
}

Control *label(int font, Rgb c, const std::string &text) { return text_label_create_plain(font, c.r, c.g, c.b, text.c_str()); }

std::string date_text(const Date *date) {
    const Date zero;
    return date_format(date ? date : &zero);
}

void pulse(Control *text, Rgb a, Rgb b) {
    if (ColourFade *fade = text_label_colour(text))
        colour_fade_start(fade, a.r, a.g, a.b, b.r, b.g, b.b, STATUS_PULSE_MS, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
}

void size_to_content(Control *panel, int dw, int dh) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + dw, h + dh);
}

int bottom_of(const Control *c) { return c ? c->y + c->h : 0; }

// The rows of one body attribute table: the four (or three) captions and values of a body. The
// first row keeps its place; each next one keeps its own unless that leaves fewer than ROW_AIR
// pixels under the row above, where it moves down (the small capitals fill their whole line, so
// rows set edge to edge read as one block).
void add_attribute_rows(Control *panel, int x, int y, const std::vector<std::pair<const char *, std::string>> &rows) {
    static constexpr int LABEL_DY[] = {112, 121, 131, 140};
    static constexpr int VALUE_DY[] = {112, 121, 130, 139};
    static constexpr int ROW_AIR = 3;
    int below = 0;   // the first line the next row may take
    for (size_t i = 0; i < rows.size() && i < 4; ++i) {
        Control *caption = text_label_create_plain(4, 230, 230, 220, rows[i].first);
        Control *value = text_label_create_plain(4, 230, 230, 40, rows[i].second.c_str());
        const int shift = i == 0 ? 0 : std::max(0, below - (y + LABEL_DY[i]));
        const int top = y + LABEL_DY[i] + shift;
        panel_add_child(panel, x + 20, top, 0, 0, caption);
        panel_add_child(panel, x + 90, y + VALUE_DY[i] + shift, 0, 0, value);
        below = top + std::max(caption ? caption->h : 0, value ? value->h : 0) + ROW_AIR;
    }
}

// The surface map of a body (id 100021), with its feature's or gathered feature's overlay.
Control *add_surface(Control *panel, const Site *site, int x, int y, bool overlay) {
    std::vector<uint8_t> grid;
    if (feature_grid_generate(site, &grid) != RES_OK || grid.empty()) return nullptr;
    auto *bytes = static_cast<uint8_t *>(std::malloc(grid.size()));
    if (!bytes) return nullptr;
    std::copy(grid.begin(), grid.end(), bytes);
    Control *map = panel_add_child(panel, x, y, SITE_PANEL_ID_SURFACE, 0,
                                   bitmap_control_create(bytes, site->params.grid_width, site->params.grid_height));
    if (!map) return nullptr;
    const uint8_t *c = site->params.grid_colours;
    colour_fade_set(bitmap_control_colour_a(map), c[0], c[1], c[2]);
    colour_fade_set(bitmap_control_colour_b(map), c[3], c[4], c[5]);
    if (!overlay) return map;
    Control *mark = nullptr;
    if (site->feature) {
        mark = image_control_create_frame(IMAGE_FEATURE, site->feature->kind);
        if (mark) control_set_position(mark, site->feature->grid_x, site->feature->grid_y);
    } else if (site->gather_state >= 0) {
        mark = image_control_create_frame(IMAGE_FEATURE, site->gather_state);
        if (mark) control_set_position(mark, site->gather_a, site->gather_b);
    }
    if (mark) {
        // Centred on its cell, kept within the map.
        const int mx = std::clamp(mark->x - mark->w / 2, 0, std::max(0, map->w - mark->w));
        const int my = std::clamp(mark->y - mark->h / 2, 0, std::max(0, map->h - mark->h));
        panel_add_child(panel, map->x + mx, map->y + my, 0, 0, mark);
        mark->tag = 1;
    }
    return map;
}

struct Header {
    Control *owner = nullptr;
    Control *status = nullptr;
    Control *blockade_icon = nullptr;
    Control *blockade_note = nullptr;
    Control *surface = nullptr;
    int x = 0, y = 0;
};

// A labelled body: name, picture, surface and its four attributes.
void build_body_header(Control *panel, const Site *site, const Sector *sector, Header *h) {
    const bool own_sprite = site->params.template_flags & SITE_TF_OWN_SPRITE;
    int x = h->x, y = h->y;
    if (!own_sprite) {
        const std::string name = str_format("%s %s", object_get_name(const_cast<Sector *>(sector)),
                                            roman_numeral(site->label_number));
        if (Control *l = panel_add_child(panel, x + 3, y, 0, 0, label(1, BODY_NAME, name))) y += l->h + 8;
    }
    if (Control *picture = image_control_create(IMAGE_PLANET))
        panel_add_child(panel, x, y + PICTURE_MIDDLE - picture->h / 2, SITE_PANEL_ID_PICTURE, 0, picture);
    if (own_sprite)
        h->surface = panel_add_child(panel, x + COLUMN, y, SITE_PANEL_ID_SURFACE, 0, image_control_create(IMAGE_EARTH));
    else
        h->surface = add_surface(panel, site, x + COLUMN, y, true);
    const int32_t *a = site->attributes;
    add_attribute_rows(panel, x, y,
                       {{"DIAMETER", str_format("%i KM", int(a[SITE_ATTR_DIAMETER]))},
                        {"AVG TEMP", str_format("%.1f K", a[SITE_ATTR_TEMPERATURE] / 10.0)},
                        {"GRAVITY", str_format("%.1f G", a[SITE_ATTR_GRAVITY] / 10.0)},
                        {"ATMOSPHERE", str_format("%.1f ATM", a[SITE_ATTR_ATMOSPHERE] / 10.0)}});
    h->x = x + COLUMN;
    h->y = y + 108;
}

// The sector's star: its name ("Sol" at home), picture, surface and three attributes.
void build_star_header(Control *panel, const Site *site, const Sector *sector, Header *h) {
    const Game *g = game_get();
    std::string name = "Sol";
    if (sector->id != g->sol_sector_id) {
        const char *word = sector_label_name(site->label_number);
        name = str_format("%s %s", word ? word : "", object_get_name(const_cast<Sector *>(sector)));
    }
    int x = h->x, y = h->y;
    Control *l = panel_add_child(panel, x, y, 0, 0, label(1, BODY_NAME, name));
    const int below_name = bottom_of(l) + 8;
    y = below_name;
    if (Control *picture = image_control_create(IMAGE_PLANET))
        panel_add_child(panel, x, y + PICTURE_MIDDLE - picture->h / 2, SITE_PANEL_ID_PICTURE, 0, picture);
    h->surface = add_surface(panel, site, x + COLUMN, y, false);
    const int32_t *a = site->attributes;
    add_attribute_rows(panel, x, y,
                       {{"DIAMETER", str_format("%i KM", int(a[SITE_ATTR_DIAMETER]))},
                        {"AVG TEMP", str_format("%.1f K", a[SITE_ATTR_TEMPERATURE] / 10.0)},
                        {"MASS", str_format("%.2f SM", a[SITE_ATTR_STELLAR_MASS] / 100.0)}});
    h->x = x + COLUMN;
    h->y = below_name;
}

// A facility: the owner's name ("Inactive" without one) and the status line.
void build_facility_header(Control *panel, const Site *site, int delay, Header *h) {
    Control *owner = player_name_label_create(1, nullptr, site->owner_id);
    if (!owner) {
        owner = label(1, GREY, "Inactive");
    }
    if (owner) {
        if (ColourFade *fade = text_label_colour(owner)) {
            const int r = fade->r, g = fade->g, b = fade->b;
            colour_fade_start(fade, 0, 0, 0, r, g, b, FADE_MS, delay, 0);
        }
        h->owner = panel_add_child(panel, h->x, h->y, SITE_PANEL_ID_OWNER, 0, owner);
    }
    const int row_y = h->y + 1;
    const bool building = site_is_under_construction(site);
    Control *status = nullptr;
    if (site_is_crew_short(site) && !building) {
        status = text_label_create(1, GREY.r, GREY.g, GREY.b, "Inactive - %i crew required", int(SITE_PANEL_CREW_REQUIRED));
    } else if (site->subtype == SITE_HARVESTER && (site_is_deactivated(site) || site->harvest_target_id == 0)) {
        status = label(1, ALERT, "Deactivated");
        pulse(status, LABEL, ALERT);
    } else if (site_is_contested(site) && !building) {
        status = label(1, ALERT, "Blockaded");
        pulse(status, LABEL, ALERT);
        h->blockade_icon = panel_add_child(panel, h->x, h->y + 12, SITE_PANEL_ID_BLOCKADE_ICON, 0,
                                           image_control_create(IMAGE_BLOCKADE));
        h->blockade_note = panel_add_child(panel, h->x, h->y + 18, SITE_PANEL_ID_BLOCKADE_NOTE, 0,
                                           text_label_create_plain(2, 200, 180, 180, "-50% production"));
    }
    if (status) h->status = panel_add_child(panel, h->x, row_y, SITE_PANEL_ID_STATUS, 0, status);
    h->y = bottom_of(h->owner ? h->owner : nullptr) + 12;
    if (!h->owner) h->y += row_y;
}

// "No officers available" beside a dimmed commander box.
void no_officers_popup_remove() {
    Game *g = game_get();
    while (Control *old = game_find_control(g, SITE_PANEL_NO_OFFICERS_POPUP)) {
        panel_remove_children(old);
        control_remove(old);
    }
}

void no_officers_popup_show(Control *box) {
    no_officers_popup_remove();
    Control *popup = panel_create_empty();
    if (!popup) return;
    panel_set_shade(popup, 3);
    panel_set_border(popup, true);
    colour_fade_set(panel_border_colour(popup), 24, 24, 24);
    Control *text = panel_add_child(popup, 8, 3, 0, 0, text_label_create_plain(2, 230, 10, 10, "No officers available"));
    control_set_size(popup, text ? text->x + text->w + 8 : 16, text ? text->y + text->h + 3 : 12);
    int bx = 0, by = 0;
    control_get_screen_position(box, &bx, &by);
    game_add_control(game_get(), bx + box->w / 2 - popup->w / 2, by + box->h / 2 - popup->h / 2,
                     SITE_PANEL_NO_OFFICERS_POPUP, 0, popup);
}

void no_officers_popup_leave(Control *) { no_officers_popup_remove(); }

void on_commander_click(Control *box) { site_panel_call_slot(panel_of_user(box), SITE_SLOT_COMMANDER); }

void on_pool_pick(Control *pool) {
    Control *panel = panel_of_user(pool);
    site_panel_set_picked(panel, officer_pool_get_picked(pool), 0);
    site_panel_call_slot(panel, SITE_SLOT_PICK_OFFICER);
}

void on_defender_pick(Control *list) {
    Control *panel = panel_of_user(list);
    site_panel_set_picked(panel, ship_list_picked_ship(list), 0);
    site_panel_call_slot(panel, SITE_SLOT_PICK_SHIP);
}

// The starbase's commander box and officer pool.
Control *build_starbase_officers(Control *panel, Site *site, const Sector *sector, bool own, bool producing,
                                 Header *h, Control **pool_out) {
    Control *box = nullptr;
    if (h->owner) {
        box = commander_box_create(site->commander, own ? COMMANDER_BOX_ANIMATE | COMMANDER_BOX_SKILLS : COMMANDER_BOX_ANIMATE);
        int by = h->owner->y;
        by = std::max(by, bottom_of(h->status));
        by = std::max(by, bottom_of(h->blockade_icon));
        by = std::max(by, bottom_of(h->blockade_note));
        if (box) {
            panel_add_child(panel, h->owner->x + h->owner->w + 24, by, SITE_PANEL_ID_COMMANDER, 0, box);
            control_set_user_data(box, panel, nullptr);
            if (own) {
                if (!sector_has_officer_available(sector, nullptr)) {
                    panel_set_background(box, true);
                    colour_fade_set(panel_background_colour(box), 6, 6, 6);
                    control_set_callback(box, CONTROL_ON_HOVER_ENTER, no_officers_popup_show);
                    control_set_callback(box, CONTROL_ON_HOVER_LEAVE, no_officers_popup_leave);
                } else {
                    panel_set_border(box, true);
                    panel_set_border_hover(box, 4, 4, 4, 180, 180, 180, COMMANDER_PULSE_MS);
                    control_set_callback(box, CONTROL_ON_CLICK, on_commander_click);
                }
            }
            h->y = std::max(h->y, bottom_of(box) + 4);
        }
    }
    if (list_count(&site->officers) > 0) {
        Control *pool = officer_pool_panel_create(site, 200, producing ? 190 : 244,
                                                  OFFICER_POOL_ANIMATE | (own ? OFFICER_POOL_SELECTABLE : 0));
        if (pool) {
            panel_add_child(panel, h->x, h->y + 8, SITE_PANEL_ID_OFFICERS, 0, pool);
            control_set_user_data(pool, panel, nullptr);
            panel_set_slot(pool, OFFICER_POOL_SLOT_PICK, on_pool_pick);
            h->y = bottom_of(pool) + 8;
            *pool_out = pool;
        }
    }
    return box;
}

// The picture of what is produced: the facility or design, the defence upgrade, the trainee.
Control *item_picture(const Site *site, GameObject *item, const Officer *recruit) {
    if (site->subtype == SITE_TRAINING) return recruit ? officer_portrait_create(recruit) : nullptr;
    if (site->subtype == SITE_STARBASE && !item) return image_control_create(IMAGE_DEFENCE_UPGRADE);
    return object_picture_control(item);
}

struct Production {
    Control *name = nullptr;
    Control *box = nullptr;
    Control *inner = nullptr;
    Control *outer = nullptr;
};

// The box itself: picture, name and the figure rows beside it.
Control *production_box_create(Control *picture, const std::string &name,
                               const std::vector<std::pair<std::string, std::string>> &rows) {
    Control *box = panel_create_empty();
    if (!box) {
        control_destroy(picture);
        return nullptr;
    }
    int x = 4;
    if (picture) {
        panel_add_child(box, 4, 4, 0, 0, picture);
        x = picture->x + picture->w + 8;
    }
    int y = 4;
    if (Control *n = panel_add_child(box, x, y, 0, 0, text_label_create_plain(2, 250, 250, 250, name.c_str())))
        y = bottom_of(n) + 4;
    std::vector<Control *> captions, values;
    int caption_w = 0;
    for (const auto &[caption, value] : rows) {
        Control *c = panel_add_child(box, x, y, 0, 0, label(2, GREY, caption));
        Control *v = panel_add_child(box, x, y, 0, 0, text_label_create_plain(2, 220, 220, 0, value.c_str()));
        caption_w = std::max(caption_w, c ? c->w : 0);
        values.push_back(v);
        y = std::max(bottom_of(c), bottom_of(v)) + 2;
    }
    for (Control *v : values)
        if (v) control_set_position(v, x + caption_w + 8, v->y);
    if (picture) {
        // The text stands beside the picture, centred on it when shorter.
        int text_h = y - 4;
        if (text_h < picture->h) {
            const int dy = (picture->h - text_h) / 2;
            for (Control *c : panel_of(box)->children.items)
                if (c && c != picture) control_set_position(c, c->x, c->y + dy);
        }
    }
    size_to_content(box, 4, 4);
    return box;
}

// The production box with its name above it and the two frames behind; returns the new y.
int place_production(Control *panel, int x, int y, int delay, const std::string &item_name, Control *box,
                     Production *out) {
    if (!box) return y;
    Control *name = label(1, Rgb{0, 200, 0}, item_name);
    const int name_h = name ? name->h : 0;
    const int box_y = y + 4 + name_h + 10;
    const int frame_w = box->w + 6;
    Control *outer = panel_create(frame_w, box->h + 29, 0, 20, 0);
    Control *inner = panel_create(frame_w, box->h + 6, 0, 8, 0);
    if (outer) {
        panel_add_child(panel, x, box_y + box->h + 3 - (box->h + 29), SITE_PANEL_ID_FRAME_OUTER, 0, outer);
        outer->tag = FRAME_OUTER_TAG;
    }
    if (inner) {
        panel_set_border(inner, true);
        colour_fade_set(panel_border_colour(inner), 60, 90, 30);
        panel_add_child(panel, x, box_y - 3, SITE_PANEL_ID_FRAME_INNER, 0, inner);
        inner->tag = FRAME_INNER_TAG;
    }
    panel_add_child(panel, x + 3, box_y, SITE_PANEL_ID_PRODUCTION, 0, box);
    if (name) appear_after(panel_add_child(panel, x + 4, y + 4, SITE_PANEL_ID_ITEM_NAME, 0, name), delay);
    out->name = name;
    out->box = box;
    out->inner = inner;
    out->outer = outer;
    return box_y + box->h + 3;
}

std::string days_text(int32_t days) { return str_format("%i day%s", int(days), days == 1 ? "" : "s"); }

// Production of a producing starbase, shipyard or training site, or the harvest of a harvester.
int build_production(Control *panel, Site *site, int x, int y, int delay, Production *out) {
    if (site->subtype == SITE_HARVESTER) {
        if (site_is_deactivated(site)) return y;
        Site *target = site->harvest_target_id ? site_find_in_sector(site, site->harvest_target_id) : nullptr;
        if (!site->harvest_target_id || !target) {
            if (site->harvest_target_id) {
                if (Control *n = panel_add_child(panel, x + 4, y + 4, SITE_PANEL_ID_ITEM_NAME, 0,
                                                 label(1, Rgb{0, 200, 0}, site->status_text)))
                    y = bottom_of(n) + 4;
            }
            return y;
        }
        std::vector<std::pair<std::string, std::string>> rows;
        rows.emplace_back("Yield", str_format("$%.2f/day", site_harvest_per_day(site)));
        if (target->resources_max > 0) {
            const int64_t left = int64_t(target->resources_left) * 100 / target->resources_max;
            rows.emplace_back("Remaining", str_format("%i%%", int(std::max<int64_t>(1, left))));
        }
        Control *box = production_box_create(object_picture_control(target), object_get_name(target), rows);
        return place_production(panel, x, y, delay, site->status_text, box, out);
    }
    GameObject *item = nullptr;
    Officer *recruit = nullptr;
    int32_t days = 0, rush = 0;
    if (!site_production_info(site, &item, &recruit, &days, nullptr, &rush)) return y;
    std::string name;
    if (site->subtype == SITE_TRAINING) name = recruit ? recruit->name : "";
    else if (item) name = object_get_name(item);
    else name = site->status_text;
    std::vector<std::pair<std::string, std::string>> rows;
    rows.emplace_back("ETA", days_text(days));
    if (days > 1) rows.emplace_back("Rush cost", str_format("$%i", int(rush)));
    Control *box = production_box_create(item_picture(site, item, recruit), name, rows);
    return place_production(panel, x, y, delay, site->status_text, box, out);
}

void add_row(List<SystemRow> *rows, Control *icon, const char *caption, const std::string &value, int highlight = 0) {
    (void)ui_stat_rows_add_row(rows, icon, caption, value.c_str(), highlight);
}

// The stat rows of the site; null when there are none.
Control *build_stat_rows(Site *site, const Sector *sector, bool interactive, bool animate) {
    List<SystemRow> *rows = ui_stat_rows_list_create();
    if (!rows) return nullptr;
    const uint32_t tf = site->params.template_flags;
    const Game *g = game_get();
    auto icon = [](int type, int frame) { return image_control_create_frame(type, frame); };
    if (interactive) {
        if (site->subtype == SITE_STARBASE || (tf & SITE_TF_BUILDABLE))
            add_row(rows, icon(IMAGE_DATE, 1), "Built", date_text(site->built));
        switch (site->subtype) {
        case SITE_STARBASE:
            add_row(rows, icon(IMAGE_CREW, 1), "Crew", str_format("%i/%i", int(site->crew), int(site->params.crew_capacity)));
            add_row(rows, icon(IMAGE_CREW, 1), "Crew recruitment", str_format("%i/week", int(site_crew_intake_rate(site))));
            // The starbase runs its sector's research: the sector's figure, as the sector panel shows it.
            add_row(rows, icon(IMAGE_RESEARCH, 1), "Research Rating",
                    tech_points_text(sector ? sector_total_research_rate(sector) : 0));
            break;
        case SITE_SHIPYARD:
            add_row(rows, image_control_create(IMAGE_TALLY), "Ships launched", str_format("%i", int(site->completed_items)));
            break;
        case SITE_HARVESTER: {
            add_row(rows, icon(IMAGE_CREW, 1), "Starbase crew", str_format("%i", int(sector_starbase_crew(sector))));
            if (const Site *target = site->harvest_target_id ? site_find_in_sector(site, site->harvest_target_id) : nullptr)
                add_row(rows, icon(IMAGE_CREDITS, 1), "Resource Rating", str_format("%.3f", site_harvest_value(target)));
            add_row(rows, image_control_create(IMAGE_TALLY), "Total yield", str_format("$%i", int(site->completed_items)));
            break;
        }
        case SITE_TRAINING:
            add_row(rows, icon(IMAGE_COMMANDER, 1), "Cadets", str_format("%i", int(list_count(&site->officers))));
            add_row(rows, image_control_create(IMAGE_TALLY), "Officers trained", str_format("%i", int(site->completed_items)));
            break;
        default:
            if (site->subtype == SITE_RESEARCH_STATION) {
                add_row(rows, icon(IMAGE_CREW, 1), "Starbase crew", str_format("%i", int(sector_starbase_crew(sector))));
                add_row(rows, icon(IMAGE_RESEARCH, 1), "Research Rating", tech_points_text(site_research_rate(site)));
            }
            break;
        }
    }
    const int32_t population = site_get_population(site);
    if ((tf & SITE_TF_POPULATION) && population > 0) add_row(rows, nullptr, "Population", str_format("%i", int(population)));
    if (tf & SITE_TF_RESOURCE) {
        add_row(rows, nullptr, "Resource Rating", str_format("%.3f", site_harvest_value(site)));
        add_row(rows, nullptr, "Resource mass", str_format("%.2f GT", site->resources_max / 1000.0));
        if (population <= 0 && site->resources_max > 0) {
            char text[32];
            bool low = false;
            facility_mass_remaining_text(site->resources_left, site->resources_max, text, int(sizeof text), &low);
            add_row(rows, nullptr, "Mass remaining", text, low ? 1 : 0);
            add_row(rows, nullptr, "Projected yield",
                    str_format("$%i", int(site_resource_ratio(site, site->harvest_divisor))));
        }
    }
    if (const SiteFeature *f = site->feature) {
        switch (f->kind) {
        case FEATURE_RICH_BODY: add_row(rows, nullptr, "Resource bonus", str_format("+%i%%", int(f->bonus))); break;
        case FEATURE_CREW_INTAKE: add_row(rows, nullptr, "Crew bonus", str_format("+%i/week", int(f->bonus))); break;
        case FEATURE_RESEARCH: add_row(rows, nullptr, "Research bonus", str_format("+%i%%", int(f->bonus))); break;
        case FEATURE_DISCOUNT:
            add_row(rows, nullptr, "Build costs", "-25%");
            add_row(rows, nullptr, "Build times", "-50%");
            break;
        case FEATURE_HOME_COLONY:
            if (f->owner_id != 0 && f->owner_id == g->ui_player_id)
                add_row(rows, nullptr, "Crew bonus", str_format("+%i/week", int(g->setup.crew_recruitment)));
            break;
        default: break;
        }
    }
    if (list_count(rows) == 0) {
        list_free(rows);
        return nullptr;
    }
    return ui_stat_rows_create(rows, animate ? STAT_ROWS_ANIMATE : 0);
}

// The site's description, extended with its feature's or gathered feature's text.
Control *build_description(const Site *site, bool animate) {
    std::string text;
    if (site_load_description(site, &text) != RES_OK) return nullptr;
    std::string extra;
    const Game *g = game_get();
    if (const SiteFeature *f = site->feature) {
        const int variant = f->kind == FEATURE_HOME_COLONY && f->owner_id != 0 && f->owner_id == g->ui_player_id ? 1 : 0;
        if (feature_load_description(f->kind, variant, &extra) == RES_OK) text += "\n" + extra;
    } else if (site->gather_state >= 0) {
        if (feature_load_gather_description(site->gather_state, &extra) == RES_OK) text += "\n" + extra;
    }
    Control *tile = ui_tile_create(text.c_str(), 2, DESCRIPTION_WIDTH, 4, 230, 230, 230, animate ? 17 : 16);
    if (!tile) return nullptr;
    panel_set_border(tile, true);
    colour_fade_set(panel_border_colour(tile), 32, 32, 32);
    panel_set_background(tile, true);
    colour_fade_set(panel_background_colour(tile), 1, 1, 1);
    if (tile->w < DESCRIPTION_WIDTH) control_set_size(tile, DESCRIPTION_WIDTH, tile->h);
    return tile;
}

// "Automated defenses detected" and the defenders' list; returns the new y.
int build_defenders(Control *panel, Site *site, int y) {
    Control *warning = panel_create_empty();
    if (!warning) return y;
    Control *icon = panel_add_child(warning, 0, 0, 0, 0, image_control_create(IMAGE_ENCOUNTER_MARKER));
    const int tx = icon ? icon->w + 6 : 0;
    Control *title = panel_add_child(warning, tx, 0, 0, 0, text_label_create_plain(1, 230, 0, 0, "Warning"));
    panel_add_child(warning, tx, bottom_of(title) + 2, 0, 0,
                    text_label_create_plain(2, 230, 0, 0, "Automated defenses detected"));
    size_to_content(warning, 0, 0);
    panel_add_child(panel, BODY_LEFT, y + 6, SITE_PANEL_ID_WARNING, 0, warning);
    y = bottom_of(warning) + 4;
    List<GameObject> ships;
    feature_create_ark_defenses(site, &ships);
    Control *list = ship_list_create(&ships, DEFENDERS_WIDTH, on_defender_pick, 7);
    for (GameObject *ship : ships.items) object_release(ship);   // the list holds its own
    list_reset(&ships);
    if (list) {
        panel_add_child(panel, BODY_LEFT, y, SITE_PANEL_ID_DEFENDERS, 0, list);
        control_set_user_data(list, panel, nullptr);
        y = bottom_of(list);
    }
    return y;
}

Control *add_button(List<Control> *buttons, Control *panel, int type, const char *caption, ControlFn fn, int key) {
    Control *b = image_button_create(type, 6, caption, fn, key, panel);
    if (b && list_append(buttons, b) < 0) {
        control_destroy(b);
        return nullptr;
    }
    return b;
}

void refuse(Control *button, const std::string &reason) {
    if (!button || reason.empty()) return;
    image_control_set_highlight(button, true);
    image_control_set_tooltip(button, true, 0, 0, 0, reason.c_str());
}

std::string crew_reason() { return str_format("%i crew required", int(SITE_PANEL_CREW_REQUIRED)); }

// Whether the owner has unlocked a facility among the sector's entries.
bool owner_can_lay_down(const Site *site, const Sector *sector) {
    const Player *owner = site->owner_id ? game_find_player(game_get(), site->owner_id) : nullptr;
    if (!owner) return true;   // no owner: the test is skipped
    for (int32_t i = 0; i < sector_entry_count(sector); ++i) {
        const int32_t kind = sector_get_entry_kind(sector, i);
        if (kind >= 0 && player_has_item_kind(owner, kind)) return true;
    }
    return false;
}

// The command buttons of a site that can produce, each with its reason when refused.
Control *build_buttons(Control *panel, Site *site, const Sector *sector, bool animate) {
    List<Control> buttons;
    const int32_t crew = site_panel_starbase_crew(site);
    const bool crew_ok = crew >= SITE_PANEL_CREW_REQUIRED;
    const bool producing = site_production_info(site, nullptr, nullptr, nullptr, nullptr, nullptr) != 0;
    const bool pending = site_is_pending(site);
    const Player *owner = site->owner_id ? game_find_player(game_get(), site->owner_id) : nullptr;

    auto production_buttons = [&](ControlFn rush_fn, ControlFn halt_fn) {
        Control *r = add_button(&buttons, panel, IMAGE_RUSH, "Rush", rush_fn, 'r');
        refuse(r, order_refusal_text(order_can_rush(owner, site)));
        Control *h = pending ? add_button(&buttons, panel, IMAGE_CANCEL, "Cancel", halt_fn, 'c')
                             : add_button(&buttons, panel, IMAGE_CANCEL, "Halt", halt_fn, 'h');
        refuse(h, order_refusal_text(order_can_halt(owner, site)));
    };

    switch (site->subtype) {
    case SITE_STARBASE:
        if (producing) {
            production_buttons(on_slot_button<SITE_SLOT_RUSH_STARBASE>, on_slot_button<SITE_SLOT_HALT_STARBASE>);
        } else {
            Control *b = add_button(&buttons, panel, IMAGE_BUILD_FACILITY, "Build", on_build_facility, 'b');
            if (!crew_ok) refuse(b, crew_reason());
            else if (!owner_can_lay_down(site, sector) && site->defense_level >= 1) refuse(b, "No facilities to build");
        }
        break;
    case SITE_SHIPYARD:
        if (producing) {
            production_buttons(on_slot_button<SITE_SLOT_RUSH_SHIPYARD>, on_slot_button<SITE_SLOT_HALT_SHIPYARD>);
        } else {
            Control *b = add_button(&buttons, panel, IMAGE_BUILD_SHIP, "Build", on_build_ship, 'b');
            if (!crew_ok) refuse(b, crew_reason());
        }
        break;
    case SITE_TRAINING:
        if (producing) {
            production_buttons(on_slot_button<SITE_SLOT_RUSH_TRAINING>, on_slot_button<SITE_SLOT_HALT_TRAINING>);
        } else {
            Control *b = add_button(&buttons, panel, IMAGE_TRAIN, "Train", on_train, 't');
            if (!crew_ok) refuse(b, crew_reason());
            else if (list_count(&site->officers) == 0) refuse(b, "No cadets available");
        }
        break;
    case SITE_HARVESTER: {
        const bool short_crew = site_is_crew_short(site);
        Control *move = add_button(&buttons, panel, IMAGE_HARVESTER_MOVE, "Move", on_slot_button<SITE_SLOT_MOVE>, 'm');
        if (short_crew) refuse(move, crew_reason());
        else if (!sector_find_free_resource_site(sector)) refuse(move, "No targets available");
        if (site->harvest_target_id) {
            Control *b = site_is_deactivated(site)
                             ? add_button(&buttons, panel, IMAGE_ACTIVATE, "Activate", on_slot_button<SITE_SLOT_ACTIVATE>, 'a')
                             : add_button(&buttons, panel, IMAGE_DEACTIVATE, "Deactivate",
                                          on_slot_button<SITE_SLOT_DEACTIVATE>, 'd');
            if (short_crew) refuse(b, crew_reason());
        }
        break;
    }
    default: break;
    }
    if (list_count(&buttons) == 0) return nullptr;
    Control *row = panel_make_with_layout(&buttons, LAYOUT_ROW | (animate ? LAYOUT_ANIMATE : 0));
    if (!row)
        for (Control *b : buttons.items) control_destroy(b);
    list_reset(&buttons);
    return row;
}

void centre_on(Control *c, int centre_x) {
    if (c) control_set_position(c, centre_x - c->w / 2, c->y);
}

}  // namespace

SitePanelState *site_panel_state(Control *panel) {
    return panel && panel->widget_free == state_free ? static_cast<SitePanelState *>(panel->widget_state) : nullptr;
}

Site *site_panel_site(Control *panel) {
    return site_panel_state(panel) ? site_cast(static_cast<GameObject *>(panel->user_data)) : nullptr;
}

void site_panel_call_slot(Control *panel, int slot) {
    if (site_panel_state(panel) && slot < SITE_PANEL_SLOT_COUNT) panel_call_slot(panel, slot);
}

void site_panel_set_picked(Control *panel, void *item, int32_t defense_row) {
    if (SitePanelState *state = site_panel_state(panel)) {
        state->picked = item;
        state->defense_row = defense_row;
    }
}

void *site_panel_picked(Control *panel) {
    SitePanelState *state = site_panel_state(panel);
    return state ? state->picked : nullptr;
}

GameObject *site_panel_picked_object(Control *panel) { return static_cast<GameObject *>(site_panel_picked(panel)); }
Officer *site_panel_picked_officer(Control *panel) { return static_cast<Officer *>(site_panel_picked(panel)); }

int32_t site_panel_defense_row(Control *panel) {
    SitePanelState *state = site_panel_state(panel);
    return state ? state->defense_row : 0;
}

int32_t site_panel_starbase_crew(const Site *site) { return site ? site_starbase_crew(site) : 0; }

void site_panel_init(Control *panel, GameObject *object, int32_t flags) {
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 3);
    panel_set_border(panel, true);
    colour_fade_set(p->border, 64, 64, 16);
    colour_fade_set(panel_background_colour(panel), 0, 0, 16);
    auto *state = new (std::nothrow) SitePanelState();
    if (!state) return;
    panel_set_command_state(panel, state, state_free);   // frees the previous record
    control_set_user_data(panel, object, nullptr);
    state->flags = flags;
    const Site *site = site_cast(object);
    const std::string title = site ? object_get_name(const_cast<Site *>(site)) : "";
    const int options = ((flags & SITE_PANEL_ANIMATE) ? TITLE_ANIMATE : 0) | ((flags & SITE_PANEL_CLOSE) ? TITLE_CLOSE : 0);
    Control *caption = panel_add_child(panel, 2, 2, SITE_PANEL_ID_CAPTION, 0,
                                       ui_button_create(title.c_str(), nullptr, on_close, panel, options));
    if (caption) control_set_callback(caption, CONTROL_ON_CLICK, on_close);
    state->body_x = BODY_LEFT;
    state->body_y = (caption ? caption->h : 0) + 6;
    state->caption_width = caption ? caption->w : 0;
    site_panel_build(panel, 0, flags & SITE_PANEL_ANIMATE, flags & SITE_PANEL_INTERACTIVE);
    site_panel_fit(panel);
    panel_finish_resize(panel);
}

void site_panel_build(Control *panel, int32_t delay, bool animate, bool interactive) {
    SitePanelState *state = site_panel_state(panel);
    Site *site = site_panel_site(panel);
    if (!state || !site) return;
    Sector *sector = sector_of(game_find_object(game_get(), site->sector_id));
    if (!sector) return;
    const Game *g = game_get();
    const bool own = site->owner_id != 0 && site->owner_id == g->ui_player_id;
    const uint32_t tf = site->params.template_flags;
    state->open_chooser = SITE_CHOOSER_NONE;

    // A rebuild after a chooser replaces what the chooser left standing.
    for (int id : {SITE_PANEL_ID_STATUS, SITE_PANEL_ID_BLOCKADE_ICON, SITE_PANEL_ID_BLOCKADE_NOTE, SITE_PANEL_ID_DESCRIPTION,
                   SITE_PANEL_ID_WARNING, SITE_PANEL_ID_DEFENDERS})
        while (Control *old = panel_find_child(panel, id)) control_remove(old);

    Header h;
    h.x = state->body_x;
    h.y = state->body_y;
    if (tf & SITE_TF_LABELLED) build_body_header(panel, site, sector, &h);
    else if (tf & SITE_TF_STAR) build_star_header(panel, site, sector, &h);
    else build_facility_header(panel, site, delay, &h);
    int x = h.x, y = h.y;

    if (site_is_under_construction(site)) {
        Control *bar = panel_create(BAR_W, BAR_H, 0, 20, 0);
        if (bar) {
            panel_add_child(panel, x, y - 4, SITE_PANEL_ID_CONSTRUCTION, 0, bar);
            bar->tag = -1;
        }
        Control *title = panel_add_child(panel, x + 6, y, 0, 0, label(1, Rgb{230, 230, 40}, "Under construction"));
        if (interactive) {
            List<SystemRow> *rows = ui_stat_rows_list_create();
            if (rows) {
                add_row(rows, nullptr, "Started", date_text(site->build_started));
                add_row(rows, nullptr, "Complete", str_format("%i%%", int(site->progress)));
                Control *table = ui_stat_rows_create(rows, animate ? STAT_ROWS_ANIMATE : 0);
                if (table) appear_after(panel_add_child(panel, x, bottom_of(title) + 12, SITE_PANEL_ID_STATS, 0, table), delay);
            }
        }
        return;
    }

    Control *commander = nullptr, *pool = nullptr;
    int32_t days = 0;
    const bool producing = site_production_info(site, nullptr, nullptr, &days, nullptr, nullptr) != 0;
    if (site->subtype == SITE_STARBASE) {
        commander = build_starbase_officers(panel, site, sector, own, producing, &h, &pool);
        y = h.y;
    }

    Production production;
    if (interactive && (tf & SITE_TF_CAN_PRODUCE)) {
        const int before = y;
        y = build_production(panel, site, x, y, delay, &production);
        if (production.box) y += 8;
        else if (y != before) y += 4;
    }

    Control *stats = build_stat_rows(site, sector, interactive, animate);
    if (stats) {
        appear_after(panel_add_child(panel, x, y, SITE_PANEL_ID_STATS, 0, stats), delay);
        y = bottom_of(stats) + 8;
    } else {
        int w = 0, ch = 0;
        panel_layout(panel, &w, &ch);
        y = ch + 8;
    }

    if (tf & (SITE_TF_LABELLED | SITE_TF_STAR)) {
        int w = 0, ch = 0;
        panel_layout(panel, &w, &ch);
        y = std::max(y, ch + 8);
        if (Control *tile = build_description(site, animate)) {
            panel_add_child(panel, BODY_LEFT, y, SITE_PANEL_ID_DESCRIPTION, 0, tile);
            y = bottom_of(tile) + 2;
        }
        if (site->feature && site->feature->defence_kind >= 0) y = build_defenders(panel, site, y);
    }

    if (interactive && (tf & SITE_TF_CAN_PRODUCE))
        if (Control *row = build_buttons(panel, site, sector, animate)) {
            int bx = x, by = y;
            if (stats) {
                if (production.box) bx = stats->x + stats->w + 24, by = stats->y;
                else bx = stats->x, by = bottom_of(stats) + 6;
            }
            appear_after(panel_add_child(panel, bx, by, SITE_PANEL_ID_BUTTONS, 0, row), delay);
        }

    // Final alignment.
    int content_w = 0, content_h = 0;
    panel_layout(panel, &content_w, &content_h);
    if (h.surface && stats) {
        Control *narrow = h.surface->w < stats->w ? h.surface : stats;
        const Control *wide = narrow == stats ? h.surface : stats;
        centre_on(narrow, wide->x + wide->w / 2);
    }
    if (production.box && production.inner && production.outer && production.name) {
        const int mid = content_w / 2;
        centre_on(production.box, mid);
        centre_on(production.inner, mid);
        centre_on(production.outer, mid);
        centre_on(pool, mid);
        control_set_position(production.name, production.outer->x + 4, production.outer->y + 4);
    }
    if (commander && h.owner) {
        control_set_position(h.owner, h.owner->x, h.owner->y + 4);
        control_set_position(commander, content_w - commander->w - 6, commander->y);
    }
}

void site_panel_fit(Control *panel) {
    SitePanelState *state = site_panel_state(panel);
    if (!state) return;
    Control *caption = panel_find_child(panel, SITE_PANEL_ID_CAPTION);
    Control *buttons = panel_find_child(panel, SITE_PANEL_ID_BUTTONS);
    Control *defenders = panel_find_child(panel, SITE_PANEL_ID_DEFENDERS);
    // The content's extent without the caption, which follows the panel's width.
    int w = 0, h = 0;
    for (Control *c : panel_of(panel)->children.items) {
        if (!c || c == caption || (c->flags & (CTRL_REMOVED | CTRL_FADING))) continue;
        int cx = 0, cy = 0, cw = 0, ch = 0;
        control_get_bounds(c, &cx, &cy, &cw, &ch);
        w = std::max(w, cx + cw);
        h = std::max(h, cy + ch);
    }
    if (caption) h = std::max(h, caption->y + caption->h);
    int width = w + (defenders ? 0 : 4);
    if (width >= state->caption_width + 4) {
        // A caption still growing in takes the new width as its target.
        if (caption) ui_control_resize(caption, width - 4, panel_is_resizing(caption));
    } else {
        width = state->caption_width + 4;
    }
    const int height = h + 4;
    int px = 0, py = 0;
    if (panel_find_position(panel, width, height, &px, &py) == RES_OK) control_move_to(panel, px, py, FADE_MS);
    panel_resize_to(panel, width, height, FADE_MS);
    if (buttons) control_set_position(buttons, width - buttons->w - 4, buttons->y);
    if (Control *status = panel_find_child(panel, SITE_PANEL_ID_STATUS))
        control_set_position(status, width - status->w - 10, status->y);
    Control *note = panel_find_child(panel, SITE_PANEL_ID_BLOCKADE_NOTE);
    Control *icon = panel_find_child(panel, SITE_PANEL_ID_BLOCKADE_ICON);
    if (note && icon) {
        control_set_position(note, width - note->w - 10, note->y);
        control_set_position(icon, width - icon->w - note->w - 16, icon->y);
    }
    if (defenders) ship_list_set_width(defenders, width);
}

void site_panel_clear_body(Control *panel) {
    if (!site_panel_state(panel)) return;
    if (Control *row = panel_find_child(panel, SITE_PANEL_ID_BUTTONS)) {
        panel_close_child(row, FADE_MS, true);
        control_set_id(row, 0);
    }
    if (Control *stats = panel_find_child(panel, SITE_PANEL_ID_STATS)) {
        ui_stat_rows_fade_out(stats, FADE_MS);
        control_set_fading(stats, true);
        control_remove_after(stats, FADE_MS);
        control_set_id(stats, 0);
    }
    for (int id : {SITE_PANEL_ID_OWNER, SITE_PANEL_ID_ITEM_NAME, SITE_PANEL_ID_CHOOSER_TITLE, SITE_PANEL_ID_CONSTRUCTION,
                   SITE_PANEL_ID_FRAME_INNER, SITE_PANEL_ID_FRAME_OUTER, SITE_PANEL_ID_COMMANDER})
        if (Control *c = panel_find_child(panel, id)) {
            control_fade_out(c, FADE_MS);
            control_set_id(c, 0);
        }
    for (int id : {SITE_PANEL_ID_FACILITY_LIST, SITE_PANEL_ID_DESIGN_LIST, SITE_PANEL_ID_PRODUCTION, SITE_PANEL_ID_OFFICERS})
        if (Control *c = panel_find_child(panel, id)) {
            panel_fade_out_recursive(c, FADE_MS);
            control_set_id(c, 0);
        }
}
