#pragma once

#include "growth/GrowthReport.h"

#include <QWidget>

class QLabel;
class QToolButton;

namespace qm {

class FolderRevealer;

// "+1.2 GB", "-300 MB": the sign and the list size text of the change's magnitude.
QString growthChangeText(qint64 delta, ByteUnit unit);

// The change in the medium weight of the rows.
QLabel *growthChangeLabel(qint64 delta, ByteUnit unit, QWidget *parent);

// The borderless folder button that shows an item in the file manager ("Show in Folder").
QToolButton *showInFolderButton(const QString &name,
                                const QString &absolutePath,
                                FolderRevealer &revealer,
                                QWidget *parent);

// One grown watched folder: disclosure chevron, name, "New" badge, current size, lock for app
// data, change, "Examine" (the folder in the user's disk explorer) and "Show in Folder". A click
// anywhere on the row expands or collapses it.
class GrowthRow : public QWidget
{
    Q_OBJECT
public:
    GrowthRow(const DeltaItem &item,
              ByteUnit unit,
              bool isExpanded,
              const QString &home,
              FolderRevealer &revealer,
              QWidget *parent = nullptr);

    const QString &path() const { return m_path; }
    bool isExpanded() const { return m_isExpanded; }

Q_SIGNALS:
    void toggled(const QString &path);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString m_path;
    bool m_isExpanded;
};

} // namespace qm
