#pragma once

#include "core/Scheduler.h"
#include "platform/Accessibility.h"
#include "platform/Theme.h"
#include "widgets/HoverWidget.h"
#include "widgets/ViewSupport.h"

#include <QObject>
#include <QWidget>
#include <vector>

namespace vantorel {

class Accessibility;
class BundleInfo;
class SettingsService;
class ThemeService;
class Workspace;

// Minimizes every window of every regular application, and on the next call
// restores exactly the windows it minimized.
class ShowDesktopController : public QObject {
    Q_OBJECT
public:
    ShowDesktopController(Workspace& workspace, Accessibility& accessibility, const BundleInfo* bundle,
                          Scheduler& scheduler, QObject* parent = nullptr);

    void showDesktop();
    const std::vector<AXElement>& minimizedByUs() const { return minimizedByUs_; }

    // A window leaving full screen needs this long before it can be minimized.
    static constexpr Duration kFullScreenExitDelay = 600ms;

private:
    bool restore();
    void minimizeAll(const std::vector<AppHandle>& apps);
    std::vector<AppHandle> regularApplications() const;

    Workspace& workspace_;
    Accessibility& ax_;
    const BundleInfo* bundle_;
    Scheduler& scheduler_;
    std::vector<AXElement> minimizedByUs_;
};

struct ShowDesktopColors {
    QColor hoverFill;
    QColor divider;
};
ShowDesktopColors showDesktopColors(ResolvedTheme look);

// The thin strip at the far right of the tray.
class ShowDesktopButton : public HoverWidget, public AccessibleControl {
    Q_OBJECT
public:
    ShowDesktopButton(const SettingsService& settings, const ThemeService& theme, Workspace& workspace,
                      Accessibility& accessibility, const BundleInfo* bundle, Scheduler& scheduler,
                      QWidget* parent = nullptr);

    void showDesktop() { controller_->showDesktop(); }
    const ShowDesktopController& controller() const { return *controller_; }

    QString accessibilityLabel() const override { return QStringLiteral("Show Desktop"); }
    QString accessibilityHelp() const override { return {}; }
    bool accessibilityPerformPress() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const SettingsService& settings_;
    const ThemeService& theme_;
    ShowDesktopController* controller_;
};

} // namespace vantorel
