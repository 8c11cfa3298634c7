#include "core/ProjectFile.h"

#include "core/BlockReader.h"
#include "core/BlockWriter.h"
#include "core/BookmarkFile.h"
#include "core/BookmarkList.h"
#include "core/ByteStream.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace sv {

namespace {

constexpr std::size_t kFixedField = 260;

std::string CannotWriteMessage(const std::string& path) {
    return "Impossible d'ouvrir et d'écrire sur le fichier \"" + path + "\".";
}

std::uint64_t SoundBytes(const LAudioData& sound) {
    return std::uint64_t(std::max(sound.Length(), 0)) * sound.channels * 4;
}

// Reports progress by bytes; true when the user has cancelled.
class ByteProgress {
public:
    ByteProgress(LProgressTask& task, std::uint64_t total) : task_(task), total_(std::max<std::uint64_t>(total, 1)) {}
    bool Step(std::uint64_t done) {
        task_.SetProgress(std::min(1.0, double(done) / double(total_)));
        return task_.Pump();
    }

private:
    LProgressTask& task_;
    std::uint64_t total_;
};

int WriteSound(ByteSink& out, const LAudioData& sound, ByteProgress& progress) {
    Ref<LBlockReader> reader = LBlockReader::Create(sound);
    const std::int32_t length = reader->Length();
    out.I32(sound.sampleRate);
    out.U8(sound.channels);
    out.I32(length);
    std::vector<std::int32_t> buffer(std::size_t(kProjectBlockFrames) * sound.channels);
    for (std::int32_t done = 0; done < length;) {
        std::int32_t n = std::min(kProjectBlockFrames, length - done);
        reader->Read(buffer.data(), n);
        out.Samples(buffer.data(), std::size_t(n) * sound.channels);
        if (!out.Ok()) return kTaskFailed;
        done += n;
        if (progress.Step(out.Written())) return kTaskCancelled;
    }
    return out.Ok() ? kTaskDone : kTaskFailed;
}

std::string CountRefusal(const std::vector<Ref<LAudioDocument>>& documents, const RegionList& regions) {
    if (documents.size() > kMaxProjectEntries)
        return "Un projet ne peut contenir plus de 255 fichiers. Fermez des fichiers et réessayez.";
    if (regions.Count() > kMaxProjectEntries)
        return "Un projet ne peut contenir plus de 255 zones. Supprimez des zones et réessayez.";
    for (const auto& d : documents)
        if (d->bookmarks.size() > kMaxBookmarks)
            return "Le fichier \"" + d->Title() + "\" contient plus de 255 signets.";
    return std::string();
}

}  // namespace

std::string ProjectVersionMessage() {
    return "Ce fichier ne peut être lu avec cette version de Sonvela ou est peut être endommagé.";
}

