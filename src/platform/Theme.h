#pragma once

#include <QObject>

namespace vantorel {

enum class ResolvedTheme { Light, Dark };

// The system's light or dark look.
class Theme : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual ResolvedTheme systemTheme() const = 0;

Q_SIGNALS:
    void systemThemeChanged();
};

} // namespace vantorel
