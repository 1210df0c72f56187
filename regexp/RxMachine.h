// The pattern compiler and the match loop. Every pattern compiles: malformed pieces are read
// by fixed rules, and a pattern that cannot match simply finds nothing.
#pragma once

#include "regexp/RxBuffer.h"
#include "regexp/RxCharClass.h"
#include "regexp/RxCharTraits.h"
#include "regexp/RxLiteralScan.h"
#include "regexp/RxNodes.h"
#include "regexp/RxTextNodes.h"

#include <bitset>
#include <string>
#include <utility>
#include <vector>

// Pattern flags.
enum RxFlags : int {
    RxSingleLine = 1, // "." also matches LF
    RxMultiLine = 2,  // "^" and "$" work at line starts and ends
    RxGlobal = 4,     // \G is compiled (else it is the empty node)
    RxIgnoreCase = 8,
    RxRightToLeft = 0x10,
    RxExtended = 0x20, // blanks skipped, "#" starts a comment
};

template <class T> struct PatternToken {
    T ch = 0;
    int special = 0; // 1: operator or class escape; the end of the pattern is ch 0, special 1
    int pos = 0;
    int len = 0;
};

template <class T> class RxMachine {
public:
    // Deepest nesting of groups and bracket classes; a deeper pattern matches nothing.
    static constexpr int kMaxNesting = 200;
    static constexpr int kStockCount = 17;

    RxMachine() = default;
    RxMachine(const RxMachine&) = delete;
    RxMachine& operator=(const RxMachine&) = delete;
    virtual ~RxMachine() { Clear(); }

    // Asked before each start position and now and then while backtracking; true ends
    // the match with no result.
    virtual bool IsAborted() { return false; }

    // Deletes every node and forgets the tree.
    void Clear();
    // Compiles the pattern (the object must have been cleared); returns the root, or null
    // when the pattern nests too deep or memory ran out.
    RxNode* Build(RxBufferView<T> pattern, int flags);
    // Shared predefined nodes: 0 empty, 1-8 (left to right) and 9-16 (right to left):
    // any, any but LF, \w, \W, \s, \S, \d, \D. Other indexes give entry 0.
    RxNode* GetStockNode(int index);
    // Runs the search from the context's position; result as described in VQ_Regexp.
    void RunMatch(RegexMatchContext& c, RxBuffer<int>& result);

    RxNode* Root() const { return m_root; }
    int Flags() const { return m_flags; }
    int GroupCount() const { return m_groupCount; }

    // With false, the next builds take none of the shortcuts that only save time (compact
    // repeats, follower tests, start-position filters): the plain node tree and a loop that
    // tries every position, which must give the same matches. For comparison in tests.
    void SetFastPaths(bool on) { m_fastPaths = on; }

private:
    using Token = PatternToken<T>;
    using String = std::basic_string<T>;

    struct GroupEntry {
        RxNode* list = nullptr;
        RxBracketNode<T>* open = nullptr;
        RxBracketNode<T>* close = nullptr;
        int Number() const { return open ? open->Group() : 0; }
    };
    struct LexerState {
        Token tokens[4];
        int pos, depth;
        bool inRun;
        int runCase;
    };
    // Which start positions can begin a match (left-to-right patterns only).
    struct StartFilter {
        bool onlyFirst = false; // anchored at the start of the search
        bool lineStart = false; // starts with a multi-line "^"
        bool wordStart = false; // starts with "\b" before a word unit
        bool useSet = false;    // the first code unit must be in `first`
        bool high = false;      // code units above 0xFF may begin a match
        std::bitset<256> first;
        // Every match begins with one of these literals.
        RxLiteralScan<T> prefix;
        // Every match begins with a run of innerMin to innerMax units of `innerUnits`,
        // directly followed by one of the literals of `inner`, whose first unit the run
        // never accepts.
        RxUnitSet<T> innerUnits;
        int innerMin = 0, innerMax = 0;
        RxLiteralScan<T> inner;
        // Every match begins with a captured run of `run` units, then a run of `gap` units
        // (none of which `run` accepts, or folds alike when compared ignoring case), then
        // the captured text again, compared through `runFold` when it ignores case.
        const RxUnitGreedyNode<T>* run = nullptr;
        const RxUnitGreedyNode<T>* gap = nullptr;
        const RxCaseTables* runFold = nullptr;
        bool runIsWords = false; // `run` accepts exactly the word units
        bool Accepts(T ch) const {
            unsigned u = RxUnit(ch);
            return u <= 0xFF ? first.test(u) : high;
        }
    };
    // What can follow a node: the code units that can begin it; unknown when the match may
    // end there or the continuation cannot be told.
    struct Follow {
        bool known = false;
        bool high = false;
        std::bitset<256> first;
    };
    class Nesting;

    template <class N, class... A> N* Make(A&&... args) {
        // Room first, so that the node is owned by the list once it exists.
        if (m_nodes.size() == m_nodes.capacity())
            m_nodes.reserve(m_nodes.empty() ? 64 : m_nodes.size() * 2);
        N* n = new N(std::forward<A>(args)...);
        m_nodes.push_back(n);
        return n;
    }

    // Lexer and tokens.
    const Token& Cur() const { return m_tokens[1]; }
    const Token& Next() const { return m_tokens[2]; }
    const Token& After() const { return m_tokens[3]; }
    static bool IsEnd(const Token& t) { return t.special && t.ch == 0; }
    static bool Is(const Token& t, unsigned ch) { return t.special && RxUnit(t.ch) == ch; }
    static char Byte(T ch) { return RxUnit(ch) <= 0xFF ? static_cast<char>(RxUnit(ch)) : 0; }
    void Advance();
    bool Lex(Token& out);
    bool LexEscape(Token& out);
    LexerState SaveLexer() const;
    void RestoreLexer(const LexerState& s);
    void JumpToEnd();
    T RunCase(T ch) const;

    // Numbers: blanks, a digit, at most 3 (8-bit) or 6 (16-bit) digits, blanks.
    static bool ReadNumber(const std::string& s, size_t& i, int& value);
    static bool IsNumber(const std::string& s, int& value);
    static std::string Bytes(const String& s);
    bool SameName(const String& a, const String& b) const;

    // Parser.
    RxNode* BuildAlternative(int flags);
    RxNode* BuildList(int& flags);
    RxNode* BuildRepeat(int& flags);
    RxNode* BuildSimple(int& flags);
    RxNode* BuildCharset(int& flags);
    RxNode* BuildBracket(int flags);
    RxNode* BuildBoundary(int& flags);
    RxNode* BuildBackref(int& flags);
    RxNode* BuildGroup(int& flags);
    RxNode* BuildConditional(int flags);
    GroupEntry MakeGroup(int number, String name, RxNode* body, int flags);
    String ReadDelimitedName(unsigned close);
    int ReadNumberUpToParen();
    void SkipBlankTokens();
    void Finish();

    // Start analysis: adds the code units that can begin a match of n; true when n can
    // match without consuming anything.
    bool AnalyseFirst(RxNode* n, StartFilter& f, bool& unknown) const;
    // Tells the single-unit repeats below n what follows them.
    void AnalyseFollow(RxNode* n, const Follow& after, bool listEndsKnown);
    // Literals one of which begins every match of n, all compared the same way (`fold`).
    bool PrefixLiterals(RxNode* n, std::vector<String>& out, const RxCaseTables*& fold,
                        bool& first) const;
    void AnalyseInnerLiteral(const std::vector<RxNode*>& head);
    void AnalyseRepeatedRun(const std::vector<RxNode*>& head);
    // False when the start cannot begin a match of the repeated run (see StartFilter);
    // runEnd, when known, is where the run of `run` units from the start ends.
    bool RepeatedRunFits(const T* text, int length, int start, int runEnd = -1) const;
    void AnalyseStart();
    // The next start position at or after `start` that the filters let through; -1 when
    // none is left or the search was aborted. `innerEnd` carries the last start position
    // that the current inner literal allows.
    int NextStart(RegexMatchContext& c, int start, int& innerEnd, unsigned& skipped);

    RxNode* m_root = nullptr;
    int m_flags = 0;
    int m_groupCount = 0;
    std::vector<RxNode*> m_nodes;
    std::vector<GroupEntry> m_groups;
    std::vector<RxDelegateNode<T>*> m_recursions;
    std::vector<GroupEntry> m_named;
    std::vector<RxBackrefNode<T>*> m_namedBackrefs;
    std::vector<RxConditionNode<T>*> m_namedConditions;
    RxBufferView<T> m_pattern;
    Token m_tokens[4];
    int m_lexPos = 0;
    int m_classDepth = 0;
    bool m_inRun = false;
    int m_runCase = 0; // 0 none, 1 lower, 2 upper
    int m_nesting = 0;
    bool m_tooDeep = false;
    RxNode* m_stock[kStockCount] = {};
    RxCaseTables m_cases{};
    StartFilter m_filter;
    bool m_fastPaths = true;
};
