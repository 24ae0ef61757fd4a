#pragma once
// Object lookups by id through an index, for runs of many lookups.
#include "game/game.h"

struct GameObject;

// While an index is open on this thread, game_find_object answers through it and gives what the
// search gives: every object the search reaches is listed with the list it was met in when the index
// opens, and is answered from the index only while it is alive and still in that list; otherwise
// (dead, moved, let go, added since) the search answers and the object is listed again where it was
// found. A destroyed object leaves the index (object_destroy drops it).
// Opens nest; the last close empties it. For runs of many lookups in which the game changes little
// (a computer player's day); another game's lookups, or another thread's, search every time.
void        game_open_object_index(const Game *game);
void        game_close_object_index(const Game *game);
void        game_object_index_drop(const GameObject *obj);
class GameObjectIndexScope {
public:
    explicit GameObjectIndexScope(const Game *game) : game_(game) { game_open_object_index(game_); }
    ~GameObjectIndexScope() { game_close_object_index(game_); }
    GameObjectIndexScope(const GameObjectIndexScope &) = delete;
    GameObjectIndexScope &operator=(const GameObjectIndexScope &) = delete;

private:
    const Game *game_;
};
