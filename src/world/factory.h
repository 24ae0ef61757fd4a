#pragma once
// Factory: the templates of one object kind (one per subtype) and the loading of their graphics
// and parameters in four load groups per template.
//  - Groups: 0 parameters and frame sizes, 1 frame sprites, 2 encounter graphics, 3 detail
//    pictures. Callers request and release groups by reference counts; nothing loads until an
//    explicit factory_resolve_load_groups, which loads what became needed and unloads what nobody
//    needs any more.
//  - Five factories in a static array by ObjectKind, set up on first use by the kinds' register
//    functions (object_kinds.cpp) and freed by factory_free at shut-down.
//  - Threads: requests come from the game thread and loader threads under each factory's count
//    lock; a resolve takes the count lock only to copy the requests and loads under the load lock,
//    so requests may be made while a long load runs (they count at the next resolve).
//  - Objects made from a template share its frame arrays and animations: a group must stay
//    requested while objects of the template are drawn.
//  - Result codes: what a kind's load_extra, load_group or unload_group returns (RES_READ_FAILED
//    for a missing frame sprite); RES_NO_MEMORY when set-up cannot allocate.
#include <array>
#include <cstdint>
#include <mutex>
#include <vector>
#include "platform/result.h"

struct GameObject;

constexpr int32_t FACTORY_GROUP_COUNT = 4;
constexpr int32_t FACTORY_GROUP_PARAMS = 0;
constexpr int32_t FACTORY_GROUP_FRAMES = 1;
constexpr int32_t FACTORY_GROUP_ENCOUNTER = 2;
constexpr int32_t FACTORY_GROUP_DETAIL = 3;

using FactoryGroupFn = Result(GameObject *tmpl, int32_t group);
using FactoryLoadExtraFn = Result();
using FactoryFreeExtraFn = void();
using GroupCounts = std::array<int32_t, FACTORY_GROUP_COUNT>;

struct Factory {
    int32_t                  kind = 0;
    int32_t                  template_count = 0;
    std::vector<GameObject *> templates;        // owned; one per subtype
    std::vector<GroupCounts> loaded;            // request counts the last resolve acted on
    std::vector<GroupCounts> requested;         // current requests (count_mutex)
    std::vector<GroupCounts> snapshot;          // requests as the resolve copied them
    FactoryGroupFn          *load_group = nullptr;
    FactoryGroupFn          *unload_group = nullptr;
    std::mutex               load_mutex;        // held while a resolve loads or unloads this factory
    std::mutex               count_mutex;       // held while `requested` changes or is copied
    FactoryLoadExtraFn      *load_extra = nullptr;   // data the kind shares, loaded once at set-up
    FactoryFreeExtraFn      *free_extra = nullptr;
};

// A kind's factory register function sets kind, template_count, the group functions and extras.
using FactoryRegisterFn = void(Factory *factory);

Result      factory_init();                        // once; RES_OK or the first extra-data failure
Factory    *factory_get(int32_t kind);             // null outside 0..4 or after a failed set-up
GameObject *factory_get_template(int32_t kind, int32_t index);
GameObject *factory_create_object(int32_t kind, int32_t tmpl);   // refcount 0, no id
void        factory_acquire_group(int32_t kind, int32_t tmpl, int32_t group);
void        factory_release_detail_group(int32_t kind, int32_t tmpl);
void        factory_acquire_group_all(int32_t group);
void        factory_release_all_groups(int32_t group);
Result      factory_resolve_load_groups();
void        factory_free();

// Helpers for the kinds' group functions.
// Group 0: sizes of "<dir>/000.png", "<dir>/001.png" ... up to the first missing one into
// frame_count, frame_w and frame_h, and an empty frames array (earlier arrays are freed first).
Result factory_load_frame_sizes(GameObject *tmpl, const char *dir);
// Group 1: the sprites of frames first..first+count-1 from "<dir>/%.3i.png", one reference each;
// RES_READ_FAILED for a missing one. count < 0 means every frame.
Result factory_load_frame_sprites(GameObject *tmpl, const char *dir, int32_t first, int32_t count);
// Drops every frame sprite reference and empties the slots.
void   factory_unload_frame_sprites(GameObject *tmpl);

// The kinds' factory register functions in kind order (object_kinds.cpp); absent: no templates.
extern FactoryRegisterFn *const FACTORY_KIND_REGISTER[5];
// Tests: the register function factory_init uses for a kind from now on (null restores the
// kind's own). Takes effect at the next set-up, after factory_free.
void factory_set_register(int32_t kind, FactoryRegisterFn *fn);
