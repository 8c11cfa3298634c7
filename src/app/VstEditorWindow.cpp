#include "app/VstEditorWindow.h"

#include "core/Host.h"
#include "core/Workspace.h"
#include "effects/PluginCommands.h"
#include "effects/VstPlugin.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QTimer>

namespace sv {

namespace {

QSize EditorSize(VstPlugin& plugin) {
    vst::ERect* rect = nullptr;
    plugin.Dispatch(vst::effEditGetRect, 0, 0, &rect);
    if (!rect) return {};
    const int w = rect->right - rect->left, h = rect->bottom - rect->top;
    return w > 0 && h > 0 && w < 10000 && h < 10000 ? QSize(w, h) : QSize();
}

}  // namespace

void OpenVstEditorWindow(Workspace& ws, VstPlugin& plugin) {
    if (QGuiApplication::platformName() != "xcb") {
        ws.host().MessageBox("L'éditeur du plugiciel demande X11 : il n'est pas disponible sur cet affichage (" +
                                 QGuiApplication::platformName().toStdString() +
                                 "). Les paramètres restent réglables dans la liste.",
                             "VST Configuration", MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    QDialog window(QApplication::activeWindow());
    window.setWindowTitle("VST Configuration");
    window.setAttribute(Qt::WA_NativeWindow);
    QSize size = EditorSize(plugin);
    window.resize(size.isValid() ? size : QSize(400, 300));
    window.show();
    plugin.Dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(window.winId()));
    // Some plug-ins know their size only once the editor is open.
    size = EditorSize(plugin);
    if (size.isValid()) window.setFixedSize(size);
    QTimer idle;
    QObject::connect(&idle, &QTimer::timeout, [&plugin] { plugin.Dispatch(vst::effEditIdle); });
    idle.start(40);
    window.exec();
    idle.stop();
    plugin.Dispatch(vst::effEditClose);
}

void InstallVstEditorWindow() { gOpenVstEditor = OpenVstEditorWindow; }

}  // namespace sv
