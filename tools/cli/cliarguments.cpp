// SPDX-License-Identifier: MIT
// The command line of scalecheck-cli: its parsing and its --help, both from the command table
// (clitable.h), and the checking of the values that are lists or addresses.
#include "cliarguments.h"

#include "busscan.h"
#include "clitable.h"
#include "clitext.h"
#include "commandline.h"
#include "inputrules.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>

#include <algorithm>

namespace {

constexpr int kLastAddress = 247;

} // namespace

const QList<CliBlock> &cliBlocks()
{
    static const QList<CliBlock> blocks = {
        {"weight", QT_TRANSLATE_NOOP("Cli", "毛重"), CliBlock::kWeight,
         QT_TRANSLATE_NOOP("Cli", "gross weight (0x0100, 2 registers)")},
        {"alarm", QT_TRANSLATE_NOOP("Cli", "报警参数组"), 0,
         QT_TRANSLATE_NOOP("Cli", "alarm parameters (0x0010, 14 registers)")},
        {"func1", QT_TRANSLATE_NOOP("Cli", "仪表功能参数组1"), 1,
         QT_TRANSLATE_NOOP("Cli", "function parameters 1 (0x0020, 16 registers)")},
        {"func2", QT_TRANSLATE_NOOP("Cli", "仪表功能参数组2"), 2,
         QT_TRANSLATE_NOOP("Cli", "function parameters 2 (0x0034, 7 registers)")},
        {"comm", QT_TRANSLATE_NOOP("Cli", "通信，时间参数组"), 3,
         QT_TRANSLATE_NOOP("Cli", "communication and time (0x0040, 13 registers)")},
    };
    return blocks;
}

std::optional<std::pair<QString, quint16>> parseListenAddress(const QString &text)
{
    // HOST:PORT, an IPv6 host in brackets: 127.0.0.1:8080, [::1]:8080.
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        return std::nullopt;
    const std::optional<int> port = wholeNumber(text.mid(colon + 1), 0, 65535);
    const QHostAddress address(host);
    // Every interface at once is not a choice of where to be seen: the operator names one.
    if (!port || address.isNull() || address == QHostAddress(QHostAddress::AnyIPv4) ||
        address == QHostAddress(QHostAddress::AnyIPv6))
        return std::nullopt;
    return std::pair{host, quint16(*port)};
}

std::optional<QList<int>> parseBaudList(const QString &text)
{
    QList<int> rates;
    const auto add = [&rates](const QList<qint32> &more) {
        for (int rate : more) {
            if (!rates.contains(rate))
                rates.append(rate);
        }
    };
    for (const QString &item : text.split(QLatin1Char(','))) {
        const QString word = item.trimmed();
        if (word == QLatin1String("all")) {
            add(BusScan::standardRates());
        } else if (word == QLatin1String("fast")) {
            add(BusScan::fastRates());
        } else if (const std::optional<int> rate = parseBaud(word)) {
            add({*rate});
        } else {
            return std::nullopt;
        }
    }
    return rates;
}

std::optional<QList<quint8>> parseAddressList(const QString &text)
{
    QList<quint8> addresses;
    for (const QString &item : text.split(QLatin1Char(','))) {
        const QStringList ends = item.trimmed().split(QLatin1Char('-'));
        if (ends.size() > 2)
            return std::nullopt;
        bool okLow = false;
        bool okHigh = false;
        const int low = ends.first().trimmed().toInt(&okLow);
        const int high = ends.size() == 2 ? ends.last().trimmed().toInt(&okHigh) : low;
        if (!okLow || (ends.size() == 2 && !okHigh) || low < 1 || high > kLastAddress || low > high)
            return std::nullopt;
        for (int a = low; a <= high; ++a) {
            if (addresses.contains(quint8(a)))
                return std::nullopt; // each instrument once: a matrix row per instrument
            addresses.append(quint8(a));
        }
    }
    return addresses;
}

