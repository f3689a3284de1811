#pragma once

#include <QString>

class QProcess;

// A pseudo-terminal's near end that the system refuses to open, as a USB
// adapter is refused to a user outside its group. As root, whom no mode
// refuses, the device goes to group dialout with mode 0660 and is refused
// to a process acting as nobody without groups: a child started through
// prepare(), or this one while an AsNobody lives. Otherwise mode 0060
// refuses it to its owner, this user, here and in every child.
class RefusedPort
{
public:
    struct AsNobody
    {
        AsNobody();
        ~AsNobody();
    };

    explicit RefusedPort(const QString& devicePath);

    // Empty once the refusal is arranged.
    const QString& whyNot() const { return m_whyNot; }
    static void prepare(QProcess& process);
    // What the user is to be told about the device.
    QString expectedReason() const;

private:
    QString m_path;
    QString m_whyNot;
};
