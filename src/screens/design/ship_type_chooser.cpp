#include "screens/design/design_editor.h"

DesignEditorState * design_editor_state(Control *) { return nullptr; }
void design_configure_build(Control *, const char *, uint32_t, uint32_t, uint32_t) {}
void design_configure_open(Control *, GameObject *) {}
void design_configure_close(Control *) {}
uint32_t design_available_hulls(Player *) { return 0; }
void design_hull_cards_build(Control *) {}
void card_grid_build(Control *, uint32_t ) {}
void card_grid_set_select_handler(Control *, ControlFn ) {}
void card_grid_on_click(Control *) {}
void card_grid_on_hover_enter(Control *) {}
void card_grid_on_hover_leave(Control *) {}
void design_on_hull_selected(Control *) {}
void design_hull_load_poll(Control *) {}
int design_hull_load_thread(void *) { return 0; }
void design_editor_state_free(void *) {}
