#pragma once
// Factory: the templates of one object kind (one per subtype) and the loading of their graphics
// and parameters in four load groups per template.
//  - Groups: 0 parameters and frame sizes, 1 frame sprites, 2 encounter graphics, 3 detail
//    pictures. Callers request and release groups by reference counts; nothing loads until an
//    explicit factory_resolve_load_groups, which loads what became needed and unloads what nobody
//    needs any more.
//  - The factory alone loads, unloads and rolls back groups, for every kind. A kind says how its
//    parameters are read (group 0) and, through its one slot `group_frames`, which frames each
//    other group holds; the factory loads those frames' sprites from the kind's frame folder.
//  - A frame may belong to several groups (a ship's rotation frames serve the encounter and the
//    detail pictures): each template counts, per frame, the loaded groups that hold it, and the
//    sprite goes only when the last of them is unloaded. A group remembers the frames it took, so
//    unloading gives back exactly those. A group whose frame fails to load gives back what it had
//    taken ("failed to load frame %i of group %i") and counts as not loaded.
//  - Five factories in a static array by ObjectKind, set up on first use by the kinds' register
//    functions (object_kinds.cpp) and freed by factory_free at shut-down. A release or a resolve
//    before set-up does nothing (nobody holds a group yet) and sets nothing up.
//  - Threads: requests come from the game thread and loader threads under each factory's count
//    lock; a resolve takes the count lock only to copy the requests and loads under the load lock,
//    so requests may be made while a long load runs (they count at the next resolve).
//  - Objects made from a template share its frame arrays and animations: a group must stay
//    requested while objects of the template are drawn.
//  - Result codes: what a kind's load_params or load_extra returns; RES_READ_FAILED for a frame
//    sprite that does not load (or a frame the template does not have); RES_NO_MEMORY when
//    set-up cannot allocate.
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

// One frame a load group holds; `maps` asks for the sprite's outline and angle maps too.
struct FactoryFrame {
    int32_t frame = 0;
    bool    maps = false;
};

// Group 0 of a template: its parameter file and frame sizes (factory_load_frame_sizes).
using FactoryParamsFn = Result(GameObject *tmpl);
// The frames of group g (1..3) of a template, in load order; nothing for a group the kind lacks.
using FactoryGroupFramesFn = void(const GameObject *tmpl, int32_t group, std::vector<FactoryFrame> *out);
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
    FactoryParamsFn         *load_params = nullptr;    // empty: group 0 loads nothing
    FactoryGroupFramesFn    *group_frames = nullptr;   // empty: groups 1..3 hold no frames
    const char              *frame_dir = nullptr;      // "kind/%.3i/png", the template index filled in
    std::mutex               load_mutex;        // held while a resolve loads or unloads this factory
    std::mutex               count_mutex;       // held while `requested` changes or is copied
    FactoryLoadExtraFn      *load_extra = nullptr;   // data the kind shares, loaded once at set-up
    FactoryFreeExtraFn      *free_extra = nullptr;
};

// A template's frame holds, kept by the factory (objects made from the template have none).
struct FrameHolds {
    std::vector<int32_t> count;                        // per frame: loaded groups holding it
    std::vector<int32_t> taken[FACTORY_GROUP_COUNT];   // per group: the frames it holds
};

// A kind's factory register function sets kind, template_count, the group slots and extras.
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

// One group of one template, as a resolve loads and unloads it (tests and tools call them on
// templates of their own). Loading a group that holds frames already gives those back first;
// unloading a group that holds nothing does nothing. RES_OUT_OF_RANGE for a bad kind or group.
Result factory_load_group(GameObject *tmpl, int32_t group);
Result factory_unload_group(GameObject *tmpl, int32_t group);
// The frame holds of a template, made on first use and sized to its frames; null without memory.
FrameHolds *factory_frame_holds(GameObject *tmpl);
void        factory_free_frame_holds(GameObject *tmpl);   // object_destroy calls it

// Helper for the kinds' parameter groups: the sizes of "<dir>/000.png", "<dir>/001.png" ... up to
// the first missing one into frame_count, frame_w and frame_h, and an empty frames array (earlier
// arrays are freed first, and every frame hold with them).
Result factory_load_frame_sizes(GameObject *tmpl, const char *dir);

// The kinds' factory register functions in kind order (object_kinds.cpp); absent: no templates.
extern FactoryRegisterFn *const FACTORY_KIND_REGISTER[5];
// Tests: the register function factory_init uses for a kind from now on (null restores the
// kind's own). Takes effect at the next set-up, after factory_free.
void factory_set_register(int32_t kind, FactoryRegisterFn *fn);
