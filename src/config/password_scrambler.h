#pragma once
// The reversible scrambling of the passwords stored in KAVRIN.INI: three decimal
// digits per code page 949 byte of the password. The start key is part of the
// file format: files written with another key do not unscramble.

#include <QString>
#include <cstdint>

namespace kav {

inline constexpr std::uint16_t ScrambleStartKey = 0x4B56;
// The stored form must survive the 2048-byte read of a value (2047 bytes, three
// digits a byte), so passwords are limited to 682 code page 949 bytes.
inline constexpr int MaxPasswordBytes = 682;

// Empty text for the empty password, and for a password over MaxPasswordBytes or
// with a character that code page 949 lacks (not stored rather than stored changed).
QString ScramblePassword(const QString &password);
// Groups of three digits from the start (a shorter last group counts; a group
// that is not a number counts as 0), each taken modulo 256.
QString UnscramblePassword(const QString &digits);

// The password's length in stored bytes.
int passwordByteLength(const QString &password);

} // namespace kav
