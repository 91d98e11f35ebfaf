#!/usr/bin/env python3
"""Collect the host names the views use from the component's design text.

Writes one name a line, each prefixed by its kind:

    item NAME         a host item some view registers, reads or writes
    enumerated NAME   an item whose enumeration a view looks up (must carry one)
    record NAME       a record (HART command) a view names
    sequence NAME     a sequence a view starts or names

The device description tests read this list, so the RQ4400 description cannot silently
lose an item a view depends on. Names are compared without regard to case, as the host
matches them; every other spelling of a name is kept as a comment line.

Usage: collect_item_names.py DESIGN.md [DESIGN.md ...] > tests/tolvar_dd/required_items.txt
"""
import re
import sys

# Mixed-case host items that no pattern below recognises.
CAMEL_ITEMS = {
    "HartRevision", "UploadQuestion", "SaveToDataBaseOnExit", "LastFieldDeviceStatus",
    "LastCommandResponseSummary", "RecordName", "RecordState", "SequenceName", "SequenceState",
    "Access_Level",
}

# Upper-case words that are not items: environment variables, octet names, text fragments.
NOT_ITEMS = {"COMSPEC", "FULL", "B14", "C16"}
NOT_ITEM_PREFIXES = ("VR_RESPONSE_", "RECORD_STATE_RESPONSE_", "VELUMOR_DIAG_")

SEQUENCE_RE = re.compile(r"^(Seq[A-Za-z0-9_]+|UPLOAD|DOWNLOAD|FULL_DOWNLOAD|upload|GET_TRANSMITTER_STATE_[A-Za-z]+)$")
RECORD_RE = re.compile(r"^HART_COMMAND_\d{3}_[A-Za-z]+$")
HOST_ITEM_RE = re.compile(r"^&&[A-Za-z_]+&&[A-Za-z0-9_]+$")
PLAIN_ITEM_RE = re.compile(r"^[A-Z][A-Z0-9_]*[A-Z0-9]$")

# Items whose enumeration the views look up by name (FindObject "object", then the fifth output
# of GetObjectInfo): the output choices, the connection state and every unit item, whose text a
# label-text-unit control or a report line shows.
ENUM_LOOKUPS = {
    "CURRENT_OUTPUT_1_OUTPUT_VARIABLE", "CURRENT_OUTPUT_2_OUTPUT_VARIABLE", "PULSE_OUTPUT_MODE",
    "DISPLAY_2ND_LINE", "&&private&&connect",
}
ENUM_LOOKUPS_FOLDED = {n.casefold() for n in ENUM_LOOKUPS}
UNIT_ITEM_RE = re.compile(r"^(UNITS_[A-Z_]+|[A-Z0-9_]+_UNITS?)$")

# Prefixes of the items a record or a sequence owns, as the supervision view forms them.
RECORD_ITEM_PREFIXES = ("&&Record_State&&", "&&Record_Response&&", "&&Record_Response_Control&&")
SEQUENCE_ITEM_PREFIXES = ("&&Sequence_State&&", "&&Sequence_Control&&", "&&Sequence_Progress&&")


def classify(name):
    if name in CAMEL_ITEMS:
        return "item"
    if RECORD_RE.match(name):
        return "record"
    if SEQUENCE_RE.match(name):
        return "sequence"
    if HOST_ITEM_RE.match(name):
        return "item"
    if name in NOT_ITEMS or name.startswith(NOT_ITEM_PREFIXES):
        return None
    if len(name) >= 3 and PLAIN_ITEM_RE.match(name):
        return "item"
    return None


def derived_names(text, items):
    """Names the text builds rather than quotes."""
    out = []
    # "COMMENTS_" & n, n = 1 to 15, two digits.
    if re.search(r'"COMMENTS_"\s*&\s*n', text):
        out += [f"COMMENTS_{n:02d}" for n in range(1, 16)]
    # Output 2 rows are named as for output 1 ("CURRENT_OUTPUT_2_" in place of "CURRENT_OUTPUT_1_").
    if re.search(r'"CURRENT_OUTPUT_2_" in place of "CURRENT_OUTPUT_1_"', text):
        out += [n.replace("CURRENT_OUTPUT_1_", "CURRENT_OUTPUT_2_", 1)
                for n in items if n.startswith("CURRENT_OUTPUT_1_")]
    return out


def main(paths):
    text = ""
    for path in paths:
        with open(path, encoding="utf-8") as f:
            text += f.read() + "\n"

    seen = {}      # folded name -> (kind, preferred spelling)
    spellings = {} # folded name -> {spelling: occurrences}, in order of appearance
    order = []

    def add(kind, name):
        key = name.casefold()
        counts = spellings.setdefault(key, {})
        counts[name] = counts.get(name, 0) + 1
        if key not in seen:
            seen[key] = (kind, name)
            order.append(key)
        # The spelling used most often is the one the list shows first.
        preferred = max(counts, key=lambda s: counts[s])
        seen[key] = (seen[key][0], preferred)

    for name in re.findall(r'"([^"\n]{1,80})"', text):
        kind = classify(name)
        if kind:
            add(kind, name)

    # A record named only inside one of its items ("&&Record_Response&&" & record) is a record too.
    for key in list(order):
        kind, name = seen[key]
        for prefix in RECORD_ITEM_PREFIXES:
            if kind == "item" and name.startswith(prefix) and RECORD_RE.match(name[len(prefix):]):
                add("record", name[len(prefix):])

    items = [seen[k][1] for k in order if seen[k][0] == "item"]
    for name in derived_names(text, items):
        add("item", name)

    for key in list(order):
        kind, name = seen[key]
        if kind == "record":
            for prefix in RECORD_ITEM_PREFIXES:
                add("item", prefix + name)
        elif kind == "sequence":
            for prefix in SEQUENCE_ITEM_PREFIXES:
                add("item", prefix + name)

    print("# Host names the views use; generated by tools/collect_item_names.py, do not edit.")
    print("# Matched without regard to case; other spellings of a name follow it as comments.")
    for kind in ("item", "record", "sequence"):
        for key in sorted((k for k in order if seen[k][0] == kind), key=lambda k: seen[k][1]):
            print(f"{kind} {seen[key][1]}")
            for other in spellings[key]:
                if other != seen[key][1]:
                    print(f"#   also spelled {other}")
    for key in sorted(k for k in order if seen[k][0] == "item"):
        name = seen[key][1]
        if key in ENUM_LOOKUPS_FOLDED or UNIT_ITEM_RE.match(name):
            print(f"enumerated {name}")

    for key in order:
        if len(spellings[key]) > 1:
            print("different spellings: " + ", ".join(spellings[key]), file=sys.stderr)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    main(sys.argv[1:])
