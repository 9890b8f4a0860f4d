// SPDX-License-Identifier: MIT
// What a command line may not do that QCommandLineParser lets through.
#include "commandline.h"

std::optional<UsageFault> usageFault(const QStringList &arguments,
                                     const QList<QCommandLineOption> &options)
{
    const auto optionNamed = [&options](const QString &name) -> qsizetype {
        for (qsizetype k = 0; k < options.size(); ++k) {
            if (options.at(k).names().contains(name))
                return k;
        }
        return -1;
    };
    QList<bool> seen(options.size(), false);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &word = arguments.at(i);
        if (word == QLatin1String("--"))
            break;
        // "--name", "--name=value", or a short "-n".
        QString written;
        bool joined = false;
        if (word.startsWith(QLatin1String("--"))) {
            const qsizetype equals = word.indexOf(QLatin1Char('='));
            joined = equals >= 0;
            written = joined ? word.left(equals) : word;
        } else if (word.size() == 2 && word.at(0) == QLatin1Char('-')) {
            written = word;
        } else {
            continue;
        }
        const qsizetype k =
            optionNamed(written.mid(written.startsWith(QLatin1String("--")) ? 2 : 1));
        if (k < 0)
            continue;
        if (seen.at(k))
            return UsageFault{UsageFault::Kind::Repeated, written};
        seen[k] = true;
        if (options.at(k).valueName().isEmpty() || joined)
            continue;
        if (i + 1 >= arguments.size() || arguments.at(i + 1).startsWith(QLatin1String("--")))
            return UsageFault{UsageFault::Kind::MissingValue, written};
        ++i; // its value
    }
    return std::nullopt;
}