namespace {

// "（用法见 scalecheck-cli --help / see scalecheck-cli --help）", in brackets of the language.
QString usageHint()
{
    const QString hint =
        said([] { return QCoreApplication::translate("Cli", "用法见 scalecheck-cli --help"); });
    return cliLanguage() == CliLanguage::English ? QStringLiteral("(%1)").arg(hint)
                                                 : QStringLiteral("（%1）").arg(hint);
}

ParsedArguments usageError(const Phrase &what)
{
    return {std::nullopt, said(what) + QLatin1Char('\n') + usageHint()};
}

ParsedArguments usageError(const CliWords &what)
{
    return usageError(inBothLanguages(what));
}

ParsedArguments missing(const char *text)
{
    return usageError([text] { return QCoreApplication::translate("Cli", text); });
}

QString nameOf(const CliOption &option)
{
    return QLatin1String(option.name);
}

QCommandLineOption qtOption(const CliOption &option)
{
    QStringList names{nameOf(option)};
    if (option.shortName)
        names.prepend(QLatin1String(option.shortName));
    return QCommandLineOption(names, {},
                              option.valueName ? QLatin1String(option.valueName) : QString());
}

// Whether a one-letter option was written long, "--e" or "--e=0.1": Qt's parser takes "-e" for
// it too, which this command line does not know.
bool writtenLong(const QStringList &arguments, const QString &name)
{
    const QString written = QStringLiteral("--") + name;
    for (qsizetype i = 1; i < arguments.size() && arguments.at(i) != QLatin1String("--"); ++i) {
        const QString &word = arguments.at(i);
        if (word == written || word.startsWith(written + QLatin1Char('=')))
            return true;
    }
    return false;
}

const CliCommandSpec *commandNamed(const QString &word)
{
    for (const CliCommandSpec &spec : cliTable().commands) {
        if (spec.words.first() == word)
            return &spec;
    }
    return nullptr;
}

} // namespace

ParsedArguments parseArguments(const QStringList &arguments)
{
    const CliTable &table = cliTable();
    QList<QCommandLineOption> known;
    for (const CliOption *option : table.options)
        known.append(qtOption(*option));

    // Before the parser takes the next option for a value left out, or keeps the last of two.
    if (const std::optional<UsageFault> fault = usageFault(arguments, known)) {
        return usageError([&] {
            return fault->kind == UsageFault::Kind::Repeated
                       ? QCoreApplication::translate("Cli", "%1 给出了两次").arg(fault->option)
                       : QCoreApplication::translate("Cli", "缺少 %1 的值").arg(fault->option);
        });
    }
    QCommandLineParser parser;
    parser.addOptions(known);
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            const QString name = unknown.first();
            const QString option =
                (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
            return usageError(
                [&] { return QCoreApplication::translate("Cli", "未知选项 %1").arg(option); });
        }
        // A value given to a switch ("--json=1"). Qt's parser says what is wrong in English,
        // its own words.
        return usageError(
            Phrase{QCoreApplication::translate("Cli", "选项有误"), parser.errorText()});
    }
    for (const CliOption *option : table.options) {
        const QString name = nameOf(*option);
        if (name.size() == 1 && !option->shortName && parser.isSet(name) &&
            !writtenLong(arguments, name)) {
            const QString written = QStringLiteral("-") + name;
            return usageError(
                [&] { return QCoreApplication::translate("Cli", "未知选项 %1").arg(written); });
        }
    }

    CliOptions o;
    // --lang is checked first, so that what is wrong with the rest is said in the language it
    // names; then -h, --help and --version, beside any command, are what the run does.
    for (const bool switches : {false, true}) {
        for (const CliOption *option : table.programOptions) {
            const QString name = nameOf(*option);
            if (!parser.isSet(name) || switches == bool(option->valueName))
                continue;
            if (const std::optional<CliRefusal> refused =
                    option->take(*option, parser.value(name), o))
                return usageError(refused->what);
            if (switches)
                return {o, {}};
        }
    }

    const QStringList words = parser.positionalArguments();
    // clang-format off
    if (words.isEmpty())
        return usageError([] {
            return QCoreApplication::translate("Cli", "缺少命令：read、scan、report、diagnose、find、reference、compare、verify、serve 或 ports");
        });
    // clang-format on
    const QString command = words.first();
    const CliCommandSpec *spec = commandNamed(command);
    if (!spec)
        return usageError(
            [&] { return QCoreApplication::translate("Cli", "未知命令“%1”").arg(command); });
    o.command = spec->command;

    // Options of another command are refused rather than ignored: a script that passes --addr
    // to scan, or --to to read, expects something this run would not do.
    QStringList given;
    for (const CliOption *option : table.options) {
        const QString name = nameOf(*option);
        if (!parser.isSet(name))
            continue;
        given.append(name);
        if (spec->use(*option) || table.programOptions.contains(option))
            continue;
        return usageError([&] {
            return QCoreApplication::translate("Cli", "%1 命令没有 --%2 选项").arg(command, name);
        });
    }

    qsizetype taken = spec->words.size();
    for (qsizetype k = 1; k < spec->words.size(); ++k) {
        if (words.value(k) != spec->words.at(k))
            return missing(spec->incomplete);
    }
    if (spec->takeOperand) {
        const QString *word = words.size() > taken ? &words.at(taken) : nullptr;
        if (const std::optional<CliWords> refused = spec->takeOperand(word, o))
            return usageError(*refused);
        ++taken;
    }
    if (words.size() > taken) {
        const QString extra = words.at(taken);
        return usageError(
            [&] { return QCoreApplication::translate("Cli", "多余的参数“%1”").arg(extra); });
    }

    for (const CliUse &use : spec->uses) {
        const QString name = nameOf(*use.option);
        const bool isSet = parser.isSet(name);
        if (!isSet && use.missing)
            return missing(use.missing);
        if (!isSet && !use.byDefault)
            continue;
        const QString value = isSet ? parser.value(name) : QLatin1String(use.byDefault);
        if (const std::optional<CliRefusal> refused = use.taker()(*use.option, value, o)) {
            if (refused->kind == CliRefusal::Kind::Blank && use.missing)
                return missing(use.missing);
            return usageError(refused->what);
        }
    }
    if (spec->finish) {
        if (const std::optional<CliWords> refused = spec->finish(given, o))
            return usageError(*refused);
    }
    return {o, {}};
}

