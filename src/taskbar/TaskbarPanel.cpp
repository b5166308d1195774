#include "taskbar/TaskbarPanel.h"

#include "core/KeepAlive.h"
#include "taskbar/TaskbarView.h"

#include <QResizeEvent>

namespace vantorel {

TaskbarPanel::TaskbarPanel()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Vantorel Taskbar"));
    setAccessibleName(QStringLiteral("Taskbar"));
    // The window type only reaches the window system once the native window exists.
    winId();
    setAttribute(Qt::WA_X11NetWmWindowTypeDock);
}

TaskbarPanel::~TaskbarPanel() = default;

namespace {
QRect onScreen(const Rect& bottomLeftFrame) {
    return ScreenSpace::fromPrimaryScreen().toQt(bottomLeftFrame).toRect();
}
} // namespace

void TaskbarPanel::setFrame(const Rect& f) {
    slide_.cancel();
    frame_ = f;
    setGeometry(onScreen(f));
}

void TaskbarPanel::slideTo(const Rect& f, Scheduler& scheduler) {
    const QRect from = geometry();
    const QRect to = onScreen(f);
    if (!isVisible() || from == to) {
        setFrame(f);
        return;
    }
    slide_.cancel();
    frame_ = f;
    constexpr int kSteps = 6;
    constexpr Duration kStep = 20ms;
    auto step = std::make_shared<int>(0);
    slide_ = scheduler.every(kStep, 0ms, this, [this, from, to, step] {
        const int i = ++*step;
        if (i >= kSteps) {
            slide_.cancel();
            setGeometry(to);
            return;
        }
        // Fast at first, slowing into place.
        const double t = 1.0 - (1.0 - double(i) / kSteps) * (1.0 - double(i) / kSteps);
        auto mix = [t](int a, int b) { return a + qRound((b - a) * t); };
        setGeometry(mix(from.x(), to.x()), mix(from.y(), to.y()), mix(from.width(), to.width()),
                    mix(from.height(), to.height()));
    });
}

bool TaskbarPanel::standsAt(const Rect& f) const {
    return isVisible() && frame_ == f && geometry() == onScreen(f);
}

void TaskbarPanel::orderFrontRegardless() {
    if (!isVisible())
        show();
    raise();
}

void TaskbarPanel::setIgnoresMouseEvents(bool ignores) { setAttribute(Qt::WA_TransparentForMouseEvents, ignores); }

bool TaskbarPanel::ignoresMouseEvents() const { return testAttribute(Qt::WA_TransparentForMouseEvents); }

void TaskbarPanel::setContentView(TaskbarView* view) {
    if (content_ == view)
        return;
    if (content_) {
        content_->hide();
        deleteWhenReleased(content_.data());
    }
    content_ = view;
    if (view) {
        view->setParent(this);
        view->setGeometry(rect());
        view->show();
    }
}

void TaskbarPanel::setAppearance(std::optional<ResolvedTheme> appearance) {
    appearance_ = appearance;
    if (content_)
        content_->update();
}

void TaskbarPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (content_)
        content_->setGeometry(rect());
}

} // namespace vantorel
