// Plain text of a .docx document's XML (word/document.xml): the text runs in
// order, a line feed for each paragraph and line break, and the five XML
// entities decoded.
#pragma once

#include "foundation/mvstring.h"

#include <cstddef>

// Replaces the XML by its plain text.
void ExtractDocxText(mvstring& text);
// Decodes &lt; &gt; &amp; &quot; and &#039; in place from index `from` on,
// each character once (so "&amp;lt;" becomes "&lt;"); other entities stay.
void DecodeXmlEntities(mvstring& text, size_t from);
