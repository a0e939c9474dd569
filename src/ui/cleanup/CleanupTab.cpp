#include "ui/cleanup/CleanupTab.h"
#include "ui/controls/HeldButton.h"

#include "cleanup/CleanupViewModel.h"
#include "desktop/FolderRevealer.h"
#include "model/AppModel.h"
#include "records/SnapshotScheduler.h"
#include "ui/cleanup/CleanupSafeRow.h"
#include "ui/cleanup/CleanupTrashRow.h"
#include "ui/cleanup/TerminalCommandRow.h"
#include "ui/controls/BusySpinner.h"
#include "ui/controls/CaptionText.h"
#include "ui/controls/Divider.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <QCoroTask>

namespace qm {

QString CleanupTab::recordsSizeLine(const std::optional<qint64> &bytes, ByteUnit unit)
{
    return bytes ? recordsSizeText(*bytes, unit) : tr("None");
}

CleanupTab::CleanupTab(AppModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_cleanupGuard(&model.cleanup())
    , m_services(withDefaultUiServices())
{
    setObjectName(QStringLiteral("cleanupTab"));
    auto *stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 8, 0, 0);
    stack->setSpacing(8);

    auto *header = new QHBoxLayout;
    header->addWidget(captionLabel(tr("May differ from the file manager by a few percent")), 1);
    m_headerSpinner = new BusySpinner(this);
    m_headerSpinner->setObjectName(QStringLiteral("trashingSpinner"));
    header->addWidget(m_headerSpinner);
    stack->addLayout(header);

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("cleanupScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_rows = new QWidget(scroll);
    m_rowsLayout = new QVBoxLayout(m_rows);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(0);
    scroll->setWidget(m_rows);
    stack->addWidget(scroll, 1);

    stack->addWidget(new Divider(this));

    auto *footer = new QHBoxLayout;
    m_recordsLine = captionLabel(QString());
    m_recordsLine->setObjectName(QStringLiteral("recordsSizeLine"));
    footer->addWidget(m_recordsLine, 1);
    m_resetButton = new QToolButton(this);
    m_resetButton->setText(tr("Reset"));
    m_resetButton->setObjectName(QStringLiteral("resetRecordsButton"));
    m_resetButton->setFont(captionFont());
    connect(m_resetButton, &QToolButton::clicked, this, [this] {
        // Asked once the click has been handled, so that nothing redraws under the button.
        QMetaObject::invokeMethod(this, &CleanupTab::askToResetRecords, Qt::QueuedConnection);
    });
    footer->addWidget(m_resetButton);
    stack->addLayout(footer);

    m_resultLabel = captionLabel(QString(), TextTone::primary);
    m_resultLabel->setObjectName(QStringLiteral("cleanupResultText"));
    m_resultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_resultLabel->setMaximumHeight(QFontMetrics(captionFont()).lineSpacing() * 3);
    m_resultLabel->setVisible(false);
    stack->addWidget(m_resultLabel);

    // Bursts of changes (a measurement ends, rows are sorted) redraw once.
    m_renderTimer.setSingleShot(true);
    m_renderTimer.setInterval(0);
    connect(&m_renderTimer, &QTimer::timeout, this, &CleanupTab::render);

    CleanupViewModel *cleanup = &model.cleanup();
    for (auto signal : {&CleanupViewModel::safeChanged,
                        &CleanupViewModel::linkedChanged,
                        &CleanupViewModel::commandItemsChanged,
                        &CleanupViewModel::isMeasuringChanged,
                        &CleanupViewModel::isMeasuringTrashChanged,
                        &CleanupViewModel::isTrashingChanged,
                        &CleanupViewModel::trashStateChanged,
                        &CleanupViewModel::timeMachineSnapshotsChanged})
        connect(cleanup, signal, this, &CleanupTab::scheduleRender);
    connect(&model, &AppModel::settingsChanged, this, &CleanupTab::scheduleRender);
    connect(cleanup, &CleanupViewModel::lastResultChanged, this, [this] {
        if (const std::optional<TrashResult> &result = m_model.cleanup().lastResult())
            setResultText(trashResultText(*result));
    });
    if (SnapshotScheduler *scheduler = model.scheduler()) {
        connect(
            scheduler, &SnapshotScheduler::isScanningChanged, this, &CleanupTab::scheduleRender);
        connect(scheduler, &SnapshotScheduler::snapshotsChanged, this, &CleanupTab::scheduleRender);
    }
    render();
}

CleanupTab::~CleanupTab()
{
    // A tab removed while shown still gives back its place among the visible screens.
    if (m_countedAsVisible && m_cleanupGuard)
        m_model.cleanup().screenHidden();
}

void CleanupTab::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    setCountedAsVisible(true);
}

void CleanupTab::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    setCountedAsVisible(false);
}

