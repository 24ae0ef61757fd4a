// Buffer encode and decode of records shaped like a ship's save record: a few ints and ids, a name,
// float positions and a list of mounted systems.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>
#include "platform/buffer.h"

namespace {

struct SystemRecord {
    int32_t  type;
    uint64_t id;
    float    charge;
};

struct ShipRecord {
    int32_t     kind = 0;
    uint64_t    id = 0;
    int32_t     owner_kind = 0;
    uint64_t    owner_id = 0;
    std::string name;
    float       x = 0, y = 0, heading = 0;
    int32_t     hull = 0, crew = 0, flags = 0;
    std::vector<SystemRecord> systems;
};

ShipRecord sample_ship(int n) {
    ShipRecord ship;
    ship.kind = 0;
    ship.id = 0x100000000ull + static_cast<uint64_t>(n);
    ship.owner_kind = 2;
    ship.owner_id = 7;
    ship.name = "Corvette " + std::to_string(n);
    ship.x = 120.5f + static_cast<float>(n);
    ship.y = -44.25f;
    ship.heading = 90.0f;
    ship.hull = 340;
    ship.crew = 28;
    ship.flags = 0x20;
    for (int i = 0; i < 8; ++i)
        ship.systems.push_back({i % 30, ship.id * 16 + static_cast<uint64_t>(i), 0.5f * static_cast<float>(i)});
    return ship;
}

Result write_ship(Buffer *buf, const ShipRecord &s) {
    Result r = RES_OK;
    if ((r = buffer_write_i32(buf, s.kind)) || (r = buffer_write_u64(buf, s.id)) ||
        (r = buffer_write_i32(buf, s.owner_kind)) || (r = buffer_write_u64(buf, s.owner_id)) ||
        (r = buffer_write_string(buf, s.name)) || (r = buffer_write_f32(buf, s.x)) ||
        (r = buffer_write_f32(buf, s.y)) || (r = buffer_write_f32(buf, s.heading)) ||
        (r = buffer_write_i32(buf, s.hull)) || (r = buffer_write_i32(buf, s.crew)) ||
        (r = buffer_write_i32(buf, s.flags)) ||
        (r = buffer_write_i32(buf, static_cast<int32_t>(s.systems.size()))))
        return r;
    for (const SystemRecord &sys : s.systems)
        if ((r = buffer_write_i32(buf, sys.type)) || (r = buffer_write_u64(buf, sys.id)) ||
            (r = buffer_write_f32(buf, sys.charge)))
            return r;
    return RES_OK;
}

Result read_ship(Buffer *buf, ShipRecord *s) {
    Result r = RES_OK;
    int32_t count = 0;
    if ((r = buffer_read_i32(buf, &s->kind)) || (r = buffer_read_u64(buf, &s->id)) ||
        (r = buffer_read_i32(buf, &s->owner_kind)) || (r = buffer_read_u64(buf, &s->owner_id)) ||
        (r = buffer_read_string(buf, &s->name)) || (r = buffer_read_f32(buf, &s->x)) ||
        (r = buffer_read_f32(buf, &s->y)) || (r = buffer_read_f32(buf, &s->heading)) ||
        (r = buffer_read_i32(buf, &s->hull)) || (r = buffer_read_i32(buf, &s->crew)) ||
        (r = buffer_read_i32(buf, &s->flags)) || (r = buffer_read_count(buf, 16, &count)))
        return r;
    s->systems.resize(static_cast<size_t>(count));
    for (SystemRecord &sys : s->systems)
        if ((r = buffer_read_i32(buf, &sys.type)) || (r = buffer_read_u64(buf, &sys.id)) ||
            (r = buffer_read_f32(buf, &sys.charge)))
            return r;
    return RES_OK;
}

constexpr int SHIPS = 64;

void BM_BufferEncodeShips(benchmark::State &state) {
    std::vector<ShipRecord> ships;
    for (int i = 0; i < SHIPS; ++i) ships.push_back(sample_ship(i));
    Buffer buf;
    for (auto _ : state) {
        buffer_clear(&buf);
        for (const ShipRecord &s : ships)
            if (write_ship(&buf, s) != RES_OK) state.SkipWithError("write failed");
        benchmark::DoNotOptimize(buf.data);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * buf.length);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * SHIPS);
}
BENCHMARK(BM_BufferEncodeShips);

void BM_BufferDecodeShips(benchmark::State &state) {
    Buffer buf;
    for (int i = 0; i < SHIPS; ++i)
        if (write_ship(&buf, sample_ship(i)) != RES_OK) state.SkipWithError("write failed");
    std::vector<ShipRecord> ships(SHIPS);
    for (auto _ : state) {
        buffer_set_cursor(&buf, 0);
        for (ShipRecord &s : ships)
            if (read_ship(&buf, &s) != RES_OK) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(ships.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * buf.length);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * SHIPS);
}
BENCHMARK(BM_BufferDecodeShips);

}  // namespace
