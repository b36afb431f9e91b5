#include "keyring.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <qt6keychain/keychain.h>

#include <type_traits>

namespace kav {

namespace {

// The entry a probe reads: nobody writes it, so a keyring that answers says "not found".
const QString ProbeEntry = QStringLiteral("kavrin-keyring-probe");

// Without a session bus the library would try to start one of its own (and
// leave it running): no bus address and no bus socket mean no keyring.
bool sessionBusConfigured()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

KeyringStatus statusOf(QKeychain::Error error, const QString &reason)
{
    switch (error) {
    case QKeychain::NoError: return KeyringStatus::Ok;
    case QKeychain::EntryNotFound: return KeyringStatus::NotFound;
    case QKeychain::AccessDeniedByUser: return KeyringStatus::Locked;
    case QKeychain::AccessDenied: return KeyringStatus::Refused;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented: return KeyringStatus::Absent;
    case QKeychain::CouldNotDeleteEntry:
    case QKeychain::OtherError: break;
    }
    // The Secret Service's failures all arrive as "other": the bus's own error
    // names tell a missing service from a locked or refusing one.
    static const char *const absent[] = {"ServiceUnknown", "not provided by any", "NameHasNoOwner",
                                         "autolaunch", "Could not connect", "Failed to connect",
                                         "No such file", "Connection refused", "Disconnected"};
    for (const char *words : absent)
        if (reason.contains(QLatin1String(words), Qt::CaseInsensitive))
            return KeyringStatus::Absent;
    if (reason.contains(QLatin1String("locked"), Qt::CaseInsensitive))
        return KeyringStatus::Locked;
    return KeyringStatus::Refused;
}

class DesktopKeyring : public Keyring {
public:
    DesktopKeyring(const QString &service, int limitMs) : service(service), limitMs(limitMs) {}

    KeyringResult read(const QString &entry) override
    {
        auto *job = new QKeychain::ReadPasswordJob(service);
        return run(job, entry, [job] { return job->textData(); });
    }

    KeyringResult write(const QString &entry, const QString &password) override
    {
        auto *job = new QKeychain::WritePasswordJob(service);
        job->setTextData(password);
        return run(job, entry, nullptr);
    }

    KeyringResult remove(const QString &entry) override
    {
        KeyringResult r = run(new QKeychain::DeletePasswordJob(service), entry, nullptr);
        if (r.status == KeyringStatus::NotFound)
            r.status = KeyringStatus::Ok;
        return r;
    }

private:
    template <typename Text>
    KeyringResult run(QKeychain::Job *job, const QString &entry, Text password)
    {
        KeyringResult r;
        if (!sessionBusConfigured()) {
            delete job;
            r.reason = QStringLiteral("no session bus");
            return r;
        }
        job->setAutoDelete(false);
        job->setInsecureFallback(false);
        job->setKey(entry);

        // The job answers through the event loop (D-Bus replies): wait for it
        // while every other window event runs, as a socket call waits.
        QEventLoop loop;
        bool finished = false;
        QObject::connect(job, &QKeychain::Job::finished, &loop, [&] {
            finished = true;
            loop.quit();
        });
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        limit.start(limitMs);
        job->start();
        if (!finished)
            loop.exec();

        if (!finished) {
            // The library still holds the job for its pending call: it goes
            // away by itself when (if ever) the keyring answers.
            QObject::disconnect(job, nullptr, &loop, nullptr);
            job->setAutoDelete(true);
            r.status = KeyringStatus::TimedOut;
            r.reason = QStringLiteral("no answer within %1 s").arg(limitMs / 1000.0);
            return r;
        }
        r.reason = job->errorString();
        r.status = statusOf(job->error(), r.reason);
        if (r.status == KeyringStatus::Ok) {
            r.reason.clear();
            if constexpr (!std::is_same_v<Text, std::nullptr_t>)
                r.password = password();
        }
        job->deleteLater();
        return r;
    }

    QString service;
    int limitMs;
};

class AbsentKeyring : public Keyring {
public:
    KeyringResult read(const QString &) override { return {KeyringStatus::Absent, {}, {}}; }
    KeyringResult write(const QString &, const QString &) override { return {KeyringStatus::Absent, {}, {}}; }
    KeyringResult remove(const QString &) override { return {KeyringStatus::Absent, {}, {}}; }
};

std::unique_ptr<Keyring> &installed()
{
    static std::unique_ptr<Keyring> current;
    return current;
}

} // namespace

KeyringResult Keyring::probe()
{
    KeyringResult r = read(ProbeEntry);
    r.password.clear();
    return r;
}

Keyring &keyring()
{
    std::unique_ptr<Keyring> &current = installed();
    if (!current)
        current = makeDesktopKeyring();
    return *current;
}

std::unique_ptr<Keyring> setKeyring(std::unique_ptr<Keyring> keyring)
{
    std::unique_ptr<Keyring> previous = std::move(installed());
    installed() = std::move(keyring);
    return previous;
}

std::unique_ptr<Keyring> makeDesktopKeyring(const QString &service, int limitMs)
{
    return std::make_unique<DesktopKeyring>(service, limitMs);
}

std::unique_ptr<Keyring> makeAbsentKeyring()
{
    return std::make_unique<AbsentKeyring>();
}

QString keyringStatusText(KeyringStatus status)
{
    switch (status) {
    case KeyringStatus::Ok: return QStringLiteral("정상");
    case KeyringStatus::NotFound: return QStringLiteral("키링에 비밀번호가 없습니다");
    case KeyringStatus::Locked: return QStringLiteral("키링이 잠겨 있습니다");
    case KeyringStatus::Refused: return QStringLiteral("키링이 요청을 거부했습니다");
    case KeyringStatus::Absent: return QStringLiteral("시스템 키링이 없습니다");
    case KeyringStatus::TimedOut: return QStringLiteral("키링이 응답하지 않습니다");
    }
    return {};
}

} // namespace kav
