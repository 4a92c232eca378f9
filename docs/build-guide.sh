#!/bin/sh
# Builds the user's guide project in WORK with the freshly built program and
# puts the help file and the WebHelp folder beside the program.
#   build-guide.sh QUILLCRAFT WORK BIN
set -eu
program=$1 work=$2 bin=$3
export QT_QPA_PLATFORM=offscreen
if ! "$program" "$work/QuillcraftGuide.qvx" /bs; then
  echo "The user's guide did not build; its log:" >&2
  cat "$work/QuillcraftGuide.log" >&2 || true
  exit 1
fi
cp "$work/inkvane.chm" "$bin/inkvane.chm.tmp" && mv "$bin/inkvane.chm.tmp" "$bin/inkvane.chm"
rm -rf "$bin/guide.tmp"
cp -R "$work/guide" "$bin/guide.tmp"
rm -rf "$bin/guide"
mv "$bin/guide.tmp" "$bin/guide"
