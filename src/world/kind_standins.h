#pragma once
// STAND-IN until the shots' visual effects
// are on main: the facts sectors and shots read of them and the few changes they ask of them, in
// one table. Each entry becomes a direct call or field read when its module arrives, and the
// table goes away with the last one.
//  - An empty entry reads as "nothing known": no flags, no figures, no officer, no learning, no
//    effect. Tests install fakes through kind_standins_set.
//  - Set on the main thread before any game runs; read from every thread afterwards.
#include <cstdint>
#include <string>

struct GameObject;
struct ObjectMap;
struct Officer;
struct Player;
struct Graphics;
struct ParticleSurface;

struct KindStandIns {

    // ---- Visual effects (effects/*.h) ----
    // Explosion particles (flag 2) at a point after a delay.
    void (*effect_explosion)(ObjectMap *map, int32_t x, int32_t y, int32_t delay_ms) = nullptr;
    // The puff a subtype-5 shot leaves behind.
    void (*effect_burst)(ObjectMap *map, int32_t x, int32_t y, int32_t delay_ms) = nullptr;
    // Floating text (type 0) centred on a point.
    void (*effect_text)(ObjectMap *map, int32_t x, int32_t y, const std::string &text, uint8_t r,
                        uint8_t g, uint8_t b) = nullptr;
    // The particle trail of a shot of subtype 2 or 5: made, stepped, drawn and freed.
    ParticleSurface *(*particles_create)(int32_t subtype, int32_t count, int32_t w, int32_t h) = nullptr;
    void (*particles_step)(ParticleSurface *surface, int32_t dt) = nullptr;
    void (*particles_draw)(ParticleSurface *surface, Graphics *graphics, int32_t x, int32_t y) = nullptr;
    void (*particles_free)(ParticleSurface *surface) = nullptr;
};

void                kind_standins_set(const KindStandIns &table);
const KindStandIns &kind_standins();
