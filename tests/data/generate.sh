#!/bin/sh
# Regenerates the data files under files/ and their expected values,
# then checks the copybooks and cross-checks every expected file.
# Needs cobc (GnuCOBOL 3.1.x), iconv, python3 and zstd. The generated files are
# committed, so the tests never need these tools.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT
mkdir -p files

# Binary items are big-endian with 2, 4 or 8 bytes; items after an
# OCCURS DEPENDING ON table follow the table's current size.
flags="-fbinary-size=2-4-8 -fcomplex-odo -fodoslide -I copybooks -I cobol"

compile() { # output program, source, extra flags
    out=$1 src=$2
    shift 2
    # shellcheck disable=SC2086
    cobc -x $flags "$@" -o "$build/$out" "cobol/$src" cobol/support.cob
}

compile wcust wcust.cob
compile wcust_ovp wcust.cob -fsign=EBCDIC
compile waccts waccts.cob
# Without -fodoslide the statement date stays after the table's twelfth entry.
cobc -x -fbinary-size=2-4-8 -fcomplex-odo -I copybooks -I cobol -o "$build/waccts_max" \
    cobol/waccts.cob cobol/support.cob
compile wtxn wtxn.cob
compile wtxn_ovp wtxn.cob -fsign=EBCDIC
compile wpolicy wpolicy.cob
compile witems witems.cob
compile wjobs wjobs.cob -fnotrunc
compile wship wship.cob
compile wpay wpay.cob
# COMP-1, COMP-2 and COMP-5 in the machine's own byte order.
compile wmeasure wmeasure.cob
compile wedited wedited.cob
compile whier whier.cob

"$build/wcust" files/customers.dat >files/customers.dat.expected
"$build/wcust_ovp" files/customers_ovp.dat >"$build/customers_ovp.expected"
"$build/waccts" files/accounts.dat >files/accounts.dat.expected
# The same records, each written whole: the table at its maximum.
"$build/waccts_max" files/accounts_max.dat MAX >"$build/accounts_max.expected"
cmp files/accounts.dat.expected "$build/accounts_max.expected"
cp files/accounts.dat.expected files/accounts_max.dat.expected
"$build/wtxn" files/txn_var.dat files/txn_fixed120.dat \
    >files/txn_var.dat.expected
"$build/wtxn_ovp" "$build/txn_var_ovp.dat" "$build/txn_fixed120_ovp.dat" \
    >"$build/txn_ovp.expected"
"$build/wpolicy" files/policies.dat >files/policies.dat.expected
"$build/witems" files/items.dat >files/items.dat.expected
"$build/wjobs" files/jobstats.dat >files/jobstats.dat.expected
# RECORD VARYING files in GnuCOBOL's default framing, whatever the
# environment says.
COB_VARSEQ_FORMAT=0 "$build/wship" files/shipments.dat \
    >files/shipments.dat.expected
# The same records in the runtime's other variable-file forms: the same values.
for form in 1 2 3; do
    COB_VARSEQ_FORMAT=$form "$build/wship" files/shipments_varseq$form.dat \
        >"$build/shipments_varseq.expected"
    cmp files/shipments.dat.expected "$build/shipments_varseq.expected"
    cp files/shipments.dat.expected files/shipments_varseq$form.dat.expected
done
"$build/wpay" files/payroll.dat >files/payroll.dat.expected

# The sign convention changes the bytes, never the values.
cmp files/customers.dat.expected "$build/customers_ovp.expected"
cmp files/txn_var.dat.expected "$build/txn_ovp.expected"
cp files/customers.dat.expected files/customers_ovp.dat.expected
cp files/txn_var.dat.expected files/txn_fixed120.dat.expected

# EBCDIC variants start from the overpunch files, whose sign letters
# become the zones C (positive) and D (negative) in code page 037.
python3 to_ebcdic.py customers files/customers_ovp.dat \
    files/customers_ebcdic.dat
python3 to_ebcdic.py txn-fixed "$build/txn_fixed120_ovp.dat" \
    files/txn_fixed120_ebcdic.dat
python3 to_ebcdic.py txn-var "$build/txn_var_ovp.dat" files/txn_var_ebcdic.dat
# The customers once more in code page 273 (German): the same letters,
# digits and sign zones, other bytes for [ ] ! | ^ and for { }.
python3 to_ebcdic.py customers files/customers_ovp.dat \
    files/customers_273.dat 273
cp files/customers.dat.expected files/customers_ebcdic.dat.expected
cp files/customers.dat.expected files/customers_273.dat.expected
cp files/txn_var.dat.expected files/txn_fixed120_ebcdic.dat.expected
cp files/txn_var.dat.expected files/txn_var_ebcdic.dat.expected

# Descriptor words, blocks, spanned segments and text lines around the
# records of shipments.dat, customers_ovp.dat and payroll.dat.
python3 make_framed.py
cp files/shipments.dat.expected files/shipments_le.dat.expected
cp files/shipments.dat.expected files/shipments_vb.dat.expected
cp files/customers.dat.expected files/customers_rdw.dat.expected
cp files/customers.dat.expected files/customers_vb.dat.expected
cp files/payroll.dat.expected files/payroll.txt.expected
cp files/shipments.dat.expected files/shipments_vbs.dat.expected
cp files/shipments.dat.expected files/shipments_vs.dat.expected
cp files/customers.dat.expected files/customers_vbs.dat.expected
# customers_rdw.dat compressed with gzip, bzip2 and zstd, in several pieces.
python3 make_compressed.py

# Floats and native binary: GnuCOBOL's little-endian file, and the same
# records with the float bytes reversed (IEEE 754 big-endian).
"$build/wmeasure" files/measures.dat >files/measures.dat.expected
python3 swap_floats.py
cp files/measures.dat.expected files/measures_be.dat.expected

# Numeric-edited amounts, and the value each edited text stands for.
"$build/wedited" files/edited.dat >files/edited.dat.values

# Record hierarchies: customers, their accounts and phones, the accounts'
# transactions, with each record's layout and parent record.
"$build/whier" files/hierarchy.dat >files/hierarchy.dat.expected

# German text in EBCDIC 273 and 1141, ISO-8859-1, Windows-1252 and UTF-8,
# UTF-16 national text and double-byte text: built from value tables
# through iconv.
python3 make_kunden.py
python3 make_national.py
# Mixed single- and double-byte text in IBM's ten mixed EBCDIC pages.
python3 make_dbcs.py

./check_copybooks.sh
python3 check_expected.py
python3 check_encodings.py
