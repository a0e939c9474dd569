#pragma once

#include <QFrame>
#include <QString>

class QLayout;
class QVBoxLayout;

namespace qm {

// One section of a grouped settings form: a heading, a framed box with the section's rows, and
// an optional footer in caption size below the box.
class SettingsGroup : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsGroup(const QString &title, QWidget *parent = nullptr);

    // Adds a row (a widget or a layout) to the box.
    void addRow(QWidget *row);
    void addRow(QLayout *row);
    void setFooter(const QString &text);

private:
    QFrame *m_box = nullptr;
    QVBoxLayout *m_rows = nullptr;
    QVBoxLayout *m_outer = nullptr;
};

// A form of grouped sections, one below the other, in a scroll area.
class SettingsForm : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsForm(QWidget *parent = nullptr);

    SettingsGroup *addGroup(const QString &title);

private:
    QVBoxLayout *m_groups = nullptr;
};

} // namespace qm
