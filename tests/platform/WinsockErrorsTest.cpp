// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cerrno>
#include <netdb.h>

#include "platform/WinsockErrors.h"

namespace {

TEST(WinsockErrors, ErrnoValuesMapToSocketNumbers)
{
    const std::tuple<int, bool, int> cases[] = {
        {ECONNREFUSED, false, 10061},
        {EWOULDBLOCK, false, 10035},
        {EAGAIN, false, 10035},
        {EINPROGRESS, true, 10035},
        {EINPROGRESS, false, 10036},
        {EALREADY, true, 10037},
        {ENOTCONN, false, 10057},
        {ECONNRESET, false, 10054},
        {EPIPE, false, 10058},
        {ETIMEDOUT, false, 10060},
        {EHOSTUNREACH, false, 10065},
        {ENETUNREACH, false, 10051},
        {EADDRINUSE, false, 10048},
        {EMFILE, false, 10024},
        {EBADF, false, 10009},
        {EINVAL, false, 10022},
        {0, false, 0},
    };
    for (const auto& [error, connecting, number] : cases)
        EXPECT_EQ(WsaErrorFromErrno(error, connecting), number) << "errno " << error;
}

// An errno without a counterpart must never pass for would-block or for "no error".
TEST(WinsockErrors, UnmappedErrnoStaysAFailure)
{
    EXPECT_EQ(WsaErrorFromErrno(EIO), wsa::UnmappedBase + EIO);
    EXPECT_GT(WsaErrorFromErrno(EIO), 10000);
    EXPECT_NE(WsaErrorFromErrno(EDEADLK), wsa::WouldBlock);
}

TEST(WinsockErrors, LookupErrorsMapToHostNumbers)
{
    EXPECT_EQ(WsaErrorFromLookup(0, 0), 0);
    EXPECT_EQ(WsaErrorFromLookup(EAI_NONAME, 0), 11001);
    EXPECT_EQ(WsaErrorFromLookup(EAI_AGAIN, 0), 11002);
    EXPECT_EQ(WsaErrorFromLookup(EAI_FAIL, 0), 11003);
    EXPECT_EQ(WsaErrorFromLookup(EAI_NODATA, 0), 11004);
    EXPECT_EQ(WsaErrorFromLookup(EAI_SYSTEM, ECONNREFUSED), 10061);
}

} // namespace
