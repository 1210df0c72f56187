#include "regexp/RxTextNodes.h"

#include "regexp/RxCharClass.h"

#include <algorithm>

namespace {

template <class T> unsigned Fold(const RxCaseTables& t, T c) {
    unsigned u = RxUnit(c);
    return u <= 0xFF ? t.upper[u] : u;
}

// Compares n code units of the text with `lit`, exactly or ignoring case.
template <class T>
bool SameText(const T* text, const T* lit, int n, const RxCaseTables* ignoreCase) {
    if (!ignoreCase) {
        for (int i = 0; i < n; ++i) {
            if (text[i] != lit[i])
                return false;
        }
        return true;
    }
    for (int i = 0; i < n; ++i) {
        if (Fold(*ignoreCase, text[i]) != Fold(*ignoreCase, lit[i]))
            return false;
    }
    return true;
}

// Compares n code units of the text with a literal already folded. The literal is not folded
// again: some locales' case tables are not idempotent (toupper of toupper differs).
template <class T>
bool SameFolded(const T* text, const T* folded, int n, const RxCaseTables& table) {
    for (int i = 0; i < n; ++i) {
        if (Fold(table, text[i]) != RxUnit(folded[i]))
            return false;
    }
    return true;
}

// Where n code units would start when read from the position, or -1 when they do not fit.
inline int Span(const RegexMatchContext& c, int n, bool rtl) {
    if (rtl)
        return c.position >= n ? c.position - n : -1;
    return c.position >= 0 && n <= c.length - c.position ? c.position : -1;
}

} // namespace

// ---- capture marks ----

template <class T> int RxBracketNode<T>::Match(RegexMatchContext& c) {
    if (this->m_group < 0 || !c.EnsureGroup(this->m_group))
        return 0;
    const int idx = c.FindLatest(this->m_group);
    if (!m_closing) {
        if (idx >= 0 && c.captures[idx + 2] == -1) {
            // The group is open: recursion re-enters it.
            --c.captures[idx + 3];
            return 1;
        }
        c.captureIndex[this->m_group] = c.CaptureTop();
        if (!c.captures.Reserve(static_cast<size_t>(c.CaptureTop()) + 4)) {
            c.halted = true;
            return 0;
        }
        c.captures.Push(this->m_group);
        c.captures.Push(c.position);
        c.captures.Push(-1);
        c.captures.Push(0);
        return 1;
    }
    if (idx < 0)
        return 1;
    if (c.captures[idx + 3] < 0) {
        ++c.captures[idx + 3];
        return 1;
    }
    c.captures[idx + 2] = c.position;
    c.captures[idx + 3] = 0;
    return 1;
}

template <class T> int RxBracketNode<T>::MatchNext(RegexMatchContext& c) {
    const int idx = c.FindLatest(this->m_group);
    if (idx < 0)
        return 0;
    if (m_closing) {
        if (c.captures[idx + 2] == -1) {
            --c.captures[idx + 3];
        } else {
            c.captures[idx + 2] = -1;
            c.captures[idx + 3] = 0;
        }
        return 0;
    }
    if (c.captures[idx + 3] < 0) {
        ++c.captures[idx + 3];
        return 0;
    }
    c.TruncateCaptures(c.CaptureTop() - 4);
    int prev = idx - 4;
    while (prev >= 0 && c.captures[prev] != this->m_group)
        prev -= 4;
    c.captureIndex[this->m_group] = prev;
    return 0;
}

// ---- literal ----

template <class T>
RxStringNode<T>::RxStringNode(std::basic_string<T> text, bool rightToLeft,
                              const RxCaseTables* ignoreCase)
    : m_text(std::move(text)), m_rtl(rightToLeft), m_case(ignoreCase) {
    if (m_case) {
        m_folded = m_text;
        for (T& ch : m_folded)
            ch = m_case->Upper(ch);
    }
}

template <class T> int RxStringNode<T>::Match(RegexMatchContext& c) {
    const int n = static_cast<int>(m_text.size());
    const int at = Span(c, n, m_rtl);
    if (at < 0)
        return 0;
    const T* text = c.Text<T>() + at;
    if (m_case ? !SameFolded(text, m_folded.data(), n, *m_case)
               : !SameText(text, m_text.data(), n, nullptr))
        return 0;
    c.position += m_rtl ? -n : n;
    return 1;
}