namespace {

constexpr int kWidth = 95;
// Where an option's help begins, after its name.
constexpr int kHelpColumn = 18;
// Under "  scalecheck-cli ", where a command's line goes on.
constexpr int kSynopsisIndent = 17;

// `words` filled into lines of at most kWidth characters after `line`, a lead already begun
// (empty up to its indent when `begun` is false); each line after the first begins with `indent`
// spaces. A word longer than a line stands on a line alone.
QStringList filled(const QStringList &words, QString line, bool begun, int indent)
{
    QStringList lines;
    for (const QString &word : words) {
        if (begun && line.size() + 1 + word.size() > kWidth) {
            lines.append(line);
            line = QString(indent, QLatin1Char(' '));
            begun = false;
        }
        if (begun)
            line += QLatin1Char(' ');
        line += word;
        begun = true;
    }
    lines.append(line);
    return lines;
}

QStringList wordsOf(const QString &text)
{
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString translated(const char *context, const CliHelp &help)
{
    const QStringList args = help.args ? help.args() : QStringList();
    if (!help.text)
        return args.join(QStringLiteral(", "));
    QString text = QCoreApplication::translate(context, help.text);
    for (const QString &a : args)
        text = text.arg(a);
    return text;
}

// Paragraphs at `indent`; a list without words of its own is set in under the one before it.
QStringList paragraphs(const char *context, const QList<CliHelp> &help, int indent)
{
    QStringList lines;
    for (const CliHelp &h : help) {
        const int in = h.text ? indent : indent + 4;
        lines += filled(wordsOf(translated(context, h)), QString(in, QLatin1Char(' ')), false, in);
    }
    return lines;
}

// "  --name VALUE    what it does", the help under the name when the name leaves it no room.
QStringList entry(const QString &names, const QString &help)
{
    QString lead = QStringLiteral("  ") + names;
    QStringList lines;
    if (lead.size() >= kHelpColumn) {
        lines.append(lead);
        lead.clear();
    }
    return lines + filled(wordsOf(help), lead.leftJustified(kHelpColumn), false, kHelpColumn);
}

QString optionName(const CliOption &option, const char *valueName)
{
    QString name = QStringLiteral("--") + nameOf(option);
    if (option.shortName)
        name.prepend(QStringLiteral("-%1, ").arg(QLatin1String(option.shortName)));
    if (valueName)
        name += QLatin1Char(' ') + QLatin1String(valueName);
    return name;
}

QStringList optionEntries(const QList<const CliOption *> &options)
{
    QStringList lines;
    for (const CliOption *option : options)
        lines += entry(optionName(*option, option->valueName), translated("Cli", option->help));
    return lines;
}

// [--from 1], --out FILE.pdf, | --plan FILE.json: a default or an example where the table
// gives one, else the value's name.
QString synopsisWord(const CliUse &use)
{
    const char *value = use.example     ? use.example
                        : use.byDefault ? use.byDefault
                                        : use.shownValueName();
    const QString word = optionName(*use.option, value);
    switch (use.shown) {
    case CliUse::Shown::Plain:
        return word;
    case CliUse::Shown::Instead:
        return QStringLiteral("| ") + word;
    case CliUse::Shown::Optional:
        break;
    }
    return QLatin1Char('[') + word + QLatin1Char(']');
}

// scalecheck-cli, the options of the line, the command with what follows it, then its own.
QStringList synopsis(const CliCommandSpec &spec)
{
    QStringList before;
    QStringList after;
    for (const CliUse &use : spec.uses)
        (use.onTheLine() ? before : after).append(synopsisWord(use));
    QString command = spec.words.join(QLatin1Char(' '));
    if (spec.operands) {
        QStringList choices;
        for (const CliOperand &operand : spec.operands())
            choices.append(operand.word);
        command += QLatin1Char(' ') + choices.join(QLatin1Char('|'));
    } else if (!after.isEmpty()) {
        // The command stays with the word after it.
        command += QLatin1Char(' ') + after.takeFirst();
    }
    return filled(before + QStringList{command} + after, QStringLiteral("  scalecheck-cli"), true,
                  kSynopsisIndent);
}

// The command's heading, what may follow it and its own options, options that share their
// words on one entry, then what it does.
QStringList section(const CliCommandSpec &spec)
{
    QString heading = spec.words.join(QLatin1Char(' '));
    if (spec.operandName)
        heading += QLatin1Char(' ') + QLatin1String(spec.operandName);
    QStringList lines{heading + QLatin1Char(':')};
    if (spec.operands) {
        for (const CliOperand &operand : spec.operands())
            lines += entry(operand.word, operand.help);
    }
    QList<const CliUse *> firsts;
    QStringList names;
    for (const CliUse &use : spec.uses) {
        if (use.onTheLine())
            continue;
        const QString name = optionName(*use.option, use.shownValueName());
        const auto same = std::find_if(firsts.cbegin(), firsts.cend(), [&](const CliUse *u) {
            return u->help.text == use.help.text;
        });
        if (same != firsts.cend()) {
            names[same - firsts.cbegin()] += QStringLiteral(", ") + name;
            continue;
        }
        firsts.append(&use);
        names.append(name);
    }
    for (qsizetype k = 0; k < firsts.size(); ++k)
        lines += entry(names.at(k), translated(spec.context, firsts.at(k)->help));
    return lines + paragraphs(spec.context, spec.help, 2);
}

} // namespace

QString usageText()
{
    const CliTable &table = cliTable();
    QStringList lines{QCoreApplication::translate("Cli", "Usage:")};
    for (const CliCommandSpec &spec : table.commands)
        lines += synopsis(spec);
    lines += QString();
    lines += paragraphs("Cli", table.intro, 0);
    lines += {QString(), QCoreApplication::translate("Cli", "Line:")};
    lines += optionEntries(table.lineOptions);
    for (const CliCommandSpec &spec : table.commands) {
        lines += QString();
        lines += section(spec);
    }
    lines += {QString(), QCoreApplication::translate("Cli", "Other:")};
    lines += optionEntries(table.programOptions);
    lines += QString();
    lines += paragraphs("Cli", table.closing, 0);
    return lines.join(QLatin1Char('\n'));
}
