#pragma once
// Helpers the computer player's sources share among themselves; not for other modules.
#include <cstdint>
#include "ai/agent_task.h"
#include "world/object.h"
#include "world/sector.h"

namespace ai_detail {

inline AgentTaskData *data_of(AgentTask *task) { return static_cast<AgentTaskData *>(task); }
inline const AgentTaskData *data_of(const AgentTask *task) { return static_cast<const AgentTaskData *>(task); }

inline int64_t squared(int64_t v) { return v * v; }

inline void centre_of(const GameObject *obj, int32_t *x, int32_t *y) {
    *x = obj->x + obj->w / 2;
    *y = obj->y + obj->h / 2;
}

inline Sector *target_sector(const AgentTask *task) { return sector_of(data_of(task)->target); }

// Every assignee in list order, up to the first null entry.
template <class Fn>
void each_assignee(const AgentTask *task, Fn fn) {
    for (GameObject *obj : task->assignees.items) {
        if (!obj) break;
        fn(obj);
    }
}

}  // namespace ai_detail
