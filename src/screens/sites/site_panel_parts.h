#pragma once
// The site panel's parts, shared by its files and by nothing else: site_panel.cpp builds, fits and
// clears the panel; site_panel_headers.cpp makes the header by what the site is (body, star or
// facility), site_panel_officers.cpp the starbase's commander box and officer pool with the "No
// officers available" popup, site_panel_production.cpp the production box, site_panel_rows.cpp the
// stat rows, the description and the defenders, site_panel_buttons.cpp the command buttons with
// their reasons. Game thread only.
#include <string>
#include "platform/calendar.h"
#include "platform/colour_fade.h"
#include "screens/sites/site_panel.h"
#include "ui/control.h"
#include "ui/panel.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"

struct Sector;
struct Site;

namespace site_panel_parts {

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

// The site panel a control belongs to: its user data.
inline Control *panel_of_user(Control *c) { return c ? static_cast<Control *>(c->user_data) : nullptr; }

// A control that appears after the delay (0: at once).
inline Control *appear_after(Control *c, int delay) {
    if (c && delay > 0) control_hide_for(c, delay);
    return c;
}

inline Control *label(int font, Rgb c, const std::string &text) { return text_label_create_plain(font, c.r, c.g, c.b, text.c_str()); }

inline std::string date_text(const Date *date) {
    const Date zero;
    return date_format(date ? date : &zero);
}

inline void pulse(Control *text, Rgb a, Rgb b) {
    if (ColourFade *fade = text_label_colour(text))
        colour_fade_start(fade, a.r, a.g, a.b, b.r, b.g, b.b, STATUS_PULSE_MS, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
}

inline void size_to_content(Control *panel, int dw, int dh) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + dw, h + dh);
}

inline int bottom_of(const Control *c) { return c ? c->y + c->h : 0; }

// What the header left for the rest of the body: its controls that later steps align, and where
// the body goes on.
struct Header {
    Control *owner = nullptr;
    Control *status = nullptr;
    Control *blockade_icon = nullptr;
    Control *blockade_note = nullptr;
    Control *surface = nullptr;
    int x = 0, y = 0;
};

// The production box, its item name and its two frames, for the final alignment.
struct Production {
    Control *name = nullptr;
    Control *box = nullptr;
    Control *inner = nullptr;
    Control *outer = nullptr;
};

void build_body_header(Control *panel, const Site *site, const Sector *sector, Header *h);
void build_star_header(Control *panel, const Site *site, const Sector *sector, Header *h);
void build_facility_header(Control *panel, const Site *site, int delay, Header *h);
Control *build_starbase_officers(Control *panel, Site *site, const Sector *sector, bool own, bool producing,
                                 Header *h, Control **pool_out);
int build_production(Control *panel, Site *site, int x, int y, int delay, Production *out);
void add_row(List<SystemRow> *rows, Control *icon, const char *caption, const std::string &value, int highlight = 0);
Control *build_stat_rows(Site *site, const Sector *sector, bool interactive, bool animate);
Control *build_description(const Site *site, bool animate);
int build_defenders(Control *panel, Site *site, int y);
Control *build_buttons(Control *panel, Site *site, const Sector *sector, bool animate);

}  // namespace site_panel_parts
