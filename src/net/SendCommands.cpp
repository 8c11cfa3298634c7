#include "net/SendCommands.h"

#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/DialogFields.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/Workspace.h"
#include "net/DesktopLauncher.h"
#include "net/FtpUpload.h"
#include "net/MailMessage.h"
#include "net/PasswordStore.h"
#include "net/SendSettings.h"
#include "net/SmtpClient.h"
#include "net/UpdateCheck.h"
#include "platform/ChildProcess.h"
#include "platform/Settings.h"

namespace sv {

namespace {

DialogRefusal Refusal(const std::string& text, const std::string& caption, const std::string& field) {
    return DialogRefusal{text, caption, MsgIcon::Warning, field};
}

// A recipient or subject that would break the header or the mail program's command line.
std::optional<DialogRefusal> CheckMessageFields(const DialogSpec& spec) {
    MailMessage probe;
    probe.to = spec.Value("Address");
    probe.subject = spec.Value("Subject");
    probe.from = spec.Value("ReplyToEmail");
    std::string problem = MailComposer(probe).Check();
    if (!problem.empty()) return Refusal(problem, "Sonvela", "Address");
    for (const std::string& r : SplitRecipients(probe.to))
        if (r[0] == '-') return Refusal("The recipient address \"" + r + "\" is not valid.", "Sonvela", "Address");
    return std::nullopt;
}

int SendByMailClient(Host& host, const MailMessage& message) {
    std::vector<std::string> argv = {"xdg-email", "--utf8", "--subject", message.subject};
    if (!message.text.empty()) {
        argv.push_back("--body");
        argv.push_back(message.text);
    }
    for (const std::string& path : message.attachments) {
        argv.push_back("--attach");
        argv.push_back(path);
    }
    for (const std::string& r : SplitRecipients(message.to)) argv.push_back(r);
    LaunchResult launched = LaunchDesktopProgram(argv);
    if (launched == LaunchResult::Started) return kTaskDone;
    host.MessageBox("The desktop's mail program could not take the message (xdg-email failed).", "Sonvela",
                    MsgIcon::Warning, MsgButtons::Ok);
    return kTaskFailed;
}

SmtpTarget SmtpTargetFrom(const SendSettings& v) {
    SmtpTarget target;
    target.server = ParseMailServer(v.smtpHost);
    if (target.server.HasUser() && target.server.password.empty()) target.server.password = v.smtpPassword;
    target.port = static_cast<std::uint16_t>(v.smtpPort);
    target.requireTls = v.smtpRequireTls;
    target.allowPlainLogin = v.smtpAllowPlain;
    target.caFile = v.smtpCaFile;
    return target;
}

FtpTarget FtpTargetFrom(const SendSettings& v) {
    FtpTarget target;
    target.server = v.ftpServer;
    target.user = v.ftpUser;
    target.password = v.ftpPassword;
    target.directory = v.ftpDirectory;
    target.allowPlainLogin = v.ftpAllowPlain;
    target.caFile = v.ftpCaFile;
    return target;
}

}  // namespace

std::optional<DialogRefusal> CheckMailSettings(const SendSettings& v) {
    if (v.useMailClient) {
        if (!ProgramAvailable("xdg-email"))
            return Refusal("Your email software (eg. Eudora / Outlook) has not been setup for MAPI. Refer to your email "
                           "software Help to find out how to set it up for MAPI. Otherwise use the SMTP option.",
                           "MAPI Not Detected", "UseMAPI");
        return std::nullopt;
    }
    if (v.smtpHost.empty())
        return Refusal("If you choose SMTP you must enter a SMTP mailhost. Call your ISP if you don't know what your "
                       "SMTP mailhost is.",
                       "Mailhost Required", "MailSMTPHost");
    if (v.replyTo.empty())
        return Refusal("If you choose SMTP you must enter a valid reply-to address. Enter your email address.",
                       "Reply Email Required", "ReplyToEmail");
    return std::nullopt;
}

DialogSpec SendDialogSpec(const SendSettings& v, const std::string& subject) {
    DialogSpec spec;
    spec.resource = "LEmailSendSet";
    spec.caption = "Envoyer";
    DialogField method;
    method.id = "SendMethod";
    method.label = "Envoyer par";
    method.kind = DialogField::Kind::Choice;
    method.choices = {"E-mail", "FTP"};
    method.value = std::to_string(v.method);
    spec.fields.push_back(method);
    spec.fields.push_back(TextField("Address", "Destinataires", v.address));
    spec.fields.push_back(TextField("Subject", "Objet", subject));
    spec.fields.push_back(TextField("Text", "Message", ""));
    spec.fields.push_back(CheckField("UseMAPI", "Utiliser le logiciel de messagerie du bureau", v.useMailClient));
    DialogField smtpTitle;
    smtpTitle.id = "SmtpTitle";
    smtpTitle.label = "Envoi par SMTP (si le logiciel de messagerie n'est pas utilisé)";
    smtpTitle.kind = DialogField::Kind::Label;
    spec.fields.push_back(smtpTitle);
    spec.fields.push_back(TextField("ReplyToEmail", "Adresse de l'expéditeur", v.replyTo));
    spec.fields.push_back(TextField("MailSMTPHost", "Serveur SMTP", v.smtpHost));
    spec.fields.push_back(TextField("MailSMTPPassword", "Mot de passe SMTP", v.smtpPassword, true));
    DialogField port = TextField("MailSMTPPort", "Port SMTP", std::to_string(v.smtpPort));
    port.kind = DialogField::Kind::Integer;
    spec.fields.push_back(port);
    spec.fields.push_back(CheckField("MailSMTPStartTls", "Toujours chiffrer (STARTTLS)", v.smtpRequireTls));
    spec.fields.push_back(CheckField("MailSMTPPlain", "Autoriser le mot de passe non chiffré pour ce serveur",
                                v.smtpAllowPlain));
    DialogField ftpTitle;
    ftpTitle.id = "FtpTitle";
    ftpTitle.label = "Envoi par FTP";
    ftpTitle.kind = DialogField::Kind::Label;
    spec.fields.push_back(ftpTitle);
    spec.fields.push_back(TextField("FtpServer", "Serveur FTP", v.ftpServer));
    spec.fields.push_back(TextField("FtpUserName", "Utilisateur FTP", v.ftpUser));
    spec.fields.push_back(TextField("FtpPassword", "Mot de passe FTP", v.ftpPassword, true));
    spec.fields.push_back(TextField("FtpDirectory", "Dossier FTP", v.ftpDirectory));
    spec.fields.push_back(CheckField("FtpPlain", "Autoriser le mot de passe non chiffré pour ce serveur", v.ftpAllowPlain));
    spec.validate = [base = v](const DialogSpec& s) -> std::optional<DialogRefusal> {
        SendSettings values = SendSettingsFromDialog(s, base);
        if (values.method == 0) {
            if (SplitRecipients(values.address).empty())
                return Refusal("Please enter the email address of the recipient.", "Sonvela", "Address");
            if (auto refused = CheckMessageFields(s)) return refused;
            return CheckMailSettings(values);
        }
        if (values.ftpServer.empty() || values.ftpUser.empty())
            return Refusal("FTP Server or user details are required. If you don't know what they are, contact the ftp "
                           "server hosting company.",
                           "Sonvela", values.ftpServer.empty() ? "FtpServer" : "FtpUserName");
        return std::nullopt;
    };
    return spec;
}

SendSettings SendSettingsFromDialog(const DialogSpec& spec, SendSettings v) {
    v.method = spec.IntValue("SendMethod") == 1 ? 1 : 0;
    v.address = spec.Value("Address");
    v.useMailClient = spec.Value("UseMAPI") == "1";
    v.replyTo = spec.Value("ReplyToEmail");
    v.smtpHost = spec.Value("MailSMTPHost");
    v.smtpPassword = spec.Value("MailSMTPPassword");
    int port = spec.IntValue("MailSMTPPort");
    v.smtpPort = port > 0 && port < 65536 ? port : 25;
    v.smtpRequireTls = spec.Value("MailSMTPStartTls") == "1";
    v.smtpAllowPlain = spec.Value("MailSMTPPlain") == "1";
    v.ftpServer = spec.Value("FtpServer");
    v.ftpUser = spec.Value("FtpUserName");
    v.ftpPassword = spec.Value("FtpPassword");
    v.ftpDirectory = spec.Value("FtpDirectory");
    v.ftpAllowPlain = spec.Value("FtpPlain") == "1";
    return v;
}

void RunSendCommand(Workspace& ws, PasswordStore& passwords) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    // What is sent is the file on disk: an unsaved or changed sound is saved first.
    if ((doc->path.empty() || doc->modified) && ws.saveDocument && !ws.saveDocument(*doc, false)) return;
    if (doc->path.empty()) return;

