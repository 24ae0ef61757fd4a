// The corporation summary: header, totals and the list of what is in progress.
#include "screens/corporation/corporation_summary.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "game/tech.h"
#include "game/tech.h"
#include "game/turn.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "screens/officers/officer_choice.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/scroll_list.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/site.h"

namespace {

struct Rgb {
    int r, g, b;
};

constexpr int FONT_NAME = 5, FONT_TEXT = 2, FONT_HEADING = 1;
constexpr int EMBLEM_X = 4, EMBLEM_Y = 6, NAME_GAP = 16, NAME_Y = 8, BLOCKS_BELOW_NAME = 18;
constexpr int TOTALS_X = 8, LIST_GAP = 16, BAR_GAP = 2;
constexpr int ROW_X = 6, ITEM_GAP = 4, GROUP_GAP = 4;
constexpr int ICON_X = 8, ICON_Y = 3, TITLE_GAP = 16, TITLE_Y = 6, SECTOR_BELOW_TITLE = 11;
constexpr int ROW_PAD_W = 8, ROW_PAD_H = 3, DAYS_ICON_GAP = 14, DAYS_GAP = 8;
constexpr int PANEL_PAD = 4, BAND_X = 2, BAND_Y = 2, BAND_H = 32, TOTALS_LIFT = 6;
constexpr int WHEEL_STEP = 24;

constexpr Rgb TEXT{230, 230, 230}, VALUE{230, 230, 0}, ROW_BORDER{12, 12, 12}, BORDER{24, 24, 8}, BAND{5, 5, 8};

// The groups in the order the list shows them.
struct Group {
    int32_t     tag;
    const char *heading;
};
constexpr Group GROUPS[] = {
    {CORP_GROUP_BUILDING, "Building"},
    {CORP_GROUP_TRAINING, "Training"},
    {CORP_GROUP_RESEARCHING, "Researching"},
};

void state_free(void *data) {
    CorporationSummaryState *s = static_cast<CorporationSummaryState *>(data);
    list_clear(&s->rows);
    delete s;
}

void fit(Control *panel, int pad_w, int pad_h) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + pad_w, h + pad_h);
}

