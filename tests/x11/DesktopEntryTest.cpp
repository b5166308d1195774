#include "platform/x11/DesktopEntry.h"
#include "x11/DesktopFixture.h"

#include <gtest/gtest.h>

using namespace vantorel;
using vantorel::test::FixtureTree;

namespace {

DesktopEntry parsed(const QByteArray& text, const QString& locale = QString(), const QString& path = QString()) {
    auto result = DesktopEntry::parse(text, DesktopLocale::parse(locale), path);
    EXPECT_TRUE(result.ok()) << qPrintable(result.error());
    return result.ok() ? result.value() : DesktopEntry();
}

QStringList args(const QByteArray& exec, const QList<QUrl>& urls = {}, const QByteArray& extra = {}) {
    const auto result =
        parsed("[Desktop Entry]\nType=Application\nName=Viewer\nExec=" + exec + "\n" + extra, {}, "/apps/v.desktop")
            .execArguments(urls);
    EXPECT_TRUE(result.ok()) << exec.constData() << ": " << qPrintable(result.error());
    return result.ok() ? result.value() : QStringList{QStringLiteral("<error>")};
}

QString execError(const QByteArray& exec) {
    const auto result = parsed("[Desktop Entry]\nType=Application\nExec=" + exec + "\n").execArguments();
    return result.ok() ? QString() : result.error();
}

} // namespace

TEST(DesktopEntry, LocalisedKeysFollowTheLocaleMatchOrder) {
    // Written in an order that rewards neither first nor last occurrence.
    const QByteArray text = "[Desktop Entry]\n"
                            "Name[de]=lang\n"
                            "Name[de_DE@euro]=lang_COUNTRY@MODIFIER\n"
                            "Name=default\n"
                            "Name[de@euro]=lang@MODIFIER\n"
                            "Name[de_DE]=lang_COUNTRY\n";
    EXPECT_EQ(parsed(text, "de_DE.UTF-8@euro").name(), "lang_COUNTRY@MODIFIER");
    EXPECT_EQ(parsed(text, "de_AT@euro").name(), "lang@MODIFIER");
    EXPECT_EQ(parsed(text, "de_AT").name(), "lang");
    EXPECT_EQ(parsed(text, "fr_FR.UTF-8").name(), "default");
    // A better variant missing falls through to the next one, not to the default.
    EXPECT_EQ(parsed("[Desktop Entry]\nName=d\nName[pt]=pt\nName[pt_BR]=br\n", "pt_BR@x").name(), "br");
}

TEST(DesktopEntry, ExecQuotingRules) {
    EXPECT_EQ(DesktopEntry::splitExec(R"(app "a b" "" x"y z"w 'it is $HOME' a\ b)").value(),
              (QStringList{"app", "a b", "", "xy zw", "it is $HOME", "a b"}));
    // String escapes come first: four backslashes in the file are one in the argument.
    // \s is a space before the quoting rules see it, so it separates arguments.
    EXPECT_EQ(args(R"(app "\\\\" "\\$HOME" a\sb)"), (QStringList{"app", "\\", "$HOME", "a", "b"}));

    for (const QByteArray& bad :
         {QByteArray(R"(app "open)"), QByteArray("app 'open"), QByteArray("app x\\\\"), QByteArray("   ")})
        EXPECT_FALSE(execError(bad).isEmpty()) << bad.constData();
}

TEST(DesktopEntry, ShellSyntaxStaysLiteral) {
    // Nothing here is a shell: separators, substitutions and redirections are plain arguments.
    EXPECT_EQ(args("app ; rm -rf $HOME $(id) `id` | cat > /tmp/x && y"),
              (QStringList{"app", ";", "rm", "-rf", "$HOME", "$(id)", "`id`", "|", "cat", ">", "/tmp/x", "&&", "y"}));
    // Hostile file names arrive as one argument each, never split or expanded.
    const QString hostile = QStringLiteral("/tmp/a b;$(id) `x` \"q\" %f.txt");
    EXPECT_EQ(args("app %f", {QUrl::fromLocalFile(hostile)}), (QStringList{"app", hostile}));
}

TEST(DesktopEntry, FieldCodesExpandOrDisappear) {
    const QUrl fileA = QUrl::fromLocalFile("/home/u/a b.txt");
    const QUrl fileB = QUrl::fromLocalFile("/home/u/b.txt");
    const QUrl web("https://example.org/x");

    EXPECT_EQ(args("app %f", {fileA, fileB}), (QStringList{"app", "/home/u/a b.txt"}));
    EXPECT_EQ(args("app %f", {web}), QStringList{"app"}); // %f takes local files only
    EXPECT_EQ(args("app %F --end", {web, fileA, fileB}),
              (QStringList{"app", "/home/u/a b.txt", "/home/u/b.txt", "--end"}));
    EXPECT_EQ(args("app %i --name %c --desktop %k", {}, "Icon=viewer-icon\n"),
              (QStringList{"app", "--icon", "viewer-icon", "--name", "Viewer", "--desktop", "/apps/v.desktop"}));
    EXPECT_EQ(args("app 100%% %d %D %n %N %v %m -x%m"), (QStringList{"app", "100%", "-x"}));

    EXPECT_FALSE(execError("app %z").isEmpty());
    EXPECT_FALSE(execError("%f").isEmpty()); // no program left
}

TEST(DesktopEntry, TryExecLooksInPathOrAtAnAbsolutePath) {
    FixtureTree tree;
    const QString tool = tree.program("bin/tool");
    const QString path = QStringLiteral("/nonexistent:relative/bin:") + tree.path("bin");
    const auto entryTrying = [](const QString& tryExec) {
        return parsed("[Desktop Entry]\nTryExec=" + tryExec.toUtf8() + "\n");
    };
    EXPECT_TRUE(entryTrying("tool").tryExecSatisfied(path));
    EXPECT_TRUE(entryTrying(tool).tryExecSatisfied(QString()));
    EXPECT_FALSE(entryTrying("bin/tool").tryExecSatisfied(path)); // relative paths are never resolved
}

TEST(DesktopEntry, ActionsAreListedInTheirOrderAndStartTheirOwnCommand) {
    const QByteArray text = "[Desktop Entry]\nType=Application\nName=Browser\nExec=browser %U\nDBusActivatable=true\n"
                            "Actions=new-private-window;missing;new-window;unnamed;\n"
                            "[Desktop Action new-window]\nName=New Window\nExec=browser --new-window\n"
                            "[Desktop Action new-private-window]\nName=New Private Window\n"
                            "Name[de]=Neues privates Fenster\nExec=browser --private \"a b\"\n"
                            "[Desktop Action unnamed]\nExec=browser --nothing\n"
                            "[Desktop Action new-window]\nName=Repeated\n"
                            "[Desktop Action unlisted]\nName=Unlisted\nExec=browser --unlisted\n";
    const DesktopEntry entry = parsed(text, "de_DE");
    EXPECT_EQ(entry.name(), "Browser") << "an action's Name is not the entry's";
    const auto actions = entry.actions();
    ASSERT_EQ(actions.size(), 2u);
    EXPECT_EQ(actions[0].id, "new-private-window");
    EXPECT_EQ(actions[0].name, "Neues privates Fenster");
    EXPECT_EQ(actions[1].name, "New Window");

    const auto priv = entry.forAction("new-private-window");
    ASSERT_TRUE(priv.has_value());
    EXPECT_EQ(priv->execArguments().value(), QStringList({"browser", "--private", "a b"}));
    EXPECT_FALSE(priv->dbusActivatable()) << "an action runs its own command";
    EXPECT_FALSE(entry.forAction("unlisted").has_value());
}