void CleanupTab::setCountedAsVisible(bool visible)
{
    if (visible == m_countedAsVisible)
        return;
    m_countedAsVisible = visible;
    CleanupViewModel &cleanup = m_model.cleanup();
    if (!visible) {
        cleanup.screenHidden();
        return;
    }
    cleanup.screenShown();
    // Each time the tab comes into view the rows are refreshed and measured when stale.
    QCoro::connect(cleanup.appear(), this, [] {});
}

void CleanupTab::scheduleRender()
{
    m_renderTimer.start();
}

void CleanupTab::render()
{
    if (waitForHeldButton(*m_rows, m_renderTimer))
        return;
    m_headerSpinner->setVisible(m_model.cleanup().isTrashing());
    renderRows();
    renderFooter();
}

void CleanupTab::renderRows()
{
    const CleanupViewModel &cleanup = m_model.cleanup();
    const ByteUnit unit = m_model.settings().unit;
    const QString &home = m_model.home();

    m_rows->setUpdatesEnabled(false);
    while (QLayoutItem *item = m_rowsLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }

    for (const CleanupItem &item : cleanup.safe()) {
        auto *row = new CleanupSafeRow(item, unit, cleanup.isMeasuring(), home, m_rows);
        // One move at a time: while one runs, no other can be asked for.
        row->setTrashEnabled(!cleanup.isTrashing());
        connect(row, &CleanupSafeRow::revealRequested, this, [this](const QString &path) {
            m_services.revealer->reveal(path);
        });
        connect(row, &CleanupSafeRow::trashRequested, this, [this](const CleanupItem &chosen) {
            QMetaObject::invokeMethod(
                this, [this, chosen] { askToTrash(chosen); }, Qt::QueuedConnection);
        });
        m_rowsLayout->addWidget(row);
        m_rowsLayout->addWidget(new Divider(m_rows));
    }

    // Catalogue folders reached through a link: shown with why they are not offered.
    for (const CleanupItem &item : cleanup.linked()) {
        m_rowsLayout->addWidget(new CleanupSafeRow(item, unit, false, home, m_rows));
        m_rowsLayout->addWidget(new Divider(m_rows));
    }

    const QList<CleanupItem> commands = cleanup.commandItems();
    if (!commands.isEmpty()) {
        QLabel *heading = captionLabel(tr("Run in Terminal"), TextTone::secondary, m_rows);
        heading->setObjectName(QStringLiteral("runInTerminalHeading"));
        QFont font = heading->font();
        font.setWeight(QFont::DemiBold);
        heading->setFont(font);
        heading->setContentsMargins(0, 8, 0, 4);
        m_rowsLayout->addWidget(heading);
        for (const CleanupItem &item : commands) {
            m_rowsLayout->addWidget(new TerminalCommandRow(
                item,
                TerminalCommandRow::snapshotDetail(item, cleanup.timeMachineSnapshots()),
                m_rows));
            m_rowsLayout->addWidget(new Divider(m_rows));
        }
    }

    auto *trash = new CleanupTrashRow(
        cleanup.trashState(), cleanup.isMeasuring() || cleanup.isMeasuringTrash(), unit, m_rows);
    connect(trash, &CleanupTrashRow::openTrashRequested, this, [this] {
        m_services.revealer->openTrash();
    });
    m_rowsLayout->addWidget(trash);
    m_rowsLayout->addWidget(new Divider(m_rows));
    m_rowsLayout->addStretch(1);
    m_rows->setUpdatesEnabled(true);
}

