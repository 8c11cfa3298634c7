#include "net/Base64.h"
#include "net/MailMessage.h"
#include "net/MailServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

namespace sv {
namespace {

TEST(MailServerTest, BothLogonFormsGiveTheSameHostUserAndPassword) {
    MailServer a = ParseMailServer("smtp.example.fr:jean:s3cret");
    MailServer b = ParseMailServer("jean:s3cret@smtp.example.fr");
    EXPECT_EQ(a.host, "smtp.example.fr");
    EXPECT_EQ(a.user, "jean");
    EXPECT_EQ(a.password, "s3cret");
    EXPECT_EQ(b.host, a.host);
    EXPECT_EQ(b.user, a.user);
    EXPECT_EQ(b.password, a.password);
    MailServer plain = ParseMailServer("smtp.example.fr");
    EXPECT_EQ(plain.host, "smtp.example.fr");
    EXPECT_FALSE(plain.HasUser());
}

TEST(MailServerTest, AUserNameThatIsAnAddressKeepsItsAtSignAndThePasswordFollowsTheFirstColon) {
    MailServer s = ParseMailServer("jean@example.fr:pa:ss@smtp.example.fr");
    EXPECT_EQ(s.host, "smtp.example.fr");
    EXPECT_EQ(s.user, "jean@example.fr");
    EXPECT_EQ(s.password, "pa:ss");
}

TEST(MailServerTest, TheStoredFormDropsOnlyThePassword) {
    EXPECT_EQ(MailServerWithoutPassword("smtp.example.fr:jean:s3cret"), "smtp.example.fr:jean");
    EXPECT_EQ(MailServerWithoutPassword("jean@example.fr:s3cret@smtp.example.fr"), "jean@example.fr@smtp.example.fr");
    EXPECT_EQ(MailServerWithoutPassword("smtp.example.fr"), "smtp.example.fr");
    MailServer back = ParseMailServer(MailServerWithoutPassword("jean@example.fr:s3cret@smtp.example.fr"));
    EXPECT_EQ(back.user, "jean@example.fr");
    EXPECT_EQ(back.host, "smtp.example.fr");
    EXPECT_EQ(back.password, "");
}

TEST(MailMessageTest, Base64MatchesTheStandardVectors) {
    EXPECT_EQ(Base64Encode(""), "");
    EXPECT_EQ(Base64Encode("f"), "Zg==");
    EXPECT_EQ(Base64Encode("fo"), "Zm8=");
    EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(Base64Encode(std::string(57, '\xff')).size(), 76u);
}

TEST(MailMessageTest, DateHasTheMailFormAndTheZoneOfTheLocalClock) {
    setenv("TZ", "EST5", 1);
    tzset();
    EXPECT_EQ(MailDate(1796792706), "Wed, 09 Dec 2026 00:05:06 -0500");
    setenv("TZ", "UTC-5:30", 1);
    tzset();
    EXPECT_EQ(MailDate(1796792706), "Wed, 09 Dec 2026 10:35:06 +0530");
    unsetenv("TZ");
    tzset();
}

TEST(MailMessageTest, LinesEndInCrLfAndEveryLeadingDotIsDoubled) {
    EXPECT_EQ(DotStuffedLines(".first\nmiddle\n.\n..two\r\nlast"), "..first\r\nmiddle\r\n..\r\n...two\r\nlast");
    EXPECT_EQ(DotStuffedLines("old\rmac\r\n.x"), "old\r\nmac\r\n..x");
    EXPECT_EQ(DotStuffedLines("a.b\n"), "a.b\r\n");
}

TEST(MailMessageTest, TheBoundaryAvoidsTheNumbersFoundInTheText) {
    MailMessage m;
    m.text = "see gc0p4Jq0M2Yt08jU534c0 here";
    m.attachments = {"/tmp/a.wav"};
    MailComposer composer(m);
    EXPECT_EQ(composer.Boundary(), "gc0p4Jq0M2Yt08jU534c1");
    m.text.clear();
    for (int i = 0; i < 100; ++i) m.text += "gc0p4Jq0M2Yt08jU534c" + std::to_string(i) + "\n";
    EXPECT_FALSE(MailComposer(m).Boundary());
    EXPECT_FALSE(MailComposer(m).Check().empty());
}

TEST(MailMessageTest, LineBreaksInHeaderValuesAreRefused) {
    MailMessage m;
    m.to = "a@example.fr";
    m.from = "b@example.fr";
    m.subject = "Hello";
    EXPECT_EQ(MailComposer(m).Check(), "");
    m.subject = "Hello\r\nBcc: victim@example.fr";
    EXPECT_NE(MailComposer(m).Check(), "");
    m.subject = "Hello";
    m.to = "a@example.fr\nBcc: x@example.fr";
    EXPECT_NE(MailComposer(m).Check(), "");
    m.to = "a@example.fr";
    m.attachments = {"/tmp/evil\r\nname.wav"};
    EXPECT_NE(MailComposer(m).Check(), "");
}

TEST(MailMessageTest, HeadersCarryTheFieldsAndEncodeFrenchText) {
    MailMessage m;
    m.to = "Zoé Martin <zoe@example.fr>, bob@example.fr";
    m.from = "jean@example.fr";
    m.subject = "Réunion d'été";
    m.text = "Bonjour";
    std::string head = MailComposer(m).Head(0);
    EXPECT_NE(head.find("MIME-Version: 1.0\r\nFrom: jean@example.fr\r\n"), std::string::npos);
    EXPECT_NE(head.find("To: =?UTF-8?B?Wm/DqSBNYXJ0aW4=?= <zoe@example.fr>, bob@example.fr\r\n"), std::string::npos);
    EXPECT_NE(head.find("Subject: =?UTF-8?B?UsOpdW5pb24gZCfDqXTDqQ==?=\r\n"), std::string::npos);
    EXPECT_NE(head.find("X-Mailer: Sonvela https://"), std::string::npos);
    EXPECT_NE(head.find("Content-Type: text/plain\r\n\r\nBonjour"), std::string::npos);
    // A long subject folds into words of at most 75 characters.
    std::string word = EncodeHeaderWord(std::string(40, 'x') + std::string(60, '\xc3') );
    std::regex wordForm(R"(=\?UTF-8\?B\?[A-Za-z0-9+/=]{1,60}\?=)");
    std::size_t start = 0;
    for (;;) {
        std::size_t fold = word.find("\r\n ", start);
        std::string piece = word.substr(start, fold == std::string::npos ? std::string::npos : fold - start);
        EXPECT_TRUE(std::regex_match(piece, wordForm)) << piece;
        EXPECT_LE(piece.size(), 75u);
        if (fold == std::string::npos) break;
        start = fold + 3;
    }
}

TEST(MailMessageTest, AttachmentHeadsNameTheFileAndItsType) {
    MailMessage m;
    m.attachments = {"/home/jean/prise 1.wav", "/x/chanson.MP3", "/x/Été \"1\".aiff"};
    MailComposer c(m);
    EXPECT_EQ(c.AttachmentHead(m.attachments[0]),
              "\r\n--gc0p4Jq0M2Yt08jU534c0\r\nContent-Type: audio/wav; name=\"prise 1.wav\"\r\n"
              "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"prise 1.wav\"\r\n\r\n");
    EXPECT_NE(c.AttachmentHead(m.attachments[1]).find("Content-Type: audio/mpeg;"), std::string::npos);
    EXPECT_NE(c.AttachmentHead(m.attachments[2]).find("application/octet-stream; name*=UTF-8''%C3%89t%C3%A9%20%221%22.aiff"),
              std::string::npos);
    EXPECT_EQ(c.Tail(), "--gc0p4Jq0M2Yt08jU534c0--\r\n");
}

TEST(MailMessageTest, RecipientsAreSplitTrimmedAndCut) {
    std::string longOne(300, 'a');
    std::vector<std::string> r = SplitRecipients(" a@example.fr, ,Bob <b@example.fr>," + longOne);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0], "a@example.fr");
    EXPECT_EQ(r[1], "b@example.fr");
    EXPECT_EQ(r[2].size(), 259u);
}

}  // namespace
}  // namespace sv
