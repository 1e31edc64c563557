#!/usr/bin/env bash
# Fails when a source file includes a folder above its own floor. From the bottom: text, os, net,
# window, program, analysis and download, app. The front ends (frontends/) stand on text, os and
# window alone; net and text know nothing of the program. The build refuses such an include too
# (a floor's library sees only its own folders and those below); this says so before a compile.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A allowed=(
  [text]="text"
  [os]="text os"
  [net]="text os net"
  [window]="text os net window"
  [program]="text os net window program"
  [analysis]="text os net window program analysis"
  [download]="text os net window program download"
  [app]="text os net window program analysis download app frontends testsite"
  [frontends]="text os window frontends"
)
status=0
while IFS= read -r file; do
  floor=${file#src/}
  floor=${floor%%/*}
  [ -n "${allowed[$floor]+set}" ] || { echo "check-layers: $file is in no known floor" >&2; status=1; continue; }
  while IFS= read -r included; do
    top=${included%%/*}
    if ! [[ " ${allowed[$floor]} " == *" $top "* ]]; then
      echo "check-layers: $file includes $included, above its floor" >&2
      status=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files 'src/*.cpp' 'src/*.h')
exit $status
