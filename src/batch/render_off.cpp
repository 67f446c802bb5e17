// kelvaro-batch built without OpenGL and EGL: no pictures. The option check
// refuses every picture option before a run starts, so these never draw.
#include "render.h"

bool rendering_built() {
    return false;
}

struct BatchRenderer::State {};

BatchRenderer::BatchRenderer() = default;
BatchRenderer::~BatchRenderer() = default;

int BatchRenderer::open(const BatchOptions& o) {
    return wants_pictures(o) ? kExitUsage : kExitOk;
}

int BatchRenderer::frame(int) {
    return kExitOk;
}

int BatchRenderer::draw(int) {
    return kExitUsage;
}

const std::uint8_t* BatchRenderer::pixels() const {
    return nullptr;
}

int BatchRenderer::close() {
    return kExitOk;
}

const char* BatchRenderer::error() const {
    return "this kelvaro-batch was built without rendering";
}
