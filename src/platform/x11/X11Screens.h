#pragma once

#include "platform/Screens.h"

#include <QHash>

class QScreen;

namespace vantorel {

class X11Connection;

// The displays Qt sees, numbered by their RandR output, in the bottom-left
// space anchored at Qt's primary screen.
class X11Screens : public Screens {
    Q_OBJECT
public:
    explicit X11Screens(X11Connection& x, QObject* parent = nullptr);
    std::vector<Display> displays() const override;
    std::optional<quint32> mainDisplayId() const override;

private:
    void watch(QScreen* screen);
    void refreshOutputs();
    X11Connection& x_;
    QHash<QString, quint32> outputByName_;
};

} // namespace vantorel
