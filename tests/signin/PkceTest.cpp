// SPDX-License-Identifier: GPL-3.0-or-later
#include "signin/Pkce.h"

#include <gtest/gtest.h>

#include <set>

// RFC 7636 appendix B's example, and verifiers of the length and alphabet section 4.1 asks.
TEST(Pkce, S256MatchesTheRfcExampleAndVerifiersDiffer)
{
    EXPECT_EQ(S256Challenge("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
              "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        const TPkce pkce = MakePkce();
        EXPECT_EQ(pkce.Verifier.size(), 43u);
        EXPECT_EQ(pkce.Verifier.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~"),
                  std::string::npos);
        EXPECT_EQ(pkce.Challenge, S256Challenge(pkce.Verifier));
        seen.insert(pkce.Verifier);
    }
    EXPECT_EQ(seen.size(), 20u);
}
