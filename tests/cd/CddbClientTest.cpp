#include "cd/CddbClient.h"
#include "cd/CddbEntry.h"
#include "cd/DiscId.h"
#include "CdTestSupport.h"
#include "support/ScriptedLineServer.h"

#include <gtest/gtest.h>

#include <chrono>

namespace sv {
namespace {

using test::ServerConnection;

// Three tracks whose identifier is 1802d003.
CdDiscRecord ThreeTracks() {
    CdDiscRecord disc;
    const std::int32_t starts[] = {32, 18000, 36000};
    for (int i = 0; i < 3; ++i) disc.tracks.push_back({0, DefaultTrackTitle(i + 1), 0, starts[i], 0, "", false});
    disc.leadOut = 54000;
    return disc;
}

// A CDDB server: greeting, hello, the query answered with queryReply (lines), the read
// answered with entry (lines, ended by "."), quit.
struct CddbServerScript {
    std::vector<std::string> queryReply;
    std::vector<std::string> entry;
};

void Serve(ServerConnection& c, const CddbServerScript& script) {
    std::string line;
    c.Send("201 test CDDBP server v1.5 ready at Wed Dec  9 03:00:00 2026\r\n");
    if (!c.ReadLine(line)) return;
    c.Send("200 Hello and welcome anonymous@localhost running Sonvela 3.02.\r\n");
    if (!c.ReadLine(line)) return;
    for (const std::string& l : script.queryReply) c.Send(l + "\r\n");
    if (!c.ReadLine(line) || line.rfind("cddb read", 0) != 0) return;
    c.Send("210 " + line.substr(10) + " CD database entry follows (until terminating `.')\r\n");
    for (const std::string& l : script.entry) c.Send(l + "\r\n");
    c.Send(".\r\n");
    if (c.ReadLine(line)) c.Send("230 Goodbye\r\n");
}

class CddbClientTest : public ::testing::Test {
protected:
    CddbOutcome Lookup(const CddbServerScript& script, int budgetMs = 2000) {
        server_.reset();
        lines_.clear();
        server_ = std::make_unique<test::ScriptedLineServer>([this, script](ServerConnection& c) {
            Serve(c, script);
            lines_ = c.Server().Received();
        });
        CddbServer where{"127.0.0.1", server_->Port(), budgetMs};
        CddbOutcome outcome = CddbOutcome::Failed;
        test::RunUnderProgress(host, [&](LProgressTask& t) {
            outcome = CddbLookup(disc, where, t, host);
            return 0;
        });
        return outcome;
    }
    void TearDown() override { server_.reset(); }

    // What the client sent, once the conversation is over.
    std::vector<std::string> SentLines() {
        server_.reset();
        return lines_;
    }

