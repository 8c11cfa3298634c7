#pragma once
// The tag editor LAUDIOTAGDATAEDITOR ("Edit Audio Tags"), described through the Host, and the
// command (1019) that runs it on the active document's tags.
#include "core/TagSet.h"

namespace sv {

class Host;
class Workspace;
struct DialogSpec;

// The dialog filled from the set: each text at most 259 characters; the genre list holds the
// 148 names with the last one equal (without regard to case) to GENRE selected, else the first.
DialogSpec MakeTagEditorDialog(const LTagSet& tags);
// True when OK was pressed; every field then goes back into the set, the genre as its name.
bool EditAudioTags(Host& host, LTagSet& tags);
// Command 1019. A change of any value marks the document modified, so that it is saved.
void EditTagsCommand(Workspace& ws);

}  // namespace sv
