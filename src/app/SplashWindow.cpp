#include "app/SplashWindow.h"

#include "app/AppIcon.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace sv {

QWidget* ShowSplash(QWidget* owner, const std::string& text, int ms) {
    auto* splash = new QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    splash->setObjectName("SonvelaSplash");
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(splash);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(18);
    auto* icon = new QLabel(splash);
    icon->setPixmap(AppIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);
    layout->addWidget(icon);
    auto* label = new QLabel(QString::fromStdString(text), splash);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    splash->setStyleSheet("QWidget#SonvelaSplash { border: 1px solid #555; background: #fbfbf8; }");
    splash->adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        splash->move(area.center() - QPoint(splash->width() / 2, splash->height() / 2));
    }
    splash->show();
    QTimer::singleShot(ms, splash, [splash] { splash->close(); });
    return splash;
}

}  // namespace sv