int SaveProjectFile(LProgressTask& task, const std::string& path, const std::vector<Ref<LAudioDocument>>& documents,
                    const RegionList& regions) {
    task.SetText(0, "Enregistrement du projet");
    const std::string refusal = CountRefusal(documents, regions);
    if (!refusal.empty()) {
        task.Error(refusal);
        return kTaskFailed;
    }
    UniqueFd fd;
    std::string temp;
    if (WaitUntilUnlocked(path)) temp = CreateSiblingTemp(path, fd);
    if (temp.empty()) {
        task.Error(CannotWriteMessage(path));
        return kTaskFailed;
    }
    std::uint64_t total = 0;
    for (const auto& d : documents) total += SoundBytes(d->sound);
    for (const LRegion& r : regions.Items()) total += SoundBytes(r.sound);
    ByteProgress progress(task, total);

    ByteSink out(fd.get());
    int result = kTaskDone;
    out.U8(kProjectVersion);
    task.SetText(1, "Enregistrement des fichiers...");
    out.U8(static_cast<std::uint8_t>(documents.size()));
    for (const auto& d : documents) {
        if (result != kTaskDone) break;
        out.Text(d->path);
        for (std::int32_t v : {d->cursor, d->selectionStart, d->selectionEnd, d->viewStart, d->viewEnd}) out.I32(v);
        out.U8(static_cast<std::uint8_t>(d->bookmarks.size()));
        for (const LBookmark& b : d->bookmarks) WriteBookmarkRecord(out, b);
        result = WriteSound(out, d->sound, progress);
    }
    if (result == kTaskDone) {
        task.SetText(1, "Enregistrement des zones...");
        out.U8(static_cast<std::uint8_t>(regions.Count()));
        for (const LRegion& r : regions.Items()) {
            out.Text(r.name);
            out.Text(r.title);
            out.I32(r.startMs);
            out.I32(r.endMs);
            result = WriteSound(out, r.sound, progress);
            if (result != kTaskDone) break;
        }
    }
    int err = 0;
    if (result == kTaskDone && !out.Flush()) {
        result = kTaskFailed;
        err = errno;
    }
    if (!fd.Reset() && result == kTaskDone) {
        result = kTaskFailed;
        err = errno;
    }
    if (result == kTaskDone && std::rename(temp.c_str(), path.c_str()) != 0) {
        result = kTaskFailed;
        err = errno;
    }
    if (result != kTaskDone) {
        RemoveFile(temp);
        if (result == kTaskFailed)
            task.Error(CannotWriteMessage(path) + (err ? std::string("\n\n") + std::strerror(err) : std::string()));
        return result;
    }
    for (const auto& d : documents) d->modified = 0;
    return kTaskDone;
}

namespace {

class ProjectReader {
public:
    ProjectReader(LProgressTask& task, BlockStore& store, ByteSource& in, std::uint64_t size)
        : task_(task), store_(store), in_(in), size_(size) {}

    // 0 read, 1 cancelled, 2 incomplete or invalid.
    int Sound(LAudioData& sound) {
        std::int32_t rate = 0, length = 0;
        std::uint8_t channels = 0;
        if (!in_.I32(rate) || !in_.U8(channels) || !in_.I32(length)) return kTaskFailed;
        if (rate <= 0 || channels == 0 || length < 0) return kTaskFailed;
        if (std::uint64_t(length) * channels * 4 > in_.Left()) return kTaskFailed;
        sound = LAudioData(rate, channels);
        if (length == 0) return kTaskDone;
        LAudioData filled(rate, channels);
        Ref<LBlockWriter> writer = LBlockWriter::Create(store_, filled, rate, channels);
        std::vector<std::int32_t> buffer(std::size_t(kProjectBlockFrames) * channels);
        for (std::int32_t done = 0; done < length;) {
            std::int32_t n = std::min(kProjectBlockFrames, length - done);
            if (!in_.Samples(buffer.data(), std::size_t(n) * channels)) return kTaskFailed;
            writer->Write(buffer.data(), n);
            if (writer->error) {
                task_.Error(writer->errorText);
                return kTaskFailed;
            }
            done += n;
            task_.SetProgress(double(in_.Consumed()) / double(std::max<std::uint64_t>(size_, 1)));
            if (task_.Pump()) return kTaskCancelled;
        }
        if (!writer->Finish()) {
            task_.Error(writer->errorText);
            return kTaskFailed;
        }
        writer = nullptr;
        sound = std::move(filled);
        return kTaskDone;
    }

