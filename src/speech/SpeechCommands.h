#pragma once
// Text to speech (7004): the dialog "TTSInDlg" with the text and the voice, synthesis by the
// speech engine into a private temporary WAV, and the spoken sound inserted at the cursor or
// put in place of the selection under one undo step.
#include <string>

namespace sv {

class CommandRegistry;
class Workspace;

constexpr const char kSpeechUndoName[] = "Synthèse de la Parole à partir du Texte";

// The command with text as the text offered in the dialog; text keeps what was accepted, so
// the next run offers it again.
void TextToSpeechCommand(Workspace& ws, std::string& text);

// Registers 7004; the text lives as long as the registry's entry.
void RegisterSpeechCommands(CommandRegistry& registry);

}  // namespace sv
