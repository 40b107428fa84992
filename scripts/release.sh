#!/usr/bin/env bash
# Builds the release package into build/release: the folder TRXDESK-<version> (the i686 exe
# with its help beside it, x64/ with the x86_64 exe and its own help, README.md, LICENSE,
# linux/ with trxsim and the pty shim for both Wine halves, monitoring/ with the Prometheus
# job, alert rules, Alertmanager example and Grafana dashboard), its zip, and
# TRXDESK-<version>-setup.exe, the installer of its Windows files. The version is project()'s
# in the top CMakeLists.txt, the installer's publisher its TRX_PUBLISHER. The exes are
# stripped copies; the trees' own exes stay as the tests use them.
# Usage: release.sh [--quick]
#   without --quick: installs what is missing and configures the trees it needs, as the test
#                    command does, so that it runs from a fresh clone
#   --quick:         no set-up and no configuring of the Windows trees: builds the ones the
#                    test command made (the simulator's own tree is made when missing)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TRX_BUILD_DIR:-$top/build}
out=$build/release
jobs=$(nproc)

quick=false
case "${1:-}" in
  --quick) quick=true ;;
  "") ;;
  *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
esac

die() { echo "release: $*" >&2; exit 1; }

# project() may span lines; its VERSION is the package's.
version=$(tr '\n' ' ' <"$top/CMakeLists.txt" |
  sed -nE 's/.*project\( *TRXDESK[^)]* VERSION +([0-9]+\.[0-9]+\.[0-9]+)[ )].*/\1/p')
[ -n "$version" ] || die "no project(TRXDESK VERSION x.y.z ...) in $top/CMakeLists.txt"
publisher=$(sed -nE 's/^set\(TRX_PUBLISHER "([^"]+)"\)/\1/p' "$top/CMakeLists.txt")
[ -n "$publisher" ] || die "no set(TRX_PUBLISHER \"...\") in $top/CMakeLists.txt"
name=TRXDESK-$version
pkg=$out/$name

configure() { # dir, extra cmake args...
  local dir=$1
  shift
  [ -f "$dir/build.ninja" ] ||
    cmake -S "$top" -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1 ||
    { cat "$dir.configure.log"; die "configuring $dir failed"; }
}

mkdir -p "$out"
if $quick; then
  for dir in "$build/win64" "$build/win32"; do
    [ -f "$dir/build.ninja" ] ||
      die "$dir is not configured: run scripts/test.sh first, or release.sh without --quick"
  done
else
  "$top/scripts/setup.sh"
  for bits in 64 32; do
    configure "$build/win$bits" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw$bits.cmake"
  done
fi
# The simulator ships optimised and without sanitizers, from a tree of its own (the native
# test tree is a Debug build); the test command makes no such tree, so both forms may.
configure "$out/trxsim-build" -DCMAKE_BUILD_TYPE=Release -DTRX_SANITIZE=OFF

for dir in "$build/win64" "$build/win32"; do
  echo "== building $dir"
  cmake --build "$dir" -j "$jobs"
done
echo "== building trxsim (Release)"
cmake --build "$out/trxsim-build" -j "$jobs" --target trxsim

help=(TRXDESK.HLP TRXDESK.CNT TRXDESK.CHM)
for tree in win32 win64; do
  for f in TRXDESK.exe "${help[@]}" tools/ptyshim/libptyshim.so; do
    [ -f "$build/$tree/$f" ] || die "$build/$tree/$f is missing after the build"
  done
done

# The package's time is the last commit's (SOURCE_DATE_EPOCH overrides it): the files'
# times, and the PE time stamp strip writes, so that the same sources give the same zip.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$top" log -1 --format=%ct 2>/dev/null ||
  date +%s)}

echo "== assembling $pkg"
rm -rf "$pkg" "$out/$name.zip" "$out/$name-setup.exe"
mkdir -p "$pkg/x64" "$pkg/linux"
i686-w64-mingw32-strip -o "$pkg/TRXDESK.exe" "$build/win32/TRXDESK.exe"
x86_64-w64-mingw32-strip -o "$pkg/x64/TRXDESK.exe" "$build/win64/TRXDESK.exe"
strip -o "$pkg/linux/trxsim" "$out/trxsim-build/tools/trxsim/trxsim"
# The pty shim for training on trxsim, one build per Wine half (each tree builds its own).
strip -o "$pkg/linux/libptyshim-x86_64.so" "$build/win64/tools/ptyshim/libptyshim.so"
strip -o "$pkg/linux/libptyshim-i686.so" "$build/win32/tools/ptyshim/libptyshim.so"
for f in "${help[@]}"; do
  cp "$build/win32/$f" "$pkg/$f"
  cp "$build/win64/$f" "$pkg/x64/$f"
done
cp "$top/README.md" "$top/LICENSE" "$pkg/"
# For the monitoring server, not the panel's PC: in the zip, not in the installer.
cp -r "$top/monitoring" "$pkg/"

find "$pkg" -type d -exec chmod 755 {} +
find "$pkg" -type f -exec chmod 644 {} +
chmod 755 "$pkg/TRXDESK.exe" "$pkg/x64/TRXDESK.exe" "$pkg/linux/trxsim"
find "$pkg" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

(cd "$out" && find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -X -q "$name.zip" -@)

makensis -V2 -WX -DVERSION="$version" -DPUBLISHER="$publisher" -DSRCDIR="$pkg" -DOUTFILE="$out/$name-setup.exe" \
  -DICON="$build/win32/src/res/icons/app.ico" \
  "$top/packaging/trxdesk.nsi"

echo "release: $pkg"
ls -l "$out/$name.zip" "$out/$name-setup.exe" | awk '{ print "release: " $5 " bytes  " $NF }'
