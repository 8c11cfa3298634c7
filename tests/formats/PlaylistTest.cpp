// The playlists and the podcast feed: their texts byte for byte, the addresses, and whole saves
// through lame that players and feed readers accept (xmllint, ffprobe).
#include "FormatTestSupport.h"
#include "core/AudioDocument.h"
#include "formats/AudioFileIo.h"
#include "formats/Components.h"
#include "formats/FormatCommands.h"
#include "formats/PlaylistEncodeDialog.h"
#include "formats/PlaylistText.h"
#include "formats/PlaylistWriter.h"
#include "platform/Paths.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace sv::test {
namespace {

std::string Text(const std::string& path) {
    Bytes b = ReadBytes(path);
    return std::string(b.begin(), b.end());
}

PlaylistEntry Show() {
    PlaylistEntry e;
    e.title = "show";
    e.root = "http://example.org/pod";
    e.mp3Name = "show.mp3";
    e.seconds = 90;
    e.mp3Bytes = 1453;
    return e;
}

TEST(PlaylistText, TemplatesAreWrittenByteForByte) {
    EXPECT_EQ(PlaylistText(PlaylistKind::M3U, Show()),
              "#EXTM3U\r\n#EXTINF:90,show\r\nhttp://example.org/pod/show.mp3\r\n");
    EXPECT_EQ(PlaylistText(PlaylistKind::PLS, Show()),
              "[playlist]\r\nFile1=http://example.org/pod/show.mp3\r\nTitle1=show\r\nLength1=90\r\n"
              "NumberOfEntries=1\r\nVersion=2\r\n");
    EXPECT_EQ(PlaylistText(PlaylistKind::WPL, Show()),
              "<?wpl version=\"1.0\"?>\r\n<smil>\r\n    <head>\r\n        <title>show</title>\r\n    </head>\r\n"
              "    <body>\r\n        <seq>\r\n            <media src=\"http://example.org/pod/show.mp3\"/>\r\n"
              "        </seq>\r\n    </body>\r\n</smil>\r\n");
    EXPECT_EQ(PlaylistText(PlaylistKind::RSS, Show()),
              "<?xml version=\"1.0\" ?>\r\n<rss version=\"2.0\">\r\n  <channel>\r\n      <title>show</title>\r\n"
              "      <description>show</description>\r\n      <link>http://example.org/pod</link>\r\n      <item>\r\n"
              "         <title>show</title>\r\n         <description>show</description>\r\n"
              "         <enclosure url=\"http://example.org/pod/show.mp3\" length=\"1453\" type=\"audio/mpeg\" />\r\n"
              "      </item>\r\n  </channel>\r\n</rss>\r\n");
}

TEST(PlaylistText, RootAddressGetsOneSlashAndAnEmptyRootLeavesTheNameAlone) {
    EXPECT_EQ(PlaylistAddress("http://example.org/pod/", "show.mp3"), "http://example.org/pod/show.mp3");
    EXPECT_EQ(PlaylistAddress("http://example.org/pod", "show.mp3"), "http://example.org/pod/show.mp3");
    EXPECT_EQ(PlaylistAddress("", "show.mp3"), "show.mp3");
    // Under a root the name is part of a web address; alone it is a file beside the playlist.
    EXPECT_EQ(PlaylistAddress("http://h/", "my show #1.mp3"), "http://h/my%20show%20%231.mp3");
    EXPECT_EQ(PlaylistAddress("", "my show #1.mp3"), "my show #1.mp3");
    PlaylistEntry e = Show();
    e.root = "";
    EXPECT_EQ(PlaylistText(PlaylistKind::M3U, e), "#EXTM3U\r\n#EXTINF:90,show\r\nshow.mp3\r\n");
    EXPECT_NE(PlaylistText(PlaylistKind::RSS, e).find("<link></link>"), std::string::npos);
    EXPECT_NE(PlaylistText(PlaylistKind::RSS, e).find("url=\"show.mp3\""), std::string::npos);
}

TEST(PlaylistText, TitlesWithAmpersandAndLessThanMakeWellFormedXml) {
    if (!ToolExists("xmllint")) GTEST_SKIP() << "xmllint missing (libxml2-utils)";
    TempFolder dir;
    PlaylistEntry e = Show();
    e.title = "Tom & Jerry <live> \"1\"";
    e.root = "http://example.org/a?b=1&c=2";
    e.mp3Name = "Tom & Jerry <live>.mp3";
    const std::string rss = PlaylistText(PlaylistKind::RSS, e);
    EXPECT_NE(rss.find("<title>Tom &amp; Jerry &lt;live&gt; &quot;1&quot;</title>"), std::string::npos);
    EXPECT_NE(rss.find("<link>http://example.org/a?b=1&amp;c=2</link>"), std::string::npos);
    EXPECT_NE(rss.find("url=\"http://example.org/a?b=1&amp;c=2/Tom%20%26%20Jerry%20%3Clive%3E.mp3\""), std::string::npos);
    for (PlaylistKind kind : {PlaylistKind::RSS, PlaylistKind::WPL}) {
        const std::string path = dir.File("feed.xml");
        const std::string text = PlaylistText(kind, e);
        WriteBytes(path, Bytes(text.begin(), text.end()));
        EXPECT_EQ(RunCommand("xmllint --noout " + Sh(path)), 0) << text;
    }
    // A line break in a name cannot add a line to a playlist.
    e.title = "one\r\n#EXTINF:1,two";
    EXPECT_EQ(PlaylistText(PlaylistKind::M3U, e).find("\r\n#EXTINF:1"), std::string::npos);
}

TEST(PlaylistEncodeDialog, CaptionsFollowTheKindAndOkStoresTheRootAddress) {
    EXPECT_EQ(PlaylistEncodeDialog(PlaylistKind::RSS, "").caption, "Paramètres du Fichier Balado au format RSS");
    EXPECT_EQ(PlaylistEncodeDialog(PlaylistKind::PLS, "").caption, "Paramètres du Fichier de liste d'écoute");
    TestWorkspace t;
    t.settings.WriteUserSetting("RSSEncode", "RootURL", "http://old/");
    t.host.dialogs.push_back({true, {{"root", "http://new.example/" + std::string(300, 'x')}}});
    ASSERT_TRUE(ShowPlaylistEncodeDialog(t.host, &t.settings, PlaylistKind::M3U));
    ASSERT_EQ(t.host.shownDialogs.size(), 1u);
    EXPECT_EQ(t.host.shownDialogs[0].resource, "LPlaylistEncodeDlg");
    EXPECT_EQ(t.host.shownDialogs[0].Value("root"), "http://old/");
    EXPECT_EQ(t.settings.ReadSetting("RSSEncode", "RootURL").size(), 259u);
    t.host.dialogs.push_back({false, {{"root", "http://other/"}}});
    EXPECT_FALSE(ShowPlaylistEncodeDialog(t.host, &t.settings, PlaylistKind::RSS));
    EXPECT_EQ(t.settings.ReadSetting("RSSEncode", "RootURL").substr(0, 19), "http://new.example/");
}

class PlaylistSave : public ::testing::Test, protected TestWorkspace {
protected:
    PlaylistSave() {
        InstallFormatServices(ws);
        RegisterShippedComponents(settings);
    }
    bool HaveLame() { return ToolExists("lame"); }
    // A silent mono sound of frames at rate, saved to path.
    int Save(const std::string& path, std::int32_t frames, std::int32_t rate = 22050) {
        std::vector<std::int32_t> samples(static_cast<std::size_t>(frames));
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int32_t>((i % 50) * 320);
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(MakeSound(store, samples, 1, rate), path);
        ws.AddDocument(doc);
        return SaveDocumentAs(ws, *doc, {path, rate, 1, false, nullptr});
    }
    std::string FirstError() const { return host.progressErrors.empty() ? "" : host.progressErrors[0]; }
    TempFolder files;
};

TEST_F(PlaylistSave, M3uOf90Point9SecondsSaysNinetyAndItsMp3DecodesWithThatDuration) {
    if (!HaveLame()) GTEST_SKIP() << "lame missing";
    settings.WriteUserSetting("RSSEncode", "RootURL", "http://example.org/pod/");
    const std::string path = files.File("show.m3u");
    ASSERT_EQ(Save(path, 22050 * 909 / 10), 0) << FirstError();
    EXPECT_EQ(Text(path), "#EXTM3U\r\n#EXTINF:90,show\r\nhttp://example.org/pod/show.mp3\r\n");
    ASSERT_TRUE(FileExists(files.File("show.mp3")));
    if (ToolExists("ffprobe")) {
        const double seconds = std::atof(
            CommandOutput("ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 " +
                          Sh(files.File("show.mp3")))
                .c_str());
        EXPECT_NEAR(seconds, 90.9, 0.1);
    }
    // Nothing but the two files is left in the folder.
    EXPECT_EQ(CommandOutput("ls -A " + Sh(files.path())), "show.m3u\nshow.mp3\n");
}

TEST_F(PlaylistSave, RssLengthIsTheMp3SizeAndTheFeedIsWellFormed) {
    if (!HaveLame()) GTEST_SKIP() << "lame missing";
    settings.WriteUserSetting("RSSEncode", "RootURL", "http://example.org/pod");
    const std::string path = files.File("Tom & Jerry <1>.rss");
    ASSERT_EQ(Save(path, 22050), 0) << FirstError();
    const std::string mp3 = files.File("Tom & Jerry <1>.mp3");
    const std::string feed = Text(path);
    EXPECT_NE(feed.find("length=\"" + std::to_string(FileSize(mp3)) + "\""), std::string::npos) << feed;
    EXPECT_NE(feed.find("url=\"http://example.org/pod/Tom%20%26%20Jerry%20%3C1%3E.mp3\""), std::string::npos);
    EXPECT_NE(feed.find("<title>Tom &amp; Jerry &lt;1&gt;</title>"), std::string::npos);
    if (ToolExists("xmllint")) EXPECT_EQ(RunCommand("xmllint --noout " + Sh(path)), 0);

    const std::string wpl = files.File("Tom & Jerry <1>.wpl");
    host.answers.push_back(MsgAnswer::Yes);  // the MP3 of the feed is replaced
    ASSERT_EQ(Save(wpl, 22050), 0) << FirstError();
    if (ToolExists("xmllint")) EXPECT_EQ(RunCommand("xmllint --noout " + Sh(wpl)), 0);
}

TEST_F(PlaylistSave, AnMp3BesideThePlaylistIsReplacedOnlyWhenTheUserAgrees) {
    if (!HaveLame()) GTEST_SKIP() << "lame missing";
    const std::string mp3 = files.File("show.mp3");
    WriteBytes(mp3, {'o', 'l', 'd'});
    host.answers.push_back(MsgAnswer::No);
    EXPECT_EQ(Save(files.File("show.pls"), 2205), 1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Le fichier \"" + mp3 + "\" existe déjà. Voulez-vous le remplacer?");
    EXPECT_EQ(ReadBytes(mp3), (Bytes{'o', 'l', 'd'}));
    EXPECT_FALSE(FileExists(files.File("show.pls")));

    host.answers.push_back(MsgAnswer::Yes);
    ASSERT_EQ(Save(files.File("show.pls"), 2205), 0) << FirstError();
    EXPECT_GT(FileSize(mp3), 3);
    EXPECT_EQ(Text(files.File("show.pls")),
              "[playlist]\r\nFile1=show.mp3\r\nTitle1=show\r\nLength1=0\r\nNumberOfEntries=1\r\nVersion=2\r\n");
}

TEST_F(PlaylistSave, AFailingEncoderFailsTheSaveAndLeavesThePlaylistAndMp3AsTheyWere) {
    const std::string stub = files.File("broken-lame");
    {
        std::ofstream s(stub);
        s << "#!/bin/sh\ncat >/dev/null\necho 'no space left' >&2\nexit 3\n";
    }
    ASSERT_EQ(RunCommand("chmod +x " + Sh(stub)), 0);
    settings.WriteUserSetting(ComponentSection("mp3el"), "Path", stub);
    const std::string path = files.File("show.m3u");
    WriteBytes(path, {'#', 'o', 'l', 'd'});
    host.answers.push_back(MsgAnswer::Yes);
    EXPECT_EQ(Save(path, 4410), 2);
    EXPECT_NE(FirstError().find("no space left"), std::string::npos) << FirstError();
    EXPECT_EQ(ReadBytes(path), (Bytes{'#', 'o', 'l', 'd'}));
    EXPECT_EQ(CommandOutput("ls -A " + Sh(files.path())), "broken-lame\nshow.m3u\n");
}

TEST_F(PlaylistSave, AFolderThatCannotBeWrittenIsAReportedFailure) {
    const std::string notFolder = files.File("plain");
    WriteBytes(notFolder, {'x'});
    Ref<LAudioWriter> w = CreatePlaylistWriter(PlaylistKind::M3U, notFolder + "/show.m3u", 44100, 1, &settings);
    ASSERT_TRUE(w->error);
    EXPECT_NE(w->errorText.find("show.m3u"), std::string::npos) << w->errorText;

    EXPECT_EQ(Save(notFolder + "/show.rss", 4410), 2);
    EXPECT_EQ(FirstError(), CannotCreateMessage(notFolder + "/show.rss"));
}

TEST_F(PlaylistSave, WithoutTheMp3EncoderTheWriterIsAnErrorWriter) {
    MemorySettingsScope empty;
    Settings none(empty, nullptr);
    const std::string path = files.File("show.m3u");
    Ref<LAudioWriter> w = CreatePlaylistWriter(PlaylistKind::M3U, path, 44100, 1, &none);
    EXPECT_TRUE(w->error);
    EXPECT_NE(w->errorText.find("mp3el"), std::string::npos) << w->errorText;
    w = nullptr;
    EXPECT_FALSE(FileExists(path));
}

}  // namespace
}  // namespace sv::test