    SendSettings stored = LoadSendSettings(ws.settings(), passwords);
    DialogSpec spec = SendDialogSpec(stored, doc->Title());
    if (!ws.host().RunDialog(spec)) return;
    SendSettings values = SendSettingsFromDialog(spec, stored);
    if (!SaveSendSettings(ws.settings(), passwords, values))
        ws.host().MessageBox("The settings or the password could not be stored.", "Sonvela", MsgIcon::Warning,
                             MsgButtons::Ok);

    if (values.method == 1) {
        FtpTarget target = FtpTargetFrom(values);
        FunctionTask task("Sending File...", [&](LProgressTask& t) { return UploadByFtp(doc->path, target, t); });
        RunTask(ws.host(), task);
        return;
    }
    MailMessage message;
    message.to = values.address;
    message.from = values.replyTo;
    message.subject = spec.Value("Subject");
    message.text = spec.Value("Text");
    message.attachments = {doc->path};
    if (values.useMailClient) {
        SendByMailClient(ws.host(), message);
        return;
    }
    SmtpTarget target = SmtpTargetFrom(values);
    FunctionTask task("Sending Email", [&](LProgressTask& t) { return SendMailBySmtp(message, target, t); });
    RunTask(ws.host(), task);
}

void RegisterNetCommands(CommandRegistry& registry, const std::string& passwordFolder) {
    registry.Register(kCmdSend, {[passwordFolder](Workspace& ws) {
                                     std::unique_ptr<PasswordStore> passwords = OpenPasswordStore(passwordFolder);
                                     RunSendCommand(ws, *passwords);
                                 },
                                 HasActiveDocument, nullptr, nullptr});
    registry.Register(kCmdCheckUpdates,
                      {[](Workspace& ws) { CheckForUpdates(ws, UpdateServerFromSettings(ws.settings())); }, nullptr,
                       nullptr, nullptr});
}

}  // namespace sv
