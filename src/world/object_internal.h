#pragma once
// Helpers the world modules share among themselves; not for other modules.
struct GameObject;

// The object's seen date equals the game clock (a snapshot taken this very minute).
bool object_seen_at_clock(const GameObject *obj);
