#pragma once

#include <QLabel>
#include <QStringList>

// A label whose text changes many times a second, made cheap to repaint.
//
// A plain label is transparent: each new text repaints the group box and the
// window beneath it as well, and a text of another width re-lays out the
// parent. This one paints, as its own background, a copy of what its
// ancestors paint beneath it, so it is opaque and looks the same. The copy is
// taken anew, once the events at hand are handled, whenever the label is
// shown, moved or resized, or its palette or style changes; until then the
// label is transparent. With a fixed size (fitTexts, or setFixedSize) a new
// text asks for no layout either.
//
// The copy leaves out siblings: meant for a label that no sibling overlaps.
class TLiveLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TLiveLabel(const QString& text = QString(), QWidget* parent = nullptr);

    // Fixes the size to the widest of the texts, each digit counted as the
    // font's widest digit so that any number of the same shape fits, and to
    // one line's height.
    void fitTexts(const QStringList& widestTexts);

    // For texts that look the same unshaped (numbers, hexadecimal, words
    // without kerned pairs such as "Te"): draws them with the font's own
    // advances, skipping the shaping that is a good part of a new text's cost.
    void skipShaping();

protected:
    bool event(QEvent* event) override;

private:
    void scheduleBackdrop();
    void copyBackdrop();

    bool m_copyPending = false;
    bool m_copying = false;
};
