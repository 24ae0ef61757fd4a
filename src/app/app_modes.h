#pragma once
// The application's mode table: which screen's init function makes each of the five modes.
#include "ui/app_mode.h"

// Indexed by AppModeId; installed by app_install_hooks.
extern AppModeInitFn *const APP_MODE_INITS[APP_MODE_COUNT];
