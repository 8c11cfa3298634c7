#include "views/SpectrogramWindow.h"

#include "core/Workspace.h"
#include "platform/Settings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace sv {

namespace {

QList<QRgb> ColourTable() {
    QList<QRgb> table;
    for (std::uint32_t c : SpectrogramPalette()) table.push_back(qRgb(c >> 16, (c >> 8) & 0xff, c & 0xff));
    return table;
}

QColor FromRgb(std::uint32_t c) { return QColor(c >> 16, (c >> 8) & 0xff, c & 0xff); }

}  // namespace

SpectrogramCanvas::SpectrogramCanvas(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(200, 120);
}

void SpectrogramCanvas::SetData(std::shared_ptr<const SpectrogramData> data) {
    data_ = std::move(data);
    Rebuild();
}

void SpectrogramCanvas::SetGain(int gain) {
    gain_ = gain;
    Rebuild();
}

void SpectrogramCanvas::SetGrid(bool on) {
    grid_ = on;
    update();
}

void SpectrogramCanvas::SetFull(bool full) {
    full_ = full;
    Rebuild();
}

void SpectrogramCanvas::resizeEvent(QResizeEvent*) {
    if (full_) Rebuild();
}

void SpectrogramCanvas::Rebuild() {
    if (!data_ || data_->slices == 0 || data_->bins == 0) {
        image_ = QImage();
        update();
        return;
    }
    const SpectrogramData& d = *data_;
    int w, h;
    if (full_) {
        w = std::max(1, width());
        h = std::max(1, height());
    } else {
        w = static_cast<int>(std::min<std::uint32_t>(d.slices, 32767));
        h = static_cast<int>(std::min<std::uint32_t>(d.bins, 32767));
        setFixedSize(w, h);
    }
    image_ = QImage(w, h, QImage::Format_Indexed8);
    image_.setColorTable(ColourTable());
    for (int y = 0; y < h; ++y) {
        uchar* line = image_.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const SpectrogramCell cell = full_ ? FullViewCell(d, x, y, w, h)
                                               : SpectrogramCell{static_cast<std::uint32_t>(x),
                                                                 static_cast<std::uint32_t>(h - 1 - y)};
            line[x] = SpectrogramColourIndex(d.Cell(cell.slice, cell.bin), gain_);
        }
    }
    update();
}

SpectrogramCell SpectrogramCanvas::CellAt(const QPoint& at) const {
    if (!data_ || image_.isNull()) return {};
    if (full_) return FullViewCell(*data_, at.x(), at.y(), image_.width(), image_.height());
    const int x = std::clamp(at.x(), 0, image_.width() - 1), y = std::clamp(at.y(), 0, image_.height() - 1);
    return {static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(image_.height() - 1 - y)};
}

void SpectrogramCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (image_.isNull() || !data_) return;
    p.drawImage(0, 0, image_);
    if (!grid_) return;
    const double xScale = static_cast<double>(image_.width()) / (full_ ? data_->slices : image_.width());
    const double yScale = static_cast<double>(image_.height()) / (full_ ? data_->bins : image_.height());
    p.setPen(FromRgb(kSecondGridColour));
    for (double slice : SecondGridSlices(*data_)) {
        const int x = static_cast<int>(slice * xScale);
        p.drawLine(x, 0, x, image_.height() - 1);
    }
    p.setPen(FromRgb(kHertzGridColour));
    for (double bin : HertzGridBins(*data_)) {
        const int y = image_.height() - 1 - static_cast<int>(bin * yScale);
        p.drawLine(0, y, image_.width() - 1, y);
    }
}

void SpectrogramCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (!data_ || !statusChanged) return;
    const SpectrogramCell cell = CellAt(event->position().toPoint());
    statusChanged(QString::fromStdString(SpectrogramStatus(*data_, cell.slice, cell.bin)));
}

