// The galaxy screen's side list panels: the toggles behind the command bar's list buttons, the
// pick in the ships and officers lists (an object panel beside the list), the news list and its
// item view, and the screen's owner slots in the game menu.
#include <cstdint>

#include "game/game.h"
#include "game/officer.h"
#include "screens/galaxy/officer_handlers.h"
#include "screens/galaxy/research_handlers.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/graphics.h"
#include "platform/list.h"
#include "platform/sound.h"
#include "screens/galaxy/galaxy_local.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/corporation/corporation_summary.h"
#include "screens/news/news_item_panel.h"
#include "screens/news/news_panel.h"
#include "screens/officers/officer_detail_panel.h"
#include "screens/officers/officers_list.h"
#include "screens/research/tech_list.h"
#include "screens/ships/ships_list.h"
#include "screens/title/game_menu.h"
#include "ui/app_mode.h"
#include "ui/control.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"

namespace {

constexpr int LIST_X = 4;
constexpr int LIST_BOTTOM_MARGIN = 40;    // between a list's bottom and the screen's
constexpr int LIST_START_WIDTH = 8;
constexpr int LIST_GROW_MS = 145;
constexpr int LIST_LAYER = 10;
constexpr int LIST_MENU_LAYER = 11;       // while the game menu's save or load screen is open
constexpr int LIST_UNDER_OBJECT_LAYER = 4;
constexpr int GLOW_R = 60, GLOW_G = 30, GLOW_B = 10;
constexpr int GLOW_MS = 200;
constexpr int GLOW_DELAY_MS = 145;
constexpr int PICK_GAP = 6;               // between a list and the object panel opened beside it
constexpr int PICK_MOVE_MS = 200;
constexpr int LOAD_DELAY_MS = 1000;
constexpr int SLOT_SELECT = 0;            // the lists' selection slot

// What the toggles of the six list buttons differ in.
struct SideList {
    GalaxySideList which;
    int32_t        button_id;
    void         (*build)(Control *panel, Player *ui);   // fills the panel
    ControlFn      on_select;                             // into the selection slot; null: none or set by build
    int32_t        anchor_mode;
    bool           finish_resize_on_close;
};

void build_menu(Control *panel, Player *) {
    game_menu_build(panel, GAME_MENU_GALAXY | GAME_MENU_HOTKEYS);   // the title's letters work here too
    if (GameMenuState *state = game_menu_state(panel)) {
        state->on_load_requested = galaxy_clear_for_menu;
        state->on_load_failed = galaxy_menu_to_title;
        state->on_save_opened = galaxy_menu_on_save_or_load_opened;
        state->on_load_opened = galaxy_menu_on_save_or_load_opened;
    }
}

void build_ships(Control *panel, Player *ui) {
    List<GameObject> *ships = ui ? player_objects_sorted(ui) : nullptr;
    ships_list_build(panel, ships);
    list_free(ships);
    panel_set_slot(panel, SHIPS_LIST_SLOT_SELECT, galaxy_ship_list_on_select);
}

void build_officers(Control *panel, Player *ui) {
    List<Officer> *officers = ui ? player_officers_sorted(ui) : nullptr;
    officers_list_build(panel, officers);
    list_free(officers);
}

void build_tech(Control *panel, Player *ui) {
    tech_list_build(panel, ui);
}
void build_corp(Control *panel, Player *ui) { corporation_summary_build(panel, ui); }
void build_news(Control *, Player *) { galaxy_news_build(); }

constexpr SideList MENU = {.which = GALAXY_LIST_MENU, .button_id = GALAXY_ID_MENU_BUTTON, .build = build_menu,
                           .on_select = nullptr, .anchor_mode = PANEL_ANCHOR_NONE, .finish_resize_on_close = false};
constexpr SideList SHIPS = {.which = GALAXY_LIST_SHIPS, .button_id = GALAXY_ID_SHIPS_BUTTON, .build = build_ships,
                            .on_select = nullptr, .anchor_mode = PANEL_ANCHOR_NONE,
                            .finish_resize_on_close = false};
constexpr SideList OFFICERS = {.which = GALAXY_LIST_OFFICERS, .button_id = GALAXY_ID_OFFICERS_BUTTON,
                               .build = build_officers, .on_select = galaxy_officer_list_on_select,
                               .anchor_mode = PANEL_ANCHOR_NONE, .finish_resize_on_close = false};
constexpr SideList TECH = {.which = GALAXY_LIST_TECH, .button_id = GALAXY_ID_TECH_BUTTON, .build = build_tech,
                           .on_select = galaxy_tech_list_on_select, .anchor_mode = PANEL_ANCHOR_BOTTOM, .finish_resize_on_close = true};
constexpr SideList CORP = {.which = GALAXY_LIST_CORP, .button_id = GALAXY_ID_CORP_BUTTON, .build = build_corp,
                           .on_select = nullptr, .anchor_mode = PANEL_ANCHOR_BOTTOM, .finish_resize_on_close = true};
constexpr SideList NEWS = {.which = GALAXY_LIST_NEWS, .button_id = GALAXY_ID_NEWS_BUTTON, .build = build_news,
                           .on_select = nullptr, .anchor_mode = PANEL_ANCHOR_BOTTOM, .finish_resize_on_close = true};

void start_glow(Control *panel) {
    panel_enable_glow(panel);
    colour_fade_start(panel_glow_colour(panel), 0, 0, 0, GLOW_R, GLOW_G, GLOW_B, GLOW_MS, GLOW_DELAY_MS, 0);
}

// A list button's press: nothing during a turn; a press stops auto-pass, closes the object panels
// a list opened and marks the news of the moment announced; then the list opens, or closes when
// it is open.
void toggle(const SideList &list) {
    GalaxyScreen *s = galaxy_screen();
    const uint32_t flags = galaxy_flags();
    if (flags & GALAXY_FLAG_TURN_IN_PROGRESS) return;
    if (flags & GALAXY_FLAG_AUTO_PASS) {
        s->screen_flags.fetch_or(GALAXY_FLAG_STOP_REQUESTED);
        s->autopass_countdown_ms = 0;
    }
    if (flags & GALAXY_FLAG_OBJECT_PANEL_SHOWN) galaxy_object_panels_close();
    galaxy_end_news_delay();

    Control *panel = s->side_panels[list.which];
    if (!panel) return;
    if (control_is_shown(panel)) {
        if (list.finish_resize_on_close) panel_finish_resize(panel);
        galaxy_detail::hide(panel);
        galaxy_bar_layout(0);
        if (list.which == GALAXY_LIST_MENU) panel_remove_children(panel);
        return;
    }
    galaxy_side_panels_close();
    galaxy_bar_layout(list.button_id);
    list.build(panel, game_get()->ui_player);
    if (list.on_select)
        panel_set_slot(panel, SLOT_SELECT, list.on_select);
    const int built_w = panel->w, built_h = panel->h;
    control_set_size(panel, LIST_START_WIDTH, built_h);
    control_set_position(panel, LIST_X, GFX_HEIGHT - LIST_BOTTOM_MARGIN - built_h);
    panel_set_anchor_mode(panel, list.anchor_mode);
    panel_set_draw_children_while_resizing(panel, true);
    panel_resize_to(panel, built_w, built_h, LIST_GROW_MS);
    control_set_hidden(panel, true);
    control_set_layer(panel, LIST_LAYER);
    start_glow(panel);
    if (list.which == GALAXY_LIST_MENU) s->screen_flags.fetch_or(GALAXY_FLAG_MENU_OPEN);
}

// A pick in a list replaces whatever was open or selected by the picked item's object panel.
Control *open_for_pick(int32_t id) {
    GalaxyScreen *s = galaxy_screen();
    galaxy_detail::hide(s->centre_panel);
    if (s->selected) galaxy_drop_selection();
    galaxy_object_panels_close();
    return galaxy_object_panel_open(id);
}

// The picked item's panel grows out of the list to its right; bottom_aligned puts its bottom on the
// list's, else it is centred on the list unless it is taller.
void place_beside_list(Control *panel, Control *list, bool bottom_aligned) {
    const int built_w = panel->w, built_h = panel->h;
    panel_set_anchor_mode(panel, PANEL_ANCHOR_NONE);
    panel_set_draw_children_while_resizing(panel, false);
    control_set_position(panel, list->x, list->y);
    control_set_size(panel, list->w, list->h);
    const int x = list->x + list->w + PICK_GAP;
    const int y = (bottom_aligned || built_h > list->h) ? list->y + list->h - built_h
                                                         : list->y + list->h / 2 - built_h / 2;
    control_move_to(panel, x, y, PICK_MOVE_MS);
    panel_resize_to(panel, built_w, built_h, PICK_MOVE_MS);
    galaxy_screen()->screen_flags.fetch_or(GALAXY_FLAG_OBJECT_PANEL_SHOWN);
    sound_play(SOUND_OPEN_PANEL);
}

}  // namespace

