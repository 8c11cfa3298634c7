#include "views/FrequencyWindow.h"

#include "core/Workspace.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace sv {

namespace {

constexpr int kLeftMargin = 44;
constexpr int kBottomMargin = 22;
constexpr int kTopMargin = 8;
constexpr int kRightMargin = 10;
const QColor kBackground(16, 16, 24);
const QColor kGridColour(60, 64, 80);
const QColor kAxisText(200, 200, 200);
const QColor kChannelColours[2] = {QColor(80, 220, 100), QColor(240, 96, 80)};

QString HzText(int hz) { return hz >= 1000 ? QString("%1k").arg(hz / 1000.0, 0, 'g', 3) : QString::number(hz); }

bool SameSegments(const std::vector<LSegment>& a, const std::vector<LSegment>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].block != b[i].block || a[i].frames != b[i].frames || a[i].gain != b[i].gain ||
            a[i].offset != b[i].offset)
            return false;
    return true;
}

}  // namespace

SpectrumGraph::SpectrumGraph(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(320, 200);
    for (auto& db : spectrum_.db) db.assign(kSpectrumBins, -127);
}

void SpectrumGraph::SetSpectrum(const FrequencySpectrum& spectrum) {
    spectrum_ = spectrum;
    update();
}

QRect SpectrumGraph::PlotRect() const {
    return QRect(kLeftMargin, kTopMargin, std::max(1, width() - kLeftMargin - kRightMargin),
                 std::max(1, height() - kTopMargin - kBottomMargin));
}

void SpectrumGraph::SyncGeometry() {
    const QRect plot = PlotRect();
    SpectrumGeometry next(plot.width(), plot.height());
    // Keep the scroll and zoom across resizes.
    const SpectrumGeometry& old = geometry_;
    next.ScrollLevel(0);
    next.ZoomFrequency(2048.0 / old.BinRange(), 0);
    next.ScrollFrequency(old.FirstBin() / next.BinRange());
    next.ScrollLevel(old.TopDb() - next.TopDb());
    geometry_ = next;
}

void SpectrumGraph::resizeEvent(QResizeEvent*) { SyncGeometry(); }

QString SpectrumGraph::Readout(const QPoint& at) const {
    const QRect plot = PlotRect();
    if (!plot.contains(at)) return {};
    const double bin = geometry_.BinAt(at.x() - plot.left());
    const int k = std::clamp(static_cast<int>(std::lround(bin)), 0, static_cast<int>(kSpectrumBins) - 1);
    const int hz = static_cast<int>(static_cast<std::int64_t>(k) * spectrum_.sampleRate / kSpectrumPoints);
    int db = -127;
    for (std::uint32_t c = 0; c < spectrum_.channels; ++c)
        if (!spectrum_.db[c].empty()) db = std::max<int>(db, spectrum_.db[c][static_cast<std::size_t>(k)]);
    return QString::asprintf("%d Hz, %d dB", hz, db);
}

void SpectrumGraph::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const QRect plot = PlotRect();
    p.fillRect(plot, kBackground);
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
    p.setFont(small);

    // Axes: level ticks on the left, frequency ticks below.
    for (int db : geometry_.LevelTicks()) {
        const int y = plot.top() + static_cast<int>(std::lround(geometry_.YOfDb(db)));
        p.setPen(kGridColour);
        p.drawLine(plot.left(), y, plot.right(), y);
        p.setPen(palette().windowText().color());
        p.drawText(QRect(0, y - 8, kLeftMargin - 4, 16), Qt::AlignRight | Qt::AlignVCenter, QString::number(db));
    }
    for (int hz : geometry_.FrequencyTicks(spectrum_.sampleRate)) {
        const double bin = static_cast<double>(hz) * kSpectrumPoints / spectrum_.sampleRate;
        const int x = plot.left() + static_cast<int>(std::lround(geometry_.XOfBin(bin)));
        p.setPen(kGridColour);
        p.drawLine(x, plot.top(), x, plot.bottom());
        p.setPen(palette().windowText().color());
        p.drawText(QRect(x - 30, plot.bottom() + 3, 60, kBottomMargin - 3), Qt::AlignHCenter | Qt::AlignTop,
                   HzText(hz));
    }
    p.drawText(QRect(0, plot.bottom() + 3, kLeftMargin - 4, kBottomMargin - 3), Qt::AlignRight | Qt::AlignTop,
               "Hz");

    // One curve per channel: each column takes the loudest bin it covers, so narrow peaks
    // stay visible when many bins share a pixel.
    p.setClipRect(plot);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (std::uint32_t c = 0; c < spectrum_.channels; ++c) {
        const std::vector<std::int8_t>& db = spectrum_.db[c];
        if (db.size() < kSpectrumBins) continue;
        QPainterPath path;
        for (int x = 0; x < plot.width(); ++x) {
            const int lo = static_cast<int>(std::floor(geometry_.BinAt(x)));
            const int hi = std::max(lo, static_cast<int>(std::floor(geometry_.BinAt(x + 1))) - 1);
            int level = -127;
            for (int k = lo; k <= std::min(hi, static_cast<int>(kSpectrumBins) - 1); ++k)
                level = std::max<int>(level, db[static_cast<std::size_t>(k)]);
            const QPointF pt(plot.left() + x, plot.top() + geometry_.YOfDb(level));
            if (x == 0) path.moveTo(pt);
            else path.lineTo(pt);
        }
        p.setPen(QPen(kChannelColours[c], 1.2));
        p.drawPath(path);
    }
}

