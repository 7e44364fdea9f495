#include "app/exit_signals.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>
#include <QSocketNotifier>

namespace {

int signalPipe[2] = {-1, -1};

void writeSignal(int signal) {
    const int interruptedErrno = errno;  // the code the signal broke into may be about to read it
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &number, 1);
    errno = interruptedErrno;
}

}  // namespace

const std::initializer_list<int> ExitSignals::kSignals = {SIGINT, SIGTERM, SIGHUP};

ExitSignals::ExitSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) qFatal("pipe2 failed");
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ExitSignals::readSignal);
    struct sigaction action {};
    action.sa_handler = writeSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    previous_.resize(kSignals.size());
    auto previous = previous_.begin();
    for (int signal : kSignals) sigaction(signal, &action, &*previous++);
}

ExitSignals::~ExitSignals() {
    auto previous = previous_.cbegin();
    for (int signal : kSignals) sigaction(signal, &*previous++, nullptr);
}

void ExitSignals::readSignal() {
    unsigned char number = 0;
    while (::read(signalPipe[0], &number, 1) == 1) onSignal_(number);
}
