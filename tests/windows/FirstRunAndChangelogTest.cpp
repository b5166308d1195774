#include "SettingsWindowTestSupport.h"

#include "widgets/ViewSupport.h"
#include "windows/ChangelogRenderer.h"
#include "windows/ChangelogWindowController.h"
#include "windows/FirstRunWindowController.h"

#include <QSignalSpy>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

using namespace vantorel;
using namespace vantorel::test;

namespace {

// The welcome window on the simulated desktop; "Open Full Settings" makes real settings windows.
struct FirstRunFixture : SettingsWindowFixture {
    int settingsWindowsMade = 0;
    int finished = 0;
    std::unique_ptr<FirstRunWindowController> firstRun;

    FirstRunFixture() {
        FirstRunDependencies deps{
            desktop.platform(), world.scheduler, world.settings, world.theme, &launchAtLogin, [this] {
                ++settingsWindowsMade;
                return std::make_unique<SettingsWindowController>(
                    SettingsWindowDependencies{desktop.platform(), world.scheduler, world.settings, world.theme,
                                               world.updates, *account, &launchAtLogin});
            }};
        firstRun = std::make_unique<FirstRunWindowController>(deps);
        firstRun->onFinish = [this] { ++finished; };
        firstRun->show();
    }
    QWidget* welcome() const { return firstRun->window(); }
    template <typename T = QAbstractButton> T* control(const char* name) const {
        T* w = welcome()->findChild<T*>(QLatin1String(name));
        EXPECT_TRUE(w) << name;
        return w;
    }
    QString label(const char* name) const { return control<QLabel>(name)->text(); }
};

} // namespace

TEST(FirstRun, OpenFullSettingsMakesOneWindowAndFinishingStoresTheSettingAndCallsBack) {
    FirstRunFixture f;
    EXPECT_EQ(f.label("accessibilityStatusLabel"), "\u2705 Granted");

    // "Open Full Settings" twice: one settings window.
    f.control("openSettingsButton")->click();
    f.control("openSettingsButton")->click();
    EXPECT_EQ(f.settingsWindowsMade, 1);

    // Both granted: closes at once without a question, stores and announces the setting, then calls back.
    QSignalSpy changes(&f.world.settings, &SettingsService::didChange);
    f.control("finishSetupButton")->click();
    EXPECT_TRUE(f.desktop.shownAlerts.empty());
    EXPECT_TRUE(f.world.settings.current().onboardingCompleted);
    EXPECT_FALSE(f.welcome()->isVisible());
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(f.finished, 1);
}

TEST(Changelog, RendersTheMarkdownSubsetLineByLine) {
    using namespace ChangelogRenderer;
    const auto paragraphs = parse(QStringLiteral("# Changelog\r\n\n"
                                                 "[site]: https://example.com\n"
                                                 "   ## 1.2.0  \n"
                                                 "- **Fast** start and `--version`\n"
                                                 "* Opens **unclosed and `one\n"
                                                 "### Fixes\n"
                                                 "1. plain *star* text"));
    EXPECT_EQ(paragraphs[3].runs[1], (ChangelogRenderer::Run{"Fast", RunStyle::Bold}));
    QTextDocument document;
    render(paragraphs, systemFont(13, QFont::Normal), Qt::black, document);
    EXPECT_EQ(document.toPlainText(), "Changelog\n\n1.2.0\n\u2022\tFast start and --version\n"
                                      "\u2022\tOpens **unclosed and `one\nFixes\n1. plain *star* text");
    EXPECT_TRUE(QFontInfo(document.findBlockByNumber(3).textFormats().last().format.font()).fixedPitch());
}

TEST(Changelog, ShowsOnceAfterAVersionChangeNeverOnTheFirstStartAndFallsBackWithoutTheFile) {
    SimDesktop desktop;
    desktop.infoKeys[QStringLiteral("CFBundleShortVersionString")] = QStringLiteral("1.2.0");
    desktop.resources[QStringLiteral("CHANGELOG.md")] = QByteArray("# Changelog\n\n## 1.2.0\n\n- A new **thing**\n");
    auto start = [&] {
        auto changelog = std::make_unique<ChangelogWindowController>(desktop, desktop.memoryDefaults);
        changelog->showIfUpdated();
        return changelog;
    };
    EXPECT_FALSE(start()->window()->isVisible()) << "first start ever";
    desktop.infoKeys[QStringLiteral("CFBundleShortVersionString")] = QStringLiteral("1.3.0");
    const auto updated = start();
    EXPECT_TRUE(updated->window()->isVisible());
    EXPECT_EQ(updated->textView()->toPlainText(), "Changelog\n\n1.2.0\n\n\u2022\tA new thing\n");
    EXPECT_FALSE(start()->window()->isVisible()) << "once only";

    desktop.resources.clear();
    updated->show();
    EXPECT_EQ(updated->textView()->toPlainText(), "Changelog\n\nThe changelog isn't included in this build.");
}