    test::CancellableHost host;
    CdDiscRecord disc = ThreeTracks();
    std::unique_ptr<test::ScriptedLineServer> server_;
    std::vector<std::string> lines_;
};

TEST_F(CddbClientTest, AnExactMatchFillsTheRecordAndTheConversationFollowsTheProtocol) {
    CddbOutcome outcome = Lookup({{"200 rock 1802d003 Band Name / Album: Title?"},
                                  {"# xmcd", "DISCID=1802d003", "DTITLE=Band Name / Album: \"Title\"?",
                                   "EXTD= YEAR: 1998 ID3G: 17", "TTITLE0=First", "TTITLE1=Second",
                                   "TTITLE2=Third", "EXTT1=live"}});
    EXPECT_EQ(outcome, CddbOutcome::Found);
    EXPECT_EQ(disc.category, "rock");
    EXPECT_EQ(disc.artist, "Band Name");
    EXPECT_EQ(disc.albumTitle, "Album Title");
    EXPECT_EQ(disc.year, 1998);
    EXPECT_EQ(disc.extended, " YEAR: 1998 ID3G: 17");
    EXPECT_EQ(disc.tracks[0].title, "First");
    EXPECT_EQ(disc.tracks[0].number, 1);
    EXPECT_EQ(disc.tracks[2].title, "Third");
    EXPECT_EQ(disc.tracks[1].extended, "live");
    EXPECT_EQ(SentLines(), (std::vector<std::string>{"cddb hello undef localhost Sonvela 3.02",
                                                     "cddb query 1802d003 3 182 18150 36150 722",
                                                     "cddb read rock 1802d003", "cddb quit"}));
    EXPECT_EQ(host.progressTexts[0], "0:Connected to freedb server");
    EXPECT_EQ(host.progressTexts[1], "1:127.0.0.1");
}

TEST_F(CddbClientTest, NoMatchSaysSoAndKeepsTheDefaultTitles) {
    EXPECT_EQ(Lookup({{"202 No match found"}, {}}), CddbOutcome::NoMatch);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "No CDDB match found");
    EXPECT_EQ(host.messages[0].caption, "Sonvela");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(disc.tracks[0].title, "Track 01");
}

TEST_F(CddbClientTest, SeveralMatchesAreOfferedAndTheChosenOneIsRead) {
    CddbServerScript script{{"211 Found inexact matches, list follows (until terminating `.')",
                             "rock 1802d003 First Band / First Album", "jazz 1802d004 Second Band / Second Album",
                             "misc 1802d005 Third Band / Third Album", "."},
                            {"DTITLE=Second Band / Second Album", "TTITLE0=Blue"}};
    host.dialogs.push_back({true, {}});
    EXPECT_EQ(Lookup(script), CddbOutcome::Found);
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(host.shownDialogs[0].Field("match")->choices,
              (std::vector<std::string>{"First Band / First Album (rock)", "Second Band / Second Album (jazz)",
                                        "Third Band / Third Album (misc)"}));
    EXPECT_EQ(disc.matches.size(), 3u);
    EXPECT_EQ(SentLines()[2], "cddb read rock 1802d003");

    disc = ThreeTracks();
    host.dialogs.push_back({true, {{"match", "1"}}});
    EXPECT_EQ(Lookup(script), CddbOutcome::Found);
    EXPECT_EQ(disc.category, "jazz");
    EXPECT_EQ(disc.tracks[0].title, "Blue");
    EXPECT_EQ(SentLines()[2], "cddb read jazz 1802d004");

    disc = ThreeTracks();
    host.dialogs.push_back({false, {}});
    EXPECT_EQ(Lookup(script), CddbOutcome::Cancelled);
    EXPECT_EQ(disc.tracks[0].title, "Track 01");
}

TEST_F(CddbClientTest, OutOfRangeTrackIndicesAndLongLinesTouchNothingBeyondTheRecord) {
    CddbServerScript script{{"200 rock 1802d003 x"},
                            {"DTITLE=No Separator Here", "TTITLE256=far", "TTITLE257=further", "TTITLE-5=before",
                             "TTITLE3=just past", "TTITLE=no index", "TTITLE1x=junk", "EXTT-1=neg", "EXTT99=far",
                             "TTITLE0=" + std::string(300, 'a'), "EXTD=YEAR", "TTITLE2=Part one,",
                             "TTITLE2= part two"}};
    EXPECT_EQ(Lookup(script), CddbOutcome::Found);
    EXPECT_EQ(disc.artist, "");
    EXPECT_EQ(disc.albumTitle, "No Separator Here");
    ASSERT_EQ(disc.TrackCount(), 3);
    // The line was cut at 259 characters, "TTITLE0=" included.
    EXPECT_EQ(disc.tracks[0].title, std::string(259 - 8, 'a'));
    EXPECT_EQ(disc.tracks[1].title, "Track 02");
    EXPECT_EQ(disc.tracks[1].number, 0);
    EXPECT_EQ(disc.tracks[2].title, "Part one, part two");
    EXPECT_EQ(disc.year, 0);
    for (const CdTrackRecord& t : disc.tracks) EXPECT_EQ(t.extended, "");
}

TEST_F(CddbClientTest, AServerThatNeverEndsItsLineFailsAtTheBudget) {
    server_ = std::make_unique<test::ScriptedLineServer>([](ServerConnection& c) {
        c.Send("201 ready but never ending");
        c.WaitForClose();
    });
    CddbOutcome outcome = CddbOutcome::Found;
    auto start = std::chrono::steady_clock::now();
    test::RunUnderProgress(host, [&](LProgressTask& t) {
        outcome = CddbLookup(disc, {"127.0.0.1", server_->Port(), 300}, t, host);
        return 0;
    });
    EXPECT_EQ(outcome, CddbOutcome::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(disc.tracks[0].title, "Track 01");
}

TEST_F(CddbClientTest, CancelDuringTheConversationEndsIt) {
    server_ = std::make_unique<test::ScriptedLineServer>([](ServerConnection& c) { c.WaitForClose(); });
    host.cancelAtPump = 2;
    CddbOutcome outcome = CddbOutcome::Found;
    test::RunUnderProgress(host, [&](LProgressTask& t) {
        outcome = CddbLookup(disc, {"127.0.0.1", server_->Port(), 5000}, t, host);
        return 0;
    });
    EXPECT_EQ(outcome, CddbOutcome::Cancelled);
}

TEST_F(CddbClientTest, AGreetingOutsideTwoHundredsOrARefusedHelloEndsQuietly) {
    server_ = std::make_unique<test::ScriptedLineServer>([](ServerConnection& c) {
        c.Send("432 Permission denied.\r\n");
        c.WaitForClose(2000);
    });
    CddbOutcome outcome = CddbOutcome::Found;
    test::RunUnderProgress(host, [&](LProgressTask& t) {
        outcome = CddbLookup(disc, {"127.0.0.1", server_->Port(), 2000}, t, host);
        return 0;
    });
    EXPECT_EQ(outcome, CddbOutcome::Failed);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(Lookup({{"500 Command syntax error"}, {}}), CddbOutcome::Failed);
}

TEST(CddbEntryTest, ReplyCodesMatchesAndAlbumTitles) {
    EXPECT_EQ(CddbReplyCode("211 Found"), 211);
    EXPECT_EQ(CddbReplyCode("200"), 200);
    EXPECT_EQ(CddbReplyCode("20"), -1);
    EXPECT_EQ(CddbReplyCode("2000 x"), -1);
    EXPECT_EQ(CddbReplyCode("abc"), -1);
    auto match = ParseCddbMatch("newage  0a0b0c03   Some / Title ");
    ASSERT_TRUE(match);
    EXPECT_EQ(match->category, "newage");
    EXPECT_EQ(match->discId, "0a0b0c03");
    EXPECT_EQ(match->title, "Some / Title ");
    EXPECT_FALSE(ParseCddbMatch("lonely"));
    EXPECT_EQ(CleanCddbAlbumTitle("Caf\xc3\xa9 <Live> at 7:30 p.m. \"1/2\"?|*\\\x01"), "Caf Live at 730 pm 12");
    EXPECT_EQ(CleanCddbAlbumTitle(std::string(400, 'z')).size(), 259u);
}

}  // namespace
}  // namespace sv
