// Site choosers: the facility, design and recruit lists shown in the site panel's body, their
// titles and Back buttons, and the picks they hand to the site panel's slots.
#include "screens/sites/site_choosers.h"

#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "screens/design/design_list_panel.h"
#include "screens/sites/facility_panels.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "views/commander_box.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/site.h"

namespace {

constexpr int KEY_ESCAPE = 27;
constexpr int RECRUIT_FADE_MS = 170;
constexpr int TITLE_GAP = 10;
constexpr int BACK_GAP = 16;

using ListMaker = Control *(*)(Site *site, Sector *sector);   // a new list panel built for the site

struct ChooserKind {
    int32_t     open_chooser;
    int         list_id;
    ListMaker   make;
    const char *title;
    ControlFn   back;
};

Control *make_facility_list(Site *site, Sector *sector) {
    Control *list = panel_create_empty();
    if (!list) return nullptr;
    control_set_size(list, 20, 10);
    facility_chooser_build(list, sector, site,
                           site->defense_level > 0 ? FACILITY_CHOOSER_SLIDE
                                                   : FACILITY_CHOOSER_SLIDE | FACILITY_CHOOSER_DEFENSE);
    return list;
}
Control *make_design_list(Site *site, Sector *) {
    Control *panel = panel_create_empty();
    if (panel) design_list_build(panel, site, design_chooser_on_pick);
    return panel;
}
Control *make_recruit_list(Site *site, Sector *) { return officer_chooser_create(site, recruit_chooser_on_pick); }

constexpr ChooserKind FACILITY_CHOOSER = {SITE_CHOOSER_NONE, SITE_PANEL_ID_FACILITY_LIST, make_facility_list,
                                          "Choose facility to build", site_chooser_on_back_facility};
constexpr ChooserKind DESIGN_CHOOSER = {SITE_CHOOSER_DESIGN, SITE_PANEL_ID_DESIGN_LIST, make_design_list,
                                        "Choose ship design", site_chooser_on_back_design};
constexpr ChooserKind RECRUIT_CHOOSER = {SITE_CHOOSER_RECRUIT, SITE_PANEL_ID_RECRUIT_LIST, make_recruit_list,
                                         "Choose recruit", site_chooser_on_back_recruit};

// The list, its title below it and the Back row under the title, right-aligned with the list;
// all three appear after a moment.
void open(Control *site_panel, const ChooserKind &kind) {
    SitePanelState *state = site_panel_state(site_panel);
    Site *site = site_panel_site(site_panel);
    if (!state || !site) return;
    Sector *sector = sector_find(site->sector_id);
    if (kind.list_id == SITE_PANEL_ID_FACILITY_LIST && !sector) return;
    state->open_chooser = kind.open_chooser;
    const int x = state->body_x, y = state->body_y;

    Control *list = kind.make(site, sector);
    if (!list) return;
    control_set_tag(list, -1);
    control_set_user_data(list, site_panel, nullptr);
    panel_add_child(site_panel, x, y, kind.list_id, 0, list);
    control_hide_for(list, SITE_CHOOSER_REVEAL_MS);

    int bottom = y + list->h + TITLE_GAP;
    if (Control *title = text_label_create_plain(7, 0, 230, 0, kind.title)) {
        if (ColourFade *colour = text_label_colour(title)) colour_fade_start(colour, 0, 0, 0, 0, 230, 0, 200, 0, 0);
        panel_add_child(site_panel, x + list->w / 2 - title->w / 2, bottom, SITE_PANEL_ID_CHOOSER_TITLE, 0, title);
        control_hide_for(title, SITE_CHOOSER_REVEAL_MS);
        bottom += title->h;
    }
    Control *back = image_button_create(IMAGE_BACK, 6, "Back", kind.back, KEY_ESCAPE, site_panel);
    Control *row = back ? panel_create_empty() : nullptr;
    if (!row) {
        control_destroy(back);
        return;
    }
    List<Control> buttons;
    list_append(&buttons, back);
    panel_layout_controls(row, &buttons, 0);
    panel_add_child(site_panel, x + list->w - row->w, bottom + BACK_GAP, SITE_PANEL_ID_BUTTONS, 0, row);
    control_hide_for(row, SITE_CHOOSER_REVEAL_MS);
}

void back(Control *button) {
    Control *site_panel = button ? static_cast<Control *>(button->user_data) : nullptr;
    if (!site_panel_state(site_panel)) return;
    site_panel_clear_body(site_panel);
    site_panel_build_body(site_panel, 200, true, true);
    site_panel_fit(site_panel);
}

Control *site_panel_of_list(Control *list) { return list ? static_cast<Control *>(list->user_data) : nullptr; }

}  // namespace