std::string format(const char *fmt, int a, int b = 0) {
    char buf[64];
    snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

// ---- Rows ----

// A row's frame with its icon, title, days and (for a site) the sector line under the title.
Control *make_row(Control *icon, const char *title, Sector *sector, int32_t days, int32_t group) {
    Control *row = panel_create_empty();
    if (!row) {
        control_destroy(icon);
        return nullptr;
    }
    panel_set_border(row, true);
    colour_fade_set(panel_border_colour(row), ROW_BORDER.r, ROW_BORDER.g, ROW_BORDER.b);
    row->tag = group;
    panel_add_child(row, ICON_X, ICON_Y, 0, 1, icon);
    const int x = (icon ? icon->w : 0) + TITLE_GAP;
    Control *name = panel_add_child(row, x, TITLE_Y, CORP_ROW_ID_TITLE, 1,
                                    text_label_create_plain(FONT_TEXT, TEXT.r, TEXT.g, TEXT.b, title ? title : ""));
    if (sector)
        panel_add_child(row, x, (name ? name->h : 0) + SECTOR_BELOW_TITLE, CORP_ROW_ID_SECTOR, 1,
                        text_label_create(FONT_TEXT, VALUE.r, VALUE.g, VALUE.b, "%s sector", object_get_name(sector)));
    else if (name && icon)   // a research row: the name beside the icon's middle
        control_set_position(name, name->x, icon->y + (icon->h - name->h) / 2);

    int w = 0, h = 0;
    panel_layout(row, &w, &h);
    Control *clock = panel_add_child(row, w + DAYS_GAP, 0, CORP_ROW_ID_DAYS_ICON, 1,
                                     image_control_create_frame(IMAGE_CLOCK, 1));
    Control *label = panel_add_child(row, (clock ? clock->x + clock->w : w) + DAYS_GAP, 0, CORP_ROW_ID_DAYS, 1,
                                     days > 0 ? text_label_create(FONT_TEXT, VALUE.r, VALUE.g, VALUE.b, "%i", days)
                                              : text_label_create_plain(FONT_TEXT, VALUE.r, VALUE.g, VALUE.b, "-"));
    fit(row, ROW_PAD_W, ROW_PAD_H);
    for (Control *c : {clock, label})
        if (c) control_set_position(c, c->x, (row->h - c->h) / 2);
    return row;
}

// The days pair at the right edge of a row of the given width.
void place_days(Control *row, int width) {
    control_set_size(row, width, row->h);
    Control *clock = panel_find_child(row, CORP_ROW_ID_DAYS_ICON);
    Control *label = panel_find_child(row, CORP_ROW_ID_DAYS);
    const int label_w = label ? label->w : 0;
    if (clock) control_set_position(clock, width - (clock->w) - label_w - DAYS_ICON_GAP, clock->y);
    if (label) control_set_position(label, width - label_w - DAYS_GAP, label->y);
}

// ---- The activity list ----

// Everything in progress, in the order the list shows it within each group.
void collect_rows(Player *player, List<Control> *rows) {
    const Game *game = game_get();
    auto walk_sites = [&](int32_t kind) {
        if (!game || !game->galaxy_map) return;
        for (GameObject *obj : game->galaxy_map->objects.items) {
            if (!obj) break;
            Sector *sector = sector_of(obj);
            if (!sector || sector->owner_id != player->id || !sector_find_site_of_kind(sector, SITE_STARBASE)) continue;
            if (Site *site = sector_find_site_of_kind(sector, kind))
                if (Control *row = corporation_summary_site_row_create(site, sector)) list_append(rows, row);
        }
    };
    for (int32_t kind : {SITE_STARBASE, SITE_SHIPYARD, SITE_TRAINING}) walk_sites(kind);

    auto researching = [&](int32_t tech) {
        const uint32_t st = player->tech_state[tech];
        return (st & TECH_QUEUED) && !(st & TECH_PAUSED);
    };
    const int32_t target = player->research_target;
    const bool has_target = target >= 0 && target < PLAYER_TECH_COUNT && researching(target);
    if (has_target)
        if (Control *row = corporation_summary_research_row_create(player, target)) list_append(rows, row);
    for (int32_t tech = 0; tech < PLAYER_TECH_COUNT; ++tech)
        if ((!has_target || tech != target) && researching(tech))
            if (Control *row = corporation_summary_research_row_create(player, tech)) list_append(rows, row);
}

// Headings and rows stacked by group; every row as wide as the widest.
Control *build_list(Control *panel, const List<Control> &rows) {
    Control *list = panel_create_empty();
    if (!list) return nullptr;
    scroll_list_init(list, CORP_LIST_SCROLL_STEP, WHEEL_STEP);
    list->on_wheel = scroll_list_on_wheel;
    int widest = 0;
    for (const Control *row : rows.items)
        if (row) widest = std::max(widest, row->w);
    int y = 0;
    for (const Group &group : GROUPS) {
        bool headed = false;
        for (Control *row : rows.items) {
            if (!row || row->tag != group.tag) continue;
            if (!headed) {
                Control *heading = panel_add_child(list, 0, y, 0, 1,
                                                   text_label_create_plain(FONT_HEADING, TEXT.r, TEXT.g, TEXT.b,
                                                                           group.heading));
                if (heading) {
                    heading->on_wheel = scroll_list_on_wheel;
                    y += heading->h + ITEM_GAP;
                }
                headed = true;
            }
            place_days(row, widest);
            row->user_data = panel;
            row->on_wheel = scroll_list_on_wheel;
            panel_add_child(list, ROW_X, y, 0, 0, row);
            y += row->h + ITEM_GAP;
        }
        if (headed) y += GROUP_GAP;
    }
    fit(list, 0, 0);
    return list;
}

}  // namespace

CorporationSummaryState *corporation_summary_state(Control *panel) {
    return panel && panel->widget_free == state_free ? static_cast<CorporationSummaryState *>(panel->widget_state) : nullptr;
}

Control *corporation_summary_site_row_create(Site *site, Sector *sector) {
    GameObject *item = nullptr;
    Officer *recruit = nullptr;
    int32_t days = 0;
    if (!site || !site_production_info(site, &item, &recruit, &days, nullptr, nullptr)) return nullptr;
    switch (site->subtype) {
    case SITE_STARBASE:
        if (!item) return make_row(image_control_create(IMAGE_DEFENCE_UPGRADE), "Defense upgrade", sector, days, CORP_GROUP_BUILDING);
        return make_row(object_picture_control(item), object_get_name(item), sector, days, CORP_GROUP_BUILDING);
    case SITE_SHIPYARD:
        return make_row(object_picture_control(item), item ? object_get_name(item) : "", sector, days,
                        CORP_GROUP_BUILDING);
    case SITE_TRAINING:
        return make_row(image_control_create(IMAGE_CADET), recruit ? recruit->name.c_str() : "", sector, days,
                        CORP_GROUP_TRAINING);
    default:
        return nullptr;
    }
}

