// Files, the save folder, small file readers, data-store numbers and web links.
#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <sys/wait.h>
#include <unistd.h>
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/log.h"
#include "platform/store.h"

namespace {

constexpr const char *SAVE_FOLDER_NAME = "Astrovane";


std::string parent_folder(const std::string &path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Syncs a folder so a rename inside it survives a crash.
bool sync_folder(const std::string &folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Creates the temporary of a write as a new regular file: never through a link, never opening a
// FIFO or device (which would block or send the bytes elsewhere). Whatever already holds the name,
// a killed write's leftover or anything else, is unlinked (which neither follows nor opens it) and
// the creation tried once more. The descriptor, or -1.
int open_new_temp(const std::string &temp) {
    constexpr int FLAGS = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd;
        do fd = ::open(temp.c_str(), FLAGS, 0644);
        while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            struct stat st;
            if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) return fd;
            ::close(fd);
            return -1;
        }
        if (errno != EEXIST || attempt > 0) return -1;
        if (::unlink(temp.c_str()) != 0 && errno != ENOENT) return -1;
    }
    return -1;
}

}  // namespace

// ---- Files and folders ----

int save_folder_path(std::string *field) {
    const char *data = std::getenv("XDG_DATA_HOME");
    const char *home = std::getenv("HOME");
    if (data && data[0] == '/')   // the base-directory rules ignore an empty or relative value
        *field = std::string(data) + "/" + SAVE_FOLDER_NAME;
    else if (home && home[0])
        *field = std::string(home) + "/.local/share/" + SAVE_FOLDER_NAME;
    else
        *field = std::string(1, '.');   // (assigning the literal trips a false -Wrestrict in GCC 12)
    return int(field->size());
}

Result make_directory(const char *path) {
    struct stat st;
    if (::stat(path, &st) == 0) return S_ISDIR(st.st_mode) ? RES_OK : RES_NOT_A_DIRECTORY;
    const std::string text = path;
    if (text.empty()) return RES_MKDIR_FAILED;
    // Create the missing parents first (a fresh account has no ~/.local/share yet).
    const std::string parent = parent_folder(text);
    if (parent != text && parent != "." && parent != "/" && ::stat(parent.c_str(), &st) != 0) {
        Result res = make_directory(parent.c_str());
        if (res != RES_OK) return RES_MKDIR_FAILED;
    }
    if (::mkdir(path, 0755) != 0 && errno != EEXIST) return RES_MKDIR_FAILED;
    if (::stat(path, &st) != 0 || !S_ISDIR(st.st_mode)) return RES_MKDIR_FAILED;
    return RES_OK;
}

Result write_file(const char *path, const Buffer *buffer) {
    return write_file_bytes(path, buffer->data, size_t(buffer->length));
}

Result write_file_bytes(const char *path, const void *data, size_t size) {
    const std::string target = path;
    const std::string temp = target + FILE_TEMP_SUFFIX;
    // A FIFO, device or socket under the name is not ours to replace (a folder fails the rename).
    struct stat st;
    if (::lstat(path, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode) && !S_ISDIR(st.st_mode))
        return RES_WRITE_FAILED;
    int fd = open_new_temp(temp);
    if (fd < 0) return RES_OPEN_FAILED;
    bool ok = file_write_all(fd, static_cast<const uint8_t *>(data), size);
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return RES_WRITE_FAILED;
    }
    // The new file is in place; a folder that cannot be synced only weakens the crash guarantee.
    (void)sync_folder(parent_folder(target));
    return RES_OK;
}

Result file_keep_aside(const char *path, std::string *kept) {
    struct stat st;
    if (::lstat(path, &st) != 0) return errno == ENOENT ? RES_OK : RES_WRITE_FAILED;
    for (int n = 0; n < FILE_KEEP_ASIDE_TRIES; ++n) {
        std::string name = std::string(path) + FILE_KEEP_ASIDE_SUFFIX;
        if (n > 0) name += "." + std::to_string(n);
        // Never over an earlier kept copy: the rename refuses a name that is taken.
        if (::renameat2(AT_FDCWD, path, AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) {
            if (kept) *kept = std::move(name);
            return RES_OK;
        }
        if (errno == EEXIST) continue;
        if (errno != EINVAL && errno != ENOSYS) return RES_WRITE_FAILED;
        // A file system without the no-replace rename: look first, then rename.
        if (::lstat(name.c_str(), &st) == 0) continue;
        if (::rename(path, name.c_str()) != 0) return RES_WRITE_FAILED;
        if (kept) *kept = std::move(name);
        return RES_OK;
    }
    return RES_WRITE_FAILED;
}

void file_ignore_size_limit_signal() {
    // Past the file-size limit the kernel sends SIGXFSZ, which ends the process mid-write; ignored,
    // the write fails with EFBIG and write_file reports it, the old file untouched.
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGXFSZ, &action, nullptr);
}

