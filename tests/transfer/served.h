#pragma once
// A real FTP server (pyftpdlib or vsftpd) serving a scratch home to user
// "kim", a scratch local directory beside it, and the file helpers the
// transfer tests compare with.

#include "ftp_server.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kavtest {

// Bytes that no line-end conversion or truncation leaves unchanged by chance.
inline QByteArray randomBytes(qint64 size, quint32 seed)
{
    QByteArray b((size + 3) & ~qint64(3), Qt::Uninitialized);
    QRandomGenerator gen(seed);
    gen.fillRange(reinterpret_cast<quint32 *>(b.data()), b.size() / 4);
    b.truncate(size);
    return b;
}

// Empty when the file cannot be read.
inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

inline QByteArray digest(const QByteArray &b) { return QCryptographicHash::hash(b, QCryptographicHash::Sha256); }

enum class Server { Pyftpdlib, Vsftpd };

struct Served {
    ScratchDir home, local;
    std::unique_ptr<FtpServer> py;
    std::unique_ptr<VsftpdServer> vs;
    // More of pyftpdlib's set-up before it starts (commands taken away or added).
    std::function<void(FtpServer &)> configurePy;
    QString homeDir() const { return QString::fromStdString(home.path()); }
    QString localDir() const { return QString::fromStdString(local.path()); }

    // A server that does not start fails the test with its reason; so does a
    // missing vsftpd (CI runs as root: a failure, never a skip).
    ::testing::AssertionResult start(Server which, const std::string &address = "127.0.0.1", int port = 21,
                                     const std::vector<std::string> &vsftpdConfig = {})
    {
        if (which == Server::Pyftpdlib) {
            py = std::make_unique<FtpServer>();
            py->addUser("kim", "secret", home.path()).setAddress(address).setPort(port);
            if (configurePy)
                configurePy(*py);
            return py->start();
        }
        if (std::string why; !VsftpdServer::available(&why))
            return ::testing::AssertionFailure() << why;
        vs = std::make_unique<VsftpdServer>();
        vs->addUser("kim", "secret", home.path()).setAddress(address).setPort(port);
        for (const std::string &line : vsftpdConfig)
            vs->addConfig(line);
        return vs->start();
    }
    void stop()
    {
        if (py)
            py->stop();
        if (vs)
            vs->stop();
    }
    std::string log() const { return py ? py->log() : vs ? vs->log() : std::string(); }
};

} // namespace kavtest
