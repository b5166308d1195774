#pragma once

#include "apps/AppEntry.h"
#include "core/Geometry.h"
#include "core/Scheduler.h"
#include "platform/Theme.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>
#include <map>
#include <optional>
#include <vector>

namespace vantorel {

class Accessibility;
class WindowServer;
class Workspace;

// One thumbnail of the preview panel.
struct CapturedWindow {
    // Trimmed; may be empty.
    QString title;
    // The downscaled capture, or the application's icon when there is none.
    QImage image;
    std::optional<quint32> windowNumber;
    // Top-left global space, as the window list gives it; absent for minimised windows.
    std::optional<Rect> bounds;
    bool isMinimized = false;
    // image is a picture of the window itself.
    bool hasThumbnail = false;
};

struct CachedPreview {
    std::vector<CapturedWindow> windows;
    Duration capturedAt{0};
};

// What the accessibility interface says about one standard window.
struct AXWindowInfo {
    QString title;
    bool isMinimized = false;
};
// By window number.
using AXWindowTable = std::map<quint32, AXWindowInfo>;

// The largest thumbnail kept, in pixels.
inline constexpr int kPreviewMaxImageWidth = 400;
inline constexpr int kPreviewMaxImageHeight = 240;

// The application to preview: the entry's own while it runs, else the first
// running regular one with the entry's identifier, else the entry's own
// application as last known (which may have quit meanwhile).
std::optional<AppHandle> resolvePreviewProcessIdentifier(const AppEntry& entry, const Workspace& workspace);

// How many thumbnails fit on a display of this width: floor((max(W - 8, 220)
// - 12) / 208), at least 1; 8 without a display.
int previewWindowLimit(std::optional<double> displayWidth);

// The standard windows of an application by number; nothing without trust or
// when its window list cannot be read. A later window of the same number wins.
std::optional<AXWindowTable> readPreviewWindowTable(Accessibility* ax, AppHandle app);

// The application's on-screen windows front to back, at most `limit`: normal
// layer, visible, larger than 50 x 50 and, with a table, standard and not
// minimised. Each is captured and downscaled; one that cannot be captured
// shows the icon.
std::vector<CapturedWindow> captureOnScreenWindows(WindowServer& server, AppHandle app, int limit,
                                                   const std::optional<AXWindowTable>& table, const QImage& icon);

// The minimised windows of the table by ascending number. Where the window
// server still has a picture of one, it shows that instead of the icon.
std::vector<CapturedWindow> minimizedPreviewWindows(const std::optional<AXWindowTable>& table, const QImage& icon,
                                                    WindowServer* server);

// Every window number the application owns now, on screen or not; empty when
// the list cannot be read.
std::vector<quint32> existingWindowNumbers(const WindowServer& server, AppHandle app);

// At most maxWidth x maxHeight pixels, aspect kept (each side truncated, at
// least 1), filtered for quality; smaller images come back unchanged.
QImage downscaledForPreview(const QImage& image, int maxWidth = kPreviewMaxImageWidth,
                            int maxHeight = kPreviewMaxImageHeight);

// The icon as thumbnails show it in place of a picture; a generic window
// symbol for an application without one, else an empty image.
QImage previewIconImage(const QIcon& icon);

// Drops entries captured more than ttl ago (an entry exactly ttl old stays).
void pruneCachedPreviews(std::map<QString, CachedPreview>& cache, Duration now, Duration ttl);

// The cached windows that the application still owns, in cached order.
std::vector<CapturedWindow> stillOwnedWindows(const std::vector<CapturedWindow>& cached,
                                              const std::vector<quint32>& existing);

// Where the panel of size `size` stands (bottom-left space): centred 6 points
// above the button, kept 4 points inside the display's sides and below its
// top; without a display only the left edge is kept.
Point previewPanelOrigin(const Rect& button, Size size, const std::optional<Rect>& display);

// The pointer has left both the panel and the button, each grown by 4 points;
// without a button (gone, or in no window) only the panel counts.
bool previewPointerHasLeft(Point pointer, const Rect& panel, const std::optional<Rect>& button);

// "Untitled Window" for an empty title, with " (minimized)" for a minimised window.
QString previewLabelText(const CapturedWindow& window);

struct PreviewColors {
    QColor background;
    QColor itemHover;
    QColor title;
    // The close and quit glyph when not hovered; white when hovered.
    QColor closeGlyph;
    QColor closeHover;
};
PreviewColors previewColors(ResolvedTheme look);

} // namespace vantorel
