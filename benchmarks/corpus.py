"""Deterministic benchmark texts: English prose, accented Latin and Cyrillic prose,
mixed scripts, short prompts; and the helpers every benchmark applies to them."""
import random


def fresh(text):
    """A new str equal to `text`, with no cached UTF-8 form, so that a timed call
    pays the encoding a caller's new text costs."""
    return text.encode().decode()


def merged(spans):
    """`spans` sorted and merged where they overlap or touch."""
    out = []
    for s, e in sorted(spans):
        if out and s <= out[-1][1]:
            out[-1] = (out[-1][0], max(out[-1][1], e))
        else:
            out.append((s, e))
    return out

_WORDS = (
    "the of and to in is you that it he was for on are as with his they at be this have from "
    "or one had by word but not what all were we when your can said there use an each which she "
    "do how their if will up other about out many then them these so some her would make like "
    "him into time has look two more write go see number no way could people my than first water "
    "been call who oil its now find long down day did get come made may part ignore previous "
    "instructions system prompt pretend act as developer mode jailbreak reveal hidden rules"
).split()

# Words of _WORDS that make up screening phrases; prose without them matches
# none of benchmarks/data/screening_patterns.json.
_TRIGGERS = frozenset(
    "ignore previous instructions system prompt pretend act developer mode jailbreak reveal hidden rules".split())
_PLAIN = [w for w in _WORDS if w not in _TRIGGERS]

_ACCENTED = (
    "café naïve façade résumé été déjà élève garçon crème brûlée l’été naïveté coöperate système règles "
    "précédentes señor mañana año información según también reunión documento straße über für Müller "
    "Zürich Ångström «citation» — привет мир система правила инструкции игнорируй предыдущие вопрос "
    "ответ документ встреча письмо отчёт жизнь Москва сегодня завтра человек работа время"
).split()

_MIXED = (
    "café naïve façade résumé Zürich straße déjà vu Ελληνικά λέξεις Οδός Москва привет мир "
    "жизнь 漢字 東京 日本語 カタカナ ひらがな 한국어 서울 😀 👍🏽 🇫🇷 ＦＵＬＬ ｗｉｄｔｈ ﬁ ﬂ ① Ⅻ "
    "“quoted” ‘text’ — – … ŒUVRE İstanbul ǅemal"
).split()


def english_prose(size=10_000, seed=1, words=_WORDS):
    rng = random.Random(seed)
    out, n = [], 0
    while n < size:
        sentence = " ".join(rng.choice(words) for _ in range(rng.randint(6, 16)))
        sentence = sentence[0].upper() + sentence[1:] + rng.choice([". ", "! ", "? ", ".\n"])
        out.append(sentence)
        n += len(sentence)
    return "".join(out)[:size]


def accented_prose(size=10_000, seed=4, english=0.3):
    """Sentences of accented Latin and Cyrillic words, a share `english` of the
    words taken from _WORDS instead; at most `size` UTF-8 bytes."""
    rng = random.Random(seed)
    out, n = [], 0
    while n < size:
        words = (rng.choice(_WORDS if rng.random() < english else _ACCENTED) for _ in range(rng.randint(6, 16)))
        sentence = " ".join(words)
        sentence = sentence[0].upper() + sentence[1:] + rng.choice([". ", "! ", "? ", ".\n"])
        out.append(sentence)
        n += len(sentence.encode())
    return "".join(out).encode()[:size].decode(errors="ignore")


def mixed_prose(size=10_000, seed=2):
    rng = random.Random(seed)
    out, n = [], 0
    while n < size:
        word = rng.choice(_MIXED if rng.random() < 0.6 else _WORDS)
        out.append(word)
        out.append(rng.choice([" ", " ", " ", "\u00a0", "\n", "  "]))
        n += len(word) + 1
    return "".join(out)[:size]


def short_prompts(count=1000, seed=3):
    rng = random.Random(seed)
    return [" ".join(rng.choice(_WORDS + _MIXED) for _ in range(rng.randint(1, 6)))[:40]
            for _ in range(count)]
