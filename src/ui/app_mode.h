#pragma once
// Application modes: the five screens the game loop can run, and the switch between them.
//  - A mode is a record of callbacks (AppMode), made on first use by the mode's init function
//    and kept until app_mode_shutdown; an empty slot is skipped. The application installs the
//    init functions (app_mode_set_inits); a mode without one is an empty record.
//  - The frame obeys the flag word of the registered control root (control_root) and does nothing
//    without one.
//  - Any code may request another mode at any time; the request is applied at the very end of
//    the frame (app_mode_apply_request), so a frame is begun and finished by one mode. Of several
//    requests in a frame the last one wins; an id of 5 or more is ignored when made, a negative
//    one is dropped at the next apply.
//  - A switch first waits for the graphics thread to finish its current pass (at once when the
//    thread is not running), then leaves the old mode (its controls still alive), frees the game's
//    controls, releases every loaded sound, enters the new mode and only then makes it current.
//  - Main thread only. The frame's draw runs under the graphics queue lock; the switch waits on
//    the graphics frame condition.
#include <cstdint>

struct Graphics;
struct ControlRoot;

enum AppModeId : int32_t {
    APP_MODE_ENCOUNTER   = 0,   // combat encounter screen
    APP_MODE_LOADING     = 1,   // start-up loading
    APP_MODE_TITLE       = 2,
    APP_MODE_GALAXY      = 3,   // galaxy map screen
    APP_MODE_END_OF_GAME = 4,
    APP_MODE_COUNT       = 5,
};

using AppModeFn       = void();
using AppModeUpdateFn = void(int32_t elapsed_ms);
using AppModeDrawFn   = void(Graphics *graphics);

struct AppMode {
    int32_t          id = -1;
    AppModeFn       *enter = nullptr;       // builds the mode's screen
    AppModeFn       *leave = nullptr;       // tears down what the mode owns besides controls
    AppModeFn       *pre_frame = nullptr;   // first in every frame
    AppModeUpdateFn *update = nullptr;      // the mode's logic for one frame
    AppModeDrawFn   *draw = nullptr;        // empty: the frame draws nothing, not even controls or cursor
    AppModeFn       *post_frame = nullptr;  // last in every frame, before the switch
};

using AppModeInitFn = void(AppMode *mode);

void           app_mode_set_inits(AppModeInitFn *const inits[APP_MODE_COUNT]);   // null: none
AppModeInitFn *app_mode_init_of(int id);   // null for an id without one

int      app_mode_request(int id);      // the requested id now in force
int      app_mode_current_id();         // -1 before the first switch
AppMode *app_mode_get_current();        // null when there is no current mode
AppMode *app_mode_get(int id);          // the record of mode 0..4, made on first use; else null
AppMode *app_mode_create(int id);       // a new record filled by the mode's init; null for another id
bool     app_mode_changed();            // true during exactly the first frame of a new mode
void     app_mode_run_frame(int32_t dt);
void     app_mode_apply_request();
void     app_mode_shutdown();           // leaves the current mode and frees the records
void     app_mode_reset();              // shut down and back to no mode and no request (tests)

// The per-frame passes over the top-level controls and cursor. Tests put recorders here to watch
// the frame; null puts the toolkit's own passes back.
struct AppFramePasses {
    void (*update_controls)(ControlRoot *root, int32_t dt);
    void (*draw_controls)(ControlRoot *root, Graphics *graphics, int sign);
    void (*draw_cursor)(ControlRoot *root, Graphics *graphics);
};
void app_mode_set_frame_passes(const AppFramePasses *passes);
