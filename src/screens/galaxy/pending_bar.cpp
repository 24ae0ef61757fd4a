// Stand-ins until the bar files of the galaxy screen land; deleted with them.
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"

void galaxy_bar_create() {}
void galaxy_bar_layout(int32_t) {}
void galaxy_bar_update_action_button() {}
void galaxy_bar_hide_action_buttons() {}
void galaxy_bar_hide_list_buttons() {}
void galaxy_bar_set_list_buttons_enabled(bool) {}
void galaxy_bar_update_badges() {}
void galaxy_side_panels_close() {}
void galaxy_side_panels_set_layer(int32_t) {}
void galaxy_bar_on_menu(Control *) {}
void galaxy_bar_on_ships(Control *) {}
void galaxy_bar_on_officers(Control *) {}
void starmap_toggle_technology(Control *) {}
void starmap_toggle_corporation(Control *) {}
void starmap_toggle_news(Control *) {}
void galaxy_bar_on_starmap(Control *) {}
void galaxy_bar_on_next_turn(Control *) {}
void galaxy_bar_on_pass(Control *) {}
void galaxy_bar_on_stop(Control *) {}
void galaxy_officer_list_on_select(Control *) {}
void galaxy_ship_list_on_select(Control *) {}
void starmap_officer_panel_fill(Control *, struct Officer *) {}
void starmap_news_build() {}
void starmap_news_item_open(Control *) {}
void starmap_clear_for_menu(Control *) {}
void starmap_menu_to_title(Control *) {}
void starmap_panels_mode_b(Control *) {}
void starmap_panels_mode_11(Control *) {}
