// F5 and F9: the view fills the checkpoint's view section and applies it back.
#include "view/checkpoint_requests.h"

#include <cstdio>

#include "app/checkpoint.h"
#include "view/camera.h"
#include "view/flags.h"

BOOLEAN checkpoint_save_wanted = 0;
BOOLEAN checkpoint_load_wanted = 0;

namespace {

char g_status[224] = "";

CheckpointView view_now() {
    CheckpointView v;
    v.present = true;
    v.type_one_shown = k_l != 0;
    v.axes_shown = show_map != 0;
    v.isolate = move_file;
    v.show_len = show_len;
    const float cam[5] = {camera.x, camera.y, camera.z, camera.Xrot, camera.Zrot};
    for (int k = 0; k < 5; ++k) v.camera[k] = cam[k];
    for (int t = 0; t <= kTypes; ++t)
        if (hidden_type[t]) v.hidden[t / 8] |= std::uint8_t(1u << (t % 8));
    return v;
}

// A checkpoint without a view section (one kelvaro-batch wrote) keeps the view.
void apply_view(const CheckpointView& v) {
    if (!v.present) return;
    k_l = v.type_one_shown;
    show_map = v.axes_shown;
    move_file = v.isolate;
    show_len = v.show_len;
    camera = {v.camera[0], v.camera[1], v.camera[2], v.camera[3], v.camera[4]};
    for (int t = 0; t <= kTypes; ++t) hidden_type[t] = (v.hidden[t / 8] >> (t % 8)) & 1;
}

}  // namespace

void serve_checkpoint_requests(long& frame) {
    if (checkpoint_save_wanted) {
        checkpoint_save_wanted = 0;
        if (save_checkpoint(kCheckpointFile, frame, view_now()))
            std::snprintf(g_status, sizeof g_status, "F5: saved %s at frame %ld", kCheckpointFile,
                          frame);
        else
            std::snprintf(g_status, sizeof g_status, "F5: cannot write %s", kCheckpointFile);
    }
    if (checkpoint_load_wanted) {
        checkpoint_load_wanted = 0;
        const CheckpointLoad r = load_checkpoint(kCheckpointFile);
        if (r.ok) {
            frame = long(r.frame);
            apply_view(r.view);
            std::snprintf(g_status, sizeof g_status, "F9: loaded %s, frame %ld", kCheckpointFile,
                          frame);
        } else {
            std::snprintf(g_status, sizeof g_status, "F9: %s refused: %s", kCheckpointFile,
                          r.reason);
        }
    }
}

const char* checkpoint_status() {
    return g_status;
}
