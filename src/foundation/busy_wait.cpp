#include "foundation/busy_wait.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QThread>

#include <memory>

namespace draxa {

namespace {

bool OnGuiThread() {
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

TBusyCursor::TBusyCursor() {
    if (!OnGuiThread() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    FShown = true;
}

TBusyCursor::~TBusyCursor() {
    if (FShown) QGuiApplication::restoreOverrideCursor();
}

void KeepWindowsPainting(int MaxMs) {
    if (!OnGuiThread()) return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, MaxMs);
}

std::function<void(bool Waiting)> BusyWaitHandler() {
    auto Cursor = std::make_shared<std::unique_ptr<TBusyCursor>>();
    return [Cursor](bool Waiting) {
        if (!Waiting) {
            Cursor->reset();
            return;
        }
        if (!*Cursor) *Cursor = std::make_unique<TBusyCursor>();
        KeepWindowsPainting(20);
    };
}

} // namespace draxa
