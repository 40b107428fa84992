#!/usr/bin/env python3
"""Checks that every context number in resource.h opens its topic: in TRXDESK.HLP through
the number map and the topic titles, in TRXDESK.CHM as the page the program opens.

    check_contexts.py TRXDESK.HLP TRXDESK.CHM resource.h
"""

import sys

from chmfile import ChmError, chm_names
from helpmap import help_contexts
from hlpfile import HelpFile, HelpFileError

# What each context number must open: the topic's title and its HTML Help page.
EXPECTED = {
    "IDH_PANEL": ("Das Bedienfeld", "/panel.html"),
    "IDH_SETTINGS": ("Einstellungen und Voreinstellungen", "/settings.html"),
    "IDH_FREQUENCY": ("Frequenz eingeben", "/frequency.html"),
    "IDH_JOURNAL": ("Das Betriebsjournal", "/journal.html"),
    "IDH_SPECIAL_SETTINGS": ("Spezielle Einstellungen", "/set-special.html"),
    "IDH_SCHEDULE": ("Der Sendeplan", "/schedule.html"),
    "IDH_CONTROL_SETTINGS": ("Steuerport und Journal einstellen", "/control-settings.html"),
}


def main(argv):
    if len(argv) != 4:
        sys.exit(__doc__)
    hlp, chm, header = argv[1:]
    try:
        with open(hlp, "rb") as f:
            help_file = HelpFile(f.read())
        numbers, titles = help_file.number_map(), help_file.titles()
        with open(chm, "rb") as f:
            pages = set(chm_names(f.read()))
    except (HelpFileError, ChmError, OSError) as e:
        sys.exit(f"{hlp} or {chm}: {e}")
    faults = []
    contexts = help_contexts(header)
    for name in sorted(set(contexts) - set(EXPECTED)):
        faults.append(f"{name} has no expected topic here")
    for name, number in sorted(contexts.items()):
        if name not in EXPECTED:
            continue
        title, page = EXPECTED[name]
        shown = titles.get(numbers.get(number))
        # halibut puts the chapter number in front of the title.
        if shown is None or not (shown == title or shown.endswith(": " + title)):
            faults.append(f"{name} ({number}) opens {shown!r} in {hlp}, not {title!r}")
        if page not in pages:
            faults.append(f"{name} ({number}): {chm} has no {page}")
    for fault in faults:
        print(fault)
    if faults:
        sys.exit(1)
    print(f"{len(contexts)} context numbers open their topics in both help files")


if __name__ == "__main__":
    main(sys.argv)
