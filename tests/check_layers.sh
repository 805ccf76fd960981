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
        *) echo "" ;;
    esac
}

families="foundation publicinterfaces protectedinterfaces ZELSimTimeMD.m ZELRandomMD.m kinematics"
files=$(for d in $families; do [ -d "$d" ] && find "$d" -name '*.h' -o -name '*.cpp'; done | sort)
status=0
fail() {
    echo "$1"
    status=1
}

for f in $files; do
    family=${f%%/*}
    ok=$(allowed "$family")
    # Every quoted include that names a file of the tree.
    for inc in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$f"); do
        [ -f "$inc" ] || continue
        target=${inc%%/*}
        case " $ok " in
            *" $target "*) ;;
            *) fail "$f: includes $inc (layer $family may include: $ok)" ;;
        esac
    done
    if grep -n '__LINE__' "$f" | grep -v '^[0-9]*:[[:space:]]*//' >/dev/null; then
        fail "$f: uses __LINE__ (name a report site instead)"
    fi
    case "$f" in
        */internal/*ReportSites.h) ;;
        *)
            grep -n '\(Throw\|Assert\)Site[[:space:]]*{\|,[[:space:]]*{[^}]*"[^"]*",[[:space:]]*[0-9]' "$f" |
                sed "s|^|$f: makes a report site outside its family's table: |" | grep . && status=1
            ;;
    esac
    case "$f" in
        foundation/scl_assert.* | foundation/internal/ZELReportSites.h) ;;
        *)
            grep -n '_scl_do_assert[[:space:]]*(' "$f" | sed "s|^|$f: calls the assertion hook directly (use zel_internal::report): |" |
                grep . && status=1
            grep -n 'throw[[:space:]]\+ZELE[A-Za-z]*[[:space:]]*(' "$f" |
                sed "s|^|$f: throws a library error directly (use zel_internal::raise): |" | grep . && status=1
            ;;
    esac
done

# Site tables: only the family's own files; the mechanism header declares no site.
if grep -n 'constexpr[[:space:]]\+\(Throw\|Assert\)Site' foundation/internal/ZELReportSites.h; then
    fail "foundation/internal/ZELReportSites.h: declares sites (they belong to their families)"
fi
for table in $(for d in $families; do [ -d "$d" ] && find "$d" -path '*/internal/*ReportSites.h'; done); do
    family=${table%%/*}
    for named in $(sed -n 's/.*Site{[^,]*,[[:space:]]*"\([^"]*\)".*/\1/p' "$table"); do
        case "$named" in
            "$family"/*) ;;
            *) fail "$table: names $named, a file of another family" ;;
        esac
    done
done

[ $status -eq 0 ] && echo "layers: every include points down; every report names a site of its own family"
exit $status
