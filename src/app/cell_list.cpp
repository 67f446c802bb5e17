// The cell list file "list.txt": the colony as text, four integers per cell
// (type, x, y, z). Saved as is; loaded with x and y shifted by +40.
#include "app/cell_list.h"
#include "app/files.h"
#include "sim/simulation.h"

#include <cstdint>

namespace {

bool is_space(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digit_value(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// One integer in C's "%i" notation after any white space: an optional sign,
// then hexadecimal after "0x", octal after a leading "0", or decimal. Values
// saturate far outside any valid record. False when no number is there.
bool read_int(FileReader& in, std::int64_t& out) {
    int c = in.peek();
    while (is_space(c)) {
        in.get();
        c = in.peek();
    }
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        in.get();
        c = in.peek();
    }
    if (c < '0' || c > '9') return false;
    int base = 10;
    if (c == '0') {
        in.get();
        c = in.peek();
        if (c == 'x' || c == 'X') {
            in.get();
            if (digit_value(in.peek()) >= 16) return false;  // "0x" without digits
            base = 16;
        } else {
            base = 8;
        }
    }
    constexpr std::int64_t kLimit = std::int64_t(1) << 40;
    std::int64_t v = 0;
    for (int d = digit_value(in.peek()); d < base; d = digit_value(in.peek())) {
        in.get();
        if (v < kLimit) v = v * base + d;
    }
    out = negative ? -v : v;
    return true;
}

bool on_lattice(std::int64_t v) {
    return v >= kInteriorMin && v <= kInteriorMax;
}

}  // namespace

bool save_cell_list_to(const char* path) {
    AtomicFileWriter out(path);
    const int n = Cells_count;
    for (int i = 0; i < n; ++i) {
        const TCells& c = Cells[i];
        out.put_int(c.type);
        out.put(' ');
        out.put_int(c.x);
        out.put(' ');
        out.put_int(c.y);
        out.put(' ');
        out.put_int(c.z);
        out.put('\n');
    }
    return out.commit();
}

void save_cell_list() {
    save_cell_list_to(kCellFile);
}

CellLoadReport load_cell_list_from(const char* path, int shift) {
    CellLoadReport report;
    WorkerPause pause;  // the worker must not see the world half cleared or half filled

    // All four grids, whole: nothing of the discarded colony may survive, not
    // on layer 200 and not as stale column heights under the new floor cells.
    clear_grids(true);
    publish_cells_count(0);

    FileReader in(path);
    report.opened = in.opened();
    std::int64_t rec[4];
    for (;;) {
        int got = 0;
        while (got < 4 && read_int(in, rec[got])) ++got;
        if (got < 4) {
            // The end of the file, or text that is not a number: no cell is made
            // of values that were not read.
            int c = in.peek();
            while (is_space(c)) {
                in.get();
                c = in.peek();
            }
            report.stopped_at_text = c >= 0 || got > 0;
            break;
        }
        const std::int64_t t = rec[0], x = rec[1] + shift, y = rec[2] + shift, z = rec[3];
        if (!on_lattice(x) || !on_lattice(y) || !on_lattice(z)) {
            ++report.outside;
            continue;
        }
        // Any type loads, since genes can make any: it emits nothing and has
        // threshold 0 wherever it lies outside the tables.
        if (Cells_count >= kMaxCells) {
            report.table_full = true;
            break;
        }
        const int n = Cells_count;
        Cells[n] = TCells{int(x), int(y), int(z), int(t), 0};
        put_to_world(&Cells[n]);
        publish_cells_count(n + 1);
    }
    report.loaded = Cells_count;
    history_loaded(Cells_count);
    settle_signal(kSettlingPasses);
    return report;
}

void load_cell_list() {
    load_cell_list_from(kCellFile, kLoadShift);
}
