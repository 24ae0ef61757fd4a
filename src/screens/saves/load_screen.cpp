// The Load game screen: the file list, the load question, the pending load and the error view.
#include "screens/saves/load_screen.h"

#include <algorithm>
#include <new>

#include "game/game.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/log.h"
#include "ui/dialog.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel.h"
#include "ui/text_block.h"
#include "ui/text_label.h"

namespace {

constexpr int LIST_WIDTH = 396;

const SaveListIds LOAD_IDS = {
    .list = LOAD_SCREEN_LIST_ID, .bar = LOAD_SCREEN_BAR_ID, .dialog = LOAD_SCREEN_DIALOG_ID,
    .separators = LOAD_SCREEN_SEPARATORS_ID,
    .icon = LOAD_ROW_ICON_ID, .title_panel = 100011, .title = LOAD_ROW_TITLE_ID, .time = LOAD_ROW_TIME_ID,
    .name = LOAD_ROW_NAME_ID, .date = LOAD_ROW_DATE_ID,
    .credits = LOAD_ROW_CREDITS_ID, .credits_icon = 100015, .objects = LOAD_ROW_OBJECTS_ID, .objects_icon = 100013,
    .sectors = LOAD_ROW_SECTORS_ID, .sectors_icon = 100014,
    .delete_button = LOAD_ROW_DELETE_ID, .text_dx = 12, .selected_title_x = 6, .status = LOAD_SCREEN_PROMPT_ID,
    .select_row = load_screen_select_row, .delete_confirmed = load_screen_delete_confirmed,
};

void free_load_state(void *state) { delete static_cast<LoadScreenState *>(state); }

// The screen panel behind any of its controls: the user data of rows, buttons and the list, or
// the nearest owner that holds the screen.
Control *load_screen_of(Control *ctrl) {
    return save_list_find_screen(ctrl, [](Control *panel) { return load_screen_state(panel) != nullptr; });
}

Control *load_button(Control *screen) {
    return panel_find_child(panel_find_child(screen, LOAD_SCREEN_BUTTONS_ID), LOAD_SCREEN_LOAD_ID);
}

// The Load button active, or inert with the reason as its tooltip.
void set_load_available(Control *screen, bool on, const char *reason = SAVE_NO_FILE_TEXT) {
    Control *button = load_button(screen);
    if (!button) return;
    if (on != !image_control_is_highlighted(button)) image_control_set_highlight(button, !on);
    image_control_set_tooltip(button, !on, 0, 0, 0, on ? nullptr : reason);
}

void add_empty_label(Control *list_panel, int y) {
    if (Control *label = text_label_create_plain(2, 230, 230, 20, "(No save files found)"))
        panel_add_child(list_panel, 16, y, LOAD_SCREEN_EMPTY_ID, 1, label);
}

void set_prompt(Control *screen, const char *text, int r, int g, int b, int tr, int tg, int tb, int ms) {
    Control *prompt = panel_find_child(screen, LOAD_SCREEN_PROMPT_ID);
    if (!prompt) return;
    text_label_set_text(prompt, text);
    text_label_measure(prompt);
    control_set_position(prompt, screen->w / 2 - prompt->w / 2, prompt->y);
    colour_fade_start(text_label_colour(prompt), r, g, b, tr, tg, tb, ms, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
}

void fade_rows_except(LoadScreenState *s, Control *keep) {
    for (const SaveRow &r : s->list.rows) {
        control_set_enabled(r.control, false);
        if (r.control == keep) continue;
        for (int id : {LOAD_IDS.title, LOAD_IDS.time, LOAD_IDS.name, LOAD_IDS.date, LOAD_IDS.credits, LOAD_IDS.objects,
                       LOAD_IDS.sectors}) {
            Control *label = panel_find_child(r.control, id);
            if (!label && id == LOAD_IDS.title)
                label = panel_find_child(panel_find_child(r.control, LOAD_IDS.title_panel), id);
            if (label) colour_fade_to(text_label_colour(label), 60, 60, 60, id == LOAD_IDS.title ? 2000 : 1500, 0);
        }
        for (int id : {LOAD_IDS.icon, LOAD_IDS.credits_icon, LOAD_IDS.objects_icon, LOAD_IDS.sectors_icon})
            if (Control *icon = panel_find_child(r.control, id)) image_control_fade_to_grey(icon);
    }
}

}  // namespace

const SaveListIds &load_screen_ids() { return LOAD_IDS; }

LoadScreenState *load_screen_state(Control *panel) {
    if (!panel_of(panel) || panel->widget_free != free_load_state) return nullptr;
    return static_cast<LoadScreenState *>(panel->widget_state);
}

void load_screen_build(Control *panel, uint32_t flags) {
    if (!panel_of(panel)) return;
    save_list_prepare_screen(panel);
    LoadScreenState *s = new (std::nothrow) LoadScreenState();
    if (!s) return;
    s->unsaved_progress = (flags & LOAD_SCREEN_RUNNING) ? 1 : 0;
    s->list.screen = panel;
    control_set_widget_state(panel, s, free_load_state);
    const bool animate = flags & LOAD_SCREEN_ANIMATE;

    Control *caption = ui_button_create("Load game", nullptr, nullptr, nullptr, 0);
    const int caption_h = caption ? caption->h : 0;
    if (caption) panel_add_child(panel, 2, 2, 0, 1, caption);
    Control *files = text_label_create_plain(0, 180, 220, 180, "Files");
    const int files_h = files ? files->h : 0;
    if (files) panel_add_child(panel, 10, caption_h + 8, 0, 1, files);

    Control *list_panel = save_list_add_panel(&s->list, LOAD_IDS, caption_h + 8 + files_h + 6);
    if (!list_panel) return;

    // A folder that cannot be listed still gives an (empty) list; damaged saves follow as rows that
    // can be deleted but not loaded.
    (void)game_list_saves(game_get(), &s->list.headers);
    game_list_damaged_saves(s->list.headers);
    int y = 6;
    const size_t count = s->list.headers ? s->list.headers->items.size() : 0;
    for (size_t i = 0; i < count; ++i) {
        if (Control *row = save_list_row_build(*s->list.headers->items[i], LOAD_IDS))
            y = save_list_add_row(&s->list, LOAD_IDS, row, int32_t(i), y);
    }
    save_list_rebuild_separators(&s->list, LOAD_IDS);
    if (count == 0) add_empty_label(list_panel, 4);

    const int used = save_list_fit(&s->list, LOAD_IDS, 0, LIST_WIDTH);
    if (caption) ui_control_resize(caption, used, animate);

    y = list_panel->y + list_panel->h + 6;
    if (count > 0) {
        if (Control *prompt = text_label_create_plain(7, 0, 235, 0, "Select file to load")) {
            colour_fade_start(text_label_colour(prompt), 0, 150, 0, 0, 255, 0, 9 * 105, 0,
                              COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
            panel_add_child(panel, 6, y + 10, LOAD_SCREEN_PROMPT_ID, 1, prompt);
            y += 10 + prompt->h + 16;
        }
    }

    Control *back = image_button_create(IMAGE_BACK, 6, "Back", load_screen_call_back, 27, panel);
    Control *load = image_button_create(IMAGE_LOAD, 6, "Load", load_screen_on_load, 0, panel);
    Control *row = save_list_add_buttons(panel, back, load, y, LOAD_SCREEN_BUTTONS_ID, LOAD_SCREEN_LOAD_ID, animate);
    set_load_available(panel, false);

    panel_relayout(panel);
    panel_grow(panel, 4, 4);
    save_list_place_buttons(panel, row);
    if (Control *prompt = panel_find_child(panel, LOAD_SCREEN_PROMPT_ID))
        control_set_position(prompt, panel->w / 2 - prompt->w / 2, prompt->y);
}

void load_screen_select_row(Control *row) {
    Control *screen = load_screen_of(row);
    LoadScreenState *s = load_screen_state(screen);
    if (!s) return;
    const int index = save_list_index_of_row(&s->list, row);
    if (index < 0) return;
    const SaveHeader *header = save_list_header(&s->list, index);
    set_load_available(screen, header && !header->damaged, SAVE_DAMAGED_TEXT);
    if (Control *prompt = panel_find_child(screen, LOAD_SCREEN_PROMPT_ID))
        colour_fade_to(text_label_colour(prompt), 0, 0, 0, 200, 0);
    s->list.selected = index;
    save_list_show_selection(&s->list, LOAD_IDS, row, true);
    if (Control *dialog = panel_find_child(screen, LOAD_SCREEN_DIALOG_ID)) control_fade_out(dialog, 100);
}

void load_screen_delete_confirmed(Control *button) {
    Control *screen = load_screen_of(button);
    LoadScreenState *s = load_screen_state(screen);
    if (!s || !save_list_delete_confirmed(&s->list, LOAD_IDS)) return;
    if (s->list.rows.empty()) add_empty_label(save_list_panel(&s->list, LOAD_IDS), 8);
    set_load_available(screen, false);
}

void load_screen_on_load(Control *button) {
    Control *screen = load_screen_of(button);
    LoadScreenState *s = load_screen_state(screen);
    if (!s) return;
    if (Control *row = save_list_row_of_index(&s->list, s->list.selected))
        save_list_scroll_into_view(&s->list, LOAD_IDS, row);
    if (Control *old = panel_find_child(screen, LOAD_SCREEN_DIALOG_ID)) control_remove(old);
    Control *dialog = dialog_create(
        s->unsaved_progress ? "Load this file? You will lose any unsaved progress." : "Load this file?",
        "Yes, load", "No, cancel", load_screen_load_confirmed, screen, load_screen_load_cancelled, screen, 0);
    if (!dialog) return;
    Control *row = panel_find_child(screen, LOAD_SCREEN_BUTTONS_ID);
    panel_add_child(screen, row ? row->x : 0, row ? row->y : 0, LOAD_SCREEN_DIALOG_ID, 0, dialog);
    dialog->layer = 2;
    control_move_to(dialog, std::max(0, screen->w - dialog->w - 6), std::max(0, screen->h - dialog->h - 6), 200);
    if (row) control_set_hidden(row, false);
    save_list_set_enabled(&s->list, LOAD_IDS, false);
}

void load_screen_load_cancelled(Control *button) {
    Control *screen = load_screen_of(button);
    LoadScreenState *s = load_screen_state(screen);
    if (!s) return;
    if (Control *dialog = panel_find_child(screen, LOAD_SCREEN_DIALOG_ID)) control_fade_out(dialog, 100);
    if (Control *row = panel_find_child(screen, LOAD_SCREEN_BUTTONS_ID)) control_set_hidden(row, true);
    save_list_set_enabled(&s->list, LOAD_IDS, true);
}

void load_screen_load_confirmed(Control *button) {
    Control *screen = load_screen_of(button);
    LoadScreenState *s = load_screen_state(screen);
    if (!s) return;
    const SaveHeader *header = save_list_header(&s->list, s->list.selected);
    if (!header || header->damaged) return;
    game_prepare_load(game_get(), header->path.c_str());
    Control *selected = save_list_row_of_index(&s->list, s->list.selected);
    fade_rows_except(s, selected);
    if (selected) {
        colour_fade_to(panel_background_colour(selected), 0, 48, 48, 640, 0);
        colour_fade_to(panel_border_colour(selected), 10, 10, 10, 640, 0);
        if (Control *del = panel_find_child(selected, LOAD_IDS.delete_button)) control_fade_out(del, 200);
    }
    set_prompt(screen, "Loading game", 0, 255, 0, 40, 150, 40, 7 * 215);
    if (Control *dialog = panel_find_child(screen, LOAD_SCREEN_DIALOG_ID)) control_fade_out(dialog, 100);
    if (s->load_requested) s->load_requested(screen);
}

void load_screen_show_error(Control *panel) {
    LoadScreenState *s = load_screen_state(panel);
    if (!s) return;
    if (Control *row = save_list_row_of_index(&s->list, s->list.selected))
        colour_fade_to(panel_background_colour(row), 48, 0, 0, 640, 0);
    if (Control *ok = image_button_create(IMAGE_OK, 6, "OK", load_screen_call_load_failed, 0, panel))
        panel_add_child(panel, panel->w - ok->w - 4, panel->h - ok->h - 4, LOAD_SCREEN_OK_ID, 0, ok);
    set_prompt(panel, "Error loading game", 240, 0, 0, 150, 40, 40, 3 * 90);
}

void load_screen_call_back(Control *button) {
    Control *screen = load_screen_of(button);
    LoadScreenState *s = load_screen_state(screen);
    if (s && s->back) s->back(screen);
}

void load_screen_call_load_failed(Control *button) {
    Control *screen = load_screen_of(button);
    LoadScreenState *s = load_screen_state(screen);
    if (s && s->load_failed) s->load_failed(screen);
}
