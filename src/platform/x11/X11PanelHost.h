#pragma once

#include "platform/PanelHost.h"

#include <QHash>
#include <QRect>
#include <array>
#include <cstdint>
#include <vector>

namespace vantorel {

// Marks our panels as docks on every desktop and sets their struts, through
// Qt's own X connection (the panel windows belong to it).
class X11PanelHost : public PanelHost {
public:
    void preparePanel(QWidget* panel) override;
    void reserveBottomEdge(QWidget* panel, const Rect& display, int height) override;

    // _NET_WM_STRUT_PARTIAL for a bar of `height` at the bottom of a display
    // given in root coordinates, on a root window `rootHeight` high. Nothing
    // when another display lies below this one: a strut counts from the root's
    // edge and would block the lower display whole.
    static std::array<uint32_t, 12> bottomStrut(const QRect& displayInRoot, int rootHeight, int height,
                                                const std::vector<QRect>& otherDisplays = {});

private:
    QHash<QWidget*, std::array<uint32_t, 12>> applied_;
};

} // namespace vantorel
