#pragma once
// Runs a program as a child process and reports what it printed and how it ended.
#include <string>
#include <sys/types.h>
#include <vector>

struct ProgramRun {
    std::string out;          // standard output
    std::string err;          // standard error
    int         status = -1;  // exit status, or -1 when it did not exit normally
    int         signal = 0;   // the signal that ended it, 0 when it exited
};

struct ProgramOptions {
    std::string              directory;        // working directory of the child; empty: ours
    std::vector<std::string> environment;      // "NAME=value" entries added to ours
    std::vector<std::string> unset;            // names removed from ours
    int                      signal_after_ms = -1;   // send `signal_to_send` after this long
    // With signal_after_ms: the wait starts once this file holds this text (the program is up to
    // that point however slowly it starts), or once the program has ended, or at log_wait_ms. A
    // start-up under ThreadSanitizer on a loaded machine has taken over 20 s to reach the title.
    std::string              signal_after_log_path, signal_after_log_text;
    int                      log_wait_ms = 300000;
    int                      signal_to_send = 15;
    int                      timeout_ms = 20000;     // then SIGKILL
};

// argv[0] is the program path itself.
ProgramRun run_program(const std::string &path, const std::vector<std::string> &args, const ProgramOptions &options = {});

// Starts a child without waiting; the caller ends it with finish_program.
pid_t start_program(const std::string &path, const std::vector<std::string> &args, const ProgramOptions &options,
                    int *out_fd, int *err_fd);
ProgramRun finish_program(pid_t pid, int out_fd, int err_fd, int signal_to_send, int timeout_ms);

std::string read_text_file(const std::string &path);
bool        file_exists(const std::string &path);
