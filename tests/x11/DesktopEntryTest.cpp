#include "platform/x11/DesktopEntry.h"
#include "x11/DesktopFixture.h"

#include <QDirIterator>
#include <gtest/gtest.h>
#include <iostream>

using namespace vantorel;
using vantorel::test::EnvGuard;
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
                            "Name[de_DE]=lang_COUNTRY\n"
                            "Name[sr@latin]=sr latin\n";
    EXPECT_EQ(parsed(text, "de_DE.UTF-8@euro").name(), "lang_COUNTRY@MODIFIER");
    EXPECT_EQ(parsed(text, "de_DE.UTF-8").name(), "lang_COUNTRY");
    EXPECT_EQ(parsed(text, "de_AT@euro").name(), "lang@MODIFIER");
    EXPECT_EQ(parsed(text, "de_AT").name(), "lang");
    EXPECT_EQ(parsed(text, "de").name(), "lang");
    EXPECT_EQ(parsed(text, "sr_RS@latin").name(), "sr latin");
    EXPECT_EQ(parsed(text, "sr_RS").name(), "default");
    EXPECT_EQ(parsed(text, "fr_FR.UTF-8").name(), "default");
    EXPECT_EQ(parsed(text, "C.UTF-8").name(), "default");
    EXPECT_EQ(parsed(text, "").name(), "default");

    // A better variant missing falls through to the next one, not to the default.
    EXPECT_EQ(parsed("[Desktop Entry]\nName=d\nName[pt]=pt\nName[pt_BR]=br\n", "pt_BR@x").name(), "br");
    EXPECT_EQ(parsed("[Desktop Entry]\nName=d\nName[pt]=pt\n", "pt_BR").name(), "pt");
    // Lists are localised the same way.
    EXPECT_EQ(parsed("[Desktop Entry]\nKeywords=a;b;\nKeywords[de]=x;y;\n", "de_CH").keywords(),
              (QStringList{"x", "y"}));
}

TEST(DesktopEntry, SystemLocaleComesFromTheFirstSetVariable) {
    EnvGuard env;
    env.set("LC_ALL", "");
    env.set("LC_MESSAGES", "nb_NO.UTF-8@x");
    env.set("LANG", "fr_FR.UTF-8");
    DesktopLocale locale = DesktopLocale::system();
    EXPECT_EQ(locale.matchOrder(), (QStringList{"nb_NO@x", "nb_NO", "nb@x", "nb"}));
    env.set("LC_ALL", "C");
    EXPECT_TRUE(DesktopLocale::system().matchOrder().isEmpty());
}

TEST(DesktopEntry, OnlyTheFirstDesktopEntryGroupCounts) {
    const DesktopEntry entry = parsed("# comment\n"
                                      "Name=before any group\n"
                                      "\n"
                                      "  [Desktop Entry]\r\n"
                                      "Type = Application\r\n"
                                      "   # indented comment\n"
                                      "Name =  Editor\n"
                                      "Exec=edit\n"
                                      "line without equals sign\n"
                                      "[Desktop Action new]\n"
                                      "Name=New Window\n"
                                      "Exec=edit --new\n"
                                      "[Desktop Entry]\n"
                                      "Icon=from-second-group\n");
    EXPECT_EQ(entry.type(), "Application");
    EXPECT_TRUE(entry.isApplication());
    EXPECT_EQ(entry.name(), "Editor");
    EXPECT_EQ(entry.exec(), "edit");
    EXPECT_FALSE(entry.rawValue("Icon"));

    EXPECT_FALSE(DesktopEntry::parse("Name=x\n[Other]\nName=y\n").ok());
    EXPECT_FALSE(DesktopEntry::parse(QByteArray()).ok());
    EXPECT_FALSE(DesktopEntry::parse(QByteArray("\x00\xff\xfe[", 4)).ok());
}

TEST(DesktopEntry, StringAndListEscapes) {
    const DesktopEntry entry = parsed("[Desktop Entry]\n"
                                      "Comment=\\sa\\sb\\nc\\td\\re\\\\f\\x\\\n"
                                      "Categories=A;B\\;C;D\\\\;;E\n"
                                      "MimeType=text/plain\n"
                                      "OnlyShowIn=GNOME;XFCE;\n"
                                      "NoDisplay=true\n"
                                      "Hidden=false\n"
                                      "Terminal=1\n"
                                      "DBusActivatable=yes\n"
                                      "StartupWMClass=Ed\\sit\n");
    EXPECT_EQ(entry.comment(), QStringLiteral(" a b\nc\td\re\\f\\x\\"));
    EXPECT_EQ(entry.categories(), (QStringList{"A", "B;C", "D\\", "E"}));
    EXPECT_EQ(entry.mimeTypes(), QStringList{"text/plain"});
    EXPECT_EQ(entry.startupWMClass(), "Ed it");
    EXPECT_EQ(*entry.rawValue("Comment"), QStringLiteral("\\sa\\sb\\nc\\td\\re\\\\f\\x\\"));
    EXPECT_TRUE(entry.noDisplay());
    EXPECT_FALSE(entry.hidden());
    EXPECT_TRUE(entry.terminal());
    EXPECT_FALSE(entry.dbusActivatable());
    EXPECT_TRUE(entry.keywords().isEmpty());
}

