#include "windows/ChangelogWindowController.h"

#include "app/AppInfo.h"
#include "platform/BundleInfo.h"
#include "platform/DefaultsStore.h"
#include "platform/Platform.h"
#include "widgets/ViewSupport.h"
#include "windows/ChangelogRenderer.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

namespace vantorel {

ChangelogWindowController::ChangelogWindowController(const BundleInfo& bundle, DefaultsStore& defaults, QObject* parent)
    : QObject(parent), bundle_(bundle), defaults_(defaults) {
    build();
}

ChangelogWindowController::~ChangelogWindowController() = default;

ChangelogWindowController& ChangelogWindowController::shared() {
    static auto* instance = [] {
        auto& p = Platform::installed();
        return new ChangelogWindowController(*p.bundle, *p.defaults);
    }();
    return *instance;
}

void ChangelogWindowController::build() {
    window_ = std::make_unique<QWidget>(nullptr, Qt::Window);
    window_->setObjectName(QStringLiteral("changelogWindow"));
    window_->setWindowTitle(QStringLiteral("What's New in Vantorel"));
    window_->resize(kWindowSize);
    window_->setMinimumSize(kMinimumSize);
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    textView_ = new QTextBrowser(window_.get());
    textView_->setObjectName(QStringLiteral("changelogTextView"));
    textView_->setFrameShape(QFrame::NoFrame);
    textView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    textView_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Links are shown as text, never followed.
    textView_->setOpenLinks(false);
    textView_->viewport()->setAutoFillBackground(false);
    textView_->setStyleSheet(QStringLiteral("QTextBrowser { background: transparent; }"));
    layout->addWidget(textView_);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window_.get());
    connect(escape, &QShortcut::activated, window_.get(), &QWidget::close);
}

QString ChangelogWindowController::changelogText() const {
    const auto data = bundle_.resource(QStringLiteral("CHANGELOG"), QStringLiteral("md"));
    return data ? QString::fromUtf8(*data) : ChangelogRenderer::fallbackText();
}

void ChangelogWindowController::showIfUpdated() {
    const QString domain = bundle_.identifier().value_or(QStringLiteral("com.vantorel.app"));
    const QString current = AppInfo::version(bundle_);
    const auto lastSeen = defaults_.string(domain, kLastSeenVersionKey);
    defaults_.setValue(domain, kLastSeenVersionKey, current);
    if (lastSeen && *lastSeen != current)
        show();
}

void ChangelogWindowController::show() {
    const QColor text = window_->palette().color(QPalette::WindowText);
    ChangelogRenderer::render(ChangelogRenderer::parse(changelogText()), systemFont(13, QFont::Normal), text,
                              *textView_->document());
    // From the top, the newest version first.
    textView_->moveCursor(QTextCursor::Start);
    if (!window_->isVisible()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            window_->move(screen->availableGeometry().center() - window_->rect().center());
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace vantorel
