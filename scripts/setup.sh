#!/usr/bin/env bash
# Installs from Debian's packages whatever the build, the tests and the run need and is
# missing. Idempotent; fast when everything is there.
# The i686 tree's tests need Wine's 32-bit half (wine32, from the i386 architecture) and a
# 32-bit build of the pty shim for its Wine processes (the i686 cross C compiler). wine32 is
# installed only where the machine runs 32-bit code (runs-i386.sh): elsewhere it could not
# run, and Debian's wine would start it for every program. The cross compilers are
# installed everywhere, since the i686 tree is built and packaged on every machine.
# The help is written by halibut (WinHelp and HTML Help); the release package needs zip and
# NSIS; fonts-wine brings Marlett for the title-bar buttons; clang-format checks the style;
# prometheus brings promtool, which judges the control port's scrape; it and
# prometheus-alertmanager (amtool) check monitoring/, and run in its end-to-end story.
set -euo pipefail
packages=(cmake ninja-build g++ clang clang-format libclang-rt-14-dev libgtest-dev googletest
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools wine wine64
  gcc-i686-linux-gnu libc6-dev-i386-cross
  xvfb imagemagick python3 util-linux
  halibut nsis zip p7zip-full fonts-wine prometheus prometheus-alertmanager python3-yaml)
[ "${TRX_RUNS_I386:-$("$(dirname "$0")/runs-i386.sh")}" = yes ] && packages+=(wine32:i386)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  if [[ " ${missing[*]} " == *" wine32:i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