FacilityChooserState *facility_chooser_state(Control *list) {
    return list && list->widget_free == facility_chooser_state_free ? static_cast<FacilityChooserState *>(list->widget_state)
                                                                    : nullptr;
}

void site_facility_chooser_open(Control *site_panel) { open(site_panel, FACILITY_CHOOSER); }
void site_design_chooser_open(Control *site_panel) { open(site_panel, DESIGN_CHOOSER); }
void site_recruit_chooser_open(Control *site_panel) { open(site_panel, RECRUIT_CHOOSER); }

void site_chooser_on_back_facility(Control *button) { back(button); }
void site_chooser_on_back_design(Control *button) { back(button); }
void site_chooser_on_back_recruit(Control *button) {
    Control *site_panel = button ? static_cast<Control *>(button->user_data) : nullptr;
    if (Control *list = site_panel ? panel_find_child(site_panel, SITE_PANEL_ID_RECRUIT_LIST) : nullptr)
        panel_fade_out_recursive(list, RECRUIT_FADE_MS);
    back(button);
}

void facility_chooser_on_pick(Control *list) {
    Control *site_panel = site_panel_of_list(list);
    const FacilityChooserState *state = facility_chooser_state(list);
    if (!state || !site_panel_state(site_panel)) return;
    // The "Defense Upgrade" row leaves the picked item as it was; the slot reads the mark first.
    if (facility_chooser_is_defense_upgrade(list)) site_panel_set_picked(site_panel, site_panel_picked(site_panel), 1);
    else site_panel_set_picked(site_panel, facility_chooser_get_selected(list), 0);
    site_panel_call_slot(site_panel, SITE_SLOT_PICK_FACILITY);
}

void design_chooser_on_pick(Control *list) {
    Control *site_panel = site_panel_of_list(list);
    if (!site_panel_state(site_panel)) return;
    site_panel_set_picked(site_panel, design_list_get_picked(list), site_panel_defense_row(site_panel));
    site_panel_call_slot(site_panel, SITE_SLOT_PICK_DESIGN);
}

void recruit_chooser_on_pick(Control *list) {
    Control *site_panel = site_panel_of_list(list);
    if (!site_panel_state(site_panel)) return;
    site_panel_set_picked(site_panel, officer_chooser_get_selected(list), site_panel_defense_row(site_panel));
    site_panel_call_slot(site_panel, SITE_SLOT_PICK_RECRUIT);
}

void facility_chooser_row_click(Control *row) {
    Control *list = row ? row->owner : nullptr;
    FacilityChooserState *state = facility_chooser_state(list);
    if (!state) return;
    state->chosen = row->tag;
    if (state->on_pick) state->on_pick(list);
}

void facility_chooser_state_free(void *state) { delete static_cast<FacilityChooserState *>(state); }

GameObject *facility_chooser_get_selected(Control *list) {
    const FacilityChooserState *state = facility_chooser_state(list);
    return state ? list_get(&state->entries, state->chosen) : nullptr;
}

void chooser_refresh_design_list(Control *site_panel) {
    const SitePanelState *state = site_panel_state(site_panel);
    if (!state || state->open_chooser != SITE_CHOOSER_DESIGN) return;
    if (Control *list = panel_find_child(site_panel, SITE_PANEL_ID_DESIGN_LIST)) design_list_refresh(list);
}

void chooser_reopen_design_list(Control *site_panel) {
    if (!site_panel_state(site_panel)) return;
    site_panel_clear_body(site_panel);
    site_design_chooser_open(site_panel);
    site_panel_fit(site_panel);
    panel_finish_resize(site_panel);
}
