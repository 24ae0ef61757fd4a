// The player name label over the text label.
#include "ui/player_name_label.h"

#include "ui/text_label.h"

namespace {

PlayerNameHooks g_hooks;

}  // namespace

void player_name_label_set_hooks(const PlayerNameHooks &hooks) { g_hooks = hooks; }

const PlayerNameHooks &player_name_label_hooks() { return g_hooks; }

Control *player_name_label_create(int font, const char *fallback, uint64_t player_id) {
    std::string name;
    uint8_t r = 0, g = 0, b = 0;
    if (player_id != 0 && g_hooks.player_name && g_hooks.player_name(player_id, &name, &r, &g, &b))
        return text_label_create_plain(font, r, g, b, name.c_str());
    if (!fallback) return nullptr;
    return text_label_create_plain(font, PLAYER_NAME_FALLBACK_GREY, PLAYER_NAME_FALLBACK_GREY,
                                   PLAYER_NAME_FALLBACK_GREY, fallback);
}
