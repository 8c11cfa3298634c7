#include "FormatTestSupport.h"
#include "formats/Id3Genres.h"
#include "formats/TagFiles.h"
#include "formats/WavReader.h"
#include "formats/WavWriter.h"
#include "platform/Settings.h"
#include "platform/SettingsScope.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace sv::test {
namespace {

class TagsTest : public ::testing::Test {
protected:
    std::string MakeWav(const std::string& name, std::int32_t frames = 100, int width = 2) {
        std::string path = dir.File(name);
        Ref<LAudioWriter> w = CreatePcmWavWriter(path, 8000, 1, width);
        std::vector<std::int32_t> s(static_cast<std::size_t>(frames), 1600);
        w->Write(s.data(), frames);
        return path;
    }
    TempFolder dir;
};

TEST_F(TagsTest, WavTagsRoundTripAndTheRiffSizeCoversThem) {
    std::string path = MakeWav("t.wav");
    LTagSet tags;
    tags.Set("TITLE", "Le titre");
    tags.Set("ARTIST", "Artiste");
    tags.Set("ALBUM", "Album");
    tags.Set("GENRE", "Jazz");
    tags.Set("TRACKNUMBER", "7");
    tags.Set("DATE", "2024");
    tags.Set("COMMENT", "Un commentaire");
    ASSERT_TRUE(WriteTags(tags, path));
    Bytes b = ReadBytes(path);
    EXPECT_EQ(Le32At(b, 4), b.size() - 8);
    LTagSet back;
    ASSERT_TRUE(ReadTags(back, path));
    for (const char* key : {"TITLE", "ARTIST", "ALBUM", "GENRE", "TRACKNUMBER", "DATE", "COMMENT"})
        EXPECT_EQ(back.Get(key), tags.Get(key)) << key;
    Ref<LAudioReader> r = OpenWavReader(path);
    EXPECT_EQ(r->Length(), 100);  // the samples are untouched
}

TEST_F(TagsTest, SameLengthsReuseTheSlotsInPlaceAndNewLengthsAppend) {
    std::string path = MakeWav("t.wav");
    LTagSet tags;
    tags.Set("TITLE", "ab");
    tags.Set("ARTIST", "xyz");
    ASSERT_TRUE(WriteTags(tags, path));
    std::size_t size = ReadBytes(path).size();
    tags.Set("TITLE", "cd");
    tags.Set("ARTIST", "uvw");
    ASSERT_TRUE(WriteTags(tags, path));
    EXPECT_EQ(ReadBytes(path).size(), size);
    LTagSet back;
    ReadTags(back, path);
    EXPECT_EQ(back.Get("TITLE"), "cd");
    EXPECT_EQ(back.Get("ARTIST"), "uvw");

    tags.Set("ARTIST", "longer artist");
    ASSERT_TRUE(WriteTags(tags, path));
    Bytes b = ReadBytes(path);
    EXPECT_GT(b.size(), size);
    std::string text(b.begin(), b.end());
    EXPECT_NE(text.find(std::string("    \x04\0\0\0", 8)), std::string::npos);  // the released slot
    LTagSet again;
    ReadTags(again, path);
    EXPECT_EQ(again.Get("ARTIST"), "longer artist");
}

TEST_F(TagsTest, MergeKeepsTheFilesValuesForKeysTheSetLeavesEmpty) {
    std::string path = MakeWav("m.wav");
    LTagSet first;
    first.Set("ARTIST", "A");
    first.Set("COMMENT", "C");
    ASSERT_TRUE(WriteTags(first, path));
    LTagSet second;
    second.Set("ARTIST", "");
    second.Set("COMMENT", "D");
    ASSERT_TRUE(WriteTags(second, path));
    EXPECT_EQ(second.Get("ARTIST"), "A");
    LTagSet back;
    ReadTags(back, path);
    EXPECT_EQ(back.Get("ARTIST"), "A");
    EXPECT_EQ(back.Get("COMMENT"), "D");
}

TEST_F(TagsTest, LongTitleIsCutToTheDispLimitAndOddDataGetsItsPadByte) {
    std::string path = MakeWav("odd.wav", 3, 1);  // 3 data bytes, no pad written
    LTagSet tags;
    tags.Set("TITLE", std::string(600, 't'));
    tags.Set("ARTIST", "x");
    ASSERT_TRUE(WriteTags(tags, path));
    LTagSet back;
    ReadTags(back, path);
    EXPECT_EQ(back.Get("ARTIST"), "x");
    EXPECT_EQ(back.Get("TITLE"), std::string(259, 't'));  // readers keep 259 characters
    Bytes b = ReadBytes(path);
    std::string text(b.begin(), b.end());
    std::size_t disp = text.find("DISP");
    ASSERT_NE(disp, std::string::npos);
    EXPECT_EQ(Le32At(b, disp + 4), 520u + 4u);
    EXPECT_EQ(disp % 2, 0u);
}

TEST_F(TagsTest, UnfinishedOrForeignFilesAreLeftAlone) {
    LTagSet tags;
    tags.Set("ARTIST", "x");
    EXPECT_FALSE(WriteTags(tags, dir.File("missing.wav")));
    std::string other = dir.File("a.ogg");
    WriteBytes(other, Bytes(10, 1));
    EXPECT_FALSE(WriteTags(tags, other));
    EXPECT_FALSE(ReadTags(tags, other));
    EXPECT_EQ(ReadBytes(other).size(), 10u);
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FmtBody(1, 1, 8000, 16));
    AppendFourCc(chunks, "data");
    AppendLe32(chunks, 0xFFFFFFFFu);  // a writer that never finished: appending would add samples
    chunks.insert(chunks.end(), 20, 0);
    std::string open = dir.File("open.wav");
    WriteBytes(open, RiffWave(chunks));
    EXPECT_FALSE(WriteTags(tags, open));
    EXPECT_EQ(ReadBytes(open).size(), 12u + 26u + 28u);
}

