#include "regexp/RxCharClass.h"

#include <cctype>
#include <cstring>

namespace {

int IsAlnum(int c) {
    return std::isalnum(c);
}
int IsAlpha(int c) {
    return std::isalpha(c);
}
int IsAscii(int c) {
    return c >= 0 && c < 0x80;
}
int IsCntrl(int c) {
    return std::iscntrl(c);
}
int IsDigit(int c) {
    return std::isdigit(c);
}
int IsGraph(int c) {
    return std::isgraph(c);
}
int IsLower(int c) {
    return std::islower(c);
}
int IsPrint(int c) {
    return std::isprint(c);
}
int IsPunct(int c) {
    return std::ispunct(c);
}
int IsSpace(int c) {
    return std::isspace(c);
}
int IsUpper(int c) {
    return std::isupper(c);
}
int IsXdigit(int c) {
    return std::isxdigit(c);
}
int IsBlank(int c) {
    return c == 0x20 || c == 0x09;
}

struct PosixName {
    const char* name; // with its closing colon; compared on its whole length
    RxCtypeFn test;
};

const PosixName kPosixNames[] = {
    {"alnum:", IsAlnum}, {"alpha:", IsAlpha}, {"ascii:", IsAscii}, {"cntrl:", IsCntrl},
    {"digit:", IsDigit}, {"graph:", IsGraph}, {"lower:", IsLower}, {"print:", IsPrint},
    {"punct:", IsPunct}, {"space:", IsSpace}, {"upper:", IsUpper}, {"xdigit:", IsXdigit},
    {"blank:", IsBlank},
};

} // namespace

template <class T> int RxUnitClass<T>::Match(RegexMatchContext& c) {
    const int i = m_rtl ? c.position - 1 : c.position;
    if (i < 0 || i >= c.length || !Accepts(c.Text<T>()[i]))
        return 0;
    c.position += m_rtl ? -1 : 1;
    return 1;
}

template <class T> void RxRangeNode<T>::AddRange(T low, T high) {
    m_ranges.push_back(low);
    m_ranges.push_back(high);
}

template <class T> bool RxRangeNode<T>::Contains(T ch) const {
    const int v = Order(ch);
    for (size_t i = 0; i + 1 < m_ranges.size(); i += 2) {
        if (Order(m_ranges[i]) <= v && v <= Order(m_ranges[i + 1]))
            return true;
    }
    for (T m : m_chars) {
        if (m == ch)
            return true;
    }
    return false;
}

template <class T> bool RxRangeNode<T>::Members(T ch) const {
    if (Contains(ch))
        return true;
    for (RxNode* e : m_embedded) {
        if (auto* u = dynamic_cast<RxUnitClass<T>*>(e); u && u->Accepts(ch))
            return true;
    }
    return false;
}

template <class T> bool RxRangeNode<T>::MayAcceptWide() const {
    if constexpr (sizeof(T) == 1) {
        return false;
    } else {
        if (!this->m_positive)
            return true;
        for (size_t i = 0; i + 1 < m_ranges.size(); i += 2) {
            if (Order(m_ranges[i + 1]) > 0xFF)
                return true;
        }
        for (T ch : m_chars) {
            if (RxUnit(ch) > 0xFF)
                return true;
        }
        for (RxNode* e : m_embedded) {
            auto* u = dynamic_cast<RxUnitClass<T>*>(e);
            if (!u || u->MayAcceptWide())
                return true;
        }
        return false;
    }
}

template <class T> bool RxRangeNode<T>::AcceptsWide(T ch) const {
    return Members(ch) == this->m_positive;
}

template <class T> void RxRangeNode<T>::Seal() {
    m_plainEmbedded = true;
    for (RxNode* e : m_embedded) {
        if (!dynamic_cast<RxUnitClass<T>*>(e))
            m_plainEmbedded = false;
    }
    for (unsigned u = 0; u < 256; ++u)
        this->SetTableBit(u, Members(static_cast<T>(u)) == this->m_positive);
}

template <class T> int RxRangeNode<T>::Match(RegexMatchContext& c) {
    if (m_plainEmbedded)
        return RxUnitClass<T>::Match(c);
    // An embedded node of another kind is run at the position and the position put back.
    const int p = c.position;
    const int i = this->m_rtl ? p - 1 : p;
    if (i < 0 || i >= c.length)
        return 0;
    bool in = Contains(c.Text<T>()[i]);
    for (size_t k = 0; !in && k < m_embedded.size(); ++k) {
        if (m_embedded[k]->Match(c)) {
            c.position = p;
            in = true;
        }
    }
    if (in != this->m_positive)
        return 0;
    c.position = this->m_rtl ? p - 1 : p + 1;
    return 1;
}

template <class T> void RxRangeNode<T>::Widen(const RxCaseTables& t) {
    const size_t ranges = m_ranges.size();
    for (size_t i = 0; i + 1 < ranges; i += 2) {
        const T lo = m_ranges[i], hi = m_ranges[i + 1];
        const int ol = Order(lo), oh = Order(hi);
        auto inside = [&](T a, T b) { return Order(a) >= ol && Order(b) <= oh; };
        if (ol <= 'Z' && oh >= 'A') {
            T f = t.Lower(ol > 'A' ? lo : T('A'));
            T h = t.Lower(oh < 'Z' ? hi : T('Z'));
            if (!inside(f, h))
                AddRange(f, h);
        }
        if (ol <= 'z' && oh >= 'a') {
            T g = t.Upper(ol > 'a' ? lo : T('a'));
            T k = t.Upper(oh < 'z' ? hi : T('z'));
            if (!inside(g, k))
                AddRange(g, k);
        }
    }
    const size_t chars = m_chars.size();
    for (size_t i = 0; i < chars; ++i) {
        const T ch = m_chars[i];
        const unsigned u = RxUnit(ch);
        if (RxClassify(IsUpper, u) && !Contains(t.Lower(ch)))
            AddChar(t.Lower(ch));
        if (RxClassify(IsLower, u) && !Contains(t.Upper(ch)))
            AddChar(t.Upper(ch));
    }
}

template <class T>
RxPosixNode<T>::RxPosixNode(const std::string& text, bool rightToLeft)
    : RxUnitClass<T>(rightToLeft, true) {
    size_t at = 1; // after the opening colon
    if (text.size() > 1 && text[1] == '^') {
        this->m_positive = false;
        at = 2;
    }
    for (const PosixName& n : kPosixNames) {
        const size_t len = std::strlen(n.name);
        if (text.size() >= at + len && text.compare(at, len, n.name) == 0) {
            m_test = n.test;
            break;
        }
    }
    for (unsigned u = 0; u < 256; ++u)
        this->SetTableBit(u, (m_test && RxClassify(m_test, u)) == this->m_positive);
}

template <class T> int RxPosixNode<T>::Match(RegexMatchContext& c) {
    return m_test ? RxUnitClass<T>::Match(c) : 0;
}

template class RxUnitClass<char>;
template class RxUnitClass<wchar_t>;
template class RxRangeNode<char>;
template class RxRangeNode<wchar_t>;
template class RxPosixNode<char>;
template class RxPosixNode<wchar_t>;
