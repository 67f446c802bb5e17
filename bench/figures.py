#!/usr/bin/env python3
"""The performance figures of the README: every benchmark case runs in a fresh
process several times (timings on a shared machine are noisy), and the table
gives the median of those runs.

  bench/figures.py [--binary build/bench/kelvaro_bench] [--runs 5] [--filter REGEX]
"""
import argparse
import json
import re
import statistics
import subprocess

CASES = [
    "BM_SignalSweep/order:0/cells:200000/genes:50",
    "BM_SignalSweep/order:1/cells:200000/genes:50",
    "BM_SignalSweep/order:0/cells:200000/genes:0",
    "BM_SignalSweep/order:1/cells:200000/genes:0",
    "BM_SignalSweep/order:0/cells:50000/genes:50",
    "BM_SignalSweep/order:0/cells:10000/genes:50",
    "BM_SignalReference/order:0/genes:50/iterations:3",
    "BM_SignalReference/order:1/genes:50/iterations:3",
    "BM_Reload/order:0",
    "BM_Reload/order:1",
    "BM_SettlePass/order:0",
    "BM_SettlePass/order:1",
    "BM_FramePass/order:0/genes:20/type1:0",
    "BM_FramePass/order:1/genes:20/type1:0",
    "BM_FramePass/order:0/genes:20/type1:1",
    "BM_FramePass/order:1/genes:20/type1:1",
    "BM_GeneExpression/genes:20",
]


def run(binary, case):
    out = subprocess.run([binary, "--benchmark_filter=^%s$" % re.escape(case),
                          "--benchmark_format=json"], check=True, capture_output=True, text=True).stdout
    b = json.loads(out)["benchmarks"][0]
    return b["real_time"], b.get("items_per_second"), b.get("vs_reference")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", default="build/bench/kelvaro_bench")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--filter", default="")
    args = ap.parse_args()
    print("| case | ms (median) | M items/s | vs reference |")
    print("|---|---|---|---|")
    for case in CASES:
        if not re.search(args.filter, case):
            continue
        results = [run(args.binary, case) for _ in range(args.runs)]
        ms = statistics.median(r[0] for r in results)
        rate = [r[1] for r in results if r[1]]
        ratio = [r[2] for r in results if r[2]]
        print("| %s | %.2f | %s | %s |" % (
            case, ms, "%.1f" % (statistics.median(rate) / 1e6) if rate else "",
            "%.1f" % statistics.median(ratio) if ratio else ""), flush=True)


if __name__ == "__main__":
    main()
