// SPDX-License-Identifier: MIT
// The language the programs speak. Their texts are written in Chinese, as the instrument's own
// manual and the technicians who set it up speak; English comes from the translation embedded in
// the program (:/i18n/scalecheck_en.qm).
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

class QTranslator;

enum class Language {
    Chinese,
    English,
};

// The value of --lang on a command line ("--lang en" or "--lang=en"), arguments[0] being the
// program; nullopt when it is not given. The last one given counts.
std::optional<QString> languageArgument(const QStringList &arguments);

// "en" or "zh"; nullopt for anything else.
std::optional<Language> languageNamed(const QString &name);

// The language to speak: the one chosen with --lang, else English where the system speaks
// English and Chinese everywhere else (a bare C or POSIX locale included).
Language languageFor(std::optional<Language> chosen, const QLocale &system);

// The locale whose language the system speaks to its user. Linux: the one the environment names
// (LC_ALL, LC_MESSAGES, LANG). Windows: the user's display language, which no variable sets;
// QLocale::system() there is the regional format, which only says how numbers and dates are
// written.
QLocale systemLanguage();

// The translation into English, loaded once from the program's resources; nullptr only if the
// build left it out.
QTranslator *englishTranslator();

// Installs the translators of `language` on the running application: for English the program's
// own; for Chinese Qt's own Chinese, so that its dialogs (the file dialog, the buttons of a
// message box) speak as the window does. A missing Qt translation is no error: Qt's dialogs
// then stay English.
void useLanguage(Language language);
