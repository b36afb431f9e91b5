#pragma once
// The DAYTIME answer (RFC 867) in its common fixed-column form
// "Www Mmm dd hh:mm:ss yyyy", read the way the clock window shows it: the hour
// in twelve-hour form with the afternoon kept apart as an offset of 0 or 12.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

namespace kav {

struct DaytimeTime {
    int year = 0, month = 0, dayOfWeek = 0, day = 0;
    int hour = 0;        // 0..12
    int hourOffset = 0;  // 0 or 12
    int minute = 0, second = 0;
    QString dateCaption;  // weekday, month, day and year: columns 1-11 and 21-24
    // Only a real date and time may set a clock.
    bool isValid() const;
    QDateTime dateTime() const;  // local time; invalid unless isValid()
};

// The first line of the answer: up to the first byte 0 or LF, a CR before the
// LF dropped. `complete` tells whether such a byte was found.
QByteArray daytimeLine(const QByteArray &data, bool *complete = nullptr);

// Gathers the answer as it arrives until its line end: a server that sends its
// line in pieces is read whole, one that keeps sending without a line end is
// cut off at MaxBytes (a daytime line is some 26 characters). Only the new
// bytes are searched.
class DaytimeReader {
public:
    static constexpr qsizetype MaxBytes = 1024;

    // Takes the bytes of one receive; true once nothing more is needed.
    bool feed(QByteArrayView bytes);
    bool done() const { return complete || received.size() >= MaxBytes; }
    bool lineEnded() const { return complete; }
    const QByteArray &data() const { return received; }

private:
    QByteArray received;
    bool complete = false;
};

// Fields by columns; a field that does not convert takes its default
// (hour 12, others 0), as the fixed layout demands.
DaytimeTime parseDaytime(const QByteArray &line);

} // namespace kav
