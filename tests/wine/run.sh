#!/usr/bin/env bash
# End-to-end tests of the Windows programs under Wine:
#   tests/wine/run.sh BUILD_DIR
# BUILD_DIR holds Q9ToQ9strict.exe and q9strict.exe (./dev windows builds them
# into build-win). Each case runs a program in a scratch folder of its own and
# compares the exit status, standard output and error byte for byte, and the
# files left behind, with the files in tests/wine/expected, which are what the
# Linux programs give for the same input. The Wine prefix lives in
# BUILD_DIR/wine-prefix and is made on the first run.
set -uo pipefail

if [ $# -ne 1 ]; then
  echo "usage: tests/wine/run.sh BUILD_DIR" >&2
  exit 2
fi
BUILD=$(cd "$1" && pwd)
EXPECTED=$(cd "$(dirname "$0")/expected" && pwd)
SCRATCH=$BUILD/wine-scratch
INTERACTIVE=$BUILD/Q9ToQ9strict.exe
BATCH=$BUILD/q9strict.exe

# Debian's wine64 package keeps its loader outside PATH; the wine package adds
# a `wine` command in PATH.
WINE=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
if [ ! -x "$WINE" ]; then
  echo "Wine not found (apt-get install wine64)" >&2
  exit 1
fi
for program in "$INTERACTIVE" "$BATCH"; do
  [ -f "$program" ] || { echo "missing $program" >&2; exit 1; }
done

started=$(date +%s)
rm -rf "$SCRATCH"
mkdir -p "$SCRATCH"

export WINEDEBUG=-all
# Wine takes the Windows ANSI code page from the locale: this one gives 1252,
# in which 0xF6 is the o-umlaut.
export LC_ALL=C.UTF-8
export WINEPREFIX=$BUILD/wine-prefix
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer prompts
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$WINE" wineboot -i >/dev/null 2>&1
fi
# The server this script started stops with it.
trap '"$WINESERVER" -k >/dev/null 2>&1 || true' EXIT

passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() {
  failed=$((failed + 1))
  echo "FAIL: $*"
}

# expect_file CASE ACTUAL EXPECTED: the two files hold the same bytes.
expect_file() {
  if cmp -s "$2" "$3"; then
    pass
  else
    fail "$1: $(basename "$2") differs from $(basename "$3")"
    diff <(od -c "$3") <(od -c "$2") | head -n 20
  fi
}

expect_status() {
  if [ "$2" = "$3" ]; then pass; else fail "$1: exit status $2, expected $3"; fi
}

# expect_names CASE DIR NAME...: DIR holds exactly these names, so no
# temporary file was left behind and nothing else was created.
expect_names() {
  local case=$1 dir=$2
  shift 2
  local actual wanted
  actual=$(cd "$dir" && find . -mindepth 1 | sort | tr '\n' ' ')
  wanted=$([ $# -eq 0 ] || printf '%s\n' "$@" | sort | tr '\n' ' ')
  if [ "$actual" = "$wanted" ]; then pass; else fail "$case: folder holds $actual, expected $wanted"; fi
}

# new_case NAME: an empty scratch folder, made the working folder.
new_case() {
  rm -rf "${SCRATCH:?}/$1"
  mkdir -p "$SCRATCH/$1"
  cd "$SCRATCH/$1" || exit 1
}

# run NAME INPUT PROGRAM ARG...: runs in the current folder with INPUT on
# standard input; keeps the exit status and the output in $SCRATCH/NAME.*.
run() {
  local name=$1 input=$2
  shift 2
  printf '%b' "$input" | "$WINE" "$@" >"$SCRATCH/$name.out" 2>"$SCRATCH/$name.err"
  echo $? >"$SCRATCH/$name.status"
}

status_of() { cat "$SCRATCH/$1.status"; }

old_script() {
  printf '%s\n' 'Initialize: SetVar(0,1); return(1);' \
    'Timer: if(Equal(Var(0),10)) SetVar(0,0); IncVar(0); return(Sum(Var(0),2));' >"$1"
}


# Linked statically: the programs need no DLL that Windows does not bring.
OBJDUMP=$(command -v x86_64-w64-mingw32-objdump || true)
if [ -n "$OBJDUMP" ]; then
  for program in "$INTERACTIVE" "$BATCH"; do
    extra=$("$OBJDUMP" -p "$program" | sed -n 's/^\tDLL Name: //p' |
      grep -viE '^(kernel32|msvcrt|ucrtbase|ntdll|user32|advapi32|shell32|bcrypt|ws2_32)\.dll$|^api-ms-win-' |
      tr '\n' ' ')
    if [ -z "$extra" ]; then pass; else fail "$(basename "$program") needs $extra"; fi
  done
fi

# The unit tests built for Windows, where GoogleTest could be built.
if [ -f "$BUILD/q9_tests.exe" ]; then
  if "$WINE" "$BUILD/q9_tests.exe" --gtest_brief=1 >"$SCRATCH/unit.out" 2>&1; then
    pass
  else
    fail "unit tests:"
    cat "$SCRATCH/unit.out"
  fi
  grep -aE '^\[  (PASSED|FAILED) ' "$SCRATCH/unit.out" | tr -d '\r' | sed 's/^/q9_tests.exe: /'
fi

# The interactive program.

new_case help
run help '/help\n' "$INTERACTIVE"
expect_status help "$(status_of help)" 1
expect_file help "$SCRATCH/help.out" "$EXPECTED/help.out"
expect_file help "$SCRATCH/help.err" /dev/null
expect_names help .

new_case convert
old_script Script.c
run convert 'Script.c\n\n' "$INTERACTIVE"
expect_status convert "$(status_of convert)" 0
expect_file convert "$SCRATCH/convert.out" "$EXPECTED/convert.out"
expect_file convert Script.c "$EXPECTED/Script.c"
expect_names convert . ./Script.c

# Enter alone picks Script.c; a Windows console sends CR LF for Enter.
new_case enter
old_script Script.c
run enter '\r\n\r\n' "$INTERACTIVE"
expect_status enter "$(status_of enter)" 0
expect_file enter "$SCRATCH/enter.out" "$EXPECTED/convert.out"
expect_file enter Script.c "$EXPECTED/Script.c"

new_case missing-file
run missing-file 'New.c\n\n' "$INTERACTIVE"
expect_status missing-file "$(status_of missing-file)" 0
expect_file missing-file "$SCRATCH/missing-file.out" "$EXPECTED/missing-file.out"
expect_file missing-file New.c "$EXPECTED/New.c"
expect_names missing-file . ./New.c

new_case read-error
mkdir Sub
run read-error 'Sub\n\n' "$INTERACTIVE"
expect_status read-error "$(status_of read-error)" 1
expect_file read-error "$SCRATCH/read-error.out" "$EXPECTED/read-error.out"
expect_names read-error . ./Sub

# Wine shows a file without write permission as read-only.
new_case write-error
old_script ro.c
chmod a-w ro.c
run write-error 'ro.c\n\n' "$INTERACTIVE"
expect_status write-error "$(status_of write-error)" 1
expect_file write-error "$SCRATCH/write-error.out" "$EXPECTED/write-error.out"
old_script ../expected-ro.c
expect_file write-error ro.c ../expected-ro.c
expect_names write-error . ./ro.c

# A name with an umlaut, typed as Windows sends it (0xF6, code page 1252) and
# met in a folder walk; Wine shows the Linux name (UTF-8) to Windows as such.
new_case umlaut-name
old_script 'Schwert_ö.c'
run umlaut-name 'Schwert_\xF6.c\n\n' "$INTERACTIVE"
expect_status umlaut-name "$(status_of umlaut-name)" 0
expect_file umlaut-name 'Schwert_ö.c' "$EXPECTED/Script.c"
mkdir walk
old_script 'walk/Schwert_ö.c'
run umlaut-walk '' "$BATCH" walk
expect_status umlaut-walk "$(status_of umlaut-walk)" 0
expect_file umlaut-walk 'walk/Schwert_ö.c' "$EXPECTED/Script.c"

# The batch program on a small tree: a script to convert, one already
# converted, one with a bracket error and a file the walk does not take.
make_tree() {
  mkdir -p tree/a tree/b tree/c
  old_script tree/a/Script.c
  cp "$EXPECTED/Script.c" tree/b/Done.c
  printf '%s\n' 'Hit: DoDamage(Sum(Var(0),' '3)); return(1);' >tree/c/Damage.c
  echo notes >tree/c/notes.txt
  # Lines ending in CR LF keep their CR.
  printf 'Initialize: SetVar(0,1);\r\n' >tree/c/Dos.c
}
TREE_NAMES=(./tree ./tree/a ./tree/b ./tree/c ./tree/a/Script.c ./tree/b/Done.c
  ./tree/c/Damage.c ./tree/c/notes.txt ./tree/c/Dos.c)

new_case check
make_tree
cp -r tree ../check-before
run check '' "$BATCH" --check tree
expect_status check "$(status_of check)" 1
expect_file check "$SCRATCH/check.out" "$EXPECTED/check.out"
expect_file check "$SCRATCH/check.err" "$EXPECTED/check.err"
if diff -r tree ../check-before >/dev/null; then pass; else fail "check: the tree was changed"; fi
expect_names check . "${TREE_NAMES[@]}"

new_case diff
make_tree
run diff '' "$BATCH" --diff tree
expect_status diff "$(status_of diff)" 0
expect_file diff "$SCRATCH/diff.out" "$EXPECTED/diff.out"
expect_file diff "$SCRATCH/diff.err" "$EXPECTED/diff.err"
expect_names diff . "${TREE_NAMES[@]}"

# In place, two threads, keeping backups as hard links.
new_case backup
make_tree
run backup '' "$BATCH" -j 2 --backup tree
expect_status backup "$(status_of backup)" 0
expect_file backup "$SCRATCH/backup.err" "$EXPECTED/backup.err"
expect_file backup tree/a/Script.c "$EXPECTED/Script.c"
old_script ../expected-old.c
expect_file backup tree/a/Script.c.bak ../expected-old.c
expect_file backup tree/c/Dos.c "$EXPECTED/Dos.c"
expect_names backup . "${TREE_NAMES[@]}" ./tree/a/Script.c.bak ./tree/c/Damage.c.bak \
  ./tree/c/Dos.c.bak
run backup-then-check '' "$BATCH" --check tree
expect_status backup-then-check "$(status_of backup-then-check)" 0
expect_file backup-then-check "$SCRATCH/backup-then-check.err" "$EXPECTED/backup-then-check.err"

cd "$BUILD" || exit 1
echo "wine: $((passed + failed)) checks in $(($(date +%s) - started)) s, Wine set-up included"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
