#include "app/QtSystemClipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringList>
#include <QVariant>

namespace sv {

namespace {

const char kWav[] = "audio/wav";
const char kXWav[] = "audio/x-wav";

// Mime data that renders its WAV bytes at the first request and keeps them for later ones. A
// render that failed or was cancelled keeps nothing, so the next request tries again.
class DelayedWaveData : public QMimeData {
public:
    explicit DelayedWaveData(std::weak_ptr<QtSystemClipboard::Renderer> render) : render_(std::move(render)) {}

    QStringList formats() const override { return {QString::fromLatin1(kWav), QString::fromLatin1(kXWav)}; }

    bool hasFormat(const QString& mimeType) const override {
        return mimeType == QLatin1String(kWav) || mimeType == QLatin1String(kXWav);
    }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType) const override {
        if (!hasFormat(mimeType)) return {};
        if (bytes_.isEmpty()) {
            if (auto render = render_.lock()) {
                std::vector<std::uint8_t> bytes = (*render)();
                bytes_ = QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
            }
        }
        if (bytes_.isEmpty()) return {};
        return bytes_;
    }

private:
    std::weak_ptr<QtSystemClipboard::Renderer> render_;
    mutable QByteArray bytes_;
};

}  // namespace

QtSystemClipboard::QtSystemClipboard(Renderer render) : render_(std::make_shared<Renderer>(std::move(render))) {}

QtSystemClipboard::~QtSystemClipboard() {
    render_.reset();
    if (QClipboard* cb = QGuiApplication::clipboard(); cb && cb->ownsClipboard()) {
        const QMimeData* data = cb->mimeData();
        if (dynamic_cast<const DelayedWaveData*>(data)) cb->clear();
    }
}

void QtSystemClipboard::OfferWave() {
    if (QClipboard* cb = QGuiApplication::clipboard()) cb->setMimeData(new DelayedWaveData(render_));
}

std::vector<std::uint8_t> QtSystemClipboard::ReadWave() {
    QClipboard* cb = QGuiApplication::clipboard();
    const QMimeData* data = cb ? cb->mimeData() : nullptr;
    if (!data) return {};
    for (const char* type : {kWav, kXWav}) {
        if (!data->hasFormat(QString::fromLatin1(type))) continue;
        QByteArray bytes = data->data(QString::fromLatin1(type));
        if (!bytes.isEmpty()) return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    }
    return {};
}

}  // namespace sv