TEST_F(TagsTest, Id3v1GrowsOnceAndThenUpdatesInPlace) {
    std::string path = dir.File("song.MP3");
    WriteBytes(path, Bytes(1000, 0x55));
    LTagSet tags;
    tags.Set("TITLE", "Titre");
    tags.Set("TRACKNUMBER", "12");
    tags.Set("GENRE", "17");
    tags.Set("COMMENT", std::string(40, 'c'));
    ASSERT_TRUE(WriteTags(tags, path));
    EXPECT_EQ(ReadBytes(path).size(), 1128u);
    tags.Set("GENRE", "not a genre");
    tags.Set("ARTIST", "Moi");
    ASSERT_TRUE(WriteTags(tags, path));
    Bytes b = ReadBytes(path);
    ASSERT_EQ(b.size(), 1128u);
    EXPECT_EQ(b[1000 + 127], 17);  // an unknown name leaves the genre byte
    LTagSet back;
    ASSERT_TRUE(ReadTags(back, path));
    EXPECT_EQ(back.Get("TITLE"), "Titre");
    EXPECT_EQ(back.Get("ARTIST"), "Moi");
    EXPECT_EQ(back.Get("TRACKNUMBER"), "12");
    EXPECT_EQ(back.Get("GENRE"), "Rock");
    EXPECT_EQ(back.Get("COMMENT"), std::string(28, 'c'));
    tags.Set("GENRE", "synthPOP");
    ASSERT_TRUE(WriteTags(tags, path));
    EXPECT_EQ(ReadBytes(path)[1000 + 127], 147);
}

