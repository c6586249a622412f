// SPDX-License-Identifier: GPL-3.0-or-later
#include "signin/Pkce.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QRandomGenerator>

namespace {

std::string Base64Url(const QByteArray& bytes)
{
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals).toStdString();
}

QByteArray RandomBytes(int count)
{
    QByteArray bytes(count, '\0');
    QRandomGenerator* random = QRandomGenerator::system();
    for (char& byte : bytes)
        byte = static_cast<char>(random->bounded(256));
    return bytes;
}

}

// 32 random octets make a 43-character verifier, the shortest RFC 7636 section 4.1 allows.
TPkce MakePkce()
{
    TPkce pkce;
    pkce.Verifier = Base64Url(RandomBytes(32));
    pkce.Challenge = S256Challenge(pkce.Verifier);
    return pkce;
}

std::string S256Challenge(const std::string& verifier)
{
    return Base64Url(QCryptographicHash::hash(QByteArray::fromStdString(verifier), QCryptographicHash::Sha256));
}

std::string RandomState()
{
    return Base64Url(RandomBytes(16));
}
