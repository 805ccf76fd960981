#!/bin/sh
# Checks that the library's include graph only points down, and that reports name their sites.
# Usage: tests/check_layers.sh [source-dir]  (run by ctest as `layers`; prints each violation).
#
# The layers, lowest first (a family may include itself and what its line lists):
#   foundation            -
#   publicinterfaces      foundation                      (linear algebra, 3D geometry)
#   protectedinterfaces   foundation publicinterfaces     (LU on the math matrix)
#   ZELSimTimeMD.m        foundation
#   ZELRandomMD.m         foundation publicinterfaces protectedinterfaces
#   kinematics            every family above
#   simulation            foundation publicinterfaces protectedinterfaces ZELSimTimeMD.m ZELRandomMD.m
# ZELMath.h (the umbrella) includes everything. A family's internal/ folder counts as the family.
#
# Report sites: each family declares its sites in <family>/internal/ZEL*ReportSites.h, naming
# only its own files; foundation/internal/ZELReportSites.h holds the mechanism and no site. No
# library file uses __LINE__, makes a site outside a table, throws a library error directly or
# calls the assertion hook itself: they go through zel_internal::raise and zel_internal::report
# with a named site.
cd "${1:-.}" || exit 2

allowed() {
    case "$1" in
        foundation) echo "foundation" ;;
        publicinterfaces) echo "foundation publicinterfaces" ;;
        protectedinterfaces) echo "foundation publicinterfaces protectedinterfaces" ;;
        ZELSimTimeMD.m) echo "foundation ZELSimTimeMD.m" ;;
        ZELRandomMD.m) echo "foundation publicinterfaces protectedinterfaces ZELRandomMD.m" ;;
        kinematics) echo "foundation publicinterfaces protectedinterfaces ZELSimTimeMD.m ZELRandomMD.m kinematics" ;;
        simulation) echo "foundation publicinterfaces protectedinterfaces ZELSimTimeMD.m ZELRandomMD.m simulation" ;;
        *) echo "" ;;
    esac
}

families="foundation publicinterfaces protectedinterfaces ZELSimTimeMD.m ZELRandomMD.m kinematics simulation"
files=$(for d in $families; do [ -d "$d" ] && find "$d" -name '*.h' -o -name '*.cpp'; done | sort)
status=0
fail() {
    echo "$1"
    status=1
}

# Includes: one pass over every file. A quoted include whose first component is a family is
# checked against the including file's layer; anything else (the export header, the standard
# library) is not the graph's concern.
for family in $families; do
    printf '%s %s\n' "$family" "$(allowed "$family")"
done >"${TMPDIR:-/tmp}/zelmath_layers.$$"
# shellcheck disable=SC2086
awk -v rules="${TMPDIR:-/tmp}/zelmath_layers.$$" '
    BEGIN {
        while ((getline line < rules) > 0) {
            n = split(line, w, " ")
            known[w[1]] = 1
            for (i = 2; i <= n; ++i) ok[w[1] " " w[i]] = 1
        }
    }
    /^[ \t]*#[ \t]*include[ \t]*"/ {
        inc = $0
        sub(/^[^"]*"/, "", inc)
        sub(/".*/, "", inc)
        split(FILENAME, f, "/")
        split(inc, t, "/")
        if ((t[1] in known) && !((f[1] " " t[1]) in ok)) {
            print FILENAME ": includes " inc " (layer " f[1] " may not include " t[1] ")"
            bad = 1
        }
    }
    END { exit bad }' $files || status=1
rm -f "${TMPDIR:-/tmp}/zelmath_layers.$$"

# Reports: no __LINE__ outside comments, no site made outside a table, no direct throw of a
# library error, no direct call of the assertion hook.
tables=$(echo "$files" | grep '/internal/.*ReportSites\.h$')
others=$(echo "$files" | grep -v '/internal/.*ReportSites\.h$')
hookers=$(echo "$others" | grep -v '^foundation/scl_assert\.')
# shellcheck disable=SC2086
grep -n '__LINE__' $files | grep -v '^[^:]*:[0-9]*:[[:space:]]*//' |
    sed 's/$/   <- uses __LINE__ (name a report site instead)/' | grep . && status=1
# shellcheck disable=SC2086
grep -n '\(Throw\|Assert\)Site[[:space:]]*{' $others |
    sed 's/$/   <- makes a report site outside its family'"'"'s table/' | grep . && status=1
# shellcheck disable=SC2086
grep -n 'throw[[:space:]]\+ZELE[A-Za-z]*[[:space:]]*(' $others |
    sed 's/$/   <- throws a library error directly (use zel_internal::raise)/' | grep . && status=1
# shellcheck disable=SC2086
grep -n '_scl_do_assert[[:space:]]*(' $hookers | grep -v '^foundation/internal/ZELReportSites\.h:' |
    sed 's/$/   <- calls the assertion hook directly (use zel_internal::report)/' | grep . && status=1
: "$tables"

# Site tables: only the family's own files; the mechanism header declares no site.
if grep -n 'constexpr[[:space:]]\+\(Throw\|Assert\)Site' foundation/internal/ZELReportSites.h; then
    fail "foundation/internal/ZELReportSites.h: declares sites (they belong to their families)"
fi
for table in $(for d in $families; do [ -d "$d" ] && find "$d" -path '*/internal/*ReportSites.h'; done); do
    family=${table%%/*}
    for named in $(tr '\n' ' ' <"$table" | grep -o 'Site[[:space:]]\+k[A-Za-z0-9_]*{[^}]*}' |
        sed -n 's/^[^{]*{[^,]*,[[:space:]]*"\([^"]*\)".*/\1/p'); do
        case "$named" in
            "$family"/*) ;;
            *) fail "$table: names $named, a file of another family" ;;
        esac
    done
done

[ $status -eq 0 ] && echo "layers: every include points down; every report names a site of its own family"
exit $status
