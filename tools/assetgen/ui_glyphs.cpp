// The UI icon silhouettes.
#include "assetgen/ui_glyphs.h"

#include <cmath>

namespace {

constexpr float PI = 3.14159265358979f;
constexpr float W = 0.16f;   // the usual stroke

void arrow(Pen &p, float x0, float y0, float x1, float y1, float head) {
    p.line(x0, y0, x1, y1, W);
    const float ang = std::atan2(y1 - y0, x1 - x0);
    const float a1 = ang + PI * 0.8f, a2 = ang - PI * 0.8f;
    p.poly({x1 + std::cos(ang) * head * 0.35f, y1 + std::sin(ang) * head * 0.35f, x1 + std::cos(a1) * head,
            y1 + std::sin(a1) * head, x1 + std::cos(a2) * head, y1 + std::sin(a2) * head});
}

void cross(Pen &p, float m, float w) {
    p.line(m, m, 1 - m, 1 - m, w);
    p.line(1 - m, m, m, 1 - m, w);
}

void check(Pen &p) { p.poly({0.12f, 0.52f, 0.26f, 0.38f, 0.42f, 0.56f, 0.76f, 0.16f, 0.9f, 0.3f, 0.42f, 0.84f}); }

void ship(Pen &p, float cx, float cy, float s) {
    p.poly({cx + 0.42f * s, cy, cx - 0.3f * s, cy - 0.3f * s, cx - 0.18f * s, cy, cx - 0.3f * s, cy + 0.3f * s});
}

void person(Pen &p, float cx, float cy, float s) {
    p.circle(cx, cy - 0.2f * s, 0.16f * s);
    p.rrect(cx - 0.3f * s, cy + 0.02f * s, cx + 0.3f * s, cy + 0.42f * s, 0.14f * s);
}

void gear(Pen &p, float cx, float cy, float r, int teeth) {
    p.circle(cx, cy, r * 0.78f);
    for (int i = 0; i < teeth; ++i) {
        const float a = 2 * PI * static_cast<float>(i) / static_cast<float>(teeth);
        p.line(cx + std::cos(a) * r * 0.6f, cy + std::sin(a) * r * 0.6f, cx + std::cos(a) * r, cy + std::sin(a) * r,
               r * 0.36f);
    }
    p.set_cut(true);
    p.circle(cx, cy, r * 0.32f);
    p.set_cut(false);
}

void station(Pen &p, float cx, float cy, float s) {
    p.ring(cx, cy, 0.3f * s, 0.1f * s);
    p.circle(cx, cy, 0.12f * s);
    p.line(cx - 0.42f * s, cy, cx + 0.42f * s, cy, 0.08f * s);
    p.line(cx, cy - 0.42f * s, cx, cy + 0.42f * s, 0.08f * s);
}

void flask(Pen &p) {
    p.rect(0.4f, 0.1f, 0.6f, 0.4f);
    p.poly({0.4f, 0.38f, 0.6f, 0.38f, 0.88f, 0.86f, 0.12f, 0.86f});
    p.rect(0.32f, 0.08f, 0.68f, 0.16f);
}

void disk(Pen &p, float x0, float y0, float s) {
    p.rrect(x0, y0, x0 + s, y0 + s, 0.06f * s);
    p.set_cut(true);
    p.rect(x0 + 0.22f * s, y0 + 0.08f * s, x0 + 0.72f * s, y0 + 0.34f * s);
    p.rect(x0 + 0.18f * s, y0 + 0.56f * s, x0 + 0.82f * s, y0 + 0.9f * s);
    p.set_cut(false);
    p.rect(x0 + 0.56f * s, y0 + 0.12f * s, x0 + 0.66f * s, y0 + 0.3f * s);
}

void crate(Pen &p, bool full) {
    p.rect(0.14f, 0.3f, 0.86f, 0.86f);
    p.set_cut(true);
    p.rect(0.24f, 0.4f, 0.76f, 0.76f);
    p.set_cut(false);
    if (full) {
        p.circle(0.38f, 0.58f, 0.1f);
        p.circle(0.6f, 0.6f, 0.11f);
        p.circle(0.5f, 0.42f, 0.1f);
    }
    p.poly({0.14f, 0.3f, 0.3f, 0.14f, 0.7f, 0.14f, 0.86f, 0.3f});
}

void chevron_up(Pen &p, float y, float w) {
    p.poly({0.14f, y + 0.16f, 0.5f, y - 0.08f, 0.86f, y + 0.16f, 0.86f, y + 0.16f + w, 0.5f, y - 0.08f + w, 0.14f,
            y + 0.16f + w});
}

void swords(Pen &p) {
    p.line(0.2f, 0.2f, 0.8f, 0.8f, 0.1f);
    p.line(0.8f, 0.2f, 0.2f, 0.8f, 0.1f);
    p.line(0.24f, 0.62f, 0.38f, 0.76f, 0.12f);
    p.line(0.76f, 0.62f, 0.62f, 0.76f, 0.12f);
    p.circle(0.2f, 0.2f, 0.07f);
    p.circle(0.8f, 0.2f, 0.07f);
}

void feature(Pen &p, int kind) {
    switch (kind) {
    case 0:   // asteroid field
        p.circle(0.35f, 0.4f, 0.2f);
        p.circle(0.68f, 0.62f, 0.15f);
        p.circle(0.3f, 0.78f, 0.09f);
        break;
    case 1:   // nebula
        p.circle(0.4f, 0.5f, 0.26f);
        p.circle(0.62f, 0.4f, 0.2f);
        p.circle(0.64f, 0.66f, 0.17f);
        p.set_cut(true);
        p.circle(0.48f, 0.52f, 0.1f);
        p.set_cut(false);
        break;
    case 2:   // ruin
        p.rect(0.16f, 0.7f, 0.84f, 0.84f);
        p.rect(0.22f, 0.28f, 0.34f, 0.7f);
        p.rect(0.66f, 0.42f, 0.78f, 0.7f);
        p.rect(0.44f, 0.5f, 0.56f, 0.7f);
        break;
    case 3:   // crystal
        p.poly({0.5f, 0.08f, 0.74f, 0.42f, 0.5f, 0.92f, 0.26f, 0.42f});
        p.poly({0.22f, 0.5f, 0.36f, 0.62f, 0.26f, 0.88f, 0.12f, 0.66f});
        break;
    case 4:   // gas giant
        p.circle(0.5f, 0.5f, 0.32f);
        p.arc(0.5f, 0.5f, 0.42f, 0.07f, 150, 210);
        p.arc(0.5f, 0.5f, 0.42f, 0.07f, 330, 30);
        break;
    case 5:   // derelict
        ship(p, 0.48f, 0.5f, 1.0f);
        p.set_cut(true);
        p.line(0.4f, 0.1f, 0.6f, 0.9f, 0.08f);
        p.set_cut(false);
        break;
    default:   // anomaly
        p.ring(0.5f, 0.5f, 0.3f, 0.08f);
        p.ring(0.5f, 0.5f, 0.14f, 0.08f);
        p.circle(0.5f, 0.5f, 0.04f);
        break;
    }
}

void rank(Pen &p, int rank) {
    // Ranks 1..6: chevrons, then bars, then stars.
    if (rank <= 3) {
        for (int i = 0; i < rank; ++i) chevron_up(p, 0.2f + 0.22f * static_cast<float>(i), 0.13f);
        return;
    }
    const int stars = rank - 3;
    for (int i = 0; i < stars; ++i) {
        const float cx = stars == 1 ? 0.5f : 0.22f + 0.56f * static_cast<float>(i) / static_cast<float>(stars - 1);
        std::vector<float> pts;
        for (int k = 0; k < 10; ++k) {
            const float a = -PI / 2 + PI * static_cast<float>(k) / 5.0f;
            const float r = (k % 2 == 0) ? 0.2f : 0.08f;
            pts.push_back(cx + std::cos(a) * r);
            pts.push_back(0.42f + std::sin(a) * r);
        }
        p.poly(pts);
    }
    p.rect(0.14f, 0.72f, 0.86f, 0.84f);
}

void star(Pen &p, float cx, float cy, float r) {
    std::vector<float> pts;
    for (int k = 0; k < 10; ++k) {
        const float a = -PI / 2 + PI * static_cast<float>(k) / 5.0f;
        const float rr = (k % 2 == 0) ? r : r * 0.42f;
        pts.push_back(cx + std::cos(a) * rr);
        pts.push_back(cy + std::sin(a) * rr);
    }
    p.poly(pts);
}

}  // namespace

