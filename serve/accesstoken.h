// SPDX-License-Identifier: MIT
// The secret in the live page's address: whoever has the address may watch, nobody else.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// 128 random bits from the system's generator, URL-safe base64 without padding (22 characters):
// too many to guess from the network, new each time the page is turned on.
QByteArray newAccessToken();

// Whether `given` is `expected`, in a time that depends on the length of `expected` alone, so
// that how long a refusal takes tells nothing of how much of a guess was right.
bool sameToken(QByteArrayView given, QByteArrayView expected);

constexpr int kAccessTokenBits = 128;
