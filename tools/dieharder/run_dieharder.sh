#!/bin/sh
# dieharder on the stream engines.
#
#   run_dieharder.sh RAW DIEHARDER OUTDIR [ENGINE...]   run `dieharder -a` on each engine in turn
#   run_dieharder.sh --table OUTDIR                     print the table of the logs in OUTDIR
#
# RAW is the stream_raw program (raw 32-bit words of a stream on stdout). ENGINE is mrg32k3a,
# philox or classic (default: all three, in that order). Each engine's stream 0 goes through
# `dieharder -a -g 200` into OUTDIR/dieharder_<engine>.log; every test assessed WEAK or FAILED
# is then run again on stream 1 (OUTDIR/dieharder_<engine>_rerun.log). Both run at the lowest
# priority. Finally the table of all logs found is printed.
set -u

table() {
    out=$1
    # One row per test (name and ntup), one column per engine: the assessments (several for a test
    # that reports more than one p-value), then the re-run's. A log without the last test of -a is
    # marked incomplete.
    awk -F'|' '
        function trim(s) { gsub(/^[ \t]+|[ \t]+$/, "", s); return s }
        FNR == 1 {
            engine = FILENAME; sub(/.*dieharder_/, "", engine); sub(/\.log$/, "", engine)
            rerun = sub(/_rerun$/, "", engine)
        }
        NF == 6 && $6 ~ /PASSED|WEAK|FAILED/ {
            key = trim($1) "|" trim($2)
            if (!(key in seen)) { seen[key] = 1; order[n++] = key }
            a = trim($6)
            if (rerun) again[key, engine] = (again[key, engine] == "" ? "" : again[key, engine] "/") a
            else {
                verdict[key, engine] = (verdict[key, engine] == "" ? "" : verdict[key, engine] "/") a
                count[engine, a]++
                if (trim($1) == "dab_monobit2") complete[engine] = 1
            }
        }
        END {
            split("mrg32k3a philox classic", engines, " ")
            printf "| test | ntup | MRG32k3a | Philox | classic |\n|---|---|---|---|---|\n"
            for (i = 0; i < n; ++i) {
                split(order[i], k, "|")
                printf "| %s | %s |", k[1], k[2]
                for (e = 1; e <= 3; ++e) {
                    v = verdict[order[i], engines[e]]
                    if (v == "") v = "not run"
                    if (again[order[i], engines[e]] != "") v = v " (stream 1: " again[order[i], engines[e]] ")"
                    printf " %s |", v
                }
                printf "\n"
            }
            printf "| **total** | | "
            for (e = 1; e <= 3; ++e)
                printf "%d passed, %d weak, %d failed%s | ", count[engines[e], "PASSED"], count[engines[e], "WEAK"],
                    count[engines[e], "FAILED"], complete[engines[e]] ? "" : " (incomplete)"
            printf "\n"
        }' $(ls "$out"/dieharder_*.log 2>/dev/null)
}

if [ "${1:-}" = "--table" ]; then
    table "$2"
    exit 0
fi

raw=$1 dh=$2 out=$3
shift 3
engines=${*:-mrg32k3a philox classic}
mkdir -p "$out"
for engine in $engines; do
    log=$out/dieharder_$engine.log
    echo "dieharder -a on $engine (log: $log)"
    nice -n 19 "$raw" "$engine" 0 | nice -n 19 "$dh" -a -g 200 > "$log" 2>&1
    rerun=$out/dieharder_${engine}_rerun.log
    : > "$rerun"
    awk -F'|' 'NF == 6 && $6 ~ /WEAK|FAILED/ { gsub(/ /, "", $1); gsub(/ /, "", $2); print $1, $2 }' "$log" |
        while read -r test ntup; do
            echo "  again on stream 1: $test (ntup $ntup)"
            nice -n 19 "$raw" "$engine" 1 | nice -n 19 "$dh" -d "$test" -n "$ntup" -g 200 >> "$rerun" 2>&1
        done
done
table "$out"
