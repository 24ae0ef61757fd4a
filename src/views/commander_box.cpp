// Commander box and officer chooser: the box's rank, name, skill and cost columns, the column
// alignment of stacked boxes, and the chooser's rows with their slide-in.
#include "views/commander_box.h"

#include <algorithm>
#include <new>

#include "game/officer.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "views/views_local.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/site.h"

namespace {

constexpr int MARGIN = 6;             // the box's content starts here and ends this far from its edges
constexpr int ICON_NAME_GAP = 6;      // between the rank icon and the name, beyond the margin
constexpr int NAME_ONLY_Y = 10;
constexpr int RANK_NAME_GAP = 5;      // between the name's bottom and the rank name's top
constexpr int SKILL_GAP = 2;
constexpr int SKILL_COLUMN_END = 14;  // after the last skill icon (or the name column without icons)
constexpr int COST_LABEL_GAP = 4;     // an icon and its number
constexpr int DAYS_GAP = 10;          // the cost label and the days icon
constexpr int EMPTY_NAME_GAP = 12;
constexpr int FONT_BODY = 2;

constexpr int CHOOSER_MARGIN = 4;
constexpr int CHOOSER_PULSE_MS = 200;
constexpr int CHOOSER_SLIDE_PX_PER_S = 80;
constexpr int CHOOSER_SLIDE_FROM = 4;
constexpr int CHOOSER_STAGGER_MS = 40;
constexpr uint32_t CHOOSER_BOX_FLAGS = COMMANDER_BOX_SKILLS | COMMANDER_BOX_COSTS;

constexpr views_detail::Rgb BOX_FILL{10, 10, 0}, BOX_BORDER{30, 20, 10};
constexpr views_detail::Rgb NAME{230, 230, 230}, RANK_NAME{0, 230, 0}, EMPTY_NAME{185, 185, 185}, COST{230, 230, 230};
constexpr views_detail::Rgb CHOOSER_BORDER{24, 24, 8};
constexpr views_detail::Rgb ROW_FILL{6, 6, 0}, ROW_FILL_PULSE{0, 4, 48}, ROW_BORDER{90, 100, 10}, ROW_BORDER_PULSE{230, 230, 230};

void box_state_free(void *data) { delete static_cast<CommanderBoxState *>(data); }

int box_rank_image(int rank) {
    return rank >= 1 && rank < OFFICER_RANK_COUNT ? IMAGE_RANK_FIRST + rank - 1 : IMAGE_CADET;
}

void fit_box(Control *panel, int pad) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + pad, h + pad);
}

Control *label(int font, views_detail::Rgb c, const char *text) { return text_label_create_plain(font, c.r, c.g, c.b, text); }

// What the cost columns show: the training cost and days, or for a cadet whose training is
// paused at its sector's training site, what that paused training still costs and takes.
void training_figures(const Officer *officer, int32_t *cost, int32_t *days) {
    *cost = officer->training_cost;
    *days = officer->figures[0];   // the training time in days
    if (officer->rank > RANK_CADET) return;
    const Sector *sector = officer->sector_id ? sector_find(officer->sector_id) : nullptr;
    const Site *training = sector ? sector_find_site_of_kind(sector, SITE_TRAINING) : nullptr;
    uint64_t item_id = 0;
    int32_t saved_cost = 0, days_left = 0;
    if (training && site_get_paused_production(training, nullptr, &item_id, &saved_cost, &days_left) &&
        item_id == officer->id) {
        *cost = saved_cost;
        *days = days_left;
    }
}

// A child whose bottom sits on the box's bottom edge.
Control *add_bottom(Control *box, int x, int id, int tag, Control *child) {
    if (!child) return nullptr;
    panel_add_child(box, x, std::max(box->h - child->h, 0), id, 1, child);
    child->tag = tag;
    return child;
}

void add_costs(Control *box, const Officer *officer, int x) {
    int32_t cost = 0, days = 0;
    training_figures(officer, &cost, &days);
    char text[32];
    Control *icon = add_bottom(box, x, COMMANDER_BOX_ID_CREDITS_ICON, COMMANDER_BOX_TAG_COST,
                               image_control_create_frame(IMAGE_CREDITS, 1));
    x += (icon ? icon->w : 0) + COST_LABEL_GAP;
    std::snprintf(text, sizeof text, "$%i", cost);
    Control *price = add_bottom(box, x, COMMANDER_BOX_ID_COST, COMMANDER_BOX_TAG_COST, label(FONT_BODY, COST, text));
    x += (price ? price->w : 0) + DAYS_GAP;
    Control *clock = add_bottom(box, x, COMMANDER_BOX_ID_DAYS_ICON, COMMANDER_BOX_TAG_COST,
                                image_control_create_frame(IMAGE_CLOCK, 1));
    x += (clock ? clock->w : 0) + COST_LABEL_GAP;
    std::snprintf(text, sizeof text, "%i", days);
    add_bottom(box, x, COMMANDER_BOX_ID_DAYS, COMMANDER_BOX_TAG_COST, label(FONT_BODY, COST, text));
}

