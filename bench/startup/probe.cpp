// Reports on standard output when the process's first window has been shown and painted,
// then ends the process at once.

#include <unistd.h>
#include <QCoreApplication>
#include <QGenericPlugin>
#include <QWindow>
#include <cstdio>

namespace {

class FirstWindowWatch : public QObject {
public:
    FirstWindowWatch() { qApp->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = qobject_cast<QWindow*>(watched);
        if (event->type() == QEvent::Expose && window && window->isExposed() && !seen_) {
            seen_ = true;
            // Queued: reported after the expose has painted the window.
            QMetaObject::invokeMethod(
                this,
                [] {
                    const char shown[] = "shown\n";
                    if (write(STDOUT_FILENO, shown, sizeof shown - 1) < 0) _exit(3);
                    _exit(0);
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool seen_ = false;
};

}  // namespace

class StartupProbe : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "probe.json")
public:
    QObject* create(const QString&, const QString&) override { return new FirstWindowWatch; }
};

#include "probe.moc"
