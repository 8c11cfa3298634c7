#include "net/LineSocket.h"
#include "support/ScriptedLineServer.h"

#include <gtest/gtest.h>

#include <chrono>

namespace sv {
namespace {

using test::ClosedPort;
using test::ScriptedLineServer;
using test::ServerConnection;

const CancelCheck kNever = [] { return false; };

TEST(LineSocketTest, ExchangesLinesAndKeepsWhatFollowsALineForTheNext) {
    ScriptedLineServer server([](ServerConnection& c) {
        std::string line;
        c.ReadLine(line);
        // Three lines in one packet, CR LF ends and a last one split over two sends.
        c.Send("201 hello\r\n210 two\nthird");
        c.Send(" part\r\n");
        c.WaitForClose();
    });
    LineSocket socket;
    // By name: the lookup runs apart, and an address that refuses gives way to the next.
    ASSERT_EQ(socket.Connect("localhost", server.Port(), 2000, kNever), kSocketDone);
    ASSERT_EQ(socket.Send("greetings\n", 2000, kNever), kSocketDone);
    std::string line;
    ASSERT_EQ(socket.ReadLine(line, 2000, kNever), kSocketDone);
    EXPECT_EQ(line, "201 hello");
    ASSERT_EQ(socket.ReadLine(line, 2000, kNever), kSocketDone);
    EXPECT_EQ(line, "210 two");
    ASSERT_EQ(socket.ReadLine(line, 2000, kNever), kSocketDone);
    EXPECT_EQ(line, "third part");
    socket.Close();
    EXPECT_EQ(server.Received(), std::vector<std::string>{"greetings"});
}

TEST(LineSocketTest, LongLinesAreCutAt259CharactersAndTheRestDropped) {
    ScriptedLineServer server([](ServerConnection& c) {
        c.Send(std::string(300, 'x') + "\n" + "next\n");
        c.WaitForClose();
    });
    LineSocket socket;
    ASSERT_EQ(socket.Connect("127.0.0.1", server.Port(), 2000, kNever), kSocketDone);
    std::string line;
    ASSERT_EQ(socket.ReadLine(line, 2000, kNever), kSocketDone);
    EXPECT_EQ(line, std::string(259, 'x'));
    ASSERT_EQ(socket.ReadLine(line, 2000, kNever), kSocketDone);
    EXPECT_EQ(line, "next");
}

TEST(LineSocketTest, ALineNeverEndedFailsAtTheBudget) {
    ScriptedLineServer server([](ServerConnection& c) {
        c.Send("200 no end in sight");
        c.WaitForClose();
    });
    LineSocket socket;
    ASSERT_EQ(socket.Connect("127.0.0.1", server.Port(), 2000, kNever), kSocketDone);
    std::string line;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(socket.ReadLine(line, 400, kNever), kSocketFailed);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(390));
    EXPECT_FALSE(socket.ErrorText().empty());
}

TEST(LineSocketTest, APeerThatClosesFailsTheRead) {
    ScriptedLineServer server([](ServerConnection& c) { c.Send("half a line"); });
    LineSocket socket;
    ASSERT_EQ(socket.Connect("127.0.0.1", server.Port(), 2000, kNever), kSocketDone);
    std::string line;
    EXPECT_EQ(socket.ReadLine(line, 2000, kNever), kSocketFailed);
}

TEST(LineSocketTest, CancelEndsAWaitingReadAndAConnect) {
    ScriptedLineServer server([](ServerConnection& c) { c.WaitForClose(); });
    LineSocket socket;
    ASSERT_EQ(socket.Connect("127.0.0.1", server.Port(), 2000, kNever), kSocketDone);
    int polls = 0;
    std::string line;
    EXPECT_EQ(socket.ReadLine(line, 5000, [&] { return ++polls >= 3; }), kSocketCancelled);
    EXPECT_EQ(polls, 3);
    socket.Close();

    LineSocket other;
    EXPECT_EQ(other.Connect("127.0.0.1", server.Port(), 2000, [] { return true; }), kSocketCancelled);
    EXPECT_FALSE(other.IsOpen());
}

TEST(LineSocketTest, RefusedAndUnresolvableConnectionsFailWithAReason) {
    LineSocket socket;
    EXPECT_EQ(socket.Connect("127.0.0.1", ClosedPort(), 2000, kNever), kSocketFailed);
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_FALSE(socket.ErrorText().empty());
    EXPECT_EQ(socket.Connect("no-such-host.invalid", 8880, 2000, kNever), kSocketFailed);
    EXPECT_NE(socket.ErrorText().find("no-such-host.invalid"), std::string::npos);
    std::string line;
    EXPECT_EQ(socket.ReadLine(line, 100, kNever), kSocketFailed);
    EXPECT_EQ(socket.Send("x", 100, kNever), kSocketFailed);
}

TEST(LineSocketTest, SendsMoreThanTheSocketHoldsAsTheReaderDrainsIt) {
    const std::string big(3 * 1024 * 1024, 'a');
    std::size_t got = 0;
    {
        ScriptedLineServer server([&](ServerConnection& c) {
            std::string line;
            if (c.ReadLine(line, 10000)) got = line.size();
        });
        LineSocket socket;
        ASSERT_EQ(socket.Connect("127.0.0.1", server.Port(), 2000, kNever), kSocketDone);
        EXPECT_EQ(socket.Send(big + "\n", 10000, kNever), kSocketDone);
    }
    EXPECT_EQ(got, big.size());
}

}  // namespace
}  // namespace sv
