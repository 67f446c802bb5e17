// The genome editor's model: check as typed, Apply, Save, Revert.
#include "ui/genome_editor.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "app/files.h"
#include "view/designer_keys.h"

namespace {

// The file's identity and age, to notice a change made by someone else.
struct Stamp {
    long long mtime_ns = -1, size = -1, inode = -1;
    bool operator==(const Stamp&) const = default;
};
Stamp g_stamp;         // as the editor last read or wrote the file
double g_looked = -1;  // when the disk was last looked at

Stamp stamp_of(const char* path) {
    struct stat st;
    if (stat(path, &st) != 0) return {};
    return {st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec, st.st_size,
            (long long)st.st_ino};
}

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
    g_stamp = stamp_of(kGenomeFile);
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
    g_stamp = stamp_of(kGenomeFile);
    forget_genome_changes();  // F8 must not reload what the editor itself wrote
    std::snprintf(e.status, sizeof e.status, "Saved %zu bytes to %s", e.text.size(), path.c_str());
    return true;
}

void editor_watch_disk(GenomeEditor& e, double now_s) {
    if (!e.loaded || now_s - g_looked < 0.5) return;
    g_looked = now_s;
    if (!(stamp_of(kGenomeFile) == g_stamp)) e.changed_on_disk = true;
}
