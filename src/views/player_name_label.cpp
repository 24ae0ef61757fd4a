// The player name label over the text label.
#include "views/player_name_label.h"

#include <algorithm>

#include "game/game.h"
#include "game/player.h"
#include "ui/text_label.h"
#include "views/views_local.h"

Control *player_name_label_create(int font, const char *fallback, uint64_t player_id) {
    using views_detail::channel;
    if (const Player *player = player_id != 0 ? game_find_player(game_get(), player_id) : nullptr)
        return text_label_create_plain(font, channel(player->red), channel(player->green), channel(player->blue),
                                       player->name.c_str());
    if (!fallback) return nullptr;
    return text_label_create_plain(font, PLAYER_NAME_FALLBACK_GREY, PLAYER_NAME_FALLBACK_GREY,
                                   PLAYER_NAME_FALLBACK_GREY, fallback);
}