void SpectrumGraph::mouseMoveEvent(QMouseEvent* event) {
    if (readoutChanged) readoutChanged(Readout(event->position().toPoint()));
}

void SpectrumGraph::leaveEvent(QEvent*) {
    if (readoutChanged) readoutChanged({});
}

void SpectrumGraph::wheelEvent(QWheelEvent* event) {
    const QRect plot = PlotRect();
    const int x = std::clamp(static_cast<int>(event->position().x()) - plot.left(), 0, plot.width() - 1);
    geometry_.ZoomFrequency(event->angleDelta().y() > 0 ? 1.25 : 0.8, x);
    update();
}

LFrequencyWindow::LFrequencyWindow(Workspace& ws, QWidget* parent) : QWidget(parent, Qt::Window), ws_(ws) {
    setObjectName("LFrequencyWindow");
    setWindowTitle("Analyse de Fréquence (TFR)");
    graph_ = new SpectrumGraph(this);
    readout_ = new QLabel(this);
    readout_->setObjectName("readout");
    readout_->setMinimumWidth(140);
    graph_->readoutChanged = [this](const QString& text) { readout_->setText(text); };

    auto button = [this](const QString& text, const QString& tip, std::function<void()> act) {
        auto* b = new QToolButton(this);
        b->setText(text);
        b->setToolTip(tip);
        b->setAutoRepeat(true);
        connect(b, &QToolButton::clicked, this, [this, act] {
            act();
            graph_->update();
        });
        return b;
    };
    const QString horizontal = "Cliquez ici pour faire défiler la fenêtre de fréquence horizontalement";
    const QString vertical = "Cliquez ici pour faire défiler la fenêtre de fréquence verticalement";
    auto* bar = new QHBoxLayout;
    bar->addWidget(button("◀", horizontal, [this] { graph_->Geometry().ScrollFrequency(-0.25); }));
    bar->addWidget(button("▶", horizontal, [this] { graph_->Geometry().ScrollFrequency(0.25); }));
    bar->addWidget(button("▲", vertical, [this] { graph_->Geometry().ScrollLevel(10); }));
    bar->addWidget(button("▼", vertical, [this] { graph_->Geometry().ScrollLevel(-10); }));
    bar->addWidget(button("+", "Zoom avant", [this] { graph_->Geometry().ZoomFrequency(2.0, 0); }));
    bar->addWidget(button("−", "Zoom arrière", [this] { graph_->Geometry().ZoomFrequency(0.5, 0); }));
    bar->addWidget(button("1:1", "Vue entière", [this] { graph_->Geometry().ResetView(); }));
    bar->addStretch(1);
    bar->addWidget(readout_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(graph_, 1);
    layout->addLayout(bar);
    resize(560, 320);

    // The worker ends (in the destructor) before the window does, so `this` outlives every
    // delivery call; the queued call itself is dropped by Qt once the window is gone.
    worker_ = std::make_unique<SpectrumWorker>([this](FrequencySpectrum&& spectrum, std::uint64_t ticket) {
        auto shared = std::make_shared<FrequencySpectrum>(std::move(spectrum));
        QMetaObject::invokeMethod(
            this, [this, shared, ticket] { Delivered(std::move(*shared), ticket); }, Qt::QueuedConnection);
    });
    poll_ = new QTimer(this);
    poll_->setInterval(40);
    connect(poll_, &QTimer::timeout, this, [this] { Poll(); });
    poll_->start();
}

LFrequencyWindow::~LFrequencyWindow() { worker_.reset(); }

void LFrequencyWindow::SetSpectrum(const FrequencySpectrum& spectrum) { graph_->SetSpectrum(spectrum); }

void LFrequencyWindow::ShowComputed(const LAudioDocument& doc, const FrequencySpectrum& spectrum) {
    doc_ = &doc;
    cursor_ = spectrum.position;
    segments_ = doc.sound.Segments();
    ++lastTicket_;  // anything still on its way is older
    SetSpectrum(spectrum);
}

bool LFrequencyWindow::SameAsShown(const LAudioDocument& doc) const {
    return &doc == doc_ && doc.cursor == cursor_ && SameSegments(doc.sound.Segments(), segments_);
}

void LFrequencyWindow::Poll() {
    LAudioDocument* doc = ws_.Active();
    if (!doc || SameAsShown(*doc)) return;
    doc_ = doc;
    cursor_ = doc->cursor;
    segments_ = doc->sound.Segments();
    lastTicket_ = worker_->Request(doc->sound, doc->cursor);
}

void LFrequencyWindow::Delivered(FrequencySpectrum spectrum, std::uint64_t ticket) {
    // An older result arriving after a newer request would show a stale position.
    if (ticket != lastTicket_) return;
    SetSpectrum(spectrum);
}

}  // namespace sv
