// Runs kelvaro-batch in-process with its standard error captured: shared by
// the batch, checkpoint and hardening tests.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch.h"

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

// A refusal's message: one line that names the program and holds `names`.
inline bool one_line_naming(const std::string& err, const std::string& names) {
    return err.starts_with("kelvaro-batch: ") && err.find(names) != err.npos &&
           std::count(err.begin(), err.end(), '\n') == 1;
}

}  // namespace kt
