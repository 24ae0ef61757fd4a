// The new-game setup screen: the galaxy settings' option rows, the slot column, Cancel and Start.
#include "screens/title/new_game.h"

#include <algorithm>
#include <new>

#include "game/prefs.h"
#include "game/records.h"
#include "platform/image_ids.h"
#include "platform/log.h"
#include "screens/title/new_game_internal.h"
#include "ui/choice.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"

namespace {

struct OptionItem {
    int32_t     value;
    const char *text;
};

struct SetupOptionRow {
    int32_t             id;
    const char         *label;
    const char         *description;
    int32_t GameSetup::*field;
    const OptionItem   *items;
    int                 item_count;
};

constexpr OptionItem DENSITY_ITEMS[] = {{0, "Lowest"}, {1, "Low"}, {2, "Normal"}, {3, "High"}, {4, "Highest"}};
constexpr OptionItem AGE_ITEMS[] = {{0, "Young"}, {1, "Normal"}, {2, "Ancient"}};
constexpr OptionItem ARK_ITEMS[] = {{0, "Low"}, {1, "Normal"}, {2, "High"}};
constexpr OptionItem TECH_ITEMS[] = {{0, "Basic"}, {1, "Normal"}, {2, "Advanced"}};
constexpr OptionItem CREW_ITEMS[] = {
    {200, "Slowest"}, {300, "Slow"}, {500, "Normal"}, {800, "Fast"}, {1500, "Fastest"}};
constexpr OptionItem FOG_ITEMS[] = {{0, "Normal"}, {1, "Off"}};

// In screen order.
constexpr SetupOptionRow SETUP_OPTION_ROWS[] = {
    {NEW_GAME_STAR_DENSITY_ID, "Star Density",
     "Determines the number of sectors the galaxy contains. Increase this value if you want a longer game, and "
     "decrease it for a shorter one.",
     &GameSetup::star_density, DENSITY_ITEMS, int(std::size(DENSITY_ITEMS))},
    {NEW_GAME_GALAXY_AGE_ID, "Galaxy Age",
     "Determines the distribution of star and planet types in the galaxy. Use the Young galaxy if you want more "
     "resources available, which generally leads to an easier game. The Ancient galaxy has fewer resources "
     "available, making expansion more important throughout the game.",
     &GameSetup::galaxy_age, AGE_ITEMS, int(std::size(AGE_ITEMS))},
    {NEW_GAME_ARK_ID, "ARK Strength",
     "Determines the strength of forces controlled by ARK, an escaped Artificial Intelligence whose drone vessels "
     "can be encountered in certain sectors. Set to Low for an easier game with less ARK opposition, or High for a "
     "harder game with an increased number of ARK hazards.",
     &GameSetup::ark_strength, ARK_ITEMS, int(std::size(ARK_ITEMS))},
    {NEW_GAME_STARTING_TECH_ID, "Starting Tech",
     "Determines the starting forces and technology granted to corps. Basic provides no starting ships and only a "
     "few techs. Normal provides a ship and some weapon techs, while Advanced adds even more combat techs.",
     &GameSetup::starting_tech, TECH_ITEMS, int(std::size(TECH_ITEMS))},
    {NEW_GAME_CREW_ID, "Crew Recruitment",
     "Determines the rate of crew recruitment at home colonies, which in turn affects the rate of resource "
     "gathering and research. Use slower settings for a longer game, or faster ones for a shorter game.",
     &GameSetup::crew_recruitment, CREW_ITEMS, int(std::size(CREW_ITEMS))},
    {NEW_GAME_FOG_ID, "Fog of War",
     "Prevents detection of enemy ships and Starbases unless your forces are in scan range. Turn off this option "
     "for a galaxy where all fleet movements are always visible.",
     &GameSetup::fog_of_war_off, FOG_ITEMS, int(std::size(FOG_ITEMS))},
};

const SetupOptionRow *option_row(int id) {
    for (const SetupOptionRow &row : SETUP_OPTION_ROWS)
        if (row.id == id) return &row;
    return nullptr;
}

void free_state(void *data) { new_game_state_free(static_cast<NewGameState *>(static_cast<PanelCommandSlots *>(data))); }

Control *screen_of(Control *button) { return button ? static_cast<Control *>(button->user_data) : nullptr; }

List<ChoiceItem> *setup_items_of(const SetupOptionRow &row) {
    List<ChoiceItem> *items = choice_items_create();
    for (int i = 0; i < row.item_count; ++i) choice_add_item(items, row.items[i].value, row.items[i].text);
    return items;
}

// Step 4 of the build: one column for every choice, 16 px right of the widest label.
void align_rows(NewGameState *state, int widest_label, int widest_choice) {
    const int choice_w = widest_choice + 10;
    for (Control *row : state->rows->items) {
        if (!row) break;
        Control *label = panel_find_child(row, NEW_GAME_LABEL_ID);
        Control *choice = panel_find_child(row, NEW_GAME_CHOICE_ID);
        if (!label || !choice) continue;
        choice_row_set_width(choice, choice_w);
        control_set_position(choice, label->x + widest_label + 16, choice->y);
        control_set_position(label, label->x, choice->y + choice->h / 2 - label->h / 2);
        panel_relayout(row);
        panel_grow(row, 3, 2);
    }
}

// Step 5 and 6: the slots from the Game's player rows, their name boxes one size.
int add_slots(Control *screen, NewGameState *state, Game *game, int x, int y) {
    for (int k = 0; k < GAME_SLOT_COUNT; ++k) {
        state->record_ids[k] = game->slot_record_ids[k];
        colour_fade_set(&state->colours[k], game->slot_red[k], game->slot_green[k], game->slot_blue[k]);
    }
    if (!records_find(game, state->record_ids[0])) state->record_ids[0] = RECORD_HUMAN_DEFAULT_ID;
    int box_w = 200, box_h = 0;
    for (int k = 0; k < GAME_SLOT_COUNT; ++k) {
        Control *slot = new_game_slot_create(screen, state, k);
        if (!slot) continue;
        panel_add_child(screen, x, y, 0, 0, slot);
        list_append(state->slots, slot);
        y += slot->h + 4;
        if (Control *box = panel_find_child(slot, NEW_GAME_NAME_BOX_ID)) {
            box_w = std::max(box_w, box->w);
            box_h = std::max(box_h, box->h);
        }
    }
    int bottom = 0;
    for (Control *slot : state->slots->items) {
        if (!slot) break;
        if (Control *box = panel_find_child(slot, NEW_GAME_NAME_BOX_ID)) control_set_size(box, box_w, box_h);
        panel_relayout(slot);
        panel_grow(slot, 8, 4);
        bottom = std::max(bottom, slot->y + slot->h);
    }
    // The slots grew: they stand 4 px apart again.
    int sy = state->slots->items.empty() ? y : state->slots->items.front()->y;
    for (Control *slot : state->slots->items) {
        if (!slot) break;
        control_set_position(slot, slot->x, sy);
        sy += slot->h + 4;
        bottom = sy - 4;
    }
    return bottom;
}

Control *add_buttons(Control *screen, int y) {
    List<Control> *buttons = list_create<Control>();
    if (!buttons) return nullptr;
    Control *cancel = image_button_create(IMAGE_CANCEL, 6, "Cancel", new_game_on_cancel, 27, screen);
    Control *start = image_button_create(IMAGE_START, 6, "Start", new_game_on_start, 's', screen);
    if (cancel) list_append(buttons, cancel);
    if (start) list_append(buttons, start);
    Control *row = panel_create_empty();
    if (row) {
        panel_layout_controls(row, buttons, LAYOUT_ANIMATE | LAYOUT_ROW);
        panel_add_child(screen, 4, y, NEW_GAME_BUTTONS_ID, 0, row);
        if (start) control_set_id(start, NEW_GAME_START_ID);
    }
    // Buttons the row did not take go with the list.
    for (Control *c : buttons->items)
        if (c && c->refcount <= 0) control_destroy(c);
    list_free(buttons);
    return row;
}

}  // namespace

