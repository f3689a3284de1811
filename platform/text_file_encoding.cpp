#include "platform/text_file_encoding.h"

#include <QStringDecoder>

#include <array>

namespace {

constexpr QByteArrayView kUtf8Mark("\xEF\xBB\xBF");
constexpr char16_t kMarkCharacter = 0xFEFF;

// Windows-1250 upper half. Bytes the code page leaves undefined map to the
// control character of the same value, as Windows converts them.
constexpr std::array<char16_t, 128> kWindows1250High = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, //
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, //
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, //
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, //
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, //
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, //
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, //
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, //
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, //
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, //
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, //
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, //
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

QChar windows1250(quint8 byte)
{
    return byte < 0x80 ? QChar(byte) : QChar(kWindows1250High[byte - 0x80]);
}

// The length of the well-formed UTF-8 sequence at `at` and its code point;
// 0 when the bytes there are no such sequence.
int utf8Sequence(QByteArrayView bytes, qsizetype at, char32_t* codePoint)
{
    const auto lead = quint8(bytes[at]);
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    int length = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
        smallest = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        const auto next = quint8(bytes[at + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return length;
}

// UTF-8, with each byte outside a well-formed sequence read as Windows-1250.
QString decodeUtf8OrWindows1250(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        char32_t codePoint = 0;
        const int length = utf8Sequence(bytes, at, &codePoint);
        if (length == 0) {
            text.append(windows1250(quint8(bytes[at])));
            ++at;
            continue;
        }
        if (QChar::requiresSurrogates(codePoint)) {
            text.append(QChar(QChar::highSurrogate(codePoint)));
            text.append(QChar(QChar::lowSurrogate(codePoint)));
        } else {
            text.append(QChar(char16_t(codePoint)));
        }
        at += length;
    }
    return text;
}

QString decodeWindows1250(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes)
        text.append(windows1250(quint8(c)));
    return text;
}

// UTF-16 or UTF-32 named by its mark; nothing when the bytes do not fit it.
std::optional<QString> decodeWide(QByteArrayView bytes, QStringConverter::Encoding encoding)
{
    const bool utf32 = encoding == QStringConverter::Utf32LE || encoding == QStringConverter::Utf32BE;
    const qsizetype unit = utf32 ? 4 : 2;
    if (bytes.size() % unit != 0)
        return std::nullopt;
    QStringDecoder decoder(encoding); // drops the mark
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || !text.isValidUtf16())
        return std::nullopt;
    return text;
}

} // namespace

bool TextFileEncoding::isUtf8(QByteArrayView bytes)
{
    for (qsizetype at = 0; at < bytes.size();) {
        char32_t codePoint = 0;
        const int length = utf8Sequence(bytes, at, &codePoint);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::optional<TextFileEncoding::Decoded> TextFileEncoding::decode(QByteArrayView bytes)
{
    Decoded decoded;
    const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(bytes);
    if (bytes.startsWith(kUtf8Mark)) {
        decoded.utf8Mark = true;
        decoded.text = decodeUtf8OrWindows1250(bytes.sliced(kUtf8Mark.size()));
    } else if (marked && *marked != QStringConverter::Utf8) {
        std::optional<QString> text = decodeWide(bytes, *marked);
        if (!text)
            return std::nullopt;
        decoded.text = std::move(*text);
    } else if (isUtf8(bytes)) {
        decoded.text = QString::fromUtf8(bytes);
    } else {
        decoded.text = decodeWindows1250(bytes);
    }
    if (decoded.text.contains(QChar(u'\0')))
        return std::nullopt;
    return decoded;
}

QByteArray TextFileEncoding::encode(QStringView text, bool utf8Mark)
{
    QByteArray bytes;
    // Text that starts with the mark's character needs the mark in front,
    // or the next reading would take that character for the mark.
    if (utf8Mark || text.startsWith(QChar(kMarkCharacter)))
        bytes.append(kUtf8Mark);
    bytes.append(text.toUtf8());
    return bytes;
}
