// SPDX-License-Identifier: MIT
// What a command line may not do that QCommandLineParser lets through: the window and the
// command line refuse both as bad usage.
#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

struct UsageFault
{
    enum class Kind {
        // The same option twice ("--port A --port B"): the parser keeps both and the program
        // would go on with the last one, which may not be the one meant.
        Repeated,
        // An option's value left out, so that the next option would be taken for it
        // ("--port --lang en"), or nothing follows it.
        MissingValue,
    };
    Kind kind;
    QString option; // as written on the command line, without its value: "--port"
};

// The first fault of `arguments` (arguments[0] being the program) against the options a parser
// knows; nullopt when there is none. A value given apart is the next word, unless that word
// begins with "--" (no device, file or number does; "--customer=--x" still gives one that
// does). Words after "--" are no options; names the parser does not know are left to it.
std::optional<UsageFault> usageFault(const QStringList &arguments,
                                     const QList<QCommandLineOption> &options);
