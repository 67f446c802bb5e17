// Runs kelvaro-batch in-process with its standard error captured: shared by
// the batch, checkpoint and hardening tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "batch.h"
#include "colony.h"

namespace kt {

struct Outcome {
    int status;
    std::string err;
};

using Args = std::vector<std::string>;

// The arguments of `a` followed by those of `b`.
inline Args operator+(Args a, const Args& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The blank-separated words of `line`: a command line written as one string.
inline Args words(const std::string& line) {
    std::istringstream in(line);
    return {std::istream_iterator<std::string>(in), {}};
}

// kelvaro-batch's run; its standard output (only --help writes there) goes
// to the messages too.
inline Outcome batch(Args args) {
    args.insert(args.begin(), "kelvaro-batch");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    char* text = nullptr;
    std::size_t len = 0;
    std::FILE* err = open_memstream(&text, &len);
    const int status = batch_main(int(args.size()), argv.data(), err, err);
    std::fclose(err);
    Outcome r{status, std::string(text, len)};
    std::free(text);
    return r;
}

// A run that must succeed.
inline void run_ok(const Args& args) {
    const Outcome r = batch(args);
    ASSERT_EQ(r.status, kExitOk) << r.err;
}

// The rows of a CSV file without elapsed_ms, the last field and the one two runs may differ in.
inline std::vector<std::string> csv_rows(const std::string& path) {
    std::vector<std::string> rows;
    std::istringstream in(read_file(path));
    for (std::string line; std::getline(in, line);) rows.push_back(line.substr(0, line.rfind(',')));
    return rows;
}

// A refusal's message: one line that names the program and holds `names`.
inline bool one_line_naming(const std::string& err, const std::string& names) {
    return err.starts_with("kelvaro-batch: ") && err.find(names) != err.npos &&
           std::count(err.begin(), err.end(), '\n') == 1;
}

}  // namespace kt
