#!/bin/sh
# Regenerates datapond.ico from draw_icon.py (needs only python3): resources/make_icon.sh [PREVIEW_DIR]
# With PREVIEW_DIR it also writes each size as a PNG and a magnified sheet there, to look at before committing.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -gt 0 ]; then
  exec python3 "$here/draw_icon.py" "$here/datapond.ico" --preview "$1"
fi
exec python3 "$here/draw_icon.py" "$here/datapond.ico"
