// SPDX-License-Identifier: MIT
// The command line's words: each message written once, said in Chinese, in English or in both.
#include "clitext.h"

#include "language.h"

#include <QCoreApplication>
#include <QTranslator>
#include <cstdio>

namespace {

CliLanguage g_language = CliLanguage::Both;

// Translators go on the running application; before there is one (the first look at the command
// line, for the kind of application it needs) every message is its Chinese source.
QTranslator *runningEnglish()
{
    return QCoreApplication::instance() ? englishTranslator() : nullptr;
}

} // namespace

void setCliLanguage(CliLanguage language)
{
    QTranslator *english = runningEnglish();
    if (english && g_language == CliLanguage::English)
        QCoreApplication::removeTranslator(english);
    g_language = language;
    if (english && language == CliLanguage::English)
        QCoreApplication::installTranslator(english);
}

CliLanguage cliLanguage()
{
    return g_language;
}

Phrase Phrase::arg(const Phrase &value) const
{
    return {chinese.arg(value.chinese), english.arg(value.english)};
}

Phrase inBothLanguages(const std::function<QString()> &text)
{
    QTranslator *english = runningEnglish();
    // Only the English translation is ever installed on the command line: without it every
    // message is its Chinese source.
    const bool installed = g_language == CliLanguage::English;
    if (english && installed)
        QCoreApplication::removeTranslator(english);
    Phrase phrase;
    phrase.chinese = text();
    if (english)
        QCoreApplication::installTranslator(english);
    phrase.english = text();
    if (english && !installed)
        QCoreApplication::removeTranslator(english);
    return phrase;
}

QString said(const Phrase &phrase)
{
    switch (g_language) {
    case CliLanguage::Chinese:
        return phrase.chinese;
    case CliLanguage::English:
        return phrase.english;
    case CliLanguage::Both:
        break;
    }
    return phrase.chinese + QStringLiteral(" / ") + phrase.english;
}

QString said(const std::function<QString()> &text)
{
    if (g_language == CliLanguage::Both)
        return said(inBothLanguages(text));
    return text();
}

QString openFailureText(const QString &device, const OpenResult &result)
{
    const bool network = lineKindOf(device) != LineKind::Serial;
    QString text = said([&] {
        QString why;
        switch (result.status) {
        case OpenStatus::Busy:
            why = result.holderUntold
                      ? QCoreApplication::translate("Cli", "端口被占用（Windows 不告知是哪个程序）")
                      : QCoreApplication::translate("Cli", "端口被占用");
            break;
        case OpenStatus::NotFound:
            why = network ? QCoreApplication::translate("Cli", "找不到主机")
                          : QCoreApplication::translate("Cli", "设备不存在");
            break;
        case OpenStatus::Refused:
        case OpenStatus::Opened:
        case OpenStatus::Connecting:
            why = network ? QCoreApplication::translate("Cli", "无法连接")
                          : QCoreApplication::translate("Cli", "端口拒绝打开");
            break;
        }
        return QCoreApplication::translate("Cli", "无法打开端口 %1：%2").arg(device, why);
    });
    if (!result.reason.isEmpty())
        text += QStringLiteral(" (%1)").arg(result.reason);
    return text;
}

namespace {

void printLine(FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void printOut(const QString &line)
{
    printLine(stdout, line);
}

void printErr(const QString &line)
{
    printLine(stderr, line);
}
