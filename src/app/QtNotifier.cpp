#include "app/QtNotifier.h"

#include <QMetaObject>

namespace sv {

void QtNotifier::Post(std::function<void()> call) {
    QMetaObject::invokeMethod(receiver_, std::move(call), Qt::QueuedConnection);
}

}  // namespace sv
