// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WaitStep.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Every pass must end: on a ready handle, on an event, or on its heartbeat when
// nothing at all happens. A pass that could block for good would hang the program.
TEST(WaitStep, EndsOnAPendingEventOnAReadyHandleAndOnNothing)
{
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    WaitStep({});
    EXPECT_TRUE(fired);

    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    ASSERT_EQ(write(pair[1], "x", 1), 1);
    WaitStep({{pair[0], POLLIN}}); // readable with no notifier: the poll sees it
    WaitStep({{pair[1], POLLOUT}});
    WaitStep({{pair[0], 0}, {-1, POLLIN}}); // nothing will happen: the heartbeat ends it
    close(pair[0]);
    close(pair[1]);
}

} // namespace

namespace {

// A read or send that tests its handle itself must not be held up by the events, but
// must still see them: a cancel click or a time-out has to get through.
TEST(WaitForHandle, ReturnsOnAReadyHandleAndStillDispatchesEvents)
{
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    ASSERT_EQ(write(pair[1], "x", 1), 1);
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    for (int pass = 0; pass < 100000 && !fired; ++pass)
        WaitForHandle({pair[0], POLLIN}); // always ready
    EXPECT_TRUE(fired);
    char byte;
    ASSERT_EQ(read(pair[0], &byte, 1), 1);
    fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    WaitForHandle({pair[0], POLLIN}); // idle: sleeps until the event
    EXPECT_TRUE(fired);
    close(pair[0]);
    close(pair[1]);
}

} // namespace
