#!/usr/bin/python3
"""Reads a CSV data log of Zentiq with Python's csv module, as a user's own
script would, and prints what it found as one JSON object:

  read_csv_log.py LOGFILE

  {"header": [...], "rows": [{"fields": n, "timed": bool, "ms": n,
   "values": [...], "status": "..."}, ...]}

"timed" says that the first field parsed as an ISO 8601 time with its UTC
offset, "ms" is that time in milliseconds since the epoch (0 when not). Exits with 2 when the file cannot be read as UTF-8 CSV.
"""

import csv
import json
import sys
from datetime import datetime


def main():
    try:
        with open(sys.argv[1], newline="", encoding="utf-8") as f:
            rows = list(csv.reader(f, strict=True))
    except (OSError, UnicodeDecodeError, csv.Error) as exc:
        print(exc, file=sys.stderr)
        return 2
    if not rows:
        print("empty log", file=sys.stderr)
        return 2
    out = {"header": rows[0], "rows": []}
    for row in rows[1:]:
        try:
            time = datetime.fromisoformat(row[0])
            timed = time.utcoffset() is not None
            ms = round(time.timestamp() * 1000) if timed else 0
        except (ValueError, IndexError):
            timed, ms = False, 0
        out["rows"].append({"fields": len(row), "timed": timed, "ms": ms, "values": row[1:-1],
                            "status": row[-1] if row else ""})
    print(json.dumps(out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
