#pragma once
// Drop-down choice: a panel showing the text of the current item of a list of (value, text)
// items; a click opens a popup list of every item growing out of it, and picking an item makes it
// current and calls the owner's change callback. Option and set-up screens use it for settings.
//  - The choice owns its item list (taken over by choice_init, freed with the panel); each item
//    owns a copy of its text.
//  - One popup list at a time (id CHOICE_POPUP_ID): opening one closes any other. It closes when
//    an item is picked, on a click elsewhere and when the pointer stays away for its away delay.
//  - Game thread only.
#include <cstdint>
#include <string>
#include "platform/list.h"
#include "ui/control.h"

constexpr int CHOICE_LABEL_ID = 100001;
constexpr int CHOICE_POPUP_ID = 2841401;

struct ChoiceItem {
    int32_t     value = 0;
    std::string text;
};

struct ChoiceState {
    List<ChoiceItem> *items = nullptr;   // owned
    int32_t     value = 0;               // the current item's value
    int32_t     font = 1;
    ControlFn   on_change = nullptr;     // called with the choice after the value changed
    std::string label;                   // name and description: both set shows a detail popup
    std::string tooltip;                 //   beside the open list
};

List<ChoiceItem> *choice_items_create();   // an empty list that frees its items
// Appends an item with a copy of the text (null reads as ""); null when memory ran out.
ChoiceItem *choice_add_item(List<ChoiceItem> *items, int value, const char *text);

Control *choice_create(List<ChoiceItem> *items, int value);
void     choice_init(Control *panel, List<ChoiceItem> *items, int value);
ChoiceState *choice_state(Control *choice);   // null when the control is not a choice
void     choice_set_texts(ChoiceState *state, const char *label, const char *tooltip);
void     choice_row_set_width(Control *row, int w);
void     choice_set_on_change(Control *choice, ControlFn fn);
int      choice_get_value(Control *choice);

// The choice's click (opens the popup list) and a row's click (picks its item).
void choice_open(Control *choice);
void choice_pick(Control *row);
