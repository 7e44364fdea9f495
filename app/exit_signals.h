#ifndef APP_EXIT_SIGNALS_H
#define APP_EXIT_SIGNALS_H

#include <csignal>
#include <functional>
#include <vector>

#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a call on the event loop: the signal only writes to a
// pipe, and the call comes between two handlers, so no port sequence is ever cut in two.
class ExitSignals : public QObject {
    Q_OBJECT
public:
    explicit ExitSignals(std::function<void(int)> onSignal, QObject* parent = nullptr);
    ~ExitSignals() override;

    static const std::initializer_list<int> kSignals;

private:
    void readSignal();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_;
    std::vector<struct sigaction> previous_;  // what each of kSignals did before, put back on destruction
};

#endif
