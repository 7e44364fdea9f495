// A plugin that Qt loads into any Qt program started with QT_QPA_GENERIC_PLUGINS=cardcheck_shown_probe
// (and QT_PLUGIN_PATH naming the folder above generic/). When the first top-level window has been
// painted and handed to the window system, it writes the monotonic clock in nanoseconds on standard
// error ("shown NS") and ends the program at once. start_up_timing puts the same probe into the
// program and into a trivial window, so both are timed to the same moment.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>
#include <QEvent>
#include <QGenericPlugin>
#include <QWidget>

namespace {

class ShownProbe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The first paint of a top-level widget happens inside the handling of its window's
        // exposure, which paints every child and flushes the backing store to the window system
        // before it returns; the queued call runs after that.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!seen_ && event->type() == QEvent::Paint && widget && widget->isWindow()) {
            seen_ = true;
            QMetaObject::invokeMethod(this, &ShownProbe::report, Qt::QueuedConnection);
        }
        return false;
    }

private:
    static void report() {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::fprintf(stderr, "shown %lld\n",
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fflush(stderr);
        std::_Exit(0);
    }

    bool seen_ = false;
};

}  // namespace

class ShownProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "shown_probe.json")
public:
    QObject* create(const QString&, const QString&) override {
        // Qt owns what a generic plugin makes and deletes it with the application.
        auto* probe = new ShownProbe;
        qApp->installEventFilter(probe);
        return probe;
    }
};

#include "shown_probe.moc"
