#!/usr/bin/env bash
# End-to-end performance report of both programs on generated scripts, with
# the figures they are held to set beside each other:
#   - ordinary old syntax of 1, 16 and 64 MB: the fsynced single pass of
#     bench/floor (the floor), Q9ToQ9strict, q9strict with warnings (the
#     default), with --warnings=none and with --safe, and `sed -i` with 30
#     expressions;
#   - a 1 MB line of calls side by side, with warnings, beside 1 MB of
#     ordinary lines, and a 1 MB line of labels;
#   - 100,000 calls nested in each other, in both programs;
#   - --diff beside --check on a 2.4 MB script of 80,000 changed lines.
# Each figure is the median of RUNS runs after one warm-up, whole process:
# wall time, MB/s, and the largest resident set of the runs (GNU time), also
# as a multiple of the script's size. Then the ratios, each with its goal. A
# run that fails or outlasts the time limit is shown as such; nothing here
# judges the figures.
#
# Usage: bench/perf_report.sh BUILD [RUNS] [SCALE]
#   BUILD  folder with Q9ToQ9strict, q9strict and q9_fsync_floor
#   RUNS   runs per figure (default 5)
#   SCALE  factor on every size (default 1; CI uses a small one just to see
#          that everything builds and runs)
# Environment: LIMIT_SECONDS per run (default 120), LIMIT_MIB of address
# space per run (default 4096). MB here means 1,000,000 bytes.
# Needs GNU time at /usr/bin/time (Debian package "time").
set -euo pipefail

BUILD=$(realpath "${1:?usage: perf_report.sh BUILD [RUNS] [SCALE]}")
RUNS=${2:-5}
SCALE=${3:-1}
LIMIT_SECONDS=${LIMIT_SECONDS:-120}
LIMIT_MIB=${LIMIT_MIB:-4096}
for program in Q9ToQ9strict q9strict q9_fsync_floor; do
  [[ -x $BUILD/$program ]] || { echo "perf_report.sh: no $BUILD/$program" >&2; exit 2; }
done
WORK=$(mktemp -d "${TMPDIR:-/tmp}/q9perf.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

scaled() { awk -v n="$1" -v s="$SCALE" 'BEGIN { v = int(n * s); print (v < 1 ? 1 : v) }'; }

# --- Script generators (awk, so that 64 MB take a moment, not minutes) ------

# Whole functions in the old syntax, each with its own name, up to |bytes|.
ordinary() {
  awk -v target="$1" 'BEGIN {
    size = 0
    for (i = 0; size < target; ++i) {
      block = sprintf("Func%d:\n", i) \
        "  if(Equal(Var(0),10)) SetVar(0,0);\n" \
        "  IncVar(0); SetLocal(1,Sum(Local(1),Mul(Var(0),2)));\n" \
        "  if(And(GreaterThan(Var(1),3),LessThan(Var(1),9))) return(Sub(Var(1),1));\n" \
        "  if(Not(SEqual(GetMood(),\"Walk\"))) SetMood(\"Walk\"); // walk on\n" \
        "  DecVar(2); SetGlobal(3,Mod(Pow(Var(2),2),7)); AssignVar(4,Or(Var(5),BitAnd(Var(6),1)));\n" \
        "  return(Div(Sum(Var(0),Var(1)),2));\n"
      printf "%s", block
      size += length(block)
    }
  }'
}

# One line of about |bytes| of calls side by side (as many as the smallest
# ordinary script).
side_by_side_line() {
  awk -v n="$(($1 / 16))" 'BEGIN { for (i = 0; i < n; ++i) printf "Sum(a,b)Mul(c,d)"; printf "\n" }'
}

# One line of about |bytes| of labels side by side, each a function of its own.
labels_line() {
  awk -v n="$(($1 / 2))" 'BEGIN { for (i = 0; i < n; ++i) printf "a:"; printf "\n" }'
}

# |depth| calls of |name| nested in each other, each the first argument of the
# one around it (|args| after it), on one line.
nested() {
  awk -v depth="$1" -v opener="$2(" -v closer="$3)" -v head="$4" -v tail="$5" 'BEGIN {
    printf "%s", head
    for (i = 0; i < depth; ++i) printf "%s", opener
    printf "x"
    for (i = 0; i < depth; ++i) printf "%s", closer
    printf "%s\n", tail
  }'
}

