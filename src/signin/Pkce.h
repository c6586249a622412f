// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// RFC 7636: the code verifier stays here, its S256 challenge goes with the browser.
struct TPkce {
    std::string Verifier;
    std::string Challenge;
};
TPkce MakePkce();
// The S256 challenge of a verifier: BASE64URL(SHA256(verifier)), no padding.
std::string S256Challenge(const std::string& verifier);
// A value no one can guess, for the "state" parameter (RFC 6749 section 10.12).
std::string RandomState();
