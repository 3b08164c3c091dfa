#!/usr/bin/env python3
"""Generates src/unicode/tables_generated.cpp from the Unicode Character Database.

Usage: gen_unicode_tables.py UCD_DIR OUTPUT

UCD_DIR is either a flat folder of UCD text files or unicode.org's own layout
(break properties in auxiliary/, emoji-data.txt in emoji/, derived binary
properties in extracted/); both are searched. The output depends only on the
input files, so running the script twice gives identical bytes.

The declarations that the generated arrays must match live in
src/unicode/tables.h; the layout constants below are repeated there.
"""

import os
import sys

MAX_CP = 0x10FFFF
N_CP = MAX_CP + 1

# Two-stage tables: stage 1 maps cp >> BLOCK_SHIFT to a block number, stage 2
# holds the deduplicated blocks. Must equal kBlockShift in tables.h.
BLOCK_SHIFT = 7
BLOCK_SIZE = 1 << BLOCK_SHIFT

GENERAL_CATEGORIES = ["Lu", "Ll", "Lt", "Lm", "Lo", "Mn", "Mc", "Me", "Nd", "Nl",
                      "No", "Pc", "Pd", "Ps", "Pe", "Pi", "Pf", "Po", "Sm", "Sc",
                      "Sk", "So", "Zs", "Zl", "Zp", "Cc", "Cf", "Cs", "Co", "Cn"]

# Bits of a property record (tables.h: kProp*).
PROP_GC_MASK = 0x1F
PROP_BITS = {
    "White_Space": 1 << 5,
    "Alphabetic": 1 << 6,
    "Uppercase": 1 << 7,
    "Lowercase": 1 << 8,
    "Cased": 1 << 9,
    "Case_Ignorable": 1 << 10,
}

# Quick-check values in a normalisation record (tables.h: kQc*).
QC_VALUES = {"Y": 0, "M": 1, "N": 2}
QC_SHIFT = 8

HANGUL_S_BASE, HANGUL_S_COUNT = 0xAC00, 11172


# ---------------------------------------------------------------------------
# Reading UCD files
# ---------------------------------------------------------------------------

SUBFOLDERS = ["", "auxiliary", "emoji", "extracted"]


class Ucd:
    """Finds UCD files in a flat folder or in unicode.org's layout."""

    def __init__(self, root):
        self.root = root

    def path(self, name):
        for sub in SUBFOLDERS:
            candidate = os.path.join(self.root, sub, name)
            if os.path.isfile(candidate):
                return candidate
        sys.exit(f"gen_unicode_tables: {name} not found under {self.root}")

    def lines(self, name):
        """Yields the data fields of each non-comment line, stripped."""
        with open(self.path(name), encoding="utf-8") as f:
            for line in f:
                line = line.split("#", 1)[0].strip()
                if line:
                    yield [field.strip() for field in line.split(";")]

    def ranges(self, name):
        """Yields (lo, hi, fields after the code point column)."""
        for fields in self.lines(name):
            lo, hi = parse_range(fields[0])
            yield lo, hi, fields[1:]

    def property_sets(self, name):
        """Maps each property (or value) named in column 2 to its code points."""
        sets = {}
        for lo, hi, rest in self.ranges(name):
            sets.setdefault(rest[0], set()).update(range(lo, hi + 1))
        return sets

    def enumerated(self, name, default):
        """A per-code-point list of the value in column 2 (default elsewhere)."""
        values = [default] * N_CP
        for lo, hi, rest in self.ranges(name):
            values[lo:hi + 1] = [rest[0]] * (hi - lo + 1)
        return values


def parse_range(text):
    if ".." in text:
        lo, hi = text.split("..")
        return int(lo, 16), int(hi, 16)
    return int(text, 16), int(text, 16)


def parse_cps(text):
    return [int(x, 16) for x in text.split()]


