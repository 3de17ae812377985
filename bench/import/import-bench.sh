#!/usr/bin/env bash
# Times `orvex-db import` of 1,000,000 generated dictionary lines into a new
# dictionary, beside sqlite3's own `.import` of the same file into a new
# database, and prints both with lines per second. The target: orvex-db no
# slower than 1.5 times sqlite3. The dictionary keeps no history of changes
# there, as one made before the history; the same import into one that
# keeps it (as orvex-db create makes them) is timed beside it: the target,
# at most 1.5 times the import without. For scale it also prints sqlite3's .import
# followed by the lookup index orvex-db builds, the same finished table.
# Then it times a search of the definitions for two words (target: half a
# second), and 40,000 lines of one acronym (each a new meaning, appended)
# beside 40,000 distinct acronyms: appending must cost no more per line than
# adding, so the target is at most 2 times. A benchmark, not a test: it
# prints figures and says whether the targets were met; it fails only if a
# run fails.
#
#   bench/import/import-bench.sh [BUILD_DIR] [LINES] [ROUNDS]
#
# BUILD_DIR defaults to build (made with ./test.sh or cmake), LINES to
# 1000000, ROUNDS to 3; the best round of each counts, which keeps other
# work on the machine out of the figures as far as it can be.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/packages.sh
ensure_packages sqlite3

build=${1:-build}
lines=${2:-1000000}
rounds=${3:-3}
tool="$build/bin/orvex-db"
[ -x "$tool" ] || { echo "no $tool: build first (./test.sh)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
input="$work/lines.tsv"

# Acronyms of two to six capital letters with a serial number, so that each
# is new, and definitions of three to eight words: lines like real ones.
awk -v n="$lines" 'BEGIN {
    srand(20261207)
    split("access active adaptive advanced agency air analysis application array assembly " \
          "association automatic bank based board broadcast business card central channel " \
          "code command common communication computer control council data defense delivery " \
          "department design device digital direct distributed domain electronic energy " \
          "engine environment european exchange federal file financial force format frame " \
          "general global graphics group health high information integrated interface " \
          "international internet language layer line local management market memory " \
          "mobile model national network number office online operating organization " \
          "package personal power private processing program protocol public quality " \
          "random real remote research resource security service signal software standard " \
          "storage system technology terminal transfer transport unit universal user " \
          "virtual wireless world", words, " ")
    nwords = length(words)
    for (i = 0; i < n; i++) {
        len = 2 + int(rand() * 5); key = ""
        for (j = 0; j < len; j++) key = key sprintf("%c", 65 + int(rand() * 26))
        count = 3 + int(rand() * 6); definition = ""
        for (j = 0; j < count; j++) {
            word = words[1 + int(rand() * nwords)]
            definition = definition (j ? " " : "") toupper(substr(word, 1, 1)) substr(word, 2)
        }
        printf "%s%d\t%s\n", key, i, definition
    }
}' >"$input"
bytes=$(stat -c %s "$input")

# Runs a command and prints its wall-clock and CPU seconds (user + system).
timed() {
    local TIMEFORMAT='%R %U %S' times
    times=$( { time "$@" >"$work/run.out" 2>&1; } 2>&1 ) || { cat "$work/run.out" >&2; exit 1; }
    echo "$times" | awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }'
}
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# A dictionary made before there was a history of changes.
without_history() {
    "$tool" create "$1" >/dev/null
    sqlite3 "$1" "DROP TRIGGER AcronymsHistoryAdded; DROP TRIGGER AcronymsHistoryChanged;
                  DROP TRIGGER AcronymsHistoryDeleted; DROP TABLE AcronymsHistory"
}

best_orvex= best_sqlite= cpu_orvex= cpu_sqlite= best_kept= cpu_kept=
for round in $(seq "$rounds"); do
    rm -f "$work/orvex.fdb" "$work/kept.fdb" "$work/sqlite.db"
    without_history "$work/orvex.fdb"
    read -r orvex orvex_cpu < <(timed "$tool" import "$input" --into "$work/orvex.fdb")
    "$tool" create "$work/kept.fdb" >/dev/null
    read -r kept kept_cpu < <(timed "$tool" import "$input" --into "$work/kept.fdb")

    sqlite3 "$work/sqlite.db" "CREATE TABLE Acronyms (Acronym TEXT, Definition TEXT)"
    read -r sqlite sqlite_cpu < <(timed sqlite3 "$work/sqlite.db" ".mode tabs" ".import $input Acronyms")
    read -r indexed indexed_cpu < <(timed sqlite3 "$work/sqlite.db" \
        "CREATE INDEX AcronymsTrimmed ON Acronyms (trim(Acronym, ' '))")

    printf 'round %d: orvex-db %.3f s (cpu %.3f s), with a history %.3f s (cpu %.3f s), sqlite3 %.3f s (cpu %.3f s), its index %.3f s (cpu %.3f s)\n' \
        "$round" "$orvex" "$orvex_cpu" "$kept" "$kept_cpu" "$sqlite" "$sqlite_cpu" "$indexed" "$indexed_cpu"
    best_orvex=$(min "$best_orvex" "$orvex") best_sqlite=$(min "$best_sqlite" "$sqlite")
    best_kept=$(min "$best_kept" "$kept") cpu_kept=$(min "$cpu_kept" "$kept_cpu")
    cpu_orvex=$(min "$cpu_orvex" "$orvex_cpu") cpu_sqlite=$(min "$cpu_sqlite" "$sqlite_cpu")
    best_indexed=$(min "${best_indexed:-}" "$(awk -v a="$sqlite" -v b="$indexed" 'BEGIN { print a + b }')")
    cpu_indexed=$(min "${cpu_indexed:-}" "$(awk -v a="$sqlite_cpu" -v b="$indexed_cpu" 'BEGIN { print a + b }')")
