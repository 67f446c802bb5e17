// kelvaro-batch's --lineage and --events against the colony they describe:
// every daughter has its division event, generations add up, and each cell's
// last type event is the type change the lineage names.
#include "support.h"

#include <map>
#include <sstream>

#include "batch_run.h"

namespace {

using Batch = kt::FileTest;
using kt::operator+;

// The rows of a CSV file of integers (a word in a field reads as 1 for
// "divide" and 0 otherwise), without its header, which goes to `header`.
std::vector<std::vector<long>> rows(const std::string& path, std::string& header) {
    std::istringstream in(kt::read_file(path));
    std::getline(in, header);
    std::vector<std::vector<long>> out;
    for (std::string line; std::getline(in, line);) {
        std::vector<long> row;
        std::istringstream fields(line);
        for (std::string f; std::getline(fields, f, ',');)
            row.push_back(std::isalpha(f[0]) ? f == "divide" : std::stol(f));
        out.push_back(row);
    }
    return out;
}

}  // namespace

TEST_F(Batch, LineageAndEventsAgreeWithTheFinalColony) {
    kt::run_ok(kt::Args{"--genome", KELVARO_BATCH_DATA "/genome.vdna", "--cells",
                        KELVARO_BATCH_DATA "/colony.txt"} +
               kt::words("--frames 40 --division --gravity --divide-all-at 5,20 --seed 4 "
                         "--out o.txt --lineage l.csv --events e.csv --quiet"));
    std::string lh, eh;
    const auto lineage = rows("l.csv", lh), events = rows("e.csv", eh);
    EXPECT_EQ(lh, "cell,parent,born_frame,generation,type,type_frame,type_gene,previous_type");
    EXPECT_EQ(eh, "frame,event,cell,other,gene,from_type,to_type");
    std::istringstream colony(kt::read_file("o.txt"));
    std::size_t n = 0;
    for (long t, x, y, z; colony >> t >> x >> y >> z; ++n)
        ASSERT_EQ(lineage.at(n)[4], t) << "the type of cell " << n;
    ASSERT_EQ(lineage.size(), n);

    std::map<long, std::vector<long>> last_type;  // each cell's last type event
    int divisions = 0, by_genes = 0;
    for (const auto& e : events) {
        const long frame = e[0], cell = e[2], other = e[3], gene = e[4];
        if (e[1] == 1) {  // a division: the daughter's row says so
            ++divisions;
            by_genes += gene >= 0;
            const auto& d = lineage.at(other);
            EXPECT_EQ(std::tuple(d[1], d[2], d[3]), std::tuple(cell, frame, lineage[cell][3] + 1));
        } else {
            last_type[cell] = e;
        }
    }
    int daughters = 0;
    for (const auto& c : lineage) {
        daughters += c[1] >= 0;
        EXPECT_EQ(c[3], c[1] < 0 ? 0 : lineage.at(c[1])[3] + 1) << "generations add up";
        const auto it = last_type.find(c[0]);
        if (it == last_type.end()) {
            EXPECT_EQ(c[5], -1) << "cell " << c[0] << " changed type without an event";
            continue;
        }
        const auto& e = it->second;  // frame, gene, type before and after
        EXPECT_EQ(std::tuple(c[5], c[6], c[7], c[4]), std::tuple(e[0], e[4], e[5], e[6]));
    }
    EXPECT_EQ(daughters, divisions);
    EXPECT_GT(by_genes, 0);                // the genes divided cells, not only the divide-alls
    EXPECT_GT(divisions, by_genes);        // and the divide-alls (gene -1) did too
    EXPECT_GT(int(last_type.size()), 10);  // and genes switched types
}

TEST_F(Batch, CheckGenomePrintsFindingsForEditorsAndExitsThreeWithSome) {
    kt::write_file("bad.vdna", "# a type-5 gene\nEN=2;EN =3;EX=5\nEX=5;SIGNAL=70;\n");
    kt::write_file("nul.vdna", std::string("EN=2;EN=3;EX=5\n\0", 16));
    // The command line; its status; the output it gives, in full.
    const std::tuple<kt::Args, int, std::string> cases[] = {
        {{"--check-genome", KELVARO_BATCH_DATA "/genome.vdna"},
         kExitOk,
         KELVARO_BATCH_DATA "/genome.vdna: 3 genes, 2 division genes, types set: 4 5 6; 0 "
                            "findings\n"},
        {{"--check-genome", "bad.vdna"},
         3,
         "bad.vdna:2:6: warning: key 'EN ' has blanks, so it is not EN: the field is ignored\n"
         "bad.vdna:2:1: warning: gene 0 has fewer than two EN: it reads channels 2 and 0\n"
         "bad.vdna: 2 genes (1 table line), 0 division genes, types set: 5; 2 findings\n"},
        {{"--check-genome", "nul.vdna"},
         kExitUsage,
         "kelvaro-batch: cannot use genome 'nul.vdna': binary data (a NUL byte)\n"},
        {{"--check-genome", "absent.vdna"},
         kExitUsage,
         "kelvaro-batch: cannot read genome 'absent.vdna': No such file or directory\n"},
        {{"--check-genome", "bad.vdna", "--frames", "3"},
         kExitUsage,
         "kelvaro-batch: --check-genome takes no other option (it only reads the genome)\n"},
    };
    for (const auto& [args, status, output] : cases) {
        const kt::Outcome r = kt::batch(args);
        EXPECT_EQ(std::pair(r.status, r.err), std::pair(status, output));
    }
}
