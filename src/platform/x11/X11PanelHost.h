#pragma once

#include "platform/PanelHost.h"

#include <QHash>
#include <QObject>
#include <QRect>
#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace vantorel {

// Marks our panels as docks on every desktop and sets their struts, through
// Qt's own X connection (the panel windows belong to it).
//
// Window managers keep docks below a focused full-screen window and restack
// only within those layers, so a panel cannot be raised above one. Standing
// above a full-screen window, a panel's content moves into a window of the
// same frame that the window manager does not manage (override-redirect),
// raised above everything; the dock itself stays where it is, strut and all.
class X11PanelHost : public PanelHost {
public:
    void preparePanel(QWidget* panel) override;
    void reserveBottomEdge(QWidget* panel, const Rect& display, int height) override;
    void standAboveFullScreen(QWidget* panel, bool above) override;
    // The window that shows the panel's content while it stands above, if it does.
    QWidget* coverOf(QWidget* panel) const;

    // _NET_WM_STRUT_PARTIAL for a bar of `height` at the bottom of a display
    // given in root coordinates, on a root window `rootHeight` high. Nothing
    // when another display lies below this one: a strut counts from the root's
    // edge and would block the lower display whole.
    static std::array<uint32_t, 12> bottomStrut(const QRect& displayInRoot, int rootHeight, int height,
                                                const std::vector<QRect>& otherDisplays = {});

private:
    QHash<QWidget*, std::array<uint32_t, 12>> applied_;
    // The panels that ever stood above a full-screen window, and their covers.
    std::map<QWidget*, QObject*> covers_;
};

} // namespace vantorel