void new_game_state_free(NewGameState *state) {
    if (!state) return;
    list_free(state->rows);
    list_free(state->slots);
    delete state;
}

NewGameState *new_game_state(Control *panel) {
    if (!panel || panel->widget_free != free_state) return nullptr;
    return static_cast<NewGameState *>(static_cast<PanelCommandSlots *>(panel->widget_state));
}

Control *new_game_option_row_create(Control *screen, int row_id, const char *label, const char *description,
                                    List<ChoiceItem> *items, int value) {
    Control *row = panel_create_empty();
    if (!row) {
        list_free(items);
        return nullptr;
    }
    panel_set_border(row, true);
    colour_fade_set(panel_border_colour(row), 24, 48, 24);
    control_set_user_data(row, screen, nullptr);
    Control *text = text_label_create_plain(1, 130, 255, 130, label);
    if (text) panel_add_child(row, 4, 0, NEW_GAME_LABEL_ID, 1, text);
    // The choice is as wide as its longest item; the screen widens every choice to the widest.
    int widest = 0;
    if (items)
        for (const ChoiceItem *item : items->items)
            if (item) widest = std::max(widest, ui_text_width(1, item->text.c_str()));
    // Sized before the choice is made, so its text is centred both ways.
    Control *choice = panel_create_empty();
    if (choice) {
        control_set_size(choice, widest + 12, std::max(ui_line_height(1), 0) + 8);
        choice_init(choice, items, value);
        panel_of(choice)->value = row_id;
        choice_set_on_change(choice, new_game_on_option_change);
        choice_set_texts(choice_state(choice), label, description);
        panel_add_child(row, (text ? text->w : 0) + 11, 2, NEW_GAME_CHOICE_ID, 0, choice);
        if (text) control_set_position(text, text->x, choice->y + choice->h / 2 - text->h / 2);
    } else {
        list_free(items);
    }
    panel_relayout(row);
    panel_grow(row, 3, 2);
    return row;
}

