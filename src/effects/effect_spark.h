#pragma once
// Spark and pulse effects, both blocking effects of the combat map.
//  - The spark (type 4) is a flickering lightning bolt of 17 points between two fixed ends, with
//    spark sprites ("effect/sparc/000/png") at its ends, for 750 ms. Like the beam it carries a
//    completion callback with two objects, run once at the first step after its start delay.
//  - The pulse (type 2) is a set of expanding (or shrinking) green rings under the objects, one
//    wave every interval, optionally with sound 9 when the first ring shows.
//  - Game thread only.
#include <cstdint>
#include "effects/effect.h"

struct SparkEffect;
using SparkHitFn = void(SparkEffect *spark, GameObject *a, GameObject *b);

constexpr int      SPARK_POINTS = 17;
constexpr int32_t  SPARK_MS = 750;
constexpr uint32_t SPARK_NO_END   = 0x2;     // SparkEffect::flags
constexpr uint32_t SPARK_NO_START = 0x4;

struct SparkEffect : Effect {
    uint32_t    flags = 0;
    int32_t     from_x = 0, from_y = 0, to_x = 0, to_y = 0;   // relative to the box's top-left
    int32_t     box_left = 0, box_top = 0, box_right = 0, box_bottom = 0;
    int32_t     start_delay = 0;
    int32_t     remaining_ms = 0;
    Sprite    **frames = nullptr;                             // the shared set (not owned)
    int32_t     frame_count = 0;
    Sprite     *start_sprite = nullptr, *end_sprite = nullptr;
    SparkHitFn *on_hit = nullptr;
    GameObject *object_a = nullptr, *object_b = nullptr;      // one reference each while set
    int32_t     points_x[SPARK_POINTS] = {}, points_y[SPARK_POINTS] = {};
    int32_t     point_count = SPARK_POINTS;
};

constexpr uint32_t PULSE_BLOCKING = 0x1;     // PulseEffect::flags
constexpr uint32_t PULSE_SOUND    = 0x2;
constexpr uint32_t PULSE_SOUNDED  = 0x4;

struct PulseEffect : Effect {
    uint32_t flags = 0;
    int32_t  wave_count = 1;
    int32_t  direction = 1;                  // negative: the rings shrink
    uint8_t  red = 0, green = 0, blue = 0;
    int32_t *wave_clocks = nullptr;          // owned, wave_count of them
    int32_t  max_radius = 0;
    int32_t  duration = 0;
    int32_t  interval = 0;
    int32_t  fade_from = 0;
};

SparkEffect *effect_create_spark(int x1, int y1, int x2, int y2);
void effect_spark_set_callback(SparkEffect *spark, SparkHitFn *fn, GameObject *a, GameObject *b);
void effect_spark_hide_start(SparkEffect *spark);
void effect_spark_set_start_delay(SparkEffect *spark, int ms);
// Rebuilds the bolt between the fixed end points (done at creation and at every step).
void effect_spark_build_bolt(SparkEffect *spark);

// waves below 1 count as 1; fade_from is limited to the duration.
PulseEffect *effect_create_pulse(int waves, int max_radius, int green, int duration, int interval, int delay,
                                 int fade_from, int direction, int blocking, int sound);
// The radius wave i shows at now, or 0 when it shows nothing.
int32_t effect_pulse_radius(const PulseEffect *pulse, int wave);
