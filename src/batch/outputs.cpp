// The outputs of a run: the per-frame counts (CSV), the VTK view of a colony,
// and the probes and writes of the files named on the command line. All go
// through AtomicFileWriter, so a failed or interrupted write never leaves a
// partial file under the final name.
#include "outputs.h"

#include <cassert>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

void StatsTable::FreeDeleter::operator()(void* p) const {
    std::free(p);
}

bool StatsTable::allocate(int frames, int first) {
    assert(frames >= 0 && frames < INT32_MAX);
    first_ = first;
    const std::size_t rows = std::size_t(frames) + 1;
    // calloc: a large zeroed block comes straight from the kernel, so rows that
    // a short run never reaches cost no memory.
    counts_.reset(static_cast<std::int32_t*>(std::calloc(rows * kColumns, sizeof(std::int32_t))));
    cells_.reset(static_cast<std::int32_t*>(std::calloc(rows, sizeof(std::int32_t))));
    elapsed_.reset(static_cast<double*>(std::calloc(rows, sizeof(double))));
    rows_ = 0;
    capacity_ = (counts_ && cells_ && elapsed_) ? int(rows) : 0;
    return capacity_ > 0;
}

void StatsTable::record(int frame, double elapsed_ms) {
    assert(frame == first_ + rows_ && rows_ < capacity_);
    (void)frame;
    std::int32_t* row = counts_.get() + std::size_t(rows_) * kColumns;
    const int n = Cells_count;
    for (int i = 0; i < n; ++i) {
        const std::int32_t t = Cells[i].type;
        ++row[t >= 0 && t < kTypes ? t : kTypes];
    }
    cells_.get()[rows_] = n;
    elapsed_.get()[rows_] = elapsed_ms;
    ++rows_;
}

bool StatsTable::write(const char* path) const {
    // A column for every type that any frame holds, so every row has the same
    // columns and a type that dies out still reads 0 afterwards.
    bool present[kColumns] = {};
    for (int f = 0; f < rows_; ++f) {
        const std::int32_t* row = counts_.get() + std::size_t(f) * kColumns;
        for (int c = 0; c < kColumns; ++c) present[c] |= row[c] != 0;
    }

    AtomicFileWriter out(path);
    out.put("frame,cells");
    for (int c = 0; c < kTypes; ++c) {
        if (!present[c]) continue;
        out.put(",type_");
        out.put_int(c);
    }
    if (present[kTypes]) out.put(",type_other");
    out.put(",elapsed_ms\n");

    for (int f = 0; f < rows_; ++f) {
        const std::int32_t* row = counts_.get() + std::size_t(f) * kColumns;
        out.put_int(first_ + f);
        out.put(',');
        out.put_int(cells_.get()[f]);
        for (int c = 0; c < kColumns; ++c) {
            if (!present[c]) continue;
            out.put(',');
            out.put_int(row[c]);
        }
        char ms[32];
        std::snprintf(ms, sizeof ms, ",%.3f\n", elapsed_.get()[f]);
        out.put(ms);
    }
    return out.commit();
}

bool save_vtk_to(const char* path) {
    const int n = Cells_count;
    AtomicFileWriter out(path);
    out.put("# vtk DataFile Version 3.0\nKelvaro colony\nASCII\nDATASET POLYDATA\nPOINTS ");
    out.put_int(n);
    out.put(" int\n");
    for (int i = 0; i < n; ++i) {
        out.put_int(Cells[i].x);
        out.put(' ');
        out.put_int(Cells[i].y);
        out.put(' ');
        out.put_int(Cells[i].z);
        out.put('\n');
    }
    // An empty colony is points only: there is nothing to hang cells or data on.
    if (n > 0) {
        // One vertex cell per point, so that every cell shows as a glyph.
        out.put("VERTICES ");
        out.put_int(n);
        out.put(' ');
        out.put_int(2LL * n);
        out.put('\n');
        for (int i = 0; i < n; ++i) {
            out.put("1 ");
            out.put_int(i);
            out.put('\n');
        }
        out.put("POINT_DATA ");
        out.put_int(n);
        out.put("\nSCALARS type int 1\nLOOKUP_TABLE default\n");
        for (int i = 0; i < n; ++i) {
            out.put_int(Cells[i].type);
            out.put('\n');
        }
    }
    return out.commit();
}

