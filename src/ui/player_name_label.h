#pragma once
// The player name label: a text label showing a player's name in the player's colour. The toolkit
// knows players only through the hook below, which the application installs.
//  - Game thread, like every control.
#include <cstdint>
#include <string>

struct Control;

struct PlayerNameHooks {
    // The name and colour of the player of an id; false when the game knows no such player.
    bool (*player_name)(uint64_t id, std::string *name, uint8_t *r, uint8_t *g, uint8_t *b) = nullptr;
};
void                   player_name_label_set_hooks(const PlayerNameHooks &hooks);
const PlayerNameHooks &player_name_label_hooks();

constexpr uint8_t PLAYER_NAME_FALLBACK_GREY = 180;

// A label with the player's name in its colour; without such a player (or for id 0, or without a
// hook) the fallback text in grey (180, 180, 180); without a fallback either, no label (null).
Control *player_name_label_create(int font, const char *fallback, uint64_t player_id);
