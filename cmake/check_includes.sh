#!/usr/bin/env bash
# Every arrow points down: a core folder includes headers only from itself and the folders it
# uses (as the build links them), never from a folder above it. Run by CI from the source root.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A uses=(
  [text]=""
  [platform]=""
  [stats]="text"
  [engine]="stats text platform"
  [model_files]="engine stats text platform"
  [checks]="engine stats text platform"
  [reports]="engine stats text platform"
  [batch]="checks engine stats text platform"
  [optimise]="checks engine stats text platform"
)
status=0
for folder in "${!uses[@]}"; do
  allowed=" $folder ${uses[$folder]} "
  while IFS= read -r hit; do
    used=$(sed -E 's/.*#include *"([a-z_]+)\/.*/\1/' <<<"${hit#*:*:}")
    if [[ "$allowed" != *" $used "* ]]; then
      echo "$hit: $folder/ may not include from $used/" >&2
      status=1
    fi
  done < <(grep -nE '#include *"[a-z_]+/' "$folder"/*.h "$folder"/*.cpp || true)
done
exit $status
