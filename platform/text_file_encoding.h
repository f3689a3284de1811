#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Turns the bytes of a small text file (configuration and settings files)
// into text and back. Such files come from this program (UTF-8) and from
// Windows machines, where editors and the system write Windows-1250 or
// UTF-16 with a byte-order mark.
//
// Reading:
// - a byte-order mark names the encoding: UTF-8, UTF-16 or UTF-32 in either
//   byte order. A UTF-8 file with a mark whose bytes are not all UTF-8 was
//   edited by a Windows-1250 editor: each byte that is no part of a UTF-8
//   sequence is read as Windows-1250;
// - without a mark, valid UTF-8 is UTF-8 and anything else Windows-1250;
// - text with a NUL character, a broken UTF-16 or UTF-32 file (odd length,
//   lone surrogate) cannot be read: decode() says so rather than guess.
// Writing is always UTF-8; the mark is written only back to a file that
// had one in UTF-8, since Windows programs that do not expect it take it as
// part of the first line.
class TextFileEncoding
{
public:
    struct Decoded
    {
        QString text;
        bool utf8Mark = false;
    };

    static std::optional<Decoded> decode(QByteArrayView bytes);
    static QByteArray encode(QStringView text, bool utf8Mark);
    // Whether the bytes are UTF-8 as the standard defines it: no overlong
    // forms, no surrogates, nothing above U+10FFFF.
    static bool isUtf8(QByteArrayView bytes);
};
