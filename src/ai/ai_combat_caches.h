#pragma once
// The caches of a ship's plan: what the combat searches keep while one ship of a computer player
// plans and nothing on the combat map changes. They open and close together with one AiPlanCaches
// on the planning thread (ai_plan_ship opens it):
//  - the map's kept answers and searches (the placement searches: the map stands still);
//  - the plan's draws and what the candidates work out once per plan (system_plan_begin);
//  - the option search's own (figures, failed manoeuvres, scores, scan reach and bearing), which a
//    search also drops when its options run out.
// Every cache is thread-local to the planning thread; scopes nest, the outermost one counts.
// What each cache may hold, and the check that works every kept answer out afresh, are in
// systems/plan_check.h.

class AiPlanCaches {
public:
    AiPlanCaches();
    ~AiPlanCaches();
    AiPlanCaches(const AiPlanCaches &) = delete;
    AiPlanCaches &operator=(const AiPlanCaches &) = delete;
};

// The option search's caches of the calling thread are dropped (a search begins, ends or a plan
// closes).
void ai_combat_search_caches_drop();
