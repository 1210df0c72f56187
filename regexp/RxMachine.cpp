#include "regexp/RxMachine.h"

#include "regexp/RxWordScan.h"

#include <cctype>
#include <climits>
#include <new>

namespace {

bool IsDigitUnit(unsigned u) {
    return u >= '0' && u <= '9';
}

int HexValue(unsigned u) {
    if (u >= '0' && u <= '9')
        return static_cast<int>(u - '0');
    if (u >= 'a' && u <= 'f')
        return static_cast<int>(u - 'a' + 10);
    if (u >= 'A' && u <= 'F')
        return static_cast<int>(u - 'A' + 10);
    return -1;
}

bool IsBlankUnit(unsigned u) {
    return u == ' ' || (u >= 9 && u <= 13);
}

} // namespace

// Counts one level of group or class nesting while the parser is inside it. Beyond the
// limit the rest of the pattern is dropped and the build marked as too deep, so the parser
// never recurses further.
template <class T> class RxMachine<T>::Nesting {
public:
    explicit Nesting(RxMachine& m) : m_m(m) {
        if (++m.m_nesting > kMaxNesting) {
            m.m_tooDeep = true;
            m.JumpToEnd();
        }
    }
    ~Nesting() { --m_m.m_nesting; }
    bool Ok() const { return !m_m.m_tooDeep; }

private:
    RxMachine& m_m;
};

// ---------------------------------------------------------------- lifetime

template <class T> void RxMachine<T>::Clear() {
    for (RxNode* n : m_nodes)
        delete n;
    m_nodes.clear();
    m_root = nullptr;
    m_groupCount = 0;
    for (RxNode*& s : m_stock)
        s = nullptr;
    m_filter = StartFilter{};
}

template <class T> RxNode* RxMachine<T>::GetStockNode(int index) {
    if (index < 0 || index >= kStockCount)
        index = 0;
    if (m_stock[index])
        return m_stock[index];
    if (index == 0)
        return m_stock[0] = Make<RxEmptyNode>();
    const bool rtl = index > 8;
    const int kind = (index - 1) % 8 + 1;
    const bool positive = kind == 3 || kind == 5 || kind == 7;
    auto* n = Make<RxRangeNode<T>>(rtl, positive);
    switch (kind) {
    case 2:
        n->AddChar(T('\n'));
        break;
    case 3:
    case 4:
        n->AddRange(T('A'), T('Z'));
        n->AddRange(T('a'), T('z'));
        n->AddRange(T('0'), T('9'));
        n->AddChar(T('_'));
        break;
    case 5:
    case 6:
        n->AddChar(T(' '));
        n->AddChar(T('\t'));
        n->AddChar(T('\r'));
        n->AddChar(T('\n'));
        if (rtl) {
            n->AddChar(T('\f'));
            n->AddChar(T('\v'));
        }
        break;
    case 7:
    case 8:
        n->AddRange(T('0'), T('9'));
        break;
    default: // 1: any code unit, a negated class without members
        break;
    }
    n->Seal();
    return m_stock[index] = n;
}

// ---------------------------------------------------------------- lexer

template <class T> void RxMachine<T>::Advance() {
    m_tokens[0] = m_tokens[1];
    m_tokens[1] = m_tokens[2];
    m_tokens[2] = m_tokens[3];
    while (!Lex(m_tokens[3])) {
    }
}

template <class T> T RxMachine<T>::RunCase(T ch) const {
    if (m_runCase == 1)
        return m_cases.Lower(ch);
    if (m_runCase == 2)
        return m_cases.Upper(ch);
    return ch;
}

template <class T> void RxMachine<T>::JumpToEnd() {
    const int n = m_pattern.Size();
    m_lexPos = n;
    m_inRun = false;
    m_runCase = 0;
    for (int i = 1; i < 4; ++i)
        m_tokens[i] = Token{T(0), 1, n, 0};
}

template <class T> typename RxMachine<T>::LexerState RxMachine<T>::SaveLexer() const {
    LexerState s;
    for (int i = 0; i < 4; ++i)
        s.tokens[i] = m_tokens[i];
    s.pos = m_lexPos;
    s.depth = m_classDepth;
    s.inRun = m_inRun;
    s.runCase = m_runCase;
    return s;
}

template <class T> void RxMachine<T>::RestoreLexer(const LexerState& s) {
    for (int i = 0; i < 4; ++i)
        m_tokens[i] = s.tokens[i];
    m_lexPos = s.pos;
    m_classDepth = s.depth;
    m_inRun = s.inRun;
    m_runCase = s.runCase;
}

// Delivers one token into `out`, or returns false after skipping input.
template <class T> bool RxMachine<T>::Lex(Token& out) {
    const T* p = m_pattern.Data();
    const int n = m_pattern.Size();
    const int at = m_lexPos;
    if (at >= n) {
        out = Token{T(0), 1, n, 0};
        return true;
    }
    if (m_inRun) {
        if (p[at] == T('\\') && at + 1 < n && p[at + 1] == T('E')) {
            m_inRun = false;
            m_runCase = 0;
            m_lexPos += 2;
            return false;
        }
        out = Token{RunCase(p[at]), 0, at, 1};
        ++m_lexPos;
        return true;
    }
    const unsigned c = RxUnit(p[at]);
    const bool inClass = m_classDepth > 0;
    const Token& before = m_tokens[2];  // the token delivered last
    const Token& before2 = m_tokens[1]; // and the one before it
    out = Token{p[at], 0, at, 1};
    switch (c) {
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
    case ' ':
        if (m_flags & RxExtended) {
            ++m_lexPos;
            return false;
        }
        break;
    case '#':
        if (m_flags & RxExtended) {
            int i = at;
            while (i < n && p[i] != T('\n') && p[i] != T('\r'))
                ++i;
            m_lexPos = i;
            return false;
        }
        break;
    case '(':
        if (at + 2 < n && p[at + 1] == T('?') && p[at + 2] == T('#')) {
            int i = at + 3;
            while (i < n && p[i] != T(')'))
                ++i;
            m_lexPos = i < n ? i + 1 : n;
            return false;
        }
        out.special = !inClass;
        break;
    case '$':
    case ')':
    case '*':
    case '+':
    case '.':
    case '?':
    case '{':
    case '|':
    case '}':
        out.special = !inClass;
        break;
    case '-':
        out.special = inClass;
        break;
    case ':':
        out.special = Is(before, '[');
        break;
    case '[':
        if (!inClass || (at + 1 < n && p[at + 1] == T(':'))) {
            out.special = 1;
            ++m_classDepth;
        }
        break;
    case ']':
        if (inClass) {
            out.special = 1;
            --m_classDepth;
        }
        break;
    case '^':
        out.special = !inClass || Is(before, '[') || (Is(before, ':') && Is(before2, '['));
        break;
    case '\\':
        return LexEscape(out);
    default:
        break;
    }
    ++m_lexPos;
    return true;
}