class UnicodeData:
    """The fields of UnicodeData.txt that the tables need, per code point."""

    def __init__(self, ucd):
        self.gc = ["Cn"] * N_CP
        self.ccc = [0] * N_CP
        self.decomp = {}        # cp -> (is_compat, [cps])
        self.lower = {}         # cp -> simple lowercase mapping
        self.upper = {}
        self.title = {}
        first = None
        for fields in ucd.lines("UnicodeData.txt"):
            cp = int(fields[0], 16)
            name = fields[1]
            if name.endswith(", First>"):
                first = cp
                continue
            lo = first if name.endswith(", Last>") else cp
            first = None
            for c in range(lo, cp + 1):
                self.gc[c] = fields[2]
                self.ccc[c] = int(fields[3])
            if fields[5]:
                parts = fields[5].split()
                compat = parts[0].startswith("<")
                if compat:
                    parts = parts[1:]
                self.decomp[cp] = (compat, [int(x, 16) for x in parts])
            if fields[12]:
                self.upper[cp] = int(fields[12], 16)
            if fields[13]:
                self.lower[cp] = int(fields[13], 16)
            if fields[14]:
                self.title[cp] = int(fields[14], 16)


# ---------------------------------------------------------------------------
# Table builders
# ---------------------------------------------------------------------------

def two_stage(values):
    """Splits a per-code-point list into (stage1 block numbers, stage2 values)."""
    blocks = {}
    stage1 = []
    stage2 = []
    for start in range(0, N_CP, BLOCK_SIZE):
        block = tuple(values[start:start + BLOCK_SIZE])
        number = blocks.get(block)
        if number is None:
            number = len(blocks)
            blocks[block] = number
            stage2.extend(block)
        stage1.append(number)
    assert len(blocks) < 1 << 16
    return stage1, stage2


class SequencePool:
    """Code point sequences stored as [length, cp...]; index 0 means none."""

    def __init__(self):
        self.data = [0]
        self.index = {}

    def add(self, seq):
        key = tuple(seq)
        if key not in self.index:
            self.index[key] = len(self.data)
            self.data.append(len(seq))
            self.data.extend(seq)
        return self.index[key]


def records(values):
    """Replaces each value by its index in a sorted list of distinct values."""
    distinct = sorted(set(values))
    number = {v: i for i, v in enumerate(distinct)}
    return distinct, [number[v] for v in values]


def ranges_of(cps):
    """Sorted inclusive ranges covering a set of code points."""
    out = []
    for cp in sorted(cps):
        if out and out[-1][1] + 1 == cp:
            out[-1][1] = cp
        else:
            out.append([cp, cp])
    return [tuple(r) for r in out]


# ---------------------------------------------------------------------------
# C++ output
# ---------------------------------------------------------------------------

class Writer:
    def __init__(self):
        self.parts = []

    def line(self, text=""):
        self.parts.append(text + "\n")

    def array(self, ctype, name, values, per_line=16, fmt="{}"):
        self.line(f"const {ctype} {name}[{len(values)}] = {{")
        for i in range(0, len(values), per_line):
            chunk = values[i:i + per_line]
            self.line("    " + ", ".join(fmt.format(v) for v in chunk) + ",")
        self.line("};")
        self.line()

    def two_stage(self, ctype, name, values):
        stage1, stage2 = two_stage(values)
        limit = 1 << (8 * {"std::uint8_t": 1, "std::uint16_t": 2}[ctype])
        assert max(stage2) < limit, name
        self.array("std::uint16_t", name + "Index", stage1)
        self.array(ctype, name + "Blocks", stage2, per_line=32)

    def text(self):
        return "".join(self.parts)


# Arrays of plain numbers are constant-initialised anyway; the spans and
# string views get `constinit` so that no table is built at start-up.
HEADER = """\
// GENERATED by tools/gen_unicode_tables.py from the Unicode Character Database. Do not edit.
//
// Unicode Data Files are (c) Unicode, Inc. and distributed under the Unicode License V3
// (https://www.unicode.org/license.txt). Regenerate with:
//   python3 tools/gen_unicode_tables.py data/ucd/17.0.0 src/unicode/tables_generated.cpp
// Data files: Unicode {version}.

#include "unicode/tables.h"

namespace kc::unicode::tables {{
"""


