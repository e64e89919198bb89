// How the engine works
// --------------------
// A pattern is prepared in two passes: ExpandEspaces rewrites escapes into
// plain characters, escape pairs and bracket expressions; ProcessParentheses
// numbers the capturing groups, writing group k as "(" Mk ... Mk ")" where Mk
// is the character of code k, and drops comments.
//
// DoRegExpr then matches a prepared pattern at a position of the subject. A
// quantifier is carried out by rewriting the pattern text ("A*R" is tried as
// "AA*R", then as "R") and recursing. The rewritten texts are never built as
// whole strings: a pattern is a chain of pieces (views of the prepared pattern,
// of the pieces made by brace quantifiers, or of short constants), each
// rewrite puts a few new pieces in front of the rest of the current chain, and
// every scanner reads across piece boundaries. So the matching is exactly that
// of textual rewriting (the same recursion depth, the same order of tries)
// without copying the pattern at every level.
//
// Choices where the rules leave room, made here once:
// - One bracket scanner everywhere (preparation, group skipping, element
//   reading): "[" then at least one character; "\" skips the next character;
//   the first "]" at position 3 or later (4 or later after "[^") closes.
// - \f is a form feed (12).
// - A trailing lone "\" matches a backslash.
// - Brace counts are read as digits after optional blanks and sign; a count
//   outside -32768..32767 raises 20050 "Upper or lower limit is less than
//   zero ...". Checks run in this order: a negative count, then lower above
//   upper, then an upper limit of 0, which makes the attempt fail ("a{0}b"
//   never matches). "{n,}" needs the comma to be the last character.
// - \W, \D and \S inside brackets expand to "^" and the class, which there
//   reads as a literal "^" plus the class itself (so [x\W] = [x^a-zA-Z0-9_]).
// - Errors are raised only when the matcher reaches them: "[z-a]" against the
//   empty text simply does not match.
// - Besides the depth limit, one search gives up with the same error 20052
//   after kWorkLimit steps of scanning and matching, and when the pieces made
//   by brace quantifiers would exceed kLiveTextLimit characters, so that no
//   pattern can hang the program or exhaust its memory.
#include "foundation/regexpr.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <array>
#include <deque>

