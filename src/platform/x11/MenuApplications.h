#pragma once

#include "platform/Workspace.h"
#include "platform/x11/DesktopEntryIndex.h"

#include <vector>

namespace vantorel {

// The installed applications a desktop's application menu shows: entries of
// the index (already without Hidden ones, other types and unmet TryExec) that
// are not NoDisplay and are shown in one of currentDesktops (OnlyShowIn,
// NotShowIn), each once by desktop-file id, named by the localised Name.
// GenericName and Keywords become the search terms.
std::vector<InstalledApplication> menuApplications(const DesktopEntryIndex& index, const QStringList& currentDesktops);

} // namespace vantorel
