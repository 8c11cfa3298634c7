#include "RegionTestFixture.h"

#include "core/BookmarkFile.h"
#include "core/BookmarkList.h"
#include "core/CleanName.h"
#include "core/CommandIds.h"
#include "platform/Paths.h"

namespace sv {
namespace {

using test::Le32;
using test::Str;

class BookmarksTest : public test::RegionTest {
protected:
    void SetAt(LAudioDocument& doc, std::int32_t frame, const std::string& name) {
        ws.SetActive(&doc);
        doc.cursor = frame;
        host.inputs.push_back(name);
        Run(kCmdSetBookmark);
    }
    std::vector<std::string> Names(const LAudioDocument& doc) {
        std::vector<std::string> out;
        for (const LBookmark& b : doc.bookmarks) out.push_back(b.name);
        return out;
    }
};

TEST_F(BookmarksTest, DefaultNameIsTitleAtTimeText) {
    LAudioDocument& doc = Open(10);
    doc.cursor = 158863415;  // 3,602,345 ms at 44,100 Hz
    EXPECT_EQ(DefaultBookmarkName(doc), "take.wav@1:00:02.35");
}

TEST_F(BookmarksTest, BookmarksListInTimeOrderEqualTimesInSettingOrder) {
    LAudioDocument& doc = Open(441000);
    SetAt(doc, 220500, "first five");
    SetAt(doc, 88200, "two");
    SetAt(doc, 220500, "second five");
    EXPECT_EQ(Names(doc), (std::vector<std::string>{"two", "first five", "second five"}));
    EXPECT_EQ(doc.bookmarks[0].timeMs, 2000);
    EXPECT_EQ(doc.bookmarks[0].title, "take.wav");
    EXPECT_EQ(doc.bookmarks[0].flag, 1);
    EXPECT_GT(doc.bookmarks[0].lastUsed, 1700000000);
    EXPECT_EQ(doc.modified, 1);
}

TEST_F(BookmarksTest, ExistingNameAsksPerDocumentYesReplacesNoAsksAgainCancelEnds) {
    LAudioDocument& a = Open(44100, "/m/a.wav");
    LAudioDocument& b = Open(44100, "/m/b.wav");
    SetAt(a, 10, "x");
    SetAt(b, 20, "y");
    a.modified = b.modified = 0;

    host.answers = {MsgAnswer::Cancel};
    SetAt(b, 30, "x");
    EXPECT_EQ(Names(a), std::vector<std::string>{"x"});
    EXPECT_EQ(Names(b), std::vector<std::string>{"y"});
    EXPECT_EQ(a.modified, 0);
    EXPECT_EQ(host.messages.back().text, "Ce nom de signet existe déjà. Souhaitez-vous le remplacer?");
    EXPECT_EQ(host.messages.back().caption, "Le Signet Existe");

    host.answers = {MsgAnswer::No};
    host.inputs = {"x", "z"};
    ws.SetActive(&b);
    Run(kCmdSetBookmark);
    EXPECT_EQ(Names(a), std::vector<std::string>{"x"});
    EXPECT_EQ(Names(b), (std::vector<std::string>{"y", "z"}));

    host.answers = {MsgAnswer::Yes};
    SetAt(b, 40, "x");
    EXPECT_TRUE(a.bookmarks.empty());
    EXPECT_EQ(a.modified, 1);
    EXPECT_EQ(Names(b), (std::vector<std::string>{"y", "z", "x"}));
}

TEST_F(BookmarksTest, TheTwoHundredFiftySixthBookmarkIsRefused) {
    LAudioDocument& doc = Open(1000);
    for (int i = 0; i < 255; ++i) ASSERT_TRUE(AddBookmark(doc, BookmarkAtCursor(doc, "m" + std::to_string(i))));
    SetAt(doc, 5, "one too many");
    EXPECT_EQ(doc.bookmarks.size(), 255u);
    EXPECT_EQ(host.messages.back().text, "Un document ne peut contenir plus de 255 signets.");
}

TEST_F(BookmarksTest, RenameKeepsTheCleanNameAndRefusesEmptyOrTakenNames) {
    EXPECT_EQ(CleanName("Intro: part 1?"), "Intro part 1");
    EXPECT_EQ(CleanName("a\"*./:<>?\\|b\x01\xc3\xa9"), "ab");
    EXPECT_EQ(CleanName(std::string(300, 'n')).size(), 259u);

    LAudioDocument& a = Open(44100, "/m/a.wav");
    LAudioDocument& b = Open(44100, "/m/b.wav");
    SetAt(a, 0, "old");
    SetAt(b, 0, "taken");
    a.modified = 0;
    std::vector<BookmarkLine> lines = BookmarkLines(ws);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(RenameBookmark(ws, lines[0], "Intro: part 1?"));
    EXPECT_EQ(a.bookmarks[0].name, "Intro part 1");
    EXPECT_EQ(a.modified, 1);

    EXPECT_FALSE(RenameBookmark(ws, lines[0], "???"));
    EXPECT_EQ(host.messages.back().text, "The name must contain text.");
    EXPECT_EQ(host.messages.back().caption, "Name Invalid");
    EXPECT_FALSE(RenameBookmark(ws, lines[0], "taken"));
    EXPECT_EQ(host.messages.back().caption, "Bookmark Name Exists");
    EXPECT_EQ(a.bookmarks[0].name, "Intro part 1");
}

TEST_F(BookmarksTest, DeletingALineRemovesThatRecordNotEveryRecordOfItsName) {
    // Files opened from elsewhere can bring the same name into two documents.
    LAudioDocument& a = Open(44100, "/m/a.wav");
    LAudioDocument& b = Open(44100, "/m/b.wav");
    AddBookmark(a, BookmarkAtCursor(a, "same"));
    AddBookmark(b, BookmarkAtCursor(b, "same"));
    AddBookmark(b, BookmarkAtCursor(b, "other"));
    std::vector<BookmarkLine> lines = BookmarkLines(ws);
    ASSERT_EQ(lines.size(), 3u);

    host.answers = {MsgAnswer::No};
    DeleteBookmarks(ws, {lines[1]});
    EXPECT_EQ(b.bookmarks.size(), 2u);
    EXPECT_EQ(host.messages.back().caption, "Confirmer la Suppression");

    DeleteBookmarks(ws, {lines[1], lines[2]});
    EXPECT_EQ(Names(a), std::vector<std::string>{"same"});
    EXPECT_TRUE(b.bookmarks.empty());
    EXPECT_EQ(a.modified, 0);
    EXPECT_EQ(b.modified, 1);

    DeleteAllBookmarks(ws);
    EXPECT_EQ(host.messages.back().caption, "Confirmer la Suppression Totale");
    EXPECT_TRUE(a.bookmarks.empty());
    EXPECT_EQ(a.modified, 1);
}

TEST_F(BookmarksTest, GoToActivatesTheDocumentAndPutsTheCursorThere) {
    LAudioDocument& a = Open(441000, "/m/a.wav");
    Open(10, "/m/b.wav");
    LBookmark mark = BookmarkAtCursor(a, "here");
    mark.timeMs = 7500;
    mark.lastUsed = 5;
    AddBookmark(a, mark);
    a.SetView(0, 1000);
    GoToBookmark(ws, BookmarkLines(ws)[0]);
    EXPECT_EQ(ws.Active(), &a);
    EXPECT_EQ(a.cursor, 330750);
    EXPECT_EQ(a.selectionStart, 330750);
    EXPECT_EQ(a.selectionEnd, 330750);
    EXPECT_LE(a.viewStart, 330750);
    EXPECT_GT(a.viewEnd, 330750);
    EXPECT_EQ(a.viewEnd - a.viewStart, 1000);
    EXPECT_GT(a.bookmarks[0].lastUsed, 5);
}

TEST_F(BookmarksTest, CompanionPathReplacesTheExtensionOfTheFileNameOnly) {
    EXPECT_EQ(CompanionPath("/m/song.wav"), "/m/song.wbm");
    EXPECT_EQ(CompanionPath("/m.d/song"), "/m.d/song.wbm");
    EXPECT_EQ(CompanionPath("/m/a.b.mp3"), "/m/a.b.wbm");
}

TEST_F(BookmarksTest, CompanionFileIsWrittenByteExactAndReadBack) {
    LAudioDocument& doc = Open(10, dir.File("song.wav"));
    LBookmark first{"a", "t.wav", 1000, 1, 0x01020304};
    LBookmark longName{std::string(300, 'L'), "t.wav", -5, 1, 7};
    AddBookmark(doc, first);
    AddBookmark(doc, longName);
    ASSERT_TRUE(SaveCompanion(doc, nullptr));
    const std::string expected = std::string{2, 2} + std::string(1, char(255)) + Le32(300) + std::string(300, 'L') +
                                 Str("t.wav") +
                                 Le32(static_cast<std::uint32_t>(-5)) + "\x01" + Le32(7) + Str("a") + Str("t.wav") +
                                 Le32(1000) + "\x01" + Le32(0x01020304);
    EXPECT_EQ(Bytes(dir.File("song.wbm")), expected);

    std::vector<LBookmark> back;
    ASSERT_TRUE(ReadCompanionFile(dir.File("song.wbm"), back));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].name.size(), 259u);  // kept to 259 characters
    EXPECT_EQ(back[1].name, "a");
    EXPECT_EQ(back[1].lastUsed, 0x01020304);
}

