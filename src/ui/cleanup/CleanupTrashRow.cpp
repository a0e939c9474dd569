#include "ui/cleanup/CleanupTrashRow.h"

#include "ui/controls/BusySpinner.h"
#include "ui/controls/CaptionText.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/SymbolIcon.h"
#include "ui/controls/TabularFigures.h"
#include "units/SizeText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace qm {

QString CleanupTrashRow::stateText(CleanupViewModel::TrashDisplay state, ByteUnit unit)
{
    switch (state.kind) {
    case CleanupViewModel::TrashDisplay::Kind::size:
        return listSizeText(state.bytes, unit);
    case CleanupViewModel::TrashDisplay::Kind::empty:
        return tr("Empty");
    case CleanupViewModel::TrashDisplay::Kind::unknown:
        break;
    }
    return QStringLiteral("—");
}

CleanupTrashRow::CleanupTrashRow(CleanupViewModel::TrashDisplay state,
                                 bool isMeasuring,
                                 ByteUnit unit,
                                 QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("cleanupTrashRow"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 5, 0, 5);
    row->setSpacing(8);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(new ElidedLabel(tr("Trash"), Qt::ElideRight, this));
    auto *hint = new ElidedLabel(
        tr("Empty it in the file manager to free up space"), Qt::ElideRight, this);
    hint->setFont(captionFont());
    applyTone(hint, TextTone::secondary);
    texts->addWidget(hint);
    row->addLayout(texts, 1);

    if (isMeasuring) {
        row->addWidget(new BusySpinner(this));
    } else {
        auto *size = new QLabel(stateText(state, unit), this);
        size->setObjectName(QStringLiteral("trashSize"));
        useTabularFigures(size);
        applyTone(size, TextTone::secondary);
        if (state.kind == CleanupViewModel::TrashDisplay::Kind::unknown)
            size->setToolTip(tr("Can’t read the Trash"));
        row->addWidget(size);
    }

    QToolButton *open = symbolButton(
        Symbol::folder, tr("Show in Folder"), tr("Show in Folder: %1").arg(tr("Trash")), this);
    open->setObjectName(QStringLiteral("showTrashButton"));
    connect(open, &QToolButton::clicked, this, &CleanupTrashRow::openTrashRequested);
    row->addWidget(open);
    // Where the other rows have their Trash button, so that the folder buttons line up.
    row->addSpacing(open->sizeHint().width());
}

} // namespace qm
