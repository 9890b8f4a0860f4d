// SPDX-License-Identifier: MIT
// The command line's words: every outcome of a read said in Chinese, as the window says it, and in
// English, so that a service report reads the same to the technician and to whoever gets it.
#pragma once

#include "modbusframe.h"
#include "port.h"

#include <QString>

// The English for what replyText() says in Chinese: "no reply", "CRC error", "exception 02:
// illegal data address" ...
QString englishReplyText(const ReplyCheck &check);

// The standard English name of a Modbus exception code; "unknown exception" for codes that the
// protocol does not define.
QString englishExceptionName(quint8 code);

// "中文 / English", the form of every message the command line writes on stderr.
QString bilingual(const QString &chinese, const QString &english);

// Why `device` would not open, both languages, with the system's own words at the end:
// "无法打开端口 /dev/ttyUSB0：端口被占用 / cannot open port /dev/ttyUSB0: in use by another program
// (Permission denied)".
QString openFailureText(const QString &device, const OpenResult &result);

// Writes one line, UTF-8, to standard output or standard error and flushes it at once: a
// script reading a long --count run through a pipe sees every reading as it is taken.
void printOut(const QString &line);
void printErr(const QString &line);
