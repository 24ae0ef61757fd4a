#pragma once
// Shared by the news panels' sources only (news_panel.cpp, news_item_panel.cpp): what both set alike.

namespace news_detail {

constexpr int SHADE_LEVEL = 4;   // panel_set_shade's shift of both panels

}  // namespace news_detail
