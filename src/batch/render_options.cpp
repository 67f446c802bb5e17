// The picture options of kelvaro-batch: sizes, the camera and how the options
// go together. The same checks in every build, so that a build without
// rendering refuses a picture option with one clear line.
#include "render.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace {

constexpr int kMinSide = 16, kMaxSide = 8192;  // what a pbuffer of any driver takes

bool whole(std::string_view text, int lo, int hi, int& out) {
    int v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool parse_size(const std::string& text, BatchOptions& o, std::string& error) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos ||
        !whole(std::string_view(text).substr(0, x), kMinSide, kMaxSide, o.render_width) ||
        !whole(std::string_view(text).substr(x + 1), kMinSide, kMaxSide, o.render_height)) {
        error = "--render-size: '" + text + "' is not WIDTHxHEIGHT with each side from " +
                std::to_string(kMinSide) + " to " + std::to_string(kMaxSide);
        return false;
    }
    return true;
}

// "auto" or five finite decimal numbers separated by commas.
bool parse_camera(const std::string& text, BatchOptions& o, std::string& error) {
    if (text == "auto") {
        o.camera_auto = true;
        return true;
    }
    std::string_view rest(text);
    for (int k = 0; k < 5; ++k) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        float v = 0;
        const auto r = std::from_chars(item.data(), item.data() + item.size(), v);
        const bool last = k == 4;
        if (r.ec != std::errc() || r.ptr != item.data() + item.size() || !std::isfinite(v) ||
            last != (comma == std::string_view::npos)) {
            error = "--camera: '" + text + "' is not X,Y,Z,XROT,ZROT (five numbers) or auto";
            return false;
        }
        o.camera[k] = v;
        if (!last) rest.remove_prefix(comma + 1);
    }
    o.camera_given = true;
    return true;
}

// "C": a signal channel, 0..19.
bool parse_heat(const std::string& text, BatchOptions& o, std::string& error) {
    if (whole(text, 0, kChannels - 1, o.heat_channel)) return true;
    error =
        "--heat: '" + text + "' is not a signal channel from 0 to " + std::to_string(kChannels - 1);
    return false;
}

// "AXIS:FROM[:THICKNESS]": x, y or z, the first layer and the layers, as the
// window's slice keys set them (thickness 1 unless given).
bool parse_slice(const std::string& text, BatchOptions& o, std::string& error) {
    const std::string_view t(text);
    const std::size_t colon = t.find(':', 2);
    const std::size_t axis = std::string_view("xyz").find(t.substr(0, 1));
    bool ok = t.size() > 2 && t[1] == ':' && axis != std::string_view::npos;
    ok = ok && whole(t.substr(2, colon == std::string_view::npos ? t.npos : colon - 2),
                     kInteriorMin, kInteriorMax, o.slice_first);
    o.slice_thickness = 1;
    if (ok && colon != std::string_view::npos)
        ok = whole(t.substr(colon + 1), 1, kInteriorMax, o.slice_thickness);
    if (!ok) {
        error = "--slice: '" + text + "' is not AXIS:FROM[:THICKNESS] (AXIS x, y or z; FROM " +
                std::to_string(kInteriorMin) + " to " + std::to_string(kInteriorMax) +
                "; THICKNESS 1 or more)";
        return false;
    }
    o.slice_axis = int(axis) + 1;
    return true;
}

// --hide-types: a comma-separated list of types 0..99.
bool parse_hidden(const std::string& text, BatchOptions& o, std::string& error) {
    std::size_t at = 0;
    for (;;) {
        const std::size_t comma = text.find(',', at);
        int t = 0;
        if (!whole(text.substr(at, comma - at), 0, kTypes - 1, t)) {
            error = "--hide-types: '" + text + "' is not a list of types from 0 to 99 (as 1,5)";
            return false;
        }
        o.hidden[t] = true;
        if (comma == std::string::npos) return true;
        at = comma + 1;
    }
}

// The option that sets how pictures look, when one is given.
const char* first_look_option(const BatchOptions& o) {
    if (!o.render_size.empty()) return "--render-size";
    if (!o.camera_text.empty()) return "--camera";
    if (o.axes) return "--axes";
    if (o.show_len_given && o.html.empty()) return "--show-len";
    if (o.stamp) return "--stamp";
    if (!o.heat.empty()) return "--heat";
    if (!o.slice.empty()) return "--slice";
    if (!o.hide_types.empty() && o.html.empty()) return "--hide-types";
    return nullptr;
}

}  // namespace

bool check_render_options(BatchOptions& o, std::string& error) {
    if (!o.movie.empty() && o.render_every == 0) o.render_every = 1;
    if (o.render_every > 0 && o.render_dir.empty() && o.movie.empty()) {
        error = "--render-every needs --render-dir or --movie";
        return false;
    }
    if (!o.render_dir.empty() && o.render_every == 0) {
        error = "--render-dir needs --render-every";
        return false;
    }
    if (const char* look = first_look_option(o); look && o.render_every == 0) {
        error = std::string(look) + " sets how pictures look: add --render-dir or --movie";
        return false;
    }
    if (o.render_every > 0 && !rendering_built()) {
        error = std::string(o.movie.empty() ? "--render-dir" : "--movie") +
                ": this kelvaro-batch was built without pictures (KELVARO_RENDER off, or "
                "OpenGL and EGL missing when it was built)";
        return false;
    }
    return parse_picture_look(o, error);
}

bool parse_picture_look(BatchOptions& o, std::string& error) {
    if (!o.render_size.empty() && !parse_size(o.render_size, o, error)) return false;
    if (!o.camera_text.empty() && !parse_camera(o.camera_text, o, error)) return false;
    if (!o.heat.empty() && !parse_heat(o.heat, o, error)) return false;
    if (!o.slice.empty() && !parse_slice(o.slice, o, error)) return false;
    if (!o.hide_types.empty() && !parse_hidden(o.hide_types, o, error)) return false;
    return true;
}
