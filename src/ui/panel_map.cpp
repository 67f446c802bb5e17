// The map of the panel's controls.
#include "ui/panel_map.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/files.h"

namespace {

// The controls' boxes this frame and as last written.
std::string g_map, g_map_written;

}  // namespace

void panel_map_begin() {
    g_map.clear();
}

void panel_map_add(const char* label, float x0, float y0, float x1, float y1) {
    char line[200];
    std::snprintf(line, sizeof line, "%s\t%.0f %.0f %.0f %.0f\n", label, x0, y0, x1, y1);
    g_map += line;
}

void write_panel_map_if_asked() {
    static const char* path = std::getenv("KELVARO_PANEL_MAP");
    if (!path || g_map == g_map_written) return;
    AtomicFileWriter out(path);
    out.write(g_map.data(), g_map.size());
    if (out.commit()) g_map_written = g_map;
}
