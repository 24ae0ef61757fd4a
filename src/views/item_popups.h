#pragma once
// Detail popups of the cards and rows that explain an item: what a technology grants (a ship
// system, a hull, a facility, a starbase bonus) and an officer skill's bonuses at a level.
//  - A row opens its popup when the pointer has rested on it for its dwell delay and closes it
//    when the pointer leaves; the screen shows one popup at a time (game_open_popup).
//  - A grant card carries the grant index in its panel value; its user data is the panel whose
//    state names the tech type and owns the System records made for the system grants.
//  - A skill row carries the skill index in its panel value; the levels come from the alert of
//    the panel that is the row's user data, found by the alert id of that panel's state (an alert
//    gone from the game's list opens nothing).
//  - The popups keep nothing: each dwell builds a new panel from the data of the moment.
//  - Game thread only.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/list.h"

struct Alert;
struct Control;
struct System;

// The widget state of a panel whose rows open these popups: the System records made for the
// system grants shown on its cards (owned, freed with the state), the tech type of a research item
// and the id of the alert shown. Installed with item_panel_set_state; null for any other panel.
struct ItemPanelState {
    List<System> *systems = nullptr;
    int32_t       tech_type = 0;
    uint64_t      alert_id = 0;
};
void            item_panel_set_state(Control *panel, uint64_t alert_id, int32_t tech_type);
ItemPanelState *item_panel_state(Control *panel);
// The alert the panel shows, looked up in the game's alert list now; null once it has expired.
Alert *item_panel_alert(Control *panel);

// One line of a skill's popup: the icon and the text at a level.
struct SkillPopupLine {
    int32_t     image_type;
    int32_t     frame;
    std::string text;
};
// The lines of skill s at level; none for a skill outside 0..8.
std::vector<SkillPopupLine> officer_skill_lines(int32_t skill, int32_t level);
// The popup panel of skill s at level (title and lines), not yet opened.
Control *officer_skill_popup_build(int32_t skill, int32_t level);

// What a starbase bonus grant reads: "Resource Gathering" +25%, "Crew Generation" +50 (no percent).
std::string tech_bonus_amount_text(int32_t bonus_kind, int32_t amount);
// The grant of the card: the tech type of the card's panel (its user data) and the card's value
// as the grant index; null unless both are in range (0 <= index < the tech's grant count).
const struct TechEffect *tech_grant_of_card(Control *card);
// The System a system grant card shows: the first of the panel's systems whose type is the grant's
// target; null when there is none.
System *tech_grant_system_of_card(Control *card);
// A system grant's record for a card of the panel: a new System of the grant's type (with its
// subtype when the type has any), kept in the panel's state for the card's popup, its info rows
// appended to rows. Null, with nothing kept, when the panel has no state or the System cannot be
// made or kept.
System *tech_grant_system_add(Control *panel, const struct TechEffect &grant, List<struct IconRow> *rows);
// A hull or facility grant's template (ship or site factory, set up on first use); null unless
// 0 <= index < the factory's template count.
struct GameObject *tech_grant_template(int32_t kind, int32_t index);
// The picture of a hull or facility template's current frame (a hull's icon, a facility's first
// frame when it has none yet);
// null when its frames are not loaded.
Control *tech_grant_template_picture(const struct GameObject *tmpl);
// The popups' panels, built but not opened (null when the grant explains nothing).
Control *tech_grant_hull_popup_build(int32_t template_index);
Control *tech_grant_facility_popup_build(int32_t template_index);
// "%i day" or "%i days".
std::string tech_grant_days_text(int32_t days);
void tech_grant_system_popup(Control *card);    // dwell of a system grant card
void tech_grant_hull_popup(Control *card);      // dwell of a hull grant card
void tech_grant_facility_popup(Control *card);  // dwell of a facility grant card
void tech_grant_bonus_popup(Control *card);     // dwell of a bonus grant card
void tech_grant_popup_close(Control *card);     // hover-leave of any grant card

void officer_skill_popup(Control *row);         // dwell of a news item's skill row
void officer_skill_popup_close(Control *row);   // hover-leave
