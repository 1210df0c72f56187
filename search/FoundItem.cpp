#include "search/FoundItem.h"

void FoundItem::Clear() {
    folder.clear();
    name.clear();
    ext.clear();
    size_kb_text.clear();
    size_text.clear();
    date_c_text.clear();
    date_m_text.clear();
    date_a_text.clear();
    attr_text.clear();
    size = 0;
    attr = 0;
    date_c = date_m = date_a = 0;
    wsoffset = -1;
    wslen = 0;
    icon = -1;
    overlay = -1;
    state = ItemNormal;
}

void FoundItem::CopyFrom(const FoundItem& o) {
    if (this == &o)
        return;
    folder = o.folder;
    name = o.name;
    size = o.size;
    attr = o.attr;
    date_c = o.date_c;
    date_m = o.date_m;
    date_a = o.date_a;
    wsoffset = o.wsoffset;
    wslen = o.wslen;
    ext = o.ext;
    size_kb_text = o.size_kb_text;
    size_text = o.size_text;
    date_c_text = o.date_c_text;
    date_m_text = o.date_m_text;
    date_a_text = o.date_a_text;
    attr_text = o.attr_text;
    icon = o.icon.load();
    overlay = o.overlay.load();
    insert_index = o.insert_index;
    display_index = o.display_index;
    state = o.state;
}