Result list_directory(const char *directory, std::vector<std::string> *out) {
    struct stat st;
    if (::stat(directory, &st) == 0 && !S_ISDIR(st.st_mode)) return RES_NOT_A_DIRECTORY;
    DIR *dir = ::opendir(directory);
    if (!dir) return RES_OPEN_FAILED;
    struct Item {
        std::string name;
        int64_t     time;   // nanoseconds
    };
    std::vector<Item> items;
    while (dirent *e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        const std::string full = std::string(directory) + "/" + e->d_name;
        if (::stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;   // no folder, FIFO or device
        items.push_back({e->d_name, int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec});
    }
    ::closedir(dir);
    std::sort(items.begin(), items.end(), [](const Item &a, const Item &b) {
        return a.time != b.time ? a.time > b.time : a.name < b.name;
    });
    if (out) {
        out->clear();
        for (Item &item : items) out->push_back(std::move(item.name));
    }
    return RES_OK;
}

int file_open_read(const char *path) {
    // Without blocking: a FIFO or a device under a file's name would wait for a writer for ever.
    // Only a regular file is kept open, and then reads block again.
    struct stat st;
    if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return RES_OPEN_FAILED;
    int fd;
    do fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return RES_OPEN_FAILED;
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return RES_OPEN_FAILED;
    }
    return fd;
}

Result file_read_exact(int fd, void *bytes, size_t n) {
    auto *dst = static_cast<uint8_t *>(bytes);
    size_t done = 0;
    while (done < n) {
        ssize_t got = ::read(fd, dst + done, n - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return RES_HEADER_READ_FAILED;
        if (got == 0) return RES_END_OF_FILE;
        done += size_t(got);
    }
    return RES_OK;
}

Result file_read_u32(int fd, uint32_t *out) {
    uint8_t b[4];
    if (file_read_exact(fd, b, 4) != RES_OK) return RES_SHORT_BUFFER;
    *out = (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
    return RES_OK;
}

Result file_read_string(int fd, std::string *field) {
    uint32_t length;
    Result res = file_read_u32(fd, &length);
    if (res != RES_OK) return res;
    if (length > uint32_t(FILE_STRING_MAX)) return RES_MALFORMED;
    std::string text;
    try {
        text.resize(length);
    } catch (const std::bad_alloc &) {
        return RES_NO_MEMORY;
    }
    res = file_read_exact(fd, text.data(), length);
    if (res != RES_OK) return res;
    *field = std::move(text);
    return RES_OK;
}

Result file_stat(const char *path, struct stat *out) {
    return ::stat(path, out) == 0 ? RES_OK : RES_OPEN_FAILED;
}

void file_close(int fd) {
    if (fd >= 0) ::close(fd);
}

int file_exists(const char *path) {
    struct stat st;
    return ::stat(path, &st) == 0 ? 1 : 0;
}

int is_directory(const char *path) {
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode) ? 1 : 0;
}

Result file_delete(const char *path) {
    return ::unlink(path) == 0 ? RES_OK : RES_DELETE_FAILED;
}

void path_append(std::string *field, const char *name) {
    *field += "/";
    *field += name;
}

Result shell_open(const char *text) {
    if (!text || (std::strncmp(text, "http://", 7) != 0 && std::strncmp(text, "https://", 8) != 0))
        return RES_PLATFORM_REFUSED;
    // The address goes to xdg-open as one argument, never through a shell. The opener runs as a
    // grandchild (its parent exits at once), so it is reparented and never left a zombie; a
    // close-on-exec pipe tells whether the exec itself worked.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return RES_PLATFORM_REFUSED;
    pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return RES_PLATFORM_REFUSED;
    }
    if (child == 0) {
        ::close(report[0]);
        ::setsid();
        pid_t opener = ::fork();
        if (opener == 0) {
            int null_fd = ::open("/dev/null", O_RDWR);
            if (null_fd >= 0) ::dup2(null_fd, 0);
            char *const argv[] = {const_cast<char *>("xdg-open"), const_cast<char *>(text), nullptr};
            ::execvp("xdg-open", argv);
            int failure = errno;
            ssize_t ignored = ::write(report[1], &failure, sizeof failure);
            (void)ignored;
            ::_exit(127);
        }
        ::_exit(opener < 0 ? 1 : 0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    int failure = 0;
    ssize_t got;
    do got = ::read(report[0], &failure, sizeof failure);
    while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || got > 0) return RES_PLATFORM_REFUSED;
    return RES_OK;
}

// ---- Numbers from data-store texts ----

int32_t text_to_i32(const char *text) {
    // strtoll saturates at the i64 limits and sets errno; both limits lie beyond the i32 clamp.
    const long long value = std::strtoll(text, nullptr, 10);
    return int32_t(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

Result store_read_int(const char *asset_path, int32_t *out) {
    std::string text;
    Result res = store_read_text(asset_path, &text);
    if (res != RES_OK) return res;
    *out = text_to_i32(text.c_str());
    return RES_OK;
}

Result store_read_int_lines(const char *asset_path, int32_t *count, std::vector<int32_t> *values) {
    std::string text;
    Result res = store_read_text(asset_path, &text);
    if (res != RES_OK) return res;
    std::vector<int32_t> numbers;
    try {
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            numbers.push_back(text_to_i32(text.substr(start, end - start).c_str()));
    } catch (const std::bad_alloc &) {
        return RES_NO_MEMORY;
    }
    if (count) *count = int32_t(numbers.size());
    if (values) *values = std::move(numbers);
    return RES_OK;
}

bool file_write_all(int fd, const void *bytes, size_t n) {
    const uint8_t *data = static_cast<const uint8_t *>(bytes);
    while (n > 0) {
        ssize_t done = ::write(fd, data, n);
        if (done < 0 && errno == EINTR) continue;
        if (done < 1) return false;
        data += done;
        n -= size_t(done);
    }
    return true;
}
