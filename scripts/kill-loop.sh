#!/usr/bin/env bash
# Kills every writer of kova-cli at random moments and checks what is left: each target must be
# absent, the complete old file or the complete new file, never a partial one; after the next
# normal write no temporary file or folder may be left. Then interrupts every writer (INT or TERM)
# at random moments: it must end with 130 or 143 (or 0 or 1 when it was done), leave the target
# complete and no temporary file or folder at all. Then runs two writers of one target at the
# same time and counts failures. Run by hand (not part of the test suite):
#
#   scripts/kill-loop.sh [KOVA_CLI] [KILLS] [ONLY]
#
# KOVA_CLI defaults to build/release/app/kova-cli, KILLS (per writer) to 50; ONLY (a pattern)
# runs only the writers whose names match it.
set -u

cli=$(realpath "${1:-build/release/app/kova-cli}")
kills=${2:-50}
only=${3:-}
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR="$work/tmp" QT_QPA_PLATFORM=offscreen
mkdir -p "$TMPDIR" "$work/data" "$work/out"
cd "$work" || exit 2
run() { "$cli" "$@" --data-dir "$work/data" >/dev/null 2>&1; }

# Inputs: a two-system project with some channels, a list and a scan.
cp "$src/fuzz/seeds/project/two_systems.kova" in.kova
run generate in.kova --runs 20 --seed 7 --add 30 --add2 30 --apply p.kova || { echo "no project"; exit 2; }
printf 'MHz\n' > list.csv
for i in $(seq 0 199); do printf '%s.%03d\n' $((520 + i / 10)) $((i % 10 * 100)); done >> list.csv
for i in $(seq 0 4999); do printf '%s.%03d,%s\n' $((470 + i / 100)) $((i % 100 * 10)) $((i % 97 == 0 ? -40 : -95)); done > scan.csv

# Whether target $1 of kind $2 is a complete file.
complete() {
  case "$2" in
    kova) run describe "$1" ;;
    log) tail -c 200 "$1" | grep -q "Channel configuration is" ;;
    png) tail -c 12 "$1" | grep -q IEND ;;
    rtf) [ "$(tail -c 2 "$1" | tr -d '\n')" = "}" ] ;;
    pdf) tail -c 32 "$1" | grep -q "%%EOF" ;;
    *) cmp -s "$1" "$1.ref" ;;
  esac
}

partial=0
leftover_total=0
# writer NAME KIND TARGET COMMAND...: the command writes TARGET.
writer() {
  local name=$1 kind=$2 target=$3
  shift 3
  [[ -z "$only" || "$name" =~ $only ]] || return 0
  run "$@" && cp "$target" "$target.ref"   # the old file, and for texts the reference
  local t0 t1 span bad=0 hit=0
  t0=$(date +%s%N); run "$@"; t1=$(date +%s%N)
  span=$(( (t1 - t0) / 1000 + 1 ))        # microseconds of one run
  for _ in $(seq "$kills"); do
    "$cli" "$@" --data-dir "$work/data" >/dev/null 2>&1 &
    local pid=$!
    # Most of a run is its start; the kill falls in its second half, where the files are written.
    local at=$(( span / 2 + (RANDOM * 32768 + RANDOM) % (span * 3 / 5 + 1) ))
    sleep "$(printf '%d.%06d' $((at / 1000000)) $((at % 1000000)))"
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if [ -e "$target" ] && ! complete "$target" "$kind"; then bad=$((bad + 1)); fi
    # A kill while writing leaves a temporary file (or folder), which the next run removes.
    if [ -n "$(find "$work/out" "$TMPDIR" -mindepth 1 \( -name '.*kova-tmp-*' -o -name 'kova-print-*' \) | head -1)" ]; then
      hit=$((hit + 1))
    fi
  done
  run "$@"   # the next normal write
  local left
  left=$(find "$work/out" "$TMPDIR" -mindepth 1 \( -name '.*kova-tmp-*' -o -name 'kova-print-*' \) | wc -l)
  printf '%-22s %3d kills (%2d while writing), %d partial targets, %d leftovers after the next write\n' "$name" \
    "$kills" "$hit" "$bad" "$left"
  partial=$((partial + bad))
  leftover_total=$((leftover_total + left))
  rm -f "$target.ref"
}

writer "export --out" txt out/e.txt export p.kova --out out/e.txt
writer "export --csv --out" csv out/e.csv export p.kova --csv --out out/e.csv
writer "check --log" log out/c.log check p.kova --log out/c.log
writer "generate --report" txt out/g.txt generate p.kova --runs 50 --seed 3 --report out/g.txt
writer "generate --apply" kova out/g.kova generate p.kova --runs 50 --seed 3 --apply out/g.kova
writer "system add --apply" kova out/s.kova system add p.kova --like 0 --apply out/s.kova
writer "import --apply" kova out/i.kova import p.kova list.csv --apply out/i.kova
writer "scan --apply" kova out/n.kova scan p.kova scan.csv --apply out/n.kova
writer "picture --out" png out/p.png picture p.kova --out out/p.png
writer "print --out" rtf out/d.rtf print p.kova --out out/d.rtf
writer "spectrum --apply" kova out/t.kova spectrum p.kova --region "Europe UHF 21-48" --except 30 --apply out/t.kova

