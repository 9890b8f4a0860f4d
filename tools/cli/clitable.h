// SPDX-License-Identifier: MIT
// The command line's one table: every option scalecheck-cli knows, each command and the options
// it takes, how each value is checked and what --help says of it. parseArguments and usageText
// read nothing else.
#pragma once

#include "cliarguments.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// A message made when the run says it, in the language it speaks (said()).
using CliWords = std::function<QString()>;

// What is wrong with an option's value.
struct CliRefusal
{
    enum class Kind {
        Blank, // a name left empty: as good as not given where the command needs it
        Bad,   // `what` says what is wrong
    };
    Kind kind = Kind::Bad;
    CliWords what;
};

struct CliOption;
// Checks an option's value and keeps it in `options`; a switch is given an empty value.
using CliTake = std::optional<CliRefusal> (*)(const CliOption &option, const QString &value,
                                              CliOptions &options);
// Checks what the options gave together once each has been taken, and completes what follows
// from the command itself (the blocks report reads); `given` names the options on the command
// line.
using CliFinish = std::optional<CliWords> (*)(const QStringList &given, CliOptions &options);
// Fills the %1, %2 ... of a help text with what the program knows: the device names, the scan's
// times.
using CliHelpArgs = QStringList (*)();

// A text of --help, written in English and translated in its section's context when shown.
// Without a text it is a list that `args` gives, set in under the paragraph before it.
struct CliHelp
{
    const char *text = nullptr;
    CliHelpArgs args = nullptr;
};

struct CliOption
{
    const char *name;      // after "--": "port"
    const char *valueName; // "PATH"; nullptr for a switch
    CliTake take;
    // For an option said once for every command that takes it (under Line and Other), in the
    // context "Cli"; a command's own options are said in its section.
    CliHelp help = {};
    const char *shortName = nullptr; // "h" for -h; a one-letter name is long only ("--e")
    std::optional<PlanField> planField = std::nullopt; // verify: the plan field it gives
};

// An option as one command takes it.
struct CliUse
{
    enum class Shown {
        Optional, // [--from 1]
        Plain,    // --out FILE.pdf: needed, by the command or by what it goes on to check
        Instead,  // | --plan FILE.json: in place of the options before it
    };

    const CliOption *option = nullptr;
    // The command's words for it, in the command's context; none for an option of the line,
    // said under Line and written before the command.
    CliHelp help = {};
    Shown shown = Shown::Optional;
    const char *valueName = nullptr; // for this command; nullptr: the option's
    const char *example = nullptr;   // in the synopsis instead of the value name: "3@150"
    // The value taken when the option is not given, shown in the synopsis as an example is:
    // what --help shows is what the run does.
    const char *byDefault = nullptr;
    // Required: what is said when it is not given, in the context "Cli".
    const char *missing = nullptr;
    CliTake take = nullptr; // this command's check of the value; nullptr: the option's

    // The use with one thing more said of it, as the table writes it: own(kOut, ...).plain().
    CliUse required(const char *missingText) const { return with(&CliUse::missing, missingText); }
    CliUse plain() const { return with(&CliUse::shown, Shown::Plain); }
    CliUse instead() const { return with(&CliUse::shown, Shown::Instead); }
    CliUse named(const char *name) const { return with(&CliUse::valueName, name); }
    CliUse showing(const char *value) const { return with(&CliUse::example, value); }
    CliUse defaulting(const char *value) const { return with(&CliUse::byDefault, value); }
    CliUse checkedBy(CliTake check) const { return with(&CliUse::take, check); }

    bool onTheLine() const { return help.text == nullptr; }
    const char *shownValueName() const { return valueName ? valueName : option->valueName; }
    CliTake taker() const { return take ? take : option->take; }

private:
    template <typename T> CliUse with(T CliUse::*member, T value) const
    {
        CliUse u = *this;
        u.*member = value;
        return u;
    }
};

// A word that may follow a command (read's block), with what --help says of it.
struct CliOperand
{
    QString word;
    QString help; // translated
};

struct CliCommandSpec
{
    CliCommand command;
    QStringList words;   // "reference", "save"
    const char *context; // the translation context of its help: "Cli", "Verify"
    QList<CliUse> uses;  // in the order of its synopsis
    QList<CliHelp> help; // what it does, a paragraph each, after its options
    // read's BLOCK: its name in --help, the words it may be, and the taking of the one given
    // (nullptr when none follows the command).
    const char *operandName = nullptr;
    QList<CliOperand> (*operands)() = nullptr;
    std::optional<CliWords> (*takeOperand)(const QString *word, CliOptions &options) = nullptr;
    // A command of two words given its first alone: what is said, in the context "Cli".
    const char *incomplete = nullptr;
    CliFinish finish = nullptr;

    const CliUse *use(const CliOption &option) const;
};

struct CliTable
{
    QList<const CliOption *> options;        // every option, in the order they are checked
    QList<const CliOption *> lineOptions;    // said under Line
    QList<const CliOption *> programOptions; // -h, --version, --lang: any command, under Other
    QList<CliCommandSpec> commands;          // in the order --help gives them
    QList<CliHelp> intro;                    // after the synopses, in the context "Cli"
    QList<CliHelp> closing;                  // the exit status, after Other
};

const CliTable &cliTable();

// The option of verify that gives a field of the plan: "e", "in-service".
QString cliPlanOptionName(PlanField field);
