#pragma once
// Alerts: the UI player's news items, their fifteen builders, the game's intake, the save record,
// and what the news list reads of them (colours, icon).
//  - An Alert owns its texts, its time and its scene picture. A builder returns a new alert that
//    nobody holds yet; game_add_alert takes it over: it keeps it in the game's alert list (which
//    frees it) when it is addressed to the UI player, and frees it otherwise. Callers never touch
//    an alert after handing it in.
//  - The first alert of each day is preceded by a date line (kind 2, target 0).
//  - Highlight bits 0 and 1 of the flags are not saved.
//  - The game thread, or the worker that owns the model while it runs. No lock.
//  - Result codes: alert_read gives RES_SHORT_BUFFER (-15), RES_MALFORMED (-23) a negative string
//    length or count, RES_NO_MEMORY, or the scene reader's code; writers RES_NO_MEMORY.
#include <cstdarg>
#include <cstdint>
#include <string>
#include "platform/result.h"

struct Scene;
struct Buffer;
struct Date;
struct Game;
struct Officer;
struct Sprite;

constexpr int32_t ALERT_MAX_AGE_MINUTES = 44641;
constexpr int32_t ALERT_NEW_MINUTES     = 1440;
constexpr int32_t ALERT_EXTRA_WORDS     = 9;
constexpr int32_t ALERT_KIND_COUNT      = 15;

constexpr uint32_t ALERT_FLAG_RECT        = 0x1u;   // the highlight rectangle is set
constexpr uint32_t ALERT_FLAG_RECT_BY_ID  = 0x2u;   // ... from an object found by id
constexpr uint32_t ALERT_FLAG_RESEARCH    = 0x4u;
constexpr uint32_t ALERT_FLAG_SKILLS      = 0x8u;   // the extra words hold an officer's skills
constexpr uint32_t ALERT_FLAGS_NOT_SAVED  = ALERT_FLAG_RECT | ALERT_FLAG_RECT_BY_ID;

enum AlertKind : int32_t {
    ALERT_STARSHIP_BUILT = 0,
    ALERT_PRODUCTION_COMPLETE = 1,
    ALERT_DAY_HEADER = 2,
    ALERT_FLEET_ARRIVED = 3,
    ALERT_RESEARCH = 4,
    ALERT_SECTOR_NOTICE = 5,
    ALERT_FLEET_CONTACT = 6,
    ALERT_ESCAPE_POD = 7,
    ALERT_STARBASE_DESTROYED = 8,
    ALERT_CREW_RESCUED = 9,
    ALERT_RESOURCES_GATHERED = 10,
    ALERT_OFFICER_NEWS = 11,
    ALERT_INTEL_REPORT = 12,
    ALERT_RESOURCES_DEPLETED = 13,
    ALERT_STARBASE_CAPTURED = 14,
};

struct Alert {
    uint64_t    id = 0;
    uint64_t    target_player_id = 0;
    uint32_t    flags = 0;
    int32_t     kind = 0;
    int32_t     subtype = 0;
    Date       *time = nullptr;           // owned
    int32_t     word = 0;                 // left 0 by the builders; saved
    int32_t     rect_x = 0, rect_y = 0, rect_w = 0, rect_h = 0;
    uint64_t    first_id = 0;
    uint64_t    second_id = 0;
    std::string text;
    std::string *second_text = nullptr;   // owned or null
    Scene *scene = nullptr;          // owned or null
    int32_t     extra = 0;
    int32_t     extra_words[ALERT_EXTRA_WORDS] = {};
};

Alert *alert_create(int32_t kind, int32_t subtype, uint64_t target_player_id, const char *text);
void   alert_free(Alert *alert);   // null ignored

Result alert_write(const Alert *alert, Buffer *buf);
// One record into a new alert stored through out (freed when out is null); nothing on failure.
Result alert_read(Alert **out, Buffer *buf);

// ---- The intake ----
// Keeps the alert when it is addressed to the UI player (dated, numbered, after a date line on a
// new day) and frees it otherwise. Null is ignored.
void game_add_alert(Game *game, Alert *alert);
// Frees every alert of the game's list.
void game_clear_alerts(Game *game);
// Drops the alerts older than ALERT_MAX_AGE_MINUTES.
void game_remove_expired_alerts(Game *game);

// ---- The builders: the text is a printf format filled by the caller's arguments ----
Alert *alert_post_starship_built(uint64_t player_id, int32_t ship_template, uint64_t sector_id, const char *format,
                                 ...) __attribute__((format(printf, 4, 5)));
Alert *alert_post_production_complete(uint64_t player_id, uint64_t sector_id, int32_t site_template,
                                      const char *format, ...) __attribute__((format(printf, 4, 5)));
Alert *alert_post_day_header(uint64_t player_id, const char *format, ...) __attribute__((format(printf, 2, 3)));
Alert *alert_post_fleet_arrived(uint64_t player_id, uint64_t fleet_id, uint64_t sector_id, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
Alert *alert_post_research(uint64_t player_id, int32_t tech, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
Alert *alert_post_sector_notice(uint64_t player_id, uint64_t object_id, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
Alert *alert_post_fleet_contact(uint64_t player_id, uint64_t first_id, uint64_t second_id, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
Alert *alert_post_escape_pod(uint64_t player_id, int32_t rank, uint64_t object_id, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
Alert *alert_post_starbase_destroyed(uint64_t player_id, uint64_t sector_id, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
Alert *alert_post_crew_rescued(uint64_t player_id, uint64_t sector_id, uint64_t site_id, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
Alert *alert_post_resources_gathered(uint64_t player_id, uint64_t sector_id, uint64_t site_id, const char *format,
                                     ...) __attribute__((format(printf, 4, 5)));
Alert *alert_post_officer_news(uint64_t player_id, int32_t rank, uint64_t object_id, const Officer *officer,
                               const char *format, ...) __attribute__((format(printf, 5, 6)));
Alert *alert_post_intel_report(uint64_t player_id, int32_t subtype, uint64_t second_id, uint64_t sector_id,
                               uint64_t first_id, const char *format, ...) __attribute__((format(printf, 6, 7)));
Alert *alert_post_resources_depleted(uint64_t player_id, uint64_t sector_id, uint64_t site_id, const char *format,
                                     ...) __attribute__((format(printf, 4, 5)));
Alert *alert_post_starbase_captured(uint64_t player_id, uint64_t sector_id, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

// ---- What the news list reads ----
void    alert_get_text_color(const Alert *alert, int32_t *r, int32_t *g, int32_t *b, int32_t *is_new);
int32_t alert_get_frame_color(const Alert *alert, int32_t *r, int32_t *g, int32_t *b);    // 1 found
int32_t alert_get_player_color(const Alert *alert, int32_t *r, int32_t *g, int32_t *b);   // 1 found
// The news list's icon for the alert, or null. Borrowed: the image type or template keeps it.
Sprite *alert_get_icon(const Alert *alert);
