#pragma once

#include <QList>
#include <QWidget>

class QButtonGroup;
class QPushButton;

namespace qm {

// A row of mutually exclusive buttons (the tab picker, the comparison period picker); each item
// carries an integer value.
class SegmentedPicker : public QWidget
{
    Q_OBJECT
public:
    struct Item
    {
        QString text;
        int value = 0;
        QString objectName;
    };

    SegmentedPicker(const QList<Item> &items,
                    const QString &accessibleName,
                    QWidget *parent = nullptr);

    int value() const { return m_value; }
    // Selects the item with `value` without emitting valueChanged.
    void setValue(int value);
    QPushButton *button(int value) const;

Q_SIGNALS:
    // The user picked another item.
    void valueChanged(int value);

private:
    QList<Item> m_items;
    QList<QPushButton *> m_buttons;
    int m_value = 0;
};

} // namespace qm
