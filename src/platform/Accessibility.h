#pragma once

#include "core/Geometry.h"
#include "platform/AppHandle.h"

#include <QString>
#include <optional>
#include <variant>
#include <vector>

namespace vantorel {

// One element of the accessibility interface: the system-wide element, an
// application, one of its windows, or a part of a window (a button). The
// backend gives `id` and `part` their meaning; two handles to the same element
// compare equal.
struct AXElement {
    enum class Kind { SystemWide, Application, Window, Part };
    Kind kind = Kind::SystemWide;
    // The application the element belongs to.
    AppHandle app;
    quint64 id = 0;
    quint32 part = 0;
    friend bool operator==(const AXElement&, const AXElement&) = default;
};

// The attribute, action and role names the program asks for; every backend
// answers to these.
namespace AX {
inline const QString kWindows = QStringLiteral("AXWindows");
inline const QString kSubrole = QStringLiteral("AXSubrole");
inline const QString kStandardWindow = QStringLiteral("AXStandardWindow");
inline const QString kTitle = QStringLiteral("AXTitle");
inline const QString kMinimized = QStringLiteral("AXMinimized");
inline const QString kMain = QStringLiteral("AXMain");
inline const QString kFocusedWindow = QStringLiteral("AXFocusedWindow");
inline const QString kFullScreen = QStringLiteral("AXFullScreen");
inline const QString kPosition = QStringLiteral("AXPosition");
inline const QString kSize = QStringLiteral("AXSize");
inline const QString kRaise = QStringLiteral("AXRaise");
inline const QString kCloseButton = QStringLiteral("AXCloseButton");
inline const QString kPress = QStringLiteral("AXPress");
inline const QString kClose = QStringLiteral("AXClose");
inline const QString kCancel = QStringLiteral("AXCancel");
inline const QString kFrontmost = QStringLiteral("AXFrontmost");
inline const QString kRole = QStringLiteral("AXRole");
inline const QString kChildren = QStringLiteral("AXChildren");
inline const QString kEnabled = QStringLiteral("AXEnabled");
// An application's menus: the bar, a menu of a bar item, its items and their shortcuts.
inline const QString kMenuBar = QStringLiteral("AXMenuBar");
inline const QString kMenu = QStringLiteral("AXMenu");
inline const QString kMenuItemRole = QStringLiteral("AXMenuItem");
inline const QString kMenuItemCmdChar = QStringLiteral("AXMenuItemCmdChar");
inline const QString kMenuItemCmdVirtualKey = QStringLiteral("AXMenuItemCmdVirtualKey");
// Bit 0 Shift, bit 1 Option, bit 2 Control, bit 3 set: without the Command key.
inline const QString kMenuItemCmdModifiers = QStringLiteral("AXMenuItemCmdModifiers");
} // namespace AX

// Attribute values: bool, integer, double, string, point, size, element, element list.
using AXValue = std::variant<bool, qint64, double, QString, Point, Size, AXElement, std::vector<AXElement>>;

enum class AXError {
    Success,
    Failure,
    IllegalArgument,
    InvalidElement,
    CannotComplete,
    AttributeUnsupported,
    ActionUnsupported,
    NoValue,
    APIDisabled,
};

struct AXRead {
    AXError error = AXError::NoValue;
    std::optional<AXValue> value;

    bool ok() const { return error == AXError::Success && value.has_value(); }
    template <typename T>
    std::optional<T> as() const {
        if (ok() && std::holds_alternative<T>(*value))
            return std::get<T>(*value);
        return std::nullopt;
    }
};

// The accessibility interface used to read and act on other applications'
// windows. Attribute and action names are the program's own strings
// ("AXWindows", "AXMinimized", "AXRaise", ...); each backend translates them.
// Positions are in the top-left global space.
class Accessibility {
public:
    virtual ~Accessibility() = default;
    // Whether this process may use the interface; with prompt, asks the user once.
    virtual bool isProcessTrusted(bool prompt) = 0;
    // Bounds every call to another application (system-wide element).
    virtual void setMessagingTimeout(double seconds) = 0;

    virtual AXElement systemWideElement() { return {}; }
    virtual AXElement applicationElement(AppHandle app) { return {AXElement::Kind::Application, app, 0, 0}; }
    virtual AXRead copyAttribute(const AXElement& element, const QString& attribute) = 0;
    virtual AXError setAttribute(const AXElement& element, const QString& attribute, const AXValue& value) = 0;
    virtual AXError performAction(const AXElement& element, const QString& action) = 0;
    // The window server's number for a window element.
    virtual std::optional<quint32> windowNumber(const AXElement& element) = 0;
};

} // namespace vantorel
