// The genome editor's model: the text of dna.vdna as the user edits it, the
// genome check's findings for that text, and Apply, Save and Revert. No GUI
// here: the panel shows it, the tests drive it. Main thread only.
#pragma once

#include <string>

#include "app/file_watch.h"
#include "app/genome_check.h"

// The editor's state.
struct GenomeEditor {
    std::string text;              // the text being edited
    std::string saved;             // the text as last read from or written to the file
    GenomeCheck check;             // the check of `text`, as a fresh program loads it
    bool loaded = false;           // the file was read once (the panel reads it when first shown)
    bool changed_on_disk = false;  // the file changed since it was read or written
    char status[256] = "";         // the last Apply, Save or Revert: what it did or why it failed
    FileWatch watch;               // dna.vdna (or its link's target), from the first read on
    // There are edits not yet saved.
    bool dirty() const { return text != saved; }
};

// The one editor of the window.
GenomeEditor& genome_editor();
// Checks the text again; call after every edit.
void editor_text_changed(GenomeEditor& e);
// Reads dna.vdna into the editor, dropping the edits. False when it cannot be
// read (missing files read as empty), with the reason in the status.
bool editor_revert(GenomeEditor& e);
// Loads the text as the genome in force, as a freshly started program would
// load it (F8's reload of a change), and writes the dump. `frame` is for the
// status line.
void editor_apply(GenomeEditor& e, long frame);
// Writes the text to dna.vdna (to the target of a symbolic link) through the
// atomic writer. With F8 on, the program's own save reloads nothing.
bool editor_save(GenomeEditor& e);
// Looks whether dna.vdna changed on disk since the editor read or wrote it;
// cheap enough for every frame (one read of an empty event queue).
void editor_watch_disk(GenomeEditor& e);