def ucd_version(ucd):
    with open(ucd.path("DerivedAge.txt"), encoding="utf-8") as f:
        first = f.readline()
    # "# DerivedAge-17.0.0.txt"
    return first.strip().lstrip("# ").removeprefix("DerivedAge-").removesuffix(".txt")


# ---------------------------------------------------------------------------
# Section: character properties
# ---------------------------------------------------------------------------

def emit_properties(w, ucd, data):
    proplist = ucd.property_sets("PropList.txt")
    core = ucd.property_sets("DerivedCoreProperties.txt")
    sources = {"White_Space": proplist}
    values = [GENERAL_CATEGORIES.index(g) for g in data.gc]
    for prop, bit in PROP_BITS.items():
        for cp in sources.get(prop, core)[prop]:
            values[cp] |= bit
    distinct, indexes = records(values)
    assert len(distinct) <= 256
    w.line("// Character properties: general category and the flags of kProp*.")
    w.array("std::uint16_t", "kPropRecords", distinct, fmt="0x{:04X}")
    w.two_stage("std::uint8_t", "kProp", indexes)


# ---------------------------------------------------------------------------
# Section: lower-case mapping
# ---------------------------------------------------------------------------

def full_lowercase(ucd, data):
    """Simple mappings overridden by SpecialCasing's unconditional entries."""
    lower = {cp: [m] for cp, m in data.lower.items()}
    for fields in ucd.lines("SpecialCasing.txt"):
        conditional = len(fields) > 4 and fields[4]
        if conditional:
            continue
        cp = int(fields[0], 16)
        lower[cp] = parse_cps(fields[1])
    return {cp: m for cp, m in lower.items() if m != [cp]}


def emit_lowercase(w, ucd, data):
    pool = SequencePool()
    values = [0] * N_CP
    for cp, mapping in sorted(full_lowercase(ucd, data).items()):
        assert 1 <= len(mapping) <= 3
        values[cp] = pool.add(mapping)
    assert len(pool.data) < 1 << 16
    w.line("// Full lower-case mapping: index into kLowerPool ([length, code points...]).")
    w.array("char32_t", "kLowerPool", pool.data, per_line=12, fmt="0x{:04X}")
    w.two_stage("std::uint16_t", "kLower", values)


# ---------------------------------------------------------------------------
# Section: normalisation (NFKC)
# ---------------------------------------------------------------------------

def full_decomposition(data, cp, compat, memo):
    if cp in memo:
        return memo[cp]
    entry = data.decomp.get(cp)
    if entry is None or (entry[0] and not compat):
        result = [cp]
    else:
        result = []
        for part in entry[1]:
            result.extend(full_decomposition(data, part, compat, memo))
    memo[cp] = result
    return result


