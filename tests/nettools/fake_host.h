// The main window as the network tools see it, for tests: a log, a stop
// button with its tag (set by the connect notices as the main window's message
// filter does), scripted host choices and recorded reports.
#pragma once

#include "nettools/net_tools_host.h"
#include "platform/winsock.h"

#include <QStringList>
#include <QWidget>
#include <vector>

namespace kavtest {

struct Report {
    QString caption;
    QStringList lines;
    QString directory, fileName;
};

class FakeHost : public kav::NetToolsHost {
public:
    FakeHost()
    {
        kav::ws::startup();
        kav::ws::setMessageFilter([this](int message, long event, int error) {
            if ((message == kav::MsgDaytimeConnect || message == kav::MsgFingerConnect)
                && event == kav::ws::FD_CONNECT)
                tag = error == 0 ? 2 : 3;
        });
    }
    ~FakeHost() override { kav::ws::setMessageFilter({}); }

    QWidget *window() const override { return nullptr; }
    void AppendLog(const QString &line) override { log << line; }
    bool stopEnabled() const override { return stop; }
    void setStopEnabled(bool on) override { stop = on; }
    int stopTag() const override { return tag; }
    void setStopTag(int t) override { tag = t; }
    kav::ServiceTarget chooseServiceHost() override
    {
        ++hostDialogs;
        return target;
    }
    kav::ExecProfiles execProfiles() const override { return profiles; }
    int pingProfiles(QStringList &names, QStringList &addresses) override
    {
        names = pingNames;
        addresses = pingAddresses;
        return pingNames.isEmpty() ? -1 : 0;
    }
    QString localDirectory() const override { return QStringLiteral("/tmp/local-pane"); }
    void showReport(const QString &caption, const QStringList &lines, const QString &directory,
                    const QString &fileName) override
    {
        reports.push_back({caption, lines, directory, fileName});
    }
    void refreshHostLists() override { ++refreshes; }

    QStringList log;
    bool stop = false;
    int tag = 0;
    int hostDialogs = 0;
    int refreshes = 0;
    kav::ServiceTarget target;
    kav::ExecProfiles profiles;
    QStringList pingNames, pingAddresses;
    std::vector<Report> reports;
};

} // namespace kavtest