TEST(DesktopEntry, ShownInFollowsOnlyShowInAndNotShowIn) {
    const DesktopEntry only = parsed("[Desktop Entry]\nOnlyShowIn=GNOME;XFCE;\n");
    EXPECT_TRUE(only.isShownIn({"ubuntu", "gnome"}));
    EXPECT_TRUE(only.isShownIn({"XFCE"}));
    EXPECT_FALSE(only.isShownIn({"KDE"}));
    EXPECT_FALSE(only.isShownIn({}));
    const DesktopEntry never = parsed("[Desktop Entry]\nNotShowIn=KDE;\n");
    EXPECT_FALSE(never.isShownIn({"KDE"}));
    EXPECT_TRUE(never.isShownIn({"LXQt"}));
    EXPECT_TRUE(never.isShownIn({}));
}

TEST(DesktopEntry, ExecQuotingRules) {
    EXPECT_EQ(DesktopEntry::splitExec("  app   one\ttwo  ").value(), (QStringList{"app", "one", "two"}));
    EXPECT_EQ(DesktopEntry::splitExec(R"(app "a b" "" x"y z"w)").value(), (QStringList{"app", "a b", "", "xy zw"}));
    EXPECT_EQ(DesktopEntry::splitExec(R"(app "\" \` \$ \\ \a")").value(), (QStringList{"app", R"(" ` $ \ \a)"}));
    EXPECT_EQ(DesktopEntry::splitExec(R"(app 'it is $HOME' a\ b)").value(), (QStringList{"app", "it is $HOME", "a b"}));

    // String escapes come first: four backslashes in the file are one in the argument.
    // \s is a space before the quoting rules see it, so it separates arguments.
    EXPECT_EQ(args(R"(app "\\\\" "\\$HOME" a\sb)"), (QStringList{"app", "\\", "$HOME", "a", "b"}));

    for (const QByteArray& bad : {QByteArray(R"(app "open)"), QByteArray("app 'open"), QByteArray("app x\\\\"),
                                  QByteArray(R"(app "x\\")"), QByteArray("   "), QByteArray("")})
        EXPECT_FALSE(execError(bad).isEmpty()) << bad.constData();
}

TEST(DesktopEntry, ShellSyntaxStaysLiteral) {
    // Nothing here is a shell: separators, substitutions and redirections are plain arguments.
    EXPECT_EQ(args("app ; rm -rf $HOME $(id) `id` | cat > /tmp/x && y"),
              (QStringList{"app", ";", "rm", "-rf", "$HOME", "$(id)", "`id`", "|", "cat", ">", "/tmp/x", "&&", "y"}));
    EXPECT_EQ(args(R"(sh -c "echo \\$(id); \\`id\\`")"), (QStringList{"sh", "-c", "echo $(id); `id`"}));
    // Hostile file names arrive as one argument each, never split or expanded.
    const QString hostile = QStringLiteral("/tmp/a b;$(id) `x` \"q\" %f.txt");
    EXPECT_EQ(args("app %f", {QUrl::fromLocalFile(hostile)}), (QStringList{"app", hostile}));
    EXPECT_EQ(args("app --open=%u", {QUrl("https://example.org/?a=$(id)&b=`x`")}),
              (QStringList{"app", "--open=https://example.org/?a=$(id)&b=%60x%60"}));
}

TEST(DesktopEntry, FieldCodesExpandOrDisappear) {
    const QUrl fileA = QUrl::fromLocalFile("/home/u/a b.txt");
    const QUrl fileB = QUrl::fromLocalFile("/home/u/b.txt");
    const QUrl web("https://example.org/x");

    EXPECT_EQ(args("app %f"), QStringList{"app"});
    EXPECT_EQ(args("app %f", {fileA, fileB}), (QStringList{"app", "/home/u/a b.txt"}));
    EXPECT_EQ(args("app %f", {web}), QStringList{"app"}); // %f takes local files only
    EXPECT_EQ(args("app %F --end", {web, fileA, fileB}),
              (QStringList{"app", "/home/u/a b.txt", "/home/u/b.txt", "--end"}));
    EXPECT_EQ(args("app %u", {web, fileA}), (QStringList{"app", "https://example.org/x"}));
    EXPECT_EQ(args("app %U", {fileA, web}), (QStringList{"app", "/home/u/a b.txt", "https://example.org/x"}));
    EXPECT_EQ(args("app %U"), QStringList{"app"});
    EXPECT_EQ(args("app --file=%f"), (QStringList{"app", "--file="}));

    EXPECT_EQ(args("app %i", {}, "Icon=viewer-icon\n"), (QStringList{"app", "--icon", "viewer-icon"}));
    EXPECT_EQ(args("app %i"), QStringList{"app"});
    EXPECT_EQ(args("app --name %c --desktop %k"),
              (QStringList{"app", "--name", "Viewer", "--desktop", "/apps/v.desktop"}));
    EXPECT_EQ(args("app 100%% %d %D %n %N %v %m -x%m"), (QStringList{"app", "100%", "-x"}));
    EXPECT_EQ(args(R"(app "%%u")"), (QStringList{"app", "%u"}));

    EXPECT_FALSE(execError("app %z").isEmpty());
    EXPECT_FALSE(execError("app 100%").isEmpty());
    EXPECT_FALSE(execError("%f").isEmpty()); // no program left
    EXPECT_FALSE(parsed("[Desktop Entry]\nType=Application\n").execArguments().ok());
}

