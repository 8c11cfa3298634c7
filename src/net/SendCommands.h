#pragma once
// "Envoyer..." (the active file by e-mail or FTP, dialog "LEmailSendSet") and
// "Vérifier les Mises à Jour..." (6021).
#include <optional>
#include <string>

namespace sv {

class CommandRegistry;
class PasswordStore;
struct DialogRefusal;
struct DialogSpec;
struct SendSettings;
class Workspace;

// The dialog with the settings' values, a subject and a text; its check refuses what cannot
// be sent (no recipient, no FTP server or user, the mail settings check).
DialogSpec SendDialogSpec(const SendSettings& values, const std::string& subject);
SendSettings SendSettingsFromDialog(const DialogSpec& spec, SendSettings base);
// The mail settings check: the desktop mail program present, or an SMTP host and a sender.
std::optional<DialogRefusal> CheckMailSettings(const SendSettings& values);

void RunSendCommand(Workspace& ws, PasswordStore& passwords);
// The password store is opened in passwordFolder (when no keyring answers) at each send.
void RegisterNetCommands(CommandRegistry& registry, const std::string& passwordFolder);

}  // namespace sv
