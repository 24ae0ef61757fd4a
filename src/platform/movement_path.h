#pragma once
// MovementPath: the travel of one point from a start pixel to a target pixel over a number of
// time units, at constant speed or along an accelerating power curve.
//  - The caller either jumps a whole time step (movement_path_step) or, after
//    movement_path_advance, creeps towards the step's end point one screen pixel at a time
//    (movement_path_next_pixel), so a moving object can be tested at every pixel it crosses.
//  - Positions are floats with pixel centres at +0.5; pixels are the positions truncated
//    towards zero.
//  - Saved form (60 bytes): mode, flags, step counter as big-endian i32; position, end point,
//    velocity and linear velocity as little-endian f32 pairs; the target as big-endian i32;
//    exponent and divisor as little-endian f32.
//  - No shared state; a path belongs to its owner's thread.
//  - Result codes: movement_path_read gives RES_SHORT_BUFFER or RES_NO_MEMORY; the writer
//    RES_NO_MEMORY.
#include <cstdint>
#include "platform/result.h"

struct Buffer;

enum MovementMode : int32_t {
    MOVEMENT_LINEAR = 0,
    MOVEMENT_POWER  = 1,   // position follows base step / divisor x t^exponent
};

constexpr uint32_t MOVEMENT_ARRIVED            = 1u;
constexpr int      MOVEMENT_PATH_SAVED_BYTES   = 60;
constexpr float    MOVEMENT_MIN_SPEED          = 0.00001f;   // slower counts as not moving
constexpr int      MOVEMENT_MAX_STALLED_STEPS  = 128;

struct MovementPath {
    int32_t  mode = MOVEMENT_LINEAR;
    uint32_t flags = MOVEMENT_ARRIVED;
    int32_t  step_counter = 0;            // time units elapsed (power curve)
    float    x = 0.0f, y = 0.0f;           // current position
    float    next_x = 0.0f, next_y = 0.0f; // end point of the current time step
    float    step_x = 0.0f, step_y = 0.0f; // velocity, pixels per time unit
    float    base_step_x = 0.0f, base_step_y = 0.0f;   // (target - start) / steps
    int32_t  target_x = 0, target_y = 0;
    float    exponent = 0.0f;             // power of the curve
    float    divisor = 0.0f;              // steps the path was started with
};

MovementPath *movement_path_create();     // linear and arrived; null when out of memory
void movement_path_free(MovementPath *path);
void movement_path_copy(MovementPath *dest, const MovementPath *source);
bool movement_path_arrived(const MovementPath *path);
// Sets off from one pixel to another over `steps` time units (fewer than 1 count as 1). The
// same pixel arrives at once. The mode is kept.
void movement_path_start(MovementPath *path, int32_t from_x, int32_t from_y, int32_t to_x,
                         int32_t to_y, int32_t steps);
void movement_path_set_power(MovementPath *path, float exponent);   // power-curve mode
// Computes the velocity and the end point of a step of dt time units, clamped at the target.
void movement_path_advance(MovementPath *path, int32_t dt);
// movement_path_advance, then jumps to the end point.
void movement_path_step(MovementPath *path, int32_t dt);
// Creeps towards the end point until the pixel changes: 1 when it did, 0 when the end point
// was reached or the path stalled.
int  movement_path_next_pixel(MovementPath *path);
Result movement_path_write(const MovementPath *path, Buffer *buf);
// Reads the saved form into a new path stored through out (freed when out is null); nothing is
// stored on failure.
Result movement_path_read(MovementPath **out, Buffer *buf);
