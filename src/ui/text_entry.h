#pragma once
// Text entry: a one-line text field that rests like a label in a panel and edits when clicked.
// While it edits it is the key-focus control, shows a cursor and an accept and a cancel button,
// and checks its text; Enter or accept ends the edit with the new text, Escape or cancel brings
// back the text it had when the edit began. The owning screen hears through two callbacks.
//  - The state (the panel's widget state) owns the text and the saved text.
//  - Options: 1 attention frame around the icon (with 2), 2 icon, 4 the first key replaces the
//    whole text, 8 compact layout, 16 accept only after a key, 32 accept only with a non-blank text.
//  - max_length counts characters (bytes); 0 or less means no limit.
//  - Game thread only.
#include <cstdint>
#include <string>
#include "ui/control.h"

constexpr int TEXT_ENTRY_CURSOR_ID    = 100001;
constexpr int TEXT_ENTRY_LABEL_ID     = 100002;
constexpr int TEXT_ENTRY_ACCEPT_ID    = 100003;
constexpr int TEXT_ENTRY_CANCEL_ID    = 100004;
constexpr int TEXT_ENTRY_ICON_ID      = 100005;
constexpr int TEXT_ENTRY_ATTENTION_ID = 100006;
constexpr int TEXT_ENTRY_VIEW_ID      = 100007;

constexpr int TEXT_ENTRY_ATTENTION      = 1;
constexpr int TEXT_ENTRY_ICON           = 2;
constexpr int TEXT_ENTRY_REPLACE        = 4;
constexpr int TEXT_ENTRY_COMPACT        = 8;
constexpr int TEXT_ENTRY_REQUIRE_CHANGE = 16;
constexpr int TEXT_ENTRY_REQUIRE_TEXT   = 32;

struct TextEntryState {
    std::string text;
    std::string saved_text;          // the text when the edit began
    Control    *label = nullptr;     // shows the text (not counted)
    int32_t     view_width = 0;      // the view panel's width while resting
    int32_t     max_length = 0;
    int32_t     editing = 0;
    int32_t     replace = 0;         // the next key first empties the text
    int32_t     compact = 0;
    ControlFn   accept_fn = nullptr; // after an accepted edit, with the panel
    ControlFn   cancel_fn = nullptr; // after a cancelled edit
    uint8_t     colour[3] = {220, 255, 220};
    int32_t     changed = 0;         // a key was handled in this edit
    int32_t     require_change = 0;
    int32_t     require_text = 0;
    int32_t     valid = 1;           // the text may be accepted
};

void     text_entry_dialog(Control *panel, const char *text, int width, int options);
Control *text_entry_create(const char *text, int width, int options);
TextEntryState *text_entry_state(Control *panel);   // null when the panel holds no text entry

void text_entry_build(Control *panel);        // begins editing (the panel's click)
void text_entry_begin_edit(Control *panel);
void text_entry_accept(Control *panel);       // as the accept button, when editing
void text_entry_close(Control *panel);        // cancels, then drops the attention frame
void text_entry_set_text(Control *panel, const char *text);

const char *text_entry_get_text(Control *panel);
bool text_entry_is_editing(Control *panel);
bool text_entry_is_valid(Control *panel);
void text_entry_select_all(Control *panel);
void text_entry_set_max_length(Control *panel, int n);
void text_entry_set_accept_fn(Control *panel, ControlFn fn);

// The key-focus handler and the two buttons' clicks (the button's user data is the field).
void text_entry_on_key(Control *panel);
void text_entry_accept_button(Control *button);
void text_entry_cancel_button(Control *button);