void draw_glyph(Pen &p, Glyph g, int frame, float phase) {
    switch (g) {
    case Glyph::Cross: cross(p, 0.22f, 0.17f); break;
    case Glyph::Check: check(p); break;
    case Glyph::ArrowRight: arrow(p, 0.14f, 0.5f, 0.84f, 0.5f, 0.36f); break;
    case Glyph::ArrowLeft: arrow(p, 0.86f, 0.5f, 0.16f, 0.5f, 0.36f); break;
    case Glyph::ArrowUp: arrow(p, 0.5f, 0.86f, 0.5f, 0.16f, 0.36f); break;
    case Glyph::ArrowDown: arrow(p, 0.5f, 0.14f, 0.5f, 0.84f, 0.36f); break;
    case Glyph::Retreat:
        p.poly({0.5f, 0.2f, 0.2f, 0.5f, 0.5f, 0.8f, 0.5f, 0.64f, 0.36f, 0.5f, 0.5f, 0.36f});
        p.poly({0.82f, 0.2f, 0.52f, 0.5f, 0.82f, 0.8f, 0.82f, 0.64f, 0.68f, 0.5f, 0.82f, 0.36f});
        break;
    case Glyph::Turn:
        p.arc(0.5f, 0.52f, 0.3f, W, 20, 290);
        p.poly({0.66f, 0.06f, 0.9f, 0.3f, 0.6f, 0.4f});
        break;
    case Glyph::Scan:
        p.arc(0.22f, 0.78f, 0.28f, 0.09f, 0, 90);
        p.arc(0.22f, 0.78f, 0.5f, 0.09f, 0, 90);
        p.arc(0.22f, 0.78f, 0.72f, 0.09f, 5, 85);
        p.circle(0.22f, 0.78f, 0.1f);
        break;
    case Glyph::NextTurn:
        p.poly({0.14f, 0.2f, 0.5f, 0.5f, 0.14f, 0.8f});
        p.poly({0.46f, 0.2f, 0.78f, 0.5f, 0.46f, 0.8f});
        p.rect(0.78f, 0.2f, 0.88f, 0.8f);
        break;
    case Glyph::Shield:
    case Glyph::ShieldPlus:
        p.poly({0.5f, 0.08f, 0.86f, 0.2f, 0.8f, 0.6f, 0.5f, 0.92f, 0.2f, 0.6f, 0.14f, 0.2f});
        if (g == Glyph::ShieldPlus) {
            p.set_cut(true);
            p.rect(0.44f, 0.26f, 0.56f, 0.7f);
            p.rect(0.28f, 0.42f, 0.72f, 0.54f);
            p.set_cut(false);
        }
        break;
    case Glyph::Star: star(p, 0.5f, 0.54f, 0.42f); break;
    case Glyph::Flask: flask(p); break;
    case Glyph::Pulse:
        p.line(0.08f, 0.56f, 0.3f, 0.56f, 0.1f);
        p.line(0.3f, 0.56f, 0.42f, 0.2f, 0.1f);
        p.line(0.42f, 0.2f, 0.56f, 0.84f, 0.1f);
        p.line(0.56f, 0.84f, 0.68f, 0.5f, 0.1f);
        p.line(0.68f, 0.5f, 0.92f, 0.5f, 0.1f);
        break;
    case Glyph::Trash:
        p.rect(0.2f, 0.2f, 0.8f, 0.3f);
        p.rect(0.4f, 0.1f, 0.6f, 0.2f);
        p.poly({0.26f, 0.34f, 0.74f, 0.34f, 0.68f, 0.9f, 0.32f, 0.9f});
        p.set_cut(true);
        p.rect(0.38f, 0.42f, 0.44f, 0.8f);
        p.rect(0.56f, 0.42f, 0.62f, 0.8f);
        p.set_cut(false);
        break;
    case Glyph::Hourglass:
        p.poly({0.2f, 0.1f, 0.8f, 0.1f, 0.54f, 0.5f, 0.8f, 0.9f, 0.2f, 0.9f, 0.46f, 0.5f});
        break;
    case Glyph::Transfer:
        arrow(p, 0.12f, 0.34f, 0.86f, 0.34f, 0.26f);
        arrow(p, 0.88f, 0.68f, 0.14f, 0.68f, 0.26f);
        break;
    case Glyph::Hammer:
        p.line(0.28f, 0.84f, 0.62f, 0.44f, 0.14f);
        p.poly({0.4f, 0.3f, 0.66f, 0.08f, 0.92f, 0.36f, 0.7f, 0.58f});
        break;
    case Glyph::Magnifier:
        p.ring(0.42f, 0.42f, 0.24f, 0.12f);
        p.line(0.6f, 0.6f, 0.86f, 0.86f, 0.16f);
        break;
    case Glyph::Crosshair:
        p.ring(0.5f, 0.5f, 0.3f, 0.1f);
        p.line(0.5f, 0.06f, 0.5f, 0.34f, 0.1f);
        p.line(0.5f, 0.66f, 0.5f, 0.94f, 0.1f);
        p.line(0.06f, 0.5f, 0.34f, 0.5f, 0.1f);
        p.line(0.66f, 0.5f, 0.94f, 0.5f, 0.1f);
        p.circle(0.5f, 0.5f, 0.06f);
        break;
    case Glyph::TriLeft: p.poly({0.72f, 0.16f, 0.24f, 0.5f, 0.72f, 0.84f}); break;
    case Glyph::TriRight: p.poly({0.28f, 0.16f, 0.76f, 0.5f, 0.28f, 0.84f}); break;
    case Glyph::TriUp: p.poly({0.16f, 0.72f, 0.5f, 0.24f, 0.84f, 0.72f}); break;
    case Glyph::TriDown: p.poly({0.16f, 0.28f, 0.5f, 0.76f, 0.84f, 0.28f}); break;
    case Glyph::ShipPlus:
        ship(p, 0.42f, 0.56f, 0.9f);
        p.rect(0.72f, 0.08f, 0.8f, 0.4f);
        p.rect(0.6f, 0.2f, 0.92f, 0.28f);
        break;
    case Glyph::Menu:
        p.rect(0.16f, 0.2f, 0.84f, 0.32f);
        p.rect(0.16f, 0.44f, 0.84f, 0.56f);
        p.rect(0.16f, 0.68f, 0.84f, 0.8f);
        break;
    case Glyph::Disk: disk(p, 0.14f, 0.14f, 0.72f); break;
    case Glyph::DiskStack:
        disk(p, 0.08f, 0.08f, 0.58f);
        disk(p, 0.34f, 0.34f, 0.58f);
        break;
    case Glyph::Folder:
        p.poly({0.1f, 0.22f, 0.4f, 0.22f, 0.48f, 0.32f, 0.9f, 0.32f, 0.9f, 0.84f, 0.1f, 0.84f});
        p.set_cut(true);
        p.line(0.5f, 0.74f, 0.5f, 0.48f, 0.09f);
        p.poly({0.36f, 0.54f, 0.5f, 0.4f, 0.64f, 0.54f});
        p.set_cut(false);
        break;
    case Glyph::Gear: gear(p, 0.5f, 0.5f, 0.42f, 8); break;
    case Glyph::House:
        p.poly({0.5f, 0.1f, 0.9f, 0.48f, 0.78f, 0.48f, 0.78f, 0.88f, 0.22f, 0.88f, 0.22f, 0.48f, 0.1f, 0.48f});
        p.set_cut(true);
        p.rect(0.42f, 0.6f, 0.58f, 0.88f);
        p.set_cut(false);
        break;
    case Glyph::Power:
    case Glyph::PowerOff:
    case Glyph::PowerOn:
        p.arc(0.5f, 0.54f, 0.32f, W, 120, 60);
        p.line(0.5f, 0.1f, 0.5f, 0.5f, W);
        if (g == Glyph::PowerOff) p.line(0.12f, 0.88f, 0.88f, 0.12f, 0.08f);
        break;
    case Glyph::MapToggle:
        p.rect(0.12f, 0.16f, 0.88f, 0.84f);
        p.set_cut(true);
        p.rect(0.22f, 0.26f, 0.78f, 0.74f);
        p.set_cut(false);
        p.circle(0.4f, 0.44f, 0.08f);
        p.circle(0.62f, 0.6f, 0.06f);
        break;
    case Glyph::Atom:
        p.circle(0.5f, 0.5f, 0.1f);
        for (int i = 0; i < 3; ++i) {
            const float a = PI * static_cast<float>(i) / 3.0f;
            p.fill(
                [a](float x, float y) {
                    const float dx = x - 0.5f, dy = y - 0.5f;
                    const float u = dx * std::cos(a) + dy * std::sin(a), v = -dx * std::sin(a) + dy * std::cos(a);
                    const float d = (u * u) / (0.42f * 0.42f) + (v * v) / (0.16f * 0.16f);
                    return d <= 1.0f && d >= 0.55f;
                },
                0, 0, 1, 1);
        }
        break;
    case Glyph::Scrap:
        p.poly({0.12f, 0.3f, 0.5f, 0.2f, 0.44f, 0.46f, 0.56f, 0.56f, 0.5f, 0.84f, 0.12f, 0.74f});
        p.poly({0.58f, 0.18f, 0.9f, 0.28f, 0.88f, 0.8f, 0.58f, 0.86f, 0.64f, 0.56f, 0.54f, 0.44f});
        break;
    case Glyph::Graduate:
        p.poly({0.5f, 0.14f, 0.94f, 0.36f, 0.5f, 0.58f, 0.06f, 0.36f});
        p.rect(0.26f, 0.44f, 0.74f, 0.74f);
        p.line(0.86f, 0.4f, 0.86f, 0.78f, 0.06f);
        break;
    case Glyph::Bolt:
    case Glyph::Energy:
        p.poly({0.6f, 0.06f, 0.2f, 0.56f, 0.46f, 0.56f, 0.38f, 0.94f, 0.8f, 0.42f, 0.54f, 0.42f});
        break;
    case Glyph::Stop: {
        std::vector<float> pts;
        for (int k = 0; k < 8; ++k) {
            const float a = PI / 8 + PI * static_cast<float>(k) / 4.0f;
            pts.push_back(0.5f + std::cos(a) * 0.42f);
            pts.push_back(0.5f + std::sin(a) * 0.42f);
        }
        p.poly(pts);
        p.set_cut(true);
        p.rect(0.26f, 0.44f, 0.74f, 0.56f);
        p.set_cut(false);
        break;
    }
    case Glyph::Blueprint:
        p.rect(0.12f, 0.12f, 0.74f, 0.88f);
        p.set_cut(true);
        p.rect(0.2f, 0.2f, 0.66f, 0.8f);
        p.set_cut(false);
        p.line(0.28f, 0.36f, 0.58f, 0.36f, 0.06f);
        p.line(0.28f, 0.52f, 0.5f, 0.52f, 0.06f);
        p.rect(0.72f, 0.5f, 0.82f, 0.92f);
        p.rect(0.56f, 0.66f, 0.98f, 0.76f);
        break;
    case Glyph::Chip:
    case Glyph::Busy:
        p.rect(0.24f, 0.24f, 0.76f, 0.76f);
        for (int i = 0; i < 3; ++i) {
            const float t = 0.32f + 0.18f * static_cast<float>(i);
            p.line(t, 0.08f, t, 0.24f, 0.06f);
            p.line(t, 0.76f, t, 0.92f, 0.06f);
            p.line(0.08f, t, 0.24f, t, 0.06f);
            p.line(0.76f, t, 0.92f, t, 0.06f);
        }
        p.set_cut(true);
        if (g == Glyph::Busy) p.pie(0.5f, 0.5f, 0.18f, 360.0f * phase, 360.0f * phase + 270.0f);
        else p.rect(0.36f, 0.36f, 0.64f, 0.64f);
        p.set_cut(false);
        break;
    case Glyph::Person: person(p, 0.5f, 0.5f, 1.0f); break;
    case Glyph::DashedCircle:
        for (int i = 0; i < 8; ++i) p.arc(0.5f, 0.5f, 0.32f, 0.1f, 45.0f * i + 8, 45.0f * i + 32);
        break;
    case Glyph::News:
        p.rect(0.12f, 0.18f, 0.88f, 0.84f);
        p.set_cut(true);
        p.rect(0.2f, 0.28f, 0.48f, 0.5f);
        p.rect(0.54f, 0.3f, 0.8f, 0.36f);
        p.rect(0.54f, 0.44f, 0.8f, 0.5f);
        p.rect(0.2f, 0.6f, 0.8f, 0.66f);
        p.rect(0.2f, 0.72f, 0.7f, 0.78f);
        p.set_cut(false);
        break;
    case Glyph::Galaxy:
        p.circle(0.5f, 0.5f, 0.12f);
        p.arc(0.5f, 0.5f, 0.24f, 0.09f, 0, 150);
        p.arc(0.5f, 0.5f, 0.24f, 0.09f, 180, 330);
        p.arc(0.5f, 0.5f, 0.38f, 0.08f, 60, 170);
        p.arc(0.5f, 0.5f, 0.38f, 0.08f, 240, 350);
        break;
    case Glyph::ShipList:
        ship(p, 0.3f, 0.5f, 0.7f);
        p.rect(0.56f, 0.24f, 0.9f, 0.32f);
        p.rect(0.56f, 0.46f, 0.9f, 0.54f);
        p.rect(0.56f, 0.68f, 0.9f, 0.76f);
        break;
    case Glyph::Pencil:
        p.poly({0.7f, 0.1f, 0.9f, 0.3f, 0.34f, 0.86f, 0.14f, 0.66f});
        p.poly({0.12f, 0.7f, 0.3f, 0.88f, 0.08f, 0.92f});
        break;
    case Glyph::Coin: {
        // A coin turning about its vertical axis while the phase runs.
        const float squash = std::fabs(std::cos(phase * 2 * PI));
        const float rx = 0.4f * std::max(squash, 0.12f);
        p.fill([rx](float x, float y) { return (x - 0.5f) * (x - 0.5f) / (rx * rx) + (y - 0.5f) * (y - 0.5f) / 0.16f <= 1; },
               0, 0, 1, 1);
        if (squash > 0.5f) {
            p.set_cut(true);
            p.fill(
                [rx](float x, float y) {
                    const float d = (x - 0.5f) * (x - 0.5f) / (rx * rx * 0.5f) + (y - 0.5f) * (y - 0.5f) / 0.08f;
                    return d <= 1.0f && d >= 0.6f;
                },
                0, 0, 1, 1);
            p.set_cut(false);
        }
        break;
    }
    case Glyph::Portrait:
        p.circle(0.5f, 0.36f, 0.2f);
        p.poly({0.12f, 0.98f, 0.2f, 0.66f, 0.36f, 0.58f, 0.64f, 0.58f, 0.8f, 0.66f, 0.88f, 0.98f});
        break;
    case Glyph::Armour:
    case Glyph::HexPlate: {
        std::vector<float> pts;
        for (int k = 0; k < 6; ++k) {
            const float a = PI / 6 + PI * static_cast<float>(k) / 3.0f;
            pts.push_back(0.5f + std::cos(a) * 0.42f);
            pts.push_back(0.5f + std::sin(a) * 0.42f);
        }
        p.poly(pts);
        p.set_cut(true);
        p.ring(0.5f, 0.5f, 0.22f, 0.07f);
        p.set_cut(false);
        break;
    }
    case Glyph::MountRing:
        p.ring(0.5f, 0.5f, 0.32f, 0.18f);
        break;
    case Glyph::Presence:
        p.circle(0.5f, 0.5f, 0.16f);
        p.ring(0.5f, 0.5f, 0.2f + 0.24f * phase, 0.1f);
        break;
    case Glyph::Pip: p.poly({0.5f, 0.06f, 0.94f, 0.5f, 0.5f, 0.94f, 0.06f, 0.5f}); break;
    case Glyph::Eye:
        p.fill([](float x, float y) {
            const float dx = x - 0.5f, dy = y - 0.5f;
            return dx * dx / 0.18f + dy * dy / 0.06f <= 1.0f;
        }, 0, 0, 1, 1);
        p.set_cut(true);
        p.ring(0.5f, 0.5f, 0.16f, 0.06f);
        p.set_cut(false);
        break;
    case Glyph::Swords: swords(p); break;
    case Glyph::SwordsList:
        p.line(0.1f, 0.14f, 0.56f, 0.6f, 0.09f);
        p.line(0.56f, 0.14f, 0.1f, 0.6f, 0.09f);
        p.rect(0.14f, 0.74f, 0.9f, 0.82f);
        p.rect(0.62f, 0.46f, 0.9f, 0.54f);
        break;
    case Glyph::Badge:
        p.poly({0.18f, 0.14f, 0.82f, 0.14f, 0.82f, 0.6f, 0.5f, 0.9f, 0.18f, 0.6f});
        p.set_cut(true);
        star(p, 0.5f, 0.44f, 0.2f);
        p.set_cut(false);
        break;
    case Glyph::Course:
        p.circle(0.2f, 0.8f, 0.1f);
        p.line(0.2f, 0.8f, 0.44f, 0.56f, 0.08f);
        p.line(0.44f, 0.56f, 0.6f, 0.62f, 0.08f);
        p.line(0.6f, 0.62f, 0.74f, 0.36f, 0.08f);
        p.rect(0.72f, 0.1f, 0.78f, 0.46f);
        p.poly({0.78f, 0.1f, 0.96f, 0.18f, 0.78f, 0.26f});
        break;
    case Glyph::Alert:
        if (frame == 2) {
            p.circle(0.5f, 0.5f, 0.42f);
        } else {
            p.poly({0.5f, 0.06f, 0.94f, 0.88f, 0.06f, 0.88f});
        }
        p.set_cut(true);
        p.rect(0.44f, frame == 2 ? 0.22f : 0.32f, 0.56f, 0.6f);
        p.rect(0.44f, 0.68f, 0.56f, 0.78f);
        p.set_cut(false);
        break;
    case Glyph::Clock: {
        p.ring(0.5f, 0.5f, 0.36f, 0.12f);
        const float a = -PI / 2 + 2 * PI * phase;
        p.line(0.5f, 0.5f, 0.5f + std::cos(a) * 0.26f, 0.5f + std::sin(a) * 0.26f, 0.1f);
        p.line(0.5f, 0.5f, 0.66f, 0.5f, 0.1f);
        break;
    }
    case Glyph::Factory:
        p.poly({0.08f, 0.88f, 0.08f, 0.42f, 0.34f, 0.58f, 0.34f, 0.42f, 0.6f, 0.58f, 0.6f, 0.16f, 0.78f, 0.16f, 0.78f,
                0.58f, 0.92f, 0.58f, 0.92f, 0.88f});
        break;
    case Glyph::Crane:
        p.rect(0.2f, 0.14f, 0.3f, 0.88f);
        p.rect(0.1f, 0.14f, 0.9f, 0.22f);
        p.line(0.76f, 0.22f, 0.76f, 0.56f, 0.05f);
        p.rect(0.66f, 0.56f, 0.86f, 0.7f);
        p.rect(0.1f, 0.82f, 0.5f, 0.9f);
        break;
    case Glyph::Crew:
        person(p, 0.34f, 0.5f, 0.75f);
        person(p, 0.66f, 0.56f, 0.75f);
        break;
    case Glyph::Chevron: p.poly({0.2f, 0.14f, 0.62f, 0.5f, 0.2f, 0.86f, 0.42f, 0.86f, 0.84f, 0.5f, 0.42f, 0.14f}); break;
    case Glyph::Trophy:
        p.poly({0.22f, 0.12f, 0.78f, 0.12f, 0.74f, 0.44f, 0.56f, 0.58f, 0.56f, 0.72f, 0.7f, 0.78f, 0.7f, 0.88f, 0.3f,
                0.88f, 0.3f, 0.78f, 0.44f, 0.72f, 0.44f, 0.58f, 0.26f, 0.44f});
        p.arc(0.24f, 0.28f, 0.12f, 0.07f, 90, 270);
        p.arc(0.76f, 0.28f, 0.12f, 0.07f, 270, 90);
        break;
    case Glyph::Flame:
        p.poly({0.5f, 0.06f, 0.72f, 0.36f, 0.8f, 0.62f, 0.66f, 0.88f, 0.34f, 0.88f, 0.2f, 0.62f, 0.32f, 0.4f, 0.42f,
                0.5f});
        p.set_cut(true);
        p.poly({0.5f, 0.46f, 0.6f, 0.66f, 0.5f, 0.8f, 0.4f, 0.66f});
        p.set_cut(false);
        break;
    case Glyph::Socket:
        p.rect(0.14f, 0.14f, 0.86f, 0.86f);
        p.set_cut(true);
        p.rect(0.26f, 0.26f, 0.74f, 0.74f);
        p.set_cut(false);
        p.rect(0.38f, 0.38f, 0.62f, 0.62f);
        break;
    case Glyph::Lock:
    case Glyph::Target:
        p.line(0.1f, 0.1f, 0.34f, 0.1f, 0.09f);
        p.line(0.1f, 0.1f, 0.1f, 0.34f, 0.09f);
        p.line(0.9f, 0.1f, 0.66f, 0.1f, 0.09f);
        p.line(0.9f, 0.1f, 0.9f, 0.34f, 0.09f);
        p.line(0.1f, 0.9f, 0.34f, 0.9f, 0.09f);
        p.line(0.1f, 0.9f, 0.1f, 0.66f, 0.09f);
        p.line(0.9f, 0.9f, 0.66f, 0.9f, 0.09f);
        p.line(0.9f, 0.9f, 0.9f, 0.66f, 0.09f);
        if (g == Glyph::Target) p.ring(0.5f, 0.5f, 0.2f, 0.09f);
        p.circle(0.5f, 0.5f, 0.09f);
        break;
    case Glyph::TextEntry:
        p.rect(0.08f, 0.3f, 0.92f, 0.7f);
        p.set_cut(true);
        p.rect(0.16f, 0.38f, 0.84f, 0.62f);
        p.set_cut(false);
        p.rect(0.26f, 0.44f, 0.32f, 0.56f);
        break;
    case Glyph::Caret: p.rect(0.2f, 0.0f, 0.8f, 1.0f); break;
    case Glyph::Rank: rank(p, frame); break;
    case Glyph::ShipCrew:
        ship(p, 0.36f, 0.42f, 0.8f);
        person(p, 0.72f, 0.64f, 0.55f);
        break;
    case Glyph::BaseCrew:
        station(p, 0.36f, 0.4f, 0.75f);
        person(p, 0.72f, 0.64f, 0.55f);
        break;
    case Glyph::Reassign:
        person(p, 0.36f, 0.5f, 0.8f);
        arrow(p, 0.62f, 0.5f, 0.94f, 0.5f, 0.2f);
        break;
    case Glyph::Wrench:
    case Glyph::GearWrench:
        if (g == Glyph::GearWrench) gear(p, 0.36f, 0.36f, 0.28f, 6);
        p.line(0.3f, 0.72f, 0.7f, 0.32f, 0.14f);
        p.ring(0.74f, 0.26f, 0.13f, 0.1f);
        p.set_cut(true);
        p.rect(0.78f, 0.06f, 0.96f, 0.22f);
        p.set_cut(false);
        p.circle(0.26f, 0.76f, 0.1f);
        break;
    case Glyph::Compass:
        p.ring(0.5f, 0.5f, 0.38f, 0.08f);
        p.poly({0.5f, 0.16f, 0.6f, 0.5f, 0.5f, 0.84f, 0.4f, 0.5f});
        break;
    case Glyph::Pickaxe:
        p.line(0.3f, 0.86f, 0.62f, 0.34f, 0.1f);
        p.arc(0.56f, 0.62f, 0.46f, 0.1f, 50, 130);
        break;
    case Glyph::Cadet: chevron_up(p, 0.32f, 0.16f); break;
    case Glyph::SelectAll:
    case Glyph::ClearSelection:
        for (int i = 0; i < 2; ++i) {
            const float y = 0.16f + 0.4f * static_cast<float>(i);
            p.rect(0.12f, y, 0.4f, y + 0.28f);
            p.set_cut(true);
            p.rect(0.17f, y + 0.05f, 0.35f, y + 0.23f);
            p.set_cut(false);
            if (g == Glyph::SelectAll) p.rect(0.2f, y + 0.08f, 0.32f, y + 0.2f);
            p.rect(0.5f, y + 0.1f, 0.9f, y + 0.18f);
        }
        break;
    case Glyph::NoCommander:
        person(p, 0.5f, 0.5f, 0.9f);
        p.set_cut(true);
        p.line(0.1f, 0.9f, 0.9f, 0.1f, 0.18f);
        p.set_cut(false);
        p.line(0.14f, 0.86f, 0.86f, 0.14f, 0.08f);
        break;
    case Glyph::Sectors:
    case Glyph::Sectors2:
        if (frame == 1 && g == Glyph::Sectors) {   // terminated
            cross(p, 0.2f, 0.16f);
        } else if (frame == 2 && g == Glyph::Sectors) {   // starbase post
            station(p, 0.5f, 0.5f, 1.0f);
        } else {
            p.circle(0.26f, 0.3f, 0.1f);
            p.circle(0.72f, 0.26f, 0.12f);
            p.circle(0.4f, 0.74f, 0.12f);
            p.line(0.26f, 0.3f, 0.72f, 0.26f, 0.05f);
            p.line(0.72f, 0.26f, 0.4f, 0.74f, 0.05f);
            p.line(0.4f, 0.74f, 0.26f, 0.3f, 0.05f);
        }
        break;
    case Glyph::Emblem:
        p.poly({0.5f, 0.08f, 0.9f, 0.3f, 0.9f, 0.7f, 0.5f, 0.92f, 0.1f, 0.7f, 0.1f, 0.3f});
        p.set_cut(true);
        p.poly({0.5f, 0.26f, 0.72f, 0.5f, 0.5f, 0.74f, 0.28f, 0.5f});
        p.set_cut(false);
        break;
    case Glyph::Burst:
        star(p, 0.5f, 0.5f, 0.46f);
        p.set_cut(true);
        p.circle(0.5f, 0.5f, 0.08f);
        p.set_cut(false);
        break;
    case Glyph::Calendar:
        p.rect(0.12f, 0.2f, 0.88f, 0.88f);
        p.set_cut(true);
        p.rect(0.2f, 0.38f, 0.8f, 0.8f);
        p.set_cut(false);
        p.rect(0.28f, 0.1f, 0.36f, 0.28f);
        p.rect(0.64f, 0.1f, 0.72f, 0.28f);
        p.rect(0.28f, 0.46f, 0.42f, 0.58f);
        p.rect(0.58f, 0.62f, 0.72f, 0.74f);
        break;
    case Glyph::Bullet: p.poly({0.5f, 0.1f, 0.9f, 0.5f, 0.5f, 0.9f, 0.1f, 0.5f}); break;
    case Glyph::Weight:
        p.ring(0.5f, 0.24f, 0.14f, 0.08f);
        p.poly({0.24f, 0.36f, 0.76f, 0.36f, 0.9f, 0.88f, 0.1f, 0.88f});
        break;
    case Glyph::Grid:
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                const float x = 0.12f + 0.27f * static_cast<float>(i), y = 0.12f + 0.27f * static_cast<float>(j);
                p.rect(x, y, x + 0.2f, y + 0.2f);
            }
        break;
    case Glyph::StationBroken:
        station(p, 0.5f, 0.5f, 1.0f);
        p.set_cut(true);
        p.poly({0.54f, 0.0f, 0.66f, 0.0f, 0.5f, 0.5f, 0.62f, 1.0f, 0.48f, 1.0f, 0.38f, 0.5f});
        p.set_cut(false);
        break;
    case Glyph::Swap:
        arrow(p, 0.14f, 0.3f, 0.8f, 0.3f, 0.24f);
        arrow(p, 0.86f, 0.7f, 0.2f, 0.7f, 0.24f);
        p.circle(0.5f, 0.5f, 0.08f);
        break;
    case Glyph::Sliders:
        for (int i = 0; i < 3; ++i) {
            const float x = 0.22f + 0.28f * static_cast<float>(i);
            p.line(x, 0.12f, x, 0.88f, 0.06f);
            const float y = 0.3f + 0.2f * static_cast<float>((i * 2) % 3);
            p.rect(x - 0.1f, y - 0.07f, x + 0.1f, y + 0.07f);
        }
        break;
    case Glyph::Ok:
        check(p);
        break;
    case Glyph::Gauge:
        p.arc(0.5f, 0.62f, 0.36f, 0.12f, 0, 180);
        p.line(0.5f, 0.62f, 0.74f, 0.3f, 0.08f);
        p.circle(0.5f, 0.62f, 0.08f);
        break;
    case Glyph::EncounterMarker:
        swords(p);
        p.arc(0.5f, 0.5f, 0.38f + 0.08f * std::sin(phase * 2 * PI), 0.06f, 0, 360);
        break;
    case Glyph::Gather:
        arrow(p, 0.08f, 0.08f, 0.4f, 0.4f, 0.2f);
        arrow(p, 0.92f, 0.08f, 0.6f, 0.4f, 0.2f);
        arrow(p, 0.5f, 0.96f, 0.5f, 0.62f, 0.2f);
        break;
    case Glyph::Lifebuoy:
        p.ring(0.5f, 0.5f, 0.3f, 0.18f);
        p.set_cut(true);
        for (int k = 0; k < 4; ++k) p.arc(0.5f, 0.5f, 0.3f, 0.2f, 90.0f * k + 35, 90.0f * k + 55);
        p.set_cut(false);
        break;
    case Glyph::Pass:
        p.poly({0.1f, 0.2f, 0.46f, 0.5f, 0.1f, 0.8f});
        p.poly({0.5f, 0.2f, 0.86f, 0.5f, 0.5f, 0.8f});
        break;
    case Glyph::StopSquare: p.rect(0.22f, 0.22f, 0.78f, 0.78f); break;
    case Glyph::Countdown:
        p.ring(0.5f, 0.5f, 0.38f, 0.08f);
        p.pie(0.5f, 0.5f, 0.3f, 90.0f, 90.0f + 360.0f * (1.0f - phase) + 0.01f);
        break;
    case Glyph::Lost:
        ship(p, 0.5f, 0.5f, 1.0f);
        p.set_cut(true);
        cross(p, 0.3f, 0.1f);
        p.set_cut(false);
        break;
    case Glyph::Gift:
        p.rect(0.14f, 0.4f, 0.86f, 0.88f);
        p.rect(0.1f, 0.3f, 0.9f, 0.42f);
        p.set_cut(true);
        p.rect(0.45f, 0.3f, 0.55f, 0.88f);
        p.set_cut(false);
        p.ring(0.38f, 0.2f, 0.09f, 0.06f);
        p.ring(0.62f, 0.2f, 0.09f, 0.06f);
        break;
    case Glyph::Tally:
        p.line(0.36f, 0.1f, 0.28f, 0.9f, 0.1f);
        p.line(0.7f, 0.1f, 0.62f, 0.9f, 0.1f);
        p.line(0.1f, 0.34f, 0.9f, 0.34f, 0.1f);
        p.line(0.1f, 0.66f, 0.9f, 0.66f, 0.1f);
        break;
    case Glyph::Info:
        p.circle(0.5f, 0.2f, 0.1f);
        p.rect(0.42f, 0.38f, 0.58f, 0.86f);
        p.rect(0.32f, 0.38f, 0.58f, 0.46f);
        p.rect(0.32f, 0.8f, 0.68f, 0.88f);
        break;
    case Glyph::Steps:
        p.poly({0.12f, 0.2f, 0.4f, 0.5f, 0.12f, 0.8f, 0.28f, 0.8f, 0.56f, 0.5f, 0.28f, 0.2f});
        p.poly({0.46f, 0.2f, 0.74f, 0.5f, 0.46f, 0.8f, 0.62f, 0.8f, 0.9f, 0.5f, 0.62f, 0.2f});
        break;
    case Glyph::Expand:
        p.rect(0.14f, 0.42f, 0.86f, 0.58f);
        p.rect(0.42f, 0.14f, 0.58f, 0.86f);
        break;
    case Glyph::Collapse: p.rect(0.14f, 0.42f, 0.86f, 0.58f); break;
    case Glyph::Help:
        p.arc(0.5f, 0.34f, 0.22f, 0.14f, 330, 180);
        p.line(0.64f, 0.48f, 0.5f, 0.6f, 0.14f);
        p.rect(0.43f, 0.58f, 0.57f, 0.68f);
        p.circle(0.5f, 0.84f, 0.08f);
        break;
    case Glyph::Construct:
        station(p, 0.42f, 0.58f, 0.8f);
        p.rect(0.74f, 0.06f, 0.82f, 0.38f);
        p.rect(0.62f, 0.18f, 0.94f, 0.26f);
        break;
    case Glyph::Harvester:
        p.rect(0.12f, 0.36f, 0.56f, 0.7f);
        p.circle(0.24f, 0.76f, 0.1f);
        p.circle(0.46f, 0.76f, 0.1f);
        arrow(p, 0.58f, 0.5f, 0.94f, 0.5f, 0.2f);
        break;
    case Glyph::Hull:
    case Glyph::Ship: ship(p, 0.52f, 0.5f, 1.05f); break;
    case Glyph::Book:
        p.poly({0.08f, 0.2f, 0.46f, 0.28f, 0.46f, 0.88f, 0.08f, 0.8f});
        p.poly({0.54f, 0.28f, 0.92f, 0.2f, 0.92f, 0.8f, 0.54f, 0.88f});
        break;
    case Glyph::TurnCost:
        p.arc(0.5f, 0.52f, 0.3f, 0.12f, 30, 300);
        p.poly({0.7f, 0.1f, 0.92f, 0.34f, 0.62f, 0.4f});
        p.circle(0.5f, 0.52f, 0.08f);
        break;
    case Glyph::Pause:
        p.rect(0.24f, 0.18f, 0.42f, 0.82f);
        p.rect(0.58f, 0.18f, 0.76f, 0.82f);
        break;
    case Glyph::AbortRetreat:
        p.poly({0.5f, 0.2f, 0.2f, 0.5f, 0.5f, 0.8f, 0.5f, 0.64f, 0.36f, 0.5f, 0.5f, 0.36f});
        cross(p, 0.52f, 0.1f);
        p.line(0.56f, 0.2f, 0.92f, 0.8f, 0.12f);
        p.line(0.92f, 0.2f, 0.56f, 0.8f, 0.12f);
        break;
    case Glyph::Fleet:
        ship(p, 0.36f, 0.28f, 0.6f);
        ship(p, 0.66f, 0.5f, 0.6f);
        ship(p, 0.36f, 0.72f, 0.6f);
        break;
    case Glyph::Crate: crate(p, true); break;
    case Glyph::CrateEmpty: crate(p, false); break;
    case Glyph::Barrier:
        p.rect(0.08f, 0.36f, 0.92f, 0.6f);
        p.set_cut(true);
        p.poly({0.2f, 0.36f, 0.32f, 0.36f, 0.22f, 0.6f, 0.1f, 0.6f});
        p.poly({0.5f, 0.36f, 0.62f, 0.36f, 0.52f, 0.6f, 0.4f, 0.6f});
        p.poly({0.8f, 0.36f, 0.92f, 0.36f, 0.82f, 0.6f, 0.7f, 0.6f});
        p.set_cut(false);
        p.rect(0.16f, 0.6f, 0.24f, 0.9f);
        p.rect(0.76f, 0.6f, 0.84f, 0.9f);
        break;
    case Glyph::Upgrade:
        p.poly({0.5f, 0.08f, 0.88f, 0.5f, 0.64f, 0.5f, 0.64f, 0.9f, 0.36f, 0.9f, 0.36f, 0.5f, 0.12f, 0.5f});
        break;
    case Glyph::BoostBolt:
        p.poly({0.56f, 0.06f, 0.2f, 0.56f, 0.44f, 0.56f, 0.36f, 0.94f, 0.74f, 0.42f, 0.5f, 0.42f});
        p.poly({0.8f, 0.14f, 0.96f, 0.34f, 0.64f, 0.34f});
        break;
    case Glyph::Warp:
        p.arc(0.5f, 0.5f, 0.38f, 0.08f, 0, 270);
        p.arc(0.5f, 0.5f, 0.24f, 0.08f, 90, 360);
        p.circle(0.5f, 0.5f, 0.09f);
        break;
    case Glyph::FlagStation:
        station(p, 0.4f, 0.6f, 0.75f);
        p.rect(0.7f, 0.08f, 0.76f, 0.5f);
        p.poly({0.76f, 0.08f, 0.96f, 0.18f, 0.76f, 0.28f});
        break;
    case Glyph::FlaskPause:
        flask(p);
        p.set_cut(true);
        p.rect(0.36f, 0.56f, 0.46f, 0.8f);
        p.rect(0.54f, 0.56f, 0.64f, 0.8f);
        p.set_cut(false);
        break;
    case Glyph::FeatureAsteroid: feature(p, frame); break;
    case Glyph::ArcSide: {
        // The ship seen from above, nose up; the side of the frame (Fore, Port, Aft, Starboard) lit.
        p.poly({0.5f, 0.18f, 0.66f, 0.7f, 0.5f, 0.62f, 0.34f, 0.7f});
        const float start[4] = {45, 135, 225, 315};
        p.arc(0.5f, 0.5f, 0.42f, 0.1f, start[frame & 3], start[frame & 3] + 90);
        break;
    }
    case Glyph::Flag:
        p.rect(0.2f, 0.1f, 0.28f, 0.9f);
        p.poly({0.28f, 0.12f, 0.86f, 0.3f, 0.28f, 0.5f});
        break;
    case Glyph::SystemWeapon:
        p.rect(0.1f, 0.42f, 0.7f, 0.58f);
        p.rect(0.1f, 0.3f, 0.32f, 0.7f);
        p.circle(0.82f, 0.5f, 0.1f);
        break;
    case Glyph::SystemBeam:
        p.circle(0.22f, 0.5f, 0.16f);
        p.poly({0.3f, 0.44f, 0.94f, 0.48f, 0.94f, 0.52f, 0.3f, 0.56f});
        break;
    case Glyph::SystemMissile:
        p.poly({0.9f, 0.5f, 0.66f, 0.36f, 0.2f, 0.36f, 0.1f, 0.22f, 0.1f, 0.78f, 0.2f, 0.64f, 0.66f, 0.64f});
        break;
    case Glyph::SystemEngine:
        p.rect(0.12f, 0.3f, 0.5f, 0.7f);
        p.poly({0.5f, 0.3f, 0.92f, 0.16f, 0.92f, 0.84f, 0.5f, 0.7f});
        break;
    case Glyph::SystemScanner:
        p.arc(0.5f, 0.6f, 0.36f, 0.1f, 20, 160);
        p.arc(0.5f, 0.6f, 0.2f, 0.1f, 20, 160);
        p.circle(0.5f, 0.62f, 0.08f);
        p.rect(0.46f, 0.62f, 0.54f, 0.9f);
        break;
    case Glyph::SystemShield: p.arc(0.5f, 0.5f, 0.34f, 0.16f, 30, 330); break;
    case Glyph::SystemArmour:
        p.rect(0.12f, 0.12f, 0.88f, 0.88f);
        p.set_cut(true);
        p.rect(0.12f, 0.46f, 0.88f, 0.54f);
        p.rect(0.46f, 0.12f, 0.54f, 0.88f);
        p.set_cut(false);
        break;
    case Glyph::SystemCloak:
        p.ring(0.5f, 0.5f, 0.34f, 0.08f);
        p.set_cut(true);
        for (int k = 0; k < 6; ++k) p.arc(0.5f, 0.5f, 0.34f, 0.1f, 60.0f * k, 60.0f * k + 25);
        p.set_cut(false);
        p.circle(0.5f, 0.5f, 0.14f);
        break;
    case Glyph::SystemRepair:
        p.rect(0.4f, 0.12f, 0.6f, 0.88f);
        p.rect(0.12f, 0.4f, 0.88f, 0.6f);
        break;
    case Glyph::SystemCargo:
        p.rect(0.12f, 0.2f, 0.88f, 0.8f);
        p.set_cut(true);
        p.rect(0.2f, 0.3f, 0.46f, 0.7f);
        p.rect(0.54f, 0.3f, 0.8f, 0.7f);
        p.set_cut(false);
        break;
    case Glyph::TechCircuit:
        p.line(0.14f, 0.2f, 0.5f, 0.2f, 0.07f);
        p.line(0.5f, 0.2f, 0.5f, 0.8f, 0.07f);
        p.line(0.5f, 0.5f, 0.86f, 0.5f, 0.07f);
        p.circle(0.14f, 0.2f, 0.1f);
        p.circle(0.86f, 0.5f, 0.1f);
        p.circle(0.5f, 0.8f, 0.1f);
        break;
    case Glyph::TechHelix:
        for (int i = 0; i < 7; ++i) {
            const float y = 0.12f + 0.12f * static_cast<float>(i);
            const float dx = 0.28f * std::sin(static_cast<float>(i) * 0.9f);
            p.line(0.5f - dx, y, 0.5f + dx, y, 0.06f);
            p.circle(0.5f - dx, y, 0.06f);
            p.circle(0.5f + dx, y, 0.06f);
        }
        break;
    case Glyph::TechPrism:
        p.poly({0.5f, 0.1f, 0.86f, 0.82f, 0.14f, 0.82f});
        p.set_cut(true);
        p.poly({0.5f, 0.36f, 0.66f, 0.7f, 0.34f, 0.7f});
        p.set_cut(false);
        break;
    case Glyph::TechOrbit:
        p.circle(0.5f, 0.5f, 0.16f);
        p.ring(0.5f, 0.5f, 0.34f, 0.05f);
        p.circle(0.84f, 0.5f, 0.08f);
        break;
    case Glyph::TechLattice:
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                p.circle(0.2f + 0.3f * static_cast<float>(i), 0.2f + 0.3f * static_cast<float>(j), 0.08f);
        p.line(0.2f, 0.2f, 0.8f, 0.8f, 0.05f);
        p.line(0.8f, 0.2f, 0.2f, 0.8f, 0.05f);
        p.line(0.2f, 0.5f, 0.8f, 0.5f, 0.05f);
        break;
    case Glyph::Neutral:
        p.rrect(0.2f, 0.2f, 0.8f, 0.8f, 0.12f);
        p.set_cut(true);
        p.rrect(0.32f, 0.32f, 0.68f, 0.68f, 0.06f);
        p.set_cut(false);
        break;
    case Glyph::Unknown:
    default:
        p.poly({0.5f, 0.06f, 0.94f, 0.5f, 0.5f, 0.94f, 0.06f, 0.5f});
        p.set_cut(true);
        p.arc(0.5f, 0.4f, 0.13f, 0.08f, 330, 180);
        p.rect(0.46f, 0.48f, 0.54f, 0.6f);
        p.rect(0.46f, 0.66f, 0.54f, 0.74f);
        p.set_cut(false);
        break;
    }
}
