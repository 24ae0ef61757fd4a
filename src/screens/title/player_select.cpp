// The player selection dialog: the list of one kind of player records, the create/none row, the
// details column, the name entry for a new player, scrolling, OK and Back.
#include "screens/title/player_select.h"

#include <algorithm>
#include <new>

#include "game/records.h"
#include "platform/image_ids.h"
#include "platform/str.h"
#include "screens/title/player_select_local.h"
#include "screens/title/player_stats.h"
#include "screens/title/title_local.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/scroll_list.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_entry.h"
#include "ui/text_label.h"

namespace {

constexpr int KEY_ENTER_CODE      = 13;
constexpr int DETAILS_MIN_WIDTH   = 240;
constexpr int FADE_MS             = 200;
constexpr int ENTRY_OPTIONS       = TEXT_ENTRY_ATTENTION | TEXT_ENTRY_ICON | TEXT_ENTRY_REPLACE |
                                    TEXT_ENTRY_REQUIRE_CHANGE | TEXT_ENTRY_REQUIRE_TEXT;   // 0x37

const char *create_row_text(const PlayerSelectState *s) { return s->human ? " (Create new player)" : " (No player)"; }

void release_row(Control *row) { control_release(row); }

Control *find_in_details(Control *dialog, int id) {
    return panel_find_child(panel_find_child(dialog, PLAYER_SELECT_DETAILS_ID), id);
}

// The icon and the swatch give way to the name entry while it is open.
void show_icon_and_swatch(Control *dialog, bool show) {
    for (int id : {PLAYER_SELECT_ICON_ID, PLAYER_SELECT_SWATCH_ID})
        if (Control *c = find_in_details(dialog, id)) control_set_hidden(c, show);
}

// A new name label of the details column in the slot colour at the current label position.
void show_name(Control *dialog, PlayerSelectState *s, const char *name) {
    Control *details = panel_find_child(dialog, PLAYER_SELECT_DETAILS_ID);
    if (!details) return;
    panel_find_child_fade_out(details, PLAYER_SELECT_NAME_ID, FADE_MS);
    if (Control *label = text_label_create_plain(1, s->red, s->green, s->blue, name))
        panel_add_child(details, s->label_x, s->label_y, PLAYER_SELECT_NAME_ID, 1, label);
}

// The create/none row's label: its own text, or the typed name once one was accepted.
void set_create_row_label(Control *dialog, const char *text) {
    Control *row = panel_find_child(panel_find_child(dialog, PLAYER_SELECT_LIST_ID), PLAYER_SELECT_CREATE_ID);
    if (!row) return;
    if (Control *old = panel_find_child(row, PLAYER_SELECT_ROW_NAME_ID)) control_remove(old);
    if (Control *label = text_label_create_plain(1, 248, 248, 248, text))
        panel_add_child(row, 8, 4, PLAYER_SELECT_ROW_NAME_ID, 1, label);
}

// The name as the dialog takes it: without leading and trailing blanks; false when nothing is left.
bool trimmed_name(const char *text, std::string *out) { return str_set_trimmed(out, text) > 0 && !out->empty(); }

// The name entry fades out; an edit still going on ends first, unheard, so that the keyboard is
// given back at once.
void fade_entry(Control *entry) {
    if (!entry) return;
    if (TextEntryState *t = text_entry_state(entry)) t->accept_fn = t->cancel_fn = nullptr;
    text_entry_close(entry);
    control_fade_out(entry, FADE_MS);
}

// Closes the name entry without an answer: the selection goes back to the row chosen before.
void close_entry_keeping_previous(Control *dialog, PlayerSelectState *s, Control *entry) {
    s->entry_open = 0;
    s->selected = s->previous;
    if (const PlayerRecord *record = player_select_record_at(s, s->selected)) show_name(dialog, s, record->name.c_str());
    show_icon_and_swatch(dialog, true);
    fade_entry(entry);
}

// Every scroll of the list takes an open delete confirmation away.
void close_question_on_scroll(Control *body) {
    Control *dialog = player_select_detail::dialog_of(body);
    if (player_select_state(dialog)) player_select_close_confirmation(dialog, 0);
}

// The row's callbacks; greyed rows take only the wheel (they are disabled, so the list body gets it).
void wire_row(Control *row, Control *dialog, bool pickable) {
    control_set_user_data(row, dialog, nullptr);
    row->on_wheel = scroll_list_on_wheel;
    if (pickable) row->on_click = scroll_list_on_row_click;
}

void add_row(PlayerSelectState *s, Control *body, Control *row, int y, int id, int value) {
    panel_add_child(body, 4, y, id, 0, row);
    panel_of(row)->value = value;
    if (list_append(s->rows, control_addref(row)) < 0) control_release(row);
}

// The name entry over the details column (the create row clicked in the human list).
void open_name_entry(Control *dialog, PlayerSelectState *s) {
    if (panel_find_child(dialog, PLAYER_SELECT_ENTRY_ID)) return;
    Control *details = panel_find_child(dialog, PLAYER_SELECT_DETAILS_ID);
    Control *entry = panel_create_empty();
    if (!details || !entry) {
        if (entry) control_destroy(entry);
        return;
    }
    text_entry_dialog(entry, "(enter name)", details->w - 20, ENTRY_OPTIONS);
    if (TextEntryState *t = text_entry_state(entry)) {
        t->accept_fn = player_select_on_name_entered;
        t->cancel_fn = player_select_on_name_cancel;
    }
    control_set_user_data(entry, dialog, nullptr);
    panel_add_child(dialog, details->x + 2, details->y + 2, PLAYER_SELECT_ENTRY_ID, 0, entry);
    show_icon_and_swatch(dialog, false);
    s->entry_open = 1;
}

}  // namespace

