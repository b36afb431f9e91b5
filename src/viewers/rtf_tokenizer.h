#pragma once
// Cuts RTF bytes into tokens: groups, control words with their parameters, control
// symbols, \'xx bytes and plain text. Malformed input never stops it: a truncated
// control word or hex byte is dropped, parameters are clamped, \bin data is skipped.

#include <QByteArray>
#include <QByteArrayView>

namespace kav::viewers {

struct RtfToken {
    enum Kind { GroupStart, GroupEnd, ControlWord, ControlSymbol, Text, HexByte, End };
    Kind kind = End;
    QByteArray word;  // control word name, or the bytes of a text run
    bool hasParam = false;
    int param = 0;
    char symbol = 0;           // control symbol
    unsigned char byte = 0;    // \'xx
};

class RtfTokenizer {
public:
    explicit RtfTokenizer(QByteArrayView rtf) : data_(rtf) {}
    RtfToken next();
    qsizetype position() const { return pos_; }
    qsizetype size() const { return data_.size(); }

private:
    QByteArrayView data_;
    qsizetype pos_ = 0;
};

} // namespace kav::viewers
