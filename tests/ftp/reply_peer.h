#pragma once
// A byte-level FTP peer that lives on the test's own thread: the session's
// blocking calls keep the event loop running, so the peer answers from socket
// notifiers and timers. It exists for the replies real servers never produce
// (a reply split over segments, two replies in one segment, a bare "220").

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace kavtest {

class ReplyPeer : public QObject {
public:
    // Listens on 127.0.0.1:port (0: any free port).
    explicit ReplyPeer(quint16 port = 0);
    ~ReplyPeer() override;

    quint16 port() const { return listenPort; }

    // Sent as one segment as soon as a client is accepted (the greeting).
    void greet(const QByteArray &bytes) { greeting.append(bytes); }
    // Segments sent one after another, `gapMs` apart, once accepted.
    void greetInSegments(const QList<QByteArray> &segments, int gapMs);
    // When a received command line starts with `prefix`, send `reply`
    // (segments `gapMs` apart). Rules are tried in order; each may fire any number of times.
    void on(const QByteArray &prefix, const QList<QByteArray> &reply, int gapMs = 0);
    // Closes the client connection after this command prefix arrives.
    void closeOn(const QByteArray &prefix) { closePrefixes << prefix; }

    // The command lines received, without CR LF.
    QList<QByteArray> commands;
    bool clientClosed = false;

private:
    void acceptClient();
    void readClient();
    void sendLater(const QList<QByteArray> &segments, int gapMs);
    void closeClient();

    int listenFd = -1;
    int clientFd = -1;
    quint16 listenPort = 0;
    QList<QByteArray> greeting;
    int greetingGap = 0;
    struct Rule { QByteArray prefix; QList<QByteArray> reply; int gapMs; };
    QList<Rule> rules;
    QList<QByteArray> closePrefixes;
    QByteArray inbox;
    std::unique_ptr<QSocketNotifier> acceptNotifier, readNotifier;
};

} // namespace kavtest
