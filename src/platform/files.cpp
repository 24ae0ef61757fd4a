// Files, save folder, local time, web links and the integer geometry tables.
#include "platform/files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
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
        *field = ".";
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
    const std::string temp = target + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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
        if (::stat(full.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
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
    int fd;
    do fd = ::open(path, O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    return fd < 0 ? int(RES_OPEN_FAILED) : fd;
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

// ---- Time ----

void local_time_get(int *year, int *month, int *day, int *hour, int *minute, int *second) {
    std::time_t now = std::time(nullptr);
    struct tm parts{};
    ::localtime_r(&now, &parts);
    if (year) *year = parts.tm_year + 1900;
    if (month) *month = parts.tm_mon;
    if (day) *day = parts.tm_mday;
    if (hour) *hour = parts.tm_hour;
    if (minute) *minute = parts.tm_min;
    if (second) *second = parts.tm_sec;
}

void format_local_timestamp(std::string *field, int year, int month, int day, int hour, int minute,
                            int second) {
    int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    char text[64];
    std::snprintf(text, sizeof text, "%.4i-%.2i-%.2i %.2i:%.2i:%.2i %s", year, month + 1, day, hour12,
                  minute, second, hour < 12 ? "AM" : "PM");
    *field = text;
}

int64_t minutes_to_days_ceil(int64_t minutes) {
    const int64_t day = int64_t(MINUTES_PER_DAY);
    int64_t days = minutes / day;
    if (minutes % day > 0) ++days;
    return days;
}

// ---- Geometry and numbers ----

namespace {

constexpr double DEGREE_TO_RADIAN = 0.01745329238474369;
constexpr double RADIAN_TO_DEGREE = 57.2957763671875;

struct TrigTables {
    int32_t cos100[360];
    int32_t sin100[360];
};

int32_t away_from_zero(double value) {
    if (std::fabs(value) < 0.001) return 0;
    return int32_t(value > 0 ? std::ceil(value) : std::floor(value));
}

const TrigTables &trig_tables() {
    static const TrigTables tables = [] {
        TrigTables t{};
        for (int a = 0; a < 360; ++a) {
            t.cos100[a] = away_from_zero(std::cos(a * DEGREE_TO_RADIAN) * 100.0);
            t.sin100[a] = away_from_zero(-std::sin(a * DEGREE_TO_RADIAN) * 100.0);
        }
        return t;
    }();
    return tables;
}

std::atomic<int32_t *> g_distance_table{nullptr};

// 64-bit squares: 32-bit ones overflow past 46,340. The one result beyond i32 (from INT_MIN) is capped.
int32_t distance_computed(int64_t dx, int64_t dy) {
    const double d = std::sqrt(double(dx * dx + dy * dy));
    return d >= double(INT32_MAX) ? INT32_MAX : int32_t(d);
}

}  // namespace

int32_t trig_cos100(int angle) { return trig_tables().cos100[angle_normalize(angle)]; }
int32_t trig_sin100(int angle) { return trig_tables().sin100[angle_normalize(angle)]; }

int angle_normalize(int a) {
    int r = a % 360;
    return r < 0 ? r + 360 : r;
}

int angle_diff(int from, int to) {
    int d = angle_normalize(to) - angle_normalize(from);
    // A half turn takes the other sign: d = 180 gives -180 and d = -180 gives 180.
    if (d >= 180) return d - 360;
    if (d <= -180) return d + 360;
    return d;
}

int angle_within(int a, int b, int arc) {
    return std::abs(angle_diff(a, b)) <= arc / 2 ? 1 : 0;
}

int angle_of_vector(int dx, int dy) {
    const int64_t squares = int64_t(dx) * dx + int64_t(dy) * dy;
    if (squares == 0) return 0;
    const double length = std::sqrt(double(squares));
    const double t = std::acos(std::fabs(double(dx)) / length) * RADIAN_TO_DEGREE;
    double a;
    if (dx >= 0) a = dy <= 0 ? t : 360.0 - t;
    else a = dy >= 0 ? 180.0 + t : 180.0 - t;
    return int(a);
}

void rotate_point(int angle, int radius, int *x, int *y) {
    const int a = angle_normalize(angle);
    if (x) *x = int(int64_t(trig_tables().cos100[a]) * radius / 100);
    if (y) *y = int(int64_t(trig_tables().sin100[a]) * radius / 100);
}

int32_t distance(int dx, int dy) {
    const int64_t ax = dx < 0 ? -int64_t(dx) : dx;
    const int64_t ay = dy < 0 ? -int64_t(dy) : dy;
    const int32_t *table = g_distance_table.load(std::memory_order_acquire);
    if (table && ax < DISTANCE_TABLE_SIZE && ay < DISTANCE_TABLE_SIZE)
        return table[ay * DISTANCE_TABLE_SIZE + ax];
    return distance_computed(ax, ay);
}

void distance_table_build() {
    if (g_distance_table.load(std::memory_order_acquire)) return;
    const int size = DISTANCE_TABLE_SIZE;
    log_write(LOG_GAME, LOG_DEBUG, "Compute distance table (size %i)", size);
    auto *table = new (std::nothrow) int32_t[size_t(size) * size];
    if (!table) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to allocate %i bytes for a distance table (size %i)",
                  int(sizeof(int32_t)) * size * size, size);
        return;
    }
    for (int dy = 0; dy < size; ++dy)
        for (int dx = 0; dx < size; ++dx) table[dy * size + dx] = distance_computed(dx, dy);
    g_distance_table.store(table, std::memory_order_release);
}

void distance_table_free() {
    delete[] g_distance_table.exchange(nullptr, std::memory_order_acq_rel);
}

bool distance_table_ready() {
    return g_distance_table.load(std::memory_order_acquire) != nullptr;
}

const char *roman_numeral(int n) {
    static const char *const NUMERALS[] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X"};
    return n >= 1 && n <= 10 ? NUMERALS[n - 1] : "";
}

int is_nan(double value) {
    return std::isnan(value) ? 1 : 0;
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
