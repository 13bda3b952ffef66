#!/usr/bin/env bash
# End-to-end performance report of the interactive program: converts generated
# scripts (ordinary old syntax of 1, 4 and 16 MB, and pathological shapes),
# several runs each, and prints the median time, MB/s, the 16 MB / 1 MB time
# ratio and the peak memory as a multiple of the script's size.
#
# Usage: bench/perf_report.sh PROGRAM [RUNS]   (MB here means 1,000,000 bytes)
# Needs GNU time at /usr/bin/time for the peak memory (Debian package "time").
set -euo pipefail

PROGRAM=$(realpath "${1:?usage: perf_report.sh PROGRAM [RUNS]}")
RUNS=${2:-5}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/q9perf.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

# --- Script generators (awk, so that 16 MB take a moment, not minutes) ------

# Whole functions in the old syntax, each with its own name, up to |bytes|.
ordinary() {
  awk -v target="$1" 'BEGIN {
    size = 0
    for (i = 0; size < target; ++i) {
      block = sprintf("Func%d:\n", i) \
        "  if(Equal(Var(0),10)) SetVar(0,0);\n" \
        "  IncVar(0); SetLocal(1,Sum(Local(1),Mul(Var(0),2)));\n" \
        "  if(And(GreaterThan(Var(1),3),LessThan(Var(1),9))) return(Sub(Var(1),1));\n" \
        "  if(Not(SEqual(GetAction(),\"Walk\"))) SetAction(\"Walk\"); // walk on\n" \
        "  DecVar(2); SetGlobal(3,Mod(Pow(Var(2),2),7)); AssignVar(4,Or(Var(5),BitAnd(Var(6),1)));\n" \
        "  return(Div(Sum(Var(0),Var(1)),2));\n"
      printf "%s", block
      size += length(block)
    }
  }'
}

statements_on_one_line() {
  awk 'BEGIN { for (i = 0; i < 100000; ++i) printf "SetVar(0,Sum(Var(0),1)); "; printf "\n" }'
}

label_headers() {
  awk 'BEGIN { for (i = 0; i < 100000; ++i) printf "Label%d:\n  return(%d);\n", i, i }'
}

nested_sums() {
  awk 'BEGIN {
    printf "x="; for (i = 0; i < 1000; ++i) printf "Sum(";
    printf "1"; for (i = 0; i < 1000; ++i) printf ",%d)", i; printf ";\n"
  }'
}

side_by_side_line() {
  awk 'BEGIN { for (i = 0; i < 62500; ++i) printf "Sum(a,b)Mul(c,d)"; printf "\n" }'
}

# --- Timing ------------------------------------------------------------------

now_ns() { date +%s%N; }

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Runs the program |RUNS| times on a fresh copy of |source| after one warm-up
# run; prints "median_seconds peak_kb" (peak: the largest of the runs).
measure() {
  local source=$1 times=() peak=0 run start end kb
  for ((run = 0; run <= RUNS; ++run)); do
    cp "$source" "$WORK/Script.c"
    start=$(now_ns)
    printf 'Script.c\n' | (cd "$WORK" && /usr/bin/time -f %M -o "$WORK/rss" "$PROGRAM") \
      >/dev/null
    end=$(now_ns)
    ((run == 0)) && continue
    times+=("$((end - start))")
    kb=$(tail -n 1 "$WORK/rss")
    ((kb > peak)) && peak=$kb
  done
  printf '%s\n' "${times[@]}" | median | awk -v peak="$peak" '{ printf "%.4f %d\n", $1 / 1e9, peak }'
}

# One row of the table; sets LAST_SECONDS for the ratio.
LAST_SECONDS=0
report() {
  local name=$1 file=$2 size seconds peak_kb
  size=$(stat -c %s "$file")
  read -r seconds peak_kb < <(measure "$file")
  LAST_SECONDS=$seconds
  awk -v name="$name" -v size="$size" -v s="$seconds" -v kb="$peak_kb" 'BEGIN {
    printf "%-34s %10.2f %9.4f %9.1f %9.1f %7.2fx\n", name, size / 1e6, s, size / 1e6 / s,
      kb / 1024, kb * 1024 / size
  }'
}

ordinary 1000000 >"$WORK/ordinary_1.c"
ordinary 4000000 >"$WORK/ordinary_4.c"
ordinary 16000000 >"$WORK/ordinary_16.c"
statements_on_one_line >"$WORK/statements.c"
label_headers >"$WORK/labels.c"
nested_sums >"$WORK/nested.c"
side_by_side_line >"$WORK/side_by_side.c"

echo "Median of $RUNS runs after one warm-up, whole process, peak = largest resident set."
printf '%-34s %10s %9s %9s %9s %8s\n' "script" "MB" "seconds" "MB/s" "peak MiB" "peak/size"
report "ordinary, 1 MB" "$WORK/ordinary_1.c"
one=$LAST_SECONDS
report "ordinary, 4 MB" "$WORK/ordinary_4.c"
report "ordinary, 16 MB" "$WORK/ordinary_16.c"
sixteen=$LAST_SECONDS
report "100,000 statements on one line" "$WORK/statements.c"
report "100,000 label headers" "$WORK/labels.c"
report "1,000 nested Sum calls on one line" "$WORK/nested.c"
report "1 MB line of side-by-side calls" "$WORK/side_by_side.c"
awk -v a="$sixteen" -v b="$one" 'BEGIN { printf "16 MB time / 1 MB time: %.1f (linear: 16)\n", a / b }'
