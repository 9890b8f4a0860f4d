// SPDX-License-Identifier: MIT
// The language the programs speak: --lang, the locale rule, and the English translation, which
// must hold every text of the sources, finished, and be the one built into the programs.
#include "language.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

struct Message
{
    QString context;
    QString source;
    QString translation;
    QString type; // "unfinished", "obsolete", "vanished"; empty when finished
};

QList<Message> messagesOf(const QString &tsPath)
{
    QFile file(tsPath);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(tsPath));
    QList<Message> messages;
    QXmlStreamReader xml(file.readAll());
    QString context;
    Message m;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            m = Message{context, {}, {}, {}};
        } else if (xml.name() == QLatin1String("source")) {
            m.source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            m.type = xml.attributes().value(QLatin1String("type")).toString();
            m.translation = xml.readElementText();
            messages.append(m);
        }
    }
    if (xml.hasError())
        qFatal("%s: %s", qPrintable(tsPath), qPrintable(xml.errorString()));
    return messages;
}

bool hasChinese(const QString &text)
{
    static const QRegularExpression cjk(QStringLiteral("[\\x{3000}-\\x{303f}\\x{4e00}-\\x{9fff}"
                                                       "\\x{ff00}-\\x{ffef}\\x{201c}\\x{201d}]"));
    return cjk.match(text).hasMatch();
}

// The %1, %2 ... a text fills in, each once.
QSet<QString> placeholders(const QString &text)
{
    static const QRegularExpression marker(QStringLiteral("%\\d+"));
    QSet<QString> found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found.insert(it.next().captured());
    return found;
}

QString keyOf(const Message &m)
{
    return m.context + QLatin1Char('|') + m.source;
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void languageArgument_data();
    void languageArgument();
    void languageFor_data();
    void languageFor();
    void everyMessageHasFinishedEnglish();
    void everySourceTextIsInTheTranslation();
    void theProgramsCarryThisTranslation();
};

void TestTranslations::languageArgument_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("given");
    QTest::addColumn<QString>("value");
    QTest::newRow("none") << QStringList{"scalecheck", "--com1", "/dev/ttyUSB0"} << false
                          << QString();
    QTest::newRow("apart") << QStringList{"scalecheck", "--lang", "en"} << true << "en";
    QTest::newRow("joined") << QStringList{"scalecheck-cli", "--lang=zh", "read"} << true << "zh";
    QTest::newRow("last one counts")
        << QStringList{"scalecheck", "--lang", "zh", "--lang=en"} << true << "en";
    QTest::newRow("without its value") << QStringList{"scalecheck", "--lang"} << true << "";
    QTest::newRow("the program's own name is no option")
        << QStringList{"--lang=en", "read"} << false << QString();
    QTest::newRow("after --, a plain word")
        << QStringList{"scalecheck", "--", "--lang", "en"} << false << QString();
    QTest::newRow("a value that is not a language")
        << QStringList{"scalecheck-cli", "--lang", "fr"} << true << "fr";
}

void TestTranslations::languageArgument()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, given);
    QFETCH(QString, value);
    const std::optional<QString> found = ::languageArgument(arguments);
    QCOMPARE(found.has_value(), given);
    if (given)
        QCOMPARE(*found, value);
}

void TestTranslations::languageFor_data()
{
    QTest::addColumn<QString>("locale"); // the system's, as LC_ALL or LANG names it
    QTest::addColumn<QString>("lang");   // --lang; empty when not given
    QTest::addColumn<bool>("english");
    QTest::newRow("en_US") << "en_US.UTF-8"
                           << "" << true;
    QTest::newRow("en_GB") << "en_GB"
                           << "" << true;
    QTest::newRow("zh_CN") << "zh_CN.UTF-8"
                           << "" << false;
    QTest::newRow("zh_TW") << "zh_TW.UTF-8"
                           << "" << false;
    QTest::newRow("C") << "C"
                       << "" << false;
    QTest::newRow("C.UTF-8") << "C.UTF-8"
                             << "" << false;
    QTest::newRow("POSIX") << "POSIX"
                           << "" << false;
    QTest::newRow("de_DE") << "de_DE.UTF-8"
                           << "" << false;
    QTest::newRow("--lang zh over en_US") << "en_US.UTF-8"
                                          << "zh" << false;
    QTest::newRow("--lang en over zh_CN") << "zh_CN.UTF-8"
                                          << "en" << true;
    QTest::newRow("--lang en over C") << "C"
                                      << "en" << true;
    QTest::newRow("a --lang not known leaves the locale") << "en_US.UTF-8"
                                                          << "fr" << true;
}

void TestTranslations::languageFor()
{
    QFETCH(QString, locale);
    QFETCH(QString, lang);
    QFETCH(bool, english);
    // QLocale takes the name as the system's locale is named in the environment.
    const QLocale system(locale.section(QLatin1Char('.'), 0, 0));
    const std::optional<Language> chosen = lang.isEmpty() ? std::nullopt : languageNamed(lang);
    QCOMPARE(::languageFor(chosen, system) == Language::English, english);
}

void TestTranslations::everyMessageHasFinishedEnglish()
{
    const QList<Message> messages = messagesOf(QStringLiteral(SCALECHECK_TS_FILE));
    QVERIFY(!messages.isEmpty());
    QStringList faults;
    for (const Message &m : messages) {
        const QString where = m.context + QStringLiteral(": ") + m.source;
        if (!m.type.isEmpty())
            faults.append(where + QStringLiteral(" is ") + m.type);
        else if (m.translation.trimmed().isEmpty())
            faults.append(where + QStringLiteral(" has no English"));
        else if (hasChinese(m.translation))
            faults.append(where + QStringLiteral(" is not English: ") + m.translation);
        else if (placeholders(m.translation) != placeholders(m.source))
            faults.append(where + QStringLiteral(" fills in other values: ") + m.translation);
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

void TestTranslations::everySourceTextIsInTheTranslation()
{
    // lupdate reads the sources as the maintainer does, on the build machine, where CTest runs
    // it just before this suite (the test tst_translations_sources): a text added to the
    // sources and not to the translation shows up here rather than in an English window.
    const QString fresh = QStringLiteral(SCALECHECK_SOURCES_TS);
    QVERIFY2(QFileInfo::exists(fresh),
             "the sources' texts are read by the test tst_translations_sources: run ctest");

    QSet<QString> translated;
    for (const Message &m : messagesOf(QStringLiteral(SCALECHECK_TS_FILE)))
        translated.insert(keyOf(m));
    const QList<Message> found = messagesOf(fresh);
    QVERIFY(found.size() > 100);
    QStringList missing;
    for (const Message &m : found) {
        if (!translated.contains(keyOf(m)))
            missing.append(keyOf(m));
    }
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("not in the translation:\n") +
                                           missing.join(QLatin1Char('\n'))));
}

void TestTranslations::theProgramsCarryThisTranslation()
{
    QTranslator *english = englishTranslator();
    QVERIFY(english);
    QStringList differ;
    for (const Message &m : messagesOf(QStringLiteral(SCALECHECK_TS_FILE))) {
        const QString built =
            english->translate(m.context.toUtf8().constData(), m.source.toUtf8().constData());
        if (built != m.translation)
            differ.append(keyOf(m) + QStringLiteral(" -> ") + built);
    }
    QVERIFY2(differ.isEmpty(), qPrintable(differ.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
