// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/account/SignIn.h"

#include <QUrlQuery>

#include <string>

// What the token endpoint issued (RFC 6749 section 5.1).
struct TTokenResponse {
    std::string AccessToken;
    std::string RefreshToken; // empty when the endpoint kept the one it had issued
    int ExpiresIn = 0;        // seconds; 0 when not said
};

// The endpoint answered with an error (RFC 6749 section 5.2), e.g. a revoked refresh token.
class ETokenRefused : public ESignInError {
public:
    using ESignInError::ESignInError;
};

// POSTs the form to the token endpoint over https, trusting the system's certificates and
// the file SSL_CERT_FILE names. Raises ETokenRefused for an error answer, ESignInError when
// no answer came.
TTokenResponse RequestTokens(const std::string& url, const QUrlQuery& form, int timeOutSeconds);
