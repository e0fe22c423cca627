#!/usr/bin/env bash
# Both CSV forms through LibreOffice, as a user opens them: each file is converted headless to a
# flat spreadsheet (fods) with the import options of its locale, and the cells are read back.
# The spreadsheet form must give dates as dates, numbers as numbers, Ω as Ω and a formula-like
# unit as text, in the C (English) and German locales; the form for programs gives numbers and
# Ω when read as UTF-8. Usage: roundtrip.sh WRITE_FORMS_PROGRAM
set -euo pipefail
# Skipped on a machine without LibreOffice, but never in CI (CI set), where scripts/install-deps
# has installed it: there a missing soffice fails the test.
if ! command -v soffice >/dev/null; then
    echo "LibreOffice (soffice) is not installed"
    [ -n "${CI:-}" ] && exit 1
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$1" "$work"

# Import options: field separator, text quote, character set (76 UTF-8, empty: detected, so the
# byte order mark decides), first line, column formats, language (1033 English, 1031 German),
# quoted fields as text, detect special numbers (dates).
convert() {
    soffice -env:UserInstallation="file://$work/profile" --headless --infilter="CSV:$2" \
        --convert-to fods --outdir "$work/out" "$work/$1" >/dev/null 2>&1
}
convert program.csv 44,34,76,1,,1033,false,true
convert sheet-c.csv 44,34,,1,,1033,false,true
convert sheet-de.csv 59,34,,1,,1031,false,true

python3 - "$work/out" <<'PY'
import sys, xml.etree.ElementTree as ET
T = '{urn:oasis:names:tc:opendocument:xmlns:table:1.0}'
O = '{urn:oasis:names:tc:opendocument:xmlns:office:1.0}'
X = '{urn:oasis:names:tc:opendocument:xmlns:text:1.0}'

def cells(name):
    rows = []
    for row in ET.parse(f'{sys.argv[1]}/{name}.fods').iter(T + 'table-row'):
        rows.append([(c.get(O + 'value-type'), c.get(O + 'date-value') or c.get(O + 'value'),
                      ''.join(p.text or '' for p in c.iter(X + 'p')))
                     for c in row.iter(T + 'table-cell')])
    return rows

failed = False
def expect(name, got, want):
    global failed
    if got != want:
        print(f'{name}: got {got}, want {want}')
        failed = True

for name in ('sheet-c', 'sheet-de'):
    rows = cells(name)
    expect(name, rows[0][0][2], 'time')  # the byte order mark is not part of the first cell
    expect(name, rows[1][:3], [('date', '2026-12-07T00:11:11.45', rows[1][0][2]),
                               ('float', '1.746', rows[1][1][2]), ('string', None, 'KΩ')])
    expect(name, rows[1][5][:2], ('float', '1.5'))
    expect(name, rows[2][:3], [('date', '2026-12-07T00:11:12', rows[2][0][2]),
                               ('float', '-12.5', rows[2][1][2]), ('string', None, "'=1+2")])
    expect(name, rows[2][4][:2], ('float', '2.25'))
rows = cells('program')
expect('program', rows[1][:3], [('string', None, '2026-12-07T00:11:11.450+00:00'),
                                ('float', '1.746', '1.746'), ('string', None, 'KΩ')])
sys.exit(1 if failed else 0)
PY
echo "both CSV forms read back as intended"
