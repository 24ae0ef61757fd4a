// The options panel: six rows of a label and a drop-down choice over a moving grid, and "OK".
#include "screens/title/options_panel.h"

#include <algorithm>
#include <new>

#include "game/game.h"
#include "game/prefs.h"
#include "platform/colour_fade.h"
#include "platform/log.h"
#include "platform/sound.h"
#include "screens/title/title_local.h"
#include "ui/choice.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"

namespace {

constexpr int OK_IMAGE_TYPE = 150;
constexpr int KEY_ESCAPE = 27;
constexpr int CHOICE_FONT = 1;

struct OptionChoice {
    const char *text;
    int32_t     value;
};

struct PreferenceRow {
    int32_t             id;
    const char         *name;
    const char         *description;
    const OptionChoice *choices;
    int                 choice_count;
    int32_t Game::     *preference;
};

constexpr OptionChoice DISPLAY_CHOICES[] = {{"Windowed", 0}, {"Fullscreen", 1}};
constexpr OptionChoice VOLUME_CHOICES[] = {{"0", 0}, {"1", 25}, {"2", 51}, {"3", 76}, {"4", 102}, {"5", 128}};
constexpr OptionChoice GALAXY_SPEED_CHOICES[] = {
    {"Slowest", 100}, {"Slow", 200}, {"Medium", 300}, {"Fast", 400}, {"Fastest", 500}};
// A percentage of the combat pauses: the number falls as the speed rises.
constexpr OptionChoice COMBAT_SPEED_CHOICES[] = {
    {"Slowest", 200}, {"Slow", 150}, {"Medium", 100}, {"Fast", 70}, {"Fastest", 30}};
constexpr OptionChoice AUTO_PASS_CHOICES[] = {{"None", 0}, {"Slow", 2000}, {"Medium", 1200}, {"Fast", 600}};

template <size_t N> constexpr int count_of(const OptionChoice (&)[N]) { return int(N); }

// The rows in the order they are shown.
const PreferenceRow PREFERENCE_ROWS[] = {
    {OPTION_DISPLAY, "Display",
     "Sets whether the game runs in windowed or fullscreen mode. If changed, this option only takes effect after "
     "restarting the game.",
     DISPLAY_CHOICES, count_of(DISPLAY_CHOICES), &Game::display_mode},
    {OPTION_MUSIC_VOLUME, "Music Volume", "Sets the music volume.", VOLUME_CHOICES, count_of(VOLUME_CHOICES),
     &Game::music_volume},
    {OPTION_SOUND_VOLUME, "Sound Volume", "Sets the sound volume.", VOLUME_CHOICES, count_of(VOLUME_CHOICES),
     &Game::sound_volume},
    {OPTION_GALAXY_SPEED, "Galaxy Speed",
     "Sets the speed at which time advances on the galaxy map, after you have passed the turn.",
     GALAXY_SPEED_CHOICES, count_of(GALAXY_SPEED_CHOICES), &Game::galaxy_speed},
    {OPTION_COMBAT_SPEED, "Combat Speed",
     "Sets the speed at which time advances in combat, after you end the turn.", COMBAT_SPEED_CHOICES,
     count_of(COMBAT_SPEED_CHOICES), &Game::combat_speed},
    {OPTION_AUTO_PASS, "Auto-pass",
     "If set to None, the game advances one day each time you pass the turn. If set to Slow, Medium, or Fast, "
     "passing the turn causes the game to continue advancing days at the specified speed until stopped.",
     AUTO_PASS_CHOICES, count_of(AUTO_PASS_CHOICES), &Game::auto_pass},
};

const PreferenceRow *row_of_id(int32_t id) {
    for (const PreferenceRow &row : PREFERENCE_ROWS)
        if (row.id == id) return &row;
    return nullptr;
}

// The items of a row, or null when memory ran out.
List<ChoiceItem> *preference_items_of(const PreferenceRow &row) {
    List<ChoiceItem> *items = choice_items_create();
    if (!items) return nullptr;
    for (int i = 0; i < row.choice_count; ++i) {
        if (!choice_add_item(items, row.choices[i].value, row.choices[i].text)) {
            list_free(items);
            return nullptr;
        }
    }
    return items;
}

// A choice's own size before the columns are aligned: its widest item and a line of its font.
void natural_choice_size(const List<ChoiceItem> *items, int *w, int *h) {
    int widest = 0;
    if (items)
        for (const ChoiceItem *item : items->items)
            if (item) widest = std::max(widest, ui_text_width(CHOICE_FONT, item->text.c_str()));
    *w = widest + 8;
    *h = std::max(ui_line_height(CHOICE_FONT), 0) + 6;
}

void size_to_content(Control *panel, int dw, int dh) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + dw, h + dh);
}

void save_prefs(Game *game) {
    if (const Result r = prefs_save(game); r != RES_OK)
        log_write(LOG_GAME, LOG_ERROR, "Failed to save prefs file (%i)", int(r));
}

}  // namespace

void options_state_free(void *state) {
    OptionsState *s = static_cast<OptionsState *>(state);
    if (!s) return;
    list_free(s->rows);   // the rows belong to the panel: the list frees none of them
    delete s;
}

OptionsState *options_panel_state(Control *panel) {
    if (!panel || panel->widget_free != options_state_free) return nullptr;
    return static_cast<OptionsState *>(panel->widget_state);
}

