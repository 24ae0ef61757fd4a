// Setting and calling a panel's command slots.
#include "ui/panel_slots.h"

void panel_set_slot(Control *panel, int slot, ControlFn handler) {
    PanelCommandSlots *slots = panel_command_slots(panel);
    if (slots && slot >= 0 && slot < PANEL_COMMAND_SLOT_COUNT) slots->slot[slot] = handler;
}

void panel_call_slot(Control *panel, int slot) {
    PanelCommandSlots *slots = panel_command_slots(panel);
    if (slots && slot >= 0 && slot < PANEL_COMMAND_SLOT_COUNT && slots->slot[slot]) slots->slot[slot](panel);
}
