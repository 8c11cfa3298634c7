// The hand-over to the sibling programs, through stub programs on PATH that record their
// arguments and the list they were given; and the shipped burning adapter over stub burners.
#include "core/AudioDocument.h"
#include "core/BlockStore.h"
#include "core/Notifier.h"
#include "core/ProgressTask.h"
#include "core/Workspace.h"
#include "formats/FormatCommands.h"
#include "formats/WavReader.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "siblings/BurnHandOver.h"
#include "siblings/SiblingCommandLine.h"
#include "siblings/ToneGenerator.h"
#include "support/ScriptedHost.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace sv::test {
namespace {

using Args = std::vector<std::string>;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteScript(const std::string& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body;
    ::chmod(path.c_str(), 0755);
}

TEST(SiblingCommandLine, OnePercentSIsReplacedByWholeArgumentsAndNothingIsShellText) {
    const Args list{"-type", "audio", "-list", "/tmp/my list.txt"};
    EXPECT_EQ(FormatSiblingCommand("\"/opt/my burner/burn\"%s", list),
              (Args{"/opt/my burner/burn", "-type", "audio", "-list", "/tmp/my list.txt"}));
    EXPECT_EQ(FormatSiblingCommand("burn --speed 4 %s --eject %s", list),
              (Args{"burn", "--speed", "4", "-type", "audio", "-list", "/tmp/my list.txt", "--eject", "%s"}));
    EXPECT_EQ(FormatSiblingCommand("burn", {"-x"}), (Args{"burn", "-x"}));
    EXPECT_EQ(SplitCommandLine("tone $HOME;rm -rf ~ `id` \"a b\"c  "),
              (Args{"tone", "$HOME;rm", "-rf", "~", "`id`", "a bc"}));
    EXPECT_EQ(SplitCommandLine(""), Args{});
}

class SiblingPrograms : public ::testing::Test {
protected:
    SiblingPrograms() {
        oldPath = std::getenv("PATH");
        const char* t = std::getenv("TMPDIR");
        oldTmp = t ? t : "";
        setenv("PATH", (bin.path() + ":" + oldPath).c_str(), 1);
        setenv("TMPDIR", tmp.path().c_str(), 1);
        InstallFormatServices(ws);
        // Records its arguments, one per line, and the list file it is handed.
        WriteScript(bin.File("stub-burn"), "printf '%s\\n' \"$@\" > " + files.File("args") +
                                               "\ncat \"$4\" > " + files.File("list") + "\nexit ${STUB_EXIT:-0}\n");
        options.openPage = [this](const std::string& address) { pages.push_back(address); };
        options.install = [this](Settings&) {
            ++installs;
            return false;
        };
    }
    ~SiblingPrograms() override {
        setenv("PATH", oldPath.c_str(), 1);
        if (oldTmp.empty()) unsetenv("TMPDIR");
        else setenv("TMPDIR", oldTmp.c_str(), 1);
    }
    LAudioDocument& Open(const std::string& name, bool modified) {
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(MakeRamp(store, 441), name);
        doc->path = files.File(name);
        std::ofstream(doc->path) << "on disk";
        doc->modified = modified;
        ws.AddDocument(doc);
        return *doc;
    }
    Args Recorded() {
        Args lines;
        std::istringstream in(Slurp(files.File("args")));
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
    int Count(const std::string& text) const {
        int n = 0;
        for (const RecordedMessage& m : host.messages) n += m.text == text;
        return n;
    }

    TempFolder dir, bin, files, tmp;
    BlockStore store{dir.path()};
    ScriptedHost host;
    MemorySettingsScope user, machine;
    Settings settings{user, &machine};
    ManualNotifier notifier;
    Workspace ws{host, settings, store, notifier};
    SiblingOptions options;
    std::vector<std::string> pages;
    int installs = 0;
    std::string oldPath, oldTmp;
};

TEST_F(SiblingPrograms, AllOpenFilesGoToTheBurnerInOrderAfterOneSaveMessage) {
    user.Set("Burnvale/Settings", "CopyCD", "stub-burn%s");
    // An old fixed list name planted as a link must not be followed.
    const std::string victim = files.File("victim");
    std::ofstream(victim) << "keep";
    ASSERT_EQ(::symlink(victim.c_str(), (tmp.path() + "/burn.txt").c_str()), 0);
    LAudioDocument& a = Open("a.wav", false);
    LAudioDocument& b = Open("b.wav", true);

    EXPECT_EQ(CopyOpenFilesToCd(ws, BurnType::Audio, options), 0) << (host.progressErrors.empty() ? "" : host.progressErrors[0]);
    EXPECT_EQ(Count(kSaveBeforeBurnText), 1);
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Enregistrement des fichiers exigé");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(b.modified, 0);  // saved before the burner read it
    EXPECT_EQ(Slurp(files.File("list")), a.path + "\r\n" + b.path + "\r\n");
    const Args args = Recorded();
    ASSERT_EQ(args.size(), 4u);
    EXPECT_EQ(Args(args.begin(), args.begin() + 3), (Args{"-type", "audio", "-list"}));
    EXPECT_NE(args[3], tmp.path() + "/burn.txt");
    EXPECT_FALSE(FileExists(args[3]));  // deleted once the burner ended
    EXPECT_EQ(Slurp(victim), "keep");
    EXPECT_EQ(host.progressTitles, (Args{"Sonvela", "Run Burnvale"}));  // the save, then the wait
    EXPECT_EQ(Args(host.progressTexts.end() - 2, host.progressTexts.end()),
              (Args{"0:Please wait for Burnvale", "1:to close to continue..."}));
    EXPECT_EQ(installs, 0);
}

TEST_F(SiblingPrograms, TheMachineCommandComesFirstAndAUserOneIsFoundWithoutInstalling) {
    WriteScript(bin.File("machine-burn"), "printf '%s\\n' machine \"$@\" > " + files.File("args") + "\n");
    user.Set("Burnvale/Settings", "CopyCD", "stub-burn%s");
    machine.Set("Burnvale/Settings", "CopyCD", "machine-burn%s");
    Open("a.wav", false);
    EXPECT_EQ(CopyOpenFilesToCd(ws, BurnType::Data, options), 0);
    const Args first = Recorded();
    ASSERT_GE(first.size(), 3u);
    EXPECT_EQ(Args(first.begin(), first.begin() + 3), (Args{"machine", "-type", "data"}));
    machine.Remove("Burnvale/Settings", "CopyCD");
    EXPECT_EQ(CopyOpenFilesToCd(ws, BurnType::Data, options), 0);
    EXPECT_EQ(Recorded()[0], "-type");
    EXPECT_EQ(installs, 0);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(SiblingPrograms, MissingSettingsAskAndFailWithTheListDeleted) {
    Open("a.wav", false);
    host.answers = {MsgAnswer::No, MsgAnswer::Yes};
    EXPECT_EQ(CopyOpenFilesToCd(ws, BurnType::Audio, options), 2);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "The free plugin \"Burnvale\" program is required. Do you want to download it now?");
    EXPECT_EQ(host.messages[0].caption, "Download Required");
    EXPECT_EQ(host.messages[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_TRUE(pages.empty());
    EXPECT_EQ(CopyOpenFilesToCd(ws, BurnType::Audio, options), 2);
    EXPECT_EQ(pages, (Args{"https://www.quillon-acoustics.com/burn/index"}));
    EXPECT_EQ(installs, 2);
    EXPECT_EQ(tmp.List(), Args{});
}

TEST_F(SiblingPrograms, NeverSavedDocumentsLeftUnsavedAreNamedAndLeftOut) {
    user.Set("Burnvale/Settings", "CopyCD", "stub-burn%s");
    LAudioDocument& a = Open("a.wav", false);
    Ref<LAudioDocument> fresh = LAudioDocument::CreateFromSound(MakeRamp(store, 10), "Sans titre 1");
    fresh->modified = 1;
    ws.AddDocument(fresh);
    host.savePicks.push_back(std::nullopt);  // the user cancels its save dialog
    EXPECT_EQ(CopyOpenFilesToCd(ws, BurnType::Audio, options), 0);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, "Ces fichiers ne sont pas enregistrés et ne seront pas copiés sur le CD :\nSans titre 1");
    EXPECT_EQ(Slurp(files.File("list")), a.path + "\r\n");

    // Cancel at the first question hands nothing over.
    host.answers.push_back(MsgAnswer::Cancel);
    std::remove(files.File("list").c_str());
    EXPECT_EQ(CopyOpenFilesToCd(ws, BurnType::Audio, options), 1);
    EXPECT_FALSE(FileExists(files.File("list")));
}

TEST_F(SiblingPrograms, ABurnerThatFailsOrCannotStartIsAReportedFailure) {
    Open("a.wav", false);
    setenv("STUB_EXIT", "4", 1);
    user.Set("Burnvale/Settings", "CopyCD", "stub-burn%s");
    EXPECT_EQ(CopyOpenFilesToCd(ws, BurnType::Audio, options), 2);
    unsetenv("STUB_EXIT");
    ASSERT_EQ(host.progressErrors.size(), 1u);
    EXPECT_NE(host.progressErrors[0].find("(code 4)"), std::string::npos) << host.progressErrors[0];
    user.Set("Burnvale/Settings", "CopyCD", "no-such-burner-here%s");
    EXPECT_EQ(CopyOpenFilesToCd(ws, BurnType::Audio, options), 2);
    ASSERT_EQ(host.progressErrors.size(), 2u);
    EXPECT_NE(host.progressErrors[1].find("no-such-burner-here"), std::string::npos);
    EXPECT_EQ(tmp.List(), Args{});
}

TEST_F(SiblingPrograms, TheToneGeneratorIsLookedUpInTheMachineScopeOnly) {
    user.Set("Sinetta/Settings", "RunSinetta", "stub-burn");
    host.answers.push_back(MsgAnswer::No);
    EXPECT_EQ(RunToneGenerator(ws, options), 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, kToneMissingText);
    EXPECT_EQ(host.messages[0].caption, "Sinetta Generator est Exigé");
    EXPECT_FALSE(FileExists(files.File("args")));

    machine.Set("Sinetta/Settings", "RunSinetta", "stub-burn --freq 440 \"a b\"");
    EXPECT_EQ(RunToneGenerator(ws, options), 0);
    EXPECT_EQ(Recorded(), (Args{"--freq", "440", "a b"}));
    EXPECT_EQ(host.progressTexts, (Args{"0:Veuillez fermer Sinetta Generator", "1:pour poursuivre..."}));
}

TEST_F(SiblingPrograms, AProgramStillRunningAtTheLimitIsLeftRunningAndTheEditorGoesOn) {
    WriteScript(bin.File("slow"), "sleep 1\n");
    machine.Set("Sinetta/Settings", "RunSinetta", "slow");
    options.waitLimitMs = 100;
    EXPECT_EQ(RunToneGenerator(ws, options), 0);
    EXPECT_TRUE(host.progressErrors.empty());
}

TEST_F(SiblingPrograms, TheShippedAdapterIsRegisteredOnlyWhereNoBurnerIsNamed) {
    const std::string adapter = ShippedBurnerPath();
    ASSERT_EQ(::access(adapter.c_str(), X_OK), 0) << adapter;
    EXPECT_TRUE(RegisterShippedBurner(settings, adapter));
    EXPECT_EQ(user.Get("Burnvale/Settings", "CopyCD").value_or(""), "\"" + adapter + "\"%s");
    EXPECT_FALSE(RegisterShippedBurner(settings, adapter));
    EXPECT_FALSE(RegisterShippedBurner(settings, bin.File("absent")));
}

class BurnAdapter : public SiblingPrograms {
protected:
    int Run(const std::string& args) {
        return std::system(("SONVELA_BURN_DEVICE=/dev/sr9 " + ShippedBurnerPath() + " " + args + " 2>" +
                            files.File("err")).c_str());
    }
};

TEST_F(BurnAdapter, AudioTracksAreCdAudioForTheBurnerAndDataFilesKeepTheirNames) {
    if (::access("/usr/bin/ffmpeg", X_OK) != 0) GTEST_SKIP() << "ffmpeg missing";
    // The stub burner keeps the first track, to show it is CD audio.
    WriteScript(bin.File("cdrskin"), "printf '%s\\n' \"$@\" > " + files.File("args") + "\nfor a; do last=$a; done\ncp \"$last\" " +
                                         files.File("track.wav") + "\n");
    WriteScript(bin.File("xorriso"), "printf '%s\\n' \"$@\" > " + files.File("args") + "\n");
    const std::string song = files.File("my song.wav");
    ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i sine=frequency=440:sample_rate=8000 -t 0.5 -y '" + song + "'").c_str()), 0);
    const std::string list = files.File("burn list.txt");
    std::ofstream(list) << song << "\r\n";

    ASSERT_EQ(Run("-type audio -list '" + list + "'"), 0) << Slurp(files.File("err"));
    const Args args = Recorded();
    ASSERT_EQ(args.size(), 7u);
    EXPECT_EQ(Args(args.begin(), args.begin() + 6), (Args{"-v", "dev=/dev/sr9", "-dao", "-eject", "-audio", "-pad"}));
    Ref<LAudioReader> track = OpenWavReader(files.File("track.wav"));
    EXPECT_EQ(track->errorCode, kReaderOk);
    EXPECT_EQ(track->sampleRate, 44100);
    EXPECT_EQ(track->channels, 2);

    ASSERT_EQ(Run("-type data -list '" + list + "'"), 0) << Slurp(files.File("err"));
    EXPECT_EQ(Recorded(), (Args{"-outdev", "/dev/sr9", "-blank", "as_needed", "-joliet", "on", "-map", song,
                                "/my song.wav", "-commit_eject", "all"}));
    EXPECT_EQ(Run("-type video -list '" + list + "'") >> 8, 2);
    EXPECT_EQ(Run("-type data -list '" + files.File("absent") + "'") >> 8, 2);
}

}  // namespace
}  // namespace sv::test
