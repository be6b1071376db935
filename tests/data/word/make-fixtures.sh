#!/usr/bin/env bash
# Remakes the Word fixtures with LibreOffice (libreoffice-writer-nogui; the
# password-protected one also needs python3-uno). The .doc files are
# committed; this is only needed to change them.
#   formatted.*      from formatted.rtf (.doc, .docx and .odt)
#   the rest         from sources/*.fodt: one Word 97 file each, a copy of
#                    english.doc saved with the password "secret", and its
#                    first half alone (truncated.doc)
set -euo pipefail
cd "$(dirname "$0")"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
convert() { soffice -env:UserInstallation="file://$profile" --headless --convert-to "$@"; }
convert doc:"MS Word 97" --outdir . formatted.rtf
convert docx:"MS Word 2007 XML" --outdir . formatted.rtf
convert odt:"writer8" --outdir . formatted.rtf
convert doc:"MS Word 97" --outdir . sources/*.fodt
/usr/bin/python3 save-with-password.py sources/english.fodt password.doc secret
head -c $(( $(stat -c %s english.doc) / 2 )) english.doc > truncated.doc