    bool Positions(LAudioDocument& doc) {
        return in_.I32(doc.cursor) && in_.I32(doc.selectionStart) && in_.I32(doc.selectionEnd) &&
               in_.I32(doc.viewStart) && in_.I32(doc.viewEnd);
    }

private:
    LProgressTask& task_;
    BlockStore& store_;
    ByteSource& in_;
    std::uint64_t size_;
};

// Stored positions may come from anywhere; keep them inside the sound.
void ClampPositions(LAudioDocument& doc) {
    const std::int32_t len = doc.Length();
    doc.cursor = std::clamp(doc.cursor, 0, len);
    doc.SetSelection(std::clamp(doc.selectionStart, 0, len), std::clamp(doc.selectionEnd, 0, len), doc.cursor);
    std::int32_t a = std::clamp(doc.viewStart, 0, len), b = std::clamp(doc.viewEnd, 0, len);
    doc.viewStart = std::min(a, b);
    doc.viewEnd = std::max(a, b);
}

int ReadDocuments(ProjectReader& reader, ByteSource& in, std::uint8_t version, ProjectContents& out) {
    std::uint8_t count = 0;
    if (!in.U8(count)) return kTaskFailed;
    for (int i = 0; i < count; ++i) {
        Ref<LAudioDocument> doc = LAudioDocument::CreateEmpty(44100, 1, std::string());
        if (version == 1) {
            if (!in.FixedText(doc->path, kFixedField) || !in.Skip(kFixedField)) return kTaskFailed;
            if (!reader.Positions(*doc)) return kTaskFailed;
        } else {
            std::uint8_t marks = 0;
            if (!in.Text(doc->path) || !reader.Positions(*doc) || !in.U8(marks)) return kTaskFailed;
            for (int m = 0; m < marks; ++m) {
                LBookmark mark;
                if (!ReadBookmarkRecord(in, mark)) return kTaskFailed;
                AddBookmark(*doc, mark);
            }
        }
        int r = reader.Sound(doc->sound);
        if (r != kTaskDone) return r;
        ClampPositions(*doc);
        doc->modified = 0;
        out.documents.push_back(doc);
    }
    return kTaskDone;
}

int ReadVersion1Bookmarks(ByteSource& in, ProjectContents& out) {
    std::uint8_t skipped = 0, count = 0;
    if (!in.U8(skipped) || !in.U8(count)) return kTaskFailed;
    for (int i = 0; i < count; ++i) {
        LBookmark mark;
        if (!in.FixedText(mark.name, kFixedField) || !in.FixedText(mark.title, kFixedField) || !in.I32(mark.timeMs) ||
            !in.U8(mark.flag) || !in.I32(mark.lastUsed))
            return kTaskFailed;
        for (const auto& doc : out.documents)
            if (doc->Title() == mark.title) {
                AddBookmark(*doc, mark);
                break;
            }
    }
    return kTaskDone;
}

int ReadRegions(ProjectReader& reader, ByteSource& in, std::uint8_t version, ProjectContents& out) {
    std::uint8_t count = 0;
    if (!in.U8(count)) return kTaskFailed;
    for (int i = 0; i < count; ++i) {
        LRegion region;
        if (version == 1) {
            std::string path;
            if (!in.FixedText(region.name, kFixedField) || !in.FixedText(path, kFixedField)) return kTaskFailed;
            region.title = FileNamePart(path);
        } else if (!in.Text(region.name) || !in.Text(region.title)) {
            return kTaskFailed;
        }
        if (!in.I32(region.startMs) || !in.I32(region.endMs)) return kTaskFailed;
        int r = reader.Sound(region.sound);
        if (r != kTaskDone) return r;
        out.regions.push_back(std::move(region));
    }
    return kTaskDone;
}

}  // namespace

int LoadProjectFile(LProgressTask& task, Host& host, BlockStore& store, const std::string& path, ProjectContents& out) {
    task.SetText(0, "Chargement du Projet");
    UniqueFd fd = UniqueFd::OpenSharedRead(path);
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        task.Error("Impossible d'ouvrir et de lire le fichier \"" + path + "\".");
        return kTaskFailed;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    ByteSource in(fd.get(), size);
    std::uint8_t version = 0;
    if (!in.U8(version) || version == 0 || version > kProjectVersion) {
        host.MessageBox(ProjectVersionMessage(), "Erreur Fichier", MsgIcon::Error, MsgButtons::Ok);
        return kTaskFailed;
    }
    ProjectReader reader(task, store, in, size);
    task.SetText(1, "Chargement des fichiers...");
    int r = ReadDocuments(reader, in, version, out);
    if (r == kTaskDone && version == 1) r = ReadVersion1Bookmarks(in, out);
    if (r != kTaskDone) return r;
    task.SetText(1, "Chargement de la zone...");
    return ReadRegions(reader, in, version, out);
}

}  // namespace sv
