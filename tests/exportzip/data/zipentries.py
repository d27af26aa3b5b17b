# Prints the entries of a ZIP archive as JSON, as Python's zipfile reads them, with the result of
# its own check of every entry's data.
import json
import sys
import zipfile

with zipfile.ZipFile(sys.argv[1]) as z:
    entries = []
    for i in z.infolist():
        entries.append({
            "name": i.filename,
            "flags": i.flag_bits,
            "method": i.compress_type,
            "csize": i.compress_size,
            "size": i.file_size,
            "crc": i.CRC,
            "time": list(i.date_time),
            "extra": i.extra.hex(),
            "offset": i.header_offset,
            "data": z.read(i).hex(),
        })
    print(json.dumps({"bad": z.testzip(), "entries": entries}))
