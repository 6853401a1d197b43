#!/usr/bin/env bash
# The real Lazarus IDE with Quillon's package, driven with real input:
# "quillon lazarus install" rebuilds the IDE in a private configuration
# folder (timed); the rebuilt IDE starts under Xvfb with neither first-start
# dialog; Tools > Quillon Web Application (Alt+T, Q) runs the wizard to
# Finish (QUILLON_WIZARD_SCRIPT) and the IDE opens the generated project
# (its title names it); File > New... offers "Quillon Web Extension", whose
# OK runs the wizard again and opens that project; Tools > Edit Quillon
# Project regenerates it and the editor shows the new source; lazbuild builds the
# generated .lpi and isapihost answers 200 from the library. Screenshots
# of the Tools menu, the File > New dialog and the opened project go to
# SHOTS_DIR. Every wait polls for a window by its title, with generous
# limits for a slow machine.
#
#   lazarus_ide.sh QUILLON_BIN_DIR LAZBUILD PACKAGE_DIR PASCAL_DIR SHOTS_DIR
# QUILLON_XVFB_DISPLAYS lists the display numbers to try (default 61 to 99).
set -uo pipefail

bin=$1 lazbuild=$2 package=$3 pascal=$4 shots=$5
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillon-lazide-XXXXXX")
ide_pid= xvfb_pid=
cleanup() {
    [ -n "$ide_pid" ] && kill "$ide_pid" 2> /dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null
    [ -n "${QUILLON_KEEP_SCRATCH:-}" ] || rm -rf "$scratch"
}
trap cleanup EXIT
mkdir -p "$shots" "$scratch/home" "$scratch/work"
export HOME=$scratch/home
export QUILLON_REGISTRY_DIR=$scratch/registry QUILLON_ENGINE_CONFIG=$scratch/engine.cfg
export PATH=$bin:$PATH
export QT_QPA_PLATFORM=offscreen # the wizard runs its script offscreen
pcp=$scratch/pcp

windows() { for w in $(xdotool search --onlyvisible --name "." 2> /dev/null); do echo "  window: $(xdotool getwindowname "$w")"; done; }
fail() {
    echo "FAIL: $*" >&2
    if [ -n "${DISPLAY:-}" ]; then
        windows >&2
        import -window root "$shots/failure.png" 2> /dev/null && echo "screen: $shots/failure.png" >&2
    fi
    [ -f "$scratch/ide.log" ] && tail -n 20 "$scratch/ide.log" >&2
    exit 1
}
# await SECONDS TITLE-REGEX: the id of the visible window so titled, once there.
await() {
    timeout "$1" xdotool search --sync --onlyvisible --name "$2" 2> /dev/null | head -n 1
}
shot() { import -window root "$shots/$1" || fail "no screenshot $1"; }

"$bin/quillon" install --root-dir "$pascal" > /dev/null || fail "quillon install --root-dir"
cp -r "$package" "$scratch/pkg"

# The IDE rebuilt with the package, as a user would do it.
start=$(date +%s)
"$bin/quillon" lazarus install --pcp "$pcp" --package "$scratch/pkg/quillonlazarus.lpk" \
    --lazbuild "$lazbuild" > "$scratch/install.txt" 2>&1 \
    || { cat "$scratch/install.txt"; fail "quillon lazarus install"; }
echo "quillon lazarus install (package and IDE rebuild) took $(( $(date +%s) - start )) s"
[ -x "$pcp/bin/lazarus" ] || fail "no rebuilt IDE at $pcp/bin/lazarus"

# An X server of our own on the first free display of the list.
for n in ${QUILLON_XVFB_DISPLAYS:-$(seq 61 99)}; do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp > "$scratch/xvfb.log" 2>&1 &
    xvfb_pid=$!
    export DISPLAY=:$n
    for _ in $(seq 1 150); do
        xdotool getdisplaygeometry > /dev/null 2>&1 && break
        kill -0 "$xvfb_pid" 2> /dev/null || break
        sleep 0.2
    done
    xdotool getdisplaygeometry > /dev/null 2>&1 && break
    kill "$xvfb_pid" 2> /dev/null
    xvfb_pid=
    unset DISPLAY
done
[ -n "$xvfb_pid" ] || fail "no free display for Xvfb among ${QUILLON_XVFB_DISPLAYS:-61 to 99}"

# The wizard the package starts runs this script: a project without a
# database, saved and generated in the work folder under NAME.
script=$scratch/wizard.script
wizard_script() {
    cat > "$script" <<SCRIPT
click btnNext
click btnNext
click btnNext
uncheck cbDataOK
click btnNext
type edPageTitle Hello from $1
type edExtName $1
click btnNext
type edDLLFile $scratch/work/$1
click btnNext
file $scratch/work/$1.qnp
click btnFinish
SCRIPT
}
wizard_script LazExt
export QUILLON_WIZARD_SCRIPT=$script

