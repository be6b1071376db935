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

# Password-protected documents made by hand, since only their marks matter:
# the Word file with its header's fEncrypted flag set, and an OpenDocument
# file whose manifest describes an encrypted part (the part itself is not).
python3 - <<'PY'
import zipfile
doc = bytearray(open('formatted.doc', 'rb').read())
entry = doc.find('WordDocument'.encode('utf-16-le'))
sector = 1 << int.from_bytes(doc[0x1E:0x20], 'little')
fib = (int.from_bytes(doc[entry + 0x74:entry + 0x78], 'little') + 1) * sector
flags = int.from_bytes(doc[fib + 10:fib + 12], 'little') | 0x0100
doc[fib + 10:fib + 12] = flags.to_bytes(2, 'little')
open('protected.doc', 'wb').write(doc)

manifest = ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">\n'
            ' <manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.text"/>\n'
            ' <manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml" manifest:size="2048">\n'
            '  <manifest:encryption-data manifest:checksum-type="SHA1/1K" manifest:checksum="AAAA">\n'
            '   <manifest:algorithm manifest:algorithm-name="Blowfish CFB" manifest:initialisation-vector="AAAA"/>\n'
            '   <manifest:key-derivation manifest:key-derivation-name="PBKDF2" manifest:iteration-count="1024" manifest:salt="AAAA"/>\n'
            '  </manifest:encryption-data>\n'
            ' </manifest:file-entry>\n'
            '</manifest:manifest>\n')
with zipfile.ZipFile('protected.odt', 'w') as odt:
    odt.writestr('mimetype', 'application/vnd.oasis.opendocument.text', zipfile.ZIP_STORED)
    odt.writestr('content.xml', bytes(64), zipfile.ZIP_STORED)
    odt.writestr('META-INF/manifest.xml', manifest, zipfile.ZIP_DEFLATED)
PY
