// The mode table, the frame of the current mode and the switch at the end of a frame.
#include "ui/app_mode.h"

#include <new>
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/log.h"
#include "platform/sound.h"
#include "ui/game_controls.h"

namespace {

const AppFramePasses TOOLKIT_PASSES = {
    .update_controls = game_update_controls,
    .draw_controls = game_draw_controls,
    .draw_cursor = game_draw_cursor,
};

struct ModeState {
    AppModeInitFn *inits[APP_MODE_COUNT] = {};   // installed by the application
    AppMode       *table[APP_MODE_COUNT] = {};
    bool           table_ready = false;
    int            requested = -1;
    int            current = -1;
    bool           changed = false;
    AppFramePasses passes = TOOLKIT_PASSES;
};

ModeState g_modes;

bool valid_id(int id) { return id >= 0 && id < APP_MODE_COUNT; }

void free_table() {
    for (AppMode *&mode : g_modes.table) {
        delete mode;
        mode = nullptr;
    }
    g_modes.table_ready = false;
}

}  // namespace

int app_mode_request(int id) {
    if (id < APP_MODE_COUNT) g_modes.requested = id;
    return g_modes.requested;
}

int app_mode_current_id() { return g_modes.current; }

AppMode *app_mode_create(int id) {
    if (!valid_id(id)) return nullptr;
    AppMode *mode = new (std::nothrow) AppMode();
    if (!mode) return nullptr;
    mode->id = id;
    if (g_modes.inits[id]) g_modes.inits[id](mode);
    return mode;
}

AppMode *app_mode_get(int id) {
    g_modes.table_ready = true;
    if (!valid_id(id)) return nullptr;
    if (!g_modes.table[id]) g_modes.table[id] = app_mode_create(id);
    return g_modes.table[id];
}

AppMode *app_mode_get_current() { return app_mode_get(g_modes.current); }

bool app_mode_changed() { return g_modes.changed; }

void app_mode_run_frame(int32_t dt) {
    AppMode *mode = app_mode_get_current();
    ControlRoot *root = control_root();
    if (!root) return;
    const AppFramePasses &passes = g_modes.passes;

    if (mode && mode->pre_frame) mode->pre_frame();
    input_poll();
    if (!(root->flags & CONTROL_ROOT_NO_MODE_UPDATE) && mode && mode->update) mode->update(dt);
    if (!(root->flags & (CONTROL_ROOT_NO_MODE_UPDATE | CONTROL_ROOT_CONTROLS_OFF))) passes.update_controls(root, dt);

    if (mode && mode->draw) {
        Graphics *g = gfx_get();
        if (g) {
            gfx_queue_lock(g);
            // The graphics thread has not taken the previous frame: this frame draws nothing.
            if (gfx_queue_is_empty(g)) {
                gfx_queue_clear(g);
                mode->draw(g);
                if (!(root->flags & CONTROL_ROOT_CONTROLS_OFF)) passes.draw_controls(root, g, 1);
                if (!(root->flags & CONTROL_ROOT_NO_CURSOR)) passes.draw_cursor(root, g);
            }
            gfx_queue_unlock(g);
        }
    }
    if (mode && mode->post_frame) mode->post_frame();
    app_mode_apply_request();
}

void app_mode_apply_request() {
    g_modes.changed = false;
    const int target = g_modes.requested;
    if (target == g_modes.current) return;
    if (!valid_id(target)) {
        g_modes.requested = g_modes.current;
        return;
    }

    // The old mode's last queued frame must have run before anything of it is torn down.
    gfx_wait_frame(gfx_get());

    if (AppMode *old = valid_id(g_modes.current) ? app_mode_get(g_modes.current) : nullptr) {
        // The mode lets go of what it borrowed from its controls (hidden panels, selections) while
        // they still live; only then does the list that holds them go.
        if (old->leave) old->leave();
        ControlRoot *root = control_root();
        if (root) game_clear_controls(root);
        sound_free_all();
        if (root) root->flags &= ~CONTROL_ROOT_MUSIC_RESTART;
    }
    AppMode *next = app_mode_get(target);
    if (next && next->enter) next->enter();   // the current id still names the old mode here
    // The mode just entered becomes current; a request made by its enter waits for the next frame end.
    g_modes.current = target;
    log_write(LOG_GAME, LOG_DEBUG2, "Application mode is now %i", target);
    g_modes.changed = true;
}

void app_mode_shutdown() {
    if (!g_modes.table_ready) return;
    if (AppMode *mode = app_mode_get(g_modes.current); mode && mode->leave) mode->leave();
    free_table();
}

void app_mode_reset() {
    app_mode_shutdown();
    free_table();
    g_modes.requested = -1;
    g_modes.current = -1;
    g_modes.changed = false;
}

void app_mode_set_inits(AppModeInitFn *const inits[APP_MODE_COUNT]) {
    for (int id = 0; id < APP_MODE_COUNT; ++id) g_modes.inits[id] = inits ? inits[id] : nullptr;
}

AppModeInitFn *app_mode_init_of(int id) { return valid_id(id) ? g_modes.inits[id] : nullptr; }

void app_mode_set_frame_passes(const AppFramePasses *passes) { g_modes.passes = passes ? *passes : TOOLKIT_PASSES; }
