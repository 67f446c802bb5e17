// kelvaro-batch --check-genome: what the genome reader makes of a file.
#pragma once

#include <cstdio>
#include <string>

// --check-genome found something.
inline constexpr int kExitFindings = 3;

// The findings of the genome check on `path`, one line each as
// FILE:LINE:COLUMN: warning: ..., then a summary, on `out`. Returns 0 without
// findings, kExitFindings with some, kExitUsage when the file cannot be read.
int check_genome_main(const std::string& path, std::FILE* out, std::FILE* err);
