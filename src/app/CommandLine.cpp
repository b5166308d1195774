#include "app/CommandLine.h"

namespace vantorel {

ParsedCommandLine parseCommandLine(const QStringList& args) {
    ParsedCommandLine out;
    auto& o = out.options;
    for (int i = 0; i < args.size(); ++i) {
        const int first = i;
        QString arg = args[i];
        QString value;
        bool hasInlineValue = false;
        if (arg.startsWith(QLatin1String("--")) && arg.contains(u'=')) {
            value = arg.section(u'=', 1);
            arg = arg.section(u'=', 0, 0);
            hasInlineValue = true;
        }
        auto takeValue = [&]() -> std::optional<QString> {
            if (hasInlineValue)
                return value;
            if (i + 1 < args.size())
                return args[++i];
            out.error = QStringLiteral("%1 needs a value").arg(arg);
            return std::nullopt;
        };
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            o.help = true;
        } else if (arg == QLatin1String("--version")) {
            o.version = true;
        } else if (arg == QLatin1String("--platform")) {
            auto v = takeValue();
            if (!v)
                return out;
            if (*v != QLatin1String("sim") && *v != QLatin1String("x11")) {
                out.error = QStringLiteral("Unknown platform \"%1\" (expected sim or x11)").arg(*v);
                return out;
            }
            o.platform = *v;
        } else if (arg == QLatin1String("--defaults-dir")) {
            auto v = takeValue();
            if (!v)
                return out;
            if (v->isEmpty()) {
                out.error = QStringLiteral("--defaults-dir needs a folder");
                return out;
            }
            o.defaultsDir = *v;
        } else if (arg == QLatin1String("--demo-displays")) {
            auto v = takeValue();
            if (!v)
                return out;
            bool ok = false;
            const int n = v->toInt(&ok);
            if (!ok || n < 1 || n > 8) {
                out.error = QStringLiteral("--demo-displays takes a number from 1 to 8");
                return out;
            }
            o.demoDisplays = n;
        } else if (arg == QLatin1String("--sim-system-theme")) {
            auto v = takeValue();
            if (!v)
                return out;
            if (*v != QLatin1String("light") && *v != QLatin1String("dark")) {
                out.error = QStringLiteral("--sim-system-theme takes light or dark");
                return out;
            }
            o.simSystemTheme = *v;
        } else if (arg.startsWith(QLatin1String("--"))) {
            out.error = QStringLiteral("Unknown option %1").arg(arg);
            return out;
        } else {
            continue;
        }
        for (int k = first; k <= i; ++k)
            out.consumed << k;
        // Single-dash options belong to Qt (-platform, -display, -style ...).
    }
    return out;
}

QString usageText() {
    return QStringLiteral(
        "Usage: vantorel [options]\n"
        "\n"
        "A taskbar along the bottom of every display.\n"
        "\n"
        "Options:\n"
        "  --platform sim|x11       the desktop to run on: x11 (the default on an X\n"
        "                           display) or sim, a simulated demo desktop\n"
        "  --defaults-dir DIR       keep settings in DIR instead of\n"
        "                           $XDG_CONFIG_HOME/vantorel\n"
        "  --demo-displays N        sim: divide the screen into N displays\n"
        "  --sim-system-theme light|dark\n"
        "                           sim: the system look that \"auto\" follows\n"
        "  --version                print the version and exit\n"
        "  -h, --help               print this help and exit\n");
}

} // namespace vantorel