template <class T> int RxStringNode<T>::MatchNext(RegexMatchContext& c) {
    const int n = static_cast<int>(m_text.size());
    c.position += m_rtl ? n : -n;
    return 0;
}

// ---- back-reference ----

template <class T> int RxBackrefNode<T>::Match(RegexMatchContext& c) {
    if (this->m_group < 0 || !c.HasIndexEntry(this->m_group))
        return 0;
    const int idx = c.FindLatest(this->m_group);
    if (idx < 0)
        return 0;
    int from = c.captures[idx + 1], to = c.captures[idx + 2];
    if (to == -1)
        to = c.position;
    if (from > to)
        std::swap(from, to);
    const int n = to - from;
    const int at = Span(c, n, m_rtl);
    if (at < 0 || from < 0)
        return 0;
    const T* text = c.Text<T>();
    if (!SameText(text + at, text + from, n, m_case))
        return 0;
    c.Push(c.position);
    c.position += m_rtl ? -n : n;
    return 1;
}

template <class T> int RxBackrefNode<T>::MatchNext(RegexMatchContext& c) {
    c.position = c.Pop();
    return 0;
}

// ---- condition ----

template <class T> bool RxConditionNode<T>::Holds(RegexMatchContext& c) {
    if (m_group >= 0)
        return c.HasIndexEntry(m_group) && c.FindLatest(m_group) >= 0;
    if (!m_condition)
        return true;
    const int p = c.position, bt = c.BacktrackTop();
    const bool r = m_condition->Match(c) != 0;
    c.TruncateBacktrack(bt);
    c.position = p;
    return r;
}

template <class T> int RxConditionNode<T>::Match(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Enter())
        return 0;
    const int cap = c.CaptureTop();
    const bool yes = Holds(c);
    RxNode* branch = yes ? m_yes : m_no;
    if (c.halted || (branch && !branch->Match(c))) {
        c.TruncateCaptures(cap);
        return 0;
    }
    c.Push(cap);
    c.Push(yes ? 1 : 0);
    return 1;
}

template <class T> int RxConditionNode<T>::MatchNext(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Resume())
        return 0;
    const int yes = c.Pop(), cap = c.Pop();
    RxNode* branch = yes ? m_yes : m_no;
    if (branch && branch->MatchNext(c)) {
        c.Push(cap);
        c.Push(yes);
        return 1;
    }
    c.TruncateCaptures(cap);
    return 0;
}

// ---- recursion ----

template <class T> int RxDelegateNode<T>::Match(RegexMatchContext& c) {
    if (!m_target)
        return 1;
    RxFrame f(c);
    if (!f.Enter() || c.budget <= 0)
        return 0;
    --c.budget;
    const int r = m_target->Match(c);
    ++c.budget;
    return r;
}

template <class T> int RxDelegateNode<T>::MatchNext(RegexMatchContext& c) {
    if (!m_target)
        return 0;
    RxFrame f(c);
    if (!f.Resume())
        return 0;
    return m_target->MatchNext(c);
}

// ---- greedy repeat of a single code unit ----

template <class T> RxUnitSet<T> RxUnitSet<T>::For(const RxNode* atom, bool& rightToLeft) {
    const Test test = TestFor(atom, rightToLeft);
    return test ? RxUnitSet(atom, test) : RxUnitSet();
}

