#pragma once
// Shared by the title screens' sources only (options_panel.cpp, player_select.cpp): what both set
// alike.

namespace title_detail {

constexpr int OK_FONT = 6;   // the font of an OK button's label

}  // namespace title_detail
