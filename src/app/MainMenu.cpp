#include "app/MainMenu.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

namespace vantorel {

namespace {
// Sends an editing command to the focused widget when it understands it.
void sendToFocus(const char* slot) {
    if (QWidget* w = QApplication::focusWidget())
        QMetaObject::invokeMethod(w, slot);
}
} // namespace

MainMenu::MainMenu(std::function<void()> confirmQuit, QObject* parent)
    : QObject(parent), confirmQuit_(std::move(confirmQuit)), appMenu_(std::make_unique<QMenu>()),
      editMenu_(std::make_unique<QMenu>(QStringLiteral("Edit"))) {
    quit_ = appMenu_->addAction(QStringLiteral("Quit Vantorel"));
    quit_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit_, &QAction::triggered, this, [this] {
        if (confirmQuit_)
            confirmQuit_();
    });

    struct EditItem {
        const char* title;
        QKeySequence keys;
        const char* slot;
    };
    const EditItem items[] = {
        {"Cut", QKeySequence(Qt::CTRL | Qt::Key_X), "cut"},
        {"Copy", QKeySequence(Qt::CTRL | Qt::Key_C), "copy"},
        {"Paste", QKeySequence(Qt::CTRL | Qt::Key_V), "paste"},
        {"Select All", QKeySequence(Qt::CTRL | Qt::Key_A), "selectAll"},
        {nullptr, {}, nullptr},
        {"Undo", QKeySequence(Qt::CTRL | Qt::Key_Z), "undo"},
        {"Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), "redo"},
    };
    for (const auto& item : items) {
        if (!item.title) {
            editMenu_->addSeparator();
            continue;
        }
        QAction* a = editMenu_->addAction(QString::fromLatin1(item.title));
        a->setShortcut(item.keys);
        // The text fields already handle these keys; the shortcut is only shown.
        a->setShortcutContext(Qt::WidgetShortcut);
        const char* slot = item.slot;
        connect(a, &QAction::triggered, this, [slot] { sendToFocus(slot); });
    }
    if (qApp)
        qApp->installEventFilter(this);
}

MainMenu::~MainMenu() {
    if (qApp)
        qApp->removeEventFilter(this);
}

bool MainMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Q) && !key->isAutoRepeat()) {
            // An open menu would keep the keyboard from the alert, and its own
            // Ctrl+Q would arrive here again.
            for (QWidget* popup = QApplication::activePopupWidget(); popup;) {
                popup->close();
                QWidget* next = QApplication::activePopupWidget();
                popup = next == popup ? nullptr : next;
            }
            quit_->trigger();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vantorel
