// The outputs of kelvaro-batch besides the cell list: the per-frame counts
// (CSV) and the VTK view of a colony. Both go through AtomicFileWriter, so a
// failed or interrupted write never leaves a partial file under the final name.
#include "batch.h"

#include <cassert>
#include <cstdlib>

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
