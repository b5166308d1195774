#pragma once

#include <QObject>
#include <QSize>
#include <memory>

class QTextBrowser;
class QWidget;

namespace vantorel {

class BundleInfo;
class DefaultsStore;

// "What's New in Vantorel": the changelog shipped with the program, rendered
// again on every show. Shown once after the version changed, and on request.
class ChangelogWindowController : public QObject {
    Q_OBJECT
public:
    static constexpr QSize kWindowSize{520, 560};
    static constexpr QSize kMinimumSize{380, 300};
    static inline const QString kLastSeenVersionKey = QStringLiteral("com.vantorel.lastSeenVersion");

    ChangelogWindowController(const BundleInfo& bundle, DefaultsStore& defaults, QObject* parent = nullptr);
    ~ChangelogWindowController() override;
    static ChangelogWindowController& shared();

    // Stores the running version; shows the window when another one was stored
    // before (never on the first start ever).
    void showIfUpdated();
    void show();

    QWidget* window() const { return window_.get(); }
    QTextBrowser* textView() const { return textView_; }
    // CHANGELOG.md from the bundle, or the fallback text.
    QString changelogText() const;

private:
    void build();

    const BundleInfo& bundle_;
    DefaultsStore& defaults_;
    std::unique_ptr<QWidget> window_;
    QTextBrowser* textView_ = nullptr;
};

} // namespace vantorel
