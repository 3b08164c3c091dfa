"""Pure-Python transcription of the CRF token features, used as a test oracle.

`text_to_features(text)` returns what the native function must return: one
dict of str to str per token. Written from the feature definitions only,
favouring plainness over speed.
"""

import re

MAX_TOKENS = 2000
LEN_CAP = 20

# Python's \s is not Unicode White_Space (it includes U+001C..U+001F), so the
# 25 White_Space code points are spelled out.
_WHITE_SPACE = (
    "\t\n\x0b\x0c\r \x85\xa0\u1680\u2000\u2001\u2002\u2003\u2004\u2005\u2006"
    "\u2007\u2008\u2009\u200a\u2028\u2029\u202f\u205f\u3000"
)
_WS_CLASS = re.escape(_WHITE_SPACE)
WORD_RE = re.compile("[^" + _WS_CLASS + "]+")
SPECIAL_RE = re.compile("[^a-zA-Z0-9" + _WS_CLASS + "]")

INSTRUCTION_KWS = frozenset(
    "ignore forget disregard override cancel skip bypass dismiss abandon neglect "
    "suppress previous instructions preceding guidelines prior directions".split()
)
ROLE_KWS = frozenset(
    "system assistant user admin root sudo administrator prompt persona character "
    "role pretend imagine roleplay behave mode conversation session".split()
)
ACTION_KWS = frozenset(
    "reveal show output print display expose leak extract dump repeat echo copy "
    "unlock disable deactivate remove restrictions limitations".split()
)
JAILBREAK_KWS = frozenset(
    "jailbreak dan pwned hack exploit inject malicious harmful unfiltered "
    "uncensored unrestricted fictional hypothetically censorship safeguards evil "
    "chaos".split()
)
LEXICONS = (
    ("kw:instr", INSTRUCTION_KWS),
    ("kw:role", ROLE_KWS),
    ("kw:act", ACTION_KWS),
    ("kw:jail", JAILBREAK_KWS),
)
CONTEXT_OFFSETS = (-3, -2, -1, 1, 2, 3)


def tokenize(text):
    tokens = []
    for m in WORD_RE.finditer(text):
        if len(tokens) == MAX_TOKENS:
            break
        tokens.append(m.group())
    return tokens


def lower(token):
    # str.lower applies the full mapping and Final_Sigma within the string;
    # the token is the whole context. Python's Unicode version may lag the
    # native tables for newly encoded characters.
    return token.lower()


def _is_upper(c):
    return c.isupper()


def _is_lower(c):
    return c.islower()


def is_title(token):
    previous_cased = False
    cased_seen = False
    for c in token:
        if _is_upper(c):
            if previous_cased:
                return False
            previous_cased = cased_seen = True
        elif _is_lower(c):
            if not previous_cased:
                return False
            previous_cased = cased_seen = True
        else:
            previous_cased = False
    return cased_seen


def is_all_caps(token):
    return (
        any(_is_upper(c) for c in token)
        and not any(_is_lower(c) for c in token)
        and len(token.encode("utf-8")) >= 2
    )


def is_digit(token):
    return all("0" <= c <= "9" for c in token)


def text_to_features(text):
    tokens = tokenize(text)
    if not tokens:
        return []
    lowered = [lower(t) for t in tokens]
    n = len(tokens)
    result = []
    for i, (t, w) in enumerate(zip(tokens, lowered)):
        f = {"bias": "1", "w": w, "w[-3:]": w[-3:], "w[-2:]": w[-2:], "w[:3]": w[:3]}
        f["len"] = str(min(len(w), LEN_CAP))
        if is_all_caps(t):
            f["ALLCAP"] = "1"
        if is_title(t):
            f["Title"] = "1"
        if is_digit(t):
            f["Digit"] = "1"
        if SPECIAL_RE.search(t):
            f["HasSpecial"] = "1"
        for key, lexicon in LEXICONS:
            if w in lexicon:
                f[key] = "1"
        f["pos"] = str(10 * i // n)
        if i == 0:
            f["BOS"] = "1"
        if i == n - 1:
            f["EOS"] = "1"
        for d in CONTEXT_OFFSETS:
            j = i + d
            if j < 0 or j >= n:
                continue
            label = "+%d" % d if d > 0 else "%d" % d
            v = lowered[j]
            if d in (-1, 1):
                f[label + ":w"] = v
            for key, lexicon in LEXICONS:
                if v in lexicon:
                    f[label + ":" + key] = "1"
        result.append(f)
    return result
