#pragma once
// Shared by the ship panels' sources only (crew_transfer.cpp, ship_command_menu.cpp): the helper
// both use alike.
//  - Game thread only, like the panels they serve.
#include "screens/ships/ship_details.h"
#include "ui/control.h"

namespace ships_detail {

// The ship details panel a button names as its user data; null when it names none.
inline Control *panel_of_button(Control *button) {
    Control *panel = button ? static_cast<Control *>(button->user_data) : nullptr;
    return ship_details_state(panel) ? panel : nullptr;
}

}  // namespace ships_detail
