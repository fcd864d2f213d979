#!/bin/sh
# Rebuilds the example data files from the COBOL programs under cobol/.
# Needs cobc (GnuCOBOL 3.1 or later). The data files are committed, so the
# demo and the tests never need cobc.
#   customers.dat  custrec.cbl, ASCII, fixed 80-byte records
#   orders.dat     order_header.cbl (OH), order_line.cbl (OL) and
#                  order_trailer.cbl (OT), ASCII, variable-length records
#   payroll.dat    payroll.cbl, EBCDIC, a 20-byte header, fixed 64-byte records
#   orders.dat.gz  orders.dat compressed with gzip
# extract.cbl and extract.txt, text lines two of which are longer than their
# layout, are written by hand.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT

# Binary items are big-endian with 2, 4 or 8 bytes.
flags="-fbinary-size=2-4-8 -I . -I cobol"

# shellcheck disable=SC2086
cobc -x $flags -o "$build/customers" cobol/customers.cob
# shellcheck disable=SC2086
cobc -x $flags -o "$build/orders" cobol/orders.cob
# The payroll program writes embedded signs as overpunch letters, which its
# conversion to EBCDIC turns into the zones C (positive) and D (negative).
# shellcheck disable=SC2086
cobc -x $flags -fsign=EBCDIC -o "$build/payroll" cobol/payroll.cob

"$build/customers" customers.dat
"$build/orders" orders.dat
"$build/payroll" payroll.dat
# The order file compressed, for the README's example of a read from a pipe.
gzip -9 -n -c orders.dat > orders.dat.gz
