#include "search/SearchCriteria.h"

void SearchCriteria::Reset() {
    *this = SearchCriteria();
}

void SearchCriteria::Assign(const SearchCriteria& other) {
    if (this == &other)
        return;
    folders = other.folders;
    name = other.name;
    name_opt = other.name_opt;
    name_case = other.name_case;
    word = other.word;
    word_opt = other.word_opt;
    word_case = other.word_case;
    word_hex = other.word_hex;
    size_mode = other.size_mode;
    size_logic1 = other.size_logic1;
    size_logic2 = other.size_logic2;
    size1 = other.size1;
    size2 = other.size2;
    date_mode = other.date_mode;
    date_part = other.date_part;
    date_logic1 = other.date_logic1;
    date_logic2 = other.date_logic2;
    date1 = other.date1;
    date2 = other.date2;
    date_usesec = other.date_usesec;
    attr = other.attr;
    subfolder = other.subfolder;
}

bool SearchCriteria::Equals(const SearchCriteria& o, bool withinResults) const {
    if (!mvstring::EqualsNoCase(name, o.name) || !mvstring::EqualsNoCase(word, o.word))
        return false;
    if (attr != o.attr || size_logic1 != o.size_logic1 || size_logic2 != o.size_logic2 ||
        date_logic1 != o.date_logic1 || date_logic2 != o.date_logic2)
        return false;
    if (withinResults) {
        if (!name.empty() && (name_opt != o.name_opt || name_case != o.name_case))
            return false;
        if (!word.empty() &&
            (word_opt != o.word_opt || word_case != o.word_case || word_hex != o.word_hex))
            return false;
        return true;
    }
    return mvstring::EqualsNoCase(folders, o.folders) && name_opt == o.name_opt &&
           name_case == o.name_case && word_opt == o.word_opt && word_case == o.word_case &&
           word_hex == o.word_hex && size_mode == o.size_mode && size1 == o.size1 &&
           size2 == o.size2 && date_mode == o.date_mode && date_part == o.date_part &&
           date1 == o.date1 && date2 == o.date2 && date_usesec == o.date_usesec &&
           subfolder == o.subfolder;
}

void ReleaseCriteria(SearchCriteria*& criteria) {
    delete criteria;
    criteria = nullptr;
}