# File > New... selects the project type last created, when it offers it:
# recorded as Quillon Web Extension, so that OK (Return) needs no search of
# the list, which differs between IDE builds. Not offered, nothing is
# selected and OK does nothing.
cat > "$pcp/inputhistory.xml" <<'HISTORY'
<?xml version="1.0" encoding="UTF-8"?>
<CONFIG>
  <InputHistory>
    <New>
      <Project Type="Quillon Web Extension"/>
    </New>
  </InputHistory>
</CONFIG>
HISTORY

"$pcp/bin/lazarus" --pcp="$pcp" > "$scratch/ide.log" 2>&1 &
ide_pid=$!
main=$(await 300 '^Lazarus IDE v')
[ -n "$main" ] || fail "the IDE's main window did not appear (a first-start dialog?)"

# Tools > Quillon Web Application... by its mnemonic. The open menu is a
# window titled with the program's name.
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+t
[ -n "$(await 60 '^lazarus$')" ] || fail "the Tools menu did not open"
shot tools-menu.png
xdotool key q
[ -n "$(await 120 'Lazarus IDE v.* - LazExt$')" ] || fail "the generated project LazExt did not open"
shot opened-project.png
for f in LazExt.dpr LazExt.lpi LazExt.qnp; do [ -f "$scratch/work/$f" ] || fail "the wizard wrote no $f"; done

# File > New...: the third item of the File menu; its list opens on
# Quillon Web Extension (see inputhistory.xml above).
wizard_script NewExt
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+f
[ -n "$(await 60 '^lazarus$')" ] || fail "the File menu did not open"
xdotool key Down Down Return
dialog=$(await 60 '^New \.\.\.$')
[ -n "$dialog" ] || fail "File > New... did not open its dialog"
xdotool windowfocus --sync "$dialog"
shot file-new.png
xdotool key Return
[ -n "$(await 120 'Lazarus IDE v.* - NewExt$')" ] || fail "OK on Quillon Web Extension did not open NewExt"
[ -z "$(xdotool search --onlyvisible --name '^Project changed$' 2> /dev/null)" ] || fail "the IDE asked to save the project"

# Tools > Edit Quillon Project... (the eighth item of Debian's IDE, which
# the rebuilt one keeps; the menu opens on the first). With no project file
# beside the project's source it asks for one in a dialog of its own title,
# which no other item opens; chosen there, the wizard regenerates NewExt
# with another title and the editor shows the new source: a comment typed
# at its end (Lazarus trims trailing blanks) and saved writes the editor's
# text, which must be the regenerated one.
mv "$scratch/work/NewExt.qnp" "$scratch/work/Other.qnp"
wizard_script NewExt
sed -i 's/^type edPageTitle .*/type edPageTitle Edited in Lazarus/' "$script"
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+t
[ -n "$(await 60 '^lazarus$')" ] || fail "the Tools menu did not open again"
xdotool key Down Down Down Down Down Down Down Return
chooser=$(await 60 '^Edit Quillon Project$')
[ -n "$chooser" ] || fail "Edit Quillon Project did not ask for the project file"
shot edit-choose.png
xdotool windowfocus --sync "$chooser"
# Ctrl+L opens the dialog's location field at once (a typed "/" opens it
# later, and the keys typed meanwhile go elsewhere).
xdotool key --clearmodifiers ctrl+l
xdotool type --delay 20 "$scratch/work/Other.qnp"
xdotool key Return
for _ in $(seq 1 300); do grep -q "Edited in Lazarus" "$scratch/work/NewExt.dpr" && break; sleep 0.2; done
grep -q "Edited in Lazarus" "$scratch/work/NewExt.dpr" || fail "Edit Quillon Project did not regenerate NewExt.dpr"
editor=$(await 60 '^Source Editor')
[ -n "$editor" ] || fail "no source editor"
before=$(md5sum < "$scratch/work/NewExt.dpr")
xdotool windowfocus --sync "$editor"
xdotool key --clearmodifiers ctrl+End slash slash ctrl+s
for _ in $(seq 1 300); do [ "$(md5sum < "$scratch/work/NewExt.dpr")" != "$before" ] && break; sleep 0.2; done
[ "$(md5sum < "$scratch/work/NewExt.dpr")" != "$before" ] || fail "the editor did not save NewExt.dpr"
grep -q "Edited in Lazarus" "$scratch/work/NewExt.dpr" || fail "the editor kept the source from before Edit Quillon Project"
shot edited-project.png

# The project the IDE opened builds with lazbuild and serves a page.
"$lazbuild" --pcp="$pcp" "$scratch/work/LazExt.lpi" > "$scratch/lazbuild.log" 2>&1 \
    || { tail -n 20 "$scratch/lazbuild.log"; fail "lazbuild LazExt.lpi"; }
page=$("$bin/isapihost" "$scratch/work/libLazExt.so" "" 2> "$scratch/status.txt") || fail "isapihost: $(cat "$scratch/status.txt")"
[ "$(head -n 1 "$scratch/status.txt")" = "200 OK" ] || fail "status $(head -n 1 "$scratch/status.txt")"
grep -q "Hello from LazExt" <<< "$page" || fail "the page lacks its title"
echo "screenshots: $shots"
echo PASS
