// The benchmarks' shared process helpers: memory figures and the real program run to its title.
#include "bench_setup.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <sstream>

namespace {

double kib_field(const std::string &text, const char *name) {
    const size_t at = text.find(name);
    return at == std::string::npos ? 0 : std::atof(text.c_str() + at + std::strlen(name)) / 1024.0;
}

std::string whole_file(const std::string &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

BenchMemory bench_memory_of(const char *status_path) {
    const std::string status = whole_file(status_path);
    BenchMemory m;
    m.rss_mb = kib_field(status, "VmRSS:");
    m.anon_mb = kib_field(status, "RssAnon:");
    m.file_mb = kib_field(status, "RssFile:");
    m.shmem_mb = kib_field(status, "RssShmem:");
    return m;
}

BenchMemory bench_memory_now() {
    BenchMemory m = bench_memory_of("/proc/self/status");
    const struct mallinfo2 heap = mallinfo2();
    m.heap_mb = double(heap.uordblks + heap.hblkhd) / (1024.0 * 1024.0);
    return m;
}

BenchProgramRun bench_run_program_to_title(const std::string &save_folder) {
    using Clock = std::chrono::steady_clock;
    BenchProgramRun run;
    const std::string log = save_folder + "/run.log";
    std::remove(log.c_str());   // the program never writes into a log file that is there already
    const auto t0 = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) return run;
    if (pid == 0) {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("XDG_DATA_HOME", save_folder.c_str(), 1);
        setenv("ASTROVANE_LOG_LEVEL", "6", 1);
        unsetenv("ASTROVANE_FRAME_STATS");
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        dup2(quiet, 2);
        const std::string binary = ASTROVANE_BINARY_DIR "/astrovane";
        execl(binary.c_str(), binary.c_str(), "--store-path", BENCH_STORE.c_str(), "--log-path", log.c_str(),
              static_cast<char *>(nullptr));
        _exit(127);
    }
    const auto give_up = t0 + std::chrono::seconds(60);
    bool title = false, assets = false;
    while (Clock::now() < give_up && !(title && assets)) {
        const std::string text = whole_file(log);
        if (!title && text.find("Application mode is now 2") != std::string::npos) {
            title = true;
            run.title_ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        }
        assets = text.find("End title load thread") != std::string::npos;
        usleep(2000);
    }
    if (title && assets) {
        usleep(1000 * 1000);
        run.title = bench_memory_of(("/proc/" + std::to_string(pid) + "/status").c_str());
    } else {
        run.title_ms = -1;
    }
    kill(pid, SIGTERM);
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exit_status = WEXITSTATUS(status);
    return run;
}