// ---- what the deletion shares ----

PlayerRecord *player_select_record_at(const PlayerSelectState *s, int index) {
    return s && s->available ? list_get(s->available, index) : nullptr;
}

bool player_select_row_is_pickable(const PlayerSelectState *s, int position) {
    return position >= 0 && position <= list_count(s->available);
}

void player_select_set_row_selected(Control *row, bool selected) {
    const int g = selected ? 60 : 10, rb = selected ? 5 : 1;
    panel_set_background_hover(row, rb, g, rb, 10, 10, 120, 150);
}

void player_select_show_record(Control *dialog, const PlayerRecord *record) {
    PlayerSelectState *s = player_select_state(dialog);
    Control *details = panel_find_child(dialog, PLAYER_SELECT_DETAILS_ID);
    if (!s || !details) return;
    for (int id : {PLAYER_SELECT_NAME_ID, PLAYER_SELECT_TEXT_ID, PLAYER_SELECT_STATS_ID})
        panel_find_child_fade_out(details, id, FADE_MS);
    Control *name = nullptr;
    if (!record) {
        s->label_x = s->name_x;
        s->label_y = 3;
        name = text_label_create_plain(1, 130, 130, 130, s->human ? "(New player)" : "(No player)");
    } else {
        s->label_x = s->name_x;
        s->label_y = record->kind == 0 ? 2 : 0;
        name = text_label_create_plain(1, s->red, s->green, s->blue, record->name.c_str());
        if (record->kind != 0)
            if (Control *text = text_label_create_plain(2, 220, 240, 220, record->text.c_str()))
                panel_add_child(details, s->name_x, 15, PLAYER_SELECT_TEXT_ID, 1, text);
    }
    if (name) panel_add_child(details, s->label_x, s->label_y, PLAYER_SELECT_NAME_ID, 1, name);
    if (record || s->human) {
        Control *stats = panel_create_empty();
        if (stats) {
            ui_stat_rows_layout(stats, player_stat_rows(record), STAT_ROWS_ANIMATE);
            panel_add_child(details, s->stats_x, s->stats_y, PLAYER_SELECT_STATS_ID, 1, stats);
        }
    }
    int w = 0, h = 0;
    panel_layout(details, &w, &h);
    control_set_size(details, std::max(w, DETAILS_MIN_WIDTH), h);
}

// ---- the dialog ----

void player_select_state_free(void *state) {
    PlayerSelectState *s = static_cast<PlayerSelectState *>(state);
    if (!s) return;
    list_free(s->available);
    list_free(s->taken);
    list_free(s->rows);
    delete s;
}

