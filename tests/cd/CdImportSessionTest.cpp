#include "cd/CdImportSession.h"
#include "cd/DriveHotplug.h"
#include "cd/SimulatedDrive.h"
#include "support/SoundHelpers.h"
#include "CdTestSupport.h"
#include "core/Notifier.h"
#include "support/ScriptedLineServer.h"
#include "support/TempFolder.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace sv {
namespace {

using test::ServerConnection;

// Answers the lookup of any disc with titles for its first two tracks.
void ServeTitles(ServerConnection& c) {
    std::string line;
    c.Send("200 ready\r\n");
    if (!c.ReadLine(line)) return;
    c.Send("200 hello\r\n");
    if (!c.ReadLine(line)) return;
    c.Send("200 rock 12345678 Artist / Album\r\n");
    if (!c.ReadLine(line)) return;
    c.Send("210 rock 12345678\r\nDTITLE=Artist / Album\r\nTTITLE0=Opening\r\nTTITLE1=AC/DC cover\r\n.\r\n");
    c.ReadLine(line);
}

class CdImportSessionTest : public ::testing::Test, protected test::TestWorkspace {
protected:
    CdImportSessionTest() {
        SimulatedDisc disc = AudioDisc({750, 1500});
        disc.tracks.push_back({2250, true});
        disc.leadOut = 9000;
        drive = std::make_shared<SimulatedDrive>(disc);
        source.drives.push_back(drive);
    }
    // The lookup goes to a local server, or to a closed port when there is none.
    void UseServer(test::ScriptedLineServer* local) {
        user.Set("Settings", "CddbServer", "127.0.0.1");
        user.Set("Settings", "CddbPort", local ? std::to_string(local->Port()) : "1");
    }

    std::shared_ptr<SimulatedDrive> drive;
    SimulatedDriveSource source;
};

TEST_F(CdImportSessionTest, WithoutADriveItSaysSoAndCloses) {
    source.drives.clear();
    CdImportSession session(ws, source);
    EXPECT_FALSE(session.Open());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Aucun lecteur CD-ROM n'a été détecté. Si ce message apparaît alors que vous avez un lecteur CD-ROM "
              "installé, veuillez lire le paragraphe de la rubrique d'Aide concernant le Chargement des Pistes du CD.");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Error);
}

TEST_F(CdImportSessionTest, OpeningListsTheDrivesAndTheTracksWithTheirCddbTitles) {
    test::ScriptedLineServer server(ServeTitles);
    UseServer(&server);
    source.drives.push_back(std::make_shared<SimulatedDrive>());
    CdImportSession session(ws, source);
    ASSERT_TRUE(session.Open());
    EXPECT_EQ(session.DriveNames(), (std::vector<std::string>{"CD-ROM 1", "CD-ROM 2"}));
    EXPECT_EQ(session.SelectedDrive(), 0);
    EXPECT_TRUE(session.UseCddb());
    auto rows = session.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].title, "Opening");
    EXPECT_EQ(rows[0].duration, "0:10");
    EXPECT_EQ(rows[1].title, "AC/DC cover");
    EXPECT_EQ(rows[1].duration, "0:20");
    EXPECT_EQ(rows[2].title, "Track 03");
    EXPECT_EQ(rows[2].duration, "1:30");
    EXPECT_FALSE(rows[2].audio);
    EXPECT_EQ(session.Disc().artist, "Artist");
    EXPECT_EQ(host.progressTitles.at(0), "Loading Track(s)");
    EXPECT_TRUE(host.messages.empty());

    // The second drive holds no disc: its list stays empty, without a word.
    session.SelectDrive(1);
    EXPECT_TRUE(session.Rows().empty());
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(CdImportSessionTest, AFailedLookupSaysSoAndKeepsTheDefaultTitles) {
    UseServer(nullptr);
    CdImportSession session(ws, source);
    ASSERT_TRUE(session.Open());
    ASSERT_EQ(session.Rows().size(), 3u);
    EXPECT_EQ(session.Rows()[0].title, "Track 01");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "L'opération a échoué lors de la tentative d'accès au serveur internet freeDB. Veuillez réessayer plus "
              "tard.");

    // Without the switch nobody is asked.
    host.messages.clear();
    user.Set("Settings", "UseFreeDB", "0");
    CdImportSession offline(ws, source);
    ASSERT_TRUE(offline.Open());
    EXPECT_FALSE(offline.UseCddb());
    EXPECT_EQ(offline.Rows().size(), 3u);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(CdImportSessionTest, OkRipsTheChosenAudioTracksIntoNewDocumentsInListOrder) {
    test::ScriptedLineServer server(ServeTitles);
    UseServer(&server);
    CdImportSession session(ws, source);
    ASSERT_TRUE(session.Open());
    session.SetUseCddb(false);
    EXPECT_TRUE(session.Accept({2, 1, 0}));
    ASSERT_EQ(ws.Documents().size(), 2u);
    const LAudioDocument& first = *ws.Documents()[0];
    EXPECT_EQ(first.Title(), "Opening");
    EXPECT_EQ(first.sound.sampleRate, 44100);
    EXPECT_EQ(first.sound.channels, 2);
    EXPECT_EQ(first.Length(), 750 * 588);
    // A "/" in a title would pass for a folder and the document for a saved file.
    EXPECT_EQ(ws.Documents()[1]->Title(), "AC-DC cover");
    EXPECT_EQ(ws.Documents()[1]->Length(), 1500 * 588);
    EXPECT_EQ(ws.Documents()[1]->modified, 1);
    EXPECT_EQ(user.Get("Settings", "UseFreeDB"), "0");
    EXPECT_EQ(host.progressTitles.back(), "Importer les Pistes du CD");

    // The samples are the drive's: frame 1000 of track 1, left channel.
    std::vector<std::int32_t> frame = test::ReadFrames(first.sound, 1000, 1);
    const int at = 1000 * 4;
    auto left = static_cast<std::int16_t>(SimulatedSectorByte(at / 2352, at % 2352) |
                                          (SimulatedSectorByte(at / 2352, at % 2352 + 1) << 8));
    EXPECT_EQ(frame[0], left * 16);
}