def emit_normalization(w, ucd, data):
    qc = ["Y"] * N_CP
    exclusions = set()
    for lo, hi, rest in ucd.ranges("DerivedNormalizationProps.txt"):
        if rest[0] == "NFKC_QC":
            qc[lo:hi + 1] = [rest[1]] * (hi - lo + 1)
        elif rest[0] == "Full_Composition_Exclusion":
            exclusions.update(range(lo, hi + 1))

    memo = {}
    pool = SequencePool()
    decomp_index = [0] * N_CP
    for cp in sorted(data.decomp):
        full = full_decomposition(data, cp, True, memo)
        if full != [cp]:
            decomp_index[cp] = pool.add(full)
    assert len(pool.data) < 1 << 16

    # Primary composites: canonical pairs whose composite is not excluded.
    pairs = []
    for cp, (compat, parts) in sorted(data.decomp.items()):
        if compat or cp in exclusions:
            continue
        assert len(parts) == 2, hex(cp)
        pairs.append((parts[0], parts[1], cp))
    pairs.sort()
    for first, second, _ in pairs:
        # The composer only looks up pairs whose second member is a Maybe.
        assert qc[second] == "M", hex(second)

    # The fast path treats a Yes character of class 0 as a point where no
    # normalisation crosses; that needs its decomposition to start with one.
    for cp in range(N_CP):
        if qc[cp] == "Y" and data.ccc[cp] == 0 and cp in memo:
            assert data.ccc[memo[cp][0]] == 0, hex(cp)

    values = [data.ccc[cp] | (QC_VALUES[qc[cp]] << QC_SHIFT) for cp in range(N_CP)]
    distinct, indexes = records(values)
    assert len(distinct) <= 256
    w.line("// Normalisation records: canonical combining class | NFKC_QC << 8.")
    w.array("std::uint16_t", "kNormRecords", distinct, fmt="0x{:04X}")
    w.two_stage("std::uint8_t", "kNorm", indexes)
    w.line("// Full compatibility decompositions: index into kDecompPool ([length, code points...]).")
    w.array("char32_t", "kDecompPool", pool.data, per_line=12, fmt="0x{:04X}")
    w.two_stage("std::uint16_t", "kDecomp", decomp_index)
    w.line("// Canonical composition pairs, sorted by (first, second).")
    w.line(f"const CompositionPair kCompositions[{len(pairs)}] = {{")
    for first, second, composite in pairs:
        w.line(f"    {{0x{first:04X}, 0x{second:04X}, 0x{composite:04X}}},")
    w.line("};")
    w.line(f"const std::size_t kCompositionCount = {len(pairs)};")
    w.line()


# ---------------------------------------------------------------------------
# Section: code point sets for the regex dialect
# ---------------------------------------------------------------------------

def value_ranges(values):
    """Maps each value of a per-code-point list to its sorted inclusive ranges."""
    out = {}
    start = 0
    for cp in range(1, N_CP + 1):
        if cp == N_CP or values[cp] != values[start]:
            out.setdefault(values[start], []).append((start, cp - 1))
            start = cp
    return out


def merge_ranges(*range_lists):
    cps = set()
    for ranges in range_lists:
        for lo, hi in ranges:
            cps.update(range(lo, hi + 1))
    return ranges_of(cps)


class Aliases:
    """PropertyAliases.txt and PropertyValueAliases.txt, spellings kept raw."""

    def __init__(self, ucd):
        self.properties = []           # (long name, [spellings])
        self.property_long = {}        # any spelling -> long name
        for fields in ucd.lines("PropertyAliases.txt"):
            self.properties.append((fields[1], fields))
            for name in fields:
                self.property_long[name] = fields[1]
        self.values = []               # (long property, long value, [spellings])
        self.value_long = {}           # (long property, any spelling) -> long value
        for fields in ucd.lines("PropertyValueAliases.txt"):
            prop = self.property_long[fields[0]]
            names = fields[1:]
            # ccc lines put the numeric value first: ccc; 230; A; Above
            long_name = names[2] if fields[0] == "ccc" else names[1]
            self.values.append((prop, long_name, names))
            for name in names:
                self.value_long[(prop, name)] = long_name

    def value(self, prop, name):
        return self.value_long[(prop, name)]


class RangeSets:
    """All named sets share one pool of ranges; families index into it."""

    def __init__(self):
        self.pool = []
        self.families = []             # (C++ name, comment, [(name, offset, count)])

    def family(self, cname, comment, sets):
        entries = []
        for name in sorted(sets):
            ranges = sets[name]
            entries.append((name, len(self.pool), len(ranges)))
            self.pool.extend(ranges)
        self.families.append((cname, comment, entries))

    def single(self, cname, comment, ranges):
        self.families.append((cname, comment, (len(self.pool), len(ranges))))
        self.pool.extend(ranges)

    def emit(self, w):
        w.line(f"const Range kRangePool[{len(self.pool)}] = {{")
        for i in range(0, len(self.pool), 4):
            w.line("    " + " ".join(f"{{0x{lo:04X}, 0x{hi:04X}}}," for lo, hi in self.pool[i:i + 4]))
        w.line("};")
        w.line()
        for cname, comment, entries in self.families:
            w.line(f"// {comment}")
            if isinstance(entries, tuple):
                offset, count = entries
                w.line(f"constinit const std::span<const Range> {cname}{{kRangePool + {offset}, {count}}};")
                w.line()
                continue
            w.line(f"constinit const NamedSet {cname}Array[{len(entries)}] = {{")
            for name, offset, count in entries:
                w.line(f'    {{"{name}", {{kRangePool + {offset}, {count}}}}},')
            w.line("};")
            w.line(f"constinit const std::span<const NamedSet> {cname}{{{cname}Array}};")
            w.line()


