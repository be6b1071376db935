#!/usr/bin/env bash
# Dependencies point one way: app -> features -> platform. A feature folder
# that includes a header of src/app/, or platform code that includes anything
# outside src/platform/, fails the check.
set -euo pipefail
cd "$(dirname "$0")/../src"

status=0
report() {
    echo "include rule broken: $1" >&2
    status=1
}

for folder in editing settings format files print help; do
    [ -d "$folder" ] || continue
    while IFS= read -r hit; do
        report "$hit (a feature includes the main window's code)"
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"app/' "$folder" || true)
done

while IFS= read -r hit; do
    report "$hit (the platform layer includes code above it)"
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' platform | grep -vE '#[[:space:]]*include[[:space:]]*"(platform/|[^/"]+")' || true)

if [ "$status" -eq 0 ]; then
    echo "include rule holds"
fi
exit "$status"
