#pragma once

#include "platform/DefaultsStore.h"

#include <QString>
#include <optional>

namespace vantorel {

// The preference domain of the system Dock. Values keep the types the
// preferences system stores (a boolean and a floating-point number are both
// "numbers" to the Dock); reads return what the last synchronise saw.
class DockPreferences {
public:
    virtual ~DockPreferences() = default;

    // The domain's name, as the command-line tool addresses it.
    virtual QString domain() const = 0;
    // Writes pending changes and reads fresh values from the backing store.
    virtual void synchronize() = 0;
    virtual std::optional<DefaultsValue> value(const QString& key) = 0;
    virtual void setValue(const QString& key, const DefaultsValue& value) = 0;
    virtual void removeValue(const QString& key) = 0;
};

} // namespace vantorel
