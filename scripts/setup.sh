#!/usr/bin/env bash
# Installs what Quillpress needs to build, test and run on Debian 12.
# As root it installs missing packages itself; otherwise it prints the line to run.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-private-dev libqt6printsupport6 qt6-qpa-plugins
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  fonts-liberation poppler-utils
  # Spell checking: the Hunspell library and the English (US) dictionary.
  libhunspell-dev hunspell-en-us
  # Word files: the text of a .doc through the second converter (antiword,
  # and wv for short documents and Word 6 and 95 files).
  wv antiword
  # The desktop tests: a real X server, a window manager, keyboard layouts and input.
  xvfb openbox x11-xkb-utils x11-utils xdotool
  # The desktop entries' tests: the entry validator and the desktop's own MIME tools.
  desktop-file-utils xdg-utils
)

# Word files with their formatting go through LibreOffice (about 260 MB
# installed), which the program does without; QP_WITH_LIBREOFFICE=1 brings it,
# and with it the tests of that converter, which otherwise skip.
if [ "${QP_WITH_LIBREOFFICE:-0}" = 1 ]; then
  packages+=(libreoffice-writer-nogui)
elif ! command -v soffice >/dev/null 2>&1; then
  echo "Word files open as text only; for their formatting install LibreOffice:" \
       "QP_WITH_LIBREOFFICE=1 make run (or apt-get install --no-install-recommends libreoffice-writer-nogui)."
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Quillpress needs these packages; install them with:" >&2
  echo "  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
