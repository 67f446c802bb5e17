// kelvaro-batch's --lineage and --events: the per-cell history at the end and
// every division and type change as it happens.
#pragma once

#include <cstdio>
#include <memory>

#include "batch.h"
#include "sim/history.h"

// The two files of one run. The events file is created before the first
// frame and filled through the atomic writer's buffer, so a run stopped early
// still finishes it whole.
class HistoryFiles {
   public:
    // Creates the events file (its header written) when --events asks; false
    // with the message printed when it cannot be created.
    bool open(const BatchOptions& o, std::FILE* err);
    // Writes --lineage and finishes --events; returns `status`, or
    // kExitOutput with the message printed when either failed.
    int finish(const BatchOptions& o, std::FILE* err, int status);
    // Stops receiving events; an unfinished events file is removed.
    ~HistoryFiles();

   private:
    static void receive(void* self, const HistoryEvent& e);
    std::unique_ptr<AtomicFileWriter> events_;
};

// One row per live cell in table order: cell, parent, born_frame, generation,
// type, type_frame, type_gene, previous_type.
bool save_lineage_to(const char* path);