void new_game_option_row_widths(Control *row, int *label_w, int *choice_w) {
    Control *label = panel_find_child(row, NEW_GAME_LABEL_ID);
    Control *choice = panel_find_child(row, NEW_GAME_CHOICE_ID);
    if (label_w) *label_w = label ? label->w : 0;
    if (choice_w) *choice_w = choice ? choice->w : 0;
}

void new_game_build(Control *panel) {
    Panel *p = panel_of(panel);
    Game *game = game_get();
    if (!p || !game) return;
    panel_remove_children(panel);
    panel_set_background(panel, true);
    colour_fade_set(p->background, 0, 0, 6);
    panel_set_border(panel, true);
    colour_fade_set(p->border, 120, 120, 120);
    NewGameState *state = new (std::nothrow) NewGameState{};
    if (!state) return;
    state->rows = list_create<Control>();
    state->slots = list_create<Control>();
    panel_set_command_state(panel, state, free_state);
    if (!state->rows || !state->slots) return;

    Control *title = ui_button_create("New game", nullptr, nullptr, nullptr, TITLE_ANIMATE);
    if (title) panel_add_child(panel, 2, 2, NEW_GAME_TITLE_ID, 0, title);
    const int top = (title ? title->h : 0) + 6;

    int y = top, widest_label = 0, widest_choice = 0;
    for (const SetupOptionRow &spec : SETUP_OPTION_ROWS) {
        Control *row = new_game_option_row_create(panel, spec.id, spec.label, spec.description, setup_items_of(spec),
                                                  game->setup.*spec.field);
        if (!row) continue;
        panel_add_child(panel, 4, y, spec.id, 0, row);
        list_append(state->rows, row);
        y += row->h + 4;
        int label_w = 0, choice_w = 0;
        new_game_option_row_widths(row, &label_w, &choice_w);
        widest_label = std::max(widest_label, label_w);
        widest_choice = std::max(widest_choice, choice_w);
    }
    align_rows(state, widest_label, widest_choice);
    int widest_row = 0, rows_bottom = top;
    y = top;
    for (Control *row : state->rows->items) {
        if (!row) break;
        control_set_position(row, row->x, y);
        y += row->h + 4;
        widest_row = std::max(widest_row, row->w);
        rows_bottom = row->y + row->h;
    }

    const int slots_bottom = add_slots(panel, state, game, widest_row + 16, top);

    // The button row first stands below everything, so the panel's content makes room for it.
    Control *buttons = add_buttons(panel, std::max(rows_bottom, slots_bottom) + 8);
    new_game_refresh_start(panel);

    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, std::max(w + 2, 245), std::max(h + 2, 130));
    if (title) ui_control_resize(title, panel->w - 2, true);
    if (buttons) {
        control_set_position(buttons, panel->w - buttons->w - 6, panel->h - buttons->h - 6);
        Control *band = panel_create(panel->w - 8, buttons->h + 4, 10, 2, 10);
        if (band) {
            band->layer = -1;
            panel_add_child(panel, 4, buttons->y - 2, 0, 1, band);
        }
    }
}

void new_game_on_option_change(Control *choice) {
    const Panel *p = panel_of(choice);
    Game *game = game_get();
    if (!p || !game || !choice_state(choice)) return;
    if (const SetupOptionRow *row = option_row(p->value)) game->setup.*row->field = choice_get_value(choice);
}

void new_game_on_start(Control *button) {
    Control *screen = screen_of(button);
    NewGameState *state = new_game_state(screen);
    Game *game = game_get();
    if (!state || !game) return;
    // The button is greyed for these; a stray call must not make a nameless player either.
    if (new_game_start_blocker(game, state)) return;
    bool changed = false;
    if (state->record_ids[0] == 0) {
        state->record_ids[0] = records_add_new(game, state->typed_name.c_str());
        if (Result r = records_save(game); r != RES_OK)
            log_write(LOG_GAME, LOG_ERROR, "Failed to write player records file (%i)", int(r));
        changed = true;
    }
    for (int k = 0; k < GAME_SLOT_COUNT; ++k) {
        const ColourFade &c = state->colours[k];
        if (game->slot_record_ids[k] != state->record_ids[k]) {
            game->slot_record_ids[k] = state->record_ids[k];
            changed = true;
        }
        if (game->slot_red[k] != c.r) {
            game->slot_red[k] = c.r;
            changed = true;
        }
        if (game->slot_green[k] != c.g) {
            game->slot_green[k] = c.g;
            changed = true;
        }
        if (game->slot_blue[k] != c.b) {
            game->slot_blue[k] = c.b;
            changed = true;
        }
    }
    if (changed)
        if (Result r = prefs_save(game); r != RES_OK)
            log_write(LOG_GAME, LOG_ERROR, "Failed to write prefs file (%i)", int(r));
    panel_call_slot(screen, NEW_GAME_SLOT_START);
}

void new_game_on_cancel(Control *button) {
    panel_call_slot(screen_of(button), NEW_GAME_SLOT_BACK);
}
