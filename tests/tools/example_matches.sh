#!/bin/sh
# Usage: example_matches.sh PYTHON GENERATOR SCRATCH EXAMPLES
# Writes the example site afresh into SCRATCH with its generator and compares
# it with EXAMPLES. What the viewer writes into a plan folder when it runs
# there (its eye file, the test print's PDF and the engine's log) belongs to
# the user's session, not to the example, and is left out of the comparison.
set -e
rm -rf "$3"
"$1" "$2" "$3"
exec diff -r -x eye.ini -x KorvexPrint.pdf -x KorvexPrint.pdf.partial -x StereonErr.log "$3" "$4"
