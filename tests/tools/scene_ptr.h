#pragma once
// A scene the test owns.
#include <memory>
#include "ui/scene.h"

struct SceneDel {
    void operator()(Scene *s) const { scene_free(s); }
};
using ScenePtr = std::unique_ptr<Scene, SceneDel>;
