#!/usr/bin/env bash
# "quillon lazarus install|uninstall" against a stand-in lazbuild that acts
# as the real one does on the folder (writes the environment options on
# --add-package, the IDE program on --build-ide) and fails where told:
# progress is shown, a failed step is named, and a failure leaves the
# folder's settings and the previous IDE exactly as they were.
#
#   lazarus_install.sh QUILLON PACKAGE_DIR
set -uo pipefail

quillon=$1 package=$2/quillonlazarus.lpk
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillon-lazinstall-XXXXXX")
[ -n "${QUILLON_KEEP_SCRATCH:-}" ] || trap 'rm -rf "$scratch"' EXIT
failed=0
fail() { echo "FAIL $1: $2"; failed=1; }

fake=$scratch/lazbuild
cat > "$fake" <<'FAKE'
#!/usr/bin/env bash
# Stand-in for lazbuild; FAKE_FAIL=add|build makes that step fail.
pcp=
for a in "$@"; do case $a in --pcp=*) pcp=${a#--pcp=} ;; esac; done
case "$*" in
--version) echo "2.2.6+dfsg2-2" ;;
*--add-package*)
    [ "${FAKE_FAIL:-}" = add ] && { echo "Error: cannot add"; exit 3; }
    [ -f "$pcp/environmentoptions.xml" ] || printf '<?xml version="1.0"?>\n<CONFIG>\n  <EnvironmentOptions>\n    <Version Value="110" Lazarus="2.2.6"/>\n    <Debugger>\n      <Configs>\n        <Config ConfigName="FpDebug" ConfigClass="TFpDebugDebugger" Active="True"/>\n        <Config ConfigName="Gdb" ConfigClass="TGDBMIDebugger" DebuggerFilename="/usr/bin/gdb"/>\n      </Configs>\n    </Debugger>\n  </EnvironmentOptions>\n</CONFIG>\n' > "$pcp/environmentoptions.xml"
    echo "${@: -1}" > "$pcp/packagefiles.xml" # the package added
    if [ -f "$pcp/miscellaneousoptions.xml" ]; then
        t=$(cat "$pcp/miscellaneousoptions.xml")
        t=${t/'<StaticAutoInstallPackages Count="1">'/'<StaticAutoInstallPackages Count="2">'}
        t=${t/'<Item1 Value="syneditdsgn"/>'/'<Item1 Value="syneditdsgn"/>
        <Item2 Value="QuillonLazarus"/>'}
        printf '%s\n' "$t" > "$pcp/miscellaneousoptions.xml"
    fi ;;
*--build-ide=*)
    mkdir -p "$pcp/bin"
    for i in $(seq 1 120); do echo "(3104) Compiling unit$i.pas"; done
    if [ "${FAKE_FAIL:-}" = build ]; then echo "half" > "$pcp/bin/lazarus"; echo "Fatal: linking failed"; exit 2; fi
    echo "new ide" > "$pcp/bin/lazarus" ;;
*) echo "unexpected: $*"; exit 9 ;;
esac
FAKE
chmod +x "$fake"
# Lazarus's folder is where lazbuild stands: a distribution IDE with three
# "big IDE" units, two of them packages Lazarus has links for.
mkdir -p "$scratch/ide" "$scratch/packager/globallinks"
printf 'uses\n  {$IFDEF BigIDE}\n    AllSynEditDsgn, TAChartLazarusPkg,\n    LazDebuggerFp,\n  {$ENDIF}\n  MainBase;\n' \
    > "$scratch/ide/lazarus.pp"
touch "$scratch/packager/globallinks/tachartlazaruspkg-1.lpl" "$scratch/packager/globallinks/lazdebuggerfp-1.lpl"

# snapshot DIR: every file below DIR with its contents, for comparing.
snapshot() { (cd "$1" && find . -type f ! -name quillon-lazarus.log -print0 | sort -z | xargs -0 -r md5sum); }

run() { "$quillon" lazarus "$@" --lazbuild "$fake" > "$scratch/out.txt" 2> "$scratch/err.txt"; }

# A fresh folder: every step shown, the first-start questions settled,
# the IDE built into the folder, nothing left aside.
d=$scratch/fresh
if ! run install --pcp "$d" --package "$package"; then
    fail fresh "exit status $?: $(cat "$scratch/err.txt")"
