#!/usr/bin/env python3
"""Checks an SSSOM/TSV file against the standard, independently of the program.

Usage: sssom_validate.py FILE SCHEMA_FOLDER

SCHEMA_FOLDER holds the standard's sssom_schema.yaml (slot ranges, which slots
are multi-valued, which came with version 1.1) and sssom_schema.schema.json
(the JSON Schema of a mapping set).  The file is read as the standard's TSV
form says (a block of "#" lines holding YAML, then a tab-separated table
quoted as RFC 4180 says; multi-valued cells split at "|"), turned into the
JSON form of a mapping set and validated against the JSON Schema.  On top of
the schema, the rules the schema cannot state are checked: every entity
reference is a CURIE whose prefix is declared or built in, built-in prefixes
are not declared again, non-relative URIs have a scheme, and sssom_version
says "1.1" when a slot of version 1.1 is used.

Prints one problem a line and exits 1 when there are problems, 0 when the
file conforms, 77 when the Python modules it needs are missing.
"""
import csv
import io
import json
import os
import re
import sys

try:
    import jsonschema
    import yaml
except ImportError as missing:  # the test skips
    print("missing Python module: %s" % missing.name)
    sys.exit(77)

BUILT_IN = {
    "owl": "http://www.w3.org/2002/07/owl#",
    "rdf": "http://www.w3.org/1999/02/22-rdf-syntax-ns#",
    "rdfs": "http://www.w3.org/2000/01/rdf-schema#",
    "semapv": "https://w3id.org/semapv/vocab/",
    "skos": "http://www.w3.org/2004/02/skos/core#",
    "sssom": "https://w3id.org/sssom/",
    "xsd": "http://www.w3.org/2001/XMLSchema#",
    "linkml": "https://w3id.org/linkml/",
}


class StringDatesLoader(yaml.SafeLoader):
    """YAML without its timestamp type: a date stays the text it is."""


StringDatesLoader.yaml_implicit_resolvers = {
    first: [(tag, regexp) for tag, regexp in resolvers if tag != "tag:yaml.org,2002:timestamp"]
    for first, resolvers in yaml.SafeLoader.yaml_implicit_resolvers.items()
}


def split_values(cell):
    values, current, i = [], "", 0
    while i < len(cell):
        c = cell[i]
        if c == "\\" and i + 1 < len(cell) and cell[i + 1] in "|\\":
            current += cell[i + 1]
            i += 2
            continue
        if c == "|":
            values.append(current)
            current = ""
        else:
            current += c
        i += 1
    values.append(current)
    return values


def main(path, schema_folder):
    schema_yaml = yaml.safe_load(open(os.path.join(schema_folder, "sssom_schema.yaml"), encoding="utf-8"))
    json_schema = json.load(open(os.path.join(schema_folder, "sssom_schema.schema.json"), encoding="utf-8"))
    slots = schema_yaml["slots"]
    entity = {n for n, s in slots.items() if s.get("range") == "EntityReference"}
    non_relative = {n for n, s in slots.items() if s.get("range") == "NonRelativeURI"}
    multivalued = {n for n, s in slots.items() if s.get("multivalued")}
    numbers = {n for n, s in slots.items() if s.get("range") == "double"}
    since11 = {n for n, s in slots.items() if (s.get("annotations") or {}).get("added_in") == "1.1"}
    mapping_slots = set(schema_yaml["classes"]["mapping"]["slots"])

    problems = []
    raw = open(path, "rb").read()
    text = raw.decode("utf-8")  # not UTF-8: an exception, the test fails
    lines = text.splitlines(keepends=True)
    meta_lines = []
    while lines and lines[0].startswith("#"):
        meta_lines.append(lines.pop(0)[1:])
    metadata = yaml.load("".join(meta_lines), Loader=StringDatesLoader) or {}
    if not isinstance(metadata, dict):
        problems.append("metadata: not a mapping")
        metadata = {}

    table = list(csv.reader(io.StringIO("".join(lines), newline=""), delimiter="\t", quotechar='"',
                            doublequote=True, strict=True))
    header = table[0] if table else []
    for name in header:
        if name not in mapping_slots:
            problems.append("header: %s is not a slot of a mapping" % name)
    mappings = []
    for number, row in enumerate(table[1:], start=2):
        if len(row) != len(header):
            problems.append("row %d: %d cells where the header has %d" % (number, len(row), len(header)))
            continue
        mapping = {}
        for name, cell in zip(header, row):
            if cell == "":
                continue
            if name in multivalued:
                mapping[name] = split_values(cell)
            elif name in numbers:
                mapping[name] = float(cell)
            else:
                mapping[name] = cell
        mappings.append(mapping)

    curie_map = metadata.get("curie_map") or {}
    for prefix in curie_map:
        if prefix in BUILT_IN:
            problems.append("curie_map: the built-in prefix %s is declared again" % prefix)

    def check_entity(where, value):
        prefix, colon, local = value.partition(":")
        if not colon or local.startswith("//"):
            problems.append("%s: %r is not a CURIE" % (where, value))
        elif prefix not in curie_map and prefix not in BUILT_IN:
            problems.append("%s: the prefix of %r is not declared" % (where, value))

    used = set(metadata) | {name for m in mappings for name in m}
    for where, obj in [("metadata", metadata)] + [("mapping %d" % (i + 1), m) for i, m in enumerate(mappings)]:
        for name, value in obj.items():
            values = value if isinstance(value, list) else [value]
            for v in values:
                if not isinstance(v, str):
                    continue
                if name in entity:
                    check_entity("%s %s" % (where, name), v)
                if name in non_relative and not re.match(r"^[A-Za-z][A-Za-z0-9+.-]*:\S", v):
                    problems.append("%s %s: %r is not a non-relative URI" % (where, name, v))
    if used & since11 and metadata.get("sssom_version") != "1.1":
        problems.append("metadata: slots of version 1.1 (%s) without sssom_version \"1.1\""
                        % ", ".join(sorted(used & since11)))

    document = dict(metadata)
    document["mappings"] = mappings
    validator = jsonschema.Draft201909Validator({"$ref": "#/$defs/MappingSet", "$defs": json_schema["$defs"]})
    for error in sorted(validator.iter_errors(document), key=lambda e: list(e.absolute_path)):
        problems.append("schema: %s: %s" % ("/".join(str(p) for p in error.absolute_path), error.message))

    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
