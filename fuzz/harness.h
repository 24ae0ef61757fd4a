#pragma once
// Fuzz harnesses: one function per reader of hostile bytes, shared by the libFuzzer targets
// (fuzz_main.cpp, built with clang when ASTROVANE_FUZZ is on) and by the replay of the regression
// corpus in the ordinary test suite (tests/fuzz/, any compiler, no sanitizer needed).
//  - The list of targets is targets.def, one line each; CMake makes one fuzzer per line and the
//    replay test one case per line, so a new reader needs its function and one line there.
//  - A harness runs one input to the end and leaves no memory and no changed global state behind
//    (the fuzzers' leak checks and the replay's later inputs rely on it). What all inputs share
//    (the generated store, the loaded templates) is made once by the target's setup.
//  - Seeds: every target writes a few valid inputs made by the game's own writers or taken from
//    the generated store; `make fuzz` starts from them and the replay test runs them too.
//  - Single-threaded: the fuzzers and the replay call a target from one thread.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using FuzzInput   = std::vector<uint8_t>;
using FuzzSetupFn = void();
using FuzzRunFn   = void(const uint8_t *data, size_t size);
using FuzzSeedFn  = void(std::vector<FuzzInput> *seeds);

struct FuzzTarget {
    const char  *name;    // the fuzzer is fuzz_<name>; its corpus folder fuzz/corpus/<name>/
    FuzzSetupFn *setup;   // once per process before the first input (and before seeding); may be null
    FuzzRunFn   *run;
    FuzzSeedFn  *seeds;
};

// Every target in the order of targets.def.
const std::vector<FuzzTarget> &fuzz_targets();
const FuzzTarget *fuzz_find_target(const std::string &name);   // null when there is none
// Runs the target's setup the first time it is asked for in this process (since the last release).
void fuzz_prepare(const FuzzTarget *target);
// Frees what the set-ups made (store, templates, sounds, fonts, the game) and forgets the prepared
// target: a process that runs other code after an input (the test binary) starts that code clean.
void fuzz_release();

// The generated data store the harnesses take templates and seeds from: $ASTROVANE_STORE when set,
// else the build's store.dat (compiled in).
const char *fuzz_store_path();

// Inputs made of several files are split at this marker (seeds join their parts with it).
constexpr char FUZZ_PART_MARKER[] = "\n--part--\n";
std::vector<FuzzInput> fuzz_split_parts(const uint8_t *data, size_t size, size_t max_parts);
FuzzInput              fuzz_join_parts(const std::vector<FuzzInput> &parts);
