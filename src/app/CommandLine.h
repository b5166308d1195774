#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace vantorel {

struct CommandLineOptions {
    std::optional<QString> platform; // "sim" or "x11"; unset picks one
    std::optional<QString> defaultsDir;
    int demoDisplays = 0;            // sim: 0 mirrors the real screens
    std::optional<QString> simSystemTheme; // sim: "light" or "dark"
    bool help = false;
    bool version = false;
};

struct ParsedCommandLine {
    CommandLineOptions options;
    QString error; // empty when the arguments were understood
    // Indexes (into the given list) of the arguments that are ours, so they
    // can be kept from Qt, which would read "--platform" as its own option.
    QList<int> consumed;
};

// Understands the arguments after the program name. Qt's own options
// (-platform, -display, ...) are left to Qt.
ParsedCommandLine parseCommandLine(const QStringList& arguments);
QString usageText();

} // namespace vantorel
