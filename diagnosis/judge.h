// SPDX-License-Identifier: MIT
// What the bytes a line gave say by themselves: text lines of an indicator in continuous
// output, Modbus ASCII frames, an echo, a late reply, noise; and the cause a failed read shows
// without asking the line anything.
#pragma once

#include "cause.h"

#include <QByteArray>
#include <QString>
#include <optional>

// One line of printable text among the bytes (at least kMinTextLine characters ended by CR or
// LF, in bytes mostly printable), as an indicator in continuous output sends them
// ("ST,GS,+0012.34kg"); nullopt when there is none. A Modbus ASCII frame is not text here.
std::optional<QString> textLineIn(const QByteArray &bytes);
constexpr int kMinTextLine = 6;

// One Modbus ASCII frame among the bytes (':', an even number of hex digits whose last pair is
// the LRC of the others, CR LF), without its ':' and CR LF; nullopt when there is none.
std::optional<QString> modbusAsciiFrameIn(const QByteArray &bytes);

// Whether `bytes` hold a whole, checked function-03 reply (or exception) from `address` for
// `count` registers: a reply that came after its request was given up.
bool holdsReplyFrom(const QByteArray &bytes, quint8 address, quint16 count);

// The cause a failed read shows by itself, where its evidence is enough: an exception, a
// gateway's word, text lines, Modbus ASCII, the echo alone, bytes that are no frame, no byte at
// all; an Ok read is Ok. `unrequested` are bytes that came after it while nothing was asked.
// Nullopt when the read never went out (the port closed, a write refused).
std::optional<Cause> causeOfRead(const Exchange &read, const DiagnosisTarget &target,
                                 const QByteArray &unrequested = {});

// The cause that bytes nobody asked for show: text lines, Modbus ASCII, a stream; nullopt when
// they are too few to say anything (a late reply now and then, turnaround zeros).
std::optional<Cause> causeOfStream(const QByteArray &unrequested, const DiagnosisTarget &target);
// Fewer bytes than this, and no text line or frame among them, are no stream.
constexpr int kStreamBytes = 16;