PlayerSelectState *player_select_state(Control *dialog) {
    if (!dialog || dialog->widget_free != player_select_state_free) return nullptr;
    return static_cast<PlayerSelectState *>(dialog->widget_state);
}

uint64_t player_select_selected_id(Control *dialog) {
    const PlayerSelectState *s = player_select_state(dialog);
    const PlayerRecord *record = s ? player_select_record_at(s, s->selected) : nullptr;
    return record ? record->id : 0;
}

Control *player_select_row_create(const PlayerRecord *record, bool bright) {
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    panel_set_background_hover(row, 1, 10, 1, 10, 10, 120, 150);
    panel_set_border_hover(row, 1, 10, 1, 100, 100, 100, 150);
    const int r = bright ? 248 : 70, g = bright ? 248 : 70, b = bright ? 248 : 30;
    if (Control *name = text_label_create_plain(1, r, g, b, record ? record->name.c_str() : "(New player)"))
        panel_add_child(row, 8, 4, PLAYER_SELECT_ROW_NAME_ID, 1, name);
    if (record)
        if (Control *text = text_label_create_plain(2, r, g, b, record->text.c_str()))
            panel_add_child(row, 128, 6, PLAYER_SELECT_ROW_TEXT_ID, 1, text);
    int w = 0, h = 0;
    panel_layout(row, &w, &h);
    control_set_size(row, w + 8, h + (record ? 4 : 18));
    return row;
}

