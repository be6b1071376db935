#!/usr/bin/env bash
# Dependencies point one way (the README's Layout):
#
#   app -> features -> editor, store -> rtf, platform
#
# Each folder of src/ may include headers of the folders named in its row and
# nothing else. `check-includes.sh` checks src/; `check-includes.sh DIR`
# checks another tree laid out like it; `--self-test` plants a wrong include
# for each folder in a copy of src/ and fails unless every one is caught.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

features="editing settings format files print help spelling"

# The folders a folder may include, besides its own.
allowed_for() {
    case "$1" in
        platform) echo "" ;;
        rtf)      echo "" ;;
        store)    echo "platform" ;;
        editor)   echo "rtf platform" ;;
        editing|format|files|print|help|settings|spelling)
                  echo "settings editor store rtf platform" ;;
        app)      echo "app $features editor store rtf platform" ;;
        *)        echo "-" ;;
    esac
}

check_tree() {
    local root=$1 status=0
    local folder
    for folder in app $features editor store rtf platform; do
        [ -d "$root/$folder" ] || continue
        local allowed
        allowed="$folder $(allowed_for "$folder")"
        # Includes that name a folder; same-folder ("X.h") and system (<X>) includes pass.
        while IFS= read -r hit; do
            local target=${hit#*#*include*\"}
            target=${target%%/*}
            case " $allowed " in
                *" $target "*) ;;
                *) echo "include rule broken: src/${hit#"$root"/} ($folder may not include $target/)" >&2
                   status=1 ;;
            esac
        done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' "$root/$folder" || true)
    done
    return "$status"
}

self_test() {
    local scratch failures=0
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' RETURN
    # One include each folder must refuse.
    local -A wrong=(
        [platform]=store/Registry.h [rtf]=editor/RichEdit.h [store]=editor/RichEdit.h
        [editor]=store/Registry.h [editing]=app/Applic.h [settings]=app/Applic.h
        [format]=editing/Tools_Editor.h [files]=print/Tools_Print.h [spelling]=app/Applic.h
        [print]=app/Applic.h [help]=format/Tools_Format.h
    )
    local folder
    for folder in "${!wrong[@]}"; do
        rm -rf "$scratch/src" && cp -r "$here/../src" "$scratch/src"
        local victim
        victim=$(find "$scratch/src/$folder" -maxdepth 1 -name '*.cpp' | sort | head -n 1)
        printf '#include "%s"\n' "${wrong[$folder]}" >> "$victim"
        if check_tree "$scratch/src" 2>/dev/null; then
            echo "self-test: a wrong include in $folder/ (${wrong[$folder]}) was not caught" >&2
            failures=1
        fi
    done
    check_tree "$here/../src" || failures=1
    [ "$failures" -eq 0 ] && echo "the include check catches a wrong include in every folder"
    return "$failures"
}

case "${1:-}" in
    --self-test) self_test ;;
    "") check_tree "$here/../src" && echo "include rule holds" ;;
    *) check_tree "$1" && echo "include rule holds" ;;
esac