TEST_F(CdImportSessionTest, ACancelledOrFailedRipOpensNoWindowAndStopsTheRest) {
    UseServer(nullptr);
    user.Set("Settings", "UseFreeDB", "0");
    CdImportSession session(ws, source);
    ASSERT_TRUE(session.Open());
    drive->InjectSense(100, {0x03, 0x11, 0x00});
    EXPECT_TRUE(session.Accept({0, 1}));
    EXPECT_TRUE(ws.Documents().empty());
    EXPECT_EQ(host.progressErrors.size(), 1u);
    EXPECT_EQ(host.progressTitles.back(), "Importer les Pistes du CD");
    EXPECT_EQ(std::count(host.progressTitles.begin(), host.progressTitles.end(), "Importer les Pistes du CD"), 1);

    host.cancelAtPump = 1;
    EXPECT_TRUE(session.Accept({1}));
    EXPECT_TRUE(ws.Documents().empty());
}

TEST_F(CdImportSessionTest, HotplugReloadsOrClearsTheListAndFollowsTheDrives) {
    UseServer(nullptr);
    user.Set("Settings", "UseFreeDB", "0");
    CdImportSession session(ws, source);
    ASSERT_TRUE(session.Open());
    EXPECT_TRUE(session.HandleHotplug({CdHotplugKind::DiscRemoved, "/dev/sim0"}));
    EXPECT_TRUE(session.Rows().empty());
    EXPECT_FALSE(session.HandleHotplug({CdHotplugKind::DiscInserted, "/dev/sr7"}));
    drive->InsertDisc(AudioDisc({75, 75, 75, 75}));
    EXPECT_TRUE(session.HandleHotplug({CdHotplugKind::DiscInserted, "/dev/sim0"}));
    EXPECT_EQ(session.Rows().size(), 4u);

    EXPECT_FALSE(session.RefreshDrives());
    source.drives.clear();
    EXPECT_TRUE(session.HandleHotplug({CdHotplugKind::DriveRemoved, "/dev/sim0"}));
    EXPECT_EQ(session.SelectedDrive(), -1);
    EXPECT_TRUE(session.Rows().empty());
    EXPECT_FALSE(session.Accept({0}));
    source.drives.push_back(drive);
    EXPECT_TRUE(session.RefreshDrives());
    EXPECT_EQ(session.SelectedDrive(), 0);
    EXPECT_EQ(session.Rows().size(), 4u);
}

TEST(CdImportSessionGuardTest, HotplugReportsDuringALoadOrARipChangeNothing) {
    test::TempFolder dir;
    BlockStore store(dir.path());
    test::CancellableHost host;
    MemorySettingsScope user;
    user.Set("Settings", "UseFreeDB", "0");
    Settings settings(user, nullptr);
    ManualNotifier notifier;
    Workspace ws(host, settings, store, notifier);
    SimulatedDriveSource source;
    source.drives.push_back(std::make_shared<SimulatedDrive>(AudioDisc({750, 750})));
    CdImportSession session(ws, source);
    int ignored = 0;
    host.onPump = [&] {
        ignored += !session.HandleHotplug({CdHotplugKind::DiscRemoved, "/dev/sim0"});
        ignored += !session.Accept({0});
    };
    ASSERT_TRUE(session.Open());
    EXPECT_EQ(session.Rows().size(), 2u);
    ASSERT_TRUE(session.Accept({0, 1}));
    EXPECT_GT(ignored, 0);
    EXPECT_EQ(ws.Documents().size(), 2u);
    EXPECT_EQ(session.Rows().size(), 2u);
    host.onPump = nullptr;
}

TEST(DriveHotplugTest, UdevEventsOfCdDrivesAreClassified) {
    CdHotplugEvent e;
    ASSERT_TRUE(ClassifyCdUevent("change", "/dev/sr0", "1", "1", e));
    EXPECT_EQ(e.kind, CdHotplugKind::DiscInserted);
    EXPECT_EQ(e.devicePath, "/dev/sr0");
    ASSERT_TRUE(ClassifyCdUevent("change", "/dev/sr1", "", "1", e));
    EXPECT_EQ(e.kind, CdHotplugKind::DiscRemoved);
    ASSERT_TRUE(ClassifyCdUevent("add", "/dev/sr2", "", "", e));
    EXPECT_EQ(e.kind, CdHotplugKind::DriveAdded);
    ASSERT_TRUE(ClassifyCdUevent("remove", "/dev/sr2", "", "", e));
    EXPECT_EQ(e.kind, CdHotplugKind::DriveRemoved);
    EXPECT_FALSE(ClassifyCdUevent("change", "/dev/sr0", "1", "", e));
    EXPECT_FALSE(ClassifyCdUevent("add", "/dev/sda", "", "", e));
}

}  // namespace
}  // namespace sv
