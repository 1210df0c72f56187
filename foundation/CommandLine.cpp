#include "foundation/CommandLine.h"

#include <algorithm>

const wchar_t* CommandLineArguments(const wchar_t* commandLine) {
    if (!commandLine)
        return nullptr;
    bool quoted = false;
    for (; *commandLine; ++commandLine) {
        if (*commandLine == L' ' && !quoted)
            return commandLine + 1;
        if (*commandLine == L'"')
            quoted = !quoted;
    }
    return commandLine;
}

std::vector<mvstring> SplitCommandLine(std::wstring_view text, bool keepQuotedEmpty) {
    std::vector<mvstring> words;
    mvstring word;
    bool quoted = false;
    bool hadQuote = false; // the current word holds a quote, so it exists even when empty
    const auto endWord = [&] {
        if (!word.empty() || (keepQuotedEmpty && hadQuote))
            words.push_back(std::move(word));
        word.clear();
        hadQuote = false;
    };
    size_t i = 0;
    while (i < text.size()) {
        const wchar_t ch = text[i];
        if (ch == L'\\') {
            size_t run = 0;
            while (i < text.size() && text[i] == L'\\') {
                ++run;
                ++i;
            }
            if (i < text.size() && text[i] == L'"') {
                word.append(run / 2, L'\\');
                if (run % 2 == 1) {
                    word.push_back(L'"');
                    ++i;
                }
                // With an even run the quote is read next and toggles.
            } else {
                word.append(run, L'\\');
            }
            continue;
        }
        if (ch == L'"') {
            quoted = !quoted;
            hadQuote = true;
        } else if (ch == L' ' && !quoted) {
            endWord();
        } else {
            word.push_back(ch);
        }
        ++i;
    }
    endWord();
    return words;
}

bool CommandLine::Parse(std::wstring_view text) {
    m_switches.clear();
    const std::wstring_view trimmed = TrimText(text, L" \t");
    if (trimmed.empty())
        return true;
    const std::vector<mvstring> words = SplitCommandLine(trimmed);
    if (words.empty())
        return false;

    // Where the values of the current switch go: -1 drops them; `merging`
    // when the switch was given before, so its values join without repeats.
    int current = -1;
    bool merging = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const mvstring& word = words[i];
        const bool prefixed = !m_prefix.empty() && word.starts_with(m_prefix);
        if (prefixed || i == 0) {
            const mvstring name = prefixed ? word.substr(m_prefix.size()) : word;
            current = FindSwitch(name);
            merging = current >= 0;
            if (!name.empty() && current < 0) {
                m_switches.push_back({name, {}});
                current = static_cast<int>(m_switches.size()) - 1;
            }
            continue;
        }
        if (current < 0)
            continue;
        if (merging)
            AddSwitch(m_switches[current].name, word);
        else
            m_switches[current].values.push_back(word);
    }
    return true;
}

bool CommandLine::AddSwitch(const mvstring& name, const mvstring& value) {
    if (name.empty())
        return false;
    int index = FindSwitch(name);
    if (index < 0) {
        m_switches.push_back({name, {}});
        index = static_cast<int>(m_switches.size()) - 1;
    }
    std::vector<mvstring>& values = m_switches[index].values;
    const bool held = std::any_of(values.begin(), values.end(), [&](const mvstring& v) {
        return mvstring::EqualsNoCase(v, value);
    });
    if (!value.empty() && !held)
        values.push_back(value);
    return true;
}

int CommandLine::FindSwitch(std::wstring_view name) const {
    if (name.empty())
        return -1;
    for (size_t i = 0; i < m_switches.size(); ++i) {
        if (mvstring::EqualsNoCase(m_switches[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

const std::vector<mvstring>* CommandLine::Values(std::wstring_view name) const {
    const int index = FindSwitch(name);
    return index < 0 ? nullptr : &m_switches[index].values;
}