void galaxy_side_panels_close() {
    for (Control *panel : galaxy_screen()->side_panels) {
        if (!panel) continue;
        // A menu showing a failed load is the only way on: only its own OK closes it.
        if (game_menu_holds_load(panel)) continue;
        galaxy_detail::hide(panel);
        panel_remove_children(panel);
    }
}

void galaxy_side_panels_set_layer(int32_t layer) {
    for (Control *panel : galaxy_screen()->side_panels)
        if (panel) control_set_layer(panel, layer);
}

void galaxy_bar_on_menu(Control *) { toggle(MENU); }
void galaxy_bar_on_ships(Control *) { toggle(SHIPS); }
void galaxy_bar_on_officers(Control *) { toggle(OFFICERS); }
void galaxy_toggle_technology(Control *) { toggle(TECH); }
void galaxy_toggle_corporation(Control *) { toggle(CORP); }
void galaxy_toggle_news(Control *) { toggle(NEWS); }

// ---- A pick in a list ----

void galaxy_officer_list_on_select(Control *list) {
    if (!list) return;
    Officer *officer = officers_list_get_selected(list);
    Control *bottom = galaxy_object_panel_bottom();
    if (officer && bottom && bottom->id == GALAXY_PANEL_OFFICER && bottom->user_data == officer) return;
    Control *panel = open_for_pick(GALAXY_PANEL_OFFICER);
    if (!panel) return;
    galaxy_officer_panel_build(panel, officer);
    if (Panel *p = panel_of(panel)) p->value = 1;
    place_beside_list(panel, list, false);
}

