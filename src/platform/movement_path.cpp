// MovementPath: stepping and pixel creeping.
#include "platform/movement_path.h"

#include "platform/buffer.h"
#include "platform/saturate.h"

#include <cmath>
#include <memory>
#include <limits>
#include <new>

namespace {

// The pixel of a position: truncated towards zero, saturated where an int cannot hold it.
int32_t pixel_of(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// The end of one axis after dt units, held at the target once it reaches or passes it.
float axis_end(float position, float velocity, int32_t dt, int32_t target) {
    if (std::fabs(velocity) < MOVEMENT_MIN_SPEED) return position;
    float end = position + static_cast<float>(dt) * velocity;
    if (velocity > 0.0f && pixel_of(end) >= target) return static_cast<float>(target);
    if (velocity < 0.0f && pixel_of(end) <= target) return static_cast<float>(target);
    return end;
}

// One creeping sub-step of one axis; true when the axis is at its end point.
bool creep_axis(float *position, float velocity, float end) {
    if (velocity == 0.0f) return true;
    float moved = *position + velocity;
    if ((velocity > 0.0f && moved >= end) || (velocity < 0.0f && moved <= end)) {
        *position = end;
        return true;
    }
    *position = moved;
    return false;
}

void update_arrived(MovementPath *path) {
    if (pixel_of(path->x) == path->target_x && pixel_of(path->y) == path->target_y)
        path->flags |= MOVEMENT_ARRIVED;
}

float power_velocity(float base_step, const MovementPath *path, int32_t t) {
    double velocity = double(base_step) * double(path->exponent) / double(path->divisor) *
                      std::pow(double(t), double(path->exponent) - 1.0);
    // An exponent below 1 has no finite speed at t = 0; start from rest instead.
    return std::isfinite(velocity) ? static_cast<float>(velocity) : 0.0f;
}

}  // namespace

MovementPath *movement_path_create() { return new (std::nothrow) MovementPath{}; }

void movement_path_free(MovementPath *path) { delete path; }

void movement_path_copy(MovementPath *dest, const MovementPath *source) { *dest = *source; }

bool movement_path_arrived(const MovementPath *path) { return (path->flags & MOVEMENT_ARRIVED) != 0; }

void movement_path_start(MovementPath *path, int32_t from_x, int32_t from_y, int32_t to_x,
                         int32_t to_y, int32_t steps) {
    if (from_x == to_x && from_y == to_y) {
        path->flags |= MOVEMENT_ARRIVED;
        return;
    }
    // No time at all would divide by zero; the path then takes one unit.
    if (steps < 1) steps = 1;
    path->flags &= ~MOVEMENT_ARRIVED;
    path->target_x = to_x;
    path->target_y = to_y;
    path->x = static_cast<float>(from_x) + 0.5f;
    path->y = static_cast<float>(from_y) + 0.5f;
    path->base_step_x = static_cast<float>(int64_t(to_x) - from_x) / static_cast<float>(steps);
    path->base_step_y = static_cast<float>(int64_t(to_y) - from_y) / static_cast<float>(steps);
    path->step_x = path->base_step_x;
    path->step_y = path->base_step_y;
    path->divisor = static_cast<float>(steps);
    path->step_counter = 0;
}

void movement_path_set_power(MovementPath *path, float exponent) {
    path->mode = MOVEMENT_POWER;
    path->exponent = exponent;
}

void movement_path_advance(MovementPath *path, int32_t dt) {
    if (path->mode == MOVEMENT_POWER) {
        int32_t t = path->step_counter;
        path->step_x = power_velocity(path->base_step_x, path, t);
        path->step_y = power_velocity(path->base_step_y, path, t);
        path->step_counter = saturate_add_i32(t, dt);   // the counter may come from a save
    }
    path->next_x = axis_end(path->x, path->step_x, dt, path->target_x);
    path->next_y = axis_end(path->y, path->step_y, dt, path->target_y);
}

void movement_path_step(MovementPath *path, int32_t dt) {
    movement_path_advance(path, dt);
    path->x = path->next_x;
    path->y = path->next_y;
    update_arrived(path);
}

int movement_path_next_pixel(MovementPath *path) {
    const int32_t start_x = pixel_of(path->x);
    const int32_t start_y = pixel_of(path->y);
    float x = path->x;
    float y = path->y;
    int result = 0;
    int stalled = 0;
    for (;;) {
        float before_x = x;
        float before_y = y;
        bool done_x = creep_axis(&x, path->step_x, path->next_x);
        bool done_y = creep_axis(&y, path->step_y, path->next_y);
        if (pixel_of(x) != start_x || pixel_of(y) != start_y) {
            result = 1;
            break;
        }
        if (done_x && done_y) break;
        bool moved = std::fabs(x - before_x) >= MOVEMENT_MIN_SPEED ||
                     std::fabs(y - before_y) >= MOVEMENT_MIN_SPEED;
        stalled = moved ? 0 : stalled + 1;
        if (stalled >= MOVEMENT_MAX_STALLED_STEPS) break;
    }
    path->x = x;
    path->y = y;
    update_arrived(path);
    return result;
}

Result movement_path_write(const MovementPath *path, Buffer *buf) {
    Result r = buffer_write_i32(buf, path->mode);
    if (r == RES_OK) r = buffer_write_u32(buf, path->flags);
    if (r == RES_OK) r = buffer_write_i32(buf, path->step_counter);
    for (float value : {path->x, path->y, path->next_x, path->next_y, path->step_x, path->step_y,
                        path->base_step_x, path->base_step_y})
        if (r == RES_OK) r = buffer_write_f32(buf, value);
    if (r == RES_OK) r = buffer_write_i32(buf, path->target_x);
    if (r == RES_OK) r = buffer_write_i32(buf, path->target_y);
    if (r == RES_OK) r = buffer_write_f32(buf, path->exponent);
    if (r == RES_OK) r = buffer_write_f32(buf, path->divisor);
    return r;
}

Result movement_path_read(MovementPath **out, Buffer *buf) {
    std::unique_ptr<MovementPath> path(movement_path_create());
    if (!path) return RES_NO_MEMORY;
    MovementPath *p = path.get();
    Result r = buffer_read_i32(buf, &p->mode);
    if (r == RES_OK) r = buffer_read_u32(buf, &p->flags);
    if (r == RES_OK) r = buffer_read_i32(buf, &p->step_counter);
    for (float *value : {&p->x, &p->y, &p->next_x, &p->next_y, &p->step_x, &p->step_y,
                         &p->base_step_x, &p->base_step_y})
        if (r == RES_OK) r = buffer_read_f32(buf, value);
    if (r == RES_OK) r = buffer_read_i32(buf, &p->target_x);
    if (r == RES_OK) r = buffer_read_i32(buf, &p->target_y);
    if (r == RES_OK) r = buffer_read_f32(buf, &p->exponent);
    if (r == RES_OK) r = buffer_read_f32(buf, &p->divisor);
    if (r != RES_OK) return r;
    if (out) *out = path.release();
    return RES_OK;
}
