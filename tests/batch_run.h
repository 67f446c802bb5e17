// Runs kelvaro-batch in-process, or in a forked child under a fault, with its
// standard error captured: shared by the batch and the hardening tests.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch.h"
#include "fault.h"

namespace kt {

struct Outcome {
    int status;
    std::string err;
};

// Standard output (--help) is thrown away.
inline Outcome batch(std::vector<std::string> args) {
    args.insert(args.begin(), "kelvaro-batch");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    char* text = nullptr;
    std::size_t len = 0;
    std::FILE* err = open_memstream(&text, &len);
    std::FILE* out = std::fopen("/dev/null", "w");
    const int status = batch_main(int(args.size()), argv.data(), out, err);
    std::fclose(out);
    std::fclose(err);
    Outcome r{status, std::string(text, len)};
    std::free(text);
    return r;
}

// The same in a child under `fault`. Status kNoFaultHere: no fault here.
inline Outcome batch_in_child(const Fault& fault, const std::vector<std::string>& args) {
    const auto [status, err] = text_in_child(fault, [&] {
        const Outcome r = batch(args);
        return std::pair(r.status, r.err);
    });
    return {status, err};
}

}  // namespace kt
