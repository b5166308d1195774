#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>

namespace vantorel {

// Two global spaces are used by the program's arithmetic:
//  - bottom-left: origin at the main display's bottom-left corner, y up
//    (screens, panels, the pointer);
//  - top-left: origin at the main display's top-left corner, y down
//    (window bounds, accessibility positions).
// Qt's own global coordinates only appear in the view layer, through ScreenSpace.

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double maxX() const { return x + width; }
    double minY() const { return y; }
    double maxY() const { return y + height; }
    double midX() const { return x + width / 2; }
    double midY() const { return y + height / 2; }
    Point origin() const { return {x, y}; }
    Size size() const { return {width, height}; }
    bool isEmpty() const { return width <= 0 || height <= 0; }
    // Half-open on the far edges, like the system's rectangle test.
    bool contains(Point p) const { return p.x >= x && p.x < maxX() && p.y >= y && p.y < maxY(); }
    Rect offsetBy(double dx, double dy) const { return {x + dx, y + dy, width, height}; }
    Rect intersected(const Rect& other) const;
    bool intersects(const Rect& other) const { return !intersected(other).isEmpty(); }

    friend bool operator==(const Rect&, const Rect&) = default;
};

QString toString(const Rect& r);

// Converts between the bottom-left and top-left global spaces. The conversion
// is its own inverse, so one function serves both directions.
Point flipped(Point p, double mainDisplayHeight);
Rect flipped(const Rect& r, double mainDisplayHeight);

// Maps the bottom-left global space to Qt's global coordinates, given where
// the main display lies in Qt's space.
class ScreenSpace {
public:
    explicit ScreenSpace(const QRectF& mainDisplayInQt) : main_(mainDisplayInQt) {}
    // The main display is Qt's primary screen; without a GUI it is an empty rect.
    static ScreenSpace fromPrimaryScreen();

    QRectF toQt(const Rect& bottomLeft) const;
    QPointF toQt(Point bottomLeft) const;
    Rect fromQt(const QRectF& qt) const;
    Point fromQt(const QPointF& qt) const;

private:
    QRectF main_;
};

} // namespace vantorel