void player_select_build(Control *panel, const uint64_t record_ids[GAME_SLOT_COUNT],
                         const ColourFade colours[GAME_SLOT_COUNT], int slot, int mode) {
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 1);
    panel_set_border(panel, true);
    colour_fade_set(p->border, 64, 64, 16);
    PlayerSelectState *s = new (std::nothrow) PlayerSelectState{};
    if (!s) return;
    s->available = list_create<PlayerRecord>();
    s->taken = list_create<PlayerRecord>();
    s->rows = list_create<Control>();
    control_set_widget_state(panel, s, player_select_state_free);
    if (!s->available || !s->taken || !s->rows) return;
    list_set_free_fn(s->rows, release_row);
    const bool slot_valid = slot >= 0 && slot < GAME_SLOT_COUNT;
    for (int i = 0; i < GAME_SLOT_COUNT; ++i) s->record_ids[i] = record_ids[i];
    if (slot_valid) {
        s->red = colours[slot].r;
        s->green = colours[slot].g;
        s->blue = colours[slot].b;
    }
    s->human = (mode & PLAYER_SELECT_HUMAN) ? 1 : 0;

    Control *bar = ui_button_create("Player Selection", nullptr, player_select_on_back, panel, TITLE_ANIMATE | TITLE_CLOSE);
    Control *heading = text_label_create_plain(1, 180, 220, 180, s->human ? "Human players" : "AI players");
    Control *body = panel_create(20, PLAYER_SELECT_LIST_HEIGHT, 1, 10, 1);
    if (!bar || !heading || !body) {
        for (Control *c : {bar, heading, body})
            if (c) control_destroy(c);
        return;
    }
    panel_add_child(panel, 2, 2, PLAYER_SELECT_TITLE_BAR_ID, 0, bar);
    panel_add_child(panel, 4, bar->h + 8, 0, 1, heading);
    panel_add_child(panel, 4, heading->y + heading->h + 4, PLAYER_SELECT_LIST_ID, 0, body);
    control_set_user_data(body, panel, nullptr);
    scroll_list_init(body, PLAYER_SELECT_ARROW_STEP, PLAYER_SELECT_WHEEL_STEP);
    scroll_list_set_scroll_slot(body, close_question_on_scroll);
    scroll_list_set_pick_slot(body, player_select_on_row_click);
    body->on_wheel = scroll_list_on_wheel;

    // The records of the listed kind: pickable rows first, then those other slots hold.
    int y = 6;
    const uint64_t own_id = slot_valid ? record_ids[slot] : 0;
    static const List<PlayerRecord> no_records;
    const List<PlayerRecord> *records = game_get()->player_records ? game_get()->player_records : &no_records;
    for (PlayerRecord *record : records->items) {
        if (!record) break;
        if ((record->kind == 0) != (s->human != 0)) continue;
        bool held = false;
        for (int i = 0; i < GAME_SLOT_COUNT; ++i)   // an empty slot (id 0) holds nothing
            held = held || (i != slot && record_ids[i] != 0 && record_ids[i] == record->id);
        if (held) {
            list_append(s->taken, record);
            continue;
        }
        Control *row = player_select_row_create(record, true);
        if (!row) continue;
        const int index = list_count(s->available);
        list_append(s->available, record);
        wire_row(row, panel, true);
        add_row(s, body, row, y, 0, index);
        y += row->h + 2;
        if (record->id == own_id) {
            s->selected = index;
            player_select_set_row_selected(row, true);
        }
    }
    s->initial = s->selected;

    if (Control *create = panel_create_empty()) {
        if (Control *label = text_label_create_plain(1, 248, 248, 248, create_row_text(s)))
            panel_add_child(create, 8, 4, PLAYER_SELECT_ROW_NAME_ID, 1, label);
        panel_set_background_hover(create, 1, 10, 1, 10, 10, 120, 150);
        panel_set_border_hover(create, 1, 10, 1, 100, 100, 100, 150);
        int w = 0, h = 0;
        panel_layout(create, &w, &h);
        control_set_size(create, w + 8, h + 4);
        wire_row(create, panel, true);
        add_row(s, body, create, y, PLAYER_SELECT_CREATE_ID, -1);
        y += create->h + 2;
        if (s->selected == -1) {
            if (s->human) s->reopen = 1;
            else player_select_set_row_selected(create, true);
        }
    }
    for (PlayerRecord *record : s->taken->items) {
        Control *row = player_select_row_create(record, false);
        if (!row) continue;
        panel_of(row)->flags &= ~(PANEL_BG_HOVER | PANEL_BORDER_HOVER);
        wire_row(row, panel, false);
        add_row(s, body, row, y, 0, -1);
        control_set_enabled(row, false);
        y += row->h + 2;
    }
    int widest = 0;
    for (const Control *row : s->rows->items) widest = std::max(widest, row->w);
    for (Control *row : s->rows->items) control_set_size(row, widest, row->h);
    const PlayerRecord *selected = player_select_record_at(s, s->selected);
    if (player_select_record_deletable(selected)) player_select_place_delete_button(panel, list_get(s->rows, s->selected));

    int content_w = 0, content_h = 0;
    panel_layout(body, &content_w, &content_h);
    s->content_height = content_h + 6;
    scroll_list_set_content(body, s->content_height, PLAYER_SELECT_LIST_HEIGHT);
    control_set_size(body, content_w + 4, PLAYER_SELECT_LIST_HEIGHT);
    int details_x = body->x + body->w + 10;
    if (s->content_height > PLAYER_SELECT_LIST_HEIGHT) {
        if (Control *scroll = scroll_list_add_bar(body, panel, body->x + body->w + 4, body->y, PLAYER_SELECT_SCROLL_ID,
                                                  PLAYER_SELECT_LIST_HEIGHT, 0))
            details_x = scroll->x + scroll->w + 6;
    }

    // The details column: the slot's icon and colour, the slot's current record.
    if (Control *details = panel_create_empty()) {
        panel_add_child(panel, details_x, heading->y, PLAYER_SELECT_DETAILS_ID, 1, details);
        Control *icon = image_control_create(s->human ? IMAGE_HUMAN : IMAGE_COMPUTER);
        if (icon) panel_add_child(details, 0, 0, PLAYER_SELECT_ICON_ID, 1, icon);
        const int swatch_x = (icon ? icon->w : 0) + 8;
        if (Control *swatch = panel_create(22, 22, s->red * 2 / 3, s->green * 2 / 3, s->blue * 2 / 3))
            panel_add_child(details, swatch_x, 0, PLAYER_SELECT_SWATCH_ID, 1, swatch);
        s->name_x = swatch_x + 32;
        s->name_y = 0;
        player_select_show_record(panel, records_find(game_get(), own_id));
    }

    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + 8, h + 4);
    ui_control_resize(bar, panel->w - 2, true);
    if (Control *ok = image_button_create(IMAGE_OK, title_detail::OK_FONT, "OK", player_select_on_ok, KEY_ENTER_CODE, panel))
        panel_add_child(panel, panel->w - ok->w - 6, panel->h - ok->h - 6, 0, 0, ok);
}

