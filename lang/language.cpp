// SPDX-License-Identifier: MIT
// The language the programs speak: --lang, else the one the system speaks to its user.
#include "language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

std::optional<QString> languageArgument(const QStringList &arguments)
{
    const QString option = QStringLiteral("--lang");
    std::optional<QString> value;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--"))
            break;
        if (a == option) {
            value = i + 1 < arguments.size() ? arguments.at(i + 1) : QString();
            ++i;
        } else if (a.startsWith(option + QLatin1Char('='))) {
            value = a.mid(option.size() + 1);
        }
    }
    return value;
}

std::optional<Language> languageNamed(const QString &name)
{
    if (name == QLatin1String("en"))
        return Language::English;
    if (name == QLatin1String("zh"))
        return Language::Chinese;
    return std::nullopt;
}

Language languageFor(std::optional<Language> chosen, const QLocale &system)
{
    if (chosen)
        return *chosen;
    return system.language() == QLocale::English ? Language::English : Language::Chinese;
}

QLocale systemLanguage()
{
#ifdef Q_OS_WIN
    const QStringList display = QLocale::system().uiLanguages();
    if (!display.isEmpty())
        return QLocale(display.first());
#endif
    return QLocale::system();
}

QTranslator *englishTranslator()
{
    static QTranslator *const translator = [] {
        auto *t = new QTranslator(QCoreApplication::instance());
        if (!t->load(QStringLiteral(":/i18n/scalecheck_en.qm"))) {
            delete t;
            return static_cast<QTranslator *>(nullptr);
        }
        return t;
    }();
    return translator;
}

void useLanguage(Language language)
{
    if (language == Language::English) {
        if (QTranslator *english = englishTranslator())
            QCoreApplication::installTranslator(english);
        return;
    }
    auto *qt = new QTranslator(QCoreApplication::instance());
    if (qt->load(QStringLiteral("qtbase_zh_CN"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
}
