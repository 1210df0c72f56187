// How results are ordered: the sort column numbers and the order the
// program sorts by, its fixed tie-breaks aside (see ResultList.h).
#pragma once

class ShellTypeCache;

// Result columns, also the sort column numbers.
enum ResultColumn : int {
    ColumnName = 0,
    ColumnSize = 1,
    ColumnType = 2,
    ColumnModified = 3,
    ColumnFolder = 4,
    ColumnCreated = 5,
    ColumnAccessed = 6,
    ColumnAttributes = 7,
    ColumnExtension = 8,
    ColumnNone = 9, // the order of finding
};

// How results are ordered.
struct SortOrder {
    int column = ColumnNone;
    bool descending = false;
    bool foldersOnTop = false;       // folders before files (after them descending)
    bool attrAsText = false;         // attributes ordered by their text
    ShellTypeCache* types = nullptr; // type names; null: the process-wide cache

    // SortColumn, SortDescending, KeepFoldersOnTop and AttrSortWithString.
    static SortOrder FromSettings();
};
