// Child processes for tests that run the real binary.
#include "support/run_program.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

void drain(int fd, std::string *into) {
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n > 0) into->append(chunk, size_t(n));
        else if (n < 0 && errno == EINTR) continue;
        else break;
    }
}


// The child's environment: ours, less `unset`, with `environment` set over it.
std::vector<std::string> child_environment(const ProgramOptions &options) {
    std::vector<std::string> entries;
    auto name_of = [](const std::string &entry) { return entry.substr(0, entry.find('=')); };
    auto replaced = [&](const std::string &name) {
        for (const std::string &n : options.unset)
            if (n == name) return true;
        for (const std::string &e : options.environment)
            if (name_of(e) == name) return true;
        return false;
    };
    for (char **e = environ; e && *e; ++e)
        if (!replaced(name_of(*e))) entries.emplace_back(*e);
    for (const std::string &e : options.environment) entries.push_back(e);
    return entries;
}

}  // namespace

// Everything the child needs is made before the fork: between fork and exec the child only
// duplicates descriptors, changes folder and calls execve, so a test may start programs from
// several threads at once. The pipes are closed on exec, so no other child keeps them open.
pid_t start_program(const std::string &path, const std::vector<std::string> &args, const ProgramOptions &options,
                    int *out_fd, int *err_fd) {
    std::vector<std::string> env_entries = child_environment(options);
    std::vector<char *> argv, envp;
    argv.push_back(const_cast<char *>(path.c_str()));
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    for (std::string &e : env_entries) envp.push_back(e.data());
    envp.push_back(nullptr);

    int out_pipe[2], err_pipe[2];
    if (::pipe2(out_pipe, O_CLOEXEC) != 0) return -1;
    if (::pipe2(err_pipe, O_CLOEXEC) != 0) {
        ::close(out_pipe[0]);
        ::close(out_pipe[1]);
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out_pipe[1], 1);   // the duplicates stay open across exec
        ::dup2(err_pipe[1], 2);
        if (!options.directory.empty() && ::chdir(options.directory.c_str()) != 0) ::_exit(121);
        ::execve(path.c_str(), argv.data(), envp.data());
        ::_exit(122);
    }
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    if (pid < 0) {
        ::close(out_pipe[0]);
        ::close(err_pipe[0]);
        return -1;
    }
    *out_fd = out_pipe[0];
    *err_fd = err_pipe[0];
    return pid;
}

ProgramRun finish_program(pid_t pid, int out_fd, int err_fd, int signal_to_send, int timeout_ms) {
    ProgramRun run;
    if (signal_to_send > 0) ::kill(pid, signal_to_send);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    drain(out_fd, &run.out);
    drain(err_fd, &run.err);
    ::close(out_fd);
    ::close(err_fd);
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    return run;
}

ProgramRun run_program(const std::string &path, const std::vector<std::string> &args, const ProgramOptions &options) {
    int out_fd = -1, err_fd = -1;
    const pid_t pid = start_program(path, args, options, &out_fd, &err_fd);
    if (pid < 0) return {};
    // Output is read after the child ends; keep what it prints well under a pipe's capacity.
    if (options.signal_after_ms >= 0) {
        if (!options.signal_after_log_path.empty()) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.log_wait_ms);
            const auto running = [pid] {   // without reaping it
                siginfo_t info{};
                return ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
            };
            while (read_text_file(options.signal_after_log_path).find(options.signal_after_log_text) == std::string::npos &&
                   std::chrono::steady_clock::now() < deadline && running())
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(options.signal_after_ms));
        return finish_program(pid, out_fd, err_fd, options.signal_to_send, options.timeout_ms);
    }
    return finish_program(pid, out_fd, err_fd, 0, options.timeout_ms);
}

std::string read_text_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool file_exists(const std::string &path) { return std::filesystem::exists(path); }
