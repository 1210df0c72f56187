// Export of the results, in display order and with the chosen columns, to a
// CSV file (UTF-8 with a byte-order mark) or an HTML table.
#pragma once

#include "foundation/FileWriter.h"
#include "foundation/mvstring.h"

#include <cstdint>
#include <vector>

class SearchJob;

enum ExportFormat : int {
    ExportByExtension = 0, // ".htm" and ".html" give HTML, anything else CSV
    ExportCsv = 1,
    ExportHtml = 2,
};

// Writes the job's results with the columns in the given order (ids 0..8:
// name, size, type, modified, folder, created, accessed, attributes,
// extension; other ids are left out); with `sizeAsText` sizes are written
// as the list shows them, else as byte counts. The display order is copied
// under the job's results lock, with a hold that keeps the items alive
// (ResultsHold); the file is written and the shell asked for texts outside
// the lock. False when the path is empty, the job has no
// result, no valid column remains, the write buffer cannot be had, the file
// cannot be created, or not every byte reached the file.
bool ExportResults(SearchJob& job, const mvstring& path, int format,
                   const std::vector<std::uint8_t>& columns, bool sizeAsText);
// The same for the global job.
bool ExportResults(const mvstring& path, int format, const std::vector<std::uint8_t>& columns,
                   bool sizeAsText);

// Writes one cell in the format (ExportCsv or ExportHtml): in CSV a
// non-empty text in quotes with its quotes doubled, and a text that a
// spreadsheet would take for a formula ("=", "+", "-", "@" first) behind an
// apostrophe; in HTML a table cell with "&", "<", ">" and quotes escaped.
// False when the write failed.
bool WriteExportCell(VQFileWriter& writer, const mvstring& text, int format);
