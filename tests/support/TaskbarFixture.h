#pragma once

#include "app/QuitConfirmation.h"
#include "apps/AppButton.h"
#include "apps/AppButtonsRail.h"
#include "support/SimWorld.h"
#include "taskbar/TaskbarPanel.h"
#include "taskbar/TaskbarView.h"
#include "taskbar/TaskbarWindowController.h"
#include "widgets/WindowPreviewPanel.h"
#include "widgets/WindowPreviewViews.h"

#include <QApplication>
#include <QEnterEvent>
#include <gtest/gtest.h>

namespace vantorel::test {

inline const Display kLaptop{1, {0, 0, 1440, 900}, {0, 0, 1440, 875}};
inline const Display kExternal{2, {1440, 0, 2560, 1440}, {1440, 0, 2560, 1415}};

// The taskbar's controller on the simulated desktop, made on demand so a test
// can arrange the desktop first.
class TaskbarFixture : public ::testing::Test {
protected:
    ~TaskbarFixture() override {
        controller.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TaskbarWindowController& make() {
        controller = std::make_unique<TaskbarWindowController>(
            TaskbarDependencies{desktop.platform(), scheduler, settings, theme, world.updates, quit});
        return *controller;
    }
    TaskbarPanel* panel() const { return controller->window(); }
    void change(const std::function<void(AppSettings&)>& fn) { settings.update(fn); }

    // The pointer rests on an application button of the primary panel until its hover begins.
    AppButton* hover(const QString& key) {
        AppButton* b = controller->taskbarView(*controller->primaryScreenID())->appRail->button(key);
        if (!b)
            return nullptr;
        const Rect frame = *screenFrameOf(b);
        desktop.setPointer({frame.midX(), frame.midY()});
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(b, &enter);
        scheduler.advance(500ms);
        return b;
    }

    SimWorld world;
    SimDesktop& desktop = world.desktop;
    ManualScheduler& scheduler = world.scheduler;
    PersistenceService& persistence = world.persistence;
    SettingsService& settings = world.settings;
    ThemeService& theme = world.theme;
    UpdateService& updates = world.updates;
    QuitConfirmation quit{desktop, [] {}};
    std::unique_ptr<TaskbarWindowController> controller;
};

} // namespace vantorel::test
