#!/usr/bin/env bash
# End-to-end tests of the Windows programs (./dev windows builds them) under Wine:
# tests/wine/run.sh BUILD_DIR. Each case runs a program in a scratch folder and
# checks its exit status, output and files against tests/wine/expected (what the
# Linux programs give), for what is Windows' own: the console, wide paths, CR LF.
set -uo pipefail

[ $# -eq 1 ] || { echo "usage: tests/wine/run.sh BUILD_DIR" >&2; exit 2; }
BUILD=$(cd "$1" && pwd)
EXPECTED=$(cd "$(dirname "$0")/expected" && pwd)
SCRATCH=$BUILD/wine-scratch
INTERACTIVE=$BUILD/Q9ToQ9strict.exe
BATCH=$BUILD/q9strict.exe

# Debian's wine64 package keeps its loader outside PATH.
WINE=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
[ -x "$WINE" ] || { echo "Wine not found (apt-get install wine64)" >&2; exit 1; }
[[ -f $INTERACTIVE && -f $BATCH ]] || { echo "programs missing in $BUILD" >&2; exit 1; }

started=$(date +%s)
rm -rf "$SCRATCH" && mkdir -p "$SCRATCH"
# Wine takes the ANSI code page from the locale: this one gives 1252, in which
# 0xF6 is the o-umlaut. No Mono or Gecko installer prompts.
export WINEDEBUG=-all LC_ALL=C.UTF-8 WINEPREFIX=$BUILD/wine-prefix WINEDLLOVERRIDES=mscoree,mshtml=
[ -f "$WINEPREFIX/system.reg" ] || "$WINE" wineboot -i >/dev/null 2>&1
trap '"$WINESERVER" -k >/dev/null 2>&1 || true' EXIT

passed=0 failed=0
# expect WHAT COMMAND...: counts COMMAND's success as a passed check.
expect() {
  if "${@:2}"; then passed=$((passed + 1)) && return 0; fi
  failed=$((failed + 1)) && echo "FAIL: $1" && return 1
}

# expect_file CASE ACTUAL EXPECTED: the two files hold the same bytes.
expect_file() {
  expect "$1: $(basename "$2") differs from $(basename "$3")" cmp -s "$2" "$3" ||
    diff <(od -c "$3") <(od -c "$2") | head -n 20
}

# expect_names CASE NAME...: the working folder holds exactly these names (no temporary file).
expect_names() {
  local actual wanted
  actual=$(find . -mindepth 1 | sort | tr '\n' ' ')
  wanted=$(printf './%s\n' "${@:2}" | sort | tr '\n' ' ')
  expect "$1: folder holds $actual, expected $wanted" [ "$actual" = "$wanted" ]
}

# new_case NAME: an empty scratch folder, made the working folder.
new_case() { mkdir -p "$SCRATCH/$1" && cd "$SCRATCH/$1" || exit 1; }

# run NAME STATUS INPUT PROGRAM ARG...: runs PROGRAM with INPUT on standard input,
# checks the exit status and the output against expected/NAME.out and NAME.err if any.
run() {
  local name=$1 status=$2 input=$3 s
  shift 3
  printf '%b' "$input" | "$WINE" "$@" >"$SCRATCH/$name.out" 2>"$SCRATCH/$name.err"
  expect "$name: exit status $?, expected $status" [ $? = "$status" ]
  for s in "$name.out" "$name.err"; do
    [ ! -f "$EXPECTED/$s" ] || expect_file "$name" "$SCRATCH/$s" "$EXPECTED/$s"
  done
}

# in_console NAME PROMPT KEYS PROGRAM ARG...: runs PROGRAM at a terminal of its own
# (tmux), where Wine gives it a console that holds it alone, as Explorer does on a
# double click. Types KEYS and Enter (unless KEYS is empty), waits for PROMPT,
# presses a key and waits for the end; the screen is kept in $SCRATCH/NAME.screen.
in_console() {
  local name=$1 prompt=$2 keys=$3 socket=q9wine-$$ i
  shift 3
  tmux -u -L "$socket" new-session -d -x 150 -y 60 -c "$PWD" \
    "$(printf '%q ' env WINEDEBUG=-all LC_ALL=C.UTF-8 "WINEPREFIX=$WINEPREFIX" \
      "WINEDLLOVERRIDES=$WINEDLLOVERRIDES" "$WINE" "$@"); echo \"EXIT=\$?\"; sleep 300"
  grab() { tmux -u -L "$socket" capture-pane -p -S -200 >"$SCRATCH/$name.screen"; }
  if [ -n "$keys" ]; then
    # Keys sent before the program shows anything are lost on a loaded machine.
    for ((i = 0; i < 60; i++)); do grab && grep -q '[^[:space:]]' "$SCRATCH/$name.screen" && break; sleep 1; done
    sleep 1
    tmux -u -L "$socket" send-keys -l "$keys" && tmux -u -L "$socket" send-keys Enter
  fi
  for ((i = 0; i < 60; i++)); do grab && grep -qF "$prompt" "$SCRATCH/$name.screen" && break; sleep 1; done
  expect "$name: no \"$prompt\" on the screen ($SCRATCH/$name.screen)" grep -qF "$prompt" "$SCRATCH/$name.screen"
  expect "$name: ended before a key" test -z "$(grep '^EXIT=' "$SCRATCH/$name.screen")"
  tmux -u -L "$socket" send-keys x
  for ((i = 0; i < 30; i++)); do grab && grep -q '^EXIT=' "$SCRATCH/$name.screen" && break; sleep 1; done
  tmux -u -L "$socket" kill-server 2>/dev/null
}

old_script() {
  printf '%s\n' 'Initialize: SetVar(0,1); return(1);' \
    'Timer: if(Equal(Var(0),10)) SetVar(0,0); IncVar(0); return(Sum(Var(0),2));' >"$1"
}

# The unit tests built for Windows, where GoogleTest could be built.
if [ -f "$BUILD/q9_tests.exe" ]; then
  "$WINE" "$BUILD/q9_tests.exe" --gtest_brief=1 >"$SCRATCH/unit.out" 2>&1
  expect "unit tests ($SCRATCH/unit.out)" [ $? = 0 ]
fi

# Enter alone picks Script.c; a Windows console sends CR LF for Enter.
new_case convert
old_script Script.c
run convert 0 '\r\n\r\n' "$INTERACTIVE"
expect_file convert Script.c "$EXPECTED/Script.c"
expect_names convert Script.c

# Names with non-ASCII letters: typed into a pipe in code page 1252 (0xF6) or in
# UTF-8, met in a folder walk (on two threads), and named on the command line,
# where only the wide calls reach a name outside the ANSI code page (Greek);
# backups beside them. Wine shows the Linux names (UTF-8) to Windows as such.
new_case umlaut
mkdir walk 'Ördner_λ'  # "*.c" takes Upper.C whatever the case
for f in 'Schwert_ö.c' 'walk/Schwert_ö.c' walk/Upper.C 'Ördner_λ/Schild_λ.c' 'Axt_λ.c'; do old_script "$f"; done
run umlaut-name 0 'Schwert_\xF6.c\n\n' "$INTERACTIVE"
expect_file umlaut-name 'Schwert_ö.c' "$EXPECTED/Script.c"
old_script 'Schwert_ö.c'
run umlaut-utf8 0 'Schwert_\xC3\xB6.c\n\n' "$INTERACTIVE"
expect_file umlaut-utf8 'Schwert_ö.c' "$EXPECTED/Script.c"
run umlaut-walk 0 '' "$BATCH" -j 2 walk
for f in 'walk/Schwert_ö.c' walk/Upper.C; do expect_file umlaut-walk "$f" "$EXPECTED/Script.c"; done
run umlaut-arg 0 '' "$BATCH" --backup 'Ördner_λ' 'Axt_λ.c'
for f in 'Ördner_λ/Schild_λ.c' 'Axt_λ.c'; do expect_file umlaut-arg "$f" "$EXPECTED/Script.c"; done
expect_names umlaut-arg 'Schwert_ö.c' walk 'walk/Schwert_ö.c' walk/Upper.C 'Ördner_λ' \
  'Ördner_λ/Schild_λ.c' 'Ördner_λ/Schild_λ.c.bak' 'Axt_λ.c' 'Axt_λ.c.bak'

# At a console of their own (started from Explorer): the interactive program reads
# a typed name as wide text (Greek is in no western ANSI code page); q9strict
# converts scripts dropped on it with backups; both wait for a key at the end.
new_case console
old_script 'Schild_λ.c'
in_console console-typed 'Drueck die "Any Key" taste zum fortfahren' 'Schild_λ.c' "$INTERACTIVE"
expect_file console-typed 'Schild_λ.c' "$EXPECTED/Script.c"
# The echo in the console's code page: the letter itself, or "?" where it lacks it.
expect "console-typed: echo" grep -qE 'Pfad: Schild_(\?|λ)\.c\s*$' "$SCRATCH/console-typed.screen"
old_script Script.c && cp Script.c ../expected-dropped.c
in_console console-drop 'Press any key to close this window.' '' "$BATCH" Script.c
expect "console-drop: no summary" grep -q '^1 converted, 0 unchanged' "$SCRATCH/console-drop.screen"
expect_file console-drop Script.c "$EXPECTED/Script.c"
expect_file console-drop Script.c.bak ../expected-dropped.c

# q9strict's pipe: no LF may become CR LF on the way in or out.
new_case pipe
run pipe 0 'Initialize: SetVar(0,1); return(1);\nTimer: if(Equal(Var(0),10)) SetVar(0,0); IncVar(0); return(Sum(Var(0),2));\n' "$BATCH" -
expect_file pipe "$SCRATCH/pipe.out" "$EXPECTED/Script.c"

cd "$BUILD" || exit 1
echo "wine: $((passed + failed)) checks in $(($(date +%s) - started)) s, Wine set-up included"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