void CleanupTab::renderFooter()
{
    const SnapshotScheduler *scheduler = m_model.scheduler();
    const std::optional<qint64> size = scheduler ? scheduler->recordsFilesSize() : std::nullopt;
    m_recordsLine->setText(
        tr("Quillmere data: %1").arg(recordsSizeLine(size, m_model.settings().unit)));
    const bool scanning = scheduler && scheduler->isScanning();
    m_resetButton->setEnabled(scheduler && !scanning && !m_model.cleanup().isTrashing());
}

void CleanupTab::askToTrash(const CleanupItem &item)
{
    if (m_model.cleanup().isTrashing()) {
        setResultText(trashBusyText());
        return;
    }
    const ByteUnit unit = m_model.settings().unit;
    m_services.confirm(
        trashConfirmationTitle(item.path, item.kind),
        trashConfirmationMessage(
            item.path, item.kind, item.size, item.childCount, item.precondition, unit),
        moveToTrashButtonTitle(),
        this,
        [tab = QPointer(this), item](bool confirmed) {
            if (confirmed && tab)
                tab->moveToTrash(item);
        });
}

void CleanupTab::moveToTrash(const CleanupItem &item)
{
    // Another screen may have started a move while the question was open.
    const bool busy = m_model.cleanup().isTrashing();
    // Every Cleanup screen shows a result when the model announces it (lastResultChanged), but
    // the model announces only a result that differs from the last one: the screen that asked
    // answers its own request here, whatever it showed in between (a reset, a refusal), and a
    // request the model turns down says why. A confirmed request never goes unanswered.
    QCoro::connect(m_model.cleanup().trash(item),
                   this,
                   [this, busy](const std::optional<TrashResult> &result) {
                       if (result)
                           setResultText(trashResultText(*result));
                       else
                           setResultText(busy ? trashBusyText() : trashNotOfferedText());
                   });
}

QString CleanupTab::trashBusyText()
{
    return tr("Nothing was moved: another move to the Trash is still running. Try again when it "
              "has finished.");
}

QString CleanupTab::trashNotOfferedText()
{
    return tr("Nothing was moved: this folder is no longer offered for the Trash.");
}

void CleanupTab::askToResetRecords()
{
    SnapshotScheduler *scheduler = m_model.scheduler();
    if (!scheduler || !m_resetButton->isEnabled())
        return;
    m_services.confirm(recordsResetTitle(),
                       recordsResetMessage(scheduler->recordsFilesSize(), m_model.settings().unit),
                       moveToTrashButtonTitle(),
                       this,
                       [tab = QPointer(this)](bool confirmed) {
                           if (confirmed && tab)
                               tab->resetRecords();
                       });
}

void CleanupTab::resetRecords()
{
    SnapshotScheduler *scheduler = m_model.scheduler();
    // The state may have changed while the question was open.
    if (!scheduler || scheduler->isScanning() || m_model.cleanup().isTrashing()) {
        setResultText(tr("Nothing was moved: the records are in use. Try again in a moment."));
        return;
    }
    QCoro::connect(
        scheduler->resetRecords(), this, [this](const std::optional<ResetFailure> &failure) {
            if (failure) {
                setResultText(tr("Couldn’t move the records: %1").arg(failure->description()));
                return;
            }
            QCoro::connect(m_model.cleanup().rebuild(), this, [] {});
            setResultText(tr("Moved the records to the Trash and rescanned."));
        });
}

void CleanupTab::setResultText(const QString &text)
{
    if (m_resultText == text)
        return;
    m_resultText = text;
    m_resultLabel->setText(text);
    m_resultLabel->setVisible(true);
    Q_EMIT resultTextChanged();
}

} // namespace qm
