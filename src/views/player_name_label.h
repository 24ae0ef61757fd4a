#pragma once
// The player name label: a text label showing a player of the game in its name and colour.
//  - The player is looked up in the game when the label is made; the label keeps the text and
//    colour it had then.
//  - Game thread, like every control.
#include <cstdint>

struct Control;

constexpr uint8_t PLAYER_NAME_FALLBACK_GREY = 180;

// A label with the player's name in its colour (each channel held to 0..255); without such a
// player in the game (or for id 0) the fallback text in grey (180, 180, 180); without a fallback
// either, no label (null).
Control *player_name_label_create(int font, const char *fallback, uint64_t player_id);
