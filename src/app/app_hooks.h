#pragma once
// The one place where the lower layers' hook tables are filled: every call that goes up (from the
// effects to the world, from panels to the effects, from the mode switch to the screens, from the
// model to the computer players) is installed here, whole, once, before
// the first mode is entered. Each table is built whole by one function of the layer that fills it:
// the app_* functions below, and the AI layer's ai_player_hooks and ai_world_hooks.
//  - After app_install_hooks no slot of any of these tables is empty.
//  - Main thread, at start-up (tests call it again to put the real tables back after a fake).
struct EffectWorldHooks;
struct PanelEffectHooks;

void app_install_hooks();

// The tables app_install_hooks installs.
EffectWorldHooks  app_effect_world_hooks();
PanelEffectHooks  app_panel_effect_hooks();
