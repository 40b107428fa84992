# Sourced by every script that runs Wine: a quiet Wine without Mono/Gecko prompts, and
# without the HID bus driver, which polls for game controllers and alone keeps a core
# about 2 % busy on an idle prefix, and without the menu builder, which would write desktop
# entries of installed programs into the real home.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winebus.sys=d;winemenubuilder.exe=d}
