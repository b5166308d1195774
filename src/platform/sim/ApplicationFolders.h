#pragma once

#include "platform/Workspace.h"

#include <QStringList>
#include <vector>

namespace vantorel {

// The applications in the standard application folders of the simulated
// desktop, read from disk: every ".app" entry up to two folders down, never
// inside a bundle, one application reached through several links listed once
// (at the location first seen), then the file browser's bundle when it exists.
// Names are the file names without ".app"; identifiers are left to the caller.
std::vector<InstalledApplication> walkApplicationFolders(const QStringList& folders, const QString& fileBrowserBundle);

} // namespace vantorel
