#pragma once

#include "platform/Calendar.h"
#include "records/Snapshot.h"

#include <QLocale>
#include <QWidget>

#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qm {

// When the newest record was taken: "Not scanned yet"; "Today, 9:30 AM" or "Yesterday, …" for
// the last two days; "Dec 4 9:30 AM" (with the year for another year) before that; the record's
// day when its scan time cannot be read. A known duration follows as " (42 s)".
QString scanTimeText(const std::optional<Snapshot> &latest,
                     const QDateTime &now,
                     const Calendar &calendar,
                     const QLocale &locale = QLocale());

// "Last scan: …" with a busy indicator while the folders are measured and the "Scan Now" button.
class ScanLine : public QWidget
{
    Q_OBJECT
public:
    explicit ScanLine(QWidget *parent = nullptr);

    void setState(const QString &scanTime, bool isScanning);

Q_SIGNALS:
    void scanNowClicked();

private:
    QLabel *m_text = nullptr;
    QProgressBar *m_busy = nullptr;
    QPushButton *m_scanNow = nullptr;
};

} // namespace qm
