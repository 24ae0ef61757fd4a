#pragma once
// The combat option scorer: one worker thread for the process that scores the options of a combat
// task's search while the searching thread goes on building the next ones. Every draw of a battle
// comes from one generator, so the options are built one after another on the searching thread;
// their scores are pure functions of the option record and of a model that stands still during the
// search, and only the comparison with the best reads them.
//  - Started (ai_combat_scorer_start) once by the start-up and stopped by the shut-down, on the
//    thread that starts and ends the process (benchmarks: around their world). It pays where a core
//    is free for it while battles are fought; on a machine whose cores are all busy the searching
//    thread takes back what the worker has not claimed. While it is not running a search scores its
//    options itself, exactly alike.
//  - One search at a time: a search claims the scorer when it opens and gives it back when it
//    closes; a search that finds it taken (another thread's) scores its own options.
//  - Per search: open (after the task's combat_begin), one push per option that has steps, in option
//    order, then close, which scores here whatever the worker has not taken, waits for the few the
//    worker is scoring and gives the best: the first option of the highest score above 0, with its
//    index and score in the record's score and index words, the whole record kept (hit chances and
//    damage estimates included). A search never waits for a sleeping worker.
//  - Threads: the searching thread changes nothing the scores read between open and close (the list
//    is in ai_combat_scorer.cpp); the worker changes only its own per-thread figures and memo and the
//    best record it hands over. The worker draws nothing: its quick generator is seeded from a draw
//    of the thread that starts it, as every thread's.
#include <cstdint>
#include "platform/result.h"

struct AgentTask;
struct AiPlayer;
struct Ship;
struct ShipPlan;

// Starts the worker (RES_OK when it runs, or ran already); RES_FAILED when the thread cannot start.
Result ai_combat_scorer_start();
// Stops and joins the worker; nothing when it does not run. Waits for a search that holds the
// scorer to close (giving up after a few seconds, with the worker left running).
void ai_combat_scorer_stop();
bool ai_combat_scorer_running();
// Searches the worker took part in since it started (0 when it does not run).
uint32_t ai_combat_scorer_searches();

struct CombatScorer;

// Claims the scorer for a search of the task's options for the ship; null (score on this thread)
// when the worker does not run, another search holds it, or the task's type has no record score.
CombatScorer *ai_combat_scorer_open(AgentTask *task, AiPlayer *ai, Ship *ship);
// The option of that index: its record is copied, so the caller may build the next one over it.
void ai_combat_scorer_push(CombatScorer *scorer, int32_t index, const ShipPlan &option);
// Scores what the worker has not, waits for what it is scoring and gives the scorer back. Returns the
// best option's index and fills *best, or returns -1 (best untouched) when no option scored above 0.
int32_t ai_combat_scorer_close(CombatScorer *scorer, ShipPlan *best);
