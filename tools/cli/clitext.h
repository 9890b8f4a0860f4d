// SPDX-License-Identifier: MIT
// The command line's words. Each message is written once, in Chinese as the window says it, and
// translated by the program's English translation. Without --lang every message goes out in both
// languages, "中文 / English", so that a service report reads the same to the technician and to
// whoever gets it; --lang en or --lang zh keeps one.
#pragma once

#include "port.h"

#include <QString>
#include <functional>

enum class CliLanguage {
    Both,
    Chinese,
    English,
};

// The run's language, from its --lang (nullopt: both). For English the English translation is
// installed for the whole run; for both it is installed only while a message is said in English.
void setCliLanguage(CliLanguage language);
CliLanguage cliLanguage();

// One message in the two languages.
struct Phrase
{
    QString chinese;
    QString english;

    // Fills the lowest %n of each language with that language's text of `value`.
    Phrase arg(const Phrase &value) const;
};

// Says the message that `text` makes twice: once untranslated, the Chinese it is written in,
// and once with the English translation installed.
Phrase inBothLanguages(const std::function<QString()> &text);

// A message as the run speaks: "中文 / English", the form of every message the command line
// writes on stderr, or the one language chosen with --lang.
QString said(const Phrase &phrase);
QString said(const std::function<QString()> &text);

// Why `device` would not open, with the system's own words at the end: "无法打开端口
// /dev/ttyUSB0：端口被占用 / cannot open port /dev/ttyUSB0: in use by another program
// (Permission denied)".
QString openFailureText(const QString &device, const OpenResult &result);

// Writes one line, UTF-8, to standard output or standard error and flushes it at once: a
// script reading a long --count run through a pipe sees every reading as it is taken.
void printOut(const QString &line);
void printErr(const QString &line);
