#include "formats/PlaylistEncodeDialog.h"

#include "core/Host.h"
#include "platform/Settings.h"

namespace sv {

DialogSpec PlaylistEncodeDialog(PlaylistKind kind, const std::string& rootUrl) {
    DialogSpec spec;
    spec.resource = "LPlaylistEncodeDlg";
    spec.caption = kind == PlaylistKind::RSS ? "Paramètres du Fichier Balado au format RSS"
                                             : "Paramètres du Fichier de liste d'écoute";
    spec.fields = {{"root", "Adresse de publication :", DialogField::Kind::Text, rootUrl.substr(0, kRootUrlMaxLength), {}}};
    return spec;
}

bool ShowPlaylistEncodeDialog(Host& host, Settings* settings, PlaylistKind kind) {
    DialogSpec spec = PlaylistEncodeDialog(kind, settings ? settings->ReadSetting(kRssEncodeSection, kRootUrlValue) : "");
    if (!host.RunDialog(spec)) return false;
    // The edit field holds no more; a pasted longer address keeps its start.
    if (settings) settings->WriteUserSetting(kRssEncodeSection, kRootUrlValue, spec.Value("root").substr(0, kRootUrlMaxLength));
    return true;
}

}  // namespace sv
