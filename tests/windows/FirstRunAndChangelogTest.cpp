#include "SettingsWindowTestSupport.h"

#include "widgets/ViewSupport.h"
#include "windows/ChangelogRenderer.h"
#include "windows/ChangelogWindowController.h"
#include "windows/FirstRunWindowController.h"

#include <QCheckBox>
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

TEST(FirstRun, FinishingNeedsBothPermissionsOrAnExplicitProceedAndGoBackChangesNothing) {
    FirstRunFixture f;
    EXPECT_EQ(f.label("accessibilityStatusLabel"), "\u2705 Granted");
    // A desktop without a system Dock explains what the taskbar does here instead.
    EXPECT_FALSE(FirstRunWindowController::desktopNote(false).contains("Dock"));

    // Screen recording is missing: the question comes, and "Go Back" keeps window and setting.
    f.desktop.screenCaptureAllowed = false;
    f.desktop.scriptedAlertAnswers = {1};
    f.control("finishSetupButton")->click();
    ASSERT_EQ(f.desktop.shownAlerts.size(), 1u);
    EXPECT_EQ(f.desktop.shownAlerts.back().buttons, (QStringList{"Proceed Anyway", "Go Back"}));
    EXPECT_TRUE(f.welcome()->isVisible());
    EXPECT_FALSE(f.world.settings.current().onboardingCompleted);
    EXPECT_EQ(f.finished, 0);

    // Check Permissions reads again at once, 0.35 s and 1 s later: a grant in between shows.
    f.control("checkPermissionsButton")->click();
    EXPECT_EQ(f.desktop.shownAlerts.back().message, "Permissions Still Missing");
    f.desktop.screenCaptureAllowed = true;
    f.world.scheduler.advance(300ms);
    EXPECT_EQ(f.label("screenRecordingStatusLabel"), "\u274C Not Granted");
    f.world.scheduler.advance(60ms);
    EXPECT_EQ(f.label("screenRecordingStatusLabel"), "\u2705 Granted");
    f.desktop.trusted = false;
    f.world.scheduler.advance(700ms);
    EXPECT_EQ(f.label("accessibilityStatusLabel"), "\u274C Not Granted");
    f.desktop.trusted = true;

    // "Open Full Settings" twice: one settings window.
    f.control("openSettingsButton")->click();
    f.control("openSettingsButton")->click();
    EXPECT_EQ(f.settingsWindowsMade, 1);

    // A refused launch at login alerts and leaves the box off.
    f.desktop.loginItems.registerError = QStringLiteral("The login item service refused.");
    f.desktop.launchAgent.homeDirectory = QStringLiteral("/proc/vantorel-no-home");
    auto* box = f.control<QCheckBox>("launchAtLoginToggle");
    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(f.desktop.shownAlerts.back().message, "Unable to update Launch at Login");

    // Both granted: closes at once, stores and announces the setting, then calls back.
    const std::size_t alerts = f.desktop.shownAlerts.size();
    QSignalSpy changes(&f.world.settings, &SettingsService::didChange);
    f.control("finishSetupButton")->click();
    EXPECT_EQ(f.desktop.shownAlerts.size(), alerts);
    EXPECT_FALSE(f.welcome()->isVisible());
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(f.finished, 1);
}

TEST(Changelog, RendersTheMarkdownSubsetLineByLine) {
    using namespace ChangelogRenderer;
    using Runs = std::vector<ChangelogRenderer::Run>;
    const auto paragraphs = parse(QStringLiteral("# Changelog\r\n\n"
                                                 "[site]: https://example.com\n"
                                                 "   ## 1.2.0  \n"
                                                 "- **Fast** start and `--version`\n"
                                                 "* Opens **unclosed and `one\n"
                                                 "### Fixes\n"
                                                 "1. plain *star* text"));
    ASSERT_EQ(paragraphs.size(), 7u) << "the link reference gives nothing, the blank line an empty paragraph";
    EXPECT_EQ(paragraphs[2].block, Block::Heading2);
    EXPECT_EQ(paragraphs[3].block, Block::Bullet);
    EXPECT_EQ(paragraphs[3].runs, (Runs{{"\u2022\t", RunStyle::Plain},
                                        {"Fast", RunStyle::Bold},
                                        {" start and ", RunStyle::Plain},
                                        {"--version", RunStyle::Code}}));
    EXPECT_EQ(paragraphs[5].block, Block::Heading3);

    const QFont base = systemFont(13, QFont::Normal);
    QTextDocument document;
    render(paragraphs, base, Qt::black, document);
    QTextDocument* doc = &document;
    EXPECT_EQ(doc->toPlainText(), "Changelog\n\n1.2.0\n\u2022\tFast start and --version\n"
                                  "\u2022\tOpens **unclosed and `one\nFixes\n1. plain *star* text");
    auto fontsOf = [](const QTextBlock& block) {
        std::vector<QFont> fonts;
        for (auto it = block.begin(); !it.atEnd(); ++it)
            fonts.push_back(it.fragment().charFormat().font());
        return fonts;
    };
    EXPECT_EQ(fontsOf(doc->findBlockByNumber(2)).at(0).weight(), QFont::Bold);
    const auto fonts = fontsOf(doc->findBlockByNumber(3));
    ASSERT_EQ(fonts.size(), 4u);
    EXPECT_EQ(fonts[1].weight(), QFont::Bold);
    EXPECT_EQ(fonts[3].pixelSize(), 12) << "code is one smaller than the text";
    EXPECT_TRUE(QFontInfo(fonts[3]).fixedPitch());
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
    EXPECT_EQ(desktop.memoryDefaults.string("com.vantorel.app", "com.vantorel.lastSeenVersion"), "1.2.0");
    EXPECT_FALSE(start()->window()->isVisible()) << "the same version again";
    desktop.infoKeys[QStringLiteral("CFBundleShortVersionString")] = QStringLiteral("1.3.0");
    const auto updated = start();
    EXPECT_TRUE(updated->window()->isVisible());
    EXPECT_EQ(updated->textView()->toPlainText(), "Changelog\n\n1.2.0\n\n\u2022\tA new thing\n");
    EXPECT_FALSE(start()->window()->isVisible()) << "once only";

    desktop.resources.clear();
    updated->show();
    EXPECT_EQ(updated->textView()->toPlainText(), "Changelog\n\nThe changelog isn't included in this build.");
}