namespace {

constexpr char16_t kCR = 13;
constexpr char16_t kLF = 10;
constexpr int kMaxGroups = 31;
constexpr long long kWorkLimit = 20'000'000;
constexpr qsizetype kLiveTextLimit = 4'000'000;

QString sourceName()
{
    QString name;
    if (QCoreApplication::instance())
        name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (name.isEmpty())
        name = QStringLiteral("camclient");
    return name + QStringLiteral(".RegExpr");
}

[[noreturn]] void raise(int number, const char* procedure, const QString& message)
{
    throw RegExprError(number, sourceName(),
                       QStringLiteral("Error in RegExpr.") + QLatin1String(procedure)
                           + QStringLiteral(": ") + message);
}

bool isMarker(QChar c) { return c.unicode() >= 1 && c.unicode() <= kMaxGroups; }

bool isWordChar(char16_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// ------------------------------------------------------------------ pieces

struct Piece {
    QStringView text;
    const Piece* next;
};

long long gWork = 0;  // steps of the current search

// A position in a chain of pieces; at the end when node is null.
class Cur {
public:
    Cur() = default;
    explicit Cur(const Piece* p, qsizetype i = 0) : n_(p), i_(i) { norm(); }

    bool atEnd() const { return n_ == nullptr; }
    QChar ch() const { return n_->text[i_]; }
    void adv()
    {
        ++gWork;
        ++i_;
        norm();
    }
    // The character k places ahead; false at the end.
    bool peek(qsizetype k, QChar& c) const
    {
        const Piece* n = n_;
        qsizetype i = i_ + k;
        while (n && i >= n->text.size()) {
            i -= n->text.size();
            n = n->next;
        }
        if (!n)
            return false;
        c = n->text[i];
        return true;
    }
    const Piece* node() const { return n_; }
    qsizetype index() const { return i_; }
    bool operator==(const Cur& o) const { return n_ == o.n_ && i_ == o.i_; }

private:
    void norm()
    {
        while (n_ && i_ >= n_->text.size()) {
            i_ -= n_->text.size();
            n_ = n_->next;
        }
    }
    const Piece* n_ = nullptr;
    qsizetype i_ = 0;
};

// The text from a to b (b reachable from a) as one view: a view into the
// piece when it lies inside one, else a copy kept in storage.
QStringView span(Cur a, const Cur& b, QString& storage)
{
    if (a == b || a.atEnd())
        return {};
    if (b.node() == a.node())
        return a.node()->text.mid(a.index(), b.index() - a.index());
    // b right at the end of a's piece (empty pieces between do not count)
    const Piece* following = a.node()->next;
    while (following && following->text.isEmpty())
        following = following->next;
    if (b.node() == following && (b.atEnd() || b.index() == 0))
        return a.node()->text.mid(a.index());
    storage.clear();
    while (!(a == b) && !a.atEnd()) {
        storage += a.ch();
        a.adv();
    }
    return storage;
}

// Skips a bracket expression; c is at its "[". False (c unchanged) when it
// has no closing "]".
bool skipBracket(Cur& c)
{
    Cur s = c;
    s.adv();  // position 2
    if (s.atEnd())
        return false;
    const qsizetype minClose = s.ch() == QLatin1Char('^') ? 4 : 3;
    qsizetype pos = 2;
    while (!s.atEnd()) {
        const QChar ch = s.ch();
        if (ch == QLatin1Char('\\')) {
            s.adv();
            if (s.atEnd())
                return false;
            s.adv();
            pos += 2;
            continue;
        }
        s.adv();
        if (ch == QLatin1Char(']') && pos >= minClose) {
            c = s;
            return true;
        }
        ++pos;
    }
    return false;
}

// Skips a group up to its matching ")"; c is at its "(". False (c unchanged)
// when there is none.
bool skipGroup(Cur& c)
{
    Cur s = c;
    int depth = 0;
    while (!s.atEnd()) {
        const QChar ch = s.ch();
        if (ch == QLatin1Char('\\')) {
            s.adv();
            if (!s.atEnd())
                s.adv();
            continue;
        }
        if (ch == QLatin1Char('[')) {
            if (!skipBracket(s))
                return false;  // the stretch runs to the end
            continue;
        }
        s.adv();
        if (ch == QLatin1Char('(')) {
            ++depth;
        } else if (ch == QLatin1Char(')') && --depth == 0) {
            c = s;
            return true;
        }
    }
    return false;
}

// Skips one element: an escape pair, a group, a bracket expression or one
// character ("(" and "[" without their closing count as one character).
void skipElement(Cur& c)
{
    const QChar ch = c.ch();
    if (ch == QLatin1Char('\\')) {
        c.adv();
        if (!c.atEnd())
            c.adv();
    } else if (ch == QLatin1Char('(')) {
        if (!skipGroup(c))
            c.adv();
    } else if (ch == QLatin1Char('[')) {
        if (!skipBracket(c))
            c.adv();
    } else {
        c.adv();
    }
}

// Finds the first "|" outside escapes, groups and bracket expressions.
bool findTopLevelBar(Cur c, Cur& bar)
{
    while (!c.atEnd()) {
        if (c.ch() == QLatin1Char('|')) {
            bar = c;
            return true;
        }
        skipElement(c);
    }
    return false;
}

// True when a quantifier starts at c: * + ? or "{" with a "}" somewhere later.
bool quantifierAt(const Cur& c)
{
    if (c.atEnd())
        return false;
    const QChar ch = c.ch();
    if (ch == QLatin1Char('*') || ch == QLatin1Char('+') || ch == QLatin1Char('?'))
        return true;
    if (ch != QLatin1Char('{'))
        return false;
    Cur s = c;
    s.adv();
    for (; !s.atEnd(); s.adv())
        if (s.ch() == QLatin1Char('}'))
            return true;
    return false;
}

// Reads a count: optional blanks and sign, then digits up to the first
// non-digit; no digits read as 0.
long long readCount(QStringView s)
{
    qsizetype i = 0;
    while (i < s.size() && (s[i] == QLatin1Char(' ') || s[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
        negative = s[i++] == QLatin1Char('-');
    long long v = 0;
    for (; i < s.size() && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('9'); ++i)
        if (v < 1'000'000)
            v = v * 10 + (s[i].unicode() - '0');
    return negative ? -v : v;
}

// ------------------------------------------------------------------ engine

struct Capture {
    bool closed = false;
    int start = 0;       // 1-based first character
    int end = 0;         // 1-based last character (start - 1 when empty)
    int startDepth = 0;  // 0: never opened
};

// Up to five pieces put in front of the rest of a pattern.
class Chain {
public:
    Cur build(std::initializer_list<QStringView> parts, const Cur& rest)
    {
        const Piece* tail = nullptr;
        if (!rest.atEnd()) {
            if (rest.index() == 0) {
                tail = rest.node();
            } else {
                restPiece_ = {rest.node()->text.mid(rest.index()), rest.node()->next};
                tail = &restPiece_;
            }
        }
        int count = 0;
        for (const QStringView& p : parts)
            if (!p.isEmpty())
                pieces_[static_cast<size_t>(count++)].text = p;
        for (int i = count - 1; i >= 0; --i) {
            pieces_[static_cast<size_t>(i)].next = tail;
            tail = &pieces_[static_cast<size_t>(i)];
        }
        return Cur(tail);
    }

private:
    std::array<Piece, 5> pieces_{};
    Piece restPiece_{};
};

// What one recursion level needs to keep while deeper levels run. It lives
// in the engine state, not on the C++ stack, so a deep search stays small on
// the stack (sanitizer builds included) and reuses its buffers.
struct Level {
    std::array<Capture, kMaxGroups + 1> saved{};
    QString atomStore;
    QString quantStore;
    QString leftStore;
    QString built;  // text made for a brace quantifier
    Chain chain;
    Piece piece{};  // the left alternative, or the inside of a group
};

struct EngineState {
    bool matched = false;
    int matchStart = 0;
    int matchEnd = 0;
    QString subject;
    int32_t options = 0;
    int groupCount = 0;
    int depth = 0;
    std::array<Capture, kMaxGroups + 1> captures{};
    qsizetype liveText = 0;    // characters held by brace-quantifier texts
    std::deque<Level> levels;  // entry d for depth d; grows, never moves
};

EngineState g;

Level& level(int depth)
{
    while (g.levels.size() <= static_cast<size_t>(depth))
        g.levels.emplace_back();
    return g.levels[static_cast<size_t>(depth)];
}

// Counts the text a brace quantifier builds against the memory bound for as
// long as the levels below use it, then lets it go.
class BuiltText {
public:
    BuiltText(QString& text, qsizetype size) : text_(text)
    {
        if (size > kLiveTextLimit - g.liveText)
            raise(20052, "DoRegExpr",
                  QStringLiteral(
                      "Maximum number of iterations exceeded. Possibly an infinite loop."));
        g.liveText += size;
        gWork += size;
        counted_ = size;
        text_.truncate(0);  // keeps the buffer of an earlier search
        text_.reserve(size);
    }
    ~BuiltText()
    {
        g.liveText -= counted_;
        if (text_.capacity() > 65536)
            text_ = QString();  // do not keep large buffers around
    }
    BuiltText(const BuiltText&) = delete;
    BuiltText& operator=(const BuiltText&) = delete;

private:
    QString& text_;
    qsizetype counted_;
};

QChar fold(QChar c) { return (g.options & reIgnoreCase) ? c.toLower() : c; }

bool DoRegExpr(int& pos, const Cur& pattern);

// Tries pattern at pos; on success pos moves past what it matched.
bool tryAt(int& pos, const Cur& pattern)
{
    int p = pos;
    if (!DoRegExpr(p, pattern))
        return false;
    pos = p;
    return true;
}

bool MatchAtom(int& pos, QStringView atom)
{
    const QString& s = g.subject;
    const qsizetype len = s.size();
    const bool atEnd = pos >= len;
    const bool restIsCRLF = pos == len - 2 && s[pos] == kCR && s[pos + 1] == kLF;
    const bool restStartsCRLF = pos + 1 < len && s[pos] == kCR && s[pos + 1] == kLF;
    auto literal = [&](QChar x) {
        if (atEnd || fold(s[pos]) != fold(x))
            return false;
        ++pos;
        return true;
    };
    if (atom.size() == 1) {
        const QChar a = atom[0];
        if (a == QLatin1Char('^'))
            return pos == 0
                   || ((g.options & reMultiline) && pos >= 2 && s[pos - 2] == kCR
                       && s[pos - 1] == kLF);
        if (a == QLatin1Char('$'))
            return atEnd || restIsCRLF || ((g.options & reMultiline) && restStartsCRLF);
        if (a == QLatin1Char('.')) {
            if (atEnd)
                return false;
            if (!(g.options & reSingleLine)) {
                if (restStartsCRLF || (pos > 0 && s[pos - 1] == kCR && s[pos] == kLF))
                    return false;
            }
            ++pos;
            return true;
        }
        return literal(a);  // a trailing lone "\" included
    }
    const QChar x = atom[1];
    const char16_t xu = x.unicode();
    if (xu >= '1' && xu <= '9') {
        const int k = xu - '0';
        if (k > g.groupCount)
            raise(20052, "MatchAtom",
                  QStringLiteral("Not so many sub-expressions in this regular expression: ")
                      + atom.toString());
        const Capture& cap = g.captures[static_cast<size_t>(k)];
        if (!cap.closed)
            return false;
        const int n = cap.end - cap.start + 1;
        if (n <= 0)
            return true;
        if (pos + n > len)
            return false;
        for (int i = 0; i < n; ++i)
            if (fold(s[pos + i]) != fold(s[cap.start - 1 + i]))
                return false;
        pos += n;
        return true;
    }
    switch (xu) {
    case 'A':
        return pos == 0;
    case 'Z':
        return atEnd || restIsCRLF;
    case 'n':
        if (!restStartsCRLF)
            return false;
        pos += 2;
        return true;
    case 'b':
    case 'B': {
        const bool before = pos > 0 && isWordChar(s[pos - 1].unicode());
        const bool here = !atEnd && isWordChar(s[pos].unicode());
        return (before != here) == (xu == 'b');
    }
    default:
        return literal(x);
    }
}

bool MatchSquareBrackets(int& pos, QStringView expr)
{
    QStringView body = expr.mid(1, expr.size() - 2);
    bool negate = false;
    if (!body.isEmpty() && body[0] == QLatin1Char('^')) {
        negate = true;
        body = body.mid(1);
    }
    const QString& s = g.subject;
    if (pos >= s.size())
        return false;
    const QChar c1 = fold(s[pos]);
    const bool c2IsCRLF = pos + 1 < s.size() && s[pos] == kCR && s[pos + 1] == kLF;

    // One item: a character, "\" and a character, or "\n" / "\N" for CR LF.
    struct Item {
        QChar c;
        bool crlf = false;
    };
    auto readItem = [&](qsizetype& i) {
        Item item;
        if (body[i] == QLatin1Char('\\') && i + 1 < body.size()) {
            const QChar e = body[i + 1];
            i += 2;
            if (e == QLatin1Char('n') || e == QLatin1Char('N'))
                item.crlf = true;
            else
                item.c = fold(e);
        } else {
            item.c = fold(body[i]);
            ++i;
        }
        return item;
    };
    bool found = false;
    bool crlfMatched = false;
    for (qsizetype i = 0; i < body.size() && !found;) {
        ++gWork;
        const Item from = readItem(i);
        if (i + 1 < body.size() && body[i] == QLatin1Char('-')) {
            ++i;
            const Item to = readItem(i);
            if (from.crlf || to.crlf)
                raise(20050, "MatchSquareBrackets",
                      QStringLiteral("Range start or end longer than 1 character: [")
                          + body.toString() + QLatin1Char(']'));
            if (to.c < from.c)
                raise(20050, "MatchSquareBrackets",
                      QStringLiteral("Invalid range in regular expression [") + body.toString()
                          + QLatin1Char(']'));
            found = from.c <= c1 && c1 <= to.c;
        } else if (from.crlf) {
            found = c2IsCRLF;
            crlfMatched = found;
        } else {
            found = from.c == c1;
        }
    }
    if (found == negate)
        return false;
    pos += (crlfMatched && !negate) ? 2 : 1;
    return true;
}

// Brace quantifier: "{n}", "{n,}", "{n,m}" (the lazy "?" already removed).
bool matchBraces(int& pos, QStringView atom, QStringView quant, bool lazy, const Cur& rest)
{
    const QStringView inner = quant.mid(1, quant.size() - 2);
    const qsizetype comma = inner.indexOf(QLatin1Char(','));
    const bool open = comma >= 0 && comma == inner.size() - 1;
    const long long n = readCount(comma < 0 ? inner : inner.left(comma));
    const long long m = comma < 0 ? n : open ? 0 : readCount(inner.mid(comma + 1));
    auto outOfRange = [](long long v) { return v < -32768 || v > 32767; };
    if (outOfRange(n) || outOfRange(m))
        raise(20050, "DoRegExpr",
              QStringLiteral("Upper or lower limit is less than zero in regular expression ")
                  + quant.toString());
    if (comma < 0 || open) {
        if (n < 0)
            raise(20050, "DoRegExpr",
                  QStringLiteral("Count is less than zero in regular expression ")
                      + quant.toString());
    } else {
        if (n < 0 || m < 0)
            raise(20050, "DoRegExpr",
                  QStringLiteral("Upper or lower limit is less than zero in regular expression ")
                      + quant.toString());
        if (n > m)
            raise(20050, "DoRegExpr",
                  QStringLiteral("Upper limit is less than lower limit in regular expression ")
                      + quant.toString());
    }
    if (!open && m == 0)
        return false;

    const qsizetype a = atom.size();
    const qsizetype extra = open ? a + 2 : (m - n) * (a + 4);
    Level& here = level(g.depth);
    QString& text = here.built;
    const BuiltText guard(text, n * a + extra);
    for (long long i = 0; i < n; ++i)
        text += atom;
    if (open) {
        text += atom;
        text += lazy ? QStringLiteral("*?") : QStringLiteral("*");
    } else {
        for (long long i = n; i < m; ++i) {
            text += QLatin1Char('(');
            text += atom;
        }
        for (long long i = n; i < m; ++i)
            text += lazy ? QStringLiteral(")??") : QStringLiteral(")?");
    }
    return tryAt(pos, here.chain.build({text}, rest));
}

bool matchElement(int& pos, const Cur& pattern)
{
    // The element, its quantifier and the rest.
    Level& here = level(g.depth);
    Cur after = pattern;
    skipElement(after);
    const QStringView atom = span(pattern, after, here.atomStore);
    Cur rest = after;
    QStringView quant;
    if (quantifierAt(rest)) {
        const Cur qStart = rest;
        if (rest.ch() == QLatin1Char('{')) {
            while (rest.ch() != QLatin1Char('}'))
                rest.adv();
        }
        rest.adv();
        QChar c;
        if (rest.peek(0, c) && c == QLatin1Char('?'))
            rest.adv();
        quant = span(qStart, rest, here.quantStore);
        if (quantifierAt(rest))
            raise(20052, "GetNextRegExpr", QStringLiteral("Nested +?*{} in regular expression."));
    }

    Chain& chain = here.chain;
    static const QString star = QStringLiteral("*");
    static const QString lazyStar = QStringLiteral("*?");
    if (!quant.isEmpty()) {
        const QChar q = quant[0];
        const bool lazy = quant.size() > 1 && quant.back() == QLatin1Char('?');
        if (q == QLatin1Char('{'))
            return matchBraces(pos, atom, lazy ? quant.chopped(1) : quant, lazy, rest);
        if (q == QLatin1Char('*')) {
            if (lazy)
                return tryAt(pos, rest) || tryAt(pos, chain.build({atom, atom, lazyStar}, rest));
            return tryAt(pos, chain.build({atom, atom, star}, rest)) || tryAt(pos, rest);
        }
        if (q == QLatin1Char('+'))
            return tryAt(pos, chain.build({atom, atom, lazy ? lazyStar : star}, rest));
        // "?"
        if (lazy)
            return tryAt(pos, rest) || tryAt(pos, chain.build({atom}, rest));
        return tryAt(pos, chain.build({atom}, rest)) || tryAt(pos, rest);
    }

    const bool group =
        atom.size() >= 2 && atom[0] == QLatin1Char('(') && atom.back() == QLatin1Char(')');
    if (group && atom.size() >= 4 && atom[1] == QLatin1Char('?')
        && (atom[2] == QLatin1Char('=') || atom[2] == QLatin1Char('!'))) {
        here.piece = {atom.mid(3, atom.size() - 4), nullptr};
        int probe = pos;
        bool ok = DoRegExpr(probe, Cur(&here.piece));
        if (atom[2] == QLatin1Char('!'))
            ok = !ok;
        return ok && tryAt(pos, rest);
    }
    if (group) {
        QStringView inner = atom.mid(1, atom.size() - 2);
        QStringView marker;
        if (inner.size() >= 2 && isMarker(inner[0]) && isMarker(inner.back())) {
            marker = inner.left(1);
            inner = inner.mid(1, inner.size() - 2);
        }
        here.piece = {inner, nullptr};
        Cur c(&here.piece);
        for (;;) {
            Cur bar;
            const bool more = findTopLevelBar(c, bar);
            const QStringView alternative = inner.mid(c.atEnd() ? inner.size() : c.index(),
                                                      (more ? bar.index() : inner.size())
                                                          - (c.atEnd() ? inner.size() : c.index()));
            if (tryAt(pos, chain.build({marker, alternative, marker}, rest)))
                return true;
            if (!more)
                return false;
            c = bar;
            c.adv();
        }
    }
    if (atom.size() >= 2 && atom[0] == QLatin1Char('[')) {
        int p = pos;
        if (!MatchSquareBrackets(p, atom) || !tryAt(p, rest))
            return false;
        pos = p;
        return true;
    }
    if (atom.size() == 1 && isMarker(atom[0])) {
        Capture& cap = g.captures[atom[0].unicode()];
        if (cap.startDepth != 0 && !cap.closed) {
            cap.closed = true;
            cap.end = pos;
        } else {
            cap.startDepth = g.depth;
            cap.closed = false;
            cap.start = pos + 1;
        }
        return tryAt(pos, rest);
    }
    int p = pos;
    if (!MatchAtom(p, atom) || !tryAt(p, rest))
        return false;
    pos = p;
    return true;
}

bool DoRegExpr(int& pos, const Cur& pattern)
{
    if (pattern.atEnd())
        return true;
    if (++g.depth == kRegExprMaxDepth + 1 || ++gWork > kWorkLimit)
        raise(20052, "DoRegExpr",
              QStringLiteral("Maximum number of iterations exceeded. Possibly an infinite loop."));
    bool ok = false;
    Cur bar;
    if (findTopLevelBar(pattern, bar)) {
        Level& here = level(g.depth);
        here.piece = {span(pattern, bar, here.leftStore), nullptr};
        Cur right = bar;
        right.adv();
        ok = tryAt(pos, Cur(&here.piece)) || tryAt(pos, right);
    } else {
        const int groups = g.groupCount;
        if (groups > 0) {
            Level& here = level(g.depth);
            std::copy(g.captures.begin() + 1, g.captures.begin() + 1 + groups,
                      here.saved.begin() + 1);
        }
        ok = matchElement(pos, pattern);
        if (!ok && groups > 0) {
            const Level& here = level(g.depth);
            std::copy(here.saved.begin() + 1, here.saved.begin() + 1 + groups,
                      g.captures.begin() + 1);
        }
    }
    --g.depth;
    return ok;
}

// ------------------------------------------------------------------ preparation

// Writes a character produced by \x or \0: plain when it is an ASCII letter,
// a digit or of code 128..255, else as an escape pair.
void emitChar(QString& out, char16_t c)
{
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                       || (c >= 128 && c <= 255);
    if (!plain)
        out += QLatin1Char('\\');
    out += QChar(c);
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

QString ExpandEspaces(const QString& pattern)
{
    QString out;
    out.reserve(pattern.size() * 2);
    bool literal = false;
    // Bracket mode: the output index of the "[" that opened it, -1 outside.
    qsizetype bracketAt = -1;
    auto writeClass = [&](const char* cls) {
        if (bracketAt < 0)
            out += QLatin1Char('[');
        out += QLatin1String(cls);
        if (bracketAt < 0)
            out += QLatin1Char(']');
    };
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = pattern[i];
        const char16_t u = c.unicode();
        if (literal) {
            if (u == '\\' && i + 1 < n && pattern[i + 1] == QLatin1Char('E')) {
                literal = false;
                ++i;
            } else if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')
                       || (u >= 128 && u <= 255)) {
                out += c;
            } else {
                out += QLatin1Char('\\');
                out += c;
            }
            continue;
        }
        if (u < 32) {
            out += QLatin1Char('\\');
            out += c;
            continue;
        }
        if (u != '\\') {
            if (u == '[' && bracketAt < 0) {
                bracketAt = out.size();
            } else if (u == ']' && bracketAt >= 0) {
                // The same closing rule as the matcher's bracket scanner.
                const bool caret =
                    bracketAt + 1 < out.size() && out[bracketAt + 1] == QLatin1Char('^');
                if (out.size() - bracketAt + 1 >= (caret ? 4 : 3))
                    bracketAt = -1;
            }
            out += c;
            continue;
        }
        if (i + 1 >= n) {
            out += QLatin1Char('\\');
            continue;
        }
        const QChar e = pattern[++i];
        switch (e.unicode()) {
        case 'w':
            writeClass("a-zA-Z0-9_");
            break;
        case 'W':
            writeClass("^a-zA-Z0-9_");
            break;
        case 'd':
            writeClass("0-9");
            break;
        case 'D':
            writeClass("^0-9");
            break;
        case 's':
            writeClass(" \\n\t\r\n");
            break;
        case 'S':
            writeClass("^ \\n\t\r\n");
            break;
        case 't':
            out += QStringLiteral("\\\t");
            break;
        case 'f':  // in this engine "\f" is a line feed ("\n" stands for CR LF)
            out += QStringLiteral("\\\n");
            break;
        case 'r':
            out += QStringLiteral("\\\r");
            break;
        case 'a':
            out += QStringLiteral("\\\a");
            break;
        case 'e':
            out += QLatin1Char('\\');
            out += QChar(27);
            break;
        case 'c': {
            if (i + 1 >= n)
                raise(20052, "ExpandEspaces",
                      QStringLiteral("Control character missing in regular expression: ")
                          + pattern);
            const int code = int(pattern[++i].toUpper().unicode()) - 64;
            if (code < 0 || code > 31)
                raise(20052, "ExpandEspaces",
                      QStringLiteral("Invalid control character in regular expression: ")
                          + pattern);
            out += QLatin1Char('\\');
            out += QChar(char16_t(code));
            break;
        }
        case 'Q':
            literal = true;
            break;
        case 'b':
            if (bracketAt >= 0) {
                out += QLatin1Char('\\');
                out += QChar(8);
            } else {
                out += QStringLiteral("\\b");
            }
            break;
        case 'x': {
            int value = -1;
            if (i + 1 < n && hexDigit(pattern[i + 1]) >= 0) {
                value = hexDigit(pattern[++i]);
                if (i + 1 < n && hexDigit(pattern[i + 1]) >= 0)
                    value = value * 16 + hexDigit(pattern[++i]);
            }
            if (value < 0)
                out += QLatin1Char('x');
            else
                emitChar(out, char16_t(value));
            break;
        }
        case '0': {
            int digits = 0;
            int value = 0;
            while (digits < 3 && i + 1 + digits < n && pattern[i + 1 + digits] >= QLatin1Char('0')
                   && pattern[i + 1 + digits] <= QLatin1Char('7')) {
                value = value * 8 + (pattern[i + 1 + digits].unicode() - '0');
                ++digits;
            }
            if (digits == 3 && value > 255) {
                value /= 8;
                digits = 2;
            }
            i += digits;
            emitChar(out, char16_t(value));
            break;
        }
        default:
            out += QLatin1Char('\\');
            out += e;
        }
    }
    return out;
}

// Removes the group markers from prepared text (for error messages).
QString withoutMarkers(QStringView text)
{
    QString out;
    const Piece p{text, nullptr};
    Cur c(&p);
    while (!c.atEnd()) {
        const Cur from = c;
        const QChar ch = c.ch();
        if (ch == QLatin1Char('\\') || ch == QLatin1Char('[')) {
            skipElement(c);
            QString store;
            out += span(from, c, store);
            continue;
        }
        c.adv();
        if (!isMarker(ch))
            out += ch;
    }
    return out;
}

void ProcessParentheses(QStringView in, QString& out)
{
    const Piece p{in, nullptr};
    Cur c(&p);
    auto at = [&](const Cur& x) { return x.atEnd() ? in.size() : x.index(); };
    while (!c.atEnd()) {
        const QChar ch = c.ch();
        const Cur from = c;
        if (ch == QLatin1Char('\\')) {
            skipElement(c);
            out += in.mid(at(from), at(c) - at(from));
            continue;
        }
        if (ch == QLatin1Char('[')) {
            if (!skipBracket(c))
                raise(20052, "ProcessParentheses",
                      QStringLiteral("Invalid regular expression: A closing ] expected."));
            out += in.mid(at(from), at(c) - at(from));
            continue;
        }
        if (ch != QLatin1Char('(')) {
            out += ch;
            c.adv();
            continue;
        }
        if (!skipGroup(c))
            raise(20052, "ProcessParentheses",
                  QStringLiteral("Invalid regular expression: A closing ) expected: ")
                      + withoutMarkers(out) + in.mid(at(from)).toString());
        const QStringView whole = in.mid(at(from), at(c) - at(from));
        const QStringView x = whole.mid(1, whole.size() - 2);
        if (x.startsWith(QLatin1String("?#")))
            continue;
        if (x.startsWith(QLatin1String("?:"))) {
            out += QLatin1Char('(');
            ProcessParentheses(x.mid(2), out);
            out += QLatin1Char(')');
        } else if (x.startsWith(QLatin1String("?=")) || x.startsWith(QLatin1String("?!"))) {
            out += QLatin1Char('(');
            out += x.left(2);
            ProcessParentheses(x.mid(2), out);
            out += QLatin1Char(')');
        } else if (x.startsWith(QLatin1Char('?'))) {
            raise(20052, "ProcessParentheses",
                  QStringLiteral("Invalid extended regular expression syntax: ")
                      + whole.toString());
        } else {
            if (g.groupCount == kMaxGroups)
                raise(20052, "CreateMatch",
                      QStringLiteral("Too many subexpressions in regular expression (max 31)."));
            ++g.groupCount;
            const QChar marker(char16_t(g.groupCount));
            out += QLatin1Char('(');
            out += marker;
            ProcessParentheses(x, out);
            out += marker;
            out += QLatin1Char(')');
        }
    }
}

// Checks that a result was stored; raises 20051 from the procedure asked.
void requireMatch(const char* procedure)
{
    if (!g.matched)
        raise(20051, procedure,
              QStringLiteral("No match on last call to RegExpr, or RegExpr not called at all"));
}

void indexOf(int32_t resultType, int32_t& start, int32_t& length)
{
    switch (resultType) {
    case reWholeMatch:
        start = g.matchStart;
        length = g.matchEnd - g.matchStart + 1;
        return;
    case reBeforeMatch:
        start = 1;
        length = g.matchStart - 1;
        return;
    case reAfterMatch:
        start = g.matchEnd + 1;
        length = static_cast<int32_t>(g.subject.size()) - g.matchEnd;
        return;
    case reGroupCount:
        start = length = g.groupCount;
        return;
    default:
        break;
    }
    if (resultType >= 1 && resultType <= g.groupCount) {
        const Capture& cap = g.captures[static_cast<size_t>(resultType)];
        if (cap.closed) {
            start = cap.start;
            length = cap.end - cap.start + 1;
        } else {
            start = length = 0;
        }
        return;
    }
    if (resultType > g.groupCount && resultType <= kMaxGroups)
        raise(20053, "RegExprIndex",
              QStringLiteral("No match stored for regular sub-expression #")
                  + QString::number(resultType));
    raise(20053, "RegExprIndex",
          QStringLiteral("Invalid value, parameter ResultType = ") + QString::number(resultType));
}

}  // namespace

RegExprError::RegExprError(int number_, const QString& source_, const QString& description_)
    : std::runtime_error(description_.toStdString()), number(number_), source(source_),
      description(description_)
{
}

bool RegExpr(const QString& text, const QString& pattern, int32_t options)
{
    if ((options & reSingleLine) && (options & reMultiline))
        raise(20053, "RegExpr",
              QStringLiteral("Cannot specify both reSingleLine and reMultiline at the same time."));
    g.matched = false;
    g.matchStart = 0;
    g.matchEnd = 0;
    for (int k = 1; k <= g.groupCount && k <= kMaxGroups; ++k)
        g.captures[static_cast<size_t>(k)] = Capture{};
    g.groupCount = 0;
    g.depth = 0;
    g.liveText = 0;
    gWork = 0;
    g.options = options;
    g.subject = text;

    QString prepared;
    ProcessParentheses(ExpandEspaces(pattern), prepared);
    const Piece root{prepared, nullptr};
    const Cur start(&root);
    const int len = static_cast<int>(text.size());
    for (int s = 0; s <= len; ++s) {
        int pos = s;
        if (DoRegExpr(pos, start)) {
            g.matchStart = s + 1;
            g.matchEnd = pos;
            g.matched = true;
            break;
        }
    }
    return g.matched;
}

void RegExprIndex(int32_t resultType, int32_t& start, int32_t& length)
{
    requireMatch("RegExprIndex");
    indexOf(resultType, start, length);
}

QVariant RegExprResult(int32_t resultType)
{
    requireMatch("RegExprResult");
    int32_t start = 0;
    int32_t length = 0;
    indexOf(resultType, start, length);
    if (start <= 0)
        return {};
    if (resultType == reGroupCount)
        return QVariant::fromValue(static_cast<qint16>(g.groupCount));
    return g.subject.mid(start - 1, length);
}