LTFFTWindow::LTFFTWindow(Workspace& ws, QWidget* parent) : QWidget(parent, Qt::Window), ws_(ws) {
    setObjectName("LTFFTWindow");
    setWindowTitle("Analyse de Fréquence Temporelle (TFRT)");
    canvas_ = new SpectrogramCanvas;
    scroll_ = new QScrollArea(this);
    scroll_->setWidget(canvas_);
    scroll_->setBackgroundRole(QPalette::Dark);
    status_ = new QLabel(this);
    status_->setObjectName("status");
    canvas_->statusChanged = [this](const QString& text) { status_->setText(text); };

    Settings& st = ws_.settings();
    auto tool = [this](int id, const QString& text, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::number(id));
        b->setText(text);
        b->setToolTip(tip);
        return b;
    };
    fullButton_ = tool(103, "Vue entière", "Afficher toute la zone analysée");
    zoomButton_ = tool(104, "Zoom", "Afficher une cellule par point");
    grid_ = tool(107, "Grille", "Afficher la grille (secondes et kHz)");
    grid_->setCheckable(true);
    auto* reselect = tool(0, "Resélectionner", "Resélectionner cette zone d'analyse dans la forme d'onde sonore");
    brightness_ = new QSlider(Qt::Horizontal, this);
    brightness_->setObjectName("105");
    brightness_->setRange(0, 100);
    brightness_->setToolTip("Luminosité");
    brightness_->setValue(std::clamp(st.ReadIntSetting("Settings", "TFFTVScroll", 25), 0, 100));
    grid_->setChecked(st.ReadIntSetting("Settings", "GridToggle", 1) != 0);
    canvas_->SetGain(SpectrogramGain(brightness_->value()));
    canvas_->SetGrid(grid_->isChecked());

    connect(brightness_, &QSlider::valueChanged, this, [this](int v) {
        ws_.settings().WriteIntUserSetting("Settings", "TFFTVScroll", v);
        canvas_->SetGain(SpectrogramGain(v));
    });
    connect(grid_, &QToolButton::toggled, this, [this](bool on) {
        ws_.settings().WriteIntUserSetting("Settings", "GridToggle", on ? 1 : 0);
        canvas_->SetGrid(on);
    });
    auto setFull = [this](bool full) {
        ws_.settings().WriteIntUserSetting("Settings", "TFFTFullZoomOn", full ? 1 : 0);
        ApplySettings();
    };
    connect(fullButton_, &QToolButton::clicked, this, [setFull] { setFull(true); });
    connect(zoomButton_, &QToolButton::clicked, this, [setFull] { setFull(false); });
    connect(reselect, &QToolButton::clicked, this, [this] { Reselect(); });

    auto* bar = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(fullButton_), static_cast<QWidget*>(zoomButton_),
                       static_cast<QWidget*>(grid_), static_cast<QWidget*>(reselect)})
        bar->addWidget(w);
    bar->addWidget(new QLabel("Luminosité", this));
    bar->addWidget(brightness_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(scroll_, 1);
    layout->addWidget(status_);
    resize(640, 400);
    ApplySettings();
}

void LTFFTWindow::ApplySettings() {
    const bool full = ws_.settings().ReadIntSetting("Settings", "TFFTFullZoomOn", 0) != 0;
    scroll_->setWidgetResizable(full);
    if (full) {
        canvas_->setMinimumSize(200, 120);
        canvas_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        canvas_->resize(scroll_->viewport()->size());
    }
    canvas_->SetFull(full);
    // Zoomed, start at the bottom: low frequencies are where most sound lives.
    if (!full) scroll_->verticalScrollBar()->setValue(scroll_->verticalScrollBar()->maximum());
}

void LTFFTWindow::Show(LAudioDocument& doc, std::shared_ptr<const SpectrogramData> data) {
    doc_ = Ref<LAudioDocument>(&doc);
    data_ = data;
    canvas_->SetData(std::move(data));
    status_->clear();
    ApplySettings();
    show();
    raise();
    activateWindow();
}

void LTFFTWindow::Reselect() {
    if (!doc_ || !data_) return;
    const auto& open = ws_.Documents();
    if (std::find(open.begin(), open.end(), doc_) == open.end()) return;  // closed since
    const std::int32_t end = static_cast<std::int32_t>(std::min<std::int64_t>(
        static_cast<std::int64_t>(data_->start) + data_->length, doc_->Length()));
    doc_->SetSelection(data_->start, end, data_->start);
    ws_.DocumentChanged(*doc_);
}

}  // namespace sv
