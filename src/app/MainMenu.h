#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QAction;
class QMenu;

namespace vantorel {

// The program's small main menu: "Quit Vantorel" (Ctrl+Q) and the Edit
// commands, which act on the focused text field of our own windows. Linux
// desktops show no global menu bar, so the quit shortcut is caught
// application-wide; the text fields handle the editing keys themselves.
class MainMenu : public QObject {
    Q_OBJECT
public:
    explicit MainMenu(std::function<void()> confirmQuit, QObject* parent = nullptr);
    ~MainMenu() override;

    QMenu* applicationMenu() const { return appMenu_.get(); }
    QMenu* editMenu() const { return editMenu_.get(); }
    QAction* quitAction() const { return quit_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> confirmQuit_;
    std::unique_ptr<QMenu> appMenu_;
    std::unique_ptr<QMenu> editMenu_;
    QAction* quit_ = nullptr;
};

} // namespace vantorel
