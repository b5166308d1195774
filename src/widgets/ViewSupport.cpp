#include "widgets/ViewSupport.h"

#include "app/ThemeService.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFont>
#include <QWidget>

namespace vantorel {

QRectF unflipped(const QRectF& r, qreal viewHeight) {
    return QRectF(r.x(), viewHeight - r.y() - r.height(), r.width(), r.height());
}

QColor accentColor(ResolvedTheme look) { return ThemeService::palette(look).color(QPalette::Highlight); }

QFont systemFont(qreal size, int weight) {
    QFont f = QApplication::font();
    f.setPixelSize(qRound(size));
    f.setWeight(static_cast<QFont::Weight>(weight));
    return f;
}

namespace {

// QAccessibleWidget already carries the action interface; only the press is ours.
class AccessibleControlInterface : public QAccessibleWidget {
public:
    AccessibleControlInterface(QWidget* w, AccessibleControl* control)
        : QAccessibleWidget(w, QAccessible::Button), control_(control) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return control_->accessibilityLabel();
        case QAccessible::Help:
        case QAccessible::Description:
            return control_->accessibilityHelp();
        case QAccessible::Value:
            return control_->accessibilityValue();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override { return {pressAction()}; }
    QString localizedActionDescription(const QString& name) const override {
        return name == pressAction() ? control_->accessibilityHelp() : QString();
    }
    void doAction(const QString& name) override {
        if (name == pressAction())
            control_->accessibilityPerformPress();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    AccessibleControl* control_;
};

QAccessibleInterface* factory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (auto* control = dynamic_cast<AccessibleControl*>(widget))
        return new AccessibleControlInterface(widget, control);
    return nullptr;
}

} // namespace

void AccessibleControl::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace vantorel
