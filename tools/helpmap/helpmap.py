#!/usr/bin/env python3
"""Adds the context-number map to a WinHelp file written by halibut.

halibut names its topics and always leaves |CTXOMAP empty, but the program asks WinHelp for
topics by number (HELP_CONTEXT), which WinHelp resolves only through that map. Every
`#define IDH_<NAME> <number>` of resource.h names a topic that the help source marks with
\\cfg{winhelp-topic}{IDH_<NAME>}; this step looks each name up in |CONTEXT and writes the map.

    helpmap.py IN.HLP OUT.HLP resource.h
"""

import re
import sys

from hlpfile import HelpFile, HelpFileError, context_hash


def help_contexts(resource_header):
    """IDH_ name -> context number, from resource.h."""
    with open(resource_header, encoding="utf-8") as f:
        return {m[1]: int(m[2]) for m in re.finditer(r"^#define\s+(IDH_\w+)\s+(\d+)", f.read(), re.M)}


def main(argv):
    if len(argv) != 4:
        sys.exit(__doc__)
    source, target, header = argv[1:]
    try:
        with open(source, "rb") as f:
            help_file = HelpFile(f.read())
        topics = help_file.contexts()
        numbers = {}
        for name, number in help_contexts(header).items():
            offset = topics.get(context_hash(name))
            if offset is None:
                sys.exit(f"{source}: no topic is named {name} (context {number}); "
                         f"mark its heading with \\cfg{{winhelp-topic}}{{{name}}}")
            numbers[number] = offset
        if not numbers:
            sys.exit(f"{header}: no IDH_ context numbers")
        data = help_file.with_number_map(numbers)
    except (HelpFileError, ValueError, IndexError, OSError) as e:
        sys.exit(f"{source}: {e}")
    with open(target, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv)
