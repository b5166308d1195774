#pragma once

#include "core/Geometry.h"
#include "core/ImageScaling.h"
#include "platform/AppHandle.h"

#include <QImage>
#include <QString>
#include <optional>
#include <vector>

namespace vantorel {

// One window of the window server's list. The server may leave out any field.
struct WindowListEntry {
    std::optional<quint32> number;
    // The running application the window belongs to, and its process.
    std::optional<AppHandle> owner;
    std::optional<qint64> ownerPid;
    std::optional<QString> ownerName;
    std::optional<QString> name;
    // 0 is the layer of normal application windows.
    std::optional<qint64> layer;
    // Top-left global space.
    std::optional<Rect> bounds;
    std::optional<double> alpha;
};

struct WindowListOptions {
    bool onScreenOnly = true;
    bool excludeDesktopElements = true;
};

// The window server: every window of every application, front to back.
class WindowServer {
public:
    virtual ~WindowServer() = default;
    // Nothing when the list cannot be had.
    virtual std::optional<std::vector<WindowListEntry>> windowList(const WindowListOptions& options) const = 0;
    // The window's content without its frame, at its pixel size. Nothing when
    // it cannot be had (unknown or vanished window, no pixels ever seen).
    virtual std::optional<QImage> captureWindow(quint32 windowNumber) = 0;
    // The same, reduced to fit within `maximum` (scaledToFit). A backend that
    // can reduce the pixels while it reads them, without a full-size copy, does so.
    virtual std::optional<QImage> captureWindowFitting(quint32 windowNumber, QSize maximum) {
        auto image = captureWindow(windowNumber);
        if (image)
            *image = scaledToFit(*image, maximum);
        return image;
    }

    // Whether this program may capture other windows, checked without asking.
    virtual bool screenCaptureAllowed() const = 0;
    // Asks the user where the system asks; the answer shows in screenCaptureAllowed later.
    virtual void requestScreenCapture() = 0;
    // The system settings page where the user allows it; nothing where there is none.
    virtual std::optional<QString> screenCaptureSettingsURL() const = 0;
};

} // namespace vantorel