else
    for step in "[1/5] Checking the package" "[2/5] Preparing" "[3/5] Adding the package" \
                "[4/5] Settling Lazarus's first-start questions" "[5/5] Rebuilding" "100 units compiled" \
                "done: 120 units compiled"; do
        grep -qF "$step" "$scratch/out.txt" || fail fresh "no '$step' in: $(cat "$scratch/out.txt")"
    done
    grep -q '<Version Value="110" Lazarus="2.2.6+dfsg2-2"/>' "$d/environmentoptions.xml" \
        || fail fresh "the version was not completed: $(cat "$d/environmentoptions.xml")"
    grep -q "<FppkgConfigFile Value=\"$d/quillon-fppkg/fppkg.cfg\"/>" "$d/environmentoptions.xml" \
        || fail fresh "no fppkg configuration named"
    [ -f "$d/quillon-fppkg/fppkg.cfg" ] && ls "$d"/quillon-fppkg/lib/fpc/*/fpmkinst/*/rtl.fpm > /dev/null 2>&1 \
        || fail fresh "the fppkg files are missing"
    grep -q "<TargetDirectory Value=\"$d/bin\"/>" "$d/miscellaneousoptions.xml" || fail fresh "no target folder"
    # The packages of the IDE the user runs stay in; a unit that is no package is left out.
    for p in syneditdsgn TAChartLazarusPkg LazDebuggerFp QuillonLazarus; do
        grep -q "Value=\"$p\"" "$d/miscellaneousoptions.xml" || fail fresh "$p is not built in"
    done
    grep -q AllSynEditDsgn "$d/miscellaneousoptions.xml" && fail fresh "a unit was listed as a package"
    grep -qF "keeping the 2 packages of Lazarus's own IDE" "$scratch/out.txt" || fail fresh "no word on the kept packages"
    # A fresh folder debugs with GDB where it is installed (FpDebug misses
    # breakpoints in a library loaded at run time).
    if command -v gdb > /dev/null || [ -x /usr/bin/gdb ]; then
        grep -q 'ConfigClass="TGDBMIDebugger" Active="True"' "$d/environmentoptions.xml" || fail fresh "GDB is not the debugger"
        grep -q 'ConfigClass="TFpDebugDebugger" Active' "$d/environmentoptions.xml" && fail fresh "two debuggers are active"
    else
        grep -q 'ConfigClass="TFpDebugDebugger" Active="True"' "$d/environmentoptions.xml" || fail fresh "the debugger changed without GDB"
    fi
    [ "$(cat "$d/bin/lazarus")" = "new ide" ] || fail fresh "the IDE was not built"
    [ ! -e "$d/bin/lazarus.quillon-previous" ] || fail fresh "the previous IDE was left aside"
    # Lazarus builds a copy of the package in the folder, never the installed one.
    [ "$(cat "$d/packagefiles.xml")" = "$d/quillon-package/quillonlazarus.lpk" ] \
        || fail fresh "lazbuild was given $(cat "$d/packagefiles.xml")"
    cmp -s "$package" "$d/quillon-package/quillonlazarus.lpk" || fail fresh "the package copy differs"
fi

# failing ROW FAKE_FAIL STEP COMMAND...: in a folder with a user's IDE and
# settings, the step fails, is named, and nothing changes.
failing() {
    local row=$1 what=$2 step=$3; shift 3
    local d=$scratch/$row before
    mkdir -p "$d/bin"
    echo "old ide" > "$d/bin/lazarus"
    printf '<CONFIG>\n  <EnvironmentOptions>\n    <Version Value="110" Lazarus="2.2.6"/>\n  </EnvironmentOptions>\n</CONFIG>\n' \
        > "$d/environmentoptions.xml"
    printf '<CONFIG>\n      <StaticAutoInstallPackages Count="1">\n        <Item1 Value="QuillonLazarus"/>\n      </StaticAutoInstallPackages>\n</CONFIG>\n' \
        > "$d/miscellaneousoptions.xml"
    before=$(snapshot "$d")
    FAKE_FAIL=$what run "$@" --pcp "$d"
    local status=$?
    [ "$status" = 1 ] || fail "$row" "exit status $status"
    grep -qF "$step" "$scratch/err.txt" || fail "$row" "the step is not named: $(cat "$scratch/err.txt")"
    grep -qF "The previous IDE and its settings are kept." "$scratch/err.txt" || fail "$row" "no word on what is kept"
    [ "$(snapshot "$d")" = "$before" ] || fail "$row" "the folder changed: $(snapshot "$d")"
}
failing addfails add "step 3/5 (Adding the package to Lazarus) failed: lazbuild --add-package failed (exit status 3)" \
    install --package "$package"
failing buildfails build "step 5/5 (Rebuilding the Lazarus IDE with the package (a minute or more)) failed" \
    install --package "$package"
failing uninstallfails build "step 2/2 (Rebuilding the Lazarus IDE without the package" uninstall

# Uninstall takes it out of the list and rebuilds; a second time there is
# nothing to do.
d=$scratch/fresh
if ! run uninstall --pcp "$d"; then
    fail uninstall "exit status $?: $(cat "$scratch/err.txt")"
else
    grep -qi quillonlazarus "$d/miscellaneousoptions.xml" && fail uninstall "the package is still listed"
    grep -q '<Item1 Value="syneditdsgn"/>' "$d/miscellaneousoptions.xml" || fail uninstall "another package went too"
    [ ! -e "$d/quillon-package" ] || fail uninstall "the package copy is left"
fi
run uninstall --pcp "$d" && grep -q "nothing to do" "$scratch/out.txt" || fail again "a second uninstall: $(cat "$scratch/out.txt" "$scratch/err.txt")"

# No package where it is said to be: named, nothing made.
run install --pcp "$scratch/none" --package "$scratch/missing.lpk"
[ $? = 1 ] && grep -qF "$scratch/missing.lpk: no such package" "$scratch/err.txt" || fail missing "$(cat "$scratch/err.txt")"
[ ! -e "$scratch/none" ] || fail missing "a configuration folder was made"

[ "$failed" = 0 ] && echo PASS
exit "$failed"