Control *player_select_create(const uint64_t record_ids[GAME_SLOT_COUNT], const ColourFade colours[GAME_SLOT_COUNT],
                              int slot, int mode) {
    Control *panel = panel_create_empty();
    if (panel) player_select_build(panel, record_ids, colours, slot, mode);
    return panel;
}

// ---- callbacks ----

void player_select_on_row_click(Control *row) {
    Control *dialog = player_select_detail::dialog_of(row);
    PlayerSelectState *s = player_select_state(dialog);
    const Panel *rp = panel_of(row);
    if (!s || !rp) return;
    const int r = rp->value;
    if (r != -1) s->reopen = 0;   // only the create row reopens its own selection
    if (r == s->selected && !s->reopen) return;
    player_select_close_confirmation(dialog, 100);
    s->reopen = 0;
    const PlayerRecord *record = player_select_record_at(s, r);
    if (!record && s->human) {
        open_name_entry(dialog, s);
    } else if (s->entry_open) {
        fade_entry(panel_find_child(dialog, PLAYER_SELECT_ENTRY_ID));
        show_icon_and_swatch(dialog, true);
        s->entry_open = 0;
    }
    s->previous = s->selected;
    s->selected = r;
    player_select_show_record(dialog, record);
    if (record) {
        show_icon_and_swatch(dialog, true);
        set_create_row_label(dialog, create_row_text(s));
    }
    player_select_remove_delete_button(dialog);
    for (int i = 0; i < list_count(s->rows); ++i)
        if (player_select_row_is_pickable(s, i)) player_select_set_row_selected(list_get(s->rows, i), list_get(s->rows, i) == row);
    if (player_select_record_deletable(record)) player_select_place_delete_button(dialog, row);
}

void player_select_on_name_entered(Control *entry) {
    Control *dialog = player_select_detail::dialog_of(entry);
    PlayerSelectState *s = player_select_state(dialog);
    if (!s) return;
    std::string name;
    if (!trimmed_name(text_entry_get_text(entry), &name)) {   // a blank name is no name
        close_entry_keeping_previous(dialog, s, entry);
        return;
    }
    s->typed_name = name;
    s->previous = s->selected;
    s->selected = -1;
    s->entry_open = 0;
    s->name_entered = 1;
    set_create_row_label(dialog, s->typed_name.c_str());
    show_name(dialog, s, s->typed_name.c_str());
    show_icon_and_swatch(dialog, true);
    fade_entry(entry);
}

void player_select_on_name_cancel(Control *entry) {
    Control *dialog = player_select_detail::dialog_of(entry);
    if (PlayerSelectState *s = player_select_state(dialog)) close_entry_keeping_previous(dialog, s, entry);
}

void player_select_on_ok(Control *button) {
    Control *dialog = player_select_detail::dialog_of(button);
    PlayerSelectState *s = player_select_state(dialog);
    if (!s) return;
    if (s->entry_open) {
        Control *entry = panel_find_child(dialog, PLAYER_SELECT_ENTRY_ID);
        const TextEntryState *t = text_entry_state(entry);
        std::string name;
        if (!t || !t->changed) {
            s->selected = s->initial;
        } else if (trimmed_name(t->text.c_str(), &name)) {
            s->typed_name = name;
            s->selected = -1;
            s->name_entered = 1;
        } else {   // edited down to blanks: no name, the row chosen before the entry opened
            s->selected = s->previous;
        }
    }
    if (s->on_chosen) s->on_chosen(dialog);
}

void player_select_on_back(Control *title_bar) {
    Control *dialog = player_select_detail::dialog_of(title_bar);
    PlayerSelectState *s = player_select_state(dialog);
    if (!s) return;
    if (s->on_closed) s->on_closed(dialog);
    game_flash_panel_frame(game_get(), dialog);
    control_remove(dialog);
}