TEST_F(BookmarksTest, CompanionVersionsBelowTwoAreIgnoredAndLaterOnesRead) {
    const std::string record = Str("n") + Str("t") + Le32(1) + "\x01" + Le32(2);
    std::vector<LBookmark> out;
    WriteBytes(dir.File("v1.wbm"), std::string{1, 1} + record);
    EXPECT_FALSE(ReadCompanionFile(dir.File("v1.wbm"), out));
    WriteBytes(dir.File("v0.wbm"), std::string{0, 1} + record);
    EXPECT_FALSE(ReadCompanionFile(dir.File("v0.wbm"), out));
    WriteBytes(dir.File("v3.wbm"), std::string{3, 1} + record);
    EXPECT_TRUE(ReadCompanionFile(dir.File("v3.wbm"), out));
    EXPECT_EQ(out.size(), 1u);
    EXPECT_FALSE(ReadCompanionFile(dir.File("missing.wbm"), out));
}

TEST_F(BookmarksTest, TruncatedCompanionKeepsOnlyCompleteRecordsAtEveryOffset) {
    const std::string r1 = Str("one") + Str("t") + Le32(10) + "\x01" + Le32(2);
    const std::string r2 = std::string(1, char(255)) + Le32(280) + std::string(280, 'x') + Str("t") + Le32(20) +
                           "\x01" + Le32(3);
    const std::string file = std::string{2, 2} + r1 + r2;
    for (std::size_t cut = 0; cut <= file.size(); ++cut) {
        WriteBytes(dir.File("cut.wbm"), file.substr(0, cut));
        std::vector<LBookmark> out;
        bool ok = ReadCompanionFile(dir.File("cut.wbm"), out);
        EXPECT_EQ(ok, cut >= 1) << cut;
        std::size_t expected = cut == file.size() ? 2 : cut >= 2 + r1.size() ? 1 : 0;
        EXPECT_EQ(out.size(), expected) << cut;
    }
}