# |count| lines of 30 bytes, each of which the conversion changes.
changed_lines() {
  awk -v n="$1" 'BEGIN {
    for (i = 0; i < n; ++i) printf "  SetVar(%d,Sum(Var(%d),100));\n", i % 10, i % 7
  }'
}

# --- The programs, each run on $WORK/Script.c --------------------------------

# sed -i with 30 expressions: for each of the rows' names and four more, its
# calls' first argument put in brackets of its own, a regular-expression
# rewrite of about the conversion's reach.
SED_EXPRESSIONS=()
for name in BitAnd And Div Mul Mod SEqual Equal GreaterThan LessThan Pow Sub Sum Or SetVar \
  AssignVar SetGlobal SetLocal DecVar IncVar Inc Dec Not eq IsNewgfx SetSkyFade Var Local Global \
  return GetMood; do
  SED_EXPRESSIONS+=(-e "s#$name(\([^(),]*\),#(\1)$name(#g")
done

run_program() {
  case $1 in
    floor) "$BUILD/q9_fsync_floor" Script.c ;;
    interactive) printf 'Script.c\n' | "$BUILD/Q9ToQ9strict" ;;
    batch) "$BUILD/q9strict" Script.c ;;
    batch-none) "$BUILD/q9strict" --warnings=none Script.c ;;
    batch-safe) "$BUILD/q9strict" --safe Script.c ;;
    check) "$BUILD/q9strict" --check Script.c ;;
    diff) "$BUILD/q9strict" --diff Script.c ;;
    sed) sed -i "${SED_EXPRESSIONS[@]}" Script.c ;;
  esac
}

# The function above and what it needs, for a shell of its own under the limits.
RUN_PROGRAM="$(declare -f run_program); $(declare -p BUILD SED_EXPRESSIONS)"

# --- Timing ------------------------------------------------------------------

now_ns() { date +%s%N; }

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Runs |program| |RUNS| times on a fresh copy of |source| after one warm-up
# run, each under the limits; prints "median_seconds peak_kb", or "failed
# REASON" when a run failed (exit status 1 of --check or --diff is success).
measure() {
  local program=$1 source=$2 times=() peak=0 run start end status kb
  for ((run = 0; run <= RUNS; ++run)); do
    cp "$source" "$WORK/Script.c"
    rm -f "$WORK/rss"
    start=$(now_ns)
    status=0
    (cd "$WORK" && ulimit -v $((LIMIT_MIB * 1024)) &&
      timeout "$LIMIT_SECONDS" /usr/bin/time -f %M -o "$WORK/rss" \
        bash -c "$RUN_PROGRAM; run_program $program") \
      >/dev/null 2>&1 || status=$?
    end=$(now_ns)
    if ((status == 124)); then
      echo "failed over ${LIMIT_SECONDS}s"
      return
    elif ((status != 0)) && ! [[ $status == 1 && $program =~ ^(check|diff)$ ]]; then
      echo "failed status $status"
      return
    fi
    ((run == 0)) && continue
    times+=("$((end - start))")
    kb=$(tail -n 1 "$WORK/rss")
    ((kb > peak)) && peak=$kb
  done
  printf '%s\n' "${times[@]}" | median |
    awk -v peak="$peak" '{ printf "%.4f %d\n", $1 / 1e9, peak }'
}

# One row of the table; remembers its seconds under |key| for the ratios.
declare -A SECONDS_OF PEAK_OF
report() {
  local key=$1 name=$2 program=$3 file=$4 size result
  size=$(stat -c %s "$file")
  result=$(measure "$program" "$file")
  if [[ $result == failed* ]]; then
    printf '%-52s %8.2f  %s\n' "$name" "$(awk -v s="$size" 'BEGIN { print s / 1e6 }')" "$result"
    return
  fi
  read -r seconds peak_kb <<<"$result"
  SECONDS_OF[$key]=$seconds
  PEAK_OF[$key]=$(awk -v kb="$peak_kb" -v size="$size" 'BEGIN { printf "%.2f", kb * 1024 / size }')
  awk -v name="$name" -v size="$size" -v s="$seconds" -v kb="$peak_kb" 'BEGIN {
    printf "%-52s %8.2f %9.3f %8.1f %9.1f %8.2fx\n", name, size / 1e6, s, size / 1e6 / s,
      kb / 1024, kb * 1024 / size
  }'
}