GC_GROUPS = {"L": "Lu Ll Lt Lm Lo", "LC": "Lu Ll Lt", "M": "Mn Mc Me", "N": "Nd Nl No",
             "P": "Pc Pd Ps Pe Pi Pf Po", "S": "Sm Sc Sk So", "Z": "Zs Zl Zp",
             "C": "Cc Cf Cs Co Cn"}


def emit_sets(w, ucd, data, aliases):
    sets = RangeSets()

    by_gc = value_ranges(data.gc)
    gc_sets = {aliases.value("General_Category", gc): by_gc.get(gc, []) for gc in GENERAL_CATEGORIES}
    for group, members in GC_GROUPS.items():
        gc_sets[aliases.value("General_Category", group)] = merge_ranges(
            *(by_gc.get(gc, []) for gc in members.split()))
    sets.family("kGeneralCategories", "General_Category: every value, groupings included.", gc_sets)

    script = ucd.enumerated("Scripts.txt", "Unknown")
    by_script = value_ranges(script)
    script_sets = {aliases.value("Script", name): ranges for name, ranges in by_script.items()}
    sets.family("kScripts", "Script, Unknown included.", script_sets)

    extensions = {}
    for lo, hi, rest in ucd.ranges("ScriptExtensions.txt"):
        for cp in range(lo, hi + 1):
            extensions[cp] = [aliases.value("Script", s) for s in rest[0].split()]
    scx = {}
    for name, ranges in script_sets.items():
        scx[name] = set()
        for lo, hi in ranges:
            scx[name].update(cp for cp in range(lo, hi + 1) if cp not in extensions)
    for cp, names in extensions.items():
        for name in names:
            scx.setdefault(name, set()).add(cp)
    sets.family("kScriptExtensions",
                "Script_Extensions: per script, the code points whose extensions include it.",
                {name: ranges_of(cps) for name, cps in scx.items()})

    binary = {}
    for file in ["PropList.txt", "DerivedCoreProperties.txt", "emoji-data.txt",
                 "DerivedBinaryProperties.txt", "DerivedNormalizationProps.txt"]:
        for lo, hi, rest in ucd.ranges(file):
            if len(rest) == 1:      # binary lines name only the property
                binary.setdefault(aliases.property_long[rest[0]], set()).update(range(lo, hi + 1))
    sets.family("kBinaryProperties", "Binary properties by long name.",
                {name: ranges_of(cps) for name, cps in binary.items()})

    age = value_ranges(ucd.enumerated("DerivedAge.txt", "NA"))
    age.pop("NA", None)
    sets.family("kAges", "Age: the code points assigned in exactly that version.",
                {aliases.value("Age", name): ranges for name, ranges in age.items()})

    for file, prop, cname in [("GraphemeBreakProperty.txt", "Grapheme_Cluster_Break", "kGraphemeClusterBreaks"),
                              ("WordBreakProperty.txt", "Word_Break", "kWordBreaks"),
                              ("SentenceBreakProperty.txt", "Sentence_Break", "kSentenceBreaks")]:
        by_value = value_ranges(ucd.enumerated(file, "Other"))
        sets.family(cname, f"{prop}, Other included.",
                    {aliases.value(prop, name): ranges for name, ranges in by_value.items()})

    perl_word = set(binary["Alphabetic"]) | set(binary["Join_Control"])
    for gc in ["Mn", "Mc", "Me", "Nd", "Pc"]:
        for lo, hi in by_gc.get(gc, []):
            perl_word.update(range(lo, hi + 1))
    sets.single("kPerlWord", "\\w: Alphabetic, M, Nd, Pc and Join_Control.", ranges_of(perl_word))
    sets.single("kPerlDigit", "\\d: Nd.", by_gc["Nd"])
    sets.single("kPerlSpace", "\\s: White_Space.", ranges_of(binary["White_Space"]))
    sets.emit(w)


