// SPDX-License-Identifier: MIT
// The secret in the live page's address.
#include "accesstoken.h"

#include <QRandomGenerator>

#include <array>

QByteArray newAccessToken()
{
    std::array<quint32, kAccessTokenBits / 32> words{};
    QRandomGenerator::system()->generate(words.begin(), words.end());
    const QByteArray bits(reinterpret_cast<const char *>(words.data()), int(sizeof words));
    return bits.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

bool sameToken(QByteArrayView given, QByteArrayView expected)
{
    // Every byte of `expected` is looked at whatever `given` holds; no early return.
    unsigned difference = given.size() == expected.size() ? 0u : 1u;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const uchar g = i < given.size() ? uchar(given[i]) : uchar(0);
        difference |= unsigned(g ^ uchar(expected[i]));
    }
    return difference == 0 && !expected.isEmpty();
}
