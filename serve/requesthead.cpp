// SPDX-License-Identifier: MIT
// The head of an HTTP/1.x request, read with bounds.
#include "requesthead.h"

namespace {

constexpr int kMaxMethodBytes = 16;
constexpr int kMaxTargetBytes = 2048;
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
const QByteArray kHeadEnd = QByteArrayLiteral("\r\n\r\n");

// RFC 9110 5.6.2: the characters of a token (a header's name).
bool isTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return QByteArrayLiteral("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(const QByteArray &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), isTokenChar);
}

bool isVisible(char c)
{
    return c > 0x20 && c < 0x7f;
}

bool isFieldValue(const QByteArray &text)
{
    // Bytes above 0x7f are let through as opaque, as RFC 9110 5.5 allows; control bytes are not.
    return std::all_of(text.cbegin(), text.cend(), [](char c) {
        const uchar u = uchar(c);
        return (u == '\t' || u >= 0x20) && u != 0x7f;
    });
}

bool readRequestLine(const QByteArray &line, RequestHead &head)
{
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 3)
        return false;
    const QByteArray &method = parts.at(0);
    const QByteArray &target = parts.at(1);
    const QByteArray &version = parts.at(2);
    if (method.isEmpty() || method.size() > kMaxMethodBytes ||
        !std::all_of(method.cbegin(), method.cend(), [](char c) { return c >= 'A' && c <= 'Z'; }))
        return false;
    if (!target.startsWith('/') || target.size() > kMaxTargetBytes ||
        !std::all_of(target.cbegin(), target.cend(), isVisible))
        return false;
    if (version != "HTTP/1.1" && version != "HTTP/1.0")
        return false;
    head.method = method;
    const int mark = target.indexOf('?');
    head.path = mark < 0 ? target : target.left(mark);
    head.query = mark < 0 ? QByteArray() : target.mid(mark + 1);
    return true;
}

RequestHead ended(RequestHead::Status status)
{
    RequestHead head;
    head.status = status;
    return head;
}

} // namespace

std::optional<QByteArray> RequestHead::header(const QByteArray &name) const
{
    for (const auto &[n, value] : headers) {
        if (n == name)
            return value;
    }
    return std::nullopt;
}

std::optional<QByteArray> RequestHead::queryValue(const QByteArray &key) const
{
    for (const QByteArray &pair : query.split('&')) {
        const int equals = pair.indexOf('=');
        if (equals >= 0 && pair.left(equals) == key)
            return pair.mid(equals + 1);
    }
    return std::nullopt;
}

bool RequestHead::isWebSocketUpgrade() const
{
    const auto listHas = [](const std::optional<QByteArray> &value, const QByteArray &word) {
        if (!value)
            return false;
        for (const QByteArray &item : value->split(','))
            if (item.trimmed().toLower() == word)
                return true;
        return false;
    };
    return listHas(header("upgrade"), "websocket") && listHas(header("connection"), "upgrade") &&
           header("sec-websocket-key").has_value() &&
           header("sec-websocket-version").value_or(QByteArray()) == "13";
}

RequestHead readRequestHead(const QByteArray &bytes)
{
    const QByteArray window = bytes.left(kMaxHeadBytes);
    const int end = window.indexOf(kHeadEnd);
    // Lines so far: a line that is already wrong need not wait for the rest of the head.
    const QByteArray seen = end < 0 ? window : window.left(end + kLineEnd.size());
    const int firstEnd = seen.indexOf(kLineEnd);
    if (seen.contains('\0'))
        return ended(RequestHead::Status::Malformed);

    RequestHead head;
    if (firstEnd >= 0 && !readRequestLine(seen.left(firstEnd), head))
        return ended(RequestHead::Status::Malformed);
    if (seen.count(kLineEnd) > kMaxHeaderLines + 1)
        return ended(RequestHead::Status::TooLarge);
    if (end < 0) {
        return ended(bytes.size() >= kMaxHeadBytes ? RequestHead::Status::TooLarge
                                                   : RequestHead::Status::Incomplete);
    }

    // The lines after the request line, each ended by CRLF; a bare CR or LF inside one is not
    // a line end here, and not a character a header may hold.
    const QByteArray block = window.left(end);
    for (int from = firstEnd + kLineEnd.size(); from < block.size() && firstEnd < end;) {
        int to = block.indexOf(kLineEnd, from);
        if (to < 0)
            to = block.size();
        const QByteArray line = block.mid(from, to - from);
        from = to + kLineEnd.size();
        const int colon = line.indexOf(':');
        // A line that begins with a blank continues the one before (obsolete folding), which
        // RFC 9112 5.2 lets a server refuse.
        if (colon <= 0 || line.startsWith(' ') || line.startsWith('\t'))
            return ended(RequestHead::Status::Malformed);
        const QByteArray name = line.left(colon);
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (!isToken(name) || !isFieldValue(value))
            return ended(RequestHead::Status::Malformed);
        head.headers.append({name.toLower(), value});
    }
    head.status = RequestHead::Status::Complete;
    head.size = end + kHeadEnd.size();
    return head;
}
