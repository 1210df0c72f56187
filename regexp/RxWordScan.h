// Word units (the ASCII letters and digits and the underscore, as "\b" and "\w" see them)
// found sixteen bytes at a time, for the start filters of the match loop.
#pragma once

// The first p in [from, to) where a word begins: text[p] is a word unit and text[p - 1] is
// not (or p is 0); -1 when there is none. With `end`, also where that word ends (the first
// position after p, below length, that holds no word unit; length when none does).
template <class T>
int RxNextWordStart(const T* text, int from, int to, int length = 0, int* end = nullptr);

// The first position at or after from, below length, that holds no word unit; length when
// the word runs to the end.
template <class T> int RxWordEnd(const T* text, int from, int length);
