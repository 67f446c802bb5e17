// The genome editor's model: check as typed, Apply, Save, Revert.
#include "ui/genome_editor.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "app/files.h"
#include "view/designer_requests.h"

namespace {

// Where a save goes: the target of a symbolic link, so the link stays a link.
std::string save_path() {
    char resolved[PATH_MAX];
    if (realpath(kGenomeFile, resolved)) return resolved;
    return kGenomeFile;
}

}  // namespace

GenomeEditor& genome_editor() {
    static GenomeEditor e;
    return e;
}

void editor_text_changed(GenomeEditor& e) {
    check_genome(GenomeInput{nullptr, e.text.data(), e.text.size()}, e.check);
}

bool editor_revert(GenomeEditor& e) {
    e.loaded = true;
    e.changed_on_disk = false;
    e.watch.follow(kGenomeFile);  // from now on; where it cannot, no change is reported
    std::string text;
    FileReader in(kGenomeFile);
    if (in.opened()) {
        for (int c; (c = in.get()) >= 0;) text.push_back(char(c));
    }
    if (in.opened() && (in.failed() || text.find('\0') != std::string::npos)) {
        std::snprintf(e.status, sizeof e.status, "Revert: %s %s; the editor keeps its text",
                      kGenomeFile, in.failed() ? "cannot be read" : "is binary data (a NUL byte)");
        return false;
    }
    e.text = e.saved = text;
    editor_text_changed(e);
    std::snprintf(e.status, sizeof e.status, in.opened() ? "Read %s" : "%s is missing: empty",
                  kGenomeFile);
    return true;
}

void editor_apply(GenomeEditor& e, long frame) {
    reload_genome_if_readable(GenomeInput{nullptr, e.text.data(), e.text.size()}, GenomeBase::Start,
                              kGenomeDump);
    note_genome_load("Apply", frame);
    std::snprintf(e.status, sizeof e.status, "%s", genome_status());
}

bool editor_save(GenomeEditor& e) {
    const std::string path = save_path();
    AtomicFileWriter out(path.c_str());
    out.write(e.text.data(), e.text.size());
    errno = 0;
    if (!out.commit()) {
        std::snprintf(e.status, sizeof e.status, "Save: cannot write %s: %s", path.c_str(),
                      std::strerror(errno ? errno : EIO));
        return false;
    }
    e.saved = e.text;
    e.changed_on_disk = false;
    e.watch.take();           // the editor's own save is no change on disk
    forget_genome_changes();  // F8 must not reload what the editor itself wrote
    std::snprintf(e.status, sizeof e.status, "Saved %zu bytes to %s", e.text.size(), path.c_str());
    return true;
}

void editor_watch_disk(GenomeEditor& e) {
    if (e.loaded && e.watch.take() != FileChange::None) e.changed_on_disk = true;
}
