#!/bin/sh
# Runs a replay (the target and its corpus, as arguments) with a temporary
# folder of its own, which must hold nothing once the target has ended.
tmp=$(mktemp -d) || exit 1
TMPDIR=$tmp "$@"
code=$?
left=$(find "$tmp" -mindepth 1 | head -n 20)
if [ -n "$left" ]; then
    echo "left in the temporary folder after the run:"
    echo "$left"
    code=1
fi
rm -rf "$tmp"
exit $code