void galaxy_ship_list_on_select(Control *list) {
    if (!list) return;
    GameObject *ship = ships_list_get_selected(list);
    Control *shown = galaxy_object_panel_find(GALAXY_PANEL_SHIP);
    if (ship && shown && shown->user_data == ship) return;
    Control *panel = open_for_pick(GALAXY_PANEL_SHIP);
    if (!panel) return;
    galaxy_show_ship_panel(panel, ship, game_get()->ui_player);
    place_beside_list(panel, list, true);
}

void galaxy_officer_panel_build(Control *panel, Officer *officer) {
    const Game *game = game_get();
    const bool own = officer && game->ui_player_id != 0 && officer->owner_id == game->ui_player_id;
    officer_detail_panel_build(panel, officer, own ? 7 : 3);
    if (own) galaxy_officer_panel_set_handlers(panel);
}

// ---- News ----

void galaxy_news_build() {
    Control *panel = galaxy_screen()->side_panels[GALAXY_LIST_NEWS];
    if (!panel) return;
    news_panel_build(panel, game_get()->alerts);
    panel_set_slot(panel, NEWS_SLOT_OPEN_ITEM, galaxy_news_on_open_item);
    start_glow(panel);
}

void galaxy_news_on_open_item(Control *) {
    GalaxyScreen *s = galaxy_screen();
    Control *centre = s->centre_panel;
    Alert *alert = news_panel_clicked_alert(s->side_panels[GALAXY_LIST_NEWS]);
    if (!centre || !alert) return;
    galaxy_object_panels_close();
    galaxy_side_panels_set_layer(LIST_UNDER_OBJECT_LAYER);
    galaxy_detail::hide(centre);
    news_item_panel_build(centre, alert);
    control_set_position(centre, GFX_WIDTH / 2 - centre->w / 2, GFX_HEIGHT / 2 - centre->h / 2);
    control_set_hidden(centre, true);
}

// ---- The game menu's owner slots ----

void galaxy_clear_for_menu(Control *) {
    GalaxyScreen *s = galaxy_screen();
    Game *game = game_get();
    galaxy_markers_clear();
    galaxy_select_object(nullptr);
    galaxy_bar_hide_action_buttons();
    galaxy_object_panels_close();
    galaxy_detail::hide(s->status_panel);
    galaxy_detail::hide(s->hover_panel);
    galaxy_detail::hide(s->selection_panel);
    galaxy_detail::hide(s->centre_panel);
    galaxy_bar_set_list_buttons_enabled(false);
    s->screen_flags.fetch_and(~GALAXY_FLAG_ENCOUNTERS_PENDING);
    s->screen_flags.fetch_or(GALAXY_FLAG_HIDE_MAP | GALAXY_FLAG_TURN_IN_PROGRESS);
    galaxy_detail::hide(s->starmap_button);
    if (Control *minimap = game_find_control(game, GALAXY_ID_SECTOR_MINIMAP)) control_remove(minimap);
    s->load_delay_ms = LOAD_DELAY_MS;
}

void galaxy_menu_to_title(Control *) {
    game_clear(game_get());
    app_mode_request(APP_MODE_TITLE);
}

void galaxy_menu_on_save_or_load_opened(Control *) { galaxy_side_panels_set_layer(LIST_MENU_LAYER); }
