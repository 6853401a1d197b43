#!/usr/bin/env bash
# "quillon wizard --result FILE --lpi", as the Lazarus package runs it:
# one row per way a run ends, each the script it performs and the result
# file it must leave (the lines, in order, with $D for the run's folder).
#
#   wizard_result.sh QUILLON PASCAL_DIR
set -uo pipefail

quillon=$1 pascal=$2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillon-wizresult-XXXXXX")
[ -n "${QUILLON_KEEP_SCRATCH:-}" ] || trap 'rm -rf "$scratch"' EXIT
export QT_QPA_PLATFORM=offscreen
failed=0

# The pages up to Finish for a project without a database, written to
# $D/Ext.dpr and saved as $D/Ext.qnp.
walk() {
    local d=$1
    cat <<SCRIPT
click btnNext
click btnNext
click btnNext
uncheck cbDataOK
click btnNext
type edPageTitle From Lazarus
type edExtName Ext
click btnNext
type edDLLFile $d/Ext
click btnNext
file $d/Ext.qnp
click btnFinish
SCRIPT
}

# row NAME ROOT_DIR STATUS SCRIPT EXPECTED [SETUP]: runs SCRIPT in a fresh
# folder $D (SETUP first, in $D) with ROOT_DIR recorded; the exit status
# and the result file must be as given.
row() {
    local name=$1 root=$2 want=$3 script=$4 expected=$5 setup=${6:-}
    local d=$scratch/$name status
    mkdir -p "$d"
    (cd "$d" && eval "$setup")
    export QUILLON_REGISTRY_DIR=$d/registry QUILLON_ENGINE_CONFIG=$d/engine.cfg
    "$quillon" install --root-dir "$root" > /dev/null 2>&1
    printf '%s\n' "$script" > "$d/run.script"
    (cd "$d" && "$quillon" wizard --script run.script --result "$d/result.txt" --lpi > transcript.txt 2> err.txt)
    status=$?
    expected=${expected//\$D/$d}
    if [ "$status" != "$want" ] || [ "$(cat "$d/result.txt" 2>&1)" != "$expected" ]; then
        echo "FAIL $name: exit status $status (want $want); result file:"
        cat "$d/result.txt"
        echo "--- wanted:"
        echo "$expected"
        echo "--- transcript and errors:"
        cat "$d/transcript.txt" "$d/err.txt"
        failed=1
        return
    fi
    ls -a "$d" | grep -q '^\.~' && { echo "FAIL $name: a temporary file was left in $d"; failed=1; }
    echo "ok $name"
}

d=$scratch/finished
row finished "$pascal" 0 "$(walk "$d")" 'status=finished
dpr=$D/Ext.dpr
qnp=$D/Ext.qnp
lpi=$D/Ext.lpi'
grep -q '<Filename Value="Ext.dpr"/>' "$d/Ext.lpi" || { echo "FAIL finished: the .lpi does not name Ext.dpr"; failed=1; }
grep -q "<OtherUnitFiles Value=\"$pascal\"/>" "$d/Ext.lpi" || { echo "FAIL finished: the unit path is not $pascal"; failed=1; }

d=$scratch/kept
row kept "$pascal" 0 "$(walk "$d")" 'status=finished
dpr=$D/Ext.dpr
qnp=$D/Ext.qnp
lpi=$D/Ext.lpi
lpikept=1' 'echo mine > Ext.lpi'
[ "$(cat "$d/Ext.lpi")" = mine ] || { echo "FAIL kept: the user's .lpi was replaced"; failed=1; }

row cancelled "$pascal" 0 'click btnCancel' 'status=cancelled'

# No template where RootDir points: Finish fails, the message says why,
# nothing is written.
d=$scratch/failed
row failed "$scratch" 1 "$(walk "$d")" 'status=failed
qnp=$D/Ext.qnp
message='"$scratch"'/template.dpr: File not found'
[ ! -e "$d/Ext.dpr" ] && [ ! -e "$d/Ext.lpi" ] || { echo "FAIL failed: files were written"; failed=1; }

row badscript "$pascal" 1 'click noSuchButton' 'status=failed
message=the wizard stopped with exit status 1'

# --lpi is only for a run that reports where it wrote.
out=$("$quillon" wizard --lpi 2>&1)
status=$?
{ [ "$status" = 2 ] && grep -q "wizard: --lpi goes with --result" <<< "$out"; } \
    || { echo "FAIL usage: --lpi alone gave status $status: $out"; failed=1; }

[ "$failed" = 0 ] && echo PASS
exit "$failed"
