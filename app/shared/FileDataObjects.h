// Data objects that carry files to the shell: a CF_HDROP file list of
// result items, and the shell's ID list array ("Shell IDList Array") of a
// path list or of ID lists. Paths that no longer exist are carried too.
// UI thread only.
#pragma once

#include "app/shared/IdLists.h"
#include "app/shared/VQDataObject.h"
#include "search/FolderList.h"

#include <vector>

struct FoundItem;

// Stores the CF_HDROP block of `paths` (wide, each path followed by a zero,
// one more zero at the end; empty paths skipped) in the object. `total` is
// the paths' characters added up, or 0 to count them here. False for a null
// object, no characters at all, an allocation failure or a refusal.
bool PutHDrop(IDataObject* object, const std::vector<mvstring>& paths, std::size_t total = 0);

// The items' full paths as CF_HDROP; false for a null object or no path.
bool FillHDrop(IDataObject* object, const std::vector<const FoundItem*>& items);

// Stores the ID list array of absolute lists, under the desktop as their
// parent. False for a null object, no list, a format the system will not
// name, an allocation failure or a refusal.
bool PutShellIdListArray(IDataObject* object, const IdListVector& lists);

// A new data object (one reference, the caller's) with the items as
// CF_HDROP; null when there is no item or no path.
CVQDataObject* CreateFileDataObject(const std::vector<const FoundItem*>& items);

// A new data object with the ID list array of the list's entries (entries
// that do not parse are skipped); null when nothing is left.
CVQDataObject* CreatePathListDataObject(const PathList& list);

// A new data object with the ID list array of `lists`, which the caller
// keeps; null for none.
CVQDataObject* CVQDataObject_FromPidls(const IdListVector& lists);
