# Sourced by every script that runs Wine: a quiet Wine without Mono/Gecko prompts, and
# without the HID bus driver, which polls for game controllers and alone keeps a core
# about 2 % busy on an idle prefix, and without the menu builder, which would write desktop
# entries of installed programs into the real home, and without the crash debugger, which
# would hold a crashed program (and a test's whole time limit) open, waiting for nobody.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winebus.sys=d;winemenubuilder.exe=d;winedbg.exe=d}

# The loader follows what the machine runs, not what is installed. Debian's wine starts the
# 32-bit loader whenever wine32 is installed and leaves the 64-bit one to it; on a kernel
# that runs no 32-bit code that fails for every program. There, `wine` (and wineboot, which
# calls wine-stable) start the 64-bit loader directly, and so does Wine for the processes it
# starts itself. Asked once; the answer is handed down as TRX_RUNS_I386 (yes or no), which
# may also be set beforehand to take the 64-bit path on any machine.
if [ -z "${TRX_RUNS_I386:-}" ]; then
  TRX_RUNS_I386=$("$(dirname "${BASH_SOURCE[0]}")/runs-i386.sh")
fi
export TRX_RUNS_I386
if [ "$TRX_RUNS_I386" != yes ]; then
  case ":$PATH:" in
    *":$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64:"*) ;;
    *) PATH=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64:$PATH ;;
  esac
  export PATH WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
fi
# Whether Wine's 32-bit half is there to use: installed, and runnable here.
TRX_WINE32=no
[ "$TRX_RUNS_I386" = yes ] && [ -x /usr/lib/wine/wine ] && TRX_WINE32=yes
export TRX_WINE32