template <class T>
typename RxUnitSet<T>::Test RxUnitSet<T>::TestFor(const RxNode* atom, bool& rightToLeft) {
    if (auto* r = dynamic_cast<const RxRangeNode<T>*>(atom); r && r->Plain()) {
        rightToLeft = r->RightToLeft();
        return [](const RxNode* a, T ch) {
            return static_cast<const RxUnitClass<T>*>(a)->Accepts(ch);
        };
    }
    if (auto* p = dynamic_cast<const RxPosixNode<T>*>(atom); p && p->Test()) {
        rightToLeft = p->RightToLeft();
        return [](const RxNode* a, T ch) {
            return static_cast<const RxUnitClass<T>*>(a)->Accepts(ch);
        };
    }
    if (auto* s = dynamic_cast<const RxStringNode<T>*>(atom); s && s->Text().size() == 1) {
        rightToLeft = s->RightToLeft();
        if (s->IgnoreCase()) {
            return [](const RxNode* a, T ch) {
                auto* n = static_cast<const RxStringNode<T>*>(a);
                return Fold(*n->IgnoreCase(), ch) == Fold(*n->IgnoreCase(), n->Text()[0]);
            };
        }
        return [](const RxNode* a, T ch) {
            return static_cast<const RxStringNode<T>*>(a)->Text()[0] == ch;
        };
    }
    return nullptr;
}

template <class T> int RxUnitGreedyNode<T>::Match(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Enter())
        return 0;
    const T* text = c.Text<T>();
    const int p = c.position;
    // Code units available in the reading direction.
    const int room = m_rtl ? p : c.length - p;
    if (p < 0 || room < this->m_count)
        return 0;
    const int dir = m_rtl ? -1 : 1;
    const int first = m_rtl ? p - 1 : p; // index of the first unit read
    for (int i = 0; i < this->m_count; ++i) {
        if (!Accepts(text[first + dir * i]))
            return 0;
    }
    const int start = p + dir * this->m_count;
    const int limit = room - this->m_count < this->m_extra ? room - this->m_count : this->m_extra;
    int k = 0;
    for (int at = first + dir * this->m_count; k < limit && Accepts(text[at]); at += dir)
        ++k;
    if (m_hasFollow) {
        while (!Follows(text, c.length, start + k)) {
            if (k == 0)
                return 0;
            --k;
        }
    }
    c.position = start + dir * k;
    c.Push(start);
    c.Push(k);
    return 1;
}

template <class T> int RxUnitGreedyNode<T>::MatchNext(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Resume())
        return 0;
    int k = c.Pop();
    const int start = c.Pop();
    const int dir = m_rtl ? -1 : 1;
    while (k > 0) {
        --k;
        if (m_hasFollow && !Follows(c.Text<T>(), c.length, start + k))
            continue;
        c.position = start + dir * k;
        c.Push(start);
        c.Push(k);
        return 1;
    }
    c.position = start - dir * this->m_count;
    return 0;
}

// ---- anchors ----

template <class T> int RxBoundaryNode<T>::Match(RegexMatchContext& c) {
    const int p = c.position, len = c.length;
    const T* text = c.Text<T>();
    const unsigned before = p > 0 && p <= len ? RxUnit(text[p - 1]) : 0;
    const unsigned at = p >= 0 && p < len ? RxUnit(text[p]) : 0;
    bool r = false;
    switch (m_kind) {
    case TextStart:
        r = p == 0;
        break;
    case TextEnd:
        r = p >= len;
        break;
    case TextEndOrFinalBreak:
        r = p >= len;
        if (!r && len >= 1 && text[len - 1] == T('\n')) {
            r = p == len - 1 || (len >= 2 && text[len - 2] == T('\r') && p == len - 2);
        }
        break;
    case LineStart:
        r = p == 0 || before == '\n' || (before == '\r' && at != '\n');
        break;
    case LineEnd:
        r = p >= len || at == '\r' || (at == '\n' && before != '\r');
        break;
    case WordBoundary:
        r = RxIsWordUnit(before) != RxIsWordUnit(at);
        break;
    default:
        r = false;
        break;
    }
    return r == m_positive;
}

template class RxBracketNode<char>;
template class RxBracketNode<wchar_t>;
template class RxStringNode<char>;
template class RxStringNode<wchar_t>;
template class RxBackrefNode<char>;
template class RxBackrefNode<wchar_t>;
template class RxConditionNode<char>;
template class RxConditionNode<wchar_t>;
template class RxDelegateNode<char>;
template class RxDelegateNode<wchar_t>;
template class RxUnitSet<char>;
template class RxUnitSet<wchar_t>;
template class RxUnitGreedyNode<char>;
template class RxUnitGreedyNode<wchar_t>;
template class RxBoundaryNode<char>;
template class RxBoundaryNode<wchar_t>;