TEST(DesktopEntry, LaunchCommandsRepeatForSingleFileCodes) {
    const QList<QUrl> urls = {QUrl::fromLocalFile("/a"), QUrl("https://h/b"), QUrl::fromLocalFile("/c")};
    const auto entryWith = [](const QByteArray& exec) { return parsed("[Desktop Entry]\nExec=" + exec + "\n"); };

    const auto single = entryWith("app %f").launchCommands(urls);
    ASSERT_TRUE(single.ok());
    EXPECT_EQ(single.value(), (std::vector<QStringList>{{"app", "/a"}, {"app", "/c"}}));

    const auto perUrl = entryWith("app %u").launchCommands(urls);
    ASSERT_TRUE(perUrl.ok());
    EXPECT_EQ(perUrl->size(), 3u);

    const auto list = entryWith("app %F").launchCommands(urls);
    ASSERT_TRUE(list.ok());
    EXPECT_EQ(list.value(), (std::vector<QStringList>{{"app", "/a", "/c"}}));

    const auto none = entryWith("app").launchCommands(urls);
    ASSERT_TRUE(none.ok());
    EXPECT_EQ(none.value(), (std::vector<QStringList>{{"app"}}));

    EXPECT_FALSE(entryWith("app \"%f").launchCommands(urls).ok());
}

TEST(DesktopEntry, TryExecLooksInPathOrAtAnAbsolutePath) {
    FixtureTree tree;
    const QString tool = tree.program("bin/tool");
    tree.write("bin/plain", "not executable");
    QDir().mkpath(tree.path("bin/dir"));
    const QString path = QStringLiteral("/nonexistent:relative/bin:") + tree.path("bin");
    const auto entryTrying = [](const QString& tryExec) {
        return parsed("[Desktop Entry]\nTryExec=" + tryExec.toUtf8() + "\n");
    };
    EXPECT_TRUE(entryTrying("tool").tryExecSatisfied(path));
    EXPECT_TRUE(entryTrying(tool).tryExecSatisfied(QString()));
    EXPECT_FALSE(entryTrying("tool").tryExecSatisfied("/nonexistent"));
    EXPECT_FALSE(entryTrying("plain").tryExecSatisfied(path));
    EXPECT_FALSE(entryTrying("dir").tryExecSatisfied(path));
    EXPECT_FALSE(entryTrying("bin/tool").tryExecSatisfied(path)); // relative paths are never resolved
    EXPECT_FALSE(entryTrying(tree.path("bin/missing")).tryExecSatisfied(path));
    EXPECT_TRUE(parsed("[Desktop Entry]\n").tryExecSatisfied(QString()));
    EXPECT_EQ(findExecutable("tool", "relative/bin:" + tree.path("bin")), tool);
}

TEST(DesktopEntry, EveryInstalledDesktopFileParsesOrIsReportedInvalid) {
    const QString root = QStringLiteral("/usr/share/applications");
    if (!QDir(root).exists())
        GTEST_SKIP() << "no " << qPrintable(root);
    int files = 0;
    int withExec = 0;
    QStringList invalid;
    QDirIterator it(root, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        ++files;
        const auto entry = DesktopEntry::load(file, DesktopLocale::system());
        if (!entry) {
            EXPECT_FALSE(entry.error().isEmpty()) << qPrintable(file);
            invalid << file + QStringLiteral(": ") + entry.error();
            continue;
        }
        if (!entry->rawValue(QStringLiteral("Exec")))
            continue;
        ++withExec;
        const auto command = entry->execArguments({QUrl::fromLocalFile("/tmp/x y"), QUrl("https://h/")});
        if (command) {
            EXPECT_FALSE(command->isEmpty() || command->first().isEmpty()) << qPrintable(file);
        } else {
            EXPECT_FALSE(command.error().isEmpty()) << qPrintable(file);
            invalid << file + QStringLiteral(": ") + command.error();
        }
    }
    EXPECT_GT(files, 0);
    std::cout << files << " desktop files, " << withExec << " with Exec, " << invalid.size() << " invalid\n";
    for (const QString& line : std::as_const(invalid))
        std::cout << "  " << qPrintable(line) << "\n";
}