void build_name_block(Control *box, const Officer *officer, uint32_t flags) {
    if (!officer) {
        Control *icon = panel_add_child(box, MARGIN, MARGIN, COMMANDER_BOX_ID_RANK_ICON, 1,
                                        image_control_create(COMMANDER_BOX_EMPTY_ICON));
        Control *name = label(FONT_BODY, EMPTY_NAME, "(No commander)");
        if (!name) return;
        const int icon_right = icon ? icon->x + icon->w : MARGIN;
        const int icon_bottom = icon ? icon->y + icon->h : MARGIN + name->h;
        panel_add_child(box, icon_right + EMPTY_NAME_GAP, std::max(icon_bottom - name->h, 0), COMMANDER_BOX_ID_NAME, 1,
                        name);
        return;
    }
    Control *icon = panel_add_child(box, MARGIN, MARGIN, COMMANDER_BOX_ID_RANK_ICON, 1,
                                    image_control_create(box_rank_image(officer->rank)));
    const int x = (icon ? icon->w : 0) + MARGIN + ICON_NAME_GAP;
    Control *name = label(FONT_BODY, NAME, officer->name.c_str());
    if (!name) return;
    if (flags & COMMANDER_BOX_NAME_ONLY) {
        panel_add_child(box, x, NAME_ONLY_Y, COMMANDER_BOX_ID_NAME, 1, name);
        return;
    }
    panel_add_child(box, x, MARGIN, COMMANDER_BOX_ID_NAME, 1, name);
    panel_add_child(box, x, MARGIN + name->h + RANK_NAME_GAP, COMMANDER_BOX_ID_RANK_NAME, 1,
                    label(FONT_BODY, RANK_NAME, officer_rank_name(officer->rank)));
}

// ---- Officer chooser ----

void chooser_state_free(void *data) {
    OfficerChooserState *s = static_cast<OfficerChooserState *>(data);
    list_clear(&s->officers);
    list_clear(&s->rows);
    delete s;
}

void release_officer(Officer *officer) { officer_release(officer); }

void chooser_on_row(Control *row) {
    Control *chooser = row ? row->owner : nullptr;
    OfficerChooserState *s = officer_chooser_state(chooser);
    const Panel *p = panel_of(row);
    if (!s || !p) return;
    s->selected = p->value;
    if (s->on_pick) s->on_pick(chooser);
}

}  // namespace

// ---- The box ----

void commander_box_init(Control *box, const Officer *officer, uint32_t flags) {
    if (!panel_of(box)) return;
    panel_remove_children(box);
    panel_set_background(box, true);
    views_detail::set_colour(panel_background_colour(box), BOX_FILL);
    panel_set_border(box, true);
    views_detail::set_colour(panel_border_colour(box), BOX_BORDER);
    CommanderBoxState *state = new (std::nothrow) CommanderBoxState;
    control_set_widget_state(box, state, state ? box_state_free : nullptr);

    build_name_block(box, officer, flags);
    fit_box(box, 0);
    const int name_end = box->w + MARGIN;
    int x = name_end;
    if ((flags & COMMANDER_BOX_SKILLS) && officer)
        for (int skill = 0; skill < OFFICER_SKILL_COUNT; ++skill) {
            if (officer->skills[skill] <= 0) continue;
            Control *icon = add_bottom(box, x, 0, COMMANDER_BOX_TAG_SKILL,
                                       image_control_create(officer_skill_icon(skill)));
            x += (icon ? icon->w : 0) + SKILL_GAP;
        }
    x += SKILL_COLUMN_END;
    if (state) {
        state->name_end = name_end;
        state->skill_width = x - name_end;
    }
    // The cost columns stand on the same line as the skill icons: the content's bottom.
    if ((flags & COMMANDER_BOX_COSTS) && officer) add_costs(box, officer, x);
    fit_box(box, MARGIN);
}

Control *commander_box_create(const Officer *officer, uint32_t flags) {
    Control *box = panel_create_empty();
    if (!box) return nullptr;
    control_set_size(box, 20, 10);
    box->tag = -1;
    commander_box_init(box, officer, flags);
    return box;
}

Control *commander_box_create_named(const char *name, int32_t rank, uint32_t flags) {
    if (rank < 0) return commander_box_create(nullptr, flags);
    Officer shown;   // only name and rank: the box reads nothing else without costs or skills
    shown.name = name ? name : "";
    shown.rank = rank;
    return commander_box_create(&shown, flags);
}

CommanderBoxState *commander_box_state(Control *box) {
    return box && box->widget_free == box_state_free ? static_cast<CommanderBoxState *>(box->widget_state) : nullptr;
}

int32_t commander_box_get_name_width(Control *box) {
    const CommanderBoxState *s = commander_box_state(box);
    return s ? s->name_end : 0;
}

int32_t commander_box_get_skill_width(Control *box) {
    const CommanderBoxState *s = commander_box_state(box);
    return s ? s->skill_width : 0;
}

