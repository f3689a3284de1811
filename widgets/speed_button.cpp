#include "widgets/speed_button.h"

TSpeedButton::TSpeedButton(QWidget* parent) : QToolButton(parent)
{
    setCheckable(true);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    connect(this, &QToolButton::clicked, this, &TSpeedButton::OnClick);
    connect(this, &QToolButton::toggled, this, &TSpeedButton::showDownState);
}

void TSpeedButton::showDownState(bool down)
{
    if (!down) {
        // Back to the colours the parent passes on.
        setPalette(QPalette());
        return;
    }
    QPalette face = palette();
    face.setColor(QPalette::Button, downFace());
    setPalette(face);
}

bool TSpeedButton::Down() const
{
    return isChecked();
}

void TSpeedButton::setDownState(bool down)
{
    setChecked(down);
    if (down)
        releaseSiblings();
}

void TSpeedButton::setGroupIndex(int index)
{
    m_groupIndex = index;
    if (isChecked())
        releaseSiblings();
}

void TSpeedButton::setCaptionBold(bool bold)
{
    QFont f = font();
    f.setBold(bold);
    setFont(f);
}

bool TSpeedButton::captionBold() const
{
    return font().bold();
}

void TSpeedButton::nextCheckState()
{
    if (m_groupIndex != 0 && !m_allowAllUp && isChecked())
        return;
    QToolButton::nextCheckState();
    if (isChecked())
        releaseSiblings();
}

void TSpeedButton::releaseSiblings()
{
    if (m_groupIndex == 0 || !parentWidget())
        return;
    const auto siblings = parentWidget()->findChildren<TSpeedButton*>(Qt::FindDirectChildrenOnly);
    for (TSpeedButton* other : siblings) {
        if (other != this && other->m_groupIndex == m_groupIndex)
            other->setChecked(false);
    }
}