const char* write_reason(int saved_errno) {
    return saved_errno ? std::strerror(saved_errno) : "write failed";
}

namespace {

// An output folder that cannot take the file is found before the run rather
// than after hours of it: the probe makes and removes a temporary file there.
bool can_create(const char* path, int& saved_errno) {
    errno = 0;
    AtomicFileWriter probe(path);
    saved_errno = errno;
    return probe.ok();
}

// A folder for the files written every K frames: created, then probed with
// the first file's name.
int prepare_folder(const std::string& dir, const char* probe_name, const char* what, RunLog& log) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
        return log_failure(log, kExitOutput, ec.value(), "cannot create %s folder '%s': %s", what,
                           dir.c_str(), ec.message().c_str());
    int saved_errno = 0;
    if (!can_create((dir + "/" + probe_name).c_str(), saved_errno))
        return log_failure(log, kExitOutput, saved_errno, "cannot write into %s folder '%s': %s",
                           what, dir.c_str(), write_reason(saved_errno));
    return kExitOk;
}

// The failure of writing `path`, with the errno the writer left.
int cannot_write(RunLog& log, const std::string& path) {
    const int saved = errno;
    return log_failure(log, kExitOutput, saved, "cannot write '%s': %s", path.c_str(),
                       write_reason(saved));
}

}  // namespace

PageInfo page_info(const BatchOptions& o) {
    PageInfo info;
    info.title = std::filesystem::path(o.html).filename().string();
    info.genome = o.has_genome_text   ? o.genome_text
                  : !o.genome.empty() ? read_page_text(o.genome.c_str())
                  : !o.resume.empty() ? "(the genome of checkpoint " + o.resume + ")"
                                      : std::string();
    info.command = o.command;
    for (int t = 0; t < kTypes; ++t)
        if (o.hidden[t]) info.hidden.push_back(t);
    info.show_len = o.show_len;
    return info;
}

int prepare_outputs(const BatchOptions& o, RunLog& log) {
    int saved_errno = 0;
    for (const std::string* path : {&o.out, &o.stats, &o.checkpoint, &o.lineage, &o.html}) {
        if (!path->empty() && !can_create(path->c_str(), saved_errno))
            return log_failure(log, kExitOutput, saved_errno, "cannot write '%s': %s",
                               path->c_str(), write_reason(saved_errno));
    }
    if (o.snapshot_every > 0)
        if (const int s = prepare_folder(o.snapshot_dir, "cells-000000.txt", "snapshot", log))
            return s;
    if (o.checkpoint_every > 0)
        if (const int s =
                prepare_folder(o.checkpoint_dir, "checkpoint-000000.kck", "checkpoint", log))
            return s;
    return kExitOk;
}

int write_outputs(const BatchOptions& o, const StatsTable& stats, int frame, RunLog& log) {
    int status = kExitOk;
    errno = 0;
    if (!o.out.empty() && !save_cell_list_to(o.out.c_str())) status = cannot_write(log, o.out);
    errno = 0;
    if (!o.stats.empty() && !stats.write(o.stats.c_str())) status = cannot_write(log, o.stats);
    errno = 0;
    if (!o.checkpoint.empty() && !save_checkpoint(o.checkpoint.c_str(), frame, CheckpointView{}))
        status = cannot_write(log, o.checkpoint);
    errno = 0;
    if (!o.html.empty() && o.html_every == 0 &&
        !write_colony_page(o.html.c_str(), page_info(o), frame))
        status = cannot_write(log, o.html);
    return status;
}
