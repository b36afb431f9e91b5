#pragma once
// A byte-level FTP peer that lives on the test's own thread: the session's
// blocking calls keep the event loop running, so the peer answers from socket
// notifiers and timers. It exists for the replies real servers never produce
// (a reply split over segments, two replies in one segment, a bare "220").

#include <QByteArray>
#include <QList>
#include <QPair>
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
    // (segments `gapMs` apart). The rule added last wins; each may fire any number of times.
    // FEAT is refused (500) unless a rule answers it.
    void on(const QByteArray &prefix, const QList<QByteArray> &reply, int gapMs = 0);
    // A transfer command answered over a data connection: to the address of
    // the last PORT command, or, after a passive offer (offerPassive), the
    // connection the client made to the offered port. `preliminary` on the
    // control connection, then (when `connectBack`) the data segments `gapMs`
    // apart, then the data connection ends (closed, or reset when `reset`),
    // then `final` on the control connection.
    struct DataReply {
        QByteArray preliminary;
        QList<QByteArray> data;
        QByteArray final;
        int gapMs = 0;
        bool connectBack = true;
        bool reset = false;
        // A server that dies or hangs up during the transfer: instead of
        // `final`, the control connection ends (reset when `resetControl`):
        // right after `preliminary` when nothing connects back, else after
        // the data, or after the first data segment while the data
        // connection is still open when `controlFirst`.
        bool closeControl = false;
        bool resetControl = false;
        bool controlFirst = false;
        // An upload: the data connection is read to its end (or, with
        // controlFirst, to its first block) before the rest goes on.
        bool receive = false;
        // A third party that connects to the data port first, from this source
        // address (a second loopback address), and offers these bytes.
        quint32 intruderFrom = 0;
        QByteArray intruderData;
    };
    void onData(const QByteArray &prefix, const DataReply &reply);
    // Passive mode: EPSV and PASV open a listener on 127.0.0.1 and name its
    // port; the next data reply goes over the connection made to it.
    struct Passive {
        bool epsv = true;   // answer EPSV (false: the rules do, a refusal for example)
        bool pasv = true;   // answer PASV
        QByteArray pasvAddress = "127,0,0,1";   // the address the 227 reply names
        quint16 port = 0;   // a port to name instead of a listener of the peer's own
    };
    void offerPassive(const Passive &passive);
    // The rules of a plain server that logs anyone in, stays in `pwd`,
    // accepts TYPE, PORT and CWD and lists UTF8 in its FEAT (so names go out
    // in UTF-8); transfer commands are left to the test.
    void answerAsLoggedInServer(const QByteArray &pwd = "/");
    // Closes the client connection after this command prefix arrives.
    void closeOn(const QByteArray &prefix) { closePrefixes << prefix; }
    // Resets the client connection (RST, not FIN) after this command prefix arrives.
    void resetOn(const QByteArray &prefix) { resetPrefixes << prefix; }
    // Answers `prefix` with `partial` (a reply cut short) and then closes.
    void cutOn(const QByteArray &prefix, const QByteArray &partial) { cuts.append({prefix, partial}); }
    // Sends `bytes`, then closes (a server that times out an idle session: "421 ...").
    void sayAndHangUp(const QByteArray &bytes);
    // Closes the client connection now (a server that times out or restarts).
    void hangUp() { closeClient(); }
    // Resets the client connection now (a crashed host, a firewall in between).
    void reset() { closeClient(true); }

    // The command lines received, without CR LF.
    QList<QByteArray> commands;
    bool clientClosed = false;
    // What uploads sent over their data connections.
    QByteArray received;

private:
    void acceptClient();
    void readClient();
    void sendLater(const QList<QByteArray> &segments, int gapMs);
    // Sends in order, the rest as the client makes room.
    void sendOut(const QByteArray &bytes);
    void flushOutbox();
    void closeClient(bool reset = false);

    int listenFd = -1;
    int clientFd = -1;
    quint16 listenPort = 0;
    QList<QByteArray> greeting;
    int greetingGap = 0;
    struct Rule { QByteArray prefix; QList<QByteArray> reply; int gapMs; };
    QList<Rule> rules;
    QList<QByteArray> closePrefixes;
    QList<QByteArray> resetPrefixes;
    QList<QPair<QByteArray, QByteArray>> cuts;
    struct DataRule { QByteArray prefix; DataReply reply; };
    QList<DataRule> dataRules;
    quint32 portAddress = 0;
    quint16 portNumber = 0;
    bool passiveOffered = false;
    Passive passive;
    int passiveFd = -1;   // the listener of the last passive offer
    bool answerPassive(const QByteArray &line);
    void runData(const DataReply &reply);
    QByteArray inbox;
    QByteArray outbox;
    std::unique_ptr<QSocketNotifier> acceptNotifier, readNotifier, writeNotifier;
};

} // namespace kavtest