# interrupted NAME KIND TARGET COMMAND...: INT or TERM at a random moment of the run.
stopped_bad=0
interrupted() {
  local name=$1 kind=$2 target=$3
  shift 3
  [[ -z "$only" || "interrupt: $name" =~ $only ]] || return 0
  run "$@" && cp "$target" "$target.ref"
  local t0 t1 span bad=0 left=0 wrong=0 stopped=0
  t0=$(date +%s%N); run "$@"; t1=$(date +%s%N)
  span=$(( (t1 - t0) / 1000 + 1 ))
  for i in $(seq "$kills"); do
    local sig=INT
    [ $((i % 2)) -eq 0 ] && sig=TERM
    # A shell starts background commands with INT ignored; this one gets it as a terminal would.
    env --default-signal=INT "$cli" "$@" --data-dir "$work/data" >/dev/null 2>&1 &
    local pid=$!
    local at=$(( (RANDOM * 32768 + RANDOM) % (span + 1) ))
    sleep "$(printf '%d.%06d' $((at / 1000000)) $((at % 1000000)))"
    kill -s "$sig" "$pid" 2>/dev/null
    wait "$pid"
    local code=$?
    case "$code" in
      0|1) ;;  # done before the signal: its own answer
      130|143) stopped=$((stopped + 1)) ;;
      *) wrong=$((wrong + 1)) ;;
    esac
    if [ -e "$target" ] && ! complete "$target" "$kind"; then bad=$((bad + 1)); fi
    left=$((left + $(find "$work/out" "$TMPDIR" -mindepth 1 \( -name '.*kova-tmp-*' -o -name 'kova-print-*' \) | wc -l)))
    find "$work/out" "$TMPDIR" -mindepth 1 \( -name '.*kova-tmp-*' -o -name 'kova-print-*' \) -exec rm -rf {} + 2>/dev/null
  done
  printf '%-28s %3d signals (%2d stopped it), %d partial targets, %d leftovers, %d other exit codes\n' \
    "interrupt: $name" "$kills" "$stopped" "$bad" "$left" "$wrong"
  rm -f "$target.ref"
  stopped_bad=$((stopped_bad + bad + left + wrong))
}
interrupted "export --out" txt out/e.txt export p.kova --out out/e.txt
interrupted "check --log" log out/c.log check p.kova --log out/c.log
interrupted "generate --apply" kova out/g.kova generate p.kova --runs 50 --seed 3 --apply out/g.kova
interrupted "system add --apply" kova out/s.kova system add p.kova --like 0 --apply out/s.kova
interrupted "import --apply" kova out/i.kova import p.kova list.csv --apply out/i.kova
interrupted "scan --apply" kova out/n.kova scan p.kova scan.csv --apply out/n.kova
interrupted "picture --out" png out/p.png picture p.kova --out out/p.png
interrupted "print --out" rtf out/d.rtf print p.kova --out out/d.rtf
interrupted "print --out pdf" pdf out/d.pdf print p.kova --out out/d.pdf

# generate --report R --apply A: a new report always comes with a new project.
mismatch=0
if [[ -z "$only" || "generate --report --apply" =~ $only ]]; then
run generate p.kova --runs 50 --seed 1 --report out/r.txt --apply out/a.kova
run generate p.kova --runs 50 --seed 2 --report out/r2.ref --apply out/a2.ref
for _ in $(seq "$kills"); do
  "$cli" generate p.kova --runs 50 --seed 2 --report out/r.txt --apply out/a.kova --data-dir "$work/data" >/dev/null 2>&1 &
  pid=$!
  sleep "$(printf '0.%06d' $(( (RANDOM * 32768 + RANDOM) % 400000 )))"
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  if cmp -s out/r.txt out/r2.ref && ! cmp -s out/a.kova out/a2.ref; then mismatch=$((mismatch + 1)); fi
  run generate p.kova --runs 50 --seed 1 --report out/r.txt --apply out/a.kova   # back to old
done
printf '%-22s %3d kills, %d new reports with an old project\n' "generate --report --apply" "$kills" "$mismatch"
fi

# Two writers of one target at the same time.
two_writers() {
  local name=$1 failures=0
  shift
  [[ -z "$only" || "two writers: $name" =~ $only ]] || return 0
  for _ in $(seq "$kills"); do
    "$cli" "$@" --data-dir "$work/data" >/dev/null 2>"$work/e1" &
    local a=$!
    "$cli" "$@" --data-dir "$work/data" >/dev/null 2>"$work/e2" &
    local b=$!
    wait "$a"; local ra=$?
    wait "$b"; local rb=$?
    [ "$ra" -le 1 ] || failures=$((failures + 1))
    [ "$rb" -le 1 ] || failures=$((failures + 1))
  done
  local left
  left=$(find "$work/out" -name '.*kova-tmp-*' | wc -l)
  printf '%-28s %3d pairs, %d failures, %d leftovers\n' "two writers: $name" "$kills" "$failures" "$left"
  partial=$((partial + failures))
  leftover_total=$((leftover_total + left))
}
two_writers "check --log" check p.kova --log out/same.log
two_writers "generate --apply" generate p.kova --runs 20 --apply out/same.kova
two_writers "print --out" print p.kova --out out/same.rtf

[ "$partial" -eq 0 ] && [ "$leftover_total" -eq 0 ] && [ "$mismatch" -eq 0 ] && [ "$stopped_bad" -eq 0 ]
