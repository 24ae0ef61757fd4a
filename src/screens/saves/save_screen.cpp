// The Save game screen: the "(New file)" row and the manual saves, the game summary with its
// editable title, the overwrite question and the save with its result.
#include "screens/saves/save_screen.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <new>

#include "game/game.h"
#include "game/player.h"
#include "game/prefs.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/log.h"
#include "ui/dialog.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/line_group.h"
#include "ui/panel.h"
#include "ui/text_block.h"
#include "ui/text_entry.h"
#include "ui/text_label.h"

namespace {

constexpr int MIN_LIST_CONTENT = 68;
constexpr int NO_SELECTION = -2;
constexpr int SAVE_PATH_NOT_A_DIRECTORY = -44;   // logged when the save folder path is a file

const SaveListIds SAVE_IDS = {
    .list = SAVE_SCREEN_LIST_ID, .bar = SAVE_SCREEN_BAR_ID, .dialog = SAVE_SCREEN_DIALOG_ID,
    .separators = SAVE_SCREEN_SEPARATORS_ID,
    .icon = SAVE_ROW_ICON_ID, .title_panel = SAVE_ROW_TITLE_PANEL_ID, .title = SAVE_ROW_TITLE_ID,
    .time = SAVE_ROW_TIME_ID, .name = SAVE_ROW_NAME_ID, .date = SAVE_ROW_DATE_ID,
    .credits = SAVE_ROW_CREDITS_ID, .credits_icon = 100017, .objects = SAVE_ROW_OBJECTS_ID, .objects_icon = 100015,
    .sectors = SAVE_ROW_SECTORS_ID, .sectors_icon = 100016,
    .delete_button = SAVE_ROW_DELETE_ID, .text_dx = 8, .selected_title_x = 8, .status = SAVE_SCREEN_STATUS_ID,
    .select_row = save_screen_select_row, .delete_confirmed = save_screen_delete_confirmed,
};

struct HeaderFree {
    void operator()(SaveHeader *h) const { save_header_free(h); }
};
using HeaderPtr = std::unique_ptr<SaveHeader, HeaderFree>;

void free_save_state(void *state) { delete static_cast<SaveScreenState *>(state); }

Control *save_screen_of(Control *ctrl) {
    return save_list_find_screen(ctrl, [](Control *panel) { return save_screen_state(panel) != nullptr; });
}

Control *save_button(Control *screen) {
    return panel_find_child(panel_find_child(screen, SAVE_SCREEN_BUTTONS_ID), SAVE_SCREEN_SAVE_ID);
}
Control *entry_of(Control *screen) {
    return panel_find_child(panel_find_child(screen, SAVE_SCREEN_SUMMARY_ID), SAVE_SCREEN_ENTRY_ID);
}

void set_save_available(Control *screen, bool on) {
    Control *button = save_button(screen);
    if (!button || on == !image_control_is_highlighted(button)) return;
    image_control_set_highlight(button, !on);
    image_control_set_tooltip(button, !on, 0, 0, 0, on ? nullptr : SAVE_NO_FILE_TEXT);
}

Control *new_file_row_build(Control *screen) {
    Control *row = panel_create(SAVE_ROW_WIDTH, 20, 0, 0, 0);
    if (!row) return nullptr;
    panel_set_border(row, true);
    panel_set_background(row, true);
    panel_set_border_hover(row, 0, 0, 0, 0, 48, 0, 200);
    panel_set_background_hover(row, 0, 0, 0, 0, 24, 0, 200);
    row->on_click = save_screen_select_row;
    row->on_wheel = save_list_on_wheel;
    control_set_user_data(row, screen, nullptr);
    Control *icon = image_control_create_frame(IMAGE_SAVE_ROW, 0);
    const int icon_w = icon ? icon->w : 0, icon_h = icon ? icon->h : 0;
    if (icon) panel_add_child(row, 4, 4, SAVE_ROW_ICON_ID, 1, icon);
    if (Control *label = text_label_create_plain(2, 230, 230, 0, "(New file)"))
        panel_add_child(row, 4 + icon_w + 8, 4 + icon_h / 2 - label->h / 2, SAVE_ROW_TITLE_ID, 1, label);
    int w = 0, h = 0;
    panel_layout(row, &w, &h);
    control_set_size(row, SAVE_ROW_WIDTH, h + 4);
    return row;
}

bool file_exists(const std::string &path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

// The summary of the game about to be saved: its title entry, save time, player, date and counts.
Control *summary_build(SaveScreenState *s, const SaveHeader &header) {
    Control *summary = panel_create_empty();
    if (!summary) return nullptr;
    Control *icon = image_control_create_frame(IMAGE_SAVE_SCREEN, 0);
    const int icon_w = icon ? icon->w : 0;
    if (icon) panel_add_child(summary, 3, 3, 0, 1, icon);
    Control *entry = text_entry_create(s->proposed_title.c_str(), 384 - (icon_w + 9), 7);
    int entry_h = 0;
    if (entry) {
        text_entry_set_max_length(entry, SAVE_TITLE_MAX_LENGTH);
        panel_add_child(summary, icon_w + 9, 3, SAVE_SCREEN_ENTRY_ID, 0, entry);
        entry_h = entry->h;
    }
    // The row's lines below the entry, built as a file row would show them.
    Control *row = save_list_row_build(header, SAVE_IDS);
    if (row) {
        Panel *p = panel_of(row);
        const int dy = entry_h + 9 - (panel_find_child(row, SAVE_IDS.time) ? panel_find_child(row, SAVE_IDS.time)->y : 0);
        for (Control *c : std::vector<Control *>(p->children.items.begin(), p->children.items.end())) {
            if (!c || c->id == SAVE_IDS.icon || c->id == SAVE_IDS.title_panel) continue;
            control_addref(c);
            const int x = c->x + (c->id == SAVE_IDS.time ? 1 : 3), y = c->y + dy;
            const int id = c->id;
            control_set_owner(c, nullptr);
            panel_add_child(summary, x, y, id, 1, c);
            control_release(c);
        }
        control_destroy(row);
    }
    panel_relayout(summary);
    panel_grow(summary, 3, 3);
    return summary;
}

}  // namespace

SaveScreenState *save_screen_state(Control *panel) {
    if (!panel_of(panel) || panel->widget_free != free_save_state) return nullptr;
    return static_cast<SaveScreenState *>(panel->widget_state);
}

void save_screen_build(Control *panel) {
    if (!panel_of(panel)) return;
    save_list_prepare_screen(panel);
    SaveScreenState *s = new (std::nothrow) SaveScreenState();
    if (!s) return;
    s->list.selected = NO_SELECTION;
    s->list.screen = panel;
    control_set_widget_state(panel, s, free_save_state);

    Control *caption = ui_button_create("Save game", nullptr, nullptr, nullptr, 0);
    const int caption_h = caption ? caption->h : 0;
    if (caption) panel_add_child(panel, 2, 2, 0, 1, caption);
    Control *files = text_label_create_plain(1, 180, 220, 180, "Files");
    const int files_h = files ? files->h : 0;
    if (files) panel_add_child(panel, 10, caption_h + 6, 0, 1, files);

    Control *list_panel = save_list_add_panel(&s->list, SAVE_IDS, caption_h + 6 + files_h + 4);
    if (!list_panel) return;

    int y = 6;
    if (Control *row = new_file_row_build(panel)) y = save_list_add_row(&s->list, SAVE_IDS, row, SAVE_NEW_FILE_INDEX, y);
    // A folder that cannot be listed still gives an (empty) list; damaged saves follow as rows that
    // can be overwritten or deleted.
    (void)game_list_saves(game_get(), &s->list.headers);
    game_list_damaged_saves(s->list.headers);
    const size_t count = s->list.headers ? s->list.headers->items.size() : 0;
    for (size_t i = 0; i < count; ++i) {
        const SaveHeader *header = s->list.headers->items[i];
        if (header->autosave) continue;
        if (Control *row = save_list_row_build(*header, SAVE_IDS))
            y = save_list_add_row(&s->list, SAVE_IDS, row, int32_t(i), y);
    }
    save_list_rebuild_separators(&s->list, SAVE_IDS);
    const int used = save_list_fit(&s->list, SAVE_IDS, MIN_LIST_CONTENT, SAVE_ROW_WIDTH + 8);
    if (caption) ui_control_resize(caption, used, true);

    Control *summary = nullptr;
    if (HeaderPtr header{game_make_save_header(game_get())}) {
        s->proposed_title = header->title;
        summary = summary_build(s, *header);
    }
    int buttons_y = list_panel->y + list_panel->h + 10;
    if (summary) {
        panel_add_child(panel, 6, list_panel->y + list_panel->h + 10, SAVE_SCREEN_SUMMARY_ID, 0, summary);
        summary->layer = 1;
        buttons_y = summary->y + summary->h + 24;
    }

    Control *back = image_button_create(IMAGE_BACK, 6, "Back", save_screen_on_back, 27, panel);
    Control *save = image_button_create(IMAGE_SAVE, 6, "Save", save_screen_on_save, 0, panel);
    Control *row = save_list_add_buttons(panel, back, save, buttons_y, SAVE_SCREEN_BUTTONS_ID, SAVE_SCREEN_SAVE_ID, true);
    set_save_available(panel, false);

    panel_relayout(panel);
    panel_grow(panel, 2, 4);
    save_list_place_buttons(panel, row);
    if (!s->list.rows.empty()) save_screen_select_row(s->list.rows.front().control);
}

void save_screen_select_row(Control *row) {
    Control *screen = save_screen_of(row);
    SaveScreenState *s = save_screen_state(screen);
    if (!s) return;
    const int index = save_list_index_of_row(&s->list, row);
    if (index < SAVE_NEW_FILE_INDEX) return;
    set_save_available(screen, true);
    s->list.selected = index;
    save_list_show_selection(&s->list, SAVE_IDS, row, index != SAVE_NEW_FILE_INDEX);
    if (Control *entry = entry_of(screen)) {
        const SaveHeader *header = save_list_header(&s->list, index);
        text_entry_set_text(entry, header && !header->damaged ? header->title.c_str() : s->proposed_title.c_str());
        text_entry_select_all(entry);   // the first key typed replaces the shown title
    }
    save_list_rebuild_separators(&s->list, SAVE_IDS);
    if (Control *dialog = panel_find_child(screen, SAVE_SCREEN_DIALOG_ID)) control_fade_out(dialog, 100);
}

void save_screen_on_save(Control *button) {
    Control *screen = save_screen_of(button);
    SaveScreenState *s = save_screen_state(screen);
    if (!s || s->list.selected < SAVE_NEW_FILE_INDEX) return;
    s->target_path.clear();
    if (s->list.selected == SAVE_NEW_FILE_INDEX) {
        Result made = RES_OK;
        if (!game_save_directory_exists()) made = game_create_save_directory();
        if (made != RES_OK) {
            log_write(LOG_GAME, LOG_ERROR, "Failed to create game save directory (%i)", int(made));
        } else if (!game_save_directory_exists()) {
            log_write(LOG_GAME, LOG_ERROR, "Failed to get new save filename (%i)", SAVE_PATH_NOT_A_DIRECTORY);
        } else if (const Result r = game_find_free_save_slot(&s->target_path); r != RES_OK) {
            s->target_path.clear();
            log_write(LOG_GAME, LOG_ERROR, "Failed to get new save filename (%i)", int(r));
        }
    } else if (const SaveHeader *header = save_list_header(&s->list, s->list.selected)) {
        s->target_path = header->path;
    }
    Control *entry = entry_of(screen);
    if (entry && text_entry_is_editing(entry)) text_entry_accept(entry);
    if (entry) text_entry_close(entry);
    if (Control *row = save_list_row_of_index(&s->list, s->list.selected))
        save_list_scroll_into_view(&s->list, SAVE_IDS, row);
    if (!file_exists(s->target_path)) {
        save_screen_save(screen);
        return;
    }
    if (Control *old = panel_find_child(screen, SAVE_SCREEN_DIALOG_ID)) control_remove(old);
    Control *dialog = dialog_create("Overwrite existing file?", "Yes, save", "No, cancel", save_screen_save_confirmed,
                                    screen, save_screen_overwrite_cancelled, screen, 0);
    if (!dialog) return;
    Control *row = panel_find_child(screen, SAVE_SCREEN_BUTTONS_ID);
    panel_add_child(screen, row ? row->x : 0, row ? row->y : 0, SAVE_SCREEN_DIALOG_ID, 0, dialog);
    dialog->layer = 2;
    control_move_to(dialog, std::max(0, screen->w - dialog->w - 6), std::max(0, screen->h - dialog->h - 6), 130);
    if (row) control_set_hidden(row, false);
    save_list_set_enabled(&s->list, SAVE_IDS, false);
    if (Control *summary = panel_find_child(screen, SAVE_SCREEN_SUMMARY_ID)) control_set_enabled(summary, false);
}

void save_screen_save_confirmed(Control *button) {
    if (Control *screen = save_screen_of(button)) save_screen_save(screen);
}

void save_screen_overwrite_cancelled(Control *button) {
    Control *screen = save_screen_of(button);
    SaveScreenState *s = save_screen_state(screen);
    if (!s) return;
    if (Control *dialog = panel_find_child(screen, SAVE_SCREEN_DIALOG_ID)) control_remove(dialog);
    if (Control *row = panel_find_child(screen, SAVE_SCREEN_BUTTONS_ID)) control_set_hidden(row, true);
    save_list_set_enabled(&s->list, SAVE_IDS, true);
    if (Control *summary = panel_find_child(screen, SAVE_SCREEN_SUMMARY_ID)) control_set_enabled(summary, true);
}

void save_screen_save(Control *screen) {
    SaveScreenState *s = save_screen_state(screen);
    if (!s) return;
    Game *game = game_get();
    game_set_focus_control(game, nullptr);
    Control *entry = entry_of(screen);
    const std::string title = entry ? text_entry_get_text(entry) : s->proposed_title;

    SaveHeader *written = nullptr;
    Result result = Result(SAVE_SCREEN_NO_TARGET);
    if (!s->target_path.empty()) result = game_save(game, s->target_path.c_str(), title.c_str(), 0, &written);
    HeaderPtr header{written};
    if (result == RES_OK) {
        log_write(LOG_GAME, LOG_DEBUG, "Save game \"%s\"", s->target_path.c_str());
        if (const Result r = records_flush_players(game); r != RES_OK)
            log_write(LOG_GAME, LOG_ERROR, "Failed to flush player records (%i)", int(r));
        game->autosave_countdown = GAME_AUTOSAVE_TURNS;
    } else {
        log_write(LOG_GAME, LOG_ERROR, "Failed to save game \"%s\" (%i)", s->target_path.c_str(), int(result));
    }
    s->last_result = result;

    Control *list_panel = save_list_panel(&s->list, SAVE_IDS);
    Control *old = save_list_row_of_index(&s->list, s->list.selected);
    for (const SaveRow &r : s->list.rows) {
        control_set_enabled(r.control, false);
        if (r.control == old) continue;
        for (int id : {SAVE_IDS.title, SAVE_IDS.time, SAVE_IDS.name, SAVE_IDS.date, SAVE_IDS.credits, SAVE_IDS.objects,
                       SAVE_IDS.sectors}) {
            Control *label = panel_find_child(r.control, id);
            if (!label) label = panel_find_child(panel_find_child(r.control, SAVE_IDS.title_panel), id);
            if (label) colour_fade_to(text_label_colour(label), 60, 60, 60, id == SAVE_IDS.title ? 2000 : 1500, 0);
        }
        for (int id : {SAVE_IDS.icon, SAVE_IDS.credits_icon, SAVE_IDS.objects_icon, SAVE_IDS.sectors_icon})
            if (Control *icon = panel_find_child(r.control, id)) image_control_fade_to_grey(icon);
    }
    if (old && list_panel) {
        Control *replacement = nullptr;
        if (header) {
            replacement = save_list_row_build(*header, SAVE_IDS);
            if (replacement) {
                panel_set_border_hover(replacement, 100, 100, 24, 100, 100, 24, 0);
                panel_set_background_hover(replacement, 0, 24, 0, 0, 24, 0, 0);
                colour_fade_set(panel_border_colour(replacement), 100, 100, 24);
                colour_fade_set(panel_background_colour(replacement), 0, 24, 0);
                replacement->on_click = nullptr;
            }
        } else if ((replacement = panel_create(SAVE_ROW_WIDTH, old->h, 0, 48, 0))) {
            panel_set_border(replacement, true);
            panel_set_background(replacement, true);
            colour_fade_set(panel_border_colour(replacement), 200, 200, 48);
            colour_fade_set(panel_background_colour(replacement), 0, 48, 0);
            if (Control *l = text_label_create_plain(2, 230, 30, 0, "Hard drive write failed."))
                panel_add_child(replacement, 4, 4, 0, 1, l);
            if (Control *l = text_label_create_plain(2, 230, 30, 0, "System error - unable to save."))
                panel_add_child(replacement, 4, 16, 0, 1, l);
            control_set_size(replacement, SAVE_ROW_WIDTH, old->h);
        }
        colour_fade_to(panel_background_colour(old), 0, 0, 0, 400, 0);
        colour_fade_to(panel_border_colour(old), 0, 0, 0, 400, 0);
        control_remove_after(old, 350);
        if (replacement) {
            panel_add_child(list_panel, old->x, old->y, header ? 0 : SAVE_SCREEN_FAILED_ID, 0, replacement);
            control_set_enabled(replacement, false);
            control_hide_for(replacement, 700);
            const int grow = replacement->h - old->h;
            if (s->list.selected == SAVE_NEW_FILE_INDEX && grow != 0)
                for (const SaveRow &r : s->list.rows)
                    if (r.control != old) control_move_to(r.control, r.control->x, r.control->y + grow, 300);
        }
        for (SaveRow &r : s->list.rows)
            if (r.control == old) r.control = replacement;
        s->list.rows.erase(std::remove_if(s->list.rows.begin(), s->list.rows.end(),
                                          [](const SaveRow &r) { return r.control == nullptr; }),
                           s->list.rows.end());
    }

    if (Control *old_status = panel_find_child(screen, SAVE_SCREEN_STATUS_ID)) control_remove(old_status);
    if (result == RES_OK) {
        if (Control *label = text_label_create_plain(6, 0, 255, 0, "Game saved")) {
            colour_fade_start(text_label_colour(label), 0, 255, 0, 40, 150, 40, 7 * 255, 0,
                              COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
            const int y = list_panel ? list_panel->y + list_panel->h + 14 : 0;
            panel_add_child(screen, screen->w / 2 - label->w / 2, y, SAVE_SCREEN_STATUS_ID, 1, label);
            label->layer = 2;
            control_hide_for(label, 1050);
        }
        screen->on_timer = save_screen_finish;
        control_set_timer(screen, SAVE_FINISH_MS);
    } else if (Control *back = image_button_create(IMAGE_BACK, 6, "Back", save_screen_on_back, 27, screen)) {
        panel_add_child(screen, screen->w - back->w - 4, screen->h - back->h - 4, SAVE_SCREEN_BACK_ID, 0, back);
        back->layer = 2;
        control_hide_for(back, 1200);
    }

    if (Control *summary = panel_find_child(screen, SAVE_SCREEN_SUMMARY_ID)) {
        if (entry) text_entry_close(entry);
        control_set_enabled(summary, false);
        control_fade_out(summary, 200);
    }
    if (Control *lines = panel_find_child(list_panel, SAVE_IDS.separators)) control_fade_out(lines, 200);
    if (Control *row = panel_find_child(screen, SAVE_SCREEN_BUTTONS_ID)) control_fade_out(row, 200);
    if (Control *dialog = panel_find_child(screen, SAVE_SCREEN_DIALOG_ID)) control_remove(dialog);
    save_list_set_enabled(&s->list, SAVE_IDS, false);
}

void save_screen_finish(Control *screen) {
    SaveScreenState *s = save_screen_state(screen);
    if (s && s->saved) s->saved(screen);
    control_set_hidden(screen, false);
}

void save_screen_on_back(Control *button) {
    Control *screen = save_screen_of(button);
    SaveScreenState *s = save_screen_state(screen);
    if (!s) return;
    game_set_focus_control(game_get(), nullptr);
    if (s->back) s->back(screen);
}

void save_screen_delete_confirmed(Control *button) {
    Control *screen = save_screen_of(button);
    SaveScreenState *s = save_screen_state(screen);
    if (s && save_list_delete_confirmed(&s->list, SAVE_IDS)) set_save_available(screen, false);
}
