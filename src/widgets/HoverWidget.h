#pragma once

#include <QWidget>

namespace vantorel {

// A widget drawn differently while the pointer is over it.
class HoverWidget : public QWidget {
public:
    using QWidget::QWidget;

    bool isHovered() const { return hovered_; }

protected:
    // After the state changed; a repaint is already asked for.
    virtual void hoverChanged(bool /*hovered*/) {}

    void enterEvent(QEnterEvent*) override { setHovered(true); }
    void leaveEvent(QEvent*) override { setHovered(false); }

private:
    void setHovered(bool hovered) {
        hovered_ = hovered;
        update();
        hoverChanged(hovered);
    }

    bool hovered_ = false;
};

} // namespace vantorel
