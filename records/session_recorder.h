#pragma once

#include "device/communication_task_host.h"
#include "device/device_settings.h"
#include "device/live_values.h"
#include "records/record_event.h"
#include "records/settings_record.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

class RecordStore;

// Turns what happens on one link into device-record events: a session from
// the port's opening to its closing (a reconnect continues it), the
// settings read (the session's first is the "as found"), a write and the
// read-back that settles it (the "as left"), calibration and store commands
// with the reading at the press, erase and restart with the last settings
// read before them, settings files opened and saved. The window and kvctl
// tell it the same things, so their records are alike.
//
// Each call returns once its event is committed, or says why it was not
// recorded; the action itself has happened either way and is shown as such.
// No store, or one that is off, records nothing and says so.
class SessionRecorder
{
public:
    struct Result
    {
        // False with an empty reason: there was nothing to record.
        bool recorded = false;
        QString reason;
    };
    using Listener = std::function<void(const RecordEvent& event, const Result& result)>;

    SessionRecorder(RecordStore* store, RecordOrigin origin);

    // Called after every attempt to record, recorded or not.
    void setListener(Listener listener) { m_listener = std::move(listener); }

    // The instrument tag the following events carry ("" untagged). A tag
    // given while a session runs also goes to the session's untagged events
    // so far, through an event naming them.
    Result setTag(const QString& tag);
    const QString& tag() const { return m_tag; }
    // "KV4620" or "KV4820".
    void setModel(const QString& model) { m_model = model; }

    Result portOpened(const QString& port);
    // reconnecting: the link waits for the device to come back, and the
    // session goes on if it does; sessionAbandoned() ends it if not.
    Result portClosed(bool reconnecting);
    Result sessionAbandoned();
    bool inSession() const { return !m_session.isNull(); }

    // Every live block: the firmware, the sensor and the output kind.
    void liveValuesArrived(const LiveValues& values) { m_live = values; }

    Result settingsRead(const DeviceSettings& settings);
    Result settingsWritten(const DeviceSettings& sent);
    // The read-back of the write could not be done: failed or withdrawn.
    Result readBackMissed(const QString& reason);
    bool writeAwaitsReadBack() const { return !m_pendingWrite.isNull(); }

    Result commandAcknowledged(quint8 command, const CommunicationTaskHost::SentParameter& sent,
                               const LiveValues& readingAtPress);
    Result fileOpened(const QString& path, const QByteArray& bytes);
    Result fileSaved(const QString& path, const QByteArray& bytes);
    // Gives the tag to events recorded without it; those of this session
    // are then no longer among the untagged ones setTag() takes along.
    Result assignTag(const QList<QUuid>& ids, const QString& tag);
    // An event of another concern (a verification run, a certificate), with
    // the session's stamps. The recorded event comes back through `made`.
    Result recordOther(const char* kind, const QJsonObject& data, RecordEvent* made = nullptr);

    // The latest settings read in this session.
    const std::optional<RecordedSettings>& lastSettings() const { return m_lastSettings; }

private:
    RecordEvent make(const char* kind, const QJsonObject& data) const;
    Result record(const RecordEvent& event);
    Result endSession(const QString& reason);
    QJsonValue settingsBefore() const;

    RecordStore* m_store = nullptr;
    RecordOrigin m_origin;
    Listener m_listener;
    QString m_tag;
    QString m_model;
    QString m_port;
    QUuid m_session;
    LiveValues m_live;
    bool m_readThisSession = false;
    std::optional<RecordedSettings> m_lastSettings;
    QUuid m_pendingWrite;
    DeviceSettings m_pendingSent;
    // This session's events recorded without a tag.
    QList<QUuid> m_untagged;
};
