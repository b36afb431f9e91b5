#include "termination.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace kav::termination {

namespace {

// Self-pipe: the signal handler may only write a byte; the notifier reads it in the event loop.
int pipeFds[2] = {-1, -1};

void onSignal(int sig)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    [[maybe_unused]] ssize_t n = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

} // namespace

bool install(std::function<void(int signal)> onRequest)
{
    if (pipeFds[0] >= 0)
        return false;
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipeFds[0] = pipeFds[1] = -1;
        return false;
    }
    auto *notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, onRequest]() {
        // The request's handler pumps events: a second signal meanwhile is read
        // by a nested call of this handler, which must find the notifier quiet.
        notifier->setEnabled(false);
        unsigned char byte = 0;
        while (::read(pipeFds[0], &byte, 1) == 1) {
            if (onRequest)
                onRequest(byte);
        }
        notifier->setEnabled(true);
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    bool ok = ::sigaction(SIGTERM, &sa, nullptr) == 0;
    ok = ::sigaction(SIGINT, &sa, nullptr) == 0 && ok;
    return ok;
}

void exitNow(int code)
{
    ::_exit(code);
}

} // namespace kav::termination