Control *corporation_summary_research_row_create(Player *player, int32_t tech) {
    if (!player || tech < 0 || tech >= PLAYER_TECH_COUNT || !(player->tech_state[tech] & TECH_QUEUED)) return nullptr;
    const char *name = tech_name(tech);
    return make_row(image_control_create(tech_icon(tech)), name ? name : "", nullptr,
                    player_research_days_left(player, tech), CORP_GROUP_RESEARCHING);
}

void corporation_summary_build(Control *panel, Player *player) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 2);
    panel_set_border(panel, true);
    colour_fade_set(panel_border_colour(panel), BORDER.r, BORDER.g, BORDER.b);
    CorporationSummaryState *state = new (std::nothrow) CorporationSummaryState;
    if (!state) return;
    control_set_widget_state(panel, state, state_free);
    panel->user_data = player;
    if (!player) return;

    Control *emblem = panel_add_child(panel, EMBLEM_X, EMBLEM_Y, 0, 0, image_control_create(IMAGE_EMBLEM));
    if (emblem) {
        image_control_enable_tint(emblem);
        colour_fade_set(image_control_tint_colour(emblem), player->red, player->green, player->blue);
    }
    Control *name = panel_add_child(panel, (emblem ? emblem->x + emblem->w : EMBLEM_X) + NAME_GAP, NAME_Y, CORP_ID_NAME,
                                    0, text_label_create_plain(FONT_NAME, TEXT.r, TEXT.g, TEXT.b, player->name.c_str()));
    const int top = (name ? name->h : 0) + BLOCKS_BELOW_NAME;

    const PlayerTotals &t = player->totals;
    const Game *game = game_get();
    const int32_t needed = game_sectors_to_win(game ? game->conquerable_sectors : 0);
    List<SystemRow> *rows = ui_stat_rows_list_create();
    auto add = [&](int type, int frame, const char *label, const std::string &value) {
        Control *icon = frame < 0 ? image_control_create(type) : image_control_create_frame(type, frame);
        (void)ui_stat_rows_add_row(rows, icon, label, value.c_str(), 0);
    };
    add(181, 0, "Sectors controlled", format("%i/%i", t.starbase_sectors, needed));
    add(50, 1, "Income", format("$%i/day", t.daily_income));
    add(124, 1, "Research", tech_points_text(t.research_rate) + "/day");
    add(78, 1, "Crew recruitment", format("%i/week", t.crew_intake));
    add(100, -1, "Starbase crew", format("%i", t.starbase_crew));
    add(99, -1, "Ship crew", format("%i", t.ship_crew));
    Control *totals = panel_add_child(panel, TOTALS_X, top, CORP_ID_TOTALS, 0, ui_stat_rows_create(rows, 0));

    collect_rows(player, &state->rows);
    Control *list = nullptr;
    if (list_count(&state->rows) > 0 && !(list = build_list(panel, state->rows))) {
        for (Control *row : state->rows.items) control_destroy(row);
        list_clear(&state->rows);
    }
    if (list) {
        panel_add_child(panel, (totals ? totals->x + totals->w : TOTALS_X) + LIST_GAP, top, CORP_ID_LIST, 0, list);
        state->content_height = list->h;
        scroll_list_set_content(list, list->h);
        if (list->h > CORP_LIST_MAX_HEIGHT) {
            control_set_size(list, list->w, CORP_LIST_MAX_HEIGHT);
            scroll_list_add_bar(list, panel, list->x + list->w + BAR_GAP, list->y, CORP_ID_SCROLL, CORP_LIST_MAX_HEIGHT, 0);
        }
    }

    fit(panel, PANEL_PAD, PANEL_PAD);
    if (Control *band = panel_create(panel->w - 2 * BAND_X, BAND_H, BAND.r, BAND.g, BAND.b)) {
        control_set_layer(band, -1);   // beneath the header
        control_set_enabled(band, false);
        panel_add_child(panel, BAND_X, BAND_Y, 0, 0, band);
    }
    if (list && totals && list->h > totals->h)
        control_set_position(totals, totals->x, list->y + (list->h - totals->h) / 2 - TOTALS_LIFT);
}
