#!/usr/bin/env bash
# Ctrl-E counted instead of timed: the hook's instructions per line beside the same-work
# reference's (benchmarks/reference.cpp), under callgrind, which counts the same on a loaded
# machine as on an idle one. docs/PERFORMANCE.md says what the figures tell and what not.
#
#   scripts/instruction-counts.sh          (./bench --counts) RW, MR and MM documents of 1 000 and
#       100 000 lines: instructions per line of the hook and of the reference, their ratio, and the
#       last-level cache misses per line of both in callgrind's cache simulation. A few minutes.
#   scripts/instruction-counts.sh --guard  (./test) the hooks within kGuardFactor of their
#       references on 1 000-line documents, instructions only. Some seconds.
#
# Each figure is one run of build/bench/cenyzak_counts under callgrind, which counts only the
# Ctrl-E batch itself (benchmarks/counts.cpp). The callgrind files stay in build/bench/counts/
# (the guard's in build/bench/counts/guard/) for callgrind_annotate.
set -euo pipefail
cd "$(dirname "$0")/.."

# The guard's limit on hook / reference, in instructions per line at 1 000 lines. Measured
# (GCC 12.2, the plug-in and the references at -Os, x86-64): RW 1.038, MR 1.026, MM 1.007; RW is
# the prefetch's 9 instructions a line. 1.10 leaves room for another compiler's choices and fails
# on what a real regression adds: some 15 instructions a RW line, 120 a MR line, 25 a MM line.
kGuardFactor=1.10
kGuardLines=1000

# The simulated caches, fixed so that the misses do not depend on what valgrind reads from the
# processor it runs on (this virtual machine reports a 508 MB level 3): the first-level caches
# and the 32 MB last level of the host processor's family (AMD EPYC, Zen 5: 32 KB 8-way
# instruction and 48 KB 12-way data caches, 32 MB 16-way level 3 per core complex), lines of
# 64 bytes. Callgrind's cache simulation is cachegrind's, with its two levels: the first and the
# last; the level-2 cache between them is not simulated.
kCaches=(--I1=32768,8,64 --D1=49152,12,64 --LL=33554432,16,64)

out=build/bench/counts

build() {
  cmake -S benchmarks -B build/bench -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/bench -j2 --target cenyzak_counts >/dev/null
  mkdir -p "$out"
}

# measure KIND WAY LINES [CALLGRIND OPTION...]: prints the instructions per line and, with the
# cache simulation on, the last-level misses per line (instruction and data, reads and writes).
measure() {
  local kind=$1 way=$2 lines=$3
  shift 3
  local file="$out/callgrind.$kind.$way.$lines" counted
  if ! counted=$(valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$file" "$@" \
    build/bench/cenyzak_counts "$kind" "$way" "$lines" 2>"$file.log"); then
    echo "cenyzak_counts $kind $way $lines failed under callgrind:" >&2
    cat "$file.log" >&2
    exit 1
  fi
  counted=${counted#lines: }
  # callgrind leaves trailing zero events out of the totals line.
  awk -v lines="$counted" '
    /^events:/ { for (i = 2; i <= NF; ++i) column[$i] = i }
    /^totals:/ { for (i = 2; i <= NF; ++i) total[i] = $i }
    END {
      if (!("Ir" in column) || lines <= 0) exit 1
      printf "%.2f", total[column["Ir"]] / lines
      if ("DLmr" in column)
        printf " %.3f", (total[column["ILmr"]] + total[column["DLmr"]] + total[column["DLmw"]]) / lines
      printf "\n"
    }' "$file" || {
    echo "no totals in $file" >&2
    exit 1
  }
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

if [ "${1:-}" = --guard ]; then
  out=build/bench/counts/guard
  build
  failed=0
  for kind in rw mr mm; do
    hook=$(measure $kind hook $kGuardLines)
    reference=$(measure $kind reference $kGuardLines)
    r=$(ratio "$hook" "$reference")
    line="$kind, $kGuardLines lines: hook $hook instructions a line, reference $reference: $r"
    if awk -v r="$r" -v f="$kGuardFactor" 'BEGIN { exit !(r <= f) }'; then
      echo "$line (at most $kGuardFactor)"
    else
      echo "FAIL $line, more than $kGuardFactor"
      failed=1
    fi
  done
  exit $failed
fi

if [ $# -ne 0 ]; then
  echo "usage: scripts/instruction-counts.sh [--guard]   (./bench --counts runs it without)" >&2
  exit 2
fi
build
for kind in rw mr mm; do
  for lines in 1000 100000; do
    hook=$(measure $kind hook $lines --cache-sim=yes "${kCaches[@]}")
    reference=$(measure $kind reference $lines --cache-sim=yes "${kCaches[@]}")
    read -r hook_ir hook_ll <<<"$hook"
    read -r ref_ir ref_ll <<<"$reference"
    echo "${kind}_instructions_per_line_hook_$lines: $hook_ir"
    echo "${kind}_instructions_per_line_reference_$lines: $ref_ir"
    echo "${kind}_instructions_hook_vs_reference_$lines: $(ratio "$hook_ir" "$ref_ir")"
    echo "${kind}_ll_misses_per_line_hook_$lines: $hook_ll"
    echo "${kind}_ll_misses_per_line_reference_$lines: $ref_ll"
  done
done
