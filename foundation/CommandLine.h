// The program's argument text as a list of switches, each with the words
// that follow it.
#pragma once

#include "foundation/mvstring.h"

#include <vector>

struct CommandLineSwitch {
    mvstring name;
    std::vector<mvstring> values;
};

// Splits a command line into words with the quoting rules of the system's
// command line: n backslashes before a quote give n / 2 backslashes and, for
// an odd n, a literal quote; other backslashes stay as they are; a quote
// otherwise toggles quoted mode and is dropped; outside quotes only a blank
// ends a word (a tab stays inside it). Empty words are dropped, unless
// `keepQuotedEmpty` keeps a word made of quotes only ("") as an empty word,
// so that a switch given an empty name does not take the next word instead.
std::vector<mvstring> SplitCommandLine(std::wstring_view text, bool keepQuotedEmpty = false);

// The argument text of a whole command line as the system gives it: what
// follows the first blank outside double quotes, which ends the program's
// name; the end of the text when there is none. Null for null. The same as
// the shell library's PathGetArgsW, which a run without windows does not
// load.
const wchar_t* CommandLineArguments(const wchar_t* commandLine);

class CommandLine {
public:
    explicit CommandLine(mvstring prefix = L"/") : m_prefix(std::move(prefix)) {}

    // Clears the list and reads the text: a word beginning with the prefix
    // opens a switch (named without the prefix), and so does the first word
    // even without it; other words are values of the switch before them, in
    // order and with their duplicates. A repeated switch merges its values
    // into the first one, leaving out values it already holds (ignoring
    // case). A word that is only the prefix opens nothing, and the words up
    // to the next switch are dropped. True for an empty text (no switches);
    // false when the text holds blanks and quotes but no word.
    bool Parse(std::wstring_view text);
    // Finds or appends the switch (ignoring case) and appends a non-empty
    // value it does not hold yet (ignoring case). False for an empty name.
    bool AddSwitch(const mvstring& name, const mvstring& value);
    // Index of the switch (ignoring case), or -1 (also for an empty name).
    int FindSwitch(std::wstring_view name) const;

    // The switch's values, or null when it is absent.
    const std::vector<mvstring>* Values(std::wstring_view name) const;
    const std::vector<CommandLineSwitch>& Switches() const noexcept { return m_switches; }
    const mvstring& Prefix() const noexcept { return m_prefix; }

private:
    std::vector<CommandLineSwitch> m_switches;
    mvstring m_prefix;
};
