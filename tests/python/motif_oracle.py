"""The motif matcher written out in plain Python, as a reference for tests and benchmarks.

Straight loops over the definitions: a naive byte-level scan for the exact
pass, a fresh counter per alignment for the fuzzy score. Slow, and meant to be
obviously right rather than fast.
"""
from collections import Counter

MIN_WINDOW_BYTES = 10


def bag_overlap(a, b):
    """Characters shared by the sequences a and b, counted with multiplicity."""
    counts = Counter(a)
    overlap = 0
    for c in b:
        if counts[c] >= 1:
            counts[c] -= 1
            overlap += 1
    return overlap


def partial_ratio(a, b):
    """Best similarity percentage of the shorter text against every equal-length run of the longer."""
    n, m = len(a), len(b)
    if n == 0 or m == 0:
        return 0
    if m < n:
        return partial_ratio(b, a)
    best = 0
    for i in range(m - n + 1):
        run = b[i:i + n]
        matches = sum(1 for x, y in zip(a, run) if x == y)
        k = max(bag_overlap(a, run), matches)
        score = (k * 200) // (2 * n)
        if score > best:
            best = score
            if best == 100:
                break
    return best


def build_entries(motifs):
    """(lower-cased motif, category) pairs: categories in UTF-8 byte order, motifs in list order."""
    entries = []
    for category in sorted(motifs, key=lambda name: name.encode("utf-8")):
        entries.extend((motif.lower(), category) for motif in motifs[category])
    return entries


def exact_matches(patterns, text):
    """(start, end, pattern index) of the non-overlapping matches, on bytes.

    Each search from `at` takes the match that ends first, then the longest,
    then the lowest index; it resumes at the match's end, and an empty match
    at the previous end is skipped by moving on one byte.
    """
    found = []
    last_end = None
    at = 0
    while at <= len(text):
        best = None
        for end in range(at, len(text) + 1):
            for index, pattern in enumerate(patterns):
                start = end - len(pattern)
                if start < at or text[start:end] != pattern:
                    continue
                if best is None or len(pattern) > best[1] - best[0]:
                    best = (start, end, index)
            if best is not None:
                break
        if best is None:
            break
        if best[0] == best[1] and best[1] == last_end:
            at = best[1] + 1
            continue
        found.append(best)
        at = last_end = best[1]
    return found


def find_matches(motifs, threshold, use_fuzzy, text, window_size, step):
    """The list of match dicts that RustMotifMatcher(motifs, threshold, use_fuzzy).find_matches gives."""
    if not text:
        return []
    entries = build_entries(motifs)
    lowered = text.lower()
    data = lowered.encode("utf-8")
    results = []
    seen = set()
    exact_ids = set()
    for start, end, index in exact_matches([m.encode("utf-8") for m, _ in entries], data):
        if (start, index) in seen:
            continue
        seen.add((start, index))
        exact_ids.add(index)
        motif, category = entries[index]
        results.append(_record(motif, category, start, end - start, 100.0))

    if use_fuzzy:
        if step == 0:
            raise ValueError("step must be at least 1 when fuzzy matching is on")
        chars = lowered
        n = len(chars)
        offsets = [0]
        for c in chars:
            offsets.append(offsets[-1] + len(c.encode("utf-8")))
        for index, (motif, category) in enumerate(entries):
            if index in exact_ids:
                continue
            motif_bytes = len(motif.encode("utf-8"))
            start = 0
            while start < n:
                end = min(start + window_size, n)
                window = chars[start:end]
                window_end = offsets[end]
                if window_end - offsets[start] >= MIN_WINDOW_BYTES:
                    score = partial_ratio(motif, window)
                    if score >= threshold:
                        offset = window.find(motif)
                        if offset < 0:
                            offset = max(len(window) // 2 - len(motif) // 2, 0)
                        position = offsets[start + offset]
                        length = min(window_end - position, motif_bytes)
                        if (position, index) not in seen:
                            seen.add((position, index))
                            results.append(_record(motif, category, position, length, float(score)))
                start += step

    results.sort(key=lambda r: r["position"])
    return results


def merge_spans(matches):
    """Sorted (start, end) spans of the matches, overlapping and touching ones merged."""
    spans = sorted((m["position"], m["position"] + m["length"]) for m in matches)
    merged = []
    for s, e in spans:
        if merged and s <= merged[-1][1]:
            merged[-1] = (merged[-1][0], max(merged[-1][1], e))
        else:
            merged.append((s, e))
    return merged


def get_match_positions(motifs, threshold, use_fuzzy, text):
    return merge_spans(find_matches(motifs, threshold, use_fuzzy, text, 50, 25))


def _record(motif, category, position, length, score):
    return {"motif": motif, "category": category, "position": position, "length": length, "score": score}
