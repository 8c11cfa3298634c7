// The batch converter's command step drawn by the real parameter dialog: its buttons rewrite
// the command list in place.
#include "app/ParameterDialog.h"
#include "batch/BatchWizard.h"
#include "support/Screenshots.h"
#include "support/TestWorkspace.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace sv {
namespace {

// Draws dialog 25 with the Qt dialog and presses "Ajouter"; the nested dialogs are scripted.
class DrawingHost : public test::ScriptedHost {
public:
    bool RunDialog(DialogSpec& spec) override {
        if (spec.resource != "25") return ScriptedHost::RunDialog(spec);
        ParameterDialog dialog(spec, *this, nullptr);
        auto* add = dialog.findChild<QPushButton*>("add");
        auto* list = dialog.findChild<QPlainTextEdit*>("commands");
        if (!add || !list) return false;
        dialog.show();
        add->click();
        shownList = list->toPlainText().toStdString();
        dialog.grab().save(QString::fromStdString(test::ScreenshotPath("batch-commands.png")));
        dialog.reject();
        return false;
    }
    std::string shownList;
};

TEST(BatchWizardGui, AddingCommandsShowsThemWithTheirSettingsInTheList) {
    test::TempFolder dir;
    BlockStore store{dir.path()};
    DrawingHost host;
    MemorySettingsScope user;
    Settings settings{user, nullptr};
    ManualNotifier notifier;
    Workspace ws{host, settings, store, notifier};
    host.dialogs = {test::DialogAnswer{true, {{"row4", "1"}, {"row7", "1"}, {"row15", "1"}}}};
    BatchWizardState state;
    EXPECT_FALSE(RunBatchCommandsStep(ws, state));
    EXPECT_EQ(host.shownList,
              "1. Normaliser - Normalisation du Niveau de Crête (%) = 100\n"
              "2. Echo - Durée de l'Echo (ms) = 800, Amplification de l'Echo (%) = 50\n"
              "3. Compresseur de Gamme d'Amplification - Palier (db) = -20, Ratio = 1:1, Limite (db) = 3\n");
}

}  // namespace
}  // namespace sv
