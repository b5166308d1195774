#pragma once

#include <QIcon>
#include <QString>

namespace vantorel {

// A recognisable stand-in for an application without an icon: a rounded
// square in a colour derived from the name, with the name's initial.
// A null icon without a GUI application (nothing can be drawn then).
QIcon letterIcon(const QString& name);

} // namespace vantorel
