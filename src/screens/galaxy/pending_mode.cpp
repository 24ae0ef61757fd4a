// Stand-ins until the mode files of the galaxy screen land; deleted with them.
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"

void galaxy_mode_update(int32_t) {}
ObjectMap *galaxy_current_map() { return nullptr; }
void starmap_end_news_delay() {}
void starmap_run_pending_load() {}
void starmap_advance_turn() {}
void starmap_show_autopass_countdown() {}
void galaxy_start_pending_worker() {}
int starmap_advance_ai_thread(void *) { return 0; }
int starmap_ai_encounter_thread(void *) { return 0; }
int starmap_load_encounter_thread(void *) { return 0; }
void galaxy_set_thread_creator(GalaxyThreadCreator *) {}
SDL_Thread *galaxy_create_thread(int (*)(void *)) { return nullptr; }
void galaxy_join_thread(SDL_Thread **) {}