# "NAME  A / B = RATIO  (goal)", or a dash when either figure is missing.
ratio() {
  local name=$1 a=$2 b=$3 goal=$4
  if [[ -z ${SECONDS_OF[$a]:-} || -z ${SECONDS_OF[$b]:-} ]]; then
    printf '  %-58s %8s   %s\n' "$name" "-" "$goal"
    return
  fi
  awk -v name="$name" -v a="${SECONDS_OF[$a]}" -v b="${SECONDS_OF[$b]}" -v goal="$goal" \
    'BEGIN { printf "  %-58s %8.2f   %s\n", name, a / b, goal }'
}

# --- The report --------------------------------------------------------------

SIZES=()
for megabytes in 1 16 64; do SIZES+=("$(scaled $((megabytes * 1000000)))"); done
DEPTH=$(scaled 100000)
for size in "${SIZES[@]}"; do ordinary "$size" >"$WORK/ordinary_$size.c"; done
side_by_side_line "$(scaled 1000000)" >"$WORK/side_by_side.c"
labels_line "$(scaled 1000000)" >"$WORK/labels_line.c"
nested "$DEPTH" Sum ",1" "x=" ";" >"$WORK/nested_sum.c"
nested "$DEPTH" SetVar "" "" ";" | sed 's/SetVar(/SetVar(0,/g' >"$WORK/nested_setvar.c"
nested "$DEPTH" Not "" "if(" ") x=1;" >"$WORK/nested_not.c"
nested "$DEPTH" IncVar "" "" ";" >"$WORK/nested_incvar.c"
CHANGED=$(scaled 80000)
changed_lines "$CHANGED" >"$WORK/changed.c"

echo "Median of $RUNS runs after one warm-up, whole process; peak = largest resident set."
echo "Limits per run: ${LIMIT_SECONDS} s, ${LIMIT_MIB} MiB of address space. Scale: $SCALE."
printf '%-52s %8s %9s %8s %9s %9s\n' "script, program" "MB" "seconds" "MB/s" "peak MiB" "peak/size"
for size in "${SIZES[@]}"; do
  file="$WORK/ordinary_$size.c"
  label=$(awk -v s="$size" 'BEGIN { printf "ordinary %g MB", s / 1e6 }')
  report "floor $size" "$label, fsynced single pass" floor "$file"
  report "interactive $size" "$label, Q9ToQ9strict" interactive "$file"
  report "batch $size" "$label, q9strict" batch "$file"
  report "batch-none $size" "$label, q9strict --warnings=none" batch-none "$file"
  report "batch-safe $size" "$label, q9strict --safe" batch-safe "$file"
  report "sed $size" "$label, sed -i, 30 expressions" sed "$file"
done
report side_by_side "a line of side-by-side calls, q9strict" batch "$WORK/side_by_side.c"
report labels_line "a line of side-by-side labels, q9strict" batch "$WORK/labels_line.c"
for row in sum setvar not incvar; do
  report "nested_$row interactive" "$DEPTH nested $row calls, Q9ToQ9strict" interactive \
    "$WORK/nested_$row.c"
  report "nested_$row batch" "$DEPTH nested $row calls, q9strict" batch "$WORK/nested_$row.c"
  report "nested_$row batch-none" "$DEPTH nested $row calls, q9strict --warnings=none" \
    batch-none "$WORK/nested_$row.c"
done
report check "$CHANGED changed lines, q9strict --check" check "$WORK/changed.c"
report diff "$CHANGED changed lines, q9strict --diff" diff "$WORK/changed.c"

echo
echo "Ratios of median times (peak/size is in the table; goal: at most 3 at every size):"
for size in "${SIZES[@]}"; do
  label=$(awk -v s="$size" 'BEGIN { printf "%g MB", s / 1e6 }')
  ratio "$label: Q9ToQ9strict / floor" "interactive $size" "floor $size" "(goal: at most 2)"
  ratio "$label: q9strict / floor" "batch $size" "floor $size" "(goal: at most 2)"
  ratio "$label: q9strict --warnings=none / floor" "batch-none $size" "floor $size" ""
  ratio "$label: q9strict --safe / q9strict" "batch-safe $size" "batch $size" "(goal: at most 2)"
  ratio "$label: sed -i / Q9ToQ9strict" "sed $size" "interactive $size" "(goal: at least 4)"
  ratio "$label: sed -i / q9strict" "sed $size" "batch $size" "(goal: at least 4)"
done
ratio "side-by-side line / as many ordinary lines, q9strict" side_by_side "batch ${SIZES[0]}" \
  "(goal: at most 3)"
ratio "--diff / --check" diff check "(goal: at most 3)"
echo "  Nested calls: the seconds above (goal: under 5 s in both programs)."
