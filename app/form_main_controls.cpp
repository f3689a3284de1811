#include "app/form_main_controls.h"

#include "widgets/labeled_edit.h"
#include "widgets/live_label.h"
#include "widgets/radio_group.h"
#include "widgets/speed_button.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTabWidget>

namespace formcontrols {

QFont pixelFont(QFont font, int pixels, bool bold)
{
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFont pointFont(QFont font, int points, bool bold)
{
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

void setColours(QWidget* widget, const QColor& background, const QColor& text)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                  Qt::Alignment alignment)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(alignment);
    label->setGeometry(geometry);
    return label;
}

TLiveLabel* makeLiveLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                          Qt::Alignment alignment)
{
    auto* label = new TLiveLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(alignment);
    if (geometry.isValid()) {
        label->setFixedSize(geometry.size());
        label->move(geometry.topLeft());
    }
    return label;
}

QLabel* makeAlarmLabel(QWidget* parent, const char* name, const QRect& geometry)
{
    QLabel* label = makeLabel(parent, name, QStringLiteral("???"), geometry, Qt::AlignCenter);
    setColours(label, Qt::red, Qt::white);
    QFont font = label->font();
    font.setItalic(true);
    label->setFont(font);
    return label;
}

QLabel* makeDisplayLabel(QWidget* parent, const char* name, const QRect& geometry)
{
    QLabel* label = makeLabel(parent, name, QString(), geometry, Qt::AlignCenter);
    label->setFixedSize(geometry.size());
    label->setFont(pixelFont(label->font(), DisplayFontPixels));
    setColours(label, DisplayColour, Qt::black);
    return label;
}

QGroupBox* makeGroup(QWidget* parent, const char* name, const QString& title, const QRect& geometry)
{
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(QLatin1String(name));
    group->setGeometry(geometry);
    return group;
}

TRadioGroup* makeRadioGroup(QWidget* parent, const QString& name, const QString& title,
                            const QStringList& items, int itemIndex, const QRect& geometry, int columns)
{
    auto* group = new TRadioGroup(parent);
    group->setObjectName(name);
    group->setTitle(title);
    group->setColumns(columns);
    group->setItems(items);
    group->setItemIndex(itemIndex);
    if (QLayout* layout = group->layout()) {
        layout->setContentsMargins(4, 2, 2, 2);
        layout->setSpacing(0);
    }
    group->setGeometry(geometry);
    return group;
}

TLabeledEdit* makeLabeledEdit(QWidget* parent, const QString& name, const QString& labelText,
                              const QRect& geometry, int labelWidth)
{
    auto* edit = new TLabeledEdit(parent);
    edit->setObjectName(name);
    edit->setLabelText(labelText);
    edit->label()->setFixedWidth(labelWidth);
    edit->setGeometry(geometry);
    return edit;
}

TSpeedButton* makeSpeedButton(QWidget* parent, const char* name, const QString& caption,
                              const QRect& geometry)
{
    auto* button = new TSpeedButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setGeometry(geometry);
    return button;
}

QPushButton* makePushButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    return button;
}

QWidget* addPage(QTabWidget* pages, const char* name, const QString& caption)
{
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(name));
    pages->addTab(page, caption);
    return page;
}

QFrame* makeShape(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* shape = new QFrame(parent);
    shape->setObjectName(QLatin1String(name));
    shape->setFrameStyle(QFrame::Box | QFrame::Plain);
    shape->setLineWidth(1);
    setColours(shape, parent->palette().color(QPalette::Button), Qt::black);
    shape->setGeometry(geometry);
    return shape;
}

TMBarGraph* makeBarGraph(QWidget* parent, const char* name, TMBGMode mode)
{
    auto* bar = new TMBarGraph(parent);
    bar->setObjectName(QLatin1String(name));
    bar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->setLineWidth(1);
    bar->setFixedSize(BarGraphWidth, BarGraphHeight);
    bar->setMBGMode(mode);
    bar->setMBGShowText(false);
    bar->setMBGMinusColorAt0(Qt::white);
    bar->setMBGMinusColorAt1(Qt::blue);
    bar->setMBGPlusColorAt0(Qt::white);
    bar->setMBGPlusColorAt1(Qt::red);
    bar->setMBGTextPosition(tpAuto);
    bar->setMBGDecimals(0);
    return bar;
}

void setCaption(QTabWidget* pages, QWidget* control, const QString& text)
{
    if (const int page = pages->indexOf(control); page >= 0)
        pages->setTabText(page, text);
    else if (auto* edit = qobject_cast<TLabeledEdit*>(control))
        edit->setLabelText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
}

} // namespace formcontrols
