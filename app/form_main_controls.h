#pragma once

// The control factories and caption helpers the main window's page files
// share, so that every page builds its controls the same way.

#include "widgets/tmbar_graph.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QWidget;
class TLabeledEdit;
class TLiveLabel;
class TRadioGroup;
class TSpeedButton;

namespace formcontrols {

inline constexpr int Margin = 4;
inline constexpr int HeaderHeight = 35;
inline constexpr int RightColumnLeft = 556;
inline constexpr int RightColumnWidth = 229;
inline constexpr int LinkPanelLeft = 632;
inline constexpr int LinkPanelTop = 8;
inline constexpr int LanguageButtonWidth = 96;
inline constexpr int LanguageButtonHeight = 21;

inline constexpr int DisplayFontPixels = 35;
inline constexpr int SubType2FontPixels = 19;
inline constexpr int SubTypeFontPixels = 37;
inline constexpr int CalibrationValueFontPixels = 28;
inline constexpr int BarGraphWidth = 201;
inline constexpr int BarGraphHeight = 8;

// The large displays' background.
inline const QColor DisplayColour{215, 209, 115};

QFont pixelFont(QFont font, int pixels, bool bold = false);
QFont pointFont(QFont font, int points, bool bold = false);
void setColours(QWidget* widget, const QColor& background, const QColor& text);

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
// A label that each live block rewrites: opaque and of a fixed size, so a new
// text repaints the label alone and re-lays out nothing. Without a geometry
// the caller fixes the size (TLiveLabel::fitTexts).
TLiveLabel* makeLiveLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                          Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
// The red alarm look shared by the communication and device error labels.
QLabel* makeAlarmLabel(QWidget* parent, const char* name, const QRect& geometry);
QLabel* makeDisplayLabel(QWidget* parent, const char* name, const QRect& geometry);
QGroupBox* makeGroup(QWidget* parent, const char* name, const QString& title, const QRect& geometry);
TRadioGroup* makeRadioGroup(QWidget* parent, const QString& name, const QString& title,
                            const QStringList& items, int itemIndex, const QRect& geometry, int columns = 1);
// The label gets a fixed width so the edits of a column line up whatever
// language the labels are in.
TLabeledEdit* makeLabeledEdit(QWidget* parent, const QString& name, const QString& labelText,
                              const QRect& geometry, int labelWidth);
TSpeedButton* makeSpeedButton(QWidget* parent, const char* name, const QString& caption,
                              const QRect& geometry);
QPushButton* makePushButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry);
QWidget* addPage(QTabWidget* pages, const char* name, const QString& caption);
// A filled rectangle with a thin black outline.
QFrame* makeShape(QWidget* parent, const char* name, const QRect& geometry);
TMBarGraph* makeBarGraph(QWidget* parent, const char* name, TMBGMode mode);
// Puts a language-table text where the control shows its caption.
void setCaption(QTabWidget* pages, QWidget* control, const QString& text);

} // namespace formcontrols
