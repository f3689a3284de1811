#pragma once

#include "app/language_table.h"
#include "records/settings_record.h"

#include <QString>
#include <QWidget>

#include <array>
#include <optional>

class QLabel;
class QPushButton;
class QTableWidget;

// Before a write, three settings sets side by side, field by field: what
// the main window's controls would write now (for instance a settings file
// just opened), what the transmitter last gave, and what the tag was last
// left with on record. Fields that differ are marked; a value of the read
// or of the as-left can be taken into the window's controls, one field at
// a time. Nothing goes to the transmitter: that stays the write button's.
class CompareBeforeWrite : public QWidget
{
    Q_OBJECT

public:
    enum Side
    {
        Controls,
        Transmitter,
        AsLeft,
        SideCount
    };

    explicit CompareBeforeWrite(QWidget* parent = nullptr);

    void applyLanguage(Language language);
    void compare(const std::array<std::optional<RecordedSettings>, SideCount>& sides);
    // The value of the selected cell into the window (fieldTaken); a hint
    // when no value of the read or the as-left is selected.
    void takeSelected();

    QTableWidget* compareBeforeWriteTable = nullptr;
    QPushButton* takeButton = nullptr;
    QLabel* hintLabel = nullptr;

signals:
    // The controls' settings with one field taken from another side.
    void fieldTaken(const RecordedSettings& settings, const QString& field, const QString& value);

private:
    void fill();

    Language m_language = Language::Hungarian;
    std::array<std::optional<RecordedSettings>, SideCount> m_sides;
};
