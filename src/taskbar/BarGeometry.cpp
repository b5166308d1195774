#include "taskbar/BarGeometry.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace vantorel {

int barHeight(double percent) {
    const double s = percent / 100.0;
    int bar = 75;
    if (!(s > 1.6))
        bar = static_cast<int>(std::round(std::max(s, 0.6) * 34.0)) + 21; // std::round halves away from zero
    return std::max(bar, 55);
}

Rect shownPanelFrame(const Rect& screen, double percent) {
    const double height = barHeight(percent);
    return {screen.x, screen.y - 1, screen.width, height + 1};
}

Rect hiddenPanelFrame(const Rect& shown) { return shown.offsetBy(0, -(shown.height - 6)); }

QString defaultDecimal(double value) {
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e16)
        return QString::number(value, 'f', 1);
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString screenId(const Display& d) {
    if (d.displayNumber)
        return QString::number(*d.displayNumber);
    return defaultDecimal(d.frame.x) + u',' + defaultDecimal(d.frame.y) + u',' + defaultDecimal(d.frame.width) + u'x' +
           defaultDecimal(d.frame.height);
}

std::vector<Display> targetScreens(std::vector<Display> displays, std::optional<quint32> mainId, bool all) {
    std::stable_sort(displays.begin(), displays.end(), [](const Display& a, const Display& b) {
        if (a.frame.y != b.frame.y)
            return a.frame.y < b.frame.y;
        return a.frame.x < b.frame.x;
    });
    if (all || displays.empty())
        return displays;
    auto main = std::find_if(displays.begin(), displays.end(),
                             [&](const Display& d) { return mainId && d.displayNumber == mainId; });
    return {main != displays.end() ? *main : displays.front()};
}

} // namespace vantorel
