#include "views/WaveRequest.h"

#include "views/WaveDrawThread.h"

#include <QWidget>

#include <algorithm>

namespace sv {

void RequestWaveRange(QWidget& view, WaveDrawThread& thread, WaveGeometry& requested, std::int32_t start,
                      std::int32_t length) {
    const WaveGeometry old = requested;
    requested = {start, std::max(1, length), std::min(view.width(), kMaxColumns)};
    thread.Request(requested.start, requested.length, requested.width);
    const ViewRepaint repaint = RepaintForRequest(old, requested);
    if (repaint.kind == ViewRepaint::Scroll)
        view.scroll(repaint.shift, 0);
    else if (repaint.kind == ViewRepaint::Everything)
        view.update();
}

}  // namespace sv
