#!/usr/bin/env bash
# Remakes the Word fixtures from their RTF sources with LibreOffice
# (libreoffice-writer-nogui). The .doc files are committed; this is only
# needed to change them.
set -euo pipefail
cd "$(dirname "$0")"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
soffice -env:UserInstallation="file://$profile" --headless --convert-to doc:"MS Word 97" --outdir . formatted.rtf
soffice -env:UserInstallation="file://$profile" --headless --convert-to docx:"MS Word 2007 XML" --outdir . formatted.rtf
soffice -env:UserInstallation="file://$profile" --headless --convert-to odt:"writer8" --outdir . formatted.rtf
