#include "app/MenuTree.h"

#include "core/CommandIds.h"

namespace sv {

namespace {

MenuNode Item(int id, const char* text, const char* shortcut = "") { return MenuNode{id, text, shortcut, {}}; }
MenuNode Sep() { return MenuNode{}; }
MenuNode Sub(const char* text, std::vector<MenuNode> children) { return MenuNode{0, text, "", std::move(children)}; }

std::vector<MenuNode> Build() {
    return {
        Sub("&Fichier",
            {Item(kCmdNewDocument, "Nouveau Dossier...", "Ctrl+N"), Item(kCmdOpen, "Ouvrir le Dossier...", "Ctrl+O"),
             Item(kCmdCloseDocument, "Fermer le Dossier", "Ctrl+W"), Sep(),
             Item(kCmdSave, "Enregistrer le Fichier", "Ctrl+S"), Item(kCmdSaveAs, "Enregistrer le Fichier Sous..."),
             Item(kCmdSaveSelection, "Enregistrer la Zone Sélectionnée Sous..."), Sep(),
             Item(kCmdOpenProject, "Ouvrir le Projet..."), Item(kCmdCloseProject, "Fermer le Projet"),
             Item(kCmdSaveProject, "Enregistrer le Projet"), Item(kCmdSaveProjectAs, "Enregistrer le Projet Sous..."),
             Sep(), Item(kCmdConvertRate, "Convertir le Taux d'Echantillonnage"),
             Sub("Convertir les Canaux", {Item(kCmdMono, "Mono"), Item(kCmdStereo, "Stereo")}),
             Item(kCmdEditTags, "Editer les Balises ID3..."), Sep(),
             Item(kCmdLoadCdTracks, "Charger Piste(s) CD Audio...", "Ctrl+L"),
             Sub("Copier Tous les Fichiers Ouverts vers le CD...",
                 {Item(kCmdBurnAudioCd, "Audio"), Item(kCmdBurnDataCd, "Données")}),
             Item(kCmdSend, "Envoyer..."), Sep(), Item(kCmdOptions, "Options..."), Sep(),
             Item(kCmdQuit, "&Quitter", "Alt+F4")}),
        Sub("&Edition",
            {Item(kCmdUndo, "Annuler", "Ctrl+Z"), Item(kCmdRedo, "Rétablir", "Ctrl+Y"), Sep(),
             Item(kCmdCut, "Couper", "Ctrl+X"), Item(kCmdCopy, "&Copier", "Ctrl+C"),
             Item(kCmdPaste, "&Coller", "Ctrl+V"), Item(kCmdPasteSystem, "Coller Depuis le Presse Papier Windows"),
             Item(kCmdPasteMix, "Coller le Mixage..."),
             Item(kCmdPasteMixSystem, "Coller le Mixage depuis le Presse Papiers Windows..."),
             Item(kCmdDelete, "Supprimer", "Suppr"), Sep(), Item(kCmdSelectAll, "Tout Sélectionner", "Ctrl+A"),
             Item(kCmdSelectFromStart, "Sélectionner depuis le Début"),
             Item(kCmdSelectToEnd, "Sélectionner jusqu'à la Fin"),
             Item(kCmdSelectSpan, "Sélectionner le Délai Spécifié"), Sep(),
             Item(kCmdMarkFirst, "Marquer la Première Position"), Item(kCmdMarkSecond, "Marquer la Seconde Position"),
             Item(kCmdSelectMarks, "Sélection de Marque de Rappel"), Sep(),
             Item(kCmdTrimToSelection, "Couper", "Ctrl+T"), Item(kCmdTrimStart, "Couper le Début"),
             Item(kCmdTrimEnd, "Couper la Fin"), Item(kCmdAutoTrim, "Coupure Automatique"),
             Item(kCmdAutoSplit, "Coupure Auto..."), Item(kCmdSplitAtCursor, "Séparer en Deux à partir de ce Point"),
             Sep(), Item(kCmdSilenceSelection, "Mettre Sous Silence la Zone Sélectionnée"),
             Sub("Insérer Silence...", {Item(kCmdInsertSilenceStart, "Démarrer"),
                                        Item(kCmdInsertSilenceCursor, "Actuel"), Item(kCmdInsertSilenceEnd, "Fin")}),
             Sub("Insérer Fichier...", {Item(kCmdInsertFileStart, "Démarrer"), Item(kCmdInsertFileCursor, "Actuel"),
                                        Item(kCmdInsertFileEnd, "Fin")}),
             Item(kCmdMixFile, "Mixer le Fichier..."), Item(kCmdRepeat, "Rejouer en Boucle..."),
             Item(kCmdCopyToNew, "Copier Vers Nouveau")}),
        Sub("&Contrôle",
            {Item(kCmdPlay, "Jouer", "F9"), Item(kCmdPlaySlow, "Jouer au Ralenti", "F11"),
             Item(kCmdPlayNormal, "Jouer à Vitesse Normale", "F10"), Item(kCmdPlayFast, "Jouer en Accéléré", "F12"),
             Item(kCmdPlayLoop, "Jouer en Boucle", "Shift+F9"), Item(kCmdStop, "Stop", "Echap"), Sep(),
             Item(kCmdGoToStart, "Aller au Début", "Début"), Item(kCmdRewind, "Retour Rapide", "F7"),
             Item(kCmdFastForward, "Avance Rapide", "F8"), Item(kCmdGoToEnd, "Aller à la Fin", "Fin"), Sep(),
             Item(kCmdRecord, "Enregistrer", "F5")}),
        Sub("&Ambiances",
            {Item(kCmdAmplify, "Amplifier..."), Item(kCmdNormalize, "Normaliser..."), Sep(),
             Item(kCmdFadeIn, "Ouverture en Fondu"), Item(kCmdFadeOut, "Fermeture en Fondu"),
             Item(kCmdFadeOutTrim, "Fermer en fondu et Couper"), Item(kCmdCrossFade, "Fondu Enchaîné..."), Sep(),
             Item(kCmdEqualizer, "Egalisateur..."), Item(kCmdEnvelope, "Envelopper..."),
             Item(kCmdHighPass, "Filtre Passe-Haut..."), Sep(), Item(kCmdEcho, "Echo..."),
             Item(kCmdReverb, "Résonnance..."),
             Sub("Effets Spéciaux",
                 {Item(kCmdPhaser, "Retardateur de Phase..."), Item(kCmdFlanger, "Flanger..."),
                  Item(kCmdChorus, "Choeur..."), Item(kCmdDistortion, "Distorsion..."),
                  Item(kCmdAmRadio, "Effet Radio de MA"), Item(kCmdTelephone, "Effet Téléphone")}),
             Sep(), Item(kCmdSpeedPitch, "Modification de Vitesse et Hauteur Tonale..."),
             Item(kCmdSpeed, "Modification de la Vitesse..."), Item(kCmdPitch, "Modification de la Hauteur Tonale..."),
             Sep(), Item(kCmdCompressor, "Compresseur de la Gamme d'Amplification..."),
             Item(kCmdAutoGain, "Contrôle Automatique de l'Accroissement"),
             Item(kCmdNoiseGate, "Appliquer l'Anti Parasites Multi bandes..."),
             Sub("Réduction du Bruit",
                 {Item(kCmdAutoNoiseReduction, "Réduction Spectrale Automatique des Bruits"),
                  Item(kCmdNoiseSample, "Echantillonner le Bruit de la Sélection"),
                  Item(kCmdNoiseReduction, "Réduire le Bruit avec l'Echantillon")}),
             Item(kCmdVocalReduction, "Réduire la Piste Vocale"), Sep(), Item(kCmdStereoPan, "Panorama Stéréo..."),
             Item(kCmdDcOffset, "Correction de Décalage CC"), Item(kCmdReverse, "Retour"), Sep(),
             Item(kCmdDirectX, "Effets DirectX..."), Item(kCmdVst, "Plugiciels VST...")}),
        Sub("A&ffichage",
            {Item(kCmdZoomIn, "Zoom Avant", "Ctrl+Plus"), Item(kCmdZoomOut, "Zoom Arrière", "Ctrl+Moins"),
             Item(kCmdZoomSelection, "Zoom Vers Sélection", "Ctrl+Shift+S"),
             Item(kCmdZoomFull, "Zoom Maximum", "Ctrl+Shift+F"),
             Item(kCmdZoomVertical, "Zoom Vertical", "Ctrl+Shift+V"), Sep(),
             Item(kCmdDisplayPlusMinus, "Afficher la Forme d'Onde en +/-"),
             Item(kCmdDisplayLeftRight, "Afficher la Forme d'Onde en L /R"),
             Item(kCmdDisplayTwoChannels, "Afficher la Forme d'Onde en doubles canaux G et D"), Sep(),
             Item(kCmdShowMainToolbar, "Barre d'Outils Principale"),
             Item(kCmdShowEffectsToolbar, "Barre d'Outils des Effets"),
             Item(kCmdShowCommandBar, "Montrer la Barre de Commandes"),
             Sub("Position de la Barre de Commandes",
                 {Item(kCmdCommandBarLeft, "A Gauche"), Item(kCmdCommandBarRight, "A Droite")})}),
        Sub("&Outils",
            {Item(kCmdFrequencyAnalysis, "Analyse de Fréquence (TFR)"),
             Item(kCmdTimeFrequency, "Analyse de Fréquence Temporelle (TFRT)"), Sep(),
             Item(kCmdAutoClickRepair, "Réparation Automatique des Claquements/Cliquetis"),
             Item(kCmdManualClickRepair, "Clic Manuel/Réparation de Claquement"), Sep(),
             Item(kCmdBatchConverter, "Convertisseur de Lot"), Item(kCmdToneGenerator, "Générateur de Tonalité"),
             Item(kCmdTextToSpeech, "Synthèse de Paroles à partir de Texte")}),
        Sub("&Signets",
            {Item(kCmdSetBookmark, "Définir Signet", "Ctrl+B"), Item(kCmdBookmarkList, "Ouvrir la Liste de Signets"),
             Sep(), Item(kCmdAddRegion, "Ajouter Zone", "Ctrl+R"), Item(kCmdRegionList, "Ouvrir la Liste des Zones"),
             Item(kCmdJoinRegions, "Assembler les Zones")}),
        Sub("Fe&nêtre",
            {Item(kCmdCascade, "Cascade"), Item(kCmdSideBySide, "Côte à Côte"), Item(kCmdTile, "Mosaïque"),
             Item(kCmdArrangeIcons, "Réorganiser les Icônes"), Sep(), Item(kCmdCloseAll, "Tout Fermer")}),
        Sub("&Aide",
            {Item(kCmdHelp, "Aide"), Item(kCmdInstallRelated, "Installer des Programmes Associés"),
             Item(kCmdCheckUpdates, "Vérifier les Mises à Jour..."), Sep(), Item(kCmdAbout, "A propos de")}),
    };
}

void Collect(const std::vector<MenuNode>& nodes, std::vector<const MenuNode*>& out) {
    for (const MenuNode& n : nodes) {
        if (n.id != 0) out.push_back(&n);
        Collect(n.children, out);
    }
}

}  // namespace

const std::vector<MenuNode>& MainMenu() {
    static const std::vector<MenuNode> menu = Build();
    return menu;
}

std::vector<const MenuNode*> AllCommandItems() {
    std::vector<const MenuNode*> out;
    Collect(MainMenu(), out);
    return out;
}

const MenuNode* FindMenuItem(int id) {
    for (const MenuNode* n : AllCommandItems())
        if (n->id == id) return n;
    return nullptr;
}

}  // namespace sv