def emit_aliases(w, aliases):
    names = []
    w.line("// PropertyAliases.txt: long name, then every spelling in file order.")
    prop_entries = []
    for long_name, spellings in aliases.properties:
        prop_entries.append((long_name, len(names), len(spellings)))
        names.extend(spellings)
    value_entries = []
    for prop, long_name, spellings in aliases.values:
        value_entries.append((prop, long_name, len(names), len(spellings)))
        names.extend(spellings)
    w.line(f"constinit const std::string_view kAliasNames[{len(names)}] = {{")
    for i in range(0, len(names), 6):
        w.line("    " + " ".join(f'"{n}",' for n in names[i:i + 6]))
    w.line("};")
    w.line()
    w.line(f"constinit const PropertyAlias kPropertyAliasArray[{len(prop_entries)}] = {{")
    for long_name, offset, count in prop_entries:
        w.line(f'    {{"{long_name}", {{kAliasNames + {offset}, {count}}}}},')
    w.line("};")
    w.line("constinit const std::span<const PropertyAlias> kPropertyAliases{kPropertyAliasArray};")
    w.line()
    w.line("// PropertyValueAliases.txt: long property name, long value name, every spelling.")
    w.line(f"constinit const ValueAlias kValueAliasArray[{len(value_entries)}] = {{")
    for prop, long_name, offset, count in value_entries:
        w.line(f'    {{"{prop}", "{long_name}", {{kAliasNames + {offset}, {count}}}}},')
    w.line("};")
    w.line("constinit const std::span<const ValueAlias> kValueAliases{kValueAliasArray};")
    w.line()


def emit_case_folding(w, ucd):
    classes = {}
    for lo, _, rest in ucd.ranges("CaseFolding.txt"):
        if rest[0] in ("C", "S"):
            target = int(rest[1], 16)
            classes.setdefault(target, {target}).add(lo)
    orbit = {}
    for members in classes.values():
        for cp in members:
            assert cp not in orbit, hex(cp)
            orbit[cp] = sorted(members - {cp})
    cps = sorted(orbit)
    starts, pool = [], []
    for cp in cps:
        starts.append(len(pool))
        pool.extend(orbit[cp])
    starts.append(len(pool))
    w.line("// Simple case folding (CaseFolding.txt C and S) as equivalence classes: for")
    w.line("// kFoldCodePoints[i], the other members are kFoldOrbits[kFoldOrbitStarts[i]..[i + 1]).")
    w.array("char32_t", "kFoldCodePointArray", cps, per_line=12, fmt="0x{:04X}")
    w.line("constinit const std::span<const char32_t> kFoldCodePoints{kFoldCodePointArray};")
    w.array("std::uint16_t", "kFoldOrbitStarts", starts)
    w.array("char32_t", "kFoldOrbits", pool, per_line=12, fmt="0x{:04X}")


# ---------------------------------------------------------------------------

def generate(ucd_dir):
    ucd = Ucd(ucd_dir)
    data = UnicodeData(ucd)
    w = Writer()
    w.parts.append(HEADER.format(version=ucd_version(ucd)))
    w.line()
    emit_properties(w, ucd, data)
    emit_lowercase(w, ucd, data)
    emit_normalization(w, ucd, data)
    aliases = Aliases(ucd)
    emit_sets(w, ucd, data, aliases)
    emit_aliases(w, aliases)
    emit_case_folding(w, ucd)
    w.line("}  // namespace kc::unicode::tables")
    return w.text()


def main(argv):
    if len(argv) != 3:
        sys.exit("usage: gen_unicode_tables.py UCD_DIR OUTPUT")
    text = generate(argv[1])
    with open(argv[2], "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


if __name__ == "__main__":
    main(sys.argv)
