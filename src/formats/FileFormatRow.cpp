#include "formats/FileFormatRow.h"

#include "core/ProgressTask.h"

#include <algorithm>

namespace sv {

namespace {

const char kFormatHelpPage[] = "https://www.quillon-acoustics.com/sonvela/help/audio-formats.html";

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

bool FileFormatRow::Serves(const std::string& extension) const {
    return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

std::string CannotReadMessage(const std::string& path) {
    return "Cannot open the file " + Quoted(path) + ". Check it exists and you have read access.";
}

std::string CorruptFileMessage(const std::string& path) {
    return "Cannot open the file " + Quoted(path) + " because it is corrupt.";
}

std::string FormatNotSupportedMessage(const std::string& path) {
    return "Cannot open the file " + Quoted(path) +
           ". This means that either the file format is not supported by this program or that a required codec or "
           "plugin is not installed. Please see " +
           kFormatHelpPage + " for more information.";
}

std::string CannotCreateMessage(const std::string& path) {
    return "Incapable de créer le fichier " + Quoted(path) + "pour l'enregistrement.";
}

std::string AnyErrorCannotRead(int, const std::string& path) { return CannotReadMessage(path); }

std::string CannotReadOrCorrupt(int errorCode, const std::string& path) {
    return errorCode == kReaderCannotOpen ? CannotReadMessage(path) : CorruptFileMessage(path);
}

int RunUnderTask(LProgressTask* task, Host& host, const std::function<int(LProgressTask&)>& work) {
    if (task) return work(*task);
    FunctionTask own("Sonvela", work);
    RunTask(host, own);
    return own.Result();
}

}  // namespace sv
