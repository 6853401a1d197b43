#!/usr/bin/env bash
# A generated Lazarus project builds with lazbuild alone and the library
# serves a page: "quillon generate --lpi" writes X.lpi beside X.dpr,
# "lazbuild X.lpi" (and its Release mode) builds libX.so beside them, and
# isapihost answers 200 with the page. A second --lpi keeps the .lpi.
#
#   lazbuild_extension.sh QUILLON ISAPIHOST LAZBUILD PASCAL_DIR
set -euo pipefail

quillon=$1 isapihost=$2 lazbuild=$3 pascal=$4
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillon-lazbuild-XXXXXX")
[ -n "${QUILLON_KEEP_SCRATCH:-}" ] || trap 'rm -rf "$scratch"' EXIT
export QUILLON_REGISTRY_DIR=$scratch/registry QUILLON_ENGINE_CONFIG=$scratch/engine.cfg
cd "$scratch"

fail() { echo "FAIL: $*" >&2; exit 1; }

"$quillon" install --root-dir "$pascal" > /dev/null
cat > hello.qnp <<'QNP'
[DBCheck]
DBOk=0
[OtherData]
PageTitle=Hello from Lazarus
ExtName=LazExt
[DLLOutput]
OutputDLL=out/LazExt.dpr
QNP
mkdir out
"$quillon" generate hello.qnp --lpi
[ -f out/LazExt.dpr ] || fail "no out/LazExt.dpr"
[ -f out/LazExt.lpi ] || fail "no out/LazExt.lpi"
lpi=$(cat out/LazExt.lpi)

# The user's settings win: a second run keeps the .lpi as it is and says so.
echo '<!-- edited -->' >> out/LazExt.lpi
said=$("$quillon" generate hello.qnp --lpi)
[ "$said" = "$scratch/out/LazExt.lpi exists: kept as it is" ] || fail "second --lpi said: $said"
tail -n 1 out/LazExt.lpi | grep -qx '<!-- edited -->' || fail "the existing .lpi was replaced"
printf '%s\n' "$lpi" > out/LazExt.lpi

# Built from another folder, with a configuration folder of its own: the
# .lpi needs no other set-up.
mkdir elsewhere
start=$(date +%s)
(cd elsewhere && "$lazbuild" --pcp="$scratch/pcp" ../out/LazExt.lpi > "$scratch/lazbuild.log" 2>&1) \
    || { tail -n 30 "$scratch/lazbuild.log"; fail "lazbuild LazExt.lpi failed"; }
echo "lazbuild (Debug) took $(( $(date +%s) - start )) s"
[ -f out/libLazExt.so ] || fail "no out/libLazExt.so after lazbuild: $(ls out)"

page=$("$isapihost" out/libLazExt.so "" 2> status.txt) || fail "isapihost failed: $(cat status.txt)"
[ "$(head -n 1 status.txt)" = "200 OK" ] || fail "status: $(head -n 1 status.txt)"
grep -q "Hello from Lazarus" <<< "$page" || fail "the page lacks its title: $page"

# Run > Run as Lazarus does it: the host application with the run
# parameters (quotes as Lazarus splits them), in the working folder.
host=$(sed -n 's|.*<HostApplicationFilename Value="\(.*\)"/>|\1|p' out/LazExt.lpi)
params=$(sed -n 's|.*<CommandLineParams Value="\(.*\)"/>|\1|p' out/LazExt.lpi | sed 's/&quot;/"/g')
[ "$host" = "$(dirname "$quillon")/isapihost" ] || fail "Run's host is '$host'"
case "$params" in *'$('*) fail "Run's parameters hold a Lazarus macro: $params" ;; esac
(cd out && eval "\"\$host\" $params") > /dev/null 2> status.txt || fail "Run's command failed: $(cat status.txt)"
[ "$(head -n 1 status.txt)" = "200 OK" ] || fail "Run's status: $(head -n 1 status.txt)"

# The Release mode builds the same library.
rm out/libLazExt.so
"$lazbuild" --pcp="$scratch/pcp" --bm=Release out/LazExt.lpi > "$scratch/release.log" 2>&1 \
    || { tail -n 30 "$scratch/release.log"; fail "lazbuild --bm=Release failed"; }
[ -f out/libLazExt.so ] || fail "no out/libLazExt.so after the Release build"
"$isapihost" out/libLazExt.so "" > /dev/null 2> status.txt || fail "isapihost (Release) failed: $(cat status.txt)"
[ "$(head -n 1 status.txt)" = "200 OK" ] || fail "Release status: $(head -n 1 status.txt)"
echo "PASS"
