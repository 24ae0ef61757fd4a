// The UI art family: image types and cursors written into the store tree.
#include "assetgen/family_ui.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

#include "assetgen/output.h"
#include "assetgen/ui_art.h"

namespace {

std::string image_png_path(int type, int frame) {
    char path[64];
    std::snprintf(path, sizeof path, "control/image/%.3i/png/%.3i.png", type, frame);
    return path;
}

std::string image_anim_path(int type, int n) {
    char path[64];
    std::snprintf(path, sizeof path, "control/image/%.3i/anim/%.3i.dat", type, n);
    return path;
}

std::string cursor_png_path(int n, int frame) {
    char path[64];
    std::snprintf(path, sizeof path, "cursor/%.3i/png/%.3i.png", n, frame);
    return path;
}

std::string cursor_point_path(int n) {
    char path[64];
    std::snprintf(path, sizeof path, "cursor/%.3i/dat/point", n);
    return path;
}

Result write_picture(const std::string &root, const std::string &path, IconImage img) {
    // Only alpha 0 may make a hole: an opaque pixel of the game's transparent colour moves one step.
    for (size_t i = 0; i + 3 < img.rgba.size(); i += 4)
        if (img.rgba[i + 3] && img.rgba[i] == 234 && img.rgba[i + 1] == 0 && img.rgba[i + 2] == 138)
            img.rgba[i + 1] = 1;
    std::vector<uint8_t> bytes;
    const Result res = png_encode(img.rgba.data(), img.w, img.h, 4, &bytes);
    if (res != RES_OK) return res;
    return output_bytes(root, path, bytes);
}

}  // namespace

namespace {

struct UiJob {
    std::string root;
    std::atomic<int> failures{0};
};

// One image type (index 0..212) or one cursor (213..223) with its small files.
void generate_one(int index, void *context) {
    UiJob *job = static_cast<UiJob *>(context);
    int failures = 0;
    if (index < IMAGE_TYPE_COUNT) {
        const std::vector<IconImage> frames = ui_art_frames(index);
        for (size_t f = 0; f < frames.size(); ++f) {
            const int k = static_cast<int>(f);
            if (write_picture(job->root, image_png_path(index, k), frames[f]) != RES_OK) ++failures;
            if (output_text(job->root, image_anim_path(index, k), std::to_string(k) + "\n1000\n") != RES_OK) ++failures;
        }
    } else {
        const int n = index - IMAGE_TYPE_COUNT;
        const UiCursorArt art = ui_art_cursor(n);
        for (size_t f = 0; f < art.frames.size(); ++f)
            if (write_picture(job->root, cursor_png_path(n, static_cast<int>(f)), art.frames[f]) != RES_OK) ++failures;
        const std::string point = std::to_string(art.hot_x) + "\n" + std::to_string(art.hot_y) + "\n";
        if (output_text(job->root, cursor_point_path(n), point) != RES_OK) ++failures;
    }
    job->failures += failures;
}

}  // namespace

int ui_family_generate(const std::string &root, uint32_t /*seed*/) {
    UiJob job;
    job.root = root;
    const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    parallel_for(IMAGE_TYPE_COUNT + UI_CURSOR_COUNT, threads, generate_one, &job);
    if (job.failures) std::fprintf(stderr, "ui: %i files failed\n", job.failures.load());
    return job.failures == 0 ? 0 : 1;
}

void ui_family_list_paths(std::vector<std::string> *out) {
    for (int type = 0; type < IMAGE_TYPE_COUNT; ++type) {
        const size_t count = ui_art_frames(type).size();
        for (size_t f = 0; f < count; ++f) {
            out->push_back(image_png_path(type, static_cast<int>(f)));
            out->push_back(image_anim_path(type, static_cast<int>(f)));
        }
    }
    for (int n = 0; n < UI_CURSOR_COUNT; ++n) {
        const size_t count = ui_art_cursor(n).frames.size();
        for (size_t f = 0; f < count; ++f) out->push_back(cursor_png_path(n, static_cast<int>(f)));
        out->push_back(cursor_point_path(n));
    }
}
