// kelvaro-batch's history outputs: --lineage, the per-cell history once the
// run ends, and --events, every division and type change as it happens. Both
// go through AtomicFileWriter, so a failed or interrupted write never leaves a
// partial file under the final name.
#include "batch.h"
#include "history_files.h"

#include <cerrno>
#include <cstring>

namespace {

const char* kEventNames[] = {"divide", "type"};

void put_row(AtomicFileWriter& out, std::initializer_list<long long> values) {
    bool first = true;
    for (const long long v : values) {
        if (!first) out.put(',');
        out.put_int(v);
        first = false;
    }
    out.put('\n');
}

}  // namespace

bool save_lineage_to(const char* path) {
    AtomicFileWriter out(path);
    out.put("cell,parent,born_frame,generation,type,type_frame,type_gene,previous_type\n");
    const int n = Cells_count;
    for (int i = 0; i < n; ++i) {
        const CellHistory& h = Cells_history[i];
        put_row(out, {i, h.parent, h.born_frame, h.generation, Cells[i].type, h.type_frame,
                      h.type_gene, h.previous_type});
    }
    return out.commit();
}

void HistoryFiles::receive(void* self, const HistoryEvent& e) {
    AtomicFileWriter& out = *static_cast<HistoryFiles*>(self)->events_;
    out.put_int(e.frame);
    out.put(',');
    out.put(kEventNames[int(e.kind)]);
    out.put(',');
    put_row(out, {e.cell, e.other, e.gene, e.from_type, e.to_type});
}

bool HistoryFiles::open(const BatchOptions& o, std::FILE* err) {
    if (o.events.empty()) return true;
    errno = 0;
    events_ = std::make_unique<AtomicFileWriter>(o.events.c_str());
    if (!events_->ok()) {
        std::fprintf(err, "%s: cannot write '%s': %s\n", kProgramName, o.events.c_str(),
                     errno ? std::strerror(errno) : "write failed");
        events_.reset();
        return false;
    }
    events_->put("frame,event,cell,other,gene,from_type,to_type\n");
    set_history_sink(receive, this);
    return true;
}

int HistoryFiles::finish(const BatchOptions& o, std::FILE* err, int status) {
    set_history_sink(nullptr, nullptr);
    const auto failed = [&](const std::string& path) {
        std::fprintf(err, "%s: cannot write '%s': %s\n", kProgramName, path.c_str(),
                     errno ? std::strerror(errno) : "write failed");
        return kExitOutput;
    };
    errno = 0;
    if (!o.lineage.empty() && !save_lineage_to(o.lineage.c_str())) status = failed(o.lineage);
    errno = 0;
    if (events_ && !events_->commit()) status = failed(o.events);
    events_.reset();
    return status;
}

HistoryFiles::~HistoryFiles() {
    set_history_sink(nullptr, nullptr);
}
