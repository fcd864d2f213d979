#!/bin/sh
# Checks the copybooks under copybooks/: the fixed column layout that
# the library's source reader relies on, then validity as COBOL through
# cobc -fsyntax-only on a program that copies all of them.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
status=0
for f in "$here"/copybooks/*.cpy; do
    # Lines of at most 80 columns; column 7 blank, '*' or '/'; an entry
    # ends on the line whose content (columns 8-72) ends with a period,
    # and only there: the next entry must start on a new line.
    awk -v name="$(basename "$f")" '
        function fail(msg) { printf "%s:%d: %s\n", name, NR, msg; bad = 1 }
        length($0) > 80 { fail("longer than 80 columns") }
        length($0) < 7 { next }
        { ind = substr($0, 7, 1) }
        ind == "*" || ind == "/" { next }
        ind != " " { fail("unexpected indicator \"" ind "\"") }
        {
            text = substr($0, 8, 65)
            sub(/^ +/, "", text); sub(/ +$/, "", text)
            if (text == "") next
            starts = (text ~ /^[0-9][0-9]? /)
            if (open && starts) fail("entry starts before the previous one ended")
            if (!open && !starts) fail("line does not start an entry")
            open = (text !~ /\.$/)
        }
        END { if (open) fail("last entry has no period"); exit bad }
    ' "$f" || status=1
done
# cobc 3.1 warns that its national support is unfinished; national.cpy
# only declares PIC N items, which it checks all the same.
cobc -fsyntax-only -fbinary-size=2-4-8 -fcomplex-odo -fodoslide \
    -Wno-unfinished \
    -I "$here/copybooks" "$here/cobol/check_copybooks.cob" || status=1
[ $status -eq 0 ] && echo "copybooks OK"
exit $status