TEST_F(TagsTest, LongUtf8TextsAreCutAtACharacterBoundaryAndStayUtf8) {
    // 130 two-byte letters: 260 bytes, so the 259-byte limit falls inside the last one.
    std::string accents;
    for (int i = 0; i < 130; ++i) accents += "é";
    std::string path = MakeWav("long.wav");
    LTagSet tags;
    tags.Set("ARTIST", accents);
    tags.Set("COMMENT", "x" + accents);  // the limit falls after a whole letter
    ASSERT_TRUE(WriteTags(tags, path));
    LTagSet back;
    ASSERT_TRUE(ReadTags(back, path));
    EXPECT_EQ(back.Get("ARTIST"), accents.substr(0, 258));
    EXPECT_EQ(back.Get("COMMENT"), ("x" + accents).substr(0, 259));

    // A Latin-1 text written by another program is still read as Latin-1.
    std::string latin = MakeWav("latin.wav");
    LTagSet l;
    l.Set("ALBUM", "Caf\xE9");
    ASSERT_TRUE(WriteTags(l, latin));
    LTagSet lb;
    ASSERT_TRUE(ReadTags(lb, latin));
    EXPECT_EQ(lb.Get("ALBUM"), "Café");

    // An ID3v1 field that another tagger filled up to its 30 bytes, cutting the last letter.
    std::string mp3 = dir.File("cut.mp3");
    Bytes b(1000, 0x55);
    Bytes block(128, 0);
    block[0] = 'T', block[1] = 'A', block[2] = 'G';
    std::string title = "A" + accents.substr(0, 28) + "\xC3";  // 14 letters and a first byte
    std::copy(title.begin(), title.end(), block.begin() + 3);
    b.insert(b.end(), block.begin(), block.end());
    WriteBytes(mp3, b);
    LTagSet m;
    ASSERT_TRUE(ReadTags(m, mp3));
    EXPECT_EQ(m.Get("TITLE"), "A" + accents.substr(0, 28));
}

TEST(SettingsText, ValuesAreCutTo259BytesAtACharacterBoundary) {
    MemorySettingsScope user;
    Settings settings(user, nullptr);
    std::string accents;
    for (int i = 0; i < 200; ++i) accents += "é";
    settings.WriteUserSetting("Settings", "LastTitle", accents);
    EXPECT_EQ(settings.ReadSetting("Settings", "LastTitle"), accents.substr(0, 258));
    settings.WriteUserSetting("Settings", "LastTitle", "a" + accents);
    EXPECT_EQ(settings.ReadSetting("Settings", "LastTitle"), ("a" + accents).substr(0, 259));
}

TEST(Id3Genres, TheListHas148NamesFromBluesToSynthpop) {
    EXPECT_STREQ(Id3GenreName(0), "Blues");
    EXPECT_STREQ(Id3GenreName(79), "Hard Rock");
    EXPECT_STREQ(Id3GenreName(147), "Synthpop");
    EXPECT_STREQ(Id3GenreName(148), "");
}

TEST(TagSet, NewKeysGoToTheFrontAndExistingOnesAreReplaced) {
    LTagSet t;
    t.Set("TITLE", "a");
    t.Set("ARTIST", "b");
    t.Set("TITLE", "c");
    ASSERT_EQ(t.tags.size(), 2u);
    EXPECT_EQ(t.tags[0].id, "ARTIST");
    EXPECT_EQ(t.Get("TITLE"), "c");
    EXPECT_EQ(t.Get("title"), "");
}

TEST_F(TagsTest, FfprobeShowsTheTagsWeWrite) {
    if (!ToolExists("ffprobe")) GTEST_SKIP() << "ffprobe is not installed";
    std::string path = MakeWav("probe.wav");
    LTagSet tags;
    tags.Set("ARTIST", "Artiste");
    tags.Set("COMMENT", "Note");
    tags.Set("GENRE", "Jazz");
    tags.Set("TRACKNUMBER", "3");
    tags.Set("DATE", "2024");
    tags.Set("ALBUM", "Disque");
    ASSERT_TRUE(WriteTags(tags, path));
    std::string out = CommandOutput("ffprobe -v error -show_entries format_tags -of default=nw=1 " + Sh(path));
    EXPECT_NE(out.find("TAG:artist=Artiste"), std::string::npos) << out;
    EXPECT_NE(out.find("TAG:comment=Note"), std::string::npos) << out;
    EXPECT_NE(out.find("TAG:genre=Jazz"), std::string::npos) << out;
    EXPECT_NE(out.find("TAG:track=3"), std::string::npos) << out;
    EXPECT_NE(out.find("TAG:copyright=2024"), std::string::npos) << out;
    // The album is kept in INAM, which other programs call the title.
    EXPECT_NE(out.find("=Disque"), std::string::npos) << out;
}

}  // namespace
}  // namespace sv::test
