#!/usr/bin/env bash
# The design-time package builds with lazbuild (in a copy of its folder,
# with a configuration folder of its own), with no error or warning from
# our own units.
#
#   lazbuild_package.sh LAZBUILD PACKAGE_DIR
set -euo pipefail

lazbuild=$1 package=$2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillon-lazpkg-XXXXXX")
[ -n "${QUILLON_KEEP_SCRATCH:-}" ] || trap 'rm -rf "$scratch"' EXIT
cp -r "$package" "$scratch/pkg"
start=$(date +%s)
if ! "$lazbuild" --pcp="$scratch/pcp" "$scratch/pkg/quillonlazarus.lpk" > "$scratch/build.log" 2>&1; then
    tail -n 40 "$scratch/build.log"
    echo "FAIL: lazbuild quillonlazarus.lpk failed" >&2
    exit 1
fi
echo "lazbuild quillonlazarus.lpk took $(( $(date +%s) - start )) s"
for unit in quillonlazarus quillonlazreg quillonwizardrun; do
    [ -f "$scratch/pkg/lib/x86_64-linux/$unit.ppu" ] || ls "$scratch"/pkg/lib/*/"$unit.ppu" > /dev/null \
        || { echo "FAIL: no $unit.ppu" >&2; exit 1; }
done
if grep -E "^$scratch/pkg/[^ ]+ (Warning|Error|Fatal)" "$scratch/build.log"; then
    echo "FAIL: our units compile with the warnings or errors above" >&2
    exit 1
fi
echo "PASS"