TEST_F(BookmarksTest, AHugeStoredLengthIsRefusedWithoutReadingOn) {
    WriteBytes(dir.File("huge.wbm"), std::string{2, 1} + std::string(1, char(255)) + Le32(0x7fffffff) + "abc");
    std::vector<LBookmark> out;
    EXPECT_TRUE(ReadCompanionFile(dir.File("huge.wbm"), out));
    EXPECT_TRUE(out.empty());
}

TEST_F(BookmarksTest, SavingWithoutBookmarksDeletesOnlyTheCompanionThisDocumentOwns) {
    const std::string wbm = dir.File("song.wbm");
    LAudioDocument& wav = Open(10, dir.File("song.wav"));
    AddBookmark(wav, BookmarkAtCursor(wav, "keep"));
    ASSERT_TRUE(SaveCompanion(wav, nullptr));
    ASSERT_TRUE(FileExists(wbm));

    // A new song.mp3 shares the companion name but never read or wrote it.
    LAudioDocument& mp3 = Open(10, dir.File("song.mp3"));
    ASSERT_TRUE(SaveCompanion(mp3, nullptr));
    EXPECT_TRUE(FileExists(wbm));

    wav.bookmarks.clear();
    ASSERT_TRUE(SaveCompanion(wav, nullptr));
    EXPECT_FALSE(FileExists(wbm));
}

TEST_F(BookmarksTest, LoadingACompanionMarksTheDocumentAsItsOwner) {
    WriteBytes(dir.File("take.wbm"), std::string{2, 1} + Str("n") + Str("take.wav") + Le32(1500) + "\x01" + Le32(9));
    LAudioDocument& doc = Open(10, dir.File("take.wav"));
    LoadCompanion(doc);
    ASSERT_EQ(doc.bookmarks.size(), 1u);
    EXPECT_EQ(doc.bookmarks[0].timeMs, 1500);
    doc.bookmarks.clear();
    ASSERT_TRUE(SaveCompanion(doc, nullptr));
    EXPECT_FALSE(FileExists(dir.File("take.wbm")));
}

}  // namespace
}  // namespace sv
