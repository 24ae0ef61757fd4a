#pragma once
// Dialogs: the question dialog (a wrapped question above a No and a Yes button) and the cost tag
// (a credits amount and a day count, each with its icon, in a framed strip).
//  - Builders fill a panel the caller made (removing what it held); the caller places it, gives it
//    an id and adds it to a list or a parent panel. The buttons call the caller's callbacks and
//    never change the game; the dialog does not close itself.
//  - Game thread only.
#include <cstdint>
#include "ui/control.h"

constexpr int DIALOG_YES_ID = 100001;
constexpr int DIALOG_NO_ID  = 100002;
constexpr int DIALOG_ROW_ID = 100003;
constexpr int DIALOG_KEYS   = 1;          // flags: 'y' and 'n' press the buttons
constexpr int DIALOG_BUTTON_FONT = 6;

constexpr int COST_TAG_FRAME_ID         = 10005;
constexpr int COST_TAG_CREDITS_ICON_ID  = 10001;
constexpr int COST_TAG_CREDITS_LABEL_ID = 10002;
constexpr int COST_TAG_DAYS_ICON_ID     = 10003;
constexpr int COST_TAG_DAYS_LABEL_ID    = 10004;
constexpr int COST_TAG_SLIDE            = 1;

void     dialog_build(Control *panel, const char *question, const char *yes_text, const char *no_text,
                      ControlFn on_yes, void *yes_arg, ControlFn on_no, void *no_arg, int flags);
Control *dialog_create(const char *question, const char *yes_text, const char *no_text, ControlFn on_yes,
                       void *yes_arg, ControlFn on_no, void *no_arg, int flags);
void     dialog_click_button(Control *dialog);   // presses No for the caller

void     cost_tag_build(Control *panel, int credits, int amount, int flags);
Control *cost_tag_create(int credits, int amount, int flags);
