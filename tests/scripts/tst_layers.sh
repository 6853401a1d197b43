#!/usr/bin/env bash
# Runs scripts/layers on small trees made here: one row per case, each the
# files to write ("path:included header" pairs), the exit status expected and
# a line its output must hold.
set -uo pipefail

layers=$1
failed=0
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillon-layers-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# check NAME STATUS EXPECTED_LINE FILE:INCLUDE...
check() {
    local name=$1 want=$2 line=$3; shift 3
    local tree=$scratch/$name pair file header
    mkdir -p "$tree"
    for pair in "$@"; do
        file=${pair%%:*}
        header=${pair#*:}
        mkdir -p "$tree/$(dirname "$file")"
        touch "$tree/$file"
        [ -n "$header" ] && printf '#include "%s"\n' "$header" >> "$tree/$file"
    done
    local out status
    out=$(bash "$layers" "$tree" 2>&1)
    status=$?
    if [ "$status" -ne "$want" ] || ! grep -qxF -- "$line" <<< "$out"; then
        echo "FAIL $name: status $status (want $want), output:"
        echo "$out"
        echo "--- wanted the line: $line"
        failed=1
    else
        echo "ok   $name"
    fi
}

check downward 0 "layers: every include keeps to the table" \
    platform/a.h: project/b.h:platform/a.h generator/c.cpp:project/b.h wizard/frmwiz.cpp:generator/c.h \
    generator/c.h:
check upward 1 "platform/a.cpp:1: includes project/b.h (platform may not include project)" \
    platform/a.cpp:project/b.h project/b.h:
check headless-cli-to-window 1 "cli/install.cpp:1: includes wizard/keys.h (cli may not include wizard)" \
    cli/install.cpp:wizard/keys.h wizard/keys.h:
check cli-wizard-command 0 "layers: every include keeps to the table" \
    cli/wizardcommand.cpp:wizard/frmwiz.h wizard/frmwiz.h:
check core-to-window 1 "wizard/navigation.cpp:1: includes wizard/frmwiz.h (wizard-core may not include wizard)" \
    wizard/navigation.cpp:wizard/frmwiz.h wizard/frmwiz.h:
check beside 1 "fcgi/a.cpp:1: includes engine/e.h (fcgi may not include engine)" \
    fcgi/a.cpp:engine/e.h engine/e.h:
check system-headers 0 "layers: every include keeps to the table" \
    platform/a.cpp:QWidget platform/b.cpp:missing/none.h
check relative-path 1 "platform/a.cpp:1: includes wizard/w.h (platform may not include wizard)" \
    platform/a.cpp:../wizard/w.h wizard/w.h:
check same-folder 0 "layers: every include keeps to the table" \
    widgets/gallery/main.cpp:Glyphs.h widgets/gallery/Glyphs.h:
check circle 1 "an include circle:" \
    widgets/A.h: widgets/A.cpp:widgets/B.h widgets/B.h: widgets/B.cpp:widgets/A.h
exit "$failed"
