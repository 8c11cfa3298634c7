// What the later effects rely on in the framework: chains that fail mid-run, undo names apart
// from progress titles, the described dialogs' presets, buttons, change hooks and decimal text
// values, and the dialog-free entries the batch converter runs.
#include "EffectTestFixture.h"

#include "core/UndoRing.h"
#include "effects/EffectCommand.h"
#include "effects/EffectEntries.h"
#include "effects/EffectRun.h"
#include "effects/Filter.h"

namespace sv {
namespace {

// Passes its input on and fails at the given block, as a plug-in that refuses a block.
class RefusingFilter : public LFilter {
public:
    RefusingFilter(Ref<LAudioReader> in, int failAt) : LFilter(std::move(in)), failAt_(failAt) {}

protected:
    void Process(std::int32_t*, std::int32_t) override {
        if (++blocks_ == failAt_) Fail("ECHEC du traitement du bloc");
    }

private:
    int failAt_, blocks_ = 0;
};

class RefusingEffect final : public LEffectDescriptor {
public:
    explicit RefusingEffect(int failAt) : failAt_(failAt) {}
    std::string GetName() const override { return "Greffon"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& in) const override {
        // A stage above the failing one, as the channel converters sit above a plug-in.
        Ref<LAudioReader> f = MakeRef<RefusingFilter>(in, failAt_);
        return MakeRef<RefusingFilter>(f, -1);
    }

private:
    int failAt_;
};

class BrokenEffect final : public LEffectDescriptor {
public:
    std::string GetName() const override { return "Cassé"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>&) const override {
        return MakeRef<LErrorReader>(kReaderCodecMissing);
    }
};

class EffectFramework : public test::EffectTest {};

TEST_F(EffectFramework, AChainThatFailsMidRunEndsTheTaskAsFailedWithTheDocumentUnchanged) {
    const auto s = Samples(30000, 2, [](int k, int c) { return k * 3 - c; });
    for (int failAt : {1, 3}) {
        Open(s, 2);
        Doc().SetSelection(100, 29000, 100);
        UndoPush(Doc(), "Earlier");
        const auto before = State();
        host.progressErrors.clear();
        EXPECT_EQ(ApplyEffect(ws, RefusingEffect(failAt)), kTaskFailed);
        EXPECT_EQ(host.progressErrors, std::vector<std::string>{"ECHEC du traitement du bloc"});
        EXPECT_EQ(State(), before);
        EXPECT_EQ(All(), s);
    }
    EXPECT_EQ(ApplyEffect(ws, BrokenEffect()), kTaskFailed);
    EXPECT_EQ(host.progressErrors.back(), "Impossible d'appliquer l'effet");
}

TEST_F(EffectFramework, UndoNameAndProgressTitleMayDiffer) {
    Open(Samples(1000, 2, [](int k, int c) { return k + c; }), 2);
    Doc().SelectAll();
    EXPECT_EQ(ApplyEffect(ws, RefusingEffect(-1), "Compresseur", "Compression en cours"), kTaskDone);
    EXPECT_EQ(UndoName(Doc()), "Compresseur");
    EXPECT_EQ(host.progressTitles, std::vector<std::string>{"Compression en cours"});
}

TEST_F(EffectFramework, DescribedDialogsFillPresetsRunButtonsAndHooksAndReadDecimals) {
    DialogSpec spec;
    spec.fields.push_back(DecimalField("mod", "Mod :", "0.5"));
    spec.fields.push_back(DecibelField("level", "Niveau :", -6, -60, 0));
    spec.fields.push_back(TrackBarField("depth", "Profondeur :", 40, 0, 100));
    spec.presets = {{"Doux", {{"mod", "0,25"}, {"level", "-12"}}}, {"Fort", {{"depth", "90"}}}};
    std::vector<std::string> changes;
    spec.changed = [&](DialogSpec& s, const std::string& id) {
        changes.push_back(id);
        if (id == "depth") s.SetValue("level", "0");
    };
    spec.buttons.push_back({"reset", "Réinitialiser", [](DialogSpec& s) { s.SetValue("depth", "0"); }});
    EXPECT_DOUBLE_EQ(spec.DecimalValue("mod"), 0.5);
    spec.ApplyPreset(0);
    EXPECT_DOUBLE_EQ(spec.DecimalValue("mod"), 0.25);  // a comma counts as the point
    EXPECT_EQ(spec.IntValue("level"), -12);
    spec.ApplyPreset(7);  // none: nothing happens
    spec.Change("depth", "70");
    EXPECT_EQ(changes, std::vector<std::string>{"depth"});
    EXPECT_EQ(spec.IntValue("level"), 0);
    spec.Press("reset");
    EXPECT_EQ(spec.IntValue("depth"), 0);
    spec.SetValue("mod", "abc");
    EXPECT_EQ(spec.DecimalValue("mod"), 0.0);
    EXPECT_EQ(spec.Field("level")->minimum, -60);
    EXPECT_EQ(spec.Field("depth")->kind, DialogField::Kind::TrackBar);
}

TEST_F(EffectFramework, TextParametersAreReadAndStoredAsTheyAreTyped) {
    const StoredText mod{"Flanger", "Mod", "0.5"};
    DialogSpec spec;
    spec.fields.push_back(DecimalField("mod", "Mod :", ""));
    spec.fields.push_back(IntegerField("gain", "Gain :", 0));
    host.dialogs.push_back({true, {{"mod", "1.75"}}});
    const auto accepted = AskEffectDialog(ws, {{{kStoredValues, "Gain", 60}, "gain"}}, {{mod, "mod"}}, spec);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(host.shownDialogs.at(0).Value("mod"), "0.5");  // the default, shown first
    EXPECT_EQ(user.Get("Flanger", "Mod"), "1.75");
    EXPECT_EQ(user.Get("StoredValues", "Gain"), "60");
    EXPECT_DOUBLE_EQ(accepted->DecimalValue("mod"), 1.75);
}

TEST_F(EffectFramework, EntriesRunWithoutADialogOrAnUndoStepAsTheBatchConverterDoes) {
    const auto s = Samples(20000, 2, [](int k, int c) { return ((k * 13) % 4000 - 2000) * 16 + c * 16; });
    struct Case {
        const char* undo;
        std::function<LEffectProcess(LAudioDocument&, BlockStore&)> make;
        bool changes;
    };
    const std::vector<Case> cases = {
        {"Amplifier", [](LAudioDocument& d, BlockStore& b) { return AmplifyProcess(d, b, 200); }, true},
        {"Amplifier", [](LAudioDocument& d, BlockStore& b) { return AmplifyProcess(d, b, 100); }, false},
        {"Normaliser", [](LAudioDocument& d, BlockStore& b) { return NormalizeProcess(d, b, 90); }, true},
        {"Fade In", FadeInProcess, true},
        {"Fade Out", FadeOutProcess, true},
        {"Fermer en fondu et Couper", FadeOutTrimProcess, true},
        {"Envelopper", [](LAudioDocument& d, BlockStore& b) { return EnvelopeProcess(d, b, {{0, 64}, {255, 64}}); }, true},
        {"Cross Fade", [](LAudioDocument& d, BlockStore& b) { return CrossFadeProcess(d, b, 10, 10, 10); }, true},
        {"Panorama Stéréo", [](LAudioDocument& d, BlockStore& b) { return StereoPanProcess(d, b, 0); }, true},
        {"Inverser", ReverseProcess, true},
        {"Correction de Décalage CC", DcOffsetProcess, true},
        {"Modification de Vitesse", [](LAudioDocument& d, BlockStore& b) {
             return SpeedPitchProcess(d, b, SpeedPitchMode::Speed, 150); }, true},
        {"Egalisateur", [](LAudioDocument& d, BlockStore& b) { return EqualizerProcess(d, b, {{0, 200}, {255, 60}}); }, true},
        {"Egalisateur", [](LAudioDocument& d, BlockStore& b) { return EqualizerProcess(d, b, FlatCurve()); }, false},
        {"Coupure Basse Fréquence", [](LAudioDocument& d, BlockStore& b) { return LowCutProcess(d, b, 300); }, true},
    };
    for (const Case& c : cases) {
        // A working document that no window shows and no undo step follows.
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(test::MakeSound(store, s, 2, 44100), "work.wav");
        doc->SetSelection(2000, 18000, 2000);
        LEffectProcess process = c.make(*doc, store);
        EXPECT_EQ(process.undoName, c.undo);
        ASSERT_TRUE(process.task);
        EXPECT_TRUE(RunTask(host, *process.task)) << c.undo;
        EXPECT_EQ(test::ReadFrames(doc->sound, 0, doc->Length()) != s, c.changes) << c.undo;
        EXPECT_EQ(UndoName(*doc), "") << c.undo;
    }
}

}  // namespace
}  // namespace sv
