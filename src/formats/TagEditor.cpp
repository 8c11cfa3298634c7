#include "formats/TagEditor.h"

#include "core/DialogSpec.h"
#include "core/Host.h"
#include "core/Workspace.h"
#include "formats/Id3Genres.h"
#include "formats/TagText.h"

#include <memory>

namespace sv {

namespace {

struct EditorField {
    const char* id;
    const char* label;
    const char* key;
};
const EditorField kTextFields[] = {{"title", "Title", "TITLE"},
                                   {"artist", "Artist", "ARTIST"},
                                   {"album", "Album", "ALBUM"},
                                   {"track", "Track Number", "TRACKNUMBER"},
                                   {"copyright", "Copyright", "DATE"},
                                   {"comment", "Comment", "COMMENT"}};

}  // namespace

DialogSpec MakeTagEditorDialog(const LTagSet& tags) {
    DialogSpec spec;
    spec.resource = "LAUDIOTAGDATAEDITOR";
    spec.caption = "Edit Audio Tags";
    for (const EditorField& f : kTextFields) {
        spec.fields.push_back({f.id, f.label, DialogField::Kind::Text, CutUtf8(tags.Get(f.key), kMaxTagChars), {}});
        if (std::string(f.id) == "album") {
            DialogField genre{"genre", "Genre", DialogField::Kind::Choice, "0", {}};
            std::string current = tags.Get("GENRE");
            int selected = 0;
            for (int i = 0; i < kId3GenreCount; ++i) {
                genre.choices.push_back(Id3GenreName(i));
                if (EqualsIgnoringCase(current, Id3GenreName(i))) selected = i;
            }
            genre.value = std::to_string(selected);
            spec.fields.push_back(genre);
        }
    }
    return spec;
}

bool EditAudioTags(Host& host, LTagSet& tags) {
    DialogSpec spec = MakeTagEditorDialog(tags);
    if (!host.RunDialog(spec)) return false;
    for (const EditorField& f : kTextFields) tags.Set(f.key, CutUtf8(spec.Value(f.id), kMaxTagChars));
    int genre = spec.IntValue("genre");
    tags.Set("GENRE", Id3GenreName(genre < 0 || genre >= kId3GenreCount ? 0 : genre));
    return true;
}

void EditTagsCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    if (!doc->tags) doc->tags = std::make_unique<LTagSet>();
    LTagSet before = *doc->tags;
    if (!EditAudioTags(ws.host(), *doc->tags)) return;
    bool changed = false;
    for (const LTag& t : doc->tags->tags)
        if (before.Get(t.id) != t.text) changed = true;
    if (changed) {
        doc->modified = 1;
        ws.DocumentChanged(*doc);
        ws.CommandStatesChanged();
    }
}

}  // namespace sv
