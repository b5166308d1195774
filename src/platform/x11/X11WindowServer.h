#pragma once

#include "platform/Accessibility.h"
#include "platform/Screens.h"
#include "platform/WindowServer.h"

#include <memory>

namespace vantorel {

class X11Workspace;
class X11WindowCapture;
class X11WindowTracker;
struct X11Window;

// The window list, read from the tracker's state (never from the server), and
// window images.
class X11WindowServer : public WindowServer {
public:
    X11WindowServer(X11WindowTracker& tracker, X11Workspace& workspace);
    ~X11WindowServer() override;
    std::optional<std::vector<WindowListEntry>> windowList(const WindowListOptions& options) const override;
    std::optional<QImage> captureWindow(quint32 windowNumber) override;
    std::optional<QImage> captureWindowFitting(quint32 windowNumber, QSize maximum) override;
    // Any client of the X server may read any window: nothing to ask, nowhere to go.
    bool screenCaptureAllowed() const override { return true; }
    void requestScreenCapture() override {}
    std::optional<QString> screenCaptureSettingsURL() const override { return std::nullopt; }
    X11WindowCapture& capture() { return *capture_; }
    // The stacking layer the program's rules read: 0 for normal windows.
    qint64 layerOf(const X11Window& w) const;

private:
    X11WindowTracker& tracker_;
    X11Workspace& workspace_;
    std::unique_ptr<X11WindowCapture> capture_;
};

// The accessibility port on X11: application and window elements translated
// to EWMH properties and requests. Always trusted.
class X11Accessibility : public Accessibility {
public:
    X11Accessibility(X11WindowTracker& tracker, X11Workspace& workspace) : tracker_(tracker), workspace_(workspace) {}
    bool isProcessTrusted(bool) override { return true; }
    void setMessagingTimeout(double) override {}
    AXRead copyAttribute(const AXElement& element, const QString& attribute) override;
    AXError setAttribute(const AXElement& element, const QString& attribute, const AXValue& value) override;
    AXError performAction(const AXElement& element, const QString& action) override;
    std::optional<quint32> windowNumber(const AXElement& element) override;

private:
    const X11Window* windowOf(const AXElement& element) const;
    AXRead copyMenuAttribute(const AXElement& element, const QString& attribute);
    AXError performMenuAction(const AXElement& element, const QString& action);
    X11WindowTracker& tracker_;
    X11Workspace& workspace_;
};

// Converts between root coordinates and the top-left global space.
Rect topLeftFromRoot(const QRect& root);
QPoint rootFromTopLeft(Point p);

} // namespace vantorel
