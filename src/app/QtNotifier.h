#pragma once
// Delivers worker posts on the GUI thread through queued Qt calls.
#include "core/Notifier.h"

#include <QObject>

namespace sv {

class QtNotifier : public Notifier {
public:
    explicit QtNotifier(QObject* receiver) : receiver_(receiver) {}
    void Post(std::function<void()> call) override;

private:
    QObject* receiver_;
};

}  // namespace sv
