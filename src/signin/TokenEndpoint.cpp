// SPDX-License-Identifier: GPL-3.0-or-later
#include "signin/TokenEndpoint.h"

#include "workflow/account/SignInMessages.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>

#include <cstdlib>

namespace {

// The same trust as the SMTP connection: OpenSSL's SSL_CERT_FILE adds to the system's.
QSslConfiguration Trust()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    if (const char* file = std::getenv("SSL_CERT_FILE"); file && *file)
        configuration.addCaCertificates(QString::fromLocal8Bit(file));
    return configuration;
}

std::string ErrorOf(const QJsonObject& json, const QString& fallback)
{
    std::string error = json.value("error").toString(fallback).toStdString();
    if (const QString text = json.value("error_description").toString(); !text.isEmpty())
        error += ": " + text.toStdString();
    return error;
}

}

TTokenResponse RequestTokens(const std::string& url, const QUrlQuery& form, int timeOutSeconds)
{
    QNetworkAccessManager network;
    QNetworkRequest request(QUrl(QString::fromStdString(url)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    request.setRawHeader("Accept", "application/json");
    request.setSslConfiguration(Trust());
    if (timeOutSeconds > 0)
        request.setTransferTimeout(timeOutSeconds * 1000);
    QNetworkReply* reply = network.post(request, form.toString(QUrl::FullyEncoded).toUtf8());
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QJsonObject json = QJsonDocument::fromJson(reply->readAll()).object();
    if (status == 0)
        throw ESignInError(Messages::TokenEndpointFailed(reply->errorString().toStdString()));
    const std::string error = Messages::TokenEndpointFailed(ErrorOf(json, "HTTP " + QString::number(status)));
    // RFC 6749 section 5.2: a refused grant is 400 (or 401 for the client); others are passing faults.
    if (status == 400 || status == 401)
        throw ETokenRefused(error);
    if (status != 200 || !json.contains("access_token"))
        throw ESignInError(error);
    return {json.value("access_token").toString().toStdString(), json.value("refresh_token").toString().toStdString(),
            json.value("expires_in").toInt()};
}