done

stored=$(sqlite3 "$work/orvex.fdb" "SELECT count(*) FROM Acronyms")
copied=$(sqlite3 "$work/sqlite.db" "SELECT count(*) FROM Acronyms")
[ "$stored" = "$lines" ] || { echo "orvex-db stored $stored of $lines lines" >&2; exit 1; }
[ "$copied" = "$lines" ] || { echo "sqlite3 stored $copied of $lines lines" >&2; exit 1; }
recorded=$(sqlite3 "$work/kept.fdb" "SELECT count(*) FROM AcronymsHistory")
[ "$recorded" = "$lines" ] || { echo "the history holds $recorded changes for $lines lines" >&2; exit 1; }

ratio=$(awk -v a="$best_orvex" -v b="$best_sqlite" 'BEGIN { printf "%.2f", a / b }')
cpu_ratio=$(awk -v a="$cpu_orvex" -v b="$cpu_sqlite" 'BEGIN { printf "%.2f", a / b }')
echo
awk -v n="$lines" -v bytes="$bytes" -v o="$best_orvex" -v s="$best_sqlite" -v oc="$cpu_orvex" -v sc="$cpu_sqlite" 'BEGIN {
    printf "input:            %d lines, %.1f MB\n", n, bytes / 1e6
    printf "orvex-db import:  %.3f s  %9.0f lines/s  (cpu %.3f s)\n", o, n / o, oc
    printf "sqlite3 .import:  %.3f s  %9.0f lines/s  (cpu %.3f s)\n", s, n / s, sc
}'
verdict=$(awk -v r="$ratio" 'BEGIN { print (r <= 1.5) ? "target met" : "target MISSED" }')
echo "ratio:            $ratio x sqlite3 in time, $cpu_ratio x in cpu (target: at most 1.50) -> $verdict"
awk -v o="$best_orvex" -v s="$best_indexed" -v oc="$cpu_orvex" -v sc="$cpu_indexed" 'BEGIN {
    printf "with its index:   sqlite3 .import + CREATE INDEX %.3f s (cpu %.3f s): orvex-db %.2f x in time, %.2f x in cpu\n", s, sc, o / s, oc / sc
}'
awk -v o="$best_orvex" -v k="$best_kept" -v oc="$cpu_orvex" -v kc="$cpu_kept" -v n="$lines" 'BEGIN {
    r = k / o
    printf "with a history:   %.3f s  %9.0f lines/s  (cpu %.3f s): %.2f x without in time, %.2f x in cpu\n", k, n / k, kc, r, kc / oc
    printf "ratio:            %.2f x the import without a history (target: at most 1.50) -> %s\n", r, (r <= 1.5 ? "target met" : "target MISSED")
}'
echo "(best of $rounds rounds each; orvex-db also upper-cases keys, merges repeated"
echo " acronyms, writes Active and builds the lookup index; sqlite3 copies the two"
echo " columns as they are)"

# A search of the definitions at a million acronyms, in the dictionary just
# imported: target half a second.
best_search=
for round in $(seq "$rounds"); do
    read -r seconds _ < <(timed "$tool" search network protocol --db "$work/orvex.fdb")
    best_search=$(min "$best_search" "$seconds")
done
found=$(grep -c . "$work/run.out" || true)
awk -v n="$lines" -v s="$best_search" -v f="$found" 'BEGIN {
    printf "orvex-db search:  %.3f s for two words in %d acronyms (%d found; target: at most 0.50 s) -> %s\n", s, n, f, (s <= 0.5 ? "target met" : "target MISSED")
}'

# One acronym over and over against as many different ones.
repeats=40000
awk -v n="$repeats" 'BEGIN { for (i = 0; i < n; i++) printf "SAME\tmeaning number %d\n", i }' >"$work/same.tsv"
awk -v n="$repeats" 'BEGIN { for (i = 0; i < n; i++) printf "K%d\tmeaning number %d\n", i, i }' >"$work/distinct.tsv"
best_same= best_distinct=
for round in $(seq "$rounds"); do
    for kind in same distinct; do
        rm -f "$work/$kind.fdb"
        "$tool" create "$work/$kind.fdb" >/dev/null
        read -r seconds _ < <(timed "$tool" import "$work/$kind.tsv" --into "$work/$kind.fdb")
        if [ "$kind" = same ]; then best_same=$(min "$best_same" "$seconds"); else best_distinct=$(min "$best_distinct" "$seconds"); fi
    done
done
echo
awk -v n="$repeats" -v a="$best_same" -v d="$best_distinct" 'BEGIN {
    r = a / d
    printf "one acronym %d times:   %.3f s\n%d distinct acronyms:   %.3f s\n", n, a, n, d
    printf "ratio:            %.2f x (target: at most 2.00, appending as cheap as adding) -> %s\n", r, (r <= 2 ? "target met" : "target MISSED")
}'