Control *options_row_create(Control *owner, int32_t id, const char *name, const char *description,
                            List<ChoiceItem> *choices, int32_t current) {
    Control *row = panel_create_empty();
    if (!row) {
        list_free(choices);
        return nullptr;
    }
    panel_set_border(row, true);
    panel_set_bevel(row, true);
    colour_fade_set(panel_border_colour(row), 0, 0, 0);
    control_set_user_data(row, owner, nullptr);

    Control *label = text_label_create_plain(1, 130, 255, 130, name);
    if (label) panel_add_child(row, 3, 2, OPTIONS_LABEL_ID, 1, label);

    Control *choice = panel_create_empty();
    if (choice) {
        int w = 0, h = 0;
        natural_choice_size(choices, &w, &h);
        control_set_size(choice, w, h);
        choice_init(choice, choices, current);
        panel_add_child(row, (label ? label->w : 0) + 11, 2, OPTIONS_CHOICE_ID, 0, choice);
        choice_set_on_change(choice, options_on_change);
        choice_set_texts(choice_state(choice), name, description);
        panel_of(choice)->value = id;
        if (label) control_set_position(label, label->x, choice->h / 2 - label->h / 2 + 2);
    } else {
        list_free(choices);
    }
    size_to_content(row, 3, 2);
    return row;
}

void options_row_get_widths(Control *row, int *label_w, int *choice_w) {
    const Control *label = panel_find_child(row, OPTIONS_LABEL_ID);
    const Control *choice = panel_find_child(row, OPTIONS_CHOICE_ID);
    if (label_w) *label_w = label ? label->w : 0;
    if (choice_w) *choice_w = choice ? choice->w : 0;
}

void options_panel_build(Control *panel) {
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_remove_children(panel);
    panel_set_border(panel, true);
    panel_start_grid(panel, 24, -1, 150);
    colour_fade_start(panel_grid_colour(panel), 0, 0, 16, 0, 0, 40, 2000, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);

    OptionsState *state = new (std::nothrow) OptionsState{};
    if (!state) return;
    state->rows = list_create<Control>();
    control_set_widget_state(panel, state, options_state_free);

    Control *header = ui_button_create("Options", nullptr, nullptr, nullptr, TITLE_ANIMATE);
    int y = 2;
    if (header) {
        panel_add_child(panel, 2, 2, OPTIONS_HEADER_ID, 0, header);
        y = header->y + header->h + 8;
    }

    int widest_label = 0, widest_choice = 0;
    for (const PreferenceRow &option : PREFERENCE_ROWS) {
        Control *row = options_row_create(panel, option.id, option.name, option.description, preference_items_of(option),
                                          game_get()->*option.preference);
        if (!row) continue;
        panel_add_child(panel, 8, y, 0, 0, row);
        if (state->rows) list_append(state->rows, row);
        int label_w = 0, choice_w = 0;
        options_row_get_widths(row, &label_w, &choice_w);
        widest_label = std::max(widest_label, label_w);
        widest_choice = std::max(widest_choice, choice_w);
        y += row->h + 4;
    }

    // One column of labels and one of choices, every choice as wide as the widest.
    int last_bottom = y;
    for (Control *row : state->rows ? state->rows->items : std::vector<Control *>{}) {
        if (!row) continue;
        Control *choice = panel_find_child(row, OPTIONS_CHOICE_ID);
        const Control *label = panel_find_child(row, OPTIONS_LABEL_ID);
        if (choice) {
            choice_row_set_width(choice, widest_choice + 10);
            control_set_position(choice, (label ? label->x : 0) + widest_label + 16, choice->y);
        }
        size_to_content(row, 3, 2);
        last_bottom = row->y + row->h;
    }

    size_to_content(panel, 2, 0);

    Control *ok = image_button_create(OK_IMAGE_TYPE, title_detail::OK_FONT, "OK", options_on_close, KEY_ESCAPE, panel);
    if (ok) panel_add_child(panel, panel->w - ok->w + 3, last_bottom + 10, 0, 0, ok);

    size_to_content(panel, 3, 3);
    if (header) ui_control_resize(header, panel->w - 2, true);

    if (ok) {
        Control *band = panel_create(panel->w - 8, ok->h + 4, 10, 2, 10);
        if (band) {
            panel_add_child(panel, 4, ok->y - 2, 0, 1, band);
            band->layer = -1;
        }
    }
}

void options_on_change(Control *choice) {
    const Panel *p = panel_of(choice);
    const PreferenceRow *option = p ? row_of_id(p->value) : nullptr;
    if (!option) return;
    Game *game = game_get();
    const int32_t value = choice_get_value(choice);
    int32_t &stored = game->*option->preference;
    if (value == stored) return;
    const int32_t old = stored;
    stored = value;
    switch (option->id) {
    case OPTION_SOUND_VOLUME:
        sound_set_sound_volume(value);
        save_prefs(game);
        if (value > 0) sound_play(SOUND_BEAM);   // a sample at the new volume
        break;
    case OPTION_MUSIC_VOLUME:
        save_prefs(game);
        sound_set_music_volume(value);
        if (value >= 1 && old < 1) game->flags |= GAME_FLAG_MUSIC_RESTART;
        break;
    default:
        save_prefs(game);
        break;
    }
}

void options_on_close(Control *button) {
    Control *panel = button ? static_cast<Control *>(button->user_data) : nullptr;
    const OptionsState *state = options_panel_state(panel);
    if (state && state->close) state->close(panel);
}
