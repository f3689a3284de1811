#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>
#include <QtGlobal>

#include <optional>

// One thing that was done to a transmitter, as the device records keep it.
// An event never changes once made: later knowledge (a tag given to untagged
// events, the read-back that verified a write) is a further event naming the
// earlier one's id.
//
// The kind is kept as text, not an enumeration, so that events of a kind a
// newer program made (pulled from a plant's server) pass through unchanged.
struct RecordEvent
{
    // The kinds this program makes, as stored.
    static constexpr const char* SessionStart = "session-start";
    static constexpr const char* SessionEnd = "session-end";
    static constexpr const char* SettingsRead = "settings-read";
    static constexpr const char* SettingsWrite = "settings-write";
    static constexpr const char* WriteUnverified = "write-unverified";
    static constexpr const char* Command = "command";
    static constexpr const char* Erase = "erase";
    static constexpr const char* Restart = "restart";
    static constexpr const char* FileOpened = "file-opened";
    static constexpr const char* FileSaved = "file-saved";
    static constexpr const char* TagAssigned = "tag-assigned";
    static constexpr const char* Verification = "verification";
    static constexpr const char* Certificate = "certificate";

    QUuid id;
    // Local time with its offset from UTC, to the millisecond.
    QDateTime time;
    // Empty: untagged.
    QString tag;
    QString station;
    QString user;
    QString program;
    QString version;
    QString port;
    // "KV4620" or "KV4820"; empty when not known.
    QString model;
    // 0 when not yet identified.
    quint32 firmware = 0;
    // The session-start event of the session it belongs to; null outside one.
    QUuid session;
    QString kind;
    // The kind's own fields.
    QJsonObject data;

    bool isKind(const char* name) const { return kind == QLatin1StringView(name); }

    // The time as stored and exported: ISO 8601, milliseconds, offset.
    static QString timeText(const QDateTime& time);
    // Every field, the kind's own under "data" flattened into the object
    // (history --json's form). fromJson() reads it back.
    QJsonObject toJson() const;
    static std::optional<RecordEvent> fromJson(const QJsonObject& object);

    bool operator==(const RecordEvent&) const = default;
};

// Who makes the events of a program run: stamped on every event.
struct RecordOrigin
{
    QString station;
    QString user;
    QString program;
    QString version;

    // This machine, the user the process runs as, and the given program.
    static RecordOrigin current(const QString& program, const QString& version);
};

// Tags are the plant's instrument names (TT-101): printable, at most
// MaxLength characters, without leading or trailing blanks.
namespace recordtag {
inline constexpr int MaxLength = 64;
// The tag as kept: trimmed; nullopt when it is not a valid tag.
std::optional<QString> normalized(const QString& text);
} // namespace recordtag
