#pragma once

#include "cleanup/CleanupItem.h"
#include "ui/controls/UiServices.h"
#include "units/ByteUnit.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

class QLabel;
class QToolButton;
class QVBoxLayout;

namespace qm {

class AppModel;
class BusySpinner;

// The Cleanup tab: the cache folders that may go to the Trash with their sizes, the commands to
// copy, the Trash, and the size of the program's own records with "Reset". It shows what the
// cleanup model holds and tells the model when it becomes visible and hidden: while no Cleanup
// screen is visible nothing is measured.
class CleanupTab : public QWidget
{
    Q_OBJECT

public:
    explicit CleanupTab(AppModel &model, QWidget *parent = nullptr);
    ~CleanupTab() override;

    // The dialogs and desktop services (tests answer them).
    UiServices &services() { return m_services; }

    // The last result line; absent until a move or a reset has reported.
    const std::optional<QString> &resultText() const { return m_resultText; }
    // Whether this screen counts among the model's visible Cleanup screens.
    bool countedAsVisible() const { return m_countedAsVisible; }

    // "None" without a records size, else the size of the records.
    static QString recordsSizeLine(const std::optional<qint64> &bytes, ByteUnit unit);
    // The answers to a confirmed move that the model turned down.
    static QString trashBusyText();
    static QString trashNotOfferedText();

Q_SIGNALS:
    void resultTextChanged();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void setCountedAsVisible(bool visible);
    void scheduleRender();
    void render();
    void renderRows();
    void renderFooter();
    void askToTrash(const CleanupItem &item);
    void moveToTrash(const CleanupItem &item);
    void askToResetRecords();
    void resetRecords();
    void setResultText(const QString &text);

    AppModel &m_model;
    QPointer<QObject> m_cleanupGuard;
    UiServices m_services;
    std::optional<QString> m_resultText;
    bool m_countedAsVisible = false;
    QTimer m_renderTimer;

    BusySpinner *m_headerSpinner = nullptr;
    QWidget *m_rows = nullptr;
    QVBoxLayout *m_rowsLayout = nullptr;
    QLabel *m_recordsLine = nullptr;
    QToolButton *m_resetButton = nullptr;
    QLabel *m_resultLabel = nullptr;
};

} // namespace qm