template <class T> bool RxMachine<T>::LexEscape(Token& out) {
    const T* p = m_pattern.Data();
    const int n = m_pattern.Size();
    const int at = m_lexPos;
    const bool inClass = m_classDepth > 0;
    if (at + 1 >= n) {
        out = Token{T('\\'), 0, at, 1};
        m_lexPos = n;
        return true;
    }
    const T e = p[at + 1];
    const unsigned u = RxUnit(e);
    if (IsDigitUnit(u)) {
        out = Token{T('\\'), 1, at, 1};
        m_lexPos = at + 1;
        return true;
    }
    out = Token{e, 0, at, 2};
    m_lexPos = at + 2;
    switch (u) {
    case 'A':
    case 'B':
    case 'D':
    case 'S':
    case 'W':
    case 'Z':
    case 'd':
    case 'g':
    case 'k':
    case 's':
    case 'w':
    case 'z':
        out.special = 1;
        return true;
    case 'G':
        if (inClass)
            return false;
        out.special = 1;
        return true;
    case 'b':
        if (inClass)
            out.ch = T(8);
        else
            out.special = 1;
        return true;
    case 'a':
        out.ch = T(7);
        return true;
    case 'e':
        out.ch = T(0x1B);
        return true;
    case 'f':
        out.ch = T(0x0C);
        return true;
    case 'n':
        out.ch = T(0x0A);
        return true;
    case 'r':
        out.ch = T(0x0D);
        return true;
    case 't':
        out.ch = T(0x09);
        return true;
    case 'v':
        out.ch = T(0x0B);
        return true;
    case 'x':
    case 'u': {
        std::uint32_t value = 0;
        int i = at + 2, digits = 0;
        if (i < n && p[i] == T('{')) {
            ++i;
            for (int h; digits < 8 && i < n && (h = HexValue(RxUnit(p[i]))) >= 0; ++i, ++digits)
                value = value * 16 + static_cast<std::uint32_t>(h);
            while (i < n && p[i] != T('}'))
                ++i;
            if (i < n)
                ++i;
        } else {
            const int most = u == 'x' ? 2 : 4;
            for (int h; digits < most && i < n && (h = HexValue(RxUnit(p[i]))) >= 0; ++i, ++digits)
                value = value * 16 + static_cast<std::uint32_t>(h);
            if (digits == 0)
                return true; // the letter itself
        }
        out.ch = static_cast<T>(sizeof(T) == 1 ? (value & 0xFF) : (value & 0xFFFF));
        out.len = i - at;
        m_lexPos = i;
        return true;
    }
    case 'Q':
    case 'L':
    case 'U':
        m_inRun = true;
        m_runCase = u == 'L' ? 1 : (u == 'U' ? 2 : 0);
        return false;
    case 'E':
        return false;
    default:
        return true;
    }
}

// ---------------------------------------------------------------- numbers and names

template <class T> bool RxMachine<T>::ReadNumber(const std::string& s, size_t& i, int& value) {
    const int most = sizeof(T) == 1 ? 3 : 6;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    if (i >= s.size() || !IsDigitUnit(static_cast<unsigned char>(s[i])))
        return false;
    value = 0;
    for (int d = 0; d < most && i < s.size() && IsDigitUnit(static_cast<unsigned char>(s[i]));
         ++d, ++i)
        value = value * 10 + (s[i] - '0');
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    return true;
}

template <class T> bool RxMachine<T>::IsNumber(const std::string& s, int& value) {
    size_t i = 0;
    return ReadNumber(s, i, value) && i == s.size();
}

template <class T> std::string RxMachine<T>::Bytes(const String& s) {
    std::string out;
    out.reserve(s.size());
    for (T ch : s)
        out.push_back(Byte(ch));
    return out;
}

