"""A host of the installed Python package: lists the columns of a copybook and
reads a record of it, written here, into a frame."""

import os
import sys
import tempfile

import lyra

layout = lyra.Layout(sys.argv[1])
for index, (name, kind, length) in enumerate(layout.columns):
    print(index, name, kind, length)
print("record length", layout.record_length)
record = b"C0000001" + bytes.fromhex("001234567c") + b"5551234567" + b"5559876543"
with tempfile.TemporaryDirectory() as folder:
    path = os.path.join(folder, "customers.dat")
    with open(path, "wb") as data:
        data.write(record)
    frame = lyra.read_pandas(path, copybook=sys.argv[1], record_format="fixed")
for name, value in frame.iloc[0].items():
    print(name, value, frame.dtypes[name])
