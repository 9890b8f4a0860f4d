// SPDX-License-Identifier: MIT
// The head of an HTTP/1.x request as the live page's server takes it: bounded in size and in
// the number of header lines, strict in form, so that whatever does not fit is closed unread.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <optional>

struct RequestHead
{
    enum class Status {
        Incomplete, // the blank line that ends the head has not come yet
        Complete,
        Malformed, // not an HTTP/1.x request head: the connection is closed without an answer
        TooLarge,  // more than the bound before the blank line: closed the same way
    };

    Status status = Status::Incomplete;
    QByteArray method; // "GET", as sent (methods are case-sensitive)
    QByteArray path;   // the target up to '?': "/ws"
    QByteArray query;  // after '?', undecoded: "t=..."
    // Each header line's name in lower case and its value without the blanks around it.
    QList<QPair<QByteArray, QByteArray>> headers;
    int size = 0; // bytes of the head with its blank line, when complete

    // The first header of that name (lower case), if any.
    std::optional<QByteArray> header(const QByteArray &name) const;
    // The value of `key` in the query ("t" in "t=abc&x=1"), undecoded; nullopt without it.
    std::optional<QByteArray> queryValue(const QByteArray &key) const;
    // A WebSocket opening handshake (RFC 6455 4.2.1): Upgrade: websocket, Connection: upgrade,
    // a key and version 13.
    bool isWebSocketUpgrade() const;
};

// Reads a request head from the start of `bytes`, which holds what has arrived so far. A head
// larger than kMaxHeadBytes, or with more than kMaxHeaderLines lines, is TooLarge as soon as that
// is certain, however much more is still to come.
RequestHead readRequestHead(const QByteArray &bytes);

constexpr int kMaxHeadBytes = 8192;
constexpr int kMaxHeaderLines = 64;
