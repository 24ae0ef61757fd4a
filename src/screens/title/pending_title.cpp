// Stand-ins until the real ones land; deleted at merge.
#include <new>

#include "screens/title/help_window.h"
#include "screens/title/new_game.h"
#include "screens/title/options_panel.h"
#include "ui/panel.h"

namespace {

void new_game_free(void *state) { delete static_cast<NewGameState *>(state); }
void options_free(void *state) { delete static_cast<OptionsState *>(state); }

}  // namespace

void new_game_build(Control *panel) {
    panel_remove_children(panel);
    control_set_size(panel, 600, 400);
    control_set_widget_state(panel, new (std::nothrow) NewGameState(), new_game_free);
}

NewGameState *new_game_state(Control *panel) {
    return panel && panel->widget_free == new_game_free ? static_cast<NewGameState *>(panel->widget_state) : nullptr;
}

void options_panel_init(Control *panel) {
    panel_remove_children(panel);
    control_set_size(panel, 300, 200);
    control_set_widget_state(panel, new (std::nothrow) OptionsState(), options_free);
}

OptionsState *options_panel_state(Control *panel) {
    return panel && panel->widget_free == options_free ? static_cast<OptionsState *>(panel->widget_state) : nullptr;
}

void help_window_init(Control *panel, int32_t) { control_set_size(panel, 500, 400); }
