#pragma once

#include <QToolButton>

// A flat button that latches: a click puts it down and the next click
// releases it. Buttons with the same non-zero group index on the same parent
// form a group in which at most one is down; with AllowAllUp false exactly
// one is down (clicking the down one leaves it down). Group index 0 latches
// on its own.
//
// OnClick fires after a user's click has changed the down state (or, in an
// exactly-one group, after a click on the down button). setDownState() is the
// program's way and fires nothing.
//
// A button that is down has a face of its own colour: a request waiting to
// be served must not pass for an idle button, nor for a disabled one.
class TSpeedButton : public QToolButton
{
    Q_OBJECT

public:
    static QColor downFace() { return QColor(255, 196, 84); }

    explicit TSpeedButton(QWidget* parent = nullptr);

    bool Down() const;
    // Putting a grouped button down releases the others of its group.
    void setDownState(bool down);

    int GroupIndex() const { return m_groupIndex; }
    void setGroupIndex(int index);
    bool AllowAllUp() const { return m_allowAllUp; }
    void setAllowAllUp(bool allow) { m_allowAllUp = allow; }

    // The caption in bold or normal weight.
    void setCaptionBold(bool bold);
    bool captionBold() const;

signals:
    void OnClick();

protected:
    void nextCheckState() override;

private:
    void releaseSiblings();
    void showDownState(bool down);

    int m_groupIndex = 0;
    bool m_allowAllUp = true;
};