void commander_box_align_columns(Control *box, int32_t name_end, int32_t skill_width) {
    const CommanderBoxState *s = commander_box_state(box);
    Panel *p = panel_of(box);
    if (!s || !p) return;
    const int skill_dx = name_end - s->name_end;
    const int cost_dx = name_end + skill_width - s->name_end - s->skill_width;
    for (Control *child : p->children.items) {
        if (!child || (child->flags & CTRL_REMOVED)) continue;
        if (child->tag == COMMANDER_BOX_TAG_SKILL) control_set_position(child, child->x + skill_dx, child->y);
        else if (child->tag == COMMANDER_BOX_TAG_COST) control_set_position(child, child->x + cost_dx, child->y);
    }
    fit_box(box, MARGIN);
}

void commander_boxes_align(List<Control> *boxes) {
    if (!boxes) return;
    int32_t name_end = 0, skill_width = 0;
    for (Control *box : boxes->items) {
        if (!box) continue;
        name_end = std::max(name_end, commander_box_get_name_width(box));
        skill_width = std::max(skill_width, commander_box_get_skill_width(box));
    }
    for (Control *box : boxes->items)
        if (box) commander_box_align_columns(box, name_end, skill_width);
}

// ---- Officer chooser ----

OfficerChooserState *officer_chooser_state(Control *chooser) {
    return chooser && chooser->widget_free == chooser_state_free
               ? static_cast<OfficerChooserState *>(chooser->widget_state)
               : nullptr;
}

void officer_chooser_init(Control *chooser, GameObject *site_obj, ControlFn on_pick) {
    if (!panel_of(chooser)) return;
    panel_remove_children(chooser);
    panel_set_background(chooser, true);
    views_detail::set_colour(panel_background_colour(chooser), views_detail::Rgb{0, 0, 0});
    panel_set_border(chooser, true);
    views_detail::set_colour(panel_border_colour(chooser), CHOOSER_BORDER);
    OfficerChooserState *state = new (std::nothrow) OfficerChooserState;
    if (!state) return;
    list_set_free_fn(&state->officers, release_officer);
    state->on_pick = on_pick;
    control_set_widget_state(chooser, state, chooser_state_free);

    Site *site = site_obj && site_obj->kind == OBJECT_SITE ? static_cast<Site *>(site_obj) : nullptr;
    int y = CHOOSER_MARGIN;
    for (Officer *officer : site ? site->officers.items : std::vector<Officer *>{}) {
        if (!officer) break;
        Control *row = commander_box_create(officer, CHOOSER_BOX_FLAGS);
        if (!row) continue;
        officer_retain(officer);
        list_append(&state->officers, officer);
        const int index = list_count(&state->rows);
        panel_set_background_hover(row, ROW_FILL.r, ROW_FILL.g, ROW_FILL.b, ROW_FILL_PULSE.r, ROW_FILL_PULSE.g,
                                   ROW_FILL_PULSE.b, CHOOSER_PULSE_MS);
        panel_set_border_hover(row, ROW_BORDER.r, ROW_BORDER.g, ROW_BORDER.b, ROW_BORDER_PULSE.r, ROW_BORDER_PULSE.g,
                               ROW_BORDER_PULSE.b, CHOOSER_PULSE_MS);
        row->tag = index;
        panel_of(row)->value = index;
        row->on_click = chooser_on_row;
        panel_add_child(chooser, CHOOSER_MARGIN, y, 0, 0, row);
        list_append(&state->rows, row);
        y += row->h + OFFICER_CHOOSER_ROW_GAP;
    }

    commander_boxes_align(&state->rows);
    int width = 0;
    for (Control *row : state->rows.items) width = std::max(width, row->w);
    const int slide_ms = std::max(width - CHOOSER_SLIDE_FROM, 0) * 1000 / CHOOSER_SLIDE_PX_PER_S;
    for (int i = 0; i < list_count(&state->rows); ++i) {
        Control *row = state->rows.items[size_t(i)];
        control_set_size(row, CHOOSER_SLIDE_FROM, row->h);
        panel_resize_to(row, width, row->h, slide_ms);
        if (i > 0) control_hide_for(row, CHOOSER_STAGGER_MS * i);
    }
    int w = 0, h = 0;
    panel_layout(chooser, &w, &h);
    for (Control *row : state->rows.items) w = std::max(w, row->x + width);   // the rows' width once grown
    control_set_size(chooser, w + CHOOSER_MARGIN, h + CHOOSER_MARGIN);
}

Control *officer_chooser_create(GameObject *site, ControlFn on_pick) {
    Control *chooser = panel_create_empty();
    if (chooser) officer_chooser_init(chooser, site, on_pick);
    return chooser;
}

Officer *officer_chooser_get_selected(Control *chooser) {
    const OfficerChooserState *s = officer_chooser_state(chooser);
    return s ? list_get(&s->officers, s->selected) : nullptr;
}
