#include "rtf_tokenizer.h"

#include <algorithm>
#include <limits>

namespace kav::viewers {

namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

constexpr qsizetype kMaxTextToken = 4096;

} // namespace

RtfToken RtfTokenizer::next()
{
    RtfToken token;
    const qsizetype n = data_.size();
    while (pos_ < n) {
        const char c = data_[pos_];
        if (c == '{') {
            ++pos_;
            token.kind = RtfToken::GroupStart;
            return token;
        }
        if (c == '}') {
            ++pos_;
            token.kind = RtfToken::GroupEnd;
            return token;
        }
        if (c == '\r' || c == '\n') {  // line ends in RTF source carry no meaning
            ++pos_;
            continue;
        }
        if (c != '\\') {
            const qsizetype start = pos_;
            // A bounded piece: text without a control word in megabytes of it must not be
            // one token, which a reader in steps could not divide.
            const qsizetype stop = std::min(n, start + kMaxTextToken);
            while (pos_ < stop && data_[pos_] != '\\' && data_[pos_] != '{' && data_[pos_] != '}'
                   && data_[pos_] != '\r' && data_[pos_] != '\n')
                ++pos_;
            token.kind = RtfToken::Text;
            token.word = data_.sliced(start, pos_ - start).toByteArray();
            return token;
        }
        // A backslash.
        ++pos_;
        if (pos_ >= n)
            break;
        const char d = data_[pos_];
        if (isLetter(d)) {
            const qsizetype start = pos_;
            while (pos_ < n && isLetter(data_[pos_]) && pos_ - start < 32)
                ++pos_;
            token.kind = RtfToken::ControlWord;
            token.word = data_.sliced(start, pos_ - start).toByteArray();
            bool negative = false;
            if (pos_ + 1 < n && data_[pos_] == '-' && isDigit(data_[pos_ + 1])) {
                negative = true;
                ++pos_;
            }
            if (pos_ < n && isDigit(data_[pos_])) {
                long long value = 0;
                while (pos_ < n && isDigit(data_[pos_])) {
                    if (value < (1LL << 40))
                        value = value * 10 + (data_[pos_] - '0');
                    ++pos_;
                }
                if (negative)
                    value = -value;
                value = std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                              std::numeric_limits<int>::max());
                token.hasParam = true;
                token.param = static_cast<int>(value);
            }
            if (pos_ < n && data_[pos_] == ' ')
                ++pos_;  // the delimiter belongs to the control word
            if (token.word == "bin") {
                // Binary data follows the word: skip it whole, whatever bytes it holds.
                const qsizetype skip = token.hasParam && token.param > 0 ? token.param : 0;
                pos_ = std::min(n, pos_ + skip);
                continue;
            }
            return token;
        }
        if (d == '\'') {
            ++pos_;
            if (pos_ + 1 < n) {
                const int hi = hexValue(data_[pos_]);
                const int lo = hexValue(data_[pos_ + 1]);
                if (hi >= 0 && lo >= 0) {
                    pos_ += 2;
                    token.kind = RtfToken::HexByte;
                    token.byte = static_cast<unsigned char>(hi * 16 + lo);
                    return token;
                }
            }
            continue;  // a broken \'xx is dropped
        }
        ++pos_;
        token.kind = RtfToken::ControlSymbol;
        token.symbol = (d == '\r') ? '\n' : d;
        return token;
    }
    token.kind = RtfToken::End;
    return token;
}

} // namespace kav::viewers
