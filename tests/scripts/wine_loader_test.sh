#!/usr/bin/env bash
# The Wine scripts' choice of loader. runs-i386.sh must answer as the kernel does for a real
# i386 program (a static one, built here with the i686 cross compiler), and after
# wine-env.sh `wine` and `wine-stable` (which wineboot calls) must start on this machine,
# with the answer found here and with the 64-bit-only path forced, whether or not wine32 is
# installed.
# Usage: wine_loader_test.sh SCRIPTS_DIR
set -u
scripts=$1
failed=0
fail() { echo "FAIL: $*"; failed=1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

printf '#include <stdio.h>\nint main(void) { return puts("i386") < 0; }\n' >"$tmp/hello.c"
i686-linux-gnu-gcc -static -o "$tmp/hello" "$tmp/hello.c" || { echo "FAIL: cannot build"; exit 1; }
if [ "$("$tmp/hello" 2>/dev/null)" = i386 ]; then kernel=yes; else kernel=no; fi
answer=$("$scripts/runs-i386.sh")
[ "$answer" = "$kernel" ] || fail "runs-i386.sh says '$answer', the kernel ran a static i386 program: $kernel"
echo "this machine runs 32-bit programs: $kernel; wine32 installed: $([ -x /usr/lib/wine/wine ] && echo yes || echo no)"

for forced in "" no; do
  for loader in wine wine-stable; do
    out=$(env -u WINELOADER -u WINESERVER TRX_RUNS_I386=$forced PATH="$PATH" bash -c \
      '. "$1/wine-env.sh" && "$2" --version' _ "$scripts" "$loader" 2>&1)
    [[ $out == wine-* ]] || fail "$loader --version (TRX_RUNS_I386='$forced'): $out"
  done
done
# The 64-bit path must not keep the 32-bit half in play.
wine32=$(TRX_RUNS_I386=no bash -c '. "$1/wine-env.sh" && echo "$TRX_WINE32"' _ "$scripts")
[ "$wine32" = no ] || fail "TRX_RUNS_I386=no still reports Wine's 32-bit half as usable"
[ $failed -eq 0 ] && echo "wine loader checks passed"
exit $failed
