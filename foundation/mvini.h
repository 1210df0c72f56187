// The ini file format and the in-memory ini object: sections of keys and
// values, all names compared ignoring case.
//
// On disk: UTF-16LE with a byte-order mark when written; read as UTF-16LE,
// UTF-16BE or UTF-8 by their byte-order marks, else in the ANSI code page.
// Lines starting with "#" or ";" are comments, an odd trailing backslash or a
// line without "=" continues the line before, keys and values may be quoted
// and hold the escapes \n \r \t \" \' and \\.
#pragma once

#include "foundation/mvstring.h"

#include <map>
#include <string_view>

// An ordered map keyed by text, ordinal ignoring case. Keys that differ only
// in case are the same key; the spelling kept is the one first inserted.
template <typename T> class mvstrmap : public std::map<mvstring, T, mvmap_nocasecompare> {
    using Base = std::map<mvstring, T, mvmap_nocasecompare>;

public:
    using Base::Base;

    // The value of the key, created empty when missing.
    T& operator[](std::wstring_view key) {
        auto it = Base::lower_bound(key);
        if (it == Base::end() || Base::key_comp()(key, it->first))
            it = Base::emplace_hint(it, mvstring(key), T());
        return it->second;
    }
    bool Contains(std::wstring_view key) const { return Base::find(key) != Base::end(); }
};

using mvinisection = mvstrmap<mvstring>;

// Section name -> (key -> value). Parse and Load leave no empty section and
// hold keys and values unescaped.
class mvini : public mvstrmap<mvinisection> {
public:
    // The default section name is kept for the users of the object (language
    // lookups, settings); the object itself never uses it.
    explicit mvini(const wchar_t* defaultSection = nullptr);

    const mvstring& DefaultSection() const noexcept { return m_defaultSection; }

    void ClearSections() noexcept { clear(); }
    // The key map of the section, created empty when missing.
    mvinisection& Section(std::wstring_view name) { return (*this)[name]; }

    // A copy of the value; empty when the section or key is empty or missing.
    // Never creates anything.
    mvstring GetString(std::wstring_view section, std::wstring_view key) const;
    // False for an empty section or key. Otherwise passes the value through
    // OnValue and stores it, creating section and key as needed.
    bool SetString(std::wstring_view section, std::wstring_view key, std::wstring_view value);

    // Clears the object and parses the text; true when at least one section
    // with at least one key results.
    bool Parse(std::wstring_view text);
    // Clears the object, decodes the bytes of a whole file (see
    // DecodeTextBytes) and parses them. Returns the parse result.
    bool LoadBytes(std::string_view bytes);
    // Clears the object, reads the file and parses it. Returns the parse
    // result. The last error tells the outcome apart: ERROR_SUCCESS when the
    // file was read (also when it held no key), ERROR_FILE_NOT_FOUND or
    // ERROR_PATH_NOT_FOUND when it does not exist, any other code when it
    // exists but could not be opened or read (ERROR_SHARING_VIOLATION while
    // another process holds it).
    bool Load(const mvstring& path);

    // The whole object in the write format, without a byte-order mark.
    mvstring Serialize() const;
    // Serialize and WriteTextFileUtf16 to an open file (created or truncated
    // by the caller). True when every byte was written.
    bool Save(HANDLE file) const;
    // Saves to a new file beside the path, which replaces the file there
    // once complete (ReplacingFile; folders created). False with the last
    // error when it cannot be created, written or put in place; the file at
    // the path is then as it was.
    bool SaveFile(const mvstring& path) const;

    // Takes the next logical line (comments and empty lines skipped,
    // continuation lines joined) off the front of `remaining`. False only when
    // `remaining` was empty on entry; `line` may come back empty.
    static bool ReadLogicalLine(std::wstring_view& remaining, mvstring& line);
    // Appends a continuation piece: both sides trimmed, joined by one space
    // unless the line ends with "\n" or the piece starts with "\t".
    static void JoinContinuation(mvstring& line, std::wstring_view piece);
    // Mode 0 unescapes text read from a file, mode 1 escapes text to write.
    static void Escape(mvstring& text, int mode);
    // Splits a logical key line at its "=" (quoted keys may hold "="), with
    // quotes removed but escapes still in place. False when the line holds no
    // key.
    static bool SplitKeyValue(std::wstring_view line, mvstring& key, mvstring& value);

protected:
    // Called for every value before it is stored (by Parse and SetString),
    // with the section name as written; may change the value.
    virtual void OnValue(const mvstring& section, const mvstring& key, mvstring& value) {}

private:
    mvstring m_defaultSection;
};

// Decodes the bytes of a whole text file by its byte-order mark: FF FE
// UTF-16LE, FE FF UTF-16BE, EF BB BF UTF-8, else the ANSI code page. The text
// ends at the first zero code unit (or byte); a first byte 0 gives the empty
// text. UTF-8 is never guessed without its mark.
mvstring DecodeTextBytes(const void* bytes, std::size_t size);

// Reads and decodes a whole open file from its start. False on any failure,
// with the cause in the last error and `text` empty; an empty file gives true.
bool ReadTextFile(HANDLE file, mvstring& text);
// The decoded text of the whole file; empty on any failure.
mvstring ReadTextFile(HANDLE file);
// Opens the path for reading, reads it and closes it. False when it cannot be
// opened or read; the last error then holds the cause (see mvini::Load).
bool ReadTextFileByPath(const mvstring& path, mvstring& text);
mvstring ReadTextFileByPath(const mvstring& path);

// Writes FF FE and the text as UTF-16LE from the start of the file; an empty
// text writes nothing at all. False for no handle, when the file size cannot
// be had, or when not every byte was written. The file is not truncated.
bool WriteTextFileUtf16(std::wstring_view text, HANDLE file);
