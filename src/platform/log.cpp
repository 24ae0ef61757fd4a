// Logger: filtering, line formatting and the create-new log file.
#include "platform/log.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>
#include "platform/calendar.h"

namespace {

std::atomic<Logger *> g_logger{nullptr};
std::mutex g_logger_create_mutex;   // only logger_get and logger_destroy take it

const char *const LEVEL_NAMES[] = {"ERROR", "WARN", "NOTICE", "INFO", "DEBUG",
                                   "DEBUG1", "DEBUG2", "DEBUG3", "DEBUG4"};
constexpr int LEVEL_COUNT = 9;

const struct {
    uint32_t bit;
    const char *name;
} DEFAULT_CATEGORIES[] = {
    {LOG_GAME, "GAME"},   {LOG_GRAPHICS, "GRAPHICS"}, {LOG_INPUT, "INPUT"},
    {LOG_SPRITE, "SPRITE"}, {LOG_STORE, "STORE"},     {LOG_SOUND, "SOUND"},
    {LOG_AGENT, "AGENT"}, {LOG_CONTROL, "CONTROL"},   {LOG_RES, "RES"},
    {LOG_REFCOUNT, "REFCOUNT"},
};

std::string format_message(const char *format, va_list args) {
    if (!format) return {};
    va_list probe;
    va_copy(probe, args);
    int length = std::vsnprintf(nullptr, 0, format, probe);
    va_end(probe);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

// The name of the lowest set bit of the category among the first name_capacity bits, or null.
const std::string *category_name(const Logger *logger, int category) {
    uint32_t bits = static_cast<uint32_t>(category);
    for (int i = 0; i < logger->name_capacity && i < LOG_NAME_CAPACITY; ++i) {
        if (bits & (1u << i)) {
            const auto &name = logger->category_names[i];
            return name ? &*name : nullptr;
        }
    }
    return nullptr;
}

void write_line(Logger *logger, int category, int level, bool level_tag, const char *format,
                va_list args) {
    struct tm when = {};
    local_time(time_now(), &when);
    std::string line = log_format_stamp(when);
    if (category != LOG_NONE) {
        if (const std::string *name = category_name(logger, category)) {
            line += '[';
            line += *name;
            line += "] ";
        }
    }
    if (level_tag) {
        line += '[';
        line += LEVEL_NAMES[level];
        line += "] ";
    }
    line += format_message(format, args);
    line += "\r\n";

    std::lock_guard<std::mutex> lock(logger->mutex);
    if (!(logger->flags & LOG_FLAG_WRITE_FILE)) return;
    std::FILE *file = std::fopen(logger->path.c_str(), "ab");
    if (!file) return;   // the line is lost; there is nowhere to report it
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
}

}  // namespace

void log_write(int category, int level, const char *format, ...) {
    va_list args;
    va_start(args, format);
    log_vwrite(category, level, format, args);
    va_end(args);
}

void log_vwrite(int category, int level, const char *format, va_list args) {
    Logger *logger = g_logger.load(std::memory_order_acquire);
    if (!logger) return;
    if ((logger->flags & (LOG_FLAG_ENABLED | LOG_FLAG_WRITE_FILE)) == 0) return;

    bool level_tag = static_cast<uint32_t>(level) < LEVEL_COUNT;
    bool bypass = (logger->flags & LOG_FLAG_ERROR_BYPASS) && level <= 0;
    if (!bypass) {
        if (category != LOG_NONE && (logger->category_mask & static_cast<uint32_t>(category)) == 0)
            return;
        if (level_tag && level > logger->max_level) return;
    }
    write_line(logger, category, level, level_tag, format, args);
}

Logger *logger_get() {
    Logger *logger = g_logger.load(std::memory_order_acquire);
    if (logger) return logger;
    std::lock_guard<std::mutex> lock(g_logger_create_mutex);
    logger = g_logger.load(std::memory_order_relaxed);
    if (!logger) {
        logger = log_create();
        g_logger.store(logger, std::memory_order_release);
    }
    return logger;
}

Logger *log_create() {
    Logger *logger = new (std::nothrow) Logger;
    if (!logger) return nullptr;
    logger->flags = LOG_FLAG_ENABLED;
    for (const auto &category : DEFAULT_CATEGORIES)
        (void)log_set_category_name(logger, category.bit, category.name);
    return logger;
}

void log_free(Logger *logger) { delete logger; }

void logger_destroy() {
    std::lock_guard<std::mutex> lock(g_logger_create_mutex);
    log_free(g_logger.exchange(nullptr, std::memory_order_acq_rel));
}

int log_set_category_name(Logger *logger, uint32_t bit, const char *name) {
    if (!logger || bit == 0 || (bit & (bit - 1)) != 0) return -1;   // exactly one bit
    int index = __builtin_ctz(bit);
    if (index >= logger->name_capacity || logger->category_names[index]) return -1;
    logger->category_names[index] = name ? name : "";
    return 1;
}

int log_level_from_name(const char *name) {
    if (!name) return LOG_UNKNOWN_LEVEL;
    for (int level = 0; level < LEVEL_COUNT; ++level)
        if (std::strcmp(name, LEVEL_NAMES[level]) == 0) return level;
    return LOG_UNKNOWN_LEVEL;
}

Result log_open_file(Logger *logger, const char *path) {
    if (!logger || !path || !*path) return RES_OPEN_FAILED;
    // A longer path is refused rather than cut: a cut name would accept one file and append
    // to another.
    if (std::strlen(path) > LOG_MAX_PATH) return RES_OPEN_FAILED;
    int fd = ::open(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return RES_OPEN_FAILED;
    ::close(fd);
    logger->path = path;
    logger->flags |= LOG_FLAG_WRITE_FILE;
    return RES_OK;
}

void log_disable_categories(Logger *logger, uint32_t bits) {
    if (logger) logger->category_mask &= ~bits;
}

void log_set_error_bypass(Logger *logger) {
    if (logger) logger->flags |= LOG_FLAG_ERROR_BYPASS;
}

void log_set_error_only(Logger *logger) {
    if (logger) logger->max_level = LOG_ERROR;
}

void log_set_max_level(Logger *logger, int level) {
    if (logger) logger->max_level = level;
}

void log_lock(Logger *logger) {
    if (logger) logger->mutex.lock();
}

void log_unlock(Logger *logger) {
    if (logger) logger->mutex.unlock();
}

std::string log_format_stamp(const struct tm &when) {
    int month = when.tm_mon >= 0 && when.tm_mon < 12 ? when.tm_mon : 0;
    char stamp[96];
    // Milliseconds and the zone offset are always printed as zero.
    std::snprintf(stamp, sizeof stamp, "[%.2d/%s/%.4d %.2d:%.2d:%.2d.%.3d %+.2ld00] ", when.tm_mday,
                  CALENDAR_MONTH_NAMES[month], when.tm_year + 1900, when.tm_hour, when.tm_min, when.tm_sec, 0,
                  0L);
    return stamp;
}

int64_t time_now() { return static_cast<int64_t>(std::time(nullptr)); }

bool local_time(int64_t seconds, struct tm *out) {
    if (!out) return false;
    time_t t = static_cast<time_t>(seconds);
    return localtime_r(&t, out) != nullptr;
}
