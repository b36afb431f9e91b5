#pragma once
// Line ends in ASCII type. Text travels with CR LF on the network; local text
// here ends its lines with LF alone. The converters keep their state across
// blocks, so a CR LF split between two blocks is still one line end.

#include <QByteArray>

namespace kav {

// Download: CR LF becomes LF; a CR not followed by LF stays.
class NetworkToLocalText {
public:
    void convert(const char *data, qsizetype size, QByteArray &out);
    // The bytes held back at the end of the data (a last lone CR).
    void finish(QByteArray &out);

private:
    bool pendingCR = false;
};

// Upload: a LF not preceded by CR becomes CR LF; existing CR LF pairs stay as they are.
class LocalToNetworkText {
public:
    void convert(const char *data, qsizetype size, QByteArray &out);

private:
    bool lastWasCR = false;
};

} // namespace kav