template <class T> bool RxMachine<T>::SameName(const String& a, const String& b) const {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (m_cases.Upper(a[i]) != m_cases.Upper(b[i]))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------- parser

template <class T> RxNode* RxMachine<T>::Build(RxBufferView<T> pattern, int flags) {
    m_root = nullptr;
    m_flags = flags;
    m_groupCount = 0;
    m_groups.clear();
    m_recursions.clear();
    m_named.clear();
    m_namedBackrefs.clear();
    m_namedConditions.clear();
    m_pattern = pattern;
    for (Token& t : m_tokens)
        t = Token{};
    m_lexPos = 0;
    m_classDepth = 0;
    m_inRun = false;
    m_runCase = 0;
    m_nesting = 0;
    m_tooDeep = false;
    m_filter = StartFilter{};
    m_cases.Load();
    try {
        Advance();
        Advance();
        Advance();
        m_groups.resize(1);
        RxNode* root = BuildAlternative(flags);
        if (!m_tooDeep) {
            m_root = root;
            m_groups[0].list = root;
            Finish();
            if (m_fastPaths)
                AnalyseStart();
        }
    } catch (const std::bad_alloc&) {
        m_root = nullptr;
    }
    m_pattern = RxBufferView<T>();
    if (!m_root)
        m_groupCount = 0;
    return m_root;
}

template <class T> RxNode* RxMachine<T>::BuildAlternative(int flags) {
    if (IsEnd(Cur()))
        return GetStockNode(0);
    std::vector<RxNode*> branches;
    branches.push_back(BuildList(flags));
    while (Is(Cur(), '|')) {
        Advance();
        branches.push_back(BuildList(flags));
    }
    if (branches.size() == 1)
        return branches[0];
    return Make<RxAlternativeNode>(std::move(branches));
}

template <class T> RxNode* RxMachine<T>::BuildList(int& flags) {
    const bool rtl = (flags & RxRightToLeft) != 0;
    std::vector<RxNode*> items;
    while (!IsEnd(Cur()) && !Is(Cur(), '|') && !Is(Cur(), ')'))
        items.push_back(BuildRepeat(flags));
    if (items.empty())
        return GetStockNode(0);
    if (items.size() == 1)
        return items[0];
    return Make<RxListNode>(std::move(items), rtl);
}

template <class T> RxNode* RxMachine<T>::BuildRepeat(int& flags) {
    RxNode* item = BuildSimple(flags);
    if (!Cur().special)
        return item;
    int minimum = 0, maximum = 0;
    switch (RxUnit(Cur().ch)) {
    case '*':
        minimum = 0;
        maximum = INT_MAX;
        Advance();
        break;
    case '+':
        minimum = 1;
        maximum = INT_MAX;
        Advance();
        break;
    case '?':
        minimum = 0;
        maximum = 1;
        Advance();
        break;
    case '{': {
        Advance();
        std::string text;
        while (!Is(Cur(), '}') && !IsEnd(Cur())) {
            text.push_back(Byte(Cur().ch));
            Advance();
        }
        Advance();
        size_t i = 0;
        if (ReadNumber(text, i, minimum)) {
            maximum = minimum;
            if (i < text.size() && text[i] == ',') {
                ++i;
                int second = 0;
                maximum = ReadNumber(text, i, second) ? second : INT_MAX;
            }
            if (maximum < minimum)
                maximum = minimum;
        }
        if (maximum == 0)
            return GetStockNode(0); // the item is not matched at all
        if (minimum == maximum) {
            RxNode* r = Make<RxRepeatNode>(item, minimum);
            if (Is(Cur(), '?') || Is(Cur(), '+'))
                Advance();
            return r;
        }
        break;
    }
    default:
        return item;
    }
    if (Is(Cur(), '?')) {
        Advance();
        return Make<RxReluctantNode>(item, minimum, maximum - minimum);
    }
    if (Is(Cur(), '+')) {
        Advance();
        return Make<RxPossessiveNode>(item, minimum, maximum - minimum);
    }
    bool rtl = false;
    if (m_fastPaths) {
        const RxUnitSet<T> units = RxUnitSet<T>::For(item, rtl);
        if (!units.Empty())
            return Make<RxUnitGreedyNode<T>>(item, minimum, maximum - minimum, units, rtl);
    }
    return Make<RxGreedyNode>(item, minimum, maximum - minimum);
}

template <class T> RxNode* RxMachine<T>::BuildSimple(int& flags) {
    String text;
    for (;;) {
        const Token t = Cur();
        if (IsEnd(t) || Is(t, ')') || Is(t, '|'))
            break;
        if (!t.special) {
            const Token& next = Next();
            const unsigned q = RxUnit(next.ch);
            if (next.special && (q == '{' || q == '?' || q == '*' || q == '+')) {
                // A quantifier applies to the last code unit alone.
                if (text.empty()) {
                    text.push_back(t.ch);
                    Advance();
                }
                break;
            }
            text.push_back(t.ch);
            Advance();
            continue;
        }
        if (!text.empty())
            break;
        switch (RxUnit(t.ch)) {
        case '(':
            return BuildGroup(flags);
        case '.':
        case '[':
        case 'D':
        case 'S':
        case 'W':
        case 'd':
        case 's':
        case 'w':
            return BuildCharset(flags);
        case '$':
        case '^':
        case 'A':
        case 'B':
        case 'G':
        case 'Z':
        case 'b':
        case 'z':
            return BuildBoundary(flags);
        case '\\':
        case 'g':
        case 'k':
            return BuildBackref(flags);
        default:
            // A quantifier with nothing to repeat, or a stray brace, is a literal.
            text.push_back(t.ch);
            Advance();
            continue;
        }
    }
    if (text.empty())
        return GetStockNode(0);
    return Make<RxStringNode<T>>(std::move(text), (flags & RxRightToLeft) != 0,
                                 (flags & RxIgnoreCase) ? &m_cases : nullptr);
}

template <class T> RxNode* RxMachine<T>::BuildCharset(int& flags) {
    const unsigned c = RxUnit(Cur().ch);
    Advance();
    const int rtl = (flags & RxRightToLeft) ? 8 : 0;
    switch (c) {
    case '.':
        return GetStockNode(((flags & RxSingleLine) ? 1 : 2) + rtl);
    case 'w':
        return GetStockNode(3 + rtl);
    case 'W':
        return GetStockNode(4 + rtl);
    case 's':
        return GetStockNode(5 + rtl);
    case 'S':
        return GetStockNode(6 + rtl);
    case 'd':
        return GetStockNode(7 + rtl);
    case 'D':
        return GetStockNode(8 + rtl);
    case '[':
        return BuildBracket(flags);
    default:
        return GetStockNode(0);
    }
}

// After the opening "[": a POSIX class, or a bracket class up to its "]".
template <class T> RxNode* RxMachine<T>::BuildBracket(int flags) {
    Nesting nest(*this);
    if (!nest.Ok())
        return GetStockNode(0);
    const bool rtl = (flags & RxRightToLeft) != 0;
    if (Is(Cur(), ':')) {
        const LexerState saved = SaveLexer();
        std::string text;
        while (!Is(Cur(), ']') && !IsEnd(Cur())) {
            text.push_back(Byte(Cur().ch));
            Advance();
        }
        Advance();
        auto* posix = Make<RxPosixNode<T>>(text, rtl);
        if (posix->Test())
            return posix;
        RestoreLexer(saved); // an unknown name: read the bracket as an ordinary class
    }
    auto* cls = Make<RxRangeNode<T>>(rtl, true);
    if (Is(Cur(), '^')) {
        cls->SetPositive(false);
        Advance();
    }
    while (!Is(Cur(), ']') && !IsEnd(Cur())) {
        const Token t = Cur();
        const unsigned u = RxUnit(t.ch);
        const bool classEscape =
            t.special && (u == 'D' || u == 'S' || u == 'W' || u == 'd' || u == 's' || u == 'w');
        if ((Is(t, '[') && Is(Next(), ':')) || classEscape) {
            cls->AddEmbedded(BuildCharset(flags));
            continue;
        }
        if (Is(Next(), '-') && !After().special) {
            cls->AddRange(t.ch, After().ch);
            Advance();
            Advance();
            Advance();
            continue;
        }
        cls->AddChar(t.ch);
        Advance();
    }
    Advance();
    if (flags & RxIgnoreCase)
        cls->Widen(m_cases);
    cls->Seal();
    return cls;
}

template <class T> RxNode* RxMachine<T>::BuildBoundary(int& flags) {
    const unsigned c = RxUnit(Cur().ch);
    Advance();
    using B = RxBoundaryNode<T>;
    switch (c) {
    case '^':
        return Make<B>((flags & RxMultiLine) ? B::LineStart : B::TextStart, true);
    case '$':
        return Make<B>((flags & RxMultiLine) ? B::LineEnd : B::TextEnd, true);
    case 'A':
        return Make<B>(B::TextStart, true);
    case 'z':
        return Make<B>(B::TextEnd, true);
    case 'Z':
        return Make<B>(B::TextEndOrFinalBreak, true);
    case 'b':
        return Make<B>(B::WordBoundary, true);
    case 'B':
        return Make<B>(B::WordBoundary, false);
    case 'G':
        if (flags & RxGlobal)
            return Make<RxGlobalNode>();
        return GetStockNode(0);
    default:
        return GetStockNode(0);
    }
}

// Reads a name up to the closing delimiter (or the end) and consumes the delimiter.
template <class T> typename RxMachine<T>::String RxMachine<T>::ReadDelimitedName(unsigned close) {
    String name;
    while (!IsEnd(Cur()) && RxUnit(Cur().ch) != close) {
        name.push_back(Cur().ch);
        Advance();
    }
    Advance();
    return name;
}

template <class T> RxNode* RxMachine<T>::BuildBackref(int& flags) {
    Advance();
    int number = 0;
    String name;
    bool named = false;
    const unsigned c = RxUnit(Cur().ch);
    if (c == '<' || c == '\'') {
        Advance();
        name = ReadDelimitedName(c == '<' ? '>' : '\'');
        if (IsNumber(Bytes(name), number)) {
            name.clear();
        } else {
            number = -1;
            named = true;
        }
    } else {
        for (int d = 0; d < 3 && !Cur().special && IsDigitUnit(RxUnit(Cur().ch)); ++d) {
            number = number * 10 + static_cast<int>(RxUnit(Cur().ch) - '0');
            Advance();
        }
    }
    auto* n = Make<RxBackrefNode<T>>(number, (flags & RxRightToLeft) != 0,
                                     (flags & RxIgnoreCase) ? &m_cases : nullptr, std::move(name));
    if (named)
        m_namedBackrefs.push_back(n);
    return n;
}

template <class T>
typename RxMachine<T>::GroupEntry RxMachine<T>::MakeGroup(int number, String name, RxNode* body,
                                                          int flags) {
    GroupEntry g;
    g.open = Make<RxBracketNode<T>>(number, false, std::move(name));
    g.close = Make<RxBracketNode<T>>(number, true);
    const bool rtl = (flags & RxRightToLeft) != 0;
    std::vector<RxNode*> marks = rtl ? std::vector<RxNode*>{g.close, body, g.open}
                                     : std::vector<RxNode*>{g.open, body, g.close};
    g.list = Make<RxListNode>(std::move(marks), rtl);
    return g;
}

template <class T> void RxMachine<T>::SkipBlankTokens() {
    while (!Cur().special && IsBlankUnit(RxUnit(Cur().ch)))
        Advance();
}

// The code units up to ")" read as a number; 0 when there is none.
template <class T> int RxMachine<T>::ReadNumberUpToParen() {
    std::string text;
    while (!Is(Cur(), ')') && !IsEnd(Cur())) {
        text.push_back(Byte(Cur().ch));
        Advance();
    }
    size_t i = 0;
    int number = 0;
    return ReadNumber(text, i, number) ? number : 0;
}

template <class T> RxNode* RxMachine<T>::BuildGroup(int& flags) {
    Nesting nest(*this);
    if (!nest.Ok())
        return GetStockNode(0);
    Advance(); // "("
    if (!Is(Cur(), '?')) {
        const int number = ++m_groupCount;
        RxNode* body = BuildAlternative(flags);
        GroupEntry g = MakeGroup(number, String(), body, flags);
        if (m_groups.size() <= static_cast<size_t>(number))
            m_groups.resize(static_cast<size_t>(number) + 1);
        m_groups[number] = g;
        Advance(); // the closing ")", whatever it is
        return g.list;
    }
    Advance(); // "?"
    RxNode* result = nullptr;
    const unsigned c = RxUnit(Cur().ch);
    const unsigned next = RxUnit(Next().ch);
    if (c == '=' || c == '!') {
        Advance();
        result = Make<RxAssertNode>(BuildAlternative(flags & ~RxRightToLeft), c == '=');
    } else if (c == '<' && (next == '=' || next == '!')) {
        Advance();
        Advance();
        result = Make<RxAssertNode>(BuildAlternative(flags | RxRightToLeft), next == '=');
    } else if (c == '<' || c == '\'' || (c == 'P' && (next == '<' || next == '\''))) {
        if (c == 'P')
            Advance();
        const unsigned open = RxUnit(Cur().ch);
        Advance();
        String name = ReadDelimitedName(open == '<' ? '>' : '\'');
        int number = -1;
        if (IsNumber(Bytes(name), number))
            name.clear();
        else
            number = -1;
        RxNode* body = BuildAlternative(flags);
        GroupEntry g = MakeGroup(number, std::move(name), body, flags);
        m_named.push_back(g);
        result = g.list;
    } else if (c == '>') {
        Advance();
        result = Make<RxIndependentNode>(BuildAlternative(flags));
    } else if (c == 'R') {
        Advance();
        SkipBlankTokens();
        const unsigned d = RxUnit(Cur().ch);
        int number = 0;
        String name;
        if (d == '<' || d == '\'') {
            Advance();
            name = ReadDelimitedName(d == '<' ? '>' : '\'');
            if (IsNumber(Bytes(name), number))
                name.clear();
            else
                number = RxDelegateNode<T>::kNamed;
        } else {
            number = ReadNumberUpToParen();
        }
        auto* d2 = Make<RxDelegateNode<T>>(number, std::move(name));
        m_recursions.push_back(d2);
        result = d2;
    } else if (c == '(') {
        result = BuildConditional(flags);
    } else {
        SkipBlankTokens();
        if (!Cur().special && IsDigitUnit(RxUnit(Cur().ch))) {
            auto* d = Make<RxDelegateNode<T>>(ReadNumberUpToParen(), String());
            m_recursions.push_back(d);
            result = d;
        } else {
            // Inline modifiers: (?flags) changes the enclosing alternation from here on,
            // (?flags:...) is a group with its own flags.
            int changed = flags;
            bool remove = false;
            while (!IsEnd(Cur()) && !Is(Cur(), ')') && RxUnit(Cur().ch) != ':' && !Is(Cur(), '(')) {
                int bit = 0;
                switch (RxUnit(Cur().ch)) {
                case '-':
                    remove = true;
                    break;
                case 'i':
                case 'I':
                    bit = RxIgnoreCase;
                    break;
                case 'm':
                case 'M':
                    bit = RxMultiLine;
                    break;
                case 's':
                case 'S':
                    bit = RxSingleLine;
                    break;
                case 'g':
                case 'G':
                    bit = RxGlobal;
                    break;
                default:
                    break;
                }
                changed = remove ? (changed & ~bit) : (changed | bit);
                Advance();
            }
            if (!IsEnd(Cur()) && RxUnit(Cur().ch) == ':') {
                Advance();
                result = BuildAlternative(changed);
            } else if (Is(Cur(), '(')) {
                result = BuildAlternative(changed);
            } else {
                flags = changed;
                result = GetStockNode(0);
            }
        }
    }
    Advance(); // the closing ")", whatever it is
    return result;
}

// At the "(" after "(?": the condition, then the yes branch and the optional no branch.
template <class T> RxNode* RxMachine<T>::BuildConditional(int flags) {
    int number = -1;
    String name;
    RxNode* condition = nullptr;
    bool named = false;
    if (Is(Next(), '?')) {
        int inner = flags;
        condition = BuildGroup(inner);
    } else {
        Advance();
        const int from = Cur().pos;
        RxNode* ahead = Make<RxAssertNode>(BuildAlternative(flags & ~RxRightToLeft), true);
        const int to = Cur().pos;
        if (to > from)
            name.assign(m_pattern.Data() + from, static_cast<size_t>(to - from));
        if (IsNumber(Bytes(name), number)) {
            name.clear();
        } else {
            number = -1;
            condition = ahead;
            named = true;
        }
        Advance(); // ")"
    }
    int branchFlags = flags;
    RxNode* yes = BuildList(branchFlags);
    RxNode* no = nullptr;
    if (Is(Cur(), '|')) {
        Advance();
        no = BuildAlternative(branchFlags);
    }
    auto* n = Make<RxConditionNode<T>>(number, std::move(name), condition, yes, no);
    if (named)
        m_namedConditions.push_back(n);
    return n;
}

// Numbers the named groups and resolves recursion, named back-references and conditions.
template <class T> void RxMachine<T>::Finish() {
    for (GroupEntry& g : m_named) {
        if (g.open->Group() < 0) {
            int number = -1;
            for (const GroupEntry& h : m_named) {
                if (SameName(h.open->Name(), g.open->Name())) {
                    number = h.open->Group();
                    break;
                }
            }
            if (number < 0)
                number = ++m_groupCount;
            g.open->SetGroup(number);
            g.close->SetGroup(number);
        }
        m_groups.push_back(g);
    }
    int largest = 0;
    for (size_t i = 1; i < m_groups.size(); ++i) {
        if (m_groups[i].open && m_groups[i].Number() > largest)
            largest = m_groups[i].Number();
    }
    m_groupCount = largest;

    auto namedNumber = [&](const String& name, int missing) {
        for (const GroupEntry& g : m_named) {
            if (SameName(g.open->Name(), name))
                return g.open->Group();
        }
        return missing;
    };
    for (RxDelegateNode<T>* d : m_recursions) {
        if (d->Group() == RxDelegateNode<T>::kNamed)
            d->SetGroup(namedNumber(d->Name(), RxDelegateNode<T>::kNamed));
        const int number = d->Group();
        if (number == 0) {
            d->SetTarget(m_root);
        } else if (number >= 1 && number <= m_groupCount) {
            for (size_t i = 1; i < m_groups.size(); ++i) {
                if (m_groups[i].open && m_groups[i].Number() == number) {
                    d->SetTarget(m_groups[i].list);
                    break;
                }
            }
        }
    }
    for (RxBackrefNode<T>* b : m_namedBackrefs)
        b->SetGroup(namedNumber(b->Name(), -3));
    for (RxConditionNode<T>* c : m_namedConditions) {
        const int number = namedNumber(c->Name(), -1);
        if (number >= 0)
            c->SetGroup(number);
    }
}

// ---------------------------------------------------------------- start analysis

template <class T> bool RxMachine<T>::AnalyseFirst(RxNode* n, StartFilter& f, bool& unknown) const {
    if (unknown)
        return true;
    if (dynamic_cast<RxEmptyNode*>(n) || dynamic_cast<RxBoundaryNode<T>*>(n) ||
        dynamic_cast<RxGlobalNode*>(n) || dynamic_cast<RxAssertNode*>(n) ||
        dynamic_cast<RxBracketNode<T>*>(n))
        return true; // zero width
    if (auto* s = dynamic_cast<RxStringNode<T>*>(n)) {
        if (s->RightToLeft()) {
            unknown = true;
            return true;
        }
        if (s->Text().empty())
            return true;
        const T first = s->Text()[0];
        if (RxUnit(first) > 0xFF) {
            f.high = true;
        } else if (!s->IgnoreCase()) {
            f.first.set(RxUnit(first));
        } else {
            for (unsigned u = 0; u < 256; ++u) {
                if (s->IgnoreCase()->SameIgnoringCase(static_cast<T>(u), first))
                    f.first.set(u);
            }
        }
        return false;
    }
    if (auto* k = dynamic_cast<RxUnitClass<T>*>(n)) {
        if (k->RightToLeft()) {
            unknown = true;
            return true;
        }
        for (unsigned u = 0; u < 256; ++u) {
            if (k->Accepts(static_cast<T>(u)))
                f.first.set(u);
        }
        f.high = f.high || k->MayAcceptWide();
        return false;
    }
    if (auto* l = dynamic_cast<RxListNode*>(n)) {
        if (l->RightToLeft()) {
            unknown = true;
            return true;
        }
        for (RxNode* child : l->Children()) {
            if (!AnalyseFirst(child, f, unknown))
                return false;
        }
        return true;
    }
    if (auto* a = dynamic_cast<RxAlternativeNode*>(n)) {
        bool empty = false;
        for (RxNode* b : a->Branches())
            empty = AnalyseFirst(b, f, unknown) || empty;
        return empty;
    }
    if (auto* g = dynamic_cast<RxGreedyNode*>(n)) // also lazy and possessive
        return AnalyseFirst(g->Atom(), f, unknown) || g->Count() == 0;
    if (auto* r = dynamic_cast<RxRepeatNode*>(n))
        return r->Count() == 0 || AnalyseFirst(r->Atom(), f, unknown);
    if (auto* i = dynamic_cast<RxIndependentNode*>(n))
        return AnalyseFirst(i->Body(), f, unknown);
    unknown = true; // back-references, recursion, conditions
    return true;
}

namespace {

// Nodes that never consume a code unit.
bool ZeroWidth(RxNode* n) {
    return dynamic_cast<RxEmptyNode*>(n) || dynamic_cast<RxGlobalNode*>(n) ||
           dynamic_cast<RxAssertNode*>(n) || dynamic_cast<RxBoundaryNode<char>*>(n) ||
           dynamic_cast<RxBoundaryNode<wchar_t>*>(n) || dynamic_cast<RxBracketNode<char>*>(n) ||
           dynamic_cast<RxBracketNode<wchar_t>*>(n);
}

} // namespace

// Only continuations that are plain sequences pass on what follows: a repeat's copies, an
// atomic group and an assertion decide on their first way by themselves, so nothing below
// them learns more than its own sequence tells.
template <class T>
void RxMachine<T>::AnalyseFollow(RxNode* n, const Follow& after, bool listEndsKnown) {
    if (auto* l = dynamic_cast<RxListNode*>(n)) {
        const std::vector<RxNode*>& children = l->Children();
        if (l->RightToLeft()) {
            for (RxNode* child : children)
                AnalyseFollow(child, Follow{}, listEndsKnown);
            return;
        }
        Follow acc = listEndsKnown ? after : Follow{};
        for (size_t i = children.size(); i-- > 0;) {
            AnalyseFollow(children[i], acc, listEndsKnown);
            StartFilter f;
            bool unknown = false;
            const bool empty = AnalyseFirst(children[i], f, unknown);
            if (unknown || (empty && !acc.known)) {
                acc = Follow{};
                continue;
            }
            Follow next;
            next.known = true;
            next.first = f.first;
            next.high = f.high;
            if (empty) {
                next.first |= acc.first;
                next.high = next.high || acc.high;
            }
            acc = next;
        }
        return;
    }
    if (auto* a = dynamic_cast<RxAlternativeNode*>(n)) {
        for (RxNode* b : a->Branches())
            AnalyseFollow(b, after, listEndsKnown);
        return;
    }
    if (auto* u = dynamic_cast<RxUnitGreedyNode<T>*>(n)) {
        if (after.known)
            u->SetFollowers(after.first, after.high);
        return;
    }
    if (auto* r = dynamic_cast<RxRepeatNode*>(n)) {
        AnalyseFollow(r->Atom(), Follow{}, listEndsKnown);
        return;
    }
    if (auto* i = dynamic_cast<RxIndependentNode*>(n)) {
        AnalyseFollow(i->Body(), Follow{}, listEndsKnown);
        return;
    }
    if (auto* s = dynamic_cast<RxAssertNode*>(n)) {
        AnalyseFollow(s->Body(), Follow{}, listEndsKnown);
        return;
    }
    if (auto* c = dynamic_cast<RxConditionNode<T>*>(n)) {
        if (c->Condition())
            AnalyseFollow(c->Condition(), Follow{}, listEndsKnown);
        if (c->Yes())
            AnalyseFollow(c->Yes(), after, listEndsKnown);
        if (c->No())
            AnalyseFollow(c->No(), after, listEndsKnown);
    }
}

template <class T>
bool RxMachine<T>::PrefixLiterals(RxNode* n, std::vector<String>& out, const RxCaseTables*& fold,
                                  bool& first) const {
    if (auto* s = dynamic_cast<RxStringNode<T>*>(n)) {
        if (s->RightToLeft() || s->Text().empty())
            return false;
        if (first) {
            fold = s->IgnoreCase();
            first = false;
        } else if (fold != s->IgnoreCase()) {
            return false;
        }
        out.push_back(s->Compared());
        return out.size() <= RxLiteralScan<T>::kMaxLiterals;
    }
    if (auto* l = dynamic_cast<RxListNode*>(n)) {
        if (l->RightToLeft())
            return false;
        for (RxNode* child : l->Children()) {
            if (!ZeroWidth(child))
                return PrefixLiterals(child, out, fold, first);
        }
        return false;
    }
    if (auto* a = dynamic_cast<RxAlternativeNode*>(n)) {
        for (RxNode* b : a->Branches()) {
            if (!PrefixLiterals(b, out, fold, first))
                return false;
        }
        return true;
    }
    if (auto* r = dynamic_cast<RxRepeatNode*>(n))
        return r->Count() >= 1 && PrefixLiterals(r->Atom(), out, fold, first);
    if (auto* i = dynamic_cast<RxIndependentNode*>(n))
        return PrefixLiterals(i->Body(), out, fold, first);
    return false;
}

// A pattern that begins with a repeat of single units followed by a literal, as in
// "\w+@" or "[0-9]{4}-": every match is a run of the repeat's units ending right before the
// literal.
template <class T> void RxMachine<T>::AnalyseInnerLiteral(const std::vector<RxNode*>& head) {
    size_t i = 0;
    while (i < head.size() && ZeroWidth(head[i]))
        ++i;
    if (i >= head.size())
        return;
    auto* repeat = dynamic_cast<RxRepeatNode*>(head[i]);
    if (!repeat)
        return;
    bool rtl = false;
    const RxUnitSet<T> units = RxUnitSet<T>::For(repeat->Atom(), rtl);
    if (units.Empty() || rtl)
        return;
    auto* greedy = dynamic_cast<RxGreedyNode*>(repeat); // also lazy and possessive
    const int most = greedy ? repeat->Count() + greedy->Extra() : repeat->Count();
    ++i;
    while (i < head.size() && ZeroWidth(head[i]))
        ++i;
    if (i >= head.size())
        return;
    auto* lit = dynamic_cast<RxStringNode<T>*>(head[i]);
    if (!lit || lit->RightToLeft() || lit->Text().empty())
        return;
    RxLiteralScan<T> scan;
    if (!scan.Set({lit->Compared()}, lit->IgnoreCase()))
        return;
    // The literal's first unit must end the run: no unit that can begin it is a run unit.
    for (unsigned u = 0; u <= 0xFF; ++u) {
        if (scan.CanBegin(static_cast<T>(u)) && units.Accepts(static_cast<T>(u)))
            return;
    }
    const T lead = lit->Compared()[0];
    if (RxUnit(lead) > 0xFF && units.Accepts(lead))
        return;
    m_filter.innerUnits = units;
    m_filter.innerMin = repeat->Count();
    m_filter.innerMax = most;
    m_filter.inner = scan;
}

// A pattern that begins by capturing a run of units and repeats it after a run of other
// units, as in "(\w+)\s+\1". The capture must take the whole run (what follows it is a
// gap unit, which the run never accepts), the gap must take its whole run (a gap unit
// never equals the capture's first unit), so a start can only match when the unit after
// the two runs equals the first one.
template <class T> void RxMachine<T>::AnalyseRepeatedRun(const std::vector<RxNode*>& head) {
    size_t i = 0;
    while (i < head.size() && ZeroWidth(head[i]))
        ++i;
    if (i + 2 >= head.size())
        return;
    auto* group = dynamic_cast<RxListNode*>(head[i]);
    auto* gap = dynamic_cast<RxUnitGreedyNode<T>*>(head[i + 1]);
    auto* ref = dynamic_cast<RxBackrefNode<T>*>(head[i + 2]);
    if (!group || group->RightToLeft() || group->Children().size() != 3 || !gap ||
        gap->RightToLeft() || gap->Count() < 1 || !ref || ref->RightToLeft())
        return;
    auto* open = dynamic_cast<RxBracketNode<T>*>(group->Children()[0]);
    auto* run = dynamic_cast<RxUnitGreedyNode<T>*>(group->Children()[1]);
    auto* close = dynamic_cast<RxBracketNode<T>*>(group->Children()[2]);
    if (!open || open->Closing() || !close || !close->Closing() || !run || run->RightToLeft() ||
        run->Count() < 1 || run->Extra() != INT_MAX - run->Count())
        return;
    const int number = open->Group();
    if (number <= 0 || close->Group() != number || ref->Group() != number)
        return;
    int uses = 0;
    for (const GroupEntry& g : m_groups)
        uses += g.open && g.Number() == number;
    if (uses != 1)
        return;
    const RxCaseTables* fold = ref->IgnoreCase();
    std::bitset<256> runUnits, gapUnits;
    for (unsigned u = 0; u <= 0xFF; ++u) {
        const unsigned f = fold ? fold->upper[u] : u;
        if (run->Accepts(static_cast<T>(u)))
            runUnits.set(f);
        if (gap->Accepts(static_cast<T>(u)))
            gapUnits.set(f);
    }
    if ((runUnits & gapUnits).any())
        return;
    // The run is a word run when it takes exactly the word units.
    bool words = true;
    for (unsigned u = 0; words && u <= 0xFF; ++u)
        words = run->Accepts(static_cast<T>(u)) == RxIsWordUnit(u);
    if constexpr (sizeof(T) > 1) {
        // One walk over the units above 0xFF: the runs share none of them, and a
        // word run takes none.
        for (unsigned u = 0x100; u <= 0xFFFF; ++u) {
            if (!run->Accepts(static_cast<T>(u)))
                continue;
            if (gap->Accepts(static_cast<T>(u)))
                return;
            words = false;
        }
    }
    m_filter.run = run;
    m_filter.gap = gap;
    m_filter.runFold = fold;
    m_filter.runIsWords = words;
}

template <class T>
bool RxMachine<T>::RepeatedRunFits(const T* text, int length, int start, int runEnd) const {
    const StartFilter& f = m_filter;
    constexpr int kLongest = 1 << 16; // longer runs are left to the match itself
    int e = start;
    if (runEnd >= 0) {
        e = runEnd;
    } else if (f.runIsWords) {
        e = RxWordEnd(text, start, length - start > kLongest ? start + kLongest + 1 : length);
        if (e - start > kLongest)
            return true;
    } else {
        while (e < length && f.run->Accepts(text[e]))
            if (++e - start > kLongest)
                return true;
    }
    if (e - start < f.run->Count())
        return false;
    const int most =
        f.gap->Count() + f.gap->Extra() < kLongest ? f.gap->Count() + f.gap->Extra() : kLongest;
    int g = e;
    while (g < length && f.gap->Accepts(text[g]))
        if (++g - e > most)
            return g - e > kLongest;
    if (g - e < f.gap->Count() || g >= length)
        return false;
    const unsigned a = RxUnit(text[start]), b = RxUnit(text[g]);
    if (!f.runFold || a > 0xFF || b > 0xFF)
        return a == b;
    return f.runFold->upper[a] == f.runFold->upper[b];
}

template <class T> void RxMachine<T>::AnalyseStart() {
    if (m_root)
        AnalyseFollow(m_root, Follow{}, m_recursions.empty());
    m_filter = StartFilter{};
    if (!m_root || (m_flags & RxRightToLeft))
        return;
    std::vector<RxNode*> head{m_root};
    if (auto* l = dynamic_cast<RxListNode*>(m_root);
        l && !l->RightToLeft() && !l->Children().empty())
        head = l->Children();
    if (auto* b = dynamic_cast<RxBoundaryNode<T>*>(head.front()); b && b->Positive()) {
        m_filter.onlyFirst = b->Kind() == RxBoundaryNode<T>::TextStart;
        m_filter.lineStart = b->Kind() == RxBoundaryNode<T>::LineStart;
        m_filter.wordStart = b->Kind() == RxBoundaryNode<T>::WordBoundary;
    }
    if (dynamic_cast<RxGlobalNode*>(head.front()))
        m_filter.onlyFirst = true;
    bool unknown = false;
    StartFilter f;
    const bool empty = AnalyseFirst(m_root, f, unknown);
    if (!unknown && !empty) {
        m_filter.useSet = true;
        m_filter.first = f.first;
        m_filter.high = f.high;
    }
    // "\b" before a word unit is a word start: the unit before is not a word unit.
    bool wordsOnly = m_filter.useSet && !m_filter.high;
    for (unsigned u = 0; wordsOnly && u <= 0xFF; ++u)
        wordsOnly = !m_filter.first.test(u) || RxIsWordUnit(u);
    m_filter.wordStart = m_filter.wordStart && wordsOnly;
    if (!m_filter.useSet)
        return;
    std::vector<String> literals;
    const RxCaseTables* fold = nullptr;
    bool first = true;
    if (PrefixLiterals(m_root, literals, fold, first))
        m_filter.prefix.Set(literals, fold);
    if (!m_filter.prefix.Active())
        AnalyseInnerLiteral(head);
    AnalyseRepeatedRun(head);
}

// ---------------------------------------------------------------- match loop

template <class T>
int RxMachine<T>::NextStart(RegexMatchContext& c, int start, int& innerEnd, unsigned& skipped) {
    const T* text = c.Text<T>();
    const int length = c.length;
    const StartFilter& f = m_filter;
    constexpr int kChunk = 1 << 16; // units scanned between two abort questions
    // Counts one start passed over; every kChunk of them asks the abort question.
    auto passedOver = [&] { return ++skipped % kChunk == 0 && IsAborted(); };
    // A literal scan from `from`, asking the abort question between chunks.
    auto scan = [&](const RxLiteralScan<T>& s, int from) {
        for (; from < length; from += kChunk) {
            const int p =
                s.Find(text, from, from < length - kChunk ? from + kChunk : length, length);
            if (p >= 0)
                return p;
            if (IsAborted())
                return -1;
        }
        return -1;
    };
    for (;;) {
        if (start > length)
            return -1;
        if (f.inner.Active()) {
            if (start > innerEnd) {
                const int q = scan(f.inner, start);
                if (q < 0)
                    return -1;
                // The run ends at q and is at most innerMax units long.
                const int lowest = q - start > f.innerMax ? q - f.innerMax : start;
                int r = q;
                while (r > lowest && f.innerUnits.Accepts(text[r - 1]))
                    --r;
                const int last = q - f.innerMin;
                if (r > last) {
                    start = q + 1;
                    continue;
                }
                start = r;
                innerEnd = last;
            }
        } else if (f.prefix.Active()) {
            start = scan(f.prefix, start);
            if (start < 0)
                return -1;
        } else if (f.wordStart) {
            int from = start, wordEnd = -1;
            for (start = -1; start < 0 && from < length; from += kChunk) {
                start = RxNextWordStart(text, from, from < length - kChunk ? from + kChunk : length,
                                        length, f.run && f.runIsWords ? &wordEnd : nullptr);
                if (start < 0 && IsAborted())
                    return -1;
            }
            if (start < 0)
                return -1;
            if (!f.Accepts(text[start])) {
                ++start;
                if (passedOver())
                    return -1;
                continue;
            }
            if (wordEnd >= 0) {
                // The run is the word: no other start inside it begins a word.
                if (!RepeatedRunFits(text, length, start, wordEnd)) {
                    start = wordEnd;
                    if (passedOver())
                        return -1;
                    continue;
                }
                return start;
            }
        } else if (f.useSet) {
            // Skip positions whose code unit cannot begin a match.
            while (start < length && !f.Accepts(text[start])) {
                ++start;
                if (passedOver())
                    return -1;
            }
            if (start >= length)
                return -1; // a match needs at least one code unit
        }
        if (start > 0 && start <= length) {
            const T before = text[start - 1];
            if (f.wordStart && RxIsWordUnit(RxUnit(before))) {
                // No word starts before the end of this run of word units.
                const int most = start < length - kChunk ? start + kChunk : length;
                while (start < most && RxIsWordUnit(RxUnit(text[start])))
                    ++start;
                if (passedOver())
                    return -1;
                continue;
            }
            const bool atLine = before == T('\n') ||
                                (before == T('\r') && (start >= length || text[start] != T('\n')));
            if (f.lineStart && !atLine) {
                ++start;
                if (passedOver())
                    return -1;
                continue;
            }
        }
        if (!f.run || start >= length || RepeatedRunFits(text, length, start))
            return start;
        ++start;
        if (passedOver())
            return -1;
    }
}

template <class T> void RxMachine<T>::RunMatch(RegexMatchContext& c, RxBuffer<int>& result) {
    result.Clear();
    if (!m_root)
        return;
    c.abortQuery = [](void* m) { return static_cast<RxMachine*>(m)->IsAborted(); };
    c.abortArg = this;
    const bool rtl = (m_flags & RxRightToLeft) != 0;
    const int step = rtl ? -1 : 1;
    const int stop = rtl ? -1 : c.length + 1;
    unsigned skipped = 0;
    int innerEnd = -1;
    for (int start = c.position; start != stop; start += step) {
        if (!rtl) {
            start = NextStart(c, start, innerEnd, skipped);
            if (start < 0)
                return;
        }
        if (IsAborted())
            return;
        if (!c.Begin(start, m_groupCount))
            return;
        const int matched = m_root->Match(c);
        if (c.halted)
            return;
        if (matched) {
            c.captures[2] = c.position;
            const int groups = m_groupCount;
            if (!result.Reserve(static_cast<size_t>(groups) * 2 + 4))
                return;
            result.Push(1);
            result.Push(groups);
            for (int g = 0; g <= groups; ++g) {
                const int idx = c.FindLatest(g);
                int a = -1, b = -1;
                if (idx >= 0) {
                    a = c.captures[idx + 1];
                    b = c.captures[idx + 2];
                    if (a > b)
                        std::swap(a, b);
                }
                result.Push(a);
                result.Push(b);
            }
            return;
        }
        if (m_filter.onlyFirst)
            return;
    }
}

template class RxMachine<char>;
template class RxMachine<wchar_t>;
